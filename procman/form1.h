// Form1: the process manager's window. Lists the running processes with icon, name, folder and
// identifier, shows their number, rescans on request and ends the selected process after a
// confirmation. Beside that it shows each process's processor share, private memory, owner and
// 32-bit mark, updated in place every 2 seconds; sorts by any column; ends a process with the
// processes it started; opens the folder of a process's file; copies rows as text.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "common/platform/clipboard.h"
#include "common/platform/icons.h"
#include "common/platform/process_list.h"
#include "common/platform/services.h"
#include "common/ui/form.h"
#include "procman/get_file_icon.h"
#include "procman/process_monitor.h"
#include "procman/sample_runner.h"
#include "procman/scan_processes.h"

namespace procman {

constexpr const char* kMakerUrl = "http://www.tolvane.example/";
// Image-list key of the icon shown for processes whose own icon cannot be had; no file name
// can contain '<', so it never meets an executable's key.
constexpr const char* kDefaultIconKey = "<default>";
// Columns of ListView1.
constexpr int kColName = 0, kColPath = 1, kColId = 2, kColCpu = 3, kColMemory = 4, kColUser = 5, kColWow64 = 6;
constexpr int kLiveIntervalMs = 2000;

class Form1 : public ui::Form {
public:
    Form1(ui::Host& host, const plat::Services& services, plat::ProcessList& processes, plat::Icons& icons,
          plat::Clipboard& clipboard);
    ~Form1() override;

    ui::ListView ListView1{*this, nullptr, "ListView1"};
    ui::ImageList ImageList1;
    ui::Button Command1{*this, nullptr, "Command1", "&Terminate Process"};
    ui::Button Command2{*this, nullptr, "Command2", "&Refresh List of Processes"};
    ui::Frame Frame1{*this, nullptr, "Frame1", "Scan Options:"};
    ui::CheckBox Check1{*this, &Frame1, "Check1", "Show System Processes"};
    ui::Label Label1{*this, nullptr, "Label1", "Number of Processes:"};
    ui::Label NUMPROC{*this, nullptr, "NUMPROC", "00"};
    ui::Label Label8{*this, nullptr, "Label8", "www.tolvane.example"};
    ui::CheckBox Check2{*this, &Frame1, "Check2", "&Update Every 2 Seconds"};
    ui::Timer Timer1{*this, "Timer1", kLiveIntervalMs, true};
    // Looks for a sample taken on the worker thread while one is on its way.
    ui::Timer Timer2{*this, "Timer2", 50, false};
    ui::MenuItem mnuProcess{*this, "mnuProcess", "&Process"};
    ui::MenuItem mnuEndTree{mnuProcess, "mnuEndTree", "End Process &Tree"};
    ui::MenuItem mnuOpenLocation{mnuProcess, "mnuOpenLocation", "Open File &Location"};
    ui::MenuItem mnuCopy{mnuProcess, "mnuCopy", "&Copy", "Ctrl+C"};

    // The scanner, for tests and the composition root; null before Initialize and after Unload.
    cScanProcesses* scanner() const { return SCANPROC.get(); }
    // True while a scan or a termination runs (they yield to the message loop).
    bool working() const { return workDepth_ > 0; }
    // The processes of the last live update, for tests and the benchmark.
    const std::vector<ProcessSample>& sampled() const { return shown_; }
    // Takes the live samples on a worker thread with `ownList`, an instance used by nothing else
    // (the composition root's choice; by default they are taken on the window's thread).
    void sampleInBackground(plat::ProcessList& ownList);

private:
    void Form_Initialize();
    void Form_Load();
    void Form_KeyPress(int& key);
    void Form_Unload(bool& cancel);
    void Check1_Click();
    void Command1_Click();
    void Command2_Click();
    void Label8_Click();
    void Check2_Click();
    void Timer1_Timer();
    void Timer2_Timer();
    void ListView1_ColumnClick(int column);
    void mnuEndTree_Click();
    void mnuOpenLocation_Click();
    void mnuCopy_Click();
    void SCANPROC_CurrentProcess(const std::string& File, const std::string& Path, int32_t ProcessID, bool& Terminate);
    void SCANPROC_DoneScanning(int32_t TotalProcesses);
    void GotoURL(const std::string& url);

    int iconFor(const std::string& file, const std::string& path);
    // Starts a sample of the processes and applies it once it is there.
    void liveRefresh();
    // Applies a finished sample, if any: ended processes' rows leave, new ones are added, the
    // figures are updated; the selection and the sort stay.
    void collectSample();
    void applySample();
    void setFigures(int row, const ProcessSample& s);
    // The sampled process a row stands for (null when it has ended or the row is another's).
    const ProcessSample* sampleOfRow(int row) const;
    // A question to the user; live updates wait while it is open.
    int ask(const std::string& text, int style, const std::string& title);
    void syncTimer();
    // Runs scanner work that yields; the commands that would start more work are disabled
    // meanwhile, and a close asked for during the work happens once it has unwound.
    template <class Work>
    void runWork(Work work);

    plat::Services services_;
    plat::ProcessList& processes_;
    plat::Icons& icons_;
    plat::Clipboard& clipboard_;
    std::unique_ptr<SampleRunner> runner_;
    plat::ProcessList* backgroundList_ = nullptr;
    std::vector<ProcessSample> shown_;  // the sample the rows show
    bool questionOpen_ = false;
    std::unique_ptr<cScanProcesses> SCANPROC;
    std::unique_ptr<cGetFileIcon> fileIcon_;
    std::vector<Picture> pictures_;  // icons held by ImageList1, kept for the window's life
    int workDepth_ = 0;
    bool closeAfterWork_ = false;
};

}  // namespace procman
