// The cleaner's side windows as the main window opens them. Each side window exists once:
// opening it again brings the open one forward.
#pragma once

namespace cleaner {

class FrmMain;

void ShowWizard(FrmMain& main);            // modal, without owner (start-up and "Wizard")
void ShowUninstallManager(FrmMain& main);  // not modal, owned by the main window
void ShowUpdateCheck(FrmMain& main);       // not modal, owned by the main window
void ShowAbout(FrmMain& main);             // not modal, owned by the main window
// Closes every side window (the main window is closing).
void CloseSideWindows(FrmMain& main);

}  // namespace cleaner
