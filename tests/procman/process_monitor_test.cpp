#include "procman/process_monitor.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "procman_fixture.h"

namespace {

using procman::ProcessMonitor;
using procman::ProcessSample;
using procman_test::Platform;

constexpr uint64_t kSecond = 10000000;  // 100 ns units

std::vector<uint32_t> ids(const std::vector<ProcessSample>& v) {
    std::vector<uint32_t> out;
    for (const ProcessSample& s : v) out.push_back(s.processId);
    return out;
}

TEST(ProcessMonitorTest, FiguresAreReadOrLeftEmpty) {
    Platform p;
    p.processes.processors = 4;
    plat::FakeProcess& app = p.program(10, "C:\\Apps\\", "app.exe");
    app.privateBytes = 5 * 1024 * 1024;
    app.user = "TESTPC\\alice";
    plat::FakeProcess& old32 = p.program(11, "C:\\Old\\", "old.exe");
    old32.wow64 = true;
    plat::FakeProcess& secret = p.program(12, "C:\\Apps\\", "secret.exe");
    secret.userError = 5;
    secret.memoryError = 5;
    p.processes.addProtected(4, "System");

    ProcessMonitor m(p.processes, p.files);
    ASSERT_TRUE(m.sample());
    ASSERT_EQ(ids(m.processes()), (std::vector<uint32_t>{10, 11, 12, 4}));
    const ProcessSample& a = *m.find(10);
    EXPECT_EQ(a.folder, "C:\\Apps\\");
    EXPECT_EQ(a.imagePath, "C:\\Apps\\app.exe");
    EXPECT_TRUE(a.pathReadable);
    EXPECT_EQ(a.privateBytes, std::optional<uint64_t>(5 * 1024 * 1024));
    EXPECT_EQ(a.user, std::optional<std::string>("TESTPC\\alice"));
    EXPECT_EQ(a.wow64, std::optional<bool>(false));
    EXPECT_FALSE(a.cpu) << "one reading gives no share yet";
    EXPECT_EQ(m.find(11)->wow64, std::optional<bool>(true));
    // No rights to the token or the counters: those figures are empty, the others are read.
    EXPECT_FALSE(m.find(12)->user);
    EXPECT_FALSE(m.find(12)->privateBytes);
    EXPECT_TRUE(m.find(12)->wow64);
    // A process that cannot be opened at all: nothing but its name, the system directory.
    const ProcessSample& sys = *m.find(4);
    EXPECT_FALSE(sys.pathReadable);
    EXPECT_EQ(sys.folder, "C:\\windows\\system32");
    EXPECT_FALSE(sys.privateBytes || sys.user || sys.wow64 || sys.cpu);
    EXPECT_EQ(sys.creation, 0u);
    EXPECT_EQ(p.processes.openHandles(), 0);
    EXPECT_EQ(p.processes.openSnapshots(), 0);
}

TEST(ProcessMonitorTest, CpuIsTheShareOfTheWholeMachineOverTheInterval) {
    struct Case {
        const char* what;
        uint32_t processors;
        uint64_t elapsedMs;
        uint64_t kernel, user;  // used in the interval, 100 ns units
        std::optional<double> expected;
    };
    const Case cases[] = {
        {"idle", 4, 2000, 0, 0, 0.0},
        {"one processor of four, half the time", 4, 2000, kSecond / 2, kSecond / 2, 12.5},
        {"kernel and user both count", 2, 2000, kSecond, kSecond, 50.0},
        {"all processors", 2, 1000, kSecond, kSecond, 100.0},
        {"clock granularity overshoot is capped", 1, 1000, kSecond, kSecond / 10, 100.0},
        {"an interval too short gives no first figure", 4, 100, kSecond, 0, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Platform p;
        p.processes.processors = c.processors;
        plat::FakeProcess& app = p.program(10, "C:\\Apps\\", "app.exe");
        app.times.kernel = 3 * kSecond;
        app.times.user = 7 * kSecond;
        ProcessMonitor m(p.processes, p.files);
        ASSERT_TRUE(m.sample());
        p.processes.advanceMs(c.elapsedMs);
        app.times.kernel += c.kernel;
        app.times.user += c.user;
        ASSERT_TRUE(m.sample());
        ASSERT_EQ(m.find(10)->cpu.has_value(), c.expected.has_value());
        if (c.expected) {
            EXPECT_DOUBLE_EQ(*m.find(10)->cpu, *c.expected);
        }
    }
}

TEST(ProcessMonitorTest, AShortIntervalKeepsTheLastFigureAndItsStart) {
    Platform p;
    p.processes.processors = 1;
    plat::FakeProcess& app = p.program(10, "C:\\Apps\\", "app.exe");
    ProcessMonitor m(p.processes, p.files);
    m.sample();
    p.processes.advanceMs(2000);
    app.times.user += kSecond;  // 50 %
    m.sample();
    ASSERT_TRUE(m.find(10)->cpu);
    EXPECT_DOUBLE_EQ(*m.find(10)->cpu, 50.0);
    // A refresh right after: the 50 % stays rather than a share of 10 ms.
    p.processes.advanceMs(10);
    app.times.user += kSecond / 100;
    m.sample();
    EXPECT_DOUBLE_EQ(*m.find(10)->cpu, 50.0);
    // The next interval runs from the last figure's reading: 2.01 s with 0.01 + 0.19 s used.
    p.processes.advanceMs(1990);
    app.times.user += kSecond * 19 / 100;
    m.sample();
    EXPECT_NEAR(*m.find(10)->cpu, 10.0, 1e-9);
}

TEST(ProcessMonitorTest, AReusedIdentifierIsANewProcess) {
    Platform p;
    plat::FakeProcess& first = p.program(10, "C:\\Apps\\", "app.exe");
    first.user = "TESTPC\\alice";
    ProcessMonitor m(p.processes, p.files);
    m.sample();
    p.processes.advanceMs(2000);
    first.times.user += kSecond;
    m.sample();
    ASSERT_TRUE(m.find(10)->cpu);

    // The process ends and a new one of the same name gets its identifier.
    p.processes.end(10);
    plat::FakeProcess& second = p.program(10, "D:\\Other\\", "app.exe");
    second.user = "TESTPC\\bob";
    second.times.user = 50 * kSecond;  // more than the old one had: no share may come of it
    p.processes.advanceMs(2000);
    m.sample();
    const ProcessSample& s = *m.find(10);
    EXPECT_EQ(s.folder, "D:\\Other\\");
    EXPECT_EQ(s.user, std::optional<std::string>("TESTPC\\bob"));
    EXPECT_EQ(s.creation, second.times.creation);
    EXPECT_FALSE(s.cpu);
}

TEST(ProcessMonitorTest, OwnerAnd32BitViewAreReadOnce) {
    Platform p;
    p.program(10, "C:\\Apps\\", "app.exe");
    ProcessMonitor m(p.processes, p.files);
    m.sample();
    const int first = p.processes.figureCalls;
    m.sample();
    // Each later sample asks only for the times and the memory.
    EXPECT_EQ(p.processes.figureCalls - first, 2);
}

TEST(ProcessMonitorTest, NoSnapshotKeepsTheLastSample) {
    Platform p;
    p.program(10, "C:\\Apps\\", "app.exe");
    ProcessMonitor m(p.processes, p.files);
    ASSERT_TRUE(m.sample());
    p.processes.snapshotFails = true;
    EXPECT_FALSE(m.sample());
    EXPECT_EQ(ids(m.processes()), std::vector<uint32_t>{10});
}

TEST(ProcessMonitorTest, TreeFollowsParentsOnlyToYoungerProcesses) {
    struct Case {
        const char* what;
        uint32_t root;
        std::vector<uint32_t> expected;
    };
    Platform p;
    // Creation times grow with the order of adding.
    p.program(5, "C:\\Apps\\", "older.exe").parentProcessId = 20;  // names 20, but is older than it
    p.program(20, "C:\\Apps\\", "parent.exe").parentProcessId = 1;
    p.program(21, "C:\\Apps\\", "child1.exe").parentProcessId = 20;
    p.program(22, "C:\\Apps\\", "child2.exe").parentProcessId = 20;
    p.program(23, "C:\\Apps\\", "grandchild.exe").parentProcessId = 22;
    p.program(24, "C:\\Apps\\", "unrelated.exe").parentProcessId = 1;
    // Two processes naming each other (identifiers reused in a circle), one naming itself.
    p.program(30, "C:\\Apps\\", "a.exe").parentProcessId = 31;
    p.program(31, "C:\\Apps\\", "b.exe").parentProcessId = 30;
    plat::FakeProcess& self = p.program(40, "C:\\Apps\\", "self.exe");
    self.parentProcessId = 40;
    // A child whose creation time cannot be read is left out; so are the children of a parent
    // whose creation time cannot be read.
    p.program(25, "C:\\Apps\\", "unknown.exe").parentProcessId = 20;
    p.processes.find(25)->timesError = 5;
    p.program(50, "C:\\Apps\\", "blind.exe").timesError = 5;
    p.program(51, "C:\\Apps\\", "blindchild.exe").parentProcessId = 50;

    ProcessMonitor m(p.processes, p.files);
    m.sample();
    const Case cases[] = {
        {"parent with two children and a grandchild", 20, {20, 21, 22, 23}},
        {"a leaf", 21, {21}},
        {"a circle ends", 30, {30, 31}},
        {"the younger of a circle", 31, {31}},
        {"a process naming itself", 40, {40}},
        {"unknown creation time", 50, {50}},
        {"not running", 99, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(ids(m.tree(c.root)), c.expected);
    }
}

TEST(ProcessMonitorTest, FiguresAreWrittenAsTheTaskManagerWritesThem) {
    EXPECT_EQ(procman::cpuText(std::nullopt), "");
    EXPECT_EQ(procman::cpuText(0.0), "00");
    EXPECT_EQ(procman::cpuText(0.4), "00");
    EXPECT_EQ(procman::cpuText(7.5), "08");
    EXPECT_EQ(procman::cpuText(12.49), "12");
    EXPECT_EQ(procman::cpuText(100.0), "100");
    EXPECT_EQ(procman::memoryText(std::nullopt), "");
    EXPECT_EQ(procman::memoryText(0), "0 K");
    EXPECT_EQ(procman::memoryText(4096), "4 K");
    EXPECT_EQ(procman::memoryText(1), "1 K");
    EXPECT_EQ(procman::memoryText(999 * 1024), "999 K");
    EXPECT_EQ(procman::memoryText(1000 * 1024), "1,000 K");
    EXPECT_EQ(procman::memoryText(uint64_t{1234567} * 1024), "1,234,567 K");
    EXPECT_EQ(procman::wow64Text(std::nullopt), "");
    EXPECT_EQ(procman::wow64Text(false), "");
    EXPECT_EQ(procman::wow64Text(true), "*32");
}

}  // namespace
