// Keeping the captures beneath the view current: the capture timer starts a
// pass over the view that runs in slices while no message waits; a view that
// has left the region copied last has what it needs copied before it is
// drawn, and what lies ahead of it in the direction it went; a window
// dragged by its caption shows at its new place at once.
#include "app/app.h"
#include "capture/capture.h"
#include "render/render.h"

#include <string.h>

// A view that has left what was copied last has it copied this many pixels
// ahead of it, in the direction it went.
static const int capture_lead = 160;

static POINT drawn_origin; // where the view's top-left corner was drawn last

uint32_t frames_drawn;
uint32_t capture_passes_done;

static uint32_t   captures_uploaded;   // uploads so far
static uint32_t   uploaded_generation; // the capture's generation last uploaded
static FrameFacts drawn_facts;         // what the frame on screen shows
static bool       drawn_once;

// The captures go up to the GPU, and a frame is wanted to show them.
static void Upload(void)
{
    UploadCaptures();
    captures_uploaded++;
    uploaded_generation = capture_generation;
    WantFrame();
}

// A window dragged by its caption hides nothing and nothing hides it, so its
// moves uncover nothing that was not copied.
static HWND MovingWindow(void)
{
    return drag_state == HTCAPTION ? target_window : NULL;
}

static RECT ViewRect(void)
{
    RECT view;
    if (!GetWindowRect(viewer_hwnd, &view))
        SetRect(&view, viewer_x, viewer_y, viewer_x + viewer_width, viewer_y + viewer_height);
    return view;
}

// The view, and capture_lead pixels ahead of it on the sides it moved to
// since it was drawn last.
static RECT ReachAhead(const RECT* view)
{
    RECT reach = *view;
    const LONG dx = view->left - drawn_origin.x, dy = view->top - drawn_origin.y;
    if (dx > 0)
        reach.right += capture_lead;
    else if (dx < 0)
        reach.left -= capture_lead;
    if (dy > 0)
        reach.bottom += capture_lead;
    else if (dy < 0)
        reach.top -= capture_lead;
    return reach;
}

void CaptureBeneathView(void)
{
    const RECT view = ViewRect();
    CaptureAllWindows(viewer_hwnd, &view, MovingWindow());
    capture_passes_done++;
    Upload();
}

void StartCapturePass(void)
{
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
    const RECT view = ViewRect();
    // A pass that found everything as it was has nothing new to show.
    if (StepCapturePass(&view, MovingWindow())) {
        capture_passes_done++;
        if (capture_generation != uploaded_generation)
            Upload();
    }
}

void RecaptureBeneathView(void)
{
    const RECT view = ViewRect();
    RecaptureReach(&view, MovingWindow());
    Upload();
}

void ShowMovedWindow(void)
{
    ComposeCaptureTiles();
    Upload();
}

static FrameFacts FactsOfFrame(const RECT* view)
{
    FrameFacts f;
    memset(&f, 0, sizeof(f));
    f.view = *view;
    f.width = viewer_width;
    f.height = viewer_height;
    f.captures = captures_uploaded;
    const float lens[12] = {K1, K2, K3, P1, P2, P3, dist_cx, dist_cy, freq, amp, shift, angle_deg};
    memcpy(f.lens, lens, sizeof(lens));
    f.stages = radial_enabled + 2 * wave_enabled;
    return f;
}

static bool Inside(const RECT* inner, const RECT* outer)
{
    return inner->left >= outer->left && inner->top >= outer->top && inner->right <= outer->right &&
           inner->bottom <= outer->bottom;
}

void RenderView(void)
{
    const RECT view = ViewRect();
    // The view has left what was copied last: copy now, rather than show
    // pixels that are stale or missing; and ahead of it, so that a sweep
    // finds what it comes to copied already and each copy takes about a
    // column or a row of windows at a time.
    if (!Inside(&view, &capture_reach)) {
        const RECT reach = ReachAhead(&view);
        RecaptureReach(&reach, MovingWindow());
        Upload();
    }
    drawn_origin.x = view.left;
    drawn_origin.y = view.top;
    RenderFrame(viewer_hwnd, viewer_dc, viewer_width, viewer_height);
    frames_drawn++;
    drawn_facts = FactsOfFrame(&view);
    drawn_once = true;
}

bool ViewChangedSinceDrawn(void)
{
    const RECT view = ViewRect();
    const FrameFacts now = FactsOfFrame(&view);
    return !drawn_once || FrameDiffers(&drawn_facts, &now);
}
