// Samples taken on a worker thread reach the window only through the window's own timer.
#include "procman/sample_runner.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <thread>

#include "common/ui/headless.h"
#include "procman/form1.h"
#include "procman_fixture.h"

namespace {

using procman_test::Platform;

// Waits (at most 10 s) for `ready`, doing `step` in between; the worker is not timed.
bool waitFor(
    const std::function<bool()>& ready, const std::function<void()>& step = [] {}) {
    for (int i = 0; i < 10000; ++i) {
        if (ready()) return true;
        step();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return ready();
}

TEST(SampleRunnerTest, AWorkerSampleIsTakenOnceAndAnotherStartsOnlyAfterIt) {
    Platform p;
    p.program(10, "C:\\Apps\\", "app.exe");
    procman::ThreadSampleRunner runner(p.processes, p.files);
    EXPECT_FALSE(runner.pending());
    EXPECT_FALSE(runner.take());
    runner.start();
    runner.start();  // one at a time
    EXPECT_TRUE(runner.pending());
    std::optional<std::vector<procman::ProcessSample>> sample;
    ASSERT_TRUE(waitFor([&] { return (sample = runner.take()).has_value(); }));
    ASSERT_EQ(sample->size(), 1u);
    EXPECT_EQ((*sample)[0].file, "app.exe");
    EXPECT_FALSE(runner.pending());
    EXPECT_FALSE(runner.take());
    EXPECT_EQ(p.processes.snapshotsTaken, 1);

    // No snapshot: the sample comes back empty-handed, and the runner is free again.
    p.processes.snapshotFails = true;
    runner.start();
    bool gotOne = false;
    ASSERT_TRUE(waitFor([&] {
        gotOne = gotOne || runner.take().has_value();
        return !runner.pending();
    }));
    EXPECT_FALSE(gotOne);
    EXPECT_EQ(p.processes.snapshotsTaken, 2);
}

TEST(SampleRunnerTest, TheWindowAppliesWorkerSamplesFromItsTimer) {
    Platform window;   // what the window's thread sees
    Platform sampled;  // the same system, as the worker's own instance sees it
    for (Platform* q : {&window, &sampled}) {
        q->program(12, "C:\\Apps\\", "helper.exe").user = "TESTPC\\alice";
        q->program(13, "C:\\Apps\\", "other.exe");
    }
    ui::HeadlessHost host;
    ui::Driver drv(host);
    procman::Form1 f(host, window.services, window.processes, window.icons, window.clipboard);
    f.sampleInBackground(sampled.processes);
    f.show();
    ASSERT_EQ(f.ListView1.count(), 2);
    EXPECT_EQ(window.processes.figureCalls, 0) << "the window's thread reads no figures";
    ASSERT_TRUE(waitFor([&] { return f.ListView1.subItem(0, procman::kColUser) != ""; },
                        [&] {
                            if (f.Timer2.enabled()) drv.fire(f.Timer2);
                        }));
    EXPECT_EQ(f.ListView1.subItem(0, procman::kColUser), "TESTPC\\alice");
    EXPECT_FALSE(f.Timer2.enabled()) << "no polling once the sample is in";

    // A process ends: the next update (started by the 2-second timer) removes it.
    sampled.processes.end(13);
    drv.fire(f.Timer1);
    ASSERT_TRUE(waitFor([&] { return f.ListView1.count() == 1; },
                        [&] {
                            if (f.Timer2.enabled()) drv.fire(f.Timer2);
                        }));
    EXPECT_EQ(f.ListView1.text(0), "helper.exe");
    EXPECT_EQ(f.NUMPROC.caption(), "1");
}

}  // namespace
