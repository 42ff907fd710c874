// The scan wizard on the headless backend, opened by the main window as the program does.
#include "cleaner/ui/frm_wizard.h"

#include <functional>

#include "cleaner/ui/side_windows.h"
#include "side_fixture.h"

namespace sidetest {
namespace {

using cleaner::FrmWizard;

class WizardTest : public SideTest {
protected:
    // Shows the wizard modally; `script` is what the user does in it.
    void runWizard(std::function<void(FrmWizard&)> script) {
        host.onModal("frmWizard", [script](ui::Form& f) { script(static_cast<FrmWizard&>(f)); });
        cleaner::ShowWizard(*main);
    }
    std::vector<bool> categories() {
        std::vector<bool> out;
        for (int i = 0; i < main->lvLocations.count(); ++i) out.push_back(main->lvLocations.checked(i));
        return out;
    }
    static std::vector<bool> all(bool v) { return std::vector<bool>(cleaner::kAreaCount, v); }
};

TEST_F(WizardTest, CaptionsFollowLanguageAndPage) {
    struct Case {
        bool spanish;
        const char *first, *scan, *title, *select, *cancel, *area0;
    };
    const Case cases[] = {
        {false, "Next", "Scan", "Welcome to Tolvane Registry Cleaner", "Select all", "Cancel",
         "Search information about the currently user"},
        {true, "&Siguiente >", "Comenzar", "Bienvenido a Scourline", "Seleccionar todas las areas", "Cancelar",
         "Buscar información sobre el usuario actual"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.spanish ? "Spanish" : "English");
        if (c.spanish) spanish();
        startMain();
        runWizard([&](FrmWizard& w) {
            EXPECT_EQ(w.caption(), c.title);
            EXPECT_EQ(w.Label1.caption(), c.title);
            EXPECT_EQ(w.chkTodos.caption(), c.select);
            EXPECT_EQ(w.CancelButton.caption(), c.cancel);
            ASSERT_EQ(w.lstAreas.count(), 8);
            EXPECT_EQ(w.lstAreas.text(0), c.area0);
            EXPECT_EQ(w.chkTodos.value(), 1);
            for (int i = 0; i < 8; ++i) EXPECT_TRUE(w.lstAreas.checked(i));
            // Page 1: the forward caption, and the areas cannot be reached yet.
            EXPECT_EQ(w.OKButton.caption(), c.first);
            EXPECT_THROW(drv.tick(w.lstAreas, 0, false), ui::DriverError);

            drv.click(w.OKButton);
            EXPECT_EQ(w.PageCounter(), 1);
            EXPECT_EQ(w.OKButton.caption(), c.scan);
            EXPECT_FALSE(w.Frame1.visible());
            EXPECT_TRUE(w.pic2.visible());
            EXPECT_EQ(w.pic1.left(), 2880);
            EXPECT_EQ(w.pic1.top(), 225);

            // One area cleared: "Select all" clears, the caption stays the scan caption.
            drv.tick(w.lstAreas, 2, false);
            EXPECT_EQ(w.chkTodos.value(), 0);
            EXPECT_EQ(w.OKButton.caption(), c.scan);
            // Every area cleared: "Manual" in both languages.
            for (int i = 0; i < 8; ++i)
                if (w.lstAreas.checked(i)) drv.tick(w.lstAreas, i, false);
            EXPECT_EQ(w.OKButton.caption(), "Manual");
            drv.tick(w.lstAreas, 5, true);
            EXPECT_EQ(w.OKButton.caption(), c.scan);

            // "Select all" ticked then cleared: every area follows; the caption is never "Manual".
            drv.click(w.chkTodos);
            for (int i = 0; i < 8; ++i) EXPECT_TRUE(w.lstAreas.checked(i));
            drv.click(w.chkTodos);
            for (int i = 0; i < 8; ++i) EXPECT_FALSE(w.lstAreas.checked(i));
            EXPECT_EQ(w.OKButton.caption(), c.scan);
            drv.click(w.CancelButton);
        });
        main.reset();
        files.deleteFile(std::string(kApp) + "\\spanish.dll");
    }
}

TEST_F(WizardTest, LoadTicksAreNotCopiedSoCancelKeepsSavedAreas) {
    areas("1;0;0;1;0;0;0;0;");
    startMain();
    const std::vector<bool> saved = categories();
    ASSERT_EQ(saved, (std::vector<bool>{true, false, false, true, false, false, false, false}));
    cleaner::ScanOnActivate = true;
    runWizard([&](FrmWizard& w) { drv.click(w.CancelButton); });
    EXPECT_EQ(categories(), saved);
    EXPECT_FALSE(cleaner::ScanOnActivate);
}

TEST_F(WizardTest, EachUserTickReachesTheCategoriesAtOnce) {
    areas("1;1;1;1;1;1;1;1;");
    startMain();
    runWizard([&](FrmWizard& w) {
        drv.click(w.OKButton);
        drv.tick(w.lstAreas, 3, false);
        EXPECT_FALSE(main->lvLocations.checked(3));
        EXPECT_TRUE(main->lvLocations.checked(2));
        drv.tick(w.lstAreas, 3, true);
        EXPECT_TRUE(main->lvLocations.checked(3));
        ASSERT_EQ(w.chkTodos.value(), 0);
        drv.click(w.chkTodos);  // ticks all
        EXPECT_EQ(categories(), all(true));
        drv.click(w.chkTodos);  // clears all
        EXPECT_EQ(categories(), all(false));
        // Cancel after changes: the changes stay, the flag is cleared.
        cleaner::ScanOnActivate = true;
        drv.click(w.CancelButton);
    });
    EXPECT_EQ(categories(), all(false));
    EXPECT_FALSE(cleaner::ScanOnActivate);
}

TEST_F(WizardTest, ConfirmMakesCategoriesEqualTheTicksAndScansOnActivation) {
    areas("1;0;0;0;0;0;0;0;");
    startMain();
    ASSERT_EQ(main->SBarMain.panel(1), "");
    runWizard([&](FrmWizard& w) {
        drv.click(w.OKButton);
        EXPECT_TRUE(w.loaded());
        drv.tick(w.lstAreas, 7, false);
        drv.click(w.OKButton);  // confirms
        EXPECT_FALSE(w.loaded());
    });
    EXPECT_EQ(categories(), (std::vector<bool>{true, true, true, true, true, true, true, false}));
    EXPECT_TRUE(cleaner::ScanOnActivate);
    // The main window got the activation back and starts the scan from its message loop.
    host.runPosted();
    EXPECT_EQ(main->SBarMain.panel(1), "10:11:12");
}

TEST_F(WizardTest, UntickingEveryAreaThenForwardClosesWithoutScan) {
    startMain();
    runWizard([&](FrmWizard& w) {
        drv.click(w.OKButton);
        drv.tick(w.lstAreas, 0, false);  // clears "Select all" first
        for (int i = 1; i < 8; ++i) drv.tick(w.lstAreas, i, false);
        drv.click(w.OKButton);
        EXPECT_FALSE(w.loaded());
    });
    EXPECT_FALSE(cleaner::ScanOnActivate);
    EXPECT_EQ(categories(), all(false));
    host.runPosted();
    EXPECT_EQ(main->SBarMain.panel(1), "");
}

TEST_F(WizardTest, CloseBoxKeepsTheFlag) {
    for (bool before : {true, false}) {
        SCOPED_TRACE(before);
        startMain();
        cleaner::ScanOnActivate = before;
        runWizard([&](FrmWizard& w) {
            drv.click(w.OKButton);
            drv.close(w);
        });
        EXPECT_EQ(cleaner::ScanOnActivate, before);
        main.reset();
    }
}

TEST_F(WizardTest, MarkerFileIsWrittenOnceOnTheFirstTick) {
    files.addFile(std::string(kApp) + "\\open.cpa", std::string("old contents\r\nmore\r\n"));
    startMain();
    runWizard([&](FrmWizard& w) {
        EXPECT_TRUE(w.tmrTRL.enabled());
        EXPECT_EQ(w.tmrTRL.interval(), 100);
        drv.fire(w.tmrTRL);
        EXPECT_FALSE(w.tmrTRL.enabled());
        EXPECT_THROW(drv.fire(w.tmrTRL), ui::DriverError);
        drv.click(w.CancelButton);
    });
    EXPECT_EQ(files.readFile(std::string(kApp) + "\\open.cpa").value_or("<none>"), "reg\r\n");
}

TEST_F(WizardTest, MarkerFileThatCannotBeWrittenIsReportedByName) {
    files.addFile(std::string(kApp) + "\\open.cpa", std::string("old contents\r\n"));
    files.markReadOnlyFolder(kApp);
    startMain();
    runWizard([&](FrmWizard& w) {
        drv.fire(w.tmrTRL);
        drv.click(w.CancelButton);
    });
    ASSERT_FALSE(host.boxes.empty());
    EXPECT_EQ(host.boxes.back().text,
              "The file \"C:\\Program Files\\Scourline\\open.cpa\" could not be written: access is denied (error 5).");
    EXPECT_EQ(files.readFile(std::string(kApp) + "\\open.cpa").value_or("<none>"), "old contents\r\n");
}

TEST_F(WizardTest, BackupButtonStartsHivesaveByFullPathThroughTheShell) {
    shell.needElevation.insert("C:\\Program Files\\Scourline\\hivesave.exe");
    startMain();
    runWizard([&](FrmWizard& w) {
        drv.click(w.Label5);
        EXPECT_TRUE(w.loaded());
        EXPECT_TRUE(w.visible());
        drv.click(w.CancelButton);
    });
    EXPECT_TRUE(starts().empty());
    auto s = launches();
    ASSERT_EQ(s.size(), 1u);
    EXPECT_EQ(s[0].program, "C:\\Program Files\\Scourline\\hivesave.exe");
    EXPECT_EQ(s[0].commandLine, "");
    EXPECT_EQ(s[0].show, plat::ShowState::Normal);
    EXPECT_NE(s[0].processId, 0u);
}

TEST_F(WizardTest, ShownModallyWithoutOwnerAndFreshEachTime) {
    startMain();
    int loads = 0;
    for (int round = 0; round < 2; ++round) {
        runWizard([&](FrmWizard& w) {
            ++loads;
            EXPECT_TRUE(w.modal());
            EXPECT_EQ(w.owner(), nullptr);
            EXPECT_EQ(w.PageCounter(), 0);
            EXPECT_EQ(w.OKButton.caption(), "Next");
            for (int i = 0; i < 8; ++i) EXPECT_TRUE(w.lstAreas.checked(i));
            drv.click(w.OKButton);
            drv.click(w.chkTodos);
            drv.click(w.CancelButton);
        });
    }
    EXPECT_EQ(loads, 2);
    // The main window's Wizard button opens it too.
    host.onModal("frmWizard", [&](ui::Form& f) { ++loads, drv.close(f); });
    drv.click(main->o2);
    EXPECT_EQ(loads, 3);
}

}  // namespace
}  // namespace sidetest
