// Turns an uninstall command as programs register it into a program to start and the command
// line it gets, without ever letting the platform search for the program: the unsafe reading of
// an unquoted "C:\Program Files\App\uninst.exe" would start "C:\Program.exe" when such a file
// exists, and a bare name would be looked for in the current and application folders.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "common/platform/files.h"

namespace cleaner {

struct UninstallCommand {
    bool found = false;
    std::string program;      // full path of the program to start; "" when none was found
    std::string commandLine;  // the stored text (expanded when expandable), blanks trimmed
};

// An environment variable's value, or nothing when it is not set.
using EnvLookup = std::function<std::optional<std::string>(const std::string& name)>;

// %NAME% replaced by the variable's value (names compared without regard to case); an unknown
// variable or a lone "%" stays as written.
std::string ExpandEnvironment(const std::string& text, const EnvLookup& env);

// The program of a stored command:
// - a command that starts with a quote: the quoted part;
// - else the longest blank-separated prefix that names an existing file;
// - a full path must name an existing file as written (no ".exe" is added to it);
// - a bare name (no folder, no drive) is looked for in the system directory and then the
//   Windows directory only, with ".exe" added when it has no extension;
// - anything else (a relative path) names nothing.
// `expandable`: the value is of the expandable-string type; it is expanded first.
// `wow32`: the command was registered in the 32-bit view, and is read as a 32-bit program reads
// it: %ProgramFiles% and %CommonProgramFiles% are their "(x86)" folders, a bare name is looked
// for in the 32-bit system folder (SysWOW64) before the Windows directory, and a full path into
// System32 (or Sysnative) names the 32-bit (or 64-bit) system folder, or else the file as written.
UninstallCommand ResolveUninstallCommand(const std::string& stored, bool expandable, plat::Files& files,
                                         const EnvLookup& env, bool wow32 = false);

// The variables the uninstall commands use, from the platform's folders (SystemRoot, windir,
// SystemDrive, ProgramFiles, ProgramFiles(x86), CommonProgramFiles, ProgramData, APPDATA, ...);
// any other name from the process environment.
EnvLookup StandardEnvironment(plat::Files& files);

}  // namespace cleaner
