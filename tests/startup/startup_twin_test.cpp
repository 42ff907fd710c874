// The startup window and hiverun on two identical planted worlds: the same command given to
// each (as the user's clicks in the window, as arguments to hiverun) must leave the same
// registry and folder behind, list the same rows with the same places and states, and end the
// same way: what the window says in a message box, hiverun says on standard error with the
// matching exit code.
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "common/platform/fake/fake_clock.h"
#include "common/platform/fake/fake_files.h"
#include "common/platform/fake/fake_icons.h"
#include "common/platform/fake/fake_registry.h"
#include "common/platform/fake/fake_shell.h"
#include "common/platform/fake/fake_startup_shell.h"
#include "common/text/text.h"
#include "common/ui/headless.h"
#include "startup/frm_edit.h"
#include "startup/frm_main.h"
#include "startup/hiverun/hiverun_cli.h"

namespace {

using namespace startup;
using plat::kHkeyCurrentUser;
using plat::kHkeyLocalMachine;

const char* kFolder = "C:\\users\\me\\Startup";

// One planted system: the same in every world a case starts from.
struct World {
    plat::FakeRegistry reg;
    plat::FakeFiles files;
    plat::FakeShell shell;
    plat::FakeIcons icons;
    plat::FakeClock clock;
    plat::FakeShellLinks links;
    plat::FakeRecycleBin recycleBin{files};
    plat::FakeEnvironment environment;

    World() {
        put(kHkeyCurrentUser, kRunKeyPath, "Tray", "\"C:\\Program Files\\Tray\\tray.exe\" /min");
        put(kHkeyCurrentUser, kRunKeyPath, "Other", "C:\\other.exe");
        put(kHkeyCurrentUser, kRunKeyPath, "Off", "C:\\off.exe");
        put(kHkeyCurrentUser, kRunKeyPath, "Expand", "%windir%\\x.exe", plat::kRegExpandSz);
        put(kHkeyCurrentUser, kRunOnceKeyPath, "Once", "setup.exe /finish");
        put(kHkeyLocalMachine, kRunKeyPath, "Agent", "C:\\agent.exe");
        put(kHkeyLocalMachine, kRun32KeyPath, "Agent", "C:\\agent32.exe");
        WriteState(reg, PlaceOf(kUserRun), "Off", false, 5);
        files.addFile("C:\\other.exe");
        environment.set("windir", "C:\\windows");
        files.addFile("C:\\windows\\x.exe");
        files.setSpecialFolder(kCsidlStartup, kFolder);
        links.add(files, std::string(kFolder) + "\\Notes.lnk", "C:\\Notes\\notes.exe", "");
    }
    void put(plat::RegHandle root, const char* path, const std::string& name, const std::string& data,
             uint32_t type = plat::kRegSz) {
        plat::RegHandle k = 0;
        ASSERT_EQ(reg.createKeyEx(root, path, plat::kKeyAllAccess, &k, nullptr), 0);
        std::vector<uint8_t> bytes;
        for (char16_t c : text::toUtf16(data)) {
            bytes.push_back(static_cast<uint8_t>(c & 0xFF));
            bytes.push_back(static_cast<uint8_t>(c >> 8));
        }
        bytes.insert(bytes.end(), {0, 0});
        ASSERT_EQ(reg.setValueEx(k, name, type, bytes.data(), static_cast<uint32_t>(bytes.size())), 0);
        reg.closeKey(k);
    }
    StartupServices services() { return {reg, files, shell, icons, clock, links, recycleBin, environment}; }

    // Every value of every place and of the state keys (name, type, bytes), and the folder's
    // files: what a change may alter.
    std::string snapshot() {
        std::string out;
        const char* approved[] = {"Run", "Run32", "StartupFolder"};
        std::vector<std::pair<plat::RegHandle, std::string>> keys;
        for (plat::RegHandle root : {kHkeyCurrentUser, kHkeyLocalMachine}) {
            for (const char* p : {kRunKeyPath, kRunOnceKeyPath, kRun32KeyPath, kRunOnce32KeyPath})
                keys.push_back({root, p});
            for (const char* a : approved) keys.push_back({root, std::string(kApprovedPath) + "\\" + a});
        }
        for (const auto& [root, path] : keys) {
            plat::RegHandle k = 0;
            if (reg.openKeyEx(root, path, plat::kKeyRead, &k) != 0) continue;
            for (uint32_t i = 0;; ++i) {
                std::string name;
                uint32_t chars = 16384, type = 0, bytes = 65536;
                std::vector<uint8_t> data;
                if (reg.enumValue(k, i, &name, &chars, &type, &data, &bytes) != 0) break;
                out += std::to_string(root) + "\\" + path + "\\" + name + " " + std::to_string(type) + ":";
                for (uint8_t b : data) out += std::to_string(b) + ",";
                out += "\n";
            }
            reg.closeKey(k);
        }
        for (const plat::FileEntry& f : files.listFiles(kFolder, "*")) out += "file " + f.name + "\n";
        return out;
    }
};

enum class Act { List, Add, Set, Rename, Remove, Disable, Enable };

struct Case {
    std::vector<std::string> args;  // hiverun's command line
    Act act;
    PlaceId place;
    std::string name;   // the entry the user clicks, or the new entry's name
    std::string value;  // the data typed, or the new name
    int exitCode;       // what both must end with (the window: by the box it shows)
    std::function<void(World&)> prepare = nullptr;
};

// The rows of the window's list as hiverun prints them.
std::vector<hiverun::Entry> WindowEntries(FrmMain& form, World& w) {
    std::vector<hiverun::Entry> out;
    for (int row = 0; row < form.ListView.count(); ++row) {
        const StartupEntry* e = form.EntryOfRow(row);
        if (!e) continue;
        const Place& p = PlaceOf(e->place);
        const std::string scope = p.root == kHkeyCurrentUser ? "user" : p.view32 ? "machine32" : "machine";
        const std::string state = form.ListView.subItem(row, 3);
        out.push_back({form.ListView.text(row), form.ListView.subItem(row, 1), scope, e->program,
                       FileExists(w.files, e->program), form.ListView.subItem(row, 2),
                       state == kEnabledText    ? "enabled"
                       : state == kDisabledText ? "disabled"
                                                : "once"});
    }
    return out;
}

class StartupTwinTest : public ::testing::Test {
protected:
    int RunHiverun(World& w, const std::vector<std::string>& args, std::string* out, std::string* err) {
        hiverun::Console console;
        console.out = [out](const std::string& s) {
            *out += s;
            return true;
        };
        console.err = [err](const std::string& s) { *err += s; };
        return hiverun::Run(args, w.services(), console);
    }

    // The window's list of both roots, current user first, as hiverun list prints it.
    std::string WindowList(FrmMain& form, World& w, ui::Driver& drv) {
        drv.click(form.Option1[1]);
        std::vector<hiverun::Entry> rows = WindowEntries(form, w);
        drv.click(form.Option1[0]);
        for (const hiverun::Entry& e : WindowEntries(form, w)) rows.push_back(e);
        drv.click(form.Option1[1]);
        return hiverun::FormatEntries(rows, hiverun::Format::Tsv);
    }

    // The user's sequence in the window; returns the exit code its message boxes stand for.
    int InWindow(const Case& c, FrmMain& form, ui::HeadlessHost& host, ui::Driver& drv, std::string* said) {
        const bool machine = PlaceOf(c.place).root == kHkeyLocalMachine;
        drv.click(form.Option1[machine ? 0 : 1]);
        const size_t first = host.boxes.size();
        auto select = [&] {
            for (int row = 0; row < form.ListView.count(); ++row) {
                const StartupEntry* e = form.EntryOfRow(row);
                if (e && e->place == c.place && text::equalNoCase(e->Name, c.name)) drv.clickRow(form.ListView, row);
            }
        };
        switch (c.act) {
            case Act::List: break;
            case Act::Add:
                host.onModal("frmCreate", [&](ui::Form& f) {
                    auto& d = static_cast<EntryDialog&>(f);
                    for (int i = 0; i < d.cboPlace.count(); ++i)
                        if (d.cboPlace.items()[i] == PlaceOf(c.place).label) drv.pick(d.cboPlace, i);
                    drv.type(d.txtName, c.name);
                    drv.type(d.txtData, c.value);
                    drv.click(d.cmdOK);
                });
                drv.click(form.cmdCreate);
                break;
            case Act::Set:
            case Act::Rename:
                select();
                host.onModal("frmModify", [&](ui::Form& f) {
                    auto& d = static_cast<EntryDialog&>(f);
                    drv.type(c.act == Act::Set ? d.txtData : d.txtName, c.value);
                    drv.click(d.cmdOK);
                });
                drv.click(form.cmdModify);
                break;
            case Act::Remove:
                select();
                drv.click(form.cmdDelete);
                break;
            case Act::Disable:
                select();
                drv.click(form.cmdDisable);
                break;
            case Act::Enable:
                select();
                drv.click(form.cmdEnable);
                break;
        }
        int code = hiverun::kExitOk;
        for (size_t i = first; i < host.boxes.size(); ++i) {
            const ui::MsgBoxRecord& box = host.boxes[i];
            if (box.text == kDeleteQuestion) continue;
            if (code == hiverun::kExitOk) {
                *said = box.text;
                const bool check =
                    box.text == kEmptyText || box.text == kDuplicateText || box.text == kRunOnceDisableText;
                code = check ? hiverun::kExitCheck : hiverun::kExitRefused;
            }
        }
        return code;
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

        ui::HeadlessHost host;
        ui::Driver drv(host);
        host.fallbackAnswer = [](const ui::MsgBoxRecord& box) {
            return box.text == kDeleteQuestion ? ui::mb::Yes : ui::mb::Ok;
        };
        FrmMain form(host, viaWindow.services());
        form.show();
        host.runPosted();
        std::string said;
        const int windowCode = InWindow(c, form, host, drv, &said);

        std::string out, err;
        const int consoleCode = RunHiverun(viaConsole, c.args, &out, &err);
        EXPECT_EQ(windowCode, c.exitCode) << said;
        EXPECT_EQ(consoleCode, c.exitCode) << err;
        if (!said.empty()) {
            // The window's message without its "(error N)." names the same failure.
            const std::string what = said.substr(0, said.find(" (error "));
            EXPECT_NE(err.find(what), std::string::npos) << err << " / " << said;
        }
        EXPECT_EQ(viaWindow.snapshot(), viaConsole.snapshot());

        std::string listed, listErr;
        RunHiverun(viaConsole, {"list"}, &listed, &listErr);
        EXPECT_EQ(WindowList(form, viaWindow, drv), listed);
    }
};

TEST_F(StartupTwinTest, ListsTheSameRowsPlacesAndStates) {
    Compare({{"list"}, Act::List, kUserRun, "", "", 0});
    Compare({{"list"}, Act::List, kUserRun, "", "", 0, [](World& w) {
                 w.put(kHkeyLocalMachine, kRunOnce32KeyPath, "Setup32", "s.exe");
             }});
}

TEST_F(StartupTwinTest, ChangesEndTheSameWayInBoth) {
    auto machineReadOnly = [](World& w) { w.reg.markReadOnly(kHkeyLocalMachine, kRunKeyPath); };
    const Case cases[] = {
        {{"add", "New", "C:\\new.exe"}, Act::Add, kUserRun, "New", "C:\\new.exe", 0},
        {{"add", "tray", "x.exe"}, Act::Add, kUserRun, "tray", "x.exe", hiverun::kExitCheck},
        {{"add", "   ", "x.exe"}, Act::Add, kUserRun, "   ", "x.exe", hiverun::kExitCheck},
        {{"add", "--place", "runonce", "Later", "later.exe"}, Act::Add, kUserRunOnce, "Later", "later.exe", 0},
        {{"add", "--scope", "machine32", "Agent", "dup.exe"},
         Act::Add,
         kMachineRun32,
         "Agent",
         "dup.exe",
         hiverun::kExitCheck},
        {{"add", "--scope", "machine", "Mine", "m.exe"},
         Act::Add,
         kMachineRun,
         "Mine",
         "m.exe",
         hiverun::kExitRefused,
         machineReadOnly},
        {{"set", "Tray", "C:\\tray2.exe"}, Act::Set, kUserRun, "Tray", "C:\\tray2.exe", 0},
        {{"set", "Expand", "%windir%\\y.exe"}, Act::Set, kUserRun, "Expand", "%windir%\\y.exe", 0},
        {{"set", "Tray", "  "}, Act::Set, kUserRun, "Tray", "  ", hiverun::kExitCheck},
        {{"set", "--scope", "machine", "Agent", "a.exe"},
         Act::Set,
         kMachineRun,
         "Agent",
         "a.exe",
         hiverun::kExitRefused,
         machineReadOnly},
        {{"rename", "Off", "Off2"}, Act::Rename, kUserRun, "Off", "Off2", 0},  // keeps its disabled state
        {{"rename", "Tray", "OTHER"}, Act::Rename, kUserRun, "Tray", "OTHER", hiverun::kExitCheck},
        {{"rename", "Tray", "TRAY"}, Act::Rename, kUserRun, "Tray", "TRAY", 0},
        {{"rename", "--scope", "machine32", "Agent", "Agent 32"}, Act::Rename, kMachineRun32, "Agent", "Agent 32", 0},
        {{"remove", "Other"}, Act::Remove, kUserRun, "Other", "", 0},
        {{"remove", "Off"}, Act::Remove, kUserRun, "Off", "", 0},  // its state goes with it
        {{"remove", "--place", "startup", "Notes.lnk"}, Act::Remove, kUserFolder, "Notes.lnk", "", 0},
        {{"remove", "--scope", "machine", "Agent"},
         Act::Remove,
         kMachineRun,
         "Agent",
         "",
         hiverun::kExitRefused,
         machineReadOnly},
        {{"disable", "Tray"}, Act::Disable, kUserRun, "Tray", "", 0},
        {{"disable", "--place", "startup", "Notes.lnk"}, Act::Disable, kUserFolder, "Notes.lnk", "", 0},
        {{"enable", "Off"}, Act::Enable, kUserRun, "Off", "", 0},
        {{"disable", "--place", "runonce", "Once"}, Act::Disable, kUserRunOnce, "Once", "", hiverun::kExitCheck},
    };
    for (const Case& c : cases) Compare(c);
}

}  // namespace
