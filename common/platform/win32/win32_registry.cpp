#include "common/platform/win32/win32_registry.h"

#include <windows.h>

#include <winternl.h>

#include <algorithm>
#include <cstring>

#include "common/platform/win32/win32_text.h"

namespace plat {

namespace {

using win32::narrow;
using win32::wide;

// Predefined roots travel as their 32-bit values; the platform's handles are those values
// sign-extended to pointer width.
HKEY toHkey(RegHandle h) {
    if (h >= 0x80000000u && h <= 0x800000FFu)
        return reinterpret_cast<HKEY>(static_cast<intptr_t>(static_cast<int32_t>(static_cast<uint32_t>(h))));
    return reinterpret_cast<HKEY>(h);
}

RegHandle fromHkey(HKEY h) {
    const auto v = reinterpret_cast<uintptr_t>(h);
    const auto low = static_cast<uint32_t>(v);
    if (static_cast<intptr_t>(v) == static_cast<intptr_t>(static_cast<int32_t>(low)) && low >= 0x80000000u &&
        low <= 0x800000FFu)
        return low;
    return v;
}

// ---- names that hold a NUL ----
//
// The registry stores names as counted strings, so a value or key name may hold a NUL. The
// Reg* functions take NUL-terminated names and would address a shorter name, another value.
// Such names go through the native calls that take a counted name; every other name takes
// the usual path.

bool holdsNul(std::string_view name) { return name.find('\0') != std::string_view::npos; }

using NtOpenKeyFn = NTSTATUS(NTAPI*)(PHANDLE, ACCESS_MASK, POBJECT_ATTRIBUTES);
using NtQueryValueKeyFn = NTSTATUS(NTAPI*)(HANDLE, PUNICODE_STRING, ULONG, PVOID, ULONG, PULONG);
using NtSetValueKeyFn = NTSTATUS(NTAPI*)(HANDLE, PUNICODE_STRING, ULONG, ULONG, PVOID, ULONG);
using NtDeleteValueKeyFn = NTSTATUS(NTAPI*)(HANDLE, PUNICODE_STRING);
using RtlNtStatusToDosErrorFn = ULONG(NTAPI*)(NTSTATUS);
using NtQueryKeyFn = NTSTATUS(NTAPI*)(HANDLE, ULONG, PVOID, ULONG, PULONG);

struct NativeCalls {
    NtOpenKeyFn openKey = nullptr;
    NtQueryValueKeyFn queryValue = nullptr;
    NtSetValueKeyFn setValue = nullptr;
    NtDeleteValueKeyFn deleteValue = nullptr;
    RtlNtStatusToDosErrorFn toDosError = nullptr;
    NtQueryKeyFn queryKey = nullptr;  // not needed by the counted-name calls
    bool complete() const { return openKey && queryValue && setValue && deleteValue && toDosError; }
};

const NativeCalls& native() {
    static const NativeCalls calls = [] {
        NativeCalls c;
        if (HMODULE ntdll = GetModuleHandleW(L"ntdll.dll")) {
            c.openKey = reinterpret_cast<NtOpenKeyFn>(reinterpret_cast<void*>(GetProcAddress(ntdll, "NtOpenKey")));
            c.queryValue =
                reinterpret_cast<NtQueryValueKeyFn>(reinterpret_cast<void*>(GetProcAddress(ntdll, "NtQueryValueKey")));
            c.setValue =
                reinterpret_cast<NtSetValueKeyFn>(reinterpret_cast<void*>(GetProcAddress(ntdll, "NtSetValueKey")));
            c.deleteValue = reinterpret_cast<NtDeleteValueKeyFn>(
                reinterpret_cast<void*>(GetProcAddress(ntdll, "NtDeleteValueKey")));
            c.toDosError = reinterpret_cast<RtlNtStatusToDosErrorFn>(
                reinterpret_cast<void*>(GetProcAddress(ntdll, "RtlNtStatusToDosError")));
            c.queryKey = reinterpret_cast<NtQueryKeyFn>(reinterpret_cast<void*>(GetProcAddress(ntdll, "NtQueryKey")));
        }
        return c;
    }();
    return calls;
}

long dosError(NTSTATUS status) { return static_cast<long>(native().toDosError(status)); }

// A counted name the native calls take; the text must outlive it.
struct CountedName {
    explicit CountedName(std::string_view utf8) : text(wide(utf8)) {
        us.Buffer = text.data();
        us.Length = static_cast<USHORT>(std::min<size_t>(text.size() * sizeof(wchar_t), 0xFFFE));
        us.MaximumLength = us.Length;
    }
    bool fits() const { return text.size() * sizeof(wchar_t) <= 0xFFFE; }
    std::wstring text;
    UNICODE_STRING us{};
};

// A real handle for the native calls: predefined roots are only known to the Reg* functions,
// so those are opened once more; any other handle is used as it is.
class NativeHandle {
public:
    NativeHandle(HKEY key, REGSAM sam) {
        const auto v = reinterpret_cast<intptr_t>(key);
        if (v >= static_cast<intptr_t>(static_cast<int32_t>(0x80000000u)) &&
            v <= static_cast<intptr_t>(static_cast<int32_t>(0x800000FFu))) {
            rc_ = RegOpenKeyExW(key, L"", 0, sam, &owned_);
            handle_ = rc_ == ERROR_SUCCESS ? owned_ : nullptr;
        } else {
            handle_ = key;
        }
    }
    ~NativeHandle() {
        if (owned_) RegCloseKey(owned_);
    }
    NativeHandle(const NativeHandle&) = delete;
    NativeHandle& operator=(const NativeHandle&) = delete;
    HANDLE get() const { return handle_; }
    long error() const { return rc_; }

private:
    HKEY owned_ = nullptr;
    HANDLE handle_ = nullptr;
    long rc_ = ERROR_SUCCESS;
};

// Opens parent\path where the path holds a NUL: the part before the component with the NUL
// is opened as usual, the rest with the counted name.
long openCounted(HKEY parent, std::string_view path, REGSAM sam, HKEY* out) {
    *out = nullptr;
    if (!native().complete()) return ERROR_INVALID_PARAMETER;
    const size_t nul = path.find('\0');
    const size_t cut = path.rfind('\\', nul);
    HKEY base = parent;
    HKEY opened = nullptr;
    if (cut != std::string_view::npos) {
        const long rc = RegOpenKeyExW(parent, wide(path.substr(0, cut)).c_str(), 0, sam, &opened);
        if (rc != ERROR_SUCCESS) return rc;
        base = opened;
        path.remove_prefix(cut + 1);
    }
    long rc = ERROR_SUCCESS;
    {
        NativeHandle root(base, sam);
        CountedName name(path);
        if (root.get() == nullptr) {
            rc = root.error();
        } else if (!name.fits()) {
            rc = ERROR_INVALID_PARAMETER;
        } else {
            OBJECT_ATTRIBUTES attr;
            InitializeObjectAttributes(&attr, &name.us, OBJ_CASE_INSENSITIVE, root.get(), nullptr);
            HANDLE h = nullptr;
            const NTSTATUS st = native().openKey(&h, sam & ~(KEY_WOW64_32KEY | KEY_WOW64_64KEY), &attr);
            if (st >= 0)
                *out = static_cast<HKEY>(h);
            else
                rc = dosError(st);
        }
    }
    if (opened) RegCloseKey(opened);
    return rc;
}

long queryCounted(HKEY key, std::string_view name, DWORD* type, std::vector<uint8_t>* data, DWORD* bytes) {
    if (!native().complete()) return ERROR_INVALID_PARAMETER;
    NativeHandle h(key, KEY_QUERY_VALUE);
    if (!h.get()) return h.error();
    CountedName counted(name);
    if (!counted.fits()) return ERROR_FILE_NOT_FOUND;
    // KEY_VALUE_PARTIAL_INFORMATION: title index, type, data length, then the data.
    constexpr ULONG kHeader = 3 * sizeof(ULONG);
    constexpr ULONG kPartialInformation = 2;
    const ULONG capacity = data && bytes ? *bytes : 0;
    std::vector<uint8_t> buf(kHeader + capacity);
    ULONG got = 0;
    const NTSTATUS st = native().queryValue(h.get(), &counted.us, kPartialInformation, buf.data(),
                                            static_cast<ULONG>(buf.size()), &got);
    constexpr NTSTATUS kBufferOverflow = static_cast<NTSTATUS>(0x80000005L);
    if (st < 0 && st != kBufferOverflow) return dosError(st);
    ULONG t = 0, len = 0;
    std::memcpy(&t, buf.data() + sizeof(ULONG), sizeof t);
    std::memcpy(&len, buf.data() + 2 * sizeof(ULONG), sizeof len);
    if (type) *type = t;
    if (bytes) *bytes = len;
    if (st == kBufferOverflow) return data ? ERROR_MORE_DATA : ERROR_SUCCESS;
    if (data) data->assign(buf.begin() + kHeader, buf.begin() + kHeader + std::min<ULONG>(len, capacity));
    return ERROR_SUCCESS;
}

long setCounted(HKEY key, std::string_view name, DWORD type, const uint8_t* data, DWORD bytes) {
    if (!native().complete()) return ERROR_INVALID_PARAMETER;
    NativeHandle h(key, KEY_SET_VALUE);
    if (!h.get()) return h.error();
    CountedName counted(name);
    if (!counted.fits()) return ERROR_INVALID_PARAMETER;
    std::vector<uint8_t> copy(data, data + bytes);
    const NTSTATUS st = native().setValue(h.get(), &counted.us, 0, type, copy.empty() ? nullptr : copy.data(), bytes);
    return st >= 0 ? ERROR_SUCCESS : dosError(st);
}

long deleteCounted(HKEY key, std::string_view name) {
    if (!native().complete()) return ERROR_INVALID_PARAMETER;
    NativeHandle h(key, KEY_SET_VALUE);
    if (!h.get()) return h.error();
    CountedName counted(name);
    if (!counted.fits()) return ERROR_FILE_NOT_FOUND;
    const NTSTATUS st = native().deleteValue(h.get(), &counted.us);
    return st >= 0 ? ERROR_SUCCESS : dosError(st);
}

}  // namespace

long Win32Registry::openKey(RegHandle parent, std::string_view subKey, RegHandle* out) {
    if (!out) return ERROR_INVALID_PARAMETER;
    HKEY h = nullptr;
    const long rc = holdsNul(subKey) ? openCounted(toHkey(parent), subKey, MAXIMUM_ALLOWED, &h)
                                     : RegOpenKeyW(toHkey(parent), wide(subKey).c_str(), &h);
    *out = rc == ERROR_SUCCESS ? fromHkey(h) : 0;
    return rc;
}

long Win32Registry::openKeyEx(RegHandle parent, std::string_view subKey, uint32_t sam, RegHandle* out) {
    if (!out) return ERROR_INVALID_PARAMETER;
    HKEY h = nullptr;
    const long rc = holdsNul(subKey) ? openCounted(toHkey(parent), subKey, sam, &h)
                                     : RegOpenKeyExW(toHkey(parent), wide(subKey).c_str(), 0, sam, &h);
    *out = rc == ERROR_SUCCESS ? fromHkey(h) : 0;
    return rc;
}

long Win32Registry::createKey(RegHandle parent, std::string_view subKey, RegHandle* out) {
    if (!out) return ERROR_INVALID_PARAMETER;
    HKEY h = nullptr;
    const long rc = RegCreateKeyW(toHkey(parent), wide(subKey).c_str(), &h);
    *out = rc == ERROR_SUCCESS ? fromHkey(h) : 0;
    return rc;
}

long Win32Registry::createKeyEx(RegHandle parent, std::string_view subKey, uint32_t sam, RegHandle* out,
                                bool* created) {
    if (created) *created = false;
    if (!out) return ERROR_INVALID_PARAMETER;
    HKEY h = nullptr;
    DWORD disposition = 0;
    const long rc =
        RegCreateKeyExW(toHkey(parent), wide(subKey).c_str(), 0, nullptr, 0, sam, nullptr, &h, &disposition);
    *out = rc == ERROR_SUCCESS ? fromHkey(h) : 0;
    if (rc == ERROR_SUCCESS && created) *created = disposition == REG_CREATED_NEW_KEY;
    return rc;
}

long Win32Registry::enumKey(RegHandle key, uint32_t index, uint32_t bufferChars, std::string* name) {
    if (name) name->clear();
    std::wstring buf(std::max<uint32_t>(bufferChars, 1), L'\0');
    // The Ex form gives the name's length, so a name that holds a NUL comes back whole.
    DWORD cch = bufferChars;
    const long rc = RegEnumKeyExW(toHkey(key), index, buf.data(), &cch, nullptr, nullptr, nullptr, nullptr);
    if (rc == ERROR_SUCCESS && name) *name = narrow(buf.data(), std::min<size_t>(cch, buf.size()));
    return rc;
}

long Win32Registry::enumValue(RegHandle key, uint32_t index, std::string* name, uint32_t* nameChars, uint32_t* type,
                              std::vector<uint8_t>* data, uint32_t* dataBytes) {
    if (name) name->clear();
    if (data) data->clear();
    if (!nameChars || (data && !dataBytes)) return ERROR_INVALID_PARAMETER;
    std::wstring nameBuf(std::max<uint32_t>(*nameChars, 1), L'\0');
    DWORD cch = *nameChars;
    DWORD t = 0;
    std::vector<uint8_t> buf(data ? std::max<uint32_t>(*dataBytes, 1) : 0);
    DWORD cb = dataBytes ? *dataBytes : 0;
    long rc = RegEnumValueW(toHkey(key), index, nameBuf.data(), &cch, nullptr, &t, data ? buf.data() : nullptr,
                            dataBytes ? &cb : nullptr);
    if (rc == ERROR_MORE_DATA && data) {
        // Either the name or the data did not fit: ask again for the size only to tell which.
        cch = *nameChars;
        cb = 0;
        const long sizeRc = RegEnumValueW(toHkey(key), index, nameBuf.data(), &cch, nullptr, &t, nullptr, &cb);
        if (sizeRc != ERROR_SUCCESS) return sizeRc == ERROR_MORE_DATA ? ERROR_MORE_DATA : sizeRc;
        if (name) *name = narrow(nameBuf.data(), cch);
        *nameChars = cch;
        if (type) *type = t;
        *dataBytes = cb;
        return ERROR_MORE_DATA;
    }
    if (rc != ERROR_SUCCESS) return rc;
    if (name) *name = narrow(nameBuf.data(), std::min<size_t>(cch, nameBuf.size()));
    *nameChars = cch;
    if (type) *type = t;
    if (dataBytes) *dataBytes = cb;
    if (data) data->assign(buf.begin(), buf.begin() + std::min<size_t>(cb, buf.size()));
    return rc;
}

long Win32Registry::queryValueEx(RegHandle key, std::string_view name, uint32_t* type, std::vector<uint8_t>* data,
                                 uint32_t* dataBytes) {
    if (data) data->clear();
    if (data && !dataBytes) return ERROR_INVALID_PARAMETER;
    if (holdsNul(name)) {
        DWORD t = 0, cb = dataBytes ? *dataBytes : 0;
        const long rc = queryCounted(toHkey(key), name, &t, data, dataBytes ? &cb : nullptr);
        if (rc != ERROR_SUCCESS && rc != ERROR_MORE_DATA) return rc;
        if (type) *type = t;
        if (dataBytes) *dataBytes = cb;
        return rc;
    }
    std::vector<uint8_t> buf(data ? std::max<uint32_t>(*dataBytes, 1) : 0);
    DWORD cb = dataBytes ? *dataBytes : 0;
    DWORD t = 0;
    const long rc = RegQueryValueExW(toHkey(key), wide(name).c_str(), nullptr, &t, data ? buf.data() : nullptr,
                                     dataBytes ? &cb : nullptr);
    if (rc != ERROR_SUCCESS && rc != ERROR_MORE_DATA) return rc;
    if (type) *type = t;
    if (dataBytes) *dataBytes = cb;
    if (rc == ERROR_SUCCESS && data) data->assign(buf.begin(), buf.begin() + std::min<size_t>(cb, buf.size()));
    return rc;
}

long Win32Registry::queryInfoKey(RegHandle key, KeyInfo* info) {
    DWORD subKeys = 0, maxSubKeyLen = 0, values = 0, maxValueNameLen = 0, maxValueLen = 0;
    const long rc = RegQueryInfoKeyW(toHkey(key), nullptr, nullptr, nullptr, &subKeys, &maxSubKeyLen, nullptr, &values,
                                     &maxValueNameLen, &maxValueLen, nullptr, nullptr);
    if (rc == ERROR_SUCCESS && info) {
        info->subKeys = subKeys;
        info->maxSubKeyLen = maxSubKeyLen;
        info->values = values;
        info->maxValueNameLen = maxValueNameLen;
        info->maxValueLen = maxValueLen;
    }
    return rc;
}

long Win32Registry::setValueEx(RegHandle key, std::string_view name, uint32_t type, const uint8_t* data,
                               uint32_t bytes) {
    if (!data && bytes) return ERROR_INVALID_PARAMETER;
    if (holdsNul(name)) return setCounted(toHkey(key), name, type, data, bytes);
    // The platform adds a terminator to a string whose byte after the given size is a NUL;
    // a non-NUL guard after the copy keeps the stored bytes exactly as given.
    std::vector<uint8_t> buf(data, data + bytes);
    buf.insert(buf.end(), {0xFF, 0xFF, 0xFF, 0xFF});
    return RegSetValueExW(toHkey(key), wide(name).c_str(), 0, type, buf.data(), bytes);
}

long Win32Registry::deleteValue(RegHandle key, std::string_view name) {
    if (holdsNul(name)) return deleteCounted(toHkey(key), name);
    return RegDeleteValueW(toHkey(key), wide(name).c_str());
}

long Win32Registry::deleteKey(RegHandle parent, std::string_view subKey) {
    return RegDeleteKeyW(toHkey(parent), wide(subKey).c_str());
}

long Win32Registry::deleteKeyEx(RegHandle parent, std::string_view subKey, uint32_t sam) {
    return RegDeleteKeyExW(toHkey(parent), wide(subKey).c_str(), sam & (KEY_WOW64_32KEY | KEY_WOW64_64KEY), 0);
}

long Win32Registry::closeKey(RegHandle key) { return RegCloseKey(toHkey(key)); }

long Win32Registry::queryKeyName(RegHandle key, std::string* name) {
    if (name) name->clear();
    if (!native().queryKey || !native().toDosError) return ERROR_INVALID_FUNCTION;
    // The classes root may come back from an open as the predefined handle, which the native
    // call does not take: its name is that of the machine's classes key it shows.
    HKEY classes = nullptr;
    if (toHkey(key) == HKEY_CLASSES_ROOT) {
        const long rc = RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"Software\\Classes", 0, KEY_QUERY_VALUE, &classes);
        if (rc != ERROR_SUCCESS) return rc;
    }
    struct CloseClasses {
        HKEY h;
        ~CloseClasses() {
            if (h) RegCloseKey(h);
        }
    } closeClasses{classes};
    NativeHandle h(classes ? classes : toHkey(key), KEY_QUERY_VALUE);
    if (!h.get()) return h.error();
    // KEY_NAME_INFORMATION: the name's length in bytes, then the name (no NUL).
    constexpr ULONG kNameInformation = 3;
    std::vector<uint8_t> buf(sizeof(ULONG) + 512 * sizeof(wchar_t));
    for (int attempt = 0; attempt < 2; ++attempt) {
        ULONG got = 0;
        const NTSTATUS st =
            native().queryKey(h.get(), kNameInformation, buf.data(), static_cast<ULONG>(buf.size()), &got);
        constexpr NTSTATUS kBufferOverflow = static_cast<NTSTATUS>(0x80000005L);
        constexpr NTSTATUS kBufferTooSmall = static_cast<NTSTATUS>(0xC0000023L);
        if ((st == kBufferOverflow || st == kBufferTooSmall) && attempt == 0 && got > buf.size()) {
            buf.resize(got);
            continue;
        }
        if (st < 0) return dosError(st);
        ULONG len = 0;
        std::memcpy(&len, buf.data(), sizeof len);
        len = std::min<ULONG>(len, static_cast<ULONG>(buf.size() - sizeof(ULONG)));
        std::wstring w(len / sizeof(wchar_t), L'\0');
        std::memcpy(w.data(), buf.data() + sizeof(ULONG), w.size() * sizeof(wchar_t));
        if (name) *name = narrow(w.data(), w.size());
        return ERROR_SUCCESS;
    }
    return ERROR_MORE_DATA;
}

}  // namespace plat
