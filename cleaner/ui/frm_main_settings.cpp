// Settings below the current user: the scan areas (lvLocations) and the skip option.
#include "cleaner/engine/categories.h"
#include "cleaner/engine/settings.h"
#include "cleaner/ui/frm_main.h"
#include "common/registry/mdl_registry.h"
#include "common/text/text.h"

namespace cleaner {

void FrmMain::SetInitValues() {
    LoadLocations();
    // A value that is not a check state leaves the box as designed.
    const int skip = engine::SavedSkipCdLan(svc_.registry);
    if (skip >= 0 && skip != chkSkipCDLan.value()) {
        chkSkipCDLan.setValue(skip);
        chkSkipCDLan_Click();  // a change of state is written at once
    }
    // Off unless the user ticked it; nothing is written until then.
    chkKeepUndo.setValue(engine::SavedKeepUndo(svc_.registry) ? 1 : 0);
    LoadExclude();
}

void FrmMain::LoadLocations() {
    const engine::Texts& texts =
        engine::TextsFor(SpanishMode() ? engine::Language::Spanish : engine::Language::English);
    std::vector<std::string> codes = text::split(engine::CategoryCodesText(), ";");
    std::vector<std::string> names = text::split(engine::CategoryNamesText(texts), ";");
    std::vector<std::string> descs = text::split(engine::CategoryDescriptionsText(texts), ";");
    const std::vector<bool> ticks = engine::SavedAreaTicks(svc_.registry);

    // Filling the list raises no tick event, so nothing is written here.
    lvLocations.beginUpdate();
    lvLocations.clear();
    for (size_t i = 0; i < names.size(); ++i) {
        int row = lvLocations.addItem(names[i]);
        lvLocations.setKey(row, i < codes.size() ? codes[i] : std::string());
        lvLocations.setChecked(row, i < ticks.size() && ticks[i]);
        lvLocations.setSubItem(row, 1, i < descs.size() ? descs[i] : std::string());
    }
    lvLocations.endUpdate();
    locationsLoaded_ = true;
}

void FrmMain::SaveFileTypes() {
    // Only a list that LoadLocations filled is written: a start that ended early (a second
    // instance) must not replace the user's areas with an empty list.
    if (!locationsLoaded_) return;
    std::string names, descs, states;
    for (int i = 0; i < lvLocations.count(); ++i) {
        names += lvLocations.text(i) + ";";
        descs += lvLocations.subItem(i, 1) + ";";
        states += std::string(lvLocations.checked(i) ? "1" : "0") + ";";
    }
    auto finish = [](std::string s) {
        s = text::trim(s);
        if (!s.empty()) s.pop_back();
        return s;
    };
    mdlreg::WriteStringValue(svc_.registry, plat::kHkeyCurrentUser, kSettingsKey, "Locations", finish(names));
    mdlreg::WriteStringValue(svc_.registry, plat::kHkeyCurrentUser, kSettingsKey, "LocDesc", finish(descs));
    mdlreg::WriteStringValue(svc_.registry, plat::kHkeyCurrentUser, kSettingsKey, "LocState", finish(states));
}

void FrmMain::chkSkipCDLan_Click() { engine::SaveCheckState(svc_.registry, "chkSkipCDLan", chkSkipCDLan.value() == 1); }

void FrmMain::chkKeepUndo_Click() { engine::SaveCheckState(svc_.registry, "chkKeepUndo", chkKeepUndo.value() == 1); }

void FrmMain::lvLocations_ItemCheck(int) { SaveFileTypes(); }

}  // namespace cleaner
