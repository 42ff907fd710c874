// The list box and the list view share their selection: the same clicks give the same rows
// selected, in a single-selection and a multi-selection list alike.
#include <gtest/gtest.h>

#include <string>

#include "common/ui/form.h"
#include "common/ui/headless.h"

namespace {

class FrmLists : public ui::Form {
public:
    explicit FrmLists(ui::Host& host) : Form(host, "FrmLists", "Lists") {
        lvSingle.multiSelect = false;
        lvMulti.multiSelect = true;
        for (ui::ListView* lv : {&lvSingle, &lvMulti}) {
            lv->addColumn("Name");
            lv->move(0, 0, 4000, 3000);
        }
        for (int i = 0; i < 4; ++i) {
            lstSingle.addItem("row" + std::to_string(i));
            lstMulti.addItem("row" + std::to_string(i));
            lvSingle.addItem("row" + std::to_string(i));
            lvMulti.addItem("row" + std::to_string(i));
        }
    }
    ui::ListBox lstSingle{*this, nullptr, "lstSingle", false, false};
    ui::ListBox lstMulti{*this, nullptr, "lstMulti", false, true};
    ui::ListView lvSingle{*this, nullptr, "lvSingle"};
    ui::ListView lvMulti{*this, nullptr, "lvMulti"};
};

template <class List>
std::string selectedRows(const List& l) {
    std::string rows;
    for (int i = 0; i < l.count(); ++i)
        if (l.selected(i)) rows += std::to_string(i);
    return rows;
}

TEST(ListSelection, ListBoxAndListViewSelectAlikeForTheSameClicks) {
    ui::HeadlessHost host;
    ui::Driver drv{host};
    FrmLists lists(host);
    lists.show();
    enum class Act { Click, CtrlClick, DblClick, CodeSelect, CodeClear };
    struct Step {
        Act act;
        int row;
        std::string single, multi;  // rows selected afterwards
    };
    const Step steps[] = {
        {Act::Click, 1, "1", "1"},
        {Act::CtrlClick, 3, "3", "13"},   // Ctrl adds in a multi-selection list only
        {Act::CtrlClick, 1, "1", "3"},    // and takes a selected row away again
        {Act::CodeSelect, 2, "2", "23"},  // code selects without clearing a multi-selection
        {Act::CodeClear, 3, "2", "2"},
        {Act::Click, 0, "0", "0"},  // a plain click leaves its row alone selected
        {Act::CtrlClick, 2, "2", "02"},
        {Act::DblClick, 3, "3", "3"},   // a double click too (list view; list box: plain click)
        {Act::CtrlClick, 3, "3", ""},   // Ctrl on the selected row of a single-selection list keeps it
        {Act::CodeSelect, 9, "3", ""},  // no such row: nothing changes
    };
    for (const Step& s : steps) {
        SCOPED_TRACE("row " + std::to_string(s.row));
        for (bool multi : {false, true}) {
            ui::ListBox& lst = multi ? lists.lstMulti : lists.lstSingle;
            ui::ListView& lv = multi ? lists.lvMulti : lists.lvSingle;
            switch (s.act) {
                case Act::Click:
                    drv.select(lst, s.row);
                    drv.clickRow(lv, s.row);
                    break;
                case Act::CtrlClick:
                    drv.select(lst, s.row, true);
                    drv.clickRow(lv, s.row, true);
                    break;
                case Act::DblClick:
                    drv.select(lst, s.row);
                    drv.dblClickRow(lv, s.row);
                    break;
                case Act::CodeSelect:
                case Act::CodeClear:
                    lst.setSelected(s.row, s.act == Act::CodeSelect);
                    lv.setSelected(s.row, s.act == Act::CodeSelect);
                    break;
            }
            const std::string& want = multi ? s.multi : s.single;
            EXPECT_EQ(selectedRows(lst), want) << (multi ? "multi" : "single") << " list box";
            EXPECT_EQ(selectedRows(lv), want) << (multi ? "multi" : "single") << " list view";
            EXPECT_EQ(lst.selCount(), static_cast<int>(want.size()));
            EXPECT_EQ(lv.selCount(), static_cast<int>(want.size()));
            EXPECT_EQ(lst.listIndex(), want.empty() ? -1 : want[0] - '0');
            EXPECT_EQ(lv.selectedIndex(), want.empty() ? -1 : want[0] - '0');
        }
    }
}

}  // namespace
