#include "cleaner/engine/categories.h"

namespace engine {

namespace {

std::vector<ScanCategory> buildTable() {
    using plat::kHkeyClassesRoot;
    using plat::kHkeyCurrentUser;
    using plat::kHkeyLocalMachine;
    using plat::kHkeyUsers;
    return {
        {"HKCU", {{WalkerKind::KeyValues, kHkeyCurrentUser, "software"}}},
        {"HKU", {{WalkerKind::KeyValues, kHkeyUsers, ""}}},
        {"HKLM", {{WalkerKind::KeyValues, kHkeyLocalMachine, ""}}},
        {"DLL",
         {{WalkerKind::SharedDlls, kHkeyLocalMachine, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDlls",
           true}}},
        {"VDD", {{WalkerKind::KeyValues, kHkeyLocalMachine, "SYSTEM\\CurrentControlSet\\Services\\VxD"}}},
        {"FONT",
         {{WalkerKind::FontKey, kHkeyLocalMachine, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Fonts"},
          {WalkerKind::FontKey, kHkeyLocalMachine, "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Fonts"}}},
        {"IFA", {{WalkerKind::FileTypes, kHkeyClassesRoot, ""}}},
        {"COM",
         {{WalkerKind::ComKey, kHkeyLocalMachine, "software\\classes\\CLSID", true},
          {WalkerKind::ComKey, kHkeyLocalMachine, "software\\classes\\TypeLib", true},
          {WalkerKind::ComKey, kHkeyLocalMachine, "software\\classes\\interface", true}}},
    };
}

template <typename F>
std::string joinField(F field) {
    std::string out;
    for (const ScanCategory& c : ScanCategories()) {
        if (!out.empty()) out += ';';
        out += field(c);
    }
    return out;
}

// The texts of each category in table order; a category the table lacks gives "".
template <typename F>
std::string joinArea(const Texts& texts, F field) {
    return joinField([&](const ScanCategory& c) {
        for (const AreaTexts& a : texts.areas)
            if (a.code == c.code) return field(a);
        return std::string();
    });
}

}  // namespace

const std::vector<ScanCategory>& ScanCategories() {
    static const std::vector<ScanCategory> table = buildTable();
    return table;
}

const ScanCategory* FindCategory(const std::string& code) {
    for (const ScanCategory& c : ScanCategories())
        if (c.code == code) return &c;
    return nullptr;
}

std::string CategoryCodesText() {
    return joinField([](const ScanCategory& c) { return c.code; });
}

std::string CategoryNamesText(const Texts& texts) {
    return joinArea(texts, [](const AreaTexts& a) { return a.name; });
}

std::string CategoryDescriptionsText(const Texts& texts) {
    return joinArea(texts, [](const AreaTexts& a) { return a.description; });
}

}  // namespace engine
