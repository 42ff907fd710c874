#include "cleaner/engine/settings.h"

#include <cstdlib>
#include <optional>

#include "cleaner/engine/categories.h"
#include "common/registry/mdl_registry.h"
#include "common/text/text.h"

namespace engine {

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

std::string setting(plat::Registry& reg, const std::string& name, const std::string& def) {
    return mdlreg::ReadStringSetting(reg, plat::kHkeyCurrentUser, kSettingsKey, name, def);
}

}  // namespace

std::vector<bool> SavedAreaTicks(plat::Registry& reg) {
    const std::vector<std::string> states = text::split(setting(reg, "LocState", "1;1;1;1;1;1;1;1"), ";");
    std::vector<bool> out;
    for (size_t i = 0; i < ScanCategories().size(); ++i) {
        std::optional<double> on = i < states.size() ? leadingNumber(states[i]) : std::nullopt;
        out.push_back(on && *on == 1);
    }
    return out;
}

int SavedSkipCdLan(plat::Registry& reg) {
    std::optional<double> skip = leadingNumber(setting(reg, "chkSkipCDLan", "0"));
    if (skip && (*skip == 0 || *skip == 1 || *skip == 2)) return static_cast<int>(*skip);
    return -1;
}

bool SavedKeepUndo(plat::Registry& reg) {
    std::optional<double> keep = leadingNumber(setting(reg, "chkKeepUndo", "0"));
    return keep && *keep == 1;
}

void SaveCheckState(plat::Registry& reg, const std::string& name, bool ticked) {
    mdlreg::WriteStringValue(reg, plat::kHkeyCurrentUser, kSettingsKey, name, ticked ? "1" : "0");
}

}  // namespace engine
