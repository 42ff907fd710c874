// Commands of the main window: starting the sibling programs, web pages, the registry-editor
// jump, sorting the result list, the problem panel and the list's keys.
#include "cleaner/ui/frm_main.h"

namespace cleaner {

void FrmMain::StartSibling(const std::string& fileName) {
    // The full path is the program (never searched). Started through the shell's execute call,
    // so a sibling that asks for more rights than this window has can be granted them (the user
    // is asked) instead of failing. A missing program, or a refused consent, is ignored.
    const std::string program = ApplicationFolder() + "\\" + fileName;
    svc_.shell.launch(program, "", plat::ShowState::Normal, nullptr);
}

void FrmMain::GotoURL(const std::string& address) {
    svc_.shell.shellExecute(host().nativeHandle(*this), "open", address, "", "", plat::ShowState::Normal);
}

void FrmMain::Label8_Click() { GotoURL(kHomePage); }

void FrmMain::o7_Click() {
    // The row the user clicked last (the focused row) when it is selected, so the editor opens
    // the row the problem panel shows; otherwise the first selected row.
    int row = lvInvalidLoc.focusedIndex();
    if (row < 0 || !lvInvalidLoc.selected(row)) row = lvInvalidLoc.selectedIndex();
    if (row < 0) return;
    if (JumpToKey) JumpToKey(engine::LocationOf(rowFinding(row)));
}

void FrmMain::lvInvalidLoc_ColumnClick(int column) {
    if (column < 0 || column >= static_cast<int>(lvInvalidLoc.columns().size())) return;
    ui::ListView::Column& header = lvInvalidLoc.column(column);
    if (header.tag == "A") {
        header.tag = "D";
        lvInvalidLoc.setSorting(true, column, ui::ListView::SortOrder::Descending);
    } else {
        header.tag = "A";
        lvInvalidLoc.setSorting(true, column, ui::ListView::SortOrder::Ascending);
    }
}

void FrmMain::lvInvalidLoc_ItemClick(int row) {
    // Reason, data and location all come from the clicked row: with several rows selected the
    // first selected one is another row.
    const bool spanish = SpanishMode();
    if (row < 0 || row >= lvInvalidLoc.count()) {
        lblProblemaA.setCaption(spanish ? "Problema(s)" : "Problem(s)");
        return;
    }
    const engine::Finding& f = rowFinding(row);
    lblProblemaA.setCaption((spanish ? "Problema: " : "Problem: ") + f.reason);
    lblProblemaC.setCaption((spanish ? "Ubicación: " : "Location: ") + engine::LocationOf(f));
    lblProblemaB.setCaption(f.data);
}

void FrmMain::lvInvalidLoc_KeyDown(int key) {
    if (key == ui::kKeyDelete) cmdRemoveSel_Click();
}

}  // namespace cleaner
