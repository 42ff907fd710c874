// The two modal dialogs of the startup manager: frmCreate adds a Run entry, frmModify renames
// or edits one. Both write the new value before anything is removed (a rename in letter case
// only must remove the old value first, and writes it back when the new one is refused), and
// stay open when the registry refuses a write.
#pragma once

#include "common/ui/form.h"

namespace startup {

class FrmMain;

class EntryDialog : public ui::Form {
public:
    EntryDialog(ui::Host& host, FrmMain& main, const char* name, const char* caption);

    ui::Label Label1;
    ui::Label Label2;
    ui::TextBox txtName;
    ui::TextBox txtData;
    ui::Button cmdOK;
    ui::Button cmdCancel;

protected:
    // The empty test shared by both dialogs; true when the dialog may go on.
    bool CheckFilled();
    void cmdCancel_Click();
    FrmMain& main_;
};

class FrmCreate : public EntryDialog {
public:
    FrmCreate(ui::Host& host, FrmMain& main);

private:
    void cmdOK_Click();
};

class FrmModify : public EntryDialog {
public:
    FrmModify(ui::Host& host, FrmMain& main);

private:
    void cmdOK_Click();
};

}  // namespace startup
