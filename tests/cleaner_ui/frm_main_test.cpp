// The main window's layout, start-up, views, resizing, activation and closing.
#include "tests/cleaner_ui/main_fixture.h"

namespace cleanerui {
namespace {

TEST_F(MainTest, LeftColumnAndFramesFollowTheDesign) {
    auto& f = start();
    struct Expect {
        ui::Control* c;
        int left, top, width, height;
        const char* caption;
        bool bold;
    };
    const Expect table[] = {
        {&f.cmdScan, 120, 240, 1815, 375, "Scan now", false},
        {&f.Command34, 120, 2280, 1815, 375, "Registry Search", true},
        {&f.Command3000, 120, 5760, 1815, 375, " Tutorial", false},
        {&f.cmdShowAbout, 120, 6720, 1815, 375, "About", false},
        {&f.f3, 2040, 120, 7935, 5415, "Registry Cleaner", false},
        {&f.f4, 2040, 5640, 7935, 1695, "Problem", false},
        {&f.f2, 2040, 3960, 7815, 3135, "Exclude the part of the registry that contains the following text", false},
        {&f.o7, 5505, 4560, 2355, 375, "Edit the registry entry", true},  // wider than designed: its caption needs it
        {&f.cmdExclude[2], 4635, 2640, 975, 375, "Remove", false},
    };
    for (const Expect& e : table) {
        SCOPED_TRACE(e.c->name());
        EXPECT_EQ(e.c->left(), e.left);
        EXPECT_EQ(e.c->top(), e.top);
        EXPECT_EQ(e.c->width(), e.width);
        EXPECT_EQ(e.c->height(), e.height);
        EXPECT_EQ(e.c->caption(), e.caption);
        EXPECT_EQ(e.c->bold(), e.bold);
    }
    EXPECT_EQ(f.cmdExclude[2].index(), 2);
    EXPECT_EQ(f.chkSkipCDLan.foreColor(), 0xC00000u);
    EXPECT_EQ(f.caption(), "Tolvane Registry Cleaner 4.21");
    EXPECT_FALSE(f.cmdRemoveSel.visible());
    EXPECT_TRUE(f.Label8.handCursor());
    EXPECT_EQ(f.SkinFramework_.styleFile(), std::string(kApp) + "\\Styles\\Office2007.cjstyles");
    EXPECT_EQ(f.SkinFramework_.Options & 1, 1);
    EXPECT_EQ(f.left(), (host.screenW - f.width()) / 2);
    EXPECT_EQ(f.top(), (host.screenH - f.height()) / 2);
}

TEST_F(MainTest, FirstStartTicksAllAreasClearsTheSkipBoxAndWritesOnlyIt) {
    auto& f = start();
    ASSERT_EQ(f.lvLocations.count(), 8);
    for (int i = 0; i < 8; ++i) EXPECT_TRUE(f.lvLocations.checked(i)) << i;
    EXPECT_EQ(f.lvLocations.item(7).key, "COM");
    EXPECT_EQ(f.lvLocations.subItem(3, 1), "Find orphaned references to shared system .dll files");
    EXPECT_EQ(f.chkSkipCDLan.value(), 0);
    EXPECT_EQ(settingOr("chkSkipCDLan"), "0");
    // Filling the list at start writes nothing.
    EXPECT_EQ(settingOr("LocState"), "<absent>");
}

TEST_F(MainTest, AreaStatesFromSettings) {
    struct Case {
        const char* locState;
        const char* ticked;  // one character per area
    };
    const Case cases[] = {
        {"0;1", "01000000"},                 // two fields: only HKEY_USERS
        {"1;x;1; 1;01;1.0;0;", "10111100"},  // numbers as the platform reads them
        {"", "00000000"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.locState);
        areas(c.locState);
        auto& f = start();
        std::string got;
        for (int i = 0; i < f.lvLocations.count(); ++i) got += f.lvLocations.checked(i) ? '1' : '0';
        EXPECT_EQ(got, c.ticked);
        form.reset();
    }
}

TEST_F(MainTest, SkipOptionFromSettings) {
    setting("chkSkipCDLan", "1");
    EXPECT_EQ(start().chkSkipCDLan.value(), 1);
    form.reset();
    setting("chkSkipCDLan", "abc");  // not a number: the designed state (checked) stays
    EXPECT_EQ(start().chkSkipCDLan.value(), 1);
    EXPECT_EQ(settingOr("chkSkipCDLan"), "abc");
    drv.click(form->o3);
    drv.click(form->chkSkipCDLan);
    EXPECT_EQ(settingOr("chkSkipCDLan"), "0");
}

TEST_F(MainTest, SecondInstanceEndsSilentlyWithoutSavingAnything) {
    setting("LocState", "0;1;0;0;0;0;0;0");
    shell.otherInstances.insert("Tolvane.Scourline.hivescrub");
    auto& f = start(true);
    EXPECT_TRUE(f.EndedAsSecondInstance());
    EXPECT_TRUE(host.quitting());
    EXPECT_FALSE(f.visible());
    EXPECT_TRUE(host.boxes.empty());
    EXPECT_EQ(f.lvLocations.count(), 0);
    f.unload(ui::kUnloadByApp);
    form.reset();
    EXPECT_EQ(settingOr("LocState"), "0;1;0;0;0;0;0;0");
    EXPECT_EQ(settingOr("Locations"), "<absent>");
    EXPECT_EQ(settingOr("chkSkipCDLan"), "<absent>");
}

TEST_F(MainTest, ShowOptionsTwiceReturnsToResults) {
    auto& f = start();
    drv.click(f.o3);
    EXPECT_TRUE(f.f1.visible() && f.f2.visible());
    EXPECT_FALSE(f.f3.visible() || f.f4.visible());
    EXPECT_EQ(f.o3.caption(), "Hide options");
    EXPECT_EQ(f.m3.caption(), "Hide options");
    drv.click(f.m3);
    EXPECT_FALSE(f.f1.visible() || f.f2.visible());
    EXPECT_TRUE(f.f3.visible() && f.f4.visible());
    EXPECT_EQ(f.o3.caption(), "Show options");
    EXPECT_EQ(f.m3.caption(), "Show options");
}

TEST_F(MainTest, ResizeFollowsTheWindowAndSnapsBackToTheMinimum) {
    auto& f = start();
    drv.resize(f, 9000, 7000);
    EXPECT_EQ(f.width(), 10245);
    EXPECT_EQ(f.height(), 8100);
    EXPECT_EQ(f.f3.width(), 10245 - 2300);
    EXPECT_EQ(f.f4.top(), 8100 - 2600);
    EXPECT_EQ(f.f3.height(), 8100 - 2800);
    EXPECT_EQ(f.lvInvalidLoc.height(), 8100 - 2800 - 1400);
    EXPECT_EQ(f.ProgressBar1.top(), 8100 - 2800 - 300);
    EXPECT_EQ(f.o5.top(), 8100 - 2800 - 800);

    drv.resize(f, 14000, 11000);
    EXPECT_EQ(f.width(), 14000);
    EXPECT_EQ(f.f1.width(), 11700);
    EXPECT_EQ(f.lvExclude.width(), 11500);
    EXPECT_EQ(f.lblProblemaB.width(), 11500);
    EXPECT_EQ(f.lvInvalidLoc.width(), 11500);
    EXPECT_EQ(f.lvInvalidLoc.height(), 11000 - 2800 - 1400);

    // Minimized: the rules do not run, so nothing restores the window.
    f.move(f.left(), f.top(), 2000, 500);
    drv.minimize(f);
    EXPECT_EQ(f.windowState(), ui::WindowState::Minimized);
    EXPECT_EQ(f.width(), 2000);
    EXPECT_EQ(f.f1.width(), 11700);
}

TEST_F(MainTest, ClosingSavesTheAreasEvenWhenNothingChanged) {
    auto& f = start();
    ASSERT_EQ(settingOr("LocState"), "<absent>");
    drv.close(f);
    EXPECT_TRUE(host.quitting());
    EXPECT_EQ(settingOr("LocState"), "1;1;1;1;1;1;1;1");
    EXPECT_EQ(settingOr("Locations"),
              "HKEY_CURRENT_USER;HKEY_USERS;HKEY_LOCAL_MACHINE;Invalid Shared Dll's;Virtual Device Drivers;"
              "Bad Font References;Invalid File Associations;ActiveX and COM");
    EXPECT_EQ(settingOr("LocDesc").substr(0, 49), "Stores information about currently loged-in user;");
}

TEST_F(MainTest, TickingAnAreaSavesAtOnce) {
    auto& f = start();
    drv.click(f.o3);
    drv.tick(f.lvLocations, 2, false);
    EXPECT_EQ(settingOr("LocState"), "1;1;0;1;1;1;1;1");
}

TEST_F(MainTest, ActivationPostsOneScanAndOnlyWhenIdle) {
    areas("0;0;0;0;0;0;0;0");  // every scan says "select an area": one box per scan
    auto& f = start();
    cleaner::ScanOnActivate = true;
    f.userActivate();
    f.userActivate();
    EXPECT_TRUE(host.boxes.empty()) << "the scan must not run inside the activation";
    host.runPosted();
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_EQ(host.boxes[0].text, "Please select at least one registry location to scan.");
    // The flag stays: the next activation scans again.
    f.userActivate();
    host.runPosted();
    EXPECT_EQ(host.boxes.size(), 2u);
    cleaner::ScanOnActivate = false;
    f.userActivate();
    host.runPosted();
    EXPECT_EQ(host.boxes.size(), 2u);
}

TEST_F(MainTest, ActivationDuringAScanOrARepairStartsNothing) {
    areas("1;0;0;0;0;0;0;0");
    sz(plat::kHkeyCurrentUser, "software\\Bad", "a", "C:\\nothere\\a.exe");
    sz(plat::kHkeyCurrentUser, "software\\Bad", "b", "C:\\nothere\\b.exe");
    auto& f = start();
    cleaner::ScanOnActivate = true;
    host.atNextYield([&] { f.userActivate(); });  // comes back to the window mid-scan
    drv.click(f.cmdScan);
    EXPECT_FALSE(f.ScanRunning());
    EXPECT_EQ(f.lvInvalidLoc.count(), 2);
    host.runPosted();
    EXPECT_EQ(f.lvInvalidLoc.count(), 2);
    EXPECT_FALSE(f.ScanRunning());

    // The repair's question gives the activation back to the window.
    host.fallbackAnswer = [&](const ui::MsgBoxRecord&) {
        f.userActivate();
        return ui::mb::No;
    };
    drv.click(f.o5);
    host.runPosted();
    EXPECT_EQ(host.boxes.size(), 1u);
    EXPECT_EQ(f.lvInvalidLoc.count(), 2) << "no rescan after the repair's question";
}

}  // namespace
}  // namespace cleanerui

namespace cleanerui {
namespace {

TEST_F(MainTest, StartShowsTheWindowThenTheWizardModally) {
    std::vector<std::string> seenAtWizard;
    host.onModal("frmWizard", [&](ui::Form&) {
        seenAtWizard = host.shownLog;
        EXPECT_TRUE(form->visible());
        EXPECT_EQ(form->cmdScan.caption(), "Scan now");
        EXPECT_EQ(form->lvLocations.count(), 8);  // the settings were read before
    });
    cleaner::MainStartOptions opts;
    opts.singleInstance = false;
    form = std::make_unique<cleaner::FrmMain>(host, svc, opts);
    form->show();
    ASSERT_FALSE(seenAtWizard.empty());
    EXPECT_EQ(seenAtWizard.front(), "FrmMain");
    EXPECT_EQ(seenAtWizard.back(), "frmWizard");
    EXPECT_TRUE(form->visible());
    EXPECT_FALSE(form->ScanRunning());
}

}  // namespace
}  // namespace cleanerui
