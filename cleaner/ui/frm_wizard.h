// The scan wizard: a two-page modal window that greets the user (page 1, with a button that
// starts the backup program) and lets them pick the eight scan areas (page 2). It never scans:
// it ticks the main window's categories and, when the user confirms, raises ScanOnActivate.
//
// Every tick the user changes here (one area, or "Select all") is copied to the main window's
// category list at once; the ticks the wizard sets itself when it loads are not, so a Cancel
// right away keeps the user's saved areas. The confirming press makes the eight categories
// equal to the wizard's ticks.
#pragma once

#include <functional>
#include <string>

#include "common/platform/files.h"
#include "common/platform/shell.h"
#include "common/ui/form.h"

namespace cleaner {

// The eight areas in their fixed order (AreaIndex 0..7), in both languages.
constexpr int kAreaCount = 8;
extern const char* const kAreaEnglish[kAreaCount];
extern const char* const kAreaSpanish[kAreaCount];

class FrmWizard : public ui::Form {
public:
    // `lvLocations`: the main window's category list (row n is area n). `spanishMode` tests the
    // marker file at the moment it is asked.
    FrmWizard(ui::Host& host, ui::ListView& lvLocations, plat::Files& files, plat::Shell& shell,
              std::function<bool()> spanishMode);

    ui::PictureBox pic1{*this, nullptr, "pic1"};
    // Page 1.
    ui::Frame Frame1{*this, nullptr, "Frame1", ""};
    ui::Label Label1{*this, &Frame1, "Label1", "Welcome to Tolvane Registry Cleaner"};
    ui::Label Label2{*this, &Frame1, "Label2",
                     "You can use Tolvane Registry Cleaner to quickly and thoroughly remove the unneeded data left "
                     "over when you install and remove programs and when you work with your computer every day."};
    ui::Label Label3{*this, &Frame1, "Label3",
                     "Cleaning up your registry database frees your system of unneeded ballast so that it can work "
                     "better and more quickly."};
    ui::Label Label4{*this, &Frame1, "Label4",
                     "Tolvane Registry Cleaner lets you backup and restore the Registry with just one click of the "
                     "mouse. Use it to create the snapshots of your Windows registry before making changes to your "
                     "system or installing new applications, and gain confidence that you will be able to restore "
                     "your previous system configuration if things go wrong!"};
    ui::Button Label5{*this, &Frame1, "Label5", "Create a Registry Backup"};
    // Page 2.
    ui::PictureBox pic2{*this, nullptr, "pic2"};
    ui::Label Label6{*this, &pic2, "Label6", "Select the sections to scan"};
    ui::ListBox lstAreas{*this, &pic2, "lstAreas", true, false};
    ui::CheckBox chkTodos{*this, &pic2, "chkTodos", "Select all"};
    // Buttons and the marker timer.
    ui::Button OKButton{*this, nullptr, "OKButton", "Next"};
    ui::Button CancelButton{*this, nullptr, "CancelButton", "Cancel"};
    ui::Timer tmrTRL{*this, "tmrTRL", 100, false};

    int PageCounter() const { return pageCounter_; }

private:
    void Form_Load();
    void OKButton_Click();
    void CancelButton_Click();
    void chkTodos_Click();
    void lstAreas_ItemCheck(int item);
    void Label5_Click();
    void tmrTRL_Timer();

    // "Comenzar" in Spanish, else "Scan".
    std::string scanCaption() const;
    // The tick of area n copied to the main window's category row n.
    void copyTick(int n);
    int tickedCount() const;

    ui::ListView& lvLocations_;
    plat::Files& files_;
    plat::Shell& shell_;
    std::function<bool()> spanishMode_;
    bool spanish_ = false;
    int pageCounter_ = 0;
};

}  // namespace cleaner
