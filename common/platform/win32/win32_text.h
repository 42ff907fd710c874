// UTF-8 (WTF-8) <-> wide text at the Win32 boundary.
#pragma once

#include <string>
#include <string_view>

#include "common/text/text.h"

namespace plat::win32 {

inline std::wstring wide(std::string_view utf8) {
    const std::u16string w = text::toUtf16(utf8);
    return std::wstring(w.begin(), w.end());
}

inline std::string narrow(const wchar_t* s, size_t n) {
    return text::fromUtf16(std::u16string_view(reinterpret_cast<const char16_t*>(s), n));
}

inline std::string narrow(const std::wstring& s) { return narrow(s.data(), s.size()); }

}  // namespace plat::win32
