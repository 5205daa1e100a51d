// The arithmetic of centring a window, including the corrections at the
// screen's edges and the retries for a rectangle that cannot be had.
#include <gtest/gtest.h>

#include "tests/ui/fake_window.h"
#include "ui/centre_window.h"

using ui::centreWindow;

namespace {
struct Placed {
    int result;
    int x, y;
};

// Centres a w x h window at (10, 20) over `ref` (the screen when null) on a
// 1024 x 768 screen.
Placed place(int w, int h, FakeWindow* ref)
{
    FakeWindow window(false);
    window.rect = {10, 20, 10 + w, 20 + h};
    const int result = centreWindow(window, ref);
    return {result, window.rect.left, window.rect.top};
}
} // namespace

TEST(CentreWindow, CentresOnTheScreenWithoutReference)
{
    Placed p = place(400, 300, nullptr);
    EXPECT_NE(p.result, 0);
    EXPECT_EQ(p.x, 312);
    EXPECT_EQ(p.y, 234);
}

TEST(CentreWindow, CentresOverAReferenceWindow)
{
    FakeWindow ref(false);
    ref.rect = {100, 50, 700, 550};
    Placed p = place(200, 100, &ref);
    EXPECT_EQ(p.x, 100 + (600 - 200) / 2);
    EXPECT_EQ(p.y, 50 + (500 - 100) / 2);
}

TEST(CentreWindow, HalvingTruncatesTowardZero)
{
    FakeWindow ref(false);
    ref.rect = {100, 100, 300, 300}; // 200 wide and high
    Placed p = place(205, 207, &ref);
    EXPECT_EQ(p.x, 100 - 2); // (200 - 205) / 2 = -2, not -3
    EXPECT_EQ(p.y, 100 - 3); // (200 - 207) / 2 = -3, not -4
}

TEST(CentreWindow, PulledBackOntoTheScreenAtBothEdges)
{
    FakeWindow leftOff(false);
    leftOff.rect = {-300, -200, -100, 0};
    Placed p = place(100, 100, &leftOff);
    EXPECT_EQ(p.x, 0);
    EXPECT_EQ(p.y, 0);

    FakeWindow rightOff(false);
    rightOff.rect = {900, 700, 1100, 900};
    p = place(400, 300, &rightOff);
    EXPECT_EQ(p.x, 1024 - 400);
    EXPECT_EQ(p.y, 768 - 300);
}

TEST(CentreWindow, LeftEdgeWinsForAWindowWiderThanTheScreen)
{
    Placed p = place(1200, 900, nullptr);
    EXPECT_EQ(p.x, 0);
    EXPECT_EQ(p.y, 0);
}

TEST(CentreWindow, RightEdgeCorrectionMayGoNegative)
{
    FakeWindow ref(false);
    ref.rect = {500, 400, 1000, 800};
    Placed p = place(1200, 900, &ref);
    // 500 + (500 - 1200) / 2 = 150, which overhangs: 1024 - 1200.
    EXPECT_EQ(p.x, -176);
    // 400 + (400 - 900) / 2 = 150: 768 - 900.
    EXPECT_EQ(p.y, -132);
}

TEST(CentreWindow, FiveFailedAttemptsGiveUpWithoutMoving)
{
    FakeWindow window(false);
    window.rectFailures = 5;
    EXPECT_EQ(centreWindow(window, nullptr), 0);
    EXPECT_EQ(window.rectCalls, 5);
    EXPECT_TRUE(window.moves.empty());
}

TEST(CentreWindow, FifthAttemptStillCounts)
{
    FakeWindow window(false);
    window.rect = {0, 0, 100, 100};
    window.rectFailures = 4;
    EXPECT_NE(centreWindow(window, nullptr), 0);
    EXPECT_EQ(window.rectCalls, 5);
    ASSERT_EQ(window.moves.size(), 1u);
    EXPECT_EQ(window.moves[0], (std::pair<int, int>{462, 334}));
}

TEST(CentreWindow, FailingReferenceGivesUpWithoutMoving)
{
    FakeWindow window(false);
    FakeWindow ref(false);
    ref.rectFailures = 5;
    EXPECT_EQ(centreWindow(window, &ref), 0);
    EXPECT_EQ(ref.rectCalls, 5);
    EXPECT_TRUE(window.moves.empty());
}

TEST(CentreWindow, ReportsAFailedMove)
{
    FakeWindow window(false);
    window.moveFails = true;
    EXPECT_EQ(centreWindow(window, nullptr), 0);
}
