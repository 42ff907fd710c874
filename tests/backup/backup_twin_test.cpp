// The backup window and hivesnap on two identical systems: the same command given to each (as
// the user's clicks in the window, as arguments to hivesnap) must list the same rows, leave the
// same backups behind, start the same import, and end the same way: what the window says in a
// message box, hivesnap says on standard error with the matching exit code.
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "backup/frm_main.h"
#include "backup/hivesnap/hivesnap_cli.h"
#include "backup/registry_editor.h"
#include "common/platform/fake/fake_clock.h"
#include "common/platform/fake/fake_files.h"
#include "common/platform/fake/fake_shell.h"
#include "common/platform/locale.h"
#include "common/text/text.h"
#include "common/ui/headless.h"
#include "tests/backup/export_bytes.h"

namespace {

const std::string kFolder = "C:\\Program Files\\Scourline\\Backups\\";

using backuptest::kEnd;
using backuptest::kHead;
using backuptest::Wide;

// How the planted registry editor ends an export.
enum class Ends { Complete, Empty };

// Files that cannot be deleted by name, or that stay after a delete that says it worked.
class StubbornFiles : public plat::FakeFiles {
public:
    std::string undeletable, staying;
    long deleteFile(const std::string& path) override {
        if (path == undeletable) return 32;  // sharing violation
        if (path == staying) return 0;
        return FakeFiles::deleteFile(path);
    }
};

struct World {
    StubbornFiles files;
    plat::FakeClock clock;
    plat::FakeShell shell;
    plat::FixedLocale locale{","};
    Ends ends = Ends::Complete;
    std::map<uint32_t, int> progress;
    std::vector<std::string> imported;

    World() {
        files.addFolder("C:\\Program Files\\Scourline");
        clock.setNow({2026, 12, 6, 16, 45, 36});
        files.addFile(kFolder + "Backup 26.12.01-08.00.00.reg", kHead + kEnd, {2026, 12, 1, 8, 0, 0});
        files.addFile(kFolder + "Backup 26.12.03-09.30.00.reg",
                      kHead + Wide("\"v\"=\"" + std::string(700000, 'x') + "\"\r\n") + kEnd, {2026, 12, 3, 9, 30, 0});
        files.addFile(kFolder + "Cut short.reg", kHead + Wide("\"a\"=\"b"), {2026, 12, 4, 10, 0, 0});
        files.addFile(kFolder + "notes.txt", "not a backup");
    }

    // One step of every editor process started: an export grows its file for two steps, then
    // ends as `ends` says; an import ends at once.
    void Tick() {
        for (const auto& e : shell.eventsOf(plat::FakeShell::Event::Kind::Launch)) {
            int& done = progress[e.processId];
            if (done > 2) continue;
            ++done;
            if (e.commandLine.rfind("/E \"", 0) == 0) {
                const size_t q = e.commandLine.find('"');
                const std::string path = e.commandLine.substr(q + 1, e.commandLine.size() - q - 2);
                std::string body = kHead + Wide("\"grow\"=\"" + std::string(32 * done, 'x'));
                if (done > 2) body += Wide("\"\r\n") + kEnd;
                if (done > 2 && ends == Ends::Empty) body.clear();
                files.addFile(path, body, clock.now());
                if (done > 2) shell.endProcess(e.processId);
            } else {
                imported.push_back(e.commandLine);
                done = 3;
                shell.endProcess(e.processId);
            }
        }
    }

    // The folder's files but hivesnap's own record, with their bytes.
    std::map<std::string, std::string> Folder() {
        std::map<std::string, std::string> out;
        for (const plat::FileEntry& f : files.listFiles(kFolder.substr(0, kFolder.size() - 1), "*"))
            if (f.name != backup::kRecordName) out[f.name] = files.readFile(kFolder + f.name).value_or("?");
        return out;
    }
};

enum class Act { List, Backup, Restore, Delete };

struct Case {
    std::vector<std::string> args;  // hivesnap's command line
    Act act;
    std::string row;   // the backup the user selects
    int exitCode;      // what both must end with (the window: by the message box it shows)
    std::string said;  // the start of what both must say ("" for a plain success)
    void (*prepare)(World&) = nullptr;
};

class BackupTwinTest : public ::testing::Test {
protected:
    // The user's sequence in the window; returns the first message box it shows.
    std::string InWindow(const Case& c, World& w) {
        backup::ShellRegistryEditor editor(w.shell, w.files);
        ui::HeadlessHost host;
        ui::Driver drv(host);
        host.fallbackAnswer = [](const ui::MsgBoxRecord&) { return ui::mb::Ok; };  // the user confirms
        backup::FrmMain form(host, {w.files, w.clock, editor, w.locale, nullptr});
        form.show();
        for (int i = 0; i < form.lstBackups.count(); ++i)
            if (form.lstBackups.text(i) == c.row) drv.clickRow(form.lstBackups, i);
        const size_t first = host.boxes.size();
        switch (c.act) {
            case Act::List: break;
            case Act::Backup:
                drv.click(form.cmdBackup);
                for (int i = 0; i < 20 && form.Following(); ++i) {
                    w.Tick();
                    drv.fire(form.tmrCreg);
                }
                EXPECT_FALSE(form.Following());
                break;
            case Act::Restore:
                drv.click(form.cmdRestore);
                w.Tick();
                drv.fire(form.tmrCreg);  // the ended import's copy is tidied
                break;
            case Act::Delete: drv.click(form.cmdDelete); break;
        }
        windowRows_.clear();
        for (int i = 0; i < form.lstBackups.count(); ++i)
            windowRows_.push_back(
                {form.lstBackups.text(i), form.lstBackups.subItem(i, 1), form.lstBackups.subItem(i, 2), false});
        for (size_t i = first; i < host.boxes.size(); ++i) {
            const std::string& text = host.boxes[i].text;
            if (text.rfind(backup::kRestoreQuestion, 0) == 0 || text.rfind(backup::kDeleteQuestion, 0) == 0) continue;
            if (text == backup::kFinishedText) continue;  // a plain success
            return text;
        }
        return "";
    }

    int InConsole(const Case& c, World& w, std::string* out, std::string* err) {
        hivesnap::Console console;
        console.out = [out](const std::string& s) {
            *out += s;
            return true;
        };
        console.err = [err](const std::string& s) { *err += s; };
        console.sleep = [&w](int) { w.Tick(); };
        return hivesnap::Run(c.args, {w.files, w.clock, w.shell, w.locale}, console);
    }

    void Compare(const Case& c) {
        std::string line;
        for (const std::string& a : c.args) line += a + " ";
        SCOPED_TRACE(line);
        World viaWindow, viaConsole;
        if (c.prepare) {
            c.prepare(viaWindow);
            c.prepare(viaConsole);
        }
        const std::string said = InWindow(c, viaWindow);
        std::string out, err;
        const int code = InConsole(c, viaConsole, &out, &err);

        EXPECT_EQ(code, c.exitCode) << err;
        EXPECT_EQ(said.rfind(c.said, 0), 0u) << said;
        EXPECT_EQ(said.empty(), c.exitCode == hivesnap::kExitOk) << said;
        // The console says the window's message on one line; a backup that cannot be restored
        // is named at the start of it.
        std::string oneLine = text::replaceAll(said, "\r\n", " ");
        const std::string notRestored = std::string(backup::kNotRestoredText) + " ";
        if (oneLine.rfind(notRestored, 0) == 0)
            oneLine = c.row + " is not restored, nothing was imported: " + oneLine.substr(notRestored.size());
        EXPECT_NE(err.find(oneLine), std::string::npos) << err << " / " << said;
        EXPECT_EQ(viaWindow.imported, viaConsole.imported);
        if (c.exitCode == hivesnap::kExitOk || c.act != Act::Backup) {
            // hivesnap deletes what an unfinished export left; the window lists it.
            EXPECT_EQ(viaWindow.Folder(), viaConsole.Folder());
        }

        std::string listed, listErr;
        EXPECT_EQ(InConsole({{"list"}, Act::List, "", 0, ""}, viaConsole, &listed, &listErr), hivesnap::kExitOk);
        std::string windowList = hivesnap::FormatRows(windowRows_, hivesnap::Format::Tsv);
        if (c.exitCode == hivesnap::kExitOk && c.act == Act::Backup) {
            // hivesnap made this backup itself and says so.
            windowList = text::replaceAll(windowList, "06/12/2026\t0 MB\tno", "06/12/2026\t0 MB\tyes");
        }
        if (c.exitCode == hivesnap::kExitOk || c.act != Act::Backup) {
            EXPECT_EQ(windowList, listed);
        }
    }

    std::vector<hivesnap::Row> windowRows_;
};

TEST_F(BackupTwinTest, ListBackupDeleteAndRestoreEndTheSameWay) {
    const Case cases[] = {
        {{"list"}, Act::List, "", 0, ""},
        {{"backup"}, Act::Backup, "", 0, ""},
        {{"backup"},
         Act::Backup,
         "",
         hivesnap::kExitFailed,
         backup::kFailedText,
         [](World& w) { w.ends = Ends::Empty; }},
        {{"backup"},
         Act::Backup,
         "",
         hivesnap::kExitFailed,
         backup::kNotStartedText,
         [](World& w) { w.shell.launchResult = 2; }},
        {{"delete", "Backup 26.12.01-08.00.00"}, Act::Delete, "Backup 26.12.01-08.00.00", 0, ""},
        {{"delete", "Backup 26.12.01-08.00.00"},
         Act::Delete,
         "Backup 26.12.01-08.00.00",
         hivesnap::kExitFailed,
         backup::kDeleteFailedText,
         [](World& w) { w.files.undeletable = kFolder + "Backup 26.12.01-08.00.00.reg"; }},
        {{"delete", "Backup 26.12.01-08.00.00"},
         Act::Delete,
         "Backup 26.12.01-08.00.00",
         hivesnap::kExitFailed,
         backup::kDeleteStillThereText,
         [](World& w) { w.files.staying = kFolder + "Backup 26.12.01-08.00.00.reg"; }},
        {{"restore", "Backup 26.12.03-09.30.00", "--yes"}, Act::Restore, "Backup 26.12.03-09.30.00", 0, ""},
        {{"restore", "Cut short", "--yes"}, Act::Restore, "Cut short", hivesnap::kExitFailed, backup::kNotRestoredText},
        {{"restore", "Backup 26.12.01-08.00.00", "--yes"},
         Act::Restore,
         "Backup 26.12.01-08.00.00",
         hivesnap::kExitFailed,
         backup::kNotRestoredText,
         [](World& w) {
             // hivesnap recorded another size for it: the file is not the one it made.
             w.files.addFile(kFolder + backup::kRecordName, "Backup 26.12.01-08.00.00.reg\t7\n");
         }},
    };
    for (const Case& c : cases) Compare(c);
}

}  // namespace
