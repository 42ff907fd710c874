// frmSearch: the search program's one window. The search text with its history and
// completion, the area, mode and targets, the result list and the status line; it runs the
// search engine, opens a clicked row in the registry editor and keeps the user's last choices
// and history in the settings store from one run to the next. The found rows can be narrowed by
// a filter text without searching again, copied (key paths, value data) and exported as a
// registry-editor file or CSV.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "common/platform/clipboard.h"
#include "common/platform/files.h"
#include "common/platform/registry.h"
#include "common/ui/file_dialog.h"
#include "common/ui/form.h"
#include "search/search_engine.h"
#include "search/search_request.h"
#include "search/settings_store.h"

namespace search {

inline constexpr const char* kNothingToShow = "Nothing to show";
constexpr int kHistoryKept = 20;

struct SearchServices {
    plat::Registry& registry;
    // Opens the system registry editor at a key path ("HKEY_CURRENT_USER\Software").
    std::function<void(const std::string&)> jumpToKey;
    // Applies the style file to the window; may be empty (skinning is cosmetic).
    std::function<void(ui::Form&)> applySkin;
    // False for the console twin: it reads the saved settings but never writes them.
    bool saveSettings = true;
    // Export and copy; without them (the console twin) those commands do nothing.
    plat::Files* files = nullptr;
    ui::FileDialogs* fileDialogs = nullptr;
    plat::Clipboard* clipboard = nullptr;
};

class frmSearch : public ui::Form {
public:
    frmSearch(ui::Host& host, SearchServices services);
    ~frmSearch() override;

    ui::Label Label1;
    ui::ComboBox cboFind;
    ui::Button cmdFind;
    ui::Button cmdCancel;
    ui::Frame Frame2;
    ui::ComboBox cboRoot;
    ui::CheckBox ChKeys;
    ui::CheckBox ChValues;
    ui::CheckBox ChData;
    ui::Frame Frame1;
    ui::OptionButton Option1;
    ui::OptionButton Option2;
    ui::OptionButton Option3;
    ui::OptionButton Option4;
    ui::CheckBox ChCase;
    ui::Label Label2;
    ui::ListView LVfound;
    ui::ImageList ImageList1;
    ui::Label Label3;
    ui::TextBox txtFilter;
    ui::Button cmdCopy;
    ui::Button cmdCopyData;
    ui::Button cmdExport;
    ui::PictureBox PicStatus;

    // Every row of the last search, in list order, with its key path and value name kept
    // apart; the filter may hide some of them from LVfound.
    const std::vector<ResultRow>& results() const { return rows_; }
    // The rows LVfound shows now, in its order.
    std::vector<ResultRow> listedRows() const;
    const SavedSettings& savedSettings() const { return saved_; }
    bool searchRunning() const { return searchRunning_; }
    bool stopRequested() const { return stopRequested_; }
    // The search the controls ask for now: text, mode, case, targets and the roots of the area.
    SearchRequest requestFromControls() const;

    // The image of a row as the list shows it (0 none, 1 key ... 4 "Nothing to show").
    static int imageOfRow(const ui::ListView::Item& item) { return item.smallIcon + 1; }

private:
    class EngineHost;

    void Form_Load();
    void Form_Unload(bool& cancel);
    void cmdFind_Click();
    void cmdCancel_Click();
    void cboFind_Change();
    void cboFind_KeyPress(int& key);
    void cboFind_KeyUp(int key);
    void LVfound_MouseUp(int button, int x, int y);
    void LVfound_KeyDown(int key);
    void txtFilter_Change();
    void cmdCopy_Click();
    void cmdCopyData_Click();
    void cmdExport_Click();

    void addRow(const ResultRow& row);
    bool passesFilter(const ResultRow& row) const;
    void showRow(size_t index);
    void applyFilter();
    // The found rows (not "Nothing to show") that are selected in LVfound, in list order, as
    // positions in rows_.
    std::vector<size_t> selectedRows() const;
    void copyKeyPaths(bool sayWhenNothing);
    void updateResultCommands();
    void flushRows();
    void rememberSearchText();
    void copySavedSettings();
    void updateFindEnabled();
    // Copies the text, mode, case and targets the controls hold into *request.
    void copyOptionsInto(SearchRequest* request) const;
    bool writeSettings();

    SearchServices services_;
    SettingsStore store_;
    SavedSettings saved_;
    std::vector<ResultRow> rows_;
    std::vector<size_t> listed_;  // for each row of LVfound, its index in rows_
    std::string filterLower_;     // the filter text, lower-cased; empty shows every row
    int exportType_ = 0;          // the file type the user chose last (0 .reg, 1 .csv)
    bool searchRunning_ = false;
    bool stopRequested_ = false;
    bool closeAfterSearch_ = false;
    bool rowsBatched_ = false;  // LVfound holds rows not yet shown by the control
};

}  // namespace search
