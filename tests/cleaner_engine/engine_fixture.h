// Shared set-up of the engine tests: an in-memory registry and file tree, and a scan host that
// records what the engine did to the window.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "cleaner/engine/scan_host.h"
#include "cleaner/engine/scanner.h"
#include "common/platform/fake/fake_files.h"
#include "common/platform/fake/fake_registry.h"
#include "common/text/text.h"

namespace enginetest {

// A finding as the list shows it: the finding, and its columns' texts.
struct ListedRow : engine::Finding {
    std::string location, valueData, regType, attributes;
    ListedRow() = default;
    explicit ListedRow(const engine::Finding& f) : engine::Finding(f) {
        const engine::RowTexts t = engine::RowOf(f);
        location = t[0];
        valueData = t[2];
        regType = t[4];
        attributes = t[5];
    }
};

class TestHost : public engine::ScanHost {
public:
    bool running = true;
    bool skip = false;
    std::vector<std::string> excludes;
    std::vector<ListedRow> rows;
    long count = 0;
    int progress = 0;
    long yields = 0;
    // Runs inside every yield, with the yield's number (from 1): a test's "user".
    std::function<void(long)> onYield;

    void yield() override {
        ++yields;
        if (onYield) onYield(yields);
    }
    bool scanRunning() override { return running; }
    bool skipCdLan() override { return skip; }
    const std::vector<std::string>& excludeTexts() override { return excludes; }
    void appendFinding(engine::Finding f) override { rows.emplace_back(std::move(f)); }
    long rowCount() override { return static_cast<long>(rows.size()); }
    const engine::Finding& rowFinding(long i) override { return rows.at(static_cast<size_t>(i)); }
    void removeRow(long i) override { rows.erase(rows.begin() + i); }
    long invalidCount() override { return count; }
    void setInvalidCount(long n) override { count = n; }
    int progressValue() override { return progress; }
    void setProgressValue(int v) override { progress = v; }
};

inline std::vector<uint8_t> utf16Bytes(const std::string& s, bool nul = true) {
    std::u16string w = text::toUtf16(s);
    std::vector<uint8_t> out;
    for (char16_t c : w) {
        out.push_back(static_cast<uint8_t>(c & 0xFF));
        out.push_back(static_cast<uint8_t>(c >> 8));
    }
    if (nul) out.insert(out.end(), {0, 0});
    return out;
}

class EngineTest : public ::testing::Test {
protected:
    plat::FakeRegistry reg;
    plat::FakeFiles files;
    TestHost host;

    void key(plat::RegHandle root, const std::string& path) {
        plat::RegHandle h = 0;
        ASSERT_EQ(reg.createKey(root, path, &h), 0) << path;
        reg.closeKey(h);
    }
    void setRaw(plat::RegHandle root, const std::string& path, const std::string& name, uint32_t type,
                const std::vector<uint8_t>& bytes) {
        plat::RegHandle h = 0;
        ASSERT_EQ(reg.createKey(root, path, &h), 0) << path;
        ASSERT_EQ(reg.setValueEx(h, name, type, bytes.data(), static_cast<uint32_t>(bytes.size())), 0);
        reg.closeKey(h);
    }
    void sz(plat::RegHandle root, const std::string& path, const std::string& name, const std::string& data,
            uint32_t type = plat::kRegSz) {
        setRaw(root, path, name, type, utf16Bytes(data));
    }
    void dword(plat::RegHandle root, const std::string& path, const std::string& name, uint32_t v) {
        setRaw(root, path, name, plat::kRegDword, {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)});
    }

    // A fresh scanner (one per scan, as the window makes it).
    engine::Scanner scanner(bool spanish = false) { return engine::Scanner(reg, files, host, texts(spanish)); }
    static const engine::Texts& texts(bool spanish) {
        return engine::TextsFor(spanish ? engine::Language::Spanish : engine::Language::English);
    }

    // Runs the listed categories (all others unticked), as the driver's loop does.
    std::vector<ListedRow> scanCodes(const std::vector<std::string>& codes, bool spanish = false) {
        std::vector<engine::CategoryRow> rows;
        for (const engine::ScanCategory& c : engine::ScanCategories()) {
            bool ticked = false;
            for (const std::string& code : codes) ticked = ticked || code == c.code;
            rows.push_back({c.code, ticked});
        }
        engine::Scanner s(reg, files, host, texts(spanish));
        s.RunCategories(rows);
        return host.rows;
    }
};

inline std::string rowText(const ListedRow& r) {
    return r.location + " | " + r.valueName + " | " + r.valueData + " | " + r.reason + " | " + r.regType;
}

inline std::vector<std::string> rowTexts(const std::vector<ListedRow>& rows) {
    std::vector<std::string> out;
    for (const auto& r : rows) out.push_back(rowText(r));
    return out;
}

}  // namespace enginetest
