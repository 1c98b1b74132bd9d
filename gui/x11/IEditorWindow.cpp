#include "gui/x11/IEditorWindow.h"

#include "framework/IEffectBase.h"
#include "gui/IControl.h"
#include "gui/IEditorWindowFactory.h"
#include "gui/x11/IX11Connection.h"
#include "gui/x11/IX11Keys.h"
#include "gui/x11/IX11PopupMenu.h"
#include "gui/x11/IX11Surface.h"
#include "raster/ICachedFont.h"
#include "raster/IMemoryBitmap.h"
#include "raster/IRaster.h"

#include <xcb/xcb.h>

#include <dlfcn.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <new>

// The plug-in's panel is created through this, so no plug-in code names a
// window system.
IEditorCanvas* CreateEditorWindow(IEffectBase* plugin, int width, int height, int frameRate)
{
    return new (std::nothrow) IEditorWindow(plugin, width, height, frameRate);
}

namespace
{
std::atomic<bool> gAllowSharedMemory{true};

// The plug-in lock for a scope, when there is a plug-in (test panels may
// have none).
class PluginLock
{
  public:
    explicit PluginLock(IEffectBase* plugin) : mPlugin(plugin)
    {
        if (mPlugin) mPlugin->Lock();
    }
    ~PluginLock()
    {
        if (mPlugin) mPlugin->Unlock();
    }
    PluginLock(const PluginLock&) = delete;
    PluginLock& operator=(const PluginLock&) = delete;

  private:
    IEffectBase* mPlugin;
};

// XEmbed: protocol version 0, mapped.
constexpr std::uint32_t kXEmbedVersion = 0;
constexpr std::uint32_t kXEmbedMapped = 1;

// Modifier bits of the host's key events (effEditKeyDown's opt).
constexpr int kHostModifierShift = 1;
// Edit box colours: those of a standard edit control.
constexpr std::uint32_t kEntryBackground = 0xffffffffu;
constexpr std::uint32_t kEntryText = 0xff000000u;
constexpr std::uint32_t kEntrySelection = 0xff3399ffu;
constexpr std::uint32_t kEntrySelectedText = 0xffffffffu;

std::int64_t NowNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

void* WindowHandle(std::uint32_t xid)
{
    return reinterpret_cast<void*>(static_cast<std::uintptr_t>(xid));
}

IBox Union(const IBox& a, const IBox& b)
{
    if (a.IsEmpty()) return b;
    if (b.IsEmpty()) return a;
    return IBox(std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
                std::max(a.bottom, b.bottom));
}

bool Overlaps(const IBox& a, const IBox& b)
{
    return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

// The buttons and modifiers of an event. X reports the state before the
// event; a press counts its own button as held and a release no longer
// counts its button, as the Win32 messages do.
MouseKeys KeysFromState(std::uint16_t state, int pressed, int released)
{
    MouseKeys keys;
    keys.left = ((state & XCB_BUTTON_MASK_1) != 0 || pressed == 1) && released != 1;
    keys.right = ((state & XCB_BUTTON_MASK_3) != 0 || pressed == 3) && released != 3;
    keys.shift = (state & XCB_MOD_MASK_SHIFT) != 0;
    keys.control = (state & XCB_MOD_MASK_CONTROL) != 0;
    keys.alt = (state & XCB_MOD_MASK_1) != 0;
    return keys;
}

// Text up to and including the last '/' of path.
void DirectoryOf(const char* path, std::string& out)
{
    out = path ? path : "";
    const std::size_t slash = out.rfind('/');
    out.erase(slash == std::string::npos ? 0 : slash + 1);
}
} // namespace

// The event handlers, one per family; the dispatch in PumpEvents stays short.
struct IX11EventHandlers
{
    static void Expose(IEditorWindow& w, const xcb_expose_event_t* e);
    static void ButtonPress(IEditorWindow& w, const xcb_button_press_event_t* e);
    static void ButtonRelease(IEditorWindow& w, const xcb_button_release_event_t* e);
    static void Motion(IEditorWindow& w, const xcb_motion_notify_event_t* e);
    static void KeyPress(IEditorWindow& w, const xcb_key_press_event_t* e);
    static void Focus(IEditorWindow& w, const xcb_focus_in_event_t* e, bool in);
    static void Destroy(IEditorWindow& w, const xcb_destroy_notify_event_t* e);
    static void Dispatch(IEditorWindow& w, xcb_generic_event_t* e);
};

// ---- construction --------------------------------------------------------------

IEditorWindow::IEditorWindow(IEffectBase* plugin, int width, int height, int frameRate)
    : IEditorCanvas(plugin, width, height, frameRate)
{
}

IEditorWindow::~IEditorWindow()
{
    CloseWindow();
    delete mEntryBitmap;
}

void IEditorWindow::AllowSharedMemory(bool allow)
{
    gAllowSharedMemory.store(allow, std::memory_order_relaxed);
}

bool IEditorWindow::UsesSharedMemory() const
{
    return mSurface && mSurface->UsesSharedMemory();
}

std::uint64_t IEditorWindow::ImageBytesSent() const
{
    return mX ? mX->ImageBytesSent() : 0;
}

// ---- opening and closing ---------------------------------------------------------

void* IEditorWindow::OpenWindow(void* parentWindow)
{
    int x = 0, y = 0, width = mWidth, height = mHeight;
    if (mX && mWindow && !mWindowGone && !mX->IsBroken())
    {
        // Re-opening: the new window takes the old one's place and size.
        xcb_connection_t* c = mX->Get();
        if (xcb_get_geometry_reply_t* g =
                xcb_get_geometry_reply(c, xcb_get_geometry(c, mWindow), nullptr))
        {
            x = g->x;
            y = g->y;
            width = g->width;
            height = g->height;
            std::free(g);
        }
    }
    CloseWindow();

    mParent = static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(parentWindow));
    if (mParent == 0) return nullptr;
    mX = new IX11Connection();
    if (!mX->Open())
    {
        ReleaseX();
        return nullptr;
    }
    xcb_connection_t* c = mX->Get();
    // The parent must exist; the child takes its depth and visual.
    xcb_get_window_attributes_reply_t* attributes =
        xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, mParent), nullptr);
    xcb_get_geometry_reply_t* geometry =
        xcb_get_geometry_reply(c, xcb_get_geometry(c, mParent), nullptr);
    const bool parentOk = attributes && geometry;
    const xcb_visualid_t visual = attributes ? attributes->visual : 0;
    const std::uint8_t depth = geometry ? geometry->depth : 0;
    std::free(attributes);
    std::free(geometry);
    if (!parentOk)
    {
        ReleaseX();
        return nullptr;
    }

    mWindow = xcb_generate_id(c);
    const std::uint32_t eventMask =
        XCB_EVENT_MASK_EXPOSURE | XCB_EVENT_MASK_BUTTON_PRESS | XCB_EVENT_MASK_BUTTON_RELEASE |
        XCB_EVENT_MASK_BUTTON_MOTION | XCB_EVENT_MASK_KEY_PRESS | XCB_EVENT_MASK_KEY_RELEASE |
        XCB_EVENT_MASK_FOCUS_CHANGE | XCB_EVENT_MASK_STRUCTURE_NOTIFY;
    // No background: the server leaves exposed areas alone until we copy the
    // panel there, so nothing flashes.
    const std::uint32_t values[] = {XCB_BACK_PIXMAP_NONE, eventMask};
    xcb_generic_error_t* error = xcb_request_check(
        c, xcb_create_window_checked(c, XCB_COPY_FROM_PARENT, mWindow, mParent,
                                     static_cast<std::int16_t>(x), static_cast<std::int16_t>(y),
                                     static_cast<std::uint16_t>(width),
                                     static_cast<std::uint16_t>(height), 0,
                                     XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT,
                                     XCB_CW_BACK_PIXMAP | XCB_CW_EVENT_MASK, values));
    if (error)
    {
        std::free(error);
        mWindow = 0;
        ReleaseX();
        return nullptr;
    }
    mSurface = new IX11Surface();
    if (!mSurface->Attach(mX, mWindow, visual, depth, mWidth, mHeight,
                          gAllowSharedMemory.load(std::memory_order_relaxed)))
    {
        // A visual we cannot write pixels for: no editor rather than garbage.
        xcb_destroy_window(c, mWindow);
        ReleaseX();
        return nullptr;
    }
    const xcb_atom_t xembedInfo = mX->Atom("_XEMBED_INFO");
    const std::uint32_t info[] = {kXEmbedVersion, kXEmbedMapped};
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, mWindow, xembedInfo, xembedInfo, 32, 2, info);
    xcb_map_window(c, mWindow);
    mX->Flush();

    mWindowGone = false;
    mDrawnSinceOpen = false;
    mHasCapture = false;
    mSwallowRelease = false;
    mClicks.Reset();
    mExposed = IBox();
    mTicks = 0;
    mLastTickNs = 0; // the first idle call ticks at once
    SetAllControlsDirty();
    return WindowHandle(mWindow);
}

void IEditorWindow::CloseWindow()
{
    if (!mX) return;
    mEntry.Close();
    mEntryDirty = false;
    if (mSurface) mSurface->Detach();
    if (mWindow && !mWindowGone && !mX->IsBroken())
    {
        // Gone from the server when this returns, so a host may destroy its
        // own window at once.
        xcb_destroy_window(mX->Get(), mWindow);
        mX->Sync();
    }
    ReleaseX();
}

void IEditorWindow::ReleaseX()
{
    SetEntryOpen(false);
    delete mSurface;
    mSurface = nullptr;
    delete mX; // disconnects
    mX = nullptr;
    mWindow = 0;
    mWindowGone = false;
    mHasCapture = false;
    mEntry.Close();
}

void* IEditorWindow::GetWindow()
{
    return mX && mWindow && !mWindowGone ? WindowHandle(mWindow) : nullptr;
}

void IEditorWindow::ResizeWindow(int width, int height)
{
    if (!GetWindow()) return;
    const std::uint32_t size[] = {static_cast<std::uint32_t>(width),
                                  static_cast<std::uint32_t>(height)};
    xcb_configure_window(mX->Get(), mWindow, XCB_CONFIG_WINDOW_WIDTH | XCB_CONFIG_WINDOW_HEIGHT,
                         size);
    mX->Flush();
}

// ---- idle: events and the timer tick -------------------------------------------------

void IEditorWindow::OnHostIdle()
{
    if (!mX) return;
    PumpEvents();
    if (mX && (mWindowGone || mX->IsBroken()))
    {
        // The host destroyed its window first, or the server went away.
        if (mSurface) mSurface->Detach();
        ReleaseX();
    }
    if (!mX) return;
    TakeHostKeys();
    if (TickDue()) TimerTick();
    SetEntryOpen(mEntry.IsOpen());
    if (mEntryDirty) PaintTextEntry();
    mX->Flush();
}

void IEditorWindow::PumpEvents()
{
    while (mX && !mX->IsBroken())
    {
        xcb_generic_event_t* event = xcb_poll_for_event(mX->Get());
        if (!event) break;
        const int type = event->response_type & 0x7f;
        if (type == XCB_BUTTON_PRESS || type == XCB_BUTTON_RELEASE || type == XCB_MOTION_NOTIFY ||
            type == XCB_KEY_PRESS)
        {
            // Controls read their parameters while they handle input, and
            // the host may change those on another thread. (A popup menu
            // opened from here releases the lock while it waits.)
            PluginLock lock(mPlugin);
            mInputLocked = true;
            IX11EventHandlers::Dispatch(*this, event);
            mInputLocked = false;
        }
        else
        {
            IX11EventHandlers::Dispatch(*this, event);
        }
        std::free(event);
    }
}

bool IEditorWindow::TickDue()
{
    // The Win32 timer's period, whole milliseconds (33 ms at 30 frames). Host
    // idle calls jitter by a few milliseconds; up to 4 ms early still counts,
    // so a host idling at the frame rate is not halved to every other call.
    const std::int64_t periodNs = static_cast<std::int64_t>(1000 / mFrameRate) * 1000000;
    const std::int64_t slackNs = 4000000;
    const std::int64_t now = NowNs();
    if (mLastTickNs != 0 && now - mLastTickNs < periodNs - slackNs) return false;
    mLastTickNs = now;
    return true;
}

void IEditorWindow::TimerTick()
{
    // An open edit box that holds the focus again freezes the panel, as the
    // Win32 window ignores its timer then.
    if (mEntry.IsOpen() && mEntry.GetState() == ITextEntry::kStateFocused) return;
    ++mTicks;
    if (mEntry.IsOpen())
    {
        const IBox entryBox = mEntry.Box();
        bool goOn = false;
        {
            // The commit reads the parameter's range.
            PluginLock lock(mPlugin);
            goOn = mEntry.Tick();
        }
        if (!mEntry.IsOpen())
        {
            // Committed or cancelled: repaint what the box covered.
            DrawPass(IBox(entryBox.left, entryBox.top, entryBox.right + 1, entryBox.bottom + 1));
            return;
        }
        if (!goOn) return;
    }
    IBox dirty;
    if (IsDirty(&dirty))
    {
        DrawPass(dirty);
        mDrawnSinceOpen = true;
        mEntry.PaintedAround();
    }
}

void IEditorWindow::DrawPass(const IBox& box)
{
    // No plug-in lock here: the audio thread never waits for drawing. The
    // controls that read parameter texts and ranges take the lock for that
    // read alone (IParamText, BraskoKnob). The copy to the screen, which may
    // wait for the server, is collected during the pass and sent after it.
    mHoldScreen = true;
    Draw(box);
    mHoldScreen = false;
    const IBox held = mHeldScreen;
    mHeldScreen = IBox();
    if (!held.IsEmpty()) DrawScreen(held);
}

bool IEditorWindow::DrawScreen(const IBox& box)
{
    if (mHoldScreen)
    {
        mHeldScreen = Union(mHeldScreen, box);
        return true;
    }
    if (!GetWindow() || !mSurface || !mDrawBitmap) return true;
    mSurface->Put(mDrawBitmap, box);
    // The edit box lies over the panel, as a child window would.
    if (mEntry.IsOpen() && mEntryBitmap && Overlaps(box, mEntry.Box()))
        mSurface->PutAt(mEntryBitmap, mEntry.Box().left, mEntry.Box().top);
    return true;
}

// ---- events ----------------------------------------------------------------------------

void IX11EventHandlers::Dispatch(IEditorWindow& w, xcb_generic_event_t* e)
{
    switch (e->response_type & 0x7f)
    {
    case 0: break; // an error of a request that had no reply; nothing to undo
    case XCB_EXPOSE: Expose(w, reinterpret_cast<xcb_expose_event_t*>(e)); break;
    case XCB_BUTTON_PRESS: ButtonPress(w, reinterpret_cast<xcb_button_press_event_t*>(e)); break;
    case XCB_BUTTON_RELEASE:
        ButtonRelease(w, reinterpret_cast<xcb_button_release_event_t*>(e));
        break;
    case XCB_MOTION_NOTIFY: Motion(w, reinterpret_cast<xcb_motion_notify_event_t*>(e)); break;
    case XCB_KEY_PRESS: KeyPress(w, reinterpret_cast<xcb_key_press_event_t*>(e)); break;
    case XCB_FOCUS_IN: Focus(w, reinterpret_cast<xcb_focus_in_event_t*>(e), true); break;
    case XCB_FOCUS_OUT: Focus(w, reinterpret_cast<xcb_focus_in_event_t*>(e), false); break;
    case XCB_DESTROY_NOTIFY: Destroy(w, reinterpret_cast<xcb_destroy_notify_event_t*>(e)); break;
    default: break; // key releases, configure, map, reparent, client messages
    }
}

void IX11EventHandlers::Expose(IEditorWindow& w, const xcb_expose_event_t* e)
{
    if (e->window != w.mWindow) return;
    w.mExposed = Union(w.mExposed, IBox(e->x, e->y, e->x + e->width, e->y + e->height));
    if (e->count != 0) return; // more of the same exposure follows
    const IBox area = w.mExposed;
    w.mExposed = IBox();
    if (!w.mDrawnSinceOpen)
    {
        // Exposed before the first tick: draw the panel now.
        w.DrawPass(IBox(0, 0, w.mWidth, w.mHeight));
        w.mDrawnSinceOpen = true;
    }
    else
    {
        w.DrawScreen(area);
    }
}

void IX11EventHandlers::ButtonPress(IEditorWindow& w, const xcb_button_press_event_t* e)
{
    if (e->event != w.mWindow) return;
    const int x = e->event_x, y = e->event_y, button = e->detail;
    w.mPointerX = x;
    w.mPointerY = y;
    const MouseKeys keys = KeysFromState(e->state, button, 0);
    if (button == 4 || button == 5)
    {
        // One notch per click of the wheel; up raises. The wheel cancels an
        // edit box instead.
        if (w.mEntry.IsOpen())
            w.mEntry.RequestCancel();
        else
            w.OnMouseWheel(x, y, keys, button == 4 ? 1 : -1);
        return;
    }
    if (button < 1 || button > 3) return;

    if (w.mEntry.IsOpen())
    {
        const IBox& b = w.mEntry.Box();
        if (button == 1 && x >= b.left && x <= b.right && y >= b.top && y <= b.bottom)
        {
            // A click in the box places the caret; a drag selects.
            w.mEntry.SetCaret(w.EntryIndexAt(x), (e->state & XCB_MOD_MASK_SHIFT) != 0);
            w.mEntrySelecting = true;
            w.mEntryDirty = true;
            w.mSwallowRelease = true;
            return;
        }
        if (w.mEntry.GetState() == ITextEntry::kStateFocused)
        {
            w.mEntry.RequestCancel();
            w.mSwallowRelease = true;
            return;
        }
        w.DropTextEntry(true);
    }

    w.TakeFocus();
    w.mHasCapture = true; // the server grabs the pointer until the release
    w.mSwallowRelease = false;
    if (w.mClicks.Press(button, x, y, e->time) && button == 1)
    {
        w.mHasCapture = w.OnMouseDoubleClick(x, y, keys);
        return;
    }
    w.mMenuTookRelease = false;
    w.OnMouseDown(x, y, keys);
    if (w.mMenuTookRelease)
    {
        // A popup menu opened by this press swallowed its release: end the
        // gesture here, so the host sees an end-edit for its begin-edit.
        w.mMenuTookRelease = false;
        w.mHasCapture = false;
        w.OnMouseUp(x, y, KeysFromState(e->state, 0, button));
    }
}

void IX11EventHandlers::ButtonRelease(IEditorWindow& w, const xcb_button_release_event_t* e)
{
    if (e->event != w.mWindow) return;
    const int button = e->detail;
    w.mPointerX = e->event_x;
    w.mPointerY = e->event_y;
    if (button != 1 && button != 3)
    {
        // Middle-button releases end no gesture.
        if (button == 2) w.mHasCapture = false;
        return;
    }
    w.mEntrySelecting = false;
    if (w.mSwallowRelease)
    {
        w.mSwallowRelease = false;
        return;
    }
    w.mHasCapture = false;
    w.OnMouseUp(e->event_x, e->event_y, KeysFromState(e->state, 0, button));
}

void IX11EventHandlers::Motion(IEditorWindow& w, const xcb_motion_notify_event_t* e)
{
    if (e->event != w.mWindow) return;
    w.mPointerX = e->event_x;
    w.mPointerY = e->event_y;
    if (w.mEntrySelecting && w.mEntry.IsOpen())
    {
        w.mEntry.SetCaret(w.EntryIndexAt(e->event_x), true);
        w.mEntryDirty = true;
        return;
    }
    const bool dragging = (e->state & (XCB_BUTTON_MASK_1 | XCB_BUTTON_MASK_3)) != 0;
    if (dragging && w.mHasCapture && !w.mEntry.IsOpen())
        w.OnMouseDrag(e->event_x, e->event_y, KeysFromState(e->state, 0, 0));
}

void IX11EventHandlers::KeyPress(IEditorWindow& w, const xcb_key_press_event_t* e)
{
    const std::uint32_t keysym = w.mX->Keysym(e->detail, e->state);
    if (w.mEntry.IsOpen())
    {
        char c = 0;
        const ITextEntry::Key key = IX11Keys::EntryKey(keysym, &c);
        w.mEntry.OnKey(key, c, (e->state & XCB_MOD_MASK_SHIFT) != 0);
        w.mEntryDirty = true;
        return;
    }
    const int code = IX11Keys::CanvasKey(keysym);
    // Keys the canvas does not take are dropped, as Win32's default
    // processing of a child window does.
    if (code >= 0) w.OnKeyDown(e->event_x, e->event_y, code);
}

void IX11EventHandlers::Focus(IEditorWindow& w, const xcb_focus_in_event_t* e, bool in)
{
    // Focus moving between our window and windows inside it, and the
    // pseudo-changes of keyboard grabs, are not the box losing the focus.
    if (e->detail == XCB_NOTIFY_DETAIL_INFERIOR || e->detail == XCB_NOTIFY_DETAIL_POINTER ||
        e->mode == XCB_NOTIFY_MODE_GRAB || e->mode == XCB_NOTIFY_MODE_UNGRAB)
        return;
    if (!w.mEntry.IsOpen()) return;
    if (in)
    {
        if (w.mEntryLostFocus) w.mEntry.SetState(ITextEntry::kStateFocused);
        w.mEntryLostFocus = false;
    }
    else
    {
        w.mEntry.RequestCancel();
        w.mEntryLostFocus = true;
    }
}

void IX11EventHandlers::Destroy(IEditorWindow& w, const xcb_destroy_notify_event_t* e)
{
    // Our window goes with the host's: nothing may be sent to it any more.
    if (e->window == w.mWindow) w.mWindowGone = true;
}

void IEditorWindow::TakeFocus()
{
    if (!GetWindow()) return;
    xcb_set_input_focus(mX->Get(), XCB_INPUT_FOCUS_PARENT, mWindow, XCB_CURRENT_TIME);
}

bool IEditorWindow::OnHostKey(bool down, int character, int virtualKey, int modifiers)
{
    if (!mEntryOpen.load(std::memory_order_acquire)) return false;
    // The box takes every key while open, so the host's shortcuts stay quiet
    // while the user types.
    if (down)
    {
        char c = 0;
        const ITextEntry::Key key = ITextEntry::KeyFromHost(character, virtualKey, &c);
        std::lock_guard<std::mutex> lock(mHostKeysLock);
        mHostKeys.push_back({key, c, (modifiers & kHostModifierShift) != 0});
    }
    return true;
}

void IEditorWindow::TakeHostKeys()
{
    std::vector<HostKey> keys;
    {
        std::lock_guard<std::mutex> lock(mHostKeysLock);
        keys.swap(mHostKeys);
    }
    for (const HostKey& k : keys)
        if (mEntry.IsOpen())
        {
            mEntry.OnKey(k.key, k.c, k.shift);
            mEntryDirty = true;
        }
}

void IEditorWindow::SetEntryOpen(bool open)
{
    mEntryOpen.store(open, std::memory_order_release);
    if (!open)
    {
        std::lock_guard<std::mutex> lock(mHostKeysLock);
        mHostKeys.clear();
    }
}

// ---- text entry ---------------------------------------------------------------------------

void IEditorWindow::CreateTextEntry(IControl* control, const ITextStyle& style, const IBox& box,
                                    const char* initialText, IParameter* param)
{
    if (!control || mEntry.IsOpen() || !GetWindow()) return;
    if (!mEntry.Open(control, param, initialText, control->TextEntryLength(), box, style)) return;
    mEntryLostFocus = false;
    mEntrySelecting = false;
    SetEntryOpen(true);
    TakeFocus();
    mEntryDirty = true;
}

void IEditorWindow::CancelTextEntry()
{
    mEntry.RequestCancel();
}

void IEditorWindow::DropTextEntry(bool wholePanel)
{
    const IBox b = mEntry.Box();
    mEntry.Close();
    SetEntryOpen(false);
    mEntryDirty = false;
    DrawPass(wholePanel ? IBox(0, 0, mWidth, mHeight) : IBox(b.left, b.top, b.right + 1, b.bottom + 1));
}

int IEditorWindow::EntryIndexAt(int x)
{
    // The caret goes to the character boundary nearest to x.
    ITextStyle style = mEntry.Style();
    ICachedFont* font = CacheFont(&style);
    const std::string& text = mEntry.Text();
    if (!font || !mEntryBitmap) return static_cast<int>(text.size());
    const int total = font->TextWidth(text.c_str(), static_cast<int>(text.size()));
    const int boxWidth = mEntryBitmap->Width();
    int origin = mEntry.Box().left + 1;
    if (style.alignment == 1) origin = mEntry.Box().left + (boxWidth - total) / 2;
    else if (style.alignment != 0) origin = mEntry.Box().left + boxWidth - 1 - total;
    int best = 0, bestDistance = 1 << 30;
    for (int i = 0; i <= static_cast<int>(text.size()); ++i)
    {
        const int distance = std::abs(origin + font->TextWidth(text.c_str(), i) - x);
        if (distance < bestDistance)
        {
            best = i;
            bestDistance = distance;
        }
    }
    return best;
}

void IEditorWindow::PaintTextEntry()
{
    mEntryDirty = false;
    if (!mEntry.IsOpen() || !GetWindow()) return;
    const IBox& box = mEntry.Box();
    // The box is one pixel wider and taller than the control's, as the Win32
    // edit window is.
    const int width = box.W() + 1, height = box.H() + 1;
    if (width <= 0 || height <= 0) return;
    if (!mEntryBitmap) mEntryBitmap = new IMemoryBitmap();
    mEntryBitmap->Resize(width, height);
    IRaster::FillRect(mEntryBitmap, 0, 0, width, height, kEntryBackground, 1.0f, IRaster::kCopy);

    ITextStyle style = mEntry.Style();
    ICachedFont* font = CacheFont(&style);
    if (font)
    {
        const std::string& text = mEntry.Text();
        const int n = static_cast<int>(text.size());
        const int total = font->TextWidth(text.c_str(), n);
        int origin = 1;
        if (style.alignment == 1) origin = (width - total) / 2;
        else if (style.alignment != 0) origin = width - 1 - total;
        const int lineHeight = font->LineHeight();
        const int top = std::max(0, (height - lineHeight) / 2);
        auto xAt = [&](int index) { return origin + font->TextWidth(text.c_str(), index); };
        auto drawPart = [&](int from, int to, std::uint32_t colour) {
            if (to <= from) return;
            font->SetTextColour(colour);
            IRasterBox where{xAt(from), top, width, top + lineHeight};
            font->DrawText(mEntryBitmap, text.c_str() + from, to - from, where,
                           ICachedFont::kDtNoClip);
        };
        const int s0 = mEntry.SelectionStart(), s1 = mEntry.SelectionEnd();
        drawPart(0, s0, kEntryText);
        if (s1 > s0)
            IRaster::FillRect(mEntryBitmap, xAt(s0), top, xAt(s1) - xAt(s0), lineHeight,
                              kEntrySelection, 1.0f, IRaster::kCopy);
        drawPart(s0, s1, kEntrySelectedText);
        drawPart(s1, n, kEntryText);
        if (!mEntry.HasSelection())
            IRaster::FillRect(mEntryBitmap, xAt(mEntry.Caret()), top, 1, lineHeight, kEntryText,
                              1.0f, IRaster::kCopy);
    }
    mSurface->PutAt(mEntryBitmap, box.left, box.top);
}

// ---- popup menu -------------------------------------------------------------------------------

IMenu* IEditorWindow::CreateMenu(IMenu* menu, const IBox& box)
{
    ReleaseMouseCapture();
    if (!menu || menu->items.empty() || !GetWindow() || mMenuRunning) return nullptr;
    mMenuRunning = true;
    // The menu waits for the user: processing must not wait with it.
    const bool relock = mInputLocked && mPlugin;
    if (relock) mPlugin->Unlock();
    IX11PopupMenu popup(mX, mWindow, this);
    const int chosen = popup.Run(*menu, box.left, box.bottom, [this](xcb_generic_event_t* e) {
        // Events of the panel while the menu is up: keep painting, drop input.
        switch (e->response_type & 0x7f)
        {
        case XCB_EXPOSE:
        case XCB_DESTROY_NOTIFY:
        case XCB_FOCUS_IN:
        case XCB_FOCUS_OUT: IX11EventHandlers::Dispatch(*this, e); break;
        default: break;
        }
        return !mWindowGone;
    });
    if (relock) mPlugin->Lock();
    mMenuRunning = false;
    // A click after the menu is a first click, however soon it comes.
    mClicks.Reset();
    // The menu took the release of the press that opened it.
    mHasCapture = false;
    mMenuTookRelease = true;
    if (chosen < 0) return nullptr;
    menu->chosen = chosen;
    return menu;
}

// ---- paths ----------------------------------------------------------------------------------------

void IEditorWindow::HostPath(std::string& out)
{
    char path[4096];
    const ssize_t n = readlink("/proc/self/exe", path, sizeof(path) - 1);
    if (n <= 0)
    {
        out.clear();
        return;
    }
    path[n] = '\0';
    DirectoryOf(path, out);
}

void IEditorWindow::PluginPath(std::string& out)
{
    Dl_info info;
    if (dladdr(reinterpret_cast<void*>(&DirectoryOf), &info) == 0 || !info.dli_fname)
    {
        out.clear();
        return;
    }
    DirectoryOf(info.dli_fname, out);
}
