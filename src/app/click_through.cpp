// Click-through: mouse buttons and the wheel on the viewer reach the window
// whose pixels the view shows at its centre, as forwarded client input or as
// the window-management action of the part hit there.
#include "app/app.h"
#include "capture/capture.h"
#include "render/render.h"

#include <limits.h>
#include <math.h>
#include <string.h>

POINT cursor_adj;
int   hit_code;
int   drag_state;
POINT drag_start_cursor;
RECT  drag_rect;
HWND  forward_window;
HWND  hit_window;
HWND  press_window;
WPARAM press_buttons;

// How long a hit test may wait for the window's program. A program answers
// in microseconds; one that does not answer in this time shows no parts.
static const UINT hit_test_timeout_ms = 50;

// The first radial lens term at the view centre. The lens samples, for a view
// point q, the source at c + d' where d = q - c and |d'| = K1 * |d|^P1; at the
// centre q is the origin of the normalised view units (y up).
POINT MapCursorToSource(int cursor_x, int cursor_y, float cx, float cy, float k1, float p1,
                        int width, int height)
{
    POINT cursor = {cursor_x, cursor_y};
    float dx = 0.0f - cx;
    float dy = 0.0f - cy;
    float r = powf(dx * dx + dy * dy, 0.5f);
    // pow(0, y) for y <= 0 is no point of the lens (the shader leaves it
    // undefined): the centre then shows the cursor itself.
    if (r == 0.0f && !(p1 > 0.0f))
        return cursor;
    float k = powf(r, p1) * k1;
    float theta = atan2f(dy, dx);
    float lens_x = k * cosf(theta) + cx;
    float lens_y = k * sinf(theta) + cy;
    if (!isfinite(lens_x) || !isfinite(lens_y))
        return cursor;

    double screen_x = (double)cursor_x + (double)lens_x * 0.5 * (double)(float)width;
    double screen_y = (double)cursor_y - (double)lens_y * 0.5 * (double)(float)height;
    // Truncation toward zero stays inside int only strictly between these two.
    const double below_int = -2147483649.0, above_int = 2147483648.0;
    if (!(screen_x > below_int && screen_x < above_int && screen_y > below_int &&
          screen_y < above_int))
        return cursor;
    POINT adj = {(LONG)screen_x, (LONG)screen_y};
    return adj;
}

LPARAM PackPoint(int x, int y)
{
    // Unsigned wrap-around keeps the low 16 bits: the two's-complement halves
    // that GET_X_LPARAM and GET_Y_LPARAM sign-extend again.
    WORD low = (WORD)((unsigned int)x & 0xFFFFu);
    WORD high = (WORD)((unsigned int)y & 0xFFFFu);
    return (LPARAM)(DWORD)MAKELONG(low, high);
}

// The part of hwnd at p, asked without waiting on a program that does not
// answer: a hung one, or one that takes longer than the bound, has none (0).
static int AskHitTest(HWND hwnd, POINT p)
{
    if (IsHungAppWindow(hwnd))
        return 0;
    DWORD_PTR answer = 0;
    if (!SendMessageTimeoutA(hwnd, WM_NCHITTEST, 0, PackPoint(p.x, p.y), SMTO_ABORTIFHUNG | SMTO_BLOCK,
                             hit_test_timeout_ms, &answer))
        return 0;
    return (int)(LRESULT)answer; // HTERROR and HTTRANSPARENT are negative
}

// The steps every handled event begins with: find the window the view shows
// at its centre and ask it which of its parts lies there. A child has its
// own scroll bars, which its top-level window counts as client area.
static void LocateTarget(bool activate)
{
    (void)GetCursorPos(&cursor_pos); // on failure the last known position stands
    cursor_adj = MapCursorToSource(cursor_pos.x, cursor_pos.y, dist_cx, dist_cy, K1, P1,
                                   viewer_width, viewer_height);
    FindWindowAtPoint(cursor_adj.x, cursor_adj.y);
    // The window may have closed since the last capture pass: it then has no parts.
    if (!IsWindow(target_window)) {
        forward_window = hit_window = NULL;
        hit_code = 0;
        return;
    }
    if (activate)
        (void)SetForegroundWindow(target_window);
    forward_window = target_child != NULL ? target_child : target_window;
    hit_window = target_window;
    hit_code = AskHitTest(target_window, cursor_adj);
    if (hit_code == HTCLIENT && target_child != NULL) {
        const int child_code = AskHitTest(target_child, cursor_adj);
        if (child_code == HTVSCROLL || child_code == HTHSCROLL) {
            hit_code = child_code;
            hit_window = target_child;
        }
    }
}

// The cursor's place shown at the centre, without a search: a press made
// through the view keeps its window, wherever the centre goes.
static void MapCursor(void)
{
    (void)GetCursorPos(&cursor_pos); // on failure the last known position stands
    cursor_adj = MapCursorToSource(cursor_pos.x, cursor_pos.y, dist_cx, dist_cy, K1, P1,
                                   viewer_width, viewer_height);
}

// Client input carries the point in the receiver's client coordinates.
static void PostClientInput(HWND to, UINT msg, WPARAM wParam)
{
    POINT p = cursor_adj;
    if (!ScreenToClient(to, &p))
        return; // the receiver is gone
    (void)PostMessageA(to, msg, wParam, PackPoint(p.x, p.y));
}

static void ForwardButton(UINT msg, WPARAM wParam)
{
    PostClientInput(forward_window, msg, wParam);
}

// A press on the client area: the window keeps the moves and the release of
// that button until it is up, as the system's capture gives them.
static void ForwardPress(UINT msg, WPARAM wParam, WPARAM button)
{
    ForwardButton(msg, wParam);
    if (press_window != forward_window)
        press_buttons = 0;
    press_window = forward_window;
    press_buttons |= button;
}

// The release of a button pressed through the view goes to the window of
// the press. true when there was one.
static bool ReleasePress(UINT msg, WPARAM wParam, WPARAM button)
{
    if (press_window == NULL || !(press_buttons & button))
        return false;
    PostClientInput(press_window, msg, wParam);
    press_buttons &= ~button;
    if (press_buttons == 0)
        press_window = NULL;
    return true;
}

// Menus, the system menu and scroll bars act on the press itself, inside
// the window's own program. An open menu takes the pointer itself; a scroll
// bar gets the moves and the release in its window's client coordinates,
// which its thumb follows.
static void ForwardNonClientPress(void)
{
    (void)PostMessageA(hit_window, WM_NCLBUTTONDOWN, (WPARAM)hit_code, PackPoint(cursor_adj.x, cursor_adj.y));
    if (hit_code == HTVSCROLL || hit_code == HTHSCROLL) {
        press_window = hit_window;
        press_buttons = MK_LBUTTON;
    }
}

// Window commands are posted: the program's own handling (a "Save
// changes?" dialog on closing) must not hold the viewer.
static void SendSysCommand(WPARAM command)
{
    (void)PostMessageA(target_window, WM_SYSCOMMAND, command, 0);
}

static void ToggleMaximised(void)
{
    SendSysCommand(IsZoomed(target_window) ? SC_RESTORE : SC_MAXIMIZE);
}

static bool IsEdgeOrCorner(int code)
{
    return code >= HTLEFT && code <= HTBOTTOMRIGHT;
}

static bool ActsOnPress(int code)
{
    return code == HTMENU || code == HTSYSMENU || code == HTVSCROLL || code == HTHSCROLL;
}

void OnClickLeftDown(WPARAM wParam)
{
    LocateTarget(true);
    if (hit_code == HTCLIENT) {
        ForwardPress(WM_LBUTTONDOWN, wParam, MK_LBUTTON);
    } else if (ActsOnPress(hit_code)) {
        ForwardNonClientPress();
    } else if (hit_code == HTCAPTION || IsEdgeOrCorner(hit_code)) {
        // Without the window's rectangle there is nothing to drag from.
        RECT rect;
        if (!GetWindowRect(target_window, &rect))
            return;
        drag_rect = rect;
        if (hit_code == HTCAPTION)
            (void)GetCursorPos(&drag_start_cursor); // same reading as cursor_pos on failure
        drag_state = hit_code;
    } else if (hit_code == HTMINBUTTON || hit_code == HTMAXBUTTON || hit_code == HTCLOSE) {
        // The button acts at the release, if that lands on the same kind of button.
        drag_state = hit_code;
    }
}

void OnClickLeftUp(WPARAM wParam)
{
    if (press_window != NULL && (press_buttons & MK_LBUTTON)) {
        MapCursor();
        (void)ReleasePress(WM_LBUTTONUP, wParam, MK_LBUTTON);
        drag_state = 0;
        return;
    }
    LocateTarget(false);
    switch (hit_code) {
    case HTCLIENT:
        ForwardButton(WM_LBUTTONUP, wParam);
        break;
    case HTMINBUTTON:
        if (drag_state == HTMINBUTTON)
            SendSysCommand(SC_MINIMIZE);
        break;
    case HTMAXBUTTON:
        if (drag_state == HTMAXBUTTON)
            ToggleMaximised();
        break;
    case HTCLOSE:
        if (drag_state == HTCLOSE)
            SendSysCommand(SC_CLOSE);
        break;
    }
    drag_state = 0;
}

void OnClickLeftDoubleClick(WPARAM wParam)
{
    LocateTarget(true);
    if (hit_code == HTCLIENT)
        ForwardPress(WM_LBUTTONDBLCLK, wParam, MK_LBUTTON);
    else if (hit_code == HTCAPTION)
        ToggleMaximised();
}

void OnClickRightDown(WPARAM wParam)
{
    LocateTarget(true);
    if (hit_code == HTCLIENT)
        ForwardPress(WM_RBUTTONDOWN, wParam, MK_RBUTTON);
}

void OnClickRightUp(WPARAM wParam)
{
    MapCursor();
    if (ReleasePress(WM_RBUTTONUP, wParam, MK_RBUTTON))
        return;
    LocateTarget(false);
    if (hit_code == HTCLIENT)
        ForwardButton(WM_RBUTTONUP, wParam);
}

void OnClickWheel(WPARAM wParam)
{
    LocateTarget(false);
    // The wheel, unlike the buttons, carries screen coordinates.
    if (hit_code == HTCLIENT)
        (void)PostMessageA(forward_window, WM_MOUSEWHEEL, wParam,
                           PackPoint(cursor_adj.x, cursor_adj.y));
}

// The capture entry of the dragged window. target_index is from the search at
// the press; capture passes since then may have reordered the table.
static int DraggedEntry(void)
{
    if (target_index >= 0 && target_index < captured_count &&
        captured_hwnd[target_index] == target_window)
        return target_index;
    for (int i = 0; i < captured_count && i < MAX_CAPTURED_WINDOWS; i++)
        if (captured_hwnd[i] == target_window)
            return i;
    return -1;
}

// After a caption move the captured pixels are drawn at the place the
// window was sent to. The stored size stays that of the pixels, which the
// renderer reads by it.
static void MoveCapturedRect(const RECT* sent_to)
{
    MoveCapturedEntry(DraggedEntry(), sent_to->left, sent_to->top);
}

// Which edges of the window an edge or corner drag moves to the cursor.
static bool MovesLeft(int code)   { return code == HTLEFT || code == HTTOPLEFT || code == HTBOTTOMLEFT; }
static bool MovesRight(int code)  { return code == HTRIGHT || code == HTTOPRIGHT || code == HTBOTTOMRIGHT; }
static bool MovesTop(int code)    { return code == HTTOP || code == HTTOPLEFT || code == HTTOPRIGHT; }
static bool MovesBottom(int code) { return code == HTBOTTOM || code == HTBOTTOMLEFT || code == HTBOTTOMRIGHT; }

// The state of a physical button, as GetAsyncKeyState reports it, for the
// logical one the user presses: the two are swapped for left-handed mice.
static bool ButtonHeld(bool left)
{
    const bool swapped = GetSystemMetrics(SM_SWAPBUTTON) != 0;
    return (GetAsyncKeyState(left != swapped ? VK_LBUTTON : VK_RBUTTON) & 0x8000) != 0;
}

WPARAM MouseKeysHeld(void)
{
    WPARAM keys = 0;
    if (ButtonHeld(true))
        keys |= MK_LBUTTON;
    if (ButtonHeld(false))
        keys |= MK_RBUTTON;
    if (GetAsyncKeyState(VK_SHIFT) & 0x8000)
        keys |= MK_SHIFT;
    if (GetAsyncKeyState(VK_CONTROL) & 0x8000)
        keys |= MK_CONTROL;
    return keys;
}

void ContinueDrag(WPARAM keys)
{
    // The release went elsewhere (the pointer left the view): the drag is over.
    if (!(keys & MK_LBUTTON)) {
        drag_state = 0;
        return;
    }
    // A window that closed mid-drag is left alone; the release ends the drag.
    if (!IsWindow(target_window))
        return;
    const POINT m = cursor_pos;
    RECT n = drag_rect;
    if (drag_state == HTCAPTION) {
        // The whole window follows the cursor's displacement since the press.
        OffsetRect(&n, m.x - drag_start_cursor.x, m.y - drag_start_cursor.y);
    } else if (IsEdgeOrCorner(drag_state)) {
        // The dragged edges go to the cursor; the opposite ones stay put.
        if (MovesLeft(drag_state))   n.left = m.x;
        if (MovesRight(drag_state))  n.right = m.x;
        if (MovesTop(drag_state))    n.top = m.y;
        if (MovesBottom(drag_state)) n.bottom = m.y;
    } else {
        return; // window buttons act at the release, not on moves
    }
    // Asynchronous: the window's own program moves it, and the viewer does
    // not wait for a program that is slow or stopped.
    (void)SetWindowPos(target_window, NULL, n.left, n.top, n.right - n.left, n.bottom - n.top,
                       SWP_NOZORDER | SWP_NOACTIVATE | SWP_ASYNCWINDOWPOS);
    // An edge or corner resize keeps the old entry until the next capture pass.
    if (drag_state == HTCAPTION)
        MoveCapturedRect(&n);
}

// Whether p (screen) lies in hwnd's client area.
static bool InClientArea(HWND hwnd, POINT p)
{
    RECT client;
    return ScreenToClient(hwnd, &p) && GetClientRect(hwnd, &client) && PtInRect(&client, p);
}

void OnClickMove(WPARAM keys)
{
    // A drag moves the window itself; its moves are no input for it.
    if (drag_state != 0)
        return;
    MapCursor();
    if (press_window != NULL) {
        // The buttons went up where the viewer did not see it: the window
        // of the press gets its release, as it would have.
        if (!IsWindow(press_window)) {
            press_window = NULL;
            press_buttons = 0;
            return;
        }
        if (IsHungAppWindow(press_window))
            return;
        const WPARAM missing = press_buttons & ~keys & (MK_LBUTTON | MK_RBUTTON);
        PostClientInput(press_window, WM_MOUSEMOVE, keys);
        if (missing & MK_LBUTTON)
            (void)ReleasePress(WM_LBUTTONUP, keys, MK_LBUTTON);
        if (missing & MK_RBUTTON)
            (void)ReleasePress(WM_RBUTTONUP, keys, MK_RBUTTON);
        return;
    }
    // Hover: the window shown at the centre gets the move where its client area is.
    static POINT last_moved_at = {LONG_MIN, LONG_MIN};
    if (cursor_adj.x == last_moved_at.x && cursor_adj.y == last_moved_at.y)
        return;
    last_moved_at = cursor_adj;
    FindWindowAtPoint(cursor_adj.x, cursor_adj.y);
    HWND to = target_child != NULL ? target_child : target_window;
    if (to != NULL && IsWindow(to) && !IsHungAppWindow(to) && InClientArea(to, cursor_adj))
        PostClientInput(to, WM_MOUSEMOVE, keys);
}

// Whether the window belongs to a program other than this one.
static bool OtherProgram(HWND hwnd)
{
    DWORD pid = 0;
    return GetWindowThreadProcessId(hwnd, &pid) != 0 && pid != GetCurrentProcessId();
}

void PassToCaptureHolder(UINT msg, POINT pt)
{
    // NOTE: Wine gives input that arrives over the viewer to the window
    // beneath it even while another program's window holds the mouse
    // capture; Windows gives it to the capture, as a drag needs when the
    // pointer leaves the window it began in. Under Wine the holder is handed
    // what the system gave elsewhere.
    if (!RunningOnWine() || !viewer_passes_through)
        return;
    GUITHREADINFO info;
    if (!ForegroundGuiInfo(&info) || info.hwndCapture == NULL || !OtherProgram(info.hwndCapture))
        return;
    // An open menu holds the pointer itself and gets every event: what came
    // here is not its. A move or size loop does not, and needs these.
    if (info.flags & (GUI_INMENUMODE | GUI_POPUPMENUMODE | GUI_SYSTEMMENUMODE))
        return;
    RECT view;
    if (!GetWindowRect(viewer_hwnd, &view) || !PtInRect(&view, pt))
        return; // input that did not come over the viewer went where it should
    const HWND under = WindowFromPoint(pt);
    if (under == info.hwndCapture || IsChild(info.hwndCapture, under))
        return;
    POINT client = pt;
    if (!ScreenToClient(info.hwndCapture, &client))
        return;
    // By now the buttons are as the event left them.
    (void)PostMessageA(info.hwndCapture, msg, MouseKeysHeld(), PackPoint(client.x, client.y));
}
