#include "cleaner/ui/frm_wizard.h"

#include "cleaner/ui/app_state.h"
#include "common/platform/error_text.h"

namespace cleaner {

const char* const kAreaEnglish[kAreaCount] = {
    "Search information about the currently user", "Search information about all users",
    "Search information about the computer",       "Find orphaned references to DLL files",
    "Find invalid references to virtual devices",  "Find invalid font references",
    "Find invalid file association links",         "Find invalid ActiveX and COM",
};

const char* const kAreaSpanish[kAreaCount] = {
    "Buscar información sobre el usuario actual",
    "Buscar información sobre todos los usuarios",
    "Buscar información sobre el PC",
    "Localizar referencias a DLL no válidas",
    "Localizar referencias a dispositivos virtuales",
    "Localizar referencias a fuentes no válidas",
    "Localizar asociaciones de archivos no válidas",
    "Localizar ActiveX y COM no válidos",
};

FrmWizard::FrmWizard(ui::Host& host, ui::ListView& lvLocations, plat::Files& files, plat::Shell& shell,
                     std::function<bool()> spanishMode)
    : Form(host, "frmWizard", "Welcome to Tolvane Registry Cleaner"),
      lvLocations_(lvLocations),
      files_(files),
      shell_(shell),
      spanishMode_(std::move(spanishMode)) {
    clientWidth = 8400;
    clientHeight = 5520;
    borderStyle = ui::BorderStyle::FixedDialog;
    minButton = false;
    maxButton = false;

    // The picture stands beside page 1 and moves above the area list on page 2.
    pic1.move(120, 120, 1575, 1575);
    pic1.picture = 1;

    Frame1.move(1920, 120, 6360, 4680);
    Label1.move(240, 240, 5880, 375);
    Label1.setBold(true);
    Label1.setFont("Tahoma", 12);
    Label2.move(240, 780, 5880, 855);
    Label3.move(240, 1740, 5880, 615);
    Label4.move(240, 2460, 5880, 1455);
    Label5.move(240, 4080, 3135, 435);

    // Page 2 lies below the place the picture moves to.
    pic2.move(120, 1860, 8160, 3000);
    pic2.setVisible(false);
    Label6.move(120, 0, 7800, 315);
    Label6.setBold(true);
    lstAreas.move(120, 360, 7920, 2175);
    chkTodos.move(120, 2610, 5400, 315);

    OKButton.move(5640, 4980, 1215, 375);
    CancelButton.move(7020, 4980, 1215, 375);
    OKButton.isDefault = true;
    CancelButton.isCancel = true;

    onLoad = [this] { Form_Load(); };
    OKButton.onClick = [this] { OKButton_Click(); };
    CancelButton.onClick = [this] { CancelButton_Click(); };
    chkTodos.onClick = [this] { chkTodos_Click(); };
    lstAreas.onItemCheck = [this](int item) { lstAreas_ItemCheck(item); };
    Label5.onClick = [this] { Label5_Click(); };
    tmrTRL.onTimer = [this] { tmrTRL_Timer(); };
}

void FrmWizard::Form_Load() {
    pageCounter_ = 0;
    centre();
    spanish_ = spanishMode_ && spanishMode_();
    if (spanish_) {
        setCaption("Bienvenido a Scourline");
        Label1.setCaption("Bienvenido a Scourline");
        Label2.setCaption(
            "Con este programa puede limpiar su registro y eliminar entradas y referencias no válidas debidas a "
            "instalaciones y desinstalaciones de programas o a la actividad normal de Windows.");
        Label3.setCaption("Su sistema se volverá más rápido y estable al realizar la limpieza del registro. ");
        Label4.setCaption(
            "Recuerde que la manipulación del registro es una tarea que puede ocasionar problemas en su sistema. "
            "Scourline puede deshacer los cambios realizados en su registro, a pesar de ello, le recomendamos que "
            "cree un punto de restauración de su sistema antes de realizar una limpieza.");
        Label5.setCaption("Crear un punto de restauración");
        Label6.setCaption("Seleccione las areas del registro a examinar");
        chkTodos.setCaption("Seleccionar todas las areas");
        CancelButton.setCaption("Cancelar");
    }
    lstAreas.clear();
    for (int i = 0; i < kAreaCount; ++i) lstAreas.addItem(spanish_ ? kAreaSpanish[i] : kAreaEnglish[i]);
    // The wizard's own ticks: not copied to the categories (no user changed anything yet).
    for (int i = 0; i < lstAreas.count(); ++i) lstAreas.setChecked(i, true);
    chkTodos.setValue(1);
    OKButton.setCaption(spanish_ ? "&Siguiente >" : "Next");
    tmrTRL.setEnabled(true);
}

std::string FrmWizard::scanCaption() const { return spanishMode_ && spanishMode_() ? "Comenzar" : "Scan"; }

int FrmWizard::tickedCount() const {
    int n = 0;
    for (int i = 0; i < lstAreas.count(); ++i)
        if (lstAreas.checked(i)) ++n;
    return n;
}

void FrmWizard::copyTick(int n) {
    if (n < 0 || n >= lstAreas.count() || n >= lvLocations_.count()) return;
    lvLocations_.setChecked(n, lstAreas.checked(n));
}

void FrmWizard::lstAreas_ItemCheck(int item) {
    // Clearing "Select all" here is a change made by code: it does not run chkTodos_Click.
    if (chkTodos.value() == 1) chkTodos.setValue(0);
    OKButton.setCaption(tickedCount() >= 1 ? scanCaption() : "Manual");
    copyTick(item);
}

void FrmWizard::chkTodos_Click() {
    const bool all = chkTodos.value() == 1;
    for (int i = 0; i < lstAreas.count(); ++i) {
        lstAreas.setChecked(i, all);
        copyTick(i);
    }
    chkTodos.setValue(all ? 1 : 0);
    OKButton.setCaption(scanCaption());
}

void FrmWizard::OKButton_Click() {
    ++pageCounter_;
    pic1.move(2880, 225);
    pic2.setVisible(true);
    Frame1.setVisible(false);
    OKButton.setCaption(scanCaption());
    if (pageCounter_ > 1) {
        // The confirming press: the categories the scan reads are the ones ticked here.
        for (int i = 0; i < lstAreas.count(); ++i) copyTick(i);
        if (tickedCount() >= 1) ScanOnActivate = true;
        unload();
    }
}

void FrmWizard::CancelButton_Click() {
    ScanOnActivate = false;
    unload();
}

void FrmWizard::Label5_Click() {
    // The full path is the program (never searched), started through the shell's execute call
    // so that the backup program can be granted the rights it asks for. A missing program does
    // nothing visible.
    const std::string program = files_.applicationFolder() + "\\hivesave.exe";
    shell_.launch(program, "", plat::ShowState::Normal, nullptr);
}

void FrmWizard::tmrTRL_Timer() {
    tmrTRL.setEnabled(false);
    const std::string path = files_.applicationFolder() + "\\open.cpa";
    if (const long rc = files_.replaceFile(path, "reg\r\n"); rc != 0)
        host().msgBox("The file \"" + path + "\" could not be written: " + plat::ErrorText(rc) + ".",
                      ui::mb::OkOnly | ui::mb::Exclamation, "Scourline");
}

}  // namespace cleaner
