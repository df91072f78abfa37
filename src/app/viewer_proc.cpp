// The viewer window procedure: rendering set-up, the two timers, following
// the cursor, modifier clicks, and handing mouse input to the click-through.
#include "app/app.h"
#include "capture/capture.h"
#include "render/render.h"
#include "settings/settings.h"

// The viewer never holds the keyboard, so Escape is read from the keyboard
// itself at the click: held means the high bit of the asynchronous state. The
// low bit ("pressed since the last call") is not held: an Escape typed into
// another program a minute ago must not end Quorvix at the next click.
static bool EscapeHeld(void)
{
    return (GetAsyncKeyState(VK_ESCAPE) & 0x8000) != 0;
}

static void RedrawNow(void)
{
    InvalidateRect(viewer_hwnd, NULL, FALSE);
    UpdateWindow(viewer_hwnd);
}

static LRESULT OnCreate(HWND hwnd)
{
    // Creation always succeeds: each failed step leaves the view without its output.
    viewer_hwnd = hwnd;
    viewer_dc = GetWindowDC(hwnd);
    (void)InitGLContext(viewer_dc);
    (void)CreateShaderPrograms();
    (void)CreateRenderResources(viewer_width, viewer_height);
    glViewport(0, 0, viewer_width, viewer_height);
    CaptureBeneathView();
    (void)SetTimer(hwnd, capture_timer_id, capture_period_ms, NULL);
    (void)SetTimer(hwnd, repaint_timer_id, repaint_period_ms, NULL);
    (void)RegisterSettingsClass(NULL);
    return 0;
}

static LRESULT OnPaint(HWND hwnd)
{
    RenderView();
    ValidateRect(hwnd, NULL);
    return 0;
}

static LRESULT OnSetCursor(void)
{
    SetCursor(NULL);
    return 0;
}

static void RefreshCaptures(void)
{
    StartCapturePass();
    KeepViewerInFront();
}

// Re-centres the view on the cursor, carries a pending drag along and draws.
static void FollowCursor(HWND hwnd)
{
    (void)GetCursorPos(&cursor_pos); // on failure the last known position stands
    CentreViewerOn(cursor_pos);
    MoveWindow(hwnd, viewer_x, viewer_y, viewer_width, viewer_height, TRUE);
    if (drag_state != 0)
        ContinueDrag();
    if (drag_state == HTCAPTION)
        ShowMovedWindow();
    RedrawNow();
}

// The viewer sees mouse moves only while the cursor is over it: after a jump
// (a flick, a stalled frame, a program's SetCursorPos) no move arrives, so
// the repaint tick catches up with the cursor.
static void OnRepaintTick(HWND hwnd)
{
    POINT now;
    if (GetCursorPos(&now) && !ViewerCentredOn(now))
        FollowCursor(hwnd);
    else
        RedrawNow();
}

static LRESULT OnTimer(HWND hwnd, UINT_PTR id)
{
    if (id == capture_timer_id)
        RefreshCaptures();
    else if (id == repaint_timer_id)
        OnRepaintTick(hwnd);
    return 0;
}

static LRESULT OnMouseMove(HWND hwnd)
{
    FollowCursor(hwnd);
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
    case WM_TIMER:         return OnTimer(hwnd, wParam);
    case WM_MOUSEMOVE:     return OnMouseMove(hwnd);
    case WM_MOUSEACTIVATE: return OnMouseActivate();
    case WM_LBUTTONDOWN:   return OnLeftDown(wParam);
    case WM_LBUTTONUP:     OnClickLeftUp(wParam); return 0;
    case WM_LBUTTONDBLCLK: OnClickLeftDoubleClick(wParam); return 0;
    case WM_RBUTTONDOWN:   OnClickRightDown(wParam); return 0;
    case WM_RBUTTONUP:     OnClickRightUp(wParam); return 0;
    case WM_MOUSEWHEEL:    OnClickWheel(wParam); return 0;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}
