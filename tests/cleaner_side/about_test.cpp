// The about window and how the main window opens the side windows (each exists once).
#include "cleaner/ui/how.h"

#include "cleaner/ui/frm_un.h"
#include "cleaner/ui/frm_update.h"
#include "cleaner/ui/frm_wizard.h"
#include "cleaner/ui/side_windows.h"
#include "side_fixture.h"

namespace sidetest {
namespace {

using cleaner::How;

class AboutTest : public SideTest {
protected:
    // The open window of that name, found through the host's active window after a press.
    template <class T>
    T& active() {
        ui::Form* f = host.activeForm();
        EXPECT_NE(f, nullptr);
        return static_cast<T&>(*f);
    }
};

TEST_F(AboutTest, LabelsAndLinks) {
    How about(host, files, shell, nullptr);
    about.show();
    EXPECT_EQ(about.caption(), "About");
    EXPECT_EQ(about.Label10.caption(), "Tolvane Registry Cleaner 4.21");
    EXPECT_EQ(about.Label6.caption(), "Website:");
    EXPECT_EQ(about.Label8.caption(), "Email:");
    EXPECT_EQ(about.OKButton.caption(), "Check for Update");
    EXPECT_EQ(about.cmdClose.caption(), "Close");
    // The Arabic text exactly as written (UTF-8 of U+0644 U+0644 U+0645 ...).
    EXPECT_EQ(about.Label12.caption(),
              "\xD9\x84\xD9\x84\xD9\x85\xD8\xB2\xD9\x8A\xD8\xAF \xD9\x85\xD9\x86 "
              "\xD8\xA7\xD9\x84\xD9\x85\xD8\xB9\xD9\x84\xD9\x88\xD9\x85\xD8\xA7\xD8\xAA "
              "\xD8\xB9\xD9\x86 \xD8\xA7\xD9\x84\xD9\x85\xD8\xA8\xD8\xB1\xD9\x85\xD8\xAC "
              "\xD8\xA7\xD8\xB6\xD8\xBA\xD8\xB7 \xD9\x87\xD9\x86\xD8\xA7");

    struct Case {
        ui::Label* label;
        const char* address;
    };
    const Case cases[] = {
        {&about.Label7, "http://www.tolvane.example/support.html"},
        {&about.Label9, "http://www.tolvane.example/"},
        // The application folder holds blanks: the whole path is one address.
        {&about.Label12, "C:\\Program Files\\Scourline\\help\\about.htm"},
    };
    for (const Case& c : cases) drv.click(*c.label);
    auto o = opens();
    ASSERT_EQ(o.size(), 3u);
    for (size_t i = 0; i < 3; ++i) {
        SCOPED_TRACE(cases[i].address);
        EXPECT_EQ(o[i].verb, "open");
        EXPECT_EQ(o[i].program, cases[i].address);
        EXPECT_EQ(o[i].commandLine, "");
        EXPECT_EQ(o[i].directory, "");
        EXPECT_EQ(o[i].show, plat::ShowState::Normal);
    }
    // The labels that do nothing on a click.
    drv.click(about.Label10);
    drv.click(about.Label6);
    EXPECT_EQ(opens().size(), 3u);
}

TEST_F(AboutTest, ClosingAfterAWizardScanStartsNoOtherScan) {
    startMain();
    host.onModal("frmWizard", [&](ui::Form& f) {
        auto& w = static_cast<cleaner::FrmWizard&>(f);
        drv.click(w.OKButton);
        drv.click(w.OKButton);
    });
    drv.click(main->o2);
    ASSERT_TRUE(cleaner::ScanOnActivate);
    host.runPosted();
    ASSERT_EQ(main->SBarMain.panel(1), "10:11:12");
    main->SBarMain.setPanel(1, "");

    drv.click(main->cmdShowAbout);
    auto& about = active<How>();
    EXPECT_EQ(about.name(), "how");
    EXPECT_EQ(about.owner(), main.get());
    drv.click(about.cmdClose);
    EXPECT_FALSE(about.loaded());
    EXPECT_FALSE(cleaner::ScanOnActivate);
    drv.activate(*main);
    host.runPosted();
    EXPECT_EQ(main->SBarMain.panel(1), "");
}

TEST_F(AboutTest, EachSideWindowExistsOnce) {
    startMain();
    drv.click(main->cmdUninstallManager);
    auto& un = active<cleaner::FrmUn>();
    EXPECT_EQ(un.name(), "FrmUn");
    EXPECT_EQ(un.owner(), main.get());
    drv.activate(*main);
    drv.click(main->cmdUninstallManager);
    drv.click(main->m8);
    EXPECT_EQ(shownCount("FrmUn"), 1);
    EXPECT_EQ(host.activeForm(), &un);
    // Closed, it is made anew on the next press.
    drv.close(un);
    drv.click(main->cmdUninstallManager);
    EXPECT_EQ(shownCount("FrmUn"), 2);
    EXPECT_EQ(host.activeForm()->name(), "FrmUn");

    drv.click(main->cmdShowAbout);
    drv.click(main->m18);
    EXPECT_EQ(shownCount("how"), 1);
    // The about window's button opens the update window owned by it; the main window's
    // button then brings that one forward instead of opening a second.
    auto& about = active<How>();
    drv.click(about.OKButton);
    auto& update = active<cleaner::FrmUpdate>();
    EXPECT_EQ(update.name(), "FrmUpdate");
    EXPECT_EQ(update.owner(), &about);
    EXPECT_EQ(update.site(), "http://127.0.0.1:8765");
    drv.activate(*main);
    drv.click(main->cmdCheckUpdate);
    drv.click(main->m17);
    EXPECT_EQ(shownCount("FrmUpdate"), 1);
    EXPECT_EQ(host.activeForm(), &update);
    EXPECT_EQ(http.started.size(), 1u);
}

TEST_F(AboutTest, ClosingTheOwnerClosesTheUpdateWindowAndCancelsItsRequest) {
    startMain();
    drv.click(main->cmdShowAbout);
    auto& about = active<How>();
    drv.click(about.OKButton);
    auto& update = active<cleaner::FrmUpdate>();
    ASSERT_EQ(http.pendingCount(), 1);
    drv.close(about);
    EXPECT_FALSE(update.loaded());
    EXPECT_EQ(http.cancelledCount(), 1);
    EXPECT_FALSE(update.Timer1.enabled());
    // An update window owned by the main window outlives the about window.
    drv.click(main->cmdCheckUpdate);
    auto& second = active<cleaner::FrmUpdate>();
    drv.click(main->cmdShowAbout);
    drv.close(active<How>());
    EXPECT_TRUE(second.loaded());
    // Closing the main window closes every side window.
    drv.click(main->cmdUninstallManager);
    auto& un = active<cleaner::FrmUn>();
    drv.close(*main);
    EXPECT_FALSE(second.loaded());
    EXPECT_FALSE(un.loaded());
    EXPECT_EQ(http.pendingCount(), 0);
}

}  // namespace
}  // namespace sidetest
