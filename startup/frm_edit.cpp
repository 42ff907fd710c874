#include "startup/frm_edit.h"

#include "common/text/text.h"
#include "startup/frm_main.h"
#include "startup/mdl_registry.h"

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

bool EntryDialog::CheckFilled() {
    if (text::trim(txtName.text()).empty() || text::trim(txtData.text()).empty()) {
        host().msgBox(kEmptyText, ui::mb::OkOnly | ui::mb::Critical, "Error");
        return false;
    }
    return true;
}

void EntryDialog::cmdCancel_Click() {
    hide();
    unload();
}

FrmCreate::FrmCreate(ui::Host& host, FrmMain& main) : EntryDialog(host, main, "frmCreate", "Create Registry Key") {
    cmdOK.onClick = [this] { cmdOK_Click(); };
}

void FrmCreate::cmdOK_Click() {
    if (!CheckFilled()) return;
    const Place& place = PlaceOf(ChosenPlace());
    // Only a plain "not found" lets a create go on: a failed lookup could hide an entry.
    Lookup found = main_.KeyExists(txtName.text(), place.id);
    if (found == Lookup::Found) {
        host().msgBox(kDuplicateText, ui::mb::OkOnly | ui::mb::Critical, "Error");
        return;
    }
    if (found != Lookup::NotFound) return;
    long rc = mdlRegistry::SetValue(main_.services().registry, place.root, place.keyPath, txtName.text(),
                                    txtData.text(), plat::kRegSz);
    if (rc != plat::kErrorSuccess) {
        main_.ReportFailure("The key could not be written to the registry", rc);
        return;
    }
    main_.CKC();
    cmdCancel_Click();
}

FrmModify::FrmModify(ui::Host& host, FrmMain& main) : EntryDialog(host, main, "frmModify", "Modify Registry Key") {
    cmdOK.onClick = [this] { cmdOK_Click(); };
}

void FrmModify::cmdOK_Click() {
    if (!CheckFilled()) return;
    const std::string oldName = txtName.tag;
    const std::string newName = txtName.text();
    const Place& place = PlaceOf(ChosenPlace());
    const uint32_t type = valueType == plat::kRegExpandSz ? plat::kRegExpandSz : plat::kRegSz;
    // Unchanged data is carried as the registry holds it: the listed text stops at the first
    // NUL, the value may go on after it.
    const bool dataChanged = txtData.text() != oldData;
    bool rename = text::toUpper(newName) != text::toUpper(oldName);
    if (rename) {
        Lookup found = main_.KeyExists(newName, place.id);
        if (found == Lookup::Found) {
            host().msgBox(kDuplicateText, ui::mb::OkOnly | ui::mb::Critical, "Error");
            return;
        }
        if (found != Lookup::NotFound) return;
    }
    plat::Registry& reg = main_.services().registry;
    if (!rename && newName != oldName) {
        // Written in place, the value would keep the old spelling of its name.
        bool restored = false;
        long rc = mdlRegistry::RenameCase(reg, place.root, place.keyPath, oldName, newName,
                                          dataChanged ? &txtData.text() : nullptr, type, &restored);
        if (rc != plat::kErrorSuccess) {
            main_.ReportFailure(restored ? "The key could not be renamed; it was left as it was"
                                         : "The key could not be renamed, and the old key \"" + oldName +
                                               "\" could not be written back",
                                rc);
            main_.CKC();
            return;
        }
        main_.CKC();
        cmdCancel_Click();
        return;
    }
    if (!rename && !dataChanged) {
        cmdCancel_Click();  // nothing to write
        return;
    }
    // The new value is written first; the old one goes only once that has succeeded, so a
    // refused write never loses the entry.
    long rc = dataChanged ? mdlRegistry::SetValue(reg, place.root, place.keyPath, newName, txtData.text(), type)
                          : mdlRegistry::CopyValue(reg, place.root, place.keyPath, oldName, newName);
    if (rc != plat::kErrorSuccess) {
        main_.ReportFailure("The key could not be written to the registry", rc);
        return;
    }
    if (rename) {
        rc = mdlRegistry::DeleteValue(reg, place.root, place.keyPath, oldName);
        if (rc != plat::kErrorSuccess && rc != plat::kErrorFileNotFound) {
            main_.ReportFailure("The key was written, but the old key \"" + oldName + "\" could not be removed", rc);
        } else {
            // The entry keeps its enabled state under its new name.
            rc = CarryState(reg, place, oldName, newName);
            if (rc != plat::kErrorSuccess)
                main_.ReportFailure("The key was renamed, but its enabled state could not be carried over", rc);
        }
    }
    main_.CKC();
    cmdCancel_Click();
}

}  // namespace startup
