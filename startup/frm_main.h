// The startup manager's main window: the programs Windows starts at log-on for the current
// user or for all users (Run and RunOnce keys in both registry views, the Startup folders)
// with their icons, place and enabled state, and the commands to create, modify, delete,
// disable and enable them.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "common/platform/files.h"
#include "common/platform/icons.h"
#include "common/platform/registry.h"
#include "common/platform/shell.h"
#include "common/platform/clock.h"
#include "common/platform/startup_shell.h"
#include "common/ui/form.h"
#include "startup/cls_registry.h"
#include "startup/startup_module.h"

namespace startup {

struct StartupEntry {
    std::string Name;  // value name, or file name in a Startup folder
    std::string Data;  // string data as stored; a shortcut's target and arguments
    PlaceId place = kUserRun;
    uint32_t type = plat::kRegSz;  // value type (0 for a file)
    std::string program;           // the program file, variables expanded
    EntryState state = EntryState::Enabled;
};

struct StartupServices {
    plat::Registry& registry;
    plat::Files& files;
    plat::Shell& shell;
    plat::Icons& icons;
    plat::Clock& clock;
    plat::ShellLinks& links;
    plat::RecycleBin& recycleBin;
    plat::Environment& environment;
};

inline constexpr const char* kMainCaption = "Tolvane Startup Manager";
inline constexpr const char* kWebAddress = "http://www.tolvane.example/";
inline constexpr const char* kOpenErrorText = "-2147221504 - Error working/opening registry key\r\n\r\nEnding program.";
inline constexpr const char* kEmptyText = "Please enter a Name and Data for the key.";
inline constexpr const char* kDuplicateText = "There is already a key with the Name you specified.";
inline constexpr const char* kDeleteQuestion = "Are you sure you want to Delete the selected key ?";
inline constexpr const char* kRunOnceDisableText =
    "A RunOnce entry runs only once, at the next log-on, and cannot be disabled. Delete it to keep it from running.";
inline constexpr const char* kEnabledText = "Enabled";
inline constexpr const char* kDisabledText = "Disabled";
inline constexpr const char* kOnceText = "Runs once";

// The dialogs carry the root as the decimal text of its handle read as a signed 32-bit number.
std::string RootTag(plat::RegHandle root);
plat::RegHandle RootFromTag(const std::string& tag);

class FrmMain : public ui::Form {
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

    std::vector<StartupEntry> Entries;
    bool EntriesEmpty = true;

    void Option1_Click(int Index);
    // Re-reads the places of the chosen root.
    void CKC();
    // Asks the key of a registry place for this exact name. When the key cannot be read the
    // open error is shown and Failed returned.
    Lookup KeyExists(const std::string& strKey, PlaceId place);

    plat::RegHandle ChosenRoot() const;
    // Whether the last reading could read the place (a missing key or folder can be read: it
    // holds nothing).
    bool PlaceReadable(PlaceId place) const { return readable_[place]; }
    // The entry a row shows (rows carry their entry's index as key), nullptr for none.
    const StartupEntry* EntryOfRow(int row) const;
    // The row showing the entry of that place and exact name, -1 when none.
    int RowOf(PlaceId place, const std::string& name) const;
    const StartupEntry* SelectedEntry() const;
    // The full path of a Startup folder's file, "" when the folder is unknown.
    std::string FolderPathOf(PlaceId place);
    StartupServices& services() { return svc_; }

    // Shows a failed registry write or delete with its platform code.
    void ReportFailure(const std::string& what, long code);

private:
    void Form_Load();
    // Appends the values read from one registry place to the entries.
    void Assign_Array(const std::vector<std::string>& vKey, const std::vector<std::string>& vValue,
                      const std::vector<uint32_t>& types, const Place& place);
    void ReadRegistryPlace(const Place& place, bool* openFailed);
    void ReadFolderPlace(const Place& place);
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
    bool readable_[kPlaceCount] = {};
};

}  // namespace startup
