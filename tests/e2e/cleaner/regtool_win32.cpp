// What the repair-safety script needs that the system's tools cannot do: values whose names
// hold a NUL (planted and read with the native counted-name calls, independent of the suite's
// registry service), a registry link that leads back into its own key, and a file held open
// without sharing.
//
//   regtool plant-nul KEY              below HKCU: abc, @ (valid), "abc" NUL "hidden", NUL "hidden2"
//   regtool values KEY                 below HKCU: one line per value, name (NUL as \0, other units
//                                      outside ASCII as \uXXXX) TAB type TAB hex, sorted
//   regtool plant-undo KEY             below HKCU: broken values of the types and names a repair
//                                      deletes (text, expandable, multi-string, odd data, odd names)
//   regtool link KEY NAME              below HKCU: KEY\NAME becomes a link to KEY
//   regtool hold FILE STOPFILE         opens FILE without sharing until STOPFILE exists (60 s at most)
#include <windows.h>
#include <winternl.h>
#include <sddl.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

using NtSetValueKeyFn = NTSTATUS(NTAPI*)(HANDLE, PUNICODE_STRING, ULONG, ULONG, PVOID, ULONG);

HKEY createKey(const std::wstring& path) {
    HKEY h = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &h, nullptr) != 0)
        return nullptr;
    return h;
}

bool setCounted(HKEY key, const std::wstring& name, const std::wstring& text) {
    auto fn = reinterpret_cast<NtSetValueKeyFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtSetValueKey")));
    if (!fn) return false;
    UNICODE_STRING us;
    us.Buffer = const_cast<wchar_t*>(name.data());
    us.Length = us.MaximumLength = static_cast<USHORT>(name.size() * sizeof(wchar_t));
    std::wstring data = text + L'\0';
    return fn(key, &us, 0, REG_SZ, data.data(), static_cast<ULONG>(data.size() * sizeof(wchar_t))) >= 0;
}

int plantNul(const std::wstring& path) {
    HKEY h = createKey(path);
    if (!h) return 1;
    const std::wstring valid = L"C:\\windows\\notepad.exe";
    bool ok = setCounted(h, L"abc", valid) && setCounted(h, L"", valid) &&
              setCounted(h, std::wstring(L"abc\0hidden", 10), L"C:\\gone\\hidden.exe") &&
              setCounted(h, std::wstring(L"\0hidden2", 8), L"C:\\gone\\hidden2.exe");
    RegCloseKey(h);
    return ok ? 0 : 1;
}

int values(const std::wstring& path) {
    std::vector<std::string> lines;
    HKEY h = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &h) != 0) return 1;
    for (DWORD i = 0;; ++i) {
        wchar_t name[16384];
        DWORD chars = 16384, type = 0, bytes = 0;
        if (RegEnumValueW(h, i, name, &chars, nullptr, &type, nullptr, &bytes) != 0) break;
        std::vector<BYTE> data(bytes + 2);
        DWORD got = bytes;
        chars = 16384;
        RegEnumValueW(h, i, name, &chars, nullptr, &type, data.data(), &got);
        std::string line;
        for (DWORD c = 0; c < chars; ++c) {
            if (name[c] == 0)
                line += "\\0";
            else if (name[c] < 0x80)
                line += static_cast<char>(name[c]);
            else {
                char u[8];
                std::snprintf(u, sizeof u, "\\u%04x", static_cast<unsigned>(name[c]));
                line += u;
            }
        }
        char buf[16];
        std::snprintf(buf, sizeof buf, "\t%lu\t", static_cast<unsigned long>(type));
        line += buf;
        for (DWORD b = 0; b < got; ++b) {
            std::snprintf(buf, sizeof buf, "%02x", data[b]);
            line += buf;
        }
        lines.push_back(line);
    }
    RegCloseKey(h);
    std::sort(lines.begin(), lines.end());
    for (const std::string& l : lines) std::printf("%s\n", l.c_str());
    return 0;
}

bool setRaw(HKEY key, const std::wstring& name, DWORD type, const std::vector<BYTE>& data) {
    return RegSetValueExW(key, name.c_str(), 0, type, data.data(), static_cast<DWORD>(data.size())) == 0;
}

std::vector<BYTE> utf16(const std::wstring& text, bool nul = true) {
    std::vector<BYTE> out;
    for (wchar_t c : text) {
        out.push_back(static_cast<BYTE>(c & 0xFF));
        out.push_back(static_cast<BYTE>(c >> 8));
    }
    if (nul) out.insert(out.end(), {0, 0});
    return out;
}

int plantUndo(const std::wstring& path) {
    HKEY h = createKey(path);
    if (!h) return 1;
    std::vector<BYTE> embedded = utf16(L"C:\\gone\\e.exe", true);
    const std::vector<BYTE> tail = utf16(L"tail", true);
    embedded.insert(embedded.end(), tail.begin(), tail.end());
    std::vector<BYTE> odd = utf16(L"C:\\gone\\o.exe", true);
    odd.push_back(0x7A);  // one byte more: odd length
    std::vector<BYTE> multi = utf16(L"C:\\gone\\m.exe", true);
    const std::vector<BYTE> second = utf16(L"second", true);
    multi.insert(multi.end(), second.begin(), second.end());
    multi.insert(multi.end(), {0, 0});
    bool ok = setRaw(h, L"plain", REG_SZ, utf16(L"C:\\gone\\a.exe")) &&
              setRaw(h, L"", REG_SZ, utf16(L"C:\\gone\\default.exe")) &&
              setRaw(h, L"expand", REG_EXPAND_SZ, utf16(L"C:\\gone\\%USERNAME%\\b.exe")) &&
              setRaw(h, L"multi", REG_MULTI_SZ, multi) &&
              setRaw(h, L"q\"u\\o\"te", REG_SZ, utf16(L"C:\\gone\\q.exe")) &&
              setRaw(h, L"\x041a\x043b\x044e\x0447 \x4e2d", REG_SZ, utf16(L"C:\\gone\\k.exe")) &&
              setRaw(h, L"embedded", REG_SZ, embedded) && setRaw(h, L"odd", REG_SZ, odd) &&
              setRaw(h, L"keep", REG_SZ, utf16(L"C:\\windows\\notepad.exe"));
    RegCloseKey(h);
    return ok ? 0 : 1;
}

std::wstring userSid() {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return L"";
    std::vector<BYTE> buf(512);
    DWORD got = 0;
    std::wstring out;
    if (GetTokenInformation(token, TokenUser, buf.data(), static_cast<DWORD>(buf.size()), &got)) {
        wchar_t* text = nullptr;
        if (ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(buf.data())->User.Sid, &text)) {
            out = text;
            LocalFree(text);
        }
    }
    CloseHandle(token);
    return out;
}

int link(const std::wstring& path, const std::wstring& name) {
    HKEY parent = createKey(path);
    if (!parent) return 1;
    RegCloseKey(parent);
    HKEY h = nullptr;
    const std::wstring full = path + L"\\" + name;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, full.c_str(), 0, nullptr, REG_OPTION_CREATE_LINK,
                        KEY_ALL_ACCESS | KEY_CREATE_LINK, nullptr, &h, nullptr) != 0)
        return 2;
    const std::wstring target = L"\\Registry\\User\\" + userSid() + L"\\" + path;
    const long rc = RegSetValueExW(h, L"SymbolicLinkValue", 0, REG_LINK, reinterpret_cast<const BYTE*>(target.data()),
                                   static_cast<DWORD>(target.size() * sizeof(wchar_t)));
    RegCloseKey(h);
    return rc == 0 ? 0 : 3;
}

int hold(const std::wstring& file, const std::wstring& stop) {
    HANDLE h = CreateFileW(file.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return 1;
    std::printf("holding\n");
    std::fflush(stdout);
    for (int i = 0; i < 600 && GetFileAttributesW(stop.c_str()) == INVALID_FILE_ATTRIBUTES; ++i) Sleep(100);
    CloseHandle(h);
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const std::wstring cmd = argc > 1 ? argv[1] : L"";
    if (cmd == L"plant-nul" && argc == 3) return plantNul(argv[2]);
    if (cmd == L"values" && argc == 3) return values(argv[2]);
    if (cmd == L"plant-undo" && argc == 3) return plantUndo(argv[2]);
    if (cmd == L"link" && argc == 4) return link(argv[2], argv[3]);
    if (cmd == L"hold" && argc == 4) return hold(argv[2], argv[3]);
    std::fprintf(stderr, "usage: regtool plant-nul|values KEY | link KEY NAME | hold FILE STOPFILE\n");
    return 2;
}
