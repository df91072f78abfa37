// The viewer's message loop and the clock its work runs by. Input comes
// first, but a capture pass is due every capture period whether or not
// messages wait, and its slices keep running while input streams in; the
// view follows the pointer and is drawn at most once per display refresh,
// always at the latest pointer place, and only when what it shows changed.
#include "app/app.h"
#include "render/render.h"

#include <string.h>

// ---------------------------------------------------------------------------
// The schedule: what is due, from the clock and whether messages wait

// A clock that has fallen behind by more than a period starts afresh from
// now: missed passes and ticks are not made up for in a burst.
static int64_t NextDue(int64_t due, int64_t period, int64_t now)
{
    due += period;
    return due > now ? due : now + period;
}

ViewerWork NextViewerWork(const ViewerSchedule* s, int64_t now, bool message_waiting, int64_t* wait_us)
{
    *wait_us = 0;
    if (s->live && !s->pass_pending && now >= s->next_pass_us)
        return WORK_START_PASS;
    if (s->live && now >= s->next_tick_us)
        return WORK_TICK;
    if (s->frame_wanted && now >= s->last_frame_us + s->frame_interval_us)
        return WORK_FRAME;
    if (s->pass_pending && (!message_waiting || now >= s->next_slice_us))
        return WORK_SLICE;
    if (message_waiting)
        return WORK_MESSAGES;
    // Nothing is due: sleep until the first thing that will be.
    int64_t until = INT64_MAX;
    if (s->live && s->next_pass_us < until)
        until = s->next_pass_us;
    if (s->live && s->next_tick_us < until)
        until = s->next_tick_us;
    if (s->frame_wanted && s->last_frame_us + s->frame_interval_us < until)
        until = s->last_frame_us + s->frame_interval_us;
    *wait_us = until == INT64_MAX ? -1 : until - now;
    return WORK_WAIT;
}

void NoteViewerWork(ViewerSchedule* s, ViewerWork work, int64_t now)
{
    switch (work) {
    case WORK_START_PASS:
        s->next_pass_us = NextDue(s->next_pass_us, s->capture_period_us, now);
        s->next_slice_us = now;
        s->pass_started_us = now;
        break;
    case WORK_TICK:
        s->next_tick_us = NextDue(s->next_tick_us, s->tick_period_us, now);
        break;
    case WORK_FRAME:
        s->last_frame_us = now;
        s->frame_wanted = false;
        break;
    case WORK_SLICE:
        // A pass that has run half its period already (a long listing of a
        // full desktop) gets its slices twice as often, so that it
        // still ends within the period (input keeps half of the time).
        s->next_slice_us = now + (now - s->pass_started_us > s->capture_period_us / 2 ? s->slice_gap_us / 2
                                                                                    : s->slice_gap_us);
        break;
    case WORK_MESSAGES:
    case WORK_WAIT:
        break;
    }
}

bool FrameDiffers(const FrameFacts* drawn, const FrameFacts* now)
{
    return memcmp(drawn, now, sizeof(FrameFacts)) != 0;
}

// ---------------------------------------------------------------------------
// The viewer's clock

ViewerSchedule viewer_schedule;

int64_t ViewerClockUs(void)
{
    static LARGE_INTEGER frequency;
    if (frequency.QuadPart == 0)
        (void)QueryPerformanceFrequency(&frequency);
    LARGE_INTEGER now;
    (void)QueryPerformanceCounter(&now);
    return frequency.QuadPart > 0 ? now.QuadPart / frequency.QuadPart * 1000000 +
                                        now.QuadPart % frequency.QuadPart * 1000000 / frequency.QuadPart
                                  : 0;
}

// The refresh rate of the monitor the viewer is on; a driver that does not
// tell (0 or 1 stand for "the hardware's default") is taken as 60 Hz.
static int64_t RefreshIntervalUs(void)
{
    MONITORINFOEXA monitor;
    memset(&monitor, 0, sizeof(monitor));
    monitor.cbSize = sizeof(monitor);
    DEVMODEA mode;
    memset(&mode, 0, sizeof(mode));
    mode.dmSize = sizeof(mode);
    const HMONITOR on = MonitorFromWindow(viewer_hwnd, MONITOR_DEFAULTTONEAREST);
    const char* device = on && GetMonitorInfoA(on, &monitor) ? monitor.szDevice : NULL;
    DWORD hz = EnumDisplaySettingsA(device, ENUM_CURRENT_SETTINGS, &mode) ? mode.dmDisplayFrequency : 0;
    if (hz <= 1)
        hz = 60;
    return 1000000 / (int64_t)hz;
}

void StartViewerSchedule(void)
{
    ViewerSchedule* s = &viewer_schedule;
    const int64_t now = ViewerClockUs();
    memset(s, 0, sizeof(*s));
    s->capture_period_us = (int64_t)capture_period_ms * 1000;
    s->tick_period_us = (int64_t)repaint_period_ms * 1000;
    s->frame_interval_us = RefreshIntervalUs();
    // A pass of ~1 ms slices finishes well inside its period under any input.
    s->slice_gap_us = 4000;
    s->next_pass_us = now + s->capture_period_us;
    s->next_tick_us = now + s->tick_period_us;
    s->last_frame_us = now - s->frame_interval_us;
}

void DisplayChanged(void)
{
    viewer_schedule.frame_interval_us = RefreshIntervalUs();
    viewer_schedule.frame_wanted = true;
}

void WantFrame(void)
{
    viewer_schedule.frame_wanted = true;
}

static void DoViewerWork(ViewerWork work)
{
    switch (work) {
    case WORK_START_PASS: RunCapturePassStart(); break;
    case WORK_TICK:       RunRepaintTick(); break;
    case WORK_FRAME:      RunViewFrame(); break;
    case WORK_SLICE:      RunCaptureSlice(); break;
    case WORK_MESSAGES:
    case WORK_WAIT:       break;
    }
}

// The settings window holds the view still, and the capture with it.
static void RefreshScheduleState(void)
{
    viewer_schedule.live = viewer_live;
    viewer_schedule.pass_pending = CaptureWorkPending();
}

void DoDueViewerWork(void)
{
    RefreshScheduleState();
    int64_t wait_us;
    const int64_t now = ViewerClockUs();
    const ViewerWork work = NextViewerWork(&viewer_schedule, now, false, &wait_us);
    if (work == WORK_WAIT)
        return;
    DoViewerWork(work);
    NoteViewerWork(&viewer_schedule, work, now);
}

// Takes the messages that wait now, a bounded batch of them, so that work
// that falls due meanwhile is not held up by a stream of input. false once
// WM_QUIT came, with its message in msg.
static bool DispatchWaitingMessages(MSG* msg)
{
    const int64_t until = ViewerClockUs() + 2000;
    for (int taken = 0; taken < 64 && PeekMessageA(msg, NULL, 0, 0, PM_REMOVE); taken++) {
        if (msg->message == WM_QUIT)
            return false;
        TranslateMessage(msg);
        DispatchMessageA(msg);
        if (ViewerClockUs() >= until)
            break;
    }
    return true;
}

int RunViewerLoop(void)
{
    MSG msg;
    memset(&msg, 0, sizeof(msg));
    for (;;) {
        RefreshScheduleState();
        const bool waiting = PeekMessageA(&msg, NULL, 0, 0, PM_NOREMOVE) != 0;
        int64_t wait_us;
        const int64_t now = ViewerClockUs();
        const ViewerWork work = NextViewerWork(&viewer_schedule, now, waiting, &wait_us);
        if (work == WORK_MESSAGES) {
            if (!DispatchWaitingMessages(&msg))
                break;
        } else if (work == WORK_WAIT) {
            // Round up: waking a little late is harmless, waking early spins.
            const DWORD wait_ms = wait_us < 0 ? INFINITE : (DWORD)((wait_us + 999) / 1000);
            (void)MsgWaitForMultipleObjectsEx(0, NULL, wait_ms, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        } else {
            DoViewerWork(work);
            NoteViewerWork(&viewer_schedule, work, now);
        }
    }
    return (int)msg.wParam;
}
