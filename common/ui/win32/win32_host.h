// The Win32 backend of the forms toolkit: every form becomes a top-level window and every
// control a real common control (comctl32 6) that mirrors the control's state and turns the
// user's actions into the control's user...() entry points.
//
// A program's composition root:
//     int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
//         ui::Win32Host host;
//         FrmMain main(host);
//         main.show();
//         return host.run();
//     }
// Build it with scl_add_gui_program() (scl_gui.cmake), which embeds the manifest.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "common/ui/form.h"
#include "common/ui/host.h"

namespace ui {

namespace win32 {
class FormWindow;
}

class Win32Host : public Host {
public:
    Win32Host();
    ~Win32Host() override;
    Win32Host(const Win32Host&) = delete;
    Win32Host& operator=(const Win32Host&) = delete;

    // ---- Host ----
    int msgBox(const std::string& text, int style, const std::string& title) override;
    void doEvents() override;
    void post(std::function<void()> action) override;
    void createWindow(Form& form) override;
    void showWindow(Form& form, bool modal, Form* owner) override;
    void hideWindow(Form& form) override;
    void destroyWindow(Form& form) override;
    void activateWindow(Form& form) override;
    void formDestroyed(Form& form) override;
    int screenWidth() override;
    int screenHeight() override;
    uintptr_t nativeHandle(const Form& form) override;
    int run() override;
    void quit(int exitCode) override;
    bool quitting() const override { return quitting_; }

    // ---- for smoke tests and diagnostics ----
    // The window (HWND) that shows a control, 0 when it has none.
    uintptr_t controlHandle(const Control& c) const;
    // Pixels per inch used for the twips conversion.
    int dpi() const { return dpi_; }
    int toPixels(int twips) const;
    int toTwips(int pixels) const;
    // Windows whose destruction waits for a handler to return.
    int pendingDestroys() const;
    // Processes every waiting message now. doEvents() looks at the window queue only every few
    // tens of milliseconds while no input comes (it is called after every item of a scan);
    // tests that post messages and expect them handled at once call this.
    void processMessages();

    // Internal, used by the window procedures.
    void runGuarded(const char* where, const std::function<void()>& fn);
    void flushDeferred();
    void formActivated(Form& form);
    win32::FormWindow* windowOf(const Form& form) const;
    // Handles keyboard preview, accelerators and dialog navigation; true when consumed.
    bool preTranslate(void* msg);
    void dispatch(void* msg);
    void* messageWindow() const { return msgWindow_; }
    void runPostedActions();

private:
    bool pumpOne();  // one message from the queue; false when none was waiting

    std::map<const Form*, std::unique_ptr<win32::FormWindow>> windows_;
    std::vector<std::unique_ptr<win32::FormWindow>> graveyard_;  // unloaded while busy
    std::deque<std::function<void()>> posted_;
    void* msgWindow_ = nullptr;  // HWND of the message-only window that receives posts
    int dpi_ = 96;
    bool quitting_ = false;
    int exitCode_ = 0;
    Form* lastActive_ = nullptr;
    int modalDepth_ = 0;
    bool swallowChar_ = false;  // the key-down already raised the form's KeyPress
    // How long doEvents lets pass between looks at the window queue: long while nothing comes,
    // short after input was found, so that what follows a click (its release, the repaint) is
    // handled promptly.
    static constexpr int64_t kQueueCheckIdleMicros = 50000;
    static constexpr int64_t kQueueCheckBusyMicros = 4000;
    int64_t queueCheckMicros_ = kQueueCheckBusyMicros;
    int64_t lastQueueCheck_ = 0;
};

}  // namespace ui
