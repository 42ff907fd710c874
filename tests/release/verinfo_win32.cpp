// Prints what Windows shows of a program file, one line per file given:
//   file TAB company TAB product TAB description TAB file version TAB product version TAB
//   fixed file version (a.b.c.d) TAB execution level of the embedded manifest ("none" without)
// Used by the release check under Wine to see every program's version resource and rights.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

std::string utf8(const std::wstring& w) {
    if (w.empty()) return "";
    int n = WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), nullptr, 0, nullptr, nullptr);
    std::string s(n, '\0');
    WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), s.data(), n, nullptr, nullptr);
    return s;
}

std::string stringValue(const std::vector<char>& block, const wchar_t* name) {
    std::wstring path = std::wstring(L"\\StringFileInfo\\040904b0\\") + name;
    wchar_t* value = nullptr;
    UINT len = 0;
    if (!VerQueryValueW(block.data(), path.c_str(), reinterpret_cast<void**>(&value), &len) || !value) return "-";
    return utf8(std::wstring(value, len && value[len - 1] == 0 ? len - 1 : len));
}

std::string manifestLevel(const wchar_t* file) {
    HMODULE m = LoadLibraryExW(file, nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    if (!m) return "unreadable";
    std::string level = "none";
    if (HRSRC r = FindResourceW(m, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24))) {
        HGLOBAL g = LoadResource(m, r);
        const char* p = g ? static_cast<const char*>(LockResource(g)) : nullptr;
        if (p) {
            std::string xml(p, SizeofResource(m, r));
            size_t at = xml.find("requestedExecutionLevel");
            size_t q = at == std::string::npos ? at : xml.find("level=\"", at);
            if (q != std::string::npos) {
                q += 7;
                level = xml.substr(q, xml.find('"', q) - q);
            } else {
                level = "unset";
            }
        }
    }
    FreeLibrary(m);
    return level;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    int rc = 0;
    for (int i = 1; i < argc; ++i) {
        DWORD ignored = 0;
        DWORD size = GetFileVersionInfoSizeW(argv[i], &ignored);
        std::vector<char> block(size ? size : 1);
        std::string line = utf8(argv[i]);
        if (!size || !GetFileVersionInfoW(argv[i], 0, size, block.data())) {
            std::printf("%s\tno version resource\n", line.c_str());
            rc = 1;
            continue;
        }
        VS_FIXEDFILEINFO* fixed = nullptr;
        UINT len = 0;
        char version[64] = "-";
        if (VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &len) && fixed)
            std::snprintf(version, sizeof version, "%u.%u.%u.%u", (unsigned)HIWORD(fixed->dwFileVersionMS),
                          (unsigned)LOWORD(fixed->dwFileVersionMS), (unsigned)HIWORD(fixed->dwFileVersionLS),
                          (unsigned)LOWORD(fixed->dwFileVersionLS));
        line += "\t" + stringValue(block, L"CompanyName") + "\t" + stringValue(block, L"ProductName") + "\t" +
                stringValue(block, L"FileDescription") + "\t" + stringValue(block, L"FileVersion") + "\t" +
                stringValue(block, L"ProductVersion") + "\t" + version + "\t" + manifestLevel(argv[i]);
        std::printf("%s\n", line.c_str());
    }
    return rc;
}
