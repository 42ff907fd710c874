#include "procman/form1.h"

#include <cerrno>
#include <cstdlib>

namespace procman {

namespace {
constexpr uint32_t kBlue = 0xFF0000;  // blue-green-red

// The identifier column as a number; false when the text is not one.
bool parseProcessId(const std::string& s, int32_t* id) {
    if (s.empty()) return false;
    errno = 0;
    char* end = nullptr;
    long long v = std::strtoll(s.c_str(), &end, 10);
    if (errno != 0 || *end != '\0' || v < 0 || v > INT32_MAX) return false;
    *id = static_cast<int32_t>(v);
    return true;
}
}  // namespace

Form1::Form1(ui::Host& host, const plat::Services& services, plat::ProcessList& processes, plat::Icons& icons)
    : Form(host, "Form1", "Scourline - Process Manager"), services_(services), processes_(processes), icons_(icons) {
    clientWidth = 8520;
    clientHeight = 6240;
    borderStyle = ui::BorderStyle::FixedSingle;
    maxButton = false;
    keyPreview = true;

    ListView1.move(120, 120, 8280, 4455);
    ListView1.addColumn("Process Name", 2160);
    ListView1.addColumn("Process Path", 4680);
    ListView1.addColumn("Process ID", 1140);
    ListView1.multiSelect = false;
    ListView1.fullRowSelect = true;
    ListView1.smallIcons = &ImageList1;

    Frame1.move(120, 4680, 3600, 735);
    Check1.move(240, 300, 3120, 315);
    // Sized for the caption in the dialog font at 96 DPI (Wine's Tahoma is wider than
    // Windows'): one line, never wrapped.
    Label1.move(4080, 4800, 2160, 255);
    Label1.wordWrap = false;
    NUMPROC.move(6300, 4800, 900, 255);
    NUMPROC.setBold(true);
    Command1.move(3480, 5520, 2400, 420);
    Command2.move(6000, 5520, 2400, 420);
    Command2.isDefault = true;
    Label8.move(120, 5640, 3240, 255);
    Label8.setForeColor(kBlue);
    Label8.setHandCursor(true);

    onInitialize = [this] { Form_Initialize(); };
    onLoad = [this] { Form_Load(); };
    onKeyPress = [this](int& key) { Form_KeyPress(key); };
    onUnload = [this](bool& cancel) { Form_Unload(cancel); };
    Check1.onClick = [this] { Check1_Click(); };
    Command1.onClick = [this] { Command1_Click(); };
    Command2.onClick = [this] { Command2_Click(); };
    Label8.onClick = [this] { Label8_Click(); };
}

Form1::~Form1() {
    // The scanner goes first: nothing may report into the list while the pictures are released.
    SCANPROC.reset();
    fileIcon_.reset();
    pictures_.clear();
}

void Form1::Form_Initialize() {
    SCANPROC = std::make_unique<cScanProcesses>(processes_, services_.files, [this] { host().doEvents(); });
    SCANPROC->CurrentProcess = [this](const std::string& File, const std::string& Path, int32_t ProcessID,
                                      bool& Terminate) { SCANPROC_CurrentProcess(File, Path, ProcessID, Terminate); };
    SCANPROC->DoneScanning = [this](int32_t total) { SCANPROC_DoneScanning(total); };
    fileIcon_ = std::make_unique<cGetFileIcon>(icons_);
}

void Form1::Form_Load() {
    // The style file of the application folder only skins the window; the manifest's visual
    // styles stand in for it, so there is nothing to load.
    Check1_Click();
}

template <class Work>
void Form1::runWork(Work work) {
    ++workDepth_;
    Command1.setEnabled(false);
    Command2.setEnabled(false);
    Check1.setEnabled(false);
    work();
    if (--workDepth_ > 0) return;
    Command1.setEnabled(true);
    Command2.setEnabled(true);
    Check1.setEnabled(true);
    if (closeAfterWork_) {
        closeAfterWork_ = false;
        unload();
    }
}

void Form1::Check1_Click() {
    if (!SCANPROC) return;
    if (working()) {
        // A scan inside the running one would list every process twice: keep the box as it was.
        Check1.setValue(SCANPROC->SystemProcesses() ? 1 : 0);
        return;
    }
    ListView1.clear();
    SCANPROC->setSystemProcesses(Check1.value() == 1);
    runWork([this] {
        // Rows are batched: a visible list view redrawn for every added row makes the scan
        // many times slower than the walk itself.
        ListView1.beginUpdate();
        SCANPROC->BeginScanning();
        ListView1.endUpdate();
    });
}

void Form1::Command2_Click() { Check1_Click(); }

void Form1::Command1_Click() {
    if (!SCANPROC || working()) return;
    const int row = ListView1.selectedIndex();
    if (row < 0) return;
    int answer = host().msgBox("Are you sure to terminate this process?",
                               ui::mb::YesNoCancel | ui::mb::Exclamation | ui::mb::DefaultButton2, "Terminate Process");
    if (answer != ui::mb::Yes || !SCANPROC || row >= ListView1.count()) return;
    int32_t id = -1;
    if (!parseProcessId(ListView1.subItem(row, 2), &id)) return;
    const std::string file = ListView1.text(row);
    const std::string folder = ListView1.subItem(row, 1);
    bool ended = false;
    runWork([&] { ended = SCANPROC->TerminateProcess(id, file, folder); });
    if (ended && loaded()) Check1_Click();
}

void Form1::Form_KeyPress(int& key) {
    if (key != ui::kKeyEscape) return;
    if (SCANPROC) SCANPROC->CancelScanning();
    if (working()) {
        closeAfterWork_ = true;  // the walk unwinds first; runWork closes the window then
        return;
    }
    unload();
}

void Form1::Form_Unload(bool& cancel) {
    if (working()) {
        // Freeing the scanner under its running walk would crash: stop it and close afterwards.
        if (SCANPROC) SCANPROC->CancelScanning();
        closeAfterWork_ = true;
        cancel = true;
        return;
    }
    SCANPROC.reset();
    fileIcon_.reset();
    host().quit(0);
}

int Form1::iconFor(const std::string& file, const std::string& path) {
    int image = ImageList1.indexOf(file);
    if (image >= 0) return image;
    if (path != "SYSTEM" && fileIcon_) {
        if (Picture picture = fileIcon_->Icon(path + file, 1)) {
            pictures_.push_back(picture);
            return ImageList1.add(file, picture->handle());
        }
    }
    // Every reported process is counted, so every one gets a row: with the default icon when
    // its own cannot be had.
    image = ImageList1.indexOf(kDefaultIconKey);
    if (image >= 0) return image;
    plat::IconHandle fallback = icons_.defaultIcon(true);
    if (fallback) pictures_.push_back(std::make_shared<IconPicture>(icons_, fallback));
    return ImageList1.add(kDefaultIconKey, fallback);
}

void Form1::SCANPROC_CurrentProcess(const std::string& File, const std::string& Path, int32_t ProcessID, bool&) {
    const int row = ListView1.addItem(File, iconFor(File, Path));
    ListView1.setSubItem(row, 1, Path);
    ListView1.setSubItem(row, 2, std::to_string(ProcessID));
    ListView1.setSubItemColor(row, 2, kBlue);
    ListView1.setSelected(row, true);
    ListView1.ensureVisible(row);
}

void Form1::SCANPROC_DoneScanning(int32_t TotalProcesses) { NUMPROC.setCaption(std::to_string(TotalProcesses)); }

void Form1::Label8_Click() { GotoURL(kMakerUrl); }

void Form1::GotoURL(const std::string& url) {
    services_.shell.shellExecute(host().nativeHandle(*this), "open", url, "", "", plat::ShowState::Hide);
}

}  // namespace procman
