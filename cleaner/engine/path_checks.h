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

// Which program's eyes a path is seen with. A value of the 32-bit registry view was written by a
// 32-bit program, which names the 32-bit system folder (SysWOW64) "System32" and the 64-bit one
// "Sysnative".
enum class FileView { Native, Wow32 };

class PathChecker {
public:
    explicit PathChecker(plat::Files& files) : files_(files) {}

    // The tolerant path test: cuts a command line down to a file name and tries several places.
    // In the 32-bit view every file and folder test below asks for the file where a 32-bit
    // program finds it, and a path counts as present when the file exists in either view (a
    // file the redirection exempts, or a name that means the same in both).
    bool DataPathExists(const std::string& text, FileView view = FileView::Native);
    // Found below the Windows directory, its "system" or its "system32" folder (in the view of
    // the test running).
    bool ExistsInWindowsDirs(const std::string& name);
    // A test that cannot be carried out counts as found. In the view of the test running.
    bool FsoFileExists(const std::string& path);
    // False only for "path not found". In the view of the test running.
    bool FsoFolderExists(const std::string& path);
    // Where a 32-bit program's path really is, as this (64-bit) program must name it: below
    // the Windows directory, "System32" is the 32-bit system folder and "Sysnative" the 64-bit
    // one. Any other path is returned as given.
    std::string PathOf32BitName(const std::string& path);
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
    std::unordered_map<std::string, bool> dataCache_[2];  // by view
    std::unordered_map<int, std::string> specialCache_;
    std::optional<std::vector<plat::Drive>> drives_;
    std::optional<std::string> winDir_;
    long fileQueries_ = 0;
    long folderQueries_ = 0;
    FileView view_ = FileView::Native;
    struct ViewFolders {
        std::string system32;   // the Windows directory's "System32", as 32-bit programs name it
        std::string sysnative;  // its "Sysnative"
        std::string wow64;      // the real 32-bit system folder ("" without a 32-bit view)
        std::string system;     // the real 64-bit system folder
    };
    std::optional<ViewFolders> viewFolders_;

    bool probeFile(const std::string& path);
    bool probeFolder(const std::string& path);
    bool dataPathExistsUncached(const std::string& text);
    bool quotedProgramExists(const std::string& text);
};

}  // namespace engine
