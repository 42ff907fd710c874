#include "common/registry/reg_enum.h"

#include <algorithm>

namespace reg {

namespace {

// Longer names cannot exist (value names stop at 16,383 characters); the cap only keeps a
// misbehaving backend from growing a buffer forever.
constexpr uint32_t kMaxNameChars = 65536;
// Consecutive failing entries after which a listing gives up: a key deleted while it is listed
// fails at every index and would otherwise never reach "no more items".
constexpr int kMaxConsecutiveFailures = 64;

uint32_t grown(uint32_t chars) { return std::min(kMaxNameChars, std::max<uint32_t>(chars * 2, 256)); }

plat::KeyInfo infoOf(plat::Registry& registry, plat::RegHandle key) {
    return tryKeyInfo(registry, key).value_or(plat::KeyInfo{});
}

}  // namespace

std::optional<plat::KeyInfo> tryKeyInfo(plat::Registry& registry, plat::RegHandle key) {
    plat::KeyInfo info;
    if (registry.queryInfoKey(key, &info) != plat::kErrorSuccess) return std::nullopt;
    return info;
}

long enumKeyName(plat::Registry& registry, plat::RegHandle key, uint32_t index, uint32_t bufferChars,
                 std::string* name) {
    return registry.enumKey(key, index, bufferChars, name);
}

long enumValueAt(plat::Registry& registry, plat::RegHandle key, uint32_t index, uint32_t* nameChars, bool withData,
                 uint32_t dataBytes, ValueEntry* out) {
    uint32_t bytes = withData ? dataBytes : 0;
    const long rc =
        registry.enumValue(key, index, &out->name, nameChars, &out->type, withData ? &out->data : nullptr, &bytes);
    out->size = bytes;
    out->hasData = withData && rc == plat::kErrorSuccess;
    if (!out->hasData) out->data.clear();
    return rc;
}

std::vector<std::string> subkeysOf(plat::Registry& registry, plat::RegHandle key, const plat::KeyInfo* known) {
    std::vector<std::string> names;
    if (!key) return names;
    const plat::KeyInfo info = known ? *known : infoOf(registry, key);
    uint32_t chars = std::max<uint32_t>(info.maxSubKeyLen + 1, 256);
    names.reserve(info.subKeys);
    int failures = 0;
    for (uint32_t index = 0;;) {
        std::string name;
        const long rc = enumKeyName(registry, key, index, chars, &name);
        if (rc == plat::kErrorNoMoreItems) break;
        if (rc == plat::kErrorMoreData && chars < kMaxNameChars) {
            chars = grown(chars);  // the same index again with a bigger buffer
            continue;
        }
        if (rc == plat::kErrorSuccess) {
            names.push_back(std::move(name));
            failures = 0;
        } else if (++failures >= kMaxConsecutiveFailures) {
            break;
        }
        ++index;
    }
    return names;
}

std::vector<ValueEntry> valuesOf(plat::Registry& registry, plat::RegHandle key, bool withData, uint32_t dataCap,
                                 const plat::KeyInfo* known) {
    std::vector<ValueEntry> out;
    if (!key) return out;
    const plat::KeyInfo info = known ? *known : infoOf(registry, key);
    uint32_t chars = std::max<uint32_t>(info.maxValueNameLen + 1, 256);
    const uint32_t cap = std::min(std::max<uint32_t>(info.maxValueLen, 512), dataCap);
    out.reserve(info.values);
    int failures = 0;
    bool wantData = withData;  // per index: with the data, or (after "more data") the name only
    for (uint32_t index = 0;;) {
        ValueEntry e;
        uint32_t nameChars = chars;
        const long rc = enumValueAt(registry, key, index, &nameChars, wantData, cap, &e);
        if (rc == plat::kErrorNoMoreItems) break;
        if (rc == plat::kErrorMoreData) {
            // The data or the name did not fit: ask again for the name alone, with a bigger
            // name buffer once that alone is what fails.
            if (wantData) {
                wantData = false;
                continue;
            }
            if (chars < kMaxNameChars) {
                chars = grown(chars);
                continue;
            }
        }
        if (rc == plat::kErrorSuccess) {
            out.push_back(std::move(e));
            failures = 0;
        } else if (++failures >= kMaxConsecutiveFailures) {
            break;
        }
        wantData = withData;
        ++index;
    }
    return out;
}

}  // namespace reg
