// Per-user settings store of the search program: named texts addressed by application name,
// section and key, kept as string values below the current user's software key. Each
// backslash-separated part of the application name is one key level, the section one more.
#pragma once

#include <string>
#include <vector>

#include "common/platform/registry.h"

namespace search {

// The store's own key below HKEY_CURRENT_USER.
inline constexpr const char* kSettingsStoreKey = "Software\\Tolvane Settings";

class SettingsStore {
public:
    explicit SettingsStore(plat::Registry& reg, std::string storeKey = kSettingsStoreKey)
        : reg_(reg), storeKey_(std::move(storeKey)) {}

    // The stored text, or `def` when the key (or anything above it) is missing.
    std::string GetSetting(const std::string& app, const std::string& section, const std::string& key,
                           const std::string& def = "");
    // Creates what is missing and writes the text; false when the write failed.
    bool SaveSetting(const std::string& app, const std::string& section, const std::string& key,
                     const std::string& value);
    // Removes one key; true when it is gone afterwards (also when it never existed).
    bool DeleteSetting(const std::string& app, const std::string& section, const std::string& key);
    // The keys a section holds, in the registry's order.
    std::vector<std::string> SettingKeys(const std::string& app, const std::string& section);

    std::string sectionPath(const std::string& app, const std::string& section) const;

private:
    plat::Registry& reg_;
    std::string storeKey_;
};

// The number at the start of a stored text (optional spaces, sign, digits); 0 when there is none.
// Out-of-range numbers saturate to the 32-bit limits.
int LeadingNumber(const std::string& text);

}  // namespace search
