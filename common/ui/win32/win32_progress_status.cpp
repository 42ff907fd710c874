// The peers of the two bars that only show state: progress bars and status bars.

#include "common/ui/win32/win32_control_peers.h"

namespace ui::win32 {

namespace {

class ProgressPeer : public ControlPeer {
public:
    using ControlPeer::ControlPeer;
    ProgressBar& pb() const { return static_cast<ProgressBar&>(c_); }
    const wchar_t* className() const override { return PROGRESS_CLASSW; }
    DWORD style() const override { return PBS_SMOOTH; }
    void afterCreate() override { propChanged(Prop::Value, -1); }
    void propChanged(Prop p, int) override {
        if (p != Prop::Value || !hwnd_) return;
        SendMessageW(hwnd_, PBM_SETRANGE32, static_cast<WPARAM>(pb().min), static_cast<LPARAM>(pb().max));
        SendMessageW(hwnd_, PBM_SETPOS, static_cast<WPARAM>(pb().value()), 0);
    }
};

class StatusBarPeer : public ControlPeer {
public:
    using ControlPeer::ControlPeer;
    StatusBar& sb() const { return static_cast<StatusBar&>(c_); }
    const wchar_t* className() const override { return STATUSCLASSNAMEW; }
    DWORD style() const override { return fw_.form().borderStyle == BorderStyle::Sizable ? SBARS_SIZEGRIP : 0; }
    void afterCreate() override { propChanged(Prop::Panels, -1); }
    // The bar is placed by the platform along the bottom; the model's position is ignored.
    void applyGeometry() override { formResized(); }
    void formResized() override {
        if (!hwnd_) return;
        SendMessageW(hwnd_, WM_SIZE, 0, 0);  // a status bar places itself along the bottom
        setParts();
    }
    void setParts() {
        RECT r;
        GetClientRect(fw_.hwnd(), &r);
        int n = sb().panelCount();
        std::vector<int> edges(static_cast<size_t>(n));
        for (int i = 0; i < n; ++i) edges[static_cast<size_t>(i)] = (i + 1) * (r.right - r.left) / n;
        edges.back() = -1;
        SendMessageW(hwnd_, SB_SETPARTS, static_cast<WPARAM>(n), reinterpret_cast<LPARAM>(edges.data()));
    }
    void propChanged(Prop p, int index) override {
        if (p != Prop::Panels || !hwnd_) return;
        if (index < 0) {
            setParts();
            for (int i = 0; i < sb().panelCount(); ++i)
                SendMessageW(hwnd_, SB_SETTEXTW, static_cast<WPARAM>(i),
                             reinterpret_cast<LPARAM>(wide(sb().panel(i)).c_str()));
        } else if (index < sb().panelCount()) {
            if (static_cast<int>(SendMessageW(hwnd_, SB_GETPARTS, 0, 0)) != sb().panelCount()) setParts();
            std::wstring w = wide(sb().panel(index));
            SendMessageW(hwnd_, SB_SETTEXTW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(w.c_str()));
        }
    }
};

}  // namespace

std::unique_ptr<ControlPeer> makeProgressPeer(FormWindow& fw, Control& c, int id) {
    return std::make_unique<ProgressPeer>(fw, c, id);
}

std::unique_ptr<ControlPeer> makeStatusBarPeer(FormWindow& fw, Control& c, int id) {
    return std::make_unique<StatusBarPeer>(fw, c, id);
}

}  // namespace ui::win32
