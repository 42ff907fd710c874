// What one search asks for: the text, how it must match, where it is looked for and below
// which roots. The window builds it from its controls when Search is pressed, hivegrep from
// its arguments; both hand it to RunSearch. The areas offered and the options saved from the
// last run of the window are read here too, so both front ends start from the same choices.
#pragma once

#include <string>
#include <vector>

#include "common/platform/registry.h"
#include "search/search_engine.h"
#include "search/settings_store.h"

namespace search {

inline constexpr const char* kAppName = "Tolvane SOFTWARE\\Scourline - Registry Search";
inline constexpr const char* kSection = "Search";
inline constexpr const char* kMyComputer = "My Computer";

// The window's choices as the settings store keeps them from one run to the next.
struct SavedSettings {
    int area = 0;  // index in the area list; 0 "My Computer"
    int caseValue = 1;
    int mode = 1;  // 1 Any, 2 Left, 3 Right, 4 Exact
    int keys = 1;
    int values = 1;
    int data = 1;
};

// The area list, in its order: "My Computer", then the name of every root that has sub-keys.
std::vector<std::string> SearchAreas(plat::Registry& reg);

// The saved choices, checked before use: an area outside 1 to areaCount - 1 gives "My
// Computer", a mode outside 1 to 4 gives "Any", a check value other than 0 or 1 is clamped.
SavedSettings ReadSavedSettings(SettingsStore& store, int areaCount);

// The roots an area of the list stands for: every other area of the list for "My Computer".
std::vector<plat::RegHandle> RootsOfArea(const std::vector<std::string>& areas, int area);

// The request the saved choices make, for `text` below the roots of the saved area.
SearchRequest RequestFromSettings(const SavedSettings& saved, const std::vector<std::string>& areas,
                                  const std::string& text);

}  // namespace search
