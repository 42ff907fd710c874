#include "tests/support/test_registry.h"

#include "tests/support/reg_file.h"

#ifdef _WIN32
#include <process.h>
#include <windows.h>
#include <winternl.h>

#include "common/platform/win32/win32_registry.h"
#include "common/text/text.h"
#else
#include <unistd.h>

#include "common/platform/fake/fake_registry.h"
#endif

namespace testsupport {

std::unique_ptr<plat::Registry> makeTestRegistry() {
#ifdef _WIN32
    return std::make_unique<plat::Win32Registry>();
#else
    return std::make_unique<plat::FakeRegistry>();
#endif
}

bool usingRealRegistry() {
#ifdef _WIN32
    return true;
#else
    return false;
#endif
}

#ifdef _WIN32
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
#else
bool makeLink(plat::Registry& reg, plat::RegHandle root, const std::string& path, plat::RegHandle targetRoot,
              const std::string& targetPath) {
    auto* fake = dynamic_cast<plat::FakeRegistry*>(&reg);
    return fake && fake->keyExists(targetRoot, targetPath) && fake->addLink(root, path, targetRoot, targetPath);
}

bool removeLink(plat::Registry& reg, plat::RegHandle root, const std::string& path) {
    auto* fake = dynamic_cast<plat::FakeRegistry*>(&reg);
    return fake && fake->removeLink(root, path);
}
#endif

namespace {

constexpr const char* kScratchParent = "Software\\ScourlineContractTest";

std::string scratchPath() {
#ifdef _WIN32
    const long pid = _getpid();
#else
    const long pid = getpid();
#endif
    return std::string(kScratchParent) + "\\" + std::to_string(pid);
}

}  // namespace

ScratchKey::ScratchKey(plat::Registry& reg) : reg_(reg) {
    regfile::deleteTree(reg_, plat::kHkeyCurrentUser, scratchPath());
    reg_.createKey(plat::kHkeyCurrentUser, scratchPath(), &handle_);
}

ScratchKey::~ScratchKey() {
    if (handle_) reg_.closeKey(handle_);
    regfile::deleteTree(reg_, plat::kHkeyCurrentUser, scratchPath());
    reg_.deleteKey(plat::kHkeyCurrentUser, kScratchParent);  // refused while other programs still use it
}

std::string ScratchKey::path(const std::string& sub) {
    return sub.empty() ? scratchPath() : scratchPath() + "\\" + sub;
}

std::string ScratchKey::location(const std::string& sub) { return "HKEY_CURRENT_USER\\" + path(sub); }

}  // namespace testsupport
