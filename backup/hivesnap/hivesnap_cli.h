// hivesnap: the backup program without a window. It calls the backup engine the window calls,
// with the real registry editor: the same backup folder, file names, follow-up of the export
// and completeness check, the same restore and delete.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/platform/locale.h"
#include "common/platform/clock.h"
#include "common/platform/files.h"
#include "common/platform/shell.h"
#include "common/text/cli_args.h"
#include "backup/own_record.h"
#include "common/platform/registry.h"

namespace hivesnap {

// Exit codes.
constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;  // the backup, restore or delete did not happen (the reason on
                                // standard error), or the output could not be written
constexpr int kExitUsage = 2;
constexpr int kExitCheck = 3;  // refused by a check: no backup of that name, a backup still
                               // being written

const char* UsageText();

enum class Command { None, Backup, List, Restore, Delete };
using Format = text::ListFormat;

struct Options {
    Command command = Command::None;
    bool help = false;
    bool version = false;
    int keep = 0;  // 0: keep every backup
    Format format = Format::Tsv;
    bool yes = false;
    std::vector<std::string> operands;
};

// Parses the arguments (without the program name). On failure returns false and a one-line
// message in *error.
bool ParseArgs(const std::vector<std::string>& args, Options* out, std::string* error);

// One row of the window's list, and whether hivesnap made that backup.
struct Row {
    std::string name;
    std::string date;
    std::string size;
    bool own = false;
};
std::string FormatRows(const std::vector<Row>& rows, Format format);

// The backups hivesnap made (backup/own_record.h). Only files of the backup folder that the list
// shows and that still have their recorded size count as hivesnap's, so --keep never deletes a
// backup of the window or a file put there under the same name.
using backup::kRecordName;
using backup::OwnBackup;
using backup::ParseRecord;
using backup::RecordText;

// True when a registry file ends as the registry editor ends every export it completes: with
// an empty line (CR LF CR LF, in UTF-16LE or in a single-byte code page). A file cut short
// while being written does not.
bool EndsAsACompleteExport(std::string_view tail);

struct Services {
    plat::Files& files;
    plat::Clock& clock;
    plat::Shell& shell;
    plat::Locale& locale;
    // Read after a backup for the values its file cannot put back exactly; none: not looked at.
    plat::Registry* registry = nullptr;
};

struct Console {
    std::function<bool(const std::string&)> out;  // false: not written
    std::function<void(const std::string&)> err;
    std::function<void(int ms)> sleep;                   // waits between looks at the registry editor
    std::function<bool()> interrupted;                   // the user pressed Ctrl+C
    std::function<void(uint32_t processId)> endProcess;  // ends the registry editor
    // The last `bytes` bytes of a file (all of it when shorter); unset: read through Files.
    std::function<std::optional<std::string>(const std::string& path, size_t bytes)> readTail;
    // This process's id, and whether a process of that id still runs (unset: 0, and none runs).
    std::function<uint32_t()> processId;
    std::function<bool(uint32_t processId)> processAlive;
    // Ties a started process to this one, so that it ends when this one ends however it ends
    // (the export of a backup; unset: not tied).
    std::function<void(uint32_t processId)> tieToThisProcess;
};

// Runs the command the arguments give; returns the exit status.
int Run(const std::vector<std::string>& args, Services services, Console& console);

}  // namespace hivesnap
