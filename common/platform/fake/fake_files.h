// A virtual file tree with drives and drive types, for tests. Paths are Windows paths
// ("C:\x\y"), compared without regard to case; "/" counts as "\".
//
// The tree is what a 64-bit program sees of a 64-bit system: System32 is the 64-bit system
// folder, SysWOW64 the 32-bit one, and the Windows folder holds no Sysnative (that name exists
// for 32-bit programs only), so nothing is ever found below it.
#pragma once

#include <map>
#include <optional>
#include <set>
#include <string>
#include <unordered_map>

#include "common/platform/files.h"

namespace plat {

class FakeFiles : public Files {
public:
    FakeFiles();

    Probe fileExists(const std::string& path) override;
    Probe folderExists(const std::string& path) override;
    bool findFirst(const std::string& pathOrPattern) override;
    std::string windowsDirectory() override { return windowsDir_; }
    std::string systemDirectory() override { return systemDir_; }
    std::string systemWow64Directory() override { return wow64Dir_; }
    long specialFolder(int csidl, std::string* path) override;
    std::vector<Drive> drives() override;
    std::string applicationFolder() override { return appFolder_; }
    bool createFolder(const std::string& path) override;
    std::vector<FileEntry> listFiles(const std::string& folder, const std::string& pattern) override;
    std::optional<FileEntry> stat(const std::string& path) override;
    long deleteFile(const std::string& path) override;
    std::optional<std::string> readFile(const std::string& path) override;
    std::optional<std::string> readFileStart(const std::string& path, size_t maxBytes) override;
    long writeFile(const std::string& path, const std::string& bytes) override;
    long replaceFile(const std::string& path, const std::string& bytes) override;
    std::string fromSystemCodePage(const std::string& bytes) override;
    std::optional<std::string> toSystemCodePage(const std::string& utf8) override;

    // ---- test controls ----

    // Adds a file (and its missing folders; its drive as Fixed when unknown).
    void addFile(const std::string& path, uint64_t size = 0, FileTime modified = {});
    void addFile(const std::string& path, const std::string& content, FileTime modified = {});
    void addFolder(const std::string& path);
    void setDrive(char letter, DriveType type);
    void removeDrive(char letter);
    // Every existence test of this exact path (file or folder) answers Error.
    void markProbeError(const std::string& path);
    // The file exists but reading it fails, as when another program holds it open without
    // sharing; clearUnreadable lets go.
    void markUnreadable(const std::string& path);
    void clearUnreadable(const std::string& path);
    // Nothing may be written, created or deleted in this folder (a program without elevation
    // below Program Files): those calls fail with access denied.
    void markReadOnlyFolder(const std::string& folder);
    // Also sets the system folders below it (system32, and syswow64 when the system has one).
    void setWindowsDirectory(const std::string& path);
    // "" makes a system without a 32-bit view.
    void setSystemWow64Directory(const std::string& path) { wow64Dir_ = path; }
    void setSystemDirectory(const std::string& path) { systemDir_ = path; }
    void setSpecialFolder(int csidl, const std::string& path);
    void setApplicationFolder(const std::string& path);
    void setNow(FileTime t) { now_ = t; }  // the time written files get
    // Number of existence tests asked (fileExists, folderExists, findFirst).
    size_t probeCount() const { return probes_; }
    // Makes a file `size` bytes long, as a growing export does; the bytes beyond its content
    // read as zeros.
    void setFileSize(const std::string& path, uint64_t size);
    // Bytes handed out by readFile and readFileStart so far.
    uint64_t bytesRead() const { return bytesRead_; }

private:
    struct Entry {
        std::string path;  // as added
        bool folder = false;
        uint64_t size = 0;
        FileTime modified;
        std::string content;
    };

    static std::string normalize(const std::string& path);                 // upper case, "\" only, no trailing "\"
    static void normalizeInto(const std::string& path, std::string* out);  // the same, into *out
    static bool rejectedName(const std::string& path);
    bool driveKnown(const std::string& norm) const;
    bool belowSysnative(const std::string& norm) const;
    const Entry* lookup(const std::string& path) const;
    // The probes' common steps, on a path normalized once: Missing, Error, or nullopt to look it up.
    std::optional<Probe> probeVerdict(const std::string& path, const std::string& norm);
    void ensureFolders(const std::string& norm, const std::string& original);

    std::unordered_map<std::string, Entry> entries_;  // by normalized path (no order: listings sort)
    std::map<char, DriveType> drives_;
    std::set<std::string> probeErrors_;
    std::set<std::string> unreadable_;
    std::set<std::string> readOnlyFolders_;
    bool inReadOnlyFolder(const std::string& norm) const;
    std::map<int, std::string> special_;
    std::string windowsDir_ = "C:\\windows";
    std::string sysnativeNorm_ = "C:\\WINDOWS\\SYSNATIVE";  // normalized, follows windowsDir_
    std::string systemDir_ = "C:\\windows\\system32";
    std::string wow64Dir_ = "C:\\windows\\syswow64";
    std::string appFolder_ = "C:\\Program Files\\Scourline";
    FileTime now_{2024, 1, 2, 3, 4, 5};
    size_t probes_ = 0;
    std::string probeNorm_;  // the path a probe asks, normalized (kept: no allocation per probe)
    uint64_t bytesRead_ = 0;
};

// Wildcard match of a file name as the platform does it: "*" any run, "?" one character,
// case-insensitive; "*.*" matches every name.
bool wildcardMatch(const std::string& pattern, const std::string& name);

}  // namespace plat
