// The exclude list: its file, the dialog and its buttons, and moving result rows into it.
#include <algorithm>

#include "cleaner/ui/exclude_file.h"
#include "cleaner/ui/frm_exclude_location.h"
#include "tests/cleaner_ui/main_fixture.h"

namespace cleanerui {
namespace {

class ExcludeTest : public MainTest {
protected:
    const std::string path = std::string(kApp) + "\\Exclude.lst";
    cleaner::FrmMain& startOptions() {
        auto& f = start();
        drv.click(f.o3);
        return f;
    }
    // The dialog as the user fills it in, then OK.
    void dialog(const std::string& text, bool mustBegin = true) {
        host.onModal("frmExcludeLocation", [this, text, mustBegin](ui::Form& form) {
            auto& d = static_cast<cleaner::FrmExcludeLocation&>(form);
            drv.type(d.txtLocation, text);
            if ((d.chkMustBegin.value() == 1) != mustBegin) drv.click(d.chkMustBegin);
            drv.click(d.OKButton);
        });
    }
    std::vector<std::string> entries() {
        std::vector<std::string> out;
        for (int i = 0; i < form->lvExclude.count(); ++i)
            out.push_back(form->lvExclude.text(i) + "|" + form->lvExclude.subItem(i, 1) + "|" +
                          (form->lvExclude.checked(i) ? "on" : "off"));
        return out;
    }
    void restart() {
        form.reset();
        startOptions();
    }
};

TEST_F(ExcludeTest, AddWritesTheFileAndACommaStaysOneEntry) {
    startOptions();
    dialog("  HKEY_CURRENT_USER\\Software\\A, B  ");
    drv.click(form->cmdExclude[0]);
    dialog("Software\\Plain", false);
    drv.click(form->cmdExclude[0]);
    EXPECT_EQ(excludeFile(), "HKEY_CURRENT_USER\\Software\\A, B;;Yes;;True\r\nSoftware\\Plain;;No;;True\r\n");
    restart();
    EXPECT_EQ(entries(),
              (std::vector<std::string>{"HKEY_CURRENT_USER\\Software\\A, B|Yes|on", "Software\\Plain|No|on"}));
}

TEST_F(ExcludeTest, TickStateIsWrittenAtOnceAndSurvivesARestart) {
    files.writeFile(path, "one;;Yes;;True\r\ntwo;;No;;False\r\n");
    startOptions();
    drv.tick(form->lvExclude, 0, false);
    drv.tick(form->lvExclude, 1, true);
    EXPECT_EQ(excludeFile(), "one;;Yes;;False\r\ntwo;;No;;True\r\n");
    restart();
    EXPECT_EQ(entries(), (std::vector<std::string>{"one|Yes|off", "two|No|on"}));
}

TEST_F(ExcludeTest, RemovingTheLastEntryLeavesAnEmptyFile) {
    files.writeFile(path, "only;;Yes;;True\r\n");
    startOptions();
    drv.clickRow(form->lvExclude, 0);
    host.answer(ui::mb::Yes);
    drv.click(form->cmdExclude[2]);
    EXPECT_EQ(host.boxes.back().text, "Are you sure you want to remove the selected location(s) from the list.");
    EXPECT_EQ(host.boxes.back().style, ui::mb::YesNo);
    EXPECT_EQ(form->lvExclude.count(), 0);
    EXPECT_EQ(excludeFile(), "");
    restart();
    EXPECT_EQ(form->lvExclude.count(), 0);
}

TEST_F(ExcludeTest, EditAndRemoveNeedASelectionAndEditKeepsTheTick) {
    files.writeFile(path, "old;;Yes;;False\r\n");
    startOptions();
    drv.click(form->cmdExclude[1]);
    drv.click(form->cmdExclude[2]);
    EXPECT_TRUE(host.boxes.empty());
    EXPECT_EQ(std::count(host.shownLog.begin(), host.shownLog.end(), "frmExcludeLocation"), 0);

    drv.clickRow(form->lvExclude, 0);
    host.onModal("frmExcludeLocation", [this](ui::Form& form) {
        auto& d = static_cast<cleaner::FrmExcludeLocation&>(form);
        EXPECT_EQ(d.txtLocation.text(), "old");
        EXPECT_EQ(d.chkMustBegin.value(), 1);
        drv.type(d.txtLocation, " new ");
        drv.click(d.chkMustBegin);
        drv.click(d.OKButton);
    });
    host.answer(ui::mb::Yes);
    drv.click(form->cmdExclude[1]);
    EXPECT_EQ(host.boxes.back().text, "Are you sure you want to edit the selected location details in the list.");
    EXPECT_EQ(entries(), (std::vector<std::string>{"new|No|off"}));
    EXPECT_EQ(excludeFile(), "new;;No;;False\r\n");
}

TEST_F(ExcludeTest, DialogRefusesAnEmptyTextAndKeepsAnEntryOfBlanks) {
    startOptions();
    host.onModal("frmExcludeLocation", [this](ui::Form& form) {
        auto& d = static_cast<cleaner::FrmExcludeLocation&>(form);
        drv.click(d.OKButton);
        EXPECT_TRUE(d.visible());
        drv.click(d.CancelButton);
    });
    drv.click(form->cmdExclude[0]);
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_EQ(host.boxes[0].text, "Enter exclude location.");
    EXPECT_EQ(host.boxes[0].title, "Exclude location empty");
    EXPECT_EQ(host.boxes[0].style, ui::mb::OkOnly | ui::mb::Information);
    EXPECT_EQ(form->lvExclude.count(), 0);

    // Blanks pass the check; the entry keeps them rather than an empty text.
    dialog("   ");
    drv.click(form->cmdExclude[0]);
    EXPECT_EQ(entries(), (std::vector<std::string>{"   |Yes|on"}));
}

TEST_F(ExcludeTest, ClosingTheDialogCountsAsCancelAndClearsScanOnActivate) {
    startOptions();
    cleaner::ScanOnActivate = true;
    host.onModal("frmExcludeLocation", [this](ui::Form& form) {
        auto& d = static_cast<cleaner::FrmExcludeLocation&>(form);
        drv.type(d.txtLocation, "typed");
        drv.close(d);
    });
    drv.click(form->cmdExclude[0]);
    EXPECT_EQ(form->lvExclude.count(), 0);
    EXPECT_FALSE(cleaner::ScanOnActivate);
}

TEST_F(ExcludeTest, SpanishDialogFollowsTheMarkerAtTheMomentOfUse) {
    startOptions();
    files.addFile(std::string(kApp) + "\\spanish.dll", std::string(""));
    std::string caption, choiceAtOpen;
    host.onModal("frmExcludeLocation", [&](ui::Form& form) {
        auto& d = static_cast<cleaner::FrmExcludeLocation&>(form);
        caption = d.caption();
        choiceAtOpen = d.Choice;
        EXPECT_EQ(d.OKButton.caption(), "Aceptar");
        drv.type(d.txtLocation, "x");
        drv.click(d.OKButton);
        EXPECT_EQ(d.Choice, "Aceptar");
    });
    drv.click(form->cmdExclude[0]);
    EXPECT_EQ(caption, "Excluir rutas o carpetas");
    EXPECT_EQ(choiceAtOpen, "Cancelar");
    EXPECT_EQ(entries(), (std::vector<std::string>{"x|Yes|on"}));
    // Captions set at load stay English.
    EXPECT_EQ(form->cmdExclude[0].caption(), "Add...");
    drv.clickRow(form->lvExclude, 0);
    host.answer(ui::mb::No);
    drv.click(form->cmdExclude[2]);
    EXPECT_EQ(host.boxes.back().text, "Are you sure you want to remove the selected location(s) from the list.");
}

TEST_F(ExcludeTest, FileEncodings) {
    // An older file in the system code page.
    files.writeFile(path, std::string("caf\xE9;;Yes;;True\r\n"));
    startOptions();
    EXPECT_EQ(entries(), (std::vector<std::string>{"café|Yes|on"}));
    // Characters the code page holds are written in it.
    drv.tick(form->lvExclude, 0, false);
    EXPECT_EQ(excludeFile(), std::string("caf\xE9;;Yes;;False\r\n"));
    // One that it cannot hold turns the file into UTF-8 with a byte-order mark, losing nothing.
    dialog("Ключ\\日本");
    drv.click(form->cmdExclude[0]);
    EXPECT_EQ(excludeFile(),
              "\xEF\xBB\xBF"
              "café;;Yes;;False\r\nКлюч\\日本;;Yes;;True\r\n");
    restart();
    EXPECT_EQ(entries(), (std::vector<std::string>{"café|Yes|off", "Ключ\\日本|Yes|on"}));
}

TEST(ExcludeFileBytes, CodePageBytesThatReadAsUtf8AreWrittenAsUtf8) {
    // "Ã©" in code page 1252 is C3 A9, which reads back as UTF-8 "é": write UTF-8 instead.
    std::string bytes = cleaner::ExcludeFileBytes({{"Ã©", "Yes", true}});
    EXPECT_EQ(bytes,
              "\xEF\xBB\xBF"
              "Ã©;;Yes;;True\r\n");
    auto back = engine::ParseExcludeFile(bytes);
    ASSERT_EQ(back.size(), 1u);
    EXPECT_EQ(back[0].text, "Ã©");
    EXPECT_EQ(cleaner::ExcludeFileBytes({}), "");
    EXPECT_EQ(cleaner::ExcludeFileBytes({{"a b", "", false}}), "a b;;;;False\r\n");
}

TEST_F(ExcludeTest, AddToExcludeListMovesSelectedRowsLastFirst) {
    startOptions();
    drv.click(form->o3);  // back to the results
    row("HKEY_CURRENT_USER\\Software\\One", "a");
    row("HKEY_CURRENT_USER\\Software\\Two", "b");
    row("HKEY_CURRENT_USER\\Software\\Three", "c");
    drv.clickRow(form->lvInvalidLoc, 0);
    drv.clickRow(form->lvInvalidLoc, 2, true);
    host.answer(ui::mb::No);
    drv.click(form->o6);
    EXPECT_EQ(host.boxes.back().text, "Do you want to add this entry to the exclude list?");
    EXPECT_EQ(host.boxes.back().title, "Exclude list");
    EXPECT_EQ(form->lvExclude.count(), 0);
    host.answer(ui::mb::Yes);
    drv.click(form->o6);
    EXPECT_EQ(entries(), (std::vector<std::string>{"HKEY_CURRENT_USER\\Software\\Three|Yes|on",
                                                   "HKEY_CURRENT_USER\\Software\\One|Yes|on"}));
    EXPECT_EQ(rowTexts(), (std::vector<std::string>{"HKEY_CURRENT_USER\\Software\\Two|b"}));
    EXPECT_EQ(excludeFile(),
              "HKEY_CURRENT_USER\\Software\\Three;;Yes;;True\r\nHKEY_CURRENT_USER\\Software\\One;;Yes;;True\r\n");
}

// Installed below Program Files and run without elevation, the program may not write its own
// folder: every save says so, naming the file and the reason, and the old file stays whole.
TEST_F(ExcludeTest, AFolderThatRefusesWritesIsReportedAndTheOldFileStaysWhole) {
    files.writeFile(path, "one;;Yes;;True\r\n");
    files.markReadOnlyFolder(kApp);
    startOptions();
    dialog("Software\\Two");
    drv.click(form->cmdExclude[0]);
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_NE(host.boxes[0].text.find("\"" + path + "\""), std::string::npos) << host.boxes[0].text;
    EXPECT_NE(host.boxes[0].text.find("access is denied (error 5)"), std::string::npos) << host.boxes[0].text;
    EXPECT_EQ(excludeFile(), "one;;Yes;;True\r\n");
    // A tick and a move from the results are saves too.
    drv.tick(form->lvExclude, 0, false);
    EXPECT_EQ(host.boxes.size(), 2u);
    EXPECT_EQ(excludeFile(), "one;;Yes;;True\r\n");
}

// While Exclude.lst cannot be read, every edit says it was not saved, naming the file, and no
// scan runs while the list holds exclusions the file does not; once the file can be read, the
// edits join what it holds and the scan honours both.
TEST_F(ExcludeTest, EditsMadeWhileTheFileCannotBeReadAreKeptAndHoldBackEveryScan) {
    files.writeFile(path, "\\Old;;Yes;;True\r\n");
    files.markUnreadable(path);
    areas("1;0;0;0;0;0;0;0");
    sz(plat::kHkeyCurrentUser, "Software\\Old", "Run", "C:\\gone\\old.exe");
    sz(plat::kHkeyCurrentUser, "Software\\Mine", "Run", "C:\\gone\\mine.exe");
    startOptions();
    dialog("\\Mine");
    drv.click(form->cmdExclude[0]);
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_NE(host.boxes[0].text.find("not saved"), std::string::npos) << host.boxes[0].text;
    EXPECT_NE(host.boxes[0].text.find("\"" + path + "\""), std::string::npos) << host.boxes[0].text;
    EXPECT_EQ(entries(), std::vector<std::string>{"\\Mine|Yes|on"});
    drv.tick(form->lvExclude, 0, false);
    ASSERT_EQ(host.boxes.size(), 2u);  // a tick is an edit too
    drv.tick(form->lvExclude, 0, true);
    ASSERT_EQ(host.boxes.size(), 3u);

    const size_t before = host.boxes.size();
    drv.click(form->cmdScan);
    EXPECT_GT(host.boxes.size(), before);
    EXPECT_NE(host.boxes.back().text.find("No scan runs"), std::string::npos) << host.boxes.back().text;
    EXPECT_EQ(form->lvInvalidLoc.count(), 0);
    EXPECT_FALSE(form->ScanRunning());
    EXPECT_EQ(entries(), std::vector<std::string>{"\\Mine|Yes|on"});

    // The other program lets go: the file's entry and the edit are both kept, and both hold.
    files.clearUnreadable(path);
    const size_t quiet = host.boxes.size();
    drv.click(form->cmdScan);
    EXPECT_EQ(host.boxes.size(), quiet);
    EXPECT_EQ(excludeFile(), "\\Old;;Yes;;True\r\n\\Mine;;Yes;;True\r\n");
    EXPECT_EQ(form->lvInvalidLoc.count(), 0);
}

TEST_F(ExcludeTest, AnEditThatCannotBeWrittenStaysInTheListAndHoldsBackTheScan) {
    files.writeFile(path, "one;;Yes;;True\r\n");
    areas("1;0;0;0;0;0;0;0");
    sz(plat::kHkeyCurrentUser, "Software\\Mine", "Run", "C:\\gone\\mine.exe");
    files.markReadOnlyFolder(kApp);
    startOptions();
    dialog("\\Software\\Mine");
    drv.click(form->cmdExclude[0]);
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_EQ(entries(), (std::vector<std::string>{"one|Yes|on", "\\Software\\Mine|Yes|on"}));
    drv.click(form->cmdScan);
    EXPECT_NE(host.boxes.back().text.find("No scan runs"), std::string::npos) << host.boxes.back().text;
    EXPECT_EQ(form->lvInvalidLoc.count(), 0);
}

}  // namespace
}  // namespace cleanerui
