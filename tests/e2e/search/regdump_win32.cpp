// Prints a registry key and everything below it with the exact bytes of every value, for the
// end-to-end scripts to compare two prefixes byte for byte:
//   regdump ROOT\path [ROOT\path ...]
// One line per key ("[HKEY_...\path]") and per value ("  name<TAB>type<TAB>hex bytes"), keys
// and values sorted by name so two registries that hold the same compare equal. Names are
// printed with \\, \0, \r and \n escaped, so a name holding a NUL stays visible. Output UTF-8.
// Exit status 0, 1 when a key given cannot be opened, 2 for bad arguments.
#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

std::string utf8(const std::wstring& w) {
    if (w.empty()) return {};
    int n = WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), nullptr, 0, nullptr, nullptr);
    std::string s(n, '\0');
    WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), s.data(), n, nullptr, nullptr);
    return s;
}

std::string shown(const std::wstring& name) {
    std::wstring out;
    for (wchar_t c : name) {
        if (c == L'\\')
            out += L"\\\\";
        else if (c == 0)
            out += L"\\0";
        else if (c == L'\r')
            out += L"\\r";
        else if (c == L'\n')
            out += L"\\n";
        else
            out += c;
    }
    return utf8(out);
}

struct Root {
    const wchar_t* name;
    HKEY key;
};
const Root kRoots[] = {{L"HKEY_CLASSES_ROOT", HKEY_CLASSES_ROOT},
                       {L"HKEY_CURRENT_USER", HKEY_CURRENT_USER},
                       {L"HKEY_LOCAL_MACHINE", HKEY_LOCAL_MACHINE},
                       {L"HKEY_USERS", HKEY_USERS},
                       {L"HKEY_CURRENT_CONFIG", HKEY_CURRENT_CONFIG}};

void dump(HKEY key, const std::wstring& path) {
    std::printf("[%s]\n", utf8(path).c_str());
    DWORD subKeys = 0, maxSub = 0, values = 0, maxName = 0, maxData = 0;
    RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &subKeys, &maxSub, nullptr, &values, &maxName, &maxData, nullptr,
                     nullptr);
    struct Value {
        std::wstring name;
        DWORD type;
        std::vector<BYTE> data;
    };
    std::vector<Value> list;
    for (DWORD i = 0; i < values; ++i) {
        std::vector<wchar_t> name(maxName + 2);
        std::vector<BYTE> data(maxData + 1);
        DWORD nameLen = static_cast<DWORD>(name.size()), dataLen = static_cast<DWORD>(data.size()), type = 0;
        if (RegEnumValueW(key, i, name.data(), &nameLen, nullptr, &type, data.data(), &dataLen) != ERROR_SUCCESS)
            continue;
        list.push_back(
            {std::wstring(name.data(), nameLen), type, std::vector<BYTE>(data.begin(), data.begin() + dataLen)});
    }
    std::sort(list.begin(), list.end(), [](const Value& a, const Value& b) { return a.name < b.name; });
    for (const Value& v : list) {
        std::printf("  %s\t%lu\t", shown(v.name).c_str(), static_cast<unsigned long>(v.type));
        for (size_t i = 0; i < v.data.size(); ++i) std::printf(i ? ",%02x" : "%02x", v.data[i]);
        std::printf("\n");
    }
    std::vector<std::wstring> names;
    for (DWORD i = 0; i < subKeys; ++i) {
        std::vector<wchar_t> name(maxSub + 2);
        DWORD len = static_cast<DWORD>(name.size());
        if (RegEnumKeyExW(key, i, name.data(), &len, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS)
            names.emplace_back(name.data(), len);
    }
    std::sort(names.begin(), names.end());
    for (const std::wstring& n : names) {
        HKEY child = nullptr;
        if (RegOpenKeyExW(key, n.c_str(), 0, KEY_READ, &child) != ERROR_SUCCESS) {
            std::printf("[%s\\%s] cannot be opened\n", utf8(path).c_str(), shown(n).c_str());
            continue;
        }
        dump(child, path + L"\\" + n);
        RegCloseKey(child);
    }
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    _setmode(_fileno(stdout), _O_BINARY);
    if (argc < 2) {
        std::fprintf(stderr, "usage: regdump ROOT\\path ...\n");
        return 2;
    }
    int rc = 0;
    for (int a = 1; a < argc; ++a) {
        std::wstring full = argv[a];
        const size_t slash = full.find(L'\\');
        const std::wstring rootName = full.substr(0, slash);
        const std::wstring path = slash == std::wstring::npos ? L"" : full.substr(slash + 1);
        HKEY root = nullptr;
        for (const Root& r : kRoots)
            if (_wcsicmp(r.name, rootName.c_str()) == 0) root = r.key;
        HKEY key = nullptr;
        if (!root || RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
            std::fprintf(stderr, "regdump: cannot open %s\n", utf8(full).c_str());
            rc = 1;
            continue;
        }
        dump(key, full);
        RegCloseKey(key);
    }
    std::fflush(stdout);
    return rc;
}
