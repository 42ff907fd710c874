#include "common/platform/fake/fake_shell.h"

#include "common/text/text.h"

namespace plat {

bool FakeShell::startProcess(const std::string& program, const std::string& commandLine, ShowState show,
                             StartedProcess* out) {
    Event e;
    e.kind = Event::Kind::Start;
    e.program = program;
    e.commandLine = commandLine;
    e.show = show;
    if (out) *out = StartedProcess{};
    if (!startSucceeds || needsElevation(program)) {
        events.push_back(e);
        return false;
    }
    spawn(e, out);
    events.push_back(e);
    return true;
}

bool FakeShell::needsElevation(const std::string& program) const {
    for (const std::string& p : needElevation)
        if (text::equalNoCase(p, program)) return true;
    return false;
}

void FakeShell::spawn(Event& e, StartedProcess* out) {
    e.processId = nextPid_;
    nextPid_ += 4;
    running_.insert(e.processId);
    if (out) {
        out->processId = e.processId;
        out->handle = 0x4000 + e.processId;
        openHandles_.insert(out->handle);
    }
}

bool FakeShell::processRunning(const StartedProcess& p) { return running_.count(p.processId) > 0; }

void FakeShell::closeProcess(StartedProcess& p) {
    Event e;
    e.kind = Event::Kind::Close;
    e.processId = p.processId;
    events.push_back(e);
    openHandles_.erase(p.handle);
    p.handle = 0;
}

bool FakeShell::waitForForegroundWindow(uint32_t processId, int timeoutMs) {
    Event e;
    e.kind = Event::Kind::WaitForeground;
    e.processId = processId;
    e.timeoutMs = timeoutMs;
    events.push_back(e);
    return foregroundComes && running_.count(processId) > 0;
}

long FakeShell::launch(const std::string& program, const std::string& parameters, ShowState show, StartedProcess* out) {
    Event e;
    e.kind = Event::Kind::Launch;
    e.program = program;
    e.commandLine = parameters;
    e.show = show;
    if (out) *out = StartedProcess{};
    long rc = launchResult;
    if (rc == 0 && needsElevation(program) && consentRefused) rc = kErrorCancelled;
    if (rc == 0 && !launchHandsOver) spawn(e, out);
    events.push_back(e);
    return rc;
}

bool FakeShell::waitForForegroundClass(const std::string& windowClass, int timeoutMs,
                                       const std::function<void()>& pump) {
    Event e;
    e.kind = Event::Kind::WaitForegroundClass;
    e.windowClass = windowClass;
    e.timeoutMs = timeoutMs;
    events.push_back(e);
    for (int step = 0; step < foregroundAfterSteps; ++step) {
        ++pumpCalls;
        if (pump) pump();
    }
    return !foregroundClass.empty() && foregroundClass == windowClass;
}

intptr_t FakeShell::shellExecute(uintptr_t ownerWindow, const std::string& verb, const std::string& file,
                                 const std::string& params, const std::string& directory, ShowState show,
                                 bool synchronous) {
    Event e;
    e.kind = Event::Kind::ShellExecute;
    e.owner = ownerWindow;
    e.verb = verb;
    e.program = file;
    e.commandLine = params;
    e.directory = directory;
    e.show = show;
    e.synchronous = synchronous;
    events.push_back(e);
    return shellExecuteResult;
}

bool FakeShell::sendKeys(const std::string& keys) {
    Event e;
    e.kind = Event::Kind::SendKeys;
    e.commandLine = keys;
    events.push_back(e);
    return sendKeysSucceeds;
}

bool FakeShell::anotherInstanceRunning(const std::string& id) {
    if (otherInstances.count(id)) return true;
    claimed_.insert(id);
    return false;
}

std::vector<FakeShell::Event> FakeShell::eventsOf(Event::Kind kind) const {
    std::vector<Event> out;
    for (const auto& e : events)
        if (e.kind == kind) out.push_back(e);
    return out;
}

std::vector<std::string> FakeShell::sentKeys() const {
    std::vector<std::string> out;
    for (const auto& e : events)
        if (e.kind == Event::Kind::SendKeys) out.push_back(e.commandLine);
    return out;
}

}  // namespace plat
