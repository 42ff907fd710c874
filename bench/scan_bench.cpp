// Native scan benchmark: a generated in-memory registry with a realistic mix of data, the full
// scan against a bare walk of the same keys with the same yields, in the same run.
//   scan_bench [values-per-thousand-keys scale, default 1]
// SCAN_BENCH_ROUNDS=n times n rounds after a warm-up (default 3). For instruction counts, run
// one side alone: SCAN_BENCH_ONLY=full valgrind --tool=callgrind
// --toggle-collect='engine::Scanner::RunCategories*' (or SCAN_BENCH_ONLY=bare with
// 'bench::BareWalker::walkAll*'); each counts the warm-up and the rounds.
#include <sys/resource.h>
#include <time.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <string>
#include <vector>

#include "bench/bare_walk.h"
#include "cleaner/engine/scanner.h"
#include "common/platform/fake/fake_files.h"
#include "common/platform/fake/fake_registry.h"
#include "common/text/text.h"
#include "common/ui/headless.h"
#include "common/registry/reg_value.h"

namespace {

using plat::RegHandle;

struct Gen {
    plat::FakeRegistry& reg;
    plat::FakeFiles& files;
    unsigned seed = 12345;
    long values = 0, keys = 0;

    unsigned next() { return seed = seed * 1103515245u + 12345u, (seed >> 8) & 0xFFFFFF; }

    RegHandle open(RegHandle root, const std::string& path) {
        RegHandle h = 0;
        reg.createKey(root, path, &h);
        ++keys;
        return h;
    }
    void setSz(RegHandle h, const std::string& name, const std::string& data, uint32_t type = plat::kRegSz) {
        auto b = reg::textBytes(data);
        reg.setValueEx(h, name, type, b.data(), static_cast<uint32_t>(b.size()));
        ++values;
    }
    void setDword(RegHandle h, const std::string& name, uint32_t v) {
        uint8_t b[4] = {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)};
        reg.setValueEx(h, name, plat::kRegDword, b, 4);
        ++values;
    }
    void setBin(RegHandle h, const std::string& name, size_t n) {
        std::vector<uint8_t> b(n);
        for (auto& x : b) x = static_cast<uint8_t>(next());
        reg.setValueEx(h, name, plat::kRegBinary, b.data(), static_cast<uint32_t>(b.size()));
        ++values;
    }

    // One value of the realistic mix.
    void mixedValue(RegHandle h, const std::string& name, int vendor, int k) {
        std::string dir = "C:\\Program Files\\Vendor" + std::to_string(vendor);
        unsigned r = next() % 100;
        if (r < 25) {
            setSz(h, name, dir + "\\app" + std::to_string(k % 40) + ".exe");  // exists
        } else if (r < 35) {
            setSz(h, name, dir + "\\old" + std::to_string(k % 60) + ".exe");  // missing
        } else if (r < 45) {
            setSz(h, name, "\"" + dir + "\\app" + std::to_string(k % 40) + ".exe\" /minimized -x " + std::to_string(k));
        } else if (r < 50) {
            setSz(h, name,
                  "C:\\windows\\system32\\rundll32.exe " + dir + "\\lib" + std::to_string(k % 10) + ".dll,Entry");
        } else if (r < 53) {
            setSz(h, name, dir + "\\app1.exe D:\\Documents\\doc" + std::to_string(k % 500) + ".txt");
        } else if (r < 55) {
            setSz(h, name, "%SYSTEMROOT%\\system32\\x" + std::to_string(k % 20) + ".dll", plat::kRegExpandSz);
        } else if (r < 72) {
            setDword(h, name, next());
        } else if (r < 82) {
            setBin(h, name, 8 + next() % 120);
        } else {
            setSz(h, name, "Some setting text " + std::to_string(next()));
        }
    }

    void build(int scale) {
        for (int v = 0; v < 60; ++v) {
            std::string dir = "C:\\Program Files\\Vendor" + std::to_string(v);
            for (int k = 0; k < 40; ++k) files.addFile(dir + "\\app" + std::to_string(k) + ".exe");
            for (int k = 0; k < 10; ++k) files.addFile(dir + "\\lib" + std::to_string(k) + ".dll");
        }
        files.setDrive('D', plat::DriveType::Fixed);
        for (int k = 0; k < 250; ++k) files.addFile("D:\\Documents\\doc" + std::to_string(k) + ".txt");
        for (int k = 0; k < 10; ++k) files.addFile("C:\\windows\\system32\\x" + std::to_string(k) + ".dll");

        // Per-user and machine software keys: three levels, about 12 values a key.
        for (int v = 0; v < 60; ++v) {
            for (int root = 0; root < 2; ++root) {
                RegHandle r = root == 0 ? plat::kHkeyCurrentUser : plat::kHkeyLocalMachine;
                std::string base = std::string(root == 0 ? "Software" : "Software") + "\\Vendor" + std::to_string(v);
                for (int p = 0; p < 10 * scale; ++p) {
                    for (int s = 0; s < 12; ++s) {
                        std::string path = base + "\\Product" + std::to_string(p) + "\\Section" + std::to_string(s);
                        RegHandle h = open(r, path);
                        int n = 6 + static_cast<int>(next() % 13);
                        for (int k = 0; k < n; ++k) mixedValue(h, "Value" + std::to_string(k), v, p * 100 + s * 10 + k);
                        reg.closeKey(h);
                    }
                }
            }
        }
        // COM registrations.
        for (int c = 0; c < 4000 * scale; ++c) {
            char guid[64];
            std::snprintf(guid, sizeof guid, "{%08X-0000-4000-8000-%012X}", c, c * 7);
            std::string cls = std::string("Software\\Classes\\CLSID\\") + guid;
            RegHandle h = open(plat::kHkeyLocalMachine, cls);
            setSz(h, "", "Component " + std::to_string(c));
            reg.closeKey(h);
            h = open(plat::kHkeyLocalMachine, cls + "\\InprocServer32");
            int v = c % 60;
            setSz(h, "", "C:\\Program Files\\Vendor" + std::to_string(v) + "\\lib" + std::to_string(c % 12) + ".dll");
            setSz(h, "ThreadingModel", "Apartment");
            reg.closeKey(h);
            std::string progId = "Vendor" + std::to_string(v) + ".Comp" + std::to_string(c % 300);
            h = open(plat::kHkeyLocalMachine, cls + "\\ProgID");
            setSz(h, "", progId);
            reg.closeKey(h);
            if (c % 300 < 250) reg.closeKey(open(plat::kHkeyLocalMachine, "Software\\Classes\\" + progId));
            h = open(plat::kHkeyLocalMachine, cls + "\\TypeLib");
            std::snprintf(guid, sizeof guid, "{%08X-1111-4000-8000-000000000000}", c % 500);
            setSz(h, "", guid);
            reg.closeKey(h);
            if (c % 500 < 450) {
                h = open(plat::kHkeyLocalMachine,
                         std::string("Software\\Classes\\TypeLib\\") + guid + "\\1.0\\0\\win64");
                setSz(h, "", "C:\\Program Files\\Vendor" + std::to_string(v) + "\\lib1.dll");
                reg.closeKey(h);
            }
        }
        // Shared DLLs, fonts, file types.
        RegHandle h = open(plat::kHkeyLocalMachine, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDlls");
        for (int k = 0; k < 3000; ++k)
            setDword(
                h, "C:\\Program Files\\Vendor" + std::to_string(k % 60) + "\\lib" + std::to_string(k % 14) + ".dll", 1);
        reg.closeKey(h);
        h = open(plat::kHkeyLocalMachine, "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Fonts");
        for (int k = 0; k < 600; ++k) {
            if (k % 3) files.addFile("C:\\windows\\Fonts\\font" + std::to_string(k) + ".ttf");
            setSz(h, "Font " + std::to_string(k) + " (TrueType)", "font" + std::to_string(k) + ".ttf");
        }
        reg.closeKey(h);
        for (int e = 0; e < 1500; ++e) {
            std::string ext = ".x" + std::to_string(e);
            h = open(plat::kHkeyClassesRoot, ext);
            setSz(h, "", "xfile" + std::to_string(e % 100));
            setSz(h, "Content Type", "application/x-" + std::to_string(e));
            reg.closeKey(h);
            h = open(plat::kHkeyClassesRoot, ext + "\\OpenWithList\\app.exe");
            setSz(h, "Path",
                  "C:\\Program Files\\Vendor" + std::to_string(e % 60) + "\\app" + std::to_string(e % 50) + ".exe");
            reg.closeKey(h);
        }
    }
};

class BenchHost : public engine::ScanHost {
public:
    explicit BenchHost(ui::HeadlessHost& ui) : ui_(ui) {}
    // Appending never moves the rows already shown, as in the window's list.
    std::deque<engine::Finding> rows;
    long count = 0;
    int progress = 0;
    std::vector<std::string> excludes{"Vendor59\\Product9", "NeverThere"};
    void yield() override { ui_.doEvents(); }
    bool scanRunning() override { return true; }
    bool skipCdLan() override { return false; }
    const std::vector<std::string>& excludeTexts() override { return excludes; }
    void appendFinding(engine::Finding f) override { rows.push_back(std::move(f)); }
    long rowCount() override { return static_cast<long>(rows.size()); }
    const engine::Finding& rowFinding(long i) override { return rows[i]; }
    void removeRow(long i) override { rows.erase(rows.begin() + i); }
    long invalidCount() override { return count; }
    void setInvalidCount(long n) override { count = n; }
    int progressValue() override { return progress; }
    void setProgressValue(int v) override { progress = v; }

private:
    ui::HeadlessHost& ui_;
};

long peakKb() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_maxrss;
}

// FNV-1a over every column of every row, in order: equal digests mean the same rows in the
// same order.
uint64_t digestOf(const std::deque<engine::Finding>& rows) {
    uint64_t h = 14695981039346656037ull;
    auto add = [&h](const std::string& s) {
        for (unsigned char c : s) h = (h ^ c) * 1099511628211ull;
        h = (h ^ 0xFF) * 1099511628211ull;  // field end
    };
    for (const engine::Finding& f : rows) {
        for (const std::string& column : engine::RowOf(f)) add(column);
    }
    return h;
}

// What the scan of the scale-1 registry finds and asks, as first measured: a faster scan must
// find exactly this.
constexpr size_t kReferenceRows = 44426;
constexpr uint64_t kReferenceDigest = 0x69d0d7db736c3b5cull;
constexpr long kReferenceFileQueries = 7564;
constexpr long kReferenceFolderQueries = 7063;

double seconds(std::chrono::steady_clock::time_point a) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - a).count();
}

// CPU time of this process: the machine is shared, so wall time mostly measures the neighbours.
double cpuNow() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return ts.tv_sec + ts.tv_nsec / 1e9;
}

}  // namespace

int main(int argc, char** argv) {
    int scale = argc > 1 ? std::max(1, std::atoi(argv[1])) : 1;
    plat::FakeRegistry reg;
    plat::FakeFiles files;
    Gen gen{reg, files};
    auto t0 = std::chrono::steady_clock::now();
    gen.build(scale);
    std::printf("generated: %ld keys, %ld values in %.2f s; peak memory %ld KB\n", gen.keys, gen.values, seconds(t0),
                peakKb());
    long peakAfterBuild = peakKb();

    std::vector<double> bare, full, bareCpu, fullCpu;
    bench::WalkCounts counts;
    size_t rows = 0;
    long fileQueries = 0, folderQueries = 0;
    uint64_t digest = 0;
    size_t remembered = 0;
    bool sameEveryRound = true;
    const char* only = std::getenv("SCAN_BENCH_ONLY");  // "bare" or "full", for profiling
    // Rounds after the first (a warm-up); more of them give a steadier median on a busy machine.
    const char* roundsText = std::getenv("SCAN_BENCH_ROUNDS");
    const int rounds = 1 + (roundsText ? std::max(1, std::atoi(roundsText)) : 3);
    for (int round = 0; round < rounds; ++round) {
        if (!only || std::string(only) == "bare") {
            ui::HeadlessHost ui;
            bench::BareWalker w(reg, [&ui] { ui.doEvents(); });
            auto t = std::chrono::steady_clock::now();
            double c = cpuNow();
            w.walkAll();
            if (round) bare.push_back(seconds(t)), bareCpu.push_back(cpuNow() - c);
            counts = w.counts();
        }
        if (!only || std::string(only) == "full") {
            ui::HeadlessHost ui;
            BenchHost host(ui);
            engine::Scanner scanner(reg, files, host, engine::TextsFor(engine::Language::English));
            std::vector<engine::CategoryRow> cats;
            for (const auto& c : engine::ScanCategories()) cats.push_back({c.code, true});
            auto t = std::chrono::steady_clock::now();
            double c = cpuNow();
            scanner.RunCategories(cats);
            if (round) full.push_back(seconds(t)), fullCpu.push_back(cpuNow() - c);
            const uint64_t d = digestOf(host.rows);
            if (round && (d != digest || host.rows.size() != rows || scanner.checks().fileQueries() != fileQueries ||
                          scanner.checks().folderQueries() != folderQueries))
                sameEveryRound = false;
            digest = d;
            rows = host.rows.size();
            fileQueries = scanner.checks().fileQueries();
            folderQueries = scanner.checks().folderQueries();
            remembered = scanner.checks().rememberedTexts();
        }
    }
    if (only) return 0;
    std::printf("rows digest %016llx\n", static_cast<unsigned long long>(digest));
    if (!sameEveryRound) {
        std::printf("RESULTS DIFFER between rounds\n");
        return 1;
    }
    if (scale == 1 && (rows != kReferenceRows || digest != kReferenceDigest || fileQueries != kReferenceFileQueries ||
                       folderQueries != kReferenceFolderQueries)) {
        std::printf("RESULTS CHANGED: expected %zu rows, digest %016llx, %ld file and %ld folder queries\n",
                    kReferenceRows, static_cast<unsigned long long>(kReferenceDigest), kReferenceFileQueries,
                    kReferenceFolderQueries);
        return 1;
    }
    for (auto* v : {&bare, &full, &bareCpu, &fullCpu}) std::sort(v->begin(), v->end());
    double b = bare[bare.size() / 2], f = full[full.size() / 2];
    double bc = bareCpu[bareCpu.size() / 2], fc = fullCpu[fullCpu.size() / 2];
    std::printf("walked per run: %ld keys, %ld values (%ld data bytes)\n", counts.keys, counts.values,
                counts.dataBytes);
    std::printf("bare walk: median %.3f s wall (min %.3f), %.3f s CPU\n", b, bare.front(), bc);
    std::printf("full scan: median %.3f s wall (min %.3f), %.3f s CPU, %zu rows, %ld file and %ld folder queries\n", f,
                full.front(), fc, rows, fileQueries, folderQueries);
    std::printf("path checks remembered %zu texts per scan\n", remembered);
    std::printf("ratio full/bare: %.2f wall, %.2f CPU\n", f / b, fc / bc);
    std::printf("peak memory: %ld KB (after generating %ld KB; the scans added %ld KB)\n", peakKb(), peakAfterBuild,
                peakKb() - peakAfterBuild);
    return 0;
}
