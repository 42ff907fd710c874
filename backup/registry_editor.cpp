#include "backup/registry_editor.h"

namespace backup {

std::string ExportCommandLine(const std::string& file) { return "regedit /E \"" + file + "\""; }
std::string ImportCommandLine(const std::string& file) { return "regedit \"" + file + "\""; }

namespace {

// The parameters of a command line "regedit ...": what follows the program's name.
std::string parametersOf(const std::string& commandLine) {
    const std::string::size_type space = commandLine.find(' ');
    return space == std::string::npos ? std::string() : commandLine.substr(space + 1);
}

}  // namespace

bool ShellRegistryEditor::start(const std::string& commandLine, plat::StartedProcess* process) {
    startError_ = shell_.launch(programPath(), parametersOf(commandLine), plat::ShowState::Minimized, process);
    return startError_ == 0;
}

ShellRegistryEditor::~ShellRegistryEditor() {
    for (auto& [job, process] : jobs_) shell_.closeProcess(process);
}

std::string ShellRegistryEditor::programPath() {
    std::string dir = files_.windowsDirectory();
    if (!dir.empty() && dir.back() != '\\') dir += '\\';
    return dir + "regedit.exe";
}

bool ShellRegistryEditor::startExport(const std::string& file, Job* job) {
    plat::StartedProcess process;
    if (!start(ExportCommandLine(file), &process)) return false;
    Job id = next_++;
    jobs_[id] = process;
    if (job) *job = id;
    return true;
}

bool ShellRegistryEditor::startImport(const std::string& file, Job* job) {
    plat::StartedProcess process;
    if (!start(ImportCommandLine(file), &process)) return false;
    if (!job) {
        shell_.closeProcess(process);
        return true;
    }
    Job id = next_++;
    jobs_[id] = process;
    if (job) *job = id;
    return true;
}

bool ShellRegistryEditor::running(Job job) {
    auto it = jobs_.find(job);
    return it != jobs_.end() && shell_.processRunning(it->second);
}

void ShellRegistryEditor::release(Job job) {
    auto it = jobs_.find(job);
    if (it == jobs_.end()) return;
    shell_.closeProcess(it->second);
    jobs_.erase(it);
}

}  // namespace backup
