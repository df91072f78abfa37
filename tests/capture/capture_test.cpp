// Desktop capture against real windows: fixture windows of another process
// whose pixels are known, and windows of this process for the table limits.
#include "app/app.h"
#include "capture/capture.h"
#include "fixture/fixture_pattern.h"
#include "fixture/fixture_run.h"

#include <gtest/gtest.h>
#include <stdio.h>
#include <string.h>

#include <string>
#include <vector>

namespace {

using namespace fixture;

int EntryOf(HWND hwnd)
{
    for (int i = 0; i < captured_count; i++)
        if (captured_hwnd[i] == hwnd)
            return i;
    return -1;
}

RECT WholeScreen()
{
    RECT screen = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    return screen;
}

// A pass from an empty table that copies everything a window shows on screen.
void CaptureFresh()
{
    ReleaseCaptures(1);
    captured_count = 0;
    const RECT screen = WholeScreen();
    CaptureAllWindows(viewer_hwnd, &screen, NULL);
}

// Compares a client area in entry i's image with a pattern; skip (screen
// coordinates) is left out of the comparison. Returns the mismatch count and
// describes the first one.
template <typename Pattern>
int CountPatternMismatches(int i, const RECT& client, const RECT* skip, Pattern pattern, std::string* first)
{
    const RECT& wr = captured_rect[i];
    int width = wr.right - wr.left;
    const uint32_t* image = (const uint32_t*)captured_pixels[i];
    int bad = 0;
    for (int sy = client.top; sy < client.bottom; sy++) {
        for (int sx = client.left; sx < client.right; sx++) {
            if (skip && sx >= skip->left && sx < skip->right && sy >= skip->top && sy < skip->bottom)
                continue;
            uint32_t got = image[(size_t)(sy - wr.top) * (size_t)width + (size_t)(sx - wr.left)] & 0xFFFFFFu;
            uint32_t want = pattern(sx - client.left, sy - client.top);
            if (got != want && bad++ == 0) {
                char text[160];
                snprintf(text, sizeof(text), "screen (%d,%d): got %06x, want %06x", sx, sy, (unsigned)got,
                         (unsigned)want);
                *first = text;
            }
        }
    }
    return bad;
}

const char* PlainClass()
{
    (void)RegisterTestClass("QvxCaptureTestWindow", DefWindowProcA, 0, (HBRUSH)GetStockObject(WHITE_BRUSH));
    return "QvxCaptureTestWindow"; // without the class no window is made, which the tests check
}

// Windows of this process, destroyed when the test ends however it ends, so
// none of them covers the fixture in a later test.
struct OwnWindows {
    std::vector<HWND> list;
    ~OwnWindows()
    {
        for (size_t i = list.size(); i-- > 0;)
            (void)DestroyWindow(list[i]);
        PumpMessages();
    }
};

HWND MakeWindow(OwnWindows* own, DWORD style, int x, int y, int w, int h, HWND parent)
{
    HWND hwnd = CreateWindowExA(parent ? 0 : WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, PlainClass(), "capture test",
                                style, x, y, w, h, parent, NULL, GetModuleHandleA(NULL), NULL);
    if (hwnd && !parent)
        own->list.push_back(hwnd);
    return hwnd;
}

} // namespace

// The viewer never captures itself; invisible windows and windows with
// nothing to copy are left out; every other window comes with its rectangle.
TEST(CaptureTable, LeavesOutViewerInvisibleAndEmptyWindows)
{
    FixtureRun run;
    ASSERT_NO_FATAL_FAILURE(
        StartFixture(&run, "table", "--window A,120,120,300,200 --window H,500,120,300,200,hidden", {"A", "H"}));
    OwnWindows own;
    HWND viewer = MakeWindow(&own, WS_POPUP | WS_VISIBLE, 900, 500, 200, 150, NULL);
    HWND empty = MakeWindow(&own, WS_POPUP | WS_VISIBLE, 1200, 500, 0, 0, NULL);
    // 40000 x 40000 pixels would be 6.4 GB, beyond any 32-bit size.
    HWND huge = MakeWindow(&own, WS_POPUP | WS_VISIBLE, 2000, 0, 40000, 40000, NULL);
    ASSERT_TRUE(viewer && empty && huge);
    ASSERT_TRUE(IsWindowVisible(empty));
    RECT huge_rect;
    ASSERT_TRUE(GetWindowRect(huge, &huge_rect));
    EXPECT_EQ(40000, huge_rect.right - huge_rect.left) << "the window manager shrank the huge window";
    PumpMessages();

    HWND saved_viewer = viewer_hwnd;
    viewer_hwnd = viewer;
    CaptureFresh();
    EXPECT_GT(captured_count, 0);
    EXPECT_LE(captured_count, MAX_CAPTURED_WINDOWS);
    EXPECT_EQ(-1, EntryOf(viewer)) << "the viewer window was captured";
    EXPECT_EQ(-1, EntryOf(run.ready[1].hwnd)) << "a hidden window was captured";
    EXPECT_EQ(-1, EntryOf(empty)) << "a window of size 0 x 0 was captured";
    EXPECT_EQ(-1, EntryOf(huge)) << "a 40000 x 40000 window was captured";
    int a = EntryOf(run.ready[0].hwnd);
    ASSERT_GE(a, 0) << "the visible fixture window is missing";
    EXPECT_EQ(0, memcmp(&run.ready[0].rect, &captured_rect[a], sizeof(RECT)));
    for (int i = 0; i < captured_count; i++) {
        EXPECT_TRUE(IsWindowVisible(captured_hwnd[i])) << "entry " << i;
        EXPECT_NE(nullptr, captured_pixels[i]) << "entry " << i;
        EXPECT_NE(nullptr, captured_dc[i]) << "entry " << i;
        EXPECT_NE(nullptr, captured_bitmap[i]) << "entry " << i;
    }

    // The same window is captured once it is no longer the viewer.
    viewer_hwnd = NULL;
    CaptureFresh();
    EXPECT_GE(EntryOf(viewer), 0);
    EXPECT_GE(EntryOf(run.ready[0].hwnd), 0);

    viewer_hwnd = saved_viewer;
}

// The buffer is the window rectangle's size, 32-bit, top row first: the
// fixture's coordinate pattern comes back pixel for pixel, child included.
TEST(CaptureTable, PixelsMatchFixturePattern)
{
    FixtureRun run;
    ASSERT_NO_FATAL_FAILURE(StartFixture(&run, "pixels", "--window A,60,80,700,560 --window B,820,100,420,330,child",
                                         {"A", "B", "B.child"}));
    const ReadyWindow &wa = run.ready[0], &wb = run.ready[1], &wc = run.ready[2];
    RECT child_client = wc.client;

    int bad_a = -1, bad_b = -1, bad_c = -1;
    std::string first_a, first_b, first_c;
    // The fixture's paint reaches the X server a moment after its ready line.
    for (int attempt = 0; attempt < 40; attempt++) {
        CaptureFresh();
        int a = EntryOf(wa.hwnd), b = EntryOf(wb.hwnd);
        ASSERT_GE(a, 0);
        ASSERT_GE(b, 0);
        ASSERT_NE(nullptr, captured_pixels[a]);
        ASSERT_NE(nullptr, captured_pixels[b]);
        EXPECT_EQ(0, memcmp(&wa.rect, &captured_rect[a], sizeof(RECT)));
        EXPECT_EQ(0, memcmp(&wb.rect, &captured_rect[b], sizeof(RECT)));
        bad_a = CountPatternMismatches(a, wa.client, NULL, [](int x, int y) { return FixturePixel(0, x, y); }, &first_a);
        bad_b = CountPatternMismatches(b, wb.client, &wc.rect, [](int x, int y) { return FixturePixel(1, x, y); },
                                       &first_b);
        bad_c = CountPatternMismatches(b, child_client, NULL, FixtureChildPixel, &first_c);
        if (bad_a == 0 && bad_b == 0 && bad_c == 0)
            break;
        Sleep(100);
    }
    EXPECT_EQ(0, bad_a) << "window A: " << first_a;
    EXPECT_EQ(0, bad_b) << "window B: " << first_b;
    EXPECT_EQ(0, bad_c) << "child of B: " << first_c;
}

// A caption drag moves the dragged window's entry between the slices of a
// pass: what is still to be copied of it goes with it, inside its bitmap,
// and the pixels land where its image has them.
TEST(CaptureTable, AnEntryMovedBetweenSlicesIsCopiedWithinIt)
{
    FixtureRun run;
    ASSERT_NO_FATAL_FAILURE(StartFixture(&run, "moved", "--window A,100,100,400,300 --window B,300,200,400,300", {"A", "B"}));
    const std::vector<ReadyWindow>& ready = run.ready;
    const RECT screen = WholeScreen();
    const int64_t slice = capture_slice_us;
    capture_slice_us = 0; // one window listed or copied per step
    for (int by : {5, 40, 300}) {
        ReleaseCaptures(1);
        captured_count = 0;
        BeginCapturePass(viewer_hwnd);
        int a = -1;
        // The step that lists the last window copies the front-most one, B;
        // A, behind it, is still to come.
        while (a < 0 && CapturePassPending()) {
            ASSERT_EQ(0, StepCapturePass(&screen, NULL));
            a = EntryOf(ready[0].hwnd);
        }
        ASSERT_GE(a, 0);
        MoveCapturedEntry(a, ready[0].rect.left + by, ready[0].rect.top + by);
        while (StepCapturePass(&screen, NULL) == 0)
            ASSERT_TRUE(CapturePassPending());
        RECT client = ready[0].client, covered = ready[1].rect;
        OffsetRect(&client, by, by);
        OffsetRect(&covered, by, by);
        std::string first;
        EXPECT_EQ(0, CountPatternMismatches(a, client, &covered, [](int x, int y) { return FixturePixel(0, x, y); },
                                            &first))
            << "shift " << by << ": " << first;
    }
    capture_slice_us = slice;
}

// The search: inclusive edges, front-most first, descent into the visible
// child, the window's current rectangle, and no change when nothing is hit.
TEST(WindowSearch, FindsFrontMostWindowAndChild)
{
    FixtureRun run;
    ASSERT_NO_FATAL_FAILURE(StartFixture(&run, "search", "--window A,100,100,400,300 --window B,300,200,400,300,child",
                                         {"A", "B", "B.child"}));
    const ReadyWindow &wa = run.ready[0], &wb = run.ready[1], &wc = run.ready[2];
    CaptureFresh();
    int a = EntryOf(wa.hwnd), b = EntryOf(wb.hwnd);
    ASSERT_GE(a, 0);
    ASSERT_GE(b, 0);
    EXPECT_LT(b, a) << "B lies in front of A, so it comes first";

    struct Probe {
        const char* what;
        int x, y;
        HWND window;
        HWND child;
    };
    const Probe probes[] = {
        {"A only", wa.rect.left + 20, wa.rect.top + 20, wa.hwnd, NULL},
        {"A's right edge", wa.rect.right, wa.rect.top + 20, wa.hwnd, NULL},
        {"A's bottom edge", wa.rect.left + 20, wa.rect.bottom, wa.hwnd, NULL},
        {"A's bottom-left corner", wa.rect.left, wa.rect.bottom, wa.hwnd, NULL},
        {"overlap, B in front", wb.rect.left + 10, wb.rect.top + 10, wb.hwnd, NULL},
        {"B's top-left corner, also in A", wb.rect.left, wb.rect.top, wb.hwnd, NULL},
        {"B's bottom-right corner", wb.rect.right, wb.rect.bottom, wb.hwnd, NULL},
        {"inside the child", wc.rect.left + 30, wc.rect.top + 30, wb.hwnd, wc.hwnd},
        {"child's bottom-right corner", wc.rect.right, wc.rect.bottom, wb.hwnd, wc.hwnd},
        {"just right of the child", wc.rect.right + 1, wc.rect.top + 5, wb.hwnd, NULL},
    };
    for (const Probe& p : probes) {
        target_window = NULL;
        target_index = -1;
        target_child = (HWND)(uintptr_t)0x1234;
        FindWindowAtPoint(p.x, p.y);
        EXPECT_EQ(p.window, target_window) << p.what;
        EXPECT_EQ(EntryOf(p.window), target_index) << p.what;
        EXPECT_EQ(p.child, target_child) << p.what;
    }

    // Nothing there: the child is cleared, the window and index stay.
    FindWindowAtPoint(wc.rect.left + 30, wc.rect.top + 30);
    ASSERT_EQ(wc.hwnd, target_child);
    FindWindowAtPoint(wb.rect.right + 1, wb.rect.bottom + 1);
    EXPECT_EQ(wb.hwnd, target_window);
    EXPECT_EQ(b, target_index);
    EXPECT_EQ(nullptr, target_child);
    FindWindowAtPoint(1900, 1060);
    EXPECT_EQ(wb.hwnd, target_window);
    EXPECT_EQ(b, target_index);

    // The search reads where a window is now, not where it was captured.
    ASSERT_TRUE(SetWindowPos(wa.hwnd, NULL, 1300, 600, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE));
    FindWindowAtPoint(1310, 610);
    EXPECT_EQ(wa.hwnd, target_window);
    EXPECT_EQ(a, target_index);
    FindWindowAtPoint(wa.rect.left + 20, wa.rect.top + 20);
    EXPECT_EQ(wa.hwnd, target_window) << "nothing is there any more, so the target stays";
}

// Descent goes through visible children only, down to the innermost one.
TEST(WindowSearch, DescendsThroughVisibleChildrenOnly)
{
    OwnWindows own;
    HWND top = MakeWindow(&own, WS_POPUP | WS_VISIBLE, 200, 600, 400, 300, NULL);
    ASSERT_NE(nullptr, top);
    // Created last, the hidden child lies first in z-order over the same spot.
    HWND middle = MakeWindow(&own, WS_CHILD | WS_VISIBLE, 10, 10, 200, 200, top);
    HWND inner = MakeWindow(&own, WS_CHILD | WS_VISIBLE, 50, 50, 60, 60, middle);
    HWND hidden = MakeWindow(&own, WS_CHILD, 0, 0, 300, 300, top);
    ASSERT_TRUE(middle && inner && hidden);
    PumpMessages();

    target_child = NULL;
    FindChildAtPoint(top, 200 + 10 + 50 + 5, 600 + 10 + 50 + 5);
    EXPECT_EQ(inner, target_child);
    target_child = NULL;
    FindChildAtPoint(top, 200 + 10 + 5, 600 + 10 + 5);
    EXPECT_EQ(middle, target_child);
    target_child = NULL;
    FindChildAtPoint(top, 200 + 250, 600 + 250);
    EXPECT_EQ(nullptr, target_child) << "only the hidden child is there";
}

// More windows than the table holds: the table and the child list stop at
// 500 entries and nothing beyond them is touched.
TEST(CaptureTable, StopsAtCapacity)
{
    const int extra = MAX_CAPTURED_WINDOWS + 20;
    OwnWindows own;
    for (int i = 0; i < extra; i++)
        ASSERT_NE(nullptr, MakeWindow(&own, WS_POPUP | WS_VISIBLE, 10 + (i % 40) * 8, 900 + (i / 40) * 8, 6, 6, NULL))
            << "window " << i;
    HWND parent = MakeWindow(&own, WS_POPUP | WS_VISIBLE, 1400, 100, 400, 300, NULL);
    ASSERT_NE(nullptr, parent);
    for (int i = 0; i < extra; i++)
        ASSERT_NE(nullptr, MakeWindow(&own, WS_CHILD | WS_VISIBLE, (i % 40) * 6, (i / 40) * 6, 4, 4, parent));
    PumpMessages();

    CaptureFresh();
    EXPECT_EQ(MAX_CAPTURED_WINDOWS, captured_count);
    int entries_ok = 1;
    for (int i = 0; i < captured_count && entries_ok; i++)
        entries_ok = captured_hwnd[i] != NULL && captured_pixels[i] != NULL;
    EXPECT_TRUE(entries_ok);

    // A point in the parent but in no child scans the whole (full) list.
    FindChildAtPoint(parent, 1400 + 390, 100 + 290);
    EXPECT_EQ(MAX_CAPTURED_WINDOWS, child_count);
    EXPECT_EQ(nullptr, target_child);

    ReleaseCaptures(1);
    captured_count = 0;
}

// Releasing frees every GDI object and buffer and nulls them, so repeated
// passes do not grow and a second release frees nothing twice.
TEST(CaptureTable, ReleaseFreesEverythingOnce)
{
    OwnWindows own;
    HWND mine = MakeWindow(&own, WS_POPUP | WS_VISIBLE, 700, 700, 120, 90, NULL);
    ASSERT_NE(nullptr, mine);
    PumpMessages();

    CaptureFresh();
    int i = EntryOf(mine);
    ASSERT_GE(i, 0);
    HDC dc = captured_dc[i];
    HBITMAP bitmap = captured_bitmap[i];
    RECT rect = captured_rect[i];
    EXPECT_EQ(OBJ_MEMDC, GetObjectType(dc));
    EXPECT_EQ(OBJ_BITMAP, GetObjectType(bitmap));

    // Without clearing, the window and rectangle stay but nothing is left to free.
    int count = captured_count;
    ReleaseCaptures(0);
    EXPECT_EQ(count, captured_count);
    EXPECT_EQ(0u, GetObjectType(dc));
    EXPECT_EQ(0u, GetObjectType(bitmap));
    EXPECT_EQ(mine, captured_hwnd[i]);
    EXPECT_EQ(0, memcmp(&rect, &captured_rect[i], sizeof(RECT)));
    for (int k = 0; k < captured_count; k++) {
        EXPECT_EQ(nullptr, captured_dc[k]);
        EXPECT_EQ(nullptr, captured_bitmap[k]);
        EXPECT_EQ(nullptr, captured_pixels[k]);
    }
    ReleaseCaptures(0);
    ReleaseCaptures(1);
    EXPECT_EQ(nullptr, captured_hwnd[i]);
    EXPECT_EQ(0, captured_rect[i].left | captured_rect[i].top | captured_rect[i].right | captured_rect[i].bottom);
    captured_count = 0;

    // Pass after pass, every object a pass made is gone once it is released.
    // NOTE: Wine's GetGuiResources answers 0, so the objects are checked one
    // by one, right after their release, before a new pass can reuse a handle.
    int left_alive = 0;
    for (int pass = 0; pass < 100; pass++) {
        CaptureFresh();
        std::vector<HGDIOBJ> made;
        for (int k = 0; k < captured_count; k++) {
            made.push_back(captured_dc[k]);
            made.push_back(captured_bitmap[k]);
        }
        ReleaseCaptures(1);
        captured_count = 0;
        for (HGDIOBJ object : made)
            left_alive += GetObjectType(object) != 0;
    }
    EXPECT_EQ(0, left_alive) << "GDI objects outlived their release";
}

// Only what shows within the reach is copied: a window that others cover
// completely, and a window far from the reach, cost no copy and no DC, yet
// stay in the table for the search. A window keeps its bitmap from pass to
// pass, and a dragged window hides nothing.
TEST(CaptureCost, OnlyWhatShowsWithinTheReach)
{
    FixtureRun run;
    // Later windows lie in front: A covers B whole; C is far away.
    ASSERT_NO_FATAL_FAILURE(StartFixture(
        &run, "cost", "--window B,400,300,300,200 --window A,300,200,600,500 --window C,1400,700,300,200",
        {"B", "A", "C"}));
    const ReadyWindow &b = run.ready[0], &a = run.ready[1], &c = run.ready[2];
    ReleaseCaptures(1);
    captured_count = 0;

    const RECT over_b = {450, 350, 850, 650}; // inside A, over B
    CaptureAllWindows(NULL, &over_b, NULL);
    const int ia = EntryOf(a.hwnd), ib = EntryOf(b.hwnd), ic = EntryOf(c.hwnd);
    ASSERT_TRUE(ia >= 0 && ib >= 0 && ic >= 0) << "every visible window is listed";
    EXPECT_EQ(1, capture_counters.dcs_taken);
    EXPECT_EQ(1, capture_counters.windows_copied);
    EXPECT_EQ(400 * 300 * 4, capture_counters.bytes_copied);
    EXPECT_NE(nullptr, captured_bitmap[ia]);
    EXPECT_EQ(nullptr, captured_bitmap[ib]) << "the covered window got a bitmap";
    EXPECT_EQ(nullptr, captured_bitmap[ic]) << "the far window got a bitmap";
    FindWindowAtPoint(c.rect.left + 10, c.rect.top + 10);
    EXPECT_EQ(c.hwnd, target_window);

    // The next pass copies into the same bitmap.
    HBITMAP kept = captured_bitmap[ia];
    CaptureAllWindows(NULL, &over_b, NULL);
    EXPECT_EQ(kept, captured_bitmap[EntryOf(a.hwnd)]);
    EXPECT_EQ(1, capture_counters.dcs_taken);

    // Moved on by 50 pixels: only the strip not copied before is copied.
    const RECT further = {500, 350, 900, 650};
    RecaptureReach(&further, NULL);
    EXPECT_EQ(1, capture_counters.dcs_taken);
    EXPECT_EQ(50 * 300 * 4, capture_counters.bytes_copied);
    EXPECT_TRUE(EqualRect(&further, &capture_reach));

    // Half over C, half over nothing: C alone, and only its part.
    const RECT over_c = {1550, 500, 1850, 800};
    RecaptureReach(&over_c, NULL);
    EXPECT_EQ(1, capture_counters.dcs_taken);
    EXPECT_EQ(150 * 100 * 4, capture_counters.bytes_copied);
    EXPECT_EQ(over_c.left, capture_reach.left);

    // Over A, B and the desktop: no more bytes than the reach holds, and the
    // tiles cover each shown pixel once.
    const RECT across = {200, 100, 800, 600};
    RecaptureReach(&across, NULL);
    EXPECT_LE(capture_counters.bytes_copied, (int64_t)600 * 500 * 4);
    int64_t tiled = 0;
    for (int k = 0; k < capture_tile_count; k++) {
        const RECT& t = capture_tiles[k].rect;
        tiled += (int64_t)(t.right - t.left) * (t.bottom - t.top);
    }
    EXPECT_EQ((int64_t)500 * 400, tiled) << "A shows from 300,200 to 800,600";

    // A dragged A hides nothing: B behind it is copied too.
    RecaptureReach(&over_b, a.hwnd);
    EXPECT_EQ(2, capture_counters.dcs_taken);
    EXPECT_NE(nullptr, captured_bitmap[EntryOf(b.hwnd)]);
}

// Facts of an ordinary framed window on a desktop without a compositor.
static WindowFacts PlainFacts()
{
    WindowFacts f;
    memset(&f, 0, sizeof(f));
    f.visible = TRUE;
    f.rect = RECT{100, 100, 500, 400};
    return f;
}

// The window filter and the drawn frame, from the system's answers.
TEST(WindowLook, AsTheDesktopTreatsTheWindow)
{
    CapturedLook look;
    WindowFacts f = PlainFacts();
    ASSERT_EQ(1, LookOfWindow(&f, &look));
    EXPECT_EQ(255, look.alpha);
    EXPECT_FALSE(look.pixel_alpha);
    EXPECT_TRUE(look.clickable);
    EXPECT_TRUE(EqualRect(&look.frame, &f.rect));

    f = PlainFacts();
    f.visible = FALSE;
    EXPECT_EQ(0, LookOfWindow(&f, &look)) << "hidden";
    f = PlainFacts();
    f.cloaked = TRUE;
    EXPECT_EQ(0, LookOfWindow(&f, &look)) << "cloaked";

    // The visible frame, without the invisible resize borders; an answer
    // outside the window leaves the whole rectangle.
    f = PlainFacts();
    f.has_frame_bounds = TRUE;
    f.frame_bounds = RECT{107, 100, 493, 393};
    ASSERT_EQ(1, LookOfWindow(&f, &look));
    EXPECT_TRUE(EqualRect(&look.frame, &f.frame_bounds));
    f.frame_bounds = RECT{600, 600, 700, 700};
    ASSERT_EQ(1, LookOfWindow(&f, &look));
    EXPECT_TRUE(EqualRect(&look.frame, &f.rect));

    // Layered: constant alpha; transparent to the mouse; alpha 0 and
    // transparent is not there at all; per-pixel alpha where the attributes fail.
    f = PlainFacts();
    f.ex_style = WS_EX_LAYERED;
    f.layered_attributes = TRUE;
    f.layered_flags = LWA_ALPHA;
    f.layered_alpha = 128;
    ASSERT_EQ(1, LookOfWindow(&f, &look));
    EXPECT_EQ(128, look.alpha);
    EXPECT_TRUE(look.clickable);
    f.ex_style |= WS_EX_TRANSPARENT;
    ASSERT_EQ(1, LookOfWindow(&f, &look));
    EXPECT_FALSE(look.clickable);
    f.layered_alpha = 0;
    EXPECT_EQ(0, LookOfWindow(&f, &look)) << "an invisible overlay the mouse passes through";
    f.ex_style &= ~WS_EX_TRANSPARENT;
    EXPECT_EQ(0, LookOfWindow(&f, &look)) << "alpha 0 takes no clicks, with or without the style";
    f.layered_flags = LWA_COLORKEY;
    f.layered_key = RGB(0x12, 0x34, 0x56);
    ASSERT_EQ(1, LookOfWindow(&f, &look));
    EXPECT_EQ(255, look.alpha) << "a colour key alone keeps the window's alpha";
    EXPECT_TRUE(look.keyed);
    EXPECT_EQ(0x123456u, look.key) << "the key as the pixels hold it";
    EXPECT_TRUE(look.pixel_alpha) << "its see-through pixels show what lies behind";
    EXPECT_TRUE(look.clickable);
    f.layered_attributes = FALSE;
    ASSERT_EQ(1, LookOfWindow(&f, &look));
    EXPECT_TRUE(look.pixel_alpha);
    EXPECT_EQ(255, look.alpha);
}

// Tiles follow the drawn frames: what lies behind shows in a window's
// invisible borders and through a translucent window, not through an opaque one.
TEST(WindowLook, TilesFollowTheDrawnFrames)
{
    static uint8_t pixels[4];
    const RECT behind = {0, 0, 400, 400}, framed = {100, 100, 300, 300}, veiled = {250, 0, 400, 400};
    captured_count = 3;
    captured_rect[0] = veiled;
    captured_look[0] = CapturedLook{veiled, 128, false, true, false, 0};
    captured_rect[1] = framed;
    captured_look[1] = CapturedLook{RECT{107, 100, 293, 293}, 255, false, true, false, 0};
    captured_rect[2] = behind;
    captured_look[2] = CapturedLook{behind, 255, false, true, false, 0};
    for (int i = 0; i < 3; i++)
        captured_pixels[i] = pixels; // stands for a copied image; tiles never read it
    capture_reach = behind;
    ComposeCaptureTiles();
    int64_t area[3] = {0, 0, 0};
    for (int k = 0; k < capture_tile_count; k++) {
        const RECT& t = capture_tiles[k].rect;
        area[capture_tiles[k].entry] += (int64_t)(t.right - t.left) * (t.bottom - t.top);
    }
    EXPECT_EQ(150 * 400, area[0]);
    EXPECT_EQ(186 * 193, area[1]);
    EXPECT_EQ(400 * 400 - 186 * 193, area[2]) << "the borders and the veiled part show what lies behind";
    for (int i = 0; i < 3; i++)
        captured_pixels[i] = NULL;
    captured_count = 0;
    capture_tile_count = 0;
}

// A colour-keyed window takes clicks where its copy is solid, and lets them
// through to the window behind where it is of its key colour.
TEST(WindowSearch, PassesThroughTheKeyedPartsOfAWindow)
{
    OwnWindows own;
    HWND front = MakeWindow(&own, WS_POPUP | WS_VISIBLE, 100, 100, 200, 100, NULL);
    HWND back = MakeWindow(&own, WS_POPUP | WS_VISIBLE, 50, 50, 400, 300, NULL);
    ASSERT_TRUE(front && back);
    std::vector<uint32_t> pixels(200 * 100, 0xFF808080u);
    pixels[50 * 200 + 20] = 0; // see-through at screen (120, 150)
    captured_count = 2;
    captured_hwnd[0] = front;
    captured_rect[0] = RECT{100, 100, 300, 200};
    captured_pixels[0] = (uint8_t*)pixels.data();
    captured_look[0] = CapturedLook{captured_rect[0], 255, true, true, true, 0x00FF00};
    captured_hwnd[1] = back;
    captured_rect[1] = RECT{50, 50, 450, 350};
    captured_pixels[1] = NULL;
    captured_look[1] = CapturedLook{captured_rect[1], 255, false, true, false, 0};
    FindWindowAtPoint(121, 150);
    EXPECT_EQ(front, target_window) << "a solid pixel of the keyed window";
    FindWindowAtPoint(120, 150);
    EXPECT_EQ(back, target_window) << "a see-through pixel lets the click through";
    captured_pixels[0] = NULL;
    captured_count = 0;
}

// The screen copy: the screen's own pixels at their places, black beyond
// the virtual screen; a pass from the screen still lists every window for
// the search, and shows no tiles of their own images.
TEST(ScreenCopy, CopiesTheScreenWithItsOffsets)
{
    FixtureRun run;
    ASSERT_NO_FATAL_FAILURE(StartFixture(&run, "screen", "--window A,0,100,600,400", {"A"}));
    const RECT client = run.ready[0].client;
    ScreenCopy copy;
    memset(&copy, 0, sizeof(copy));
    // Part of A and, left of it, beyond the screen's edge.
    const RECT region = {-40, client.top + 10, client.left + 200, client.top + 110};
    std::string first;
    int bad = -1;
    for (int attempt = 0; attempt < 40 && bad != 0; attempt++) {
        ASSERT_EQ(1, CopyScreenRegion(&region, &copy));
        bad = 0;
        const uint32_t* p = (const uint32_t*)copy.pixels;
        const int width = region.right - region.left;
        for (int y = region.top; y < region.bottom; y++)
            for (int x = region.left; x < region.right; x++) {
                const uint32_t got = p[(size_t)(y - region.top) * width + (size_t)(x - region.left)];
                const uint32_t want = x < 0 ? 0xFF000000u
                                    : x < client.left ? got // A's frame
                                                      : 0xFF000000u | FixturePixel(0, x - client.left, y - client.top);
                if (got != want && bad++ == 0)
                    first = "at " + std::to_string(x) + "," + std::to_string(y);
            }
        if (bad)
            Sleep(100); // the fixture's paint reaches the screen a moment after its ready line
    }
    EXPECT_EQ(0, bad) << first;
    FreeScreenCopy(&copy);
    EXPECT_EQ(nullptr, copy.pixels);

    capture_source = CAPTURE_FROM_SCREEN;
    ReleaseCaptures(1);
    captured_count = 0;
    const RECT reach = {100, 200, 500, 400};
    CaptureAllWindows(viewer_hwnd, &reach, NULL);
    EXPECT_GE(EntryOf(run.ready[0].hwnd), 0) << "the search still has the window";
    EXPECT_EQ(0, capture_tile_count);
    EXPECT_EQ(0, capture_counters.windows_copied) << "no window was copied on its own";
    ASSERT_NE(nullptr, screen_copy.pixels);
    EXPECT_TRUE(EqualRect(&screen_copy.rect, &reach));
    EXPECT_EQ(0xFF000000u | FixturePixel(0, 300 - client.left, 300 - client.top),
              ((const uint32_t*)screen_copy.pixels)[(size_t)(300 - 200) * 400 + (300 - 100)]);
    capture_source = CAPTURE_FROM_WINDOWS;
    ReleaseCaptures(1);
    EXPECT_EQ(nullptr, screen_copy.pixels) << "released with the table";
}

// Where the view's pixels come from, from the system's answers.
TEST(ScreenCopy, TheViewerCopiesTheScreenOnlyWhenItIsLeftOut)
{
    EXPECT_EQ(CAPTURE_FROM_WINDOWS, ChooseCaptureSource(false, false)) << "the call was refused (Wine, old Windows)";
    EXPECT_EQ(CAPTURE_FROM_SCREEN, ChooseCaptureSource(true, false)) << "accepted and honoured";
    EXPECT_EQ(CAPTURE_FROM_WINDOWS, ChooseCaptureSource(true, true)) << "accepted, but the copy showed the viewer";

    // The check's own reading of a copy: nine in ten of its pixels, the alpha byte aside.
    std::vector<uint32_t> copy(100, 0xFFFF00FFu);
    EXPECT_TRUE(PixelsShowColour(copy.data(), copy.size(), 0xFF00FF));
    for (int k = 0; k < 10; k++)
        copy[k] = 0xFF123456u;
    EXPECT_TRUE(PixelsShowColour(copy.data(), copy.size(), 0x00FF00FF));
    copy[10] = 0;
    EXPECT_FALSE(PixelsShowColour(copy.data(), copy.size(), 0xFF00FF)) << "89 in 100";
    EXPECT_FALSE(PixelsShowColour(copy.data(), 0, 0xFF00FF)) << "an empty copy shows nothing";
}
