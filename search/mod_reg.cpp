#include "search/mod_reg.h"

#include <algorithm>

#include "common/registry/mdl_registry.h"
#include "common/registry/reg_enum.h"
#include "common/registry/reg_key.h"
#include "common/registry/reg_roots.h"
#include "common/registry/reg_value.h"
#include "common/text/text.h"

namespace modreg {
namespace {

// Text values up to this size come with the listing; larger ones are read by name.
constexpr uint32_t kMaxPrefetchBytes = 64 * 1024;
// Names longer than this cannot exist; a first sub-key is asked for with this buffer.
constexpr uint32_t kMaxNameChars = 65536;

}  // namespace

std::vector<std::string> ListSubKeysOfKey(plat::Registry& reg, RegHandle key, const plat::KeyInfo* known) {
    return reg::subkeysOf(reg, key, known);
}

std::vector<std::string> ListSubKeys(plat::Registry& reg, RegHandle root, const std::string& path) {
    const reg::Key key = reg::Key::openMost(reg, root, path);
    return ListSubKeysOfKey(reg, key.get());
}

ValueList ListValuesOfKey(plat::Registry& reg, RegHandle key, const plat::KeyInfo* known, bool withText) {
    ValueList list = reg::valuesOf(reg, key, withText, kMaxPrefetchBytes, known);
    // Only the content of text values is kept: the search reads no other type's data.
    for (reg::ValueEntry& e : list) {
        if (e.hasData && e.type != plat::kRegSz) {
            e.hasData = false;
            e.data = {};
        }
    }
    return list;
}

ValueList ListValues(plat::Registry& reg, RegHandle root, const std::string& path) {
    std::string keyPath = path;
    if (!keyPath.empty() && keyPath.back() == '\\') keyPath.pop_back();
    const reg::Key key = reg::Key::openMost(reg, root, keyPath);
    return ListValuesOfKey(reg, key.get());
}

std::string ReadTextValueOfKey(plat::Registry& reg, RegHandle key, const std::string& name, const std::string& def) {
    if (!key) return def;
    const std::optional<reg::Value> v = reg::tryReadValue(reg, key, name);
    return v ? reg::textOf(v->data) : def;
}

std::string ReadTextValue(plat::Registry& reg, RegHandle root, const std::string& path, const std::string& name,
                          const std::string& def) {
    const reg::Key key = reg::Key::openMost(reg, root, path);
    return ReadTextValueOfKey(reg, key.get(), name, def);
}

bool RootHasSubKeys(plat::Registry& reg, RegHandle root) {
    const reg::Key key = reg::Key::openMost(reg, root, "");
    if (!key.get()) return false;
    std::string name;
    long rc = reg::enumKeyName(reg, key.get(), 0, 256, &name);
    // A first sub-key with a long name is still a sub-key.
    if (rc == plat::kErrorMoreData) rc = reg::enumKeyName(reg, key.get(), 0, kMaxNameChars, &name);
    return rc == plat::kErrorSuccess;
}

RegHandle RootFromName(const std::string& name) { return reg::rootOfName(name, reg::Roots::All, reg::NameCase::Exact); }

std::string RootName(RegHandle root) {
    const char* name = reg::nameOfRoot(root, reg::Roots::All);
    return name ? name : "";
}

std::string TrimAtNul(const std::string& text) { return mdlreg::TrimAtNul(text); }

std::string ParentPath(const std::string& path) {
    const auto slash = path.rfind('\\');
    if (slash == std::string::npos) return "";
    return path.substr(0, slash);
}

}  // namespace modreg
