#include "common/registry/mdl_registry.h"

#include <algorithm>
#include <cstdio>

#include "common/text/text.h"

namespace mdlreg {

using namespace plat;

namespace {

// Buffer sizes of the layer. Names are in characters (NUL included). Value data goes in two
// passes: the first learns name, type and size with a 255-byte buffer; anything longer is read
// again with a buffer of exactly the size reported, so long values come back whole.
constexpr uint32_t kNameChars = 261;
constexpr uint32_t kFirstPassBytes = 255;
constexpr uint32_t kCollectNameChars = 2000;
constexpr uint32_t kMaxValueNameChars = 16384;  // the platform's longest value name and its NUL

int32_t int32Le(const std::vector<uint8_t>& d) {
    uint32_t v = 0;
    for (size_t i = 0; i < 4 && i < d.size(); ++i) v |= static_cast<uint32_t>(d[i]) << (8 * i);
    return static_cast<int32_t>(v);
}

int32_t int32Be(const std::vector<uint8_t>& d) {
    uint32_t v = 0;
    for (size_t i = 0; i < 4; ++i) v = (v << 8) | (i < d.size() ? d[i] : 0);
    return static_cast<int32_t>(v);
}

std::string hexPairs(const std::vector<uint8_t>& d) {
    std::string out;
    out.reserve(d.size() * 3);
    char buf[4];
    for (size_t i = 0; i < d.size(); ++i) {
        if (i) out += ' ';
        std::snprintf(buf, sizeof buf, "%02X", d[i]);
        out += buf;
    }
    return out;
}

// Reads a value's bytes with a buffer of `capacity` bytes.
long readBytes(Registry& reg, RegHandle key, const std::string& name, uint32_t capacity,
               std::vector<uint8_t>* data, uint32_t* type = nullptr) {
    uint32_t bytes = capacity;
    uint32_t t = 0;
    const long rc = reg.queryValueEx(key, name, &t, data, &bytes);
    if (type) *type = t;
    return rc;
}

struct RootName {
    RegHandle handle;
    const char* name;
    bool inShortTable;
};

constexpr RootName kRoots[] = {
    {kHkeyClassesRoot, "HKEY_CLASSES_ROOT", true},
    {kHkeyCurrentUser, "HKEY_CURRENT_USER", true},
    {kHkeyLocalMachine, "HKEY_LOCAL_MACHINE", true},
    {kHkeyUsers, "HKEY_USERS", true},
    {kHkeyPerformanceData, "HKEY_PERFORMANCE_DATA", false},
    {kHkeyCurrentConfig, "HKEY_CURRENT_CONFIG", true},
    {kHkeyDynData, "HKEY_DYN_DATA", false},
};

}  // namespace

// ---- value data helpers ----

std::string TextFromRegBytes(const std::vector<uint8_t>& bytes, uint32_t size) {
    const size_t n = std::min<size_t>(size, bytes.size()) / 2;
    std::u16string w;
    w.reserve(n);
    for (size_t i = 0; i < n; ++i) {
        const char16_t u = static_cast<char16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
        if (u == 0) break;
        w += u;
    }
    return text::fromUtf16(w);
}

std::vector<uint8_t> RegBytesFromText(const std::string& textValue, bool withNul) {
    const std::u16string w = text::toUtf16(textValue);
    std::vector<uint8_t> out;
    out.reserve(w.size() * 2 + 2);
    for (char16_t c : w) {
        out.push_back(static_cast<uint8_t>(c & 0xFF));
        out.push_back(static_cast<uint8_t>(c >> 8));
    }
    if (withNul) out.insert(out.end(), {0, 0});
    return out;
}

// ---- handle-based operations ----

RegHandle OpenKeyFull(Registry& reg, RegHandle root, const std::string& path) {
    RegHandle h = 0;
    return reg.openKeyEx(root, path, kKeyFullAccess, &h) == kErrorSuccess ? h : 0;
}

void QueryKeyCounts(Registry& reg, RegHandle key, long* subKeys, long* values) {
    KeyInfo info;
    if (reg.queryInfoKey(key, &info) != kErrorSuccess) return;
    if (subKeys) *subKeys = static_cast<long>(info.subKeys);
    if (values) *values = static_cast<long>(info.values);
}

std::string EnumSubkeyName(Registry& reg, RegHandle key, long index) {
    // Names come back exact (no trimming), so a name with outer spaces can still be opened.
    if (index < 0) return "";
    std::string name;
    if (reg.enumKey(key, static_cast<uint32_t>(index), kNameChars, &name) != kErrorSuccess) return "";
    return name;
}

ValueEntry EnumValueEntry(Registry& reg, RegHandle key, long index, uint32_t nameChars) {
    ValueEntry e;
    if (index < 0) return e;
    // The name buffer starts at what the caller knows of the key (its longest name) and grows
    // to the platform's limit when a name does not fit, so no value is skipped for its name.
    uint32_t capacity = std::max(nameChars, kNameChars);
    uint32_t type = 0;
    uint32_t size = kFirstPassBytes;
    std::vector<uint8_t> first;
    long rc = kErrorMoreData;
    for (;;) {
        uint32_t chars = capacity;
        size = kFirstPassBytes;
        e.name.clear();
        rc = reg.enumValue(key, static_cast<uint32_t>(index), &e.name, &chars, &type, &first, &size);
        const bool nameDidNotFit = rc == kErrorMoreData && e.name.empty() && chars == capacity;
        if (!nameDidNotFit) break;
        if (capacity >= kMaxValueNameChars) return ValueEntry{};
        capacity = kMaxValueNameChars;
    }
    if (rc != kErrorSuccess && rc != kErrorMoreData) return ValueEntry{};
    e.type = type;
    // A fitting first pass already holds the data; only longer data is read again.
    if (rc == kErrorSuccess) {
        e.data = ValueDataText(type, first);
    } else if (type == kRegSz || type == kRegExpandSz || type == kRegMultiSz) {
        std::vector<uint8_t> all;
        if (readBytes(reg, key, e.name, size, &all) == kErrorSuccess) e.data = ValueDataText(type, all);
    }
    return e;
}

std::string ValueDataText(uint32_t type, const std::vector<uint8_t>& bytes) {
    switch (type) {
        case kRegSz:
        case kRegExpandSz:
        case kRegMultiSz:
            return TextFromRegBytes(bytes, static_cast<uint32_t>(bytes.size()));
        case kRegDword:
            // A 32-bit read: data longer than four bytes does not fit and gives "".
            return bytes.size() <= 4 ? std::to_string(int32Le(bytes)) : std::string();
        default:
            return {};
    }
}

long ReadValueDataText(Registry& reg, RegHandle key, const std::string& name, uint32_t* type, std::string* data) {
    uint32_t t = 0, size = 0;
    long rc = reg.queryValueEx(key, name, &t, nullptr, &size);
    if (rc != kErrorSuccess) return rc;
    std::vector<uint8_t> bytes;
    // The value may grow between the two calls; follow it a few times.
    for (int attempt = 0; attempt < 4; ++attempt) {
        rc = readBytes(reg, key, name, size, &bytes, &t);
        if (rc != kErrorMoreData) break;
        uint32_t needed = 0;
        if (reg.queryValueEx(key, name, &t, nullptr, &needed) != kErrorSuccess) break;
        size = needed;
    }
    if (rc != kErrorSuccess) return rc;
    *type = t;
    *data = ValueDataText(t, bytes);
    return kErrorSuccess;
}

// ---- path-based operations ----

bool KeyExists(Registry& reg, RegHandle root, const std::string& path) {
    RegHandle h = 0;
    const long rc = reg.openKey(root, path, &h);
    if (h && h != root) reg.closeKey(h);
    return rc != kErrorFileNotFound && rc != kErrorBadKey;
}

std::string ReadStringSetting(Registry& reg, RegHandle root, const std::string& path, const std::string& valueName,
                              const std::string& def) {
    RegHandle h = 0;
    if (reg.openKey(root, path, &h) != kErrorSuccess) return def;
    std::string result = def;
    uint32_t type = 0, size = 0;
    if (reg.queryValueEx(h, valueName, &type, nullptr, &size) == kErrorSuccess && type == kRegSz) {
        std::vector<uint8_t> data;
        if (readBytes(reg, h, valueName, size, &data) == kErrorSuccess)
            result = TextFromRegBytes(data, static_cast<uint32_t>(data.size()));
    }
    if (h != root) reg.closeKey(h);
    return result;
}

std::string ReadValueText(Registry& reg, RegHandle root, const std::string& path, const std::string& valueName) {
    RegHandle h = 0;
    if (reg.openKey(root, path, &h) != kErrorSuccess) return "";
    std::string result;
    uint32_t type = 0, size = 0;
    if (reg.queryValueEx(h, valueName, &type, nullptr, &size) == kErrorSuccess) {
        std::vector<uint8_t> data;
        switch (type) {
            case kRegSz:
            case kRegExpandSz:
            case kRegMultiSz:
                if (readBytes(reg, h, valueName, size, &data) == kErrorSuccess)
                    result = TextFromRegBytes(data, static_cast<uint32_t>(data.size()));
                break;
            case kRegBinary:
                if (readBytes(reg, h, valueName, size, &data) == kErrorSuccess) result = hexPairs(data);
                break;
            case kRegDword:
                if (readBytes(reg, h, valueName, 4, &data) == kErrorSuccess) result = std::to_string(int32Le(data));
                break;
            default:
                break;
        }
    }
    if (h != root) reg.closeKey(h);
    return result;
}

void WriteStringValue(Registry& reg, RegHandle root, const std::string& path, const std::string& valueName,
                      const std::string& textValue) {
    RegHandle h = 0;
    if (reg.createKey(root, path, &h) != kErrorSuccess) return;
    // Stored with its terminating NUL, as the registry expects a string to be.
    const std::vector<uint8_t> data = RegBytesFromText(textValue, true);
    reg.setValueEx(h, valueName, kRegSz, data.data(), static_cast<uint32_t>(data.size()));
    reg.closeKey(h);
}

long DeleteRegValue(Registry& reg, RegHandle root, const std::string& path, const std::string& valueName) {
    RegHandle h = 0;
    const long rc = reg.openKey(root, path, &h);
    if (rc != kErrorSuccess) return rc;
    const long del = reg.deleteValue(h, valueName);
    if (h != root) reg.closeKey(h);
    return del;
}

long DeleteRegValueIfUnchanged(Registry& reg, RegHandle root, const std::string& path, const std::string& valueName,
                               const std::string& listedType, const std::string& listedData) {
    RegHandle h = 0;
    const long rc = reg.openKey(root, path, &h);
    if (rc != kErrorSuccess) return rc;
    uint32_t type = 0;
    std::string data;
    long result = ReadValueDataText(reg, h, valueName, &type, &data);
    if (result == kErrorSuccess) {
        result = std::to_string(type) == listedType && data == listedData ? reg.deleteValue(h, valueName)
                                                                          : kValueChanged;
    }
    if (h != root) reg.closeKey(h);
    return result;
}

std::string JoinKeyPath(const std::string& a, const std::string& b, const std::string& c) {
    std::string s = a;
    for (const std::string* part : {&b, &c}) {
        if (part->empty()) continue;
        if (!s.empty()) s += '\\';
        s += *part;
    }
    std::string collapsed;
    collapsed.reserve(s.size());
    for (char ch : s)
        if (!(ch == '\\' && !collapsed.empty() && collapsed.back() == '\\')) collapsed += ch;
    for (char& ch : collapsed)
        if (ch == '/') ch = '\\';
    return collapsed;
}

Variant QueryValueVariant(Registry& reg, RegHandle key, const std::string& valueName) {
    Variant v;
    uint32_t size = 0;
    v.result = reg.queryValueEx(key, valueName, &v.type, nullptr, &size);
    if (v.result != kErrorSuccess) return v;
    if (v.type < kRegSz || v.type > kRegDwordBigEndian) {
        v.result = -1;
        return v;
    }
    std::vector<uint8_t> data;
    switch (v.type) {
        case kRegSz:
        case kRegExpandSz:
            // Up to the first NUL within the stored size: a string stored without its
            // terminator keeps its last character.
            v.result = readBytes(reg, key, valueName, size, &data);
            if (v.result == kErrorSuccess) v.value = TextFromRegBytes(data, static_cast<uint32_t>(data.size()));
            break;
        case kRegBinary:
            v.result = readBytes(reg, key, valueName, size, &data);
            if (v.result == kErrorSuccess) v.value = hexPairs(data);
            break;
        case kRegDword:
        case kRegDwordBigEndian:
            v.result = readBytes(reg, key, valueName, 4, &data);
            if (v.result == kErrorSuccess)
                v.value = std::to_string(v.type == kRegDword ? int32Le(data) : int32Be(data));
            break;
    }
    return v;
}

std::string ReadValueOrDefault(Registry& reg, RegHandle root, const std::string& basePath, const std::string& middle,
                               const std::string& keyName, const std::string& valueName, const std::string& def,
                               bool openForWrite, uint32_t sam) {
    const std::string path = JoinKeyPath(basePath, middle, keyName);
    RegHandle h = 0;
    if (reg.openKeyEx(root, path, (openForWrite ? kKeyFullAccess : kKeyRead) | sam, &h) != kErrorSuccess) return def;
    const Variant v = QueryValueVariant(reg, h, valueName);
    reg.closeKey(h);
    if (v.result != kErrorSuccess || text::trim(v.value).empty()) return def;
    return v.value;
}

bool DeleteKeyOrValue(Registry& reg, RegHandle root, const std::string& basePath, const std::string& middle,
                      const std::string& keyName, const std::string& valueName, uint32_t sam) {
    const std::string path = JoinKeyPath(basePath, middle, keyName);
    if (!valueName.empty()) {
        // Opens the existing key only: deleting a value must not create keys.
        RegHandle h = 0;
        if (reg.openKeyEx(root, path, kKeyFullAccess | sam, &h) != kErrorSuccess) return false;
        const long rc = reg.deleteValue(h, valueName);
        reg.closeKey(h);
        return rc == kErrorSuccess;
    }
    if (path.empty()) return false;  // never the root itself
    long rc = reg.deleteKeyEx(root, path, sam);
    if (rc == kErrorAccessDenied) {
        const SubkeyList children = CollectSubkeys(reg, RootNameOf(root), path, false, sam);
        for (const auto& name : children.names) DeleteKeyOrValue(reg, root, "", path + "\\" + name, "", "", sam);
        rc = reg.deleteKeyEx(root, path, sam);
    }
    return rc == kErrorSuccess;
}

SubkeyList CollectSubkeys(Registry& reg, const std::string& rootName, const std::string& path, bool wantChildren,
                          uint32_t sam) {
    SubkeyList list;
    const std::string p = JoinKeyPath(path, "", "");
    const RegHandle root = RootHandleOf(rootName);
    for (uint32_t index = 0;; ++index) {
        RegHandle h = 0;
        if (reg.openKeyEx(root, p, kKeyRead | sam, &h) != kErrorSuccess) break;
        std::string name;
        const long rc = reg.enumKey(h, index, kCollectNameChars, &name);
        reg.closeKey(h);
        if (rc != kErrorSuccess) break;
        if (wantChildren) {
            bool hasChildren = false;
            RegHandle c = 0;
            if (reg.openKeyEx(root, p.empty() ? name : p + "\\" + name, kKeyRead | sam, &c) == kErrorSuccess) {
                std::string first;
                hasChildren = reg.enumKey(c, 0, kCollectNameChars, &first) == kErrorSuccess;
                reg.closeKey(c);
            }
            list.hasChildren.push_back(hasChildren);
        }
        list.names.push_back(name);
    }
    return list;
}

RegHandle RootHandleOf(const std::string& rootName) {
    const std::string upper = text::toUpper(rootName);
    for (const auto& r : kRoots)
        if (r.inShortTable && upper == r.name) return r.handle;
    return 0;
}

std::string RootNameOf(RegHandle root) {
    for (const auto& r : kRoots)
        if (r.inShortTable && r.handle == root) return r.name;
    return "";
}

// ---- small functions ----

RegHandle StripHkey(const std::string& location) {
    const size_t p = location.find('\\');
    if (p == std::string::npos) return 0;  // not a location text
    const std::string head = text::trim(location.substr(0, p));
    for (const auto& r : kRoots)
        if (head == r.name) return r.handle;
    return 0;
}

std::string HkeyName(RegHandle root) {
    for (const auto& r : kRoots)
        if (r.handle == root) return r.name;
    return "";
}

std::string SubkeyPath(const std::string& location) {
    const size_t p = location.find('\\');
    return p == std::string::npos ? location : location.substr(p + 1);
}

std::string addslash(const std::string& path) {
    if (path.empty() || path.back() == '\\') return path;
    return path + "\\";
}

std::string WinDir(Files& files) { return text::trim(files.windowsDirectory()); }

std::string TrimAtNul(const std::string& s) {
    const size_t p = s.find('\0');
    return p == std::string::npos ? s : s.substr(0, p);
}

}  // namespace mdlreg
