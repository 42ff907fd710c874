#include "bench/search/bench_export.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include "common/ui/headless_desktop.h"
#include "search/frm_search.h"
#include "search/result_export.h"

namespace searchbench {
namespace {

using Clock = std::chrono::steady_clock;

double seconds(Clock::time_point a, Clock::time_point b) { return std::chrono::duration<double>(b - a).count(); }

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

// What hivegrep --format reg --output does once it has its rows.
double grepWrite(plat::Registry& reg, const std::vector<search::ResultRow>& rows, const std::string& path,
                 std::string* bytes) {
    const auto t0 = Clock::now();
    const search::ExportOutcome out = search::ExportRows(reg, rows, search::ExportFormat::Reg);
    FILE* f = std::fopen(path.c_str(), "wb");
    bool ok = f && std::fwrite(out.bytes.data(), 1, out.bytes.size(), f) == out.bytes.size();
    if (f) ok = std::fclose(f) == 0 && ok;
    const double s = seconds(t0, Clock::now());
    if (!ok) std::fprintf(stderr, "cannot write %s\n", path.c_str());
    *bytes = out.bytes;
    return s;
}

}  // namespace

int runExport(plat::Registry& reg, ui::Host& host, plat::Files& files, const std::string& windowFile,
              const std::string& grepFile, const std::string& textToFind, int rounds) {
    ui::ScriptedFileDialogs dialogs;
    search::SearchServices services{reg, nullptr, nullptr, /*saveSettings=*/false, &files, &dialogs, nullptr};
    search::frmSearch form(host, services);
    form.show();
    host.doEvents();
    form.cboRoot.userPick(0);
    form.Option1.userClick();
    if (form.ChCase.value() != 1) form.ChCase.setValue(1);
    for (ui::CheckBox* c : {&form.ChKeys, &form.ChValues, &form.ChData})
        if (c->value() != 1) c->setValue(1);
    form.cboFind.userType(textToFind);
    const auto s0 = Clock::now();
    form.cmdFind.userClick();
    host.doEvents();
    std::vector<search::ResultRow> rows;
    for (const search::ResultRow& r : form.listedRows())
        if (!r.fullPath.empty()) rows.push_back(r);
    std::printf("search: %zu rows in %.3f s\n", rows.size(), seconds(s0, Clock::now()));
    std::fflush(stdout);

    std::vector<double> windows, greps, ratios;
    std::string grepBytes;
    for (int round = 0; round < rounds; ++round) {
        double w = 0, g = 0;
        auto window = [&] {
            dialogs.choose(windowFile);
            const auto t0 = Clock::now();
            form.cmdExport.userClick();
            host.doEvents();
            w = seconds(t0, Clock::now());
        };
        auto grep = [&] { g = grepWrite(reg, rows, grepFile, &grepBytes); };
        if (round % 2 == 0) {
            window();
            grep();
        } else {
            grep();
            window();
        }
        windows.push_back(w);
        greps.push_back(g);
        ratios.push_back(w / g);
        std::printf("round %d: window export %.3f s, hivegrep write %.3f s, ratio %.2f\n", round + 1, w, g, w / g);
        std::fflush(stdout);
    }
    const std::optional<std::string> written = files.readFile(windowFile);
    const bool same = written && *written == grepBytes;
    std::printf("file %zu bytes, window's and hivegrep's %s\n", grepBytes.size(), same ? "the same" : "DIFFER");
    std::printf(
        "median: window export %.3f s, hivegrep write %.3f s; ratio of each round, median %.2f (min %.2f, "
        "max %.2f)\n",
        median(windows), median(greps), median(ratios), *std::min_element(ratios.begin(), ratios.end()),
        *std::max_element(ratios.begin(), ratios.end()));
    form.unload();
    host.doEvents();
    return same ? 0 : 1;
}

}  // namespace searchbench
