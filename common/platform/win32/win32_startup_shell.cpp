#include "common/platform/win32/win32_startup_shell.h"

#include <windows.h>
#include <objbase.h>
#include <shellapi.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <string>

#include "common/platform/win32/win32_text.h"

namespace plat {

using win32::narrow;
using win32::wide;

namespace {

// COM for the length of one call; a thread that has it already keeps its own.
class ComScope {
public:
    ComScope() : hr_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE)) {}
    ~ComScope() {
        if (SUCCEEDED(hr_)) CoUninitialize();
    }
    ComScope(const ComScope&) = delete;
    ComScope& operator=(const ComScope&) = delete;

private:
    HRESULT hr_;
};

template <class T>
struct Released {
    T* p = nullptr;
    ~Released() {
        if (p) p->Release();
    }
};

}  // namespace

long Win32ShellLinks::readLink(const std::string& path, ShellLinkInfo* out) {
    ComScope com;
    Released<IShellLinkW> link;
    HRESULT hr = CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                  reinterpret_cast<void**>(&link.p));
    if (FAILED(hr)) return hr;
    Released<IPersistFile> file;
    hr = link.p->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file.p));
    if (FAILED(hr)) return hr;
    hr = file.p->Load(wide(path).c_str(), STGM_READ);
    if (FAILED(hr)) return hr;
    // A shortcut to a virtual item (a control-panel page) has no file path: its target stays empty.
    wchar_t target[MAX_PATH * 4] = {};
    hr = link.p->GetPath(target, MAX_PATH * 4, nullptr, 0);
    if (FAILED(hr)) return hr;
    wchar_t args[INFOTIPSIZE * 8] = {};
    hr = link.p->GetArguments(args, INFOTIPSIZE * 8);
    if (FAILED(hr)) return hr;
    out->target = narrow(target, wcsnlen(target, MAX_PATH * 4));
    out->arguments = narrow(args, wcsnlen(args, INFOTIPSIZE * 8));
    return 0;
}

long Win32RecycleBin::recycle(const std::string& path) {
    // The list of paths ends with a second NUL.
    std::wstring from = wide(path);
    from.push_back(L'\0');
    SHFILEOPSTRUCTW op{};
    op.wFunc = FO_DELETE;
    op.pFrom = from.c_str();
    op.fFlags = FOF_ALLOWUNDO | FOF_NOCONFIRMATION | FOF_SILENT | FOF_NOERRORUI;
    const int rc = SHFileOperationW(&op);
    if (rc != 0) return rc;
    if (op.fAnyOperationsAborted) return ERROR_CANCELLED;
    // The shell may report success for a file it could not take: say done only once it is gone.
    if (GetFileAttributesW(wide(path).c_str()) != INVALID_FILE_ATTRIBUTES) return ERROR_ACCESS_DENIED;
    return 0;
}

std::string Win32Environment::expand(const std::string& text) {
    const std::wstring in = wide(text);
    DWORD need = ExpandEnvironmentStringsW(in.c_str(), nullptr, 0);
    for (int tries = 0; need > 0 && tries < 3; ++tries) {
        std::wstring buf(need, L'\0');
        const DWORD got = ExpandEnvironmentStringsW(in.c_str(), &buf[0], need);
        if (got == 0) break;
        if (got <= need) return narrow(buf.c_str(), wcsnlen(buf.c_str(), got));
        need = got;  // the environment grew meanwhile
    }
    return text;
}

}  // namespace plat
