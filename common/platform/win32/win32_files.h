// The files service on the platform's wide file functions.
#pragma once

#include "common/platform/files.h"

namespace plat {

class Win32Files : public Files {
public:
    Probe fileExists(const std::string& path) override;
    Probe folderExists(const std::string& path) override;
    bool findFirst(const std::string& pathOrPattern) override;
    std::string windowsDirectory() override;
    std::string systemDirectory() override;
    std::string systemWow64Directory() override;
    long specialFolder(int csidl, std::string* path) override;
    std::vector<Drive> drives() override;
    std::string applicationFolder() override;
    bool createFolder(const std::string& path) override;
    std::vector<FileEntry> listFiles(const std::string& folder, const std::string& pattern) override;
    std::optional<FileEntry> stat(const std::string& path) override;
    long deleteFile(const std::string& path) override;
    std::optional<std::string> readFile(const std::string& path) override;
    std::optional<std::string> readFileStart(const std::string& path, size_t maxBytes) override;
    long writeFile(const std::string& path, const std::string& bytes) override;
    long replaceFile(const std::string& path, const std::string& bytes) override;
    long writeNewFile(const std::string& path, const std::string& bytes) override;
    std::string fromSystemCodePage(const std::string& bytes) override;
    std::optional<std::string> toSystemCodePage(const std::string& utf8) override;
};

// How an existence test reads a failed attribute query (exposed for tests).
Probe fileProbeForError(unsigned long error);
Probe folderProbeForError(unsigned long error);

}  // namespace plat
