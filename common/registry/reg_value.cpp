#include "common/registry/reg_value.h"

#include <algorithm>
#include <cstdio>

#include "common/text/text.h"

namespace reg {

std::string textOf(const uint8_t* bytes, size_t size) {
    const size_t units = size / 2;
    // Plain ASCII (most registry text) is copied unit by unit; anything else is converted whole.
    std::string ascii;
    ascii.reserve(units);
    for (size_t i = 0; i < units; ++i) {
        const char16_t u = static_cast<char16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
        if (u == 0) return ascii;
        if (u >= 0x80) {
            std::u16string w(ascii.begin(), ascii.end());
            for (size_t j = i; j < units; ++j) {
                const char16_t c = static_cast<char16_t>(bytes[2 * j] | (bytes[2 * j + 1] << 8));
                if (c == 0) break;
                w += c;
            }
            return text::fromUtf16(w);
        }
        ascii.push_back(static_cast<char>(u));
    }
    return ascii;
}

std::vector<std::string> multiTextOf(const Bytes& b) {
    std::vector<std::string> out;
    std::u16string current;
    for (size_t i = 0; i + 1 < b.size(); i += 2) {
        const char16_t u = static_cast<char16_t>(b[i] | (b[i + 1] << 8));
        if (u != 0) {
            current += u;
            continue;
        }
        if (current.empty()) return out;  // the empty string ends the list
        out.push_back(text::fromUtf16(current));
        current.clear();
    }
    if (!current.empty()) out.push_back(text::fromUtf16(current));
    return out;
}

int32_t dwordOf(const Bytes& b) {
    uint32_t v = 0;
    for (size_t i = 0; i < 4 && i < b.size(); ++i) v |= static_cast<uint32_t>(b[i]) << (8 * i);
    return static_cast<int32_t>(v);
}

int32_t dwordBigEndianOf(const Bytes& b) {
    uint32_t v = 0;
    for (size_t i = 0; i < 4; ++i) v = (v << 8) | (i < b.size() ? b[i] : 0);
    return static_cast<int32_t>(v);
}

int64_t qwordOf(const Bytes& b) {
    uint64_t v = 0;
    for (size_t i = 0; i < 8 && i < b.size(); ++i) v |= static_cast<uint64_t>(b[i]) << (8 * i);
    return static_cast<int64_t>(v);
}

std::string hexPairsOf(const Bytes& b) {
    std::string out;
    out.reserve(b.size() * 3);
    char buf[4];
    for (size_t i = 0; i < b.size(); ++i) {
        if (i) out += ' ';
        std::snprintf(buf, sizeof buf, "%02X", b[i]);
        out += buf;
    }
    return out;
}

Bytes textBytes(const std::string& value, bool withNul) {
    const std::u16string w = text::toUtf16(value);
    Bytes out;
    out.reserve(w.size() * 2 + 2);
    for (char16_t c : w) {
        out.push_back(static_cast<uint8_t>(c & 0xFF));
        out.push_back(static_cast<uint8_t>(c >> 8));
    }
    if (withNul) out.insert(out.end(), {0, 0});
    return out;
}

Bytes multiTextBytes(const std::vector<std::string>& strings) {
    Bytes out;
    for (const std::string& s : strings) {
        const Bytes one = textBytes(s, true);
        out.insert(out.end(), one.begin(), one.end());
    }
    out.insert(out.end(), {0, 0});
    return out;
}

Bytes dwordBytes(uint32_t v) { return {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)}; }

Bytes qwordBytes(uint64_t v) {
    Bytes out(8);
    for (size_t i = 0; i < 8; ++i) out[i] = static_cast<uint8_t>(v >> (8 * i));
    return out;
}

long queryValue(plat::Registry& registry, plat::RegHandle key, const std::string& name, uint32_t* type,
                uint32_t* size) {
    *size = 0;
    return registry.queryValueEx(key, name, type, nullptr, size);
}

long readValue(plat::Registry& registry, plat::RegHandle key, const std::string& name, uint32_t capacity, Bytes* data,
               uint32_t* type) {
    uint32_t bytes = capacity;
    uint32_t t = 0;
    const long rc = registry.queryValueEx(key, name, &t, data, &bytes);
    if (type) *type = t;
    return rc;
}

std::optional<Value> tryReadValue(plat::Registry& registry, plat::RegHandle key, const std::string& name, long* rc) {
    Value v;
    uint32_t size = 0;
    long code = queryValue(registry, key, name, &v.type, &size);
    // The value may grow between the size query and the read; follow it a few times.
    for (int attempt = 0; code == plat::kErrorSuccess && attempt < 4; ++attempt) {
        uint32_t got = size;
        code = registry.queryValueEx(key, name, &v.type, &v.data, &got);
        if (code != plat::kErrorMoreData) break;
        size = got;
        code = plat::kErrorSuccess;
    }
    if (rc) *rc = code;
    if (code != plat::kErrorSuccess) return std::nullopt;
    return v;
}

std::optional<std::string> tryReadText(plat::Registry& registry, plat::RegHandle key, const std::string& name) {
    const std::optional<Value> v = tryReadValue(registry, key, name);
    if (!v || (v->type != plat::kRegSz && v->type != plat::kRegExpandSz)) return std::nullopt;
    return textOf(v->data);
}

long writeValue(plat::Registry& registry, plat::RegHandle key, const std::string& name, uint32_t type,
                const Bytes& data) {
    return writeValue(registry, key, name, type, data.data(), static_cast<uint32_t>(data.size()));
}

long writeValue(plat::Registry& registry, plat::RegHandle key, const std::string& name, uint32_t type,
                const uint8_t* data, uint32_t bytes) {
    return registry.setValueEx(key, name, type, data, bytes);
}

long writeText(plat::Registry& registry, plat::RegHandle key, const std::string& name, const std::string& value,
               uint32_t type) {
    return writeValue(registry, key, name, type, textBytes(value, true));
}

long deleteValue(plat::Registry& registry, plat::RegHandle key, const std::string& name) {
    return registry.deleteValue(key, name);
}

}  // namespace reg
