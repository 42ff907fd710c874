// The headless backend: the controls' state is the whole window. Tests (and console twins such
// as hivescan) act through a Driver, which refuses what a user could not do: pressing a hidden
// or disabled control, firing a disabled timer.
#pragma once

#include <deque>
#include <functional>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "common/ui/form.h"
#include "common/ui/host.h"

namespace ui {

// Raised when a test drives something a user could not reach, or the program asks a question
// nobody scripted: the test fails instead of hanging.
class DriverError : public std::logic_error {
public:
    using std::logic_error::logic_error;
};

struct MsgBoxRecord {
    std::string text;
    int style = 0;
    std::string title;
    int answer = 0;
};

class HeadlessHost : public Host {
public:
    HeadlessHost() = default;

    // ---- scripting ----
    // Answers for the next message boxes, in order. An answer of 0 for an OK-only box is "OK".
    void answer(int a) { answers_.push_back(a); }
    // Asked when no scripted answer is waiting; when unset, an OK-only box is acknowledged and
    // any other box throws DriverError.
    std::function<int(const MsgBoxRecord&)> fallbackAnswer;
    // Every message box shown, in order.
    std::vector<MsgBoxRecord> boxes;

    // What happens inside a modal form, by form name; runs when the form is shown modally.
    // When the script leaves the form shown, the form is unloaded as by its close box.
    // A modal form without script is closed at once (as by its close box).
    void onModal(const std::string& formName, std::function<void(Form&)> script) {
        modalScripts_[formName] = std::move(script);
    }
    // Actions that run at the next yield (doEvents), one per yield, in order.
    void atNextYield(std::function<void()> action) { yieldQueue_.push_back(std::move(action)); }
    size_t pendingYieldActions() const { return yieldQueue_.size(); }
    int yields() const { return yields_; }
    // Runs the actions posted to the message loop until none is left.
    void runPosted();

    // Forms shown and their order (by name), for assertions.
    std::vector<std::string> shownLog;
    Form* activeForm() const { return active_; }
    int modalDepth() const { return modalDepth_; }
    // Forms whose window is destroyed.
    std::vector<std::string> destroyedLog;
    // Windows whose destruction waits for a handler of their form to return (as on Win32).
    int pendingDestroys() const { return static_cast<int>(pendingDestroy_.size()); }
    // Destroys the windows that no handler holds any more; the driver calls it after each action.
    void flushDeferred();
    // Whether a user could reach the form now: false while a modal form opened after it is shown.
    bool reachableUnderModal(const Form& form) const;

    int screenW = 15360;  // 1024 x 768 pixels at 15 twips per pixel
    int screenH = 11520;

    // ---- Host ----
    int msgBox(const std::string& text, int style, const std::string& title) override;
    void doEvents() override;
    void post(std::function<void()> action) override { posted_.push_back(std::move(action)); }
    void createWindow(Form& form) override;
    void showWindow(Form& form, bool modal, Form* owner) override;
    void hideWindow(Form& form) override;
    void destroyWindow(Form& form) override;
    void activateWindow(Form& form) override;
    void formDestroyed(Form& form) override;
    int screenWidth() override { return screenW; }
    int screenHeight() override { return screenH; }
    uintptr_t nativeHandle(const Form&) override { return 0; }
    int run() override;
    void quit(int exitCode) override {
        quitting_ = true;
        exitCode_ = exitCode;
    }
    bool quitting() const override { return quitting_; }
    int exitCode() const { return exitCode_; }

private:
    std::deque<int> answers_;
    std::deque<std::function<void()>> yieldQueue_;
    std::deque<std::function<void()>> posted_;
    std::map<std::string, std::function<void(Form&)>> modalScripts_;
    Form* active_ = nullptr;
    int modalDepth_ = 0;
    std::map<const Form*, int> levelAtShow_;  // modal depth when the form was last shown
    std::vector<Form*> pendingDestroy_;
    int yields_ = 0;
    bool quitting_ = false;
    int exitCode_ = 0;
};

// What a user would see of a list view: the rows the list control holds and the rows scrolled
// into view, kept as the platform's virtual list control keeps them. The control learns the
// number of rows only when the model tells it (never during an update) and scrolls only to a
// row it holds. A test attaches one to a list view (as its peer, for the object's life) and
// asks which rows are in view after the user's actions.
class ListViewScreen : public Peer {
public:
    explicit ListViewScreen(ListView& lv);
    ~ListViewScreen() override;
    ListViewScreen(const ListViewScreen&) = delete;
    ListViewScreen& operator=(const ListViewScreen&) = delete;

    int rowsHeld() const { return rows_; }
    int topRow() const { return top_; }
    // Whole rows the list's height shows (the header and rows as in ListView::hitTest).
    int rowsPerPage() const;
    bool inView(int row) const { return row >= top_ && row < rows_ && row < top_ + rowsPerPage(); }

    void changed(Prop prop, int index) override;

private:
    ListView& lv_;
    int rows_ = 0;
    int top_ = 0;
};

// What a user does, on the headless backend. Every call checks that a user could do it.
class Driver {
public:
    explicit Driver(HeadlessHost& host) : host_(host) {}

    void click(Button& b);
    void click(Label& l);
    void click(CheckBox& c);  // toggles
    void click(OptionButton& o);
    void click(MenuItem& m);
    void type(TextBox& t, const std::string& text);
    // A key typed into a text box: Enter in a multi-line box adds a line break (CR LF) to its
    // text; any other key goes to the form as keyPress(Form&, key) sends it.
    void keyPress(TextBox& t, int key);
    void type(ComboBox& c, const std::string& text);  // the whole new text
    void pick(ComboBox& c, int index);
    void keyPress(ComboBox& c, int ch);
    void keyUp(ComboBox& c, int key);
    void tick(ListBox& l, int i, bool checked);
    void select(ListBox& l, int i, bool additive = false);
    void dblClick(ListBox& l, int i);
    void tick(ListView& lv, int i, bool checked);
    void clickRow(ListView& lv, int i, bool additive = false);  // ctrl-click when additive
    void dblClickRow(ListView& lv, int i);
    void clickColumn(ListView& lv, int column);
    // `shift`: the modifier keys held (kCtrlMask for Ctrl+C ...).
    void keyDown(ListView& lv, int key, int shift = 0);
    void mouseUpOnRow(ListView& lv, int i, int button = 1, int shift = 0);  // releases the button over row i
    void mouseUpAt(ListView& lv, int x, int y, int button = 1, int shift = 0);
    void fire(Timer& t);
    void close(Form& f);     // close box
    void activate(Form& f);  // the user brings the form to the front
    void resize(Form& f, int width, int height);
    void minimize(Form& f);
    void keyPress(Form& f, int key);  // goes to the form (keyPreview) or its default/cancel button

private:
    void require(const Control& c, const char* what);
    HeadlessHost& host_;
};

}  // namespace ui
