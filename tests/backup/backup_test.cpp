// The backup program on the headless backend with a scripted registry editor, a virtual file
// tree and a fixed clock: names, sizes, the follow-up of an export, restore and delete.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "backup/backup_names.h"
#include "backup/frm_main.h"
#include "common/platform/locale.h"
#include "backup/registry_editor.h"
#include "common/platform/fake/fake_clock.h"
#include "common/platform/fake/fake_files.h"
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
    FrmMain form{host, {files, clock, editor, locale}};
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
