#include "procman/win32/icons_win32.h"

#include <windows.h>
#include <shellapi.h>

#include <cwchar>
#include <string>

#include "common/text/text.h"

namespace procman {

namespace {

std::string narrow(const wchar_t* s, size_t capacity) {
    return text::fromUtf16(std::u16string_view(reinterpret_cast<const char16_t*>(s), wcsnlen(s, capacity)));
}

}  // namespace

std::uintptr_t Win32Icons::getFileInfo(const std::string& path, uint32_t flags, plat::ShellFileInfo* info) {
    const std::u16string wide = text::toUtf16(path);
    SHFILEINFOW record{};
    DWORD_PTR result =
        SHGetFileInfoW(reinterpret_cast<const wchar_t*>(wide.c_str()), 0, &record, sizeof(record), flags);
    *info = plat::ShellFileInfo{};
    if (result != 0 && (flags & plat::kShgfiExeType) == 0) {
        if (flags & plat::kShgfiIcon) info->icon = reinterpret_cast<std::uintptr_t>(record.hIcon);
        // Each field is taken up to its first NUL, or whole when it has none.
        info->displayName = narrow(record.szDisplayName, sizeof(record.szDisplayName) / sizeof(wchar_t));
        info->typeName = narrow(record.szTypeName, sizeof(record.szTypeName) / sizeof(wchar_t));
    }
    return result;
}

plat::IconHandle Win32Icons::defaultIcon(bool small) {
    SHFILEINFOW record{};
    UINT flags = SHGFI_USEFILEATTRIBUTES | SHGFI_ICON | (small ? SHGFI_SMALLICON : 0);
    if (SHGetFileInfoW(L"program.exe", FILE_ATTRIBUTE_NORMAL, &record, sizeof(record), flags) && record.hIcon)
        return reinterpret_cast<std::uintptr_t>(record.hIcon);
    // The shared application icon must not be destroyed: hand out a copy.
    return reinterpret_cast<std::uintptr_t>(CopyIcon(LoadIconW(nullptr, IDI_APPLICATION)));
}

void Win32Icons::destroyIcon(plat::IconHandle icon) {
    if (icon) DestroyIcon(reinterpret_cast<HICON>(icon));
}

}  // namespace procman
