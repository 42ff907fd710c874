// The registry compares names with the platform's upcase table: take both tables from there.
#include <windows.h>

#include "common/text/platform_case.h"

namespace text {

bool platformCaseTables(char16_t* upper, char16_t* lower) {
    using CaseFn = WCHAR(WINAPI*)(WCHAR);
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    if (!ntdll) return false;
    const auto up = reinterpret_cast<CaseFn>(reinterpret_cast<void*>(GetProcAddress(ntdll, "RtlUpcaseUnicodeChar")));
    const auto down =
        reinterpret_cast<CaseFn>(reinterpret_cast<void*>(GetProcAddress(ntdll, "RtlDowncaseUnicodeChar")));
    if (!up || !down) return false;
    for (unsigned c = 0; c < 65536; ++c) {
        upper[c] = static_cast<char16_t>(up(static_cast<WCHAR>(c)));
        lower[c] = static_cast<char16_t>(down(static_cast<WCHAR>(c)));
    }
    return true;
}

}  // namespace text
