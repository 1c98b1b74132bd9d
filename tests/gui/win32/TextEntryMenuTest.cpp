// The Win32 editor's native pieces: the subclassed edit box and its
// text-entry states, popup menus, the panel images from the module's
// resources and the services no control of the panel uses.
#include "Win32TestPanel.h"

#include "framework/IParameter.h"
#include "gui/win32/IModuleResources.h"
#include "raster/IBitmap.h"
#include "raster/IPngImage.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

using namespace win32test;

namespace
{

class Win32Entry : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        host = CreateHostWindow();
        ASSERT_NE(host, nullptr);
        MakePanel(kAttack);
    }
    void TearDown() override
    {
        panel.reset();
        DestroyWindow(host);
        Pump(0);
        EXPECT_EQ(IEditorWindow::ClassUseCount(), 0);
    }
    void MakePanel(int textParam)
    {
        panel.reset();
        panel.reset(new TestPanel(30, textParam));
        w = static_cast<HWND>(panel->window->OpenWindow(host));
        ASSERT_NE(w, nullptr);
        ASSERT_TRUE(PumpUntil([this] { return panel->window->TickCount() > 1; }));
    }
    // Right click on the value text: the edit box opens.
    HWND OpenEntry(const IBox& box = kTextBox)
    {
        SendMessageA(w, WM_RBUTTONDOWN, MK_RBUTTON, Point(box.left + 5, box.top + 5));
        SendMessageA(w, WM_RBUTTONUP, 0, Point(box.left + 5, box.top + 5));
        return static_cast<HWND>(panel->window->EditBox());
    }
    static void Type(HWND edit, const char* text)
    {
        for (const char* p = text; *p; ++p)
            SendMessageA(edit, WM_CHAR, static_cast<unsigned char>(*p), 1);
    }
    static std::string Text(HWND edit)
    {
        char buffer[64] = {};
        GetWindowTextA(edit, buffer, sizeof(buffer));
        return buffer;
    }
    void Tick() { SendMessageA(w, WM_TIMER, IEditorWindow::kTimerId, 0); }
    int Automations(int idx) const
    {
        int n = 0;
        for (const TestEffect::HostCall& c : panel->effect.mHost)
            n += c.mWhat == "automate" && c.mIdx == idx;
        return n;
    }
    double Plain(int idx) { return panel->effect.GetParam(idx)->Value(); }

    HWND host = nullptr;
    HWND w = nullptr;
    std::unique_ptr<TestPanel> panel;
};

// ---- the edit box --------------------------------------------------------------------

TEST_F(Win32Entry, RightClickOpensASelectedLimitedEditBoxOverTheControl)
{
    HWND edit = OpenEntry();
    ASSERT_NE(edit, nullptr);
    char className[32] = {};
    GetClassNameA(edit, className, sizeof(className));
    EXPECT_EQ(_stricmp(className, "Edit"), 0);
    EXPECT_EQ(GetParent(edit), w);
    EXPECT_EQ(GetDlgCtrlID(edit), IEditorWindow::kEditBoxId);
    EXPECT_EQ(Text(edit), "0.5");
    DWORD start = 99, end = 99;
    SendMessageA(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    EXPECT_EQ(start, 0u);
    EXPECT_EQ(end, 3u);
    EXPECT_EQ(SendMessageA(edit, EM_GETLIMITTEXT, 0, 0), 7);
    const LONG style = GetWindowLongA(edit, GWL_STYLE);
    EXPECT_TRUE(style & ES_MULTILINE);
    EXPECT_TRUE(style & ES_CENTER); // the default style is centred
    EXPECT_EQ(GetFocus(), edit);
    RECT r;
    GetWindowRect(edit, &r);
    MapWindowPoints(nullptr, w, reinterpret_cast<POINT*>(&r), 2);
    EXPECT_EQ(r.left, kTextBox.left);
    EXPECT_EQ(r.top, kTextBox.top);
    EXPECT_EQ(r.right - r.left, kTextBox.W() + 1);
    EXPECT_EQ(r.bottom - r.top, kTextBox.H() + 1);
    EXPECT_EQ(panel->window->EditControl(), panel->text);
    EXPECT_EQ(panel->window->EditParam(), panel->effect.GetParam(kAttack));
    // Opening sets no state; a second prompt while open does nothing.
    EXPECT_EQ(panel->window->EntryState(), IEditorWindow::kEntryIdle);
    panel->window->CreateTextEntry(panel->plainText, ITextStyle(), kPlainTextBox, "x", nullptr);
    EXPECT_EQ(panel->window->EditBox(), static_cast<void*>(edit));
}

TEST_F(Win32Entry, BoxTakesTheStylesAlignmentAndFontAndDeletesTheFontWhenClosed)
{
    struct Case
    {
        int alignment, style;
        LONG alignBits, weight;
        BYTE italic;
    };
    const Case cases[] = {
        {0, 1, 0, FW_BOLD, FALSE}, {1, 2, ES_CENTER, 0, TRUE}, {2, 0, ES_RIGHT, 0, FALSE}};
    for (const Case& c : cases)
    {
        ITextStyle style("Arial", 17, IArgb(255, 0, 0, 0), c.style, c.alignment);
        panel->window->CreateTextEntry(panel->plainText, style, kPlainTextBox, "x", nullptr);
        HWND edit = static_cast<HWND>(panel->window->EditBox());
        ASSERT_NE(edit, nullptr);
        EXPECT_EQ(GetWindowLongA(edit, GWL_STYLE) & (ES_CENTER | ES_RIGHT), c.alignBits)
            << c.alignment;
        HFONT font = reinterpret_cast<HFONT>(SendMessageA(edit, WM_GETFONT, 0, 0));
        ASSERT_NE(font, nullptr);
        LOGFONTA described = {};
        ASSERT_EQ(GetObjectA(font, sizeof(described), &described),
                  static_cast<int>(sizeof(described)));
        EXPECT_EQ(described.lfHeight, 17);
        EXPECT_EQ(described.lfWeight, c.weight);
        EXPECT_EQ(described.lfItalic, c.italic);
        EXPECT_STREQ(described.lfFaceName, "Arial");
        panel->window->CancelTextEntry();
        Tick();
        EXPECT_FALSE(IsWindow(edit));
        // The box's font went with it.
        EXPECT_EQ(GetObjectA(font, sizeof(described), &described), 0);
    }
}

TEST_F(Win32Entry, DigitsFollowedByALetterKeepOnlyTheDigits)
{
    HWND edit = OpenEntry();
    ASSERT_NE(edit, nullptr);
    Type(edit, "0.25x");
    EXPECT_EQ(Text(edit), "0.25");
    Type(edit, "\b");
    EXPECT_EQ(Text(edit), "0.2");
    Type(edit, "-+e ");
    EXPECT_EQ(Text(edit), "0.2-+");
    Type(edit, "12345");
    EXPECT_EQ(Text(edit), "0.2-+12"); // 7 characters at most
}

TEST_F(Win32Entry, EnumerationBoxDropsTheDecimalPointAndPlainBoxTakesEverything)
{
    MakePanel(kModelType);
    HWND edit = OpenEntry();
    ASSERT_NE(edit, nullptr);
    Type(edit, "1.5a");
    EXPECT_EQ(Text(edit), "15");
    SendMessageA(w, WM_LBUTTONDOWN, MK_LBUTTON, Point(2, 100));
    SendMessageA(w, WM_LBUTTONUP, 0, Point(2, 100));

    HWND plain = OpenEntry(kPlainTextBox);
    ASSERT_NE(plain, nullptr);
    Type(plain, "Hz. a");
    EXPECT_EQ(Text(plain), "Hz. a");
}

TEST_F(Win32Entry, ReturnCommitsOnTheNextTickNotAtOnce)
{
    HWND edit = OpenEntry();
    ASSERT_NE(edit, nullptr);
    const double before = Plain(kAttack);
    Type(edit, "0.25");
    EXPECT_EQ(SendMessageA(edit, WM_KEYDOWN, VK_RETURN, 0), 0);
    EXPECT_EQ(panel->window->EntryState(), IEditorWindow::kEntryCommit);
    EXPECT_EQ(Plain(kAttack), before);
    EXPECT_EQ(Automations(kAttack), 0);
    EXPECT_TRUE(IsWindow(edit));

    Tick();
    EXPECT_EQ(panel->window->EditBox(), nullptr);
    EXPECT_FALSE(IsWindow(edit));
    EXPECT_EQ(panel->window->EntryState(), IEditorWindow::kEntryIdle);
    EXPECT_NEAR(Plain(kAttack), 0.25, 1e-9);
    ASSERT_EQ(Automations(kAttack), 1);
    // The host hears the normalised value of what was typed.
    const IParameter* attack = panel->effect.GetParam(kAttack);
    EXPECT_NEAR(panel->effect.mHost.back().mValue, attack->ToNormalized(0.25), 1e-9);
}

TEST_F(Win32Entry, CommandCodeOneCommitsAndTextWithoutAParameterGoesToTheControl)
{
    HWND plain = OpenEntry(kPlainTextBox);
    ASSERT_NE(plain, nullptr);
    Type(plain, "two words");
    EXPECT_EQ(SendMessageA(plain, WM_COMMAND, MAKEWPARAM(0, 1), 0), 0);
    EXPECT_EQ(panel->window->EntryState(), IEditorWindow::kEntryCommit);
    EXPECT_EQ(panel->plainText->mEntryText, "");
    Tick();
    EXPECT_EQ(panel->plainText->mEntryText, "two wor"); // the length limit of 7
    EXPECT_EQ(panel->window->EditBox(), nullptr);
}

TEST_F(Win32Entry, DialogCodeOfABoxWithAParameterIsTheEditControlsOwn)
{
    MSG returnKey = {};
    returnKey.message = WM_KEYDOWN;
    returnKey.wParam = VK_RETURN;
    const LPARAM asked = reinterpret_cast<LPARAM>(&returnKey);
    // What a multi-line edit box that is not ours answers.
    HWND reference = CreateWindowExA(0, "EDIT", "", WS_CHILD | ES_MULTILINE, 0, 0, 10, 10, host,
                                     nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(reference, nullptr);
    const LRESULT own = SendMessageA(reference, WM_GETDLGCODE, VK_RETURN, asked);
    DestroyWindow(reference);

    HWND edit = OpenEntry();
    ASSERT_NE(edit, nullptr);
    EXPECT_EQ(SendMessageA(edit, WM_GETDLGCODE, VK_RETURN, asked), own);
    panel->window->CancelTextEntry();
    Tick();
    HWND plain = OpenEntry(kPlainTextBox);
    ASSERT_NE(plain, nullptr);
    EXPECT_EQ(SendMessageA(plain, WM_GETDLGCODE, VK_RETURN, asked), own | DLGC_WANTALLKEYS);
}

TEST_F(Win32Entry, WheelCancelsTheEntryAndMovesNothing)
{
    HWND edit = OpenEntry();
    ASSERT_NE(edit, nullptr);
    Type(edit, "0.3");
    RECT screen;
    GetWindowRect(w, &screen);
    SendMessageA(w, WM_MOUSEWHEEL, MAKEWPARAM(0, 120), Point(screen.left + 30, screen.top + 30));
    EXPECT_EQ(panel->window->EntryState(), IEditorWindow::kEntryCancel);
    EXPECT_EQ(panel->knob->Count("wheel"), 0);
    Tick();
    EXPECT_EQ(panel->window->EditBox(), nullptr);
    EXPECT_FALSE(IsWindow(edit));
    EXPECT_EQ(Automations(kAttack), 0);
    EXPECT_EQ(Automations(kThreshold), 0);
}

TEST_F(Win32Entry, ClickOnThePanelDropsTheBoxAtOnceAndReachesTheControl)
{
    HWND edit = OpenEntry();
    ASSERT_NE(edit, nullptr);
    Type(edit, "0.3");
    SendMessageA(w, WM_LBUTTONDOWN, MK_LBUTTON, Point(20, 20));
    EXPECT_FALSE(IsWindow(edit));
    EXPECT_EQ(panel->window->EditBox(), nullptr);
    EXPECT_EQ(panel->window->EntryState(), IEditorWindow::kEntryIdle);
    EXPECT_EQ(panel->knob->Count("down"), 1);
    EXPECT_EQ(GetFocus(), w);
    SendMessageA(w, WM_LBUTTONUP, 0, Point(20, 20));
    EXPECT_EQ(Automations(kAttack), 0);
}

TEST_F(Win32Entry, FocusLossCancelsAndFocusRegainedFreezesThePanel)
{
    HWND edit = OpenEntry();
    ASSERT_NE(edit, nullptr);
    SetFocus(w);
    EXPECT_EQ(panel->window->EntryState(), IEditorWindow::kEntryCancel);
    SetFocus(edit);
    EXPECT_EQ(panel->window->EntryState(), IEditorWindow::kEntryFocused);

    // Focused again: the panel's timer and input are ignored, a press only
    // asks for a cancel.
    const int ticks = panel->window->TickCount();
    Tick();
    EXPECT_EQ(panel->window->TickCount(), ticks);
    EXPECT_TRUE(IsWindow(edit));
    SendMessageA(w, WM_MOUSEWHEEL, MAKEWPARAM(0, 120), 0);
    EXPECT_EQ(panel->window->EntryState(), IEditorWindow::kEntryFocused);
    SendMessageA(w, WM_LBUTTONDOWN, MK_LBUTTON, Point(20, 20));
    EXPECT_EQ(panel->knob->Count("down"), 0);
    EXPECT_EQ(panel->window->EntryState(), IEditorWindow::kEntryCancel);
    Tick();
    EXPECT_FALSE(IsWindow(edit));
    EXPECT_EQ(Automations(kAttack), 0);
}

TEST_F(Win32Entry, TicksAroundAnOpenBoxAlternateBetweenRedrawnAndIdle)
{
    HWND edit = OpenEntry();
    ASSERT_NE(edit, nullptr);
    panel->knob->SetDirty(false);
    Tick();
    EXPECT_EQ(panel->window->EntryState(), IEditorWindow::kEntryRedrawn);
    EXPECT_FALSE(panel->knob->IsDirty());
    panel->knob->SetDirty(false);
    Tick();
    // This tick only returns to idle; the knob waits for the next one.
    EXPECT_EQ(panel->window->EntryState(), IEditorWindow::kEntryIdle);
    EXPECT_TRUE(panel->knob->IsDirty());
    EXPECT_TRUE(IsWindow(edit));
}

TEST_F(Win32Entry, ClosingTheWindowWithAnOpenBoxLeavesNoEntryBehind)
{
    HWND edit = OpenEntry();
    ASSERT_NE(edit, nullptr);
    panel->window->CloseWindow();
    EXPECT_FALSE(IsWindow(edit));
    EXPECT_EQ(panel->window->EditBox(), nullptr);
    EXPECT_EQ(panel->window->EditControl(), nullptr);
    w = static_cast<HWND>(panel->window->OpenWindow(host));
    ASSERT_NE(w, nullptr);
    EXPECT_NE(OpenEntry(), nullptr);
}

// ---- popup menus -------------------------------------------------------------------------

// Ends a menu loop that the queued keys failed to end, so that a fault
// fails the test instead of hanging it. The loop dispatches thread timers.
class MenuWatchdog
{
  public:
    MenuWatchdog() : mTimer(SetTimer(nullptr, 0, 8000, &MenuWatchdog::Fire)) {}
    ~MenuWatchdog() { KillTimer(nullptr, mTimer); }
    MenuWatchdog(const MenuWatchdog&) = delete;
    MenuWatchdog& operator=(const MenuWatchdog&) = delete;

  private:
    static void CALLBACK Fire(HWND, UINT, UINT_PTR, DWORD) { EndMenu(); }
    UINT_PTR mTimer;
};

TEST_F(Win32Entry, DismissedMenuReturnsNullAndChangesNothing)
{
    MenuWatchdog watchdog;
    // The menu loop takes the queued Escape.
    PostMessageA(w, WM_KEYDOWN, VK_ESCAPE, 0);
    SendMessageA(w, WM_LBUTTONDOWN, MK_LBUTTON, Point(kMenuBox.left + 5, kMenuBox.top + 5));
    MenuControl& menu = *panel->menu;
    EXPECT_EQ(menu.mMenus, 1);
    EXPECT_EQ(menu.mChosen, -1);
    EXPECT_FALSE(menu.mAnswerWasMenu);
    EXPECT_EQ(Automations(kRatio), 0);
    // The menu took the release: the gesture still ends.
    EXPECT_EQ(menu.Count("up"), 1);
    int begins = 0, ends = 0;
    for (const TestEffect::HostCall& c : panel->effect.mHost)
    {
        begins += c.mWhat == "begin";
        ends += c.mWhat == "end";
    }
    EXPECT_EQ(begins, 1);
    EXPECT_EQ(ends, 1);
    EXPECT_EQ(panel->window->MouseCapture(), -1);
    PumpQueued();
}

TEST_F(Win32Entry, CancelModeAlsoDismissesTheMenu)
{
    MenuWatchdog watchdog;
    PostMessageA(w, WM_CANCELMODE, 0, 0);
    SendMessageA(w, WM_LBUTTONDOWN, MK_LBUTTON, Point(kMenuBox.left + 5, kMenuBox.top + 5));
    EXPECT_EQ(panel->menu->mMenus, 1);
    EXPECT_EQ(panel->menu->mChosen, -1);
    PumpQueued();
}

TEST_F(Win32Entry, KeyboardChoiceReturnsTheMenuWithTheChosenIndex)
{
    MenuWatchdog watchdog;
    // Down to "first", down to "second", Return; the Escape after it only
    // ends a menu that Return did not.
    PostMessageA(w, WM_KEYDOWN, VK_DOWN, 0);
    PostMessageA(w, WM_KEYDOWN, VK_DOWN, 0);
    // Windows chooses on the key, Wine on the character that follows it.
    PostMessageA(w, WM_KEYDOWN, VK_RETURN, 0);
    PostMessageA(w, WM_CHAR, '\r', 0);
    PostMessageA(w, WM_KEYDOWN, VK_ESCAPE, 0);
    SendMessageA(w, WM_LBUTTONDOWN, MK_LBUTTON, Point(kMenuBox.left + 5, kMenuBox.top + 5));
    EXPECT_EQ(panel->menu->mMenus, 1);
    EXPECT_TRUE(panel->menu->mAnswerWasMenu);
    EXPECT_EQ(panel->menu->mChosen, 1);
    PumpQueued();
}

// Reads the items of the popup menu on the screen (through its window's
// MN_GETHMENU) and then dismisses it; a thread timer runs inside the menu
// loop.
struct ShownMenu
{
    std::vector<std::string> labels;
    std::vector<UINT> states;
    RECT where = {};
    bool seen = false;

    static ShownMenu& Current()
    {
        static ShownMenu shown;
        return shown;
    }
    static void CALLBACK Read(HWND, UINT, UINT_PTR, DWORD)
    {
        ShownMenu& shown = Current();
        if (shown.seen) return;
        HWND window = FindWindowA("#32768", nullptr);
        HMENU menu =
            window ? reinterpret_cast<HMENU>(SendMessageA(window, 0x01E1 /* MN_GETHMENU */, 0, 0))
                   : nullptr;
        if (!menu) return;
        for (int i = 0; i < GetMenuItemCount(menu); ++i)
        {
            char text[64] = {};
            GetMenuStringA(menu, static_cast<UINT>(i), text, sizeof(text), MF_BYPOSITION);
            shown.labels.push_back(text);
            shown.states.push_back(GetMenuState(menu, static_cast<UINT>(i), MF_BYPOSITION));
        }
        GetWindowRect(window, &shown.where);
        shown.seen = true;
        EndMenu();
    }
};

TEST_F(Win32Entry, MenuShowsNumberedItemsWithTheirFlags)
{
    const char* expected[4][5] = {{"first", "second", "", "grayed", "last"},
                                  {"1: first", "2: second", "", "4: grayed", "5: last"},
                                  {"01: first", "02: second", "", "04: grayed", "05: last"},
                                  {"001: first", "002: second", "", "004: grayed", "005: last"}};
    for (int prefix = 0; prefix < 4; ++prefix)
    {
        MenuWatchdog watchdog;
        ShownMenu::Current() = ShownMenu();
        const UINT_PTR reader = SetTimer(nullptr, 0, 50, &ShownMenu::Read);
        panel->menu->mPrefix = prefix;
        SendMessageA(w, WM_LBUTTONDOWN, MK_LBUTTON, Point(kMenuBox.left + 5, kMenuBox.top + 5));
        KillTimer(nullptr, reader);
        const ShownMenu& shown = ShownMenu::Current();
        ASSERT_TRUE(shown.seen) << prefix;
        ASSERT_EQ(shown.labels.size(), 5u);
        for (int i = 0; i < 5; ++i)
            EXPECT_EQ(shown.labels[i], expected[prefix][i]) << prefix;
        EXPECT_TRUE(shown.states[1] & MF_CHECKED);
        EXPECT_FALSE(shown.states[0] & (MF_CHECKED | MF_GRAYED));
        EXPECT_TRUE(shown.states[2] & MF_SEPARATOR);
        EXPECT_TRUE(shown.states[3] & MF_GRAYED);
        EXPECT_EQ(panel->menu->mChosen, -1);
        // Anchored at the control's bottom-left corner.
        POINT anchor = {kMenuBox.left, kMenuBox.bottom};
        ClientToScreen(w, &anchor);
        EXPECT_EQ(shown.where.left, anchor.x);
        EXPECT_EQ(shown.where.top, anchor.y);
        PumpQueued();
    }
}

TEST_F(Win32Entry, MenuWithoutItemsOrWindowReturnsNull)
{
    IMenu empty;
    EXPECT_EQ(panel->window->CreateMenu(&empty, kMenuBox), nullptr);
    EXPECT_EQ(panel->window->CreateMenu(nullptr, kMenuBox), nullptr);
    panel->window->CloseWindow();
    IMenu one;
    one.AddItem("only");
    EXPECT_EQ(panel->window->CreateMenu(&one, kMenuBox), nullptr);
    EXPECT_EQ(one.chosen, -1);
}

// ---- images and services -------------------------------------------------------------------

TEST(Win32Resources, PanelImagesLoadFromPngResourcesByName)
{
    TestEffect effect;
    IEditorWindow window(&effect, kPanelW, kPanelH, 30);
    EXPECT_EQ(window.ModuleInstance(), IModuleResources::ThisModule());
    std::unique_ptr<IBitmap> background(window.LoadImageResource(100, "bg2.png"));
    ASSERT_NE(background, nullptr);
    EXPECT_EQ(background->Width(), 552);
    EXPECT_EQ(background->Height(), 200);
    std::unique_ptr<IBitmap> upper(window.LoadImageResource(105, "faderhandle.PNG"));
    ASSERT_NE(upper, nullptr);
    EXPECT_EQ(upper->Width(), 12);
    EXPECT_EQ(window.LoadImageResource(100, "bg2.bmp"), nullptr);
    EXPECT_EQ(window.LoadImageResource(100, "png"), nullptr);
    EXPECT_EQ(window.LoadImageResource(100, nullptr), nullptr);
    EXPECT_EQ(window.LoadImageResource(200, "tiny.png"), nullptr);   // under 8 bytes
    EXPECT_EQ(window.LoadImageResource(201, "script.png"), nullptr); // not a PNG
    EXPECT_EQ(window.LoadImageResource(202, "rcdata.png"), nullptr); // not type "PNG"
    EXPECT_EQ(window.LoadImageResource(999, "missing.png"), nullptr);
}

TEST(Win32Services, PathsAreTheModuleFoldersEndingInABackslash)
{
    TestEffect effect;
    IEditorWindow window(&effect, kPanelW, kPanelH, 30);
    char program[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, program, sizeof(program));
    std::string expected(program);
    expected.erase(expected.rfind('\\') + 1);
    std::string hostPath, pluginPath;
    window.HostPath(hostPath);
    window.PluginPath(pluginPath);
    if (expected.size() < 256)
    {
        EXPECT_EQ(hostPath, expected);
        // This program is also the module the code is linked into.
        EXPECT_EQ(pluginPath, expected);
    }
    window.SetModuleInstance(nullptr);
    window.PluginPath(pluginPath);
    EXPECT_EQ(pluginPath, hostPath);
}

TEST(Win32Services, DialogsNeedAnOpenWindow)
{
    TestEffect effect;
    IEditorWindow window(&effect, kPanelW, kPanelH, 30);
    std::string file = "preset.fxp", folder = "C:\\";
    window.PromptForFile(file, 0, folder, "fxp fxb");
    EXPECT_TRUE(file.empty());
    EXPECT_EQ(folder, "C:\\");
    IArgb colour(10, 20, 30, 40);
    EXPECT_FALSE(window.PromptForColour(colour, "Colour"));
    EXPECT_EQ(colour.A, 10);
    EXPECT_EQ(colour.R, 20);
    EXPECT_FALSE(window.OpenURL(nullptr, "caption", nullptr, nullptr));
}

TEST(Win32EditFilter, CharactersPassByParameterType)
{
    IParameter boolean, enumeration, real, none;
    boolean.InitBool("b", false);
    enumeration.InitEnum("e", 0, 3);
    real.InitDouble("d", 0.0, 0.0, 1.0, 0.01);
    for (unsigned c = 1; c < 256; ++c)
    {
        const bool digitOrSign = (c >= '0' && c <= '9') || c == '-' || c == '+';
        const bool backspace = c == 8;
        EXPECT_EQ(IEditorWindow::EditBoxTakesChar(&boolean, c), digitOrSign || backspace) << c;
        EXPECT_EQ(IEditorWindow::EditBoxTakesChar(&enumeration, c), digitOrSign || backspace) << c;
        EXPECT_EQ(IEditorWindow::EditBoxTakesChar(&real, c), digitOrSign || backspace || c == '.')
            << c;
        EXPECT_TRUE(IEditorWindow::EditBoxTakesChar(&none, c)) << c;
        EXPECT_TRUE(IEditorWindow::EditBoxTakesChar(nullptr, c)) << c;
    }
}

} // namespace
