// Native benchmark of the process window's live update: a substitute list of processes (300 by
// default), the window on the headless backend, and one update every simulated 2 seconds in
// which every process used some processor time, a few ended and as many started. Prints the
// window thread's time per update (wall and thread CPU); checks nothing.
//   procman_bench [processes, 300] [rounds, 50]
#include <time.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "common/platform/fake/fake_clipboard.h"
#include "common/platform/fake/fake_clock.h"
#include "common/platform/fake/fake_files.h"
#include "common/platform/fake/fake_icons.h"
#include "common/platform/fake/fake_process_list.h"
#include "common/platform/fake/fake_registry.h"
#include "common/platform/fake/fake_shell.h"
#include "common/ui/headless.h"
#include "procman/form1.h"

namespace {

double threadMs() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec * 1000.0 + t.tv_nsec / 1e6;
}

double wallMs() {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

struct Stats {
    double median, max;
};

Stats stats(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return {v[v.size() / 2], v.back()};
}

}  // namespace

int main(int argc, char** argv) {
    const int count = argc > 1 ? std::atoi(argv[1]) : 300;
    const int rounds = argc > 2 ? std::atoi(argv[2]) : 50;

    plat::FakeRegistry registry;
    plat::FakeFiles files;
    plat::FakeShell shell;
    plat::FakeClock clock;
    plat::FakeProcessList processes;
    plat::FakeIcons icons;
    plat::FakeClipboard clipboard;
    plat::Services services{registry, files, shell, clock};
    processes.processors = 8;
    uint32_t nextId = 4;
    auto start = [&] {
        const uint32_t id = nextId;
        nextId += 4;
        const std::string folder = "C:\\Program Files\\Vendor " + std::to_string(id % 40) + "\\";
        const std::string name = "program" + std::to_string(id % 90) + ".exe";
        icons.add(folder + name);
        plat::FakeProcess& p = processes.add(id, name, folder + name);
        p.parentProcessId = 4;
        p.privateBytes = (id % 977) * 40960;
        p.user = id % 3 ? "TESTPC\\tester" : "NT AUTHORITY\\SYSTEM";
        p.wow64 = id % 5 == 0;
        return id;
    };
    std::vector<uint32_t> running;
    for (int i = 0; i < count; ++i) running.push_back(start());

    ui::HeadlessHost host;
    ui::Driver drv(host);
    procman::Form1 form(host, services, processes, icons, clipboard);
    double t0 = wallMs();
    form.show();
    std::printf("processes: %d, rounds: %d\n", count, rounds);
    std::printf("%-52s %8.2f ms\n", "window opened (first scan, icons, figures)", wallMs() - t0);

    auto timeUpdates = [&](const char* what, int churn) {
        std::vector<double> wall, cpu;
        for (int r = 0; r < rounds; ++r) {
            processes.advanceMs(2000);
            for (uint32_t id : running)
                if (plat::FakeProcess* p = processes.find(id)) p->times.user += (id * 7919 + r * 104729) % 4000000;
            for (int k = 0; k < churn && !running.empty(); ++k) {
                const size_t at = (static_cast<size_t>(r) * 37 + static_cast<size_t>(k) * 101) % running.size();
                processes.end(running[at]);
                running.erase(running.begin() + static_cast<long>(at));
                running.push_back(start());
            }
            const double w = wallMs(), c = threadMs();
            drv.fire(form.Timer1);
            cpu.push_back(threadMs() - c);
            wall.push_back(wallMs() - w);
        }
        const Stats sw = stats(wall), sc = stats(cpu);
        std::printf("%-52s wall median %6.2f ms (max %6.2f), thread CPU median %6.2f ms (max %6.2f)\n", what, sw.median,
                    sw.max, sc.median, sc.max);
    };
    timeUpdates("live update, unsorted, 5 end and 5 start", 5);
    drv.clickRow(form.ListView1, form.ListView1.count() / 2);
    drv.clickColumn(form.ListView1, procman::kColCpu);
    timeUpdates("live update, sorted by CPU, row selected, 5 + 5", 5);
    drv.clickColumn(form.ListView1, procman::kColName);
    timeUpdates("live update, sorted by name, nothing ends", 0);
    std::printf(
        "rows listed: %d, selected: %s\n", form.ListView1.count(),
        form.ListView1.selectedIndex() >= 0 ? form.ListView1.text(form.ListView1.selectedIndex()).c_str() : "(none)");
    return 0;
}
