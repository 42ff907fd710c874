#include <gtest/gtest.h>

#include "common/platform/fake/fake_clock.h"
#include "common/platform/fake/fake_shell.h"

namespace {

using namespace plat;

TEST(FakeShell, RecordsCallsInOrderAndAnswersAsScripted) {
    FakeShell sh;
    StartedProcess p;
    ASSERT_TRUE(sh.startProcess("C:\\windows\\regedit.exe", "regedit", ShowState::Normal, &p));
    EXPECT_NE(p.processId, 0u);
    EXPECT_TRUE(sh.processRunning(p));
    EXPECT_TRUE(sh.waitForForegroundWindow(p.processId, 3000));
    EXPECT_TRUE(sh.sendKeys("abc{RIGHT}"));
    EXPECT_EQ(sh.openProcessHandles(), 1u);
    sh.closeProcess(p);
    EXPECT_EQ(sh.openProcessHandles(), 0u);
    ASSERT_EQ(sh.events.size(), 4u);
    EXPECT_EQ(sh.events[0].kind, FakeShell::Event::Kind::Start);
    EXPECT_EQ(sh.events[1].kind, FakeShell::Event::Kind::WaitForeground);
    EXPECT_EQ(sh.events[1].timeoutMs, 3000);
    EXPECT_EQ(sh.sentKeys(), std::vector<std::string>{"abc{RIGHT}"});

    sh.foregroundComes = false;
    EXPECT_FALSE(sh.waitForForegroundWindow(p.processId, 10));
    sh.startSucceeds = false;
    StartedProcess q;
    EXPECT_FALSE(sh.startProcess("x.exe", "x", ShowState::Normal, &q));
    EXPECT_EQ(q.processId, 0u);
    sh.shellExecuteResult = 2;
    EXPECT_EQ(sh.shellExecute(7, "open", "http://x.example/", "", "", ShowState::Hide), 2);
    EXPECT_EQ(sh.eventsOf(FakeShell::Event::Kind::ShellExecute).at(0).owner, 7u);
}

TEST(FakeShell, OneInstanceClaim) {
    FakeShell sh;
    EXPECT_FALSE(sh.anotherInstanceRunning("hivescrub"));
    sh.otherInstances.insert("hivefind");
    EXPECT_TRUE(sh.anotherInstanceRunning("hivefind"));
}

TEST(FakeClock, TicksAdvanceByStep) {
    FakeClock c;
    const uint64_t t0 = c.ticks();
    EXPECT_EQ(c.ticks(), t0);
    c.setStepPerRead(50);
    const uint64_t t1 = c.ticks();
    EXPECT_EQ(c.ticks(), t1 + 50);
    c.setNow(FileTime{2020, 1, 1, 9, 5, 7});
    EXPECT_EQ(c.timeOfDayText(), "09:05:07");
}

}  // namespace
