#include "EditorHostWindow.h"

#include <xcb/xcb.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>

struct EditorHostWindow::Impl
{
    xcb_connection_t* connection = nullptr;
    xcb_window_t window = 0;
    xcb_atom_t deleteWindow = 0;
    bool open = false;
};

namespace
{
xcb_atom_t Intern(xcb_connection_t* c, const char* name)
{
    xcb_intern_atom_reply_t* r = xcb_intern_atom_reply(
        c, xcb_intern_atom(c, 0, static_cast<uint16_t>(std::strlen(name)), name), nullptr);
    const xcb_atom_t atom = r ? r->atom : static_cast<xcb_atom_t>(XCB_ATOM_NONE);
    std::free(r);
    return atom;
}
} // namespace

EditorHostWindow::EditorHostWindow() : impl_(new Impl()) {}

EditorHostWindow::~EditorHostWindow()
{
    Destroy();
}

bool EditorHostWindow::Create(int width, int height, const std::string& title, std::string& error)
{
    Impl& w = *impl_;
    w.connection = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(w.connection))
    {
        xcb_disconnect(w.connection);
        w.connection = nullptr;
        error = "cannot connect to the X server (is DISPLAY set?)";
        return false;
    }
    xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(w.connection)).data;
    w.window = xcb_generate_id(w.connection);
    const uint32_t values[] = {screen->black_pixel, XCB_EVENT_MASK_STRUCTURE_NOTIFY};
    xcb_create_window(w.connection, XCB_COPY_FROM_PARENT, w.window, screen->root, 0, 0,
                      static_cast<uint16_t>(width), static_cast<uint16_t>(height), 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual,
                      XCB_CW_BACK_PIXEL | XCB_CW_EVENT_MASK, values);
    xcb_change_property(w.connection, XCB_PROP_MODE_REPLACE, w.window, XCB_ATOM_WM_NAME,
                        XCB_ATOM_STRING, 8, static_cast<uint32_t>(title.size()), title.data());
    const xcb_atom_t protocols = Intern(w.connection, "WM_PROTOCOLS");
    w.deleteWindow = Intern(w.connection, "WM_DELETE_WINDOW");
    xcb_change_property(w.connection, XCB_PROP_MODE_REPLACE, w.window, protocols, XCB_ATOM_ATOM,
                        32, 1, &w.deleteWindow);
    Resize(width, height);
    xcb_map_window(w.connection, w.window);
    std::free(xcb_get_input_focus_reply(w.connection, xcb_get_input_focus(w.connection), nullptr));
    w.open = true;
    return true;
}

void EditorHostWindow::Resize(int width, int height)
{
    Impl& w = *impl_;
    if (!w.connection) return;
    // A fixed size: editors do not scale.
    uint32_t hints[18] = {};
    hints[0] = 16 | 32; // PMinSize | PMaxSize
    hints[5] = hints[7] = static_cast<uint32_t>(width);
    hints[6] = hints[8] = static_cast<uint32_t>(height);
    xcb_change_property(w.connection, XCB_PROP_MODE_REPLACE, w.window, XCB_ATOM_WM_NORMAL_HINTS,
                        XCB_ATOM_WM_SIZE_HINTS, 32, 18, hints);
    const uint32_t size[] = {static_cast<uint32_t>(width), static_cast<uint32_t>(height)};
    xcb_configure_window(w.connection, w.window,
                         XCB_CONFIG_WINDOW_WIDTH | XCB_CONFIG_WINDOW_HEIGHT, size);
    xcb_flush(w.connection);
}

void EditorHostWindow::Destroy()
{
    Impl& w = *impl_;
    if (w.connection)
    {
        if (w.open) xcb_destroy_window(w.connection, w.window);
        xcb_disconnect(w.connection);
    }
    w.connection = nullptr;
    w.window = 0;
    w.open = false;
}

void* EditorHostWindow::Handle() const
{
    return reinterpret_cast<void*>(static_cast<std::uintptr_t>(impl_->window));
}

bool EditorHostWindow::Pump()
{
    Impl& w = *impl_;
    if (!w.connection || xcb_connection_has_error(w.connection)) return false;
    while (xcb_generic_event_t* e = xcb_poll_for_event(w.connection))
    {
        const int type = e->response_type & 0x7f;
        if (type == XCB_CLIENT_MESSAGE &&
            reinterpret_cast<xcb_client_message_event_t*>(e)->data.data32[0] == w.deleteWindow)
            w.open = false;
        if (type == XCB_DESTROY_NOTIFY &&
            reinterpret_cast<xcb_destroy_notify_event_t*>(e)->window == w.window)
            w.open = false;
        std::free(e);
    }
    return w.open;
}

// The plug-in reads its own connection; ours only carries the close request,
// so polling it between idle calls is enough.
void EditorHostWindow::Run(double idleHz, double quitAfterSeconds, const std::function<void()>& idle)
{
    const auto period = std::chrono::duration<double>(1.0 / idleHz);
    const auto begin = std::chrono::steady_clock::now();
    auto next = begin;
    while (Pump())
    {
        idle();
        const double elapsed =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
        if (quitAfterSeconds > 0.0 && elapsed >= quitAfterSeconds) break;
        next += std::chrono::duration_cast<std::chrono::steady_clock::duration>(period);
        std::this_thread::sleep_until(next);
    }
}

std::vector<uint32_t> EditorHostWindow::Capture(int width, int height)
{
    Impl& w = *impl_;
    std::vector<uint32_t> pixels;
    if (!w.connection) return pixels;
    xcb_get_image_reply_t* r = xcb_get_image_reply(
        w.connection,
        xcb_get_image(w.connection, XCB_IMAGE_FORMAT_Z_PIXMAP, w.window, 0, 0,
                      static_cast<uint16_t>(width), static_cast<uint16_t>(height), ~0u),
        nullptr);
    if (!r) return pixels;
    if (xcb_get_image_data_length(r) >= width * height * 4)
    {
        const auto* data = reinterpret_cast<const uint32_t*>(xcb_get_image_data(r));
        pixels.reserve(static_cast<size_t>(width) * static_cast<size_t>(height));
        for (int i = 0; i < width * height; ++i) pixels.push_back(data[i] & 0xffffffu);
    }
    std::free(r);
    return pixels;
}
