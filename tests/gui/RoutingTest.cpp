// Mouse and key routing: which control an event reaches, capture, drag
// deltas and the double-click paths.

#include "CanvasTestSupport.h"

#include <gtest/gtest.h>

using namespace canvas_test;

namespace
{
using Events = std::vector<std::string>;

const MouseKeys kLeft{1, 0, 0, 0, 0};

// A background at 0 and two controls overlapping on x 20..29.
struct Panel
{
    Panel()
    {
        background = new ProbeControl(IBox(0, 0, 64, 48));
        lower = new ProbeControl(IBox(10, 10, 30, 30));
        upper = new ProbeControl(IBox(20, 10, 40, 30));
        canvas.AttachControl(background);
        canvas.AttachControl(lower);
        canvas.AttachControl(upper);
    }
    TestCanvas canvas;
    ProbeControl* background;
    ProbeControl* lower;
    ProbeControl* upper;
};
} // namespace

TEST(Routing, TheControlAttachedLaterReceivesTheClickWhereControlsOverlap)
{
    Panel p;
    p.canvas.OnMouseDown(25, 15, kLeft);
    EXPECT_EQ(p.upper->events, Events{"down 25,15"});
    EXPECT_TRUE(p.lower->events.empty());
    EXPECT_EQ(p.canvas.MouseCapture(), 2);

    p.canvas.OnMouseDown(12, 15, kLeft);
    EXPECT_EQ(p.lower->events, Events{"down 12,15"});
    p.canvas.OnMouseDown(50, 40, kLeft);
    EXPECT_EQ(p.background->events, Events{"down 50,40"});
}

TEST(Routing, HiddenAndGrayedControlsAreSkippedForTheOneBelow)
{
    Panel p;
    p.upper->Hide(true);
    p.canvas.OnMouseDown(25, 15, kLeft);
    EXPECT_EQ(p.lower->events, Events{"down 25,15"});

    p.upper->Hide(false);
    p.upper->GrayOut(true);
    p.canvas.OnMouseWheel(25, 16, kLeft, 2);
    // The capture from the first press still holds: the wheel goes there.
    EXPECT_EQ(p.lower->events.back(), "wheel 25,16 2,0");

    p.canvas.ReleaseMouseCapture();
    p.lower->GrayOut(true);
    p.canvas.OnMouseDown(25, 15, kLeft);
    EXPECT_EQ(p.background->events, Events{"down 25,15"});
    EXPECT_TRUE(p.upper->events.empty());
}

TEST(Routing, AControlWithoutHitBoxNeverReceivesTheMouse)
{
    Panel p;
    p.upper->SetTargetRect(IBox());
    p.canvas.OnMouseDown(25, 15, kLeft);
    EXPECT_TRUE(p.upper->events.empty());
    EXPECT_EQ(p.lower->events, Events{"down 25,15"});
}

TEST(Routing, TheCapturedControlReceivesDragsWithDeltasAndTheReleaseEvenOutsideIt)
{
    Panel p;
    p.canvas.OnMouseDown(12, 12, kLeft);
    p.canvas.OnMouseDrag(15, 10, kLeft);
    p.canvas.OnMouseDrag(35, 40, kLeft); // over the upper control and the background
    p.canvas.OnMouseUp(60, 45, kLeft);
    EXPECT_EQ(p.lower->events,
              (Events{"down 12,12", "drag 15,10 3,-2", "drag 35,40 20,30", "up 60,45"}));
    EXPECT_TRUE(p.upper->events.empty());
    EXPECT_TRUE(p.background->events.empty());
    EXPECT_EQ(p.canvas.MouseCapture(), -1);

    // The release ended the capture: a drag now goes nowhere.
    p.canvas.OnMouseDrag(20, 20, kLeft);
    EXPECT_EQ(p.lower->events.size(), 4u);
}

TEST(Routing, ADragAtThePointOfThePreviousEventIsNotForwarded)
{
    Panel p;
    p.canvas.OnMouseDown(12, 12, kLeft);
    p.canvas.OnMouseDrag(12, 12, kLeft);
    p.canvas.OnMouseDrag(13, 12, kLeft);
    p.canvas.OnMouseDrag(13, 12, kLeft);
    EXPECT_EQ(p.lower->events, (Events{"down 12,12", "drag 13,12 1,0"}));
}

TEST(Routing, APressOnNothingCapturesNothingAndLaterDragsGoNowhere)
{
    TestCanvas canvas;
    auto* c = new ProbeControl(IBox(10, 10, 20, 20));
    canvas.AttachControl(c);
    canvas.OnMouseDown(12, 12, kLeft);
    canvas.OnMouseDown(50, 40, kLeft); // drops the old capture, finds nothing
    EXPECT_EQ(canvas.MouseCapture(), -1);
    canvas.OnMouseDrag(13, 13, kLeft);
    EXPECT_EQ(c->events, Events{"down 12,12"});
}

TEST(Routing, AReleaseWithoutCaptureGoesToTheControlUnderThePointer)
{
    Panel p;
    p.canvas.OnMouseUp(25, 15, kLeft);
    EXPECT_EQ(p.upper->events, Events{"up 25,15"});
    p.upper->Hide(true);
    p.canvas.OnMouseUp(25, 15, kLeft);
    EXPECT_EQ(p.lower->events, Events{"up 25,15"});
}

TEST(Routing, ADoubleClickGoesToTheControlAsADoubleClickAndCapturesNothing)
{
    Panel p;
    p.canvas.OnMouseDown(25, 15, kLeft);
    EXPECT_FALSE(p.canvas.OnMouseDoubleClick(25, 15, kLeft));
    EXPECT_EQ(p.upper->events, (Events{"down 25,15", "double 25,15"}));
    EXPECT_EQ(p.canvas.MouseCapture(), -1);
    p.canvas.OnMouseDrag(30, 20, kLeft);
    EXPECT_EQ(p.upper->events.size(), 2u);

    TestCanvas empty;
    EXPECT_FALSE(empty.OnMouseDoubleClick(1, 1, kLeft));
}

TEST(Routing, ADoubleClickOnADrawAsSingleClickControlIsTakenAsAPress)
{
    Panel p;
    p.upper->SetDrawDoubleClickAsSingle(true);
    EXPECT_TRUE(p.canvas.OnMouseDoubleClick(25, 15, kLeft));
    EXPECT_EQ(p.canvas.MouseCapture(), 2);
    p.canvas.OnMouseDrag(27, 14, kLeft);
    EXPECT_EQ(p.upper->events, (Events{"down 25,15", "drag 27,14 2,-1"}));
}

TEST(Routing, TheWheelGoesToTheCaptureElseToTheControlUnderThePointer)
{
    Panel p;
    p.canvas.OnMouseWheel(12, 12, kLeft, -3);
    EXPECT_EQ(p.lower->events, Events{"wheel 12,12 -3,0"});
    p.canvas.OnMouseDown(25, 15, kLeft);
    p.canvas.OnMouseWheel(12, 12, kLeft, 1);
    EXPECT_EQ(p.upper->events.back(), "wheel 12,12 1,0");
    EXPECT_EQ(p.lower->events.size(), 1u);
}

TEST(Routing, KeysGoToTheControlUnderThePointerButNeverToTheBackground)
{
    Panel p;
    EXPECT_TRUE(p.canvas.OnKeyDown(25, 15, 7));
    EXPECT_EQ(p.upper->events, Events{"key 25,15 7,0"});

    p.upper->keyAnswer = false;
    EXPECT_FALSE(p.canvas.OnKeyDown(25, 15, 8));

    EXPECT_FALSE(p.canvas.OnKeyDown(50, 40, 0)); // over the background only
    EXPECT_TRUE(p.background->events.empty());

    TestCanvas empty;
    EXPECT_FALSE(empty.OnKeyDown(1, 1, 0));
}

TEST(Routing, KeysGoToTheCapturedControlWhereverThePointerIs)
{
    Panel p;
    p.canvas.OnMouseDown(12, 12, kLeft);
    EXPECT_TRUE(p.canvas.OnKeyDown(50, 40, 3));
    EXPECT_EQ(p.lower->events.back(), "key 50,40 3,0");
}

TEST(Routing, ReleasingTheCaptureStopsDragsReachingTheControl)
{
    Panel p;
    p.canvas.OnMouseDown(12, 12, kLeft);
    p.canvas.ReleaseMouseCapture();
    p.canvas.OnMouseDrag(14, 14, kLeft);
    EXPECT_EQ(p.lower->events, Events{"down 12,12"});
    EXPECT_EQ(p.canvas.MouseCapture(), -1);
}
