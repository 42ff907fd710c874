// Opens the system registry editor positioned on a key, by typing the key path into its tree.
#pragma once

#include <string>

#include "common/platform/files.h"
#include "common/platform/shell.h"

namespace regedit {

// The key path as a keystroke string: every character the keystroke syntax treats specially
// (+ ^ % ~ ( ) { } [ ]) is braced so that it types itself, and each backslash becomes
// "{RIGHT}", which opens the selected key in the editor's tree.
std::string EscapeForKeystrokes(const std::string& path);

// Starts regedit.exe from the Windows directory, waits (at most waitMs) until a window of that
// very process is in the foreground, and only then types the path. When the editor does not
// start or its window does not come to the foreground, nothing is typed. True when the keys
// were sent.
bool JumpToKey(plat::Shell& shell, plat::Files& files, const std::string& path, int waitMs = 5000);

}  // namespace regedit
