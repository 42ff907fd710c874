// The report-style list view and the image list its rows take their icons from.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "common/ui/control.h"

namespace ui {

class ImageList {
public:
    struct Image {
        std::string key;
        uintptr_t icon = 0;  // platform icon handle (HICON), 0 = none/default
        int resourceId = 0;  // or a built-in picture number
    };
    // Returns the 0-based index; an existing key gives its index.
    int add(const std::string& key, uintptr_t icon, int resourceId = 0);
    int indexOf(const std::string& key) const;  // case-insensitive as the platform's keys; -1
    const std::vector<Image>& images() const { return images_; }
    int count() const { return static_cast<int>(images_.size()); }
    void clear();
    void attachPeer(Peer* p) { peer_ = p; }
    Peer* peer() const { return peer_; }

private:
    std::vector<Image> images_;
    Peer* peer_ = nullptr;
};

// Report-style list view. Rows are addressed 0-based.
class ListView : public Control {
public:
    ListView(Form& f, Control* container, std::string name);
    struct Column {
        std::string text;
        int width = 1440;  // twips
        std::string tag;
        // The column holds whole numbers, possibly with digit grouping and a unit after them
        // ("1,234 K"): it sorts by the number; texts without one come before every number.
        bool numeric = false;
    };
    struct Item {
        std::string text;
        std::vector<std::string> subItems;  // column 1.. ; missing = ""
        bool checked = false;
        bool selected = false;
        int smallIcon = -1;  // image index in smallIcons, -1 none
        std::string key;
        std::vector<uint32_t> subItemColors;  // per column 1.., kDefaultColor when absent
        bool focused = false;                 // the row the user last clicked or moved to (moves with the row)
    };
    enum class SortOrder { Ascending, Descending };

    bool checkBoxes = false;
    bool multiSelect = true;
    bool fullRowSelect = true;
    bool hideColumnHeaders = false;
    ImageList* smallIcons = nullptr;

    // Columns
    void addColumn(const std::string& text, int widthTwips = 1440);
    const std::vector<Column>& columns() const { return columns_; }
    Column& column(int i) { return columns_.at(i); }
    void setColumnText(int i, const std::string& text);
    void setColumnWidth(int i, int widthTwips);

    // Rows
    int count() const { return static_cast<int>(items_.size()); }
    const std::vector<Item>& items() const { return items_; }
    const Item& item(int i) const { return items_.at(i); }
    // A sorted list places a row by its sort text whenever that text is set: addItem, and setText
    // or setSubItem of the sort column, move the row to its place. Each returns the row's index
    // afterwards; an index held from before may name another row then.
    int addItem(const std::string& text, int smallIcon = -1);  // sorted position when sorted(), else the end
    void removeItem(int i);
    void clear();
    int setText(int i, const std::string& t);
    const std::string& text(int i) const { return items_.at(i).text; }
    int setSubItem(int i, int column, const std::string& t);  // column >= 1
    std::string subItem(int i, int column) const;             // column 0 = the row text
    void setSubItemColor(int i, int column, uint32_t color);
    void setChecked(int i, bool c);
    bool checked(int i) const { return items_.at(i).checked; }
    void setSelected(int i, bool s);
    bool selected(int i) const { return items_.at(i).selected; }
    int selectedIndex() const;  // first selected, -1 none
    int selCount() const;
    int focusedIndex() const;  // the focused row, -1 none
    void setSmallIcon(int i, int image);
    void setKey(int i, const std::string& key);
    // Scrolls row i into view. Asked during an update, it takes effect when the update ends,
    // once the control has been told of the rows (the row is followed if others move meanwhile).
    void ensureVisible(int i);
    void beginUpdate();  // batch many changes: one refresh at endUpdate
    void endUpdate();

    // Sorting with the platform's text order (case-insensitive), or by number for a numeric column.
    bool sorted() const { return sorted_; }
    int sortKey() const { return sortKey_; }
    SortOrder sortOrder() const { return sortOrder_; }
    void setSorting(bool sorted, int key, SortOrder order);  // sorts now when sorted

    // Row at a point in twips relative to the control, -1 over no row.
    int hitTest(int x, int y) const;
    // Headless geometry used when no peer answers hit tests.
    static constexpr int kHeaderTwips = 300;
    static constexpr int kRowTwips = 255;

    std::function<void(int)> onItemCheck;    // row whose tick the user changed
    std::function<void(int)> onColumnClick;  // 0-based column
    std::function<void(int)> onItemClick;    // row clicked
    Handler onClick;
    Handler onDblClick;
    std::function<void(int)> onKeyDown;            // key code
    std::function<void(int, int, int)> onMouseUp;  // button (1 left, 2 right, 4 middle, 8/16 extra), x, y twips

    void userCheck(int i, bool c);
    // Click on row i: selects it (alone, or added with `additive`), raises onItemClick then onClick.
    void userClickRow(int i, bool additive = false);
    void userDblClickRow(int i);
    void userColumnClick(int column);
    void userKeyDown(int key);
    void userMouseUp(int button, int x, int y);
    // Selection changed by the user without a click event (keyboard, rubber band).
    void userSetSelected(int i, bool s);
    // The focus moved to row i without a click event (keyboard); raises nothing.
    void userSetFocused(int i);
    // A click whose selection change a peer has already applied: raises onItemClick(i) when
    // i is a row, then onClick.
    void userClicked(int i);
    // The modifier keys (kShiftMask | kCtrlMask | kAltMask) the user holds: the backend sets
    // them before it reports a key or a click, handlers read them with shift().
    void userModifiers(int shift) { shift_ = shift; }
    int shift() const { return shift_; }

    // A peer that can hit-test for real sets this.
    std::function<int(int, int)> peerHitTest;

private:
    void sortNow();
    int sortedInsertPos(const std::string& keyText) const;
    const std::string& sortText(int i) const;
    int compareSortTexts(const std::string& a, const std::string& b) const;
    // Moves row i to its place when `column` is the sort column; returns its index afterwards.
    int placeSorted(int i, int column);
    int textSet(int i, int column, bool changed);
    void insertRow(int pos, Item&& it);
    void rowsChanged(int index);
    std::vector<Column> columns_;
    std::vector<Item> items_;
    bool sorted_ = false;
    int sortKey_ = 0;
    SortOrder sortOrder_ = SortOrder::Ascending;
    int updateDepth_ = 0;
    bool pendingRefresh_ = false;
    int pendingVisible_ = -1;  // row to scroll into view when the update ends
    int shift_ = 0;
};

}  // namespace ui
