#include "search/frm_search.h"

#include <algorithm>
#include <chrono>
#include <set>

#include "common/text/text.h"
#include "search/mod_reg.h"

namespace search {
namespace {

// Roots offered by the area list, in the list's order.
const plat::RegHandle kAreaRoots[] = {
    plat::kHkeyClassesRoot,     plat::kHkeyCurrentUser, plat::kHkeyDynData,       plat::kHkeyLocalMachine,
    plat::kHkeyPerformanceData, plat::kHkeyUsers,       plat::kHkeyCurrentConfig,
};

int clampCheck(int v) { return v <= 0 ? 0 : 1; }

std::u16string lowerUnits(std::u16string s) {
    for (char16_t& c : s) c = text::lowerUnit(c);
    return s;
}

}  // namespace

// The engine's view of the window: every option is read from the controls when asked.
class frmSearch::EngineHost : public SearchHost {
public:
    explicit EngineHost(frmSearch& f) : f_(f) {}
    std::string searchText() override { return f_.cboFind.text(); }
    bool matchCase() override { return f_.ChCase.value() == 1; }
    Mode mode() override {
        if (f_.Option1.value()) return Mode::Any;
        if (f_.Option2.value()) return Mode::Left;
        if (f_.Option3.value()) return Mode::Right;
        if (f_.Option4.value()) return Mode::Exact;
        return Mode::None;
    }
    bool searchKeys() override { return f_.ChKeys.value() == 1; }
    bool searchValues() override { return f_.ChValues.value() == 1; }
    bool searchData() override { return f_.ChData.value() == 1; }
    bool stopRequested() override { return f_.stopRequested_; }
    void yield() override { f_.host().doEvents(); }
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
      PicStatus(*this, nullptr, "PicStatus"),
      services_(std::move(services)),
      store_(services_.registry) {
    clientWidth = 7680;
    clientHeight = 6720;
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
    LVfound.multiSelect = false;
    LVfound.fullRowSelect = true;
    LVfound.addColumn("", 7080);
    LVfound.addColumn("", 0);  // the row's full path, read back by the registry-editor jump
    ImageList1.add("key", 0, 1);
    ImageList1.add("text", 0, 2);
    ImageList1.add("binary", 0, 3);
    ImageList1.add("nothing", 0, 4);
    LVfound.smallIcons = &ImageList1;
    PicStatus.move(120, 6300, 7440, 300);

    onLoad = [this] { Form_Load(); };
    onUnload = [this](bool& cancel) { Form_Unload(cancel); };
    cmdFind.onClick = [this] { cmdFind_Click(); };
    cmdCancel.onClick = [this] { cmdCancel_Click(); };
    cboFind.onChange = [this] { cboFind_Change(); };
    cboFind.onClick = [this] { cboFind_Change(); };
    cboFind.onKeyPress = [this](int& key) { cboFind_KeyPress(key); };
    cboFind.onKeyUp = [this](int key) { cboFind_KeyUp(key); };
    LVfound.onMouseUp = [this](int button, int x, int y) { LVfound_MouseUp(button, x, y); };
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
    const int i = LVfound.addItem(row.text, row.image - 1);
    LVfound.setSubItem(i, 1, row.fullPath);
}

void frmSearch::flushRows() {
    if (!rowsBatched_) return;
    rowsBatched_ = false;
    LVfound.endUpdate();
}

void frmSearch::Form_Load() {
    rows_.clear();
    LVfound.clear();
    ResultRow nothing;
    nothing.text = kNothingToShow;
    nothing.image = kImageNothing;
    addRow(nothing);

    cboRoot.clear();
    cboRoot.addItem(kMyComputer);
    for (plat::RegHandle root : kAreaRoots) {
        if (modreg::RootHasSubKeys(services_.registry, root)) cboRoot.addItem(modreg::RootName(root));
    }
    cboRoot.setListIndex(0);

    for (int i = 0; i < kHistoryKept; ++i) {
        const std::string entry = store_.GetSetting(kAppName, kSection, std::to_string(i));
        if (!entry.empty()) cboFind.addItem(entry);
    }

    // Stored values are checked before use: an area beyond the list keeps "My Computer", a mode
    // outside 1 to 4 gives "Any", a check value other than 0 or 1 is clamped.
    const int area = LeadingNumber(store_.GetSetting(kAppName, kSection, "lastSearchArea", "0"));
    if (area > 0 && area < cboRoot.count()) cboRoot.setListIndex(area);
    switch (LeadingNumber(store_.GetSetting(kAppName, kSection, "lastMode", "1"))) {
        case 2: Option2.setValue(true); break;
        case 3: Option3.setValue(true); break;
        case 4: Option4.setValue(true); break;
        default: Option1.setValue(true); break;
    }
    ChCase.setValue(clampCheck(LeadingNumber(store_.GetSetting(kAppName, kSection, "lastCase", "1"))));
    ChKeys.setValue(clampCheck(LeadingNumber(store_.GetSetting(kAppName, kSection, "lastKey", "1"))));
    ChValues.setValue(clampCheck(LeadingNumber(store_.GetSetting(kAppName, kSection, "lastValue", "1"))));
    ChData.setValue(clampCheck(LeadingNumber(store_.GetSetting(kAppName, kSection, "lastdata", "1"))));

    copySavedSettings();
    updateFindEnabled();
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
    rows_.clear();
    LVfound.clear();

    EngineHost engineHost(*this);
    SearchEngine engine(services_.registry, engineHost);
    const int area = cboRoot.listIndex();
    if (area > 0) {
        host().doEvents();
        if (!stopRequested_) engine.SearchKey(modreg::RootFromName(cboRoot.items()[area]), "");
    } else {
        // The list may not change during the walk, but copy it so a change could not break it.
        const std::vector<std::string> roots = cboRoot.items();
        for (size_t i = 1; i < roots.size(); ++i) {
            host().doEvents();
            if (stopRequested_) break;
            engine.SearchKey(modreg::RootFromName(roots[i]), "");
        }
    }

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
    const int i = LVfound.hitTest(x, y);
    if (i < 0 || i >= static_cast<int>(rows_.size())) return;
    const ResultRow& row = rows_[i];
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
