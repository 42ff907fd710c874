#include "search/search_engine.h"

#include <vector>

#include "common/registry/reg_enum.h"
#include "common/registry/reg_key.h"
#include "common/registry/reg_value.h"
#include "common/text/text.h"
#include "search/mod_reg.h"

namespace search {
namespace {

bool isAscii(const std::string& s) {
    for (unsigned char c : s) {
        if (c >= 0x80) return false;
    }
    return true;
}

// Lower-cases as the platform does; plain ASCII text (most registry names) skips the
// round trip through UTF-16.
void lowerInto(const std::string& s, std::string* out) {
    if (isAscii(s)) {
        out->assign(s);
        for (char& c : *out) {
            if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        }
    } else {
        *out = text::toLower(s);
    }
}

}  // namespace

int getIco(uint32_t type) {
    switch (type) {
        case plat::kRegSz:
        case plat::kRegExpandSz: return kImageText;
        case plat::kRegBinary:
        case plat::kRegDword: return kImageBinary;
        default: return kImageNone;
    }
}

bool MatchesMode(Mode mode, const std::string& candidate, const std::string& pattern) {
    // Byte comparison of UTF-8 equals character comparison: a character's bytes never
    // match in the middle of another character.
    switch (mode) {
        case Mode::Any: return candidate.find(pattern) != std::string::npos;
        case Mode::Left:
            return candidate.size() >= pattern.size() && candidate.compare(0, pattern.size(), pattern) == 0;
        case Mode::Right:
            return candidate.size() >= pattern.size() &&
                   candidate.compare(candidate.size() - pattern.size(), pattern.size(), pattern) == 0;
        case Mode::Exact: return candidate == pattern;
        case Mode::None: break;
    }
    return false;
}

bool SearchEngine::VerifyPattern(const std::string& candidate) {
    const std::string pattern = request_.text;
    host_.yield();
    const Mode mode = request_.mode;
    if (request_.matchCase) return MatchesMode(mode, candidate, pattern);
    if (pattern != patternKey_) {
        patternKey_ = pattern;
        lowerInto(pattern, &patternLower_);
    }
    lowerInto(candidate, &candidateLower_);
    return MatchesMode(mode, candidateLower_, patternLower_);
}

void RunSearch(plat::Registry& reg, const SearchRequest& request, SearchHost& host) {
    // A copy: the host may change the request in its yields.
    const std::vector<plat::RegHandle> roots = request.roots;
    SearchEngine engine(reg, request, host);
    for (plat::RegHandle root : roots) {
        host.yield();
        if (host.stopRequested()) break;
        engine.SearchKey(root, "");
    }
}

void SearchEngine::SearchKey(plat::RegHandle root, const std::string& path) {
    const reg::Key key = reg::Key::openMost(reg_, root, path);
    depth_ = 0;
    searchOpenKey(key.get(), root, path, modreg::RootName(root));
}

// Walks one key that is already open (0 when it could not be opened: nothing below it).
// Each sub-key is opened relative to its parent, so the walk holds one open key per level.
void SearchEngine::searchOpenKey(plat::RegHandle key, plat::RegHandle root, const std::string& path,
                                 const std::string& rootName) {
    host_.showStatus(path.empty() ? rootName : rootName + "\\" + path);
    const std::string prefix = path.empty() ? std::string() : path + "\\";

    plat::KeyInfo info;
    if (key) info = reg::tryKeyInfo(reg_, key).value_or(plat::KeyInfo{});
    const std::vector<std::string> subKeys = modreg::ListSubKeysOfKey(reg_, key, &info);
    host_.yield();
    for (const std::string& name : subKeys) {
        if (host_.stopRequested()) return;
        if (name.empty()) continue;
        const std::string keyPath = prefix + name;
        if (request_.keys && VerifyPattern(keyPath)) {
            ResultRow row;
            row.text = keyPath;
            row.image = kImageKey;
            row.fullPath = rootName + "\\" + keyPath;
            row.keyPath = row.fullPath;
            host_.addRow(row);
        }
        // A link that leads back into its own key would recurse without end: below the
        // platform's deepest level the key is listed but not entered.
        if (depth_ + 1 >= plat::kMaxKeyDepth) continue;
        const reg::Key child = reg::Key::openMost(reg_, key, name);
        ++depth_;
        searchOpenKey(child.get(), root, keyPath, rootName);
        --depth_;
    }

    if (!request_.values && !request_.data) {
        host_.yield();
        return;
    }
    if (host_.stopRequested()) return;
    host_.yield();
    searchValuesOf(key, path, prefix, rootName);
}

void SearchEngine::searchValuesOf(plat::RegHandle key, const std::string& path, const std::string& prefix,
                                  const std::string& rootName) {
    // Text content comes with the listing when Data is checked now; a value whose text did not
    // come (too large, or Data checked later) is read by name when it is tested.
    const modreg::ValueList values = modreg::ListValuesOfKey(reg_, key, nullptr, request_.data);
    const std::string keyFullPath = path.empty() ? rootName : rootName + "\\" + path;
    for (const reg::ValueEntry& value : values) {
        if (host_.stopRequested()) return;
        const std::string& name = value.name;
        if (name.empty()) continue;  // the default value is never examined
        const uint32_t type = value.type;
        auto report = [&](int image) {
            ResultRow row;
            row.text = prefix + name;
            row.image = image;
            row.fullPath = rootName + "\\" + row.text;
            row.keyPath = keyFullPath;
            row.valueName = name;
            row.isValue = true;
            host_.addRow(row);
        };
        if (request_.values && VerifyPattern(name)) report(getIco(type));
        if (request_.data) {
            host_.yield();
            if (type != plat::kRegSz) continue;
            if (VerifyPattern(value.hasData ? reg::textOf(value.data) : modreg::ReadTextValueOfKey(reg_, key, name))) {
                report(kImageText);
            }
        }
    }
    host_.yield();
}

}  // namespace search
