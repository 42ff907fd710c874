// The uninstall manager: the programs the system records as installed for the whole machine
// (both registry views of a 64-bit system) and for the current user, the command that uninstalls the selected one, and
// the removal of an entry whose program is already gone.
//
// Each list item keeps its own root, subkey and view; an action touches that key only, and only after
// checking that its display name still is the one shown. The uninstall command is started with
// its program named explicitly (see uninstall_command.h), never through a shell.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "cleaner/ui/uninstall_command.h"
#include "common/platform/files.h"
#include "common/platform/registry.h"
#include "common/platform/shell.h"
#include "common/ui/form.h"

namespace cleaner {

extern const char* const kUninstallKey;  // below HKEY_LOCAL_MACHINE and HKEY_CURRENT_USER

struct UninstallEntry {
    std::string displayName;
    std::string subkey;                              // the entry's own key below kUninstallKey
    uint32_t view = 0;                               // plat::kKeyWow64_64Key or plat::kKeyWow64_32Key
    plat::RegHandle root = plat::kHkeyLocalMachine;  // the machine's list, or the current user's
};

class FrmUn : public ui::Form {
public:
    FrmUn(ui::Host& host, plat::Registry& reg, plat::Files& files, plat::Shell& shell, EnvLookup env);

    ui::ListBox lstPrograms{*this, nullptr, "lstPrograms", false, false};
    ui::TextBox txtUninstallString{*this, nullptr, "txtUninstallString"};
    ui::Button cmdRemove{*this, nullptr, "cmdRemove", "Remove"};
    ui::Button cmdUninstall{*this, nullptr, "cmdUninstall", "Uninstall"};
    ui::Button cmdRefresh{*this, nullptr, "cmdRefresh", "Refresh"};

    // The entry behind each list item, in list order.
    const std::vector<UninstallEntry>& Entries() const { return entries_; }

private:
    void Form_Load();
    void Form_Unload(bool& cancel);
    void cmdRefresh_Click();
    void lstPrograms_Click();
    void cmdUninstall_Click();
    void cmdRemove_Click();

    // The lists to read: the machine's 64-bit view, its 32-bit one where the system has it, and
    // the current user's (one key that both views share).
    std::vector<std::pair<plat::RegHandle, uint32_t>> sources();
    std::string readValue(const UninstallEntry& e, const std::string& valueName);
    // The entry's key still exists with the display name shown.
    bool stillMatches(const UninstallEntry& e);
    std::vector<int> selectedItems() const;
    void uninstall(const UninstallEntry& e);

    plat::Registry& reg_;
    plat::Files& files_;
    plat::Shell& shell_;
    EnvLookup env_;
    std::vector<UninstallEntry> entries_;
};

}  // namespace cleaner
