#include "search/frm_search.h"

#include <gtest/gtest.h>

#include <memory>

#include "common/ui/headless.h"
#include "search/mod_reg.h"
#include "search/settings_store.h"
#include "tests/search/search_fixture.h"

using namespace searchtest;
using plat::kHkeyCurrentUser;
using search::frmSearch;
using search::kAppName;
using search::kSection;

namespace {

class FrmSearchTest : public ::testing::Test {
protected:
    std::unique_ptr<frmSearch> open() {
        search::SearchServices services{reg, [this](const std::string& p) { jumps.push_back(p); }, nullptr, true};
        auto f = std::make_unique<frmSearch>(host, services);
        f->show();
        return f;
    }
    std::string stored(const std::string& key) { return store.GetSetting(kAppName, kSection, key, "<missing>"); }
    void storeSetting(const std::string& key, const std::string& value) {
        ASSERT_TRUE(store.SaveSetting(kAppName, kSection, key, value));
    }
    std::vector<std::string> rowTexts(const frmSearch& f) {
        std::vector<std::string> out;
        for (const auto& item : f.LVfound.items())
            out.push_back(std::to_string(frmSearch::imageOfRow(item)) + ":" + item.text);
        return out;
    }
    void search(frmSearch& f, const std::string& text) {
        drv.type(f.cboFind, text);
        drv.click(f.cmdFind);
    }

    plat::FakeRegistry reg;
    search::SettingsStore store{reg};
    ui::HeadlessHost host;
    ui::Driver drv{host};
    std::vector<std::string> jumps;
};

TEST_F(FrmSearchTest, FirstStartShowsTheDefaults) {
    key(reg, plat::kHkeyLocalMachine, "Software");
    auto f = open();
    EXPECT_EQ(f->caption(), "Scourline - Registry Search");
    EXPECT_EQ(rowTexts(*f), std::vector<std::string>{"4:Nothing to show"});
    // HKCU exists in the fake as an alias below HKEY_USERS; only roots with sub-keys are offered.
    ASSERT_GE(f->cboRoot.count(), 2);
    EXPECT_EQ(f->cboRoot.items()[0], "My Computer");
    EXPECT_EQ(f->cboRoot.listIndex(), 0);
    std::vector<std::string> offered(f->cboRoot.items().begin() + 1, f->cboRoot.items().end());
    EXPECT_EQ(offered, (std::vector<std::string>{"HKEY_LOCAL_MACHINE", "HKEY_USERS"}));
    EXPECT_TRUE(f->Option1.value());
    EXPECT_EQ(f->ChCase.value(), 1);
    EXPECT_EQ(f->ChKeys.value(), 1);
    EXPECT_EQ(f->ChValues.value(), 1);
    EXPECT_EQ(f->ChData.value(), 1);
    EXPECT_EQ(f->cboFind.count(), 0);
    EXPECT_FALSE(f->cmdFind.enabled());
    drv.type(f->cboFind, "x");
    EXPECT_TRUE(f->cmdFind.enabled());
    drv.type(f->cboFind, "");
    EXPECT_FALSE(f->cmdFind.enabled());
    EXPECT_THROW(drv.click(f->cmdFind), ui::DriverError);
}

TEST_F(FrmSearchTest, MyComputerSearchesEveryOfferedRootAndOverlapsRepeat) {
    sz(reg, kHkeyCurrentUser, "Software\\Planted", "needle", "x");
    auto f = open();
    search(*f, "needle");
    // The current user's keys are also below HKEY_USERS: one row per root.
    std::vector<std::string> paths;
    for (const auto& r : f->results()) paths.push_back(r.fullPath);
    EXPECT_EQ(paths, (std::vector<std::string>{"HKEY_CURRENT_USER\\Software\\Planted\\needle",
                                               "HKEY_USERS\\S-1-5-21-0-0-0-1000\\Software\\Planted\\needle"}));
    EXPECT_EQ(f->LVfound.subItem(0, 1), "HKEY_CURRENT_USER\\Software\\Planted\\needle");

    // One root only.
    for (int i = 0; i < f->cboRoot.count(); ++i) {
        if (f->cboRoot.items()[i] == "HKEY_USERS") drv.pick(f->cboRoot, i);
    }
    drv.click(f->cmdFind);
    ASSERT_EQ(f->results().size(), 1u);
    EXPECT_EQ(f->results()[0].fullPath, "HKEY_USERS\\S-1-5-21-0-0-0-1000\\Software\\Planted\\needle");
    // The status line keeps the last key the walk showed: the last sub-key below the root.
    EXPECT_EQ(f->PicStatus.text(), "HKEY_USERS\\S-1-5-21-0-0-0-1000\\Software\\Planted");

    drv.type(f->cboFind, "no such thing anywhere");
    drv.click(f->cmdFind);
    EXPECT_EQ(rowTexts(*f), std::vector<std::string>{"4:Nothing to show"});
    // Every row reached the control: no batch of rows is left open after a search.
    f->LVfound.beginUpdate();
    f->LVfound.addItem("probe");
    struct Counter : ui::Peer {
        int items = 0;
        void changed(ui::Prop p, int) override { items += p == ui::Prop::Items; }
    } peer;
    f->LVfound.attachPeer(&peer);
    f->LVfound.endUpdate();
    EXPECT_EQ(peer.items, 1);
    f->LVfound.attachPeer(nullptr);
}

TEST_F(FrmSearchTest, SettingsRoundTripAndHistoryKeepsTheMostRecent) {
    key(reg, kHkeyCurrentUser, "Software\\x");
    {
        auto f = open();
        for (int i = 0; i < 25; ++i) search(*f, "text" + std::to_string(i));
        search(*f, "TEXT3");  // equal but for case: not a new entry
        EXPECT_EQ(f->cboFind.count(), 25);
        drv.click(f->Option3);
        drv.click(f->ChCase);
        drv.click(f->ChValues);
        drv.click(f->cmdFind);  // copies the options into the saved settings
        drv.click(f->ChKeys);   // changed after the last search: not saved
        drv.click(f->cmdCancel);
        EXPECT_FALSE(f->loaded());
    }
    EXPECT_EQ(stored("0"), "text5");
    EXPECT_EQ(stored("19"), "text24");
    EXPECT_EQ(stored("20"), "<missing>");
    EXPECT_EQ(stored("lastMode"), "3");
    EXPECT_EQ(stored("lastCase"), "0");
    EXPECT_EQ(stored("lastValue"), "0");
    EXPECT_EQ(stored("lastKey"), "1");
    auto f = open();
    ASSERT_EQ(f->cboFind.count(), 20);
    EXPECT_EQ(f->cboFind.items().front(), "text5");
    EXPECT_EQ(f->cboFind.items().back(), "text24");
    EXPECT_TRUE(f->Option3.value());
    EXPECT_EQ(f->ChCase.value(), 0);
    EXPECT_EQ(f->ChValues.value(), 0);
    EXPECT_EQ(f->ChKeys.value(), 1);
}

TEST_F(FrmSearchTest, HostileStoredValuesAreClamped) {
    key(reg, kHkeyCurrentUser, "Software\\x");
    struct Case {
        std::string area, mode, check;
        int areaWanted;
        bool option1;
        int checkWanted;
    } cases[] = {
        {"99", "9", "7", 0, true, 1},
        {"-3", "-1", "-1", 0, true, 0},
        {"abc", "", "x", 0, true, 0},
        {"1 and more", "4", "1", 1, false, 1},
        {"99999999999999", "2 ", " 1", 0, false, 1},
    };
    for (const Case& c : cases) {
        storeSetting("lastSearchArea", c.area);
        storeSetting("lastMode", c.mode);
        for (const char* k : {"lastCase", "lastKey", "lastValue", "lastdata"}) storeSetting(k, c.check);
        auto f = open();
        EXPECT_EQ(f->cboRoot.listIndex(), c.areaWanted) << c.area;
        EXPECT_EQ(f->Option1.value(), c.option1) << c.mode;
        for (ui::CheckBox* box : {&f->ChCase, &f->ChKeys, &f->ChValues, &f->ChData}) {
            EXPECT_EQ(box->value(), c.checkWanted) << c.check;
        }
        EXPECT_EQ(f->savedSettings().caseValue, c.checkWanted);
        f->unload();
    }
}

TEST_F(FrmSearchTest, SavingWritesFirstAndRemovesOnlyStaleKeys) {
    key(reg, kHkeyCurrentUser, "Software\\x");
    storeSetting("0", "alpha");
    storeSetting("7", "beta");
    storeSetting("Dun", "Dun");
    {
        auto f = open();
        EXPECT_EQ(f->cboFind.items(), (std::vector<std::string>{"alpha", "beta"}));
        f->unload();
    }
    EXPECT_EQ(stored("0"), "alpha");
    EXPECT_EQ(stored("1"), "beta");
    EXPECT_EQ(stored("7"), "<missing>");
    EXPECT_EQ(stored("Dun"), "<missing>");

    // When the store cannot be written, nothing is removed: the old history survives.
    {
        auto f = open();
        search(*f, "gamma");
        reg.markReadOnly(kHkeyCurrentUser, store.sectionPath(kAppName, kSection));
        f->unload();
    }
    reg.clearMarks(kHkeyCurrentUser, store.sectionPath(kAppName, kSection));
    EXPECT_EQ(stored("0"), "alpha");
    EXPECT_EQ(stored("1"), "beta");
    EXPECT_EQ(stored("2"), "<missing>");
}

TEST_F(FrmSearchTest, CompletionFromHistory) {
    key(reg, kHkeyCurrentUser, "Software\\x");
    storeSetting("0", "Zeta");
    storeSetting("1", "ABCdef");
    storeSetting("2", "abXY");
    auto f = open();
    drv.type(f->cboFind, "ab");
    drv.keyUp(f->cboFind, 'B');
    EXPECT_EQ(f->cboFind.text(), "ABCdef");
    EXPECT_EQ(f->cboFind.selStart(), 2);
    EXPECT_EQ(f->cboFind.selLength(), 4);

    drv.type(f->cboFind, "ab");
    drv.keyUp(f->cboFind, ui::kKeyBack);  // Backspace never completes
    EXPECT_EQ(f->cboFind.text(), "ab");
    drv.type(f->cboFind, "q");
    drv.keyUp(f->cboFind, 'Q');
    EXPECT_EQ(f->cboFind.text(), "q");
}

TEST_F(FrmSearchTest, EnterRunsASearchOnlyWithText) {
    sz(reg, kHkeyCurrentUser, "Software\\x", "needle", "x");
    auto f = open();
    drv.keyPress(f->cboFind, ui::kKeyReturn);
    EXPECT_EQ(f->cboFind.count(), 0);
    EXPECT_EQ(rowTexts(*f), std::vector<std::string>{"4:Nothing to show"});
    drv.type(f->cboFind, "needle");
    drv.keyPress(f->cboFind, ui::kKeyReturn);
    EXPECT_EQ(f->cboFind.count(), 1);
    EXPECT_FALSE(f->results().empty());
    EXPECT_EQ(f->results()[0].text, "Software\\x\\needle");
}

TEST_F(FrmSearchTest, FindIsRefusedWhileASearchRuns) {
    for (int i = 0; i < 30; ++i) sz(reg, kHkeyCurrentUser, "Software\\k" + std::to_string(i), "needle", "x");
    auto f = open();
    drv.type(f->cboFind, "needle");
    bool refused = false;
    host.atNextYield([&] {
        try {
            drv.click(f->cmdFind);
        } catch (const ui::DriverError&) {
            refused = true;
        }
        drv.keyPress(f->cboFind, ui::kKeyReturn);  // Enter starts nothing either
        drv.type(f->cboFind, "needle");            // editing keeps Search disabled meanwhile
        EXPECT_FALSE(f->cmdFind.enabled());
    });
    drv.click(f->cmdFind);
    EXPECT_TRUE(refused);
    EXPECT_TRUE(f->cmdFind.enabled());
    // Each planted value once per root that shows it, no duplicates from a second walk.
    EXPECT_EQ(f->results().size(), 60u);
}

TEST_F(FrmSearchTest, CancelStopsASearchAndClosesWhenIdle) {
    for (int i = 0; i < 50; ++i) sz(reg, kHkeyCurrentUser, "Software\\k" + std::to_string(i), "needle", "x");
    auto f = open();
    drv.type(f->cboFind, "needle");
    for (int i = 0; i < 40; ++i) host.atNextYield([] {});
    host.atNextYield([&] { drv.click(f->cmdCancel); });
    drv.click(f->cmdFind);
    EXPECT_FALSE(f->searchRunning());
    EXPECT_TRUE(f->loaded());
    EXPECT_GT(f->results().size(), 0u);
    EXPECT_LT(f->results().size(), 100u);
    EXPECT_NE(f->results()[0].text, "Nothing to show");
    drv.click(f->cmdCancel);
    EXPECT_FALSE(f->loaded());
}

TEST_F(FrmSearchTest, ClosingDuringASearchStopsThenCloses) {
    for (int i = 0; i < 50; ++i) sz(reg, kHkeyCurrentUser, "Software\\k" + std::to_string(i), "needle", "x");
    auto f = open();
    drv.type(f->cboFind, "needle");
    bool stillLoadedInside = false;
    host.atNextYield([&] {
        drv.close(*f);
        stillLoadedInside = f->loaded();
    });
    drv.click(f->cmdFind);
    EXPECT_TRUE(stillLoadedInside);
    EXPECT_FALSE(f->loaded());
    EXPECT_EQ(host.destroyedLog, std::vector<std::string>{"frmSearch"});
    EXPECT_EQ(stored("0"), "needle");
    EXPECT_EQ(reg.openHandleCount(), 0u);
}

TEST_F(FrmSearchTest, MouseUpJumpsToTheKeyOfTheRow) {
    key(reg, kHkeyCurrentUser, "Software\\needle key");
    sz(reg, kHkeyCurrentUser, "Software\\Odd", "dir\\needle", "x");
    auto f = open();
    for (int i = 0; i < f->cboRoot.count(); ++i) {
        if (f->cboRoot.items()[i] == "HKEY_CURRENT_USER") drv.pick(f->cboRoot, i);
    }
    search(*f, "needle");
    ASSERT_EQ(rowTexts(*f), (std::vector<std::string>{"1:Software\\needle key", "2:Software\\Odd\\dir\\needle"}));
    drv.mouseUpOnRow(f->LVfound, 0);
    drv.mouseUpOnRow(f->LVfound, 1, 2);
    drv.mouseUpOnRow(f->LVfound, 0, 4);                                                         // the middle button
    drv.mouseUpAt(f->LVfound, 100, ui::ListView::kHeaderTwips + 10 * ui::ListView::kRowTwips);  // no row
    EXPECT_EQ(jumps,
              (std::vector<std::string>{"HKEY_CURRENT_USER\\Software\\needle key", "HKEY_CURRENT_USER\\Software\\Odd\\",
                                        "HKEY_CURRENT_USER\\Software\\needle key"}));
    drv.type(f->cboFind, "nothing of that kind");
    drv.click(f->cmdFind);
    drv.mouseUpOnRow(f->LVfound, 0);
    EXPECT_EQ(jumps.back(), "\\");
}

}  // namespace
