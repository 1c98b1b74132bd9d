#include "gui/x11/IX11PopupMenu.h"

#include "gui/IEditorCanvas.h"
#include "gui/x11/IX11Connection.h"
#include "gui/x11/IX11Surface.h"
#include "raster/ICachedFont.h"
#include "raster/IMemoryBitmap.h"
#include "raster/IRaster.h"

#define XK_MISCELLANY
#include <X11/keysymdef.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <thread>

namespace
{
// The colours of a classic menu.
constexpr std::uint32_t kBackground = 0xfff0f0f0u;
constexpr std::uint32_t kBorderColour = 0xff808080u;
constexpr std::uint32_t kText = 0xff000000u;
constexpr std::uint32_t kGrayedText = 0xff808080u;
constexpr std::uint32_t kHoverBackground = 0xff3060c0u;
constexpr std::uint32_t kHoverText = 0xffffffffu;
constexpr std::uint32_t kSeparatorColour = 0xffa0a0a0u;

// A tick of 2-pixel strokes in a 9 x 7 cell: down from (0, 3) to (3, 6), then
// up to (8, 1).
void DrawCheck(IBitmap* bitmap, int x, int y, std::uint32_t colour)
{
    for (int i = 0; i <= 3; ++i)
        IRaster::FillRect(bitmap, x + i, y + 3 + i, 2, 2, colour, 1.0f, IRaster::kCopy);
    for (int i = 1; i <= 5; ++i)
        IRaster::FillRect(bitmap, x + 3 + i, y + 6 - i, 2, 2, colour, 1.0f, IRaster::kCopy);
}
} // namespace

// ---- layout ----------------------------------------------------------------------------

bool IMenuLayout::IsChoosable(const IMenuItem& item)
{
    return !item.submenu &&
           (item.flags & (IMenuItem::kGrayed | IMenuItem::kDisabled | IMenuItem::kSeparator)) == 0;
}

IMenuLayout IMenuLayout::Build(const IMenu& menu,
                               const std::function<int(const std::string&)>& textWidth,
                               int lineHeight)
{
    IMenuLayout layout;
    int widest = 0;
    for (int i = 0; i < static_cast<int>(menu.items.size()); ++i)
    {
        const IMenuItem& item = menu.items[static_cast<std::size_t>(i)];
        if (!item.submenu && !(item.flags & IMenuItem::kSeparator))
            widest = std::max(widest, textWidth(menu.ItemLabel(i)));
    }
    layout.width = std::max(kMinWidth, kBorder + kCheckColumn + widest + kRightMargin + kBorder);
    int y = kBorder;
    for (const IMenuItem& item : menu.items)
    {
        if (item.submenu)
        {
            layout.items.emplace_back();
            continue;
        }
        const int h = (item.flags & IMenuItem::kSeparator) ? kSeparatorHeight
                                                            : lineHeight + kItemPadding;
        layout.items.emplace_back(kBorder, y, layout.width - kBorder, y + h);
        y += h;
    }
    layout.height = y + kBorder;
    return layout;
}

int IMenuLayout::ItemAt(int x, int y) const
{
    for (int i = 0; i < static_cast<int>(items.size()); ++i)
        if (!items[static_cast<std::size_t>(i)].IsEmpty() &&
            items[static_cast<std::size_t>(i)].Contains(x, y))
            return i;
    return -1;
}

// ---- the window ------------------------------------------------------------------------

IX11PopupMenu::IX11PopupMenu(IX11Connection* connection, xcb_window_t panel, IEditorCanvas* canvas)
    : mX(connection), mPanel(panel), mCanvas(canvas)
{
}

IX11PopupMenu::~IX11PopupMenu()
{
    delete mBitmap;
}

ITextStyle IX11PopupMenu::ItemStyle()
{
    return ITextStyle("Arial", 13, IArgb(255, 0, 0, 0), 0, 0);
}

void IX11PopupMenu::Paint(const IMenu& menu)
{
    ITextStyle style = ItemStyle();
    ICachedFont* font = mCanvas->CacheFont(&style);
    IRaster::FillRect(mBitmap, 0, 0, mLayout.width, mLayout.height, kBorderColour, 1.0f,
                      IRaster::kCopy);
    IRaster::FillRect(mBitmap, 1, 1, mLayout.width - 2, mLayout.height - 2, kBackground, 1.0f,
                      IRaster::kCopy);
    for (int i = 0; i < static_cast<int>(menu.items.size()); ++i)
    {
        const IMenuItem& item = menu.items[static_cast<std::size_t>(i)];
        const IBox& b = mLayout.items[static_cast<std::size_t>(i)];
        if (b.IsEmpty()) continue;
        if (item.flags & IMenuItem::kSeparator)
        {
            IRaster::FillRect(mBitmap, b.left + 2, b.top + b.H() / 2, b.W() - 4, 1,
                              kSeparatorColour, 1.0f, IRaster::kCopy);
            continue;
        }
        const bool hover = i == mHover;
        if (hover)
            IRaster::FillRect(mBitmap, b.left, b.top, b.W(), b.H(), kHoverBackground, 1.0f,
                              IRaster::kCopy);
        const std::uint32_t colour =
            hover ? kHoverText : ((item.flags & IMenuItem::kGrayed) ? kGrayedText : kText);
        if (item.flags & IMenuItem::kChecked)
            DrawCheck(mBitmap, b.left + 7, b.top + (b.H() - 8) / 2, colour);
        if (font)
        {
            font->SetTextColour(colour);
            const std::string label = menu.ItemLabel(i);
            const int top = b.top + (b.H() - font->LineHeight()) / 2;
            IRasterBox where{b.left + IMenuLayout::kCheckColumn, top, b.right, top + font->LineHeight()};
            font->DrawText(mBitmap, label.c_str(), static_cast<int>(label.size()), where,
                           ICachedFont::kDtNoClip);
        }
    }
}

int IX11PopupMenu::Run(const IMenu& menu, int x, int y,
                       const std::function<bool(xcb_generic_event_t*)>& other)
{
    if (!mX || mX->IsBroken()) return -1;
    xcb_connection_t* c = mX->Get();

    // The anchor on the screen.
    xcb_get_geometry_reply_t* geometry = xcb_get_geometry_reply(c, xcb_get_geometry(c, mPanel), nullptr);
    if (!geometry) return -1;
    const xcb_window_t root = geometry->root;
    std::free(geometry);
    xcb_translate_coordinates_reply_t* at = xcb_translate_coordinates_reply(
        c, xcb_translate_coordinates(c, mPanel, root, static_cast<std::int16_t>(x),
                                     static_cast<std::int16_t>(y)),
        nullptr);
    if (!at) return -1;
    int left = at->dst_x, top = at->dst_y;
    std::free(at);
    xcb_screen_t* screen = mX->ScreenOfRoot(root);
    if (!screen) return -1;

    ITextStyle style = ItemStyle();
    ICachedFont* font = mCanvas->CacheFont(&style);
    const int lineHeight = font ? font->LineHeight() : style.size;
    mLayout = IMenuLayout::Build(
        menu,
        [font](const std::string& s) {
            return font ? font->TextWidth(s.c_str(), static_cast<int>(s.size())) : 0;
        },
        lineHeight);
    // Kept on the screen, as popup menus are.
    left = std::max(0, std::min(left, screen->width_in_pixels - mLayout.width));
    top = std::max(0, std::min(top, screen->height_in_pixels - mLayout.height));

    mWindow = xcb_generate_id(c);
    const std::uint32_t values[] = {
        XCB_BACK_PIXMAP_NONE, 1u,
        XCB_EVENT_MASK_EXPOSURE | XCB_EVENT_MASK_BUTTON_PRESS | XCB_EVENT_MASK_BUTTON_RELEASE |
            XCB_EVENT_MASK_POINTER_MOTION | XCB_EVENT_MASK_KEY_PRESS};
    xcb_create_window(c, screen->root_depth, mWindow, root, static_cast<std::int16_t>(left),
                      static_cast<std::int16_t>(top), static_cast<std::uint16_t>(mLayout.width),
                      static_cast<std::uint16_t>(mLayout.height), 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
                      screen->root_visual,
                      XCB_CW_BACK_PIXMAP | XCB_CW_OVERRIDE_REDIRECT | XCB_CW_EVENT_MASK, values);
    IX11Surface surface;
    mBitmap = new IMemoryBitmap(mLayout.width, mLayout.height);
    const bool drawable = surface.Attach(mX, mWindow, screen->root_visual, screen->root_depth,
                                         mLayout.width, mLayout.height, false);
    xcb_map_window(c, mWindow);

    // Keyboard, then pointer, to the menu (so whoever sees the pointer held
    // knows the keys are too); events are reported relative to the menu, so
    // a press anywhere else is a click outside. Another client's grab may
    // take a moment to end.
    bool grabbed = false;
    for (int attempt = 0; attempt < 20 && !grabbed; ++attempt)
    {
        xcb_grab_keyboard_reply_t* k = xcb_grab_keyboard_reply(
            c,
            xcb_grab_keyboard(c, 0, mWindow, XCB_CURRENT_TIME, XCB_GRAB_MODE_ASYNC,
                              XCB_GRAB_MODE_ASYNC),
            nullptr);
        grabbed = k && k->status == XCB_GRAB_STATUS_SUCCESS;
        std::free(k);
        if (!grabbed) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    bool pointer = false;
    for (int attempt = 0; attempt < 20 && grabbed && !pointer; ++attempt)
    {
        xcb_grab_pointer_reply_t* p = xcb_grab_pointer_reply(
            c,
            xcb_grab_pointer(c, 0, mWindow,
                             XCB_EVENT_MASK_BUTTON_PRESS | XCB_EVENT_MASK_BUTTON_RELEASE |
                                 XCB_EVENT_MASK_POINTER_MOTION,
                             XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC, XCB_NONE, XCB_NONE,
                             XCB_CURRENT_TIME),
            nullptr);
        pointer = p && p->status == XCB_GRAB_STATUS_SUCCESS;
        std::free(p);
        if (!pointer) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    grabbed = grabbed && pointer;
    mX->Flush();

    int chosen = -1;
    bool running = grabbed && drawable;
    auto repaint = [&]() {
        Paint(menu);
        surface.PutAt(mBitmap, 0, 0);
        mX->Flush();
    };
    while (running)
    {
        xcb_generic_event_t* e = xcb_wait_for_event(c);
        if (!e) break; // the connection broke
        const int type = e->response_type & 0x7f;
        // Input still queued from before the grab belongs to the panel and
        // is dropped; under the grab all input is the menu's.
        const bool isInput = type == XCB_MOTION_NOTIFY || type == XCB_BUTTON_PRESS ||
                             type == XCB_BUTTON_RELEASE || type == XCB_KEY_PRESS ||
                             type == XCB_KEY_RELEASE;
        if (isInput && reinterpret_cast<xcb_button_press_event_t*>(e)->event != mWindow)
        {
            std::free(e);
            continue;
        }
        switch (type)
        {
        case XCB_EXPOSE:
            if (reinterpret_cast<xcb_expose_event_t*>(e)->window == mWindow)
            {
                if (reinterpret_cast<xcb_expose_event_t*>(e)->count == 0) repaint();
            }
            else
                running = other(e);
            break;
        case XCB_MOTION_NOTIFY:
        {
            auto* m = reinterpret_cast<xcb_motion_notify_event_t*>(e);
            const int hover = mLayout.ItemAt(m->event_x, m->event_y);
            const int wanted =
                hover >= 0 && IMenuLayout::IsChoosable(menu.items[static_cast<std::size_t>(hover)])
                    ? hover
                    : -1;
            if (wanted != mHover)
            {
                mHover = wanted;
                repaint();
            }
            break;
        }
        case XCB_BUTTON_PRESS:
        {
            auto* b = reinterpret_cast<xcb_button_press_event_t*>(e);
            const bool inside = b->event_x >= 0 && b->event_y >= 0 && b->event_x < mLayout.width &&
                                b->event_y < mLayout.height;
            if (!inside) running = false; // a click outside dismisses
            break;
        }
        case XCB_BUTTON_RELEASE:
        {
            // Releases outside (the one of the press that opened the menu)
            // and on items that cannot be chosen keep the menu open.
            auto* b = reinterpret_cast<xcb_button_release_event_t*>(e);
            const int item = mLayout.ItemAt(b->event_x, b->event_y);
            if (item >= 0 && IMenuLayout::IsChoosable(menu.items[static_cast<std::size_t>(item)]))
            {
                chosen = item;
                running = false;
            }
            break;
        }
        case XCB_KEY_PRESS:
        {
            auto* k = reinterpret_cast<xcb_key_press_event_t*>(e);
            const std::uint32_t keysym = mX->Keysym(k->detail, k->state);
            const int n = static_cast<int>(menu.items.size());
            if (keysym == XK_Escape)
                running = false;
            else if ((keysym == XK_Return || keysym == XK_KP_Enter) && mHover >= 0)
            {
                chosen = mHover;
                running = false;
            }
            else if (keysym == XK_Down || keysym == XK_Up)
            {
                const int step = keysym == XK_Down ? 1 : -1;
                int i = mHover;
                for (int tries = 0; tries < n; ++tries)
                {
                    i = i < 0 ? (step > 0 ? 0 : n - 1) : (i + step + n) % n;
                    if (IMenuLayout::IsChoosable(menu.items[static_cast<std::size_t>(i)])) break;
                }
                if (i >= 0 && IMenuLayout::IsChoosable(menu.items[static_cast<std::size_t>(i)]))
                {
                    mHover = i;
                    repaint();
                }
            }
            break;
        }
        default:
            running = other(e);
            break;
        }
        std::free(e);
    }

    if (!mX->IsBroken())
    {
        xcb_ungrab_keyboard(c, XCB_CURRENT_TIME);
        xcb_ungrab_pointer(c, XCB_CURRENT_TIME);
        surface.Detach();
        xcb_destroy_window(c, mWindow);
        mX->Flush();
    }
    mWindow = 0;
    return chosen;
}
