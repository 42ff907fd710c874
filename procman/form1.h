// Form1: the process manager's window. Lists the running processes with icon, name, folder and
// identifier, shows their number, rescans on request and ends the selected process after a
// confirmation.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "common/platform/icons.h"
#include "common/platform/process_list.h"
#include "common/platform/services.h"
#include "common/ui/form.h"
#include "procman/get_file_icon.h"
#include "procman/scan_processes.h"

namespace procman {

constexpr const char* kMakerUrl = "http://www.tolvane.example/";
// Image-list key of the icon shown for processes whose own icon cannot be had; no file name
// can contain '<', so it never meets an executable's key.
constexpr const char* kDefaultIconKey = "<default>";

class Form1 : public ui::Form {
public:
    Form1(ui::Host& host, const plat::Services& services, plat::ProcessList& processes, plat::Icons& icons);
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

    // The scanner, for tests and the composition root; null before Initialize and after Unload.
    cScanProcesses* scanner() const { return SCANPROC.get(); }
    // True while a scan or a termination runs (they yield to the message loop).
    bool working() const { return workDepth_ > 0; }

private:
    void Form_Initialize();
    void Form_Load();
    void Form_KeyPress(int& key);
    void Form_Unload(bool& cancel);
    void Check1_Click();
    void Command1_Click();
    void Command2_Click();
    void Label8_Click();
    void SCANPROC_CurrentProcess(const std::string& File, const std::string& Path, int32_t ProcessID, bool& Terminate);
    void SCANPROC_DoneScanning(int32_t TotalProcesses);
    void GotoURL(const std::string& url);

    int iconFor(const std::string& file, const std::string& path);
    // Runs scanner work that yields; the commands that would start more work are disabled
    // meanwhile, and a close asked for during the work happens once it has unwound.
    template <class Work>
    void runWork(Work work);

    plat::Services services_;
    plat::ProcessList& processes_;
    plat::Icons& icons_;
    std::unique_ptr<cScanProcesses> SCANPROC;
    std::unique_ptr<cGetFileIcon> fileIcon_;
    std::vector<Picture> pictures_;  // icons held by ImageList1, kept for the window's life
    int workDepth_ = 0;
    bool closeAfterWork_ = false;
};

}  // namespace procman
