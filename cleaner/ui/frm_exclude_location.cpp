#include "cleaner/ui/frm_exclude_location.h"

#include "cleaner/ui/app_state.h"
#include "cleaner/ui/exclude_file.h"

namespace cleaner {

FrmExcludeLocation::FrmExcludeLocation(ui::Host& host, std::function<bool()> spanishMode)
    : Form(host, "frmExcludeLocation", "Exclude locations"), spanishMode_(std::move(spanishMode)) {
    clientWidth = 5580;
    clientHeight = 2880;
    borderStyle = ui::BorderStyle::FixedDialog;
    minButton = false;
    maxButton = false;
    lblLocation.move(120, 120, 5340, 435);
    // One line: Enter presses OK, as in any dialog, and an entry never holds a line break.
    txtLocation.move(120, 840, 5340, 315);
    txtLocation.multiLine = false;
    chkMustBegin.move(120, 1890, 5340, 255);
    chkMustBegin.setValue(1);
    OKButton.move(3000, 2340, 1155, 375);
    CancelButton.move(4305, 2340, 1155, 375);
    OKButton.isDefault = true;
    CancelButton.isCancel = true;

    onLoad = [this] { Form_Load(); };
    onUnload = [this](bool& cancel) { Form_Unload(cancel); };
    OKButton.onClick = [this] { OKButton_Click(); };
    CancelButton.onClick = [this] { CancelButton_Click(); };
    txtLocation.onChange = [this] { txtLocation_Change(); };
}

void FrmExcludeLocation::txtLocation_Change() {
    // A pasted line break is taken out at once, so the box shows what the entry will hold.
    std::string oneLine = WithoutLineBreaks(txtLocation.text());
    if (oneLine != txtLocation.text()) txtLocation.setText(oneLine);
}

void FrmExcludeLocation::Form_Load() {
    move((host().screenWidth() - width()) / 2, (host().screenHeight() - height()) / 2);
    spanish_ = spanishMode_ && spanishMode_();
    Choice = spanish_ ? "Cancelar" : "Cancel";
    if (spanish_) {
        setCaption("Excluir rutas o carpetas");
        lblLocation.setCaption("Excluir rutas o carpetas del registro que contengan el texto");
        chkMustBegin.setCaption("La entrada del registro debe de comenzar con este texto");
        OKButton.setCaption("Aceptar");
        CancelButton.setCaption("Cancelar");
    }
}

void FrmExcludeLocation::Form_Unload(bool&) {
    ScanOnActivate = false;
    CancelButton_Click();
}

void FrmExcludeLocation::OKButton_Click() {
    if (WithoutLineBreaks(txtLocation.text()).empty()) {
        if (spanish_)
            host().msgBox("Escriba una ruta o carpeta.", ui::mb::OkOnly | ui::mb::Information, "Ruta no válida");
        else
            host().msgBox("Enter exclude location.", ui::mb::OkOnly | ui::mb::Information, "Exclude location empty");
        txtLocation.setFocus();
        return;
    }
    Choice = spanish_ ? "Aceptar" : "OK";
    closeDialog();
}

void FrmExcludeLocation::CancelButton_Click() {
    Choice = spanish_ ? "Cancelar" : "Cancel";
    closeDialog();
}

void FrmExcludeLocation::closeDialog() {
    // Hiding a modal dialog activates the main window again, before the caller has unloaded
    // this one and before it has reloaded its list: the flag goes first, so that activation
    // starts no scan.
    ScanOnActivate = false;
    hide();
}

}  // namespace cleaner
