#pragma once

// The user's side of BraskoKorvala's editor, written once for every window
// layer: each scenario is a sequence of abstract input events in panel
// coordinates (pixels from the panel's top-left corner) with checks of what
// the host sees in between and at the end (the parameters as read through
// the effect record, and the automate / begin edit / end edit requests the
// plug-in made). A driver per window system turns the events into real
// input: XTest on X11 (tests/gui/x11), posted and sent window messages on
// Win32 (tests/gui/win32, run under Wine).

#include "PluginInstance.h"

#include <functional>
#include <string>
#include <vector>

namespace scenarios
{
constexpr int kPanelWidth = 552;
constexpr int kPanelHeight = 200;

// Parameter indices, as the host numbers them.
enum Param
{
    kInputGain = 0,
    kModelType = 1,
    kThreshold = 2,
    kOversampling = 7,
    kAnalogEmulation = 8,
    kSidechainFilter = 9,
    kExternalSidechain = 10,
};

// Keys: printable characters are themselves ('0'..'9', 'a'..'z', '.');
// the others are named here.
enum Key
{
    kKeyReturn = 0x0d,
    kKeyUp = 0x101,
    kKeyDown = 0x102,
};

// Turns abstract input into the window system's input to the editor opened
// in the host's window, and lets the editor handle it. The left button is
// the only one used; the pointer stays where the last event left it.
class InputDriver
{
  public:
    virtual ~InputDriver() = default;
    // Pointer motion to (x, y); with the left button held when it is down.
    virtual void MoveTo(int x, int y) = 0;
    // The left button pressed or released where the pointer is.
    virtual void Button(bool press) = 0;
    // Two clicks of the left button at (x, y), close enough in time to be a
    // double click.
    virtual void DoubleClick(int x, int y) = 0;
    // notches clicks of the wheel at (x, y), > 0 away from the user (up);
    // with Shift held when shift.
    virtual void Wheel(int x, int y, int notches, bool shift) = 0;
    // A key pressed and released (Key or a printable character).
    virtual void Type(int key) = 0;
    // Lets the editor take in everything injected so far (its timer or the
    // host's idle calls run meanwhile), and keeps the next click from pairing
    // with the last one as a double click.
    virtual void Settle() = 0;
    // Runs the editor until done() or about five seconds passed; answers done().
    virtual bool RunUntil(const std::function<bool()>& done) = 0;
};

// What a check may look at and use.
struct Context
{
    PluginInstance& plugin;
    InputDriver& driver;
    // Every parameter's normalised value right after the plug-in was opened
    // (its default as the host first saw it).
    std::vector<float> defaults;

    int Count(VstInt32 opcode, int index) const;
    // The last automated value of index, -1 when there was none.
    float LastAutomation(int index) const;
    // Exactly one begin and one end edit of index, in that order, at least
    // one automation between, the last automated value being the parameter's.
    void ExpectOneGesture(int index) const;
};

struct Step
{
    enum Kind
    {
        kMove,
        kPress,
        kRelease,
        kDoubleClick,
        kWheel,
        kType,
        kSettle,
        kCheck,
    };
    explicit Step(Kind k) : kind(k) {}
    Kind kind;
    int x = 0, y = 0;
    int notches = 0;
    bool shift = false;
    int key = 0;
    std::function<void(Context&)> check; // kCheck
};

struct Scenario
{
    std::string name; // a behaviour, usable as a test name
    // Values the host sets (setParameter) before the input; the editor takes
    // them in and the host's records are cleared before the first step.
    std::vector<std::pair<int, float>> hostSets;
    std::vector<Step> steps;
};

// Every scenario, in a fixed order.
const std::vector<Scenario>& All();

// Sets the scenario's host values, then runs its steps through driver;
// the checks report through GoogleTest.
void Run(const Scenario& scenario, PluginInstance& plugin, InputDriver& driver,
         const std::vector<float>& defaults);

// Every parameter's normalised value as the host reads it now.
std::vector<float> ReadParameters(PluginInstance& plugin);
} // namespace scenarios
