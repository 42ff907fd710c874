// ModReg: the search program's read-only view of the registry. Lists the sub-keys and values
// of a key, reads one text value, tests a root, and converts root names.
//
// Every failure is silent: a key that cannot be opened lists nothing, a value that cannot be
// read gives the caller's default. Listings are complete: buffers are sized from the key's
// information and grown when the platform answers "more data", a single entry that cannot be
// read is skipped, and a listing ends only when the platform says there are no more items.
// An empty key gives an empty list (a name made of two spaces is an ordinary name).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "common/platform/registry.h"

namespace modreg {

using plat::RegHandle;

struct ValueList {
    std::vector<std::string> names;  // enumeration order; "" is the key's default value
    std::vector<uint32_t> types;     // parallel to names
};

std::vector<std::string> ListSubKeys(plat::Registry& reg, RegHandle root, const std::string& path);
ValueList ListValues(plat::Registry& reg, RegHandle root, const std::string& path);

// The text of a value up to its first NUL, or `def` when it cannot be read.
std::string ReadTextValue(plat::Registry& reg, RegHandle root, const std::string& path, const std::string& name,
                          const std::string& def = "");
// The same on a key that is already open.
std::string ReadTextValueOfKey(plat::Registry& reg, RegHandle key, const std::string& name,
                               const std::string& def = "");

bool RootHasSubKeys(plat::Registry& reg, RegHandle root);

// Full root names, exact case; 0 / "" for anything else.
RegHandle RootFromName(const std::string& name);
std::string RootName(RegHandle root);

std::string TrimAtNul(const std::string& text);
// The path without its last part and without a trailing backslash.
std::string ParentPath(const std::string& path);

}  // namespace modreg
