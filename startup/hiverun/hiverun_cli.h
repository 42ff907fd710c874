// hiverun: the startup manager without a window. It reads and changes the entries through the
// startup model the window uses, so what it lists and writes is what the window lists and
// writes, and it refuses what the window refuses.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "common/platform/icons.h"
#include "common/text/cli_args.h"
#include "startup/startup_model.h"

namespace hiverun {

// Exit codes.
constexpr int kExitOk = 0;
constexpr int kExitRefused = 1;  // the registry refused (its reason on standard error), or the
                                 // output could not be written
constexpr int kExitUsage = 2;
constexpr int kExitCheck = 3;  // refused by a check: a name that exists already or does not
                               // exist, an empty name or command, disabling a RunOnce entry

const char* UsageText();

enum class Command { None, List, Add, Set, Rename, Remove, Disable, Enable };
// Whose entries: the current user's, the machine's (64-bit view) or the machine's 32-bit view.
enum class Scope { User, Machine, Machine32, All };
// Which kind of place: the Run key, the RunOnce key, or the Startup folder.
enum class Where { Run, RunOnce, Startup, Any };
using Format = text::ListFormat;

struct Options {
    Command command = Command::None;
    bool help = false;
    bool version = false;
    Scope scope = Scope::User;  // list: All unless given
    Where where = Where::Run;   // list: Any unless given
    Format format = Format::Tsv;
    std::vector<std::string> operands;
};

// Parses the arguments (without the program name). On failure returns false and a one-line
// message in *error.
bool ParseArgs(const std::vector<std::string>& args, Options* out, std::string* error);

// One listed entry: the window's row and what the window derives from it.
struct Entry {
    std::string name;
    std::string data;
    std::string scope;    // "user", "machine" or "machine32"
    std::string program;  // the program file named by the command line, variables expanded
    bool exists = false;  // whether that file exists
    std::string place;    // the window's Place column: "Run", "Run (32-bit)", "RunOnce", "Startup folder" ...
    std::string state;    // "enabled", "disabled" or "once" (a RunOnce entry)
};

// The entries as tab-separated lines under a header line, or as a JSON array.
std::string FormatEntries(const std::vector<Entry>& entries, Format format);

// What a registry result code means, for messages: "access denied (error 5)".
std::string ReasonText(long code);

// The console's two streams. `out` returns false when the text could not be written.
struct Console {
    std::function<bool(const std::string&)> out;
    std::function<void(const std::string&)> err;
};

// The console shows no icons: a lookup gets none, without asking the shell.
class NoIcons : public plat::Icons {
public:
    std::uintptr_t getFileInfo(const std::string&, uint32_t, plat::ShellFileInfo*) override { return 0; }
    plat::IconHandle defaultIcon(bool) override { return 0; }
    void destroyIcon(plat::IconHandle) override {}
};

// Runs the command the arguments give; returns the exit status.
int Run(const std::vector<std::string>& args, startup::StartupServices services, Console& console);

}  // namespace hiverun
