// The main window: layout, start-up, activation, the two views, resizing and closing.
#include "cleaner/ui/frm_main.h"

#include "cleaner/engine/path_checks.h"
#include "cleaner/engine/settings.h"
#include "cleaner/ui/app_state.h"
#include "cleaner/ui/side_windows.h"
#include "common/regedit/regedit_jump.h"

namespace cleaner {

const char* const kSettingsKey = engine::kSettingsKey;
const char* const kHomePage = "http://www.tolvane.example/";
const char* const kTutorialPage = "http://www.tolvane.example/scourline-tutorial.html";

namespace {

constexpr uint32_t kDarkBlue = 0xC00000;  // red 0, green 0, blue 192
constexpr int kMinWidth = 10245;
constexpr int kMinHeight = 8100;

// The product pages of Command36 and the menu entries m10 to m14.
const char* const kProductPages[] = {
    "http://www.tolvane.example/disk-tidy.html",     "http://www.tolvane.example/file-shredder.html",
    "http://www.tolvane.example/privacy-guard.html", "http://www.tolvane.example/duplicate-finder.html",
    "http://www.tolvane.example/driver-keeper.html",
};

}  // namespace

MessageTexts MessageTextsFor(bool spanish) {
    MessageTexts t;
    const engine::Texts& shared = engine::TextsFor(spanish ? engine::Language::Spanish : engine::Language::English);
    t.NoAreaMessage = shared.noAreaMessage;
    t.TotalLabel = shared.totalLabel;
    t.RemoveConfirmText = shared.removeConfirm;
    if (spanish) {
        t.StopCaption = "Detener";
        t.ScanCaption = "&Buscar";
        t.ErrorsLabel = " problemas encontrados";
        t.EditConfirmText = "¿Está seguro de que desea editar este elemento?";
    } else {
        t.StopCaption = "Stop";
        t.ScanCaption = "Scan now";
        t.ErrorsLabel = "Errors found : ";
        t.EditConfirmText = "Are you sure you want to edit the selected location details in the list.";
    }
    return t;
}

std::string ErrorsFoundLabel(const MessageTexts& texts, bool spanish, long count) {
    return spanish ? std::to_string(count) + texts.ErrorsLabel : texts.ErrorsLabel + std::to_string(count);
}

FrmMain::FrmMain(ui::Host& host, plat::Services& services, StartOptions options)
    : Form(host, "FrmMain", "Tolvane Registry Cleaner 4.21"), svc_(services), options_(options) {
    texts_ = MessageTextsFor(false);
    JumpToKey = regedit::WindowJump(svc_.shell, svc_.files, svc_.registry, [self = this] { self->host().doEvents(); });
    buildLayout();
    bindHandlers();
}

FrmMain::~FrmMain() = default;

void FrmMain::buildLayout() {
    clientWidth = 10125;
    clientHeight = 7695;
    borderStyle = ui::BorderStyle::Sizable;
    fontName = "Tahoma";
    fontSize = 8.25;

    struct Column {
        ui::Button* button;
        int top;
        bool bold;
    };
    const Column column[] = {
        {&cmdScan, 240, false},       {&o2, 720, false},
        {&o3, 1200, false},           {&o8, 1680, false},
        {&Command34, 2280, true},     {&Command1, 2760, true},
        {&Command30, 3240, true},     {&cmdUninstallManager, 3720, true},
        {&Command2, 4200, true},      {&Command36, 5280, true},
        {&Command3000, 5760, false},  {&cmdCheckUpdate, 6240, false},
        {&cmdShowAbout, 6720, false},
    };
    for (const Column& c : column) {
        c.button->move(120, c.top, 1815, 375);
        c.button->setBold(c.bold);
    }

    // Results view.
    f3.move(2040, 120, 7935, 5415);
    Label1.move(135, 240, 5000, 255);
    lvInvalidLoc.move(120, 540, 7740, 3990);
    ProgressBar1.move(120, 5040, 7740, 255);
    ProgressBar1.min = 0;
    ProgressBar1.max = 100;
    o5.move(120, 4560, 1335, 375);
    o4.move(1560, 4560, 1335, 375);
    // Wider than their design (1815 and 2055) and moved left into the free space after o4: the
    // bold captions need that room at 96 DPI.
    o6.move(3420, 4560, 1980, 375);
    o7.move(5505, 4560, 2355, 375);
    for (ui::Button* b : {&o4, &o5, &o6, &o7}) b->setBold(true);
    lvInvalidLoc.fullRowSelect = true;
    lvInvalidLoc.multiSelect = true;
    // The "Reg type" column has room for its header, and for "Modificado".
    const int columnWidths[6] = {2700, 1200, 2100, 1500, 1100, 1050};
    const engine::Texts& english = engine::TextsFor(engine::Language::English);
    for (size_t c = 0; c < 6; ++c) lvInvalidLoc.addColumn(english.columns[c], columnWidths[c]);

    f4.move(2040, 5640, 7935, 1695);
    lblProblemaA.move(120, 240, 7735, 255);
    lblProblemaA.setBold(true);
    lblProblemaB.move(120, 510, 7735, 555);
    lblProblemaC.move(120, 1080, 7735, 495);

    // Options view.
    f1.move(2040, 120, 7815, 3735);
    // The list is 300 twips shorter than its design (its eight rows still fit), so the undo
    // option fits below the skip option inside the frame.
    lvLocations.move(120, 360, 7545, 2475);
    lvLocations.checkBoxes = true;
    lvLocations.multiSelect = false;
    lvLocations.addColumn("Scan", 2700);
    lvLocations.addColumn("Description", 4700);
    chkSkipCDLan.move(120, 2940, 6000, 255);
    chkSkipCDLan.setValue(1);  // checked in the design
    chkKeepUndo.move(120, 3240, 6000, 255);

    f2.move(2040, 3960, 7815, 3135);
    lvExclude.move(120, 240, 7365, 2280);
    lvExclude.checkBoxes = true;
    lvExclude.multiSelect = false;
    lvExclude.addColumn("Exclude", 5200);
    lvExclude.addColumn("Must begin with this", 2000);
    const int excludeLeft[3] = {2475, 3555, 4635};
    for (int i = 0; i < 3; ++i) {
        cmdExclude[i].setIndex(i);
        cmdExclude[i].move(excludeLeft[i], 2640, 975, 375);
    }

    // Status bar along the bottom, the web address above it at the left.
    SBarMain.move(0, 7395, 10125, 300);
    // The label cannot grow: the problem frame lies beside it from left 2040, at its height. The
    // address in capital letters needs 146 pixels in the window's font at 96 DPI and the label
    // has 128, so it takes a smaller size of the same font.
    Label8.move(120, 7200, 1920, 195);
    Label8.setFont("Tahoma", 7);
    Label8.setHandCursor(true);
    Label8.wordWrap = false;

    // The results view is the one in front from the first paint: a group box paints no
    // background, so two overlapping views would show through each other.
    f1.setVisible(false);
    f2.setVisible(false);

    for (ui::Control* c : std::initializer_list<ui::Control*>{&f1, &f2, &f3, &f4, &Label1, &lblProblemaA, &lblProblemaB,
                                                              &lblProblemaC, &chkSkipCDLan, &chkKeepUndo, &Label8})
        c->setForeColor(kDarkBlue);

    for (ui::Button* b : {&cmdRemoveSel, &cmdRemoveAll, &cmdAddtoExcludeList}) {
        b->move(0, 0, 1215, 375);
        b->setVisible(false);
    }
}

void FrmMain::bindHandlers() {
    onInitialize = [this] { Form_Initialize(); };
    onLoad = [this] { Form_Load(); };
    onActivate = [this] { Form_Activate(); };
    onResize = [this] { Form_Resize(); };
    onQueryUnload = [this](bool& cancel, int mode) { Form_QueryUnload(cancel, mode); };

    cmdScan.onClick = [this] { cmdScan_Click(); };
    o2.onClick = [this] { ShowWizard(*this); };
    o3.onClick = [this] { o3_Click(); };
    o8.onClick = [this] { StartSibling("hivesave.exe"); };
    Command34.onClick = [this] { StartSibling("hivefind.exe"); };
    Command1.onClick = [this] { StartSibling("clean.exe"); };
    Command30.onClick = [this] { StartSibling("startup.exe"); };
    cmdUninstallManager.onClick = [this] { ShowUninstallManager(*this); };
    Command2.onClick = [this] { StartSibling("taskwatch.exe"); };
    Command36.onClick = [this] { GotoURL(kProductPages[0]); };
    Command3000.onClick = [this] { GotoURL(kTutorialPage); };
    cmdCheckUpdate.onClick = [this] { ShowUpdateCheck(*this); };
    cmdShowAbout.onClick = [this] { ShowAbout(*this); };

    // Each menu entry acts as its button, and only when that button could be pressed.
    auto asButton = [](ui::Button& b) {
        return [&b] {
            if (b.enabled() && b.onClick) b.onClick();
        };
    };
    m1.onClick = asButton(cmdScan);
    m2.onClick = asButton(o2);
    m3.onClick = asButton(o3);
    m4.onClick = asButton(o8);
    m5.onClick = asButton(Command34);
    m6.onClick = asButton(Command1);
    m7.onClick = asButton(Command30);
    m8.onClick = asButton(cmdUninstallManager);
    m9.onClick = asButton(Command2);
    ui::MenuItem* products[] = {&m10, &m11, &m12, &m13, &m14};
    for (int i = 0; i < 5; ++i) {
        const char* page = kProductPages[i];
        products[i]->onClick = [this, page] { GotoURL(page); };
    }
    m16.onClick = asButton(Command3000);
    m17.onClick = asButton(cmdCheckUpdate);
    m18.onClick = asButton(cmdShowAbout);

    o4.onClick = [this] { cmdRemoveSel_Click(); };
    o5.onClick = [this] { cmdRemoveAll_Click(); };
    o6.onClick = [this] { cmdAddtoExcludeList_Click(); };
    o7.onClick = [this] { o7_Click(); };
    cmdRemoveSel.onClick = [this] { cmdRemoveSel_Click(); };
    cmdRemoveAll.onClick = [this] { cmdRemoveAll_Click(); };
    cmdAddtoExcludeList.onClick = [this] { cmdAddtoExcludeList_Click(); };
    for (int i = 0; i < 3; ++i) cmdExclude[i].onClick = [this, i] { cmdExclude_Click(i); };

    lvInvalidLoc.onColumnClick = [this](int c) { lvInvalidLoc_ColumnClick(c); };
    lvInvalidLoc.onItemClick = [this](int r) { lvInvalidLoc_ItemClick(r); };
    lvInvalidLoc.onKeyDown = [this](int k) { lvInvalidLoc_KeyDown(k); };
    lvInvalidLoc.onDblClick = [this] { o7_Click(); };
    lvExclude.onItemCheck = [this](int r) { lvExclude_ItemCheck(r); };
    lvLocations.onItemCheck = [this](int r) { lvLocations_ItemCheck(r); };
    chkSkipCDLan.onClick = [this] { chkSkipCDLan_Click(); };
    chkKeepUndo.onClick = [this] { chkKeepUndo_Click(); };
    Label8.onClick = [this] { Label8_Click(); };
}

std::string FrmMain::ApplicationFolder() { return svc_.files.applicationFolder(); }

const engine::Texts& FrmMain::LanguageTexts() const {
    return engine::TextsFor(spanishAtLoad_ ? engine::Language::Spanish : engine::Language::English);
}

bool FrmMain::SpanishMode() {
    engine::PathChecker checks(svc_.files);
    return checks.FindFileExists(ApplicationFolder() + "\\spanish.dll");
}

// ---- life cycle ----

void FrmMain::Form_Initialize() {
    // The common controls are initialised by the backend before any control is created.
}

void FrmMain::Form_Load() {
    SkinFramework_.LoadSkin(ApplicationFolder() + "\\Styles\\Office2007.cjstyles", "");
    SkinFramework_.ApplyWindow(host().nativeHandle(*this));
    SkinFramework_.Options |= 1;

    centre();

    // A second start ends here, before the settings are read; its close handler must not run
    // (it would save an empty area list over the user's).
    if (options_.singleInstance && svc_.shell.anotherInstanceRunning("Tolvane.Scourline.hivescrub")) {
        secondInstance_ = true;
        host().quit(0);
        return;
    }

    SetInitValues();

    cmdScan.setCaption("Scan now");
    m1.setCaption("Scan now");
    spanishAtLoad_ = SpanishMode();
    if (spanishAtLoad_) ApplySpanishCaptions();
    LoadMessageTexts();

    show();
    if (options_.showWizard && !host().quitting()) ShowWizard(*this);
}

void FrmMain::Form_Activate() {
    // After the wizard asked for a scan: start one from the message loop, never inside the
    // activation (which may come back from a question box of a running scan or repair), and
    // only when no work runs.
    if (!ScanOnActivate || scanRunning_ || scanStarting_ || repairRunning_ || scanPosted_ || closing_) return;
    scanPosted_ = true;
    host().post([this] { runPostedScan(); });
}

void FrmMain::runPostedScan() {
    // A handler of this window is still running (the activation came back from a dialog it
    // opened, and it now yields): the scan waits until that handler has returned, so it never
    // sees a list the handler is still filling.
    if (busyDepth() > 0) {
        postWhenIdle([this] { runPostedScan(); });
        return;
    }
    scanPosted_ = false;
    // The flag is read again now: a window that closed meanwhile may have cleared it.
    if (!ScanOnActivate || closing_ || scanRunning_ || repairRunning_ || !loaded() || !visible()) return;
    Busy busy(*this);
    cmdScan_Click();
}

void FrmMain::Form_Resize() {
    if (windowState() == ui::WindowState::Minimized) return;
    int W = width();
    int H = height();
    if (H < kMinHeight || W < kMinWidth) {
        if (H < kMinHeight) H = kMinHeight;
        if (W < kMinWidth) W = kMinWidth;
        move(left(), top(), W, H);
    }
    for (ui::Frame* f : {&f1, &f2, &f3, &f4}) f->setWidth(W - 2300);
    lvInvalidLoc.setWidth(f3.width() - 200);
    ProgressBar1.setWidth(f3.width() - 200);
    for (ui::Label* l : {&lblProblemaA, &lblProblemaB, &lblProblemaC}) l->setWidth(f4.width() - 200);
    lvLocations.setWidth(f1.width() - 200);
    lvExclude.setWidth(f2.width() - 200);
    f4.setTop(H - 2600);
    f3.setHeight(H - 2800);
    ProgressBar1.setTop(f3.height() - 300);
    for (ui::Button* b : {&o4, &o5, &o6, &o7}) b->setTop(f3.height() - 800);
    lvInvalidLoc.setHeight(f3.height() - 1400);
}

void FrmMain::Form_QueryUnload(bool&, int) {
    if (secondInstance_ || closing_) return;
    SaveFileTypes();
    // Stop what runs; the scan's walkers and the repair's loop see this at their next step and
    // unwind. The toolkit destroys the window only once they have returned.
    closing_ = true;
    scanRunning_ = false;
    ScanOnActivate = false;
    CloseSideWindows(*this);
    host().quit(0);
}

// ---- texts and views ----

void FrmMain::LoadMessageTexts() { texts_ = MessageTextsFor(SpanishMode()); }

void FrmMain::ApplySpanishCaptions() {
    cmdScan.setCaption("&Buscar");
    lvLocations.setColumnText(0, "Buscar en");
    lvLocations.setColumnText(1, "Descripción");
    chkSkipCDLan.setCaption("Excluir referencias a unidades de disco externas o de red");
    chkKeepUndo.setCaption("Guardar un archivo para deshacer cada reparación");
    Label1.setCaption("0 problemas encontrados");
    const engine::Texts& spanish = engine::TextsFor(engine::Language::Spanish);
    for (int i = 0; i < 6; ++i) lvInvalidLoc.setColumnText(i, spanish.columns[static_cast<size_t>(i)]);
    cmdExclude[0].setCaption("&Añadir");
    cmdExclude[1].setCaption("&Editar");
    cmdExclude[2].setCaption("&Eliminar");
    lvExclude.setColumnText(0, "Excluir");
    lvExclude.setColumnText(1, "Debe comenzar por");
}

void FrmMain::o3_Click() {
    if (o3.caption() == "Show options") {
        f1.setVisible(true);
        f2.setVisible(true);
        f3.setVisible(false);
        f4.setVisible(false);
        o3.setCaption("Hide options");
        m3.setCaption("Hide options");
    } else {
        showResultsView();
    }
}

void FrmMain::showResultsView() {
    f1.setVisible(false);
    f2.setVisible(false);
    f3.setVisible(true);
    f4.setVisible(true);
    o3.setCaption("Show options");
    m3.setCaption("Show options");
}

void FrmMain::setScanCaptions(const std::string& caption) {
    cmdScan.setCaption(caption);
    m1.setCaption(caption);
}

}  // namespace cleaner
