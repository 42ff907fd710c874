// The window and its console twin on the same planted registries: hivescrub's main window on
// the headless backend, and hivescan. Each case plants two identical worlds, runs the user's
// sequence in the window in one and the twin's command in the other, and compares what the
// user sees: the rows and their order, the messages, the status text, what a fix leaves (rows,
// registry, exit code) and the undo record's bytes.
#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "cleaner/hivescan/hivescan_cli.h"
#include "cleaner/ui/app_state.h"
#include "cleaner/ui/frm_main.h"
#include "common/platform/fake/fake_clock.h"
#include "common/platform/fake/fake_files.h"
#include "common/platform/fake/fake_registry.h"
#include "common/platform/fake/fake_shell.h"
#include "common/registry/mdl_registry.h"
#include "common/text/text.h"
#include "common/ui/headless.h"
#include "common/registry/reg_value.h"

namespace {

using plat::kHkeyCurrentUser;
using plat::kHkeyLocalMachine;
using plat::kHkeyUsers;

constexpr const char* kApp = "C:\\Program Files\\Scourline";
constexpr const char* kSettings = "Software\\Tolvane\\Registry Cleaner\\Registry Cleaner";

// One machine: registry, files, shell and clock.
struct World {
    plat::FakeRegistry reg;
    plat::FakeFiles files;
    plat::FakeShell shell;
    plat::FakeClock clock;
    plat::Services svc{reg, files, shell, clock};
    struct Where {
        plat::RegHandle root;
        std::string path, name;
    };
    std::vector<Where> planted;

    World() {
        files.setApplicationFolder(kApp);
        clock.setTimeText("09:08:07");
    }
    void raw(plat::RegHandle root, const std::string& path, const std::string& name, uint32_t type,
             const std::vector<uint8_t>& bytes) {
        plat::RegHandle h = 0;
        ASSERT_EQ(reg.createKey(root, path, &h), 0) << path;
        ASSERT_EQ(reg.setValueEx(h, name, type, bytes.data(), static_cast<uint32_t>(bytes.size())), 0);
        reg.closeKey(h);
        planted.push_back({root, path, name});
    }
    void sz(plat::RegHandle root, const std::string& path, const std::string& name, const std::string& data,
            uint32_t type = plat::kRegSz) {
        raw(root, path, name, type, reg::textBytes(data));
    }
    void setting(const std::string& name, const std::string& value) {
        mdlreg::WriteStringValue(reg, kHkeyCurrentUser, kSettings, name, value);
    }
    void excludeFile(const std::string& lines) { files.addFile(std::string(kApp) + "\\Exclude.lst", lines); }
};

// What the user saw.
struct Seen {
    std::string rows;                   // headers and rows, as the twin's TSV
    std::vector<std::string> messages;  // message boxes, in order
    std::string status;                 // the status bar's panels
    std::vector<std::string> left;      // rows a confirmed fix left: "location | name"
    int exitCode = 0;                   // the twin's; for the window: 3 when a fix left rows
    std::string undo;                   // the undo record's bytes
    std::vector<std::string> values;    // every planted value afterwards: gone, or type and bytes
};

std::vector<std::string> valuesOf(World& w) {
    std::vector<std::string> out;
    for (const World::Where& p : w.planted) {
        uint32_t type = 0;
        std::vector<uint8_t> data;
        out.push_back(w.reg.getValue(p.root, p.path, p.name, &type, &data)
                          ? std::to_string(type) + ":" + std::string(data.begin(), data.end())
                          : "gone");
    }
    return out;
}

struct Case {
    const char* name;
    std::function<void(World&)> plant;
    bool fix = false;
    bool undo = false;
    // Runs while the fix's question is asked (the user changes the registry meanwhile).
    std::function<void(World&)> duringQuestion = {};
};

std::string statusOf(cleaner::FrmMain& form) {
    std::string s;
    for (int i = 0; i < form.SBarMain.panelCount(); ++i) {
        if (form.SBarMain.panel(i).empty()) continue;
        if (!s.empty()) s += "\t";
        s += form.SBarMain.panel(i);
    }
    return s;
}

Seen throughWindow(const Case& c) {
    World w;
    c.plant(w);
    if (c.undo) w.setting("chkKeepUndo", "1");
    cleaner::ScanOnActivate = false;
    ui::HeadlessHost host;
    ui::Driver drv(host);
    Seen seen;
    host.fallbackAnswer = [&](const ui::MsgBoxRecord& box) {
        seen.messages.push_back(box.text);
        if ((box.style & 0x0F) != ui::mb::YesNo) return ui::mb::Ok;
        if (c.duringQuestion) c.duringQuestion(w);
        return ui::mb::Yes;
    };
    cleaner::MainStartOptions start;
    start.singleInstance = false;
    start.showWizard = false;
    cleaner::FrmMain form(host, w.svc, start);
    form.show();
    host.runPosted();
    drv.click(form.cmdScan);
    host.runPosted();

    hivescan::Row headers;
    for (const auto& col : form.lvInvalidLoc.columns()) headers.push_back(col.text);
    std::vector<hivescan::Row> rows;
    for (int i = 0; i < form.lvInvalidLoc.count(); ++i) {
        hivescan::Row r;
        for (int col = 0; col < 6; ++col) r.push_back(form.lvInvalidLoc.subItem(i, col));
        rows.push_back(r);
    }
    seen.rows = hivescan::FormatRows(headers, rows, hivescan::Format::Tsv);
    if (c.fix && form.lvInvalidLoc.count() > 0) {
        drv.click(form.o5);
        host.runPosted();
        for (int i = 0; i < form.lvInvalidLoc.count(); ++i)
            seen.left.push_back(form.lvInvalidLoc.text(i) + " | " + form.lvInvalidLoc.subItem(i, 1));
        seen.exitCode = seen.left.empty() ? hivescan::kExitOk : hivescan::kExitFixLeftRows;
        if (form.undoRecordFailed()) {
            // The twin stops there: nothing deleted, no rows named, no status line.
            seen.exitCode = hivescan::kExitFailed;
            seen.left.clear();
            seen.values = valuesOf(w);
            return seen;
        }
        if (c.undo) {
            const auto records = w.files.listFiles(std::string(kApp) + "\\Backups", "Repair*.reg");
            EXPECT_EQ(records.size(), 1u) << c.name;
            if (!records.empty())
                seen.undo = w.files.readFile(std::string(kApp) + "\\Backups\\" + records[0].name).value_or("");
        }
    }
    seen.status = statusOf(form);
    seen.values = valuesOf(w);
    return seen;
}

Seen throughTwin(const Case& c) {
    World w;
    c.plant(w);
    Seen seen;
    std::string err;
    hivescan::Console console;
    console.out = [&](const std::string& s) {
        seen.rows += s;
        return true;
    };
    console.err = [&](const std::string& s) { err += s; };
    console.readLine = [&] {
        if (c.duringQuestion) c.duringQuestion(w);
        return std::string("y");
    };
    std::vector<std::string> args;
    if (c.fix) args = {"--fix", "all"};
    if (c.undo) args.insert(args.end(), {"--undo", "C:\\undo.reg"});
    seen.exitCode = hivescan::Run(args, w.svc, console);
    // Standard error: the window's boxes ("Scourline: "), the question's prompt, rows not
    // deleted, and the status line last.
    std::vector<std::string> lines = text::split(err, "\n");
    if (!lines.empty() && lines.back().empty()) lines.pop_back();
    for (std::string& line : lines)
        if (line.rfind("[y/N] ", 0) == 0) line = line.substr(6);
    const bool failed = seen.exitCode == hivescan::kExitFailed;
    if (!lines.empty() && !failed) {
        seen.status = lines.back();
        lines.pop_back();
    }
    for (const std::string& line : lines) {
        if (failed && line == "hivescan: the undo file 'C:\\undo.reg' was not written; nothing was deleted") continue;
        if (line.rfind("Scourline: ", 0) == 0)
            seen.messages.push_back(line.substr(11));
        else if (line.rfind("not deleted: ", 0) == 0)
            seen.left.push_back(line.substr(13));
        else
            ADD_FAILURE() << c.name << ": unexpected line on standard error: " << line;
    }
    if (c.undo) seen.undo = w.files.readFile("C:\\undo.reg").value_or("");
    seen.values = valuesOf(w);
    return seen;
}

void expectSame(const Case& c, const Seen& window, const Seen& twin) {
    EXPECT_EQ(window.rows, twin.rows) << c.name;
    EXPECT_EQ(window.messages, twin.messages) << c.name;
    EXPECT_EQ(window.status, twin.status) << c.name;
    EXPECT_EQ(window.left, twin.left) << c.name;
    EXPECT_EQ(window.exitCode, twin.exitCode) << c.name;
    EXPECT_EQ(window.undo, twin.undo) << c.name;
    EXPECT_EQ(window.values, twin.values) << c.name;
}

// Broken references of several areas, some fine ones, and names the list must keep exact.
void plantMixed(World& w) {
    w.files.addFile("C:\\Tools\\ok.exe");
    w.files.addFile("C:\\Windows\\Fonts\\arial.ttf");
    w.sz(kHkeyCurrentUser, "Software\\Acme", "Run", "\"C:\\Acme\\gone.exe\" /s");
    w.sz(kHkeyCurrentUser, "Software\\Acme", "Fine", "C:\\Tools\\ok.exe");
    w.sz(kHkeyCurrentUser, "Software\\Acme", "Tab\tName", "C:\\Acme\\tab.exe");
    w.sz(kHkeyCurrentUser, "Software\\Acme\\Deeper", "", "C:\\Acme\\default.exe", plat::kRegExpandSz);
    w.sz(kHkeyUsers, "S-1-5-21\\Software\\Beta", "Path", "C:\\Beta\\beta.dll");
    w.sz(kHkeyLocalMachine, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDlls", "C:\\Gone\\shared.dll", "1");
    w.sz(kHkeyLocalMachine, "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Fonts", "Gone (TrueType)", "gone.ttf");
    w.sz(kHkeyLocalMachine, "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Fonts", "Arial (TrueType)", "arial.ttf");
    w.sz(kHkeyLocalMachine, "software\\classes\\CLSID\\{11111111-0000-0000-0000-000000000001}\\InprocServer32", "", "");
    w.sz(kHkeyLocalMachine, "software\\classes\\CLSID\\{11111111-0000-0000-0000-000000000002}\\TypeLib", "",
         "{99999999-0000-0000-0000-000000000009}");
    w.files.setDrive('D', plat::DriveType::CdRom);
    w.sz(kHkeyCurrentUser, "Software\\Media", "Cd", "D:\\setup.exe");
}

// A value name holding a NUL: listed and deleted by its exact name, but no undo record can hold it.
void plantNulName(World& w) {
    plantMixed(w);
    w.sz(kHkeyCurrentUser, "Software\\Acme", std::string("nul\0tail", 8), "C:\\Acme\\nul.exe");
}

const Case kCases[] = {
    {"every area, as saved", plantNulName, false, false, {}},
    {"skip option saved on: no CD-ROM rows",
     [](World& w) {
         plantMixed(w);
         w.setting("chkSkipCDLan", "1");
     }},
    {"some areas ticked",
     [](World& w) {
         plantMixed(w);
         w.setting("LocState", "0;0;1;0;0;1;0;1");
     }},
    {"no area ticked",
     [](World& w) {
         plantMixed(w);
         w.setting("LocState", "0;0;0;0;0;0;0;0");
     }},
    {"Spanish",
     [](World& w) {
         plantMixed(w);
         w.files.addFile(std::string(kApp) + "\\spanish.dll", std::string("x"));
     }},
    {"exclusions: a text inside a location, a whole location, an unticked entry",
     [](World& w) {
         plantMixed(w);
         w.excludeFile(
             "Beta;;Yes;;True\r\n"
             "HKEY_CURRENT_USER\\software\\Acme\\Deeper;;Yes;;True\r\n"
             "Media;;No;;False\r\n");
     }},
    {"an exclusion of blanks only excludes everything",
     [](World& w) {
         plantMixed(w);
         w.excludeFile("   ;;Yes;;True\r\n");
     }},
    {"fix all", plantNulName, true, false, {}},
    {"fix all, a value changed since the scan", plantMixed, true, false,
     [](World& w) { w.sz(kHkeyCurrentUser, "Software\\Acme", "Run", "C:\\Tools\\ok.exe"); }},
    {"fix all, a value gone and a key locked since the scan", plantMixed, true, false,
     [](World& w) {
         plat::RegHandle h = 0;
         w.reg.openKey(kHkeyCurrentUser, "Software\\Acme", &h);
         w.reg.deleteValue(h, "Tab\tName");
         w.reg.closeKey(h);
         w.reg.markReadOnly(kHkeyUsers, "S-1-5-21\\Software\\Beta");
     }},
    {"fix all with an undo record", plantMixed, true, true, {}},
    {"fix all with an undo record, a value changed since the scan", plantMixed, true, true,
     [](World& w) { w.sz(kHkeyCurrentUser, "Software\\Acme", "Run", "C:\\Elsewhere\\run.exe", plat::kRegExpandSz); }},
    {"fix all with an undo record that cannot hold a value", plantNulName, true, true, {}},
};

TEST(WindowAndTwin, SeeTheSameRowsMessagesAndOutcomes) {
    for (const Case& c : kCases) {
        const Seen window = throughWindow(c);
        const Seen twin = throughTwin(c);
        expectSame(c, window, twin);
    }
    cleaner::ScanOnActivate = false;
}

// The cases above would agree on nothing at all as well: each kind of outcome is there.
TEST(WindowAndTwin, TheCasesCoverEveryOutcome) {
    const Seen mixed = throughTwin(kCases[0]);
    EXPECT_GE(std::count(mixed.rows.begin(), mixed.rows.end(), '\n'), 9) << mixed.rows;
    EXPECT_NE(mixed.rows.find("nul\\u0000tail"), std::string::npos) << mixed.rows;
    EXPECT_EQ(throughTwin(kCases[3]).messages,
              (std::vector<std::string>{"Please select at least one registry location to scan."}));
    EXPECT_NE(throughTwin(kCases[4]).rows.find("Ruta no válida"), std::string::npos);
    const Seen excluded = throughTwin(kCases[5]);
    EXPECT_EQ(excluded.rows.find("Beta"), std::string::npos);
    EXPECT_EQ(excluded.rows.find("HKEY_CURRENT_USER\\\\software\\\\Acme\\\\Deeper"), std::string::npos);
    EXPECT_NE(excluded.rows.find("Deeper"), std::string::npos) << "the users-root copy is another location";
    EXPECT_EQ(excluded.rows.find("Media"), std::string::npos);
    EXPECT_NE(excluded.rows.find("SharedDlls"), std::string::npos) << "shared files are not tested for exclusion";
    const Seen everythingExcluded = throughTwin(kCases[6]);
    // The headers, the shared file and the font: those walkers test no exclusion.
    EXPECT_EQ(std::count(everythingExcluded.rows.begin(), everythingExcluded.rows.end(), '\n'), 3);
    EXPECT_EQ(throughTwin(kCases[1]).rows.find("D:\\\\setup.exe"), std::string::npos);
    EXPECT_NE(mixed.rows.find("D:\\\\setup.exe"), std::string::npos);
    EXPECT_TRUE(throughTwin(kCases[7]).left.empty());
    EXPECT_EQ(throughTwin(kCases[8]).left,
              (std::vector<std::string>{"HKEY_CURRENT_USER\\software\\Acme | Run",
                                        "HKEY_USERS\\S-1-5-21-0-0-0-1000\\Software\\Acme | Run"}));
    EXPECT_EQ(throughTwin(kCases[9]).left, (std::vector<std::string>{"HKEY_USERS\\S-1-5-21\\Software\\Beta | Path"}));
    EXPECT_EQ(throughTwin(kCases[10]).undo.compare(0, 2, "\xFF\xFE"), 0);
    const Seen noRecord = throughTwin(kCases[12]);
    EXPECT_EQ(noRecord.exitCode, hivescan::kExitFailed);
    EXPECT_EQ(noRecord.values, valuesOf(*[] {
                  static World untouched;
                  plantNulName(untouched);
                  return &untouched;
              }()));
}

}  // namespace
