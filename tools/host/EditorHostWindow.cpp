#include "EditorHostWindow.h"

#include <cstdlib>
#include <cstring>

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

EditorHostWindow::~EditorHostWindow()
{
    Destroy();
}

bool EditorHostWindow::Create(int width, int height, const std::string& title, std::string& error)
{
    connection_ = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(connection_))
    {
        xcb_disconnect(connection_);
        connection_ = nullptr;
        error = "cannot connect to the X server (is DISPLAY set?)";
        return false;
    }
    xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection_)).data;
    window_ = xcb_generate_id(connection_);
    const uint32_t values[] = {screen->black_pixel, XCB_EVENT_MASK_STRUCTURE_NOTIFY};
    xcb_create_window(connection_, XCB_COPY_FROM_PARENT, window_, screen->root, 0, 0,
                      static_cast<uint16_t>(width), static_cast<uint16_t>(height), 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual,
                      XCB_CW_BACK_PIXEL | XCB_CW_EVENT_MASK, values);
    xcb_change_property(connection_, XCB_PROP_MODE_REPLACE, window_, XCB_ATOM_WM_NAME,
                        XCB_ATOM_STRING, 8, static_cast<uint32_t>(title.size()), title.data());
    const xcb_atom_t protocols = Intern(connection_, "WM_PROTOCOLS");
    deleteWindow_ = Intern(connection_, "WM_DELETE_WINDOW");
    xcb_change_property(connection_, XCB_PROP_MODE_REPLACE, window_, protocols, XCB_ATOM_ATOM, 32,
                        1, &deleteWindow_);
    Resize(width, height);
    xcb_map_window(connection_, window_);
    std::free(xcb_get_input_focus_reply(connection_, xcb_get_input_focus(connection_), nullptr));
    open_ = true;
    return true;
}

void EditorHostWindow::Resize(int width, int height)
{
    if (!connection_) return;
    // A fixed size: editors do not scale.
    uint32_t hints[18] = {};
    hints[0] = 16 | 32; // PMinSize | PMaxSize
    hints[5] = hints[7] = static_cast<uint32_t>(width);
    hints[6] = hints[8] = static_cast<uint32_t>(height);
    xcb_change_property(connection_, XCB_PROP_MODE_REPLACE, window_, XCB_ATOM_WM_NORMAL_HINTS,
                        XCB_ATOM_WM_SIZE_HINTS, 32, 18, hints);
    const uint32_t size[] = {static_cast<uint32_t>(width), static_cast<uint32_t>(height)};
    xcb_configure_window(connection_, window_, XCB_CONFIG_WINDOW_WIDTH | XCB_CONFIG_WINDOW_HEIGHT,
                         size);
    xcb_flush(connection_);
}

void EditorHostWindow::Destroy()
{
    if (connection_)
    {
        if (open_) xcb_destroy_window(connection_, window_);
        xcb_disconnect(connection_);
    }
    connection_ = nullptr;
    window_ = 0;
    open_ = false;
}

bool EditorHostWindow::Pump()
{
    if (!connection_ || xcb_connection_has_error(connection_)) return false;
    while (xcb_generic_event_t* e = xcb_poll_for_event(connection_))
    {
        const int type = e->response_type & 0x7f;
        if (type == XCB_CLIENT_MESSAGE &&
            reinterpret_cast<xcb_client_message_event_t*>(e)->data.data32[0] == deleteWindow_)
            open_ = false;
        if (type == XCB_DESTROY_NOTIFY &&
            reinterpret_cast<xcb_destroy_notify_event_t*>(e)->window == window_)
            open_ = false;
        std::free(e);
    }
    return open_;
}

std::vector<uint32_t> EditorHostWindow::Capture(int width, int height)
{
    std::vector<uint32_t> pixels;
    if (!connection_) return pixels;
    xcb_get_image_reply_t* r = xcb_get_image_reply(
        connection_,
        xcb_get_image(connection_, XCB_IMAGE_FORMAT_Z_PIXMAP, window_, 0, 0,
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
