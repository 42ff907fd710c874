#include "cleaner/ui/frm_un.h"

#include <algorithm>

#include "cleaner/ui/app_state.h"
#include "common/registry/mdl_registry.h"
#include "common/registry/reg_key.h"
#include "common/text/text.h"

namespace cleaner {

const char* const kUninstallKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

namespace {
constexpr const char* kTitle = "Uninstall Manager";
}  // namespace

FrmUn::FrmUn(ui::Host& host, plat::Registry& reg, plat::Files& files, plat::Shell& shell, EnvLookup env)
    : Form(host, "FrmUn", kTitle), reg_(reg), files_(files), shell_(shell), env_(std::move(env)) {
    clientWidth = 6720;
    clientHeight = 5040;
    borderStyle = ui::BorderStyle::FixedSingle;
    maxButton = false;
    lstPrograms.move(120, 120, 6480, 3780);
    txtUninstallString.move(120, 4020, 6480, 315);
    txtUninstallString.readOnly = true;
    cmdRemove.move(2580, 4500, 1215, 375);
    cmdUninstall.move(3960, 4500, 1215, 375);
    cmdRefresh.move(5385, 4500, 1215, 375);

    onLoad = [this] { Form_Load(); };
    onUnload = [this](bool& cancel) { Form_Unload(cancel); };
    cmdRefresh.onClick = [this] { cmdRefresh_Click(); };
    lstPrograms.onClick = [this] { lstPrograms_Click(); };
    lstPrograms.onDblClick = [this] { cmdUninstall_Click(); };
    cmdUninstall.onClick = [this] { cmdUninstall_Click(); };
    cmdRemove.onClick = [this] { cmdRemove_Click(); };
}

void FrmUn::Form_Load() {
    centre();
    cmdRefresh_Click();
}

void FrmUn::Form_Unload(bool&) { ScanOnActivate = false; }

std::vector<std::pair<plat::RegHandle, uint32_t>> FrmUn::sources() {
    std::vector<std::pair<plat::RegHandle, uint32_t>> v{{plat::kHkeyLocalMachine, plat::kKeyWow64_64Key}};
    // A system without the 32-bit node has one view only; listing it twice would show every
    // program twice.
    if (mdlreg::KeyExists(reg_, plat::kHkeyLocalMachine, "SOFTWARE\\Wow6432Node"))
        v.push_back({plat::kHkeyLocalMachine, plat::kKeyWow64_32Key});
    v.push_back({plat::kHkeyCurrentUser, plat::kKeyWow64_64Key});
    return v;
}

std::string FrmUn::readValue(const UninstallEntry& e, const std::string& valueName) {
    return mdlreg::ReadValueOrDefault(reg_, e.root, kUninstallKey, "", e.subkey, valueName, "", false, e.view);
}

bool FrmUn::stillMatches(const UninstallEntry& e) {
    // An empty key name would address the Uninstall key itself.
    if (text::trim(e.subkey).empty()) return false;
    return readValue(e, "DisplayName") == e.displayName;
}

std::vector<int> FrmUn::selectedItems() const {
    std::vector<int> out;
    for (int i = 0; i < lstPrograms.count(); ++i)
        if (lstPrograms.selected(i) && i < static_cast<int>(entries_.size())) out.push_back(i);
    return out;
}

void FrmUn::cmdRefresh_Click() {
    cmdUninstall.setEnabled(false);
    cmdRemove.setEnabled(false);
    txtUninstallString.setText("");
    lstPrograms.clear();
    entries_.clear();

    std::vector<UninstallEntry> found;
    for (const auto& [root, view] : sources()) {
        const mdlreg::SubkeyList keys =
            mdlreg::CollectSubkeys(reg_, mdlreg::RootNameOf(root), kUninstallKey, false, view);
        for (const std::string& name : keys.names) {
            UninstallEntry e{"", name, view, root};
            if (text::trim(name).empty()) continue;
            e.displayName = readValue(e, "DisplayName");
            if (e.displayName.empty() || readValue(e, "UninstallString").empty()) continue;
            found.push_back(e);
        }
    }
    std::stable_sort(found.begin(), found.end(), [](const UninstallEntry& a, const UninstallEntry& b) {
        return text::compareNoCase(a.displayName, b.displayName) < 0;
    });
    for (const UninstallEntry& e : found) lstPrograms.addItem(e.displayName);
    entries_ = std::move(found);
}

void FrmUn::lstPrograms_Click() {
    const std::vector<int> sel = selectedItems();
    cmdRemove.setEnabled(!sel.empty());
    cmdUninstall.setEnabled(!sel.empty());
    if (sel.empty()) return;
    for (int i : sel) {
        const UninstallEntry& e = entries_[i];
        txtUninstallString.setText(stillMatches(e) ? readValue(e, "UninstallString") : "");
    }
}

void FrmUn::cmdUninstall_Click() {
    for (int i : selectedItems()) uninstall(entries_[i]);
}

void FrmUn::uninstall(const UninstallEntry& e) {
    if (!stillMatches(e)) {
        host().msgBox("The entry of \"" + e.displayName +
                          "\" has changed since the list was read, so nothing was started.\r\n"
                          "Press Refresh to read the list again.",
                      ui::mb::OkOnly | ui::mb::Exclamation, kTitle);
        return;
    }
    // The stored text and its type (an expandable string is expanded before the program is found).
    std::string stored;
    bool expandable = false;
    if (const reg::Key key =
            reg::Key::open(reg_, e.root, mdlreg::JoinKeyPath(kUninstallKey, e.subkey, ""), plat::kKeyRead | e.view)) {
        const mdlreg::Variant v = mdlreg::QueryValueVariant(reg_, key.get(), "UninstallString");
        if (v.result == 0 && (v.type == plat::kRegSz || v.type == plat::kRegExpandSz)) {
            stored = v.value;
            expandable = v.type == plat::kRegExpandSz;
        }
    }
    if (text::trim(stored).empty()) return;

    // An entry of the 32-bit view was written by a 32-bit program, and its command names files
    // as such a program sees them.
    const UninstallCommand cmd =
        ResolveUninstallCommand(stored, expandable, files_, env_, e.view == plat::kKeyWow64_32Key);
    if (!cmd.found) {
        host().msgBox("The uninstall program of \"" + e.displayName + "\" could not be found, so nothing was started." +
                          "\r\n\r\nCommand: " + cmd.commandLine,
                      ui::mb::OkOnly | ui::mb::Exclamation, kTitle);
        return;
    }
    if (!shell_.startProcess(cmd.program, cmd.commandLine, plat::ShowState::Normal, nullptr)) {
        host().msgBox("The uninstall program of \"" + e.displayName + "\" could not be started." +
                          "\r\n\r\nProgram: " + cmd.program,
                      ui::mb::OkOnly | ui::mb::Exclamation, kTitle);
    }
}

void FrmUn::cmdRemove_Click() {
    const std::vector<int> sel = selectedItems();
    if (sel.empty()) return;
    if (host().msgBox("Are you sure you want to delete this entry from the registry?", ui::mb::YesNo | ui::mb::Question,
                      "Warning...") != ui::mb::Yes)
        return;
    for (int i : sel) {
        const UninstallEntry& e = entries_[i];
        // Only the key this item came from, and only while it still is the program shown.
        if (!stillMatches(e)) continue;
        mdlreg::DeleteKeyOrValue(reg_, e.root, kUninstallKey, "", e.subkey, "", e.view);
    }
    cmdRefresh_Click();
}

}  // namespace cleaner
