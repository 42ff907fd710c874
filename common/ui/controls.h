// The controls of the toolkit. Each owns its state; events are std::function members that a
// form binds once in its constructor. Methods named user...() are the entry points through
// which a backend reports what the user did: they change the state as the platform would and
// raise the event. Code that changes state through the plain setters raises nothing.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "common/ui/control.h"

namespace ui {

using Handler = std::function<void()>;

// Key codes used by the windows.
constexpr int kKeyBack = 8;
constexpr int kKeyReturn = 13;
constexpr int kKeyEscape = 27;
constexpr int kKeyLeft = 37;
constexpr int kKeyRight = 39;
constexpr int kKeyDelete = 46;

// Modifier keys held during a key press or click (ListView::shift()).
constexpr int kShiftMask = 1;
constexpr int kCtrlMask = 2;
constexpr int kAltMask = 4;

class Button : public Control {
public:
    Button(Form& f, Control* container, std::string name, std::string caption = "");
    bool isDefault = false;  // Enter presses it
    bool isCancel = false;   // Escape presses it
    Handler onClick;
    void userClick();
};

class Label : public Control {
public:
    Label(Form& f, Control* container, std::string name, std::string caption = "");
    bool wordWrap = true;
    Handler onClick;
    void userClick();
};

class CheckBox : public Control {
public:
    CheckBox(Form& f, Control* container, std::string name, std::string caption = "");
    int value() const { return value_; }  // 0 clear, 1 ticked, 2 grey
    void setValue(int v);
    Handler onClick;
    void userClick();  // toggles, then raises onClick
private:
    int value_ = 0;
};

class OptionButton : public Control {
public:
    OptionButton(Form& f, Control* container, std::string name, std::string caption = "");
    bool value() const { return value_; }
    // Setting true clears the other option buttons of the same container.
    void setValue(bool v);
    Handler onClick;
    void userClick();

private:
    bool value_ = false;
};

class Frame : public Control {
public:
    Frame(Form& f, Control* container, std::string name, std::string caption = "");
};

class TextBox : public Control {
public:
    TextBox(Form& f, Control* container, std::string name);
    const std::string& text() const { return caption_; }
    void setText(const std::string& t);
    bool multiLine = false;
    bool readOnly = false;
    Handler onChange;
    void userType(const std::string& t);  // replaces the text, raises onChange
};

class ComboBox : public Control {
public:
    enum class Style { Editable, DropDownList };
    ComboBox(Form& f, Control* container, std::string name, Style style = Style::Editable);
    Style style() const { return style_; }

    const std::string& text() const { return caption_; }
    void setText(const std::string& t);  // Editable only; a drop-down list shows its item
    const std::vector<std::string>& items() const { return items_; }
    int count() const { return static_cast<int>(items_.size()); }
    void addItem(const std::string& s);
    void removeItem(int i);
    void clear();
    int listIndex() const { return listIndex_; }  // -1 none
    void setListIndex(int i);                     // selects item i and shows its text
    int selStart() const { return selStart_; }
    int selLength() const { return selLength_; }
    void setSelection(int start, int length);  // in characters (UTF-16 units)

    Handler onChange;                      // the text was edited
    Handler onClick;                       // an item was picked
    std::function<void(int&)> onKeyPress;  // character code; set to 0 to swallow
    std::function<void(int)> onKeyDown;    // key code
    std::function<void(int)> onKeyUp;      // key code

    // Editable: new text, raises onChange. `caret` is the insertion point in UTF-16 units
    // (-1: after the last character).
    void userType(const std::string& t, int caret = -1);
    void userPick(int i);  // raises onClick
    // Raises onKeyPress (Enter = 13); returns the key after the handler, 0 when swallowed.
    int userKeyPress(int ch);
    void userKeyUp(int key);
    void userKeyDown(int key);

private:
    Style style_;
    std::vector<std::string> items_;
    int listIndex_ = -1;
    int selStart_ = 0, selLength_ = 0;
};

// A list with optional tick boxes (the platform's list box with check style).
class ListBox : public Control {
public:
    ListBox(Form& f, Control* container, std::string name, bool checkBoxes = false, bool multiSelect = false);
    struct Item {
        std::string text;
        bool checked = false;
        bool selected = false;
    };
    bool checkBoxes() const { return checkBoxes_; }
    bool multiSelect() const { return multiSelect_; }
    const std::vector<Item>& items() const { return items_; }
    int count() const { return static_cast<int>(items_.size()); }
    const std::string& text(int i) const { return items_.at(i).text; }
    void addItem(const std::string& s);
    void removeItem(int i);
    void clear();
    bool checked(int i) const { return items_.at(i).checked; }
    void setChecked(int i, bool c);
    bool selected(int i) const { return items_.at(i).selected; }
    void setSelected(int i, bool s);
    int listIndex() const;  // first selected, -1 none
    int selCount() const;

    std::function<void(int)> onItemCheck;  // index whose tick changed
    Handler onClick;
    Handler onDblClick;

    void userCheck(int i, bool c);                  // sets the tick, raises onItemCheck
    void userSelect(int i, bool additive = false);  // raises onClick
    void userDblClick(int i);
    // A click whose selection change a peer has already applied: raises onClick only.
    void userClicked();

private:
    bool checkBoxes_;
    bool multiSelect_;
    std::vector<Item> items_;
};

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

// A picture box used as a status line: it shows one text.
class PictureBox : public Control {
public:
    PictureBox(Form& f, Control* container, std::string name);
    const std::string& text() const { return caption_; }
    void setText(const std::string& t) { setCaption(t); }
    void cls() { setCaption(""); }
    int picture = 0;  // built-in picture number, 0 none
    Handler onClick;
    void userClick();
};

class ProgressBar : public Control {
public:
    ProgressBar(Form& f, Control* container, std::string name);
    int min = 0;
    int max = 100;
    int value() const { return value_; }
    void setValue(int v);

private:
    int value_ = 0;
};

class StatusBar : public Control {
public:
    StatusBar(Form& f, Control* container, std::string name, int panels = 1);
    int panelCount() const { return static_cast<int>(panels_.size()); }
    const std::string& panel(int i) const { return panels_.at(i); }  // 0-based
    void setPanel(int i, const std::string& t);
    void setPanelCount(int n);

private:
    std::vector<std::string> panels_;
};

class Timer : public Control {
public:
    Timer(Form& f, std::string name, int intervalMs = 0, bool enabled = false);
    int interval() const { return interval_; }
    void setInterval(int ms);
    Handler onTimer;
    void userTick();  // the backend's tick: raises onTimer when enabled
private:
    int interval_;
};

// A menu entry (a top-level menu when it has children).
class MenuItem {
public:
    MenuItem(Form& f, std::string name, std::string caption, std::string shortcut = "");
    MenuItem(MenuItem& parent, std::string name, std::string caption, std::string shortcut = "");
    const std::string& name() const { return name_; }
    const std::string& caption() const { return caption_; }
    void setCaption(const std::string& c);
    const std::string& shortcut() const { return shortcut_; }  // "F3", "Ctrl+W"
    bool enabled() const { return enabled_; }
    void setEnabled(bool e);
    bool visible() const { return visible_; }
    void setVisible(bool v);
    bool reachable() const;
    MenuItem* parent() const { return parent_; }
    const std::vector<MenuItem*>& children() const { return children_; }
    Form& form() const { return form_; }
    Handler onClick;
    void userClick();
    void attachPeer(Peer* p) { peer_ = p; }
    Peer* peer() const { return peer_; }
    int id = 0;  // command id given by the backend
private:
    void notify(Prop p) {
        if (peer_) peer_->changed(p, -1);
    }
    Form& form_;
    MenuItem* parent_ = nullptr;
    std::string name_, caption_, shortcut_;
    bool enabled_ = true, visible_ = true;
    std::vector<MenuItem*> children_;
    Peer* peer_ = nullptr;
};

}  // namespace ui
