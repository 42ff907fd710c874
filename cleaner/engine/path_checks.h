// Path extraction and file checks of the scan. A test answers true when there is nothing to
// report. Every distinct path is put to the file system at most once per scan: the checker
// remembers each answer, so one checker object lives for one scan.
#pragma once

#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "common/platform/files.h"

namespace engine {

// The data holds ":\" after its first character, preceded by a drive letter A to P.
bool HasDrivePath(const std::string& data);

class PathChecker {
public:
    explicit PathChecker(plat::Files& files) : files_(files) {}

    // The tolerant path test: cuts a command line down to a file name and tries several places.
    bool DataPathExists(const std::string& text);
    // Found below the Windows directory, its "system" or its "system32" folder.
    bool ExistsInWindowsDirs(const std::string& name);
    // A test that cannot be carried out counts as found.
    bool FsoFileExists(const std::string& path);
    // False only for "path not found".
    bool FsoFolderExists(const std::string& path);
    // Marker files (not used by the scan, never cached).
    bool FindFileExists(const std::string& path);
    // The folder's path, "" on any failure.
    std::string SpecialFolderPath(int csidl);
    // Drive type of a root text such as "C:\", in the scripting object's numbering; 0 when no
    // drive's letter, colon and backslash equal the text exactly.
    int DriveTypeOf(const std::string& rootText);
    // addslash(WinDir), taken once.
    const std::string& windowsDirWithSlash();

    // How many questions actually reached the file system (for tests and the benchmark).
    long fileQueries() const { return fileQueries_; }
    long folderQueries() const { return folderQueries_; }

private:
    plat::Files& files_;
    std::unordered_map<std::string, bool> fileCache_;
    std::unordered_map<std::string, bool> folderCache_;
    std::unordered_map<std::string, bool> dataCache_;
    std::unordered_map<int, std::string> specialCache_;
    std::optional<std::vector<plat::Drive>> drives_;
    std::optional<std::string> winDir_;
    long fileQueries_ = 0;
    long folderQueries_ = 0;

    bool dataPathExistsUncached(const std::string& text);
    bool quotedProgramExists(const std::string& text);
};

}  // namespace engine
