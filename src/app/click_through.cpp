// Click-through: mouse buttons and the wheel on the viewer reach the window
// whose pixels the view shows at its centre, as forwarded client input or as
// the window-management action of the part hit there.
#include "app/app.h"
#include "capture/capture.h"
#include "render/render.h"

#include <math.h>

POINT cursor_adj;
int   hit_code;
int   drag_state;
POINT drag_start_cursor;
RECT  drag_rect;
HWND  forward_window;

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

// The steps every handled event begins with: find the window the view shows
// at its centre and ask it which of its parts lies there.
static void LocateTarget(bool activate)
{
    (void)GetCursorPos(&cursor_pos); // on failure the last known position stands
    cursor_adj = MapCursorToSource(cursor_pos.x, cursor_pos.y, dist_cx, dist_cy, K1, P1,
                                   viewer_width, viewer_height);
    FindWindowAtPoint(cursor_adj.x, cursor_adj.y);
    // The window may have closed since the last capture pass: it then has no parts.
    if (!IsWindow(target_window)) {
        forward_window = NULL;
        hit_code = 0;
        return;
    }
    if (activate)
        (void)SetForegroundWindow(target_window);
    forward_window = target_child != NULL ? target_child : target_window;
    hit_code = (int)SendMessageA(target_window, WM_NCHITTEST, 0,
                                 PackPoint(cursor_adj.x, cursor_adj.y));
}

// Button messages carry the point in the receiver's client coordinates.
static void ForwardButton(UINT msg, WPARAM wParam)
{
    POINT p = cursor_adj;
    if (!ScreenToClient(forward_window, &p))
        return; // the receiver is gone
    (void)PostMessageA(forward_window, msg, wParam, PackPoint(p.x, p.y));
}

static void SendSysCommand(WPARAM command)
{
    (void)SendMessageA(target_window, WM_SYSCOMMAND, command, 0);
}

static void ToggleMaximised(void)
{
    SendSysCommand(IsZoomed(target_window) ? SC_RESTORE : SC_MAXIMIZE);
}

static bool IsEdgeOrCorner(int code)
{
    return code >= HTLEFT && code <= HTBOTTOMRIGHT;
}

void OnClickLeftDown(WPARAM wParam)
{
    LocateTarget(true);
    if (hit_code == HTCLIENT) {
        ForwardButton(WM_LBUTTONDOWN, wParam);
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
        ForwardButton(WM_LBUTTONDBLCLK, wParam);
    else if (hit_code == HTCAPTION)
        ToggleMaximised();
}

void OnClickRightDown(WPARAM wParam)
{
    LocateTarget(true);
    if (hit_code == HTCLIENT)
        ForwardButton(WM_RBUTTONDOWN, wParam);
}

void OnClickRightUp(WPARAM wParam)
{
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

// After a caption move the captured pixels are drawn at the new place. The
// stored size stays that of the pixels, which the renderer reads by it.
static void MoveCapturedRect(void)
{
    RECT now;
    if (GetWindowRect(target_window, &now))
        MoveCapturedEntry(DraggedEntry(), now.left, now.top);
}

// Which edges of the window an edge or corner drag moves to the cursor.
static bool MovesLeft(int code)   { return code == HTLEFT || code == HTTOPLEFT || code == HTBOTTOMLEFT; }
static bool MovesRight(int code)  { return code == HTRIGHT || code == HTTOPRIGHT || code == HTBOTTOMRIGHT; }
static bool MovesTop(int code)    { return code == HTTOP || code == HTTOPLEFT || code == HTTOPRIGHT; }
static bool MovesBottom(int code) { return code == HTBOTTOM || code == HTBOTTOMLEFT || code == HTBOTTOMRIGHT; }

void ContinueDrag(void)
{
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
    (void)MoveWindow(target_window, n.left, n.top, n.right - n.left, n.bottom - n.top, TRUE);
    // An edge or corner resize keeps the old entry until the next capture pass.
    if (drag_state == HTCAPTION)
        MoveCapturedRect();
}
