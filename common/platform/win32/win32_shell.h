// The shell service on the platform: CreateProcessW, ShellExecuteExW, SendInput.
// sendKeys pauses briefly before characters that follow a named key ("{RIGHT}abc"), so that
// a tree or list control starts a new incremental search with them.
#pragma once

#include <map>
#include <string>

#include "common/platform/shell.h"

namespace plat {

class Win32Shell : public Shell {
public:
    ~Win32Shell() override;

    bool startProcess(const std::string& program, const std::string& commandLine, ShowState show,
                      StartedProcess* out) override;
    bool processRunning(const StartedProcess& p) override;
    void closeProcess(StartedProcess& p) override;
    bool waitForForegroundWindow(uint32_t processId, int timeoutMs) override;
    long launch(const std::string& program, const std::string& parameters, ShowState show,
                StartedProcess* out) override;
    bool waitForForegroundClass(const std::string& windowClass, int timeoutMs,
                                const std::function<void()>& pump) override;
    intptr_t shellExecute(uintptr_t ownerWindow, const std::string& verb, const std::string& file,
                          const std::string& params, const std::string& directory, ShowState show,
                          bool synchronous = false) override;
    bool sendKeys(const std::string& keys) override;
    bool anotherInstanceRunning(const std::string& id) override;

private:
    std::map<std::string, void*> claims_;  // named mutexes held for the life of the program
};

}  // namespace plat
