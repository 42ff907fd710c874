// hivesnap on a virtual file tree with a registry editor played by the test: its command lines,
// its output, the wait for a complete backup, --keep, and what is left when a backup fails.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "backup/hivesnap/hivesnap_cli.h"
#include "backup/frm_main.h"
#include "common/platform/locale.h"
#include "backup/registry_editor.h"
#include "common/platform/fake/fake_clock.h"
#include "common/platform/fake/fake_files.h"
#include "common/platform/fake/fake_registry.h"
#include "backup/sha256.h"
#include "tests/backup/export_bytes.h"
#include "common/platform/fake/fake_shell.h"
#include "common/platform/registry.h"

namespace {

using hivesnap::Command;
using hivesnap::Format;
using hivesnap::Options;

const std::string kApp = "C:\\Program Files\\Scourline";
const std::string kFolder = kApp + "\\Backups\\";

using backuptest::kEnd;
using backuptest::kHead;
using backuptest::Wide;

hivesnap::OwnBackup Own(const std::string& file, uint64_t size, const std::string& sha = "") {
    hivesnap::OwnBackup b;
    b.file = file;
    b.size = size;
    b.sha256 = sha;
    return b;
}

TEST(HivesnapArgs, GoodAndBadCommandLines) {
    struct Case {
        std::vector<std::string> args;
        bool ok;
    } cases[] = {
        {{"backup"}, true},
        {{"backup", "--keep", "2"}, true},
        {{"backup", "--keep=30"}, true},
        {{"list"}, true},
        {{"list", "--format", "json"}, true},
        {{"restore", "Backup 26.12.06-16.45.36", "--yes"}, true},
        {{"restore", "--yes", "Backup 26.12.06-16.45.36"}, true},
        {{"delete", "Backup 26.12.06-16.45.36"}, true},
        {{"--version"}, true},
        {{"-h"}, true},
        {{}, false},
        {{"snapshot"}, false},
        {{"backup", "--keep"}, false},
        {{"backup", "--keep", "0"}, false},
        {{"backup", "--keep", "-1"}, false},
        {{"backup", "--keep", "2x"}, false},
        {{"backup", "--keep", ""}, false},
        {{"backup", "name"}, false},
        {{"backup", "--format", "json"}, false},
        {{"list", "--keep", "2"}, false},
        {{"list", "--format", "csv"}, false},
        {{"restore", "Backup 26.12.06-16.45.36"}, false},  // without --yes
        {{"restore", "--yes"}, false},
        {{"delete"}, false},
        {{"delete", "a", "b"}, false},
        {{"delete", "a", "--yes"}, false},
        {{"list", "--bogus"}, false},
    };
    for (const Case& c : cases) {
        Options o;
        std::string err, line;
        for (const std::string& a : c.args) line += a + " ";
        EXPECT_EQ(hivesnap::ParseArgs(c.args, &o, &err), c.ok) << line << "-> " << err;
        if (!c.ok) {
            EXPECT_FALSE(err.empty()) << line;
        }
    }
    Options o;
    std::string err;
    ASSERT_TRUE(hivesnap::ParseArgs({"backup", "--keep", "7"}, &o, &err));
    EXPECT_EQ(o.command, Command::Backup);
    EXPECT_EQ(o.keep, 7);
    ASSERT_TRUE(hivesnap::ParseArgs({"restore", "--yes", "--", "-odd name"}, &o, &err));
    EXPECT_EQ(o.operands, std::vector<std::string>{"-odd name"});
    EXPECT_TRUE(o.yes);
    // After "--" even "--yes" is a name: two names, and no confirmation.
    EXPECT_FALSE(hivesnap::ParseArgs({"restore", "--", "-odd name", "--yes"}, &o, &err));
}

TEST(HivesnapFormat, RowsRecordAndCompleteExports) {
    std::vector<hivesnap::Row> rows{{"Backup 26.12.06-16.45.36", "06/12/2026", "1,5 MB", true},
                                    {"odd\tname", "", "0 MB", false}};
    EXPECT_EQ(hivesnap::FormatRows(rows, Format::Tsv),
              "name\tdate\tsize\town\n"
              "Backup 26.12.06-16.45.36\t06/12/2026\t1,5 MB\tyes\n"
              "odd\\tname\t\t0 MB\tno\n");
    EXPECT_EQ(
        hivesnap::FormatRows(rows, Format::Json),
        "[\n"
        "  {\"name\": \"Backup 26.12.06-16.45.36\", \"date\": \"06/12/2026\", \"size\": \"1,5 MB\", \"own\": true},\n"
        "  {\"name\": \"odd\\tname\", \"date\": \"\", \"size\": \"0 MB\", \"own\": false}\n"
        "]\n");

    std::vector<hivesnap::OwnBackup> own{Own("Backup 26.12.06-16.45.36.reg", 5216154, std::string(64, 'a')),
                                         Own("Backup 26.12.06-16.45.36 (2).reg", 0)};
    std::string record = hivesnap::RecordText(own);
    auto back = hivesnap::ParseRecord(record);
    ASSERT_EQ(back.size(), 2u);
    EXPECT_EQ(back[1].file, "Backup 26.12.06-16.45.36 (2).reg");
    EXPECT_EQ(back[0].size, 5216154u);
    // A record cut short loses its last line whole: never a shorter name that could be
    // another backup's.
    std::string cut = record.substr(0, record.size() - 4);
    ASSERT_EQ(hivesnap::ParseRecord(cut).size(), 1u);
    EXPECT_EQ(hivesnap::ParseRecord("a.reg\t12x\nb.reg\t\n\t5\nc.reg 7\nd.reg\t3\n").size(), 1u);

    struct Tail {
        std::string bytes;
        bool complete;
    } tails[] = {
        {kHead + kEnd, true},
        {"REGEDIT4\r\n\r\n[HKEY_USERS]\r\n\"a\"=\"b\"\r\n\r\n", true},
        {kHead + Wide("\"Last\"=\"val"), false},           // cut in a line
        {kHead + Wide("\"Last\"=\"value\"\r\n"), false},   // cut after a line
        {kHead + kEnd.substr(0, kEnd.size() - 1), false},  // cut in the last character
        {"", false},
    };
    for (const Tail& t : tails) EXPECT_EQ(hivesnap::EndsAsACompleteExport(t.bytes), t.complete) << t.bytes.size();
}

// Files that cannot be written in one folder or deleted by name.
class StubbornFiles : public plat::FakeFiles {
public:
    std::string unwritableFolder;
    std::string undeletable;
    long writeFile(const std::string& path, const std::string& bytes) override {
        if (!unwritableFolder.empty() && path.rfind(unwritableFolder, 0) == 0) return plat::kErrorAccessDenied;
        return FakeFiles::writeFile(path, bytes);
    }
    long deleteFile(const std::string& path) override {
        if (path == undeletable) return 32;  // sharing violation
        return FakeFiles::deleteFile(path);
    }
};

class HivesnapTest : public ::testing::Test {
protected:
    // What the test's registry editor does with an export.
    enum class Ends { Complete, Cut, Empty, Never };

    HivesnapTest() {
        files.addFolder(kApp);
        clock.setNow({2026, 12, 6, 16, 45, 36});
        console.out = [this](const std::string& s) {
            out += s;
            return true;
        };
        console.err = [this](const std::string& s) { err += s; };
        console.sleep = [this](int) { Tick(); };
        console.interrupted = [this] { return interruptAfter >= 0 && sleeps >= interruptAfter; };
        console.endProcess = [this](uint32_t pid) {
            ended.push_back(pid);
            shell.endProcess(pid);
        };
    }

    // One wait of hivesnap: every started editor process goes one step on. An export grows its
    // file for `steps` steps, then ends as `ends` says; an import ends after `steps` steps.
    void Tick() {
        ++sleeps;
        auto starts = shell.eventsOf(plat::FakeShell::Event::Kind::Launch);
        for (const auto& e : starts) {
            int& done = progress[e.processId];
            if (done > steps) continue;
            ++done;
            bool isExport = e.commandLine.rfind("/E \"", 0) == 0;
            if (isExport) {
                size_t q = e.commandLine.find('"');
                std::string path = e.commandLine.substr(q + 1, e.commandLine.size() - q - 2);
                std::string body = kHead + Wide("\"grow\"=\"" + std::string(32 * done, 'x'));
                if (done > steps && ends == Ends::Complete) body += Wide("\"\r\n") + kEnd;
                if (done > steps && ends == Ends::Empty) body.clear();
                if (!(done > steps && ends == Ends::Never)) files.addFile(path, body, clock.now());
            } else {
                imported.push_back(e.commandLine);
            }
            if (done > steps && ends != Ends::Never) shell.endProcess(e.processId);
        }
    }

    int Run(std::vector<std::string> args) {
        out.clear();
        err.clear();
        return hivesnap::Run(args, {files, clock, shell, locale}, console);
    }
    // Backup files in the folder, in listing order.
    std::vector<std::string> Backups() {
        std::vector<std::string> names;
        for (const auto& f : files.listFiles(kFolder, "*.reg")) names.push_back(f.name);
        return names;
    }
    void Later(int seconds) {
        plat::FileTime t = clock.now();
        t.second += seconds;
        while (t.second >= 60) t.second -= 60, ++t.minute;
        clock.setNow(t);
    }

    StubbornFiles files;
    plat::FakeClock clock;
    plat::FakeShell shell;
    plat::FixedLocale locale{","};
    hivesnap::Console console;
    std::string out, err;
    int steps = 2;
    Ends ends = Ends::Complete;
    int sleeps = 0;
    int interruptAfter = -1;
    std::map<uint32_t, int> progress;
    std::vector<uint32_t> ended;
    std::vector<std::string> imported;
};

TEST_F(HivesnapTest, BackupWaitsUntilTheEditorHasEndedAndTheFileIsComplete) {
    steps = 4;
    EXPECT_EQ(Run({"backup"}), hivesnap::kExitOk) << err;
    EXPECT_EQ(out, "Backup 26.12.06-16.45.36\n");
    ASSERT_EQ(shell.eventsOf(plat::FakeShell::Event::Kind::Launch).size(), 1u);
    EXPECT_EQ(shell.events[0].commandLine, "/E \"" + kFolder + "Backup 26.12.06-16.45.36.reg\"");
    // The editor ended after its fifth step; the file is then seen at the same size once more.
    EXPECT_GE(sleeps, steps + 1);
    EXPECT_EQ(files.readFile(kFolder + "Backup 26.12.06-16.45.36.reg")->substr(0, kHead.size()), kHead);
    EXPECT_EQ(Backups(), std::vector<std::string>{"Backup 26.12.06-16.45.36.reg"});
    EXPECT_EQ(shell.openProcessHandles(), 0u);
    EXPECT_EQ(files.fileExists(kFolder + "hivesnap-write-test.tmp"), plat::Probe::Missing);

    EXPECT_EQ(Run({"list"}), hivesnap::kExitOk);
    EXPECT_EQ(out, "name\tdate\tsize\town\nBackup 26.12.06-16.45.36\t06/12/2026\t0 MB\tyes\n");
}

TEST_F(HivesnapTest, KeepDeletesOnlyTheOlderBackupsHivesnapMadeItself) {
    // The window's backup, a file that replaced one of hivesnap's under its name, and a file
    // of someone else's: none of them is hivesnap's to delete.
    files.addFile(kFolder + "Backup 20.01.01-00.00.00.reg", kHead + kEnd);
    files.addFile(kFolder + "Backup 26.12.06-16.40.00.reg", kHead + kEnd + "changed");
    files.addFile(kFolder + "notes.reg", std::string("REGEDIT4\r\n\r\n"));
    files.addFile(kFolder + "hivesnap.lst",
                  hivesnap::RecordText({Own("Backup 26.12.06-16.40.00.reg", 5), Own("gone.reg", 9)}));
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(Run({"backup", "--keep", "2"}), hivesnap::kExitOk) << err;
        Later(10);
    }
    EXPECT_EQ(Backups(),
              (std::vector<std::string>{"Backup 20.01.01-00.00.00.reg", "Backup 26.12.06-16.40.00.reg",
                                        "Backup 26.12.06-16.45.46.reg", "Backup 26.12.06-16.45.56.reg", "notes.reg"}));
    EXPECT_NE(err.find("deleted the older backup Backup 26.12.06-16.45.36"), std::string::npos) << err;
    auto own = hivesnap::ParseRecord(*files.readFile(kFolder + "hivesnap.lst"));
    ASSERT_EQ(own.size(), 2u);
    EXPECT_EQ(own[0].file, "Backup 26.12.06-16.45.46.reg");
    EXPECT_EQ(own[1].file, "Backup 26.12.06-16.45.56.reg");

    EXPECT_EQ(Run({"list"}), hivesnap::kExitOk);
    EXPECT_EQ(out,
              "name\tdate\tsize\town\n"
              "Backup 20.01.01-00.00.00\t00/00/0000\t0 MB\tno\n"
              "Backup 26.12.06-16.40.00\t00/00/0000\t0 MB\tno\n"
              "Backup 26.12.06-16.45.46\t06/12/2026\t0 MB\tyes\n"
              "Backup 26.12.06-16.45.56\t06/12/2026\t0 MB\tyes\n"
              "notes\t00/00/0000\t0 MB\tno\n");
}

TEST_F(HivesnapTest, AnOlderBackupThatCannotBeDeletedIsReportedAndRemembered) {
    EXPECT_EQ(Run({"backup"}), hivesnap::kExitOk);
    Later(5);
    files.undeletable = kFolder + "Backup 26.12.06-16.45.36.reg";
    EXPECT_EQ(Run({"backup", "--keep", "1"}), hivesnap::kExitFailed);
    EXPECT_EQ(out, "Backup 26.12.06-16.45.41\n");  // the new backup itself is complete
    EXPECT_NE(err.find("could not be deleted"), std::string::npos) << err;
    EXPECT_EQ(hivesnap::ParseRecord(*files.readFile(kFolder + "hivesnap.lst")).size(), 2u);
    files.undeletable.clear();
    Later(5);
    EXPECT_EQ(Run({"backup", "--keep", "1"}), hivesnap::kExitOk);
    EXPECT_EQ(Backups(), std::vector<std::string>{"Backup 26.12.06-16.45.46.reg"});
}

TEST_F(HivesnapTest, AnExportThatEndsIncompleteFailsAndLeavesNoFile) {
    for (Ends how : {Ends::Cut, Ends::Empty}) {
        ends = how;
        progress.clear();
        EXPECT_EQ(Run({"backup", "--keep", "1"}), hivesnap::kExitFailed) << static_cast<int>(how);
        EXPECT_TRUE(out.empty());
        EXPECT_NE(err.find("was deleted"), std::string::npos) << err;
        EXPECT_TRUE(Backups().empty()) << static_cast<int>(how);
        // Its "writing" line went with the file.
        const auto record = files.readFile(kFolder + "hivesnap.lst");
        EXPECT_TRUE(!record || hivesnap::ParseRecord(*record).empty());
    }
}

TEST_F(HivesnapTest, AnEditorThatCannotStartIsReportedWithTheRightsItNeeds) {
    shell.launchResult = 2;
    EXPECT_EQ(Run({"backup"}), hivesnap::kExitFailed);
    EXPECT_NE(err.find(backup::kNotStartedText), std::string::npos);
    EXPECT_NE(err.find("administrator"), std::string::npos);
    EXPECT_TRUE(Backups().empty());
}

TEST_F(HivesnapTest, InterruptedBackupEndsTheEditorAndDeletesTheUnfinishedFile) {
    ends = Ends::Never;
    steps = 100;
    interruptAfter = 3;
    EXPECT_EQ(Run({"backup"}), hivesnap::kExitFailed);
    auto starts = shell.eventsOf(plat::FakeShell::Event::Kind::Launch);
    ASSERT_EQ(starts.size(), 1u);
    EXPECT_EQ(ended, std::vector<uint32_t>{starts[0].processId});
    EXPECT_TRUE(Backups().empty());
    EXPECT_NE(err.find("interrupted"), std::string::npos);
    EXPECT_NE(err.find("Backup 26.12.06-16.45.36.reg was deleted"), std::string::npos) << err;
    EXPECT_TRUE(out.empty());
}

TEST_F(HivesnapTest, ABackupFolderThatCannotBeWrittenStopsBeforeTheExport) {
    files.unwritableFolder = kFolder;
    EXPECT_EQ(Run({"backup"}), hivesnap::kExitFailed);
    EXPECT_NE(err.find("cannot be written (error 5)"), std::string::npos) << err;
    EXPECT_TRUE(shell.events.empty());

    files.unwritableFolder.clear();
    files.addFile(kApp + "\\Backups", std::string("a file where the folder belongs"));
    EXPECT_EQ(Run({"backup"}), hivesnap::kExitFailed);
    EXPECT_NE(err.find("cannot be made"), std::string::npos) << err;
    EXPECT_TRUE(shell.events.empty());
}

TEST_F(HivesnapTest, RestoreNeedsYesAndWaitsUntilTheEditorHasImported) {
    files.addFile(kFolder + "Backup 26.12.06-16.45.36.reg", kHead + kEnd);
    EXPECT_EQ(Run({"restore", "Backup 26.12.06-16.45.36"}), hivesnap::kExitUsage);
    EXPECT_TRUE(shell.events.empty());

    steps = 3;
    EXPECT_EQ(Run({"restore", "backup 26.12.06-16.45.36", "--yes"}), hivesnap::kExitOk) << err;
    ASSERT_EQ(shell.eventsOf(plat::FakeShell::Event::Kind::Launch).size(), 1u);
    // The registry editor imports a checked copy, deleted once the import has ended.
    const std::string copy = kFolder + "Backup 26.12.06-16.45.36.reg" + backup::kRestoreCopySuffix;
    EXPECT_EQ(shell.events[0].commandLine, "\"" + copy + "\"");
    EXPECT_EQ(imported.size(), 4u);  // it returned only once the import had ended
    EXPECT_EQ(out, "restored Backup 26.12.06-16.45.36\n");
    EXPECT_EQ(files.fileExists(copy), plat::Probe::Missing);
    EXPECT_EQ(shell.openProcessHandles(), 0u);

    EXPECT_EQ(Run({"restore", "Backup 99.01.01-00.00.00", "--yes"}), hivesnap::kExitCheck);
    EXPECT_NE(err.find("there is no backup"), std::string::npos);
    EXPECT_EQ(shell.eventsOf(plat::FakeShell::Event::Kind::Launch).size(), 1u);
}

TEST_F(HivesnapTest, DeleteRemovesOneBackupByTheNameTheListShows) {
    files.addFile(kFolder + "Backup 26.12.06-16.45.36.reg", kHead + kEnd);
    files.addFile(kFolder + "Backup 26.12.06-16.45.37.REG", kHead + kEnd);
    EXPECT_EQ(Run({"delete", "Backup 26.12.06-16.45.36"}), hivesnap::kExitOk);
    EXPECT_EQ(out, "deleted Backup 26.12.06-16.45.36\n");
    EXPECT_EQ(Run({"delete", "Backup 26.12.06-16.45.36"}), hivesnap::kExitCheck);
    // A file name is not a name the list shows.
    EXPECT_EQ(Run({"delete", "Backup 26.12.06-16.45.37.reg"}), hivesnap::kExitCheck);
    files.undeletable = kFolder + "Backup 26.12.06-16.45.37.REG";
    EXPECT_EQ(Run({"delete", "backup 26.12.06-16.45.37"}), hivesnap::kExitFailed);
    EXPECT_NE(err.find(backup::kDeleteFailedText), std::string::npos);
    EXPECT_EQ(Backups(), std::vector<std::string>{"Backup 26.12.06-16.45.37.REG"});
}

// Files whose delete answers success while the file stays (a folder that does not allow it,
// as Wine answers for a folder the user may not write).
class KeepingFiles : public StubbornFiles {
public:
    std::string kept;
    long deleteFile(const std::string& path) override {
        if (path == kept) return 0;
        return StubbornFiles::deleteFile(path);
    }
};

TEST_F(HivesnapTest, TwoLookAlikeBackupsAreEachAddressedByTheirListName) {
    files.addFile(kFolder + "Backup A.reg", kHead + Wide("[HKEY_CURRENT_USER\\A]\r\n") + kEnd);
    files.addFile(kFolder + "Backup A.reg.reg", kHead + Wide("[HKEY_CURRENT_USER\\B]\r\n") + kEnd);
    ASSERT_EQ(Run({"list"}), hivesnap::kExitOk);
    EXPECT_NE(out.find("\nBackup A\t"), std::string::npos) << out;
    EXPECT_NE(out.find("\nBackup A.reg\t"), std::string::npos) << out;

    EXPECT_EQ(Run({"restore", "Backup A.reg", "--yes"}), hivesnap::kExitOk) << err;
    auto starts = shell.eventsOf(plat::FakeShell::Event::Kind::Launch);
    ASSERT_EQ(starts.size(), 1u);
    EXPECT_NE(starts[0].commandLine.find("Backup A.reg.reg" + std::string(backup::kRestoreCopySuffix)),
              std::string::npos);

    EXPECT_EQ(Run({"delete", "Backup A.reg"}), hivesnap::kExitOk);
    EXPECT_EQ(Backups(), std::vector<std::string>{"Backup A.reg"});
    EXPECT_EQ(Run({"delete", "Backup A.reg"}), hivesnap::kExitCheck);
    EXPECT_EQ(Backups(), std::vector<std::string>{"Backup A.reg"});
}

TEST(HivesnapDelete, AFileThatStaysAfterItsDeleteIsNotReportedDeleted) {
    KeepingFiles files;
    plat::FakeClock clock;
    plat::FakeShell shell;
    plat::FixedLocale locale{","};
    files.addFolder(kApp);
    files.addFile(kFolder + "Backup 26.12.06-16.45.36.reg", kHead + kEnd);
    files.kept = kFolder + "Backup 26.12.06-16.45.36.reg";
    std::string out, err;
    hivesnap::Console console;
    console.out = [&](const std::string& s) {
        out += s;
        return true;
    };
    console.err = [&](const std::string& s) { err += s; };
    EXPECT_EQ(hivesnap::Run({"delete", "Backup 26.12.06-16.45.36"}, {files, clock, shell, locale}, console),
              hivesnap::kExitFailed);
    EXPECT_EQ(out, "");
    EXPECT_NE(err.find(backup::kDeleteStillThereText), std::string::npos) << err;
}

}  // namespace

namespace more {

TEST_F(HivesnapTest, ABackupRecordsItsSizeAndSha256AndSaysWhatItCannotPutBack) {
    plat::FakeRegistry registry;
    plat::RegHandle h = 0;
    ASSERT_EQ(registry.createKey(plat::kHkeyCurrentUser, "Software\\Odd", &h), 0);
    const uint8_t three[] = {1, 2, 3};
    registry.setValueEx(h, std::string("abc\0hidden", 10), plat::kRegSz, three, 0);
    registry.setValueEx(h, "n", plat::kRegDword, three, 3);
    registry.closeKey(h);
    out.clear();
    err.clear();
    ASSERT_EQ(hivesnap::Run({"backup"}, {files, clock, shell, locale, &registry}, console), hivesnap::kExitOk) << err;
    EXPECT_NE(err.find("cannot put back exactly 2 value(s)"), std::string::npos) << err;
    EXPECT_NE(err.find("\\Software\\Odd: \"abc\\0hidden\""), std::string::npos) << err;
    const std::string file = kFolder + "Backup 26.12.06-16.45.36.reg";
    EXPECT_TRUE(files.stat(file).has_value());
    auto record = hivesnap::ParseRecord(*files.readFile(kFolder + "hivesnap.lst"));
    ASSERT_EQ(record.size(), 1u);
    EXPECT_EQ(record[0].sha256, backup::Sha256Hex(*files.readFile(file)));
    EXPECT_FALSE(record[0].writing);

    // Cut at the end of an entry it still looks whole; its record says it is not.
    std::string bytes = *files.readFile(file);
    files.addFile(file, kHead + kEnd);
    EXPECT_EQ(Run({"restore", "Backup 26.12.06-16.45.36", "--yes"}), hivesnap::kExitFailed);
    EXPECT_NE(err.find("nothing was imported"), std::string::npos) << err;
    EXPECT_NE(err.find("not the one that was made"), std::string::npos) << err;
    EXPECT_TRUE(shell.eventsOf(plat::FakeShell::Event::Kind::Launch).size() == 1u);  // the export only
    files.addFile(file, bytes);
    EXPECT_EQ(Run({"restore", "Backup 26.12.06-16.45.36", "--yes"}), hivesnap::kExitOk) << err;
}

TEST_F(HivesnapTest, ATruncatedOrForeignFileIsRefusedWithNothingImported) {
    const std::string whole = kHead + Wide("\"a\"=\"") + std::string(2000, 'x') + kEnd;
    files.addFile(kFolder + "half.reg", whole.substr(0, whole.size() / 2));
    files.addFile(kFolder + "letter.reg", std::string("Dear user,\r\nthis is no backup.\r\n"));
    for (const char* name : {"half", "letter"}) {
        EXPECT_EQ(Run({"restore", name, "--yes"}), hivesnap::kExitFailed) << name;
        EXPECT_TRUE(out.empty()) << out;
        EXPECT_NE(err.find("is not restored, nothing was imported"), std::string::npos) << err;
    }
    EXPECT_TRUE(shell.eventsOf(plat::FakeShell::Event::Kind::Launch).empty());
}

TEST_F(HivesnapTest, KeepCountsOnlyBackupsOfItsOwnThatAreInTheFolder) {
    // Lines naming no backup, a path outside the folder, a file the list does not show, and one
    // backup twice: none of them takes a place among the N.
    files.addFile("C:\\outside.reg", kHead + kEnd);
    files.addFile(kFolder + "notes.txt", std::string("xy"));
    files.addFile(kFolder + "Backup 26.12.06-16.40.00.reg", kHead + kEnd);
    const uint64_t size = (kHead + kEnd).size();
    files.addFile(
        kFolder + "hivesnap.lst",
        hivesnap::RecordText({Own("gone.reg", 9), Own("..\\..\\..\\outside.reg", size), Own("C:\\outside.reg", size),
                              Own("notes.txt", 2), Own("Backup 26.12.06-16.40.00.reg", size),
                              Own("backup 26.12.06-16.40.00.reg", size)}));
    EXPECT_EQ(Run({"backup", "--keep", "2"}), hivesnap::kExitOk) << err;
    EXPECT_EQ(Backups(), (std::vector<std::string>{"Backup 26.12.06-16.40.00.reg", "Backup 26.12.06-16.45.36.reg"}));
    EXPECT_TRUE(files.stat("C:\\outside.reg").has_value());
    Later(10);
    EXPECT_EQ(Run({"backup", "--keep", "2"}), hivesnap::kExitOk) << err;
    EXPECT_EQ(Backups(), (std::vector<std::string>{"Backup 26.12.06-16.45.36.reg", "Backup 26.12.06-16.45.46.reg"}));
    EXPECT_TRUE(files.stat("C:\\outside.reg").has_value());
    EXPECT_TRUE(files.stat(kFolder + "notes.txt").has_value());
}

TEST_F(HivesnapTest, AnUnfinishedBackupOfAKilledRunIsKnownAndTidiedByTheNextRun) {
    // A run killed while the editor exported: its line says "writing", its process is gone.
    files.addFile(kFolder + "Backup 26.12.06-16.40.00.reg", kHead + std::string(100, 'x'));
    hivesnap::OwnBackup left;
    left.file = "Backup 26.12.06-16.40.00.reg";
    left.writing = true;
    left.writer = 4242;
    // Another run still writing its own: left alone.
    hivesnap::OwnBackup busy = left;
    busy.file = "Backup 26.12.06-16.41.00.reg";
    busy.writer = 77;
    files.addFile(kFolder + busy.file, kHead);
    files.addFile(kFolder + "hivesnap.lst", hivesnap::RecordText({left, busy}));
    console.processAlive = [](uint32_t pid) { return pid == 77; };
    console.processId = [] { return 1234u; };
    std::vector<uint32_t> tied;
    console.tieToThisProcess = [&](uint32_t pid) { tied.push_back(pid); };
    EXPECT_EQ(Run({"backup"}), hivesnap::kExitOk) << err;
    EXPECT_NE(err.find("unfinished backup " + kFolder + left.file + " of an interrupted run is deleted"),
              std::string::npos)
        << err;
    EXPECT_EQ(Backups(), (std::vector<std::string>{busy.file, "Backup 26.12.06-16.45.36.reg"}));
    // The export was tied to this run.
    auto starts = shell.eventsOf(plat::FakeShell::Event::Kind::Launch);
    ASSERT_EQ(starts.size(), 1u);
    EXPECT_EQ(tied, std::vector<uint32_t>{starts[0].processId});
    auto record = hivesnap::ParseRecord(*files.readFile(kFolder + "hivesnap.lst"));
    ASSERT_EQ(record.size(), 2u);
    EXPECT_EQ(record[0].file, "Backup 26.12.06-16.45.36.reg");
    EXPECT_TRUE(record[1].writing);
    EXPECT_EQ(record[1].writer, 77u);
}

TEST_F(HivesnapTest, AResultThatCannotBeWrittenIsAFailure) {
    files.addFile(kFolder + "Backup 26.12.06-16.40.00.reg", kHead + kEnd);
    files.addFile(kFolder + "Backup 26.12.06-16.41.00.reg", kHead + kEnd);
    console.out = [](const std::string&) { return false; };
    EXPECT_EQ(Run({"list"}), hivesnap::kExitFailed);
    EXPECT_EQ(Run({"restore", "Backup 26.12.06-16.40.00", "--yes"}), hivesnap::kExitFailed);
    EXPECT_EQ(Run({"delete", "Backup 26.12.06-16.40.00"}), hivesnap::kExitFailed);
    EXPECT_EQ(Run({"backup"}), hivesnap::kExitFailed);
    EXPECT_EQ(Run({"--version"}), hivesnap::kExitFailed);
    EXPECT_NE(err.find("could not be written"), std::string::npos) << err;
}

TEST(HivesnapConventions, HelpVersionAndValuesAfterAnEqualsSign) {
    struct Case {
        std::vector<std::string> args;
        bool help, version;
    } cases[] = {
        {{"/?"}, true, false},
        {{"restore", "/?"}, true, false},
        {{"list", "--version"}, false, true},
        {{"frobnicate", "--version"}, false, true},  // a word that is wrong does not hide it
        {{"delete", "a", "b", "--help"}, true, false},
    };
    for (const Case& c : cases) {
        Options o;
        std::string err;
        ASSERT_TRUE(hivesnap::ParseArgs(c.args, &o, &err)) << c.args[0] << ": " << err;
        EXPECT_EQ(o.help, c.help) << c.args[0];
        EXPECT_EQ(o.version, c.version) << c.args[0];
    }
    Options o;
    std::string err;
    ASSERT_TRUE(hivesnap::ParseArgs({"list", "--format=json"}, &o, &err)) << err;
    EXPECT_EQ(o.format, Format::Json);
    ASSERT_TRUE(hivesnap::ParseArgs({"restore", "--yes", "--", "/?"}, &o, &err)) << err;
    EXPECT_FALSE(o.help);
    EXPECT_EQ(o.operands, std::vector<std::string>{"/?"});
    EXPECT_NE(std::string(hivesnap::UsageText()).find("--version"), std::string::npos);
}

}  // namespace more
