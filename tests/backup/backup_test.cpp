// The backup program on the headless backend with a scripted registry editor, a virtual file
// tree and a fixed clock: names, sizes, the follow-up of an export, restore and delete.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "common/files/backup_names.h"
#include "backup/frm_main.h"
#include "common/platform/locale.h"
#include "backup/registry_editor.h"
#include "common/platform/fake/fake_clock.h"
#include "common/platform/fake/fake_files.h"
#include "common/platform/fake/fake_registry.h"
#include "backup/own_record.h"
#include "backup/sha256.h"
#include "common/platform/fake/fake_shell.h"
#include "common/ui/headless.h"

namespace {

using backup::FrmMain;

const std::string kFolder = "C:\\Program Files\\Scourline\\Backups\\";

std::string Utf16(const std::string& ascii) {
    std::string s;
    for (char c : ascii) {
        s += c;
        s += '\0';
    }
    return s;
}

// A whole registry-editor file holding these lines after its header (each line ended by CR LF).
std::string WholeRegFile(const std::string& lines = "[HKEY_CURRENT_USER\\Software\\x]\r\n\"a\"=\"b\"\r\n") {
    return "\xFF\xFE" + Utf16("Windows Registry Editor Version 5.00\r\n\r\n" + lines + "\r\n");
}

std::string RegFileBytes(size_t padTo = 0) {
    std::string s = "\xFF\xFE";
    for (char c : std::string("Windows Registry Editor Version 5.00\r\n\r\n[HKEY_LOCAL_MACHINE]\r\n")) {
        s += c;
        s += '\0';
    }
    if (s.size() < padTo) s.append(padTo - s.size(), ' ');
    return s;
}

// An editor whose export the test drives: it runs until finish(), and writes what the test says.
class ScriptedEditor : public backup::RegistryEditor {
public:
    bool startWorks = true;
    std::vector<std::string> exports, imports;
    std::map<Job, bool> runningJobs;
    Job last = 0;

    bool startExport(const std::string& file, Job* job) override {
        if (!startWorks) return false;
        exports.push_back(file);
        last = exports.size();
        runningJobs[last] = true;
        *job = last;
        return true;
    }
    // An import keeps what the file held when it started, and runs until finishImports().
    bool startImport(const std::string& file, Job* job) override {
        if (!startWorks) return false;
        imports.push_back(file);
        if (files) importedBytes.push_back(files->readFile(file).value_or("(unreadable)"));
        if (job) {
            *job = 1000 + imports.size();
            runningJobs[*job] = true;
        }
        return true;
    }
    void finishImports() {
        for (auto& [job, running] : runningJobs)
            if (job > 1000) running = false;
    }
    plat::Files* files = nullptr;
    std::vector<std::string> importedBytes;
    bool running(Job job) override { return runningJobs.count(job) && runningJobs[job]; }
    void release(Job job) override { runningJobs.erase(job); }
    long startError() const override { return startWorks ? 0 : error; }
    void finish() { runningJobs[last] = false; }
    long error = 2;
};

// A file tree in which chosen files cannot be deleted.
class LockingFiles : public plat::FakeFiles {
public:
    std::string locked;
    long deleteFile(const std::string& path) override {
        if (!locked.empty() && path == locked) return 32;  // sharing violation
        return FakeFiles::deleteFile(path);
    }
};

class BackupTest : public ::testing::Test {
protected:
    BackupTest() {
        clock.setNow({2026, 12, 6, 16, 45, 36});
        editor.files = &files;
    }

    std::vector<std::string> Rows() {
        std::vector<std::string> rows;
        for (int i = 0; i < form.lstBackups.count(); ++i)
            rows.push_back(form.lstBackups.text(i) + "|" + form.lstBackups.subItem(i, 1) + "|" +
                           form.lstBackups.subItem(i, 2));
        return rows;
    }
    int RowOf(const std::string& name) {
        for (int i = 0; i < form.lstBackups.count(); ++i)
            if (form.lstBackups.text(i) == name) return i;
        return -1;
    }
    bool LinksEnabledBlue() {
        for (ui::Label* l : {&form.lnkBackup, &form.lnkRestore, &form.lnkDelete})
            if (!l->enabled() || l->foreColor() != backup::kLinkBlue) return false;
        return true;
    }
    bool LinksDisabledGrey() {
        for (ui::Label* l : {&form.lnkBackup, &form.lnkRestore, &form.lnkDelete})
            if (l->enabled() || l->foreColor() != backup::kLinkGrey) return false;
        return true;
    }

    LockingFiles files;
    plat::FakeClock clock;
    ScriptedEditor editor;
    plat::FixedLocale locale{","};
    ui::HeadlessHost host;
    ui::Driver drv{host};
    plat::FakeRegistry registry;
    FrmMain form{host, {files, clock, editor, locale, &registry}};
};

TEST(BackupNames, NamesSizesAndHeaders) {
    EXPECT_EQ(backup::BackupNameOf({2026, 12, 6, 16, 45, 36}), "Backup 26.12.06-16.45.36");
    EXPECT_EQ(backup::BackupNameOf({2005, 1, 2, 3, 4, 5}), "Backup 05.01.02-03.04.05");
    EXPECT_EQ(backup::BackupNameOf({2000, 10, 31, 0, 0, 0}), "Backup 00.10.31-00.00.00");

    struct SizeCase {
        uint64_t bytes;
        const char* sep;
        const char* text;
    } sizes[] = {
        {1572864, ".", "1.5 MB"},   {1572864, ",", "1,5 MB"},  {0, ".", "0 MB"},
        {1048576, ".", "1 MB"},     {5242, ".", "0 MB"},       {5243, ".", "0.01 MB"},
        {131072, ".", "0.12 MB"},  // 0.125: half goes to the even digit
        {393216, ".", "0.38 MB"},  // 0.375
        {11010048, ".", "10.5 MB"}, {1059061, ".", "1.01 MB"}, {5452595, "\xC2\xB7", "5.2 MB"},
    };
    for (const SizeCase& c : sizes) {
        std::string expected = c.text;
        if (std::string(c.sep) == "\xC2\xB7")
            expected =
                "5\xC2\xB7"
                "2 MB";
        EXPECT_EQ(backup::SizeText(c.bytes, c.sep), expected) << c.bytes;
    }

    EXPECT_EQ(backup::DisplayNameOf("a.regular.reg"), "a.regular");
    EXPECT_EQ(backup::DisplayNameOf("CAPS.REG"), "CAPS");
    EXPECT_EQ(backup::DisplayNameOf("x.reg.reg"), "x.reg");
    EXPECT_EQ(backup::DisplayNameOf("noext"), "noext");

    EXPECT_TRUE(backup::HasRegistryHeader(RegFileBytes()));
    EXPECT_TRUE(backup::HasRegistryHeader("REGEDIT4\r\n"));
    EXPECT_FALSE(backup::HasRegistryHeader(""));
    EXPECT_FALSE(backup::HasRegistryHeader("\xFF\xFEW\0i\0"));
    EXPECT_FALSE(backup::HasRegistryHeader("garbage that is long enough to be a header line"));

    auto taken = [](std::set<std::string> names) {
        return [names](const std::string& f) { return names.count(f) != 0; };
    };
    EXPECT_EQ(backup::UniqueBackupName("B", taken({})), "B");
    EXPECT_EQ(backup::UniqueBackupName("B", taken({"B.reg"})), "B (2)");
    EXPECT_EQ(backup::UniqueBackupName("B", taken({"B.reg", "B (2).reg"})), "B (3)");
}

TEST(BackupEditor, StartsTheWindowsDirectorysEditorMinimisedThroughTheShell) {
    plat::FakeShell shell;
    plat::FakeFiles files;
    files.setWindowsDirectory("D:\\WinNT");
    // The editor asks for the highest rights: a plain process creation would be refused.
    shell.needElevation.insert("D:\\WinNT\\regedit.exe");
    backup::ShellRegistryEditor ed(shell, files);
    backup::RegistryEditor::Job job = 0;
    ASSERT_TRUE(ed.startExport("C:\\B\\Backup 1.reg", &job));
    ASSERT_TRUE(ed.startImport("C:\\B\\a.regular.reg"));
    auto starts = shell.eventsOf(plat::FakeShell::Event::Kind::Launch);
    ASSERT_EQ(starts.size(), 2u);
    EXPECT_EQ(starts[0].program, "D:\\WinNT\\regedit.exe");
    EXPECT_EQ(starts[0].commandLine, "/E \"C:\\B\\Backup 1.reg\"");
    EXPECT_EQ(starts[0].show, plat::ShowState::Minimized);
    EXPECT_EQ(starts[1].program, "D:\\WinNT\\regedit.exe");
    EXPECT_EQ(starts[1].commandLine, "\"C:\\B\\a.regular.reg\"");
    EXPECT_TRUE(ed.running(job));
    shell.endProcess(starts[0].processId);
    EXPECT_FALSE(ed.running(job));
    ed.release(job);
    EXPECT_EQ(shell.openProcessHandles(), 0u);
    EXPECT_EQ(ed.startError(), 0);
    shell.consentRefused = true;
    EXPECT_FALSE(ed.startExport("C:\\x.reg", &job));
    EXPECT_EQ(ed.startError(), plat::kErrorCancelled);
    shell.launchResult = 2;
    EXPECT_FALSE(ed.startImport("C:\\x.reg"));
    EXPECT_EQ(ed.startError(), 2);
}

TEST_F(BackupTest, WindowStartsWithItsTextsAndListsEveryRegFile) {
    form.show();
    EXPECT_TRUE(Rows().empty());  // no folder yet
    EXPECT_EQ(form.caption(), "Scourline - Registry Backup");
    EXPECT_EQ(form.lblDesc.caption(), backup::kDescription);
    EXPECT_EQ(form.cmdBackup.caption(), "New Backup");
    EXPECT_EQ(form.lnkRestore.caption(), "Restore Selected");
    EXPECT_EQ(form.lnkDelete.caption(), "Delete Selected");
    ASSERT_EQ(form.lstBackups.columns().size(), 3u);
    EXPECT_EQ(form.lstBackups.columns()[0].text, "Backup name (Date-Time)");
    EXPECT_EQ(form.lstBackups.columns()[2].text, "Size");
    EXPECT_TRUE(LinksEnabledBlue());
    EXPECT_EQ(form.left(), (host.screenW - form.width()) / 2);

    files.addFile(kFolder + "Backup 26.12.06-16.45.36.reg", 1572864, {2026, 12, 6, 16, 45, 40});
    files.addFile(kFolder + "CAPS.REG", 0, {2025, 1, 2, 3, 4, 5});
    files.addFile(kFolder + "a.regular.reg", 131072, {2025, 1, 2, 3, 4, 5});
    files.addFile(kFolder + "notes.txt", 10);
    drv.fire(form.tmrCreg);
    auto rows = Rows();
    std::sort(rows.begin(), rows.end());
    EXPECT_EQ(rows, (std::vector<std::string>{"Backup 26.12.06-16.45.36|06/12/2026|1,5 MB", "CAPS|02/01/2025|0 MB",
                                              "a.regular|02/01/2025|0,12 MB"}));
}

TEST_F(BackupTest, ExportIsFollowedUntilTheEditorEndsAndTheFileIsComplete) {
    form.show();
    drv.click(form.cmdBackup);
    const std::string file = kFolder + "Backup 26.12.06-16.45.36.reg";
    ASSERT_EQ(editor.exports, std::vector<std::string>{file});
    EXPECT_TRUE(form.Following());
    EXPECT_EQ(form.CName, "Backup 26.12.06-16.45.36");
    EXPECT_TRUE(LinksDisabledGrey());
    EXPECT_FALSE(form.cmdBackup.enabled());  // one export at a time
    EXPECT_TRUE(form.cmdRestore.enabled());
    EXPECT_TRUE(form.tmrCreg.enabled());

    // The file appears and then stalls while the editor still runs: not finished.
    files.writeFile(file, RegFileBytes(4000));
    for (int i = 0; i < 3; ++i) drv.fire(form.tmrCreg);
    ASSERT_EQ(Rows(), std::vector<std::string>{"Backup 26.12.06-16.45.36|02/01/2024|Now processed..."});
    EXPECT_TRUE(host.boxes.empty());
    EXPECT_TRUE(form.Following());

    files.writeFile(file, RegFileBytes(9000));
    editor.finish();
    drv.fire(form.tmrCreg);  // ended, but grown since the last look: one more refresh
    EXPECT_TRUE(host.boxes.empty());
    drv.fire(form.tmrCreg);
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_EQ(host.boxes[0].text, "Backup finished.");
    EXPECT_EQ(host.boxes[0].title, "Scourline");
    EXPECT_FALSE(form.Following());
    EXPECT_TRUE(LinksEnabledBlue());
    EXPECT_TRUE(form.cmdBackup.enabled());
    EXPECT_EQ(Rows(), std::vector<std::string>{"Backup 26.12.06-16.45.36|02/01/2024|0,01 MB"});
    drv.fire(form.tmrCreg);
    EXPECT_EQ(host.boxes.size(), 1u);
}

TEST_F(BackupTest, AFinishedBackupOfHundredsOfMegabytesIsCheckedByItsFirstBytes) {
    form.show();
    drv.click(form.cmdBackup);
    const std::string file = editor.exports.at(0);
    files.writeFile(file, RegFileBytes());
    files.setFileSize(file, 300ull << 20);  // a whole registry exported
    drv.fire(form.tmrCreg);
    editor.finish();
    drv.fire(form.tmrCreg);
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_EQ(host.boxes[0].text, "Backup finished.");
    EXPECT_EQ(Rows(), std::vector<std::string>{"Backup 26.12.06-16.45.36|02/01/2024|300 MB"});
    EXPECT_LE(files.bytesRead(), 4096u);
}

TEST_F(BackupTest, AnExportThatFailsIsReportedAsFailed) {
    struct Case {
        const char* what;
        bool writeFile;
        std::string content;
    } cases[] = {
        {"no file", false, ""},
        {"empty file", true, ""},
        {"no registry header", true, std::string(5000, 'x')},
    };
    form.show();
    for (const Case& c : cases) {
        clock.setNow({2026, 12, 6, 16, 45, static_cast<int>(host.boxes.size())});
        host.boxes.clear();
        drv.click(form.cmdBackup);
        if (c.writeFile) files.writeFile(editor.exports.back(), c.content);
        editor.finish();
        for (int i = 0; i < 3 && host.boxes.empty(); ++i) drv.fire(form.tmrCreg);
        ASSERT_EQ(host.boxes.size(), 1u) << c.what;
        EXPECT_EQ(host.boxes[0].text, backup::kFailedText) << c.what;
        EXPECT_TRUE(LinksEnabledBlue()) << c.what;
        EXPECT_TRUE(form.cmdBackup.enabled()) << c.what;
    }
}

TEST_F(BackupTest, AnEditorThatCannotStartIsReported) {
    form.show();
    editor.startWorks = false;
    drv.click(form.cmdBackup);
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_EQ(host.boxes[0].text, backup::kNotStartedText);
    EXPECT_FALSE(form.Following());
    EXPECT_TRUE(LinksEnabledBlue());
    EXPECT_TRUE(form.cmdBackup.enabled());
    EXPECT_TRUE(form.tmrCreg.enabled());
}

// The user refused the editor the administrator rights it asks for: a clear word, no change.
TEST_F(BackupTest, RefusedConsentIsSaidAndChangesNothing) {
    form.show();
    editor.startWorks = false;
    editor.error = plat::kErrorCancelled;
    drv.click(form.cmdBackup);
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_EQ(host.boxes[0].text, backup::kConsentRefusedText);
    EXPECT_FALSE(form.Following());
    EXPECT_TRUE(form.cmdBackup.enabled());
    EXPECT_TRUE(editor.exports.empty());
}

TEST_F(BackupTest, ABackupFolderThatCannotBeMadeIsReportedByName) {
    files.markReadOnlyFolder(files.applicationFolder());
    form.show();
    drv.click(form.cmdBackup);
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_EQ(host.boxes[0].text,
              std::string(backup::kFolderNotMadeText) + "\r\n" + files.applicationFolder() + "\\Backups");
    EXPECT_TRUE(editor.exports.empty());
    EXPECT_FALSE(form.Following());
    EXPECT_TRUE(form.cmdBackup.enabled());
}

TEST_F(BackupTest, TwoBackupsInOneSecondGetTwoFiles) {
    form.show();
    for (int i = 0; i < 2; ++i) {
        drv.click(form.cmdBackup);
        files.writeFile(editor.exports.back(), RegFileBytes(200 + i));
        editor.finish();
        drv.fire(form.tmrCreg);
        drv.fire(form.tmrCreg);
    }
    ASSERT_EQ(editor.exports.size(), 2u);
    EXPECT_EQ(editor.exports[1], kFolder + "Backup 26.12.06-16.45.36 (2).reg");
    EXPECT_EQ(files.stat(editor.exports[0])->size, 200u);
    EXPECT_EQ(files.stat(editor.exports[1])->size, 201u);
    EXPECT_EQ(form.lstBackups.count(), 2);
}

TEST_F(BackupTest, RestoreAndDeleteUseEachRowsRealFileName) {
    files.addFile(kFolder + "a.regular.reg", WholeRegFile());
    files.addFile(kFolder + "a.reg", RegFileBytes());
    form.show();
    drv.clickRow(form.lstBackups, RowOf("a.regular"));
    host.answer(ui::mb::Ok);
    drv.click(form.cmdRestore);
    // What is imported is a checked copy of the file, beside it, tidied once the import ended.
    ASSERT_EQ(editor.imports, std::vector<std::string>{kFolder + "a.regular.reg" + backup::kRestoreCopySuffix});
    EXPECT_EQ(editor.importedBytes[0], WholeRegFile());
    editor.finishImports();
    drv.fire(form.tmrCreg);
    EXPECT_FALSE(files.stat(editor.imports[0]).has_value());
    EXPECT_NE(host.boxes.back().text.find(std::string(backup::kRestoreQuestion) + "\r\na.regular"), std::string::npos);
    EXPECT_EQ(host.boxes.back().style & 7, ui::mb::OkCancel);

    host.answer(ui::mb::Cancel);
    drv.click(form.lnkRestore);
    EXPECT_EQ(editor.imports.size(), 1u);

    host.answer(ui::mb::Ok);
    drv.click(form.cmdDelete);
    EXPECT_EQ(host.boxes.back().text, std::string(backup::kDeleteQuestion) + "\r\na.regular");
    EXPECT_FALSE(files.stat(kFolder + "a.regular.reg").has_value());
    EXPECT_TRUE(files.stat(kFolder + "a.reg").has_value());
    EXPECT_EQ(Rows().size(), 1u);
    EXPECT_EQ(form.lstBackups.text(0), "a");
}

TEST_F(BackupTest, AFileThatCannotBeDeletedKeepsItsRow) {
    files.addFile(kFolder + "keep.reg", RegFileBytes());
    files.locked = kFolder + "keep.reg";
    form.show();
    drv.clickRow(form.lstBackups, 0);
    host.answer(ui::mb::Ok);
    drv.click(form.cmdDelete);
    EXPECT_EQ(host.boxes.back().text.rfind(std::string(backup::kDeleteFailedText) + "\r\nkeep\r\n(", 0), 0u)
        << host.boxes.back().text;
    EXPECT_EQ(form.lstBackups.count(), 1);
    EXPECT_TRUE(files.stat(kFolder + "keep.reg").has_value());
}

TEST_F(BackupTest, AListedFileThatIsGoneWhenDeleteRunsCountsAsDeleted) {
    files.addFile(kFolder + "gone.reg", RegFileBytes());
    files.addFile(kFolder + "kept.reg", RegFileBytes());
    form.show();
    drv.clickRow(form.lstBackups, RowOf("gone"));
    files.deleteFile(kFolder + "gone.reg");  // removed by hand before the next refresh
    host.answer(ui::mb::Ok);
    drv.click(form.cmdDelete);
    EXPECT_EQ(host.boxes.back().text, std::string(backup::kDeleteQuestion) + "\r\ngone");  // no failure shown
    EXPECT_EQ(Rows().size(), 1u);
    EXPECT_EQ(RowOf("gone"), -1);
    EXPECT_GE(RowOf("kept"), 0);
}

TEST_F(BackupTest, ARefreshWhileAQuestionIsOpenWaitsAndTheAnswerActsOnTheFileAskedAbout) {
    files.addFile(kFolder + "b.reg", RegFileBytes());
    files.addFile(kFolder + "c.reg", RegFileBytes());
    form.show();
    drv.clickRow(form.lstBackups, RowOf("c"));
    std::vector<std::string> rowsDuring;
    host.fallbackAnswer = [&](const ui::MsgBoxRecord&) {
        files.deleteFile(kFolder + "b.reg");
        files.addFile(kFolder + "a.reg", RegFileBytes());
        drv.fire(form.tmrCreg);
        rowsDuring = Rows();
        return ui::mb::Ok;
    };
    const auto before = Rows();
    drv.click(form.cmdDelete);
    EXPECT_EQ(rowsDuring, before);
    EXPECT_FALSE(files.stat(kFolder + "c.reg").has_value());
    EXPECT_TRUE(files.stat(kFolder + "a.reg").has_value());
    // The refresh held back ran once the question had closed.
    ASSERT_EQ(form.lstBackups.count(), 1);
    EXPECT_EQ(form.lstBackups.text(0), "a");
}

TEST_F(BackupTest, TheFileBeingWrittenCannotBeRestoredOrDeleted) {
    form.show();
    drv.click(form.cmdBackup);
    files.writeFile(editor.exports.back(), RegFileBytes(500));
    drv.fire(form.tmrCreg);
    ASSERT_EQ(form.lstBackups.count(), 1);
    drv.clickRow(form.lstBackups, 0);
    drv.click(form.cmdRestore);
    EXPECT_EQ(host.boxes.back().text, backup::kBusyFileText);
    drv.click(form.cmdDelete);
    EXPECT_EQ(host.boxes.back().text, backup::kBusyFileText);
    EXPECT_TRUE(editor.imports.empty());
    EXPECT_TRUE(files.stat(editor.exports.back()).has_value());
}

TEST_F(BackupTest, WithoutASelectedRowRestoreAndDeleteChangeNothing) {
    files.addFile(kFolder + "x.reg", RegFileBytes());
    form.show();
    ASSERT_EQ(form.lstBackups.selectedIndex(), -1);
    drv.click(form.cmdRestore);
    EXPECT_TRUE(host.boxes.empty());
    host.answer(ui::mb::Ok);
    drv.click(form.cmdDelete);
    EXPECT_EQ(host.boxes.back().text, backup::kDeleteQuestion);
    EXPECT_TRUE(files.stat(kFolder + "x.reg").has_value());
    EXPECT_TRUE(editor.imports.empty());
}

}  // namespace

namespace regfile {

using backup::CheckRegistryFile;

std::string Narrow4(const std::string& lines) { return "REGEDIT4\r\n\r\n" + lines + "\r\n"; }

TEST(RegistryFileCheck, WholeFilesPassAndCutOrForeignFilesSayWhy) {
    const std::string key = "[HKEY_CURRENT_USER\\Software\\x]\r\n";
    const std::string hex = "\"h\"=hex:01,02,03,\\\r\n  04,05\r\n";
    struct Case {
        const char* what;
        std::string bytes;
        const char* problem;  // "" when whole
    } cases[] = {
        {"whole", WholeRegFile(key + "\"a\"=\"b\"\r\n@=dword:00000001\r\n" + hex + "\"e\"=hex(2):\r\n"), ""},
        {"REGEDIT4", Narrow4(key + "\"a\"=\"b\"\r\n"), ""},
        {"text over two lines", WholeRegFile(key + "\"a\"=\"line one\r\nline two\"\r\n"), ""},
        {"cut inside a text", WholeRegFile(key + "\"a\"=\"b").substr(0, WholeRegFile(key + "\"a\"=\"b").size() - 4),
         "ends"},
        {"ends inside a text", WholeRegFile(key + "\"a\"=\"b\r\n"), "ends inside a value"},
        {"ends inside hex", WholeRegFile(key + "\"h\"=hex:01,\\\r\n"), "not the rest of a hexadecimal value"},
        {"cut after a line", "\xFF\xFE" + Utf16("Windows Registry Editor Version 5.00\r\n\r\n" + key), "cut short"},
        {"foreign text", "Dear diary,\r\ntoday I restored.\r\n\r\n", "not a registry-editor file"},
        {"empty", "", "not a registry-editor file"},
        {"a line of something else", WholeRegFile(key + "hello\r\n"), "line 4 is not a line"},
        {"key not closed", WholeRegFile("[HKEY_CURRENT_USER\\x\r\n"), "key that is not closed"},
        {"name not closed", WholeRegFile(key + "\"abc=x\r\n"), "value name that is not closed"},
        {"value before any key", WholeRegFile("\"a\"=\"b\"\r\n"), "outside any key"},
        {"bad number", WholeRegFile(key + "\"n\"=dword:123\r\n"), "eight hexadecimal digits"},
        {"bad hex", WholeRegFile(key + "\"h\"=hex:0g\r\n"), "not whole"},
        {"unknown form", WholeRegFile(key + "\"h\"=word:1\r\n"), "no form"},
    };
    for (const Case& c : cases) {
        const backup::RegFileCheck r = CheckRegistryFile(c.bytes);
        EXPECT_EQ(r.whole, std::string(c.problem).empty()) << c.what << ": " << r.problem;
        if (*c.problem) {
            EXPECT_NE(r.problem.find(c.problem), std::string::npos) << c.what << ": " << r.problem;
        } else {
            EXPECT_EQ(r.copy, c.bytes) << c.what;  // nothing left out
            EXPECT_TRUE(r.leftOut.empty()) << c.what;
        }
    }
}

TEST(RegistryFileCheck, AKeyHoldingANameTwiceLosesEveryValueOfThatNameAndNothingElse) {
    // What the editor writes for a key with abc, "abc" NUL "hidden", the default value and
    // NUL "hidden2": each cut name twice. Another key keeps its abc.
    const std::string cutKey =
        "[HKEY_CURRENT_USER\\Software\\Cut]\r\n"
        "\"abc\"=\"real\"\r\n\"ABC\"=\"hidden\"\r\n@=\"real default\"\r\n@=\"hidden2\"\r\n"
        "\"keep\"=hex:01,\\\r\n  02\r\n";
    const std::string other = "[HKEY_CURRENT_USER\\Software\\Other]\r\n\"abc\"=\"other\"\r\n";
    const backup::RegFileCheck r = CheckRegistryFile(WholeRegFile(cutKey + "\r\n" + other));
    ASSERT_TRUE(r.whole) << r.problem;
    ASSERT_EQ(r.leftOut.size(), 4u);
    EXPECT_EQ(backup::DescribeValue(r.leftOut[0]), "HKEY_CURRENT_USER\\Software\\Cut: \"abc\"");
    EXPECT_EQ(backup::DescribeValue(r.leftOut[2]), "HKEY_CURRENT_USER\\Software\\Cut: (default value)");
    EXPECT_EQ(r.copy, WholeRegFile("[HKEY_CURRENT_USER\\Software\\Cut]\r\n\"keep\"=hex:01,\\\r\n  02\r\n\r\n" + other));
    EXPECT_EQ(r.roots, std::vector<std::string>{"HKEY_CURRENT_USER"});
}

TEST(RegistryFileCheck, ValuesTheEditorsFileCannotPutBackExactly) {
    const auto units = [](std::u16string s, bool nul = true) {
        std::vector<uint8_t> b;
        if (nul) s += u'\0';
        for (char16_t c : s) b.push_back(c & 0xFF), b.push_back(c >> 8);
        return b;
    };
    std::vector<uint8_t> odd = units(u"odd");
    odd.push_back(0x41);
    struct Case {
        const char* what;
        std::string name;
        uint32_t type;
        std::vector<uint8_t> data;
        bool exact;
    } cases[] = {
        {"text", "a", plat::kRegSz, units(u"text"), true},
        {"a lone NUL", "a", plat::kRegSz, units(u""), true},
        {"name with a NUL", std::string("abc\0hidden", 10), plat::kRegSz, units(u"x"), false},
        {"text without its NUL", "a", plat::kRegSz, units(u"abc", false), false},
        {"text with a NUL inside", "a", plat::kRegSz, units(std::u16string(u"ab\0cd", 5)), false},
        {"empty text", "a", plat::kRegSz, {}, false},
        {"odd text", "a", plat::kRegSz, odd, false},
        {"expandable", "a", plat::kRegExpandSz, units(u"%x%"), true},
        {"expandable without NUL", "a", plat::kRegExpandSz, units(u"%x%", false), false},
        {"empty expandable", "a", plat::kRegExpandSz, {}, true},
        {"multi without NUL", "a", plat::kRegMultiSz, units(u"m", false), false},
        {"number", "a", plat::kRegDword, {1, 2, 3, 4}, true},
        {"empty number", "a", plat::kRegDword, {}, true},
        {"three-byte number", "a", plat::kRegDword, {1, 2, 3}, false},
        {"binary", "a", plat::kRegBinary, {}, true},
        {"odd type", "a", 0x1234, {7}, true},
    };
    for (const Case& c : cases) EXPECT_EQ(backup::InexactReason(c.name, c.type, c.data).empty(), c.exact) << c.what;
}

}  // namespace regfile

namespace steps {

// Plants a value with the raw bytes given below HKEY_CURRENT_USER.
void Plant(plat::Registry& reg, const std::string& key, const std::string& name, uint32_t type,
           std::vector<uint8_t> data) {
    plat::RegHandle h = 0;
    ASSERT_EQ(reg.createKey(plat::kHkeyCurrentUser, key, &h), 0);
    reg.setValueEx(h, name, type, data.data(), static_cast<uint32_t>(data.size()));
    reg.closeKey(h);
}

TEST_F(BackupTest, AFinishedBackupNamesTheValuesItsFileCannotPutBackAndIsKept) {
    Plant(registry, "Software\\Odd", "abc", plat::kRegSz, {'a', 0, 0, 0});
    Plant(registry, "Software\\Odd", std::string("abc\0hidden", 10), plat::kRegSz, {'h', 0, 0, 0});
    Plant(registry, "Software\\Odd", "short", plat::kRegDword, {1, 2, 3});
    Plant(registry, "Software\\Fine", "n", plat::kRegDword, {1, 2, 3, 4});
    form.show();
    drv.click(form.cmdBackup);
    files.writeFile(editor.exports.back(), WholeRegFile());
    editor.finish();
    drv.fire(form.tmrCreg);
    drv.fire(form.tmrCreg);
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_EQ(form.InexactCount(), 2u);
    const std::string& text = host.boxes[0].text;
    EXPECT_EQ(text.rfind(std::string(backup::kFinishedText) + "\r\n\r\n" + backup::kInexactText + " (2)", 0), 0u)
        << text;
    // The current user's values are looked at below the users' root.
    EXPECT_NE(text.find("\\Software\\Odd: \"abc\\0hidden\" (its name holds a NUL"), std::string::npos) << text;
    EXPECT_NE(text.find("\\Software\\Odd: \"short\" (a number of 3 bytes"), std::string::npos) << text;
    EXPECT_EQ(text.find("Fine"), std::string::npos);
    EXPECT_EQ(text.find("more"), std::string::npos);  // both are named
    EXPECT_EQ(backup::DescribeValues(form.InexactValues(), 1, 12)
                  .substr(backup::DescribeValues(form.InexactValues(), 1, 12).find("\n") + 1),
              "... and 11 more\n");
    EXPECT_EQ(text.find("\"abc\" ("), std::string::npos);
    EXPECT_TRUE(files.stat(editor.exports.back()).has_value());  // the backup is kept
}

TEST_F(BackupTest, ACutOrForeignFileIsNotRestoredAndTheUserIsToldWhy) {
    const std::string whole = WholeRegFile();
    files.addFile(kFolder + "cut.reg", whole.substr(0, whole.size() / 2));
    files.addFile(kFolder + "foreign.reg", std::string("just some notes\r\n"));
    // hivesnap recorded this one whole; it was cut since at the end of an entry, so it still
    // looks like a registry file.
    const std::string made =
        WholeRegFile("[HKEY_CURRENT_USER\\a]\r\n\"x\"=\"1\"\r\n\r\n[HKEY_CURRENT_USER\\b]\r\n\"y\"=\"2\"\r\n");
    const std::string shorter = WholeRegFile("[HKEY_CURRENT_USER\\a]\r\n\"x\"=\"1\"\r\n");
    files.addFile(kFolder + "recorded.reg", shorter);
    backup::OwnBackup own;
    own.file = "recorded.reg";
    own.size = made.size();
    own.sha256 = backup::Sha256Hex(made);
    files.addFile(kFolder + backup::kRecordName, backup::RecordText({own}));
    form.show();
    struct Case {
        const char* row;
        const char* why;
    } cases[] = {
        {"cut", "cut short"}, {"foreign", "not a registry-editor file"}, {"recorded", "not the one that was made"}};
    for (const Case& c : cases) {
        drv.clickRow(form.lstBackups, RowOf(c.row));
        host.answer(ui::mb::Ok);
        drv.click(form.cmdRestore);
        const std::string& text = host.boxes.back().text;
        EXPECT_EQ(text.rfind(backup::kNotRestoredText, 0), 0u) << c.row << ": " << text;
        EXPECT_NE(text.find(c.why), std::string::npos) << c.row << ": " << text;
    }
    EXPECT_TRUE(editor.imports.empty());
    EXPECT_EQ(files.listFiles(kFolder, "*.tmp").size(), 0u);

    // The file as it was made restores.
    files.writeFile(kFolder + "recorded.reg", made);
    drv.clickRow(form.lstBackups, RowOf("recorded"));
    host.answer(ui::mb::Ok);
    drv.click(form.cmdRestore);
    ASSERT_EQ(editor.importedBytes.size(), 1u);
    EXPECT_EQ(editor.importedBytes[0], made);
}

TEST_F(BackupTest, ARestoreLeavesOutTheValuesUnderACutNameAndSaysWhich) {
    files.addFile(kFolder + "cut names.reg",
                  WholeRegFile("[HKEY_CURRENT_USER\\Software\\Cut]\r\n\"abc\"=\"real\"\r\n\"abc\"=\"hidden\"\r\n"
                               "\"other\"=\"kept\"\r\n"));
    form.show();
    drv.clickRow(form.lstBackups, 0);
    host.answer(ui::mb::Ok);
    drv.click(form.cmdRestore);
    ASSERT_EQ(editor.importedBytes.size(), 1u);
    EXPECT_EQ(editor.importedBytes[0], WholeRegFile("[HKEY_CURRENT_USER\\Software\\Cut]\r\n\"other\"=\"kept\"\r\n"));
    const std::string& told = host.boxes.back().text;
    EXPECT_EQ(told.rfind(std::string(backup::kLeftOutText) + " (2)", 0), 0u) << told;
    EXPECT_NE(told.find("HKEY_CURRENT_USER\\Software\\Cut: \"abc\""), std::string::npos) << told;
    // The backup itself is unchanged.
    EXPECT_NE(files.readFile(kFolder + "cut names.reg")->find(Utf16("hidden")), std::string::npos);
}

// A delete that answers success while the file stays (Wine, for a folder the user may not
// write) is no delete.
class StayingFiles : public plat::FakeFiles {
public:
    long deleteFile(const std::string&) override { return 0; }
};

TEST(BackupDelete, AFileThatStaysAfterItsDeleteKeepsItsRowAndIsReported) {
    StayingFiles files;
    plat::FakeClock clock;
    ScriptedEditor editor;
    plat::FixedLocale locale{","};
    ui::HeadlessHost host;
    ui::Driver drv{host};
    FrmMain form{host, {files, clock, editor, locale}};
    files.addFile(kFolder + "stays.reg", WholeRegFile());
    form.show();
    drv.clickRow(form.lstBackups, 0);
    host.answer(ui::mb::Ok);
    drv.click(form.cmdDelete);
    EXPECT_EQ(host.boxes.back().text, std::string(backup::kDeleteStillThereText) + "\r\nstays");
    EXPECT_EQ(form.lstBackups.count(), 1);
}

TEST(BackupSha256, KnownDigests) {
    EXPECT_EQ(backup::Sha256Hex(""), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
    EXPECT_EQ(backup::Sha256Hex("abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    EXPECT_EQ(backup::Sha256Hex(std::string(1000000, 'a')),
              "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
    EXPECT_EQ(backup::Sha256Hex("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq"),
              "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
}

}  // namespace steps
