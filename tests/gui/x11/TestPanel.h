#pragma once

// A small panel on the real X11 layer: a flat background, a knob-like
// control that records every mouse and key event, a value text that opens the
// edit box on a right click and a control that opens a popup menu.

#include "framework/TestEffect.h"
#include "gui/IControl.h"
#include "gui/RecordingControls.h"
#include "gui/x11/IEditorWindow.h"

#include <string>
#include <vector>

// Any press: the popup menu; remembers the answer.
class MenuControl : public RecordingControl
{
  public:
    MenuControl(IEffectBase* plugin, const IBox& box) : RecordingControl(plugin, box, -1, 0x808000) {}
    void OnMouseDown(int x, int y, const MouseKeys& k) override
    {
        RecordingControl::OnMouseDown(x, y, k);
        IMenu menu;
        menu.AddItem("first");
        menu.AddItem("second", IMenuItem::kChecked);
        menu.AddItem("", IMenuItem::kSeparator);
        menu.AddItem("grayed", IMenuItem::kGrayed);
        menu.AddItem("last");
        IMenu* answer = GetCanvas()->CreateMenu(&menu, mRect);
        mMenus++;
        mChosen = answer ? answer->chosen : -1;
    }
    int mMenus = 0;
    int mChosen = -2;
};

constexpr int kPanelW = 240;
constexpr int kPanelH = 120;
constexpr std::uint32_t kBackgroundColour = 0x204060;

// The panel on TestEffect; the effect owns the canvas (AttachGraphics).
struct TestPanel
{
    TestEffect effect;
    IEditorWindow* window;
    RecordingControl* knob;
    EntryControl* text;
    MenuControl* menu;

    TestPanel()
    {
        window = new IEditorWindow(&effect, kPanelW, kPanelH, 30);
        window->AttachControl(new FlatControl(&effect, IBox(0, 0, kPanelW, kPanelH), kBackgroundColour));
        knob = new RecordingControl(&effect, IBox(10, 10, 70, 70), kThreshold, 0xc0c0c0);
        window->AttachControl(knob);
        text = new EntryControl(&effect, IBox(100, 10, 160, 30), kAttack, "0.5");
        window->AttachControl(text);
        menu = new MenuControl(&effect, IBox(100, 60, 160, 80));
        window->AttachControl(menu);
        effect.AttachGraphics(window);
    }
    void Idle() { window->OnHostIdle(); }
};
