// The cleaner's saved settings below the current user, as the window and the console twin
// both read them: the ticked scan areas and the skip and undo options.
#pragma once

#include <string>
#include <vector>

#include "common/platform/registry.h"

namespace engine {

// The settings key below the current user.
inline constexpr const char* kSettingsKey = "Software\\Tolvane\\Registry Cleaner\\Registry Cleaner";

// The saved tick of each scan area (LocState), in the category table's order. An entry that is
// missing or is not the number 1 is unticked; no saved value ticks every area.
std::vector<bool> SavedAreaTicks(plat::Registry& reg);
// The saved check state of "chkSkipCDLan" (0, 1 or 2); -1 when the saved text is no check state
// (the box then stays as designed). No saved value reads as 0.
int SavedSkipCdLan(plat::Registry& reg);
// "chkKeepUndo" is saved as 1 (off otherwise).
bool SavedKeepUndo(plat::Registry& reg);
// Writes a check box's state ("1" ticked, "0" otherwise) at once.
void SaveCheckState(plat::Registry& reg, const std::string& name, bool ticked);

}  // namespace engine
