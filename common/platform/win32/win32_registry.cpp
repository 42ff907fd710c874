#include "common/platform/win32/win32_registry.h"

#include <windows.h>

#include <algorithm>

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

}  // namespace

long Win32Registry::openKey(RegHandle parent, std::string_view subKey, RegHandle* out) {
    if (!out) return ERROR_INVALID_PARAMETER;
    HKEY h = nullptr;
    const long rc = RegOpenKeyW(toHkey(parent), wide(subKey).c_str(), &h);
    *out = rc == ERROR_SUCCESS ? fromHkey(h) : 0;
    return rc;
}

long Win32Registry::openKeyEx(RegHandle parent, std::string_view subKey, uint32_t sam, RegHandle* out) {
    if (!out) return ERROR_INVALID_PARAMETER;
    HKEY h = nullptr;
    const long rc = RegOpenKeyExW(toHkey(parent), wide(subKey).c_str(), 0, sam, &h);
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
    const long rc = RegCreateKeyExW(toHkey(parent), wide(subKey).c_str(), 0, nullptr, 0, sam, nullptr, &h,
                                    &disposition);
    *out = rc == ERROR_SUCCESS ? fromHkey(h) : 0;
    if (rc == ERROR_SUCCESS && created) *created = disposition == REG_CREATED_NEW_KEY;
    return rc;
}

long Win32Registry::enumKey(RegHandle key, uint32_t index, uint32_t bufferChars, std::string* name) {
    if (name) name->clear();
    std::wstring buf(std::max<uint32_t>(bufferChars, 1), L'\0');
    const long rc = RegEnumKeyW(toHkey(key), index, buf.data(), bufferChars);
    if (rc == ERROR_SUCCESS && name) {
        const size_t len = std::min(wcsnlen(buf.data(), buf.size()), buf.size());
        *name = narrow(buf.data(), len);
    }
    return rc;
}

long Win32Registry::enumValue(RegHandle key, uint32_t index, std::string* name, uint32_t* nameChars,
                              uint32_t* type, std::vector<uint8_t>* data, uint32_t* dataBytes) {
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
    const long rc = RegQueryInfoKeyW(toHkey(key), nullptr, nullptr, nullptr, &subKeys, &maxSubKeyLen, nullptr,
                                     &values, &maxValueNameLen, &maxValueLen, nullptr, nullptr);
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
    // The platform adds a terminator to a string whose byte after the given size is a NUL;
    // a non-NUL guard after the copy keeps the stored bytes exactly as given.
    std::vector<uint8_t> buf(data, data + bytes);
    buf.insert(buf.end(), {0xFF, 0xFF, 0xFF, 0xFF});
    return RegSetValueExW(toHkey(key), wide(name).c_str(), 0, type, buf.data(), bytes);
}

long Win32Registry::deleteValue(RegHandle key, std::string_view name) {
    return RegDeleteValueW(toHkey(key), wide(name).c_str());
}

long Win32Registry::deleteKey(RegHandle parent, std::string_view subKey) {
    return RegDeleteKeyW(toHkey(parent), wide(subKey).c_str());
}

long Win32Registry::deleteKeyEx(RegHandle parent, std::string_view subKey, uint32_t sam) {
    return RegDeleteKeyExW(toHkey(parent), wide(subKey).c_str(), sam & (KEY_WOW64_32KEY | KEY_WOW64_64KEY), 0);
}

long Win32Registry::closeKey(RegHandle key) { return RegCloseKey(toHkey(key)); }

}  // namespace plat
