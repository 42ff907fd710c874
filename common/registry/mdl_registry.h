// The cleaner's registry module: handle-based operations for the walkers, path-based
// operations for settings, repair and the uninstall manager, and the root-name lookups. A
// facade over the registry layer (reg::) with the cleaner's buffer sizes and text rules.
// Nothing here shows a message or throws: failures give the empty result of each operation.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "common/platform/files.h"
#include "common/platform/registry.h"
#include "common/registry/reg_enum.h"

namespace mdlreg {

using plat::RegHandle;

// ---- handle-based operations (walkers) ----

// RegOpenKeyEx with full access; 0 when the key cannot be opened that way.
RegHandle OpenKeyFull(plat::Registry& reg, RegHandle root, const std::string& path);
// Writes both counts only when the query succeeds; callers start them at 0.
void QueryKeyCounts(plat::Registry& reg, RegHandle key, long* subKeys, long* values);
// The name of subkey `index`, exact (not trimmed), "" when the call fails.
std::string EnumSubkeyName(plat::Registry& reg, RegHandle key, long index);

// Name (exact), type, size and data of value `index`, and the data as text. Data that fits
// 255 bytes comes from the enumeration itself; longer text is read again whole.
struct ValueEntry : reg::ValueEntry {
    std::string text;  // strings up to their first NUL, numbers in signed decimal, else ""
};
// `nameChars`: the name buffer to start with (the key's longest value name and its NUL, when
// known); a longer name is read again with the platform's largest buffer.
ValueEntry EnumValueEntry(plat::Registry& reg, RegHandle key, long index, uint32_t nameChars = 0);
// The data text EnumValueEntry gives for a value of this type with these bytes.
std::string ValueDataText(uint32_t type, const std::vector<uint8_t>& bytes);
// Reads a value of an open key whole and gives its type and data text as EnumValueEntry does;
// the platform's code (0 = read).
long ReadValueDataText(plat::Registry& reg, RegHandle key, const std::string& name, uint32_t* type, std::string* data);

// ---- path-based operations ----

// False only when the open answers "not found" (2) or "bad key" (1010).
bool KeyExists(plat::Registry& reg, RegHandle root, const std::string& path);
// The same for the key reached in a registry view (kKeyWow64_32Key or kKeyWow64_64Key).
bool KeyExistsInView(plat::Registry& reg, RegHandle root, const std::string& path, uint32_t view);
// A key's full name as the registry gives it ("\REGISTRY\MACHINE\SOFTWARE\Classes") as a root
// and a key path (HKEY_LOCAL_MACHINE, "SOFTWARE\Classes"); false for a name below no root we name.
bool LocationOfKeyName(const std::string& fullName, RegHandle* root, std::string* path);
// A string (type 1) value, or the default.
std::string ReadStringSetting(plat::Registry& reg, RegHandle root, const std::string& path,
                              const std::string& valueName, const std::string& def = "");
// Types 1, 2, 7: text up to the first NUL; 3: hex pairs; 4: the number; else "".
std::string ReadValueText(plat::Registry& reg, RegHandle root, const std::string& path, const std::string& valueName);
// Creates missing keys and writes a type-1 value (stored with its terminating NUL).
void WriteStringValue(plat::Registry& reg, RegHandle root, const std::string& path, const std::string& valueName,
                      const std::string& text);
// The result code of the delete; 0 = deleted.
long DeleteRegValue(plat::Registry& reg, RegHandle root, const std::string& path, const std::string& valueName);

std::string JoinKeyPath(const std::string& a, const std::string& b, const std::string& c);

struct Variant {
    long result = 0;  // 0 success, -1 unsupported type, else the platform's code
    std::string value;
    uint32_t type = 0;
};
Variant QueryValueVariant(plat::Registry& reg, RegHandle key, const std::string& valueName);

// `sam` adds view flags (kKeyWow64_32Key / kKeyWow64_64Key) to the access asked for.
std::string ReadValueOrDefault(plat::Registry& reg, RegHandle root, const std::string& basePath,
                               const std::string& middle, const std::string& keyName, const std::string& valueName,
                               const std::string& def, bool openForWrite, uint32_t sam = 0);
// With a value name: deletes that value of an existing key (a missing key is not created).
// Without: deletes the key, its subkeys first when the registry refuses a key with subkeys.
bool DeleteKeyOrValue(plat::Registry& reg, RegHandle root, const std::string& basePath, const std::string& middle,
                      const std::string& keyName, const std::string& valueName, uint32_t sam = 0);

struct SubkeyList {
    std::vector<std::string> names;
    std::vector<bool> hasChildren;  // filled only when asked for
};
SubkeyList CollectSubkeys(plat::Registry& reg, const std::string& rootName, const std::string& path, bool wantChildren,
                          uint32_t sam = 0);

// The root-name table (reg_roots.h) without HKEY_PERFORMANCE_DATA and HKEY_DYN_DATA; any case.
RegHandle RootHandleOf(const std::string& rootName);
std::string RootNameOf(RegHandle root);

// ---- small functions of the main window and of scandrives ----

// The whole root-name table, exact case, of the text before the first backslash (trimmed); 0
// when unknown or when the text holds no backslash.
RegHandle StripHkey(const std::string& location);
std::string HkeyName(RegHandle root);  // "" when unknown
std::string SubkeyPath(const std::string& location);
std::string addslash(const std::string& path);
std::string WinDir(plat::Files& files);
std::string TrimAtNul(const std::string& text);
// The text up to its first NUL, without a copy.
std::string_view BeforeNul(std::string_view text);

}  // namespace mdlreg
