// The viewer window procedure: rendering set-up, the two timers, following
// the cursor, modifier clicks, and handing mouse input to the click-through.
#include "app/app.h"
#include "capture/capture.h"
#include "render/render.h"
#include "settings/settings.h"

// A key counts as held when the high byte of its 16-bit state is set; a
// toggled but released key does not.
static bool KeyHeld(int key)
{
    return (GetKeyState(key) >> 8) != 0;
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
    (void)InitGLContext();
    (void)CreateShaderPrograms();
    (void)CreateRenderResources();
    glViewport(0, 0, viewer_width, viewer_height);
    CaptureAllWindows();
    (void)SetTimer(hwnd, capture_timer_id, capture_period_ms, NULL);
    (void)SetTimer(hwnd, repaint_timer_id, repaint_period_ms, NULL);
    (void)RegisterSettingsClass(NULL);
    return 0;
}

static LRESULT OnPaint(HWND hwnd)
{
    RenderFrame();
    ValidateRect(hwnd, NULL);
    return 0;
}

static LRESULT OnSetCursor(void)
{
    SetCursor(NULL);
    return 0;
}

static void RefreshCaptures(HWND hwnd)
{
    ReleaseCaptures(1);
    captured_count = 0;
    CaptureAllWindows();
    // Back to the front of the topmost windows; activation is allowed.
    (void)SetWindowPos(hwnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}

static LRESULT OnTimer(HWND hwnd, UINT_PTR id)
{
    if (id == capture_timer_id)
        RefreshCaptures(hwnd);
    else if (id == repaint_timer_id)
        RedrawNow();
    return 0;
}

static LRESULT OnMouseMove(HWND hwnd)
{
    GetCursorPos(&cursor_pos);
    CentreViewerOn(cursor_pos);
    MoveWindow(hwnd, viewer_x, viewer_y, viewer_width, viewer_height, TRUE);
    if (drag_state != 0)
        ContinueDrag();
    RedrawNow();
    return 0;
}

static LRESULT OnLeftDown(WPARAM wParam)
{
    if (KeyHeld(VK_ESCAPE)) {
        SendMessageA(viewer_hwnd, WM_CLOSE, 0, 0);
        return 0;
    }
    if (KeyHeld(VK_CONTROL)) {
        (void)CreateSettingsWindow(NULL);
        return 0;
    }
    OnClickLeftDown(wParam);
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
    case WM_LBUTTONDOWN:   return OnLeftDown(wParam);
    case WM_LBUTTONUP:     OnClickLeftUp(wParam); return 0;
    case WM_LBUTTONDBLCLK: OnClickLeftDoubleClick(wParam); return 0;
    case WM_RBUTTONDOWN:   OnClickRightDown(wParam); return 0;
    case WM_RBUTTONUP:     OnClickRightUp(wParam); return 0;
    case WM_MOUSEWHEEL:    OnClickWheel(wParam); return 0;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}
