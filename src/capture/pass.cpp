// A capture pass in slices, so that input never waits behind it, or whole.
#include "capture/capture_internal.h"

int64_t capture_slice_us = 1000;

// The slices' clock.
static int64_t NowMicroseconds(void)
{
    static LARGE_INTEGER frequency;
    if (frequency.QuadPart == 0)
        (void)QueryPerformanceFrequency(&frequency);
    LARGE_INTEGER now;
    (void)QueryPerformanceCounter(&now);
    return frequency.QuadPart > 0 ? now.QuadPart * 1000000 / frequency.QuadPart : 0;
}

int StepCapturePass(const RECT* reach, HWND moving)
{
    if (capture_pass.phase == PASS_IDLE)
        return 0;
    const int64_t deadline = NowMicroseconds() + capture_slice_us;
    if (capture_pass.phase == PASS_LISTING) {
        while (capture_pass.next_handle < capture_pass.handle_count) {
            ListWindow(capture_pass.handles[capture_pass.next_handle++]);
            if (NowMicroseconds() >= deadline)
                return 0;
        }
        CommitListing();
        PlanCopy(reach, moving, false);
        capture_pass.phase = PASS_COPYING;
    }
    while (capture_pass.copy_next < capture_pass.copy_plan_count) {
        capture_pass.copy_next = CopyEntryTiles(capture_pass.copy_next);
        if (NowMicroseconds() >= deadline && capture_pass.copy_next < capture_pass.copy_plan_count)
            return 0;
    }
    FinishCopy();
    capture_pass.phase = PASS_IDLE;
    return 1;
}

void CaptureAllWindows(HWND leave_out, const RECT* reach, HWND moving)
{
    BeginCapturePass(leave_out);
    while (capture_pass.phase != PASS_IDLE)
        (void)StepCapturePass(reach, moving);
}

int RecaptureReach(const RECT* reach, HWND moving)
{
    // A pass that is copying copies everything anew: it does so for the new
    // reach and is done, so that a view that keeps moving still gets fresh
    // pixels every pass. A listing in progress goes on, to copy for its own.
    const bool finishes_pass = capture_pass.phase == PASS_COPYING;
    PlanCopy(reach, moving, !finishes_pass);
    while (capture_pass.copy_next < capture_pass.copy_plan_count)
        capture_pass.copy_next = CopyEntryTiles(capture_pass.copy_next);
    FinishCopy();
    if (finishes_pass)
        capture_pass.phase = PASS_IDLE;
    return finishes_pass ? 1 : 0;
}

