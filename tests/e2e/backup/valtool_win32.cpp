// What the restore check needs that the system's tools cannot do: values whose names hold a NUL
// and values whose data the registry editor's file cannot hold, planted with the native
// counted-name call, and every value of a tree read back byte for byte.
//
//   valtool plant KEY     below HKCU: KEY\Names (abc and "abc" NUL "hidden", the default value
//                         and NUL "hidden2", beside values of every type the editor keeps
//                         exactly) and KEY\Data (data the editor's file cannot hold exactly)
//   valtool dump KEY      below HKCU: one line per value of KEY and every key below it: the key
//                         path below KEY, TAB, the name (NUL as \0, units outside ASCII as \uXXXX),
//                         TAB, the type, TAB, the data in hex; sorted
//   valtool text TITLE    the texts of the controls of the top-level window with that title (a
//                         message box's message), in UTF-8
#include <windows.h>
#include <winternl.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

using NtSetValueKeyFn = NTSTATUS(NTAPI*)(HANDLE, PUNICODE_STRING, ULONG, ULONG, PVOID, ULONG);
using Bytes = std::vector<BYTE>;

Bytes utf16(const std::wstring& text, bool nul = true) {
    Bytes out;
    for (wchar_t c : text) {
        out.push_back(static_cast<BYTE>(c & 0xFF));
        out.push_back(static_cast<BYTE>(c >> 8));
    }
    if (nul) out.insert(out.end(), {0, 0});
    return out;
}

bool setCounted(HKEY key, const std::wstring& name, DWORD type, Bytes data) {
    auto fn = reinterpret_cast<NtSetValueKeyFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtSetValueKey")));
    if (!fn) return false;
    UNICODE_STRING us;
    us.Buffer = const_cast<wchar_t*>(name.data());
    us.Length = us.MaximumLength = static_cast<USHORT>(name.size() * sizeof(wchar_t));
    return fn(key, &us, 0, type, data.empty() ? nullptr : data.data(), static_cast<ULONG>(data.size())) >= 0;
}

HKEY createKey(const std::wstring& path) {
    HKEY h = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &h, nullptr) != 0)
        return nullptr;
    return h;
}

int plant(const std::wstring& path) {
    HKEY names = createKey(path + L"\\Names"), data = createKey(path + L"\\Data");
    if (!names || !data) return 1;
    Bytes multi = utf16(L"one");
    const Bytes two = utf16(L"two");
    multi.insert(multi.end(), two.begin(), two.end());
    multi.insert(multi.end(), {0, 0});
    Bytes embedded = utf16(L"before");
    const Bytes after = utf16(L"after");
    embedded.insert(embedded.end(), after.begin(), after.end());
    Bytes odd = utf16(L"odd");
    odd.push_back(0x41);
    bool ok =
        // Names the editor cuts at their NUL, beside the names they are cut to.
        setCounted(names, L"abc", REG_SZ, utf16(L"the real abc")) &&
        setCounted(names, std::wstring(L"abc\0hidden", 10), REG_SZ, utf16(L"abc NUL hidden")) &&
        setCounted(names, L"", REG_SZ, utf16(L"the real default")) &&
        setCounted(names, std::wstring(L"\0hidden2", 8), REG_SZ, utf16(L"NUL hidden2")) &&
        // Values the editor keeps exactly.
        setCounted(names, L"plain", REG_SZ, utf16(L"C:\\x\\\"quoted\" \x00e9\x4e2d")) &&
        setCounted(names, L"expand", REG_EXPAND_SZ, utf16(L"%SystemRoot%\\x")) &&
        setCounted(names, L"multi", REG_MULTI_SZ, multi) &&
        setCounted(names, L"binary", REG_BINARY, Bytes{0x00, 0xff, 0x10}) &&
        setCounted(names, L"dword", REG_DWORD, Bytes{1, 2, 3, 4}) &&
        setCounted(names, L"qword", REG_QWORD, Bytes{1, 2, 3, 4, 5, 6, 7, 8}) &&
        setCounted(names, L"none", REG_NONE, Bytes{9, 8}) && setCounted(names, L"odd type", 0x1234, Bytes{7}) &&
        setCounted(names, L"nul only", REG_SZ, utf16(L"")) &&
        // Data the editor's file cannot hold exactly.
        setCounted(data, L"no final nul", REG_SZ, utf16(L"abc", false)) &&
        setCounted(data, L"embedded nul", REG_SZ, embedded) && setCounted(data, L"empty text", REG_SZ, Bytes{}) &&
        setCounted(data, L"three-byte number", REG_DWORD, Bytes{1, 2, 3}) &&
        setCounted(data, L"odd length", REG_SZ, odd) &&
        setCounted(data, L"expand without nul", REG_EXPAND_SZ, utf16(L"%x%", false)) &&
        setCounted(data, L"multi without nul", REG_MULTI_SZ, utf16(L"m", false)) &&
        setCounted(data, L"empty number", REG_DWORD, Bytes{}) &&
        setCounted(data, L"empty binary", REG_BINARY, Bytes{}) &&
        setCounted(data, L"empty expand", REG_EXPAND_SZ, Bytes{});
    RegCloseKey(names);
    RegCloseKey(data);
    return ok ? 0 : 1;
}

void dumpKey(HKEY h, const std::wstring& rel, std::vector<std::string>& lines) {
    auto narrow = [](const wchar_t* s, size_t n) {
        std::string out;
        for (size_t c = 0; c < n; ++c) {
            if (s[c] == 0)
                out += "\\0";
            else if (s[c] < 0x80 && s[c] >= 0x20 && s[c] != '\\')
                out += static_cast<char>(s[c]);
            else {
                char u[8];
                std::snprintf(u, sizeof u, "\\u%04x", static_cast<unsigned>(s[c]));
                out += u;
            }
        }
        return out;
    };
    for (DWORD i = 0;; ++i) {
        static wchar_t name[16384];
        DWORD chars = 16384, type = 0, bytes = 0;
        if (RegEnumValueW(h, i, name, &chars, nullptr, &type, nullptr, &bytes) != 0) break;
        Bytes data(bytes + 2);
        DWORD got = bytes;
        chars = 16384;
        RegEnumValueW(h, i, name, &chars, nullptr, &type, data.data(), &got);
        std::string line = narrow(rel.data(), rel.size()) + "\t" + narrow(name, chars);
        char buf[16];
        std::snprintf(buf, sizeof buf, "\t%lu\t", static_cast<unsigned long>(type));
        line += buf;
        for (DWORD b = 0; b < got; ++b) {
            std::snprintf(buf, sizeof buf, "%02x", data[b]);
            line += buf;
        }
        lines.push_back(line);
    }
    for (DWORD i = 0;; ++i) {
        wchar_t sub[512];
        DWORD chars = 512;
        if (RegEnumKeyExW(h, i, sub, &chars, nullptr, nullptr, nullptr, nullptr) != 0) break;
        HKEY child = nullptr;
        if (RegOpenKeyExW(h, sub, 0, KEY_READ, &child) != 0) continue;
        dumpKey(child, rel.empty() ? std::wstring(sub) : rel + L"\\" + sub, lines);
        RegCloseKey(child);
    }
}

int dump(const std::wstring& path) {
    HKEY h = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &h) != 0) return 1;
    std::vector<std::string> lines;
    dumpKey(h, L"", lines);
    RegCloseKey(h);
    std::sort(lines.begin(), lines.end());
    for (const std::string& l : lines) std::printf("%s\n", l.c_str());
    return 0;
}

struct Found {
    const wchar_t* title;
    HWND window = nullptr;
};

BOOL CALLBACK topLevel(HWND h, LPARAM p) {
    auto* f = reinterpret_cast<Found*>(p);
    wchar_t text[512] = {};
    GetWindowTextW(h, text, 512);
    if (IsWindowVisible(h) && std::wstring(text) == f->title) {
        f->window = h;
        return FALSE;
    }
    return TRUE;
}

BOOL CALLBACK childText(HWND h, LPARAM) {
    std::wstring text(GetWindowTextLengthW(h) + 1, L'\0');
    text.resize(GetWindowTextW(h, text.data(), static_cast<int>(text.size())));
    if (text.empty()) return TRUE;
    std::string utf8(WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, utf8.data(), static_cast<int>(utf8.size()), nullptr, nullptr);
    std::printf("%s\n", utf8.c_str());
    return TRUE;
}

int windowText(const wchar_t* title) {
    Found f{title};
    EnumWindows(topLevel, reinterpret_cast<LPARAM>(&f));
    if (!f.window) return 1;
    EnumChildWindows(f.window, childText, 0);
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const std::wstring cmd = argc > 1 ? argv[1] : L"";
    if (cmd == L"plant" && argc == 3) return plant(argv[2]);
    if (cmd == L"dump" && argc == 3) return dump(argv[2]);
    if (cmd == L"text" && argc == 3) return windowText(argv[2]);
    std::fprintf(stderr, "usage: valtool plant|dump KEY | text TITLE\n");
    return 2;
}
