// Times the process window's scan against the bare snapshot walk, and its live update (what one
// update costs the window's thread, which does not handle messages meanwhile), under Wine, with
// the prefix's processes plus enough helpers for about <target> processes in all.
//
//   pm_bench.exe <helper.exe> [target processes, 50] [rounds, 10]
#include <windows.h>
#include <tlhelp32.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "common/platform/services.h"
#include "common/platform/win32/win32_clipboard.h"
#include "common/platform/win32/win32_clock.h"
#include "common/platform/win32/win32_files.h"
#include "common/platform/win32/win32_registry.h"
#include "common/platform/win32/win32_shell.h"
#include "common/ui/win32/win32_host.h"
#include "procman/form1.h"
#include "procman/process_monitor.h"
#include "common/platform/win32/win32_icons.h"
#include "common/platform/win32/win32_process_list.h"

namespace {

double nowMs() {
    static LARGE_INTEGER freq = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return 1000.0 * static_cast<double>(t.QuadPart) / static_cast<double>(freq.QuadPart);
}

int bareWalk() {
    HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snap == INVALID_HANDLE_VALUE) return 0;
    PROCESSENTRY32W e{};
    e.dwSize = sizeof(e);
    int n = 0;
    for (BOOL ok = Process32FirstW(snap, &e); ok; ok = Process32NextW(snap, &e)) ++n;
    CloseHandle(snap);
    return n;
}

struct Stats {
    double median, min, max;
};

Stats timeRounds(int rounds, const std::function<void()>& work) {
    std::vector<double> t;
    for (int i = 0; i < rounds; ++i) {
        double start = nowMs();
        work();
        t.push_back(nowMs() - start);
    }
    std::sort(t.begin(), t.end());
    return {t[t.size() / 2], t.front(), t.back()};
}

// The window's host, counting the time spent yielding to the message loop.
class TimedHost : public ui::Win32Host {
public:
    void doEvents() override {
        const double start = nowMs();
        ui::Win32Host::doEvents();
        const double took = nowMs() - start;
        yieldMs += took;
        longestYieldMs = std::max(longestYieldMs, took);
        ++yields;
    }
    double yieldMs = 0;
    double longestYieldMs = 0;
    int yields = 0;
};

void print(const char* what, const Stats& s) {
    std::printf("%-44s median %8.2f ms  (min %.2f, max %.2f)\n", what, s.median, s.min, s.max);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: pm_bench <helper.exe> [target] [rounds]\n");
        return 2;
    }
    const std::wstring helper = argv[1];
    const int target = argc > 2 ? _wtoi(argv[2]) : 50;
    const int rounds = argc > 3 ? _wtoi(argv[3]) : 10;

    std::vector<PROCESS_INFORMATION> helpers;
    for (int running = bareWalk(); running + static_cast<int>(helpers.size()) < target;) {
        std::wstring cmd = L"\"" + helper + L"\" 300";
        STARTUPINFOW si{};
        si.cb = sizeof(si);
        PROCESS_INFORMATION pi{};
        if (!CreateProcessW(helper.c_str(), cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
            std::fprintf(stderr, "cannot start the helper (%lu)\n", GetLastError());
            break;
        }
        helpers.push_back(pi);
    }
    for (int waited = 0; waited < 30000 && bareWalk() < target; waited += 200) Sleep(200);
    Sleep(helpers.empty() ? 0 : 8000);  // let the helpers finish starting before timing
    const int processes = bareWalk();
    std::printf("processes: %d (%zu helpers), rounds: %d\n", processes, helpers.size(), rounds);

    plat::Win32Registry registry;
    plat::Win32Files files;
    plat::Win32Shell shell;
    plat::Win32Clock clock;
    plat::Services services{registry, files, shell, clock};
    plat::Win32ProcessList list;
    plat::Win32Icons icons;

    const Stats bare = timeRounds(rounds, [] { bareWalk(); });
    print("bare snapshot walk", bare);

    TimedHost host;
    procman::cScanProcesses scanner(list, files, [&host] { host.doEvents(); });
    int reported = 0;
    scanner.CurrentProcess = [&](const std::string&, const std::string&, int32_t, bool&) { ++reported; };
    const Stats walk = timeRounds(rounds, [&] { scanner.BeginScanning(); });
    print("scanner walk (image paths, yields)", walk);

    plat::Win32Clipboard clipboard;
    procman::Form1 form(host, services, list, icons, clipboard);
    const double showStart = nowMs();
    form.show();  // the first scan, which loads every icon
    const double first = nowMs() - showStart;
    std::printf("%-44s %8.2f ms  (%s rows)\n", "window: first scan with icon loading", first,
                form.NUMPROC.caption().c_str());
    host.yieldMs = 0;
    host.yields = 0;
    const Stats rescan = timeRounds(rounds, [&] { form.Command2.userClick(); });
    print("window: rescan (rows, icons from the list)", rescan);
    std::printf("%-44s %8.2f ms per rescan (%d yields)\n", "  of which yielding to the message loop",
                host.yieldMs / rounds, host.yields / rounds);
    std::printf("ratio rescan / bare walk: %.1f; scanner walk / bare walk: %.1f; listed %d of %d\n",
                rescan.median / bare.median, walk.median / bare.median, form.ListView1.count(), processes);

    // Live updates. The first after the rescan reads the figures; later ones find every process
    // known and read only its times and memory.
    procman::ProcessMonitor monitor(list, files);
    const Stats sample = timeRounds(rounds, [&] { monitor.sample(); });
    print("process sample alone (open, times, memory)", sample);
    std::vector<double> live;
    for (int i = 0; i < rounds; ++i) {
        const double start = nowMs();
        form.Timer1.userTick();
        live.push_back(nowMs() - start);
        // The window's messages between updates, as the loop would handle them.
        const double until = nowMs() + 100;
        while (nowMs() < until) host.doEvents();
    }
    std::sort(live.begin(), live.end());
    print("window: live update (sample, figures, rows)", {live[live.size() / 2], live.front(), live.back()});
    std::printf("%-44s %8d\n", "  rows after the updates", form.ListView1.count());
    std::printf("longest time the window could not answer during an update: %.2f ms (one update every %d ms)\n",
                live.back(), procman::kLiveIntervalMs);

    // As the program runs it: samples on a worker thread with a list instance of their own; the
    // window's thread starts each one and applies it when its timer finds it finished.
    plat::Win32ProcessList workerList;
    form.sampleInBackground(workerList);
    std::vector<double> starts, latencies;
    host.longestYieldMs = 0;
    for (int i = 0; i < rounds; ++i) {
        const double start = nowMs();
        form.Timer1.userTick();
        starts.push_back(nowMs() - start);
        while (form.Timer2.enabled() && nowMs() - start < 10000) {
            host.doEvents();  // the window's loop: Timer2 applies the sample when it is there
            Sleep(1);
        }
        latencies.push_back(nowMs() - start);
    }
    std::sort(starts.begin(), starts.end());
    std::sort(latencies.begin(), latencies.end());
    print("worker: window's part in starting an update", {starts[starts.size() / 2], starts.front(), starts.back()});
    print("worker: from start to rows updated", {latencies[latencies.size() / 2], latencies.front(), latencies.back()});
    std::printf("%-44s %8.2f ms (the window's messages, Timer2's apply included)\n",
                "worker: longest single turn of the window's loop", host.longestYieldMs);
    std::printf("%-44s %8d\n", "  rows after the updates", form.ListView1.count());

    form.unload();
    for (PROCESS_INFORMATION& pi : helpers) {
        TerminateProcess(pi.hProcess, 1);
        CloseHandle(pi.hProcess);
        CloseHandle(pi.hThread);
    }
    return 0;
}
