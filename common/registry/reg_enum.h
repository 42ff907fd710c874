// Listing a key: its subkeys and its values, complete. Buffers are sized from the key's
// information and grown when the platform answers "more data"; an entry that cannot be read is
// skipped; a listing ends only when the platform says there are no more items (or after a run
// of failures that only a key deleted meanwhile gives).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "common/platform/registry.h"

namespace reg {

// The key's counts and longest lengths; nullopt when they cannot be read.
std::optional<plat::KeyInfo> tryKeyInfo(plat::Registry& registry, plat::RegHandle key);

// The name of subkey `index`, exact, with a buffer of `bufferChars` (NUL included); the
// platform's code (kErrorMoreData: the name is longer, kErrorNoMoreItems: past the last).
long enumKeyName(plat::Registry& registry, plat::RegHandle key, uint32_t index, uint32_t bufferChars,
                 std::string* name);

// Names exact: a name may hold blanks only, or a NUL.
// `known`: the key's information when the caller has it already (saves a query).
std::vector<std::string> subkeysOf(plat::Registry& registry, plat::RegHandle key, const plat::KeyInfo* known = nullptr);

// One value of a key as a listing gives it: the one value-entry type of the suite.
struct ValueEntry {
    std::string name;  // exact; "" is the key's default value
    uint32_t type = 0;
    std::vector<uint8_t> data;  // filled only when asked for, and only when it fit the cap
    bool hasData = false;
    uint32_t size = 0;  // the size of the stored data in bytes, as the listing reported it
};

// Value `index` in one call: name, type and size always; the data too when `withData` and it
// fits `dataBytes`. *nameChars: in the name buffer's capacity (NUL included), out as the
// platform leaves it. The platform's code: kErrorMoreData when the data did not fit (name, type
// and size are still given) or the name did not fit (nothing is given).
long enumValueAt(plat::Registry& registry, plat::RegHandle key, uint32_t index, uint32_t* nameChars, bool withData,
                 uint32_t dataBytes, ValueEntry* out);

// With `withData`, data of up to `dataCap` bytes comes in the same calls; larger values are
// listed without it (read them by name).
std::vector<ValueEntry> valuesOf(plat::Registry& registry, plat::RegHandle key, bool withData = false,
                                 uint32_t dataCap = 64 * 1024, const plat::KeyInfo* known = nullptr);

}  // namespace reg
