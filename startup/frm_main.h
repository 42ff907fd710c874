// The startup manager's main window: the programs of the current user's or the local
// machine's Run key with their icons, and the commands to create, modify and delete them.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "common/platform/files.h"
#include "common/platform/icons.h"
#include "common/platform/registry.h"
#include "common/platform/shell.h"
#include "common/ui/form.h"
#include "startup/cls_registry.h"
#include "startup/startup_module.h"

namespace startup {

struct StartupEntry {
    std::string Name;
    std::string Data;
};

struct StartupServices {
    plat::Registry& registry;
    plat::Files& files;
    plat::Shell& shell;
    plat::Icons& icons;
};

inline constexpr const char* kMainCaption = "Tolvane Startup Manager";
inline constexpr const char* kWebAddress = "http://www.tolvane.example/";
inline constexpr const char* kOpenErrorText = "-2147221504 - Error working/opening registry key\r\n\r\nEnding program.";
inline constexpr const char* kEmptyText = "Please enter a Name and Data for the key.";
inline constexpr const char* kDuplicateText = "There is already a key with the Name you specified.";
inline constexpr const char* kDeleteQuestion = "Are you sure you want to Delete the selected key ?";

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
    ui::Button cmdClose;
    ui::Label Label8;

    std::vector<StartupEntry> Entries;
    bool EntriesEmpty = true;

    void Option1_Click(int Index);
    // Re-reads the Run key of the chosen root.
    void CKC();
    // Asks the Run key of "HKEY_CURRENT_USER" or the local machine for this exact name. When the
    // key cannot be read the open error is shown and Failed returned.
    Lookup KeyExists(const std::string& strKey, const std::string& strLoc);

    plat::RegHandle ChosenRoot() const;
    bool KeyReadable() const { return keyReadable_; }
    StartupServices& services() { return svc_; }

    // Shows a failed registry write or delete with its platform code.
    void ReportFailure(const std::string& what, long code);

private:
    void Form_Load();
    void Assign_Array(const std::vector<std::string>& vKey, const std::vector<std::string>& vValue);
    void Display_Keys();
    void UpdateCommands();
    void ShowOpenError();
    void ShowDialog(ui::Form& dlg);
    void cmdCreate_Click();
    void cmdModify_Click();
    void cmdDelete_Click();
    void cmdClose_Click();
    void Label8_Click();
    void GotoURL(const std::string& url);
    void ListView_ColumnClick(int column);
    void ListView_KeyDown(int key);
    bool RowSelected() const;

    StartupServices svc_;
    FileIconCache icons_;
    bool keyReadable_ = true;
};

}  // namespace startup
