// One Win32 image list per toolkit image list, shared by the list views that show it. An image
// is an icon handle, an icon resource of the program, or one of the toolkit's pictures drawn here.

#include "common/ui/win32/win32_listview.h"

namespace ui::win32 {

namespace {

std::map<ImageList*, std::unique_ptr<ImageListPeer>>& imagePeers() {
    static std::map<ImageList*, std::unique_ptr<ImageListPeer>> peers;
    return peers;
}

// The toolkit's own pictures: 1 a key (folder), 2 a text value, 3 a binary value, 4 a note.
HBITMAP stockPicture(int number, int size) {
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bmp = CreateCompatibleBitmap(screen, size, size);
    ReleaseDC(nullptr, screen);
    HGDIOBJ oldBmp = SelectObject(dc, bmp);
    RECT all{0, 0, size, size};
    HBRUSH magenta = CreateSolidBrush(RGB(255, 0, 255));
    FillRect(dc, &all, magenta);
    DeleteObject(magenta);
    auto box = [&](int l, int t, int r, int b, COLORREF fill, COLORREF edge) {
        HBRUSH br = CreateSolidBrush(fill);
        HPEN pen = CreatePen(PS_SOLID, 1, edge);
        HGDIOBJ ob = SelectObject(dc, br), op = SelectObject(dc, pen);
        Rectangle(dc, l * size / 16, t * size / 16, r * size / 16, b * size / 16);
        SelectObject(dc, ob);
        SelectObject(dc, op);
        DeleteObject(br);
        DeleteObject(pen);
    };
    auto label = [&](const wchar_t* s, COLORREF color) {
        HFONT f = CreateFontW(-size * 9 / 16, 0, 0, 0, FW_BOLD, 0, 0, 0, DEFAULT_CHARSET, 0, 0, NONANTIALIASED_QUALITY,
                              0, L"Tahoma");
        HGDIOBJ of = SelectObject(dc, f);
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, color);
        RECT r{1, 3 * size / 16, size - 1, 14 * size / 16};
        DrawTextW(dc, s, -1, &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
        SelectObject(dc, of);
        DeleteObject(f);
    };
    switch (number) {
        case 1:  // folder
            box(1, 3, 8, 6, RGB(230, 180, 40), RGB(150, 110, 20));
            box(1, 5, 15, 14, RGB(250, 210, 80), RGB(150, 110, 20));
            break;
        case 2:
            box(1, 2, 15, 15, RGB(255, 255, 255), RGB(120, 120, 120));
            label(L"ab", RGB(200, 0, 0));
            break;
        case 3:
            box(1, 2, 15, 15, RGB(255, 255, 255), RGB(120, 120, 120));
            label(L"01", RGB(0, 0, 200));
            break;
        case 4:
            box(2, 2, 14, 14, RGB(230, 230, 230), RGB(120, 120, 120));
            label(L"-", RGB(80, 80, 80));
            break;
        default: break;
    }
    SelectObject(dc, oldBmp);
    DeleteDC(dc);
    return bmp;
}

}  // namespace

ImageListPeer* imageListPeer(ImageList& model) {
    auto& peers = imagePeers();
    auto it = peers.find(&model);
    if (it != peers.end() && model.peer() == it->second.get()) return it->second.get();
    auto p = std::make_unique<ImageListPeer>(model);
    ImageListPeer* raw = p.get();
    // A new image list at the address of a destroyed one: the old peer may still be named by a
    // list view whose window waits to be freed, so it is kept, not deleted.
    static std::vector<std::unique_ptr<ImageListPeer>> retired;
    if (it != peers.end()) retired.push_back(std::move(it->second));
    peers[&model] = std::move(p);
    model.attachPeer(raw);
    return raw;
}

ImageListPeer::ImageListPeer(ImageList& model) : model_(model) {
    int cx = GetSystemMetrics(SM_CXSMICON), cy = GetSystemMetrics(SM_CYSMICON);
    himl_ = ImageList_Create(cx, cy, ILC_COLOR32 | ILC_MASK, 8, 8);
}

ImageListPeer::~ImageListPeer() {
    if (himl_) ImageList_Destroy(himl_);
}

void ImageListPeer::addImage(const ImageList::Image& img) {
    int cx = GetSystemMetrics(SM_CXSMICON), cy = GetSystemMetrics(SM_CYSMICON);
    if (img.icon) {
        if (ImageList_AddIcon(himl_, reinterpret_cast<HICON>(img.icon)) >= 0) return;
    } else if (img.resourceId > 4) {
        HICON icon = static_cast<HICON>(
            LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(img.resourceId), IMAGE_ICON, cx, cy, 0));
        if (icon) {
            int r = ImageList_AddIcon(himl_, icon);
            DestroyIcon(icon);
            if (r >= 0) return;
        }
    }
    // A stock picture, or an empty one so that the indices stay those of the model.
    HBITMAP bmp = stockPicture(img.icon ? 0 : img.resourceId, cx);
    ImageList_AddMasked(himl_, bmp, RGB(255, 0, 255));
    DeleteObject(bmp);
    (void)cy;
}

void ImageListPeer::sync() {
    const auto& images = model_.images();
    if (added_ > static_cast<int>(images.size())) {
        ImageList_RemoveAll(himl_);
        added_ = 0;
    }
    while (added_ < static_cast<int>(images.size())) addImage(images[static_cast<size_t>(added_++)]);
}

void ImageListPeer::changed(Prop, int index) {
    if (index < 0) {
        ImageList_RemoveAll(himl_);
        added_ = 0;
    }
    sync();
    for (ListViewPeer* u : users) u->iconsChanged();
}

}  // namespace ui::win32
