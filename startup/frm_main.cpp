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

}  // namespace

FrmMain::FrmMain(ui::Host& host, StartupServices services)
    : ui::Form(host, "frmMain", kMainCaption),
      model_(services),
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
      Entries(model_.entries()),
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
    const bool readAll = model_.Read(Index == 1 ? plat::kHkeyCurrentUser : plat::kHkeyLocalMachine);
    EntriesEmpty = Entries.empty();
    Display_Keys();
    // A key that exists but may not be read: its entries are not shown and it takes no
    // edits; the places that could be read are listed.
    if (!readAll) ShowOpenError();
}

std::string FrmMain::FolderPathOf(PlaceId id) { return model_.FolderPathOf(id); }

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
    const int index = model_.IndexOf(place, name);
    for (int row = 0; row < ListView.count() && index >= 0; ++row) {
        if (EntryOfRow(row) == &Entries[index]) return row;
    }
    return -1;
}

const StartupEntry* FrmMain::SelectedEntry() const { return EntryOfRow(ListView.selectedIndex()); }

bool FrmMain::RowSelected() const { return SelectedEntry() != nullptr; }

void FrmMain::UpdateCommands() {
    const StartupEntry* e = SelectedEntry();
    cmdCreate.setEnabled(!model_.CreatablePlaces().empty());
    // A file of a Startup folder is changed in the folder itself; it can be deleted, disabled
    // and enabled here.
    cmdModify.setEnabled(e && IsRegistryPlace(PlaceOf(e->place)));
    cmdDelete.setEnabled(e != nullptr);
    // Disable stays pressable for a RunOnce entry, to say why it cannot be disabled.
    cmdDisable.setEnabled(e && e->state != EntryState::Disabled);
    cmdEnable.setEnabled(e && e->state == EntryState::Disabled);
}

void FrmMain::CKC() { Option1_Click(Option1[1].value() ? 1 : 0); }

void FrmMain::ReportFailure(const std::string& what, long code) {
    host().msgBox(what + " (error " + std::to_string(code) + ").", ui::mb::OkOnly | ui::mb::Critical, "Error");
}

bool FrmMain::Show(const Outcome& outcome) {
    for (const Notice& n : outcome.notices) {
        switch (n.kind) {
            case Notice::Kind::Refused:
                if (n.text == kRunOnceDisableText)
                    host().msgBox(n.text, ui::mb::OkOnly | ui::mb::Exclamation, "Disable");
                else
                    host().msgBox(n.text, ui::mb::OkOnly | ui::mb::Critical, "Error");
                break;
            case Notice::Kind::OpenError: ShowOpenError(); break;
            case Notice::Kind::Failed: ReportFailure(n.text, n.code); break;
        }
    }
    if (outcome.reread) CKC();
    return outcome.done;
}

void FrmMain::cmdCreate_Click() {
    if (!cmdCreate.enabled()) return;
    FrmCreate dlg(host(), *this);
    dlg.txtData.tag = RootTag(ChosenRoot());
    for (PlaceId id : model_.CreatablePlaces()) dlg.AddPlace(id);
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
    if (host().msgBox(kDeleteQuestion, ui::mb::YesNo | ui::mb::Question, "Delete Key") != ui::mb::Yes) return;
    Show(model_.Delete(e));
}

void FrmMain::cmdDisable_Click() {
    const StartupEntry* e = SelectedEntry();
    if (!e || e->state == EntryState::Disabled) return;
    SetState(false);
}

void FrmMain::cmdEnable_Click() {
    const StartupEntry* e = SelectedEntry();
    if (!e || e->state != EntryState::Disabled) return;
    SetState(true);
}

void FrmMain::SetState(bool enabled) {
    const StartupEntry e = *SelectedEntry();
    if (!Show(model_.SetState(e, enabled))) return;
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
