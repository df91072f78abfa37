// The pointer watch: a low-level mouse hook, on a thread of its own, sees the
// real pointer whoever holds it (a window beneath the view, an open menu, a
// drag of another program) and tells the viewer where it went. It takes the
// Escape and Ctrl clicks on the view, so that they never reach the window
// beneath. The hook only stores and posts: Windows drops a low-level hook
// that keeps the system's input waiting, and every thread of the desk would
// wait behind a frame if the viewer's own thread answered it.
#include "app/app.h"

#include <atomic>
#include <stdint.h>

// Posted to the watch thread: take the hook out and put it in again.
#define QVX_REHOOK (WM_APP + 100)

static HANDLE   watch_thread;
static DWORD    watch_thread_id;
static HANDLE   watch_ready;         // set once the thread has tried to hook
static HWND     watch_viewer;        // the viewer the notices go to
static HHOOK    watch_hook;          // the watch thread's own
static std::atomic<bool>     watch_hooked;
static std::atomic<bool>     move_notice_pending;
static std::atomic<uint64_t> latest_point;      // x in the low half, y in the high half
static std::atomic<uint32_t> events_seen;
static bool     left_taken;          // watch thread only: a left press was taken, so is its release

static uint64_t PackWatched(POINT p)
{
    return (uint64_t)(uint32_t)p.x | ((uint64_t)(uint32_t)p.y << 32);
}

static bool KeyHeld(int key)
{
    return (GetAsyncKeyState(key) & 0x8000) != 0;
}

PointerJudgement JudgePointerEvent(UINT msg, POINT pt, const RECT* view, bool escape_held,
                                   bool ctrl_held, bool* left_press_taken)
{
    PointerJudgement j = {false, 0};
    switch (msg) {
    case WM_MOUSEMOVE:
        j.notice = QVX_POINTER_MOVED;
        break;
    case WM_LBUTTONDOWN:
        // Only a press on the view is Quorvix's; Escape comes first.
        if (view == NULL || !PtInRect(view, pt) || !(escape_held || ctrl_held))
            break;
        j.swallow = true;
        j.notice = escape_held ? QVX_ESCAPE_CLICK : QVX_CTRL_CLICK;
        *left_press_taken = true;
        break;
    case WM_LBUTTONUP:
        // A release whose press was taken would reach a window that never saw the press.
        if (*left_press_taken) {
            j.swallow = true;
            *left_press_taken = false;
        } else {
            j.notice = QVX_BUTTON_UP;
        }
        break;
    case WM_RBUTTONUP:
        j.notice = QVX_BUTTON_UP;
        break;
    }
    return j;
}

static void Notify(UINT notice, UINT msg, POINT pt)
{
    // A failed post loses one notice; the repaint tick still finds the pointer.
    if (notice == QVX_POINTER_MOVED) {
        // One notice waits at a time: the viewer goes to the latest place.
        if (!move_notice_pending.exchange(true) && !PostMessageA(watch_viewer, notice, 0, 0))
            move_notice_pending = false;
        return;
    }
    (void)PostMessageA(watch_viewer, notice, (WPARAM)msg, PackPoint(pt.x, pt.y));
}

static LRESULT CALLBACK PointerHookProc(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HC_ACTION) {
        const MSLLHOOKSTRUCT* event = (const MSLLHOOKSTRUCT*)lParam;
        const UINT msg = (UINT)wParam;
        latest_point = PackWatched(event->pt);
        events_seen++;
        // The view and the keys matter only for a left press, as a click
        // reads them; a move asks the system nothing (under Wine each
        // question is a round trip that the moving program waits behind).
        const bool press = msg == WM_LBUTTONDOWN;
        RECT view;
        const bool on_view = press && IsWindowVisible(watch_viewer) && GetWindowRect(watch_viewer, &view);
        const PointerJudgement j =
            JudgePointerEvent(msg, event->pt, on_view ? &view : NULL, press && KeyHeld(VK_ESCAPE),
                              press && KeyHeld(VK_CONTROL), &left_taken);
        if (j.notice != 0)
            Notify(j.notice, msg, event->pt);
        if (j.swallow)
            return 1;
    }
    return CallNextHookEx(NULL, code, wParam, lParam);
}

static void Hook(void)
{
    watch_hook = SetWindowsHookExA(WH_MOUSE_LL, PointerHookProc, GetModuleHandleA(NULL), 0);
    watch_hooked = watch_hook != NULL;
}

static void Unhook(void)
{
    if (watch_hook)
        (void)UnhookWindowsHookEx(watch_hook); // the thread ends next, or hooks again
    watch_hook = NULL;
    watch_hooked = false;
}

static DWORD WINAPI WatchThread(void*)
{
    MSG msg;
    // The thread's message queue exists before anyone posts to it.
    (void)PeekMessageA(&msg, NULL, 0, 0, PM_NOREMOVE);
    Hook();
    (void)SetEvent(watch_ready);
    // The hook is called from inside this loop's waits.
    while (watch_hook && GetMessageA(&msg, NULL, 0, 0) > 0) {
        if (msg.message == QVX_REHOOK) {
            Unhook();
            Hook();
        }
    }
    Unhook();
    return 0;
}

bool StartPointerWatch(HWND viewer)
{
    if (watch_thread)
        return watch_hooked;
    watch_viewer = viewer;
    move_notice_pending = false;
    left_taken = false;
    watch_ready = CreateEventA(NULL, TRUE, FALSE, NULL);
    if (!watch_ready)
        return false;
    watch_thread = CreateThread(NULL, 0, WatchThread, NULL, 0, &watch_thread_id);
    // A thread that does not report within the bound is not waited for again.
    if (watch_thread && WaitForSingleObject(watch_ready, 5000) == WAIT_OBJECT_0 && watch_hooked)
        return true;
    StopPointerWatch();
    return false;
}

void StopPointerWatch(void)
{
    if (watch_thread) {
        (void)PostThreadMessageA(watch_thread_id, WM_QUIT, 0, 0);
        // A thread that does not end in time ends with the process.
        (void)WaitForSingleObject(watch_thread, 2000);
        (void)CloseHandle(watch_thread);
    }
    if (watch_ready)
        (void)CloseHandle(watch_ready);
    watch_thread = NULL;
    watch_ready = NULL;
    watch_thread_id = 0;
    watch_hooked = false;
}

bool PointerWatchRunning(void)
{
    return watch_thread != NULL && watch_hooked;
}

POINT TakeWatchedPointer(void)
{
    move_notice_pending = false;
    const uint64_t packed = latest_point;
    POINT p = {(LONG)(int32_t)(uint32_t)packed, (LONG)(int32_t)(uint32_t)(packed >> 32)};
    return p;
}

uint32_t PointerEventsSeen(void)
{
    return events_seen;
}

void RehookPointerWatch(void)
{
    if (watch_thread)
        (void)PostThreadMessageA(watch_thread_id, QVX_REHOOK, 0, 0);
}
