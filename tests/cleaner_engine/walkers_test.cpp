#include <algorithm>

#include "tests/cleaner_engine/engine_fixture.h"

using enginetest::EngineTest;
using enginetest::rowTexts;
using plat::kHkeyClassesRoot;
using plat::kHkeyCurrentUser;
using plat::kHkeyLocalMachine;
using Rows = std::vector<std::string>;

namespace {
const char* kComRoot = "Software\\Classes";
}

TEST(ReasonText, EnglishAndSpanishTexts) {
    using engine::Reason;
    const engine::Texts& en = engine::TextsFor(engine::Language::English);
    const engine::Texts& es = engine::TextsFor(engine::Language::Spanish);
    struct Case {
        Reason r;
        const char* en;
        const char* es;
    } cases[] = {
        {Reason::InvalidPath, "Invalid path", "Ruta no válida"},
        {Reason::EmptyTypeLib, "Empty TypeLib", "TypeLib vacio"},
        {Reason::InvalidTypeLib, "Point to Invalid TypeLib", "TypeLib no válido"},
        {Reason::EmptyClsid, "Empty CLSID", "CLSID vacio"},
        {Reason::InvalidClsid, "Point to Invalid CLSID", "CLSID no válido"},
        {Reason::EmptyProgId, "Empty ProgID", "ProgID vacio"},
        {Reason::InvalidProgId, "Point to Invalid ProgID", "ProgID no válido"},
        {Reason::EmptyInprocServer32, "Empty InprocServer32", "InprocServer32 vacio"},
        {Reason::EmptyInprocServer, "Empty InprocServer", "InprocServer vacio"},
        {Reason::SharedFileMissing, "Shared file does't exists", "El archivo compartido no existe"},
        {Reason::InvalidFont, "Invalid Font", "Fuente no válida"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(en.reason(c.r), c.en);
        EXPECT_EQ(es.reason(c.r), c.es);
    }
}

TEST(ScanCategories, TableAndJoinedTexts) {
    EXPECT_EQ(engine::CategoryCodesText(), "HKCU;HKU;HKLM;DLL;VDD;FONT;IFA;COM");
    EXPECT_EQ(engine::CategoryNamesText(engine::TextsFor(engine::Language::English)),
              "HKEY_CURRENT_USER;HKEY_USERS;HKEY_LOCAL_MACHINE;Invalid Shared Dll's;Virtual Device Drivers;"
              "Bad Font References;Invalid File Associations;ActiveX and COM");
    EXPECT_EQ(engine::CategoryNamesText(engine::TextsFor(engine::Language::Spanish)),
              "HKEY_CURRENT_USER;HKEY_USERS;HKEY_LOCAL_MACHINE;DLL compartidas;Dispositivos virtuales;"
              "Referencias a fuentes;Asociaciones de archivos;ActiveX y COM");
    EXPECT_EQ(engine::FindCategory("hkcu"), nullptr);
    ASSERT_NE(engine::FindCategory("FONT"), nullptr);
    EXPECT_EQ(engine::FindCategory("FONT")->walks.size(), 2u);
}

// ---- the drive-path walkers ----

TEST_F(EngineTest, CurrentUserValuesWithDrivePaths) {
    files.addFile("C:\\Program Files\\Good\\good.exe");
    const std::string acme = "Software\\Acme";
    sz(kHkeyCurrentUser, acme, "Quoted", "\"C:\\Program Files\\Acme\\gone.exe\" /s");
    sz(kHkeyCurrentUser, acme, "Good", "\"C:\\Program Files\\Good\\good.exe\" /s");
    sz(kHkeyCurrentUser, acme, "DriveQ", "Q:\\Acme\\gone.exe");
    sz(kHkeyCurrentUser, acme, "Bare", "gone.exe");
    dword(kHkeyCurrentUser, acme, "Number", 12);
    sz(kHkeyCurrentUser, acme, "Expand", "C:\\Acme\\gone.dll", plat::kRegExpandSz);
    sz(kHkeyCurrentUser, "Software\\Classes\\Acme", "Hidden", "C:\\Acme\\gone.exe");
    sz(kHkeyCurrentUser, "Environment", "Outside", "C:\\Acme\\gone.exe");

    EXPECT_EQ(rowTexts(scanCodes({"HKCU"})),
              (Rows{"HKEY_CURRENT_USER\\software\\Acme | Quoted | \"C:\\Program Files\\Acme\\gone.exe\" /s "
                    "| Invalid path | 1",
                    "HKEY_CURRENT_USER\\software\\Acme | Expand | C:\\Acme\\gone.dll | Invalid path | 2"}));
    EXPECT_EQ(host.count, 2);
    EXPECT_EQ(host.progress, 2);
    EXPECT_EQ(reg.openHandleCount(), 0u);
}

TEST_F(EngineTest, UsersAndLocalMachineSkipClassesBranches) {
    sz(kHkeyCurrentUser, "Software\\Acme", "Run", "C:\\Acme\\gone.exe");
    sz(kHkeyLocalMachine, "Software\\Vendor", "Path", "C:\\Vendor\\gone.exe");
    sz(kHkeyLocalMachine, "Software\\Classes\\.zzz\\shell", "x", "C:\\Vendor\\gone.exe");
    sz(kHkeyLocalMachine, "SOFTWARE\\Classes\\CLSID\\{1}\\InprocServer32", "", "C:\\Vendor\\gone.dll");
    // A classes branch deeper down, after another "Software": skipped as well.
    sz(kHkeyLocalMachine, "Software\\Vendor\\Software\\Wow6432Node\\Classes", "x", "C:\\Vendor\\deep.exe");
    sz(kHkeyLocalMachine, "Software\\Vendor\\SoftwareClasses", "x", "C:\\Vendor\\near.exe");

    EXPECT_EQ(rowTexts(scanCodes({"HKU"})),
              (Rows{"HKEY_USERS\\S-1-5-21-0-0-0-1000\\Software\\Acme | Run | C:\\Acme\\gone.exe | Invalid path | 1"}));
    host.rows.clear();
    EXPECT_EQ(
        rowTexts(scanCodes({"HKLM"})),
        (Rows{"HKEY_LOCAL_MACHINE\\Software\\Vendor | Path | C:\\Vendor\\gone.exe | Invalid path | 1",
              "HKEY_LOCAL_MACHINE\\Software\\Vendor\\SoftwareClasses | x | C:\\Vendor\\near.exe | Invalid path | 1"}));
}

TEST_F(EngineTest, VirtualDeviceDrivers) {
    files.addFile("C:\\windows\\system\\good.vxd");
    const std::string vxd = "SYSTEM\\CurrentControlSet\\Services\\VxD\\Dev";
    sz(kHkeyLocalMachine, vxd, "StaticVxD", "C:\\windows\\system\\gone.vxd");
    sz(kHkeyLocalMachine, vxd, "Other", "C:\\windows\\system\\good.vxd");
    EXPECT_EQ(rowTexts(scanCodes({"VDD"})),
              (Rows{"HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\VxD\\Dev | StaticVxD | "
                    "C:\\windows\\system\\gone.vxd | Invalid path | 1"}));
}

TEST_F(EngineTest, SharedDllReferences) {
    files.addFile("C:\\windows\\system32\\good.dll");
    files.setDrive('Q', plat::DriveType::Fixed);
    const std::string key = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDlls";
    dword(kHkeyLocalMachine, key, "C:\\windows\\system32\\gone.dll", 3);
    dword(kHkeyLocalMachine, key, "C:\\windows\\system32\\good.dll", 1);
    dword(kHkeyLocalMachine, key, "Q:\\lib\\gone.dll", 1);  // no drive pre-test here
    dword(kHkeyLocalMachine, key, "gone.dll", 1);           // no drive: not checkable
    dword(kHkeyLocalMachine, key, "Z:\\lib\\gone.dll", 1);  // after T: never reported
    host.excludes = {"gone.dll"};                           // no exclusion test here
    EXPECT_EQ(rowTexts(scanCodes({"DLL"})),
              (Rows{"HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDlls | "
                    "C:\\windows\\system32\\gone.dll | 3 | Shared file does't exists | 4",
                    "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDlls | "
                    "Q:\\lib\\gone.dll | 1 | Shared file does't exists | 4"}));
}

TEST_F(EngineTest, FontReferences) {
    files.addFile("C:\\windows\\Fonts\\arial.ttf");
    files.addFile("C:\\Program Files\\Acme\\fonts\\acme.ttf");
    const std::string nt = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Fonts";
    sz(kHkeyLocalMachine, nt, "Arial (TrueType)", "arial.ttf");
    sz(kHkeyLocalMachine, nt, "Gone (TrueType)", "gone.ttf");
    sz(kHkeyLocalMachine, nt, "Acme (TrueType)", "C:\\Program Files\\Acme\\fonts\\acme.ttf");
    sz(kHkeyLocalMachine, nt, "Lost (TrueType)", "C:\\Program Files\\Acme\\fonts\\lost.ttf");
    sz(kHkeyLocalMachine, nt, "Empty", "");
    EXPECT_EQ(rowTexts(scanCodes({"FONT"})),
              (Rows{"HKEY_LOCAL_MACHINE\\" + nt + " | Gone (TrueType) | gone.ttf | Invalid Font | 1",
                    "HKEY_LOCAL_MACHINE\\" + nt +
                        " | Lost (TrueType) | C:\\Program Files\\Acme\\fonts\\lost.ttf | Invalid Font | 1"}));
}

TEST_F(EngineTest, FontKeyThatCannotBeOpenedIsSkipped) {
    const std::string nt = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Fonts";
    sz(kHkeyLocalMachine, nt, "Gone (TrueType)", "gone.ttf");
    reg.markReadOnly(kHkeyLocalMachine, nt);
    EXPECT_TRUE(scanCodes({"FONT"}).empty());
    EXPECT_EQ(reg.openHandleCount(), 0u);
}

// ---- COM ----

TEST_F(EngineTest, ComValueTestsReportEveryReasonOnce) {
    files.addFile("C:\\windows\\system32\\good.dll");
    auto c = [&](const std::string& sub, const std::string& name, const std::string& data) {
        sz(kHkeyLocalMachine, std::string(kComRoot) + "\\" + sub, name, data);
    };
    // Registrations the references point at.
    key(kHkeyLocalMachine, std::string(kComRoot) + "\\TypeLib\\{TL-GOOD}");
    key(kHkeyLocalMachine, std::string(kComRoot) + "\\Good.App");
    c("CLSID\\{C-GOOD}", "", "Good class");

    c("CLSID\\{A1}\\InprocServer32", "", "C:\\gone\\a1.dll");                 // 1 reports
    c("CLSID\\{A2}\\InprocServer32", "", "C:\\windows\\system32\\good.dll");  // 1 silent
    c("CLSID\\{A3}\\LocalServer32", "", "Q:\\gone\\a3.exe");                  // 1 silent: drive after P
    c("CLSID\\{B1}\\TypeLib", "", "");                                        // 2 reports
    c("CLSID\\{B2}\\TypeLib", "Named", "");                                   // 2 reports, whatever the name
    c("CLSID\\{D1}\\TypeLib", "", "{TL-GONE}");                               // 3 reports
    c("CLSID\\{D2}\\TypeLib", "", "{TL-GOOD}");                               // 3 silent
    c("CLSID\\{D3}\\TypeLib", "", "TL-NOBRACE");                              // 3 silent: not tested
    c("interface\\{E1}\\CLSID", "", "");                                      // 4 reports
    c("interface\\{E2}\\CLSID", "", "{C-GONE}");                              // 5 reports
    c("interface\\{E3}\\CLSID", "", "{C-GOOD}");                              // 5 silent
    c("CLSID\\{F1}\\ProgID", "", "");                                         // 6 reports
    c("CLSID\\{F2}\\VersionIndependentProgID", "", "");                       // 6 reports
    c("CLSID\\{F3}\\VersionIndependentProgID", "", "Nothing.Here");           // 6 silent: not looked up
    c("CLSID\\{G1}\\ProgID", "", "Gone.App.1");                               // 7 reports
    c("CLSID\\{G2}\\ProgID", "", "Good.App");                                 // 7 silent
    c("CLSID\\{H1}\\InprocServer32", "", "");                                 // 8 reports
    c("CLSID\\{H2}\\InprocServer", "", "");                                   // 9 reports
    c("CLSID\\{K1}", "clsid", "");                                            // 10 reports
    c("CLSID\\{K2}", "TypeLib", "{TL-GONE2}");                                // 11 reports
    c("CLSID\\{K3}", "TypeLib", "{TL-GOOD}");                                 // 11 silent
    c("CLSID\\{K4}", "ProgID", "Gone.Prog");                                  // 12 reports
    c("CLSID\\{K5}", "ProgID", "Good.App");                                   // 12 silent: looked up below the root
    c("CLSID\\{K6}", "InprocServer32", "");                                   // 13 reports
    c("CLSID\\{K7}", "InprocServer", "");                                     // 14 reports
    c("CLSID\\{K8}", "Other", "");                                            // no step
    c("CLSID\\{K9}", "", "some text");                                        // no step

    const std::string cl = "HKEY_LOCAL_MACHINE\\software\\classes\\CLSID\\";
    const std::string in = "HKEY_LOCAL_MACHINE\\software\\classes\\interface\\";
    std::vector<std::string> expected = {
        cl + "{A1}\\InprocServer32 |  | C:\\gone\\a1.dll | Invalid path | 1",
        cl + "{B1}\\TypeLib |  |  | Empty TypeLib | 1",
        cl + "{B2}\\TypeLib | Named |  | Empty TypeLib | 1",
        cl + "{D1}\\TypeLib |  | {TL-GONE} | Point to Invalid TypeLib | 1",
        in + "{E1}\\CLSID |  |  | Empty CLSID | 1",
        in + "{E2}\\CLSID |  | {C-GONE} | Point to Invalid CLSID | 1",
        cl + "{F1}\\ProgID |  |  | Empty ProgID | 1",
        cl + "{F2}\\VersionIndependentProgID |  |  | Empty ProgID | 1",
        cl + "{G1}\\ProgID |  | Gone.App.1 | Point to Invalid ProgID | 1",
        cl + "{H1}\\InprocServer32 |  |  | Empty InprocServer32 | 1",
        cl + "{H2}\\InprocServer |  |  | Empty InprocServer | 1",
        cl + "{K1} | clsid |  | Empty CLSID | 1",
        cl + "{K2} | TypeLib | {TL-GONE2} | Point to Invalid TypeLib | 1",
        cl + "{K4} | ProgID | Gone.Prog | Point to Invalid ProgID | 1",
        cl + "{K6} | InprocServer32 |  | Empty InprocServer32 | 1",
        cl + "{K7} | InprocServer |  | Empty InprocServer | 1",
    };
    {
        Rows got = rowTexts(scanCodes({"COM"}));
        std::sort(got.begin(), got.end());
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(got, expected);
    }
    EXPECT_EQ(reg.openHandleCount(), 0u);
}

// Many classes naming the same program ids and type libraries: every one is judged by the same
// answer, and the registry is asked once per distinct key and scan.
TEST_F(EngineTest, ComReferencesSharedByManyClassesAreLookedUpOncePerScan) {
    key(kHkeyLocalMachine, std::string(kComRoot) + "\\Good.App");
    key(kHkeyLocalMachine, std::string(kComRoot) + "\\TypeLib\\{TL-GOOD}");
    auto addClasses = [&](int from, int to) {
        for (int i = from; i < to; ++i) {
            const std::string cls = std::string(kComRoot) + "\\CLSID\\{C" + std::to_string(i) + "}";
            sz(kHkeyLocalMachine, cls, "ProgID", i % 2 ? "Good.App" : "Gone.App");
            sz(kHkeyLocalMachine, cls, "TypeLib", i % 2 ? "{TL-GOOD}" : "{tl-gone}");
        }
    };
    auto opensOfScan = [&](size_t expectedRows) {
        host.rows.clear();
        const size_t before = reg.openCallCount();
        EXPECT_EQ(scanCodes({"COM"}).size(), expectedRows);
        return reg.openCallCount() - before;
    };
    addClasses(0, 20);
    const size_t twenty = opensOfScan(20);  // ten classes name what is not there, twice each
    addClasses(20, 40);
    const size_t forty = opensOfScan(40);
    // Each added class key is opened by the walk once; its two references were answered already.
    EXPECT_EQ(forty - twenty, 20u);
}

TEST_F(EngineTest, ComExclusionsKeepClassesOutButNotTheirLookups) {
    sz(kHkeyLocalMachine, std::string(kComRoot) + "\\CLSID\\{X1}\\InprocServer32", "", "C:\\gone\\x1.dll");
    sz(kHkeyLocalMachine, std::string(kComRoot) + "\\CLSID\\{X2}\\InprocServer32", "", "C:\\gone\\x2.dll");
    sz(kHkeyLocalMachine, std::string(kComRoot) + "\\CLSID\\{X3}\\InprocServer32", "", "");
    host.excludes = {"{X1}", "x2.dll"};
    EXPECT_EQ(scanCodes({"COM"}).size(), 1u);  // {X1} not entered, x2 excluded through its data
    host.rows.clear();
    // "::" is in every value's probe and in no key path: it silences every path report, but the
    // other COM reports ignore the list.
    host.excludes = {"::"};
    EXPECT_EQ(rowTexts(scanCodes({"COM"})),
              (Rows{"HKEY_LOCAL_MACHINE\\software\\classes\\CLSID\\{X3}\\InprocServer32 |  |  | Empty "
                    "InprocServer32 | 1"}));
}

// ---- file types ----

TEST_F(EngineTest, FileTypesWalkExtensionsWithADefaultValue) {
    files.addFile("C:\\Program Files\\Good\\good.exe");
    sz(kHkeyClassesRoot, ".foo", "", "foofile");
    sz(kHkeyClassesRoot, ".foo\\ShellNew", "Command", "\"C:\\Program Files\\Foo\\gone.exe\" /new");
    sz(kHkeyClassesRoot, ".foo\\OpenWithList\\good.exe", "Path", "C:\\Program Files\\Good\\good.exe");
    sz(kHkeyClassesRoot, ".bar\\ShellNew", "Command", "C:\\Program Files\\Bar\\gone.exe");          // no default value
    sz(kHkeyClassesRoot, "foofile\\shell\\open\\command", "", "C:\\Program Files\\Foo\\gone.exe");  // not an extension
    sz(kHkeyClassesRoot, ".baz", "", "bazfile");
    sz(kHkeyClassesRoot, ".baz", "Tool", "C:\\Program Files\\Baz\\gone.exe");
    sz(kHkeyClassesRoot, ".ro", "", "rofile");
    sz(kHkeyClassesRoot, ".ro", "Tool", "C:\\Program Files\\Ro\\gone.exe");
    reg.markReadOnly(kHkeyClassesRoot, ".ro");  // no full access: not walked and not reported
    sz(kHkeyClassesRoot, ".exc\\sub", "Tool", "C:\\Program Files\\Exc\\gone.exe");
    sz(kHkeyClassesRoot, ".exc", "", "excfile");
    host.excludes = {".exc\\sub"};

    EXPECT_EQ(rowTexts(scanCodes({"IFA"})),
              (Rows{"HKEY_CLASSES_ROOT\\.baz | Tool | C:\\Program Files\\Baz\\gone.exe | Invalid path | 1",
                    "HKEY_CLASSES_ROOT\\.foo\\ShellNew | Command | \"C:\\Program Files\\Foo\\gone.exe\" /new "
                    "| Invalid path | 1"}));
    EXPECT_EQ(reg.openHandleCount(), 0u);
}

// ---- result list and exclusions ----

TEST_F(EngineTest, DriveTypeFilter) {
    files.setDrive('D', plat::DriveType::CdRom);
    files.setDrive('N', plat::DriveType::Network);
    const std::string k = "Software\\Media";
    sz(kHkeyCurrentUser, k, "Cd", "D:\\setup.exe");
    sz(kHkeyCurrentUser, k, "Net", "N:\\share\\tool.exe");
    sz(kHkeyCurrentUser, k, "Quoted", "\"D:\\setup.exe\"");
    sz(kHkeyCurrentUser, k, "Lower", "d:\\setup.exe");
    sz(kHkeyCurrentUser, k, "Fixed", "C:\\gone.exe");

    host.skip = true;
    auto names = [](const std::vector<enginetest::ListedRow>& rows) {
        std::vector<std::string> n;
        for (const auto& r : rows) n.push_back(r.valueName);
        return n;
    };
    EXPECT_EQ(names(scanCodes({"HKCU"})), (Rows{"Quoted", "Lower", "Fixed"}));
    EXPECT_EQ(host.count, 3);
    host.rows.clear();
    host.count = 0;
    host.skip = false;
    EXPECT_EQ(names(scanCodes({"HKCU"})), (Rows{"Cd", "Net", "Quoted", "Lower", "Fixed"}));
}

TEST_F(EngineTest, ProgressWrapsAfter99AndCountFollowsRows) {
    engine::Scanner s = scanner();
    for (int i = 0; i < 150; ++i)
        s.AddtoList(kHkeyCurrentUser, "Software\\X", "v", "data", plat::kRegSz, "Invalid path");
    EXPECT_EQ(host.progress, 50);
    EXPECT_EQ(host.count, 150);
    EXPECT_EQ(host.rows.back().location, "HKEY_CURRENT_USER\\Software\\X");
    EXPECT_EQ(host.rows.back().attributes, "");
}

TEST_F(EngineTest, ExclusionProbes) {
    const std::string k = "Software\\Acme";
    sz(kHkeyCurrentUser, k, "ByName", "C:\\Acme\\one.exe");
    sz(kHkeyCurrentUser, k, "ByData", "C:\\Acme\\two.exe");
    sz(kHkeyCurrentUser, k, "Other", "C:\\Acme\\three.exe");
    sz(kHkeyCurrentUser, k, "Upper", "C:\\Acme\\FOUR.exe");
    sz(kHkeyCurrentUser, k + "\\Plugins", "P", "C:\\Acme\\p.exe");
    sz(kHkeyCurrentUser, k + "\\Tools", "T", "C:\\Acme\\t.exe");

    struct Case {
        std::vector<std::string> excludes;
        std::vector<std::string> names;
    } cases[] = {
        {{}, {"ByName", "ByData", "Other", "Upper", "P", "T"}},
        {{"ByName", "two.exe", "four.exe", "Acme\\Plug"}, {"Other", "Upper", "T"}},
        // The probe carries no root name: a full location never matches during the scan.
        {{"HKEY_CURRENT_USER\\software\\Acme"}, {"ByName", "ByData", "Other", "Upper", "P", "T"}},
        // A word excludes every path, name and data holding it, in its own letter case only.
        {{"Acme"}, {}},
        {{"acme"}, {"ByName", "ByData", "Other", "Upper", "P", "T"}},
        // An empty entry matches every text.
        {{""}, {}},
    };
    for (const Case& c : cases) {
        host.rows.clear();
        host.excludes = c.excludes;
        std::vector<std::string> names;
        for (const auto& r : scanCodes({"HKCU"})) names.push_back(r.valueName);
        EXPECT_EQ(names, c.names) << (c.excludes.empty() ? "(none)" : c.excludes[0]);
    }
    engine::Scanner s = scanner();
    host.excludes = {"x"};
    EXPECT_TRUE(s.InExcludeList("a::x :: y"));
    host.excludes = {};
    EXPECT_FALSE(s.InExcludeList("anything"));
}

TEST_F(EngineTest, ExcludedSubkeyIsNotEntered) {
    for (int i = 0; i < 20; ++i) key(kHkeyCurrentUser, "Software\\Big\\k" + std::to_string(i));
    engine::Scanner s = scanner();
    size_t before = reg.openCallCount();
    s.ScanKeyValues(kHkeyCurrentUser, "Software");
    size_t all = reg.openCallCount() - before;
    host.excludes = {"Software\\Big"};
    before = reg.openCallCount();
    s.ScanKeyValues(kHkeyCurrentUser, "Software");
    EXPECT_EQ(all - (reg.openCallCount() - before), 21u);
}

TEST_F(EngineTest, SpanishReasons) {
    sz(kHkeyCurrentUser, "Software\\Acme", "Run", "C:\\Acme\\gone.exe");
    auto rows = scanCodes({"HKCU"}, true);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].reason, "Ruta no válida");
}

// ---- driver loop ----

TEST_F(EngineTest, CategoriesRunInTableOrder) {
    files.addFile("C:\\windows\\system32\\good.dll");
    sz(kHkeyCurrentUser, "Software\\A", "v", "C:\\gone\\hkcu.exe");
    sz(kHkeyLocalMachine, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDlls", "C:\\gone\\shared.dll", "1");
    sz(kHkeyLocalMachine, "SYSTEM\\CurrentControlSet\\Services\\VxD\\V", "StaticVxD", "C:\\gone\\v.vxd");
    sz(kHkeyLocalMachine, "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Fonts", "NT", "nt.ttf");
    sz(kHkeyLocalMachine, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Fonts", "W", "w.ttf");
    sz(kHkeyClassesRoot, ".ext", "", "extfile");
    sz(kHkeyClassesRoot, ".ext", "Tool", "C:\\gone\\ext.exe");
    sz(kHkeyClassesRoot, "interface\\{I}\\TypeLib", "", "{NONE}");
    sz(kHkeyClassesRoot, "TypeLib\\{T}\\1.0\\0\\win64", "", "C:\\gone\\t.tlb");
    sz(kHkeyClassesRoot, "CLSID\\{C}\\InprocServer32", "", "C:\\gone\\c.dll");

    std::vector<std::string> order;
    for (const auto& r : scanCodes({"HKCU", "HKU", "HKLM", "DLL", "VDD", "FONT", "IFA", "COM"}))
        order.push_back(r.location + " " + r.valueName);
    EXPECT_EQ(
        order,
        (Rows{"HKEY_CURRENT_USER\\software\\A v", "HKEY_USERS\\S-1-5-21-0-0-0-1000\\Software\\A v",
              // The local-machine walk also meets the device key of a later category.
              "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\VxD\\V StaticVxD",
              "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDlls C:\\gone\\shared.dll",
              "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\VxD\\V StaticVxD",
              "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Fonts W",
              "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Fonts NT",
              "HKEY_CLASSES_ROOT\\.ext Tool", "HKEY_LOCAL_MACHINE\\software\\classes\\CLSID\\{C}\\InprocServer32 ",
              "HKEY_LOCAL_MACHINE\\software\\classes\\TypeLib\\{T}\\1.0\\0\\win64 ",
              "HKEY_LOCAL_MACHINE\\software\\classes\\interface\\{I}\\TypeLib "}));
    EXPECT_EQ(host.progress, 11);
    EXPECT_EQ(host.count, 11);
}

TEST_F(EngineTest, NoTickedRowWalksNothing) {
    sz(kHkeyCurrentUser, "Software\\A", "v", "C:\\gone\\hkcu.exe");
    engine::Scanner s = scanner();
    EXPECT_FALSE(s.RunCategories({{"HKCU", false}, {"COM", false}}));
    EXPECT_TRUE(host.rows.empty());
    EXPECT_TRUE(s.RunCategories({{"NOPE", true}}));  // an unknown code walks nothing
    EXPECT_TRUE(host.rows.empty());
}
