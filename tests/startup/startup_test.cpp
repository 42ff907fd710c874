// The startup manager on the headless backend with the in-memory registry: listing, the
// duplicate test, the edits and what happens when the registry refuses them.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "common/platform/fake/fake_files.h"
#include "common/platform/fake/fake_icons.h"
#include "common/platform/fake/fake_registry.h"
#include "common/platform/fake/fake_clock.h"
#include "common/platform/fake/fake_shell.h"
#include "common/platform/fake/fake_startup_shell.h"
#include "common/registry/reg_value.h"
#include "common/text/text.h"
#include "common/ui/headless.h"
#include "startup/cls_registry.h"
#include "startup/frm_edit.h"
#include "startup/frm_main.h"
#include "startup/mdl_registry.h"
#include "startup/startup_module.h"

namespace {

using plat::kHkeyCurrentUser;
using plat::kHkeyLocalMachine;
using startup::kRunKeyPath;

std::vector<uint8_t> Utf16Bytes(const std::string& s, bool terminator = true) {
    std::vector<uint8_t> out;
    for (char16_t c : text::toUtf16(s)) {
        out.push_back(static_cast<uint8_t>(c & 0xFF));
        out.push_back(static_cast<uint8_t>(c >> 8));
    }
    if (terminator) out.insert(out.end(), {0, 0});
    return out;
}

// A registry whose chosen calls fail, to see what the windows do when the platform refuses.
class FailingRegistry : public plat::FakeRegistry {
public:
    long failSetValue = 0;
    std::string failSetName;  // fail only writes of this exact name
    long failQuery = 0;
    long setValueEx(plat::RegHandle key, std::string_view name, uint32_t type, const uint8_t* data,
                    uint32_t bytes) override {
        if (failSetValue && (failSetName.empty() || name == failSetName)) return failSetValue;
        return FakeRegistry::setValueEx(key, name, type, data, bytes);
    }
    long queryValueEx(plat::RegHandle key, std::string_view name, uint32_t* type, std::vector<uint8_t>* data,
                      uint32_t* dataBytes) override {
        if (failQuery) return failQuery;
        return FakeRegistry::queryValueEx(key, name, type, data, dataBytes);
    }
};

class StartupTest : public ::testing::Test {
protected:
    void Put(plat::RegHandle root, const std::string& name, const std::vector<uint8_t>& bytes,
             uint32_t type = plat::kRegSz) {
        plat::RegHandle k = 0;
        ASSERT_EQ(reg.createKeyEx(root, kRunKeyPath, plat::kKeyAllAccess, &k, nullptr), 0);
        ASSERT_EQ(reg.setValueEx(k, name, type, bytes.data(), static_cast<uint32_t>(bytes.size())), 0);
        reg.closeKey(k);
    }
    void Put(plat::RegHandle root, const std::string& name, const std::string& data) {
        Put(root, name, Utf16Bytes(data));
    }
    // Every value of root's Run key as "name=data", names exactly as the registry keeps them,
    // in name order.
    std::vector<std::string> Values(plat::RegHandle root) {
        std::vector<std::string> out;
        plat::RegHandle k = 0;
        if (reg.openKeyEx(root, kRunKeyPath, plat::kKeyRead, &k) != 0) return out;
        for (uint32_t i = 0;; ++i) {
            std::string name;
            uint32_t nameChars = 16384, type = 0, bytes = 65536;
            std::vector<uint8_t> data;
            if (reg.enumValue(k, i, &name, &nameChars, &type, &data, &bytes) != 0) break;
            out.push_back(name + "=" + reg::textOf(data));
        }
        reg.closeKey(k);
        std::sort(out.begin(), out.end());
        return out;
    }
    // The string stored under root's Run key with exactly this name (letter case included), or
    // "<missing>".
    std::string Stored(plat::RegHandle root, const std::string& name) {
        for (const std::string& v : Values(root))
            if (v.compare(0, name.size() + 1, name + "=") == 0) return v.substr(name.size() + 1);
        return "<missing>";
    }
    std::vector<std::string> Rows() {
        std::vector<std::string> rows;
        for (int i = 0; i < form.ListView.count(); ++i)
            rows.push_back(form.ListView.text(i) + "=" + form.ListView.subItem(i, 1));
        return rows;
    }
    // Scripts the create (or modify) dialog: type name and data, press OK, report whether the
    // dialog was still open afterwards.
    void ScriptDialog(const std::string& formName, const std::string& name, const std::string& data,
                      bool* stayedOpen = nullptr) {
        host.onModal(formName, [=](ui::Form& f) {
            auto& d = static_cast<startup::EntryDialog&>(f);
            drv.type(d.txtName, name);
            drv.type(d.txtData, data);
            drv.click(d.cmdOK);
            if (stayedOpen) *stayedOpen = d.visible();
        });
    }

    FailingRegistry reg;
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

TEST_F(StartupTest, ListsEveryStringValuePlainOrExpandableWhateverItsLengthAndSkipsOtherTypes) {
    const std::string longData = "C:\\" + std::string(300, 'd') + ".exe";
    const std::string longName = std::string(300, 'N');
    Put(kHkeyCurrentUser, "Short", "a.exe");
    Put(kHkeyCurrentUser, "LongData", longData);
    Put(kHkeyCurrentUser, "Expand", Utf16Bytes("%windir%\\x.exe"), plat::kRegExpandSz);
    Put(kHkeyCurrentUser, longName, "n.exe");
    Put(kHkeyCurrentUser, "Number", {1, 0, 0, 0}, plat::kRegDword);
    Put(kHkeyCurrentUser, "After", "b.exe");
    form.show();
    EXPECT_EQ(Rows(), (std::vector<std::string>{"Short=a.exe", "LongData=" + longData, "Expand=%windir%\\x.exe",
                                                longName + "=n.exe", "After=b.exe"}));
    // The entry after the long ones can be removed.
    drv.clickRow(form.ListView, 4);
    host.answer(ui::mb::Yes);
    drv.click(form.cmdDelete);
    EXPECT_EQ(Stored(kHkeyCurrentUser, "After"), "<missing>");
    EXPECT_EQ(form.ListView.count(), 4);
}

TEST_F(StartupTest, StringDataIsCutAtTheFirstNulWithinItsSize) {
    struct Case {
        std::vector<uint8_t> bytes;
        std::string expected;
    } cases[] = {
        {{}, ""},
        {{'a', 0, 'b', 0, 'c', 0}, "abc"},             // no terminator: nothing dropped
        {{'a', 0, 'b', 0, 0, 0, 'c', 0, 0, 0}, "ab"},  // embedded NUL
        {{'a', 0, 'b', 0, 'c'}, "ab"},                 // odd size: the half unit is dropped
        {{'x', 0, 0, 0}, "x"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(reg::textOf(c.bytes), c.expected);
    }
    Put(kHkeyCurrentUser, "Empty", std::vector<uint8_t>{});
    Put(kHkeyCurrentUser, "Bare", std::vector<uint8_t>{'a', 0, 'b', 0, 'c', 0});
    form.show();
    EXPECT_EQ(Rows(), (std::vector<std::string>{"Empty=", "Bare=abc"}));
}

TEST_F(StartupTest, KeyWithoutStringValuesShowsOnePlaceholderRowAndNoEditOfIt) {
    Put(kHkeyCurrentUser, "Number", {1, 0, 0, 0}, plat::kRegDword);
    form.show();
    ASSERT_EQ(form.ListView.count(), 1);
    EXPECT_EQ(form.ListView.text(0), "");
    EXPECT_TRUE(form.EntriesEmpty);
    EXPECT_TRUE(form.cmdCreate.enabled());
    EXPECT_FALSE(form.cmdModify.enabled());
    EXPECT_FALSE(form.cmdDelete.enabled());
    EXPECT_FALSE(form.cmdDisable.enabled());
    EXPECT_FALSE(form.cmdEnable.enabled());
    EXPECT_THROW(drv.click(form.cmdDelete), ui::DriverError);
    drv.keyDown(form.ListView, ui::kKeyDelete);  // the Delete key does nothing either
    EXPECT_TRUE(host.boxes.empty());
    EXPECT_TRUE(reg.getValue(kHkeyCurrentUser, kRunKeyPath, "Number", nullptr, nullptr));
}

TEST_F(StartupTest, KeyThatCannotBeReadShowsTheMessageClearsTheListAndDisablesEditing) {
    Put(kHkeyCurrentUser, "Mine", "mine.exe");
    Put(kHkeyLocalMachine, "Theirs", "theirs.exe");
    reg.markAccessDenied(kHkeyLocalMachine, kRunKeyPath);
    form.show();
    ASSERT_EQ(Rows(), std::vector<std::string>{"Mine=mine.exe"});
    drv.click(form.Option1[0]);
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_EQ(host.boxes[0].text, startup::kOpenErrorText);
    EXPECT_EQ(Rows(), std::vector<std::string>{"="});  // no rows of the other root stay behind
    EXPECT_FALSE(form.cmdModify.enabled());
    EXPECT_FALSE(form.cmdDelete.enabled());
    EXPECT_FALSE(host.quitting());
    // Create offers the places that could be read, never the refused key.
    host.onModal("frmCreate", [&](ui::Form& f) {
        auto& d = static_cast<startup::EntryDialog&>(f);
        EXPECT_EQ(d.cboPlace.items(), (std::vector<std::string>{"Run (32-bit)", "RunOnce", "RunOnce (32-bit)"}));
        drv.click(d.cmdCancel);
    });
    drv.click(form.cmdCreate);
    drv.click(form.Option1[1]);
    EXPECT_EQ(Rows(), std::vector<std::string>{"Mine=mine.exe"});
    EXPECT_TRUE(form.cmdModify.enabled());
}

TEST_F(StartupTest, ReadOnlyKeyIsListedAndARefusedCreateKeepsTheDialogOpen) {
    Put(kHkeyLocalMachine, "Theirs", "theirs.exe");
    reg.markReadOnly(kHkeyLocalMachine, kRunKeyPath);
    form.show();
    drv.click(form.Option1[0]);
    ASSERT_EQ(Rows(), std::vector<std::string>{"Theirs=theirs.exe"});
    bool stayedOpen = false;
    ScriptDialog("frmCreate", "New", "new.exe", &stayedOpen);
    drv.click(form.cmdCreate);
    EXPECT_TRUE(stayedOpen);
    ASSERT_FALSE(host.boxes.empty());
    EXPECT_EQ(host.boxes.back().title, "Error");
    EXPECT_NE(host.boxes.back().text.find("could not be written"), std::string::npos);
    EXPECT_EQ(Stored(kHkeyLocalMachine, "New"), "<missing>");
}

TEST_F(StartupTest, FailedWriteDuringRenameKeepsTheOldEntry) {
    Put(kHkeyCurrentUser, "Old", "old.exe");
    form.show();
    reg.failSetValue = 1450;  // no system resources
    bool stayedOpen = false;
    ScriptDialog("frmModify", "Renamed", "new.exe", &stayedOpen);
    drv.click(form.cmdModify);
    EXPECT_TRUE(stayedOpen);
    EXPECT_EQ(Stored(kHkeyCurrentUser, "Old"), "old.exe");
    EXPECT_EQ(Stored(kHkeyCurrentUser, "Renamed"), "<missing>");
    ASSERT_FALSE(host.boxes.empty());
    EXPECT_NE(host.boxes.back().text.find("1450"), std::string::npos);

    reg.failSetValue = 0;
    ScriptDialog("frmModify", "Renamed", "new.exe");
    drv.click(form.cmdModify);
    EXPECT_EQ(Stored(kHkeyCurrentUser, "Old"), "<missing>");
    EXPECT_EQ(Stored(kHkeyCurrentUser, "Renamed"), "new.exe");
    EXPECT_EQ(Rows(), std::vector<std::string>{"Renamed=new.exe"});
}

TEST_F(StartupTest, RenameChecksDuplicatesExceptForACaseChangeWhichRenames) {
    Put(kHkeyCurrentUser, "Alpha", "a.exe");
    Put(kHkeyCurrentUser, "Beta", "b.exe");
    form.show();
    bool stayedOpen = false;
    ScriptDialog("frmModify", "BETA", "x.exe", &stayedOpen);  // row 0 is Alpha
    drv.click(form.cmdModify);
    EXPECT_TRUE(stayedOpen);
    EXPECT_EQ(host.boxes.back().text, startup::kDuplicateText);
    EXPECT_EQ(Stored(kHkeyCurrentUser, "Alpha"), "a.exe");
    EXPECT_EQ(Stored(kHkeyCurrentUser, "Beta"), "b.exe");

    ScriptDialog("frmModify", "ALPHA", "a2.exe --flag", &stayedOpen);
    drv.click(form.cmdModify);
    EXPECT_FALSE(stayedOpen);
    EXPECT_EQ(Values(kHkeyCurrentUser), (std::vector<std::string>{"ALPHA=a2.exe --flag", "Beta=b.exe"}));
    EXPECT_EQ(form.ListView.count(), 2);  // replaced, not doubled
}

TEST_F(StartupTest, RenameInLetterCaseOnlyIsKeptAndAFailedWritePutsTheOldValueBack) {
    Put(kHkeyCurrentUser, "myapp", "app.exe");
    Put(kHkeyCurrentUser, "Other", "o.exe");
    form.show();
    drv.clickRow(form.ListView, 0);
    ASSERT_EQ(form.ListView.text(0), "myapp");
    bool stayedOpen = true;
    ScriptDialog("frmModify", "MyApp", "app.exe /tray", &stayedOpen);
    drv.click(form.cmdModify);
    EXPECT_FALSE(stayedOpen);
    EXPECT_EQ(Values(kHkeyCurrentUser), (std::vector<std::string>{"MyApp=app.exe /tray", "Other=o.exe"}));
    std::vector<std::string> rows = Rows();
    std::sort(rows.begin(), rows.end());
    EXPECT_EQ(rows, (std::vector<std::string>{"MyApp=app.exe /tray", "Other=o.exe"}));
    EXPECT_TRUE(host.boxes.empty());

    // The write under the new spelling is refused: the old value is written back and the
    // failure reported; the dialog stays open.
    const int row = form.ListView.text(0) == "MyApp" ? 0 : 1;
    drv.clickRow(form.ListView, row);
    reg.failSetValue = 1450;
    reg.failSetName = "MYAPP";
    ScriptDialog("frmModify", "MYAPP", "other.exe", &stayedOpen);
    drv.click(form.cmdModify);
    EXPECT_TRUE(stayedOpen);
    EXPECT_EQ(Values(kHkeyCurrentUser), (std::vector<std::string>{"MyApp=app.exe /tray", "Other=o.exe"}));
    ASSERT_FALSE(host.boxes.empty());
    EXPECT_NE(host.boxes.back().text.find("1450"), std::string::npos);
    EXPECT_NE(host.boxes.back().text.find("left as it was"), std::string::npos);

    // Neither write works: the report says the entry could not be written back, and the list
    // shows what the registry holds.
    reg.failSetName.clear();
    drv.clickRow(form.ListView, form.ListView.text(0) == "MyApp" ? 0 : 1);
    ScriptDialog("frmModify", "MYAPP", "other.exe", &stayedOpen);
    drv.click(form.cmdModify);
    EXPECT_TRUE(stayedOpen);
    EXPECT_NE(host.boxes.back().text.find("could not be written back"), std::string::npos);
    EXPECT_EQ(Values(kHkeyCurrentUser), std::vector<std::string>{"Other=o.exe"});
    EXPECT_EQ(Rows(), std::vector<std::string>{"Other=o.exe"});
}

TEST_F(StartupTest, CreateRefusesAnyNameTheRegistryAlreadyHoldsOrCannotAnswerFor) {
    const std::string longData(400, 'z');
    Put(kHkeyCurrentUser, "Long", longData);  // over-long data before the others
    Put(kHkeyCurrentUser, "Existing", "e.exe");
    Put(kHkeyCurrentUser, "Hidden", {1, 0, 0, 0}, plat::kRegDword);  // not listed
    form.show();
    for (const char* name : {"existing", "EXISTING", "Hidden", "long"}) {
        bool stayedOpen = false;
        ScriptDialog("frmCreate", name, "overwrite.exe", &stayedOpen);
        drv.click(form.cmdCreate);
        EXPECT_TRUE(stayedOpen) << name;
        EXPECT_EQ(host.boxes.back().text, startup::kDuplicateText) << name;
    }
    EXPECT_EQ(Stored(kHkeyCurrentUser, "Existing"), "e.exe");
    EXPECT_EQ(Stored(kHkeyCurrentUser, "Long"), longData);

    // A lookup that fails for another reason is not "not found".
    reg.failQuery = plat::kErrorAccessDenied;
    bool stayedOpen = false;
    ScriptDialog("frmCreate", "Brand new", "n.exe", &stayedOpen);
    drv.click(form.cmdCreate);
    EXPECT_TRUE(stayedOpen);
    EXPECT_EQ(host.boxes.back().text, startup::kOpenErrorText);
    EXPECT_EQ(Stored(kHkeyCurrentUser, "Brand new"), "<missing>");
}

TEST_F(StartupTest, BlankNameOrDataIsRejectedAndTextIsStoredAsTyped) {
    form.show();
    struct Case {
        std::string name, data;
    } blanks[] = {{"", "x.exe"}, {"   ", "x.exe"}, {"Name", ""}, {"Name", "   "}};
    for (const Case& c : blanks) {
        bool stayedOpen = false;
        ScriptDialog("frmCreate", c.name, c.data, &stayedOpen);
        drv.click(form.cmdCreate);
        EXPECT_TRUE(stayedOpen);
        EXPECT_EQ(host.boxes.back().text, startup::kEmptyText);
        EXPECT_EQ(host.boxes.back().title, "Error");
    }
    ScriptDialog("frmCreate", "  Spaced \xC3\x9C\xE2\x9C\x93", " \"C:\\p q\\r.exe\" -x ");
    drv.click(form.cmdCreate);
    EXPECT_EQ(Stored(kHkeyCurrentUser, "  Spaced \xC3\x9C\xE2\x9C\x93"), " \"C:\\p q\\r.exe\" -x ");
    EXPECT_EQ(Rows(), std::vector<std::string>{"  Spaced \xC3\x9C\xE2\x9C\x93= \"C:\\p q\\r.exe\" -x "});
    // The whole text is written with its terminator: its size in bytes, not characters.
    uint32_t type = 0;
    std::vector<uint8_t> data;
    ASSERT_TRUE(reg.getValue(kHkeyCurrentUser, kRunKeyPath, "  Spaced \xC3\x9C\xE2\x9C\x93", &type, &data));
    EXPECT_EQ(type, plat::kRegSz);
    EXPECT_EQ(data, Utf16Bytes(" \"C:\\p q\\r.exe\" -x "));
}

TEST_F(StartupTest, DeleteAsksAndActsOnTheSelectedEntryOfTheChosenRoot) {
    Put(kHkeyCurrentUser, "A", "a.exe");
    Put(kHkeyLocalMachine, "A", "machine.exe");
    Put(kHkeyLocalMachine, "B", "b.exe");
    form.show();
    drv.click(form.Option1[0]);
    drv.clickRow(form.ListView, 0);
    host.answer(ui::mb::No);
    drv.click(form.cmdDelete);
    EXPECT_EQ(host.boxes.back().text, startup::kDeleteQuestion);
    EXPECT_EQ(host.boxes.back().title, "Delete Key");
    EXPECT_EQ(Stored(kHkeyLocalMachine, "A"), "machine.exe");
    host.answer(ui::mb::Yes);
    drv.keyDown(form.ListView, ui::kKeyDelete);
    EXPECT_EQ(Stored(kHkeyLocalMachine, "A"), "<missing>");
    EXPECT_EQ(Stored(kHkeyCurrentUser, "A"), "a.exe");
    EXPECT_EQ(Rows(), std::vector<std::string>{"B=b.exe"});
}

TEST_F(StartupTest, RunKeyMissingListsNothingAndCreateMakesIt) {
    form.show();
    EXPECT_TRUE(host.boxes.empty());
    EXPECT_TRUE(form.cmdCreate.enabled());
    ScriptDialog("frmCreate", "First", "f.exe");
    drv.click(form.cmdCreate);
    EXPECT_EQ(Stored(kHkeyCurrentUser, "First"), "f.exe");
    EXPECT_EQ(Rows(), std::vector<std::string>{"First=f.exe"});
}

TEST_F(StartupTest, ProgramFileOfCommandLines) {
    struct Case {
        const char* data;
        const char* file;
    } cases[] = {
        {"\"C:\\Program Files\\App\\app.exe\" /min", "C:\\Program Files\\App\\app.exe"},
        {"C:\\tools\\t.exe", "C:\\tools\\t.exe"},
        {"C:\\tools\\t.exe -a", "C:\\tools\\t.exe -a"},
        {"rUnDlL32 shell32.dll,Control_RunDLL", "c:\\windows\\system32\\rundll32.exe"},
        {"\"C:\\no\\close.exe", "C:\\no\\close.ex"},
        {"C:\\\\double\\\\x.exe", "C:\\double\\x.exe"},
        {"", ""},
        {"\"", ""},
    };
    for (const Case& c : cases) EXPECT_EQ(startup::ProgramFileOf(c.data), c.file) << c.data;
}

TEST_F(StartupTest, RowsShowTheProgramIconOrTheDefault) {
    files.addFile("C:\\Program Files\\App\\app.exe", 10);
    files.addFile("c:\\windows\\system32\\rundll32.exe", 10);
    icons.add("C:\\Program Files\\App\\app.exe");
    icons.add("c:\\windows\\system32\\rundll32.exe");
    Put(kHkeyCurrentUser, "App", "\"C:\\Program Files\\App\\app.exe\" /min");
    Put(kHkeyCurrentUser, "Dll", "RUNDLL32 x.dll,Go");
    Put(kHkeyCurrentUser, "Gone", "C:\\gone.exe");
    Put(kHkeyCurrentUser, "Args", "C:\\Program Files\\App\\app.exe /min");
    form.show();
    int def = form.ImageList.indexOf("Default");
    ASSERT_GE(def, 0);
    auto iconOf = [&](int row) { return form.ListView.item(row).smallIcon; };
    EXPECT_NE(iconOf(0), def);
    EXPECT_EQ(icons.iconSource(form.ImageList.images()[iconOf(0)].icon), "C:\\Program Files\\App\\app.exe");
    EXPECT_EQ(icons.iconSource(form.ImageList.images()[iconOf(1)].icon), "c:\\windows\\system32\\rundll32.exe");
    EXPECT_EQ(iconOf(2), def);
    EXPECT_EQ(iconOf(3), def);  // arguments without quotes: no such file
    // Refreshing reuses the images instead of adding more.
    int images = form.ImageList.count();
    drv.click(form.Option1[1]);
    EXPECT_EQ(form.ImageList.count(), images);
}

TEST_F(StartupTest, ColumnClickSortsAscendingThenDescending) {
    Put(kHkeyCurrentUser, "b", "2");
    Put(kHkeyCurrentUser, "C", "1");
    Put(kHkeyCurrentUser, "a", "3");
    form.show();
    drv.clickColumn(form.ListView, 0);
    EXPECT_EQ(Rows(), (std::vector<std::string>{"a=3", "b=2", "C=1"}));
    drv.clickColumn(form.ListView, 0);
    EXPECT_EQ(Rows(), (std::vector<std::string>{"C=1", "b=2", "a=3"}));
    drv.clickColumn(form.ListView, 1);
    EXPECT_EQ(Rows(), (std::vector<std::string>{"C=1", "b=2", "a=3"}));
}

TEST_F(StartupTest, SortByDataSurvivesEveryReRead) {
    Put(kHkeyCurrentUser, "b", "2.exe");
    Put(kHkeyCurrentUser, "c", "1.exe");
    Put(kHkeyCurrentUser, "a", "3.exe");
    Put(kHkeyCurrentUser, "d", "4.exe");
    form.show();
    drv.clickColumn(form.ListView, 1);  // "Data"
    ASSERT_EQ(Rows(), (std::vector<std::string>{"c=1.exe", "b=2.exe", "a=3.exe", "d=4.exe"}));

    drv.clickRow(form.ListView, 0);
    host.answer(ui::mb::Yes);
    drv.keyDown(form.ListView, ui::kKeyDelete);
    EXPECT_EQ(Rows(), (std::vector<std::string>{"b=2.exe", "a=3.exe", "d=4.exe"}));

    ScriptDialog("frmCreate", "e", "0.exe");
    drv.click(form.cmdCreate);
    EXPECT_EQ(Rows(), (std::vector<std::string>{"e=0.exe", "b=2.exe", "a=3.exe", "d=4.exe"}));

    drv.clickRow(form.ListView, 1);
    ScriptDialog("frmModify", "b", "9.exe");
    drv.click(form.cmdModify);
    EXPECT_EQ(Rows(), (std::vector<std::string>{"e=0.exe", "a=3.exe", "d=4.exe", "b=9.exe"}));

    drv.clickColumn(form.ListView, 1);  // descending
    drv.click(form.Option1[0]);
    drv.click(form.Option1[1]);
    EXPECT_EQ(Rows(), (std::vector<std::string>{"b=9.exe", "d=4.exe", "a=3.exe", "e=0.exe"}));
    EXPECT_TRUE(form.ListView.sorted());
    EXPECT_EQ(form.ListView.sortKey(), 1);
}

TEST_F(StartupTest, RootTagsAndWebLabel) {
    EXPECT_EQ(startup::RootTag(kHkeyCurrentUser), "-2147483647");
    EXPECT_EQ(startup::RootTag(kHkeyLocalMachine), "-2147483646");
    EXPECT_EQ(startup::RootFromTag("-2147483647"), kHkeyCurrentUser);
    EXPECT_EQ(startup::RootFromTag("-2147483646"), kHkeyLocalMachine);
    form.show();
    drv.click(form.Label8);
    auto opened = shell.eventsOf(plat::FakeShell::Event::Kind::ShellExecute);
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0].verb, "open");
    EXPECT_EQ(opened[0].program, "http://www.tolvane.example/");
}

}  // namespace
