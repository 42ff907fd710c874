#include "cleaner/engine/path_checks.h"

#include <algorithm>

#include "common/registry/mdl_registry.h"
#include "common/text/text.h"

namespace engine {

namespace {

char upperAscii(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

bool letterIn(char c, char last) {
    c = upperAscii(c);
    return c >= 'A' && c <= last;
}

void trimInPlace(std::string& s) {
    std::string::size_type end = s.find_last_not_of(' ');
    if (end == std::string::npos) {
        s.clear();
        return;
    }
    s.erase(end + 1);
    s.erase(0, s.find_first_not_of(' '));
}

// Keeps the part before the first `sep` (all of it when there is none), trimmed of spaces.
void cutAt(std::string& s, const char* sep) {
    std::string::size_type p = s.find(sep);
    if (p != std::string::npos) s.erase(p);
    trimInPlace(s);
}

void replaceInPlace(std::string& s, const std::string& what, const std::string& with) {
    for (std::string::size_type p = s.find(what); p != std::string::npos; p = s.find(what, p + with.size()))
        s.replace(p, what.size(), with);
}

// A path the file system refuses outright (quotes, wildcards, "<>|", control characters, a
// second ":\"): the platform answers "not found" without looking, so neither do we. Paths that
// begin with "\\" (network and device paths) are always asked.
bool rejectedName(const std::string& path) {
    if (path.empty()) return true;
    if (path.compare(0, 2, "\\\\") == 0) return false;
    for (unsigned char c : path) {
        if (c < 0x20 || c == '"' || c == '<' || c == '>' || c == '|' || c == '*' || c == '?') return true;
    }
    return path.find(":\\", 2) != std::string::npos;
}

bool beginsWithDrivePath(const std::string& s) {
    return s.size() >= 3 && letterIn(s[0], 'Z') && s[1] == ':' && s[2] == '\\';
}

}  // namespace

bool HasDrivePath(const std::string& data) {
    std::string::size_type p = data.find(":\\");
    return p != std::string::npos && p != 0 && letterIn(data[p - 1], 'P');
}

bool PathChecker::probeFile(const std::string& path) {
    auto [it, fresh] = fileCache_.try_emplace(path, false);
    if (fresh && !rejectedName(path)) {
        ++fileQueries_;
        it->second = files_.fileExists(path) != plat::Probe::Missing;
    }
    return it->second;
}

bool PathChecker::probeFolder(const std::string& path) {
    auto [it, fresh] = folderCache_.try_emplace(path, false);
    if (fresh && !rejectedName(path)) {
        ++folderQueries_;
        it->second = files_.folderExists(path) != plat::Probe::Missing;
    }
    return it->second;
}

// The caches hold answers by the path really asked, so each distinct path is put to the file
// system once per scan, whichever view asked for it.
bool PathChecker::FsoFileExists(const std::string& path) {
    if (view_ == FileView::Wow32) {
        const std::string real = PathOf32BitName(path);
        if (real != path) return probeFile(real) || probeFile(path);
    }
    return probeFile(path);
}

bool PathChecker::FsoFolderExists(const std::string& path) {
    if (view_ == FileView::Wow32) {
        const std::string real = PathOf32BitName(path);
        if (real != path) return probeFolder(real) || probeFolder(path);
    }
    return probeFolder(path);
}

namespace {

// `path` is `folder` or lies below it (letter case aside); *rest gets what follows the folder.
bool inFolder(const std::string& path, const std::string& folder, std::string* rest) {
    if (folder.empty() || path.size() < folder.size()) return false;
    if (path.size() > folder.size() && path[folder.size()] != '\\') return false;
    if (!text::equalNoCase(path.substr(0, folder.size()), folder)) return false;
    *rest = path.substr(folder.size());
    return true;
}

std::string withoutTrailingSlash(std::string s) {
    while (s.size() > 3 && s.back() == '\\') s.pop_back();
    return s;
}

}  // namespace

std::string PathChecker::PathOf32BitName(const std::string& path) {
    if (!viewFolders_) {
        ViewFolders f;
        const std::string& w = windowsDirWithSlash();
        if (w.size() > 1) {
            f.system32 = w + "System32";
            f.sysnative = w + "Sysnative";
        }
        f.wow64 = withoutTrailingSlash(mdlreg::TrimAtNul(files_.systemWow64Directory()));
        f.system = withoutTrailingSlash(mdlreg::TrimAtNul(files_.systemDirectory()));
        viewFolders_ = f;
    }
    const ViewFolders& f = *viewFolders_;
    std::string rest;
    if (!f.wow64.empty() && inFolder(path, f.system32, &rest)) return f.wow64 + rest;
    if (!f.system.empty() && inFolder(path, f.sysnative, &rest)) return f.system + rest;
    return path;
}

bool PathChecker::FindFileExists(const std::string& path) { return files_.findFirst(path); }

std::string PathChecker::SpecialFolderPath(int csidl) {
    auto it = specialCache_.find(csidl);
    if (it != specialCache_.end()) return it->second;
    std::string path;
    if (files_.specialFolder(csidl, &path) != 0) path.clear();
    path = mdlreg::TrimAtNul(path);
    specialCache_.emplace(csidl, path);
    return path;
}

int PathChecker::DriveTypeOf(const std::string& rootText) {
    if (!drives_) drives_ = files_.drives();
    for (const plat::Drive& d : *drives_) {
        if (std::string(1, d.letter) + ":\\" == rootText) return static_cast<int>(d.type);
    }
    return 0;
}

const std::string& PathChecker::windowsDirWithSlash() {
    if (!winDir_) winDir_ = mdlreg::addslash(mdlreg::WinDir(files_));
    return *winDir_;
}

bool PathChecker::ExistsInWindowsDirs(const std::string& name) {
    const std::string& w = windowsDirWithSlash();
    bool ok = false;
    if (name.find(':') == std::string::npos) ok = FsoFileExists(w + name);
    if (!ok) ok = FsoFileExists(w + "system\\" + name);
    if (!ok) ok = FsoFileExists(w + "system32\\" + name);
    return ok;
}

bool PathChecker::DataPathExists(const std::string& text, FileView view) {
    // The answer depends only on the text, the view and on file tests that are themselves
    // remembered, so the same text gets the same answer in its view for the rest of the scan.
    auto [it, fresh] = dataCache_[view == FileView::Wow32 ? 1 : 0].try_emplace(text, false);
    if (fresh) {
        struct ViewScope {
            FileView& v;
            FileView old;
            ~ViewScope() { v = old; }
        } scope{view_, view_};
        view_ = view;
        it->second = dataPathExistsUncached(text);
    }
    return it->second;
}

// A quoted part that begins with a drive path names its file whole: the separators the cleaning
// cuts at (" -", ",", ";") may be part of a folder name there. It settles the answer only when
// the file exists and no second drive path follows the closing quote (a document after the
// program must still be found by the cleaning).
bool PathChecker::quotedProgramExists(const std::string& text) {
    for (std::string::size_type open = text.find('"'); open != std::string::npos;) {
        const std::string::size_type close = text.find('"', open + 1);
        if (close == std::string::npos) return false;
        const std::string quoted = text.substr(open + 1, close - open - 1);
        if (beginsWithDrivePath(quoted)) {
            if (text.find(":\\", close + 1) != std::string::npos) return false;
            return FsoFileExists(quoted) || FsoFolderExists(quoted);
        }
        open = text.find('"', close + 1);
    }
    return false;
}

bool PathChecker::dataPathExistsUncached(const std::string& original) {
    if (FsoFolderExists(original)) return true;
    if (FsoFileExists(original)) return true;
    if (quotedProgramExists(original)) return true;

    std::string t = original;
    replaceInPlace(t, "\"", "");
    replaceInPlace(t, "Rundll32", "");
    replaceInPlace(t, "RunDll32", "");
    // A text without ":\" after its first character has no drive to cut at; such a test cannot
    // be carried out, so it counts as passed.
    std::string::size_type colon = t.find(":\\");
    if (colon == std::string::npos || colon == 0) return true;
    t.erase(0, colon - 1);
    if (!letterIn(t[0], 'T')) return true;
    cutAt(t, ",");
    cutAt(t, " /");
    cutAt(t, " -");
    cutAt(t, ";");
    replaceInPlace(t, "%SYSTEMROOT%", windowsDirWithSlash());
    cutAt(t, "%");
    replaceInPlace(t, "@", "");

    if (FsoFileExists(t)) return true;

    bool ok;
    std::string::size_type second = t.size() > 2 ? t.find(":\\", 2) : std::string::npos;
    if (second != std::string::npos) {
        // `second` is the index of the second path's colon (>= 3, the text begins "X:\"). The
        // first part ends with the character before its drive letter, the second part starts
        // there; trimming drops it when it is a space.
        std::string first = text::trim(t.substr(0, second - 1));
        std::string rest = text::trim(t.substr(second - 2));
        ok = FsoFileExists(first);
        if (!ok) ok = first.find('.') != std::string::npos ? ExistsInWindowsDirs(first) : true;
        if (ok) ok = FsoFileExists(rest) || ExistsInWindowsDirs(rest);
    } else {
        ok = ExistsInWindowsDirs(t);
        if (!ok) {
            // The name up to the first dot after the second character plus three characters
            // (a three-letter extension); the first three characters when there is no dot.
            std::string::size_type dot = t.size() > 2 ? t.find('.', 2) : std::string::npos;
            std::string::size_type keep = dot == std::string::npos ? 3 : dot + 4;
            std::string first = text::trim(t.substr(0, std::min(keep, t.size())));
            ok = FsoFileExists(first) || ExistsInWindowsDirs(first);
        }
    }
    if (!ok) ok = FsoFolderExists(t);
    return ok;
}

}  // namespace engine
