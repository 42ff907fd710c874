#include "startup/frm_main.h"

#include <cstdlib>

#include "common/text/text.h"
#include "startup/frm_edit.h"
#include "startup/mdl_registry.h"

namespace startup {

std::string RootTag(plat::RegHandle root) { return std::to_string(static_cast<int32_t>(static_cast<uint32_t>(root))); }

plat::RegHandle RootFromTag(const std::string& tag) {
    long long n = std::strtoll(tag.c_str(), nullptr, 10);
    return static_cast<plat::RegHandle>(static_cast<uint32_t>(static_cast<int32_t>(n)));
}

FrmMain::FrmMain(ui::Host& host, StartupServices services)
    : ui::Form(host, "frmMain", kMainCaption),
      Option1{{*this, nullptr, "Option1", "All Users"}, {*this, nullptr, "Option1", "Current User"}},
      ListView(*this, nullptr, "ListView"),
      picTemp(*this, nullptr, "picTemp"),
      cmdCreate(*this, nullptr, "cmdCreate", "Create Key"),
      cmdModify(*this, nullptr, "cmdModify", "Modify Key"),
      cmdDelete(*this, nullptr, "cmdDelete", "Delete Key"),
      cmdClose(*this, nullptr, "cmdClose", "Close"),
      Label8(*this, nullptr, "Label8", "www.tolvane.example"),
      svc_(services),
      icons_(services.icons) {
    borderStyle = ui::BorderStyle::FixedSingle;
    maxButton = false;
    clientWidth = 7440;
    clientHeight = 5160;

    Option1[0].setIndex(0);
    Option1[1].setIndex(1);
    Option1[0].move(120, 120, 1560, 300);
    Option1[1].move(1800, 120, 1800, 300);
    Option1[1].setValue(true);
    ListView.move(120, 540, 7200, 3660);
    ListView.multiSelect = false;
    ListView.smallIcons = &ImageList;
    ListView.addColumn("Name", 1440);
    ListView.addColumn("Data", 5400);
    picTemp.setVisible(false);
    cmdCreate.move(120, 4320, 1335, 375);
    cmdModify.move(1575, 4320, 1335, 375);
    cmdDelete.move(3030, 4320, 1335, 375);
    cmdClose.move(5985, 4320, 1335, 375);
    cmdClose.isCancel = true;
    Label8.move(120, 4830, 3000, 255);
    Label8.setForeColor(0xFF0000);
    Label8.setHandCursor(true);

    onLoad = [this] { Form_Load(); };
    Option1[0].onClick = [this] { Option1_Click(0); };
    Option1[1].onClick = [this] { Option1_Click(1); };
    cmdCreate.onClick = [this] { cmdCreate_Click(); };
    cmdModify.onClick = [this] { cmdModify_Click(); };
    cmdDelete.onClick = [this] { cmdDelete_Click(); };
    cmdClose.onClick = [this] { cmdClose_Click(); };
    Label8.onClick = [this] { Label8_Click(); };
    ListView.onColumnClick = [this](int c) { ListView_ColumnClick(c); };
    ListView.onKeyDown = [this](int k) { ListView_KeyDown(k); };
    ListView.onItemClick = [this](int) { UpdateCommands(); };
    ListView.onClick = [this] { UpdateCommands(); };
}

FrmMain::~FrmMain() = default;

void FrmMain::Form_Load() {
    ListView.setColumnWidth(0, 1440);
    Option1_Click(1);
}

plat::RegHandle FrmMain::ChosenRoot() const {
    return Option1[1].value() ? plat::kHkeyCurrentUser : plat::kHkeyLocalMachine;
}

void FrmMain::ShowOpenError() { host().msgBox(kOpenErrorText, ui::mb::OkOnly, kMainCaption); }

void FrmMain::Option1_Click(int Index) {
    auto reg = std::make_unique<ClsRegistry>(svc_.registry);
    reg->hKey(Index == 1 ? plat::kHkeyCurrentUser : plat::kHkeyLocalMachine);
    reg->SubKey(kRunKeyPath);
    if (!reg->Reg_OpenKey()) {
        Entries.clear();
        EntriesEmpty = true;
        if (reg->lastError() == plat::kErrorFileNotFound) {
            // No Run key yet: nothing starts from it, and a create will make it.
            keyReadable_ = true;
            Display_Keys();
        } else {
            // The key exists but may not be read: show nothing of it and offer no edits.
            keyReadable_ = false;
            ListView.clear();
            UpdateCommands();
            ShowOpenError();
        }
        return;
    }
    keyReadable_ = true;
    std::vector<std::string> names, values;
    if (reg->GetAllValues(names, values)) {
        EntriesEmpty = false;
        Assign_Array(names, values);
    } else {
        EntriesEmpty = true;
        Entries.clear();
    }
    Display_Keys();
    reg->Reg_CloseKey();
}

void FrmMain::Assign_Array(const std::vector<std::string>& vKey, const std::vector<std::string>& vValue) {
    if (EntriesEmpty) return;
    Entries.resize(vKey.size());
    for (size_t i = 0; i < vKey.size(); ++i) Entries[i] = {vKey[i], i < vValue.size() ? vValue[i] : std::string()};
}

void FrmMain::Display_Keys() {
    ListView.beginUpdate();
    ListView.clear();
    if (EntriesEmpty) {
        ListView.addItem("");
    } else {
        int def = icons_.DefaultIcon(ImageList);
        for (const StartupEntry& e : Entries) {
            int row = ListView.addItem(e.Name, def);
            row = ListView.setSubItem(row, 1, e.Data);  // sorted by Data, the row moves to its place
            std::string file = ProgramFileOf(e.Data);
            if (FileExists(svc_.files, file)) {
                int icon = icons_.AddFileIcon(file, ImageList, 16);
                if (icon >= 0) ListView.setSmallIcon(row, icon);
            }
        }
    }
    if (ListView.count() > 0) ListView.setSelected(0, true);
    ListView.endUpdate();
    UpdateCommands();
}

bool FrmMain::RowSelected() const { return !EntriesEmpty && ListView.selectedIndex() >= 0; }

void FrmMain::UpdateCommands() {
    cmdCreate.setEnabled(keyReadable_);
    cmdModify.setEnabled(keyReadable_ && RowSelected());
    cmdDelete.setEnabled(keyReadable_ && RowSelected());
}

Lookup FrmMain::KeyExists(const std::string& strKey, const std::string& strLoc) {
    auto reg = std::make_unique<ClsRegistry>(svc_.registry);
    reg->hKey(strLoc == "HKEY_CURRENT_USER" ? plat::kHkeyCurrentUser : plat::kHkeyLocalMachine);
    reg->SubKey(kRunKeyPath);
    if (!reg->Reg_OpenKey()) {
        if (reg->lastError() == plat::kErrorFileNotFound) return Lookup::NotFound;
        ShowOpenError();
        return Lookup::Failed;
    }
    Lookup found = reg->FindValue(strKey);
    if (found == Lookup::Failed) ShowOpenError();
    return found;
}

void FrmMain::CKC() { Option1_Click(Option1[1].value() ? 1 : 0); }

void FrmMain::ReportFailure(const std::string& what, long code) {
    host().msgBox(what + " (error " + std::to_string(code) + ").", ui::mb::OkOnly | ui::mb::Critical, "Error");
}

void FrmMain::cmdCreate_Click() {
    if (!keyReadable_) return;
    FrmCreate dlg(host(), *this);
    dlg.txtData.tag = RootTag(ChosenRoot());
    ShowDialog(dlg);
}

void FrmMain::cmdModify_Click() {
    if (!keyReadable_ || !RowSelected()) return;
    int row = ListView.selectedIndex();
    FrmModify dlg(host(), *this);
    dlg.txtName.setText(ListView.text(row));
    dlg.txtName.tag = ListView.text(row);
    dlg.txtData.setText(ListView.subItem(row, 1));
    dlg.txtData.tag = RootTag(ChosenRoot());
    ShowDialog(dlg);
}

void FrmMain::ShowDialog(ui::Form& dlg) {
    // Centred over this window.
    dlg.load();
    dlg.move(left() + (width() - dlg.width()) / 2, top() + (height() - dlg.height()) / 2);
    dlg.showModal(this);
}

void FrmMain::cmdDelete_Click() {
    if (!keyReadable_ || !RowSelected()) return;
    std::string name = ListView.text(ListView.selectedIndex());
    plat::RegHandle root = ChosenRoot();
    if (host().msgBox(kDeleteQuestion, ui::mb::YesNo | ui::mb::Question, "Delete Key") != ui::mb::Yes) return;
    long rc = mdlRegistry::DeleteValue(svc_.registry, root, kRunKeyPath, name);
    if (rc != plat::kErrorSuccess) ReportFailure("The key could not be deleted", rc);
    CKC();
}

void FrmMain::cmdClose_Click() {
    unload();
    host().quit(0);
}

void FrmMain::Label8_Click() { GotoURL(kWebAddress); }

void FrmMain::GotoURL(const std::string& url) {
    svc_.shell.shellExecute(host().nativeHandle(*this), "open", url, "", "", plat::ShowState::Normal);
}

void FrmMain::ListView_ColumnClick(int column) {
    if (ListView.sorted() && ListView.sortKey() == column) {
        auto order = ListView.sortOrder() == ui::ListView::SortOrder::Ascending ? ui::ListView::SortOrder::Descending
                                                                                : ui::ListView::SortOrder::Ascending;
        ListView.setSorting(true, column, order);
    } else {
        ListView.setSorting(true, column, ui::ListView::SortOrder::Ascending);
    }
}

void FrmMain::ListView_KeyDown(int key) {
    if (key == ui::kKeyDelete && cmdDelete.enabled()) cmdDelete_Click();
}

}  // namespace startup
