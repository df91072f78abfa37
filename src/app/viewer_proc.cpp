// The viewer window procedure: rendering set-up, the two timers, following
// the cursor, modifier clicks, and handing mouse input to the click-through.
#include "app/app.h"
#include "capture/capture.h"
#include "render/render.h"
#include "settings/settings.h"

#include <windowsx.h>

// The viewer never holds the keyboard, so Escape is read from the keyboard
// itself at the click: held means the high bit of the asynchronous state. The
// low bit ("pressed since the last call") is not held: an Escape typed into
// another program a minute ago must not end Quorvix at the next click.
static bool EscapeHeld(void)
{
    return (GetAsyncKeyState(VK_ESCAPE) & 0x8000) != 0;
}

// A follow waits for the next frame, which goes straight to the latest place.
static bool  follow_pending;
static POINT follow_to;
// The system asked for a repaint: the next frame is drawn whatever changed.
static bool  repaint_asked;

static void RequestFollow(POINT to)
{
    follow_to = to;
    follow_pending = true;
    WantFrame();
}

// NOTE: a layered window shows nothing until its attributes are set; one
// that cannot have them is made an ordinary window, which takes its input.
static void ShowLayeredViewer(HWND hwnd)
{
    if (SetLayeredWindowAttributes(hwnd, 0, 255, LWA_ALPHA))
        return;
    const LONG_PTR ex_style = GetWindowLongPtrA(hwnd, GWL_EXSTYLE);
    (void)SetWindowLongPtrA(hwnd, GWL_EXSTYLE, ex_style & ~(LONG_PTR)WS_EX_LAYERED);
}

static LRESULT OnCreate(HWND hwnd)
{
    // Creation always succeeds: each failed step leaves the view without its output.
    viewer_hwnd = hwnd;
    ShowLayeredViewer(hwnd);
    viewer_dc = GetWindowDC(hwnd);
    (void)InitGLContext(viewer_dc);
    (void)CreateShaderPrograms();
    (void)CreateRenderResources(viewer_width, viewer_height);
    CaptureBeneathView();
    (void)SetTimer(hwnd, capture_timer_id, capture_period_ms, NULL);
    (void)SetTimer(hwnd, repaint_timer_id, repaint_period_ms, NULL);
    settings_viewer = hwnd; // the settings window tells the viewer what it changed
    (void)RegisterSettingsClass(NULL);
    // Without the watch the viewer takes the pointer's input itself.
    (void)StartPointerWatch(hwnd);
    UpdateViewerPassThrough();
    StartViewerSchedule();
    // Whether the screen copy leaves the viewer out can be seen only once it shows.
    (void)PostMessageA(hwnd, QVX_SET_UP_CAPTURE, 0, 0);
    return 0;
}

// The frame is drawn by the loop, at the display's pace.
static LRESULT OnPaint(HWND hwnd)
{
    ValidateRect(hwnd, NULL);
    repaint_asked = true;
    WantFrame();
    return 0;
}

static LRESULT OnSetCursor(void)
{
    SetCursor(NULL);
    return 0;
}

void RunCapturePassStart(void)
{
    StartCapturePass();
    KeepViewerInFront();
}

// Re-centres the view on the cursor, carries a pending drag along and hands
// the move to the window shown at the centre when the viewer takes the input.
static void FollowCursor(HWND hwnd, POINT cursor)
{
    cursor_pos = cursor;
    CentreViewerOn(cursor_pos);
    MoveWindow(hwnd, viewer_x, viewer_y, viewer_width, viewer_height, TRUE);
    const WPARAM keys = MouseKeysHeld();
    if (drag_state != 0)
        ContinueDrag(keys);
    if (drag_state == HTCAPTION)
        ShowMovedWindow();
    if (!viewer_passes_through)
        OnClickMove(keys);
}

void RunViewFrame(void)
{
    if (follow_pending) {
        follow_pending = false;
        FollowCursor(viewer_hwnd, follow_to);
    }
    if (repaint_asked || ViewChangedSinceDrawn()) {
        repaint_asked = false;
        RenderView();
    }
}

static bool PointOnViewer(POINT p)
{
    RECT view;
    return GetWindowRect(viewer_hwnd, &view) && PtInRect(&view, p);
}

// Windows drops a low-level hook that it judges too slow, without a word: a
// pointer that keeps moving while the hook sees nothing gets it put in again.
static void CheckPointerWatch(POINT now)
{
    static POINT    last;
    static uint32_t last_seen;
    static int      quiet_ticks;
    const uint32_t seen = PointerEventsSeen();
    const bool moved = now.x != last.x || now.y != last.y;
    quiet_ticks = moved && seen == last_seen ? quiet_ticks + 1 : 0;
    if (quiet_ticks >= 3) {
        RehookPointerWatch();
        quiet_ticks = 0;
    }
    last = now;
    last_seen = seen;
}

// The viewer follows the pointer from the watch's notices, and from its own
// mouse moves without the watch; but a flick, a stalled frame or a program's
// SetCursorPos can leave it behind: the repaint tick catches up.
void RunRepaintTick(void)
{
    POINT now;
    if (!GetCursorPos(&now))
        return;
    if (PointerWatchRunning())
        CheckPointerWatch(now);
    if (!ViewerCentredOn(now))
        RequestFollow(now);
}

// The loop runs the timers' work by its clock; inside a modal loop, which
// takes the messages instead, the timers keep it going.
static LRESULT OnTimer(UINT_PTR id)
{
    if (id == capture_timer_id || id == repaint_timer_id)
        DoDueViewerWork();
    return 0;
}

static LRESULT OnMouseMove(HWND hwnd)
{
    if (PointerWatchRunning())
        return 0;
    POINT now = cursor_pos;
    (void)GetCursorPos(&now); // on failure the last known position stands
    RequestFollow(now);
    return 0;
}

// While the settings window is open the view stays where it is, unless the
// pointer comes over it.
static LRESULT OnPointerMoved(HWND hwnd)
{
    const POINT now = TakeWatchedPointer();
    if (!viewer_live && !PointOnViewer(now))
        return 0;
    PassToCaptureHolder(WM_MOUSEMOVE, now);
    RequestFollow(now);
    return 0;
}

static LRESULT OnWatchedButtonUp(UINT button_msg, LPARAM packed)
{
    const POINT at = {GET_X_LPARAM(packed), GET_Y_LPARAM(packed)};
    PassToCaptureHolder(button_msg, at);
    return 0;
}

static LRESULT OnEscapeClick(void)
{
    SendMessageA(viewer_hwnd, WM_CLOSE, 0, 0);
    return 0;
}

// While the settings window is open the view holds still and does not
// refresh on its own; the settings window's edits draw it.
bool viewer_live = true;

static void PointAtViewerCentre(void)
{
    RECT view;
    // Without the viewer's rectangle there is no centre to go to.
    if (GetWindowRect(viewer_hwnd, &view))
        (void)SetCursorPos(view.left + viewer_width / 2, view.top + viewer_height / 2);
}

// The viewer keeps its top-left corner, takes the current size and comes to
// the front of the topmost windows; the keyboard stays where it is.
static void ResizeKeepingCorner(void)
{
    RECT view;
    if (!GetWindowRect(viewer_hwnd, &view))
        return;
    // A refused move leaves the old size on screen; the next move tries again.
    (void)SetWindowPos(viewer_hwnd, HWND_TOPMOST, view.left, view.top, viewer_width, viewer_height, SWP_NOACTIVATE);
    // A failed resize keeps the old textures; the frame is still drawn.
    (void)ResizeRenderTextures(viewer_width, viewer_height);
}

static LRESULT OnSettingsNotice(WPARAM notice)
{
    switch (notice) {
    case SETTINGS_OPENED:
        // A timer that is not running has nothing to stop.
        (void)KillTimer(viewer_hwnd, capture_timer_id);
        (void)KillTimer(viewer_hwnd, repaint_timer_id);
        viewer_live = false;
        break;
    case SETTINGS_CLOSED:
        RestackViewerAWhile();
        PointAtViewerCentre();
        // A timer that cannot be set is made up for by the loop's own clock.
        (void)SetTimer(viewer_hwnd, capture_timer_id, capture_period_ms, NULL);
        (void)SetTimer(viewer_hwnd, repaint_timer_id, repaint_period_ms, NULL);
        viewer_live = true;
        break;
    case SETTINGS_SIZE_CHANGED:
        ResizeKeepingCorner();
        ViewerLensChanged();
        break;
    case SETTINGS_LENS_CHANGED:
        ViewerLensChanged();
        break;
    }
    return 0;
}

static LRESULT OnCounters(WPARAM which)
{
    return which == 0 ? (LRESULT)frames_drawn : which == 1 ? (LRESULT)capture_passes_done : 0;
}

static LRESULT OnCtrlClick(void)
{
    (void)CreateSettingsWindow(NULL); // already open: nothing happens
    return 0;
}

// A click on the viewer goes through to the window it shows, which takes the
// foreground; the viewer itself never takes the keyboard away from it.
static LRESULT OnMouseActivate(void)
{
    return MA_NOACTIVATE;
}

static LRESULT OnLeftDown(WPARAM wParam)
{
    if (EscapeHeld()) {
        SendMessageA(viewer_hwnd, WM_CLOSE, 0, 0);
        return 0;
    }
    // Ctrl as the mouse message saw it, whichever window has the keyboard.
    if (wParam & MK_CONTROL) {
        (void)CreateSettingsWindow(NULL);
        return 0;
    }
    OnClickLeftDown(wParam);
    if (drag_state == HTCAPTION)
        RecaptureBeneathView();
    return 0;
}

static LRESULT OnClose(HWND hwnd)
{
    RunCloseSequence(hwnd);
    return 0;
}

static LRESULT OnDestroy(void)
{
    PostQuitMessage(0);
    return 0;
}

LRESULT CALLBACK ViewerWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_CREATE:        return OnCreate(hwnd);
    case WM_DESTROY:       return OnDestroy();
    case WM_PAINT:         return OnPaint(hwnd);
    case WM_CLOSE:         return OnClose(hwnd);
    case WM_ERASEBKGND:    return 0; // the frame covers the whole window
    case WM_SETCURSOR:     return OnSetCursor();
    case WM_TIMER:         return OnTimer(wParam);
    case WM_DISPLAYCHANGE: DisplayChanged(); return 0;
    case WM_MOUSEMOVE:     return OnMouseMove(hwnd);
    case WM_MOUSEACTIVATE: return OnMouseActivate();
    case WM_LBUTTONDOWN:   return OnLeftDown(wParam);
    case WM_LBUTTONUP:     OnClickLeftUp(wParam); return 0;
    case WM_LBUTTONDBLCLK: OnClickLeftDoubleClick(wParam); return 0;
    case WM_RBUTTONDOWN:   OnClickRightDown(wParam); return 0;
    case WM_RBUTTONUP:     OnClickRightUp(wParam); return 0;
    case WM_MOUSEWHEEL:    OnClickWheel(wParam); return 0;
    case QVX_POINTER_MOVED: return OnPointerMoved(hwnd);
    case QVX_BUTTON_UP:    return OnWatchedButtonUp((UINT)wParam, lParam);
    case QVX_ESCAPE_CLICK: return OnEscapeClick();
    case QVX_CTRL_CLICK:   return OnCtrlClick();
    case QVX_COUNTERS:     return OnCounters(wParam);
    case QVX_SETTINGS_NOTICE: return OnSettingsNotice(wParam);
    case QVX_SET_UP_CAPTURE: SetUpCaptureSource(); return 0;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}
