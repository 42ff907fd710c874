#include "common/regedit/regedit_jump.h"

#include "common/registry/mdl_registry.h"

namespace regedit {

std::string EscapeForKeystrokes(const std::string& path) {
    std::string keys;
    keys.reserve(path.size() + 16);
    for (char c : path) {
        switch (c) {
            case '+': case '^': case '%': case '~': case '(': case ')':
            case '{': case '}': case '[': case ']':
                keys += '{';
                keys += c;
                keys += '}';
                break;
            case '\\':
                keys += "{RIGHT}";
                break;
            default:
                keys += c;
                break;
        }
    }
    return keys;
}

bool JumpToKey(plat::Shell& shell, plat::Files& files, const std::string& path, int waitMs) {
    const std::string keys = EscapeForKeystrokes(path);
    // The editor of the Windows directory, never one found by a search of other folders.
    const std::string program = mdlreg::addslash(mdlreg::WinDir(files)) + "regedit.exe";
    plat::StartedProcess process;
    if (!shell.startProcess(program, "\"" + program + "\"", plat::ShowState::Normal, &process)) return false;
    bool sent = false;
    if (shell.waitForForegroundWindow(process.processId, waitMs)) sent = shell.sendKeys(keys);
    shell.closeProcess(process);
    return sent;
}

}  // namespace regedit
