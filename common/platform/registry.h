// The registry service: the twelve registry operations of the platform, with the platform's
// result codes. Win32 implementation in win32/, in-memory substitute in fake/.
//
// Names (keys, values) travel as UTF-8 that round-trips every UTF-16 name, lone surrogates
// included (WTF-8, see common/text/text.h). Value data travels as the raw bytes the registry
// stores: strings are UTF-16LE, as the wide calls see them.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace plat {

using RegHandle = std::uintptr_t;  // 0 = no key

// Predefined roots, carried as their 32-bit values.
constexpr RegHandle kHkeyClassesRoot = 0x80000000u;
constexpr RegHandle kHkeyCurrentUser = 0x80000001u;
constexpr RegHandle kHkeyLocalMachine = 0x80000002u;
constexpr RegHandle kHkeyUsers = 0x80000003u;
constexpr RegHandle kHkeyPerformanceData = 0x80000004u;
constexpr RegHandle kHkeyCurrentConfig = 0x80000005u;
constexpr RegHandle kHkeyDynData = 0x80000006u;

// Result codes the callers look at.
constexpr long kErrorSuccess = 0;
constexpr long kErrorInvalidFunction = 1;
constexpr long kErrorFileNotFound = 2;
constexpr long kErrorAccessDenied = 5;
constexpr long kErrorInvalidHandle = 6;
constexpr long kErrorInvalidParameter = 87;
constexpr long kErrorMoreData = 234;
constexpr long kErrorNoMoreItems = 259;
constexpr long kErrorBadKey = 1010;
constexpr long kErrorKeyDeleted = 1018;  // the key behind an open handle was deleted meanwhile

// The deepest key path the platform creates (levels below a root). Deeper paths exist only
// through links that lead back into their own key, so every walk stops here instead of
// recursing without end.
constexpr int kMaxKeyDepth = 512;

// Access masks.
constexpr uint32_t kKeyQueryValue = 0x0001;
constexpr uint32_t kKeySetValue = 0x0002;
constexpr uint32_t kKeyCreateSubKey = 0x0004;
constexpr uint32_t kKeyEnumerateSubKeys = 0x0008;
constexpr uint32_t kKeyRead = 0x20019;
constexpr uint32_t kKeyFullAccess = 0x2003F;  // the cleaner's "full access"
constexpr uint32_t kKeyAllAccess = 0xF003F;
constexpr uint32_t kKeyWow64_64Key = 0x0100;
constexpr uint32_t kKeyWow64_32Key = 0x0200;

// Value types.
constexpr uint32_t kRegNone = 0;
constexpr uint32_t kRegSz = 1;
constexpr uint32_t kRegExpandSz = 2;
constexpr uint32_t kRegBinary = 3;
constexpr uint32_t kRegDword = 4;
constexpr uint32_t kRegDwordBigEndian = 5;
constexpr uint32_t kRegMultiSz = 7;
constexpr uint32_t kRegQword = 11;

struct KeyInfo {
    uint32_t subKeys = 0;
    uint32_t maxSubKeyLen = 0;  // characters, without the NUL
    uint32_t values = 0;
    uint32_t maxValueNameLen = 0;  // characters, without the NUL
    uint32_t maxValueLen = 0;      // bytes
};

// Each call mirrors its wide Win32 namesake; buffer capacities are passed the way the
// platform takes them (characters for names, bytes for data) so callers keep the
// platform's "more data" behaviour.
class Registry {
public:
    virtual ~Registry() = default;

    // RegOpenKeyW: opens with the most access the caller may have.
    virtual long openKey(RegHandle parent, std::string_view subKey, RegHandle* out) = 0;
    // RegOpenKeyExW.
    virtual long openKeyEx(RegHandle parent, std::string_view subKey, uint32_t sam, RegHandle* out) = 0;
    // RegCreateKeyW: opens or creates with full rights.
    virtual long createKey(RegHandle parent, std::string_view subKey, RegHandle* out) = 0;
    // RegCreateKeyExW (no class, options 0); *created tells whether the key was new (may be null).
    virtual long createKeyEx(RegHandle parent, std::string_view subKey, uint32_t sam, RegHandle* out,
                             bool* created) = 0;
    // RegEnumKeyW: bufferChars counts the terminating NUL; a longer name gives kErrorMoreData.
    virtual long enumKey(RegHandle key, uint32_t index, uint32_t bufferChars, std::string* name) = 0;
    // RegEnumValueW. *nameChars: in the name buffer's capacity in characters (NUL included),
    // out the name's length. *dataBytes: in the data buffer's capacity, out the data size;
    // data == nullptr asks for type and size only. Data that does not fit gives kErrorMoreData
    // with *dataBytes set to the size needed; the name and type are still returned. A name
    // that does not fit gives kErrorMoreData with nothing returned.
    // `data` holds exactly the value's bytes after success and is empty after any failure.
    virtual long enumValue(RegHandle key, uint32_t index, std::string* name, uint32_t* nameChars, uint32_t* type,
                           std::vector<uint8_t>* data, uint32_t* dataBytes) = 0;
    // RegQueryValueExW, same data rules as enumValue. name "" is the default value.
    virtual long queryValueEx(RegHandle key, std::string_view name, uint32_t* type, std::vector<uint8_t>* data,
                              uint32_t* dataBytes) = 0;
    // RegQueryInfoKeyW.
    virtual long queryInfoKey(RegHandle key, KeyInfo* info) = 0;
    // RegSetValueExW: bytes are stored as given.
    virtual long setValueEx(RegHandle key, std::string_view name, uint32_t type, const uint8_t* data,
                            uint32_t bytes) = 0;
    // RegDeleteValueW.
    virtual long deleteValue(RegHandle key, std::string_view name) = 0;
    // RegDeleteKeyW: refuses a key that has subkeys with kErrorAccessDenied.
    virtual long deleteKey(RegHandle parent, std::string_view subKey) = 0;
    // RegDeleteKeyExW: the same in the registry view that `sam` names (kKeyWow64_32Key or
    // kKeyWow64_64Key). Stores without views delete as deleteKey does.
    virtual long deleteKeyEx(RegHandle parent, std::string_view subKey, uint32_t sam) {
        (void)sam;
        return deleteKey(parent, subKey);
    }
    // RegCloseKey: closing a predefined root is a no-op that succeeds.
    virtual long closeKey(RegHandle key) = 0;
    // The key's full name as the registry knows it, whatever path, link or view it was opened
    // through ("\REGISTRY\MACHINE\SOFTWARE\Classes\Wow6432Node\CLSID": NtQueryKey's name
    // information). Two handles are of one key exactly when their names are equal without regard
    // to case. Stores that cannot tell give kErrorInvalidFunction and an empty name.
    virtual long queryKeyName(RegHandle key, std::string* name) {
        (void)key;
        if (name) name->clear();
        return kErrorInvalidFunction;
    }
};

}  // namespace plat
