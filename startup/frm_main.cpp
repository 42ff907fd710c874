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

namespace {

const char* StateText(EntryState s) {
    switch (s) {
        case EntryState::Disabled: return kDisabledText;
        case EntryState::Once: return kOnceText;
        case EntryState::Enabled: break;
    }
    return kEnabledText;
}

// A shortcut's command line as the Data column shows it: the target (quoted when it holds a
// blank, as a command line would need it) and its arguments.
std::string LinkCommandLine(const plat::ShellLinkInfo& link) {
    std::string line = link.target.find(' ') != std::string::npos ? "\"" + link.target + "\"" : link.target;
    if (!link.arguments.empty()) line += " " + link.arguments;
    return line;
}

}  // namespace

FrmMain::FrmMain(ui::Host& host, StartupServices services)
    : ui::Form(host, "frmMain", kMainCaption),
      Option1{{*this, nullptr, "Option1", "All Users"}, {*this, nullptr, "Option1", "Current User"}},
      ListView(*this, nullptr, "ListView"),
      picTemp(*this, nullptr, "picTemp"),
      cmdCreate(*this, nullptr, "cmdCreate", "Create Key"),
      cmdModify(*this, nullptr, "cmdModify", "Modify Key"),
      cmdDelete(*this, nullptr, "cmdDelete", "Delete Key"),
      cmdDisable(*this, nullptr, "cmdDisable", "Disable"),
      cmdEnable(*this, nullptr, "cmdEnable", "Enable"),
      cmdClose(*this, nullptr, "cmdClose", "Close"),
      Label8(*this, nullptr, "Label8", "www.tolvane.example"),
      svc_(services),
      icons_(services.icons) {
    borderStyle = ui::BorderStyle::FixedSingle;
    maxButton = false;
    clientWidth = 9840;
    clientHeight = 5160;

    Option1[0].setIndex(0);
    Option1[1].setIndex(1);
    Option1[0].move(120, 120, 1560, 300);
    Option1[1].move(1800, 120, 1800, 300);
    Option1[1].setValue(true);
    ListView.move(120, 540, 9600, 3660);
    ListView.multiSelect = false;
    ListView.smallIcons = &ImageList;
    ListView.addColumn("Name", 1440);
    ListView.addColumn("Data", 5040);
    ListView.addColumn("Place", 1680);
    ListView.addColumn("State", 1080);
    picTemp.setVisible(false);
    cmdCreate.move(120, 4320, 1335, 375);
    cmdModify.move(1575, 4320, 1335, 375);
    cmdDelete.move(3030, 4320, 1335, 375);
    cmdDisable.move(4485, 4320, 1335, 375);
    cmdEnable.move(5940, 4320, 1335, 375);
    cmdClose.move(8385, 4320, 1335, 375);
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
    cmdDisable.onClick = [this] { cmdDisable_Click(); };
    cmdEnable.onClick = [this] { cmdEnable_Click(); };
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
    Entries.clear();
    for (bool& r : readable_) r = false;
    bool openFailed = false;
    for (PlaceId id : PlacesOfRoot(Index == 1 ? plat::kHkeyCurrentUser : plat::kHkeyLocalMachine)) {
        const Place& place = PlaceOf(id);
        if (IsRegistryPlace(place))
            ReadRegistryPlace(place, &openFailed);
        else
            ReadFolderPlace(place);
    }
    EntriesEmpty = Entries.empty();
    Display_Keys();
    // A key that exists but may not be read: its entries are not shown and it takes no
    // edits; the places that could be read are listed.
    if (openFailed) ShowOpenError();
}

void FrmMain::ReadRegistryPlace(const Place& place, bool* openFailed) {
    auto reg = std::make_unique<ClsRegistry>(svc_.registry);
    reg->hKey(place.root);
    reg->SubKey(place.keyPath);
    if (!reg->Reg_OpenKey()) {
        // No key yet: nothing starts from it, and a create will make it.
        readable_[place.id] = reg->lastError() == plat::kErrorFileNotFound;
        if (!readable_[place.id]) *openFailed = true;
        return;
    }
    readable_[place.id] = true;
    std::vector<std::string> names, values;
    std::vector<uint32_t> types;
    if (reg->GetAllValues(names, values, &types)) Assign_Array(names, values, types, place);
    reg->Reg_CloseKey();
}

void FrmMain::Assign_Array(const std::vector<std::string>& vKey, const std::vector<std::string>& vValue,
                           const std::vector<uint32_t>& types, const Place& place) {
    StateReader states(svc_.registry, place);
    for (size_t i = 0; i < vKey.size(); ++i) {
        StartupEntry e;
        e.Name = vKey[i];
        e.Data = i < vValue.size() ? vValue[i] : std::string();
        e.place = place.id;
        e.type = i < types.size() ? types[i] : plat::kRegSz;
        // Windows expands an expandable command line before it starts it; so does the file test.
        e.program = ProgramFileOf(e.type == plat::kRegExpandSz ? svc_.environment.expand(e.Data) : e.Data);
        e.state = states.stateOf(e.Name);
        Entries.push_back(std::move(e));
    }
}

std::string FrmMain::FolderPathOf(PlaceId id) {
    std::string folder;
    if (svc_.files.specialFolder(PlaceOf(id).csidl, &folder) != 0) return "";
    return folder;
}

void FrmMain::ReadFolderPlace(const Place& place) {
    const std::string folder = FolderPathOf(place.id);
    if (folder.empty()) return;  // no such folder for this user: nothing starts from it
    readable_[place.id] = true;
    StateReader states(svc_.registry, place);
    for (const plat::FileEntry& f : svc_.files.listFiles(folder, "*")) {
        // The folder's own settings file is hidden and never started.
        if (text::equalNoCase(f.name, "desktop.ini")) continue;
        StartupEntry e;
        e.Name = f.name;
        e.place = place.id;
        e.type = 0;
        const std::string path = folder + (folder.back() == '\\' ? "" : "\\") + f.name;
        plat::ShellLinkInfo link;
        const bool isLink = f.name.size() > 4 && text::equalNoCase(f.name.substr(f.name.size() - 4), ".lnk");
        if (isLink && svc_.links.readLink(path, &link) == 0) {
            e.Data = LinkCommandLine(link);
            e.program = link.target;
        } else {
            // Any other file is opened as it is, as is a shortcut the shell cannot read.
            e.Data = path;
            e.program = path;
        }
        e.state = states.stateOf(e.Name);
        Entries.push_back(std::move(e));
    }
}

void FrmMain::Display_Keys() {
    ListView.beginUpdate();
    ListView.clear();
    if (EntriesEmpty) {
        ListView.addItem("");
    } else {
        int def = icons_.DefaultIcon(ImageList);
        for (size_t i = 0; i < Entries.size(); ++i) {
            const StartupEntry& e = Entries[i];
            int row = ListView.addItem(e.Name, def);
            ListView.setKey(row, std::to_string(i));
            row = ListView.setSubItem(row, 1, e.Data);  // sorted by a column, the row moves to its place
            row = ListView.setSubItem(row, 2, PlaceOf(e.place).label);
            row = ListView.setSubItem(row, 3, StateText(e.state));
            if (FileExists(svc_.files, e.program)) {
                int icon = icons_.AddFileIcon(e.program, ImageList, 16);
                if (icon >= 0) ListView.setSmallIcon(row, icon);
            }
        }
    }
    if (ListView.count() > 0) ListView.setSelected(0, true);
    ListView.endUpdate();
    UpdateCommands();
}

const StartupEntry* FrmMain::EntryOfRow(int row) const {
    if (EntriesEmpty || row < 0 || row >= ListView.count()) return nullptr;
    const std::string& key = ListView.item(row).key;
    if (key.empty()) return nullptr;
    size_t i = std::strtoul(key.c_str(), nullptr, 10);
    return i < Entries.size() ? &Entries[i] : nullptr;
}

int FrmMain::RowOf(PlaceId place, const std::string& name) const {
    for (int row = 0; row < ListView.count(); ++row) {
        const StartupEntry* e = EntryOfRow(row);
        if (e && e->place == place && e->Name == name) return row;
    }
    return -1;
}

const StartupEntry* FrmMain::SelectedEntry() const { return EntryOfRow(ListView.selectedIndex()); }

bool FrmMain::RowSelected() const { return SelectedEntry() != nullptr; }

void FrmMain::UpdateCommands() {
    bool canCreate = false;
    for (PlaceId id : PlacesOfRoot(ChosenRoot()))
        if (IsRegistryPlace(PlaceOf(id)) && readable_[id]) canCreate = true;
    const StartupEntry* e = SelectedEntry();
    cmdCreate.setEnabled(canCreate);
    // A file of a Startup folder is changed in the folder itself; it can be deleted, disabled
    // and enabled here.
    cmdModify.setEnabled(e && IsRegistryPlace(PlaceOf(e->place)));
    cmdDelete.setEnabled(e != nullptr);
    // Disable stays pressable for a RunOnce entry, to say why it cannot be disabled.
    cmdDisable.setEnabled(e && e->state != EntryState::Disabled);
    cmdEnable.setEnabled(e && e->state == EntryState::Disabled);
}

Lookup FrmMain::KeyExists(const std::string& strKey, PlaceId id) {
    const Place& place = PlaceOf(id);
    auto reg = std::make_unique<ClsRegistry>(svc_.registry);
    reg->hKey(place.root);
    reg->SubKey(place.keyPath);
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
    if (!cmdCreate.enabled()) return;
    FrmCreate dlg(host(), *this);
    dlg.txtData.tag = RootTag(ChosenRoot());
    for (PlaceId id : PlacesOfRoot(ChosenRoot()))
        if (IsRegistryPlace(PlaceOf(id)) && readable_[id]) dlg.AddPlace(id);
    dlg.cboPlace.setListIndex(0);
    ShowDialog(dlg);
}

void FrmMain::cmdModify_Click() {
    const StartupEntry* e = SelectedEntry();
    if (!e || !IsRegistryPlace(PlaceOf(e->place))) return;
    FrmModify dlg(host(), *this);
    dlg.txtName.setText(e->Name);
    dlg.txtName.tag = e->Name;
    dlg.txtData.setText(e->Data);
    dlg.txtData.tag = RootTag(PlaceOf(e->place).root);
    dlg.AddPlace(e->place);
    dlg.cboPlace.setListIndex(0);
    dlg.cboPlace.setEnabled(false);  // an entry is changed where it is
    dlg.valueType = e->type;
    dlg.oldData = e->Data;
    ShowDialog(dlg);
}

void FrmMain::ShowDialog(ui::Form& dlg) {
    // Centred over this window.
    dlg.load();
    dlg.move(left() + (width() - dlg.width()) / 2, top() + (height() - dlg.height()) / 2);
    dlg.showModal(this);
}

void FrmMain::cmdDelete_Click() {
    const StartupEntry* sel = SelectedEntry();
    if (!sel) return;
    const StartupEntry e = *sel;
    const Place& place = PlaceOf(e.place);
    if (host().msgBox(kDeleteQuestion, ui::mb::YesNo | ui::mb::Question, "Delete Key") != ui::mb::Yes) return;
    long rc = plat::kErrorSuccess;
    if (IsRegistryPlace(place)) {
        rc = mdlRegistry::DeleteValue(svc_.registry, place.root, place.keyPath, e.Name);
        if (rc != plat::kErrorSuccess) ReportFailure("The key could not be deleted", rc);
    } else {
        // A file goes to the Recycle Bin, from where the user can put it back.
        const std::string folder = FolderPathOf(e.place);
        rc = folder.empty() ? plat::kErrorFileNotFound : svc_.recycleBin.recycle(folder + "\\" + e.Name);
        if (rc != plat::kErrorSuccess) ReportFailure("The file could not be moved to the Recycle Bin", rc);
    }
    if (rc == plat::kErrorSuccess) {
        // Its state goes with it, so a new entry of that name starts out enabled.
        long src = DeleteState(svc_.registry, place, e.Name);
        if (src != plat::kErrorSuccess)
            ReportFailure("The entry was deleted, but its enabled state was left behind", src);
    }
    CKC();
}

void FrmMain::cmdDisable_Click() {
    const StartupEntry* e = SelectedEntry();
    if (!e || e->state == EntryState::Disabled) return;
    if (PlaceOf(e->place).kind == PlaceKind::RunOnce) {
        host().msgBox(kRunOnceDisableText, ui::mb::OkOnly | ui::mb::Exclamation, "Disable");
        return;
    }
    SetState(false);
}

void FrmMain::cmdEnable_Click() {
    const StartupEntry* e = SelectedEntry();
    if (!e || e->state != EntryState::Disabled) return;
    SetState(true);
}

void FrmMain::SetState(bool enabled) {
    const StartupEntry e = *SelectedEntry();
    long rc = WriteState(svc_.registry, PlaceOf(e.place), e.Name, enabled, svc_.clock.fileTimeNow());
    if (rc != plat::kErrorSuccess)
        ReportFailure(enabled ? "The entry could not be enabled" : "The entry could not be disabled", rc);
    CKC();
    // The buttons keep following the entry just changed.
    int row = RowOf(e.place, e.Name);
    if (row >= 0) {
        for (int i = 0; i < ListView.count(); ++i) ListView.setSelected(i, i == row);
        ListView.ensureVisible(row);
        UpdateCommands();
    }
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
