// Centring a window on a 1024 x 768 screen: the arithmetic, the corrections
// at the screen's edges and the retries for a rectangle that cannot be had.
#include <gtest/gtest.h>

#include <optional>

#include "tests/ui/fake_window.h"
#include "ui/centre_window.h"

using ui::centreWindow;

TEST(CentreWindow, PlacesTheWindowOverTheReferenceAndKeepsItOnTheScreen)
{
    const struct {
        const char* name;
        int w, h;
        std::optional<ui::WindowRect> reference; // none: the screen
        int x, y;
    } cases[] = {
        {"screen", 400, 300, std::nullopt, 312, 234},
        {"reference window", 200, 100, ui::WindowRect{100, 50, 700, 550}, 300, 250},
        {"halving truncates toward zero", 205, 207, ui::WindowRect{100, 100, 300, 300}, 98, 97},
        {"off the left and top", 100, 100, ui::WindowRect{-300, -200, -100, 0}, 0, 0},
        {"off the right and bottom", 400, 300, ui::WindowRect{900, 700, 1100, 900}, 624, 468},
        {"wider than the screen: left edge wins", 1200, 900, std::nullopt, 0, 0},
        // 500 + (500 - 1200) / 2 = 150 overhangs, so 1024 - 1200; likewise 768 - 900.
        {"right-edge correction may go negative", 1200, 900, ui::WindowRect{500, 400, 1000, 800}, -176, -132},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FakeWindow window(false), reference(false);
        window.rect = {10, 20, 10 + c.w, 20 + c.h};
        if (c.reference)
            reference.rect = *c.reference;
        EXPECT_NE(centreWindow(window, c.reference ? &reference : nullptr), 0);
        EXPECT_EQ(window.moves, (std::vector<std::pair<int, int>>{{c.x, c.y}}));
    }
}

TEST(CentreWindow, GivesUpAfterFiveFailedAttemptsWithoutMoving)
{
    FakeWindow window(false), reference(false);
    window.rectFailures = 5;
    EXPECT_EQ(centreWindow(window, nullptr), 0);
    EXPECT_EQ(window.rectCalls, 5);
    EXPECT_TRUE(window.moves.empty());

    window.rectCalls = 0;
    reference.rectFailures = 5;
    EXPECT_EQ(centreWindow(window, &reference), 0);
    EXPECT_EQ(reference.rectCalls, 5);
    EXPECT_TRUE(window.moves.empty());

    // The fifth attempt still counts.
    window.rect = {0, 0, 100, 100};
    window.rectFailures = 4;
    window.rectCalls = 0;
    EXPECT_NE(centreWindow(window, nullptr), 0);
    EXPECT_EQ(window.rectCalls, 5);
    EXPECT_EQ(window.moves, (std::vector<std::pair<int, int>>{{462, 334}}));

    window.moveFails = true; // a failed move is reported
    EXPECT_EQ(centreWindow(window, nullptr), 0);
}
