// The registry links of the test registry under Wine: link keys of the real registry.
#include <windows.h>
#include <winternl.h>

#include "common/text/text.h"
#include "tests/support/test_registry.h"

namespace testsupport {

namespace {

HKEY rootKey(plat::RegHandle h) {
    return reinterpret_cast<HKEY>(static_cast<intptr_t>(static_cast<int32_t>(static_cast<uint32_t>(h))));
}

std::wstring wideOf(const std::string& s) {
    const std::u16string u = text::toUtf16(s);
    return std::wstring(u.begin(), u.end());
}

}  // namespace

bool makeLink(plat::Registry& reg, plat::RegHandle root, const std::string& path, plat::RegHandle targetRoot,
              const std::string& targetPath) {
    std::string target;
    {
        plat::RegHandle t = 0;
        if (reg.openKeyEx(targetRoot, targetPath, plat::kKeyRead, &t) != plat::kErrorSuccess) return false;
        const long rc = reg.queryKeyName(t, &target);
        reg.closeKey(t);
        if (rc != plat::kErrorSuccess) return false;
    }
    HKEY h = nullptr;
    if (RegCreateKeyExW(rootKey(root), wideOf(path).c_str(), 0, nullptr, REG_OPTION_CREATE_LINK,
                        KEY_ALL_ACCESS | KEY_CREATE_LINK, nullptr, &h, nullptr) != ERROR_SUCCESS)
        return false;
    const std::wstring w = wideOf(target);
    const long rc = RegSetValueExW(h, L"SymbolicLinkValue", 0, REG_LINK, reinterpret_cast<const BYTE*>(w.data()),
                                   static_cast<DWORD>(w.size() * sizeof(wchar_t)));
    RegCloseKey(h);
    return rc == ERROR_SUCCESS;
}

bool removeLink(plat::Registry&, plat::RegHandle root, const std::string& path) {
    using NtDeleteKeyFn = NTSTATUS(NTAPI*)(HANDLE);
    auto del = reinterpret_cast<NtDeleteKeyFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtDeleteKey")));
    HKEY h = nullptr;
    if (!del || RegOpenKeyExW(rootKey(root), wideOf(path).c_str(), REG_OPTION_OPEN_LINK, DELETE, &h) != ERROR_SUCCESS)
        return false;
    const NTSTATUS st = del(h);
    RegCloseKey(h);
    return st >= 0;
}

}  // namespace testsupport
