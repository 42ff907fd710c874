// Base of every control: the state a user sees (caption, enabled, visible, position in twips,
// font, colour) and the hook through which a backend peer mirrors it.
//
// Event rule of the toolkit: a change made by code never raises the control's event; only a
// user's action (through a backend: the Win32 peer or the headless driver) does. Where a window
// relies on an event after a change from code, the form calls its handler itself.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace ui {

class Form;

// An event without arguments.
using Handler = std::function<void()>;

enum class Kind {
    Button,
    Label,
    CheckBox,
    OptionButton,
    Frame,
    TextBox,
    ComboBox,
    ListBox,
    ListView,
    PictureBox,
    ProgressBar,
    StatusBar,
    Timer,
    Image
};

// What changed, so a peer can update only that. `index` names a row, column or panel when it applies.
enum class Prop {
    Caption,
    Enabled,
    Visible,
    Geometry,
    Font,
    ForeColor,
    Value,
    Items,
    Item,
    Selection,
    Columns,
    Sorting,
    Icons,
    Panels,
    Interval,
    Focus,
    Cursor
};

class Peer {
public:
    virtual ~Peer() = default;
    virtual void changed(Prop prop, int index) = 0;
};

constexpr uint32_t kDefaultColor = 0xFFFFFFFFu;  // the system's colour

class Control {
public:
    Control(Form& form, Control* container, std::string name, Kind kind);
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;
    virtual ~Control() = default;

    const std::string& name() const { return name_; }
    Kind kind() const { return kind_; }
    Form& form() const { return form_; }
    Control* container() const { return container_; }
    int index() const { return index_; }  // control-array index, -1 when none
    void setIndex(int i) { index_ = i; }

    const std::string& caption() const { return caption_; }
    void setCaption(const std::string& c);

    bool enabled() const { return enabled_; }
    void setEnabled(bool e);
    bool visible() const { return visible_; }
    void setVisible(bool v);
    // Visible and enabled taking the containers and the form into account: what a user can reach.
    bool reachable() const;
    bool shown() const;

    int left() const { return left_; }
    int top() const { return top_; }
    int width() const { return width_; }
    int height() const { return height_; }
    void move(int left, int top, int width, int height);  // twips
    void move(int left, int top) { move(left, top, width_, height_); }
    void setLeft(int v) { move(v, top_, width_, height_); }
    void setTop(int v) { move(left_, v, width_, height_); }
    void setWidth(int v) { move(left_, top_, v < 0 ? 0 : v, height_); }
    void setHeight(int v) { move(left_, top_, width_, v < 0 ? 0 : v); }

    bool bold() const { return bold_; }
    void setBold(bool b);
    const std::string& fontName() const { return fontName_; }
    double fontSize() const { return fontSize_; }
    void setFont(const std::string& name, double size);
    uint32_t foreColor() const { return foreColor_; }  // blue-green-red, kDefaultColor = system
    void setForeColor(uint32_t c);
    bool handCursor() const { return handCursor_; }
    void setHandCursor(bool h);

    std::string tag;

    // Focus: asks the backend to focus the control.
    void setFocus();

    void attachPeer(Peer* p) { peer_ = p; }
    Peer* peer() const { return peer_; }

protected:
    void notify(Prop prop, int index = -1) {
        if (peer_) peer_->changed(prop, index);
    }
    std::string caption_;

private:
    Form& form_;
    Control* container_;
    std::string name_;
    Kind kind_;
    int index_ = -1;
    bool enabled_ = true;
    bool visible_ = true;
    int left_ = 0, top_ = 0, width_ = 1215, height_ = 375;
    bool bold_ = false;
    std::string fontName_;
    double fontSize_ = 0;
    uint32_t foreColor_ = kDefaultColor;
    bool handCursor_ = false;
    Peer* peer_ = nullptr;
};

}  // namespace ui
