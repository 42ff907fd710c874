#include "common/platform/win32/win32_clock.h"

#include <windows.h>

#include "common/platform/win32/win32_text.h"

namespace plat {

FileTime Win32Clock::now() {
    SYSTEMTIME st{};
    GetLocalTime(&st);
    return FileTime{st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond};
}

std::string Win32Clock::timeOfDayText() {
    wchar_t buf[64] = {};
    const int n = GetTimeFormatEx(LOCALE_NAME_USER_DEFAULT, 0, nullptr, nullptr, buf, 64);
    return n > 0 ? win32::narrow(buf, static_cast<size_t>(n - 1)) : std::string();
}

uint64_t Win32Clock::ticks() { return GetTickCount64(); }

uint64_t Win32Clock::fileTimeNow() {
    FILETIME ft{};
    GetSystemTimeAsFileTime(&ft);
    return (static_cast<uint64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
}

}  // namespace plat
