// Exporting found rows: the search window's Export... against hivegrep's writing of the same
// rows (--format reg), in one run.
#pragma once

#include <string>

#include "common/platform/files.h"
#include "common/platform/registry.h"
#include "common/ui/host.h"

namespace searchbench {

// Searches `textToFind` once in the window (on `host`), then times, `rounds` times in turning
// order, the window's Export... of every listed row to `windowFile` (through `files`, the save
// dialog answered by script) against what hivegrep does with the same rows: build the file and
// write it to `grepFile` with the C runtime. Prints each round and the medians. Returns 0 when
// both files are the same bytes.
int runExport(plat::Registry& reg, ui::Host& host, plat::Files& files, const std::string& windowFile,
              const std::string& grepFile, const std::string& textToFind, int rounds);

}  // namespace searchbench
