#include "common/platform/win32/win32_icons.h"

#include <windows.h>
#include <objbase.h>
#include <shellapi.h>

#include <climits>
#include <cwchar>
#include <string>

#include "common/text/text.h"

namespace plat {

namespace {

std::string narrow(const wchar_t* s, size_t capacity) {
    return text::fromUtf16(std::u16string_view(reinterpret_cast<const char16_t*>(s), wcsnlen(s, capacity)));
}

// Files whose icon lives in their own resources.
bool isProgramFile(const std::string& path) {
    const std::string lower = text::toLower(path);
    for (const char* ext : {".exe", ".scr"})
        if (lower.size() > 4 && lower.compare(lower.size() - 4, 4, ext) == 0) return true;
    return false;
}

// The file's first icon resource in the size asked for; 0 when it has none. One size per
// call: asked for both, Wine picks another image for the small one, and on failure (-1) it
// leaves junk in the handles.
HICON firstIconResource(const std::u16string& path, bool small) {
    const wchar_t* file = reinterpret_cast<const wchar_t*>(path.c_str());
    HICON icon = nullptr;
    const UINT got = small ? ExtractIconExW(file, 0, nullptr, &icon, 1) : ExtractIconExW(file, 0, &icon, nullptr, 1);
    return got == 0 || got == UINT_MAX ? nullptr : icon;
}

// A copy of the system's program icon in the size asked for (the shared one must not be
// destroyed); 0 when there is none.
HICON applicationIcon(bool small) {
    const int cx = GetSystemMetrics(small ? SM_CXSMICON : SM_CXICON);
    const int cy = GetSystemMetrics(small ? SM_CYSMICON : SM_CYICON);
    HANDLE shared = LoadImageW(nullptr, MAKEINTRESOURCEW(32512), IMAGE_ICON, cx, cy, LR_SHARED);  // IDI_APPLICATION
    return shared ? CopyIcon(static_cast<HICON>(shared)) : nullptr;
}

// A name whose extension no program registers, so the shell answers with its unknown-type icon.
constexpr wchar_t kUntypedName[] = L"scourline.no-such-file-type";

}  // namespace

Win32Icons::Win32Icons() {
    // S_FALSE (already initialised on this thread) also has to be balanced.
    comInitialized_ = SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
}

Win32Icons::~Win32Icons() {
    if (comInitialized_) CoUninitialize();
}

int Win32Icons::unknownFileIcon() {
    if (!unknownIcon_) {
        SHFILEINFOW record{};
        unknownIcon_ = SHGetFileInfoW(kUntypedName, FILE_ATTRIBUTE_NORMAL, &record, sizeof(record),
                                      SHGFI_USEFILEATTRIBUTES | SHGFI_SYSICONINDEX)
                           ? record.iIcon
                           : -1;
    }
    return *unknownIcon_;
}

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
    if ((flags & plat::kShgfiIcon) && (flags & plat::kShgfiExeType) == 0 && isProgramFile(path)) {
        const bool generic = result == 0 || record.hIcon == nullptr || record.iIcon == unknownFileIcon();
        if (generic && GetFileAttributesW(reinterpret_cast<const wchar_t*>(wide.c_str())) != INVALID_FILE_ATTRIBUTES) {
            // A program without an icon of its own shows the system's program icon, as on Windows.
            const bool small = (flags & plat::kShgfiSmallIcon) != 0;
            HICON own = firstIconResource(wide, small);
            if (!own) own = applicationIcon(small);
            if (own) {
                if (record.hIcon) DestroyIcon(record.hIcon);
                info->icon = reinterpret_cast<std::uintptr_t>(own);
                if (result == 0) result = 1;
            }
        }
    }
    return result;
}

plat::IconHandle Win32Icons::defaultIcon(bool small) {
    SHFILEINFOW record{};
    UINT flags = SHGFI_USEFILEATTRIBUTES | SHGFI_ICON | (small ? SHGFI_SMALLICON : 0);
    if (SHGetFileInfoW(L"program.exe", FILE_ATTRIBUTE_NORMAL, &record, sizeof(record), flags) && record.hIcon) {
        // Without a program file class the shell gives the unknown-type icon: not a program's.
        if (record.iIcon != unknownFileIcon()) return reinterpret_cast<std::uintptr_t>(record.hIcon);
        DestroyIcon(record.hIcon);
    }
    return reinterpret_cast<std::uintptr_t>(applicationIcon(small));
}

void Win32Icons::destroyIcon(plat::IconHandle icon) {
    if (icon) DestroyIcon(reinterpret_cast<HICON>(icon));
}

}  // namespace plat
