#include "search/mod_reg.h"

#include <algorithm>

#include "common/registry/mdl_registry.h"
#include "common/text/text.h"

namespace modreg {
namespace {

// Names longer than this cannot exist in a registry (value names stop at 16,383 characters);
// the cap only keeps a misbehaving backend from growing a buffer forever.
constexpr uint32_t kMaxNameChars = 65536;
// Consecutive failing entries after which a listing gives up: a key deleted while it is
// listed fails at every index and would otherwise never reach "no more items".
constexpr int kMaxConsecutiveFailures = 64;
// Text values up to this size come with the listing; larger ones are read by name.
constexpr uint32_t kMaxPrefetchBytes = 64 * 1024;

class OpenedKey {
public:
    OpenedKey(plat::Registry& reg, RegHandle root, const std::string& path) : reg_(reg) {
        if (reg_.openKey(root, path, &key_) != plat::kErrorSuccess) key_ = 0;
    }
    ~OpenedKey() {
        if (key_) reg_.closeKey(key_);
    }
    OpenedKey(const OpenedKey&) = delete;
    OpenedKey& operator=(const OpenedKey&) = delete;
    RegHandle get() const { return key_; }

private:
    plat::Registry& reg_;
    RegHandle key_ = 0;
};

plat::KeyInfo infoOf(plat::Registry& reg, RegHandle key) {
    plat::KeyInfo info;
    if (reg.queryInfoKey(key, &info) != plat::kErrorSuccess) info = plat::KeyInfo{};
    return info;
}

uint32_t grown(uint32_t chars) { return std::min(kMaxNameChars, std::max<uint32_t>(chars * 2, 256)); }

}  // namespace

std::vector<std::string> ListSubKeysOfKey(plat::Registry& reg, RegHandle key, const plat::KeyInfo* known) {
    std::vector<std::string> names;
    if (!key) return names;
    const plat::KeyInfo info = known ? *known : infoOf(reg, key);
    uint32_t chars = std::max<uint32_t>(info.maxSubKeyLen + 1, 256);
    names.reserve(info.subKeys);
    int failures = 0;
    for (uint32_t index = 0;;) {
        std::string name;
        const long rc = reg.enumKey(key, index, chars, &name);
        if (rc == plat::kErrorNoMoreItems) break;
        if (rc == plat::kErrorMoreData && chars < kMaxNameChars) {
            chars = grown(chars);  // retry the same index with a bigger buffer
            continue;
        }
        if (rc == plat::kErrorSuccess) {
            names.push_back(name);  // exact: a name may hold a NUL and is opened as itself
            failures = 0;
        } else if (++failures >= kMaxConsecutiveFailures) {
            break;
        }
        ++index;
    }
    return names;
}

std::vector<std::string> ListSubKeys(plat::Registry& reg, RegHandle root, const std::string& path) {
    OpenedKey key(reg, root, path);
    return ListSubKeysOfKey(reg, key.get());
}

ValueList ListValuesOfKey(plat::Registry& reg, RegHandle key, const plat::KeyInfo* known, bool withText) {
    ValueList list;
    if (!key) return list;
    const plat::KeyInfo info = known ? *known : infoOf(reg, key);
    uint32_t chars = std::max<uint32_t>(info.maxValueNameLen + 1, 256);
    const uint32_t dataCap = std::min(std::max<uint32_t>(info.maxValueLen, 512), kMaxPrefetchBytes);
    list.names.reserve(info.values);
    list.types.reserve(info.values);
    if (withText) {
        list.texts.reserve(info.values);
        list.hasText.reserve(info.values);
    }
    std::vector<uint8_t> data;
    int failures = 0;
    bool wantData = withText;  // per index: with the data, or (after "more data") names only
    for (uint32_t index = 0;;) {
        std::string name;
        uint32_t nameChars = chars;
        uint32_t type = 0;
        uint32_t dataBytes = wantData ? dataCap : 0;
        const long rc = reg.enumValue(key, index, &name, &nameChars, &type, wantData ? &data : nullptr, &dataBytes);
        if (rc == plat::kErrorNoMoreItems) break;
        if (rc == plat::kErrorMoreData) {
            // The data or the name did not fit: ask again for the name and type alone (the text
            // of a large value is then read by name when it is needed), with a bigger name
            // buffer once that alone is what fails.
            if (wantData) {
                wantData = false;
                continue;
            }
            if (chars < kMaxNameChars) {
                chars = grown(chars);
                continue;
            }
        }
        if (rc == plat::kErrorSuccess) {
            list.names.push_back(name);  // exact: a name may hold a NUL
            list.types.push_back(type);
            if (withText) {
                const bool fetched = wantData && type == plat::kRegSz;
                list.texts.push_back(fetched ? TextFromBytes(data.data(), std::min<size_t>(dataBytes, data.size()))
                                             : std::string());
                list.hasText.push_back(fetched);
            }
            failures = 0;
        } else if (++failures >= kMaxConsecutiveFailures) {
            break;
        }
        wantData = withText;
        ++index;
    }
    return list;
}

ValueList ListValues(plat::Registry& reg, RegHandle root, const std::string& path) {
    std::string keyPath = path;
    if (!keyPath.empty() && keyPath.back() == '\\') keyPath.pop_back();
    OpenedKey key(reg, root, keyPath);
    return ListValuesOfKey(reg, key.get());
}

std::string ReadTextValueOfKey(plat::Registry& reg, RegHandle key, const std::string& name, const std::string& def) {
    if (!key) return def;
    uint32_t type = 0;
    uint32_t size = 0;
    if (reg.queryValueEx(key, name, &type, nullptr, &size) != plat::kErrorSuccess) return def;
    std::vector<uint8_t> data;
    // The value may grow between the two calls; follow it a few times, then give up.
    for (int attempt = 0; attempt < 4; ++attempt) {
        data.assign(size, 0);
        uint32_t got = size;
        const long rc = reg.queryValueEx(key, name, &type, &data, &got);
        if (rc == plat::kErrorSuccess) return TextFromBytes(data.data(), std::min<size_t>(got, data.size()));
        if (rc != plat::kErrorMoreData || got <= size) return def;
        size = got;
    }
    return def;
}

std::string ReadTextValue(plat::Registry& reg, RegHandle root, const std::string& path, const std::string& name,
                          const std::string& def) {
    OpenedKey key(reg, root, path);
    return ReadTextValueOfKey(reg, key.get(), name, def);
}

bool RootHasSubKeys(plat::Registry& reg, RegHandle root) {
    OpenedKey key(reg, root, "");
    if (!key.get()) return false;
    std::string name;
    long rc = reg.enumKey(key.get(), 0, 256, &name);
    // A first sub-key with a long name is still a sub-key.
    if (rc == plat::kErrorMoreData) rc = reg.enumKey(key.get(), 0, kMaxNameChars, &name);
    return rc == plat::kErrorSuccess;
}

RegHandle RootFromName(const std::string& name) {
    for (RegHandle root = plat::kHkeyClassesRoot; root <= plat::kHkeyDynData; ++root) {
        if (mdlreg::HkeyName(root) == name) return root;
    }
    return 0;
}

std::string RootName(RegHandle root) { return mdlreg::HkeyName(root); }

std::string TrimAtNul(const std::string& text) {
    const auto nul = text.find('\0');
    return nul == std::string::npos ? text : text.substr(0, nul);
}

std::string TextFromBytes(const uint8_t* bytes, size_t size) {
    const size_t units = size / 2;
    std::string ascii;
    ascii.reserve(units);
    for (size_t i = 0; i < units; ++i) {
        const char16_t u = static_cast<char16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
        if (u == 0) return ascii;
        if (u >= 0x80) {
            // Not plain ASCII: convert the whole text exactly.
            std::u16string wide(ascii.begin(), ascii.end());
            for (size_t j = i; j < units; ++j) {
                const char16_t w = static_cast<char16_t>(bytes[2 * j] | (bytes[2 * j + 1] << 8));
                if (w == 0) break;
                wide.push_back(w);
            }
            return text::fromUtf16(wide);
        }
        ascii.push_back(static_cast<char>(u));
    }
    return ascii;
}

std::string ParentPath(const std::string& path) {
    const auto slash = path.rfind('\\');
    if (slash == std::string::npos) return "";
    return path.substr(0, slash);
}

}  // namespace modreg
