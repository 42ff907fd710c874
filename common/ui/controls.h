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
#include "common/ui/list_box.h"
#include "common/ui/list_view.h"

namespace ui {

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
