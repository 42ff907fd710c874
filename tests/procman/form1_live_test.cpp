// The process window's live figures, sorting and process commands, as the user meets them.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "common/ui/headless.h"
#include "procman/form1.h"
#include "procman_fixture.h"

namespace {

using procman::Form1;
using procman::kColCpu;
using procman::kColMemory;
using procman::kColUser;
using procman::kColWow64;
using procman_test::Platform;

constexpr uint64_t kSecond = 10000000;  // 100 ns units

class Form1LiveTest : public ::testing::Test {
protected:
    Platform p;
    ui::HeadlessHost host;
    ui::Driver drv{host};

    void SetUp() override {
        p.processes.processors = 4;
        p.program(1000, "C:\\Program Files\\Scourline\\", "taskwatch.exe");
        p.program(8, "C:\\windows\\system32\\", "services.exe");
        p.program(12, "C:\\Apps\\", "helper.exe");
    }

    static int rowOf(const Form1& f, const std::string& name) {
        for (int i = 0; i < f.ListView1.count(); ++i)
            if (f.ListView1.text(i) == name) return i;
        return -1;
    }
    static std::vector<std::string> names(const Form1& f) {
        std::vector<std::string> v;
        for (int i = 0; i < f.ListView1.count(); ++i) v.push_back(f.ListView1.text(i));
        return v;
    }
    static std::vector<std::string> column(const Form1& f, int c) {
        std::vector<std::string> v;
        for (int i = 0; i < f.ListView1.count(); ++i) v.push_back(f.ListView1.subItem(i, c));
        return v;
    }
    // Two seconds pass and the live update runs.
    void tick(Form1& f) {
        p.processes.advanceMs(2000);
        drv.fire(f.Timer1);
    }
};

TEST_F(Form1LiveTest, FiguresFillAfterTheFirstIntervalAndUnreadableOnesStayEmpty) {
    plat::FakeProcess& helper = *p.processes.find(12);
    helper.privateBytes = 12345 * 1024;
    helper.user = "TESTPC\\alice";
    helper.wow64 = true;
    plat::FakeProcess& locked = p.program(30, "C:\\Apps\\", "locked.exe");
    locked.memoryError = 5;  // no rights to its counters or its token
    locked.userError = 5;
    p.processes.addProtected(4, "System");
    Form1 f(host, p.services, p.processes, p.icons, p.clipboard);
    f.Check1.setValue(1);  // the user wants to see system processes
    f.show();

    int row = rowOf(f, "helper.exe");
    ASSERT_GE(row, 0);
    // Right after the scan: memory, owner and the 32-bit mark; no processor share from one reading.
    EXPECT_EQ(f.ListView1.subItem(row, kColCpu), "");
    EXPECT_EQ(f.ListView1.subItem(row, kColMemory), "12,345 K");
    EXPECT_EQ(f.ListView1.subItem(row, kColUser), "TESTPC\\alice");
    EXPECT_EQ(f.ListView1.subItem(row, kColWow64), "*32");

    helper.times.user += kSecond;  // one second of one processor of four, in two seconds
    tick(f);
    row = rowOf(f, "helper.exe");
    EXPECT_EQ(f.ListView1.subItem(row, kColCpu), "13");
    row = rowOf(f, "locked.exe");
    EXPECT_EQ(f.ListView1.subItem(row, kColCpu), "00");
    EXPECT_EQ(f.ListView1.subItem(row, kColMemory), "");
    EXPECT_EQ(f.ListView1.subItem(row, kColUser), "");
    row = rowOf(f, "System");
    ASSERT_GE(row, 0);
    for (int c : {kColCpu, kColMemory, kColUser, kColWow64}) EXPECT_EQ(f.ListView1.subItem(row, c), "") << c;
}

TEST_F(Form1LiveTest, ProcessesStartAndEndInPlaceWhileTheSelectedOneStaysSelectedAndInView) {
    for (uint32_t id = 100; id < 180; ++id) p.program(id, "C:\\Apps\\", "app" + std::to_string(id) + ".exe");
    Form1 f(host, p.services, p.processes, p.icons, p.clipboard);
    ui::ListViewScreen screen(f.ListView1);
    f.show();
    ASSERT_EQ(f.ListView1.count(), 83);
    // The user picks the row at the top of the view.
    const int picked = screen.topRow();
    const std::string pickedName = f.ListView1.text(picked);
    drv.clickRow(f.ListView1, picked);
    std::vector<std::string> expected = names(f);

    // Ten processes listed above it end, two new ones start.
    for (uint32_t id = 100; id < 110; ++id) {
        p.processes.end(id);
        expected.erase(std::find(expected.begin(), expected.end(), "app" + std::to_string(id) + ".exe"));
    }
    p.program(300, "C:\\New\\", "fresh.exe");
    p.program(301, "C:\\New\\", "second.exe");
    expected.push_back("fresh.exe");
    expected.push_back("second.exe");
    tick(f);

    EXPECT_EQ(names(f), expected);  // the others keep their places; the new ones come last
    EXPECT_EQ(f.NUMPROC.caption(), "75");
    const int selected = f.ListView1.selectedIndex();
    ASSERT_GE(selected, 0);
    EXPECT_EQ(f.ListView1.text(selected), pickedName);
    EXPECT_EQ(f.ListView1.selCount(), 1);
    EXPECT_TRUE(screen.inView(selected));
    const int row = rowOf(f, "fresh.exe");
    EXPECT_EQ(f.ListView1.subItem(row, 1), "C:\\New\\");
    EXPECT_EQ(f.ListView1.subItem(row, 2), "300");

    // A quiet update moves nothing and leaves the user's scrolling alone.
    const int top = screen.topRow();
    tick(f);
    EXPECT_EQ(names(f), expected);
    EXPECT_EQ(screen.topRow(), top);

    // The selected process ends: its row goes, no other row is selected in its place.
    p.processes.end(static_cast<uint32_t>(std::stoul(f.ListView1.subItem(selected, 2))));
    tick(f);
    EXPECT_EQ(rowOf(f, pickedName), -1);
    EXPECT_EQ(f.ListView1.selCount(), 0);
}

TEST_F(Form1LiveTest, AReusedIdentifierReplacesTheRowOfTheEndedProcess) {
    Form1 f(host, p.services, p.processes, p.icons, p.clipboard);
    f.show();
    drv.clickRow(f.ListView1, rowOf(f, "helper.exe"));
    p.processes.end(12);
    p.program(12, "C:\\Apps\\", "helper.exe");  // same name, same identifier, a new process
    tick(f);
    // The user's row was the old process: it is gone, and the new one is not taken for it.
    EXPECT_EQ(f.ListView1.selCount(), 0);
    const int row = rowOf(f, "helper.exe");
    ASSERT_GE(row, 0);
    EXPECT_EQ(f.ListView1.count(), 3);
}

TEST_F(Form1LiveTest, ProcessesWithoutReadablePathsStayHiddenUnlessAsked) {
    Form1 f(host, p.services, p.processes, p.icons, p.clipboard);
    f.show();
    p.processes.addProtected(4, "System");
    tick(f);
    EXPECT_EQ(rowOf(f, "System"), -1);
    drv.click(f.Check1);
    EXPECT_GE(rowOf(f, "System"), 0);
    p.processes.addProtected(5, "Registry");
    tick(f);
    EXPECT_GE(rowOf(f, "Registry"), 0);
}

TEST_F(Form1LiveTest, SortByCpuIsByNumberAndStaysThroughUpdates) {
    // Shares of 100, 12, 5 and 0 percent: as text "12" would come before "100".
    const struct {
        uint32_t id;
        const char* name;
        uint64_t used;  // 100 ns units per interval of 2 s on 4 processors (8 s in all)
    } apps[] = {
        {20, "busy.exe", 8 * kSecond}, {21, "some.exe", kSecond * 96 / 100}, {22, "little.exe", 4 * kSecond / 10}};
    for (const auto& a : apps) p.program(a.id, "C:\\Apps\\", a.name);
    Form1 f(host, p.services, p.processes, p.icons, p.clipboard);
    ui::ListViewScreen screen(f.ListView1);
    f.show();
    for (const auto& a : apps) p.processes.find(a.id)->times.user += a.used;
    tick(f);
    drv.clickRow(f.ListView1, rowOf(f, "little.exe"));

    drv.clickColumn(f.ListView1, kColCpu);  // the busiest first
    EXPECT_EQ(column(f, kColCpu), (std::vector<std::string>{"100", "12", "05", "00", "00", "00"}));
    EXPECT_EQ(f.ListView1.text(0), "busy.exe");
    EXPECT_EQ(f.ListView1.sortOrder(), ui::ListView::SortOrder::Descending);
    drv.clickColumn(f.ListView1, kColCpu);
    EXPECT_EQ(column(f, kColCpu), (std::vector<std::string>{"00", "00", "00", "05", "12", "100"}));

    // The next update re-sorts by the new figures; the selection goes with its process.
    drv.clickColumn(f.ListView1, kColCpu);            // descending again
    p.processes.find(22)->times.user += 6 * kSecond;  // little.exe now 75 %
    p.processes.find(20)->times.user += kSecond;      // busy.exe 12.5 %
    tick(f);
    EXPECT_EQ(names(f)[0], "little.exe");
    EXPECT_EQ(column(f, kColCpu)[0], "75");
    EXPECT_EQ(column(f, kColCpu)[1], "13");
    EXPECT_EQ(f.ListView1.text(f.ListView1.selectedIndex()), "little.exe");
    EXPECT_TRUE(screen.inView(f.ListView1.selectedIndex()));
    EXPECT_TRUE(f.ListView1.sorted());
    EXPECT_EQ(f.ListView1.sortKey(), kColCpu);

    // Identifiers and memory sort as numbers too.
    p.processes.find(20)->privateBytes = 900 * 1024;
    p.processes.find(21)->privateBytes = 10000 * 1024;
    tick(f);
    drv.clickColumn(f.ListView1, kColMemory);
    EXPECT_EQ(column(f, kColMemory)[0], "10,000 K");
    EXPECT_EQ(column(f, kColMemory)[1], "900 K");
    drv.clickColumn(f.ListView1, 2);
    EXPECT_EQ(column(f, 2), (std::vector<std::string>{"8", "12", "20", "21", "22", "1000"}));
}

TEST_F(Form1LiveTest, EndProcessTreeEndsTheProcessAndWhatItStartedAfterOneQuestion) {
    // Creation times grow in the order of adding: a process added before the parent is older.
    p.program(40, "C:\\Apps\\", "older.exe").parentProcessId = 20;  // names 20 only by reuse
    p.program(20, "C:\\Apps\\", "parent.exe").parentProcessId = 8;
    p.program(21, "C:\\Apps\\", "child1.exe").parentProcessId = 20;
    p.program(22, "C:\\Apps\\", "child2.exe").parentProcessId = 20;
    p.program(23, "C:\\Apps\\", "unrelated.exe").parentProcessId = 8;
    Form1 f(host, p.services, p.processes, p.icons, p.clipboard);
    f.show();
    drv.clickRow(f.ListView1, rowOf(f, "parent.exe"));
    host.answer(ui::mb::Yes);
    drv.click(f.mnuEndTree);

    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_EQ(host.boxes[0].text, "Are you sure to terminate this process and the 2 processes it started?");
    EXPECT_EQ(host.boxes[0].title, "End Process Tree");
    EXPECT_EQ(host.boxes[0].style, ui::mb::YesNoCancel | ui::mb::Exclamation | ui::mb::DefaultButton2);
    ASSERT_EQ(p.processes.terminated.size(), 3u);
    EXPECT_EQ(p.processes.terminated[0].first, 20u);  // the parent first: it cannot start them again
    EXPECT_FALSE(p.processes.running(21) || p.processes.running(22));
    EXPECT_TRUE(p.processes.running(40) && p.processes.running(23) && p.processes.running(8));
    // The rows leave in place; the others stay as they were.
    EXPECT_EQ(names(f),
              (std::vector<std::string>{"taskwatch.exe", "services.exe", "helper.exe", "older.exe", "unrelated.exe"}));
    EXPECT_EQ(f.NUMPROC.caption(), "5");
    EXPECT_EQ(p.processes.openHandles(), 0);
}

TEST_F(Form1LiveTest, EndProcessTreeEndsNothingUnlessAnsweredYes) {
    p.program(20, "C:\\Apps\\", "parent.exe");
    p.program(21, "C:\\Apps\\", "child.exe").parentProcessId = 20;
    // Two processes naming each other as parent: the walk must end.
    p.program(30, "C:\\Apps\\", "a.exe").parentProcessId = 31;
    p.program(31, "C:\\Apps\\", "b.exe").parentProcessId = 30;
    Form1 f(host, p.services, p.processes, p.icons, p.clipboard);
    f.show();
    for (int answer : {ui::mb::No, ui::mb::Cancel}) {
        drv.clickRow(f.ListView1, rowOf(f, "parent.exe"));
        host.answer(answer);
        drv.click(f.mnuEndTree);
    }
    EXPECT_TRUE(p.processes.terminated.empty());
    EXPECT_EQ(host.boxes.size(), 2u);

    drv.clickRow(f.ListView1, rowOf(f, "a.exe"));
    host.answer(ui::mb::Yes);
    drv.click(f.mnuEndTree);
    EXPECT_EQ(host.boxes.back().text, "Are you sure to terminate this process and the process it started?");
    EXPECT_FALSE(p.processes.running(30) || p.processes.running(31));

    drv.clickRow(f.ListView1, rowOf(f, "child.exe"));
    host.answer(ui::mb::Yes);
    drv.click(f.mnuEndTree);
    EXPECT_EQ(host.boxes.back().text, "Are you sure to terminate this process? It has started no other process.");
    EXPECT_FALSE(p.processes.running(21));
    EXPECT_TRUE(p.processes.running(20));
}

TEST_F(Form1LiveTest, LiveUpdatesWaitWhileAQuestionIsOpenAndWhenPaused) {
    Form1 f(host, p.services, p.processes, p.icons, p.clipboard);
    f.show();
    drv.clickRow(f.ListView1, rowOf(f, "helper.exe"));
    bool timerDuringQuestion = true;
    host.fallbackAnswer = [&](const ui::MsgBoxRecord&) {
        timerDuringQuestion = f.Timer1.enabled();
        return ui::mb::No;
    };
    drv.click(f.Command1);
    EXPECT_FALSE(timerDuringQuestion);
    EXPECT_TRUE(f.Timer1.enabled());
    timerDuringQuestion = true;
    drv.click(f.mnuEndTree);
    EXPECT_FALSE(timerDuringQuestion);
    EXPECT_TRUE(f.Timer1.enabled());

    drv.click(f.Check2);  // pause
    EXPECT_FALSE(f.Timer1.enabled());
    EXPECT_THROW(drv.fire(f.Timer1), ui::DriverError);
    p.program(50, "C:\\Apps\\", "late.exe");
    EXPECT_EQ(rowOf(f, "late.exe"), -1);
    drv.click(f.Check2);  // resume: at once
    EXPECT_TRUE(f.Timer1.enabled());
    EXPECT_GE(rowOf(f, "late.exe"), 0);
}

TEST_F(Form1LiveTest, ATickDuringAScanWaitsForTheScan) {
    Form1 f(host, p.services, p.processes, p.icons, p.clipboard);
    f.show();
    host.atNextYield([] {});
    host.atNextYield([&] {
        EXPECT_FALSE(f.mnuEndTree.enabled());
        drv.fire(f.Timer1);
    });
    drv.click(f.Command2);
    EXPECT_EQ(names(f), (std::vector<std::string>{"taskwatch.exe", "services.exe", "helper.exe"}));
    EXPECT_TRUE(f.mnuEndTree.enabled());
}

TEST_F(Form1LiveTest, OpenFileLocationSelectsTheFileInExplorer) {
    p.program(20, "C:\\Program Files\\My App\\", "my app.exe");
    p.processes.addProtected(4, "System");
    Form1 f(host, p.services, p.processes, p.icons, p.clipboard);
    f.Check1.setValue(1);
    f.show();
    drv.clickRow(f.ListView1, rowOf(f, "my app.exe"));
    drv.click(f.mnuOpenLocation);
    auto started = p.shell.eventsOf(plat::FakeShell::Event::Kind::Start);
    ASSERT_EQ(started.size(), 1u);
    EXPECT_EQ(started[0].program, "C:\\windows\\explorer.exe");
    EXPECT_EQ(started[0].commandLine,
              "\"C:\\windows\\explorer.exe\" /select,\"C:\\Program Files\\My App\\my app.exe\"");
    EXPECT_TRUE(host.boxes.empty());

    // A process whose file is not known: a message, and nothing is started.
    drv.clickRow(f.ListView1, rowOf(f, "System"));
    drv.click(f.mnuOpenLocation);
    EXPECT_EQ(p.shell.eventsOf(plat::FakeShell::Event::Kind::Start).size(), 1u);
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_EQ(host.boxes[0].text, "The file of this process cannot be located.");
}

TEST_F(Form1LiveTest, CopyPutsTheSelectedRowsOnTheClipboardAsTabSeparatedText) {
    plat::FakeProcess& helper = *p.processes.find(12);
    helper.privateBytes = 2048 * 1024;
    helper.user = "TESTPC\\alice";
    Form1 f(host, p.services, p.processes, p.icons, p.clipboard);
    f.show();
    helper.times.user += 8 * kSecond;
    tick(f);
    drv.clickRow(f.ListView1, rowOf(f, "helper.exe"));
    drv.click(f.mnuCopy);
    EXPECT_EQ(p.clipboard.text, "helper.exe\tC:\\Apps\\\t12\t100\t2,048 K\tTESTPC\\alice\t\r\n");
    EXPECT_EQ(p.clipboard.copies, 1);

    // Nothing selected: the clipboard is left alone.
    f.ListView1.setSelected(rowOf(f, "helper.exe"), false);
    drv.click(f.mnuCopy);
    EXPECT_EQ(p.clipboard.copies, 1);

    // A clipboard that cannot be opened is reported.
    drv.clickRow(f.ListView1, 0);
    p.clipboard.error = 5;
    drv.click(f.mnuCopy);
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_EQ(host.boxes[0].text, "The rows could not be copied to the clipboard.");
}

}  // namespace
