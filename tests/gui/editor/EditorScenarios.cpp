#include "EditorScenarios.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

namespace scenarios
{
namespace
{
Step Move(int x, int y)
{
    Step s{Step::kMove};
    s.x = x;
    s.y = y;
    return s;
}
Step Press()
{
    return Step{Step::kPress};
}
Step Release()
{
    return Step{Step::kRelease};
}
Step Settle()
{
    return Step{Step::kSettle};
}
Step TypeKey(int key)
{
    Step s{Step::kType};
    s.key = key;
    return s;
}
Step WheelAt(int x, int y, int notches, bool shift = false)
{
    Step s{Step::kWheel};
    s.x = x;
    s.y = y;
    s.notches = notches;
    s.shift = shift;
    return s;
}
Step DoubleClickAt(int x, int y)
{
    Step s{Step::kDoubleClick};
    s.x = x;
    s.y = y;
    return s;
}
Step Check(std::function<void(Context&)> check)
{
    Step s{Step::kCheck};
    s.check = std::move(check);
    return s;
}

// A click of the left button at (x, y), then a pause.
void Click(std::vector<Step>& steps, int x, int y)
{
    steps.insert(steps.end(), {Move(x, y), Press(), Release(), Settle()});
}

// A press at (x, y), the pointer moved by (dx, dy) in four equal moves, the
// release, a pause.
void Drag(std::vector<Step>& steps, int x, int y, int dx, int dy)
{
    steps.push_back(Move(x, y));
    steps.push_back(Press());
    for (int i = 1; i <= 4; ++i) steps.push_back(Move(x + dx * i / 4, y + dy * i / 4));
    steps.push_back(Release());
    steps.push_back(Settle());
}

void Type(std::vector<Step>& steps, const std::string& text)
{
    for (char c : text) steps.push_back(TypeKey(c));
}

// Panel places (BraskoKorvalaPanel): the threshold knob's centre, the
// sidechain filter knob's value text, the model selector's column.
constexpr int kThresholdX = 94, kThresholdY = 106;
constexpr int kFilterTextX = 378, kFilterTextY = 141;
constexpr int kModelX = 449;

std::vector<Scenario> Build()
{
    std::vector<Scenario> all;
    {
        Scenario s{"VerticalDragOnThresholdKnobRaisesItInOneGesture", {{kThreshold, 0.2f}}, {}};
        Drag(s.steps, kThresholdX, kThresholdY, 0, -40);
        s.steps.push_back(Check([](Context& c) {
            c.ExpectOneGesture(kThreshold);
            EXPECT_GT(c.plugin.GetParameter(kThreshold), 0.2f);
        }));
        all.push_back(s);
    }
    {
        // The handle of a fader at 80 % sits at 80 % of its travel (126 px,
        // handle 14 px, top at y = 16) from the bottom.
        Scenario s{"FaderDragDownLowersTheInputGain", {{kInputGain, 0.8f}}, {}};
        const int handleY = 16 + static_cast<int>((1.0 - 0.8) * (126 - 14)) + 7;
        Drag(s.steps, 36, handleY, 0, 30);
        s.steps.push_back(Check([](Context& c) {
            c.ExpectOneGesture(kInputGain);
            EXPECT_LT(c.plugin.GetParameter(kInputGain), 0.8f);
        }));
        all.push_back(s);
    }
    {
        // Three bands of 14 px from y = 82; the selector starts at VCA.
        Scenario s{"ModelSelectorBandsPickTheModelAndBandEdgesDoNot", {{kModelType, 0.0f}}, {}};
        const struct
        {
            int y;
            float model;
        } clicks[] = {{117, 1.0f}, {103, 0.5f}, {89, 0.0f}, {110, 0.0f}};
        for (const auto& k : clicks)
        {
            Click(s.steps, kModelX, k.y);
            const float model = k.model;
            const int y = k.y;
            s.steps.push_back(Check([model, y](Context& c) {
                EXPECT_FLOAT_EQ(c.plugin.GetParameter(kModelType), model) << "click at y = " << y;
            }));
        }
        s.steps.push_back(Check([](Context& c) {
            EXPECT_EQ(c.Count(audioMasterBeginEdit, kModelType), c.Count(audioMasterEndEdit, kModelType));
            EXPECT_FLOAT_EQ(c.LastAutomation(kModelType), 0.0f);
        }));
        all.push_back(s);
    }
    {
        Scenario s{"EachSwitchTogglesOnAClickAndBackOnTheNext",
                   {{kOversampling, 0.0f}, {kAnalogEmulation, 1.0f}, {kExternalSidechain, 0.0f}},
                   {}};
        const int switches[][3] = {{kOversampling, 82, 183}, {kAnalogEmulation, 146, 183},
                                   {kExternalSidechain, 224, 183}};
        for (const auto& sw : switches)
        {
            const int param = sw[0];
            Click(s.steps, sw[1], sw[2]);
            s.steps.push_back(Check([param](Context& c) {
                EXPECT_FLOAT_EQ(c.plugin.GetParameter(param), param == kAnalogEmulation ? 0.0f : 1.0f)
                    << "parameter " << param;
                EXPECT_FLOAT_EQ(c.LastAutomation(param), c.plugin.GetParameter(param));
            }));
            Click(s.steps, sw[1], sw[2]);
            s.steps.push_back(Check([param](Context& c) {
                EXPECT_FLOAT_EQ(c.plugin.GetParameter(param), param == kAnalogEmulation ? 1.0f : 0.0f)
                    << "parameter " << param;
                EXPECT_EQ(c.Count(audioMasterBeginEdit, param), 2) << "parameter " << param;
                EXPECT_EQ(c.Count(audioMasterEndEdit, param), 2) << "parameter " << param;
            }));
        }
        all.push_back(s);
    }
    {
        // One notch moves a knob by 1 % of its travel, a tenth of that with
        // Shift (the threshold's 0.1 dB steps may round either).
        Scenario s{"WheelOnAKnobStepsFinerWithShift", {{kThreshold, 0.5f}}, {}};
        auto coarse = std::make_shared<float>(0.0f);
        s.steps.push_back(WheelAt(kThresholdX, kThresholdY, 1));
        s.steps.push_back(Settle());
        s.steps.push_back(Check([coarse](Context& c) {
            *coarse = c.plugin.GetParameter(kThreshold) - 0.5f;
            EXPECT_NEAR(*coarse, 0.01f, 0.002f);
            EXPECT_FLOAT_EQ(c.LastAutomation(kThreshold), c.plugin.GetParameter(kThreshold));
        }));
        s.steps.push_back(WheelAt(kThresholdX, kThresholdY, 1, true));
        s.steps.push_back(Settle());
        s.steps.push_back(Check([coarse](Context& c) {
            const float fine = c.plugin.GetParameter(kThreshold) - 0.5f - *coarse;
            EXPECT_GT(fine, 0.0f);
            EXPECT_LT(fine, *coarse / 2);
        }));
        s.steps.push_back(WheelAt(kThresholdX, kThresholdY, -3));
        s.steps.push_back(Settle());
        s.steps.push_back(Check([coarse](Context& c) {
            EXPECT_NEAR(c.plugin.GetParameter(kThreshold), 0.5f - 2 * *coarse, 0.004f);
        }));
        all.push_back(s);
    }
    {
        // The sidechain filter spans 20..500 Hz; the letter cannot be part of
        // a number and is dropped, and nothing reaches the host before Return.
        Scenario s{"TypedValueWithoutTheLetterReachesTheHostAfterReturn", {}, {}};
        Click(s.steps, kFilterTextX, kFilterTextY);
        s.steps.push_back(Check([](Context& c) { c.plugin.ClearRecords(); }));
        Type(s.steps, "150a");
        s.steps.push_back(Settle());
        s.steps.push_back(Check([](Context& c) {
            EXPECT_EQ(c.Count(audioMasterAutomate, kSidechainFilter), 0);
        }));
        s.steps.push_back(TypeKey(kKeyReturn));
        // The value is taken on the editor's next tick, not while the key is
        // handled.
        s.steps.push_back(Check([](Context& c) {
            EXPECT_EQ(c.Count(audioMasterAutomate, kSidechainFilter), 0);
        }));
        s.steps.push_back(Check([](Context& c) {
            ASSERT_TRUE(c.driver.RunUntil(
                [&c] { return c.Count(audioMasterAutomate, kSidechainFilter) > 0; }));
            const std::string display = c.plugin.ParameterDisplay(kSidechainFilter);
            EXPECT_EQ(display.rfind("150", 0), 0u) << display;
            EXPECT_FLOAT_EQ(c.LastAutomation(kSidechainFilter), c.plugin.GetParameter(kSidechainFilter));
        }));
        all.push_back(s);
    }
    {
        Scenario s{"WheelCancelsAnOpenTextEntryAndChangesNothing", {}, {}};
        Click(s.steps, kFilterTextX, kFilterTextY);
        s.steps.push_back(Check([](Context& c) { c.plugin.ClearRecords(); }));
        Type(s.steps, "7");
        s.steps.push_back(WheelAt(kFilterTextX, kFilterTextY, -1));
        s.steps.push_back(Settle());
        // The entry is gone: typing and Return now reach no entry.
        Type(s.steps, "9");
        s.steps.push_back(TypeKey(kKeyReturn));
        s.steps.push_back(Settle());
        s.steps.push_back(Check([](Context& c) {
            EXPECT_EQ(c.Count(audioMasterAutomate, kSidechainFilter), 0);
            EXPECT_FLOAT_EQ(c.plugin.GetParameter(kSidechainFilter), c.defaults[kSidechainFilter]);
        }));
        all.push_back(s);
    }
    {
        // A press on the panel away from the box drops the entry unused.
        Scenario s{"ClickOnThePanelDropsAnOpenTextEntry", {}, {}};
        Click(s.steps, kFilterTextX, kFilterTextY);
        s.steps.push_back(Check([](Context& c) { c.plugin.ClearRecords(); }));
        Type(s.steps, "300");
        Click(s.steps, 300, 160); // bare background
        s.steps.push_back(TypeKey(kKeyReturn));
        s.steps.push_back(Settle());
        s.steps.push_back(Check([](Context& c) {
            EXPECT_EQ(c.Count(audioMasterAutomate, kSidechainFilter), 0);
            EXPECT_FLOAT_EQ(c.plugin.GetParameter(kSidechainFilter), c.defaults[kSidechainFilter]);
        }));
        all.push_back(s);
    }
    {
        Scenario s{"DoubleClickOnAKnobRestoresItsDefault", {{kThreshold, 0.2f}}, {}};
        s.steps.push_back(Check([](Context& c) { ASSERT_NE(c.defaults[kThreshold], 0.2f); }));
        s.steps.push_back(DoubleClickAt(kThresholdX, kThresholdY));
        s.steps.push_back(Settle());
        s.steps.push_back(Check([](Context& c) {
            EXPECT_FLOAT_EQ(c.plugin.GetParameter(kThreshold), c.defaults[kThreshold]);
            EXPECT_FLOAT_EQ(c.LastAutomation(kThreshold), c.defaults[kThreshold]);
            // No gesture is left open, and none is ended that never began:
            // the first click is one gesture, the double click begins none
            // and so its release ends none.
            EXPECT_EQ(c.Count(audioMasterBeginEdit, kThreshold), c.Count(audioMasterEndEdit, kThreshold));
        }));
        all.push_back(s);
    }
    {
        // No control of this panel takes keys: the host hears nothing.
        Scenario s{"KeysOverAKnobChangeNothing", {{kThreshold, 0.3f}}, {}};
        s.steps.push_back(Move(kThresholdX, kThresholdY));
        for (int key : {int(kKeyUp), int(kKeyDown), int('5'), int('q'), int(kKeyReturn)})
            s.steps.push_back(TypeKey(key));
        s.steps.push_back(Settle());
        s.steps.push_back(Check([](Context& c) {
            EXPECT_TRUE(c.plugin.Requests().empty()) << c.plugin.Requests().size() << " requests";
            EXPECT_FLOAT_EQ(c.plugin.GetParameter(kThreshold), 0.3f);
        }));
        all.push_back(s);
    }
    return all;
}
} // namespace

int Context::Count(VstInt32 opcode, int index) const
{
    int n = 0;
    for (const HostRequest& r : plugin.Requests()) n += r.opcode == opcode && r.index == index;
    return n;
}

float Context::LastAutomation(int index) const
{
    float v = -1.0f;
    for (const HostRequest& r : plugin.Requests())
        if (r.opcode == audioMasterAutomate && r.index == index) v = r.opt;
    return v;
}

void Context::ExpectOneGesture(int index) const
{
    std::vector<VstInt32> seq;
    for (const HostRequest& r : plugin.Requests())
        if (r.index == index) seq.push_back(r.opcode);
    std::string text;
    for (VstInt32 op : seq) text += std::to_string(op) + " ";
    EXPECT_EQ(std::count(seq.begin(), seq.end(), audioMasterBeginEdit), 1) << text;
    EXPECT_EQ(std::count(seq.begin(), seq.end(), audioMasterEndEdit), 1) << text;
    const auto begin = std::find(seq.begin(), seq.end(), audioMasterBeginEdit);
    const auto end = std::find(seq.begin(), seq.end(), audioMasterEndEdit);
    EXPECT_LT(begin - seq.begin(), end - seq.begin()) << text;
    EXPECT_GE(std::count(begin, end, audioMasterAutomate), 1) << text;
    EXPECT_FLOAT_EQ(LastAutomation(index), plugin.GetParameter(index));
}

const std::vector<Scenario>& All()
{
    static const std::vector<Scenario> all = Build();
    return all;
}

std::vector<float> ReadParameters(PluginInstance& plugin)
{
    std::vector<float> values;
    for (VstInt32 i = 0; i < plugin.Effect()->numParams; ++i) values.push_back(plugin.GetParameter(i));
    return values;
}

void Run(const Scenario& scenario, PluginInstance& plugin, InputDriver& driver,
         const std::vector<float>& defaults)
{
    for (const auto& set : scenario.hostSets) plugin.SetParameter(set.first, set.second);
    driver.Settle();
    plugin.ClearRecords();
    Context context{plugin, driver, defaults};
    for (size_t i = 0; i < scenario.steps.size(); ++i)
    {
        const Step& step = scenario.steps[i];
        SCOPED_TRACE("step " + std::to_string(i));
        switch (step.kind)
        {
        case Step::kMove: driver.MoveTo(step.x, step.y); break;
        case Step::kPress: driver.Button(true); break;
        case Step::kRelease: driver.Button(false); break;
        case Step::kDoubleClick: driver.DoubleClick(step.x, step.y); break;
        case Step::kWheel: driver.Wheel(step.x, step.y, step.notches, step.shift); break;
        case Step::kType: driver.Type(step.key); break;
        case Step::kSettle: driver.Settle(); break;
        case Step::kCheck: step.check(context); break;
        }
        if (::testing::Test::HasFatalFailure()) return;
    }
}
} // namespace scenarios
