// The shell and processes service: starting programs, opening documents and addresses,
// sending keystrokes, one-instance test, file icons and type names.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace plat {

// Codes the callers of launch() look at.
constexpr long kErrorElevationRequired = 740;  // CreateProcess of a program that asks for more rights
constexpr long kErrorCancelled = 1223;         // the user refused consent

enum class ShowState : int { Hide = 0, Normal = 1, Minimized = 2, Maximized = 3 };

struct StartedProcess {
    uint32_t processId = 0;
    uintptr_t handle = 0;  // process handle; release with Shell::closeProcess
};

class Shell {
public:
    virtual ~Shell() = default;

    // Starts `program` (a full path, never searched; empty = take the program from the command
    // line) with `commandLine` as a new process with a normal, focused window. Returns false when
    // it could not be started. When `out` is given, the caller owns the returned handle.
    virtual bool startProcess(const std::string& program, const std::string& commandLine, ShowState show,
                              StartedProcess* out) = 0;
    // Starts `program` (a full path) with `parameters` through the shell's execute call
    // (ShellExecuteExW, verb "open", the process handle kept), so that Windows can ask the user
    // for consent when the program asks for more rights than the caller has. Returns 0 or the
    // platform's code: kErrorCancelled when the user refused consent. out->handle is 0 when the
    // started program handed its work to a process that already ran.
    virtual long launch(const std::string& program, const std::string& parameters, ShowState show,
                        StartedProcess* out) = 0;
    // Waits (at most timeoutMs, in short steps that call `pump` so the caller's window keeps
    // handling its messages) until the foreground window is of class `windowClass`, whichever
    // process owns it; brings a visible window of that class forward once when there is one.
    virtual bool waitForForegroundClass(const std::string& windowClass, int timeoutMs,
                                        const std::function<void()>& pump) = 0;

    // True while the process runs.
    virtual bool processRunning(const StartedProcess& p) = 0;
    virtual void closeProcess(StartedProcess& p) = 0;
    // Waits (at most timeoutMs) until a window of that process is the foreground window.
    virtual bool waitForForegroundWindow(uint32_t processId, int timeoutMs) = 0;

    // ShellExecuteW(owner, verb, file, params, dir, show); returns the platform's result (> 32 = ok).
    // With synchronous set, returns only once the shell has finished launching.
    virtual intptr_t shellExecute(uintptr_t ownerWindow, const std::string& verb, const std::string& file,
                                  const std::string& params, const std::string& directory, ShowState show,
                                  bool synchronous = false) = 0;

    // Sends a keystroke string in the published send-keys syntax to the focused window.
    virtual bool sendKeys(const std::string& keys) = 0;

    // True when another instance of the program named `id` already runs; the first caller
    // keeps the claim for the rest of its life.
    virtual bool anotherInstanceRunning(const std::string& id) = 0;
};

}  // namespace plat
