// The search window on real controls against hivegrep's search, in one process and one run.
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "bench/search/bench_export.h"
#include "bench/search/bench_window.h"
#include "common/platform/win32/win32_files.h"
#include "common/ui/win32/win32_host.h"
#include "search/frm_search.h"
#include "search/grep_cli.h"

namespace searchbench {
namespace {

using Clock = std::chrono::steady_clock;

double seconds(Clock::time_point a, Clock::time_point b) { return std::chrono::duration<double>(b - a).count(); }

// Every option hivegrep is given, so both sides search the same whatever the saved settings say.
const std::vector<std::string> kSameSearch = {"--root", "My Computer", "--match", "any",      "--case",
                                              "--keys", "--values",    "--data",  "--format", "tsv"};

// The user sets the same options, types the text and presses Search; timed until the results
// are painted. Returns the seconds, and the rows shown.
double windowSearch(plat::Registry& reg, const std::string& textToFind, size_t* rows) {
    ui::Win32Host host;
    search::SearchServices services{reg, nullptr, nullptr, /*saveSettings=*/false};
    search::frmSearch form(host, services);
    form.show();
    host.processMessages();
    form.cboRoot.userPick(0);
    form.Option1.userClick();
    if (form.ChCase.value() != 1) form.ChCase.setValue(1);
    for (ui::CheckBox* c : {&form.ChKeys, &form.ChValues, &form.ChData})
        if (c->value() != 1) c->setValue(1);
    form.cboFind.userType(textToFind);
    host.processMessages();
    const auto t0 = Clock::now();
    form.cmdFind.userClick();
    host.processMessages();
    const double s = seconds(t0, Clock::now());
    *rows = form.results().size();
    form.unload();
    host.processMessages();
    return s;
}

// The process's user and system time so far: the window's extra work shows there even when
// the machine's load blurs the wall-clock figures.
double cpuSeconds() {
    FILETIME created, exited, kernel, user;
    if (!GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user)) return 0;
    auto secs = [](FILETIME f) {
        return static_cast<double>((static_cast<uint64_t>(f.dwHighDateTime) << 32) | f.dwLowDateTime) / 1e7;
    };
    return secs(user) + secs(kernel);
}

// One search through hivegrep's code with the same options; returns the seconds and the rows.
double grepSearch(plat::Registry& reg, const std::string& textToFind, size_t* rows, bool* ok) {
    std::vector<std::string> args = kSameSearch;
    args.push_back(textToFind);
    const auto t0 = Clock::now();
    const search::GrepOutcome out = search::RunGrep(args, reg);
    const double s = seconds(t0, Clock::now());
    *ok = out.exitCode == search::kGrepOk;
    if (!*ok) std::fprintf(stderr, "hivegrep: %s", out.error.c_str());
    *rows = 0;
    for (char ch : out.output) *rows += ch == '\n';
    if (*rows > 0) *rows -= 1;  // header
    return s;
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

}  // namespace

// Rounds pair the two searches, the order turning every round (window first, then hivegrep
// first), so that a machine that speeds up or slows down meanwhile weighs on both alike.
int runWindow(plat::Registry& reg, const std::string& textToFind, int rounds, const std::string& only) {
    if (!only.empty()) {
        for (int round = 0; round < rounds; ++round) {
            bool ok = true;
            size_t rows = 0;
            const double s =
                only == "window" ? windowSearch(reg, textToFind, &rows) : grepSearch(reg, textToFind, &rows, &ok);
            if (!ok) return 1;
            std::printf("round %d: %s %.3f s, %zu rows\n", round + 1, only.c_str(), s, rows);
        }
        return 0;
    }
    std::vector<double> ratios, windows, greps;
    size_t windowRows = 0, grepRows = 0;
    for (int round = 0; round < rounds; ++round) {
        double w = 0, g = 0, wCpu = 0, gCpu = 0;
        bool ok = true;
        auto window = [&] {
            const double c0 = cpuSeconds();
            w = windowSearch(reg, textToFind, &windowRows);
            wCpu = cpuSeconds() - c0;
        };
        auto grep = [&] {
            const double c0 = cpuSeconds();
            g = grepSearch(reg, textToFind, &grepRows, &ok);
            gCpu = cpuSeconds() - c0;
        };
        if (round % 2 == 0) {
            window();
            grep();
        } else {
            grep();
            window();
        }
        if (!ok) return 1;
        ratios.push_back(w / g);
        windows.push_back(w);
        greps.push_back(g);
        std::printf("round %d: window %.3f s (cpu %.2f s), hivegrep %.3f s (cpu %.2f s), ratio %.2f\n", round + 1, w,
                    wCpu, g, gCpu, w / g);
        std::fflush(stdout);
    }
    if (ratios.empty()) return 1;
    std::printf("rows: window %zu, hivegrep %zu\n", windowRows, grepRows);
    std::printf("median: window %.3f s, hivegrep %.3f s; ratio of each round, median %.2f (min %.2f, max %.2f)\n",
                median(windows), median(greps), median(ratios), *std::min_element(ratios.begin(), ratios.end()),
                *std::max_element(ratios.begin(), ratios.end()));
    return windowRows == grepRows ? 0 : 1;
}

int runRealExport(plat::Registry& reg, const std::string& textToFind, int rounds) {
    plat::Win32Files files;
    ui::Win32Host host;
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    std::string folder;
    for (const wchar_t* p = temp; *p; ++p) folder += static_cast<char>(*p < 0x80 ? *p : '_');
    return runExport(reg, host, files, folder + "scl-bench-window.reg", folder + "scl-bench-grep.reg", textToFind,
                     rounds);
}

}  // namespace searchbench
