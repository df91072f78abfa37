// The lens mapping of the view centre to the screen, and point packing.
#include <gtest/gtest.h>
#include <windowsx.h>
#include <limits.h>
#include <math.h>

#include "app/app.h"

static void ExpectPoint(POINT p, LONG x, LONG y)
{
    EXPECT_EQ(p.x, x);
    EXPECT_EQ(p.y, y);
}

TEST(MapCursorToSource, CentredLensShowsTheCursor)
{
    ExpectPoint(MapCursorToSource(1000, 500, 0.0f, 0.0f, 0.7f, 1.7f, 400, 400), 1000, 500);
    ExpectPoint(MapCursorToSource(-300, -20, 0.0f, 0.0f, 0.7f, 1.7f, 400, 400), -300, -20);
    ExpectPoint(MapCursorToSource(0, 0, 0.0f, 0.0f, 5.0f, 0.3f, 1, 1), 0, 0);
}

TEST(MapCursorToSource, OffCentreLensFollowsTheFirstRadialTerm)
{
    // X = 0.5 - 0.7 * 0.5^1.7 = 0.28455: 56.91 pixels right of the cursor.
    ExpectPoint(MapCursorToSource(1000, 500, 0.5f, 0.0f, 0.7f, 1.7f, 400, 400), 1056, 500);
    // Mirrored, and truncated toward zero rather than down: -1056.91 gives -1056.
    ExpectPoint(MapCursorToSource(-1000, 500, -0.5f, 0.0f, 0.7f, 1.7f, 400, 400), -1056, 500);
    // View y points up, screen y down. (x lies a rounding error beside 1000.)
    EXPECT_EQ(MapCursorToSource(1000, 500, 0.0f, 0.5f, 0.7f, 1.7f, 400, 400).y, 443);
    // Centre (0.3, -0.4): r = 0.5, k = 0.21545 along (-0.6, 0.8); X = 0.17073,
    // Y = -0.22764; a 600 x 300 view scales them by 300 and 150.
    ExpectPoint(MapCursorToSource(1000, 500, 0.3f, -0.4f, 0.7f, 1.7f, 600, 300), 1051, 534);
    // A negative exponent is a plain lens away from r = 0: k = 0.7 / 0.5 = 1.4.
    ExpectPoint(MapCursorToSource(1000, 500, 0.5f, 0.0f, 0.7f, -1.0f, 400, 400), 820, 500);
    // The exponent 0 away from the centre: k = K1.
    ExpectPoint(MapCursorToSource(1000, 500, 0.5f, 0.0f, 0.25f, 0.0f, 400, 400), 1050, 500);
}

TEST(MapCursorToSource, UndefinedOrOversizedTermsGiveTheCursor)
{
    const float inf = INFINITY, nan = NAN;
    // pow(0, P1) with P1 <= 0 at the lens centre.
    ExpectPoint(MapCursorToSource(1000, 500, 0.0f, 0.0f, 0.7f, 0.0f, 400, 400), 1000, 500);
    ExpectPoint(MapCursorToSource(1000, 500, 0.0f, 0.0f, 0.7f, -1.0f, 400, 400), 1000, 500);
    ExpectPoint(MapCursorToSource(1000, 500, 0.0f, 0.0f, 0.7f, -inf, 400, 400), 1000, 500);
    // Not-a-number and infinite parameters.
    ExpectPoint(MapCursorToSource(1000, 500, nan, 0.0f, 0.7f, 1.7f, 400, 400), 1000, 500);
    ExpectPoint(MapCursorToSource(1000, 500, 0.0f, nan, 0.7f, 1.7f, 400, 400), 1000, 500);
    ExpectPoint(MapCursorToSource(1000, 500, 0.5f, 0.0f, nan, 1.7f, 400, 400), 1000, 500);
    ExpectPoint(MapCursorToSource(1000, 500, 0.5f, 0.0f, 0.7f, nan, 400, 400), 1000, 500);
    ExpectPoint(MapCursorToSource(1000, 500, 0.0f, 0.0f, 0.7f, nan, 400, 400), 1000, 500);
    ExpectPoint(MapCursorToSource(1000, 500, inf, 0.0f, 0.7f, 1.7f, 400, 400), 1000, 500);
    ExpectPoint(MapCursorToSource(1000, 500, 0.5f, 0.0f, inf, 1.7f, 400, 400), 1000, 500);
    ExpectPoint(MapCursorToSource(1000, 500, 0.5f, 0.0f, 0.7f, -inf, 400, 400), 1000, 500);
    // Squares that overflow single precision.
    ExpectPoint(MapCursorToSource(1000, 500, 3e38f, 3e38f, 0.7f, 1.7f, 400, 400), 1000, 500);
    // Finite terms whose screen point lies outside int.
    ExpectPoint(MapCursorToSource(1000, 500, 0.5f, 0.0f, 1e30f, 1.7f, 400, 400), 1000, 500);
    ExpectPoint(MapCursorToSource(1000, 500, 0.5f, 0.0f, 100.0f, 1.7f, INT_MAX, 400), 1000, 500);
    ExpectPoint(MapCursorToSource(INT_MAX, 500, 0.5f, 0.0f, 0.7f, 1.7f, 400, 400), INT_MAX, 500);
    ExpectPoint(MapCursorToSource(500, INT_MIN, 0.0f, 0.5f, 0.7f, 1.7f, 400, 400), 500, INT_MIN);
    // Still inside int: mapped as usual.
    ExpectPoint(MapCursorToSource(INT_MAX, 500, -0.5f, 0.0f, 0.7f, 1.7f, 400, 400),
                INT_MAX - 57, 500);
}

TEST(PackPoint, HalvesAreSixteenBitTwosComplement)
{
    LPARAM lp = PackPoint(-5, -300);
    EXPECT_EQ(LOWORD(lp), 0xFFFB);
    EXPECT_EQ(HIWORD(lp), 0xFED4);
    EXPECT_EQ(GET_X_LPARAM(lp), -5);
    EXPECT_EQ(GET_Y_LPARAM(lp), -300);
    EXPECT_EQ((unsigned long long)lp >> 32, 0u) << "a message parameter of 32 bits";

    lp = PackPoint(1056, 500);
    EXPECT_EQ(GET_X_LPARAM(lp), 1056);
    EXPECT_EQ(GET_Y_LPARAM(lp), 500);

    lp = PackPoint(32767, -32768);
    EXPECT_EQ(GET_X_LPARAM(lp), 32767);
    EXPECT_EQ(GET_Y_LPARAM(lp), -32768);

    // Beyond 16 bits only the low half survives, as in the platform's own packing.
    lp = PackPoint(0x12345, -70000);
    EXPECT_EQ(LOWORD(lp), 0x2345);
    EXPECT_EQ(HIWORD(lp), (WORD)(-70000 & 0xFFFF));
}

// The pointer watch takes the Escape and Ctrl presses on the view and their
// releases; everything else goes on to the window the system gives it.
TEST(PointerWatch, TakesOnlyModifierPressesOnTheViewAndTheirReleases)
{
    const RECT view = {600, 300, 1000, 700};
    const POINT on = {800, 500}, off = {1200, 500};
    bool taken = false;
    struct Case {
        UINT msg;
        POINT pt;
        const RECT* view;
        bool escape, ctrl;
        bool swallow;
        UINT notice;
    } cases[] = {
        {WM_MOUSEMOVE, on, &view, true, true, false, QVX_POINTER_MOVED},
        {WM_LBUTTONDOWN, on, &view, false, false, false, 0},
        {WM_LBUTTONUP, on, &view, false, false, false, QVX_BUTTON_UP},
        {WM_LBUTTONDOWN, off, &view, true, false, false, 0},
        {WM_LBUTTONDOWN, on, NULL, true, false, false, 0},
        {WM_RBUTTONDOWN, on, &view, true, true, false, 0},
        {WM_RBUTTONUP, on, &view, false, false, false, QVX_BUTTON_UP},
        // Escape comes first; the release of a taken press is taken, once.
        {WM_LBUTTONDOWN, on, &view, true, true, true, QVX_ESCAPE_CLICK},
        {WM_LBUTTONUP, off, &view, false, false, true, 0},
        {WM_LBUTTONUP, on, &view, false, false, false, QVX_BUTTON_UP},
        {WM_LBUTTONDOWN, on, &view, false, true, true, QVX_CTRL_CLICK},
        {WM_MOUSEMOVE, off, &view, false, false, false, QVX_POINTER_MOVED},
        {WM_LBUTTONUP, off, &view, false, false, true, 0},
    };
    int n = 0;
    for (const Case& c : cases) {
        const PointerJudgement j = JudgePointerEvent(c.msg, c.pt, c.view, c.escape, c.ctrl, &taken);
        EXPECT_EQ(j.swallow, c.swallow) << "case " << n;
        EXPECT_EQ(j.notice, c.notice) << "case " << n;
        n++;
    }
    EXPECT_FALSE(taken);
}
