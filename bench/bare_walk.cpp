#include "bench/bare_walk.h"

#include "common/registry/mdl_registry.h"
#include "common/registry/reg_key.h"
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
                case engine::WalkerKind::KeyValues: walk(w.root, 0, w.path, 0, true); break;
                case engine::WalkerKind::SharedDlls:
                case engine::WalkerKind::ComKey: walk(w.root, 0, w.path, 0, false); break;
                case engine::WalkerKind::FontKey:
                    yield_();
                    walk(w.root, 0, w.path, 0, true);
                    break;
                case engine::WalkerKind::FileTypes: fileTypes(w.root); break;
            }
        }
    }
}

void BareWalker::walk(plat::RegHandle root, plat::RegHandle parent, std::string path, size_t nameAt, bool skipTest) {
    if (skipTest && skipped(path)) return;
    const reg::Key key = parent != 0
                             ? reg::Key::open(reg_, parent, std::string_view(path).substr(nameAt), plat::kKeyFullAccess)
                             : reg::Key::open(reg_, root, path, plat::kKeyFullAccess);
    ++counts_.keys;
    plat::KeyInfo info;
    if (key.get() == 0 || reg_.queryInfoKey(key.get(), &info) != plat::kErrorSuccess) info = plat::KeyInfo{};
    const long values = static_cast<long>(info.values);
    const long subKeys = static_cast<long>(info.subKeys);
    for (long i = 0; i < values; ++i) {
        mdlreg::ValueEntry v = mdlreg::EnumValueEntry(reg_, key.get(), i, info.maxValueNameLen + 1);
        ++counts_.values;
        counts_.dataBytes += static_cast<long>(v.text.size());
        yield_();
    }
    if (!path.empty() && path.back() != '\\') path += '\\';
    for (long i = 0; i < subKeys; ++i) {
        std::string name = mdlreg::EnumSubkeyName(reg_, key.get(), i);
        if (!name.empty()) walk(root, key.get(), path + name, path.size(), skipTest);
        yield_();
    }
}

void BareWalker::fileTypes(plat::RegHandle root) {
    const reg::Key key = reg::Key::open(reg_, root, "", plat::kKeyFullAccess);
    long subKeys = 0, values = 0;
    mdlreg::QueryKeyCounts(reg_, key.get(), &subKeys, &values);
    for (long i = 0; i < subKeys; ++i) {
        std::string name = mdlreg::TrimAtNul(mdlreg::EnumSubkeyName(reg_, key.get(), i));
        if (!name.empty() && name[0] == '.' && !mdlreg::ReadValueText(reg_, root, name, "").empty())
            walk(root, 0, name, 0, true);
        yield_();
    }
}

}  // namespace bench
