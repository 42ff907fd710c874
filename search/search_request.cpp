#include "search/search_request.h"

#include "search/mod_reg.h"

namespace search {
namespace {

// Roots offered by the area list, in the list's order.
const plat::RegHandle kAreaRoots[] = {
    plat::kHkeyClassesRoot,     plat::kHkeyCurrentUser, plat::kHkeyDynData,       plat::kHkeyLocalMachine,
    plat::kHkeyPerformanceData, plat::kHkeyUsers,       plat::kHkeyCurrentConfig,
};

int clampCheck(int v) { return v <= 0 ? 0 : 1; }

}  // namespace

std::vector<std::string> SearchAreas(plat::Registry& reg) {
    std::vector<std::string> areas{kMyComputer};
    for (plat::RegHandle root : kAreaRoots) {
        if (modreg::RootHasSubKeys(reg, root)) areas.push_back(modreg::RootName(root));
    }
    return areas;
}

SavedSettings ReadSavedSettings(SettingsStore& store, int areaCount) {
    SavedSettings s;
    const int area = LeadingNumber(store.GetSetting(kAppName, kSection, "lastSearchArea", "0"));
    if (area > 0 && area < areaCount) s.area = area;
    const int mode = LeadingNumber(store.GetSetting(kAppName, kSection, "lastMode", "1"));
    s.mode = mode >= 2 && mode <= 4 ? mode : 1;
    s.caseValue = clampCheck(LeadingNumber(store.GetSetting(kAppName, kSection, "lastCase", "1")));
    s.keys = clampCheck(LeadingNumber(store.GetSetting(kAppName, kSection, "lastKey", "1")));
    s.values = clampCheck(LeadingNumber(store.GetSetting(kAppName, kSection, "lastValue", "1")));
    s.data = clampCheck(LeadingNumber(store.GetSetting(kAppName, kSection, "lastdata", "1")));
    return s;
}

std::vector<plat::RegHandle> RootsOfArea(const std::vector<std::string>& areas, int area) {
    std::vector<plat::RegHandle> roots;
    if (area > 0 && area < static_cast<int>(areas.size())) {
        roots.push_back(modreg::RootFromName(areas[area]));
    } else {
        for (size_t i = 1; i < areas.size(); ++i) roots.push_back(modreg::RootFromName(areas[i]));
    }
    return roots;
}

SearchRequest RequestFromSettings(const SavedSettings& saved, const std::vector<std::string>& areas,
                                  const std::string& text) {
    SearchRequest r;
    r.text = text;
    r.mode = static_cast<Mode>(saved.mode);
    r.matchCase = saved.caseValue == 1;
    r.keys = saved.keys == 1;
    r.values = saved.values == 1;
    r.data = saved.data == 1;
    r.roots = RootsOfArea(areas, saved.area);
    return r;
}

}  // namespace search
