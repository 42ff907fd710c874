// Registry value data as bytes and a type: the one set of decoders and encoders of the suite.
// Decoders are tolerant: no terminator, an odd byte count, embedded NULs and short numbers all
// give a defined result.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "common/platform/registry.h"

namespace reg {

using Bytes = std::vector<uint8_t>;

// ---- decoders ----

// Text (REG_SZ, REG_EXPAND_SZ): UTF-16LE up to the first NUL within `size` bytes (all of the
// bytes when size exceeds them); an odd last byte is dropped. No expansion of variables.
std::string textOf(const uint8_t* bytes, size_t size);
inline std::string textOf(const Bytes& b) { return textOf(b.data(), b.size()); }
// The same within the first `size` bytes (never past the data).
inline std::string textOf(const Bytes& b, size_t size) { return textOf(b.data(), size < b.size() ? size : b.size()); }
// REG_MULTI_SZ: the strings up to the empty one that ends the list (or the end of the data).
std::vector<std::string> multiTextOf(const Bytes& b);
// 32-bit numbers: least significant byte first (REG_DWORD) or most significant first
// (REG_DWORD_BIG_ENDIAN); missing bytes count as 0.
int32_t dwordOf(const Bytes& b);
int32_t dwordBigEndianOf(const Bytes& b);
// REG_QWORD.
int64_t qwordOf(const Bytes& b);
// Each byte as two upper-case hexadecimal digits, the pairs separated by one space.
std::string hexPairsOf(const Bytes& b);

// ---- encoders ----

// Text as UTF-16LE, with the terminating NUL when `withNul`.
Bytes textBytes(const std::string& text, bool withNul = true);
// A multi-string: each string and its NUL, then the empty string that ends the list.
Bytes multiTextBytes(const std::vector<std::string>& strings);
Bytes dwordBytes(uint32_t value);
Bytes qwordBytes(uint64_t value);

// ---- reading ----

struct Value {
    uint32_t type = 0;
    Bytes data;
};

// The type and size of a value, without its data; the platform's code.
long queryValue(plat::Registry& registry, plat::RegHandle key, const std::string& name, uint32_t* type, uint32_t* size);
// Reads a value with a buffer of `capacity` bytes (kErrorMoreData when it does not fit); the
// platform's code. *type (when given) gets the type.
long readValue(plat::Registry& registry, plat::RegHandle key, const std::string& name, uint32_t capacity, Bytes* data,
               uint32_t* type = nullptr);
// Reads a value of an open key whole (following it when it grows between the size query and
// the read); nullopt when it cannot be read, *rc (when given) the platform's code.
std::optional<Value> tryReadValue(plat::Registry& registry, plat::RegHandle key, const std::string& name,
                                  long* rc = nullptr);
// The text of a REG_SZ or REG_EXPAND_SZ value; nullopt for another type or when unreadable.
std::optional<std::string> tryReadText(plat::Registry& registry, plat::RegHandle key, const std::string& name);

// ---- writing (the platform's code) ----

long writeValue(plat::Registry& registry, plat::RegHandle key, const std::string& name, uint32_t type,
                const Bytes& data);
long writeValue(plat::Registry& registry, plat::RegHandle key, const std::string& name, uint32_t type,
                const uint8_t* data, uint32_t bytes);
long writeText(plat::Registry& registry, plat::RegHandle key, const std::string& name, const std::string& text,
               uint32_t type = plat::kRegSz);
long deleteValue(plat::Registry& registry, plat::RegHandle key, const std::string& name);

}  // namespace reg
