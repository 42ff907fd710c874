// Settings below the current user: the scan areas (lvLocations) and the skip option.
#include <cstdlib>
#include <optional>

#include "cleaner/engine/categories.h"
#include "cleaner/ui/frm_main.h"
#include "common/registry/mdl_registry.h"
#include "common/text/text.h"

namespace cleaner {

namespace {

// The leading number of a text as the platform's Val reads it ("1", " 1", "1.0", "01x");
// nullopt when the text does not begin with one.
std::optional<double> leadingNumber(const std::string& s) {
    std::string t = text::trim(s);
    if (t.empty()) return std::nullopt;
    char* end = nullptr;
    double d = std::strtod(t.c_str(), &end);
    if (end == t.c_str()) return std::nullopt;
    return d;
}

}  // namespace

void FrmMain::SetInitValues() {
    LoadLocations();
    std::optional<double> skip = leadingNumber(
        mdlreg::ReadStringSetting(svc_.registry, plat::kHkeyCurrentUser, kSettingsKey, "chkSkipCDLan", "0"));
    // A value that is not a check state leaves the box as designed.
    if (skip && (*skip == 0 || *skip == 1 || *skip == 2)) {
        int value = static_cast<int>(*skip);
        if (value != chkSkipCDLan.value()) {
            chkSkipCDLan.setValue(value);
            chkSkipCDLan_Click();  // a change of state is written at once
        }
    }
    // Off unless the user ticked it; nothing is written until then.
    std::optional<double> keepUndo = leadingNumber(
        mdlreg::ReadStringSetting(svc_.registry, plat::kHkeyCurrentUser, kSettingsKey, "chkKeepUndo", "0"));
    chkKeepUndo.setValue(keepUndo && *keepUndo == 1 ? 1 : 0);
    LoadExclude();
}

void FrmMain::LoadLocations() {
    const bool spanish = SpanishMode();
    std::vector<std::string> codes = text::split(engine::CategoryCodesText(), ";");
    std::vector<std::string> names = text::split(engine::CategoryNamesText(spanish), ";");
    std::vector<std::string> descs = text::split(engine::CategoryDescriptionsText(spanish), ";");
    std::vector<std::string> states = text::split(
        mdlreg::ReadStringSetting(svc_.registry, plat::kHkeyCurrentUser, kSettingsKey, "LocState", "1;1;1;1;1;1;1;1"),
        ";");

    // Filling the list raises no tick event, so nothing is written here.
    lvLocations.beginUpdate();
    lvLocations.clear();
    for (size_t i = 0; i < names.size(); ++i) {
        int row = lvLocations.addItem(names[i]);
        lvLocations.setKey(row, i < codes.size() ? codes[i] : std::string());
        std::optional<double> on = i < states.size() ? leadingNumber(states[i]) : std::nullopt;
        lvLocations.setChecked(row, on && *on == 1);
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

void FrmMain::chkSkipCDLan_Click() {
    mdlreg::WriteStringValue(svc_.registry, plat::kHkeyCurrentUser, kSettingsKey, "chkSkipCDLan",
                             chkSkipCDLan.value() == 1 ? "1" : "0");
}

void FrmMain::chkKeepUndo_Click() {
    mdlreg::WriteStringValue(svc_.registry, plat::kHkeyCurrentUser, kSettingsKey, "chkKeepUndo",
                             chkKeepUndo.value() == 1 ? "1" : "0");
}

void FrmMain::lvLocations_ItemCheck(int) { SaveFileTypes(); }

}  // namespace cleaner
