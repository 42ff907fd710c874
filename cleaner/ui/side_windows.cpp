// The cleaner's side windows as the main window opens them. The windows themselves follow in
// frm_wizard, frm_un, frm_update and how; until they are wired here, opening one does nothing.
#include "cleaner/ui/side_windows.h"

namespace cleaner {

void ShowWizard(FrmMain&) {}
void ShowUninstallManager(FrmMain&) {}
void ShowUpdateCheck(FrmMain&) {}
void ShowAbout(FrmMain&) {}
void CloseSideWindows(FrmMain&) {}

}  // namespace cleaner
