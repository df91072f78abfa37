// Listing the windows of a pass: every top-level handle at its start, and
// what each one is, asked in slices.
#include "capture/capture_internal.h"

#include <string.h>

// Collects every top-level handle; what they are is asked in slices later.
static BOOL CALLBACK CollectHandleCallback(HWND hwnd, LPARAM param)
{
    if (capture_pass.handle_count < MAX_PASS_HANDLES)
        capture_pass.handles[capture_pass.handle_count++] = hwnd;
    return TRUE;
}

// DwmGetWindowAttribute, from dwmapi.dll where there is one: the program
// starts where it is missing, and its windows then count as neither cloaked
// nor framed apart from their rectangle.
typedef HRESULT(WINAPI* DwmGetWindowAttributeProc)(HWND, DWORD, PVOID, DWORD);
static DwmGetWindowAttributeProc DwmAttributeProc(void)
{
    static bool looked_up;
    static DwmGetWindowAttributeProc proc;
    if (!looked_up) {
        looked_up = true;
        HMODULE dwmapi = LoadLibraryA("dwmapi.dll");
        if (dwmapi)
            proc = (DwmGetWindowAttributeProc)(void*)GetProcAddress(dwmapi, "DwmGetWindowAttribute");
    }
    return proc;
}

// The desktop compositor's answers; DWMWA_CLOAKED is 14 and
// DWMWA_EXTENDED_FRAME_BOUNDS 9 on every Windows that has them.
static void ReadCompositorFacts(HWND hwnd, WindowFacts* facts)
{
    DwmGetWindowAttributeProc get = DwmAttributeProc();
    if (!get)
        return;
    DWORD cloaked = 0;
    facts->cloaked = SUCCEEDED(get(hwnd, 14, &cloaked, sizeof(cloaked))) && cloaked != 0;
    facts->has_frame_bounds = SUCCEEDED(get(hwnd, 9, &facts->frame_bounds, sizeof(facts->frame_bounds)));
}

// Asks the system what LookOfWindow needs, cheapest first: most windows of
// a desktop are hidden, and are passed over after the first question. A
// top-level window is visible when its own style says so (its only parent,
// the desktop, always is), which asks less than IsWindowVisible does.
static void ReadWindowFacts(HWND hwnd, WindowFacts* facts)
{
    memset(facts, 0, sizeof(*facts));
    facts->visible = (GetWindowLongA(hwnd, GWL_STYLE) & WS_VISIBLE) != 0;
    if (!facts->visible || !GetWindowRect(hwnd, &facts->rect)) {
        facts->visible = FALSE;
        return;
    }
    facts->ex_style = GetWindowLongA(hwnd, GWL_EXSTYLE);
    if (facts->ex_style & WS_EX_LAYERED) {
        facts->layered_attributes =
            GetLayeredWindowAttributes(hwnd, &facts->layered_key, &facts->layered_alpha, &facts->layered_flags);
    }
    ReadCompositorFacts(hwnd, facts);
}

// Adds a window the user can see or click to the list of the pass in progress.
void ListWindow(HWND hwnd)
{
    // The table is full: further windows are left out of this pass.
    if (hwnd == capture_pass.leave_out || capture_pass.listed_count >= MAX_CAPTURED_WINDOWS)
        return;
    WindowFacts facts;
    ReadWindowFacts(hwnd, &facts);
    if (!LookOfWindow(&facts, &capture_pass.listed_look[capture_pass.listed_count]))
        return;
    capture_pass.listed_hwnd[capture_pass.listed_count] = hwnd;
    capture_pass.listed_rect[capture_pass.listed_count] = facts.rect;
    capture_pass.listed_count++;
}

void BeginCapturePass(HWND leave_out)
{
    CancelPass();
    capture_pass.leave_out = leave_out;
    memset(&capture_pass.work_counters, 0, sizeof(capture_pass.work_counters));
    // A failed enumeration lists whatever it reported.
    (void)EnumWindows(CollectHandleCallback, 0);
    capture_pass.phase = PASS_LISTING;
}

int CapturePassPending(void)
{
    return capture_pass.phase != PASS_IDLE;
}

