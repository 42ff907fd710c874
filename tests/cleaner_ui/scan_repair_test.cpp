// The scan driver in the window, and the repair.
#include "tests/cleaner_ui/main_fixture.h"

namespace cleanerui {
namespace {

class ScanTest : public MainTest {
protected:
    // `n` values with missing programs below the current user's software key.
    void plant(int n) {
        for (int i = 0; i < n; ++i)
            sz(plat::kHkeyCurrentUser, "software\\Bad", "v" + std::to_string(i),
               "C:\\nothere\\p" + std::to_string(i) + ".exe");
    }
};

TEST_F(ScanTest, ScanListsRowsAndShowsTotalsAndTime) {
    areas("1;0;0;0;0;0;0;0");
    plant(3);
    auto& f = start();
    drv.click(f.o3);  // options view: the scan goes back to the results view
    drv.click(f.cmdScan);
    ASSERT_EQ(f.lvInvalidLoc.count(), 3);
    EXPECT_EQ(f.lvInvalidLoc.subItem(0, 3), "Invalid path");
    EXPECT_EQ(f.lvInvalidLoc.subItem(0, 4), "1");
    EXPECT_EQ(f.SBarMain.panel(0), "Total Invalid Entries: 3");
    EXPECT_EQ(f.SBarMain.panel(1), "10:11:12");
    EXPECT_EQ(f.Label1.caption(), "Errors found : 3");
    EXPECT_EQ(f.ProgressBar1.value(), 100);
    EXPECT_EQ(f.cmdScan.caption(), "Scan now");
    EXPECT_EQ(f.m1.caption(), "Scan now");
    EXPECT_TRUE(f.f3.visible());
    EXPECT_FALSE(f.f1.visible());
    EXPECT_EQ(f.o3.caption(), "Show options");
    for (ui::Button* b : {&f.o2, &f.o3, &f.o4, &f.o5, &f.o6, &f.o7, &f.o8, &f.cmdCheckUpdate, &f.cmdShowAbout})
        EXPECT_TRUE(b->enabled()) << b->name();
    EXPECT_TRUE(f.lvInvalidLoc.enabled());

    // A second scan removes the rows of the first before walking.
    drv.click(f.m1);
    EXPECT_EQ(f.lvInvalidLoc.count(), 3);
}

TEST_F(ScanTest, WhileScanningCommandsAreDisabledAndStopKeepsRows) {
    areas("1;0;0;0;0;0;0;0");
    plant(20);
    auto& f = start();
    bool checked = false;
    for (int i = 0; i < 5; ++i) host.atNextYield([] {});
    host.atNextYield([&] {
        EXPECT_EQ(f.cmdScan.caption(), "Stop");
        EXPECT_EQ(f.m1.caption(), "Stop");
        for (ui::Button* b : {&f.o2, &f.o3, &f.o4, &f.o5, &f.o6, &f.o7, &f.o8, &f.cmdCheckUpdate, &f.cmdShowAbout})
            EXPECT_FALSE(b->enabled()) << b->name();
        EXPECT_FALSE(f.m2.enabled() || f.m3.enabled() || f.m4.enabled());
        EXPECT_FALSE(f.lvInvalidLoc.enabled());
        EXPECT_THROW(drv.click(f.o5), ui::DriverError);
        checked = true;
        drv.click(f.cmdScan);  // Stop
        EXPECT_FALSE(f.ScanRunning());
        EXPECT_EQ(f.cmdScan.caption(), "Scan now");
    });
    drv.click(f.cmdScan);
    EXPECT_TRUE(checked);
    EXPECT_GT(f.lvInvalidLoc.count(), 0);
    EXPECT_LT(f.lvInvalidLoc.count(), 20);
    EXPECT_EQ(f.ProgressBar1.value(), 99);
    EXPECT_EQ(f.Label1.caption(), "Errors found : " + std::to_string(f.lvInvalidLoc.count()));
    EXPECT_TRUE(f.o5.enabled());
}

TEST_F(ScanTest, NoAreaTickedSaysSoOnce) {
    areas("0;0;0;0;0;0;0;0");
    auto& f = start();
    drv.click(f.cmdScan);
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_EQ(host.boxes[0].style & 7, ui::mb::OkOnly);
    EXPECT_EQ(f.SBarMain.panel(0), "Total Invalid Entries: 0");
    EXPECT_EQ(f.Label1.caption(), "Errors found : 0");
    EXPECT_FALSE(f.ScanRunning());
}

TEST_F(ScanTest, SpanishScanCaptionsAndLabel) {
    files.addFile(std::string(kApp) + "\\spanish.dll", std::string("x"));
    areas("1;0;0;0;0;0;0;0");
    plant(2);
    auto& f = start();
    EXPECT_EQ(f.cmdScan.caption(), "&Buscar");
    EXPECT_EQ(f.m1.caption(), "Scan now");
    EXPECT_EQ(f.Label1.caption(), "0 problemas encontrados");
    EXPECT_EQ(f.lvLocations.text(3), "DLL compartidas");
    host.atNextYield([&] { drv.click(f.cmdScan); });  // during the clearing: ignored
    host.atNextYield([&] {
        EXPECT_EQ(f.cmdScan.caption(), "Detener");
        drv.click(f.cmdScan);
    });
    drv.click(f.cmdScan);
    EXPECT_EQ(f.cmdScan.caption(), "&Buscar");
    drv.click(f.cmdScan);
    EXPECT_EQ(f.lvInvalidLoc.count(), 2);
    EXPECT_EQ(f.Label1.caption(), "2 problemas encontrados");
    EXPECT_EQ(f.SBarMain.panel(0), "Entradas válidas: 2");
    EXPECT_EQ(f.lvInvalidLoc.subItem(0, 3), "Ruta no válida");
}

TEST_F(ScanTest, SweepRemovesRowsNamedByTheExcludeListAndLowersTheLabel) {
    areas("1;0;0;0;0;0;0;0");
    sz(plat::kHkeyCurrentUser, "software\\Bad1", "a", "C:\\nothere\\a.exe");
    sz(plat::kHkeyCurrentUser, "software\\Bad2", "b", "C:\\nothere\\b.exe");
    auto& f = start();
    drv.click(f.cmdScan);
    ASSERT_EQ(f.lvInvalidLoc.count(), 2);
    const std::string first = f.lvInvalidLoc.text(0);
    files.writeFile(std::string(kApp) + "\\Exclude.lst", first + ";;Yes;;False\r\n");
    form.reset();
    auto& g = start();
    ASSERT_EQ(g.lvExclude.count(), 1);
    drv.click(g.cmdScan);
    ASSERT_EQ(g.lvInvalidLoc.count(), 1);
    EXPECT_NE(g.lvInvalidLoc.text(0), first);
    EXPECT_EQ(g.Label1.caption(), "Errors found : 1");
    EXPECT_EQ(g.InvalidCount(), 1);
    // The status bar shows the count after the sweep, as the label does.
    EXPECT_EQ(g.SBarMain.panel(0), "Total Invalid Entries: 1");
}

TEST_F(ScanTest, ClosingDuringAScanSavesStopsAndEndsOnceUnwound) {
    areas("1;0;0;0;0;0;0;0");
    plant(20);
    auto& f = start();
    for (int i = 0; i < 4; ++i) host.atNextYield([] {});
    host.atNextYield([&] { drv.close(f); });
    drv.click(f.cmdScan);
    EXPECT_TRUE(host.quitting());
    EXPECT_FALSE(f.ScanRunning());
    EXPECT_LT(f.lvInvalidLoc.count(), 20);
    EXPECT_EQ(settingOr("LocState"), "1;0;0;0;0;0;0;0");
}

// ---- repair ----

class RepairTest : public MainTest {
protected:
    const std::string k = "Software\\Junk";
    const std::string loc = "HKEY_CURRENT_USER\\Software\\Junk";
    void SetUp() override {
        MainTest::SetUp();
        for (const char* n : {"a", "b", "c", "d"}) sz(plat::kHkeyCurrentUser, k, n, std::string("C:\\x\\") + n);
        sz(plat::kHkeyCurrentUser, k, "", "C:\\x\\default.exe");
        start();
    }
    // Rows as the scan lists these values: their data as read.
    static std::string dataOf(const std::string& name) {
        return name.empty() ? "C:\\x\\default.exe" : "C:\\x\\" + name;
    }
    void rows(const std::vector<std::string>& names) {
        for (const auto& n : names) row(loc, n, dataOf(n));
    }
};

TEST_F(RepairTest, EmptyListAsksNothing) {
    drv.click(form->o4);
    drv.click(form->o5);
    drv.keyDown(form->lvInvalidLoc, ui::kKeyDelete);
    EXPECT_TRUE(host.boxes.empty());
}

TEST_F(RepairTest, FixSelectedHandlesAdjacentRowsAndKeepsTheOthers) {
    rows({"a", "b", "c", "d"});
    drv.clickRow(form->lvInvalidLoc, 1);
    drv.clickRow(form->lvInvalidLoc, 2, true);
    host.answer(ui::mb::Yes);
    drv.click(form->o4);
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_EQ(host.boxes[0].text, "Are you sure you want to remove the selected location(s) from the list.");
    EXPECT_EQ(host.boxes[0].title, "Scourline");
    EXPECT_EQ(host.boxes[0].style, ui::mb::YesNo | ui::mb::Question);
    EXPECT_EQ(rowTexts(), (std::vector<std::string>{loc + "|a", loc + "|d"}));
    EXPECT_TRUE(valueExists(plat::kHkeyCurrentUser, k, "a"));
    EXPECT_FALSE(valueExists(plat::kHkeyCurrentUser, k, "b"));
    EXPECT_FALSE(valueExists(plat::kHkeyCurrentUser, k, "c"));
    EXPECT_TRUE(valueExists(plat::kHkeyCurrentUser, k, "d"));
}

TEST_F(RepairTest, NoLeavesRegistryAndListAlone) {
    rows({"a", "b"});
    drv.clickRow(form->lvInvalidLoc, 0);
    host.answer(ui::mb::No);
    drv.keyDown(form->lvInvalidLoc, ui::kKeyDelete);
    host.answer(ui::mb::No);
    drv.click(form->o5);
    EXPECT_EQ(host.boxes.size(), 2u);
    EXPECT_EQ(form->lvInvalidLoc.count(), 2);
    EXPECT_TRUE(valueExists(plat::kHkeyCurrentUser, k, "a"));
    EXPECT_TRUE(form->o4.enabled() && form->cmdScan.enabled());
}

TEST_F(RepairTest, DeleteKeyWithoutSelectionStillAsksAndDeletesNothing) {
    rows({"a"});
    host.answer(ui::mb::Yes);
    drv.keyDown(form->lvInvalidLoc, ui::kKeyDelete);
    EXPECT_EQ(host.boxes.size(), 1u);
    EXPECT_EQ(form->lvInvalidLoc.count(), 1);
    EXPECT_TRUE(valueExists(plat::kHkeyCurrentUser, k, "a"));
}

TEST_F(RepairTest, EmptyNameDeletesTheDefaultValueAndKeepsTheKey) {
    rows({""});
    drv.clickRow(form->lvInvalidLoc, 0);
    host.answer(ui::mb::Yes);
    drv.click(form->o4);
    EXPECT_EQ(form->lvInvalidLoc.count(), 0);
    EXPECT_FALSE(valueExists(plat::kHkeyCurrentUser, k, ""));
    EXPECT_TRUE(reg.keyExists(plat::kHkeyCurrentUser, k));
    EXPECT_TRUE(valueExists(plat::kHkeyCurrentUser, k, "a"));
}

TEST_F(RepairTest, FixAllKeepsRowsWhoseValueStaysAndCountsGoneValuesAsRemoved) {
    sz(plat::kHkeyLocalMachine, "Software\\Locked", "x", "C:\\x\\x.exe");
    reg.markAccessDenied(plat::kHkeyLocalMachine, "Software\\Locked");
    rows({"a", "b"});
    row("HKEY_LOCAL_MACHINE\\Software\\Locked", "x", "C:\\x\\x.exe");
    row(loc, "a", dataOf("a"));  // the same value listed twice (a users-root copy reads the same)
    row(loc, "never-there");
    row("NOROOT\\Software\\Junk", "c", dataOf("c"));  // below no root the cleaner names: shown without one
    host.answer(ui::mb::Yes);
    drv.click(form->o5);
    EXPECT_EQ(rowTexts(), (std::vector<std::string>{"HKEY_LOCAL_MACHINE\\Software\\Locked|x", "\\Software\\Junk|c"}));
    EXPECT_FALSE(valueExists(plat::kHkeyCurrentUser, k, "a"));
    EXPECT_FALSE(valueExists(plat::kHkeyCurrentUser, k, "b"));
    EXPECT_TRUE(valueExists(plat::kHkeyCurrentUser, k, "c"));
    reg.clearMarks(plat::kHkeyLocalMachine, "Software\\Locked");
    EXPECT_TRUE(valueExists(plat::kHkeyLocalMachine, "Software\\Locked", "x"));
}

TEST_F(RepairTest, DuringARepairNothingCanChangeTheList) {
    rows({"a", "b", "c"});
    host.answer(ui::mb::Yes);
    bool checked = false;
    host.atNextYield([&] {
        checked = true;
        EXPECT_THROW(drv.click(form->cmdScan), ui::DriverError);
        EXPECT_THROW(drv.click(form->m1), ui::DriverError);
        EXPECT_THROW(drv.click(form->o6), ui::DriverError);
        EXPECT_THROW(drv.clickRow(form->lvInvalidLoc, 0), ui::DriverError);
        EXPECT_THROW(drv.click(form->cmdExclude[0]), ui::DriverError);
        EXPECT_THROW(drv.click(form->o3), ui::DriverError);
        EXPECT_TRUE(form->RepairRunning());
    });
    drv.click(form->o5);
    EXPECT_TRUE(checked);
    EXPECT_EQ(form->lvInvalidLoc.count(), 0);
    for (ui::Control* c : std::initializer_list<ui::Control*>{&form->cmdScan, &form->o3, &form->o5, &form->lvInvalidLoc,
                                                              &form->cmdExclude[1]})
        EXPECT_TRUE(c->enabled()) << c->name();
    EXPECT_TRUE(form->m1.enabled());
}

TEST_F(RepairTest, ClosingDuringARepairDeletesNothingMore) {
    rows({"a", "b", "c", "d"});
    host.answer(ui::mb::Yes);
    host.atNextYield([&] { drv.close(*form); });
    drv.click(form->o5);
    EXPECT_TRUE(host.quitting());
    EXPECT_FALSE(valueExists(plat::kHkeyCurrentUser, k, "a"));
    for (const char* n : {"b", "c", "d"}) EXPECT_TRUE(valueExists(plat::kHkeyCurrentUser, k, n)) << n;
}

// ---- repair safety ----

TEST_F(RepairTest, ValueMendedAfterTheScanIsKeptWithItsRow) {
    rows({"a", "b"});
    // The user points "a" back at a program between the scan and the fix.
    sz(plat::kHkeyCurrentUser, k, "a", "C:\\Tools\\fixed.exe");
    host.answer(ui::mb::Yes);
    drv.click(form->o5);
    EXPECT_EQ(rowTexts(), (std::vector<std::string>{loc + "|a"}));
    EXPECT_TRUE(valueExists(plat::kHkeyCurrentUser, k, "a"));
    EXPECT_FALSE(valueExists(plat::kHkeyCurrentUser, k, "b"));
    // A type change counts as a change too.
    {
        plat::RegHandle h = 0;
        ASSERT_EQ(reg.openKey(plat::kHkeyCurrentUser, k, &h), 0);
        auto bytes = reg::textBytes("C:\\x\\c");
        ASSERT_EQ(reg.setValueEx(h, "c", plat::kRegExpandSz, bytes.data(), static_cast<uint32_t>(bytes.size())), 0);
        reg.closeKey(h);
    }
    rows({"c"});
    drv.clickRow(form->lvInvalidLoc, 1);
    host.answer(ui::mb::Yes);
    drv.click(form->o4);
    EXPECT_TRUE(valueExists(plat::kHkeyCurrentUser, k, "c"));
    EXPECT_EQ(form->lvInvalidLoc.count(), 2);
}

TEST_F(MainTest, UnreadableExcludeListStopsEveryScanUntilItIsRead) {
    files.addFile(std::string(kApp) + "\\Exclude.lst", std::string("\\Acme;;Yes;;True\r\n"));
    areas("1;0;0;0;0;0;0;0");
    files.markUnreadable(std::string(kApp) + "\\Exclude.lst");
    sz(plat::kHkeyCurrentUser, "Software\\Acme", "Run", "C:\\gone\\acme.exe");
    start();
    drv.click(form->cmdScan);
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_NE(host.boxes[0].text.find("Exclude.lst\" cannot be read"), std::string::npos) << host.boxes[0].text;
    EXPECT_EQ(form->lvInvalidLoc.count(), 0);
    EXPECT_FALSE(form->ScanRunning());
    // The other program lets go: the next press reads the list and the exclusion holds.
    files.clearUnreadable(std::string(kApp) + "\\Exclude.lst");
    drv.click(form->cmdScan);
    EXPECT_EQ(host.boxes.size(), 1u);
    EXPECT_EQ(form->lvExclude.count(), 1);
    EXPECT_EQ(form->lvInvalidLoc.count(), 0);
    EXPECT_FALSE(files.readFile(std::string(kApp) + "\\Exclude.lst")->empty());
}

// Each row keeps its finding when the list is sorted: the fix deletes the value of the row the
// user selected in the sorted list, and the panel shows that row.
TEST_F(RepairTest, SortedRowsKeepTheirFindings) {
    rows({"a", "b", "c"});
    drv.clickColumn(form->lvInvalidLoc, 1);
    drv.clickColumn(form->lvInvalidLoc, 1);  // descending: c, b, a
    ASSERT_EQ(rowTexts(), (std::vector<std::string>{loc + "|c", loc + "|b", loc + "|a"}));
    drv.clickRow(form->lvInvalidLoc, 0);
    EXPECT_EQ(form->lblProblemaB.caption(), dataOf("c"));
    host.answer(ui::mb::Yes);
    drv.click(form->o4);
    EXPECT_EQ(rowTexts(), (std::vector<std::string>{loc + "|b", loc + "|a"}));
    EXPECT_FALSE(valueExists(plat::kHkeyCurrentUser, k, "c"));
    EXPECT_TRUE(valueExists(plat::kHkeyCurrentUser, k, "a"));
    EXPECT_TRUE(valueExists(plat::kHkeyCurrentUser, k, "b"));
}

}  // namespace
}  // namespace cleanerui
