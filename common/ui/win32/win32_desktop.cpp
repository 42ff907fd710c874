#include "common/ui/win32/win32_desktop.h"

#include <windows.h>
#include <commdlg.h>

#include <cstring>
#include <vector>

#include "common/ui/win32/win32_internal.h"

namespace ui {
namespace {

// The file name part of a path has an extension of its own.
bool hasExtension(const std::wstring& path) {
    const size_t slash = path.find_last_of(L"\\/");
    const size_t dot = path.find_last_of(L'.');
    return dot != std::wstring::npos && (slash == std::wstring::npos || dot > slash + 1);
}

}  // namespace

std::optional<SaveFileChoice> Win32FileDialogs::saveFile(Form& owner, const SaveFileRequest& request) {
    // "Description\0pattern\0...\0\0", the form the dialog takes its type list in.
    std::wstring filter;
    for (const FileType& t : request.types)
        filter += win32::wide(t.description) + L'\0' + win32::wide(t.pattern) + L'\0';
    filter += L'\0';
    const std::wstring title = win32::wide(request.title);
    const HWND ownerWindow = reinterpret_cast<HWND>(host_.nativeHandle(owner));
    int typeIndex =
        request.typeIndex >= 0 && request.typeIndex < static_cast<int>(request.types.size()) ? request.typeIndex : 0;
    std::wstring offered = win32::wide(request.fileName);

    for (;;) {
        std::vector<wchar_t> file(32768, L'\0');
        std::memcpy(file.data(), offered.data(), std::min(offered.size(), file.size() - 1) * sizeof(wchar_t));
        OPENFILENAMEW ofn{};
        ofn.lStructSize = sizeof ofn;
        ofn.hwndOwner = ownerWindow;
        ofn.lpstrFilter = request.types.empty() ? nullptr : filter.c_str();
        ofn.nFilterIndex = static_cast<DWORD>(typeIndex + 1);
        ofn.lpstrFile = file.data();
        ofn.nMaxFile = static_cast<DWORD>(file.size());
        ofn.lpstrTitle = title.empty() ? nullptr : title.c_str();
        // No default extension: some dialogs add the first type's whatever type is picked. The
        // chosen type's extension is added below, and the question about replacing asked then.
        ofn.Flags = OFN_EXPLORER | OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR |
                    OFN_ENABLESIZING;
        if (!GetSaveFileNameW(&ofn)) return std::nullopt;  // cancelled, or the dialog failed

        std::wstring path(file.data());
        if (ofn.nFilterIndex >= 1 && ofn.nFilterIndex <= request.types.size())
            typeIndex = static_cast<int>(ofn.nFilterIndex) - 1;
        if (!hasExtension(path) && !request.types.empty()) {
            path += L"." + win32::wide(request.types[static_cast<size_t>(typeIndex)].extension);
            if (GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES) {
                const std::wstring name = path.substr(path.find_last_of(L"\\/") + 1);
                const std::wstring question = name + L" already exists.\nDo you want to replace it?";
                if (MessageBoxW(ownerWindow, question.c_str(), title.empty() ? L"Save As" : title.c_str(),
                                MB_YESNO | MB_ICONWARNING) != IDYES) {
                    offered = path;  // the dialog again, as the system's own does after a No
                    continue;
                }
            }
        }
        SaveFileChoice choice;
        choice.path = win32::narrow(path);
        choice.typeIndex = typeIndex;
        return choice;
    }
}

}  // namespace ui
