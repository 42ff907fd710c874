// Shell substitute for tests: records every start, document open and keystroke string in the
// order they happen, and answers with results a test scripts in advance.
#pragma once

#include <set>
#include <string>
#include <vector>

#include "common/platform/shell.h"

namespace plat {

class FakeShell : public Shell {
public:
    struct Event {
        enum class Kind { Start, ShellExecute, SendKeys, WaitForeground, Close, Launch, WaitForegroundClass };
        Kind kind = Kind::Start;
        std::string program;      // Start: program; ShellExecute: file
        std::string commandLine;  // Start: command line; ShellExecute: params; SendKeys: keys
        std::string verb;         // ShellExecute
        std::string directory;    // ShellExecute
        ShowState show = ShowState::Normal;
        uint32_t processId = 0;    // Start, WaitForeground, Close
        int timeoutMs = 0;         // WaitForeground
        uintptr_t owner = 0;       // ShellExecute
        bool synchronous = false;  // ShellExecute
        std::string windowClass;   // WaitForegroundClass
    };

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

    // ---- scripted answers ----
    bool startSucceeds = true;
    bool foregroundComes = true;
    intptr_t shellExecuteResult = 42;
    bool sendKeysSucceeds = true;
    std::set<std::string> otherInstances;  // ids for which another instance "runs"
    // Windows as it is with user account control: programs that ask for more rights than the
    // caller has cannot be started by startProcess (elevation required); launch() asks for
    // consent, which the user gives unless consentRefused.
    std::set<std::string> needElevation;  // program paths, compared without regard to case
    bool consentRefused = false;
    long launchResult = 0;         // any other failure of launch()
    bool launchHandsOver = false;  // the program hands over to one that runs: no process
    // The foreground window's class after a start (empty: none comes), and how many steps the
    // wait takes before it comes; each step calls the caller's pump.
    std::string foregroundClass = "RegEdit_RegEdit";
    int foregroundAfterSteps = 0;
    int pumpCalls = 0;

    // ---- what happened ----
    std::vector<Event> events;
    std::vector<Event> eventsOf(Event::Kind kind) const;
    std::vector<std::string> sentKeys() const;
    size_t openProcessHandles() const { return openHandles_.size(); }
    void endProcess(uint32_t processId) { running_.erase(processId); }

private:
    bool needsElevation(const std::string& program) const;
    // A new running process for the event (and the caller's handle to it).
    void spawn(Event& e, StartedProcess* out);

    uint32_t nextPid_ = 100;
    std::set<uint32_t> running_;
    std::set<uintptr_t> openHandles_;
    std::set<std::string> claimed_;
};

}  // namespace plat
