#include "search/settings_store.h"

#include <climits>

#include "common/registry/reg_key.h"
#include "common/registry/reg_value.h"
#include "search/mod_reg.h"

namespace search {

std::string SettingsStore::sectionPath(const std::string& app, const std::string& section) const {
    return storeKey_ + "\\" + app + "\\" + section;
}

std::string SettingsStore::GetSetting(const std::string& app, const std::string& section, const std::string& key,
                                      const std::string& def) {
    return modreg::ReadTextValue(reg_, plat::kHkeyCurrentUser, sectionPath(app, section), key, def);
}

bool SettingsStore::SaveSetting(const std::string& app, const std::string& section, const std::string& key,
                                const std::string& value) {
    const reg::Key k = reg::Key::create(reg_, plat::kHkeyCurrentUser, sectionPath(app, section));
    return k && reg::writeText(reg_, k.get(), key, value) == plat::kErrorSuccess;
}

bool SettingsStore::DeleteSetting(const std::string& app, const std::string& section, const std::string& key) {
    long open = plat::kErrorSuccess;
    const reg::Key k = reg::Key::open(reg_, plat::kHkeyCurrentUser, sectionPath(app, section),
                                      plat::kKeyQueryValue | plat::kKeySetValue, &open);
    if (open == plat::kErrorFileNotFound) return true;
    if (!k) return false;
    const long rc = reg::deleteValue(reg_, k.get(), key);
    return rc == plat::kErrorSuccess || rc == plat::kErrorFileNotFound;
}

std::vector<std::string> SettingsStore::SettingKeys(const std::string& app, const std::string& section) {
    std::vector<std::string> names;
    for (reg::ValueEntry& e : modreg::ListValues(reg_, plat::kHkeyCurrentUser, sectionPath(app, section)))
        names.push_back(std::move(e.name));
    return names;
}

int LeadingNumber(const std::string& text) {
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
    long long n = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        n = n * 10 + (text[i] - '0');
        if (n > static_cast<long long>(INT_MAX) + 1) n = static_cast<long long>(INT_MAX) + 1;
    }
    if (negative) n = -n;
    if (n > INT_MAX) return INT_MAX;
    if (n < INT_MIN) return INT_MIN;
    return static_cast<int>(n);
}

}  // namespace search
