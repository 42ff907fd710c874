// Sequences of user actions in the main window that once went wrong: each test does what the
// user does, in order, and then looks at the window, the file and the registry.
#include <algorithm>

#include "cleaner/engine/exclude_list.h"
#include "cleaner/ui/exclude_file.h"
#include "cleaner/ui/frm_exclude_location.h"
#include "cleaner/ui/frm_wizard.h"
#include "tests/cleaner_ui/main_fixture.h"

namespace cleanerui {
namespace {

class SequenceTest : public MainTest {
protected:
    const std::string excludePath = std::string(kApp) + "\\Exclude.lst";

    // The start a user sees: the main window, then the wizard, Next and Scan; the message loop
    // then runs the scan the wizard asked for.
    cleaner::FrmMain& startThroughWizard() {
        host.onModal("frmWizard", [this](ui::Form& f) {
            auto& w = static_cast<cleaner::FrmWizard&>(f);
            drv.click(w.OKButton);          // Next
            drv.click(w.chkTodos);          // Select all: off
            drv.tick(w.lstAreas, 0, true);  // the current user only
            drv.click(w.OKButton);          // Scan
        });
        cleaner::MainStartOptions opts;
        opts.singleInstance = false;
        form = std::make_unique<cleaner::FrmMain>(host, svc, opts);
        form->show();
        host.runPosted();
        return *form;
    }
    // Broken values below the current user's software key, one key per name.
    void plantKeys(const std::vector<std::string>& keys) {
        for (const std::string& k : keys)
            sz(plat::kHkeyCurrentUser, "software\\" + k, "v", "C:\\nothere\\" + k + ".exe");
    }
    std::vector<std::string> excludeTexts() {
        std::vector<std::string> out;
        for (int i = 0; i < form->lvExclude.count(); ++i) out.push_back(form->lvExclude.text(i));
        return out;
    }
    std::vector<std::string> rowKeys() {
        std::vector<std::string> out;
        for (int i = 0; i < form->lvInvalidLoc.count(); ++i) out.push_back(form->lvInvalidLoc.text(i));
        return out;
    }
    // Inside the exclude dialog: types the text and leaves with a press of Enter in the box (or
    // of OK when Enter left it open, as a user would then do).
    void dialogByEnter(const std::string& typed) {
        host.onModal("frmExcludeLocation", [this, typed](ui::Form& f) {
            auto& d = static_cast<cleaner::FrmExcludeLocation&>(f);
            drv.type(d.txtLocation, typed);
            drv.keyPress(d.txtLocation, ui::kKeyReturn);
            if (d.visible()) drv.click(d.OKButton);
        });
    }
};

// ---- the exclude list and the scan after the wizard ----

TEST_F(SequenceTest, AddingAnExcludeEntryAfterTheWizardsScanStartsNoScanWithHalfTheList) {
    areas("1;0;0;0;0;0;0;0");
    plantKeys({"ExA", "ExB", "Other"});
    files.writeFile(excludePath, "ExA;;Yes;;True\r\nExB;;Yes;;True\r\n");
    auto& f = startThroughWizard();
    ASSERT_TRUE(cleaner::ScanOnActivate) << "the wizard asked for a scan";
    ASSERT_EQ(rowKeys(), (std::vector<std::string>{"HKEY_CURRENT_USER\\software\\Other"}));
    ASSERT_EQ(f.SBarMain.panel(1), "10:11:12");

    clock.setTimeText("11:00:00");  // a scan from now on would show this time
    drv.click(f.o3);                // Show options
    dialogByEnter("Software\\New");
    drv.click(f.cmdExclude[0]);  // Add..., text, OK
    host.runPosted();            // the message loop after the dialog

    EXPECT_EQ(excludeTexts(), (std::vector<std::string>{"ExA", "ExB", "Software\\New"}));
    EXPECT_FALSE(cleaner::ScanOnActivate);
    EXPECT_EQ(f.SBarMain.panel(1), "10:11:12") << "a scan ran";
    EXPECT_EQ(rowKeys(), (std::vector<std::string>{"HKEY_CURRENT_USER\\software\\Other"}));
    EXPECT_EQ(f.o3.caption(), "Hide options") << "the options view stays";

    // Edit and Cancel close the dialog the same way.
    cleaner::ScanOnActivate = true;
    drv.clickRow(f.lvExclude, 1);
    host.onModal("frmExcludeLocation",
                 [this](ui::Form& d) { drv.click(static_cast<cleaner::FrmExcludeLocation&>(d).OKButton); });
    host.answer(ui::mb::Yes);
    drv.click(f.cmdExclude[1]);
    host.runPosted();
    EXPECT_EQ(excludeTexts(), (std::vector<std::string>{"ExA", "ExB", "Software\\New"}));
    EXPECT_EQ(f.SBarMain.panel(1), "10:11:12") << "a scan ran after Edit";
}

TEST_F(SequenceTest, AScanPostedDuringAHandlerRunsAfterItAndReadsTheFlagThen) {
    areas("1;0;0;0;0;0;0;0");
    plantKeys({"One", "Two"});
    auto& f = start();
    row("HKEY_CURRENT_USER\\software\\Elsewhere", "x");
    row("HKEY_CURRENT_USER\\software\\Elsewhere2", "y");
    drv.clickRow(f.lvInvalidLoc, 0);
    drv.clickRow(f.lvInvalidLoc, 1, true);
    // "Add to exclude list" yields after each row; the window is activated meanwhile.
    cleaner::ScanOnActivate = true;
    bool scannedInside = false;
    host.atNextYield([&] { f.userActivate(); });
    host.atNextYield([&] { scannedInside = f.SBarMain.panel(1) == "10:11:12"; });
    host.answer(ui::mb::Yes);
    drv.click(f.o6);
    EXPECT_FALSE(scannedInside);
    EXPECT_EQ(f.SBarMain.panel(1), "") << "no scan inside the handler";
    EXPECT_EQ(f.lvExclude.count(), 2);
    host.runPosted();
    EXPECT_EQ(f.SBarMain.panel(1), "10:11:12") << "the scan runs once the handler has returned";
    EXPECT_EQ(f.lvInvalidLoc.count(), 2);

    // A scan posted while the flag was set, and the flag cleared before the loop runs it.
    f.userActivate();
    cleaner::ScanOnActivate = false;
    clock.setTimeText("12:00:00");
    host.runPosted();
    EXPECT_EQ(f.SBarMain.panel(1), "10:11:12");
}

TEST_F(SequenceTest, EnterInTheExcludeDialogPressesOkAndEveryLaterScanStillLists) {
    areas("1;0;0;0;0;0;0;0");
    plantKeys({"Keep", "Skip"});
    auto& f = start();
    drv.click(f.o3);
    host.onModal("frmExcludeLocation", [this](ui::Form& d) {
        auto& dlg = static_cast<cleaner::FrmExcludeLocation&>(d);
        EXPECT_FALSE(dlg.txtLocation.multiLine);
        drv.type(dlg.txtLocation, "Skip");
        drv.keyPress(dlg.txtLocation, ui::kKeyReturn);
        EXPECT_FALSE(dlg.visible()) << "Enter pressed OK";
        if (dlg.visible()) drv.click(dlg.OKButton);
    });
    drv.click(f.cmdExclude[0]);
    EXPECT_EQ(excludeFile(), "Skip;;Yes;;True\r\n");
    // The next start reads the file back and scans.
    form.reset();
    auto& g = start();
    EXPECT_EQ(excludeTexts(), (std::vector<std::string>{"Skip"}));
    drv.click(g.cmdScan);
    EXPECT_EQ(rowKeys(), (std::vector<std::string>{"HKEY_CURRENT_USER\\software\\Keep"}));
}

TEST_F(SequenceTest, APastedLineBreakIsTakenOutOfTheEntry) {
    areas("1;0;0;0;0;0;0;0");
    plantKeys({"AB", "Other"});
    auto& f = start();
    drv.click(f.o3);
    host.onModal("frmExcludeLocation", [this](ui::Form& d) {
        auto& dlg = static_cast<cleaner::FrmExcludeLocation&>(d);
        drv.type(dlg.txtLocation, "A\r\nB\n");
        EXPECT_EQ(dlg.txtLocation.text(), "AB");
        drv.click(dlg.OKButton);
    });
    drv.click(f.cmdExclude[0]);
    EXPECT_EQ(excludeTexts(), (std::vector<std::string>{"AB"}));
    EXPECT_EQ(excludeFile(), "AB;;Yes;;True\r\n");
    form.reset();
    auto& g = start();
    drv.click(g.cmdScan);
    EXPECT_EQ(rowKeys(), (std::vector<std::string>{"HKEY_CURRENT_USER\\software\\Other"}));
}

TEST_F(SequenceTest, BlanksOnlyAreKeptAsTypedAndExcludeEveryLocationAsBefore) {
    areas("1;0;0;0;0;0;0;0");
    plantKeys({"Two words", "Oneword"});
    auto& f = start();
    drv.click(f.o3);
    dialogByEnter("   ");
    drv.click(f.cmdExclude[0]);
    EXPECT_EQ(excludeTexts(), (std::vector<std::string>{"   "}));
    EXPECT_EQ(excludeFile(), "   ;;Yes;;True\r\n");
    // Edit to other blanks keeps those; anything else is trimmed as before.
    drv.clickRow(f.lvExclude, 0);
    host.onModal("frmExcludeLocation", [this](ui::Form& d) {
        auto& dlg = static_cast<cleaner::FrmExcludeLocation&>(d);
        drv.type(dlg.txtLocation, " ");
        drv.click(dlg.OKButton);
    });
    host.answer(ui::mb::Yes);
    drv.click(f.cmdExclude[1]);
    EXPECT_EQ(excludeTexts(), (std::vector<std::string>{" "}));
    EXPECT_EQ(excludeFile(), " ;;Yes;;True\r\n");
    // After a restart the entry is still there and still means what an entry of blanks always
    // meant: every location is excluded.
    form.reset();
    auto& g = start();
    EXPECT_EQ(excludeTexts(), (std::vector<std::string>{" "}));
    drv.click(g.cmdScan);
    EXPECT_EQ(rowKeys(), std::vector<std::string>{});
    // Removing it lists them again.
    drv.click(g.o3);
    drv.clickRow(g.lvExclude, 0);
    host.answer(ui::mb::Yes);
    drv.click(g.cmdExclude[2]);
    drv.click(g.cmdScan);
    EXPECT_EQ(g.lvInvalidLoc.count(), 2);
}

TEST_F(SequenceTest, AnEmptyTextLeftInTheFileExcludesNothing) {
    // The file a line break inside an entry used to leave behind.
    files.writeFile(excludePath, "Skip\r\n;;Yes;;True\r\n");
    areas("1;0;0;0;0;0;0;0");
    plantKeys({"Keep", "Skip"});
    auto& f = start();
    EXPECT_EQ(excludeTexts(), (std::vector<std::string>{"Skip"}));
    drv.click(f.cmdScan);
    EXPECT_EQ(rowKeys(), (std::vector<std::string>{"HKEY_CURRENT_USER\\software\\Keep"}));
    // The next write leaves the broken line out.
    drv.click(f.o3);
    drv.tick(f.lvExclude, 0, true);
    EXPECT_EQ(excludeFile(), "Skip;;;;True\r\n");
}

TEST(ExcludeFileWriter, NoLineBreakInsideAnEntryAndEachLineReadsBackAsOneEntry) {
    const std::vector<engine::ExcludeEntry> entries = {
        {"HKEY_CURRENT_USER\\A\r\nB", "Yes", true}, {"C\rD\nE", "No\r\n", false}, {"   ", "Yes", true}};
    const std::string bytes = cleaner::ExcludeFileBytes(entries);
    EXPECT_EQ(bytes, "HKEY_CURRENT_USER\\AB;;Yes;;True\r\nCDE;;No;;False\r\n   ;;Yes;;True\r\n");
    const auto back = engine::ParseExcludeFile(bytes);
    ASSERT_EQ(back.size(), 3u);
    EXPECT_EQ(back[0].text, "HKEY_CURRENT_USER\\AB");
    EXPECT_EQ(back[1].mustBegin, "No");
    EXPECT_EQ(back[2].text, "   ");

    struct Case {
        const char* typed;
        const char* stored;
    };
    const Case cases[] = {{"  a b  ", "a b"}, {"   ", "   "}, {"\r\n x\r\n", "x"}, {" \r\n ", "  "}, {"a\nb", "ab"}};
    for (const Case& c : cases) EXPECT_EQ(cleaner::ExcludeEntryText(c.typed), c.stored) << c.typed;
}

// ---- the Help menu, sorting, the problem panel, the counts, the first view ----

TEST_F(SequenceTest, HelpMenuEntriesFollowTheirButtonsDuringAScanAndARepair) {
    areas("1;0;0;0;0;0;0;0");
    plantKeys({"A", "B", "C"});
    auto& f = start();
    bool checked = false;
    host.atNextYield([] {});  // the yield after the list is cleared, before the walk
    host.atNextYield([&] {
        checked = true;
        for (ui::MenuItem* m : {&f.m17, &f.m18}) {
            EXPECT_FALSE(m->enabled()) << m->name() << " during the scan";
            EXPECT_THROW(drv.click(*m), ui::DriverError);
        }
    });
    drv.click(f.cmdScan);
    ASSERT_TRUE(checked);
    EXPECT_TRUE(f.m17.enabled() && f.m18.enabled());

    checked = false;
    host.fallbackAnswer = [&](const ui::MsgBoxRecord&) {  // the repair's question
        checked = true;
        EXPECT_FALSE(f.m17.enabled() || f.m18.enabled()) << "during the repair";
        EXPECT_FALSE(f.cmdCheckUpdate.enabled() || f.cmdShowAbout.enabled());
        return ui::mb::No;
    };
    drv.click(f.o5);
    ASSERT_TRUE(checked);
    EXPECT_TRUE(f.m17.enabled() && f.m18.enabled());
    // F5 then opens the about window.
    drv.click(f.m18);
    EXPECT_NE(std::find(host.shownLog.begin(), host.shownLog.end(), "how"), host.shownLog.end());
}

TEST_F(SequenceTest, AfterARescanTheFirstHeaderClickSortsAscending) {
    areas("1;0;0;0;0;0;0;0");
    for (const char* n : {"c", "a", "b"}) sz(plat::kHkeyCurrentUser, "software\\Bad", n, "C:\\nothere\\x.exe");
    auto& f = start();
    auto names = [&] {
        std::string s;
        for (int i = 0; i < f.lvInvalidLoc.count(); ++i) s += f.lvInvalidLoc.subItem(i, 1);
        return s;
    };
    drv.click(f.cmdScan);
    EXPECT_EQ(names(), "cab");
    drv.clickColumn(f.lvInvalidLoc, 1);
    EXPECT_EQ(names(), "abc");
    drv.click(f.cmdScan);
    EXPECT_EQ(names(), "cab") << "walker order";
    EXPECT_FALSE(f.lvInvalidLoc.sorted());
    drv.clickColumn(f.lvInvalidLoc, 1);
    EXPECT_EQ(names(), "abc") << "the list looked unsorted: the click sorts ascending";
    drv.clickColumn(f.lvInvalidLoc, 1);
    EXPECT_EQ(names(), "cba");
}

TEST_F(SequenceTest, ProblemPanelAndEditShowTheRowTheUserClicked) {
    auto& f = start();
    std::vector<std::string> jumps;
    f.JumpToKey = [&](const std::string& p) { jumps.push_back(p); };
    row("HKEY_CURRENT_USER\\Software\\One", "a", "data one", "Reason one");
    row("HKEY_CURRENT_USER\\Software\\Two", "b", "data two", "Reason two");
    row("HKEY_CURRENT_USER\\Software\\Three", "c", "data three", "Reason three");
    drv.clickRow(f.lvInvalidLoc, 0);
    drv.clickRow(f.lvInvalidLoc, 2, true);  // Ctrl+click
    EXPECT_EQ(f.lblProblemaA.caption(), "Problem: Reason three");
    EXPECT_EQ(f.lblProblemaB.caption(), "data three");
    EXPECT_EQ(f.lblProblemaC.caption(), "Location: HKEY_CURRENT_USER\\Software\\Three");
    drv.click(f.o7);
    EXPECT_EQ(jumps, (std::vector<std::string>{"HKEY_CURRENT_USER\\Software\\Three"}));

    // The focus follows its row when the list is sorted.
    drv.clickColumn(f.lvInvalidLoc, 3);  // Reason one, Reason three, Reason two
    ASSERT_EQ(f.lvInvalidLoc.text(1), "HKEY_CURRENT_USER\\Software\\Three");
    EXPECT_EQ(f.lvInvalidLoc.focusedIndex(), 1);
    drv.click(f.o7);
    EXPECT_EQ(jumps.back(), "HKEY_CURRENT_USER\\Software\\Three");

    // Ctrl+click on a selected row clears it: Edit then opens the row still selected.
    drv.clickRow(f.lvInvalidLoc, 1, true);
    ASSERT_FALSE(f.lvInvalidLoc.selected(1));
    drv.click(f.o7);
    EXPECT_EQ(jumps.back(), "HKEY_CURRENT_USER\\Software\\One");
}

TEST_F(SequenceTest, StatusBarShowsTheCountAfterTheSweep) {
    areas("1;0;0;0;0;0;0;0");
    plantKeys({"A", "B", "C"});
    files.writeFile(excludePath, "HKEY_CURRENT_USER\\software\\B;;Yes;;True\r\n");
    auto& f = start();
    drv.click(f.cmdScan);
    EXPECT_EQ(f.lvInvalidLoc.count(), 2);
    EXPECT_EQ(f.Label1.caption(), "Errors found : 2");
    EXPECT_EQ(f.SBarMain.panel(0), "Total Invalid Entries: 2");
}

TEST_F(SequenceTest, OnlyTheResultsViewIsShownAtStart) {
    auto& f = start();
    EXPECT_TRUE(f.f3.shown() && f.f4.shown());
    EXPECT_FALSE(f.f1.shown() || f.f2.shown());
    EXPECT_FALSE(f.lvLocations.shown() || f.chkSkipCDLan.shown() || f.cmdExclude[0].shown());
    EXPECT_EQ(f.o3.caption(), "Show options");
    EXPECT_THROW(drv.click(f.cmdExclude[0]), ui::DriverError);
    drv.click(f.o3);
    EXPECT_TRUE(f.f1.shown() && f.f2.shown());
    EXPECT_FALSE(f.f3.shown() || f.f4.shown());
}

}  // namespace
}  // namespace cleanerui
