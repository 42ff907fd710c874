// Test helper for the end-to-end scripts: shortcuts and folders as the shell makes them.
//   mklink link "<link path>" "<target>" ["<arguments>"]   saves a shortcut (IShellLinkW, IPersistFile)
//   mklink folder <csidl>                                  prints that special folder's path (created)
// Exit code 0 on success, 1 on failure (the HRESULT on stderr), 2 on a usage error.
#include <windows.h>
#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <cstdio>
#include <string>

namespace {

std::string Utf8(const wchar_t* w) {
    int n = WideCharToMultiByte(CP_UTF8, 0, w, -1, nullptr, 0, nullptr, nullptr);
    std::string s(n > 0 ? n - 1 : 0, '\0');
    if (n > 1) WideCharToMultiByte(CP_UTF8, 0, w, -1, &s[0], n, nullptr, nullptr);
    return s;
}

int MakeLink(const wchar_t* path, const wchar_t* target, const wchar_t* args) {
    IShellLinkW* link = nullptr;
    HRESULT hr = CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                  reinterpret_cast<void**>(&link));
    if (SUCCEEDED(hr)) hr = link->SetPath(target);
    if (SUCCEEDED(hr)) hr = link->SetArguments(args);
    IPersistFile* file = nullptr;
    if (SUCCEEDED(hr)) hr = link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file));
    if (SUCCEEDED(hr)) hr = file->Save(path, TRUE);
    if (file) file->Release();
    if (link) link->Release();
    if (FAILED(hr)) std::fprintf(stderr, "mklink: 0x%08lx\n", static_cast<unsigned long>(hr));
    return FAILED(hr) ? 1 : 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: mklink link PATH TARGET [ARGS] | folder CSIDL\n");
        return 2;
    }
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    const std::wstring cmd = argv[1];
    int rc = 2;
    if (cmd == L"link" && argc >= 4) {
        rc = MakeLink(argv[2], argv[3], argc > 4 ? argv[4] : L"");
    } else if (cmd == L"folder") {
        wchar_t path[MAX_PATH] = {};
        const HRESULT hr = SHGetFolderPathW(nullptr, _wtoi(argv[2]) | CSIDL_FLAG_CREATE, nullptr, 0, path);
        if (SUCCEEDED(hr)) std::printf("%s\n", Utf8(path).c_str());
        rc = SUCCEEDED(hr) ? 0 : 1;
    }
    CoUninitialize();
    return rc;
}
