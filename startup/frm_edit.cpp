#include "startup/frm_edit.h"

#include "startup/frm_main.h"

namespace startup {

EntryDialog::EntryDialog(ui::Host& host, FrmMain& main, const char* name, const char* caption)
    : ui::Form(host, name, caption),
      Label1(*this, nullptr, "Label1", "Key Name :"),
      Label2(*this, nullptr, "Label2", "Key Data :"),
      Label3(*this, nullptr, "Label3", "Place :"),
      txtName(*this, nullptr, "txtName"),
      txtData(*this, nullptr, "txtData"),
      cboPlace(*this, nullptr, "cboPlace", ui::ComboBox::Style::DropDownList),
      cmdOK(*this, nullptr, "cmdOK", "OK"),
      cmdCancel(*this, nullptr, "cmdCancel", "Cancel"),
      main_(main) {
    borderStyle = ui::BorderStyle::FixedSingle;
    minButton = false;
    maxButton = false;
    clientWidth = 6240;
    clientHeight = 2220;
    Label1.move(120, 180, 1000, 255);
    txtName.move(1200, 120, 4920, 315);
    Label2.move(120, 600, 1000, 255);
    txtData.move(1200, 540, 4920, 315);
    Label3.move(120, 1020, 1000, 255);
    cboPlace.move(1200, 960, 2400, 315);
    cmdOK.move(3480, 1620, 1215, 375);
    cmdCancel.move(4905, 1620, 1215, 375);
    cmdOK.isDefault = true;
    cmdCancel.isCancel = true;
    cmdCancel.onClick = [this] { cmdCancel_Click(); };
}

void EntryDialog::AddPlace(PlaceId id) {
    places_.push_back(id);
    cboPlace.addItem(PlaceOf(id).label);
}

PlaceId EntryDialog::ChosenPlace() const {
    const int i = cboPlace.listIndex();
    return i >= 0 && i < static_cast<int>(places_.size()) ? places_[i] : places_.at(0);
}

void EntryDialog::cmdCancel_Click() {
    hide();
    unload();
}

FrmCreate::FrmCreate(ui::Host& host, FrmMain& main) : EntryDialog(host, main, "frmCreate", "Create Registry Key") {
    cmdOK.onClick = [this] { cmdOK_Click(); };
}

void FrmCreate::cmdOK_Click() {
    if (main_.Show(main_.model().Create(ChosenPlace(), txtName.text(), txtData.text()))) cmdCancel_Click();
}

FrmModify::FrmModify(ui::Host& host, FrmMain& main) : EntryDialog(host, main, "frmModify", "Modify Registry Key") {
    cmdOK.onClick = [this] { cmdOK_Click(); };
}

void FrmModify::cmdOK_Click() {
    EntryEdit edit;
    edit.place = ChosenPlace();
    edit.oldName = txtName.tag;
    edit.newName = txtName.text();
    edit.data = txtData.text();
    edit.oldData = oldData;
    edit.type = valueType;
    if (main_.Show(main_.model().Modify(edit))) cmdCancel_Click();
}

}  // namespace startup
