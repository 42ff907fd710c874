// A form with every kind of control, used by the Win32 smoke tests and the demo program.
#pragma once

#include <string>
#include <vector>

#include "common/ui/form.h"

class FrmDemo : public ui::Form {
public:
    explicit FrmDemo(ui::Host& host) : Form(host, "FrmDemo", "Toolkit demo") {
        clientWidth = 9600;
        clientHeight = 7200;
        minWidth = 6000;
        minHeight = 4500;

        fraOptions.move(120, 120, 3000, 1800);
        optSmall.move(120, 300, 2600, 300);
        optLarge.move(120, 660, 2600, 300);
        chkDeep.move(120, 1080, 2600, 300);
        chkDeep.setForeColor(0xC00000);
        fraOptions.setForeColor(0xC00000);
        optSmall.setValue(true);

        cmdGo.move(3300, 120, 1800, 375);
        cmdGo.setBold(true);
        cmdGo.isDefault = true;
        cmdClose.move(3300, 600, 1800, 375);
        cmdClose.isCancel = true;
        lblLink.move(5280, 180, 4200, 255);
        lblLink.setForeColor(0xC00000);
        lblLink.setHandCursor(true);
        lblArabic.move(5280, 540, 4200, 255);

        txtName.move(3300, 1080, 3000, 315);
        cboFind.move(3300, 1500, 3000, 315);
        cboFind.addItem("HKEY_CURRENT_USER");
        cboFind.addItem("HKEY_LOCAL_MACHINE");
        cboRoot.move(6420, 1500, 3000, 315);
        for (const char* s : {"All", "Classes", "Current user"}) cboRoot.addItem(s);
        cboRoot.setListIndex(0);

        lstAreas.move(120, 2040, 3000, 1500);
        for (const char* s : {"Current user", "All users", "Computer", "Fonts"}) lstAreas.addItem(s);
        lstAreas.setChecked(0, true);
        lstAreas.setChecked(2, true);

        lvRows.move(3300, 2040, 6180, 3300);
        lvRows.checkBoxes = true;
        lvRows.smallIcons = &icons;
        lvRows.addColumn("Location", 2400);
        lvRows.addColumn("Value", 1800);
        lvRows.addColumn("Reason", 1800);
        icons.add("key", 0, 1);
        icons.add("text", 0, 2);
        icons.add("binary", 0, 3);
        icons.add("none", 0, 4);

        picIcon.move(120, 3660, 720, 720);
        picIcon.picture = 1;
        picStatus.move(120, 5520, 9360, 300);
        picStatus.setText("Ready");
        pbWork.move(120, 5940, 9360, 255);
        pbWork.max = 100;
        sbMain.setPanel(0, "Panel one");
        sbMain.setPanel(1, "Panel two");

        tmrTick.onTimer = [this] { ++ticks; };
        cmdGo.onClick = [this] { ++goClicks; };
        cmdClose.onClick = [this] { ++closeClicks; };
        lblLink.onClick = [this] { ++linkClicks; };
        chkDeep.onClick = [this] { log.push_back("chkDeep " + std::to_string(chkDeep.value())); };
        optLarge.onClick = [this] { log.push_back("optLarge"); };
        txtName.onChange = [this] { log.push_back("txtName " + txtName.text()); };
        cboFind.onChange = [this] { log.push_back("cboFind " + cboFind.text()); };
        cboRoot.onClick = [this] { log.push_back("cboRoot " + std::to_string(cboRoot.listIndex())); };
        lstAreas.onItemCheck = [this](int i) { log.push_back("lstAreas " + std::to_string(i)); };
        lvRows.onItemCheck = [this](int i) { log.push_back("lvRows check " + std::to_string(i)); };
        lvRows.onColumnClick = [this](int c) {
            lvRows.setSorting(true, c,
                              lvRows.sortKey() == c && lvRows.sortOrder() == ui::ListView::SortOrder::Ascending
                                  ? ui::ListView::SortOrder::Descending
                                  : ui::ListView::SortOrder::Ascending);
        };
        mScan.onClick = [this] { ++scanMenus; };
        mExit.onClick = [this] { unload(); };
        onResize = [this] { ++resizes; };
        onActivate = [this] { ++activations; };
    }

    void fillRows(int n) {
        lvRows.beginUpdate();
        for (int i = 0; i < n; ++i) {
            int r = lvRows.addItem("HKEY_CURRENT_USER\\Software\\Row " + std::to_string(i), i % 4);
            lvRows.setSubItem(r, 1, "value" + std::to_string(i));
            lvRows.setSubItem(r, 2, i % 3 == 0 ? "Missing file" : "Invalid class");
            if (i % 3 == 0) lvRows.setSubItemColor(r, 2, 0x0000C0);
        }
        lvRows.endUpdate();
    }

    ui::Frame fraOptions{*this, nullptr, "fraOptions", "Options"};
    ui::OptionButton optSmall{*this, &fraOptions, "optSmall", "Quick scan"};
    ui::OptionButton optLarge{*this, &fraOptions, "optLarge", "Full scan"};
    ui::CheckBox chkDeep{*this, &fraOptions, "chkDeep", "Look deeper"};
    ui::Button cmdGo{*this, nullptr, "cmdGo", "&Go"};
    ui::Button cmdClose{*this, nullptr, "cmdClose", "Close"};
    ui::Label lblLink{*this, nullptr, "lblLink", "WWW.TOLVANE.EXAMPLE"};
    ui::Label lblArabic{*this, nullptr, "lblArabic", "\xd9\x85\xd8\xb1\xd8\xad\xd8\xa8\xd8\xa7 (Arabic)"};
    ui::TextBox txtName{*this, nullptr, "txtName"};
    ui::ComboBox cboFind{*this, nullptr, "cboFind"};
    ui::ComboBox cboRoot{*this, nullptr, "cboRoot", ui::ComboBox::Style::DropDownList};
    ui::ListBox lstAreas{*this, nullptr, "lstAreas", true};
    ui::ListView lvRows{*this, nullptr, "lvRows"};
    ui::ImageList icons;
    ui::PictureBox picStatus{*this, nullptr, "picStatus"};
    ui::PictureBox picIcon{*this, nullptr, "picIcon"};
    ui::ProgressBar pbWork{*this, nullptr, "pbWork"};
    ui::StatusBar sbMain{*this, nullptr, "sbMain", 2};
    ui::Timer tmrTick{*this, "tmrTick", 50, false};
    ui::MenuItem mFile{*this, "mFile", "&File"};
    ui::MenuItem mScan{mFile, "mScan", "&Scan now", "F3"};
    ui::MenuItem mSep{mFile, "mSep", "-"};
    ui::MenuItem mExit{mFile, "mExit", "E&xit", "Ctrl+Q"};

    int ticks = 0, goClicks = 0, closeClicks = 0, linkClicks = 0, scanMenus = 0, resizes = 0, activations = 0;
    std::vector<std::string> log;
};
