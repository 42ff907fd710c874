#include "cleaner/engine/texts.h"

#include "cleaner/engine/path_checks.h"

namespace engine {

namespace {

Texts english() {
    Texts t;
    t.language = Language::English;
    t.reasons = {
        "Invalid path",
        "Empty TypeLib",
        "Point to Invalid TypeLib",
        "Empty CLSID",
        "Point to Invalid CLSID",
        "Empty ProgID",
        "Point to Invalid ProgID",
        "Empty InprocServer32",
        "Empty InprocServer",
        "Shared file does't exists",
        "Invalid Font",
    };
    t.areas = {
        {"HKCU", "HKEY_CURRENT_USER", "Stores information about currently loged-in user"},
        {"HKU", "HKEY_USERS", "Stores information about all users"},
        {"HKLM", "HKEY_LOCAL_MACHINE", "Stores global information about the computer"},
        {"DLL", "Invalid Shared Dll's", "Find orphaned references to shared system .dll files"},
        {"VDD", "Virtual Device Drivers", "Find invalid references to virtual device drivers"},
        {"FONT", "Bad Font References", "Find invalid font references"},
        {"IFA", "Invalid File Associations", "Find invalid file association links"},
        {"COM", "ActiveX and COM", "Find invalid Typelib/CLSID/Interface"},
    };
    t.columns = {"Invalid data location", "Value name", "Value data", "Reason", "Reg type", "Attributes"};
    t.noAreaMessage = "Please select at least one registry location to scan.";
    t.totalLabel = "Total Invalid Entries: ";
    t.removeConfirm = "Are you sure you want to remove the selected location(s) from the list.";
    return t;
}

Texts spanish() {
    Texts t;
    t.language = Language::Spanish;
    t.reasons = {
        "Ruta no válida",     "TypeLib vacio",
        "TypeLib no válido",  "CLSID vacio",
        "CLSID no válido",    "ProgID vacio",
        "ProgID no válido",   "InprocServer32 vacio",
        "InprocServer vacio", "El archivo compartido no existe",
        "Fuente no válida",
    };
    t.areas = {
        {"HKCU", "HKEY_CURRENT_USER", "Información sobre la sesión actual"},
        {"HKU", "HKEY_USERS", "Información sobre todos los usuarios"},
        {"HKLM", "HKEY_LOCAL_MACHINE", "Información global sobre este PC"},
        {"DLL", "DLL compartidas", "Buscar referencias a DLL compartidas huérfanas"},
        {"VDD", "Dispositivos virtuales", "Buscar referencias a unidades virtuales no válidas"},
        {"FONT", "Referencias a fuentes", "Buscar referencias no válidas a fuentes"},
        {"IFA", "Asociaciones de archivos", "Buscar asociaciones de archivos no válidas"},
        {"COM", "ActiveX y COM", "Buscar Typelib/CLSID/Interface no válidos"},
    };
    t.columns = {"Ubicación", "Nombre", "Datos", "Razón", "Modificado", "Atributos"};
    t.noAreaMessage = "Por favor, seleccione al menos un área del registro para realizar la búsqueda.";
    t.totalLabel = "Entradas válidas: ";
    t.removeConfirm = "¿Está seguro de que desea eliminar este elemento(s)?";
    return t;
}

}  // namespace

const Texts& TextsFor(Language language) {
    static const Texts en = english();
    static const Texts es = spanish();
    return language == Language::Spanish ? es : en;
}

Language StartLanguage(plat::Files& files) {
    PathChecker checks(files);
    return checks.FindFileExists(files.applicationFolder() + "\\spanish.dll") ? Language::Spanish : Language::English;
}

}  // namespace engine
