// The startup manager's places and enabled states on the headless backend: what a user sees
// and does with Run and RunOnce entries of both registry views and with Startup-folder files.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/platform/fake/fake_clock.h"
#include "common/platform/fake/fake_files.h"
#include "common/platform/fake/fake_icons.h"
#include "common/platform/fake/fake_registry.h"
#include "common/platform/fake/fake_shell.h"
#include "common/platform/fake/fake_startup_shell.h"
#include "common/registry/reg_value.h"
#include "common/ui/headless.h"
#include "startup/frm_edit.h"
#include "startup/frm_main.h"
#include "startup/places.h"

namespace {

using plat::kHkeyCurrentUser;
using plat::kHkeyLocalMachine;
using startup::PlaceId;
using startup::PlaceOf;

const char* const kUserFolder = "C:\\users\\me\\Start Menu\\Programs\\Startup";
const char* const kCommonFolder = "C:\\ProgramData\\Start Menu\\Programs\\Startup";
// 2024-01-02 03:04:05 as a file time, least significant byte first.
const std::vector<uint8_t> kTimeBytes = [] {
    std::vector<uint8_t> b;
    const uint64_t t = plat::fileTimeOf({2024, 1, 2, 3, 4, 5});
    for (int i = 0; i < 8; ++i) b.push_back(static_cast<uint8_t>(t >> (8 * i)));
    return b;
}();

std::vector<uint8_t> State(uint8_t first) {
    std::vector<uint8_t> b(12, 0);
    b[0] = first;
    for (size_t i = 0; i < 8; ++i) b[4 + i] = kTimeBytes[i];
    return b;
}

std::string ApprovedKey(const startup::Place& p) { return std::string(startup::kApprovedPath) + "\\" + p.approved; }

class StartupPlacesTest : public ::testing::Test {
protected:
    StartupPlacesTest() {
        files.setSpecialFolder(startup::kCsidlStartup, kUserFolder);
        files.setSpecialFolder(startup::kCsidlCommonStartup, kCommonFolder);
        files.addFolder(kUserFolder);
        files.addFolder(kCommonFolder);
    }
    void Put(PlaceId id, const std::string& name, const std::string& data, uint32_t type = plat::kRegSz) {
        PutBytes(id, name, reg::textBytes(data), type);
    }
    void PutBytes(PlaceId id, const std::string& name, const std::vector<uint8_t>& bytes, uint32_t type) {
        const startup::Place& p = PlaceOf(id);
        plat::RegHandle k = 0;
        ASSERT_EQ(reg.createKeyEx(p.root, p.keyPath, plat::kKeyAllAccess, &k, nullptr), 0);
        ASSERT_EQ(reg.setValueEx(k, name, type, bytes.data(), static_cast<uint32_t>(bytes.size())), 0);
        reg.closeKey(k);
    }
    void PutState(PlaceId id, const std::string& name, const std::vector<uint8_t>& bytes) {
        plat::RegHandle k = 0;
        ASSERT_EQ(reg.createKeyEx(PlaceOf(id).root, ApprovedKey(PlaceOf(id)), plat::kKeyAllAccess, &k, nullptr), 0);
        ASSERT_EQ(reg.setValueEx(k, name, plat::kRegBinary, bytes.data(), static_cast<uint32_t>(bytes.size())), 0);
        reg.closeKey(k);
    }
    // The value of a registry place, "<missing>" when absent, as type:text.
    std::string Stored(PlaceId id, const std::string& name) {
        uint32_t type = 0;
        std::vector<uint8_t> data;
        if (!reg.getValue(PlaceOf(id).root, PlaceOf(id).keyPath, name, &type, &data)) return "<missing>";
        return std::to_string(type) + ":" + reg::textOf(data);
    }
    // The state value's bytes; empty when there is none.
    std::vector<uint8_t> StateOf(PlaceId id, const std::string& name) {
        uint32_t type = 0;
        std::vector<uint8_t> data;
        if (!reg.getValue(PlaceOf(id).root, ApprovedKey(PlaceOf(id)), name, &type, &data)) return {};
        EXPECT_EQ(type, plat::kRegBinary);
        return data;
    }
    // The rows as "name|data|place|state".
    std::vector<std::string> Rows() {
        std::vector<std::string> rows;
        for (int i = 0; i < form.ListView.count(); ++i)
            rows.push_back(form.ListView.text(i) + "|" + form.ListView.subItem(i, 1) + "|" +
                           form.ListView.subItem(i, 2) + "|" + form.ListView.subItem(i, 3));
        return rows;
    }
    // Shows the window (once) and the entries of a root, read afresh.
    void Show(plat::RegHandle root) {
        form.show();
        drv.click(form.Option1[root == kHkeyLocalMachine ? 0 : 1]);
    }
    void Select(PlaceId id, const std::string& name) {
        const int row = form.RowOf(id, name);
        ASSERT_GE(row, 0) << name;
        drv.clickRow(form.ListView, row);
    }
    std::string StateColumn(PlaceId id, const std::string& name) {
        const int row = form.RowOf(id, name);
        return row < 0 ? "<no row>" : form.ListView.subItem(row, 3);
    }
    void Modify(const std::string& name, const std::string* data = nullptr) {
        host.onModal("frmModify", [=](ui::Form& f) {
            auto& d = static_cast<startup::EntryDialog&>(f);
            drv.type(d.txtName, name);
            if (data) drv.type(d.txtData, *data);
            drv.click(d.cmdOK);
        });
        drv.click(form.cmdModify);
    }

    plat::FakeRegistry reg;
    plat::FakeFiles files;
    plat::FakeShell shell;
    plat::FakeIcons icons;
    plat::FakeClock clock;
    plat::FakeShellLinks links;
    plat::FakeRecycleBin recycleBin{files};
    plat::FakeEnvironment environment;
    ui::HeadlessHost host;
    ui::Driver drv{host};
    startup::FrmMain form{host, {reg, files, shell, icons, clock, links, recycleBin, environment}};
};

TEST_F(StartupPlacesTest, EachRootListsItsPlacesWithPlaceAndStateColumns) {
    Put(startup::kUserRun, "UserApp", "u.exe");
    Put(startup::kUserRunOnce, "Setup", "setup.exe /finish");
    links.add(files, std::string(kUserFolder) + "\\Tray.lnk", "C:\\Program Files\\Tray\\tray.exe", "/min");
    files.addFile(std::string(kUserFolder) + "\\desktop.ini");  // never started: not listed
    files.addFile(std::string(kUserFolder) + "\\notes.cmd");
    Put(startup::kMachineRun, "Tray", "C:\\tray64.exe");
    Put(startup::kMachineRun32, "Tray", "C:\\tray32.exe");
    Put(startup::kMachineRunOnce32, "Once32", "o.exe");
    files.addFile(std::string(kCommonFolder) + "\\Shared.exe");
    PutState(startup::kUserRun, "UserApp", State(0x03));
    Show(kHkeyCurrentUser);
    EXPECT_EQ(form.ListView.columns().size(), 4u);
    EXPECT_EQ(form.ListView.columns()[2].text, "Place");
    EXPECT_EQ(form.ListView.columns()[3].text, "State");
    EXPECT_EQ(Rows(), (std::vector<std::string>{
                          "UserApp|u.exe|Run|Disabled",
                          "Setup|setup.exe /finish|RunOnce|Runs once",
                          "notes.cmd|" + std::string(kUserFolder) + "\\notes.cmd|Startup folder|Enabled",
                          "Tray.lnk|\"C:\\Program Files\\Tray\\tray.exe\" /min|Startup folder|Enabled",
                      }));
    drv.click(form.Option1[0]);
    EXPECT_EQ(Rows(), (std::vector<std::string>{
                          "Tray|C:\\tray64.exe|Run|Enabled",
                          "Tray|C:\\tray32.exe|Run (32-bit)|Enabled",
                          "Once32|o.exe|RunOnce (32-bit)|Runs once",
                          "Shared.exe|" + std::string(kCommonFolder) + "\\Shared.exe|Startup folder|Enabled",
                      }));
}

TEST_F(StartupPlacesTest, DisableThenEnableKeepsTheEntryAndFlipsOnlyTheState) {
    struct Case {
        PlaceId place;
        std::string name;
    } cases[] = {{startup::kUserRun, "Tray"}, {startup::kMachineRun32, "Tray32"}, {startup::kUserFolder, "App.lnk"}};
    Put(startup::kUserRun, "Tray", "tray.exe");
    Put(startup::kMachineRun32, "Tray32", "tray32.exe");
    links.add(files, std::string(kUserFolder) + "\\App.lnk", "C:\\app.exe", "");
    for (const Case& c : cases) {
        Show(PlaceOf(c.place).root);
        Select(c.place, c.name);
        EXPECT_TRUE(form.cmdDisable.enabled()) << c.name;
        EXPECT_FALSE(form.cmdEnable.enabled()) << c.name;
        drv.click(form.cmdDisable);
        EXPECT_EQ(StateOf(c.place, c.name), State(0x03)) << c.name;
        EXPECT_EQ(StateColumn(c.place, c.name), "Disabled");
        // The buttons follow the entry just disabled.
        EXPECT_EQ(form.SelectedEntry()->Name, c.name);
        EXPECT_FALSE(form.cmdDisable.enabled()) << c.name;
        drv.click(form.cmdEnable);
        EXPECT_EQ(StateOf(c.place, c.name), State(0x02)) << c.name;
        EXPECT_EQ(StateColumn(c.place, c.name), "Enabled");
        EXPECT_TRUE(host.boxes.empty()) << host.boxes.back().text;
    }
    // The entries themselves are untouched.
    EXPECT_EQ(Stored(startup::kUserRun, "Tray"), "1:tray.exe");
    EXPECT_EQ(Stored(startup::kMachineRun32, "Tray32"), "1:tray32.exe");
    EXPECT_TRUE(files.stat(std::string(kUserFolder) + "\\App.lnk").has_value());
    // The 32-bit entry's state lives in Run32, not in Run.
    EXPECT_TRUE(StateOf(startup::kMachineRun, "Tray32").empty());
}

TEST_F(StartupPlacesTest, StatesWrittenByOthersAreReadByTheParityOfTheFirstByte) {
    struct Case {
        std::vector<uint8_t> bytes;
        const char* shown;
    } cases[] = {
        {State(0x02), "Enabled"},  {State(0x06), "Enabled"}, {State(0x03), "Disabled"},
        {State(0x07), "Disabled"}, {{0x01}, "Disabled"},     {{}, "Enabled"},
    };
    for (const Case& c : cases) {
        Put(startup::kUserRun, "E", "e.exe");
        PutState(startup::kUserRun, "E", c.bytes);
        Show(kHkeyCurrentUser);
        EXPECT_EQ(StateColumn(startup::kUserRun, "E"), c.shown) << c.bytes.size();
    }
}

TEST_F(StartupPlacesTest, ARenamedDisabledEntryStaysDisabledAndAStaleStateDoesNotFollowARename) {
    Put(startup::kUserRun, "Old", "old.exe");
    Put(startup::kUserRun, "Plain", "plain.exe");
    PutState(startup::kUserRun, "Gone", State(0x03));  // left behind by another program
    Show(kHkeyCurrentUser);
    Select(startup::kUserRun, "Old");
    drv.click(form.cmdDisable);
    Modify("New");
    EXPECT_EQ(Stored(startup::kUserRun, "Old"), "<missing>");
    EXPECT_EQ(Stored(startup::kUserRun, "New"), "1:old.exe");
    EXPECT_TRUE(StateOf(startup::kUserRun, "Old").empty());
    EXPECT_EQ(StateOf(startup::kUserRun, "New"), State(0x03));
    EXPECT_EQ(StateColumn(startup::kUserRun, "New"), "Disabled");

    // An enabled entry renamed to the name of a stale disabled state stays enabled.
    Select(startup::kUserRun, "Plain");
    Modify("Gone");
    EXPECT_EQ(StateColumn(startup::kUserRun, "Gone"), "Enabled");
    EXPECT_TRUE(StateOf(startup::kUserRun, "Gone").empty());
    EXPECT_TRUE(host.boxes.empty());
}

TEST_F(StartupPlacesTest, ADeletedEntryLeavesNoStateValueAndAFileGoesToTheRecycleBin) {
    Put(startup::kMachineRun32, "Tray", "t.exe");
    const std::string lnk = std::string(kCommonFolder) + "\\Tool.lnk";
    links.add(files, lnk, "C:\\tool.exe", "-q");
    Show(kHkeyLocalMachine);
    for (auto [place, name] : {std::pair<PlaceId, std::string>{startup::kMachineRun32, "Tray"},
                               std::pair<PlaceId, std::string>{startup::kCommonFolder, "Tool.lnk"}}) {
        Select(place, name);
        drv.click(form.cmdDisable);
        ASSERT_FALSE(StateOf(place, name).empty());
        host.answer(ui::mb::Yes);
        drv.click(form.cmdDelete);
        EXPECT_TRUE(StateOf(place, name).empty()) << name;
        EXPECT_EQ(form.RowOf(place, name), -1) << name;
    }
    EXPECT_EQ(Stored(startup::kMachineRun32, "Tray"), "<missing>");
    ASSERT_EQ(recycleBin.recycled.size(), 1u);
    EXPECT_EQ(recycleBin.recycled[0].path, lnk);
    EXPECT_FALSE(files.stat(lnk).has_value());
}

TEST_F(StartupPlacesTest, AFileTheRecycleBinRefusesIsKeptWithItsStateAndTheReasonShown) {
    files.addFile(std::string(kUserFolder) + "\\busy.exe");
    PutState(startup::kUserFolder, "busy.exe", State(0x03));
    recycleBin.failWith = 32;  // in use by another process
    Show(kHkeyCurrentUser);
    Select(startup::kUserFolder, "busy.exe");
    host.answer(ui::mb::Yes);
    drv.click(form.cmdDelete);
    ASSERT_EQ(host.boxes.size(), 2u);
    EXPECT_NE(host.boxes[1].text.find("Recycle Bin (error 32)"), std::string::npos);
    EXPECT_EQ(StateOf(startup::kUserFolder, "busy.exe"), State(0x03));
    EXPECT_GE(form.RowOf(startup::kUserFolder, "busy.exe"), 0);
}

TEST_F(StartupPlacesTest, AnExpandableEntryIsListedExpandedForTheFileTestAndKeptExpandableByModify) {
    environment.set("ProgramFiles", "C:\\Program Files");
    files.addFile("C:\\Program Files\\App\\app.exe");
    icons.add("C:\\Program Files\\App\\app.exe");
    Put(startup::kUserRun, "App", "\"%ProgramFiles%\\App\\app.exe\" /tray", plat::kRegExpandSz);
    Show(kHkeyCurrentUser);
    ASSERT_EQ(Rows(), std::vector<std::string>{"App|\"%ProgramFiles%\\App\\app.exe\" /tray|Run|Enabled"});
    EXPECT_EQ(form.Entries[0].program, "C:\\Program Files\\App\\app.exe");
    const int icon = form.ListView.item(0).smallIcon;
    EXPECT_EQ(icons.iconSource(form.ImageList.images()[icon].icon), "C:\\Program Files\\App\\app.exe");

    const std::string data = "\"%ProgramFiles%\\App\\app.exe\" /quiet";
    Select(startup::kUserRun, "App");
    Modify("App", &data);
    EXPECT_EQ(Stored(startup::kUserRun, "App"), "2:" + data);
    Select(startup::kUserRun, "App");
    Modify("Renamed");
    EXPECT_EQ(Stored(startup::kUserRun, "Renamed"), "2:" + data);
    Select(startup::kUserRun, "Renamed");
    Modify("RENAMED", &data);  // letter case only, written anew
    EXPECT_EQ(Stored(startup::kUserRun, "RENAMED"), "2:" + data);
}

TEST_F(StartupPlacesTest, ARunOnceEntryRefusesDisableWithAMessage) {
    Put(startup::kMachineRunOnce, "Setup", "setup.exe");
    Show(kHkeyLocalMachine);
    Select(startup::kMachineRunOnce, "Setup");
    EXPECT_EQ(StateColumn(startup::kMachineRunOnce, "Setup"), "Runs once");
    EXPECT_FALSE(form.cmdEnable.enabled());
    drv.click(form.cmdDisable);
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_EQ(host.boxes[0].text, startup::kRunOnceDisableText);
    EXPECT_EQ(Stored(startup::kMachineRunOnce, "Setup"), "1:setup.exe");
    EXPECT_FALSE(reg.keyExists(kHkeyLocalMachine, std::string(startup::kApprovedPath) + "\\Run"));
    EXPECT_FALSE(reg.keyExists(kHkeyLocalMachine, std::string(startup::kApprovedPath) + "\\RunOnce"));
}

TEST_F(StartupPlacesTest, AShortcutIsListedWithItsTargetAndAnUnreadableOneAsTheFile) {
    links.add(files, std::string(kUserFolder) + "\\Editor.lnk", "C:\\windows\\notepad.exe", "C:\\todo.txt");
    files.addFile(std::string(kUserFolder) + "\\Broken.lnk");  // no shortcut the shell can read
    files.addFile("C:\\windows\\notepad.exe");
    icons.add("C:\\windows\\notepad.exe");
    Show(kHkeyCurrentUser);
    EXPECT_EQ(Rows(), (std::vector<std::string>{
                          "Broken.lnk|" + std::string(kUserFolder) + "\\Broken.lnk|Startup folder|Enabled",
                          "Editor.lnk|C:\\windows\\notepad.exe C:\\todo.txt|Startup folder|Enabled",
                      }));
    Select(startup::kUserFolder, "Editor.lnk");
    EXPECT_EQ(form.SelectedEntry()->program, "C:\\windows\\notepad.exe");
    EXPECT_EQ(icons.iconSource(form.ImageList.images()[form.ListView.item(1).smallIcon].icon),
              "C:\\windows\\notepad.exe");
    // A file is changed in its folder: no Modify; Delete, Disable stay.
    EXPECT_FALSE(form.cmdModify.enabled());
    EXPECT_TRUE(form.cmdDelete.enabled());
    EXPECT_TRUE(form.cmdDisable.enabled());
}

TEST_F(StartupPlacesTest, SameNamedEntriesOfTheTwoViewsAreChangedOnlyWhereTheRowCameFrom) {
    Put(startup::kMachineRun, "Tray", "C:\\tray64.exe");
    Put(startup::kMachineRun32, "Tray", "C:\\tray32.exe");
    Show(kHkeyLocalMachine);
    Select(startup::kMachineRun32, "Tray");
    Modify("Tray32");
    EXPECT_EQ(Stored(startup::kMachineRun32, "Tray32"), "1:C:\\tray32.exe");
    EXPECT_EQ(Stored(startup::kMachineRun32, "Tray"), "<missing>");
    EXPECT_EQ(Stored(startup::kMachineRun, "Tray"), "1:C:\\tray64.exe");

    // Create checks the name in the chosen place only.
    host.onModal("frmCreate", [&](ui::Form& f) {
        auto& d = static_cast<startup::EntryDialog&>(f);
        ASSERT_EQ(d.cboPlace.items(), (std::vector<std::string>{"Run", "Run (32-bit)", "RunOnce", "RunOnce (32-bit)"}));
        drv.pick(d.cboPlace, 1);
        drv.type(d.txtName, "TRAY");
        drv.type(d.txtData, "C:\\again32.exe");
        drv.click(d.cmdOK);
    });
    drv.click(form.cmdCreate);
    EXPECT_EQ(Stored(startup::kMachineRun32, "TRAY"), "1:C:\\again32.exe");
    EXPECT_EQ(Stored(startup::kMachineRun, "Tray"), "1:C:\\tray64.exe");

    Select(startup::kMachineRun32, "TRAY");
    host.answer(ui::mb::Yes);
    drv.click(form.cmdDelete);
    EXPECT_EQ(Stored(startup::kMachineRun32, "TRAY"), "<missing>");
    EXPECT_EQ(Stored(startup::kMachineRun, "Tray"), "1:C:\\tray64.exe");
    EXPECT_TRUE(host.boxes.size() == 1u && host.boxes[0].text == startup::kDeleteQuestion);
}

TEST_F(StartupPlacesTest, RenameWithUnchangedDataCopiesTheValuesExactBytes) {
    // "a.exe", a NUL, then more text, and no final NUL: the list shows "a.exe".
    std::vector<uint8_t> bytes = reg::textBytes("a.exe", false);
    bytes.insert(bytes.end(), {0, 0});
    const std::vector<uint8_t> tail = reg::textBytes("after the nul", false);
    bytes.insert(bytes.end(), tail.begin(), tail.end());
    PutBytes(startup::kUserRun, "Nul", bytes, plat::kRegExpandSz);
    Show(kHkeyCurrentUser);
    Select(startup::kUserRun, "Nul");
    Modify("Moved");
    uint32_t type = 0;
    std::vector<uint8_t> got;
    ASSERT_TRUE(reg.getValue(kHkeyCurrentUser, startup::kRunKeyPath, "Moved", &type, &got));
    EXPECT_EQ(type, plat::kRegExpandSz);
    EXPECT_EQ(got, bytes);
    Select(startup::kUserRun, "Moved");
    Modify("MOVED");  // letter case only
    ASSERT_TRUE(reg.getValue(kHkeyCurrentUser, startup::kRunKeyPath, "MOVED", &type, &got));
    EXPECT_EQ(got, bytes);
}

TEST_F(StartupPlacesTest, StateBytesAreTheFlagThenTheFileTime) {
    EXPECT_EQ(startup::StateBytes(false, 0x0102030405060708ULL),
              (std::vector<uint8_t>{3, 0, 0, 0, 8, 7, 6, 5, 4, 3, 2, 1}));
    EXPECT_EQ(startup::StateBytes(true, 0), (std::vector<uint8_t>{2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
    // 1970-01-01 is 11644473600 seconds after 1601-01-01.
    EXPECT_EQ(plat::fileTimeOf({1970, 1, 1, 0, 0, 0}), 116444736000000000ULL);
    EXPECT_EQ(plat::fileTimeOf({2000, 3, 1, 0, 0, 0}) - plat::fileTimeOf({2000, 2, 28, 0, 0, 0}),
              2ULL * 86400 * 10000000);  // a leap year
}

}  // namespace
