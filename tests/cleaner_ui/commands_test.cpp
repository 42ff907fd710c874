// The main window's commands: sibling programs, web pages, sorting, the problem panel, the
// registry-editor jump.
#include "tests/cleaner_ui/main_fixture.h"

namespace cleanerui {
namespace {

using Kind = plat::FakeShell::Event::Kind;

// Through the shell's execute call: a sibling that asks for administrator rights (hivesave,
// startup, taskwatch) can be granted them instead of failing with "elevation required".
TEST_F(MainTest, SiblingsStartFromTheApplicationFolderByFullPathThroughTheShell) {
    for (const char* elevated : {"hivesave.exe", "startup.exe", "taskwatch.exe"})
        shell.needElevation.insert(std::string(kApp) + "\\" + elevated);
    auto& f = start();
    struct Case {
        ui::Button* button;
        ui::MenuItem* menu;
        const char* file;
    };
    const Case cases[] = {
        {&f.o8, &f.m4, "hivesave.exe"},       {&f.Command34, &f.m5, "hivefind.exe"}, {&f.Command1, &f.m6, "clean.exe"},
        {&f.Command30, &f.m7, "startup.exe"}, {&f.Command2, &f.m9, "taskwatch.exe"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        shell.events.clear();
        drv.click(*c.button);
        drv.click(*c.menu);
        auto starts = shell.eventsOf(Kind::Launch);
        ASSERT_EQ(starts.size(), 2u);
        EXPECT_TRUE(shell.eventsOf(Kind::Start).empty());
        const std::string full = std::string(kApp) + "\\" + c.file;
        for (const auto& e : starts) {
            EXPECT_EQ(e.program, full);
            EXPECT_EQ(e.commandLine, "");
            EXPECT_EQ(e.show, plat::ShowState::Normal);
            EXPECT_NE(e.processId, 0u);
        }
    }
}

TEST_F(MainTest, AMissingSiblingIsIgnoredSilently) {
    auto& f = start();
    shell.startSucceeds = false;
    drv.click(f.Command2);
    EXPECT_TRUE(host.boxes.empty());
    EXPECT_TRUE(f.visible());
    EXPECT_TRUE(f.Command2.enabled());
}

TEST_F(MainTest, WebPagesOpenWithTheNormalShowCommand) {
    auto& f = start();
    drv.click(f.Label8);
    drv.click(f.Command3000);
    drv.click(f.m16);
    drv.click(f.Command36);
    drv.click(f.m12);
    auto opened = shell.eventsOf(Kind::ShellExecute);
    ASSERT_EQ(opened.size(), 5u);
    EXPECT_EQ(opened[0].program, "http://www.tolvane.example/");
    EXPECT_EQ(opened[1].program, "http://www.tolvane.example/scourline-tutorial.html");
    EXPECT_EQ(opened[2].program, "http://www.tolvane.example/scourline-tutorial.html");
    for (const auto& e : opened) {
        EXPECT_EQ(e.verb, "open");
        EXPECT_EQ(e.commandLine, "");
        EXPECT_EQ(e.directory, "");
        EXPECT_EQ(e.show, plat::ShowState::Normal);
        EXPECT_EQ(e.program.rfind("http://www.tolvane.example/", 0), 0u) << e.program;
    }
    EXPECT_NE(opened[3].program, opened[4].program);
}

TEST_F(MainTest, ColumnHeaderClicksSortAscendingDescendingAscending) {
    auto& f = start();
    row("HKEY_CURRENT_USER\\b", "1", "d1", "Reason B");
    row("HKEY_CURRENT_USER\\A", "2", "d2", "Reason C");
    row("HKEY_CURRENT_USER\\c", "3", "d3", "Reason A");
    auto firstColumn = [&] {
        std::string s;
        for (int i = 0; i < f.lvInvalidLoc.count(); ++i) s += f.lvInvalidLoc.text(i).back();
        return s;
    };
    drv.clickColumn(f.lvInvalidLoc, 0);
    EXPECT_EQ(firstColumn(), "Abc");
    EXPECT_EQ(f.lvInvalidLoc.columns()[0].tag, "A");
    drv.clickColumn(f.lvInvalidLoc, 0);
    EXPECT_EQ(firstColumn(), "cbA");
    EXPECT_EQ(f.lvInvalidLoc.columns()[0].tag, "D");
    drv.clickColumn(f.lvInvalidLoc, 0);
    EXPECT_EQ(firstColumn(), "Abc");
    // Each column keeps its own state.
    drv.clickColumn(f.lvInvalidLoc, 3);
    EXPECT_EQ(firstColumn(), "cbA");
    EXPECT_EQ(f.lvInvalidLoc.columns()[3].tag, "A");

    // The problem panel shows the clicked row of the sorted list.
    drv.clickRow(f.lvInvalidLoc, 0);
    EXPECT_EQ(f.lblProblemaA.caption(), "Problem: Reason A");
    EXPECT_EQ(f.lblProblemaB.caption(), "d3");
    EXPECT_EQ(f.lblProblemaC.caption(), "Location: HKEY_CURRENT_USER\\c");
}

TEST_F(MainTest, ProblemPanelInSpanish) {
    files.addFile(std::string(kApp) + "\\spanish.dll", std::string(""));
    auto& f = start();
    row("HKEY_CURRENT_USER\\x", "v", "data", "Ruta no válida");
    drv.clickRow(f.lvInvalidLoc, 0);
    EXPECT_EQ(f.lblProblemaA.caption(), "Problema: Ruta no válida");
    EXPECT_EQ(f.lblProblemaC.caption(), "Ubicación: HKEY_CURRENT_USER\\x");
}

TEST_F(MainTest, DoubleClickAndEditJumpToTheSelectedRowOnly) {
    auto& f = start();
    std::vector<std::string> jumps;
    f.JumpToKey = [&](const std::string& p) { jumps.push_back(p); };
    drv.click(f.o7);
    EXPECT_TRUE(jumps.empty());
    row("HKEY_CURRENT_USER\\Software\\{AB}", "v");
    drv.click(f.o7);
    EXPECT_TRUE(jumps.empty());
    drv.dblClickRow(f.lvInvalidLoc, 0);
    drv.click(f.o7);
    EXPECT_EQ(jumps,
              (std::vector<std::string>{"HKEY_CURRENT_USER\\Software\\{AB}", "HKEY_CURRENT_USER\\Software\\{AB}"}));
}

TEST_F(MainTest, SpanishCaptionsChangeOnlyTheirControls) {
    files.addFile(std::string(kApp) + "\\spanish.dll", std::string(""));
    auto& f = start();
    EXPECT_EQ(f.caption(), "Tolvane Registry Cleaner 4.21");
    EXPECT_EQ(f.lvInvalidLoc.columns()[4].text, "Modificado");
    EXPECT_EQ(f.lvLocations.columns()[1].text, "Descripción");
    EXPECT_EQ(f.lvExclude.columns()[1].text, "Debe comenzar por");
    EXPECT_EQ(f.cmdExclude[0].caption(), "&Añadir");
    EXPECT_EQ(f.chkSkipCDLan.caption(), "Excluir referencias a unidades de disco externas o de red");
    EXPECT_EQ(f.o5.caption(), "Fix all");
    EXPECT_EQ(f.f1.caption(), "Select the area of registry to scan invalid information");
    EXPECT_EQ(f.Texts().RemoveConfirmText, "¿Está seguro de que desea eliminar este elemento(s)?");
    // Removing the marker later changes nothing that was set at load.
    files.deleteFile(std::string(kApp) + "\\spanish.dll");
    EXPECT_EQ(f.Texts().ScanCaption, "&Buscar");
    EXPECT_EQ(f.cmdScan.caption(), "&Buscar");
}

TEST(MessageTexts, ErrorsLabelComposition) {
    EXPECT_EQ(cleaner::ErrorsFoundLabel(cleaner::MessageTextsFor(false), false, 7), "Errors found : 7");
    EXPECT_EQ(cleaner::ErrorsFoundLabel(cleaner::MessageTextsFor(true), true, 7), "7 problemas encontrados");
}

}  // namespace
}  // namespace cleanerui
