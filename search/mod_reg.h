// ModReg: the search program's read-only view of the registry. Lists the sub-keys and values
// of a key, reads one text value, tests a root, and converts root names: a facade over the
// registry layer (reg::) with the search's "silent failure" policy.
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
#include "common/registry/reg_enum.h"

namespace modreg {

using plat::RegHandle;

// A key's values in enumeration order ("" is the key's default value), as the registry layer
// lists them. Asked for text, a REG_SZ value's content comes along when the listing delivered it
// (hasData); larger ones are listed without it and read by name.
using ValueList = std::vector<reg::ValueEntry>;

std::vector<std::string> ListSubKeys(plat::Registry& reg, RegHandle root, const std::string& path);
ValueList ListValues(plat::Registry& reg, RegHandle root, const std::string& path);

// The same on a key that is already open. `info` (optional) is the key's information, used to
// size the buffers. With `withText`, the content of text values comes in the same enumeration
// calls (values too large for that are listed all the same, without their text).
std::vector<std::string> ListSubKeysOfKey(plat::Registry& reg, RegHandle key, const plat::KeyInfo* info = nullptr);
ValueList ListValuesOfKey(plat::Registry& reg, RegHandle key, const plat::KeyInfo* info = nullptr,
                          bool withText = false);

// The text of a value up to its first NUL, or `def` when it cannot be read.
std::string ReadTextValue(plat::Registry& reg, RegHandle root, const std::string& path, const std::string& name,
                          const std::string& def = "");
// The same on a key that is already open.
std::string ReadTextValueOfKey(plat::Registry& reg, RegHandle key, const std::string& name,
                               const std::string& def = "");

bool RootHasSubKeys(plat::Registry& reg, RegHandle root);

// The whole root-name table (reg_roots.h), exact case; 0 / "" for anything else.
RegHandle RootFromName(const std::string& name);
std::string RootName(RegHandle root);

std::string TrimAtNul(const std::string& text);
// The path without its last part and without a trailing backslash.
std::string ParentPath(const std::string& path);

}  // namespace modreg
