// The click-through handlers against a window of this process: its window
// procedure answers the hit test with a code the test chooses and records the
// system commands; forwarded input is read back from the message queue.
#include <gtest/gtest.h>
#include <windowsx.h>
#include <vector>

#include "app/app.h"
#include "capture/capture.h"
#include "render/render.h"
#include "support/test_support.h"

static int                 answer_hit = HTCLIENT;
static std::vector<LPARAM> hit_queries;
static std::vector<WPARAM> sys_commands;

static LRESULT CALLBACK TargetProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_NCHITTEST:
        hit_queries.push_back(lParam);
        return answer_hit;
    case WM_SYSCOMMAND:
        sys_commands.push_back(wParam);
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

// A child with parts of its own (a list's scroll bar) answers this.
static int answer_child_hit = HTVSCROLL;

static LRESULT CALLBACK ScrollingChildProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_NCHITTEST)
        return answer_child_hit;
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

// A window whose thread stops reading its messages, as a hung program does.
static DWORD WINAPI HungWindowThread(void* param)
{
    HWND* made = (HWND*)param;
    *made = CreateWindowExA(0, "STATIC", "hung", WS_POPUP | WS_VISIBLE, 900, 100, 200, 150, NULL, NULL,
                            GetModuleHandleA(NULL), NULL);
    Sleep(3000);
    if (*made)
        DestroyWindow(*made);
    return 0;
}

static const RECT target_start = {300, 200, 700, 500};

// Entry i of the capture table: an opaque, clickable window drawn whole.
static void ListEntry(int i, HWND hwnd, RECT rect)
{
    captured_hwnd[i] = hwnd;
    captured_rect[i] = rect;
    captured_look[i] = CapturedLook{rect, 255, false, true, false, 0};
}

class ClickThrough : public ::testing::Test {
protected:
    HWND target = NULL;
    HWND child = NULL;

    void SetUp() override
    {
        ASSERT_NE(RegisterTestClass("ClickTarget", TargetProc, CS_DBLCLKS), 0);
        target = CreateWindowExA(0, "ClickTarget", "target", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                                 target_start.left, target_start.top,
                                 target_start.right - target_start.left,
                                 target_start.bottom - target_start.top, NULL, NULL,
                                 GetModuleHandleA(NULL), NULL);
        ASSERT_NE(target, (HWND)NULL);
        child = CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE, 40, 40, 120, 80, target,
                                NULL, GetModuleHandleA(NULL), NULL);
        ASSERT_NE(child, (HWND)NULL);
        PumpMessages();

        answer_hit = HTCLIENT;
        hit_queries.clear();
        sys_commands.clear();
        dist_cx = dist_cy = 0.0f;
        K1 = 0.7f;
        P1 = 1.7f;
        viewer_width = viewer_height = 400;
        drag_state = 0;
        captured_count = 1;
        ListEntry(0, target, WindowRect(target));
        target_window = target;
        target_index = 0;
        target_child = NULL;
    }

    void TearDown() override
    {
        if (IsWindow(target))
            DestroyWindow(target);
        captured_count = 0;
        drag_state = 0;
        PumpMessages();
    }

    // Puts the real cursor at a screen point, as the handlers read it there.
    static void PointAt(int x, int y)
    {
        ASSERT_TRUE(SetCursorPos(x, y));
        POINT p;
        ASSERT_TRUE(GetCursorPos(&p));
        ASSERT_EQ(p.x, x);
        ASSERT_EQ(p.y, y);
    }

    static bool TakePosted(HWND hwnd, UINT msg, MSG* out)
    {
        return PeekMessageA(out, hwnd, msg, msg, PM_REMOVE) != 0;
    }

    static POINT ClientOrigin(HWND hwnd)
    {
        POINT p = {0, 0};
        EXPECT_TRUE(ClientToScreen(hwnd, &p));
        return p;
    }

    static RECT WindowRect(HWND hwnd)
    {
        RECT r = {};
        EXPECT_TRUE(GetWindowRect(hwnd, &r));
        return r;
    }
};

static void ExpectPosted(HWND hwnd, UINT msg, WPARAM wParam, int x, int y, const char* what)
{
    MSG m;
    ASSERT_TRUE(PeekMessageA(&m, hwnd, msg, msg, PM_REMOVE)) << what << ": nothing posted";
    EXPECT_EQ(m.wParam, wParam) << what;
    EXPECT_EQ(GET_X_LPARAM(m.lParam), x) << what;
    EXPECT_EQ(GET_Y_LPARAM(m.lParam), y) << what;
    EXPECT_EQ((unsigned long long)m.lParam >> 32, 0u) << what;
}

static void ExpectRect(RECT r, LONG l, LONG t, LONG rr, LONG b, const char* what)
{
    EXPECT_EQ(r.left, l) << what;
    EXPECT_EQ(r.top, t) << what;
    EXPECT_EQ(r.right, rr) << what;
    EXPECT_EQ(r.bottom, b) << what;
}

TEST_F(ClickThrough, ClientInputReachesTheWindowUnderTheCentre)
{
    PointAt(500, 350);
    POINT o = ClientOrigin(target);
    const int cx = 500 - o.x, cy = 350 - o.y;

    OnClickLeftDown(MK_LBUTTON);
    EXPECT_EQ(hit_code, HTCLIENT);
    EXPECT_EQ(forward_window, target);
    ASSERT_EQ(hit_queries.size(), 1u);
    EXPECT_EQ(GET_X_LPARAM(hit_queries[0]), 500) << "hit test in screen coordinates";
    EXPECT_EQ(GET_Y_LPARAM(hit_queries[0]), 350);
    EXPECT_EQ(cursor_pos.x, 500);
    EXPECT_EQ(cursor_adj.x, 500);
    EXPECT_EQ(cursor_adj.y, 350);
    EXPECT_EQ(drag_state, 0) << "a client press starts no window action";
    ExpectPosted(target, WM_LBUTTONDOWN, MK_LBUTTON, cx, cy, "left press");

    OnClickLeftUp(0);
    ExpectPosted(target, WM_LBUTTONUP, 0, cx, cy, "left release");
    OnClickLeftDoubleClick(MK_LBUTTON | MK_SHIFT);
    ExpectPosted(target, WM_LBUTTONDBLCLK, MK_LBUTTON | MK_SHIFT, cx, cy, "double click");
    OnClickRightDown(MK_RBUTTON);
    ExpectPosted(target, WM_RBUTTONDOWN, MK_RBUTTON, cx, cy, "right press");
    OnClickRightUp(0);
    ExpectPosted(target, WM_RBUTTONUP, 0, cx, cy, "right release");
    // The wheel carries screen coordinates and its delta in wParam's high word.
    OnClickWheel(MAKEWPARAM(MK_CONTROL, (WORD)-120));
    ExpectPosted(target, WM_MOUSEWHEEL, MAKEWPARAM(MK_CONTROL, (WORD)-120), 500, 350, "wheel");
    EXPECT_EQ(hit_queries.size(), 4u) << "presses and the wheel ask the window anew; a release "
                                         "goes to the window of its press";

    // A lens centred off the view centre shifts the point the view shows there.
    dist_cx = 0.5f;
    OnClickRightDown(MK_RBUTTON);
    EXPECT_EQ(cursor_adj.x, 556);
    EXPECT_EQ(cursor_adj.y, 350);
    ExpectPosted(target, WM_RBUTTONDOWN, MK_RBUTTON, cx + 56, cy, "right press through the lens");
    OnClickWheel(MAKEWPARAM(0, 120));
    ExpectPosted(target, WM_MOUSEWHEEL, MAKEWPARAM(0, 120), 556, 350, "wheel through the lens");
}

TEST_F(ClickThrough, ChildReceivesInputInItsOwnCoordinates)
{
    POINT co = ClientOrigin(child);
    PointAt(co.x + 25, co.y + 15);
    // The capture search finds the child; set it here as well for a table of our own.
    target_child = child;

    OnClickLeftDown(MK_LBUTTON);
    EXPECT_EQ(forward_window, child);
    EXPECT_EQ(hit_queries.size(), 1u) << "the hit test goes to the top-level window";
    ExpectPosted(child, WM_LBUTTONDOWN, MK_LBUTTON, 25, 15, "left press on the child");
    MSG m;
    EXPECT_FALSE(TakePosted(target, WM_LBUTTONDOWN, &m)) << "the top-level window gets nothing";

    target_child = child;
    OnClickWheel(MAKEWPARAM(0, 240));
    ExpectPosted(child, WM_MOUSEWHEEL, MAKEWPARAM(0, 240), co.x + 25, co.y + 15, "wheel on child");
}

TEST_F(ClickThrough, PointsLeftOfAndAboveTheClientPackNegative)
{
    // No captured window contains the point, so the previous target stays.
    captured_count = 0;
    PointAt(100, 60);
    POINT o = ClientOrigin(target);
    ASSERT_GT(o.x, 100);
    ASSERT_GT(o.y, 60);

    OnClickLeftDown(MK_LBUTTON);
    EXPECT_EQ(target_window, target);
    ExpectPosted(target, WM_LBUTTONDOWN, MK_LBUTTON, 100 - o.x, 60 - o.y, "press beside client");
    OnClickRightUp(0);
    ExpectPosted(target, WM_RBUTTONUP, 0, 100 - o.x, 60 - o.y, "release beside client");
}

TEST_F(ClickThrough, NonClientPartsTakeNoForwardedInput)
{
    PointAt(500, 350);
    MSG m;
    const int codes[] = {HTCAPTION, HTMINBUTTON, HTCLOSE, HTLEFT, HTBORDER, HTNOWHERE, HTERROR,
                         HTTRANSPARENT};
    for (int code : codes) {
        answer_hit = code;
        OnClickRightDown(MK_RBUTTON);
        OnClickRightUp(0);
        OnClickWheel(MAKEWPARAM(0, 120));
        OnClickLeftDown(MK_LBUTTON);
        OnClickLeftUp(0);
        EXPECT_FALSE(PeekMessageA(&m, target, WM_LBUTTONDOWN, WM_MOUSEWHEEL, PM_REMOVE))
            << "code " << code << " forwarded message " << m.message;
        EXPECT_EQ(drag_state, 0) << "a release ends every action";
    }
    // Only a caption double click does something outside the client area.
    PumpMessages();
    sys_commands.clear();
    answer_hit = HTVSCROLL;
    OnClickLeftDoubleClick(MK_LBUTTON);
    PumpMessages();
    EXPECT_TRUE(sys_commands.empty());
}

TEST_F(ClickThrough, WindowButtonsActWhenPressAndReleaseMatch)
{
    PointAt(500, 350);
    struct Case {
        int press, release;
        bool acts;
        WPARAM command;
    } cases[] = {
        {HTMINBUTTON, HTMINBUTTON, true, SC_MINIMIZE},
        {HTMAXBUTTON, HTMAXBUTTON, true, SC_MAXIMIZE},
        {HTCLOSE, HTCLOSE, true, SC_CLOSE},
        {HTCLOSE, HTCAPTION, false, 0},
        {HTCLOSE, HTMINBUTTON, false, 0},
        {HTMINBUTTON, HTCLOSE, false, 0},
        {HTMAXBUTTON, HTCLIENT, false, 0},
        {HTCAPTION, HTCLOSE, false, 0},
        {HTCLIENT, HTMAXBUTTON, false, 0},
    };
    for (const Case& c : cases) {
        sys_commands.clear();
        answer_hit = c.press;
        OnClickLeftDown(MK_LBUTTON);
        PumpMessages();
        EXPECT_TRUE(sys_commands.empty()) << "buttons act at the release";
        answer_hit = c.release;
        OnClickLeftUp(0);
        EXPECT_TRUE(sys_commands.empty()) << "commands are posted, never waited for";
        PumpMessages();
        EXPECT_EQ(drag_state, 0);
        if (c.acts) {
            ASSERT_EQ(sys_commands.size(), 1u) << "press " << c.press;
            EXPECT_EQ(sys_commands[0], c.command);
        } else {
            EXPECT_TRUE(sys_commands.empty()) << "press " << c.press << " release " << c.release;
        }
    }
    // A release with nothing pressed does not act either.
    sys_commands.clear();
    answer_hit = HTCLOSE;
    OnClickLeftUp(0);
    PumpMessages();
    EXPECT_TRUE(sys_commands.empty());

    // The maximise button and a caption double click restore a maximised window.
    ShowWindow(target, SW_MAXIMIZE);
    ASSERT_TRUE(IsZoomed(target));
    ListEntry(0, target, WindowRect(target));
    answer_hit = HTMAXBUTTON;
    OnClickLeftDown(MK_LBUTTON);
    OnClickLeftUp(0);
    answer_hit = HTCAPTION;
    OnClickLeftDoubleClick(MK_LBUTTON);
    ShowWindow(target, SW_RESTORE);
    ASSERT_FALSE(IsZoomed(target));
    OnClickLeftDoubleClick(MK_LBUTTON);
    PumpMessages();
    ASSERT_EQ(sys_commands.size(), 3u);
    EXPECT_EQ(sys_commands[0], (WPARAM)SC_RESTORE);
    EXPECT_EQ(sys_commands[1], (WPARAM)SC_RESTORE);
    EXPECT_EQ(sys_commands[2], (WPARAM)SC_MAXIMIZE);
}

TEST_F(ClickThrough, CaptionDragFollowsTheCursorAndItsCapture)
{
    PointAt(500, 250);
    answer_hit = HTCAPTION;
    OnClickLeftDown(MK_LBUTTON);
    EXPECT_EQ(drag_state, HTCAPTION);
    EXPECT_EQ(drag_start_cursor.x, 500);
    EXPECT_EQ(drag_start_cursor.y, 250);
    ExpectRect(drag_rect, 300, 200, 700, 500, "rectangle at the press");

    cursor_pos.x = 530;
    cursor_pos.y = 270;
    ContinueDrag(MK_LBUTTON);
    ExpectRect(WindowRect(target), 330, 220, 730, 520, "first move");
    ExpectRect(captured_rect[0], 330, 220, 730, 520, "capture entry follows");

    // Displacement from the press, not from the previous move.
    cursor_pos.x = 460;
    cursor_pos.y = 265;
    ContinueDrag(MK_LBUTTON);
    ExpectRect(WindowRect(target), 260, 215, 660, 515, "second move");

    // A capture pass since the press put the window at another index; the
    // entry now at the stale index belongs to someone else.
    HWND other = child;
    captured_count = 2;
    ListEntry(0, other, RECT{10, 10, 50, 50});
    ListEntry(1, target, WindowRect(target));
    cursor_pos.x = 510;
    cursor_pos.y = 300;
    ContinueDrag(MK_LBUTTON);
    ExpectRect(WindowRect(target), 310, 250, 710, 550, "third move");
    ExpectRect(captured_rect[0], 10, 10, 50, 50, "other entry untouched");
    ExpectRect(captured_rect[1], 310, 250, 710, 550, "dragged entry found anew");

    // A window that left the table: the window moves, no entry is written.
    captured_count = 1;
    target_index = 700;
    cursor_pos.x = 520;
    ContinueDrag(MK_LBUTTON);
    ExpectRect(WindowRect(target), 320, 250, 720, 550, "move outside the table");
    ExpectRect(captured_rect[0], 10, 10, 50, 50, "no entry written");

    OnClickLeftUp(0);
    EXPECT_EQ(drag_state, 0);
}

TEST_F(ClickThrough, EdgesAndCornersResizeByTheirRow)
{
    // R = (300, 200, 700, 500); the cursor goes 40 pixels past the edges it moves.
    struct Case {
        int code;
        POINT m;
        RECT expected;
    } cases[] = {
        {HTLEFT, {260, 350}, {260, 200, 700, 500}},
        {HTRIGHT, {740, 350}, {300, 200, 740, 500}},
        {HTTOP, {500, 160}, {300, 160, 700, 500}},
        {HTTOPLEFT, {260, 160}, {260, 160, 700, 500}},
        {HTTOPRIGHT, {740, 160}, {300, 160, 740, 500}},
        {HTBOTTOM, {500, 540}, {300, 200, 700, 540}},
        {HTBOTTOMLEFT, {260, 540}, {260, 200, 700, 540}},
        {HTBOTTOMRIGHT, {740, 540}, {300, 200, 740, 540}},
        // The top edge goes to the cursor's height, the bottom one stays.
        {HTTOP, {900, 260}, {300, 260, 700, 500}},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(MoveWindow(target, 300, 200, 400, 300, TRUE));
        ListEntry(0, target, WindowRect(target));
        PointAt(500, 350);
        answer_hit = c.code;
        OnClickLeftDown(MK_LBUTTON);
        EXPECT_EQ(drag_state, c.code);
        ExpectRect(drag_rect, 300, 200, 700, 500, "rectangle at the press");
        cursor_pos = c.m;
        ContinueDrag(MK_LBUTTON);
        char what[32];
        snprintf(what, sizeof what, "hit code %d", c.code);
        ExpectRect(WindowRect(target), c.expected.left, c.expected.top, c.expected.right,
                   c.expected.bottom, what);
        ExpectRect(captured_rect[0], 300, 200, 700, 500, "entry kept until the next pass");
        OnClickLeftUp(0);
        EXPECT_EQ(drag_state, 0);
        cursor_pos.x += 30;
        ContinueDrag(MK_LBUTTON);
        ExpectRect(WindowRect(target), c.expected.left, c.expected.top, c.expected.right,
                   c.expected.bottom, "no move after the release");
    }
    // Window buttons pending: moves do not move.
    ASSERT_TRUE(MoveWindow(target, 300, 200, 400, 300, TRUE));
    answer_hit = HTCLOSE;
    OnClickLeftDown(MK_LBUTTON);
    cursor_pos.x = 250;
    cursor_pos.y = 100;
    ContinueDrag(MK_LBUTTON);
    ExpectRect(WindowRect(target), 300, 200, 700, 500, "close button pending");
}

TEST_F(ClickThrough, ClosedTargetIsHarmless)
{
    PointAt(500, 250);
    answer_hit = HTCAPTION;
    OnClickLeftDown(MK_LBUTTON);
    ASSERT_EQ(drag_state, HTCAPTION);
    ASSERT_TRUE(DestroyWindow(target));

    // Mid-drag: moves do nothing, the release ends the drag.
    cursor_pos.x = 560;
    cursor_pos.y = 290;
    ContinueDrag(MK_LBUTTON);
    ExpectRect(captured_rect[0], 300, 200, 700, 500, "entry of the closed window untouched");
    OnClickLeftUp(0);
    EXPECT_EQ(drag_state, 0);
    EXPECT_EQ(hit_code, 0);

    // Every event against the closed window finds no part of it.
    hit_queries.clear();
    OnClickLeftDown(MK_LBUTTON);
    OnClickLeftDoubleClick(MK_LBUTTON);
    OnClickRightDown(MK_RBUTTON);
    OnClickRightUp(0);
    OnClickWheel(MAKEWPARAM(0, 120));
    PumpMessages();
    EXPECT_EQ(hit_code, 0);
    EXPECT_EQ(drag_state, 0);
    EXPECT_TRUE(hit_queries.empty());
    EXPECT_TRUE(sys_commands.empty());

    // Nothing found ever: no window to ask.
    captured_count = 0;
    target_window = NULL;
    target_child = NULL;
    OnClickLeftDown(MK_LBUTTON);
    OnClickLeftUp(0);
    EXPECT_EQ(hit_code, 0);
    EXPECT_EQ(drag_state, 0);
}

TEST_F(ClickThrough, PressesActivateTheTargetReleasesDoNot)
{
    HWND other = CreateWindowExA(0, "ClickTarget", "other", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 800,
                                 600, 200, 150, NULL, NULL, GetModuleHandleA(NULL), NULL);
    ASSERT_NE(other, (HWND)NULL);
    PointAt(500, 350);

    ASSERT_TRUE(SetForegroundWindow(other));
    OnClickLeftUp(0);
    OnClickRightUp(0);
    OnClickWheel(MAKEWPARAM(0, 120));
    EXPECT_EQ(GetForegroundWindow(), other) << "releases and the wheel leave activation alone";

    const struct {
        void (*handler)(WPARAM);
        const char* name;
    } presses[] = {{OnClickLeftDown, "left press"},
                   {OnClickLeftDoubleClick, "double click"},
                   {OnClickRightDown, "right press"}};
    for (const auto& p : presses) {
        ASSERT_TRUE(SetForegroundWindow(other));
        p.handler(0);
        EXPECT_EQ(GetForegroundWindow(), target) << p.name;
    }
    DestroyWindow(other);
}

TEST_F(ClickThrough, MenusAndScrollBarsActOnThePress)
{
    PointAt(500, 350);
    MSG m;
    // A menu bar opens at the press; the menu then takes the pointer itself.
    answer_hit = HTMENU;
    OnClickLeftDown(MK_LBUTTON);
    ASSERT_TRUE(TakePosted(target, WM_NCLBUTTONDOWN, &m)) << "menu press";
    EXPECT_EQ(m.wParam, (WPARAM)HTMENU);
    EXPECT_EQ(GET_X_LPARAM(m.lParam), 500) << "in screen coordinates";
    EXPECT_EQ(GET_Y_LPARAM(m.lParam), 350);
    OnClickLeftUp(0);
    EXPECT_FALSE(TakePosted(target, WM_LBUTTONUP, &m)) << "the open menu gets no release";

    // A child's own scroll bar, which its parent counts as client area.
    WNDCLASSA wc = {};
    wc.lpfnWndProc = ScrollingChildProc;
    wc.hInstance = GetModuleHandleA(NULL);
    wc.lpszClassName = "ScrollingChild";
    (void)RegisterClassA(&wc); // registered already by an earlier run of the test
    HWND list = CreateWindowExA(0, "ScrollingChild", "", WS_CHILD | WS_VISIBLE, 150, 100, 150, 150, target,
                                NULL, GetModuleHandleA(NULL), NULL);
    ASSERT_NE(list, (HWND)NULL);
    target_child = list;
    answer_hit = HTCLIENT;
    OnClickLeftDown(MK_LBUTTON);
    EXPECT_EQ(hit_code, HTVSCROLL);
    EXPECT_EQ(hit_window, list);
    ASSERT_TRUE(TakePosted(list, WM_NCLBUTTONDOWN, &m)) << "scroll bar press";
    EXPECT_EQ(m.wParam, (WPARAM)HTVSCROLL);
    EXPECT_FALSE(TakePosted(target, WM_NCLBUTTONDOWN, &m)) << "the parent gets nothing";

    // The thumb follows the moves, wherever the centre goes, and the release.
    POINT o = ClientOrigin(list);
    PointAt(520, 460);
    OnClickMove(MK_LBUTTON);
    ExpectPosted(list, WM_MOUSEMOVE, MK_LBUTTON, 520 - o.x, 460 - o.y, "thumb drag");
    OnClickLeftUp(0);
    ExpectPosted(list, WM_LBUTTONUP, 0, 520 - o.x, 460 - o.y, "thumb release");
    EXPECT_EQ(press_window, (HWND)NULL);
}

TEST_F(ClickThrough, PressesKeepTheirWindowUntilTheButtonIsUp)
{
    PointAt(500, 350);
    POINT o = ClientOrigin(target);
    OnClickLeftDown(MK_LBUTTON);
    ExpectPosted(target, WM_LBUTTONDOWN, MK_LBUTTON, 500 - o.x, 350 - o.y, "press");

    // Off the window, as a selection drag goes: the window of the press keeps the moves.
    PointAt(150, 80);
    OnClickMove(MK_LBUTTON | MK_SHIFT);
    ExpectPosted(target, WM_MOUSEMOVE, MK_LBUTTON | MK_SHIFT, 150 - o.x, 80 - o.y, "move off the window");

    // The release went where the viewer never saw it: the next move delivers it.
    OnClickMove(0);
    ExpectPosted(target, WM_MOUSEMOVE, 0, 150 - o.x, 80 - o.y, "move after the release");
    ExpectPosted(target, WM_LBUTTONUP, 0, 150 - o.x, 80 - o.y, "the missed release");
    EXPECT_EQ(press_window, (HWND)NULL);

    // A caption drag whose release the viewer missed ends at the next move.
    PointAt(500, 250);
    answer_hit = HTCAPTION;
    OnClickLeftDown(MK_LBUTTON);
    ASSERT_EQ(drag_state, HTCAPTION);
    cursor_pos.x = 560;
    ContinueDrag(0);
    EXPECT_EQ(drag_state, 0);
    ExpectRect(WindowRect(target), 300, 200, 700, 500, "no move once the button is up");
    ContinueDrag(MK_LBUTTON);
    ExpectRect(WindowRect(target), 300, 200, 700, 500, "the ended drag stays ended");
}

TEST_F(ClickThrough, AProgramThatDoesNotAnswerHoldsNothing)
{
    HWND hung = NULL;
    HANDLE thread = CreateThread(NULL, 0, HungWindowThread, &hung, 0, NULL);
    ASSERT_NE(thread, (HANDLE)NULL);
    for (int waited = 0; hung == NULL && waited < 2000; waited += 10)
        Sleep(10);
    ASSERT_NE(hung, (HWND)NULL);
    ListEntry(0, hung, WindowRect(hung));
    PointAt(1000, 170);

    const DWORD start = GetTickCount();
    OnClickLeftDown(MK_LBUTTON);
    OnClickLeftUp(0);
    OnClickWheel(MAKEWPARAM(0, 120));
    const DWORD took = GetTickCount() - start;
    EXPECT_EQ(target_window, hung);
    EXPECT_EQ(hit_code, 0) << "a window that does not answer has no parts";
    EXPECT_LT(took, 1000u) << "three events waited " << took << " ms for the hung program";
    MSG m;
    EXPECT_FALSE(PeekMessageA(&m, hung, WM_LBUTTONDOWN, WM_MOUSEWHEEL, PM_REMOVE)) << "no input for it";
    (void)WaitForSingleObject(thread, 5000);
    CloseHandle(thread);
}
