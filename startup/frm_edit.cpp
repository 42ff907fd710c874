#include "startup/frm_edit.h"

#include "common/text/text.h"
#include "startup/frm_main.h"
#include "startup/mdl_registry.h"

namespace startup {

namespace {
std::string RootNameOfTag(const std::string& tag) {
    return RootFromTag(tag) == plat::kHkeyCurrentUser ? "HKEY_CURRENT_USER" : "HKEY_LOCAL_MACHINE";
}
}  // namespace

EntryDialog::EntryDialog(ui::Host& host, FrmMain& main, const char* name, const char* caption)
    : ui::Form(host, name, caption),
      Label1(*this, nullptr, "Label1", "Key Name :"),
      Label2(*this, nullptr, "Label2", "Key Data :"),
      txtName(*this, nullptr, "txtName"),
      txtData(*this, nullptr, "txtData"),
      cmdOK(*this, nullptr, "cmdOK", "OK"),
      cmdCancel(*this, nullptr, "cmdCancel", "Cancel"),
      main_(main) {
    borderStyle = ui::BorderStyle::FixedSingle;
    minButton = false;
    maxButton = false;
    clientWidth = 6240;
    clientHeight = 1800;
    Label1.move(120, 180, 1000, 255);
    txtName.move(1200, 120, 4920, 315);
    Label2.move(120, 600, 1000, 255);
    txtData.move(1200, 540, 4920, 315);
    cmdOK.move(3480, 1200, 1215, 375);
    cmdCancel.move(4905, 1200, 1215, 375);
    cmdOK.isDefault = true;
    cmdCancel.isCancel = true;
    cmdCancel.onClick = [this] { cmdCancel_Click(); };
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
    // Only a plain "not found" lets a create go on: a failed lookup could hide an entry.
    Lookup found = main_.KeyExists(txtName.text(), RootNameOfTag(txtData.tag));
    if (found == Lookup::Found) {
        host().msgBox(kDuplicateText, ui::mb::OkOnly | ui::mb::Critical, "Error");
        return;
    }
    if (found != Lookup::NotFound) return;
    long rc = mdlRegistry::SetValue(main_.services().registry, RootFromTag(txtData.tag), kRunKeyPath, txtName.text(),
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
    plat::RegHandle root = RootFromTag(txtData.tag);
    bool rename = text::toUpper(newName) != text::toUpper(oldName);
    if (rename) {
        Lookup found = main_.KeyExists(newName, RootNameOfTag(txtData.tag));
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
        long rc = mdlRegistry::RenameCase(reg, root, kRunKeyPath, oldName, newName, txtData.text(), &restored);
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
    // The new value is written first; the old one goes only once that has succeeded, so a
    // refused write never loses the entry.
    long rc = mdlRegistry::SetValue(reg, root, kRunKeyPath, newName, txtData.text(), plat::kRegSz);
    if (rc != plat::kErrorSuccess) {
        main_.ReportFailure("The key could not be written to the registry", rc);
        return;
    }
    if (rename) {
        rc = mdlRegistry::DeleteValue(reg, root, kRunKeyPath, oldName);
        if (rc != plat::kErrorSuccess && rc != plat::kErrorFileNotFound)
            main_.ReportFailure("The key was written, but the old key \"" + oldName + "\" could not be removed", rc);
    }
    main_.CKC();
    cmdCancel_Click();
}

}  // namespace startup
