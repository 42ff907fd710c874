// The fixed table of scan categories: what each one walks. Their names and descriptions, and
// the reasons the walkers give, are in the language tables (texts.h).
#pragma once

#include <string>
#include <vector>

#include "cleaner/engine/texts.h"
#include "common/platform/registry.h"

namespace engine {

enum class WalkerKind { KeyValues, SharedDlls, FontKey, ComKey, FileTypes };

struct Walk {
    WalkerKind walker;
    plat::RegHandle root;
    std::string path;  // passed exactly as written (the case differs between rows)
    // Also walk the key a 32-bit program opens by this path, where the system keeps it apart
    // from the 64-bit one (a key below Wow6432Node), under its real name.
    bool bothViews = false;
};

struct ScanCategory {
    std::string code;         // what the driver dispatches on
    std::vector<Walk> walks;  // in this order
};

// The eight categories in table order.
const std::vector<ScanCategory>& ScanCategories();
// The row whose code equals `code` exactly; nullptr when none does.
const ScanCategory* FindCategory(const std::string& code);
// "HKCU;HKU;HKLM;DLL;VDD;FONT;IFA;COM" and the ";"-joined names and descriptions.
std::string CategoryCodesText();
std::string CategoryNamesText(const Texts& texts);
std::string CategoryDescriptionsText(const Texts& texts);

}  // namespace engine
