// The peer of a list view: a virtual report list whose rows are read from the model.
#pragma once

#include "common/ui/win32/win32_internal.h"

namespace ui::win32 {

class ListViewPeer : public ControlPeer {
public:
    using ControlPeer::ControlPeer;
    ~ListViewPeer() override { detachIcons(); }
    ListView& lv() const { return static_cast<ListView&>(c_); }
    const wchar_t* className() const override { return WC_LISTVIEWW; }
    DWORD style() const override;
    DWORD exStyle() const override { return WS_EX_CLIENTEDGE; }
    bool wantsSubclass() const override { return true; }

    void afterCreate() override;
    void destroying() override;

    // The row at pixel (x, y) of the control, -1 for none.
    static int hitTestPixels(const ListView& model, HWND h, int x, int y);

    void applyExtendedStyle();

    void rebuildColumns();
    void updateColumn(int i);
    void showSortArrow();

    // The model's small icons, shown through the image list's shared peer.
    void attachIcons();
    void detachIcons();
    void iconsChanged();

    void refresh(bool full, int index = -1);
    void resyncSelection();
    void setRowSelected(int i);

    void propChanged(Prop p, int index) override;

    POINT twipsOf(POINT px) const { return POINT{fw_.host().toTwips(px.x), fw_.host().toTwips(px.y)}; }

    void toggleChecks(int row);

    LRESULT notify(NMHDR* nm, bool& handled) override;

    void selectFromControl(int i, bool sel);

    bool subclassed(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;

private:
    // One handler per notification that notify() takes.
    void onGetDispInfo(NMLVDISPINFOW* di);
    LRESULT onFindItem(NMLVFINDITEMW* fi);
    void onItemChanged(NMLISTVIEW* lvn);
    void onStateChanged(NMLVODSTATECHANGE* st);
    void onClick(NMITEMACTIVATE* ia);
    void onRightClick(NMITEMACTIVATE* ia);
    void onDoubleClick(NMITEMACTIVATE* ia);
    void onColumnClick(NMLISTVIEW* lvn);
    void onKeyDown(NMLVKEYDOWN* kd);
    LRESULT onCustomDraw(NMLVCUSTOMDRAW* cd);

    ImageList* icons_ = nullptr;
    Peer* iconPeer_ = nullptr;
    // The Shift and Ctrl keys as the last button press carried them: the click notifications
    // come later, when the keys may have been let go.
    int clickModifiers_ = 0;
};

}  // namespace ui::win32
