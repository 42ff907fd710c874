// Shared helpers of the search tests: planting keys and values in the in-memory registry.
#pragma once

#include <string>
#include <vector>

#include "common/platform/fake/fake_registry.h"
#include "common/text/text.h"

namespace searchtest {

inline std::vector<uint8_t> utf16Bytes(const std::string& utf8, bool withNul = true) {
    std::u16string u = text::toUtf16(utf8);
    if (withNul) u.push_back(u'\0');
    std::vector<uint8_t> bytes;
    for (char16_t c : u) {
        bytes.push_back(static_cast<uint8_t>(c & 0xFF));
        bytes.push_back(static_cast<uint8_t>(c >> 8));
    }
    return bytes;
}

inline void key(plat::Registry& reg, plat::RegHandle root, const std::string& path) {
    plat::RegHandle h = 0;
    ASSERT_EQ(reg.createKey(root, path, &h), plat::kErrorSuccess) << path;
    reg.closeKey(h);
}

inline void value(plat::Registry& reg, plat::RegHandle root, const std::string& path, const std::string& name,
                  uint32_t type, const std::vector<uint8_t>& data) {
    plat::RegHandle h = 0;
    ASSERT_EQ(reg.createKey(root, path, &h), plat::kErrorSuccess) << path;
    ASSERT_EQ(reg.setValueEx(h, name, type, data.data(), static_cast<uint32_t>(data.size())), plat::kErrorSuccess)
        << path << " " << name;
    reg.closeKey(h);
}

inline void sz(plat::Registry& reg, plat::RegHandle root, const std::string& path, const std::string& name,
               const std::string& text, uint32_t type = plat::kRegSz) {
    value(reg, root, path, name, type, utf16Bytes(text));
}

inline void dword(plat::Registry& reg, plat::RegHandle root, const std::string& path, const std::string& name,
                  uint32_t v) {
    value(reg, root, path, name, plat::kRegDword,
          {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v >> 16),
           static_cast<uint8_t>(v >> 24)});
}

}  // namespace searchtest
