#include "search/frm_search.h"

#include <algorithm>
#include <chrono>
#include <set>

#include "common/platform/error_text.h"
#include "common/text/text.h"
#include "search/mod_reg.h"
#include "search/result_export.h"

namespace search {
namespace {

std::u16string lowerUnits(std::u16string s) {
    for (char16_t& c : s) c = text::lowerUnit(c);
    return s;
}

// Lower-cased as the platform does; plain ASCII (most paths) without the trip through UTF-16.
std::string lowerText(const std::string& s) {
    for (unsigned char c : s) {
        if (c >= 0x80) return text::toLower(s);
    }
    std::string out = s;
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return out;
}

// Message boxes name at most this many rows; the rest are counted.
constexpr size_t kRowsNamed = 10;

std::string namedRows(const std::vector<std::string>& lines) {
    std::string out;
    for (size_t i = 0; i < lines.size() && i < kRowsNamed; ++i) out += "\n" + lines[i];
    if (lines.size() > kRowsNamed) out += "\n... and " + std::to_string(lines.size() - kRowsNamed) + " more.";
    return out;
}

const char* kExportTitle = "Export Results";

}  // namespace

// The engine's view of the window. The user may change the options while the search runs:
// after the handlers have run in a yield, the controls are copied into the request again, so a
// change applies to the tests that follow it.
class frmSearch::EngineHost : public SearchHost {
public:
    EngineHost(frmSearch& f, SearchRequest& request) : f_(f), request_(request) {}
    bool stopRequested() override { return f_.stopRequested_; }
    void yield() override {
        f_.host().doEvents();
        f_.copyOptionsInto(&request_);
    }
    void addRow(const ResultRow& row) override { f_.addRow(row); }
    // The key being searched changes thousands of times a second, and under Wine every repaint
    // of the window costs the search a few milliseconds of the process's and the server's time
    // (more on a busy machine). The status line shows the current key at most every 250 ms,
    // and the last one when the search ends; new rows reach the list control once a second.
    void showStatus(const std::string& text) override {
        pending_ = text;
        const auto now = std::chrono::steady_clock::now();
        if (now - shown_ >= std::chrono::milliseconds(250)) {
            shown_ = now;
            flushStatus();
        }
        if (now - rowsShown_ >= std::chrono::seconds(1)) {
            rowsShown_ = now;
            f_.flushRows();
        }
    }
    // The new text replaces the old in one step (no blank line in between, one repaint).
    void flushStatus() {
        if (pending_.empty() || pending_ == f_.PicStatus.text()) return;
        f_.PicStatus.setText(pending_);
    }

private:
    frmSearch& f_;
    SearchRequest& request_;
    std::string pending_;
    std::chrono::steady_clock::time_point shown_{};
    std::chrono::steady_clock::time_point rowsShown_{};
};

frmSearch::frmSearch(ui::Host& host, SearchServices services)
    : ui::Form(host, "frmSearch", "Scourline - Registry Search"),
      Label1(*this, nullptr, "Label1", "Find :"),
      cboFind(*this, nullptr, "cboFind", ui::ComboBox::Style::Editable),
      cmdFind(*this, nullptr, "cmdFind", "Search"),
      cmdCancel(*this, nullptr, "cmdCancel", "Cancel"),
      Frame2(*this, nullptr, "Frame2", "Location"),
      cboRoot(*this, &Frame2, "cboRoot", ui::ComboBox::Style::DropDownList),
      ChKeys(*this, &Frame2, "ChKeys", "Keys"),
      ChValues(*this, &Frame2, "ChValues", "Values"),
      ChData(*this, &Frame2, "ChData", "Data"),
      Frame1(*this, nullptr, "Frame1", "Search Mode"),
      Option1(*this, &Frame1, "Option1", "Any"),
      Option2(*this, &Frame1, "Option2", "Left"),
      Option3(*this, &Frame1, "Option3", "Right"),
      Option4(*this, &Frame1, "Option4", "Exact"),
      ChCase(*this, &Frame1, "ChCase", "Match Case"),
      Label2(*this, nullptr, "Label2", "Results : (Click to open in Regedit)"),
      LVfound(*this, nullptr, "LVfound"),
      Label3(*this, nullptr, "Label3", "Filter :"),
      txtFilter(*this, nullptr, "txtFilter"),
      cmdCopy(*this, nullptr, "cmdCopy", "Copy"),
      cmdCopyData(*this, nullptr, "cmdCopyData", "Copy value data"),
      cmdExport(*this, nullptr, "cmdExport", "Export..."),
      PicStatus(*this, nullptr, "PicStatus"),
      services_(std::move(services)),
      store_(services_.registry) {
    clientWidth = 7680;
    clientHeight = 7200;
    borderStyle = ui::BorderStyle::FixedSingle;
    maxButton = false;

    Label1.move(120, 165, 600, 255);
    Label1.wordWrap = false;
    cboFind.move(720, 120, 4560, 315);
    cmdFind.move(5400, 105, 1020, 345);
    cmdFind.isDefault = false;
    cmdFind.setEnabled(false);
    cmdCancel.move(6540, 105, 1020, 345);

    Frame2.move(120, 600, 3660, 1215);
    cboRoot.move(150, 300, 3360, 315);
    ChKeys.move(150, 795, 900, 255);
    ChValues.move(1230, 795, 1000, 255);
    ChData.move(2400, 795, 900, 255);

    Frame1.move(3900, 600, 3660, 1215);
    Option1.move(150, 330, 780, 255);
    Option2.move(1020, 330, 780, 255);
    Option3.move(1890, 330, 840, 255);
    Option4.move(2790, 330, 780, 255);
    ChCase.move(150, 795, 1800, 255);

    Label2.move(120, 1935, 7440, 255);
    Label2.wordWrap = false;
    LVfound.move(120, 2220, 7440, 3960);
    LVfound.hideColumnHeaders = true;
    LVfound.multiSelect = true;  // rows to copy or export: Shift and Ctrl with clicks or arrows
    LVfound.fullRowSelect = true;
    LVfound.addColumn("", 7080);
    LVfound.addColumn("", 0);  // the row's full path, read back by the registry-editor jump
    ImageList1.add("key", 0, 1);
    ImageList1.add("text", 0, 2);
    ImageList1.add("binary", 0, 3);
    ImageList1.add("nothing", 0, 4);
    LVfound.smallIcons = &ImageList1;
    Label3.move(120, 6345, 600, 255);
    Label3.wordWrap = false;
    txtFilter.move(720, 6300, 2520, 315);
    cmdCopy.move(3360, 6285, 1020, 345);
    cmdCopyData.move(4500, 6285, 1560, 345);
    cmdExport.move(6180, 6285, 1380, 345);
    PicStatus.move(120, 6780, 7440, 300);

    onLoad = [this] { Form_Load(); };
    onUnload = [this](bool& cancel) { Form_Unload(cancel); };
    cmdFind.onClick = [this] { cmdFind_Click(); };
    cmdCancel.onClick = [this] { cmdCancel_Click(); };
    cboFind.onChange = [this] { cboFind_Change(); };
    cboFind.onClick = [this] { cboFind_Change(); };
    cboFind.onKeyPress = [this](int& key) { cboFind_KeyPress(key); };
    cboFind.onKeyUp = [this](int key) { cboFind_KeyUp(key); };
    LVfound.onMouseUp = [this](int button, int x, int y) { LVfound_MouseUp(button, x, y); };
    LVfound.onKeyDown = [this](int key) { LVfound_KeyDown(key); };
    txtFilter.onChange = [this] { txtFilter_Change(); };
    cmdCopy.onClick = [this] { cmdCopy_Click(); };
    cmdCopyData.onClick = [this] { cmdCopyData_Click(); };
    cmdExport.onClick = [this] { cmdExport_Click(); };
}

frmSearch::~frmSearch() = default;

void frmSearch::addRow(const ResultRow& row) {
    // During a search, rows reach the list control in batches (at most once a second): one
    // refresh per row would make a search with many hits wait on the list's repainting.
    if (searchRunning_ && !rowsBatched_) {
        LVfound.beginUpdate();
        rowsBatched_ = true;
    }
    rows_.push_back(row);
    if (passesFilter(row)) showRow(rows_.size() - 1);
}

void frmSearch::showRow(size_t index) {
    const ResultRow& row = rows_[index];
    listed_.push_back(index);
    const int i = LVfound.addItem(row.text, row.image - 1);
    LVfound.setSubItem(i, 1, row.fullPath);
}

// The filter matches the row's text anywhere, without regard to letter case. "Nothing to
// show" is no result and always stays.
bool frmSearch::passesFilter(const ResultRow& row) const {
    if (filterLower_.empty() || row.fullPath.empty()) return true;
    return lowerText(row.text).find(filterLower_) != std::string::npos;
}

void frmSearch::applyFilter() {
    LVfound.beginUpdate();
    LVfound.clear();
    listed_.clear();
    for (size_t i = 0; i < rows_.size(); ++i) {
        if (passesFilter(rows_[i])) showRow(i);
    }
    LVfound.endUpdate();
}

void frmSearch::txtFilter_Change() {
    const std::string wanted = lowerText(txtFilter.text());
    if (wanted == filterLower_) return;
    filterLower_ = wanted;
    applyFilter();
    updateResultCommands();
}

std::vector<ResultRow> frmSearch::listedRows() const {
    std::vector<ResultRow> out;
    out.reserve(listed_.size());
    for (size_t i : listed_) out.push_back(rows_[i]);
    return out;
}

std::vector<size_t> frmSearch::selectedRows() const {
    std::vector<size_t> out;
    for (int i = 0; i < LVfound.count() && i < static_cast<int>(listed_.size()); ++i) {
        if (LVfound.selected(i) && !rows_[listed_[i]].fullPath.empty()) out.push_back(listed_[i]);
    }
    return out;
}

// Copy and export work on found rows; a search in progress keeps changing them.
void frmSearch::updateResultCommands() {
    bool any = false;
    for (size_t i : listed_) any = any || !rows_[i].fullPath.empty();
    const bool on = any && !searchRunning_;
    cmdCopy.setEnabled(on);
    cmdCopyData.setEnabled(on);
    cmdExport.setEnabled(on);
}

void frmSearch::flushRows() {
    if (!rowsBatched_) return;
    rowsBatched_ = false;
    LVfound.endUpdate();
}

void frmSearch::Form_Load() {
    rows_.clear();
    listed_.clear();
    LVfound.clear();
    ResultRow nothing;
    nothing.text = kNothingToShow;
    nothing.image = kImageNothing;
    addRow(nothing);

    cboRoot.clear();
    for (const std::string& area : SearchAreas(services_.registry)) cboRoot.addItem(area);
    cboRoot.setListIndex(0);

    for (int i = 0; i < kHistoryKept; ++i) {
        const std::string entry = store_.GetSetting(kAppName, kSection, std::to_string(i));
        if (!entry.empty()) cboFind.addItem(entry);
    }

    const SavedSettings stored = ReadSavedSettings(store_, cboRoot.count());
    if (stored.area > 0) cboRoot.setListIndex(stored.area);
    switch (stored.mode) {
        case 2: Option2.setValue(true); break;
        case 3: Option3.setValue(true); break;
        case 4: Option4.setValue(true); break;
        default: Option1.setValue(true); break;
    }
    ChCase.setValue(stored.caseValue);
    ChKeys.setValue(stored.keys);
    ChValues.setValue(stored.values);
    ChData.setValue(stored.data);

    copySavedSettings();
    updateFindEnabled();
    updateResultCommands();
    if (services_.applySkin) services_.applySkin(*this);
}

void frmSearch::copySavedSettings() {
    saved_.area = std::max(0, cboRoot.listIndex());
    saved_.caseValue = ChCase.value();
    saved_.mode = Option1.value() ? 1 : Option2.value() ? 2 : Option3.value() ? 3 : Option4.value() ? 4 : 1;
    saved_.keys = ChKeys.value();
    saved_.values = ChValues.value();
    saved_.data = ChData.value();
}

void frmSearch::Form_Unload(bool& cancel) {
    stopRequested_ = true;
    if (searchRunning_) {
        // The walk is still on the stack below this handler: let it unwind first; the search
        // closes the window when it returns.
        closeAfterSearch_ = true;
        cancel = true;
        return;
    }
    if (services_.saveSettings) writeSettings();
}

// Writes every setting first and removes stale keys only when all writes succeeded, so a
// failing store never loses the history it held.
bool frmSearch::writeSettings() {
    const std::vector<std::string>& items = cboFind.items();
    const size_t first = items.size() > kHistoryKept ? items.size() - kHistoryKept : 0;
    std::set<std::string> written;
    bool ok = true;
    auto save = [&](const std::string& key, const std::string& value) {
        ok = store_.SaveSetting(kAppName, kSection, key, value) && ok;
        written.insert(text::toLower(key));
    };
    for (size_t i = first; i < items.size(); ++i) save(std::to_string(i - first), items[i]);
    save("lastSearchArea", std::to_string(saved_.area));
    save("lastMode", std::to_string(saved_.mode));
    save("lastCase", std::to_string(saved_.caseValue));
    save("lastKey", std::to_string(saved_.keys));
    save("lastValue", std::to_string(saved_.values));
    save("lastdata", std::to_string(saved_.data));
    if (!ok) return false;
    for (const std::string& key : store_.SettingKeys(kAppName, kSection)) {
        if (!written.count(text::toLower(key))) store_.DeleteSetting(kAppName, kSection, key);
    }
    return true;
}

void frmSearch::rememberSearchText() {
    const std::string wanted = text::toLower(cboFind.text());
    for (const std::string& entry : cboFind.items()) {
        if (text::toLower(entry) == wanted) return;
    }
    cboFind.addItem(cboFind.text());
}

void frmSearch::copyOptionsInto(SearchRequest* request) const {
    request->text = cboFind.text();
    request->matchCase = ChCase.value() == 1;
    request->mode = Option1.value()   ? Mode::Any
                    : Option2.value() ? Mode::Left
                    : Option3.value() ? Mode::Right
                    : Option4.value() ? Mode::Exact
                                      : Mode::None;
    request->keys = ChKeys.value() == 1;
    request->values = ChValues.value() == 1;
    request->data = ChData.value() == 1;
}

SearchRequest frmSearch::requestFromControls() const {
    SearchRequest request;
    copyOptionsInto(&request);
    request.roots = RootsOfArea(cboRoot.items(), cboRoot.listIndex());
    return request;
}

void frmSearch::updateFindEnabled() { cmdFind.setEnabled(!cboFind.text().empty() && !searchRunning_); }

void frmSearch::cmdFind_Click() {
    // One search at a time: a second start would reset the stop flag under the running walk.
    if (searchRunning_) return;
    ui::Form::Busy busy(*this);
    rememberSearchText();
    copySavedSettings();
    stopRequested_ = false;
    searchRunning_ = true;
    updateFindEnabled();
    updateResultCommands();
    rows_.clear();
    listed_.clear();
    LVfound.clear();

    SearchRequest request = requestFromControls();
    EngineHost engineHost(*this, request);
    RunSearch(services_.registry, request, engineHost);

    engineHost.flushStatus();
    if (LVfound.count() == 0) {
        ResultRow nothing;
        nothing.text = kNothingToShow;
        nothing.image = kImageNothing;
        addRow(nothing);
    }
    flushRows();
    searchRunning_ = false;
    updateFindEnabled();
    updateResultCommands();
    if (closeAfterSearch_) {
        closeAfterSearch_ = false;
        unload(ui::kUnloadByUser);  // the toolkit destroys the window once this handler returns
    }
}

void frmSearch::cmdCancel_Click() {
    if (searchRunning_) {
        stopRequested_ = true;
        return;
    }
    unload(ui::kUnloadByUser);
}

void frmSearch::cboFind_Change() { updateFindEnabled(); }

void frmSearch::cboFind_KeyPress(int& key) {
    if (key != ui::kKeyReturn) return;
    key = 0;  // Enter is a command here, not a character for the box
    if (!cboFind.text().empty() && !searchRunning_) cmdFind_Click();
}

void frmSearch::cboFind_KeyUp(int key) {
    if (key == ui::kKeyBack || key == ui::kKeyDelete || key == ui::kKeyLeft || key == ui::kKeyRight) return;
    if (cboFind.count() == 0) return;
    const std::u16string typed = lowerUnits(text::toUtf16(cboFind.text()));
    const size_t n = typed.size();
    for (int i = 0; i < cboFind.count(); ++i) {
        if (i == cboFind.listIndex()) continue;
        const std::u16string entry = text::toUtf16(cboFind.items()[i]);
        if (entry.size() < n || lowerUnits(entry.substr(0, n)) != typed) continue;
        cboFind.setListIndex(i);
        cboFind.setSelection(static_cast<int>(n), static_cast<int>(entry.size() - n));
        return;
    }
}

void frmSearch::LVfound_MouseUp(int /*button*/, int x, int y) {
    // A click with Shift or Ctrl adds rows to the selection (to copy or export them); it
    // opens nothing.
    if (LVfound.shift() & (ui::kShiftMask | ui::kCtrlMask)) return;
    const int i = LVfound.hitTest(x, y);
    if (i < 0 || i >= static_cast<int>(listed_.size())) return;
    const ResultRow& row = rows_[listed_[i]];
    std::string path;
    if (row.image == kImageKey) {
        path = row.fullPath;
    } else if (row.isValue) {
        // The key that holds the value, ending with a separator so the editor opens it.
        path = row.keyPath + "\\";
    } else {
        path = modreg::ParentPath(row.fullPath) + "\\";
    }
    if (services_.jumpToKey) services_.jumpToKey(path);
}

}  // namespace search

namespace search {

void frmSearch::LVfound_KeyDown(int key) {
    if ((LVfound.shift() & (ui::kCtrlMask | ui::kAltMask)) != ui::kCtrlMask) return;
    if (key == 'C') {
        copyKeyPaths(false);
    } else if (key == 'A') {
        for (int i = 0; i < LVfound.count(); ++i) LVfound.setSelected(i, true);
    }
}

void frmSearch::copyKeyPaths(bool sayWhenNothing) {
    if (!services_.clipboard) return;
    std::vector<ResultRow> rows;
    for (size_t i : selectedRows()) rows.push_back(rows_[i]);
    if (rows.empty()) {
        if (sayWhenNothing)
            host().msgBox("Select the rows whose keys to copy.", ui::mb::OkOnly | ui::mb::Information, caption());
        return;
    }
    if (services_.clipboard->setText(host().nativeHandle(*this), KeyPathsText(rows)) != 0)
        host().msgBox("Nothing was copied: another program is using the clipboard.",
                      ui::mb::OkOnly | ui::mb::Exclamation, caption());
}

void frmSearch::cmdCopy_Click() { copyKeyPaths(true); }

void frmSearch::cmdCopyData_Click() {
    if (!services_.clipboard) return;
    std::vector<ResultRow> values;
    for (size_t i : selectedRows()) {
        if (rows_[i].isValue) values.push_back(rows_[i]);
    }
    if (values.empty()) {
        host().msgBox("Select the value rows whose data to copy (a key holds no value data of its own here).",
                      ui::mb::OkOnly | ui::mb::Information, caption());
        return;
    }
    std::vector<std::string> unreadable;
    const std::string data = ValueDataText(services_.registry, values, &unreadable);
    if (unreadable.size() == values.size()) {
        host().msgBox("Nothing was copied: the data could not be read." + namedRows(unreadable),
                      ui::mb::OkOnly | ui::mb::Exclamation, caption());
        return;
    }
    if (services_.clipboard->setText(host().nativeHandle(*this), data) != 0) {
        host().msgBox("Nothing was copied: another program is using the clipboard.",
                      ui::mb::OkOnly | ui::mb::Exclamation, caption());
        return;
    }
    if (!unreadable.empty())
        host().msgBox("The data of " + std::to_string(unreadable.size()) +
                          (unreadable.size() == 1 ? " value" : " values") +
                          " could not be read and was not copied:" + namedRows(unreadable),
                      ui::mb::OkOnly | ui::mb::Exclamation, caption());
}

void frmSearch::cmdExport_Click() {
    if (searchRunning_ || !services_.files || !services_.fileDialogs) return;
    std::vector<size_t> rows;
    rows.reserve(listed_.size());
    for (size_t i : listed_) {
        if (!rows_[i].fullPath.empty()) rows.push_back(i);
    }
    if (rows.empty()) return;
    // A selection of some rows asks whether only those are meant; no selection, or every row
    // selected, exports the list as it is.
    std::vector<size_t> selected = selectedRows();
    if (!selected.empty() && selected.size() < rows.size()) {
        const std::string n = std::to_string(selected.size());
        const int answer = host().msgBox(
            "Export only the " + n + (selected.size() == 1 ? " selected row?" : " selected rows?") + "\n\nYes: the " +
                n + " selected. No: all " + std::to_string(rows.size()) + " rows of the list.",
            ui::mb::YesNoCancel | ui::mb::Question, kExportTitle);
        if (answer == ui::mb::Cancel) return;
        if (answer == ui::mb::Yes) rows.swap(selected);
    }

    ui::SaveFileRequest request;
    request.title = kExportTitle;
    request.fileName = "Search results";
    request.types = {{"Registration Files (*.reg)", "*.reg", "reg"}, {"CSV (Comma delimited) (*.csv)", "*.csv", "csv"}};
    request.typeIndex = exportType_;
    const std::optional<ui::SaveFileChoice> choice = services_.fileDialogs->saveFile(*this, request);
    if (!choice) return;
    exportType_ = choice->typeIndex == 1 ? 1 : 0;
    // A name typed with one of the two extensions decides the format; otherwise the type chosen.
    const std::string name = lowerText(choice->path);
    auto endsWith = [&](const char* ext) {
        const size_t n = std::char_traits<char>::length(ext);
        return name.size() >= n && name.compare(name.size() - n, n, ext) == 0;
    };
    const ExportFormat format = endsWith(".csv")   ? ExportFormat::Csv
                                : endsWith(".reg") ? ExportFormat::Reg
                                : exportType_ == 1 ? ExportFormat::Csv
                                                   : ExportFormat::Reg;

    ui::Form::Busy busy(*this);
    const ExportOutcome out = ExportRows(services_.registry, rows_, format, &rows);
    if (out.written == 0) {
        host().msgBox("Nothing was exported: none of the rows can be written to this file." + namedRows(out.problems),
                      ui::mb::OkOnly | ui::mb::Exclamation, kExportTitle);
        return;
    }
    const long rc = services_.files->replaceFile(choice->path, out.bytes);
    if (rc != 0) {
        host().msgBox("The results could not be saved to " + choice->path + ": " + plat::ErrorText(rc) + ".",
                      ui::mb::OkOnly | ui::mb::Critical, kExportTitle);
        return;
    }
    if (out.leftOut > 0)
        host().msgBox("The results were saved to " + choice->path + ", but " + std::to_string(out.leftOut) +
                          (out.leftOut == 1 ? " row was" : " rows were") + " left out:" + namedRows(out.problems),
                      ui::mb::OkOnly | ui::mb::Exclamation, kExportTitle);
}

}  // namespace search
