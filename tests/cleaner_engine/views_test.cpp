// The two registry views of a 64-bit system as the scan meets them: values of 32-bit programs
// are tested where those programs find their files, the 32-bit class and shared-DLL keys are
// walked by their own areas, and every value is listed once, in the view it lives in.
#include <algorithm>

#include "cleaner/hivescan/hivescan_cli.h"
#include "common/platform/fake/fake_clock.h"
#include "common/platform/fake/fake_shell.h"
#include "tests/cleaner_engine/engine_fixture.h"

using engine::FileView;
using enginetest::EngineTest;
using enginetest::rowTexts;
using plat::kHkeyCurrentUser;
using plat::kHkeyLocalMachine;
using plat::kHkeyUsers;
using Rows = std::vector<std::string>;

namespace {

const std::string kWow = "Software\\Wow6432Node";
const std::string kClasses32 = "Software\\Classes\\Wow6432Node";
const std::string kShared = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDlls";
const std::string kShared32 = "SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\SharedDlls";

class ViewsTest : public EngineTest {
protected:
    void SetUp() override {
        // Files as a 32-bit installer leaves them: in the 32-bit system folder only.
        for (const char* f : {"x.dll", "tray.exe", "com32.dll", "tl32.tlb", "shared32.dll"})
            files.addFile(std::string("C:\\windows\\syswow64\\") + f);
        files.addFile("C:\\windows\\system32\\y.exe");
        files.addFile("C:\\windows\\system32\\drivers\\etc\\hosts");
    }
    std::vector<std::string> sortedRows(const std::vector<std::string>& codes) {
        Rows got = rowTexts(scanCodes(codes));
        std::sort(got.begin(), got.end());
        return got;
    }
};

// ---- kept: valid 32-bit registrations are neither listed nor repaired ----

TEST_F(ViewsTest, Valid32BitRegistrationsOfEveryKindAreKept) {
    sz(kHkeyLocalMachine, kWow + "\\Vendor", "Dll", "C:\\Windows\\System32\\x.dll");
    sz(kHkeyLocalMachine, kWow + "\\Vendor", "Upper", "C:\\WINDOWS\\SYSTEM32\\X.DLL");
    sz(kHkeyLocalMachine, kWow + "\\Vendor", "Native", "C:\\Windows\\Sysnative\\y.exe");
    sz(kHkeyLocalMachine, kWow + "\\Vendor", "Exempt", "C:\\Windows\\System32\\drivers\\etc\\hosts");
    sz(kHkeyLocalMachine, kWow + "\\Vendor", "Root", "%SYSTEMROOT%\\System32\\x.dll");
    sz(kHkeyLocalMachine, kWow + "\\Microsoft\\Windows\\CurrentVersion\\Run", "Tray",
       "\"C:\\Windows\\System32\\tray.exe\" /startup");
    sz(kHkeyCurrentUser, kWow + "\\Vendor", "Dll", "C:\\Windows\\System32\\x.dll");
    // A 32-bit class with its server, a 32-bit interface naming it, a type library's win32 file.
    sz(kHkeyLocalMachine, kClasses32 + "\\CLSID\\{C32}\\InprocServer32", "", "C:\\Windows\\System32\\com32.dll");
    sz(kHkeyLocalMachine, kClasses32 + "\\Interface\\{I32}\\CLSID", "", "{C32}");
    sz(kHkeyLocalMachine, "Software\\Classes\\TypeLib\\{T}\\1.0\\0\\win32", "", "C:\\Windows\\System32\\tl32.tlb");
    dword(kHkeyLocalMachine, kShared32, "C:\\Windows\\System32\\shared32.dll", 1);

    EXPECT_EQ(rowTexts(scanCodes({"HKCU", "HKU", "HKLM", "DLL", "COM"})), Rows{});
}

TEST_F(ViewsTest, The64BitViewKeepsItsTests) {
    // The same texts outside the 32-bit view name the 64-bit system folder, where nothing is.
    sz(kHkeyLocalMachine, "Software\\Vendor", "Dll", "C:\\Windows\\System32\\x.dll");
    sz(kHkeyLocalMachine, "Software\\Vendor", "Native", "C:\\Windows\\Sysnative\\y.exe");
    sz(kHkeyLocalMachine, "Software\\Classes\\CLSID\\{C64}\\InprocServer32", "", "C:\\Windows\\System32\\com32.dll");
    sz(kHkeyLocalMachine, "Software\\Classes\\TypeLib\\{T}\\1.0\\0\\win64", "", "C:\\Windows\\System32\\tl32.tlb");
    dword(kHkeyLocalMachine, kShared, "C:\\Windows\\System32\\shared32.dll", 1);

    EXPECT_EQ(rowTexts(scanCodes({"HKLM", "DLL", "COM"})),
              (Rows{"HKEY_LOCAL_MACHINE\\Software\\Vendor | Dll | C:\\Windows\\System32\\x.dll | Invalid path | 1",
                    "HKEY_LOCAL_MACHINE\\Software\\Vendor | Native | C:\\Windows\\Sysnative\\y.exe | Invalid path | 1",
                    "HKEY_LOCAL_MACHINE\\" + kShared +
                        " | C:\\Windows\\System32\\shared32.dll | 1 | Shared file does't exists | 4",
                    "HKEY_LOCAL_MACHINE\\software\\classes\\CLSID\\{C64}\\InprocServer32 |  | "
                    "C:\\Windows\\System32\\com32.dll | Invalid path | 1",
                    "HKEY_LOCAL_MACHINE\\software\\classes\\TypeLib\\{T}\\1.0\\0\\win64 |  | "
                    "C:\\Windows\\System32\\tl32.tlb | Invalid path | 1"}));
}

// ---- listed in its view, once: broken 32-bit registrations name their real key ----

TEST_F(ViewsTest, Broken32BitRegistrationsAreListedOnceUnderTheirRealKey) {
    sz(kHkeyLocalMachine, kWow + "\\Vendor", "Gone", "C:\\Windows\\System32\\gone.dll");
    sz(kHkeyLocalMachine, kWow + "\\Microsoft\\Windows\\CurrentVersion\\Run", "Tray",
       "\"C:\\Windows\\System32\\gonetray.exe\" /startup");
    sz(kHkeyLocalMachine, kClasses32 + "\\CLSID\\{B32}\\InprocServer32", "", "C:\\Windows\\System32\\gone32.dll");
    // Registered in the 64-bit view only: a 32-bit interface cannot use it.
    key(kHkeyLocalMachine, "Software\\Classes\\CLSID\\{C64ONLY}");
    sz(kHkeyLocalMachine, kClasses32 + "\\Interface\\{I32}\\CLSID", "", "{C64ONLY}");
    sz(kHkeyLocalMachine, "Software\\Classes\\TypeLib\\{T}\\1.0\\0\\win32", "", "C:\\Windows\\System32\\gone.tlb");
    dword(kHkeyLocalMachine, kShared32, "C:\\Windows\\System32\\gone32.dll", 2);
    // A 32-bit program's broken value below the current user's Wow6432Node.
    sz(kHkeyCurrentUser, kWow + "\\Vendor", "Gone", "C:\\Windows\\System32\\gone.dll");

    EXPECT_EQ(
        sortedRows({"HKCU", "HKLM", "DLL", "COM"}),
        (Rows{"HKEY_CURRENT_USER\\software\\Wow6432Node\\Vendor | Gone | C:\\Windows\\System32\\gone.dll | Invalid "
              "path | 1",
              "HKEY_LOCAL_MACHINE\\Software\\Classes\\Wow6432Node\\CLSID\\{B32}\\InprocServer32 |  | "
              "C:\\Windows\\System32\\gone32.dll | Invalid path | 1",
              "HKEY_LOCAL_MACHINE\\Software\\Classes\\Wow6432Node\\Interface\\{I32}\\CLSID |  | {C64ONLY} | Point to "
              "Invalid CLSID | 1",
              "HKEY_LOCAL_MACHINE\\Software\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Run | Tray | "
              "\"C:\\Windows\\System32\\gonetray.exe\" /startup | Invalid path | 1",
              // The real key's name, in the letter case the registry keeps.
              "HKEY_LOCAL_MACHINE\\Software\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\SharedDlls | "
              "C:\\Windows\\System32\\gone32.dll | 2 | Shared file does't exists | 4",
              "HKEY_LOCAL_MACHINE\\Software\\Wow6432Node\\Vendor | Gone | C:\\Windows\\System32\\gone.dll | Invalid "
              "path | 1",
              "HKEY_LOCAL_MACHINE\\software\\classes\\TypeLib\\{T}\\1.0\\0\\win32 |  | C:\\Windows\\System32\\gone.tlb "
              "| Invalid path | 1"}));
}

// One class named from both views in one scan, once for each order of the walks: each view's
// interface is judged by the classes of its own view, whatever the other view was told.
TEST_F(ViewsTest, AClassNamedFromBothViewsIsJudgedInEachViewItself) {
    key(kHkeyLocalMachine, kClasses32 + "\\CLSID\\{C32ONLY}");
    key(kHkeyLocalMachine, "Software\\Classes\\CLSID\\{C64ONLY}");
    for (const char* cls : {"{C32ONLY}", "{C64ONLY}"}) {
        sz(kHkeyLocalMachine, std::string("Software\\Classes\\Interface\\{I64-") + cls + "}\\CLSID", "", cls);
        sz(kHkeyLocalMachine, kClasses32 + "\\Interface\\{I32-" + cls + "}\\CLSID", "", cls);
    }
    const Rows expected{
        "HKEY_LOCAL_MACHINE\\Software\\Classes\\Wow6432Node\\Interface\\{I32-{C64ONLY}}\\CLSID |  | {C64ONLY} | "
        "Point to Invalid CLSID | 1",
        "HKEY_LOCAL_MACHINE\\software\\classes\\interface\\{I64-{C32ONLY}}\\CLSID |  | {C32ONLY} | Point to Invalid "
        "CLSID | 1"};
    EXPECT_EQ(sortedRows({"COM"}), expected);
    host.rows.clear();
    EXPECT_EQ(sortedRows({"COM"}), expected);  // a second scan asks afresh and answers alike
}

// One quoted command line, its program installed by a 32-bit installer, met per user and per
// machine in both views, the 32-bit one first: a line its program settles is worked out again
// each time it comes, in the view it comes in. Scanned twice, as the user scans again.
TEST_F(ViewsTest, ACommandLineSettledInOneViewIsJudgedAgainInTheOther) {
    const std::string line = "\"C:\\Windows\\System32\\tray.exe\" /startup";
    sz(kHkeyLocalMachine, kWow + "\\Microsoft\\Windows\\CurrentVersion\\Run", "Tray", line);
    sz(kHkeyLocalMachine, "Software\\zVendor", "Tray", line);  // walked after Wow6432Node
    sz(kHkeyCurrentUser, kWow + "\\Vendor", "Tray", line);
    sz(kHkeyCurrentUser, "Software\\zVendor", "Tray", line);
    const Rows expected{"HKEY_CURRENT_USER\\software\\zVendor | Tray | " + line + " | Invalid path | 1",
                        "HKEY_LOCAL_MACHINE\\Software\\zVendor | Tray | " + line + " | Invalid path | 1"};
    EXPECT_EQ(sortedRows({"HKCU", "HKLM"}), expected);
    host.rows.clear();
    EXPECT_EQ(sortedRows({"HKCU", "HKLM"}), expected);
}

TEST_F(ViewsTest, KeysBothViewsShareAreWalkedOnce) {
    // Type libraries are one key for both views: the 32-bit walk of the branch finds the key
    // walked already and adds nothing.
    sz(kHkeyLocalMachine, "Software\\Classes\\TypeLib\\{T}\\1.0\\0\\win64", "", "C:\\gone\\t.tlb");
    key(kHkeyLocalMachine, kClasses32 + "\\CLSID");
    EXPECT_EQ(rowTexts(scanCodes({"COM"})),
              (Rows{"HKEY_LOCAL_MACHINE\\software\\classes\\TypeLib\\{T}\\1.0\\0\\win64 |  | C:\\gone\\t.tlb | Invalid "
                    "path | 1"}));
}

TEST_F(ViewsTest, ClassesBranchesInOtherFormsAreLeftToTheComArea) {
    // As 64-bit Windows keeps it: Software\Wow6432Node\Classes leads to the 32-bit classes.
    ASSERT_TRUE(reg.addLink(kHkeyLocalMachine, kWow + "\\Classes", kHkeyLocalMachine, kClasses32));
    sz(kHkeyLocalMachine, kClasses32 + "\\CLSID\\{B32}\\InprocServer32", "", "C:\\gone\\b32.dll");
    sz(kHkeyLocalMachine, kClasses32 + "\\.ext\\shell", "x", "C:\\gone\\ext.exe");
    // A user's classes hive.
    sz(kHkeyUsers, "S-1-5-21-0-0-0-1000_Classes\\CLSID\\{U}\\InprocServer32", "", "C:\\gone\\u.dll");
    sz(kHkeyUsers, "S-1-5-21-0-0-0-1000_Classes\\.ext\\shell", "x", "C:\\gone\\ext.exe");
    // Not a classes hive: only the name's end counts.
    sz(kHkeyUsers, "S-1-5-21-9_ClassesOld\\Software", "x", "C:\\gone\\old.exe");

    EXPECT_EQ(rowTexts(scanCodes({"HKU", "HKLM"})),
              (Rows{"HKEY_USERS\\S-1-5-21-9_ClassesOld\\Software | x | C:\\gone\\old.exe | Invalid path | 1"}));
    host.rows.clear();
    EXPECT_EQ(rowTexts(scanCodes({"COM"})),
              (Rows{"HKEY_LOCAL_MACHINE\\Software\\Classes\\Wow6432Node\\CLSID\\{B32}\\InprocServer32 |  | "
                    "C:\\gone\\b32.dll | Invalid path | 1"}));
}

// ---- listed once: links ----

TEST_F(ViewsTest, ALinkBackIntoTheWalkIsNotEntered) {
    sz(kHkeyCurrentUser, "Software\\Loop", "v", "C:\\gone\\loop.exe");
    sz(kHkeyCurrentUser, "Software\\Loop\\Inner", "w", "C:\\gone\\inner.exe");
    ASSERT_TRUE(reg.addLink(kHkeyCurrentUser, "Software\\Loop\\Inner\\Again", kHkeyCurrentUser, "Software\\Loop"));
    EXPECT_EQ(rowTexts(scanCodes({"HKCU"})),
              (Rows{"HKEY_CURRENT_USER\\software\\Loop | v | C:\\gone\\loop.exe | Invalid path | 1",
                    "HKEY_CURRENT_USER\\software\\Loop\\Inner | w | C:\\gone\\inner.exe | Invalid path | 1"}));
    EXPECT_EQ(reg.openHandleCount(), 0u);
}

TEST_F(ViewsTest, KeysWithTheSameCountsAreStillWalked) {
    // A chain of keys that each hold one subkey and one value looks like a loop by its counts
    // alone; their names tell them apart.
    sz(kHkeyCurrentUser, "Software\\A", "v", "C:\\gone\\a.exe");
    sz(kHkeyCurrentUser, "Software\\A\\B", "v", "C:\\gone\\b.exe");
    sz(kHkeyCurrentUser, "Software\\A\\B\\C", "v", "C:\\gone\\c.exe");
    key(kHkeyCurrentUser, "Software\\A\\B\\C\\D");
    EXPECT_EQ(scanCodes({"HKCU"}).size(), 3u);
}

TEST_F(ViewsTest, AValueListedUnderTwoPathsIsDeletedOnce) {
    // The control set the system uses, seen through its link as well (users exclude it by
    // either name).
    sz(kHkeyLocalMachine, "SYSTEM\\ControlSet001\\Services\\Tool", "ImagePath", "C:\\gone\\tool.exe");
    ASSERT_TRUE(
        reg.addLink(kHkeyLocalMachine, "SYSTEM\\CurrentControlSet", kHkeyLocalMachine, "SYSTEM\\ControlSet001"));
    plat::FakeShell shell;
    plat::FakeClock clock;
    plat::Services services{reg, files, shell, clock};
    std::string out, err;
    hivescan::Console console;
    console.out = [&](const std::string& s) {
        out += s;
        return true;
    };
    console.err = [&](const std::string& s) { err += s; };
    console.readLine = [] { return std::string(); };
    EXPECT_EQ(hivescan::Run({"--areas", "HKLM", "--fix", "all", "--yes"}, services, console), hivescan::kExitOk) << err;
    EXPECT_NE(out.find("SYSTEM\\\\ControlSet001\\\\Services\\\\Tool\tImagePath"), std::string::npos) << out;
    EXPECT_NE(out.find("SYSTEM\\\\CurrentControlSet\\\\Services\\\\Tool\tImagePath"), std::string::npos) << out;
    EXPECT_EQ(err.find("not deleted"), std::string::npos) << err;
    EXPECT_FALSE(
        reg.getValue(kHkeyLocalMachine, "SYSTEM\\ControlSet001\\Services\\Tool", "ImagePath", nullptr, nullptr));
    EXPECT_TRUE(reg.keyExists(kHkeyLocalMachine, "SYSTEM\\ControlSet001\\Services\\Tool"));
}

// ---- the COM area's empty values ----

TEST_F(ViewsTest, ValuesTheReaderCannotShowAreNotEmpty) {
    const std::string cl = std::string("Software\\Classes\\CLSID\\");
    struct Case {
        const char* sub;
        const char* name;
        uint32_t type;
        std::vector<uint8_t> bytes;
        const char* reason;  // "" = not listed
    } cases[] = {
        {"{1}\\InprocServer32", "", plat::kRegBinary, {1, 2}, ""},
        {"{2}\\InprocServer32", "", plat::kRegQword, {1, 0, 0, 0, 0, 0, 0, 0}, ""},
        {"{3}\\InprocServer32", "", plat::kRegNone, {7}, ""},
        {"{4}", "CLSID", plat::kRegBinary, {0xAB}, ""},
        {"{5}", "InprocServer32", plat::kRegQword, {1, 0, 0, 0, 0, 0, 0, 0}, ""},
        {"{6}\\TypeLib", "", plat::kRegBinary, {1}, ""},
        {"{7}\\InprocServer32", "", plat::kRegDword, {1, 2, 3, 4, 5}, ""},  // too long to read as a number
        // Empty data is empty, whatever its type.
        {"{8}\\InprocServer32", "", plat::kRegBinary, {}, "Empty InprocServer32"},
        {"{9}", "CLSID", plat::kRegNone, {}, "Empty CLSID"},
        {"{10}\\InprocServer32", "", plat::kRegSz, {0, 0}, "Empty InprocServer32"},
    };
    for (const Case& c : cases) setRaw(kHkeyLocalMachine, cl + c.sub, c.name, c.type, c.bytes);
    Rows expected;
    for (const Case& c : cases)
        if (*c.reason)
            expected.push_back("HKEY_LOCAL_MACHINE\\software\\classes\\CLSID\\" + std::string(c.sub) + " | " + c.name +
                               " |  | " + c.reason + " | " + std::to_string(c.type));
    Rows got = rowTexts(scanCodes({"COM"}));
    std::sort(got.begin(), got.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(got, expected);
}

// ---- the path test in each view ----

TEST(PathOf32BitName, System32AndSysnativeAsA32BitProgramMeansThem) {
    plat::FakeFiles files;
    engine::PathChecker checks(files);
    const std::pair<const char*, const char*> cases[] = {
        {"C:\\Windows\\System32\\x.dll", "C:\\windows\\syswow64\\x.dll"},
        {"c:\\WINDOWS\\system32", "C:\\windows\\syswow64"},
        {"C:\\Windows\\Sysnative\\y.exe", "C:\\windows\\system32\\y.exe"},
        {"C:\\Windows\\System32x\\z.dll", "C:\\Windows\\System32x\\z.dll"},
        {"C:\\Windows\\SysWOW64\\x.dll", "C:\\Windows\\SysWOW64\\x.dll"},
        {"D:\\Windows\\System32\\x.dll", "D:\\Windows\\System32\\x.dll"},
        {"C:\\Program Files\\System32\\x.dll", "C:\\Program Files\\System32\\x.dll"},
    };
    for (const auto& [given, real] : cases) EXPECT_EQ(checks.PathOf32BitName(given), real) << given;

    // A system without a 32-bit view: System32 is the only system folder.
    plat::FakeFiles plain;
    plain.setSystemWow64Directory("");
    engine::PathChecker plainChecks(plain);
    EXPECT_EQ(plainChecks.PathOf32BitName("C:\\Windows\\System32\\x.dll"), "C:\\Windows\\System32\\x.dll");
}

TEST(PathCheckerViews, EachViewAnswersForItsOwnFilesAndAsksEachPathOnce) {
    plat::FakeFiles files;
    files.addFile("C:\\windows\\syswow64\\only32.dll");
    files.addFile("C:\\windows\\system32\\only64.dll");
    engine::PathChecker checks(files);
    struct Case {
        const char* text;
        FileView view;
        bool present;
    } cases[] = {
        {"C:\\Windows\\System32\\only32.dll", FileView::Wow32, true},
        {"C:\\Windows\\System32\\only32.dll", FileView::Native, false},
        {"C:\\Windows\\System32\\only64.dll", FileView::Wow32, true},  // found in either view
        {"C:\\Windows\\System32\\only64.dll", FileView::Native, true},
        {"C:\\Windows\\Sysnative\\only64.dll", FileView::Wow32, true},
        {"C:\\Windows\\Sysnative\\only64.dll", FileView::Native, false},
        {"rundll32 C:\\Windows\\System32\\only32.dll,Entry", FileView::Wow32, true},
        {"C:\\Windows\\System32\\neither.dll", FileView::Wow32, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(checks.DataPathExists(c.text, c.view), c.present)
            << c.text << (c.view == FileView::Wow32 ? " (32-bit)" : " (64-bit)");
    // Asked again in both views: nothing new reaches the file system.
    const long files0 = checks.fileQueries(), folders0 = checks.folderQueries();
    for (const Case& c : cases) checks.DataPathExists(c.text, c.view);
    EXPECT_EQ(checks.fileQueries(), files0);
    EXPECT_EQ(checks.folderQueries(), folders0);
    // Another text naming a file already tested in the other view asks nothing new for it.
    const size_t probes = files.probeCount();
    EXPECT_TRUE(checks.FsoFileExists("C:\\windows\\syswow64\\only32.dll"));
    EXPECT_EQ(files.probeCount(), probes);
}

}  // namespace
