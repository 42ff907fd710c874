#include "common/registry/mdl_registry.h"

#include <algorithm>
#include <cstdio>

#include "common/registry/reg_enum.h"
#include "common/registry/reg_key.h"
#include "common/registry/reg_roots.h"
#include "common/registry/reg_value.h"
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

}  // namespace

// ---- handle-based operations ----

RegHandle OpenKeyFull(Registry& reg, RegHandle root, const std::string& path) {
    return reg::Key::open(reg, root, path, kKeyFullAccess).release();
}

void QueryKeyCounts(Registry& reg, RegHandle key, long* subKeys, long* values) {
    const std::optional<KeyInfo> info = reg::tryKeyInfo(reg, key);
    if (!info) return;
    if (subKeys) *subKeys = static_cast<long>(info->subKeys);
    if (values) *values = static_cast<long>(info->values);
}

std::string EnumSubkeyName(Registry& reg, RegHandle key, long index) {
    // Names come back exact (no trimming), so a name with outer spaces can still be opened.
    if (index < 0) return "";
    std::string name;
    if (reg::enumKeyName(reg, key, static_cast<uint32_t>(index), kNameChars, &name) != kErrorSuccess) return "";
    return name;
}

ValueEntry EnumValueEntry(Registry& reg, RegHandle key, long index, uint32_t nameChars) {
    ValueEntry e;
    if (index < 0) return e;
    // The name buffer starts at what the caller knows of the key (its longest name) and grows
    // to the platform's limit when a name does not fit, so no value is skipped for its name.
    uint32_t capacity = std::max(nameChars, kNameChars);
    long rc = kErrorMoreData;
    for (;;) {
        uint32_t chars = capacity;
        e.name.clear();
        rc = reg::enumValueAt(reg, key, static_cast<uint32_t>(index), &chars, true, kFirstPassBytes, &e);
        const bool nameDidNotFit = rc == kErrorMoreData && e.name.empty() && chars == capacity;
        if (!nameDidNotFit) break;
        if (capacity >= kMaxValueNameChars) return ValueEntry{};
        capacity = kMaxValueNameChars;
    }
    if (rc != kErrorSuccess && rc != kErrorMoreData) return ValueEntry{};
    // A fitting first pass already holds the data; only longer text is read again, whole.
    if (rc == kErrorSuccess) {
        e.text = ValueDataText(e.type, e.data);
    } else if (e.type == kRegSz || e.type == kRegExpandSz || e.type == kRegMultiSz) {
        reg::Bytes all;
        if (reg::readValue(reg, key, e.name, e.size, &all) == kErrorSuccess) {
            e.text = ValueDataText(e.type, all);
            e.data = std::move(all);
            e.hasData = true;
        }
    }
    return e;
}

std::string ValueDataText(uint32_t type, const std::vector<uint8_t>& bytes) {
    switch (type) {
        case kRegSz:
        case kRegExpandSz:
        case kRegMultiSz: return reg::textOf(bytes);
        case kRegDword:
            // A 32-bit read: data longer than four bytes does not fit and gives "".
            return bytes.size() <= 4 ? std::to_string(reg::dwordOf(bytes)) : std::string();
        default: return {};
    }
}

long ReadValueDataText(Registry& reg, RegHandle key, const std::string& name, uint32_t* type, std::string* data) {
    long rc = kErrorSuccess;
    const std::optional<reg::Value> v = reg::tryReadValue(reg, key, name, &rc);
    if (!v) return rc;
    *type = v->type;
    *data = ValueDataText(v->type, v->data);
    return kErrorSuccess;
}

// ---- path-based operations ----

bool KeyExists(Registry& reg, RegHandle root, const std::string& path) {
    long rc = kErrorSuccess;
    reg::Key::openMost(reg, root, path, &rc);
    return rc != kErrorFileNotFound && rc != kErrorBadKey;
}

bool KeyExistsInView(Registry& reg, RegHandle root, const std::string& path, uint32_t view) {
    long rc = kErrorSuccess;
    reg::Key::open(reg, root, path, kKeyRead | view, &rc);
    return rc != kErrorFileNotFound && rc != kErrorBadKey;
}

bool LocationOfKeyName(const std::string& fullName, RegHandle* root, std::string* path) {
    struct Prefix {
        const char* name;
        RegHandle root;
    };
    static const Prefix kPrefixes[] = {{"\\REGISTRY\\MACHINE", kHkeyLocalMachine}, {"\\REGISTRY\\USER", kHkeyUsers}};
    for (const Prefix& p : kPrefixes) {
        const std::string prefix = p.name;
        if (fullName.size() < prefix.size() || !text::equalNoCase(fullName.substr(0, prefix.size()), prefix)) continue;
        std::string rest = fullName.substr(prefix.size());
        if (!rest.empty() && rest[0] != '\\') continue;
        if (!rest.empty()) rest.erase(0, 1);
        *root = p.root;
        *path = rest;
        return true;
    }
    return false;
}

std::string ReadStringSetting(Registry& reg, RegHandle root, const std::string& path, const std::string& valueName,
                              const std::string& def) {
    const reg::Key key = reg::Key::openMost(reg, root, path);
    if (!key) return def;
    const std::optional<reg::Value> v = reg::tryReadValue(reg, key.get(), valueName);
    return v && v->type == kRegSz ? reg::textOf(v->data) : def;
}

std::string ReadValueText(Registry& reg, RegHandle root, const std::string& path, const std::string& valueName) {
    const reg::Key key = reg::Key::openMost(reg, root, path);
    if (!key) return "";
    uint32_t type = 0, size = 0;
    if (reg::queryValue(reg, key.get(), valueName, &type, &size) != kErrorSuccess) return "";
    reg::Bytes data;
    switch (type) {
        case kRegSz:
        case kRegExpandSz:
        case kRegMultiSz:
            return reg::readValue(reg, key.get(), valueName, size, &data) == kErrorSuccess ? reg::textOf(data) : "";
        case kRegBinary:
            return reg::readValue(reg, key.get(), valueName, size, &data) == kErrorSuccess ? reg::hexPairsOf(data) : "";
        case kRegDword:
            // A 32-bit read: longer data does not fit and gives "".
            return reg::readValue(reg, key.get(), valueName, 4, &data) == kErrorSuccess
                       ? std::to_string(reg::dwordOf(data))
                       : "";
        default: return "";
    }
}

void WriteStringValue(Registry& reg, RegHandle root, const std::string& path, const std::string& valueName,
                      const std::string& textValue) {
    const reg::Key key = reg::Key::create(reg, root, path);
    // Stored with its terminating NUL, as the registry expects a string to be.
    if (key) reg::writeText(reg, key.get(), valueName, textValue);
}

long DeleteRegValue(Registry& reg, RegHandle root, const std::string& path, const std::string& valueName) {
    long rc = kErrorSuccess;
    const reg::Key key = reg::Key::openMost(reg, root, path, &rc);
    return key ? reg::deleteValue(reg, key.get(), valueName) : rc;
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
    v.result = reg::queryValue(reg, key, valueName, &v.type, &size);
    if (v.result != kErrorSuccess) return v;
    if (v.type < kRegSz || v.type > kRegDwordBigEndian) {
        v.result = -1;
        return v;
    }
    reg::Bytes data;
    switch (v.type) {
        case kRegSz:
        case kRegExpandSz:
            // Up to the first NUL within the stored size: a string stored without its
            // terminator keeps its last character.
            v.result = reg::readValue(reg, key, valueName, size, &data);
            if (v.result == kErrorSuccess) v.value = reg::textOf(data);
            break;
        case kRegBinary:
            v.result = reg::readValue(reg, key, valueName, size, &data);
            if (v.result == kErrorSuccess) v.value = reg::hexPairsOf(data);
            break;
        case kRegDword:
        case kRegDwordBigEndian:
            v.result = reg::readValue(reg, key, valueName, 4, &data);
            if (v.result == kErrorSuccess)
                v.value = std::to_string(v.type == kRegDword ? reg::dwordOf(data) : reg::dwordBigEndianOf(data));
            break;
    }
    return v;
}

std::string ReadValueOrDefault(Registry& reg, RegHandle root, const std::string& basePath, const std::string& middle,
                               const std::string& keyName, const std::string& valueName, const std::string& def,
                               bool openForWrite, uint32_t sam) {
    const std::string path = JoinKeyPath(basePath, middle, keyName);
    const reg::Key key = reg::Key::open(reg, root, path, (openForWrite ? kKeyFullAccess : kKeyRead) | sam);
    if (!key) return def;
    const Variant v = QueryValueVariant(reg, key.get(), valueName);
    if (v.result != kErrorSuccess || text::trim(v.value).empty()) return def;
    return v.value;
}

bool DeleteKeyOrValue(Registry& reg, RegHandle root, const std::string& basePath, const std::string& middle,
                      const std::string& keyName, const std::string& valueName, uint32_t sam) {
    const std::string path = JoinKeyPath(basePath, middle, keyName);
    if (!valueName.empty()) {
        // Opens the existing key only: deleting a value must not create keys.
        const reg::Key key = reg::Key::open(reg, root, path, kKeyFullAccess | sam);
        return key && reg::deleteValue(reg, key.get(), valueName) == kErrorSuccess;
    }
    if (path.empty()) return false;  // never the root itself
    long rc = reg::deleteKey(reg, root, path, sam);
    if (rc == kErrorAccessDenied) {
        const SubkeyList children = CollectSubkeys(reg, RootNameOf(root), path, false, sam);
        for (const auto& name : children.names) DeleteKeyOrValue(reg, root, "", path + "\\" + name, "", "", sam);
        rc = reg::deleteKey(reg, root, path, sam);
    }
    return rc == kErrorSuccess;
}

SubkeyList CollectSubkeys(Registry& reg, const std::string& rootName, const std::string& path, bool wantChildren,
                          uint32_t sam) {
    SubkeyList list;
    const std::string p = JoinKeyPath(path, "", "");
    const RegHandle root = RootHandleOf(rootName);
    for (uint32_t index = 0;; ++index) {
        std::string name;
        {
            const reg::Key key = reg::Key::open(reg, root, p, kKeyRead | sam);
            if (!key || reg::enumKeyName(reg, key.get(), index, kCollectNameChars, &name) != kErrorSuccess) break;
        }
        if (wantChildren) {
            bool hasChildren = false;
            if (const reg::Key child = reg::Key::open(reg, root, p.empty() ? name : p + "\\" + name, kKeyRead | sam)) {
                std::string first;
                hasChildren = reg::enumKeyName(reg, child.get(), 0, kCollectNameChars, &first) == kErrorSuccess;
            }
            list.hasChildren.push_back(hasChildren);
        }
        list.names.push_back(name);
    }
    return list;
}

RegHandle RootHandleOf(const std::string& rootName) {
    return reg::rootOfName(rootName, reg::Roots::Common, reg::NameCase::Any);
}

std::string RootNameOf(RegHandle root) {
    const char* name = reg::nameOfRoot(root, reg::Roots::Common);
    return name ? name : "";
}

// ---- small functions ----

RegHandle StripHkey(const std::string& location) {
    const size_t p = location.find('\\');
    if (p == std::string::npos) return 0;  // not a location text
    return reg::rootOfName(text::trim(location.substr(0, p)), reg::Roots::All, reg::NameCase::Exact);
}

std::string HkeyName(RegHandle root) {
    const char* name = reg::nameOfRoot(root, reg::Roots::All);
    return name ? name : "";
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

std::string_view BeforeNul(std::string_view s) { return s.substr(0, s.find('\0')); }

std::string TrimAtNul(const std::string& s) { return std::string(BeforeNul(s)); }

}  // namespace mdlreg
