// The system registry editor as the backup program uses it: an export of the whole registry
// into a file, and an import of a file, each started as a process that runs on its own. Tests
// put a scripted editor behind this interface.
#pragma once

#include <cstdint>
#include <map>
#include <string>

#include "common/platform/files.h"
#include "common/platform/shell.h"

namespace backup {

// "regedit /E " and "regedit " followed by the file path in double quotes.
std::string ExportCommandLine(const std::string& file);
std::string ImportCommandLine(const std::string& file);

class RegistryEditor {
public:
    using Job = uint64_t;  // 0 = none

    virtual ~RegistryEditor() = default;
    // Starts the export; false when the editor could not be started.
    virtual bool startExport(const std::string& file, Job* job) = 0;
    // Starts the import and lets it run on its own; false when it could not be started. With
    // `job`, the import can be followed (running) until it is released.
    virtual bool startImport(const std::string& file, Job* job = nullptr) = 0;
    // True while the export's process runs.
    virtual bool running(Job job) = 0;
    // Forgets a job (and releases what the platform holds for it).
    virtual void release(Job job) = 0;
    // The platform's code of the last start that failed (plat::kErrorCancelled: the user
    // refused the editor the rights it asks for); 0 when none failed.
    virtual long startError() const { return 0; }
};

// The real editor: the Windows directory's regedit.exe, never one found on the search path,
// started minimised through the shell's execute call (it asks for the highest rights, so
// Windows may ask the user for consent) with its process kept to follow the export.
class ShellRegistryEditor : public RegistryEditor {
public:
    ShellRegistryEditor(plat::Shell& shell, plat::Files& files) : shell_(shell), files_(files) {}
    ~ShellRegistryEditor() override;

    std::string programPath();

    bool startExport(const std::string& file, Job* job) override;
    bool startImport(const std::string& file, Job* job = nullptr) override;
    bool running(Job job) override;
    void release(Job job) override;
    long startError() const override { return startError_; }

private:
    bool start(const std::string& commandLine, plat::StartedProcess* process);
    long startError_ = 0;
    plat::Shell& shell_;
    plat::Files& files_;
    std::map<Job, plat::StartedProcess> jobs_;
    Job next_ = 1;
};

}  // namespace backup
