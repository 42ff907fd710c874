// The predefined roots and their full names: the one table of the suite. Each lookup a program
// needs is a policy over it: which roots it knows and whether a name matches in any letter case.
#pragma once

#include <string_view>

#include "common/platform/registry.h"

namespace reg {

struct RootName {
    plat::RegHandle handle;
    const char* name;
    bool common;  // not performance data or dynamic data, which hold no keys to edit
};

// Every predefined root, in handle order.
inline constexpr RootName kRootNames[] = {
    {plat::kHkeyClassesRoot, "HKEY_CLASSES_ROOT", true},
    {plat::kHkeyCurrentUser, "HKEY_CURRENT_USER", true},
    {plat::kHkeyLocalMachine, "HKEY_LOCAL_MACHINE", true},
    {plat::kHkeyUsers, "HKEY_USERS", true},
    {plat::kHkeyPerformanceData, "HKEY_PERFORMANCE_DATA", false},
    {plat::kHkeyCurrentConfig, "HKEY_CURRENT_CONFIG", true},
    {plat::kHkeyDynData, "HKEY_DYN_DATA", false},
};

enum class Roots { All, Common };    // which roots a lookup knows
enum class NameCase { Exact, Any };  // how a name must match

// The root with this full name; 0 when the policy knows none.
plat::RegHandle rootOfName(std::string_view name, Roots roots, NameCase match);
// The full name of a root; nullptr when the policy does not know it.
const char* nameOfRoot(plat::RegHandle root, Roots roots);

}  // namespace reg
