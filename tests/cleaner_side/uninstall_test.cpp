// The uninstall manager and the resolution of uninstall commands.
#include "cleaner/ui/frm_un.h"

#include "cleaner/ui/side_windows.h"
#include "cleaner/ui/uninstall_command.h"
#include "side_fixture.h"

namespace sidetest {
namespace {

using cleaner::FrmUn;

class UninstallTest : public SideTest {
protected:
    void SetUp() override {
        SideTest::SetUp();
        // A 64-bit system: the 32-bit view exists.
        plat::RegHandle h = 0;
        fakeReg.createKey(plat::kHkeyLocalMachine, "SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion", &h);
        fakeReg.closeKey(h);
        files.addFile("C:\\windows\\system32\\msiexec.exe", std::string("x"));
    }
    std::unique_ptr<FrmUn> open() {
        auto f = std::make_unique<FrmUn>(host, reg, files, shell, cleaner::StandardEnvironment(files));
        f->show();
        return f;
    }
    static std::vector<std::string> items(const FrmUn& f) {
        std::vector<std::string> out;
        for (int i = 0; i < f.lstPrograms.count(); ++i) out.push_back(f.lstPrograms.text(i));
        return out;
    }
    static int indexOfKey(const FrmUn& f, const std::string& subkey, uint32_t view) {
        for (size_t i = 0; i < f.Entries().size(); ++i)
            if (f.Entries()[i].subkey == subkey && f.Entries()[i].view == view) return static_cast<int>(i);
        return -1;
    }
};

TEST_F(UninstallTest, ListsEntriesWithBothValuesFromBothViews) {
    plant("Alpha", "Alpha Tool", "C:\\Alpha\\un.exe");
    plant("NameOnly", "Name Only", "");
    plant("CommandOnly", "", "C:\\x\\un.exe");
    plant("Bare", "", "");
    plant("Blank", " ", "C:\\x\\un.exe");  // a name of blanks counts as missing
    plant("Beta32", "beta tool", "C:\\Beta\\un.exe", true);
    plant("Gamma", "Gamma Tool", "MsiExec.exe /X{1}");
    auto f = open();
    EXPECT_EQ(items(*f), (std::vector<std::string>{"Alpha Tool", "beta tool", "Gamma Tool"}));
    EXPECT_GE(indexOfKey(*f, "Beta32", plat::kKeyWow64_32Key), 0);
    EXPECT_FALSE(f->cmdRemove.enabled());
    EXPECT_FALSE(f->cmdUninstall.enabled());
    EXPECT_EQ(f->txtUninstallString.text(), "");
}

TEST_F(UninstallTest, WithoutThe32BitNodeEachProgramIsListedOnce) {
    plat::FakeRegistry plain;
    plat::RegHandle h = 0;
    plain.createKey(plat::kHkeyLocalMachine, std::string(kUninstall) + "\\One", &h);
    auto bytes = reg::textBytes("One");
    plain.setValueEx(h, "DisplayName", plat::kRegSz, bytes.data(), static_cast<uint32_t>(bytes.size()));
    bytes = reg::textBytes("C:\\one.exe");
    plain.setValueEx(h, "UninstallString", plat::kRegSz, bytes.data(), static_cast<uint32_t>(bytes.size()));
    plain.closeKey(h);
    FrmUn f(host, plain, files, shell, cleaner::StandardEnvironment(files));
    f.show();
    EXPECT_EQ(items(f), (std::vector<std::string>{"One"}));
}

TEST_F(UninstallTest, DuplicateDisplayNamesEachItemActsOnItsOwnKeyOnly) {
    files.addFile("C:\\First\\un.exe", std::string("x"));
    files.addFile("C:\\Second\\un.exe", std::string("x"));
    plant("AAA", "Same App", "C:\\First\\un.exe /S");
    plant("BBB", "Same App", "C:\\Second\\un.exe /S");
    auto f = open();
    ASSERT_EQ(items(*f), (std::vector<std::string>{"Same App", "Same App"}));
    const int first = indexOfKey(*f, "AAA", plat::kKeyWow64_64Key);
    const int second = indexOfKey(*f, "BBB", plat::kKeyWow64_64Key);
    ASSERT_GE(first, 0);
    ASSERT_GE(second, 0);

    // Selecting shows the item's own command.
    drv.select(f->lstPrograms, first);
    EXPECT_EQ(f->txtUninstallString.text(), "C:\\First\\un.exe /S");
    EXPECT_TRUE(f->cmdRemove.enabled());
    EXPECT_TRUE(f->cmdUninstall.enabled());
    drv.select(f->lstPrograms, second);
    EXPECT_EQ(f->txtUninstallString.text(), "C:\\Second\\un.exe /S");

    // Uninstall starts the item's own program only.
    drv.select(f->lstPrograms, first);
    drv.click(f->cmdUninstall);
    auto s = starts();
    ASSERT_EQ(s.size(), 1u);
    EXPECT_EQ(s[0].program, "C:\\First\\un.exe");
    EXPECT_EQ(s[0].commandLine, "C:\\First\\un.exe /S");
    EXPECT_EQ(s[0].show, plat::ShowState::Normal);

    // Remove deletes the item's own key only; the other program's registration stays.
    host.answer(ui::mb::Yes);
    drv.click(f->cmdRemove);
    EXPECT_EQ(host.boxes.back().text, "Are you sure you want to delete this entry from the registry?");
    EXPECT_EQ(host.boxes.back().title, "Warning...");
    EXPECT_EQ(host.boxes.back().style, ui::mb::YesNo | ui::mb::Question);
    EXPECT_FALSE(entryExists("AAA"));
    EXPECT_TRUE(entryExists("BBB"));
    EXPECT_EQ(items(*f), (std::vector<std::string>{"Same App"}));
    EXPECT_FALSE(f->cmdRemove.enabled());
    EXPECT_FALSE(f->cmdUninstall.enabled());
}

TEST_F(UninstallTest, RemoveActsInTheViewTheEntryCameFromWithEverythingBelow) {
    plant("Tool", "Tool 64", "C:\\t64\\un.exe");
    plant("Tool", "Tool 32", "C:\\t32\\un.exe", true);
    plant("Tool\\Sub\\Deeper", "x", "y", true);
    auto f = open();
    const int i32 = indexOfKey(*f, "Tool", plat::kKeyWow64_32Key);
    ASSERT_GE(i32, 0);
    EXPECT_EQ(f->lstPrograms.text(i32), "Tool 32");
    drv.select(f->lstPrograms, i32);
    EXPECT_EQ(f->txtUninstallString.text(), "C:\\t32\\un.exe");
    host.answer(ui::mb::Yes);
    drv.click(f->cmdRemove);
    EXPECT_FALSE(entryExists("Tool", true));
    EXPECT_TRUE(entryExists("Tool", false));
    EXPECT_EQ(items(*f), (std::vector<std::string>{"Tool 64"}));
}

TEST_F(UninstallTest, PerUserInstallsAreListedBesideTheMachinesAndActedOnWhereTheyAre) {
    const std::string user = std::string("Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Tool");
    files.addFile("C:\\Users\\me\\AppData\\Local\\Tool\\un.exe", std::string("x"));
    plant("Tool", "Tool", "C:\\t64\\un.exe");
    plant("Tool", "Tool", "C:\\t32\\un.exe", true);
    setString(user, "DisplayName", "Tool", plat::kRegSz, plat::kHkeyCurrentUser);
    setString(user, "UninstallString", "C:\\Users\\me\\AppData\\Local\\Tool\\un.exe", plat::kRegSz,
              plat::kHkeyCurrentUser);
    auto f = open();
    ASSERT_EQ(items(*f), (std::vector<std::string>{"Tool", "Tool", "Tool"}));
    int mine = -1;
    for (size_t i = 0; i < f->Entries().size(); ++i)
        if (f->Entries()[i].root == plat::kHkeyCurrentUser) mine = static_cast<int>(i);
    ASSERT_GE(mine, 0);

    drv.select(f->lstPrograms, mine);
    EXPECT_EQ(f->txtUninstallString.text(), "C:\\Users\\me\\AppData\\Local\\Tool\\un.exe");
    drv.click(f->cmdUninstall);
    ASSERT_EQ(starts().size(), 1u);
    EXPECT_EQ(starts()[0].program, "C:\\Users\\me\\AppData\\Local\\Tool\\un.exe");

    host.answer(ui::mb::Yes);
    drv.click(f->cmdRemove);
    EXPECT_FALSE(fakeReg.keyExists(plat::kHkeyCurrentUser, user));
    EXPECT_TRUE(entryExists("Tool", false));
    EXPECT_TRUE(entryExists("Tool", true));
    EXPECT_EQ(items(*f), (std::vector<std::string>{"Tool", "Tool"}));
}

TEST_F(UninstallTest, A32BitEntrysCommandIsReadAsA32BitProgramReadsIt) {
    files.addFile("C:\\windows\\syswow64\\msiexec.exe", std::string("x"));
    files.addFile("C:\\windows\\syswow64\\unins32.exe", std::string("x"));
    files.addFile("C:\\Program Files (x86)\\App\\uninst.exe", std::string("x"));
    plant("Msi32", "Msi 32", "MsiExec.exe /X{1}", true);
    plant("Msi64", "Msi 64", "MsiExec.exe /X{2}");
    plant("App32", "App 32", "%ProgramFiles%\\App\\uninst.exe /S", true, plat::kRegExpandSz);
    plant("Sys32", "Sys 32", "C:\\Windows\\System32\\unins32.exe", true);
    auto f = open();
    ASSERT_EQ(items(*f), (std::vector<std::string>{"App 32", "Msi 32", "Msi 64", "Sys 32"}));
    for (int i = 0; i < 4; ++i) {
        drv.select(f->lstPrograms, i);
        drv.click(f->cmdUninstall);
    }
    std::vector<std::string> programs;
    for (const auto& e : starts()) programs.push_back(e.program);
    EXPECT_EQ(programs, (std::vector<std::string>{
                            "C:\\Program Files (x86)\\App\\uninst.exe", "C:\\windows\\syswow64\\MsiExec.exe",
                            "C:\\windows\\system32\\MsiExec.exe", "C:\\windows\\syswow64\\unins32.exe"}));
    EXPECT_TRUE(host.boxes.empty());
}

TEST_F(UninstallTest, NoAnswerLeavesRegistryAndListUnchanged) {
    plant("One", "One", "C:\\one.exe");
    plant("Two", "Two", "C:\\two.exe");
    auto f = open();
    drv.select(f->lstPrograms, 0);
    host.answer(ui::mb::No);
    drv.click(f->cmdRemove);
    EXPECT_TRUE(entryExists("One"));
    EXPECT_TRUE(entryExists("Two"));
    EXPECT_EQ(items(*f), (std::vector<std::string>{"One", "Two"}));
    EXPECT_TRUE(f->lstPrograms.selected(0));
    EXPECT_TRUE(f->cmdRemove.enabled());
}

TEST_F(UninstallTest, AnEntryChangedSinceListingIsNotTouched) {
    files.addFile("C:\\one.exe", std::string("x"));
    plant("One", "One", "C:\\one.exe");
    auto f = open();
    drv.select(f->lstPrograms, 0);
    // Another program now owns that key.
    setString(entryPath("One"), "DisplayName", "Someone Else");
    drv.click(f->cmdUninstall);
    EXPECT_TRUE(starts().empty());
    ASSERT_FALSE(host.boxes.empty());
    EXPECT_NE(host.boxes.back().text.find("has changed since the list was read"), std::string::npos);
    host.answer(ui::mb::Yes);
    drv.click(f->cmdRemove);
    EXPECT_TRUE(entryExists("One"));
    EXPECT_EQ(items(*f), (std::vector<std::string>{"Someone Else"}));
}

TEST_F(UninstallTest, MissingProgramIsReportedAndNothingStarts) {
    // Only the decoy an unsafe reading would start exists.
    files.addFile("C:\\Program.exe", std::string("decoy"));
    plant("App", "App", "C:\\Program Files\\App\\uninst.exe /S");
    auto f = open();
    drv.dblClick(f->lstPrograms, 0);
    EXPECT_TRUE(starts().empty());
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_NE(host.boxes[0].text.find("could not be found"), std::string::npos);
    EXPECT_NE(host.boxes[0].text.find("C:\\Program Files\\App\\uninst.exe /S"), std::string::npos);
}

TEST_F(UninstallTest, ExpandableCommandIsExpandedBeforeTheProgramIsFound) {
    files.setSpecialFolder(0x26, "C:\\Program Files");
    files.addFile("C:\\Program Files\\App\\uninst.exe", std::string("x"));
    plant("App", "App", "%ProgramFiles%\\App\\uninst.exe /S", false, plat::kRegExpandSz);
    auto f = open();
    drv.select(f->lstPrograms, 0);
    drv.click(f->cmdUninstall);
    auto s = starts();
    ASSERT_EQ(s.size(), 1u);
    EXPECT_EQ(s[0].program, "C:\\Program Files\\App\\uninst.exe");
    EXPECT_EQ(s[0].commandLine, "C:\\Program Files\\App\\uninst.exe /S");
}

TEST_F(UninstallTest, ClosingClearsScanOnActivate) {
    auto f = open();
    cleaner::ScanOnActivate = true;
    drv.close(*f);
    EXPECT_FALSE(cleaner::ScanOnActivate);
}

// ---- the command-line resolution ----

TEST(UninstallCommand, FindsTheProgramWithoutSearching) {
    plat::FakeFiles files;  // Windows C:\windows, system C:\windows\system32
    files.setApplicationFolder("C:\\Program Files\\Scourline");
    files.setSpecialFolder(0x26, "C:\\Program Files");
    for (const char* f :
         {"C:\\Program Files\\App\\uninst.exe", "C:\\Program.exe", "C:\\Program Files\\Other.exe",
          "C:\\windows\\system32\\msiexec.exe", "C:\\windows\\system32\\rundll32.exe", "C:\\windows\\notepad.exe",
          "C:\\Program Files\\Scourline\\setup.exe", "C:\\Program Files\\Scourline\\msiexec.exe", "C:\\Tools\\un.exe",
          "C:\\Spaced Name\\un install.exe"})
        files.addFile(f, std::string("x"));
    // A blank folder name with a decoy where the unsafe reading of the next command would look.
    files.addFile("C:\\Spaced.exe", std::string("decoy"));

    struct Case {
        const char* stored;
        bool expandable;
        const char* program;  // "" = nothing found
    };
    const Case cases[] = {
        // Unquoted with blanks: the longest prefix naming a file wins over the decoy.
        {"C:\\Program Files\\App\\uninst.exe /S", false, "C:\\Program Files\\App\\uninst.exe"},
        {"C:\\Program Files\\App\\uninst.exe", false, "C:\\Program Files\\App\\uninst.exe"},
        {"  C:\\Spaced Name\\un install.exe /x /y  ", false, "C:\\Spaced Name\\un install.exe"},
        // The real program is gone: the decoy is not taken (".exe" is never added to a full path).
        {"C:\\Program Files\\Gone\\uninst.exe /S", false, ""},
        {"C:\\Spaced Name\\gone.exe", false, ""},
        // Quoted: the quoted part only.
        {"\"C:\\Program Files\\App\\uninst.exe\" /S", false, "C:\\Program Files\\App\\uninst.exe"},
        {"\"C:\\Program Files\\Gone\\uninst.exe\" /S", false, ""},
        {"\"C:\\Tools\\un.exe", false, "C:\\Tools\\un.exe"},  // no closing quote
        // Bare names: system directory, then Windows directory, never the application folder.
        {"MsiExec.exe /X{12345678-1234}", false, "C:\\windows\\system32\\MsiExec.exe"},
        {"msiexec /x{1}", false, "C:\\windows\\system32\\msiexec.exe"},
        {"rundll32 shell32.dll,Control_RunDLL", false, "C:\\windows\\system32\\rundll32.exe"},
        {"\"notepad.exe\" readme.txt", false, "C:\\windows\\notepad.exe"},
        {"setup.exe /uninstall", false, ""},
        {"setup /uninstall", false, ""},
        // Relative paths name nothing.
        {"App\\uninst.exe", false, ""},
        {".\\setup.exe", false, ""},
        // Expandable strings are expanded first; plain strings are not.
        {"%ProgramFiles%\\App\\uninst.exe /S", true, "C:\\Program Files\\App\\uninst.exe"},
        {"\"%SystemRoot%\\system32\\msiexec.exe\" /x", true, "C:\\windows\\system32\\msiexec.exe"},
        {"%ProgramFiles%\\App\\uninst.exe /S", false, ""},
        {"%NoSuchVariableHere%\\un.exe", true, ""},
        {"", false, ""},
        {"   ", false, ""},
        {"\"\"", false, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.stored);
        const cleaner::UninstallCommand r =
            cleaner::ResolveUninstallCommand(c.stored, c.expandable, files, cleaner::StandardEnvironment(files));
        EXPECT_EQ(r.found, *c.program != '\0');
        EXPECT_TRUE(text::equalNoCase(r.program, c.program)) << r.program;
    }
    // The command line is the stored text, expanded when expandable, blanks trimmed.
    auto r = cleaner::ResolveUninstallCommand("  %ProgramFiles%\\App\\uninst.exe /S ", true, files,
                                              cleaner::StandardEnvironment(files));
    EXPECT_EQ(r.commandLine, "C:\\Program Files\\App\\uninst.exe /S");
}

TEST(UninstallCommand, ExpandsKnownVariablesAndKeepsTheRest) {
    const cleaner::EnvLookup env = [](const std::string& n) -> std::optional<std::string> {
        if (text::equalNoCase(n, "A")) return std::string("alpha");
        if (text::equalNoCase(n, "EMPTY")) return std::string();
        return std::nullopt;
    };
    const std::pair<const char*, const char*> cases[] = {
        {"%a%\\x", "alpha\\x"}, {"%A%%A%", "alphaalpha"}, {"50% off", "50% off"}, {"%unknown%%a%", "%unknown%alpha"},
        {"%%", "%%"},           {"x%EMPTY%y", "xy"},      {"%a", "%a"},           {"no vars", "no vars"},
    };
    for (const auto& c : cases) EXPECT_EQ(cleaner::ExpandEnvironment(c.first, env), c.second) << c.first;
}

}  // namespace
}  // namespace sidetest
