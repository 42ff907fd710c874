// The forms toolkit on the headless backend: what the driver lets a user do, what the controls
// do with it, and the scripting of message boxes, modal forms and yields.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/ui/form.h"
#include "common/ui/headless.h"

namespace {

using ui::DriverError;
using Order = ui::ListView::SortOrder;

class FrmTest : public ui::Form {
public:
    explicit FrmTest(ui::Host& host, std::string name = "FrmTest") : Form(host, std::move(name), "Test") {
        cmdGo.isDefault = true;
        cmdCancel.isCancel = true;
        lv.addColumn("Name");
        lv.addColumn("Data");
        lv.checkBoxes = true;
        lv.move(0, 0, 4000, 3000);
        cmdGo.onClick = [this] { log.push_back("go"); };
        cmdCancel.onClick = [this] { log.push_back("cancel"); };
        lblLink.onClick = [this] { log.push_back("link"); };
        chk.onClick = [this] { log.push_back("chk " + std::to_string(chk.value())); };
        optA.onClick = [this] { log.push_back("optA"); };
        optB.onClick = [this] { log.push_back("optB"); };
        optInner.onClick = [this] { log.push_back("optInner"); };
        txt.onChange = [this] { log.push_back("txt " + txt.text()); };
        cbo.onChange = [this] { log.push_back("cbo change " + cbo.text()); };
        cbo.onClick = [this] { log.push_back("cbo click " + std::to_string(cbo.listIndex())); };
        cbo.onKeyPress = [this](int& k) {
            log.push_back("cbo key " + std::to_string(k));
            if (k == 13) k = 0;
        };
        cbo.onKeyUp = [this](int k) { log.push_back("cbo up " + std::to_string(k)); };
        lst.onItemCheck = [this](int i) { log.push_back("lst check " + std::to_string(i)); };
        lst.onClick = [this] { log.push_back("lst click"); };
        lst.onDblClick = [this] { log.push_back("lst dbl"); };
        lv.onItemCheck = [this](int i) { log.push_back("lv check " + std::to_string(i)); };
        lv.onItemClick = [this](int i) { log.push_back("lv item " + std::to_string(i)); };
        lv.onClick = [this] { log.push_back("lv click"); };
        lv.onDblClick = [this] { log.push_back("lv dbl"); };
        lv.onColumnClick = [this](int c) { log.push_back("lv column " + std::to_string(c)); };
        lv.onKeyDown = [this](int k) { log.push_back("lv key " + std::to_string(k)); };
        lv.onMouseUp = [this](int b, int, int y) {
            log.push_back("lv up " + std::to_string(b) + " row " + std::to_string(lv.hitTest(100, y)));
        };
        tmr.onTimer = [this] { log.push_back("tick"); };
        mScan.onClick = [this] { log.push_back("menu scan"); };
        pic.onClick = [this] { log.push_back("pic"); };
    }

    ui::Frame fra{*this, nullptr, "fra", "Frame"};
    ui::OptionButton optInner{*this, &fra, "optInner", "Inner"};
    ui::CheckBox chkInner{*this, &fra, "chkInner", "Inner box"};
    ui::OptionButton optA{*this, nullptr, "optA", "A"};
    ui::OptionButton optB{*this, nullptr, "optB", "B"};
    ui::Button cmdGo{*this, nullptr, "cmdGo", "Go"};
    ui::Button cmdCancel{*this, nullptr, "cmdCancel", "Cancel"};
    ui::Label lblLink{*this, nullptr, "lblLink", "WWW"};
    ui::CheckBox chk{*this, nullptr, "chk", "Check"};
    ui::TextBox txt{*this, nullptr, "txt"};
    ui::ComboBox cbo{*this, nullptr, "cbo"};
    ui::ComboBox cboList{*this, nullptr, "cboList", ui::ComboBox::Style::DropDownList};
    ui::ListBox lst{*this, nullptr, "lst", true};
    ui::ListView lv{*this, nullptr, "lv"};
    ui::ImageList icons;
    ui::PictureBox pic{*this, nullptr, "pic"};
    ui::ProgressBar pb{*this, nullptr, "pb"};
    ui::StatusBar sb{*this, nullptr, "sb", 2};
    ui::Timer tmr{*this, "tmr", 100, true};
    ui::MenuItem mFile{*this, "mFile", "&File"};
    ui::MenuItem mScan{mFile, "mScan", "Scan", "F3"};
    std::vector<std::string> log;
};

class Toolkit : public ::testing::Test {
protected:
    ui::HeadlessHost host;
    ui::Driver drv{host};
    FrmTest form{host};
};

TEST_F(Toolkit, DriverRefusesWhatAUserCannotReach) {
    // Not shown yet.
    EXPECT_THROW(drv.click(form.cmdGo), DriverError);
    form.show();
    drv.click(form.cmdGo);

    struct Case {
        const char* what;
        std::function<void()> block, unblock, act;
    };
    std::vector<Case> cases = {
        {"disabled button", [&] { form.cmdGo.setEnabled(false); }, [&] { form.cmdGo.setEnabled(true); },
         [&] { drv.click(form.cmdGo); }},
        {"hidden label", [&] { form.lblLink.setVisible(false); }, [&] { form.lblLink.setVisible(true); },
         [&] { drv.click(form.lblLink); }},
        {"option in a hidden frame", [&] { form.fra.setVisible(false); }, [&] { form.fra.setVisible(true); },
         [&] { drv.click(form.optInner); }},
        {"check box in a disabled frame", [&] { form.fra.setEnabled(false); }, [&] { form.fra.setEnabled(true); },
         [&] { drv.click(form.chkInner); }},
        {"disabled list view", [&] { form.lv.setEnabled(false); }, [&] { form.lv.setEnabled(true); },
         [&] { drv.clickColumn(form.lv, 0); }},
        {"disabled menu entry", [&] { form.mScan.setEnabled(false); }, [&] { form.mScan.setEnabled(true); },
         [&] { drv.click(form.mScan); }},
        {"hidden menu", [&] { form.mFile.setVisible(false); }, [&] { form.mFile.setVisible(true); },
         [&] { drv.click(form.mScan); }},
        {"stopped timer", [&] { form.tmr.setEnabled(false); }, [&] { form.tmr.setEnabled(true); },
         [&] { drv.fire(form.tmr); }},
        {"read-only text box", [&] { form.txt.readOnly = true; }, [&] { form.txt.readOnly = false; },
         [&] { drv.type(form.txt, "x"); }},
        {"hidden window", [&] { form.hide(); }, [&] { form.show(); }, [&] { drv.click(form.chk); }},
    };
    for (Case& c : cases) {
        c.block();
        size_t before = form.log.size();
        EXPECT_THROW(c.act(), DriverError) << c.what;
        EXPECT_EQ(form.log.size(), before) << c.what << ": no event may run";
        c.unblock();
        EXPECT_NO_THROW(c.act()) << c.what;
    }
    // Typing into a drop-down list and ticking a list view without tick boxes are refused too.
    EXPECT_THROW(drv.type(form.cboList, "x"), DriverError);
    form.lv.addItem("row");
    form.lv.checkBoxes = false;
    EXPECT_THROW(drv.tick(form.lv, 0, true), DriverError);
    EXPECT_THROW(drv.clickRow(form.lv, 5), DriverError);
}

TEST_F(Toolkit, OptionButtonsFormOneGroupPerContainer) {
    form.show();
    form.optA.setValue(true);
    form.optInner.setValue(true);
    drv.click(form.optB);
    EXPECT_FALSE(form.optA.value());
    EXPECT_TRUE(form.optB.value());
    EXPECT_TRUE(form.optInner.value());  // another container, another group
    EXPECT_EQ(form.log, std::vector<std::string>{"optB"});
    form.optA.setValue(true);  // from code: no event
    EXPECT_FALSE(form.optB.value());
    EXPECT_EQ(form.log.size(), 1u);
}

TEST_F(Toolkit, CheckBoxTogglesAndGreyGoesToTicked) {
    form.show();
    drv.click(form.chk);
    drv.click(form.chk);
    form.chk.setValue(2);
    drv.click(form.chk);
    EXPECT_EQ(form.log, (std::vector<std::string>{"chk 1", "chk 0", "chk 1"}));
    form.chk.setValue(7);  // out of range from code: ticked
    EXPECT_EQ(form.chk.value(), 1);
}

TEST_F(Toolkit, TextComboAndListBoxEvents) {
    form.show();
    drv.type(form.txt, "abc");
    form.txt.setText("code");  // no event
    form.cbo.addItem("HKEY_CURRENT_USER");
    form.cbo.addItem("HKEY_USERS");
    drv.type(form.cbo, "HKEY_USERS");
    EXPECT_EQ(form.cbo.listIndex(), 1);  // typed text equal to an item selects it
    EXPECT_EQ(form.cbo.selStart(), 10);
    drv.pick(form.cbo, 0);
    EXPECT_EQ(form.cbo.text(), "HKEY_CURRENT_USER");
    drv.keyPress(form.cbo, 'a');
    drv.keyUp(form.cbo, 65);
    EXPECT_EQ(form.cbo.userKeyPress(13), 0);  // the handler swallowed Enter
    EXPECT_THROW(drv.pick(form.cbo, 2), DriverError);

    form.cboList.addItem("one");
    form.cboList.addItem("two");
    form.cboList.setText("ignored");  // a drop-down list shows its item only
    EXPECT_EQ(form.cboList.text(), "");
    form.cboList.setListIndex(1);
    EXPECT_EQ(form.cboList.text(), "two");
    form.cboList.removeItem(0);
    EXPECT_EQ(form.cboList.listIndex(), 0);

    form.lst.addItem("a");
    form.lst.addItem("b");
    drv.tick(form.lst, 1, true);
    drv.tick(form.lst, 1, true);  // unchanged: no second event
    drv.select(form.lst, 0);
    drv.dblClick(form.lst, 1);
    EXPECT_TRUE(form.lst.checked(1));
    EXPECT_EQ(form.lst.listIndex(), 1);
    EXPECT_EQ(form.lst.selCount(), 1);
    EXPECT_EQ(form.log,
              (std::vector<std::string>{"txt abc", "cbo change HKEY_USERS", "cbo click 0", "cbo key 97", "cbo up 65",
                                        "cbo key 13", "lst check 1", "lst click", "lst click", "lst dbl"}));
}

TEST_F(Toolkit, ListViewSortsCaseInsensitivelyBothWaysAndInsertsInPlace) {
    form.show();
    for (const char* s : {"beta", "Alpha", "gamma", "alpha", "Beta2"}) form.lv.addItem(s);
    form.lv.setSubItem(0, 1, "2");
    form.lv.setChecked(2, true);  // "gamma" keeps its tick through sorting
    form.lv.setSorting(true, 0, Order::Ascending);
    auto texts = [&] {
        std::vector<std::string> out;
        for (int i = 0; i < form.lv.count(); ++i) out.push_back(form.lv.text(i));
        return out;
    };
    // Equal keys keep their order ("Alpha" was added before "alpha").
    EXPECT_EQ(texts(), (std::vector<std::string>{"Alpha", "alpha", "beta", "Beta2", "gamma"}));
    EXPECT_TRUE(form.lv.checked(4));
    EXPECT_EQ(form.lv.addItem("ALPHA"), 2);  // after its equals
    EXPECT_EQ(form.lv.addItem("delta"), 5);
    EXPECT_EQ(form.lv.addItem("zulu"), 7);
    form.lv.setSorting(true, 0, Order::Descending);
    EXPECT_EQ(texts(),
              (std::vector<std::string>{"zulu", "gamma", "delta", "Beta2", "beta", "Alpha", "alpha", "ALPHA"}));
    EXPECT_EQ(form.lv.addItem("Cat"), 3);
    EXPECT_EQ(form.lv.addItem("alpha"), 9);  // equals: last

    // Sorted by a sub-item column, a new row (empty key) goes first ascending, last descending.
    form.lv.setSorting(true, 1, Order::Ascending);
    EXPECT_EQ(form.lv.text(form.lv.count() - 1), "beta");  // the only row with data in column 1
    EXPECT_EQ(form.lv.addItem("new"), 9);                  // after the other empty keys, before "2"
    form.lv.setSorting(true, 1, Order::Descending);
    EXPECT_EQ(form.lv.text(0), "beta");
    int last = form.lv.addItem("last");
    EXPECT_EQ(last, form.lv.count() - 1);

    // Unsorted: rows go to the end.
    form.lv.setSorting(false, 0, Order::Ascending);
    int end = form.lv.addItem("aaa");
    EXPECT_EQ(end, form.lv.count() - 1);
}

TEST_F(Toolkit, NumericColumnSortsByNumberWithGroupingAndUnits) {
    form.show();
    form.lv.column(1).numeric = true;
    auto data = [&] {
        std::vector<std::string> out;
        for (int i = 0; i < form.lv.count(); ++i) out.push_back(form.lv.subItem(i, 1));
        return out;
    };
    // Texts as the windows write numbers: grouped, with a unit, a locale's grouping, none at all.
    for (const char* d : {"100", "12", "1,234 K", "999 K", "", "05", "1.000.000", "n/a",
                          "1\xC2\xA0"
                          "000",
                          "007"}) {
        int i = form.lv.addItem("r");
        form.lv.setSubItem(i, 1, d);
    }
    form.lv.setSorting(true, 1, Order::Ascending);
    // Texts without a number first (in text order), then by value; equal values keep their order.
    EXPECT_EQ(data(), (std::vector<std::string>{"", "n/a", "05", "007", "12", "100", "999 K",
                                                "1\xC2\xA0"
                                                "000",
                                                "1,234 K", "1.000.000"}));
    form.lv.setSorting(true, 1, Order::Descending);
    EXPECT_EQ(data().front(), "1.000.000");
    // A new or changed row goes to its numeric place.
    EXPECT_EQ(form.lv.setSubItem(form.lv.addItem("new"), 1, "200"), 4);
    // A separator that is not between digits ends the number: "5," is 5, ",5" has none.
    form.lv.clear();
    for (const char* d : {"5,", ",5", "4"}) form.lv.setSubItem(form.lv.addItem("r"), 1, d);
    form.lv.setSorting(true, 1, Order::Ascending);
    EXPECT_EQ(data(), (std::vector<std::string>{",5", "4", "5,"}));
}

TEST_F(Toolkit, SortedListPlacesARowByItsSortTextWheneverThatTextIsSet) {
    form.show();
    form.lv.smallIcons = &form.icons;
    form.lv.setSorting(true, 1, Order::Ascending);  // the user sorted by "Data"
    auto rows = [&] {
        std::vector<std::string> out;
        for (int i = 0; i < form.lv.count(); ++i) out.push_back(form.lv.text(i) + "=" + form.lv.subItem(i, 1));
        return out;
    };
    // A re-read fills the list as a window does: the row first, its data next, then its icon.
    form.lv.beginUpdate();
    for (const char* row : {"b=2", "c=1", "a=3", "d=1"}) {
        std::string text(row);
        int i = form.lv.addItem(text.substr(0, 1));
        i = form.lv.setSubItem(i, 1, text.substr(2));
        form.lv.setSmallIcon(i, text[0] == 'a' ? 1 : 0);
    }
    form.lv.endUpdate();
    EXPECT_EQ(rows(), (std::vector<std::string>{"c=1", "d=1", "b=2", "a=3"}));  // equals keep their order
    EXPECT_EQ(form.lv.item(3).smallIcon, 1);  // the icon went to the row it was set for

    // Changing the sort text of a row moves it, with its selection and tick.
    form.lv.setSelected(0, true);
    form.lv.setChecked(0, true);
    EXPECT_EQ(form.lv.setSubItem(0, 1, "9"), 3);
    EXPECT_EQ(rows(), (std::vector<std::string>{"d=1", "b=2", "a=3", "c=9"}));
    EXPECT_EQ(form.lv.selectedIndex(), 3);
    EXPECT_TRUE(form.lv.checked(3));
    EXPECT_EQ(form.lv.setText(1, "z"), 1);          // not the sort column: stays
    EXPECT_EQ(form.lv.setSubItem(1, 1, "2.5"), 1);  // still in its place

    form.lv.setSorting(true, 1, Order::Descending);
    EXPECT_EQ(form.lv.setSubItem(form.lv.addItem("e"), 1, "5"), 1);
    EXPECT_EQ(rows(), (std::vector<std::string>{"c=9", "e=5", "a=3", "z=2.5", "d=1"}));

    form.lv.setSorting(true, 0, Order::Ascending);
    ASSERT_EQ(rows(), (std::vector<std::string>{"a=3", "c=9", "d=1", "e=5", "z=2.5"}));
    EXPECT_EQ(form.lv.setText(0, "y"), 3);
    EXPECT_EQ(rows(), (std::vector<std::string>{"c=9", "d=1", "e=5", "y=3", "z=2.5"}));

    // Unsorted, rows stay where they are.
    form.lv.setSorting(false, 0, Order::Ascending);
    EXPECT_EQ(form.lv.setText(0, "zz"), 0);
    EXPECT_EQ(form.lv.setSubItem(4, 1, "0"), 4);
}

TEST_F(Toolkit, RowAskedIntoViewDuringAnUpdateIsInViewWhenItEnds) {
    form.show();
    ui::ListViewScreen screen(form.lv);  // lv is 3000 twips high: 10 whole rows
    ASSERT_EQ(screen.rowsPerPage(), 10);
    // A scan: rows added one by one inside an update, each selected and asked into view.
    form.lv.beginUpdate();
    for (int i = 0; i < 40; ++i) {
        int row = form.lv.addItem("p" + std::to_string(i));
        form.lv.setSelected(row, true);
        form.lv.ensureVisible(row);
    }
    EXPECT_EQ(screen.rowsHeld(), 0);  // the control has not been told of the rows yet
    form.lv.endUpdate();
    EXPECT_EQ(screen.rowsHeld(), 40);
    EXPECT_TRUE(screen.inView(39));
    EXPECT_FALSE(screen.inView(0));

    // Outside an update the request acts at once.
    form.lv.ensureVisible(3);
    EXPECT_EQ(screen.topRow(), 3);

    // A request follows its row when rows are added or removed before the update ends.
    form.lv.beginUpdate();
    form.lv.ensureVisible(20);
    form.lv.removeItem(0);
    for (int i = 0; i < 15; ++i) form.lv.removeItem(form.lv.count() - 1);  // rows after it
    form.lv.endUpdate();
    EXPECT_EQ(form.lv.count(), 24);
    EXPECT_TRUE(screen.inView(19));
    EXPECT_EQ(form.lv.text(19), "p20");

    // A request for rows cleared away is dropped.
    form.lv.beginUpdate();
    form.lv.ensureVisible(23);
    form.lv.clear();
    form.lv.addItem("only");
    form.lv.endUpdate();
    EXPECT_EQ(screen.topRow(), 0);
    EXPECT_TRUE(screen.inView(0));

    // A header clicked while a scan runs: the sort takes the request with its row.
    form.lv.beginUpdate();
    for (int i = 0; i < 29; ++i) form.lv.addItem("q" + std::string(i < 10 ? "0" : "") + std::to_string(i));
    form.lv.ensureVisible(1);  // q00
    form.lv.setSorting(true, 0, Order::Descending);
    form.lv.endUpdate();
    ASSERT_EQ(form.lv.text(28), "q00");
    EXPECT_TRUE(screen.inView(28));
    EXPECT_FALSE(screen.inView(1));
}

TEST_F(Toolkit, ListViewRowsEventsAndHitTest) {
    form.show();
    form.lv.smallIcons = &form.icons;
    EXPECT_EQ(form.icons.add("key", 0, 1), 0);
    EXPECT_EQ(form.icons.add("text", 0, 2), 1);
    EXPECT_EQ(form.icons.add("KEY", 0, 3), 0);  // keys are case-insensitive: the existing picture
    for (int i = 0; i < 4; ++i) form.lv.addItem("row" + std::to_string(i), i % 2);
    form.lv.setSubItem(1, 3, "far");
    EXPECT_EQ(form.lv.subItem(1, 3), "far");
    EXPECT_EQ(form.lv.subItem(1, 2), "");
    EXPECT_EQ(form.lv.subItem(1, 0), "row1");
    form.lv.setSubItemColor(1, 2, 0x0000FF);
    EXPECT_EQ(form.lv.item(1).subItemColors.at(1), 0x0000FFu);

    drv.tick(form.lv, 2, true);
    drv.clickRow(form.lv, 1);
    drv.clickRow(form.lv, 3, true);
    EXPECT_EQ(form.lv.selCount(), 2);
    drv.clickRow(form.lv, 0);
    EXPECT_EQ(form.lv.selCount(), 1);
    drv.dblClickRow(form.lv, 2);
    EXPECT_EQ(form.lv.selectedIndex(), 2);
    drv.clickColumn(form.lv, 1);
    drv.keyDown(form.lv, ui::kKeyDelete);
    drv.mouseUpOnRow(form.lv, 3, 2);
    drv.mouseUpOnRow(form.lv, 1, 4);
    drv.mouseUpAt(form.lv, 100, 100);  // over the header
    EXPECT_EQ(form.log, (std::vector<std::string>{"lv check 2", "lv item 1", "lv click", "lv item 3", "lv click",
                                                  "lv item 0", "lv click", "lv dbl", "lv column 1", "lv key 46",
                                                  "lv up 2 row 3", "lv up 4 row 1", "lv up 1 row -1"}));

    // Headless geometry: header 300 twips, rows of 255.
    EXPECT_EQ(form.lv.hitTest(100, 299), -1);
    EXPECT_EQ(form.lv.hitTest(100, 300), 0);
    EXPECT_EQ(form.lv.hitTest(100, 300 + 4 * 255 - 1), 3);
    EXPECT_EQ(form.lv.hitTest(100, 300 + 4 * 255), -1);
    EXPECT_EQ(form.lv.hitTest(4000, 400), -1);  // right of the control
    form.lv.hideColumnHeaders = true;
    EXPECT_EQ(form.lv.hitTest(100, 0), 0);
    form.lv.peerHitTest = [](int, int) { return 42; };  // a real peer answers instead
    EXPECT_EQ(form.lv.hitTest(0, 0), 42);

    form.lv.removeItem(0);
    EXPECT_EQ(form.lv.text(0), "row1");
    form.lv.clear();
    EXPECT_EQ(form.lv.count(), 0);
    EXPECT_EQ(form.lv.selectedIndex(), -1);
}

TEST_F(Toolkit, StatusControlsTimersAndMenus) {
    form.show();
    form.pic.setText("HKEY_USERS\\x");
    drv.fire(form.tmr);
    form.tmr.setInterval(0);
    EXPECT_THROW(drv.fire(form.tmr), DriverError);  // interval 0 stops a timer
    form.pb.setValue(40);
    form.sb.setPanel(3, "four");  // grows the bar
    drv.click(form.mScan);
    form.pic.userClick();
    EXPECT_EQ(form.pic.text(), "HKEY_USERS\\x");
    EXPECT_EQ(form.pb.value(), 40);
    EXPECT_EQ(form.sb.panelCount(), 4);
    EXPECT_EQ(form.sb.panel(3), "four");
    EXPECT_EQ(form.sb.panel(1), "");
    EXPECT_EQ(form.log, (std::vector<std::string>{"tick", "menu scan", "pic"}));
    form.unload();
    form.tmr.setInterval(100);
    EXPECT_THROW(drv.fire(form.tmr), DriverError);  // the window is gone
}

TEST_F(Toolkit, EnterAndEscapePressDefaultAndCancelUnlessTheFormSwallowsThem) {
    form.show();
    drv.keyPress(form, ui::kKeyReturn);
    drv.keyPress(form, ui::kKeyEscape);
    form.keyPreview = true;
    form.onKeyPress = [&](int& k) {
        form.log.push_back("form key " + std::to_string(k));
        if (k == ui::kKeyEscape) k = 0;
    };
    drv.keyPress(form, ui::kKeyEscape);
    form.cmdGo.setEnabled(false);
    drv.keyPress(form, ui::kKeyReturn);
    EXPECT_EQ(form.log, (std::vector<std::string>{"go", "cancel", "form key 27", "form key 13"}));
}

TEST_F(Toolkit, MessageBoxesAreScriptedAndUnscriptedQuestionsFail) {
    host.answer(ui::mb::No);
    host.answer(0);
    EXPECT_EQ(host.msgBox("Delete?", ui::mb::YesNo | ui::mb::Question, "Scourline"), ui::mb::No);
    EXPECT_EQ(host.msgBox("Done.", ui::mb::OkOnly, ""), ui::mb::Ok);      // 0 for an OK box: OK
    EXPECT_EQ(host.msgBox("Info", ui::mb::Information, ""), ui::mb::Ok);  // OK-only needs no script
    EXPECT_THROW(host.msgBox("Really?", ui::mb::YesNo, "Scourline"), DriverError);
    ASSERT_EQ(host.boxes.size(), 4u);
    EXPECT_EQ(host.boxes[0].title, "Scourline");
    EXPECT_EQ(host.boxes[0].style, ui::mb::YesNo | ui::mb::Question);
    EXPECT_EQ(host.boxes[3].text, "Really?");  // recorded even when it failed
    host.fallbackAnswer = [](const ui::MsgBoxRecord& r) {
        return r.style == ui::mb::YesNoCancel ? ui::mb::Cancel : ui::mb::Yes;
    };
    EXPECT_EQ(host.msgBox("Save?", ui::mb::YesNoCancel, ""), ui::mb::Cancel);
}

TEST_F(Toolkit, ModalScriptRunsInsideAndTheOwnerIsUnreachable) {
    form.show();
    FrmTest dialog(host, "dialog");
    bool refusedOwner = false, refusedOwnerMenu = false;
    host.onModal("dialog", [&](ui::Form&) {
        EXPECT_EQ(host.modalDepth(), 1);
        try {
            drv.click(form.cmdGo);
        } catch (const DriverError&) {
            refusedOwner = true;
        }
        try {
            drv.click(form.mScan);
        } catch (const DriverError&) {
            refusedOwnerMenu = true;
        }
        drv.click(dialog.cmdGo);
        // A window opened by the modal one is reachable.
        FrmTest tool(host, "tool");
        tool.show();
        drv.click(tool.cmdGo);
        EXPECT_EQ(tool.log, std::vector<std::string>{"go"});
        tool.unload();
        dialog.hide();
    });
    int activations = 0;
    form.onActivate = [&] { ++activations; };
    dialog.showModal(&form);
    EXPECT_TRUE(refusedOwner);
    EXPECT_TRUE(refusedOwnerMenu);
    EXPECT_EQ(dialog.log, std::vector<std::string>{"go"});
    EXPECT_TRUE(form.log.empty());
    EXPECT_EQ(host.modalDepth(), 0);
    EXPECT_EQ(activations, 1);  // the owner is active again
    drv.click(form.cmdGo);

    // Without a script the modal form is closed at once, as by its close box.
    int closes = 0;
    dialog.onQueryUnload = [&](bool&, int mode) {
        EXPECT_EQ(mode, ui::kUnloadByUser);
        ++closes;
    };
    host.onModal("dialog", nullptr);
    FrmTest other(host, "other");
    other.onQueryUnload = [&](bool&, int) { ++closes; };
    other.showModal(&form);
    EXPECT_EQ(closes, 1);
    EXPECT_FALSE(other.loaded());
}

TEST_F(Toolkit, YieldRunsQueuedActionsOneAtATimeThenPostedOnes) {
    form.show();
    std::vector<std::string> order;
    host.atNextYield([&] { order.push_back("first"); });
    host.atNextYield([&] {
        order.push_back("second");
        host.post([&] { order.push_back("posted"); });
    });
    form.cmdGo.onClick = [&] {
        for (int i = 0; i < 3; ++i) {
            order.push_back("work " + std::to_string(i));
            host.doEvents();
        }
    };
    drv.click(form.cmdGo);
    EXPECT_EQ(order, (std::vector<std::string>{"work 0", "first", "work 1", "second", "posted", "work 2"}));
    EXPECT_EQ(host.pendingYieldActions(), 0u);
    EXPECT_EQ(host.yields(), 3);
}

TEST_F(Toolkit, ClosingDuringAHandlerDefersTheWindowButRunsTheCloseHandlerAtOnce) {
    form.show();
    bool unloadRan = false;
    form.onUnload = [&](bool&) { unloadRan = true; };
    // The user closes the window during the first yield of long work started by cmdGo.
    host.atNextYield([&] { drv.close(form); });
    std::vector<int> pendingSeen;
    form.cmdGo.onClick = [&] {
        for (int i = 0; i < 3; ++i) {
            host.doEvents();
            pendingSeen.push_back(host.pendingDestroys());
            form.pic.setText("item " + std::to_string(i));  // the work still writes to the window
        }
    };
    drv.click(form.cmdGo);
    EXPECT_TRUE(unloadRan);
    EXPECT_EQ(pendingSeen, (std::vector<int>{1, 1, 1}));
    EXPECT_EQ(host.pendingDestroys(), 0);
    EXPECT_EQ(host.destroyedLog, std::vector<std::string>{"FrmTest"});
    EXPECT_FALSE(form.loaded());
}

TEST_F(Toolkit, ResizeAndMinimizeReachTheForm) {
    form.show();
    std::vector<std::string> seen;
    form.onResize = [&] {
        seen.push_back(form.windowState() == ui::WindowState::Minimized ? "min" : std::to_string(form.width()));
    };
    drv.resize(form, 9000, 7000);
    drv.minimize(form);
    form.userRestore();
    EXPECT_EQ(seen, (std::vector<std::string>{"9000", "min", "9000"}));
    EXPECT_EQ(form.height(), 7000);
    form.move(0, 0, 5000, 4000);
    form.centre();
    EXPECT_EQ(form.left(), (15360 - 5000) / 2);
    EXPECT_EQ(form.top(), (11520 - 4000) / 2);
}

}  // namespace
