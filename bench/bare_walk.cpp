#include "bench/bare_walk.h"

#include "common/registry/mdl_registry.h"
#include "common/text/text.h"

namespace bench {

namespace {
bool skipped(const std::string& path) {
    std::string up = text::toUpper(path);
    return up.find("SOFTWARE\\CLASSES") != std::string::npos || up == "INTERFACE" || up == "TYPELIB" || up == "CLSID";
}
}  // namespace

void BareWalker::walkAll() {
    for (const engine::ScanCategory& c : engine::ScanCategories()) {
        for (const engine::Walk& w : c.walks) {
            switch (w.walker) {
                case engine::WalkerKind::KeyValues: walk(w.root, w.path, true); break;
                case engine::WalkerKind::SharedDlls:
                case engine::WalkerKind::ComKey: walk(w.root, w.path, false); break;
                case engine::WalkerKind::FontKey:
                    yield_();
                    walk(w.root, w.path, true);
                    break;
                case engine::WalkerKind::FileTypes: fileTypes(w.root); break;
            }
        }
    }
}

void BareWalker::walk(plat::RegHandle root, std::string path, bool skipTest) {
    if (skipTest && skipped(path)) return;
    plat::RegHandle key = mdlreg::OpenKeyFull(reg_, root, path);
    ++counts_.keys;
    long subKeys = 0, values = 0;
    mdlreg::QueryKeyCounts(reg_, key, &subKeys, &values);
    for (long i = 0; i < values; ++i) {
        mdlreg::ValueEntry v = mdlreg::EnumValueEntry(reg_, key, i);
        ++counts_.values;
        counts_.dataBytes += static_cast<long>(v.text.size());
        yield_();
    }
    for (long i = 0; i < subKeys; ++i) {
        std::string name = text::trim(mdlreg::TrimAtNul(mdlreg::EnumSubkeyName(reg_, key, i)));
        if (!name.empty()) {
            if (!path.empty()) path = mdlreg::addslash(path);
            walk(root, path + name, skipTest);
        }
        yield_();
    }
    if (key) reg_.closeKey(key);
}

void BareWalker::fileTypes(plat::RegHandle root) {
    plat::RegHandle key = mdlreg::OpenKeyFull(reg_, root, "");
    long subKeys = 0, values = 0;
    mdlreg::QueryKeyCounts(reg_, key, &subKeys, &values);
    for (long i = 0; i < subKeys; ++i) {
        std::string name = text::trim(mdlreg::TrimAtNul(mdlreg::EnumSubkeyName(reg_, key, i)));
        if (!name.empty() && name[0] == '.' && !mdlreg::ReadValueText(reg_, root, name, "").empty())
            walk(root, name, true);
        yield_();
    }
    if (key) reg_.closeKey(key);
}

}  // namespace bench
