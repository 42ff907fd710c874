// A form: a window with its caption, position and size in twips, its controls, menus and timers,
// and the life-cycle events (Initialize, Load, Activate, Resize, QueryUnload, Unload).
//
// A form class declares its controls as public members named as the window's design names them
// and binds private handlers named control_Event once, in its constructor.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "common/ui/control.h"
#include "common/ui/controls.h"
#include "common/ui/host.h"

namespace ui {

enum class WindowState { Normal, Minimized, Maximized };
enum class BorderStyle { Sizable, FixedSingle, FixedDialog };

// Why a form is being unloaded.
constexpr int kUnloadByUser = 0;  // close box or system menu
constexpr int kUnloadByCode = 1;  // Unload called by the program
constexpr int kUnloadByApp = 5;   // the program ends

class Form {
public:
    Form(Host& host, std::string name, std::string caption);
    Form(const Form&) = delete;
    Form& operator=(const Form&) = delete;
    virtual ~Form();

    Host& host() const { return host_; }
    const std::string& name() const { return name_; }

    const std::string& caption() const { return caption_; }
    void setCaption(const std::string& c);

    // Outer position and size in twips.
    int left() const { return left_; }
    int top() const { return top_; }
    int width() const { return width_; }
    int height() const { return height_; }
    void move(int left, int top, int width, int height);
    void move(int left, int top) { move(left, top, width_, height_); }
    void setWidth(int w) { move(left_, top_, w, height_); }
    void setHeight(int h) { move(left_, top_, width_, h); }
    // Design size of the client area; the backend derives the outer size from it at creation.
    int clientWidth = 6000;
    int clientHeight = 4000;
    // Smallest outer size the user can drag the window to, in twips; 0 = no limit.
    int minWidth = 0;
    int minHeight = 0;
    // Centres the form on the screen: (screen - size) integer-divided by 2.
    void centre();

    WindowState windowState() const { return windowState_; }
    void setWindowState(WindowState s);
    BorderStyle borderStyle = BorderStyle::Sizable;
    bool minButton = true;
    bool maxButton = true;
    bool keyPreview = false;  // the form sees key presses before its controls
    std::string fontName = "Tahoma";
    double fontSize = 8.25;

    bool visible() const { return visible_; }
    bool loaded() const { return loaded_; }
    bool modal() const { return modal_; }
    Form* owner() const { return owner_; }

    // Life cycle.
    void load();                            // creates the window and runs Load once
    void show(Form* owner = nullptr);       // loads when needed; not modal
    void showModal(Form* owner = nullptr);  // returns when hidden or unloaded
    void hide();
    // Runs QueryUnload and Unload (either may cancel), then destroys the window.
    // Returns false when cancelled.
    bool unload(int mode = kUnloadByCode);
    void activate();

    // Events.
    Handler onInitialize;
    Handler onLoad;
    Handler onActivate;
    Handler onDeactivate;
    Handler onResize;
    std::function<void(bool& cancel, int mode)> onQueryUnload;
    std::function<void(bool& cancel)> onUnload;
    std::function<void(int& key)> onKeyPress;  // character code (keyPreview)
    std::function<void(int key)> onKeyDown;    // key code (keyPreview)

    // Backend entry points for what the user did.
    bool userClose();  // close box: unload with kUnloadByUser
    void userActivate();
    void userDeactivate();
    void userResize(int width, int height);  // new outer size in twips
    void userMinimize();
    void userRestore();
    // Raises onKeyPress; returns the key after the handler, 0 when it swallowed the key.
    int userKeyPress(int key);
    void userKeyDown(int key);

    // Registry of what the form holds (filled by the controls' constructors).
    const std::vector<Control*>& controls() const { return controls_; }
    const std::vector<MenuItem*>& menus() const { return menus_; }  // top-level menus, in order
    Control* find(const std::string& name, int index = -1) const;

    void attachPeer(Peer* p) { peer_ = p; }
    Peer* peer() const { return peer_; }

    // A handler running on this form's behalf: the backend defers destroying the window until
    // the outermost one returns.
    int busyDepth() const { return busy_; }
    struct Busy {
        explicit Busy(Form& f) : f_(f) { ++f_.busy_; }
        ~Busy() {
            if (--f_.busy_ == 0 && !f_.whenIdle_.empty()) f_.postIdleActions();
        }
        Form& f_;
    };
    // Runs `action` from the message loop once no handler runs on this form's behalf: posted at
    // once when none runs now, else when the outermost one returns.
    void postWhenIdle(std::function<void()> action);

private:
    friend class Control;
    friend class MenuItem;
    void notify(Prop p) {
        if (peer_) peer_->changed(p, -1);
    }
    Host& host_;
    std::string name_;
    std::string caption_;
    int left_ = 0, top_ = 0, width_ = 6000, height_ = 4000;
    WindowState windowState_ = WindowState::Normal;
    bool visible_ = false;
    bool loaded_ = false;
    bool modal_ = false;
    bool initialized_ = false;
    Form* owner_ = nullptr;
    std::vector<Control*> controls_;
    std::vector<MenuItem*> menus_;
    Peer* peer_ = nullptr;
    int busy_ = 0;
    void postIdleActions();
    std::vector<std::function<void()>> whenIdle_;
};

}  // namespace ui
