// The two modal dialogs of the startup manager: frmCreate adds an entry to a Run or RunOnce
// key, frmModify renames or edits one where it is. The startup model makes the change (the
// new value written before anything is removed); the dialogs stay open when it is refused.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "common/ui/form.h"
#include "startup/places.h"

namespace startup {

class FrmMain;

class EntryDialog : public ui::Form {
public:
    EntryDialog(ui::Host& host, FrmMain& main, const char* name, const char* caption);

    ui::Label Label1;
    ui::Label Label2;
    ui::Label Label3;
    ui::TextBox txtName;
    ui::TextBox txtData;
    ui::ComboBox cboPlace;  // the place written to
    ui::Button cmdOK;
    ui::Button cmdCancel;

    // Offers a place in cboPlace (by its label and view).
    void AddPlace(PlaceId id);
    // The place chosen in cboPlace.
    PlaceId ChosenPlace() const;

protected:
    void cmdCancel_Click();
    FrmMain& main_;
    std::vector<PlaceId> places_;
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

    uint32_t valueType = 1;  // kept by the write: an expandable string stays one
    std::string oldData;     // the data as listed: when unchanged, a rename copies the value's exact bytes

private:
    void cmdOK_Click();
};

}  // namespace startup
