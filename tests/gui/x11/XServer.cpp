#include "XServer.h"

#include <xcb/xcb_keysyms.h>
#include <xcb/xtest.h>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>

extern char** environ;

namespace xtest
{
namespace
{
pid_t gServer = 0;

void StopServer()
{
    if (gServer > 0)
    {
        kill(gServer, SIGTERM);
        waitpid(gServer, nullptr, 0);
        gServer = 0;
    }
}
} // namespace

bool EnsureServer()
{
    const char* display = std::getenv("DISPLAY");
    if (display && *display) return true;
    int fds[2];
    if (pipe(fds) != 0) return false;
    const std::string fd = std::to_string(fds[1]);
    const char* argv[] = {"Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1024x768x24",
                          "-nolisten", "tcp",
                          // Without it the server resets whenever its last
                          // client leaves, and the next test's connection fails.
                          "-noreset", nullptr};
    pid_t pid = 0;
    if (posix_spawnp(&pid, "Xvfb", nullptr, nullptr, const_cast<char**>(argv), environ) != 0)
        return false;
    close(fds[1]);
    std::string number;
    char ch = 0;
    while (read(fds[0], &ch, 1) == 1 && ch != '\n') number += ch;
    close(fds[0]);
    if (number.empty())
    {
        kill(pid, SIGTERM);
        waitpid(pid, nullptr, 0);
        return false;
    }
    gServer = pid;
    std::atexit(StopServer);
    setenv("DISPLAY", (":" + number).c_str(), 1);
    return true;
}

HostConnection::HostConnection()
{
    mC = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(mC)) return;
    mScreen = xcb_setup_roots_iterator(xcb_get_setup(mC)).data;
}

HostConnection::~HostConnection()
{
    if (mC) xcb_disconnect(mC);
}

xcb_window_t HostConnection::CreateParent(int width, int height, int x, int y)
{
    const xcb_window_t w = xcb_generate_id(mC);
    const std::uint32_t values[] = {mScreen->black_pixel};
    xcb_create_window(mC, XCB_COPY_FROM_PARENT, w, mScreen->root, static_cast<std::int16_t>(x),
                      static_cast<std::int16_t>(y), static_cast<std::uint16_t>(width),
                      static_cast<std::uint16_t>(height), 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
                      mScreen->root_visual, XCB_CW_BACK_PIXEL, values);
    xcb_map_window(mC, w);
    Sync();
    return w;
}

void HostConnection::Destroy(xcb_window_t w)
{
    xcb_destroy_window(mC, w);
    Sync();
}

std::vector<xcb_window_t> HostConnection::Children(xcb_window_t w)
{
    std::vector<xcb_window_t> out;
    xcb_query_tree_reply_t* r = xcb_query_tree_reply(mC, xcb_query_tree(mC, w), nullptr);
    if (!r) return out;
    const xcb_window_t* c = xcb_query_tree_children(r);
    out.assign(c, c + xcb_query_tree_children_length(r));
    std::free(r);
    return out;
}

bool HostConnection::IsMapped(xcb_window_t w)
{
    xcb_get_window_attributes_reply_t* r =
        xcb_get_window_attributes_reply(mC, xcb_get_window_attributes(mC, w), nullptr);
    const bool mapped = r && r->map_state != XCB_MAP_STATE_UNMAPPED;
    std::free(r);
    return mapped;
}

bool HostConnection::Exists(xcb_window_t w)
{
    xcb_get_geometry_reply_t* r = xcb_get_geometry_reply(mC, xcb_get_geometry(mC, w), nullptr);
    std::free(r);
    return r != nullptr;
}

bool HostConnection::Geometry(xcb_window_t w, int* x, int* y, int* width, int* height)
{
    xcb_get_geometry_reply_t* r = xcb_get_geometry_reply(mC, xcb_get_geometry(mC, w), nullptr);
    if (!r) return false;
    *x = r->x;
    *y = r->y;
    *width = r->width;
    *height = r->height;
    std::free(r);
    return true;
}

void HostConnection::ToRoot(xcb_window_t w, int x, int y, int* rx, int* ry)
{
    xcb_translate_coordinates_reply_t* r = xcb_translate_coordinates_reply(
        mC, xcb_translate_coordinates(mC, w, Root(), static_cast<std::int16_t>(x),
                                      static_cast<std::int16_t>(y)),
        nullptr);
    *rx = r ? r->dst_x : 0;
    *ry = r ? r->dst_y : 0;
    std::free(r);
}

std::vector<std::uint32_t> HostConnection::PropertyCardinals(xcb_window_t w, const char* atom)
{
    std::vector<std::uint32_t> out;
    xcb_intern_atom_reply_t* a = xcb_intern_atom_reply(
        mC, xcb_intern_atom(mC, 1, static_cast<std::uint16_t>(std::strlen(atom)), atom), nullptr);
    if (!a) return out;
    xcb_get_property_reply_t* p = xcb_get_property_reply(
        mC, xcb_get_property(mC, 0, w, a->atom, XCB_GET_PROPERTY_TYPE_ANY, 0, 16), nullptr);
    std::free(a);
    if (!p) return out;
    if (p->format == 32)
    {
        const auto* v = static_cast<const std::uint32_t*>(xcb_get_property_value(p));
        out.assign(v, v + xcb_get_property_value_length(p) / 4);
    }
    std::free(p);
    return out;
}

std::vector<std::uint32_t> HostConnection::Pixels(xcb_window_t w, int x, int y, int width, int height)
{
    std::vector<std::uint32_t> out;
    xcb_get_image_reply_t* r = xcb_get_image_reply(
        mC,
        xcb_get_image(mC, XCB_IMAGE_FORMAT_Z_PIXMAP, w, static_cast<std::int16_t>(x),
                      static_cast<std::int16_t>(y), static_cast<std::uint16_t>(width),
                      static_cast<std::uint16_t>(height), ~0u),
        nullptr);
    if (!r) return out;
    const auto* v = reinterpret_cast<const std::uint32_t*>(xcb_get_image_data(r));
    for (int i = 0; i < width * height; ++i) out.push_back(v[i] & 0xffffffu);
    std::free(r);
    return out;
}

std::uint32_t HostConnection::Pixel(xcb_window_t w, int x, int y)
{
    const std::vector<std::uint32_t> p = Pixels(w, x, y, 1, 1);
    return p.size() == 1 ? p[0] : 0xffffffffu;
}

std::vector<xcb_window_t> HostConnection::PopupWindows()
{
    std::vector<xcb_window_t> out;
    for (xcb_window_t w : Children(Root()))
    {
        xcb_get_window_attributes_reply_t* r =
            xcb_get_window_attributes_reply(mC, xcb_get_window_attributes(mC, w), nullptr);
        if (r && r->override_redirect && r->map_state == XCB_MAP_STATE_VIEWABLE) out.push_back(w);
        std::free(r);
    }
    return out;
}

void HostConnection::MoveTo(int rx, int ry)
{
    xcb_test_fake_input(mC, XCB_MOTION_NOTIFY, 0, XCB_CURRENT_TIME, Root(),
                        static_cast<std::int16_t>(rx), static_cast<std::int16_t>(ry), 0);
    Sync();
}

void HostConnection::Button(int button, bool press)
{
    xcb_test_fake_input(mC, press ? XCB_BUTTON_PRESS : XCB_BUTTON_RELEASE,
                        static_cast<std::uint8_t>(button), XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
    Sync();
}

void HostConnection::Click(int rx, int ry, int button)
{
    MoveTo(rx, ry);
    Button(button, true);
    Button(button, false);
}

void HostConnection::Key(std::uint32_t keysym, bool press)
{
    xcb_key_symbols_t* syms = xcb_key_symbols_alloc(mC);
    xcb_keycode_t* codes = xcb_key_symbols_get_keycode(syms, keysym);
    if (codes && codes[0])
        xcb_test_fake_input(mC, press ? XCB_KEY_PRESS : XCB_KEY_RELEASE, codes[0],
                            XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
    std::free(codes);
    xcb_key_symbols_free(syms);
    Sync();
}

void HostConnection::Type(std::uint32_t keysym)
{
    Key(keysym, true);
    Key(keysym, false);
}

void HostConnection::Sync()
{
    std::free(xcb_get_input_focus_reply(mC, xcb_get_input_focus(mC), nullptr));
}

bool IdleUntil(const std::function<void()>& idle, const std::function<bool()>& done)
{
    for (int i = 0; i < 1000 && !done(); ++i)
    {
        idle();
        if (done()) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return done();
}
} // namespace xtest
