#include "procman/form1.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "common/ui/headless.h"
#include "procman_fixture.h"

namespace {

using procman::Form1;
using procman_test::Platform;

class Form1Test : public ::testing::Test {
protected:
    Platform p;
    ui::HeadlessHost host;
    ui::Driver drv{host};

    void SetUp() override {
        p.program(1000, "C:\\Program Files\\Scourline\\", "taskwatch.exe");
        p.program(8, "C:\\windows\\system32\\", "services.exe");
        p.program(12, "C:\\Apps\\", "helper.exe");
    }

    int rowOf(const Form1& f, const std::string& name) {
        for (int i = 0; i < f.ListView1.count(); ++i)
            if (f.ListView1.text(i) == name) return i;
        return -1;
    }
};

TEST_F(Form1Test, OpensWithTheFirstScan) {
    Form1 f(host, p.services, p.processes, p.icons, p.clipboard);
    f.show();
    EXPECT_EQ(f.caption(), "Scourline - Process Manager");
    std::vector<std::string> headers;
    for (const auto& c : f.ListView1.columns()) headers.push_back(c.text);
    EXPECT_EQ(headers, (std::vector<std::string>{"Process Name", "Process Path", "Process ID", "CPU", "Memory", "User",
                                                 "32-bit"}));
    EXPECT_EQ(f.Check2.value(), 1);
    EXPECT_TRUE(f.Timer1.enabled());
    EXPECT_EQ(f.Timer1.interval(), 2000);
    EXPECT_EQ(f.Command1.caption(), "&Terminate Process");
    EXPECT_EQ(f.Command2.caption(), "&Refresh List of Processes");
    EXPECT_TRUE(f.Command2.isDefault);
    EXPECT_EQ(f.Frame1.caption(), "Scan Options:");
    EXPECT_EQ(f.Check1.caption(), "Show System Processes");
    EXPECT_EQ(f.Check1.value(), 0);
    EXPECT_EQ(f.Label1.caption(), "Number of Processes:");

    ASSERT_EQ(f.ListView1.count(), 3);
    EXPECT_EQ(f.NUMPROC.caption(), "3");
    int row = rowOf(f, "helper.exe");
    ASSERT_GE(row, 0);
    EXPECT_EQ(f.ListView1.subItem(row, 1), "C:\\Apps\\");
    EXPECT_EQ(f.ListView1.subItem(row, 2), "12");
    EXPECT_EQ(f.ListView1.item(row).subItemColors.at(1), 0xFF0000u);
    const ui::ImageList::Image& image = f.ImageList1.images().at(f.ListView1.item(row).smallIcon);
    EXPECT_EQ(image.key, "helper.exe");
    EXPECT_EQ(p.icons.iconSource(image.icon), "C:\\Apps\\helper.exe");
    // The last row reported is the selected one.
    EXPECT_EQ(f.ListView1.selectedIndex(), 2);
    EXPECT_EQ(f.ListView1.selCount(), 1);
    EXPECT_TRUE(f.Command1.enabled());
}

TEST_F(Form1Test, TheProcessSelectedByAScanIsInView) {
    for (uint32_t id = 100; id < 137; ++id) p.program(id, "C:\\Apps\\", "app" + std::to_string(id) + ".exe");
    Form1 f(host, p.services, p.processes, p.icons, p.clipboard);
    ui::ListViewScreen screen(f.ListView1);
    f.show();
    ASSERT_EQ(f.ListView1.count(), 40);
    ASSERT_LT(screen.rowsPerPage(), 40);
    EXPECT_EQ(f.ListView1.selectedIndex(), 39);
    EXPECT_TRUE(screen.inView(39));

    // After a rescan the row Terminate would ask about is the one in view.
    drv.click(f.Command2);
    const int selected = f.ListView1.selectedIndex();
    ASSERT_EQ(selected, 39);
    EXPECT_TRUE(screen.inView(selected));
    host.answer(ui::mb::No);
    drv.click(f.Command1);
    EXPECT_EQ(host.boxes.back().text, "Are you sure to terminate this process?");
}

TEST_F(Form1Test, EveryCountedProcessHasARow) {
    p.processes.add(20, "noicon.exe", "C:\\Apps\\noicon.exe");  // the shell has no icon for it
    p.processes.add(24, "System", "");                          // path unreadable: a system process
    Form1 f(host, p.services, p.processes, p.icons, p.clipboard);
    f.show();
    EXPECT_EQ(f.ListView1.count(), 4);
    EXPECT_EQ(f.NUMPROC.caption(), "4");
    int row = rowOf(f, "noicon.exe");
    ASSERT_GE(row, 0);
    EXPECT_EQ(f.ImageList1.images().at(f.ListView1.item(row).smallIcon).key, procman::kDefaultIconKey);
    EXPECT_EQ(rowOf(f, "System"), -1);

    drv.click(f.Check1);  // show system processes
    EXPECT_EQ(f.ListView1.count(), 5);
    EXPECT_EQ(f.NUMPROC.caption(), "5");
    row = rowOf(f, "System");
    ASSERT_GE(row, 0);
    EXPECT_EQ(f.ListView1.subItem(row, 1), "C:\\windows\\system32");
    EXPECT_EQ(f.ImageList1.images().at(f.ListView1.item(row).smallIcon).key, procman::kDefaultIconKey);
}

TEST_F(Form1Test, SameFileNameInTwoFoldersKeepsBothFolders) {
    p.program(20, "D:\\Other\\", "helper.exe");
    Form1 f(host, p.services, p.processes, p.icons, p.clipboard);
    f.show();
    ASSERT_EQ(f.ListView1.count(), 4);
    EXPECT_EQ(f.ListView1.subItem(2, 1), "C:\\Apps\\");
    EXPECT_EQ(f.ListView1.subItem(3, 1), "D:\\Other\\");
    EXPECT_EQ(f.ListView1.item(2).smallIcon, f.ListView1.item(3).smallIcon);
    // Rescans reuse the icons gathered before.
    const int made = p.icons.iconsMade;
    drv.click(f.Command2);
    EXPECT_EQ(p.icons.iconsMade, made);
    EXPECT_EQ(f.ListView1.count(), 4);
}

TEST_F(Form1Test, EscapeDuringAScanStopsItAndClosesOnceItHasUnwound) {
    for (uint32_t id = 100; id < 120; id += 4) p.program(id, "C:\\Apps\\", "p" + std::to_string(id) + ".exe");
    Form1 f(host, p.services, p.processes, p.icons, p.clipboard);
    f.show();
    ASSERT_EQ(f.ListView1.count(), 8);
    bool stillScanning = false;
    host.atNextYield([] {});  // before the snapshot
    host.atNextYield([] {});  // before the first process
    host.atNextYield([&] {    // before the second
        drv.keyPress(f, ui::kKeyEscape);
        stillScanning = f.scanner() && f.scanner()->Scanning();
    });
    drv.click(f.Command2);
    EXPECT_TRUE(stillScanning);
    EXPECT_EQ(f.ListView1.count(), 1);
    EXPECT_FALSE(f.loaded());
    EXPECT_EQ(f.scanner(), nullptr);
    EXPECT_EQ(std::count(host.destroyedLog.begin(), host.destroyedLog.end(), "Form1"), 1);
    EXPECT_TRUE(host.quitting());
    EXPECT_EQ(p.processes.openSnapshots(), 0);
}

TEST_F(Form1Test, CloseBoxDuringAScanWaitsForItToUnwind) {
    Form1 f(host, p.services, p.processes, p.icons, p.clipboard);
    f.show();
    host.atNextYield([] {});
    host.atNextYield([&] { EXPECT_FALSE(f.userClose()); });
    drv.click(f.Command2);
    EXPECT_FALSE(f.loaded());
    EXPECT_EQ(f.ListView1.count(), 0);
    EXPECT_EQ(std::count(host.destroyedLog.begin(), host.destroyedLog.end(), "Form1"), 1);
}

TEST_F(Form1Test, EscapeWhenIdleCloses) {
    Form1 f(host, p.services, p.processes, p.icons, p.clipboard);
    f.show();
    drv.keyPress(f, ui::kKeyEscape);
    EXPECT_FALSE(f.loaded());
    EXPECT_TRUE(host.quitting());
}

TEST_F(Form1Test, CommandsAreRefusedWhileAScanRuns) {
    Form1 f(host, p.services, p.processes, p.icons, p.clipboard);
    f.show();
    int refused = 0;
    auto tryAll = [&] {
        EXPECT_TRUE(f.working());
        try {
            drv.click(f.Command2);
        } catch (const ui::DriverError&) {
            ++refused;
        }
        try {
            drv.click(f.Command1);
        } catch (const ui::DriverError&) {
            ++refused;
        }
        try {
            drv.click(f.Check1);
        } catch (const ui::DriverError&) {
            ++refused;
        }
        try {
            drv.keyPress(f, ui::kKeyReturn);
        } catch (const ui::DriverError&) {
            ++refused;
        }
    };
    host.atNextYield([] {});
    host.atNextYield(tryAll);
    drv.click(f.Command2);
    EXPECT_EQ(refused, 3);  // Enter reaches no disabled default button and starts nothing
    EXPECT_EQ(f.ListView1.count(), 3);
    EXPECT_EQ(f.NUMPROC.caption(), "3");
    EXPECT_EQ(f.Check1.value(), 0);
    EXPECT_TRUE(f.Command1.enabled() && f.Command2.enabled() && f.Check1.enabled());
    EXPECT_TRUE(host.boxes.empty());
}

TEST_F(Form1Test, TerminateEndsTheSelectedProcessAfterConfirmation) {
    Form1 f(host, p.services, p.processes, p.icons, p.clipboard);
    f.show();
    drv.clickRow(f.ListView1, rowOf(f, "helper.exe"));
    host.answer(ui::mb::Yes);
    drv.click(f.Command1);
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_EQ(host.boxes[0].text, "Are you sure to terminate this process?");
    EXPECT_EQ(host.boxes[0].title, "Terminate Process");
    EXPECT_EQ(host.boxes[0].style, ui::mb::YesNoCancel | ui::mb::Exclamation | ui::mb::DefaultButton2);
    EXPECT_FALSE(p.processes.running(12));
    EXPECT_EQ(rowOf(f, "helper.exe"), -1);
    EXPECT_EQ(f.NUMPROC.caption(), "2");
}

TEST_F(Form1Test, TerminateDoesNothingUnlessSafe) {
    struct Case {
        const char* what;
        const char* row;  // selected row, "" for none
        int answer;       // 0: no question expected
        std::function<void(Platform&)> meanwhile;
    } cases[] = {
        {"no row selected", "", 0, nullptr},
        {"answered No", "helper.exe", ui::mb::No, nullptr},
        {"answered Cancel", "helper.exe", ui::mb::Cancel, nullptr},
        {"our own process", "taskwatch.exe", ui::mb::Yes, nullptr},
        {"ended meanwhile", "helper.exe", ui::mb::Yes, [](Platform& q) { q.processes.end(12); }},
        {"identifier reused", "helper.exe", ui::mb::Yes,
         [](Platform& q) {
             q.processes.end(12);
             q.program(12, "C:\\Apps\\", "stranger.exe");
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Platform q;
        q.program(1000, "C:\\Program Files\\Scourline\\", "taskwatch.exe");
        q.program(12, "C:\\Apps\\", "helper.exe");
        ui::HeadlessHost h;
        ui::Driver d(h);
        Form1 f(h, q.services, q.processes, q.icons, q.clipboard);
        f.show();
        for (int i = 0; i < f.ListView1.count(); ++i) f.ListView1.setSelected(i, false);
        if (*c.row) d.clickRow(f.ListView1, rowOf(f, c.row));
        if (c.meanwhile) c.meanwhile(q);
        if (c.answer) h.answer(c.answer);
        const int snapshots = q.processes.snapshotsTaken;
        d.click(f.Command1);
        EXPECT_EQ(h.boxes.size(), c.answer ? 1u : 0u);
        EXPECT_TRUE(q.processes.terminated.empty());
        EXPECT_TRUE(q.processes.running(1000));
        // A failed termination leaves the list as it was: no rescan.
        EXPECT_EQ(f.ListView1.count(), 2);
        EXPECT_LE(q.processes.snapshotsTaken, snapshots + 1);
        EXPECT_EQ(q.processes.openHandles(), 0);
    }
}

TEST_F(Form1Test, MakersAddressOpensInTheBrowser) {
    Form1 f(host, p.services, p.processes, p.icons, p.clipboard);
    f.show();
    drv.click(f.Label8);
    auto opened = p.shell.eventsOf(plat::FakeShell::Event::Kind::ShellExecute);
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0].verb, "open");
    EXPECT_EQ(opened[0].program, procman::kMakerUrl);
    EXPECT_EQ(opened[0].show, plat::ShowState::Hide);
}

TEST_F(Form1Test, IconsAreReleasedWithTheWindow) {
    p.processes.add(20, "System", "");
    {
        Form1 f(host, p.services, p.processes, p.icons, p.clipboard);
        f.Check1.setValue(1);
        f.show();
        EXPECT_GT(p.icons.liveIcons(), 0);
        drv.keyPress(f, ui::kKeyEscape);
    }
    EXPECT_EQ(p.icons.liveIcons(), 0);
    EXPECT_EQ(p.icons.badDestroys, 0);
}

}  // namespace
