// The search window against hivegrep on the same search (Windows build, with a display).
#pragma once

#include <string>

#include "common/platform/registry.h"

namespace searchbench {

// Rounds of the window's search on real controls and hivegrep's search, in turning order;
// prints each round and the median ratio. `only` ("window" or "hivegrep") times one side alone.
// Returns 0 when both sides found the same number of rows.
int runWindow(plat::Registry& reg, const std::string& textToFind, int rounds, const std::string& only);

// The window's Export... against hivegrep --format reg on the machine's registry, both files in
// the temporary folder.
int runRealExport(plat::Registry& reg, const std::string& textToFind, int rounds);

}  // namespace searchbench
