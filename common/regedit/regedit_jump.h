// Opens the system registry editor positioned on a key, by typing the key path into its tree.
#pragma once

#include <functional>
#include <string>

#include "common/platform/files.h"
#include "common/platform/registry.h"
#include "common/platform/shell.h"

namespace regedit {

// The key path as a keystroke string: every character the keystroke syntax treats specially
// (+ ^ % ~ ( ) { } [ ]) is braced so that it types itself, and each backslash becomes
// "{RIGHT}", which opens the selected key in the editor's tree.
std::string EscapeForKeystrokes(const std::string& path);

// The editor's main window class, on Windows and under Wine.
inline constexpr const char* kEditorWindowClass = "RegEdit_RegEdit";
// Where the editor keeps the key it shows at its next start.
inline constexpr const char* kEditorSettingsKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Applets\\Regedit";

// The editor's "LastKey" text for a key path: the computer node's name as the editor last
// wrote it (the part before the first backslash of `previous` when that names a root after it;
// "Computer" otherwise), a backslash, and the path without trailing backslashes.
std::string LastKeyText(const std::string& path, const std::string& previous);

// Opens the registry editor of the Windows directory at a key. First writes the editor's
// LastKey, so that an editor that honours it (Windows' own) opens at the key by itself; then
// starts it through the shell's execute call (it asks for the highest rights; a second start
// hands over to the window that is open), waits at most waitMs in short steps that call `pump`
// until a window of the editor's class is in the foreground, whichever process owns it, and
// only then types the path (what takes an editor that ignores LastKey, Wine's, to the key).
// Nothing is typed into a window of another class. True when the keys were sent.
bool JumpToKey(plat::Shell& shell, plat::Files& files, plat::Registry& registry, const std::string& path,
               const std::function<void()>& pump = {}, int waitMs = 5000);

// The jump as a window calls it: the wait for the editor runs `pump` (the window's messages
// keep flowing), and a jump asked for while one waits is dropped.
std::function<void(const std::string& path)> WindowJump(plat::Shell& shell, plat::Files& files,
                                                        plat::Registry& registry, std::function<void()> pump);

}  // namespace regedit
