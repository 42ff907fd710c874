// A finding: one registry value the scan reports, as typed data. The scan appends findings in
// the order it meets them; the result list shows them, the exclusion sweep, the repair, the undo
// record and the console formats work on them. Nothing is read back from the list's texts.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "cleaner/engine/texts.h"
#include "common/platform/registry.h"

namespace engine {

struct Finding {
    plat::RegHandle root = 0;  // the predefined root the walk started from
    std::string keyPath;       // below the root, exact
    std::string valueName;     // exact, counted: may hold a NUL ("" = the key's default value)
    uint32_t type = 0;         // the value's type code as listed
    std::string data;          // the data text as read at the scan; the repair deletes only while it still reads so
    std::string reason;        // the reason's text, from the language table of the scan
    std::string area;          // the code of the scan area that reported it
};

// "HKEY_CURRENT_USER\Software\Acme": the root's name, a backslash, the key path (the name is
// empty for a root the cleaner does not name).
std::string LocationOf(const Finding& f);

// The six columns of a result row as shown.
using RowTexts = std::array<std::string, 6>;
// Location, value name, data, reason, the type code in decimal, attributes (always empty).
RowTexts RowOf(const Finding& f);

}  // namespace engine
