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

// Copies what the reach shows now; a pass it finishes counts as one run.
static void RecaptureAndUpload(const RECT* reach)
{
    if (RecaptureReach(reach, MovingWindow()))
        capture_passes_done++;
    Upload();
}

void RecaptureBeneathView(void)
{
    const RECT view = ViewRect();
    RecaptureAndUpload(&view);
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
        RecaptureAndUpload(&reach);
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

// ---------------------------------------------------------------------------
// Where the view's pixels come from

// Lets the desktop compositor show what was presented, where there is one.
static void WaitForCompositor(void)
{
    typedef HRESULT(WINAPI * DwmFlushProc)(void);
    static DwmFlushProc flush = NULL;
    static bool looked_up = false;
    if (!looked_up) {
        looked_up = true;
        HMODULE dwmapi = LoadLibraryA("dwmapi.dll");
        if (dwmapi)
            flush = (DwmFlushProc)(void*)GetProcAddress(dwmapi, "DwmFlush");
    }
    // Two compositions: the one under way may have begun before the frame.
    if (flush == NULL || FAILED(flush()) || FAILED(flush()))
        Sleep(100);
}

// Whether a copy of the screen beneath the viewer shows the viewer: it shows
// two frames of its own colours in turn; a copy that shows either colour,
// or changes with them, sees the viewer.
static bool ViewerSeenInScreenCopy(void)
{
    const RECT view = ViewRect();
    const uint32_t colours[2] = {0xFF00FFu, 0x00FF00u};
    ScreenCopy copies[2];
    memset(copies, 0, sizeof(copies));
    bool seen = false;
    for (int k = 0; k < 2 && !seen; k++) {
        PresentColour(viewer_dc, viewer_width, viewer_height, colours[k]);
        WaitForCompositor();
        // A copy that cannot be made cannot be trusted to leave the viewer out.
        if (!CopyScreenRegion(&view, &copies[k])) {
            seen = true;
            break;
        }
        const size_t count = (size_t)(view.right - view.left) * (size_t)(view.bottom - view.top);
        seen = PixelsShowColour((const uint32_t*)copies[k].pixels, count, colours[k]) ||
               (k == 1 && memcmp(copies[0].pixels, copies[1].pixels, count * 4) != 0);
    }
    FreeScreenCopy(&copies[0]);
    FreeScreenCopy(&copies[1]);
    return seen;
}

void SetUpCaptureSource(void)
{
    // WDA_EXCLUDEFROMCAPTURE (Windows 10 2004 and later); looked up, since
    // an older user32 lacks the call, and an older Windows refuses the value.
    typedef BOOL(WINAPI * SetAffinityProc)(HWND, DWORD);
    const SetAffinityProc set_affinity =
        (SetAffinityProc)(void*)GetProcAddress(GetModuleHandleA("user32.dll"), "SetWindowDisplayAffinity");
    const bool kept_out = set_affinity != NULL && set_affinity(viewer_hwnd, 0x11) != 0;
    const bool seen = kept_out && ViewerSeenInScreenCopy();
    capture_source = ChooseCaptureSource(kept_out, seen);
    if (kept_out && capture_source != CAPTURE_FROM_SCREEN)
        (void)set_affinity(viewer_hwnd, 0); // WDA_NONE: screenshots show the viewer again
    CaptureBeneathView();
    WantFrame();
}
