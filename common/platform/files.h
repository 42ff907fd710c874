// The files service: file and folder tests, system folders, drives, and the few file
// operations the programs need. Paths are UTF-8 (WTF-8) text in Windows form ("C:\x\y").
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace plat {

// The answer of an existence test. Error: the test could not be carried out
// (access denied, device not ready, a name the file system rejects is NOT an error but Missing).
enum class Probe { Exists, Missing, Error };

// Drive types in the scripting file-system object's numbering.
enum class DriveType : int { Unknown = 0, Removable = 1, Fixed = 2, Network = 3, CdRom = 4, RamDisk = 5 };

struct Drive {
    char letter = 'C';  // upper case
    DriveType type = DriveType::Fixed;
};

struct FileTime {  // local time
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
};

struct FileEntry {
    std::string name;  // file name only
    uint64_t size = 0;
    FileTime modified;
};

class Files {
public:
    virtual ~Files() = default;

    // "Scripting.FileSystemObject".FileExists: a file (not a folder) at that path.
    virtual Probe fileExists(const std::string& path) = 0;
    // GetFolder: Missing only for "path not found".
    virtual Probe folderExists(const std::string& path) = 0;
    // FindFirstFileW succeeded (a file or folder matches the path or pattern).
    virtual bool findFirst(const std::string& pathOrPattern) = 0;

    virtual std::string windowsDirectory() = 0;  // "C:\windows"
    virtual std::string systemDirectory() = 0;   // "C:\windows\system32"
    // Where 32-bit programs' system folder is ("C:\windows\SysWOW64"; GetSystemWow64Directory),
    // "" on a system without a 32-bit view. A 32-bit program names this folder System32, and the
    // 64-bit system folder Sysnative, a name that only 32-bit programs see.
    virtual std::string systemWow64Directory() = 0;
    // SHGetFolderPathW(csidl | 0x8000): result code and path (path empty unless code is 0).
    virtual long specialFolder(int csidl, std::string* path) = 0;
    // The drives in the system's order.
    virtual std::vector<Drive> drives() = 0;

    // The folder of our own executable, without a trailing backslash.
    virtual std::string applicationFolder() = 0;

    virtual bool createFolder(const std::string& path) = 0;
    // Files of a folder matching a wildcard pattern such as "*.reg".
    virtual std::vector<FileEntry> listFiles(const std::string& folder, const std::string& pattern) = 0;
    virtual std::optional<FileEntry> stat(const std::string& path) = 0;
    // 0 on success, else the platform's error code.
    virtual long deleteFile(const std::string& path) = 0;
    virtual std::optional<std::string> readFile(const std::string& path) = 0;  // raw bytes
    // The first bytes of a file, at most maxBytes (fewer when the file is shorter); nothing
    // beyond them is read.
    virtual std::optional<std::string> readFileStart(const std::string& path, size_t maxBytes) = 0;
    // Creates or replaces the file with these raw bytes; 0 on success.
    virtual long writeFile(const std::string& path, const std::string& bytes) = 0;
    // Writes the bytes to a new file beside `path` and puts it in the old one's place only once
    // it is whole, so a write that fails (no right to write there, a full disk) leaves the old
    // file as it was. 0 on success, else the platform's code.
    virtual long replaceFile(const std::string& path, const std::string& bytes) = 0;
    // Writes the bytes to a new file beside `path` and gives it that name only once it is whole
    // and only when no file has the name: nothing is replaced, and a write that fails leaves
    // nothing under the name. 0 on success; kFileExists when a file has the name.
    static constexpr long kFileExists = 80;
    virtual long writeNewFile(const std::string& path, const std::string& bytes) {
        if (stat(path) || fileExists(path) != Probe::Missing) return kFileExists;
        return replaceFile(path, bytes);
    }

    // The system code page, in which older programs wrote their text files: its bytes as UTF-8,
    // and UTF-8 as its bytes (nullopt when a character has no byte there). The platform's own
    // code page on Windows; 1252 in the substitutes.
    virtual std::string fromSystemCodePage(const std::string& bytes) = 0;
    virtual std::optional<std::string> toSystemCodePage(const std::string& utf8) = 0;
};

}  // namespace plat
