#pragma once

#include "gui/IGraphicsTypes.h"

#include <xcb/xcb.h>

#include <functional>
#include <string>
#include <vector>

class IEditorCanvas;
class IMemoryBitmap;
class IX11Connection;

// Where the items of a popup menu go, in menu pixels: one box per item
// (empty for the items that are not shown: those with a submenu), and the
// menu's size. Built from the item texts' widths, so it is tested without a
// server.
struct IMenuLayout
{
    static constexpr int kCheckColumn = 22; // left margin holding the check mark
    static constexpr int kRightMargin = 14;
    static constexpr int kItemPadding = 6;  // added to the line height
    static constexpr int kSeparatorHeight = 7;
    static constexpr int kBorder = 1;
    static constexpr int kMinWidth = 80;

    std::vector<IBox> items;
    int width = 0;
    int height = 0;

    static IMenuLayout Build(const IMenu& menu, const std::function<int(const std::string&)>& textWidth,
                             int lineHeight);
    // The item whose box holds (x, y), or -1.
    int ItemAt(int x, int y) const;
    // Items a click can choose: shown, not a separator, not grayed or disabled.
    static bool IsChoosable(const IMenuItem& item);
};

// A popup menu as an override-redirect window of our own, drawn with the
// raster layer: opened at a point of the panel, it holds pointer and keyboard
// until an item is chosen (click, or arrows and Return) or the menu is
// dismissed (Escape, a click outside). Run blocks like Win32's
// TrackPopupMenu; events of other windows are handed to a callback meanwhile.
class IX11PopupMenu
{
  public:
    // canvas provides the font (its process-wide font cache).
    IX11PopupMenu(IX11Connection* connection, xcb_window_t panel, IEditorCanvas* canvas);
    ~IX11PopupMenu();
    IX11PopupMenu(const IX11PopupMenu&) = delete;
    IX11PopupMenu& operator=(const IX11PopupMenu&) = delete;

    // Shows menu with its top-left corner at panel point (x, y) (moved to
    // stay on the screen) and returns the chosen item's index, or -1.
    // other receives every event that is not the menu's; it answers false to
    // stop the menu (the panel's window is gone).
    int Run(const IMenu& menu, int x, int y, const std::function<bool(xcb_generic_event_t*)>& other);

    // Text style of the items.
    static ITextStyle ItemStyle();

  private:
    void Paint(const IMenu& menu);

    IX11Connection* mX;
    xcb_window_t mPanel;
    IEditorCanvas* mCanvas;
    xcb_window_t mWindow = 0;
    IMemoryBitmap* mBitmap = nullptr;
    IMenuLayout mLayout;
    int mHover = -1;
};
