#include "procman/form1.h"

#include <cerrno>
#include <cstdlib>
#include <map>

#include "common/text/text.h"

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

// A row's key: the process identifier and, once sampled, its creation time ("12:1320...").
std::string rowKey(uint32_t id, uint64_t creation) {
    return creation ? std::to_string(id) + ":" + std::to_string(creation) : std::to_string(id);
}

void parseRowKey(const std::string& key, uint32_t* id, uint64_t* creation) {
    char* end = nullptr;
    *id = static_cast<uint32_t>(std::strtoul(key.c_str(), &end, 10));
    *creation = *end == ':' ? std::strtoull(end + 1, nullptr, 10) : 0;
}
}  // namespace

Form1::Form1(ui::Host& host, const plat::Services& services, plat::ProcessList& processes, plat::Icons& icons,
             plat::Clipboard& clipboard)
    : Form(host, "Form1", "Scourline - Process Manager"),
      services_(services),
      processes_(processes),
      icons_(icons),
      clipboard_(clipboard) {
    clientWidth = 11280;
    clientHeight = 6240;
    borderStyle = ui::BorderStyle::FixedSingle;
    maxButton = false;
    keyPreview = true;

    ListView1.move(120, 120, 11040, 4455);
    ListView1.addColumn("Process Name", 2040);
    ListView1.addColumn("Process Path", 3180);
    ListView1.addColumn("Process ID", 1080);
    ListView1.addColumn("CPU", 600);
    ListView1.addColumn("Memory", 1200);
    ListView1.addColumn("User", 1800);
    ListView1.addColumn("32-bit", 660);
    for (int column : {kColId, kColCpu, kColMemory}) ListView1.column(column).numeric = true;
    ListView1.multiSelect = false;
    ListView1.fullRowSelect = true;
    ListView1.smallIcons = &ImageList1;

    Frame1.move(120, 4680, 3600, 1035);
    Check1.move(240, 300, 3120, 315);
    Check2.move(240, 630, 3120, 315);
    Check2.setValue(1);
    // Sized for the caption in the dialog font at 96 DPI (Wine's Tahoma is wider than
    // Windows'): one line, never wrapped.
    Label1.move(4080, 4800, 2160, 255);
    Label1.wordWrap = false;
    NUMPROC.move(6300, 4800, 900, 255);
    NUMPROC.setBold(true);
    Command1.move(6240, 5700, 2400, 420);
    Command2.move(8760, 5700, 2400, 420);
    Command2.isDefault = true;
    Label8.move(120, 5880, 3240, 255);
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
    Check2.onClick = [this] { Check2_Click(); };
    Timer1.onTimer = [this] { Timer1_Timer(); };
    Timer2.onTimer = [this] { Timer2_Timer(); };
    ListView1.onColumnClick = [this](int column) { ListView1_ColumnClick(column); };
    mnuEndTree.onClick = [this] { mnuEndTree_Click(); };
    mnuOpenLocation.onClick = [this] { mnuOpenLocation_Click(); };
    mnuCopy.onClick = [this] { mnuCopy_Click(); };
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
    if (backgroundList_)
        runner_ = std::make_unique<ThreadSampleRunner>(*backgroundList_, services_.files);
    else
        runner_ = std::make_unique<InlineSampleRunner>(processes_, services_.files);
}

void Form1::sampleInBackground(plat::ProcessList& ownList) {
    backgroundList_ = &ownList;
    if (runner_) runner_ = std::make_unique<ThreadSampleRunner>(ownList, services_.files);
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
    mnuEndTree.setEnabled(false);
    work();
    if (--workDepth_ > 0) return;
    Command1.setEnabled(true);
    Command2.setEnabled(true);
    Check1.setEnabled(true);
    mnuEndTree.setEnabled(true);
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
    // The figures of the rows just listed (and what changed while the scan ran).
    liveRefresh();
}

void Form1::Command2_Click() { Check1_Click(); }

void Form1::Command1_Click() {
    if (!SCANPROC || working()) return;
    const int row = ListView1.selectedIndex();
    if (row < 0) return;
    int answer = ask("Are you sure to terminate this process?",
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
    Timer1.setEnabled(false);
    Timer2.setEnabled(false);
    SCANPROC.reset();
    fileIcon_.reset();
    runner_.reset();
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
    ListView1.setKey(row, rowKey(static_cast<uint32_t>(ProcessID), 0));
    ListView1.setSelected(row, true);
    ListView1.ensureVisible(row);
}

void Form1::SCANPROC_DoneScanning(int32_t TotalProcesses) { NUMPROC.setCaption(std::to_string(TotalProcesses)); }

void Form1::Label8_Click() { GotoURL(kMakerUrl); }

void Form1::GotoURL(const std::string& url) {
    services_.shell.shellExecute(host().nativeHandle(*this), "open", url, "", "", plat::ShowState::Hide);
}

int Form1::ask(const std::string& text, int style, const std::string& title) {
    questionOpen_ = true;
    syncTimer();
    const int answer = host().msgBox(text, style, title);
    questionOpen_ = false;
    syncTimer();
    return answer;
}

void Form1::syncTimer() { Timer1.setEnabled(Check2.value() == 1 && !questionOpen_ && loaded()); }

void Form1::Check2_Click() {
    syncTimer();
    if (Check2.value() == 1) liveRefresh();
}

void Form1::Timer1_Timer() {
    if (Check2.value() != 1 || questionOpen_) return;
    liveRefresh();
}

void Form1::setFigures(int row, const ProcessSample& s) {
    ListView1.setSubItem(row, kColCpu, cpuText(s.cpu));
    ListView1.setSubItem(row, kColMemory, memoryText(s.privateBytes));
    ListView1.setSubItem(row, kColUser, s.user.value_or(""));
    ListView1.setSubItem(row, kColWow64, wow64Text(s.wow64));
}

void Form1::liveRefresh() {
    if (!SCANPROC || !runner_ || working()) return;
    runner_->start();
    collectSample();
}

void Form1::Timer2_Timer() { collectSample(); }

void Form1::collectSample() {
    // A scan or an ending in progress owns the list, and an open question the selected row:
    // the sample waits for them.
    if (!SCANPROC || !runner_ || working() || questionOpen_) {
        Timer2.setEnabled(runner_ && runner_->pending());
        return;
    }
    std::optional<std::vector<ProcessSample>> sample = runner_->take();
    Timer2.setEnabled(runner_->pending());
    if (!sample) return;
    shown_ = std::move(*sample);
    applySample();
}

void Form1::applySample() {
    const bool showAll = SCANPROC->SystemProcesses();
    std::map<uint32_t, const ProcessSample*> listed;
    for (const ProcessSample& s : shown_)
        if (showAll || s.pathReadable) listed.emplace(s.processId, &s);

    ListView1.beginUpdate();
    const int selectedBefore = ListView1.selectedIndex();
    // Figures are set with the sort off, then the rows are sorted once (stably, so equal rows
    // keep their order): setting a sort column's text would move rows under the loop.
    const bool sorted = ListView1.sorted();
    const int sortKey = ListView1.sortKey();
    const ui::ListView::SortOrder sortOrder = ListView1.sortOrder();
    if (sorted) ListView1.setSorting(false, sortKey, sortOrder);

    std::map<uint32_t, bool> matched;
    for (int row = ListView1.count() - 1; row >= 0; --row) {
        uint32_t id = 0;
        uint64_t creation = 0;
        parseRowKey(ListView1.item(row).key, &id, &creation);
        auto found = listed.find(id);
        const ProcessSample* s = found == listed.end() ? nullptr : found->second;
        const bool same = s && !matched.count(id) && text::equalNoCase(s->file, ListView1.text(row)) &&
                          (creation == 0 || s->creation == 0 || creation == s->creation);
        if (!same) {
            ListView1.removeItem(row);  // ended, or its identifier now belongs to another process
            continue;
        }
        matched[id] = true;
        if (creation == 0 && s->creation != 0) ListView1.setKey(row, rowKey(id, s->creation));
        setFigures(row, *s);
    }
    for (const ProcessSample& s : shown_) {
        if (!(showAll || s.pathReadable) || matched.count(s.processId)) continue;
        matched[s.processId] = true;
        const int row = ListView1.addItem(s.file, iconFor(s.file, s.folder));
        ListView1.setSubItem(row, kColPath, s.folder);
        ListView1.setSubItem(row, kColId, std::to_string(s.processId));
        ListView1.setSubItemColor(row, kColId, kBlue);
        ListView1.setKey(row, rowKey(s.processId, s.creation));
        setFigures(row, s);
    }

    if (sorted) ListView1.setSorting(true, sortKey, sortOrder);
    // The selected process stays selected; when rows around it came, went or moved, the list
    // scrolls so that it stays in view.
    const int selectedAfter = ListView1.selectedIndex();
    if (selectedAfter >= 0 && selectedAfter != selectedBefore) ListView1.ensureVisible(selectedAfter);
    ListView1.endUpdate();
    NUMPROC.setCaption(std::to_string(ListView1.count()));
}

const ProcessSample* Form1::sampleOfRow(int row) const {
    if (row < 0 || row >= ListView1.count()) return nullptr;
    uint32_t id = 0;
    uint64_t creation = 0;
    parseRowKey(ListView1.item(row).key, &id, &creation);
    const ProcessSample* s = findProcess(shown_, id);
    if (!s || !text::equalNoCase(s->file, ListView1.text(row))) return nullptr;
    if (creation != 0 && s->creation != 0 && creation != s->creation) return nullptr;
    return s;
}

void Form1::ListView1_ColumnClick(int column) {
    ui::ListView::SortOrder order = ui::ListView::SortOrder::Ascending;
    if (ListView1.sorted() && ListView1.sortKey() == column)
        order = ListView1.sortOrder() == ui::ListView::SortOrder::Ascending ? ui::ListView::SortOrder::Descending
                                                                            : ui::ListView::SortOrder::Ascending;
    else if (column == kColCpu || column == kColMemory)
        order = ui::ListView::SortOrder::Descending;  // the busiest first
    ListView1.setSorting(true, column, order);
    const int selected = ListView1.selectedIndex();
    if (selected >= 0) ListView1.ensureVisible(selected);
}

void Form1::mnuEndTree_Click() {
    if (!SCANPROC || working() || ListView1.selectedIndex() < 0) return;
    // The tree of the last update (at most one interval old): each process is ended only while
    // its identifier still belongs to the executable listed.
    const ProcessSample* root = sampleOfRow(ListView1.selectedIndex());
    if (!root) return;
    const std::vector<ProcessSample> tree = processTree(shown_, root->processId);
    const size_t started = tree.size() - 1;
    const std::string text = started == 0   ? "Are you sure to terminate this process? It has started no other process."
                             : started == 1 ? "Are you sure to terminate this process and the process it started?"
                                            : "Are you sure to terminate this process and the " +
                                                  std::to_string(started) + " processes it started?";
    if (ask(text, ui::mb::YesNoCancel | ui::mb::Exclamation | ui::mb::DefaultButton2, "End Process Tree") !=
        ui::mb::Yes)
        return;
    if (!SCANPROC) return;
    // The process first, so that it cannot start its children again; each one is ended only
    // while its identifier still belongs to the executable that was listed.
    runWork([&] {
        for (const ProcessSample& p : tree) {
            if (!SCANPROC) break;
            int32_t id = static_cast<int32_t>(p.processId);
            SCANPROC->TerminateProcess(id, p.file, p.folder);
        }
    });
    if (loaded()) liveRefresh();
}

void Form1::mnuOpenLocation_Click() {
    const int row = ListView1.selectedIndex();
    if (row < 0) return;
    const ProcessSample* s = sampleOfRow(row);
    if (!s || !s->pathReadable || s->imagePath.empty()) {
        host().msgBox("The file of this process cannot be located.", ui::mb::OkOnly | ui::mb::Information,
                      "Open File Location");
        return;
    }
    std::string windows = services_.files.windowsDirectory();
    while (!windows.empty() && windows.back() == '\\') windows.pop_back();
    const std::string explorer = windows + "\\explorer.exe";
    const std::string commandLine = "\"" + explorer + "\" /select,\"" + s->imagePath + "\"";
    if (!services_.shell.startProcess(explorer, commandLine, plat::ShowState::Normal, nullptr))
        host().msgBox("The folder could not be opened.", ui::mb::OkOnly | ui::mb::Exclamation, "Open File Location");
}

void Form1::mnuCopy_Click() {
    std::string text;
    const int columns = static_cast<int>(ListView1.columns().size());
    for (int row = 0; row < ListView1.count(); ++row) {
        if (!ListView1.selected(row)) continue;
        for (int column = 0; column < columns; ++column) {
            if (column > 0) text += '\t';
            text += ListView1.subItem(row, column);
        }
        text += "\r\n";
    }
    if (text.empty()) return;
    if (clipboard_.setText(host().nativeHandle(*this), text) != 0)
        host().msgBox("The rows could not be copied to the clipboard.", ui::mb::OkOnly | ui::mb::Exclamation, "Copy");
}

}  // namespace procman
