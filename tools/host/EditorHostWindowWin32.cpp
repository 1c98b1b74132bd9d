#include "EditorHostWindow.h"

#include <windows.h>

#include <chrono>

namespace
{
const wchar_t kClassName[] = L"KorvalaHostEditorWindow";
constexpr UINT_PTR kIdleTimer = 1;
// A caption, a close box and a minimise box, no sizing border: editors do
// not scale. The plug-in's window is a child: the frame must not paint over it.
constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
// Windows of this class alive in the process; the class is registered while
// any is (GUI thread only).
int gClassUsers = 0;

std::wstring Widen(const std::string& text)
{
    const int n = MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, nullptr, 0);
    std::wstring wide(n > 0 ? static_cast<size_t>(n) : 1, L'\0');
    if (n > 0) MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, &wide[0], n);
    wide.resize(wide.size() - 1);
    return wide;
}

// The outer size of a window of our style whose inside is width x height.
SIZE OuterSize(int width, int height)
{
    RECT r = {0, 0, width, height};
    AdjustWindowRectEx(&r, kStyle, FALSE, 0);
    return SIZE{r.right - r.left, r.bottom - r.top};
}
} // namespace

struct EditorHostWindow::Impl
{
    HWND window = nullptr;
    bool open = false;
    // Set while Run() runs: the idle call and when to stop.
    const std::function<void()>* idle = nullptr;
    std::chrono::steady_clock::time_point begin;
    double quitAfterSeconds = 0.0;
    bool stop = false;

    static LRESULT CALLBACK Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    void OnIdleTimer();
};

LRESULT CALLBACK EditorHostWindow::Impl::Procedure(HWND hwnd, UINT message, WPARAM wParam,
                                                   LPARAM lParam)
{
    if (message == WM_NCCREATE)
    {
        const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* self = reinterpret_cast<Impl*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (!self) return DefWindowProcW(hwnd, message, wParam, lParam);
    switch (message)
    {
    case WM_CLOSE:
        // Not destroyed here: the plug-in closes its editor first (its
        // window is our child), then the edit command destroys ours.
        self->open = false;
        return 0;
    case WM_DESTROY:
        self->open = false;
        return 0;
    case WM_TIMER:
        if (wParam == kIdleTimer)
        {
            self->OnIdleTimer();
            return 0;
        }
        break;
    case WM_ERASEBKGND:
    {
        // Black until the plug-in's window covers the inside.
        RECT r;
        GetClientRect(hwnd, &r);
        FillRect(reinterpret_cast<HDC>(wParam), &r, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
        return 1;
    }
    default: break;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

void EditorHostWindow::Impl::OnIdleTimer()
{
    if (!idle || stop) return;
    (*idle)();
    const double elapsed =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
    if (quitAfterSeconds > 0.0 && elapsed >= quitAfterSeconds) stop = true;
}

EditorHostWindow::EditorHostWindow() : impl_(new Impl()) {}

EditorHostWindow::~EditorHostWindow()
{
    Destroy();
}

bool EditorHostWindow::Create(int width, int height, const std::string& title, std::string& error)
{
    Destroy();
    HINSTANCE instance = GetModuleHandleW(nullptr);
    if (gClassUsers == 0)
    {
        WNDCLASSEXW wc = {};
        wc.cbSize = sizeof(wc);
        wc.lpfnWndProc = &Impl::Procedure;
        wc.hInstance = instance;
        wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
        wc.lpszClassName = kClassName;
        if (!RegisterClassExW(&wc))
        {
            error = "cannot register the host window class (error " + std::to_string(GetLastError()) + ")";
            return false;
        }
    }
    ++gClassUsers;
    const SIZE outer = OuterSize(width, height);
    impl_->window = CreateWindowExW(0, kClassName, Widen(title).c_str(), kStyle, CW_USEDEFAULT,
                                    CW_USEDEFAULT, outer.cx, outer.cy, nullptr, nullptr, instance,
                                    impl_.get());
    if (!impl_->window)
    {
        error = "cannot create the host window (error " + std::to_string(GetLastError()) + ")";
        if (--gClassUsers == 0) UnregisterClassW(kClassName, instance);
        return false;
    }
    impl_->open = true;
    ShowWindow(impl_->window, SW_SHOWNORMAL);
    UpdateWindow(impl_->window);
    return true;
}

void EditorHostWindow::Resize(int width, int height)
{
    if (!impl_->window) return;
    const SIZE outer = OuterSize(width, height);
    SetWindowPos(impl_->window, nullptr, 0, 0, outer.cx, outer.cy,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void EditorHostWindow::Destroy()
{
    if (!impl_->window) return;
    DestroyWindow(impl_->window);
    impl_->window = nullptr;
    impl_->open = false;
    if (--gClassUsers == 0) UnregisterClassW(kClassName, GetModuleHandleW(nullptr));
}

void* EditorHostWindow::Handle() const
{
    return impl_->window;
}

bool EditorHostWindow::Pump()
{
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
    {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return impl_->open;
}

void EditorHostWindow::Run(double idleHz, double quitAfterSeconds, const std::function<void()>& idle)
{
    Impl& w = *impl_;
    if (!w.window) return;
    w.idle = &idle;
    w.begin = std::chrono::steady_clock::now();
    w.quitAfterSeconds = quitAfterSeconds;
    w.stop = false;
    SetTimer(w.window, kIdleTimer, static_cast<UINT>(1000.0 / idleHz), nullptr);
    MSG message;
    while (w.open && !w.stop)
    {
        const BOOL got = GetMessageW(&message, nullptr, 0, 0);
        if (got <= 0) break; // WM_QUIT or an error
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    KillTimer(w.window, kIdleTimer);
    w.idle = nullptr;
}

std::vector<std::uint32_t> EditorHostWindow::Capture(int width, int height)
{
    std::vector<std::uint32_t> pixels;
    if (!impl_->window || width <= 0 || height <= 0) return pixels;
    HWND source = GetWindow(impl_->window, GW_CHILD);
    if (!source) source = impl_->window;
    HDC screen = GetDC(source);
    if (!screen) return pixels;
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height; // top-down rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (memory && bitmap && bits)
    {
        HGDIOBJ previous = SelectObject(memory, bitmap);
        if (BitBlt(memory, 0, 0, width, height, screen, 0, 0, SRCCOPY))
        {
            GdiFlush();
            const auto* data = static_cast<const std::uint32_t*>(bits);
            pixels.reserve(static_cast<size_t>(width) * static_cast<size_t>(height));
            for (int i = 0; i < width * height; ++i) pixels.push_back(data[i] & 0xffffffu);
        }
        SelectObject(memory, previous);
    }
    if (bitmap) DeleteObject(bitmap);
    if (memory) DeleteDC(memory);
    ReleaseDC(source, screen);
    return pixels;
}
