#include "cleaner/engine/scanner.h"

#include "common/registry/mdl_registry.h"
#include "common/registry/reg_key.h"
#include "common/text/text.h"

namespace engine {

using plat::RegHandle;

namespace {

struct DepthGuard {
    explicit DepthGuard(int& d) : d_(d) { ++d_; }
    ~DepthGuard() { --d_; }
    int& d_;
};

// The current-user, users and local-machine walks never enter a classes branch; those belong
// to the COM and file-type categories.
bool skippedPath(const std::string& path) {
    std::string up = text::toUpper(path);
    return up.find("SOFTWARE\\CLASSES") != std::string::npos || up == "INTERFACE" || up == "TYPELIB" || up == "CLSID";
}

bool beginsWithDriveRoot(const std::string& s) {
    return s.size() >= 3 && ((s[0] >= 'A' && s[0] <= 'Z') || (s[0] >= 'a' && s[0] <= 'z')) && s[1] == ':' &&
           s[2] == '\\';
}

// The root PathStripToRoot leaves of data that begins with a drive root; "" for anything else
// (no drive's root text can equal it, so the drive reads as unknown).
std::string driveRootOf(const std::string& data) {
    if (data.size() >= 3 && data[1] == ':' && data[2] == '\\') return data.substr(0, 3);
    return "";
}

std::string lastComponentUpper(const std::string& path) {
    std::string::size_type p = path.rfind('\\');
    return text::toUpper(p == std::string::npos ? path : path.substr(p + 1));
}

}  // namespace

Scanner::Scanner(plat::Registry& reg, plat::Files& files, ScanHost& host, bool spanish)
    : reg_(reg), host_(host), checks_(files), spanish_(spanish) {}

bool Scanner::RunCategories(std::vector<CategoryRow> rows) {
    bool chosen = false;
    for (const CategoryRow& row : rows) {
        if (row.ticked) {
            chosen = true;
            host_.yield();
            ScanLocation(row.code);
            host_.yield();
        }
        if (!host_.scanRunning()) {
            host_.setProgressValue(99);
            break;
        }
    }
    return chosen;
}

void Scanner::ScanLocation(const std::string& code) {
    const ScanCategory* cat = FindCategory(code);
    if (!cat) return;
    for (const Walk& w : cat->walks) runWalk(w);
}

void Scanner::runWalk(const Walk& w) {
    switch (w.walker) {
        case WalkerKind::KeyValues: ScanKeyValues(w.root, w.path); break;
        case WalkerKind::SharedDlls: ScanSharedDlls(w.root, w.path); break;
        case WalkerKind::FontKey: ScanFontKey(w.root, w.path); break;
        case WalkerKind::ComKey: ScanComKey(w.root, w.path); break;
        case WalkerKind::FileTypes: ScanFileTypes(w.root, w.path); break;
    }
}

void Scanner::ScanKeyValues(RegHandle root, const std::string& path) { walk(Kind::KeyValues, root, path); }
void Scanner::ScanSharedDlls(RegHandle root, const std::string& path) { walk(Kind::SharedDlls, root, path); }
void Scanner::ScanFontKey(RegHandle root, const std::string& path) { walk(Kind::FontKey, root, path); }
void Scanner::ScanComKey(RegHandle root, const std::string& path) { walk(Kind::ComKey, root, path); }
void Scanner::ScanAssociation(RegHandle root, const std::string& path) { walk(Kind::Association, root, path); }

void Scanner::walk(Kind kind, RegHandle root, std::string path) { walkKey(kind, root, 0, std::move(path), 0); }

void Scanner::walkKey(Kind kind, RegHandle root, RegHandle parent, std::string path, size_t nameAt) {
    if (!host_.scanRunning()) return;
    if (kind == Kind::FontKey) host_.yield();
    bool skipTest = kind != Kind::SharedDlls && kind != Kind::ComKey;
    if (skipTest && skippedPath(path)) return;
    if (depth_ >= kMaxDepth) return;
    DepthGuard depth(depth_);

    // A subkey is opened from its parent's handle by its own name, so a key is reached however
    // long its full path grows; the walk's start is opened from the root by its path.
    // The key is closed on every way out, a stop included.
    const reg::Key key = parent != 0
                             ? reg::Key::open(reg_, parent, std::string_view(path).substr(nameAt), plat::kKeyFullAccess)
                             : reg::Key::open(reg_, root, path, plat::kKeyFullAccess);
    plat::KeyInfo info;
    if (key.get() == 0 || reg_.queryInfoKey(key.get(), &info) != plat::kErrorSuccess) info = plat::KeyInfo{};
    const long subKeys = static_cast<long>(info.subKeys);
    const long values = static_cast<long>(info.values);
    if (kind == Kind::FontKey && key.get() == 0) return;

    std::string fontsFolder;
    if (kind == Kind::FontKey) fontsFolder = mdlreg::addslash(checks_.SpecialFolderPath(20));
    std::string lastUpper;
    if (kind == Kind::ComKey) lastUpper = lastComponentUpper(path);

    for (long i = 0; i < values; ++i) {
        mdlreg::ValueEntry v = mdlreg::EnumValueEntry(reg_, key.get(), i, info.maxValueNameLen + 1);
        switch (kind) {
            case Kind::KeyValues:
            case Kind::Association: drivePathTest(root, path, v.name, v.data, v.type); break;
            case Kind::SharedDlls: {
                // The value names of this key are the shared files' paths; the data is a
                // reference count. No drive pre-test and no exclusion test here. The file is
                // tested by the name up to a NUL; the row keeps the exact name, the one a
                // repair must delete.
                std::string file = mdlreg::TrimAtNul(v.name);
                if (!text::trim(file).empty() && !checks_.DataPathExists(file))
                    AddtoList(root, path, v.name, v.data, v.type, reason(Reason::SharedFileMissing));
                break;
            }
            case Kind::FontKey: {
                // Entries are file names in the fonts folder or full paths. A full path is tested
                // as it stands: put behind the fonts folder it could never be found, and every
                // font registered by its full path would be reported.
                if (v.data.empty()) break;
                std::string probe = beginsWithDriveRoot(v.data) ? v.data : fontsFolder + v.data;
                if (!checks_.DataPathExists(probe))
                    AddtoList(root, path, v.name, v.data, v.type, reason(Reason::InvalidFont));
                break;
            }
            case Kind::ComKey: comValueTest(root, path, lastUpper, v.name, v.data, v.type); break;
        }
        host_.yield();
        if (!host_.scanRunning()) return;
    }

    bool excludesSubkeys = kind == Kind::KeyValues || kind == Kind::ComKey || kind == Kind::Association;
    if (!path.empty()) path = mdlreg::addslash(path);
    for (long i = 0; i < subKeys; ++i) {
        // The name is kept exact: a key whose name begins or ends with a space, or is only
        // spaces, is still addressed as itself (a trimmed name would open a sibling, or nothing).
        std::string name = mdlreg::EnumSubkeyName(reg_, key.get(), i);
        if (!name.empty() && key.get() != 0) {
            std::string child = path + name;
            if (!(excludesSubkeys && InExcludeList(child))) walkKey(kind, root, key.get(), child, path.size());
        }
        // A stop inside the child unwinds at once, without one more yield per level.
        if (!host_.scanRunning()) return;
        host_.yield();
        if (!host_.scanRunning()) return;
    }
}

void Scanner::drivePathTest(RegHandle root, const std::string& path, const std::string& name, const std::string& data,
                            uint32_t type) {
    if (!HasDrivePath(data)) return;
    if (checks_.DataPathExists(data)) return;
    if (InExcludeList(path + "::" + name + " :: " + data)) return;
    AddtoList(root, path, name, data, type, reason(Reason::InvalidPath));
}

void Scanner::comValueTest(RegHandle root, const std::string& path, const std::string& lastUpper,
                           const std::string& rawName, const std::string& data, uint32_t type) {
    const RegHandle classes = plat::kHkeyClassesRoot;
    // The tests read the name up to a NUL; rows keep the exact name, the one a repair deletes.
    const std::string name = mdlreg::TrimAtNul(rawName);
    const std::string upperName = text::toUpper(name);
    auto report = [&](Reason r) { AddtoList(root, path, rawName, data, type, reason(r)); };
    auto reportUnless = [&](bool present, Reason r) {
        if (!present) report(r);
    };
    const bool empty = data.empty();
    const bool braced = !empty && data[0] == '{';

    if (data.find(":\\") != std::string::npos) {
        if (HasDrivePath(data)) drivePathTest(root, path, rawName, data, type);
    } else if (empty && lastUpper == "TYPELIB") {
        report(Reason::EmptyTypeLib);
    } else if (!empty && name.empty() && lastUpper == "TYPELIB" && braced) {
        reportUnless(mdlreg::KeyExists(reg_, classes, "TYPELIB\\" + data), Reason::InvalidTypeLib);
    } else if (empty && name.empty() && lastUpper == "CLSID") {
        report(Reason::EmptyClsid);
    } else if (!empty && name.empty() && lastUpper == "CLSID" && braced) {
        reportUnless(mdlreg::KeyExists(reg_, classes, "CLSID\\" + data), Reason::InvalidClsid);
    } else if (empty && name.empty() && (lastUpper == "PROGID" || lastUpper == "VERSIONINDEPENDENTPROGID")) {
        report(Reason::EmptyProgId);
    } else if (!empty && name.empty() && lastUpper == "PROGID") {
        reportUnless(mdlreg::KeyExists(reg_, classes, data), Reason::InvalidProgId);
    } else if (empty && name.empty() && lastUpper == "INPROCSERVER32") {
        report(Reason::EmptyInprocServer32);
    } else if (empty && name.empty() && lastUpper == "INPROCSERVER") {
        report(Reason::EmptyInprocServer);
    } else if (empty && upperName == "CLSID") {
        report(Reason::EmptyClsid);
    } else if (!empty && upperName == "TYPELIB") {
        reportUnless(mdlreg::KeyExists(reg_, classes, "TYPELIB\\" + data), Reason::InvalidTypeLib);
    } else if (!empty && upperName == "PROGID") {
        // Program ids are keys directly below the classes root, wherever the reference sits
        // (there is no "Progid" key to look below).
        reportUnless(mdlreg::KeyExists(reg_, classes, data), Reason::InvalidProgId);
    } else if (empty && upperName == "INPROCSERVER32") {
        report(Reason::EmptyInprocServer32);
    } else if (empty && upperName == "INPROCSERVER") {
        report(Reason::EmptyInprocServer);
    }
}

void Scanner::ScanFileTypes(RegHandle root, const std::string& path) {
    if (!host_.scanRunning()) return;
    if (skippedPath(path)) return;
    const reg::Key key = reg::Key::open(reg_, root, path, plat::kKeyFullAccess);
    long subKeys = 0, values = 0;
    mdlreg::QueryKeyCounts(reg_, key.get(), &subKeys, &values);
    const std::string prefix = path.empty() ? "" : mdlreg::addslash(path);
    for (long i = 0; i < subKeys; ++i) {
        std::string name = mdlreg::TrimAtNul(mdlreg::EnumSubkeyName(reg_, key.get(), i));
        // Only extensions with a default value (a file type) are examined. An extension key that
        // cannot be opened is not reported: its repair would delete the default value of a
        // working file type.
        if (!name.empty() && name[0] == '.' && !mdlreg::ReadValueText(reg_, root, prefix + name, "").empty())
            ScanAssociation(root, prefix + name);
        host_.yield();
        if (!host_.scanRunning()) return;
    }
}

void Scanner::AddtoList(RegHandle root, const std::string& keyLocation, const std::string& keyName,
                        const std::string& keyValue, uint32_t type, const std::string& reasonText) {
    if (host_.skipCdLan() && keyValue.find(":\\") != std::string::npos) {
        int driveType = checks_.DriveTypeOf(mdlreg::TrimAtNul(driveRootOf(keyValue)));
        if (driveType == static_cast<int>(plat::DriveType::Network) ||
            driveType == static_cast<int>(plat::DriveType::CdRom))
            return;
    }
    ResultRow row;
    row.location = mdlreg::HkeyName(root) + "\\" + keyLocation;
    row.valueName = keyName;
    row.valueData = keyValue;
    row.reason = reasonText;
    row.regType = std::to_string(type);
    host_.appendRow(row);
    host_.setInvalidCount(host_.invalidCount() + 1);
    // The bar shows activity, not a fraction done: one step per row, back to 0 after 99.
    int p = host_.progressValue() + 1;
    host_.setProgressValue(p > 99 ? 0 : p);
}

bool Scanner::InExcludeList(const std::string& probe) {
    for (const std::string& entry : host_.excludeTexts())
        if (probe.find(entry) != std::string::npos) return true;
    return false;
}

}  // namespace engine
