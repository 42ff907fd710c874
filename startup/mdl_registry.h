// The startup manager's write module: set and delete one value of a key. Every call returns
// the platform's result code so the windows can tell the user when a write failed. A facade
// over the registry layer (reg::).
#pragma once

#include <cstdint>
#include <string>

#include "common/platform/registry.h"

namespace startup::mdlRegistry {

// Access used to change the Run key: query, set, create subkey, enumerate, notify, link.
constexpr uint32_t kWriteAccess = 0x3F;

// Opens root\path and deletes the value; 0 when it was deleted.
long DeleteValue(plat::Registry& reg, plat::RegHandle root, const std::string& path, const std::string& name);

// Writes one value on an open key: types 1 and 2 as the whole UTF-16 text with its terminating
// NUL (the length in bytes), type 4 as a 32-bit number parsed from `value`. Other types write
// nothing and give kErrorInvalidParameter.
long SetValueOnKey(plat::Registry& reg, plat::RegHandle key, const std::string& name, uint32_t type,
                   const std::string& value);

// Gives a value a new name that differs from the old one in letter case only. Writing a value
// keeps the spelling its name was created with, so the old value is read and deleted and the
// new name written with `value` as `type`, or with the old value's exact bytes and type when
// `value` is null. When that write fails the old value is written back.
// Returns 0, or the code of the step that failed; *restored tells whether the old value is in
// the registry again after a failed write.
long RenameCase(plat::Registry& reg, plat::RegHandle root, const std::string& path, const std::string& oldName,
                const std::string& newName, const std::string* value, uint32_t type, bool* restored);

// Writes the value `from` of root\path, its exact bytes and type, under the name `to`.
long CopyValue(plat::Registry& reg, plat::RegHandle root, const std::string& path, const std::string& from,
               const std::string& to);

// Opens root\path (creating it when missing), writes the value, closes the key.
long SetValue(plat::Registry& reg, plat::RegHandle root, const std::string& path, const std::string& name,
              const std::string& value, uint32_t type);

}  // namespace startup::mdlRegistry
