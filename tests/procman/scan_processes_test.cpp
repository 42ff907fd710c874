#include "procman/scan_processes.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "procman_fixture.h"

namespace {

using procman::cScanProcesses;
using procman_test::Platform;

struct Reported {
    std::string file, path;
    int32_t id;
};

class ScanTest : public ::testing::Test {
protected:
    // Actions run at the given yield of the walk (1 = the yield before the snapshot).
    std::map<int, std::function<void()>> atYield;
    int yields = 0;
    Platform p;
    cScanProcesses scan{p.processes, p.files, [this] {
                            ++yields;
                            auto it = atYield.find(yields);
                            if (it != atYield.end()) it->second();
                        }};
    std::vector<Reported> rows;
    std::vector<int32_t> done;
    std::function<void(const std::string&, bool&)> onRow;

    void SetUp() override {
        scan.CurrentProcess = [this](const std::string& f, const std::string& path, int32_t id, bool& t) {
            EXPECT_TRUE(scan.Scanning());
            EXPECT_EQ(scan.CurrentProcessID(), id);
            rows.push_back({f, path, id});
            if (onRow) onRow(f, t);
        };
        scan.DoneScanning = [this](int32_t total) { done.push_back(total); };
    }
};

TEST_F(ScanTest, ImagePathsAreRewrittenIntoFolders) {
    const std::string longFolder = "C:\\" + std::string(300, 'd') + "\\";
    struct Case {
        std::string image, folder, currentPath;
    } cases[] = {
        {"\\??\\C:\\Apps\\tool.exe", "C:\\Apps\\", "C:\\Apps\\tool.exe"},
        {"\\SystemRoot\\System32\\smss.exe", "C:\\windows\\System32\\", "C:\\windows\\System32\\smss.exe"},
        {"C:\\Program Files\\X\\x.exe", "C:\\Program Files\\X\\", "C:\\Program Files\\X\\x.exe"},
        // Both replacements are case-sensitive.
        {"\\systemroot\\a.exe", "\\systemroot\\", "\\systemroot\\a.exe"},
        // A path without a backslash has no folder: the system directory stands in.
        {"bare.exe", "C:\\windows\\system32", "bare.exe"},
        // Longer than the 260 characters of a fixed buffer: kept whole.
        {longFolder + "long.exe", longFolder, longFolder + "long.exe"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.image);
        Platform fresh;
        fresh.processes.add(8, "x.exe", c.image);
        cScanProcesses s(fresh.processes, fresh.files, nullptr);
        std::string folder, pathDuring;
        s.CurrentProcess = [&](const std::string&, const std::string& path, int32_t, bool&) {
            folder = path;
            pathDuring = s.CurrentProcessPath();
        };
        s.BeginScanning();
        EXPECT_EQ(folder, c.folder);
        EXPECT_EQ(pathDuring, c.currentPath);
        EXPECT_EQ(s.CurrentProcessPath(), "");
        EXPECT_EQ(fresh.processes.openHandles(), 0);
    }
}

TEST_F(ScanTest, ProcessesAreReportedInSnapshotOrderAndCounted) {
    p.program(8, "C:\\A\\", "one.exe");
    p.program(12, "C:\\B\\", "two.exe");
    p.program(16, "C:\\A\\", "three.exe");
    scan.BeginScanning();
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].file, "one.exe");
    EXPECT_EQ(rows[1].path, "C:\\B\\");
    EXPECT_EQ(rows[2].id, 16);
    EXPECT_EQ(scan.TotalProcesses(), 3);
    EXPECT_EQ(done, std::vector<int32_t>{3});
    EXPECT_FALSE(scan.Scanning());
    EXPECT_EQ(scan.CurrentProcessID(), -1);
    EXPECT_EQ(p.processes.openSnapshots(), 0);
    EXPECT_EQ(p.processes.openHandles(), 0);
    // Only the right to read the image path is asked for.
    for (uint32_t access : p.processes.openedAccess) EXPECT_EQ(access, plat::kProcessQueryLimitedInformation);
}

TEST_F(ScanTest, ProcessesWithoutReadablePathCountAsSystemProcesses) {
    p.processes.addProtected(0, "[System Process]");
    p.program(8, "C:\\A\\", "one.exe");
    p.processes.add(12, "gone.exe", "");  // opens, but the path cannot be read
    scan.BeginScanning();
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].file, "one.exe");
    EXPECT_EQ(done, std::vector<int32_t>{1});

    rows.clear();
    scan.setSystemProcesses(true);
    scan.BeginScanning();
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].path, "C:\\windows\\system32");  // the system directory, no trailing backslash
    EXPECT_EQ(rows[2].path, "C:\\windows\\system32");
    EXPECT_EQ(scan.TotalProcesses(), 3);
}

TEST_F(ScanTest, NoSnapshotStillEndsTheScan) {
    p.program(8, "C:\\A\\", "one.exe");
    p.processes.snapshotFails = true;
    scan.BeginScanning();
    EXPECT_TRUE(rows.empty());
    EXPECT_EQ(done, std::vector<int32_t>{0});
    EXPECT_FALSE(scan.Scanning());
}

TEST_F(ScanTest, CancelStopsBeforeTheNextProcess) {
    for (uint32_t id = 4; id <= 40; id += 4) p.program(id, "C:\\A\\", "p" + std::to_string(id) + ".exe");
    // Yield 1 precedes the snapshot, yield n+1 precedes process n: cancel while the third waits.
    atYield[4] = [this] { scan.CancelScanning(); };
    scan.BeginScanning();
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(done, std::vector<int32_t>{2});
    EXPECT_EQ(p.processes.openSnapshots(), 0);
    EXPECT_EQ(p.processes.openHandles(), 0);

    // The flag is cleared for the next scan.
    rows.clear();
    atYield.clear();
    scan.BeginScanning();
    EXPECT_EQ(rows.size(), 10u);
}

TEST_F(ScanTest, ScanStartedDuringAScanIsRefused) {
    p.program(8, "C:\\A\\", "one.exe");
    p.program(12, "C:\\A\\", "two.exe");
    atYield[2] = [this] { scan.BeginScanning(); };
    scan.BeginScanning();
    EXPECT_EQ(rows.size(), 2u);
    EXPECT_EQ(done, std::vector<int32_t>{2});
}

TEST_F(ScanTest, TerminateFromTheEventEndsThatProcessBeforeTheNext) {
    p.program(8, "C:\\A\\", "one.exe");
    p.program(12, "C:\\A\\", "victim.exe");
    p.program(16, "C:\\A\\", "three.exe");
    std::vector<bool> victimRunningAtNext;
    onRow = [&](const std::string& f, bool& t) {
        if (f == "victim.exe") t = true;
        if (f == "three.exe") victimRunningAtNext.push_back(p.processes.running(12));
    };
    scan.BeginScanning();
    EXPECT_EQ(victimRunningAtNext, std::vector<bool>{false});
    ASSERT_EQ(p.processes.terminated.size(), 1u);
    EXPECT_EQ(p.processes.terminated[0].first, 12u);
    EXPECT_EQ(rows.size(), 3u);
    EXPECT_EQ(p.processes.openHandles(), 0);
}

TEST_F(ScanTest, TerminateOutsideAScanWithMinusOneDoesNothing) {
    p.program(8, "C:\\A\\", "one.exe");
    int32_t id = -1;
    EXPECT_FALSE(scan.TerminateProcess(id));
    EXPECT_EQ(id, -1);
    EXPECT_TRUE(p.processes.openedAccess.empty());
    EXPECT_TRUE(p.processes.privilegeCalls.empty());
    EXPECT_TRUE(p.processes.running(8));
}

TEST_F(ScanTest, TerminateChecksTheIdentifierStillBelongsToTheListedProgram) {
    struct Case {
        const char* what;
        std::function<void(Platform&)> change;  // what happens between listing and ending
        int32_t id;
        std::string file, folder;
        bool ended;
    } cases[] = {
        {"unchanged", [](Platform&) {}, 12, "victim.exe", "C:\\A\\", true},
        {"case of the name differs", [](Platform&) {}, 12, "VICTIM.EXE", "c:\\a\\", true},
        {"already ended", [](Platform& q) { q.processes.end(12); }, 12, "victim.exe", "C:\\A\\", false},
        {"identifier reused by another program",
         [](Platform& q) {
             q.processes.end(12);
             q.program(12, "C:\\B\\", "other.exe");
         },
         12, "victim.exe", "C:\\A\\", false},
        {"identifier reused by a same-named program elsewhere",
         [](Platform& q) {
             q.processes.end(12);
             q.program(12, "C:\\B\\", "victim.exe");
         },
         12, "victim.exe", "C:\\A\\", false},
        {"our own process", [](Platform&) {}, 1000, "taskwatch.exe", "C:\\Program Files\\Scourline\\", false},
        {"system process listed with the system directory",
         [](Platform& q) { q.processes.find(20)->allowedAccess = plat::kProcessTerminate; }, 20, "svc.exe",
         "C:\\windows\\system32", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Platform q;
        q.program(1000, "C:\\Program Files\\Scourline\\", "taskwatch.exe");
        q.program(12, "C:\\A\\", "victim.exe");
        q.processes.add(20, "svc.exe", "");
        c.change(q);
        cScanProcesses s(q.processes, q.files, nullptr);
        int32_t id = c.id;
        EXPECT_EQ(s.TerminateProcess(id, c.file, c.folder), c.ended);
        EXPECT_EQ(q.processes.terminated.size(), c.ended ? 1u : 0u);
        EXPECT_TRUE(q.processes.running(1000));
        EXPECT_EQ(q.processes.openHandles(), 0);
        EXPECT_FALSE(q.processes.privilegeEnabled);
    }
}

TEST_F(ScanTest, TerminateAsksOnlyForTheRightToEndAndPutsThePrivilegeBack) {
    struct Case {
        const char* what;
        bool held, enabledBefore;
        long error;
        std::vector<bool> calls;  // enable arguments of the privilege calls
    } cases[] = {
        {"enabled for the call, then disabled", true, false, 0, {true, false}},
        {"left enabled when it was", true, true, 0, {true}},
        {"not held: still tried", false, false, 0, {true}},
        {"token unavailable: still tried", true, false, 5, {true}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Platform q;
        q.program(12, "C:\\A\\", "victim.exe").allowedAccess =
            plat::kProcessTerminate | plat::kProcessQueryLimitedInformation | plat::kSynchronize;
        q.processes.privilegeHeld = c.held;
        q.processes.privilegeEnabled = c.enabledBefore;
        q.processes.privilegeError = c.error;
        cScanProcesses s(q.processes, q.files, nullptr);
        int32_t id = 12;
        EXPECT_TRUE(s.TerminateProcess(id, "victim.exe", "C:\\A\\"));
        EXPECT_EQ(q.processes.privilegeCalls, c.calls);
        EXPECT_EQ(q.processes.privilegeEnabled, c.enabledBefore);
        // Every open asks for less than full access; the one that ends asks for the right to end alone.
        bool terminateOnly = false;
        for (uint32_t a : q.processes.openedAccess) {
            EXPECT_NE(a, 0x1F0FFFu);
            if (a & plat::kProcessTerminate) terminateOnly = (a == plat::kProcessTerminate);
        }
        EXPECT_TRUE(terminateOnly);
    }
}

TEST_F(ScanTest, FailedTerminationReportsFalse) {
    p.program(12, "C:\\A\\", "victim.exe").terminateError = 5;
    int32_t id = 12;
    EXPECT_FALSE(scan.TerminateProcess(id, "victim.exe", "C:\\A\\"));
    EXPECT_TRUE(p.processes.running(12));
    EXPECT_EQ(p.processes.openHandles(), 0);
}

TEST_F(ScanTest, SameFileNameInTwoFoldersIsReportedTwice) {
    p.program(8, "C:\\A\\", "same.exe");
    p.program(12, "D:\\B\\", "same.exe");
    scan.BeginScanning();
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].path, "C:\\A\\");
    EXPECT_EQ(rows[1].path, "D:\\B\\");
}

}  // namespace
