#include "cleaner/engine/scanner.h"

#include <algorithm>

#include "common/registry/mdl_registry.h"
#include "common/registry/reg_enum.h"
#include "common/registry/reg_key.h"
#include "common/text/text.h"

namespace engine {

using plat::RegHandle;

namespace {

// The current-user, users and local-machine walks never enter a classes branch; those belong
// to the COM and file-type categories. The 32-bit classes (SOFTWARE\WOW6432Node\Classes) and a
// user's classes hive (HKEY_USERS\<SID>_Classes) are classes branches as well.
// `upper` is a buffer the caller keeps for the path's upper-cased form.
bool skippedPath(RegHandle root, const std::string& path, std::string* upper) {
    text::toUpperInto(path, upper);
    const std::string& up = *upper;
    if (up == "INTERFACE" || up == "TYPELIB" || up == "CLSID") return true;
    // "SOFTWARE\CLASSES" or "SOFTWARE\WOW6432NODE\CLASSES" anywhere: both begin "SOFTWARE\", so
    // the path is searched once, for that.
    constexpr std::string_view software = "SOFTWARE\\";
    const std::string_view view = up;
    for (size_t at = view.find(software); at != std::string_view::npos; at = view.find(software, at + 1)) {
        const std::string_view rest = view.substr(at + software.size());
        if (rest.substr(0, 7) == "CLASSES" || rest.substr(0, 19) == "WOW6432NODE\\CLASSES") return true;
    }
    if (root == plat::kHkeyUsers) {
        const std::string_view hive = view.substr(0, view.find('\\'));
        constexpr std::string_view suffix = "_CLASSES";
        return hive.size() > suffix.size() && hive.substr(hive.size() - suffix.size()) == suffix;
    }
    return false;
}

std::vector<std::string> components(const std::string& path) {
    std::vector<std::string> out;
    size_t pos = 0;
    while (pos <= path.size()) {
        size_t end = path.find('\\', pos);
        if (end == std::string::npos) end = path.size();
        if (end > pos) out.push_back(path.substr(pos, end - pos));
        pos = end + 1;
    }
    return out;
}

// The win32 key of a type library version: TypeLib\{id}\<version>\<locale>\win32. It names the
// library as 32-bit programs load it.
bool isTypeLibWin32(const std::vector<std::string>& parts) {
    const size_t n = parts.size();
    return n >= 5 && text::equalNoCase(parts[n - 1], "win32") && text::equalNoCase(parts[n - 5], "TypeLib");
}

// The view a key's values were written in, from its path alone: a key below any Wow6432Node key
// belongs to 32-bit programs, and so does a type library's win32 key.
FileView viewOfPath(const std::string& path) {
    const std::vector<std::string> parts = components(path);
    for (const std::string& p : parts)
        if (text::equalNoCase(p, "Wow6432Node")) return FileView::Wow32;
    return isTypeLibWin32(parts) ? FileView::Wow32 : FileView::Native;
}

bool sameCounts(const plat::KeyInfo& a, const plat::KeyInfo& b) {
    return a.subKeys == b.subKeys && a.values == b.values && a.maxSubKeyLen == b.maxSubKeyLen &&
           a.maxValueNameLen == b.maxValueNameLen && a.maxValueLen == b.maxValueLen;
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

std::string_view lastComponent(const std::string& path) {
    const std::string::size_type p = path.rfind('\\');
    return p == std::string::npos ? std::string_view(path) : std::string_view(path).substr(p + 1);
}

}  // namespace

Scanner::Scanner(plat::Registry& reg, plat::Files& files, ScanHost& host, const Texts& texts)
    : reg_(reg), host_(host), checks_(files), texts_(texts) {}

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
    area_ = code;
    for (const Walk& w : cat->walks) runWalk(w);
    area_.clear();
}

void Scanner::runWalk(const Walk& w) {
    switch (w.walker) {
        case WalkerKind::KeyValues: ScanKeyValues(w.root, w.path); break;
        case WalkerKind::SharedDlls:
            ScanSharedDlls(w.root, w.path);
            if (w.bothViews) walk32BitView(Kind::SharedDlls, w.root, w.path);
            break;
        case WalkerKind::FontKey: ScanFontKey(w.root, w.path); break;
        case WalkerKind::ComKey:
            ScanComKey(w.root, w.path);
            if (w.bothViews) walk32BitView(Kind::ComKey, w.root, w.path);
            break;
        case WalkerKind::FileTypes: ScanFileTypes(w.root, w.path); break;
    }
}

void Scanner::ScanKeyValues(RegHandle root, const std::string& path) {
    walk(Kind::KeyValues, root, path, viewOfPath(path));
}
void Scanner::ScanSharedDlls(RegHandle root, const std::string& path) {
    walk(Kind::SharedDlls, root, path, viewOfPath(path));
}
void Scanner::ScanFontKey(RegHandle root, const std::string& path) {
    walk(Kind::FontKey, root, path, viewOfPath(path));
}
void Scanner::ScanComKey(RegHandle root, const std::string& path) { walk(Kind::ComKey, root, path, viewOfPath(path)); }
void Scanner::ScanAssociation(RegHandle root, const std::string& path) {
    walk(Kind::Association, root, path, viewOfPath(path));
}

void Scanner::walk(Kind kind, RegHandle root, std::string path, FileView view) {
    walkKey(kind, root, 0, std::move(path), 0, view);
}

void Scanner::walk32BitView(Kind kind, RegHandle root, const std::string& path) {
    if (!host_.scanRunning()) return;
    const reg::Key k32 = reg::Key::open(reg_, root, path, plat::kKeyRead | plat::kKeyWow64_32Key);
    if (!k32) return;
    // Which key that is can only be told by its name; a registry that cannot tell gets the
    // 64-bit walk alone (fewer reports, never the same ones twice).
    std::string name32;
    if (reg::keyName(reg_, k32.get(), &name32) != plat::kErrorSuccess || name32.empty()) return;
    {
        const reg::Key k64 = reg::Key::open(reg_, root, path, plat::kKeyRead | plat::kKeyWow64_64Key);
        std::string name64;
        if (k64 && reg::keyName(reg_, k64.get(), &name64) == plat::kErrorSuccess && text::equalNoCase(name32, name64))
            return;  // one key that both views share: walked already
    }
    // Rows name the real key, so the repair and its undo record act exactly there.
    RegHandle realRoot = 0;
    std::string realPath;
    if (!mdlreg::LocationOfKeyName(name32, &realRoot, &realPath)) return;
    walk(kind, realRoot, realPath, FileView::Wow32);
}

const std::string& Scanner::frameName(Frame& f) {
    if (!f.named) {
        f.named = true;
        if (reg::keyName(reg_, f.key, &f.name) != plat::kErrorSuccess) f.name.clear();
    }
    return f.name;
}

// A link back into a key the walk is inside leads to a key with the very counts of that key; only
// then are the keys' names asked for, so a walk without such links pays nothing for the test.
bool Scanner::leadsBack(RegHandle key, const plat::KeyInfo& info) {
    std::string name;
    bool named = false;
    for (Frame& f : frames_) {
        if (!sameCounts(f.info, info)) continue;
        if (!named) {
            named = true;
            if (reg::keyName(reg_, key, &name) != plat::kErrorSuccess || name.empty()) return false;
        }
        const std::string& other = frameName(f);
        if (!other.empty() && text::equalNoCase(other, name)) return true;
    }
    return false;
}

void Scanner::walkKey(Kind kind, RegHandle root, RegHandle parent, std::string path, size_t nameAt, FileView view) {
    if (!host_.scanRunning()) return;
    if (kind == Kind::FontKey) host_.yield();
    bool skipTest = kind != Kind::SharedDlls && kind != Kind::ComKey;
    if (skipTest && skippedPath(root, path, &upperPath_)) return;
    if (static_cast<int>(frames_.size()) >= kMaxDepth) return;

    // A subkey is opened from its parent's handle by its own name, so a key is reached however
    // long its full path grows; the walk's start is opened from the root by its path.
    // The key is closed on every way out, a stop included.
    const reg::Key key = parent != 0
                             ? reg::Key::open(reg_, parent, std::string_view(path).substr(nameAt), plat::kKeyFullAccess)
                             : reg::Key::open(reg_, root, path, plat::kKeyFullAccess);
    const plat::KeyInfo info = key ? reg::tryKeyInfo(reg_, key.get()).value_or(plat::KeyInfo{}) : plat::KeyInfo{};
    const long subKeys = static_cast<long>(info.subKeys);
    const long values = static_cast<long>(info.values);
    if (kind == Kind::FontKey && key.get() == 0) return;
    // A key reached again through a link is not walked again: its values were listed where the
    // walk first met it, and walking it would go round the loop.
    if (subKeys > 0 && leadsBack(key.get(), info)) return;
    frames_.push_back(Frame{key.get(), info, {}, false});
    struct PopFrame {
        std::vector<Frame>& frames;
        ~PopFrame() { frames.pop_back(); }
    } popFrame{frames_};

    std::string fontsFolder;
    if (kind == Kind::FontKey) fontsFolder = mdlreg::addslash(checks_.SpecialFolderPath(20));
    // The key's own name, for the COM tests (the path does not change while the values are read).
    const std::string_view last = kind == Kind::ComKey ? lastComponent(path) : std::string_view();

    for (long i = 0; i < values; ++i) {
        mdlreg::ValueEntry v = mdlreg::EnumValueEntry(reg_, key.get(), i, info.maxValueNameLen + 1);
        switch (kind) {
            case Kind::KeyValues:
            case Kind::Association: drivePathTest(root, path, v, view); break;
            case Kind::SharedDlls: {
                // The value names of this key are the shared files' paths; the data is a
                // reference count. No drive pre-test and no exclusion test here. The file is
                // tested by the name up to a NUL; the row keeps the exact name, the one a
                // repair must delete.
                const std::string_view file = mdlreg::BeforeNul(v.name);
                if (!text::trim(file).empty() && !checks_.DataPathExists(file, view))
                    AddtoList(root, path, std::move(v.name), std::move(v.text), v.type,
                              reason(Reason::SharedFileMissing));
                break;
            }
            case Kind::FontKey: {
                // Entries are file names in the fonts folder or full paths. A full path is tested
                // as it stands: put behind the fonts folder it could never be found, and every
                // font registered by its full path would be reported.
                if (v.text.empty()) break;
                std::string probe = beginsWithDriveRoot(v.text) ? v.text : fontsFolder + v.text;
                if (!checks_.DataPathExists(probe, view))
                    AddtoList(root, path, std::move(v.name), std::move(v.text), v.type, reason(Reason::InvalidFont));
                break;
            }
            case Kind::ComKey: comValueTest(root, path, last, v, view); break;
        }
        host_.yield();
        if (!host_.scanRunning()) return;
    }

    bool excludesSubkeys = kind == Kind::KeyValues || kind == Kind::ComKey || kind == Kind::Association;
    if (!path.empty() && path.back() != '\\') path += '\\';
    for (long i = 0; i < subKeys; ++i) {
        // The name is kept exact: a key whose name begins or ends with a space, or is only
        // spaces, is still addressed as itself (a trimmed name would open a sibling, or nothing).
        std::string name = mdlreg::EnumSubkeyName(reg_, key.get(), i);
        if (!name.empty() && key.get() != 0) {
            std::string child = path + name;
            FileView childView = view;
            if (childView == FileView::Native &&
                (text::equalNoCase(name, "Wow6432Node") ||
                 (text::equalNoCase(name, "win32") && isTypeLibWin32(components(child)))))
                childView = FileView::Wow32;
            if (!(excludesSubkeys && InExcludeList(child)))
                walkKey(kind, root, key.get(), std::move(child), path.size(), childView);
        }
        // A stop inside the child unwinds at once, without one more yield per level.
        if (!host_.scanRunning()) return;
        host_.yield();
        if (!host_.scanRunning()) return;
    }
}

void Scanner::drivePathTest(RegHandle root, const std::string& path, mdlreg::ValueEntry& v, FileView view) {
    if (!HasDrivePath(v.text)) return;
    if (checks_.DataPathExists(v.text, view)) return;
    // The probe text is built in one buffer kept for the scan: no allocation per value.
    probe_.resize(path.size() + 2 + v.name.size() + 4 + v.text.size());
    char* at = probe_.data();
    for (std::string_view part : {std::string_view(path), std::string_view("::"), std::string_view(v.name),
                                  std::string_view(" :: "), std::string_view(v.text)})
        at = std::copy(part.begin(), part.end(), at);
    if (InExcludeList(probe_)) return;
    AddtoList(root, path, std::move(v.name), std::move(v.text), v.type, reason(Reason::InvalidPath));
}

void Scanner::comValueTest(RegHandle root, const std::string& path, std::string_view last, mdlreg::ValueEntry& v,
                           FileView view) {
    const std::string& rawName = v.name;
    const std::string& data = v.text;
    const uint32_t type = v.type;
    // A value the data reader shows as no text although it holds bytes (binary, a 64-bit number,
    // no type) is not empty, and none of the tests below can judge it: it is left alone.
    const bool textual = type == plat::kRegSz || type == plat::kRegExpandSz || type == plat::kRegMultiSz;
    if (!textual && data.empty() && v.size > 0) return;
    // The tests read the name up to a NUL; rows keep the exact name, the one a repair deletes.
    // Names are compared as the registry compares them, letter case aside.
    const std::string_view name = mdlreg::BeforeNul(rawName);
    auto lastIs = [last](std::string_view what) { return text::equalNoCase(last, what); };
    auto nameIs = [name](std::string_view what) { return text::equalNoCase(name, what); };
    auto report = [&](Reason r) { AddtoList(root, path, rawName, data, type, reason(r)); };
    auto reportUnless = [&](const std::string& key, Reason r) {
        if (!classKeyRegistered(key, view)) report(r);
    };
    const bool empty = data.empty();
    const bool braced = !empty && data[0] == '{';

    if (data.find(":\\") != std::string::npos) {
        drivePathTest(root, path, v, view);  // which applies the drive pre-test itself
    } else if (empty && lastIs("TYPELIB")) {
        report(Reason::EmptyTypeLib);
    } else if (!empty && name.empty() && lastIs("TYPELIB") && braced) {
        reportUnless("TYPELIB\\" + data, Reason::InvalidTypeLib);
    } else if (empty && name.empty() && lastIs("CLSID")) {
        report(Reason::EmptyClsid);
    } else if (!empty && name.empty() && lastIs("CLSID") && braced) {
        reportUnless("CLSID\\" + data, Reason::InvalidClsid);
    } else if (empty && name.empty() && (lastIs("PROGID") || lastIs("VERSIONINDEPENDENTPROGID"))) {
        report(Reason::EmptyProgId);
    } else if (!empty && name.empty() && lastIs("PROGID")) {
        reportUnless(data, Reason::InvalidProgId);
    } else if (empty && name.empty() && lastIs("INPROCSERVER32")) {
        report(Reason::EmptyInprocServer32);
    } else if (empty && name.empty() && lastIs("INPROCSERVER")) {
        report(Reason::EmptyInprocServer);
    } else if (empty && nameIs("CLSID")) {
        report(Reason::EmptyClsid);
    } else if (!empty && nameIs("TYPELIB")) {
        reportUnless("TYPELIB\\" + data, Reason::InvalidTypeLib);
    } else if (!empty && nameIs("PROGID")) {
        // Program ids are keys directly below the classes root, wherever the reference sits
        // (there is no "Progid" key to look below).
        reportUnless(data, Reason::InvalidProgId);
    } else if (empty && nameIs("INPROCSERVER32")) {
        report(Reason::EmptyInprocServer32);
    } else if (empty && nameIs("INPROCSERVER")) {
        report(Reason::EmptyInprocServer);
    }
}

// References are looked up in the view the value was read from: a 32-bit class names 32-bit
// classes and type libraries. An answer is kept for the rest of the scan, as the file answers
// are: one program id or type library is named by many classes.
bool Scanner::classKeyRegistered(const std::string& key, FileView view) {
    std::unordered_map<std::string, bool>& known = classKeys_[view == FileView::Wow32 ? 1 : 0];
    if (const auto it = known.find(key); it != known.end()) return it->second;
    const RegHandle classes = plat::kHkeyClassesRoot;
    const bool found = view == FileView::Wow32 ? mdlreg::KeyExistsInView(reg_, classes, key, plat::kKeyWow64_32Key)
                                               : mdlreg::KeyExists(reg_, classes, key);
    known.emplace(key, found);
    return found;
}

void Scanner::ScanFileTypes(RegHandle root, const std::string& path) {
    if (!host_.scanRunning()) return;
    if (skippedPath(root, path, &upperPath_)) return;
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

void Scanner::AddtoList(RegHandle root, const std::string& keyLocation, std::string keyName, std::string keyValue,
                        uint32_t type, const std::string& reasonText) {
    if (host_.skipCdLan() && keyValue.find(":\\") != std::string::npos) {
        int driveType = checks_.DriveTypeOf(mdlreg::TrimAtNul(driveRootOf(keyValue)));
        if (driveType == static_cast<int>(plat::DriveType::Network) ||
            driveType == static_cast<int>(plat::DriveType::CdRom))
            return;
    }
    host_.appendFinding(Finding{root, keyLocation, std::move(keyName), type, std::move(keyValue), reasonText, area_});
    host_.setInvalidCount(host_.invalidCount() + 1);
    // The bar shows activity, not a fraction done: one step per row, back to 0 after 99.
    int p = host_.progressValue() + 1;
    host_.setProgressValue(p > 99 ? 0 : p);
}

bool Scanner::InExcludeList(const std::string& probe) {
    for (const std::string& entry : host_.excludeTexts())
        if (text::contains(probe, entry)) return true;
    return false;
}

}  // namespace engine
