#include "common/platform/fake/fake_files.h"

#include <algorithm>
#include <array>
#include <cstdint>

#include "common/text/text.h"

namespace plat {

namespace {

constexpr long kErrorFileNotFound = 2;
constexpr long kErrorPathNotFound = 3;
constexpr long kErrorAccessDenied = 5;
constexpr long kEInvalidArg = static_cast<long>(0x80070057);

std::string fileNameOf(const std::string& path) {
    const size_t p = path.find_last_of('\\');
    return p == std::string::npos ? path : path.substr(p + 1);
}

std::string parentOf(const std::string& norm) {
    const size_t p = norm.find_last_of('\\');
    if (p == std::string::npos) return "";
    if (p == 2) return norm.substr(0, 3);  // "C:\"
    return norm.substr(0, p);
}

bool matchFrom(const std::u16string& p, size_t pi, const std::u16string& n, size_t ni) {
    while (pi < p.size()) {
        if (p[pi] == u'*') {
            while (pi < p.size() && p[pi] == u'*') ++pi;
            if (pi == p.size()) return true;
            for (size_t k = ni; k <= n.size(); ++k)
                if (matchFrom(p, pi, n, k)) return true;
            return false;
        }
        if (ni >= n.size()) return false;
        if (p[pi] != u'?' && text::upperUnit(p[pi]) != text::upperUnit(n[ni])) return false;
        ++pi, ++ni;
    }
    return ni == n.size();
}

}  // namespace

bool wildcardMatch(const std::string& pattern, const std::string& name) {
    if (pattern == "*.*" || pattern == "*") return true;
    return matchFrom(text::toUtf16(pattern), 0, text::toUtf16(name), 0);
}

FakeFiles::FakeFiles() {
    setDrive('C', DriveType::Fixed);
    addFolder(windowsDir_);
    addFolder(systemDir_);
    addFolder(wow64Dir_);
    addFolder(windowsDir_ + "\\Fonts");
    addFolder(appFolder_);
    special_[0x14] = windowsDir_ + "\\Fonts";    // fonts
    special_[0x24] = windowsDir_;                // Windows directory
    special_[0x25] = systemDir_;                 // system directory
    special_[0x26] = "C:\\Program Files";        // program files
    special_[0x29] = wow64Dir_;                  // the 32-bit system directory
    special_[0x2A] = "C:\\Program Files (x86)";  // 32-bit programs' program files
    special_[0x2B] = "C:\\Program Files\\Common Files";
    special_[0x1A] = "C:\\users\\user\\AppData\\Roaming";
    special_[0x1C] = "C:\\users\\user\\AppData\\Local";
    special_[0x05] = "C:\\users\\user\\Documents";
}

std::string FakeFiles::normalize(const std::string& path) {
    std::string p;
    normalizeInto(path, &p);
    return p;
}

void FakeFiles::normalizeInto(const std::string& path, std::string* out) {
    text::toUpperInto(path, out);
    std::string& p = *out;
    // "/" is read as "\"; the platform reads doubled separators inside a path as one
    // (C:\windows\\x), but a path may begin with two ("\\server").
    size_t n = 0;
    for (size_t i = 0; i < p.size(); ++i) {
        const char c = p[i] == '/' ? '\\' : p[i];
        if (c == '\\' && n >= 2 && p[n - 1] == '\\') continue;
        p[n++] = c;
    }
    p.resize(n);
    while (p.size() > 3 && p.back() == '\\') p.pop_back();
    if (p.size() == 2 && p[1] == ':') p += '\\';
}

bool FakeFiles::rejectedName(const std::string& path) {
    // Characters the file system refuses in a name (a ":" only after the drive letter); such a
    // path is simply not there.
    static constexpr std::array<bool, 256> kRefused = [] {
        std::array<bool, 256> refused{};
        for (int c = 0; c < 0x20; ++c) refused[c] = true;
        for (unsigned char c : {'"', '<', '>', '|', '*', '?', ':'}) refused[c] = true;
        return refused;
    }();
    for (size_t i = 0; i < path.size(); ++i) {
        if (kRefused[static_cast<unsigned char>(path[i])] && !(i == 1 && path[i] == ':')) return true;
    }
    return path.empty();
}

bool FakeFiles::driveKnown(const std::string& norm) const {
    return norm.size() >= 3 && norm[1] == ':' && norm[2] == '\\' && drives_.count(norm[0]);
}

const FakeFiles::Entry* FakeFiles::lookup(const std::string& path) const {
    auto it = entries_.find(normalize(path));
    return it == entries_.end() ? nullptr : &it->second;
}

void FakeFiles::ensureFolders(const std::string& norm, const std::string& original) {
    if (norm.size() <= 3) return;
    const std::string parent = parentOf(norm);
    const size_t cut = original.find_last_of("\\/");
    if (!parent.empty()) ensureFolders(parent, cut == std::string::npos ? parent : original.substr(0, cut));
    if (!entries_.count(norm)) {
        Entry e;
        e.path = original;
        e.folder = true;
        e.modified = now_;
        entries_[norm] = std::move(e);
    }
}

bool FakeFiles::belowSysnative(const std::string& norm) const {
    const std::string& sysnative = sysnativeNorm_;
    return norm.compare(0, sysnative.size(), sysnative) == 0 &&
           (norm.size() == sysnative.size() || norm[sysnative.size()] == '\\');
}

std::optional<Probe> FakeFiles::probeVerdict(const std::string& path, const std::string& norm) {
    ++probes_;
    if (!probeErrors_.empty() && probeErrors_.count(norm)) return Probe::Error;
    if (rejectedName(path) || !driveKnown(norm) || belowSysnative(norm)) return Probe::Missing;
    return std::nullopt;
}

Probe FakeFiles::fileExists(const std::string& path) {
    normalizeInto(path, &probeNorm_);
    const std::string& norm = probeNorm_;
    if (const std::optional<Probe> v = probeVerdict(path, norm)) return *v;
    const auto it = entries_.find(norm);
    return it != entries_.end() && !it->second.folder ? Probe::Exists : Probe::Missing;
}

Probe FakeFiles::folderExists(const std::string& path) {
    normalizeInto(path, &probeNorm_);
    const std::string& norm = probeNorm_;
    if (const std::optional<Probe> v = probeVerdict(path, norm)) return *v;
    if (norm.size() == 3) return Probe::Exists;  // a known drive's root
    const auto it = entries_.find(norm);
    return it != entries_.end() && it->second.folder ? Probe::Exists : Probe::Missing;
}

bool FakeFiles::findFirst(const std::string& pathOrPattern) {
    ++probes_;
    const std::string norm = normalize(pathOrPattern);
    if (norm.size() <= 3 || !driveKnown(norm)) return false;  // a drive root is not found by name
    const std::string folder = parentOf(norm);
    const std::string pattern = fileNameOf(norm);
    for (const auto& [key, e] : entries_)
        if (parentOf(key) == folder && wildcardMatch(pattern, fileNameOf(key))) return true;
    return false;
}

long FakeFiles::specialFolder(int csidl, std::string* path) {
    if (path) path->clear();
    auto it = special_.find(csidl & 0xFF);
    if (it == special_.end()) return kEInvalidArg;
    if (path) *path = it->second;
    return 0;
}

std::vector<Drive> FakeFiles::drives() {
    std::vector<Drive> out;
    for (const auto& [letter, type] : drives_) out.push_back(Drive{letter, type});
    return out;
}

bool FakeFiles::inReadOnlyFolder(const std::string& norm) const { return readOnlyFolders_.count(parentOf(norm)) > 0; }

bool FakeFiles::createFolder(const std::string& path) {
    const std::string norm = normalize(path);
    if (rejectedName(path) || entries_.count(norm) || !driveKnown(norm) || inReadOnlyFolder(norm)) return false;
    const std::string parent = parentOf(norm);
    if (parent.size() > 3) {
        auto it = entries_.find(parent);
        if (it == entries_.end() || !it->second.folder) return false;
    }
    ensureFolders(norm, path);
    return true;
}

std::vector<FileEntry> FakeFiles::listFiles(const std::string& folder, const std::string& pattern) {
    std::vector<FileEntry> out;
    const std::string dir = normalize(folder);
    std::map<std::string, FileEntry, bool (*)(const std::string&, const std::string&)> sorted(
        [](const std::string& a, const std::string& b) { return text::compareNoCase(a, b) < 0; });
    for (const auto& [key, e] : entries_) {
        if (e.folder || parentOf(key) != dir) continue;
        const std::string name = fileNameOf(text::replaceAll(e.path, "/", "\\"));
        if (!wildcardMatch(pattern, name)) continue;
        sorted[name] = FileEntry{name, e.size, e.modified};
    }
    for (auto& [n, f] : sorted) out.push_back(f);
    return out;
}

std::optional<FileEntry> FakeFiles::stat(const std::string& path) {
    const Entry* e = lookup(path);
    if (!e) return std::nullopt;
    return FileEntry{fileNameOf(text::replaceAll(e->path, "/", "\\")), e->size, e->modified};
}

long FakeFiles::deleteFile(const std::string& path) {
    auto it = entries_.find(normalize(path));
    if (it == entries_.end()) return kErrorFileNotFound;
    if (it->second.folder || inReadOnlyFolder(it->first)) return kErrorAccessDenied;
    entries_.erase(it);
    return 0;
}

std::optional<std::string> FakeFiles::readFile(const std::string& path) { return readFileStart(path, SIZE_MAX); }

std::optional<std::string> FakeFiles::readFileStart(const std::string& path, size_t maxBytes) {
    const Entry* e = lookup(path);
    if (!e || e->folder || unreadable_.count(normalize(path))) return std::nullopt;
    const size_t n = static_cast<size_t>(std::min<uint64_t>(e->size, maxBytes));
    std::string out = e->content.substr(0, n);
    out.resize(n, '\0');
    bytesRead_ += n;
    return out;
}

void FakeFiles::setFileSize(const std::string& path, uint64_t size) {
    auto it = entries_.find(normalize(path));
    if (it == entries_.end() || it->second.folder) return;
    it->second.size = size;
    if (it->second.content.size() > size) it->second.content.resize(static_cast<size_t>(size));
}

long FakeFiles::writeFile(const std::string& path, const std::string& bytes) {
    const std::string norm = normalize(path);
    if (rejectedName(path)) return 123;  // invalid name
    const std::string parent = parentOf(norm);
    if (!driveKnown(norm)) return kErrorPathNotFound;
    if (parent.size() > 3) {
        auto it = entries_.find(parent);
        if (it == entries_.end() || !it->second.folder) return kErrorPathNotFound;
    }
    auto it = entries_.find(norm);
    if ((it != entries_.end() && it->second.folder) || inReadOnlyFolder(norm)) return kErrorAccessDenied;
    Entry e;
    e.path = path;
    e.size = bytes.size();
    e.modified = now_;
    e.content = bytes;
    entries_[norm] = std::move(e);
    return 0;
}

void FakeFiles::addFile(const std::string& path, uint64_t size, FileTime modified) {
    const std::string norm = normalize(path);
    if (!driveKnown(norm) && norm.size() >= 2 && norm[1] == ':') setDrive(norm[0], DriveType::Fixed);
    const size_t cut = path.find_last_of("\\/");
    if (cut != std::string::npos) ensureFolders(parentOf(norm), path.substr(0, cut));
    Entry e;
    e.path = path;
    e.size = size;
    e.modified = modified;
    entries_[norm] = std::move(e);
}

void FakeFiles::addFile(const std::string& path, const std::string& content, FileTime modified) {
    addFile(path, static_cast<uint64_t>(content.size()), modified);
    entries_[normalize(path)].content = content;
}

void FakeFiles::addFolder(const std::string& path) {
    const std::string norm = normalize(path);
    if (!driveKnown(norm) && norm.size() >= 2 && norm[1] == ':') setDrive(norm[0], DriveType::Fixed);
    ensureFolders(norm, path);
}

void FakeFiles::setDrive(char letter, DriveType type) {
    if (letter >= 'a' && letter <= 'z') letter = static_cast<char>(letter - 0x20);
    drives_[letter] = type;
}

void FakeFiles::removeDrive(char letter) {
    if (letter >= 'a' && letter <= 'z') letter = static_cast<char>(letter - 0x20);
    drives_.erase(letter);
}

void FakeFiles::markProbeError(const std::string& path) { probeErrors_.insert(normalize(path)); }

long FakeFiles::replaceFile(const std::string& path, const std::string& bytes) {
    // The new file is written beside the old one first: a folder that refuses writes refuses
    // that, and the old file stays.
    return writeFile(path, bytes);
}

std::string FakeFiles::fromSystemCodePage(const std::string& bytes) { return text::fromCodePage(bytes, 1252); }

std::optional<std::string> FakeFiles::toSystemCodePage(const std::string& utf8) { return text::toCodePage1252(utf8); }

void FakeFiles::markReadOnlyFolder(const std::string& folder) { readOnlyFolders_.insert(normalize(folder)); }

void FakeFiles::markUnreadable(const std::string& path) { unreadable_.insert(normalize(path)); }

void FakeFiles::clearUnreadable(const std::string& path) { unreadable_.erase(normalize(path)); }

void FakeFiles::setWindowsDirectory(const std::string& path) {
    windowsDir_ = path;
    sysnativeNorm_ = normalize(path) + "\\SYSNATIVE";
    systemDir_ = path + "\\system32";
    addFolder(windowsDir_);
    addFolder(systemDir_);
    if (!wow64Dir_.empty()) {
        wow64Dir_ = path + "\\syswow64";
        addFolder(wow64Dir_);
        special_[0x29] = wow64Dir_;
    }
    special_[0x24] = windowsDir_;
    special_[0x25] = systemDir_;
    special_[0x14] = windowsDir_ + "\\Fonts";
    addFolder(special_[0x14]);
}

void FakeFiles::setSpecialFolder(int csidl, const std::string& path) { special_[csidl & 0xFF] = path; }

void FakeFiles::setApplicationFolder(const std::string& path) {
    appFolder_ = path;
    while (appFolder_.size() > 3 && appFolder_.back() == '\\') appFolder_.pop_back();
    addFolder(appFolder_);
}

}  // namespace plat
