// The startup manager's main window: the programs Windows starts at log-on for the current
// user or for all users (Run and RunOnce keys in both registry views, the Startup folders)
// with their icons, place and enabled state, and the commands to create, modify, delete,
// disable and enable them.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "common/ui/form.h"
#include "startup/startup_model.h"
#include "startup/startup_module.h"

namespace startup {

inline constexpr const char* kMainCaption = "Tolvane Startup Manager";
inline constexpr const char* kWebAddress = "http://www.tolvane.example/";
inline constexpr const char* kDeleteQuestion = "Are you sure you want to Delete the selected key ?";
inline constexpr const char* kEnabledText = "Enabled";
inline constexpr const char* kDisabledText = "Disabled";
inline constexpr const char* kOnceText = "Runs once";

// The dialogs carry the root as the decimal text of its handle read as a signed 32-bit number.
std::string RootTag(plat::RegHandle root);
plat::RegHandle RootFromTag(const std::string& tag);

class FrmMain : public ui::Form {
    StartupModel model_;  // first: Entries below refers into it

public:
    FrmMain(ui::Host& host, StartupServices services);
    ~FrmMain() override;

    ui::OptionButton Option1[2];  // 0 "All Users", 1 "Current User"
    ui::ImageList ImageList;
    ui::ListView ListView;
    ui::PictureBox picTemp;
    ui::Button cmdCreate;
    ui::Button cmdModify;
    ui::Button cmdDelete;
    ui::Button cmdDisable;
    ui::Button cmdEnable;
    ui::Button cmdClose;
    ui::Label Label8;

    const std::vector<StartupEntry>& Entries;  // the model's entries of the chosen root
    bool EntriesEmpty = true;

    void Option1_Click(int Index);
    // Re-reads the places of the chosen root.
    void CKC();

    plat::RegHandle ChosenRoot() const;
    // Whether the last reading could read the place (a missing key or folder can be read: it
    // holds nothing).
    bool PlaceReadable(PlaceId place) const { return model_.readable(place); }
    // The entry a row shows (rows carry their entry's index as key), nullptr for none.
    const StartupEntry* EntryOfRow(int row) const;
    // The row showing the entry of that place and exact name, -1 when none.
    int RowOf(PlaceId place, const std::string& name) const;
    const StartupEntry* SelectedEntry() const;
    // The full path of a Startup folder's file, "" when the folder is unknown.
    std::string FolderPathOf(PlaceId place);
    StartupServices& services() { return svc_; }
    StartupModel& model() { return model_; }

    // Shows a failed registry write or delete with its platform code.
    void ReportFailure(const std::string& what, long code);
    // Shows what a change has to tell, in order, then reads the places again when it changed
    // them. True when the change is complete.
    bool Show(const Outcome& outcome);

private:
    void Form_Load();
    void Display_Keys();
    void UpdateCommands();
    void ShowOpenError();
    void ShowDialog(ui::Form& dlg);
    void cmdCreate_Click();
    void cmdModify_Click();
    void cmdDelete_Click();
    void cmdDisable_Click();
    void cmdEnable_Click();
    void SetState(bool enabled);
    void cmdClose_Click();
    void Label8_Click();
    void GotoURL(const std::string& url);
    void ListView_ColumnClick(int column);
    void ListView_KeyDown(int key);
    bool RowSelected() const;

    StartupServices svc_;
    FileIconCache icons_;
};

}  // namespace startup
