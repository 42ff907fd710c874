#include "cleaner/engine/categories.h"

namespace engine {

namespace {

std::vector<ScanCategory> buildTable() {
    using plat::kHkeyClassesRoot;
    using plat::kHkeyCurrentUser;
    using plat::kHkeyLocalMachine;
    using plat::kHkeyUsers;
    return {
        {"HKCU",
         "HKEY_CURRENT_USER",
         "HKEY_CURRENT_USER",
         "Stores information about currently loged-in user",
         "Información sobre la sesión actual",
         {{WalkerKind::KeyValues, kHkeyCurrentUser, "software"}}},
        {"HKU",
         "HKEY_USERS",
         "HKEY_USERS",
         "Stores information about all users",
         "Información sobre todos los usuarios",
         {{WalkerKind::KeyValues, kHkeyUsers, ""}}},
        {"HKLM",
         "HKEY_LOCAL_MACHINE",
         "HKEY_LOCAL_MACHINE",
         "Stores global information about the computer",
         "Información global sobre este PC",
         {{WalkerKind::KeyValues, kHkeyLocalMachine, ""}}},
        {"DLL",
         "Invalid Shared Dll's",
         "DLL compartidas",
         "Find orphaned references to shared system .dll files",
         "Buscar referencias a DLL compartidas huérfanas",
         {{WalkerKind::SharedDlls, kHkeyLocalMachine, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDlls",
           true}}},
        {"VDD",
         "Virtual Device Drivers",
         "Dispositivos virtuales",
         "Find invalid references to virtual device drivers",
         "Buscar referencias a unidades virtuales no válidas",
         {{WalkerKind::KeyValues, kHkeyLocalMachine, "SYSTEM\\CurrentControlSet\\Services\\VxD"}}},
        {"FONT",
         "Bad Font References",
         "Referencias a fuentes",
         "Find invalid font references",
         "Buscar referencias no válidas a fuentes",
         {{WalkerKind::FontKey, kHkeyLocalMachine, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Fonts"},
          {WalkerKind::FontKey, kHkeyLocalMachine, "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Fonts"}}},
        {"IFA",
         "Invalid File Associations",
         "Asociaciones de archivos",
         "Find invalid file association links",
         "Buscar asociaciones de archivos no válidas",
         {{WalkerKind::FileTypes, kHkeyClassesRoot, ""}}},
        {"COM",
         "ActiveX and COM",
         "ActiveX y COM",
         "Find invalid Typelib/CLSID/Interface",
         "Buscar Typelib/CLSID/Interface no válidos",
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

std::string CategoryNamesText(bool spanish) {
    return joinField([spanish](const ScanCategory& c) { return spanish ? c.nameSpanish : c.name; });
}

std::string CategoryDescriptionsText(bool spanish) {
    return joinField([spanish](const ScanCategory& c) { return spanish ? c.descriptionSpanish : c.description; });
}

const std::string& ReasonText(Reason reason, bool spanish) {
    struct Texts {
        std::string en, es;
    };
    static const Texts table[] = {
        {"Invalid path", "Ruta no válida"},
        {"Empty TypeLib", "TypeLib vacio"},
        {"Point to Invalid TypeLib", "TypeLib no válido"},
        {"Empty CLSID", "CLSID vacio"},
        {"Point to Invalid CLSID", "CLSID no válido"},
        {"Empty ProgID", "ProgID vacio"},
        {"Point to Invalid ProgID", "ProgID no válido"},
        {"Empty InprocServer32", "InprocServer32 vacio"},
        {"Empty InprocServer", "InprocServer vacio"},
        {"Shared file does't exists", "El archivo compartido no existe"},
        {"Invalid Font", "Fuente no válida"},
    };
    const Texts& t = table[static_cast<int>(reason)];
    return spanish ? t.es : t.en;
}

}  // namespace engine
