// Keeping the captures beneath the view current: the capture timer starts a
// pass that runs in slices while no message waits, a view that has left the
// region copied last has it copied again before it is drawn, and a window
// dragged by its caption shows at its new place at once.
#include "app/app.h"
#include "capture/capture.h"
#include "render/render.h"

const int capture_margin = 200;

static POINT pass_cursor;    // cursor when the last pass began
static bool  pointer_moving; // it had moved since the pass before

// A window dragged by its caption hides nothing and nothing hides it, so its
// moves uncover nothing that was not copied.
static HWND MovingWindow(void)
{
    return drag_state == HTCAPTION ? target_window : NULL;
}

static bool ViewRect(RECT* view)
{
    return GetWindowRect(viewer_hwnd, view) != 0;
}

// The region a copy covers: the view, and a margin while the pointer moves.
static RECT ViewReach(void)
{
    RECT reach;
    if (!ViewRect(&reach))
        SetRect(&reach, viewer_x, viewer_y, viewer_x + viewer_width, viewer_y + viewer_height);
    if (pointer_moving)
        InflateRect(&reach, capture_margin, capture_margin);
    return reach;
}

void CaptureBeneathView(void)
{
    RECT reach = ViewReach();
    CaptureAllWindows(viewer_hwnd, &reach, MovingWindow());
    UploadCaptures();
}

void StartCapturePass(void)
{
    POINT now;
    if (GetCursorPos(&now)) {
        pointer_moving = now.x != pass_cursor.x || now.y != pass_cursor.y;
        pass_cursor = now;
    }
    // A pass that has not finished in a period goes on rather than start over.
    if (!CapturePassPending())
        BeginCapturePass(viewer_hwnd);
}

bool CaptureWorkPending(void)
{
    return CapturePassPending() != 0;
}

void RunCaptureSlice(void)
{
    RECT reach = ViewReach();
    if (StepCapturePass(&reach, MovingWindow()))
        UploadCaptures();
}

void RecaptureBeneathView(void)
{
    RECT reach = ViewReach();
    RecaptureReach(&reach, MovingWindow());
    UploadCaptures();
}

void ShowMovedWindow(void)
{
    ComposeCaptureTiles();
    UploadCaptures();
}

static bool Inside(const RECT* inner, const RECT* outer)
{
    return inner->left >= outer->left && inner->top >= outer->top && inner->right <= outer->right &&
           inner->bottom <= outer->bottom;
}

void RenderView(void)
{
    RECT view;
    // The view has left what was copied last: copy again now, rather than
    // show pixels that are stale or missing. It got there by moving.
    if (ViewRect(&view) && !Inside(&view, &capture_reach)) {
        pointer_moving = true;
        RecaptureBeneathView();
    }
    RenderFrame(viewer_hwnd, viewer_dc, viewer_width, viewer_height);
}
