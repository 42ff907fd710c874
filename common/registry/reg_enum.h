// Listing a key: its subkeys and its values, complete. Buffers are sized from the key's
// information and grown when the platform answers "more data"; an entry that cannot be read is
// skipped; a listing ends only when the platform says there are no more items (or after a run
// of failures that only a key deleted meanwhile gives).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "common/platform/registry.h"

namespace reg {

// Names exact: a name may hold blanks only, or a NUL.
// `known`: the key's information when the caller has it already (saves a query).
std::vector<std::string> subkeysOf(plat::Registry& registry, plat::RegHandle key, const plat::KeyInfo* known = nullptr);

struct ValueEntry {
    std::string name;  // exact; "" is the key's default value
    uint32_t type = 0;
    std::vector<uint8_t> data;  // filled only when asked for, and only when it fit the cap
    bool hasData = false;
};

// With `withData`, data of up to `dataCap` bytes comes in the same calls; larger values are
// listed without it (read them by name).
std::vector<ValueEntry> valuesOf(plat::Registry& registry, plat::RegHandle key, bool withData = false,
                                 uint32_t dataCap = 64 * 1024, const plat::KeyInfo* known = nullptr);

}  // namespace reg
