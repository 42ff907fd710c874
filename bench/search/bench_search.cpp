// Search benchmark: a full hivegrep search against a bare walk of the same keys, in one run.
//
//   search_bench [--keys N] [--values-per-key V]   generated in-memory registry (default 200,000 keys,
//                                                   5 values a key: 1,000,000 values)
//   search_bench --real [TEXT]                     the machine's own registry (Windows / Wine)
//   search_bench --window [--rounds R] TEXT        Windows / Wine with a display: the search window on
//                                                   real controls against hivegrep, the same search in
//                                                   the same run, rounds alternating (window, hivegrep)
//   search_bench --window --only window|hivegrep   one side alone, for timing whole processes in turn
//   search_bench --export [--rounds R] [--keys N]  the search window's Export... of every found row
//                                                   against hivegrep's writing of the same rows
//                                                   (--format reg); generated in-memory registry
//                                                   (default 50,000 keys: 100,000 rows for
//                                                   "Program Files"), or with --real (Windows / Wine,
//                                                   window on real controls) the machine's registry
//
// The bare walk reads every sub-key, value name, type and text content of the roots the search
// window offers the way the search reads them, and yields to the same headless backend as often,
// but tests nothing. The search is RunGrep with the window's defaults ("My Computer", Any, Match
// Case, keys, values and data), so it also reads every text value.
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "bench/search/bench_export.h"
#include "common/platform/fake/fake_files.h"
#include "common/platform/fake/fake_registry.h"
#include "common/registry/reg_enum.h"
#include "common/registry/reg_key.h"
#include "common/registry/reg_value.h"
#include "common/text/text.h"
#include "common/ui/headless.h"
#include "search/grep_cli.h"
#include "search/mod_reg.h"

#ifdef _WIN32
#include "bench/search/bench_window.h"
#include "common/platform/win32/win32_registry.h"
#else
#include <sys/resource.h>
#endif

namespace {

using Clock = std::chrono::steady_clock;

struct Counts {
    size_t keys = 0;
    size_t values = 0;
    size_t textBytes = 0;
};

// Reads exactly what the search reads, the same way (one open key per level, sub-key names,
// value names, types and text content through the reading layer) and yields as often as the
// search does with every target checked, but tests nothing and adds no row.
void bareWalk(plat::Registry& reg, plat::RegHandle key, ui::Host& host, Counts& c) {
    plat::KeyInfo info;
    if (key) info = reg::tryKeyInfo(reg, key).value_or(plat::KeyInfo{});
    const std::vector<std::string> names = modreg::ListSubKeysOfKey(reg, key, &info);
    host.doEvents();
    for (const std::string& name : names) {
        ++c.keys;
        host.doEvents();  // the search's key-path test
        const reg::Key child = reg::Key::openMost(reg, key, name);
        bareWalk(reg, child.get(), host, c);
    }
    host.doEvents();
    const modreg::ValueList values = modreg::ListValuesOfKey(reg, key, nullptr, true);
    for (const reg::ValueEntry& v : values) {
        ++c.values;
        if (v.hasData) c.textBytes += reg::textOf(v.data).size();
        host.doEvents();                              // value-name test
        host.doEvents();                              // before the content
        if (v.type == plat::kRegSz) host.doEvents();  // content test
    }
    host.doEvents();
}

// A tree below HKEY_LOCAL_MACHINE\Software\Bench with names and data of realistic lengths;
// "needle" appears in a few key names, value names and text data.
Counts generate(plat::Registry& reg, size_t wantKeys, int valuesPerKey) {
    Counts made;
    int fan[] = {50, 20, 20, 0};
    const reg::Key base = reg::Key::create(reg, plat::kHkeyLocalMachine, "Software\\Bench");
    unsigned seed = 12345;
    auto rnd = [&seed] { return seed = seed * 1103515245u + 12345u, (seed >> 8) & 0xFFFF; };
    auto addValues = [&](plat::RegHandle k) {
        for (int v = 0; v < valuesPerKey; ++v) {
            const unsigned r = rnd();
            std::string name = "Setting" + std::to_string(v) + "_" + std::to_string(r);
            if (r % 5000 == 0) name += "needle";
            if (v % 5 == 3) {
                const uint32_t d = r;
                reg::writeValue(reg, k, name, plat::kRegDword, reinterpret_cast<const uint8_t*>(&d), 4);
            } else if (v % 5 == 4) {
                std::vector<uint8_t> bin(24, static_cast<uint8_t>(r));
                reg::writeValue(reg, k, name, plat::kRegBinary, bin);
            } else {
                std::string data = "C:\\Program Files\\Vendor " + std::to_string(r % 97) + "\\bin\\tool" +
                                   std::to_string(r) + ".exe /option";
                if (r % 7000 == 1) data += " needle";
                const auto bytes = reg::textBytes(data);
                reg::writeValue(reg, k, name, v % 5 == 2 ? plat::kRegExpandSz : plat::kRegSz, bytes);
            }
            ++made.values;
        }
    };
    // Breadth by levels: create children level after level until the count is reached. A level's
    // keys close when the next level is done.
    std::vector<reg::Key> level;
    level.push_back(reg::Key::borrowed(reg, base.get()));
    for (int depth = 0; depth < 4 && made.keys < wantKeys; ++depth) {
        // The last level spreads the remaining keys evenly over its parents.
        if (depth == 3) fan[3] = static_cast<int>((wantKeys - made.keys + level.size() - 1) / level.size());
        std::vector<reg::Key> next;
        for (const reg::Key& parent : level) {
            for (int i = 0; i < fan[depth] && made.keys < wantKeys; ++i) {
                const unsigned r = rnd();
                std::string name = (depth == 0   ? "Vendor"
                                    : depth == 1 ? "Product"
                                                 : "Item") +
                                   std::to_string(i) + "-" + std::to_string(r);
                if (r % 20000 == 0) name += " needle";
                reg::Key child = reg::Key::create(reg, parent.get(), name);
                if (!child) continue;
                ++made.keys;
                addValues(child.get());
                if (depth < 3) next.push_back(std::move(child));
            }
            if (made.keys >= wantKeys) break;
        }
        level = std::move(next);
    }
    return made;
}

double seconds(Clock::time_point a, Clock::time_point b) { return std::chrono::duration<double>(b - a).count(); }

long peakKb() {
#ifdef _WIN32
    return -1;
#else
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_maxrss;
#endif
}

int run(plat::Registry& reg, const std::string& textToFind, int rounds) {
    const plat::RegHandle roots[] = {plat::kHkeyClassesRoot,  plat::kHkeyCurrentUser,     plat::kHkeyDynData,
                                     plat::kHkeyLocalMachine, plat::kHkeyPerformanceData, plat::kHkeyUsers,
                                     plat::kHkeyCurrentConfig};
    double bestWalk = 1e9, bestSearch = 1e9;
    Counts walked;
    size_t rows = 0;
    for (int round = 0; round < rounds; ++round) {
        ui::HeadlessHost host;
        walked = Counts{};
        const auto t0 = Clock::now();
        for (plat::RegHandle root : roots) {
            if (!modreg::RootHasSubKeys(reg, root)) continue;
            const reg::Key key = reg::Key::openMost(reg, root, "");
            if (!key) continue;
            bareWalk(reg, key.get(), host, walked);
        }
        const auto t1 = Clock::now();
        const search::GrepOutcome out = search::RunGrep({"--format", "tsv", textToFind}, reg);
        const auto t2 = Clock::now();
        rows = 0;
        for (char ch : out.output) rows += ch == '\n';
        rows -= 1;  // header
        bestWalk = std::min(bestWalk, seconds(t0, t1));
        bestSearch = std::min(bestSearch, seconds(t1, t2));
        std::printf("round %d: bare walk %.3f s, search %.3f s, ratio %.2f\n", round + 1, seconds(t0, t1),
                    seconds(t1, t2), seconds(t1, t2) / seconds(t0, t1));
    }
    std::printf("walked %zu keys, %zu values; search rows %zu\n", walked.keys, walked.values, rows);
    std::printf("best: bare walk %.3f s, search %.3f s, ratio %.2f\n", bestWalk, bestSearch, bestSearch / bestWalk);
    const long kb = peakKb();
    if (kb >= 0) std::printf("peak memory %.1f MB\n", kb / 1024.0);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    size_t keys = 200000;
    int valuesPerKey = 5;
    int rounds = 3;
    bool real = false, window = false, exportRows = false;
    std::string textToFind = "needle";
    std::string only;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--keys") && i + 1 < argc)
            keys = std::stoul(argv[++i]);
        else if (!std::strcmp(argv[i], "--values-per-key") && i + 1 < argc)
            valuesPerKey = std::stoi(argv[++i]);
        else if (!std::strcmp(argv[i], "--rounds") && i + 1 < argc)
            rounds = std::stoi(argv[++i]);
        else if (!std::strcmp(argv[i], "--real"))
            real = true;
        else if (!std::strcmp(argv[i], "--window"))
            window = true;
        else if (!std::strcmp(argv[i], "--export"))
            exportRows = true;
        else if (!std::strcmp(argv[i], "--only") && i + 1 < argc)
            only = argv[++i];
        else
            textToFind = argv[i];
    }
    if (exportRows) {
#ifdef _WIN32
        if (real) {
            plat::Win32Registry reg;
            return searchbench::runRealExport(reg, textToFind, rounds);
        }
#endif
        plat::FakeRegistry reg;
        // 50,000 keys give two REG_SZ values each whose data holds "Program Files": 100,000 rows.
        const Counts made = generate(reg, keys == 200000 ? 50000 : keys, valuesPerKey);
        std::printf("generated %zu keys, %zu values\n", made.keys, made.values);
        plat::FakeFiles files;
        files.addFolder("C:\\Bench");
        ui::HeadlessHost host;
        return searchbench::runExport(reg, host, files, "C:\\Bench\\window.reg", "scl-bench-grep.reg",
                                      textToFind == "needle" ? "Program Files" : textToFind, rounds);
    }
    if (window) {
#ifdef _WIN32
        plat::Win32Registry reg;
        return searchbench::runWindow(reg, textToFind, rounds, only);
#else
        std::fprintf(stderr, "--window needs the Windows build\n");
        return 2;
#endif
    }
    if (real) {
#ifdef _WIN32
        plat::Win32Registry reg;
        return run(reg, textToFind, rounds);
#else
        std::fprintf(stderr, "--real needs the Windows build\n");
        return 2;
#endif
    }
    plat::FakeRegistry reg;
    const auto t0 = Clock::now();
    const Counts made = generate(reg, keys, valuesPerKey);
    std::printf("generated %zu keys, %zu values in %.1f s\n", made.keys, made.values, seconds(t0, Clock::now()));
    return run(reg, textToFind, rounds);
}
