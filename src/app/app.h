// Viewer window: the process entry, the framed popup that follows the cursor,
// its window procedure, and the click-through to the window shown beneath it.
#pragma once

#include <windows.h>
#include <stdint.h>

#include "render/render.h"

// Viewer window state (defined in viewer.cpp).
extern HWND  viewer_hwnd;               // the viewer window
extern HDC   viewer_dc;                 // its whole-window DC: pixel format, GL context, SwapBuffers
extern int   viewer_x, viewer_y;        // top-left corner, screen pixels
// viewer_width and viewer_height, its outer size, are lens parameters too (render.h).
extern POINT cursor_pos;                // last GetCursorPos, screen pixels
extern const UINT_PTR capture_timer_id; // 1: capture refresh
extern const UINT_PTR repaint_timer_id; // 2: repaint
extern const UINT capture_period_ms;    // 100
extern const UINT repaint_period_ms;    // 100

// Class "MainWindow" and the viewer window's creation parameters.
extern const char viewer_class_name[];  // "MainWindow"

// Registers "MainWindow", creates the hidden viewer centred on the cursor.
// Start-up failures show their message box and return null.
HWND CreateViewerWindow(HINSTANCE instance);
// viewer_x/viewer_y from a cursor point: centred, truncating toward zero.
void CentreViewerOn(POINT cursor);
// Whether viewer_x/viewer_y are where CentreViewerOn would put them.
bool ViewerCentredOn(POINT cursor);
// First among the topmost windows again, without taking activation.
void KeepViewerInFront(void);
// Under Wine the passes of the next two seconds restack the viewer: a window
// of another program that came to the front, or got the keyboard back from
// the settings window, is raised when that program gets to it.
void RestackViewerAWhile(void);
// The foreground thread's GUI state (capture, menu and move loops). false
// when the system has none to give.
bool ForegroundGuiInfo(GUITHREADINFO* info);
// The show command as one that leaves the foreground window its keyboard.
int NoActivateShowCommand(int show_command);
bool RunningOnWine(void);
// Whether the pointer goes through the viewer to the window beneath it: when
// the pointer watch runs and the lens shows, at the view's centre, the point
// under the pointer. The system then delivers every mouse action itself;
// otherwise the viewer takes the input and hands it on (click-through).
extern bool viewer_passes_through;
// false while the settings window holds the view still.
extern bool viewer_live;
void UpdateViewerPassThrough(void);
// The lens or the view's size changed: the input path may change with them,
// and the view is drawn anew.
void ViewerLensChanged(void);
// WM_CLOSE: release the DC, the captures and the settings state, destroy the window.
void RunCloseSequence(HWND hwnd);
// Empties what the settings window, the layout file and the elements own.
void ReleaseSettingsResources(void);

LRESULT CALLBACK ViewerWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

// The message loop and the clock the viewer's work runs by (view_loop.cpp).
enum ViewerWork {
    WORK_MESSAGES,   // take the messages that wait
    WORK_START_PASS, // a capture pass is due
    WORK_TICK,       // the repaint tick: catch up with the pointer, check the pointer watch
    WORK_FRAME,      // follow the pointer to its latest place and draw, if anything changed
    WORK_SLICE,      // a slice of the capture pass under way
    WORK_WAIT,       // nothing is due
};
struct ViewerSchedule {
    bool    live;              // the view follows and refreshes (the settings window is closed)
    bool    pass_pending;      // a capture pass is under way
    bool    frame_wanted;      // something the view shows may have changed
    int64_t capture_period_us; // a capture pass starts this often
    int64_t tick_period_us;    // the repaint tick comes this often
    int64_t frame_interval_us; // one refresh of the display: frames come no faster
    int64_t slice_gap_us;      // while messages keep coming, a slice runs at least this often
    int64_t next_pass_us, next_tick_us, next_slice_us, last_frame_us; // on ViewerClockUs
    int64_t pass_started_us;   // when the pass under way began
};
extern ViewerSchedule viewer_schedule;
// What is due now; with WORK_WAIT, wait_us is how long nothing will be (-1: until a message).
ViewerWork NextViewerWork(const ViewerSchedule* s, int64_t now, bool message_waiting, int64_t* wait_us);
// Books work done at now, so that the next of its kind falls due in its time.
void NoteViewerWork(ViewerSchedule* s, ViewerWork work, int64_t now);
int64_t ViewerClockUs(void);
void StartViewerSchedule(void);
// The display's refresh rate may have changed.
void DisplayChanged(void);
void WantFrame(void);
// Does what is due now, without taking messages (a modal loop runs them:
// the timers call this from inside it).
void DoDueViewerWork(void);
// The message loop until WM_QUIT; returns its exit code.
int RunViewerLoop(void);
// The work itself (viewer_proc.cpp).
void RunCapturePassStart(void);
void RunRepaintTick(void);
void RunViewFrame(void);

// What a frame shows: when none of it changed since the frame on screen, no
// frame is drawn. Four-byte fields only, compared as bytes.
struct FrameFacts {
    RECT     view;         // the viewer's rectangle
    int32_t  width, height;
    uint32_t captures;     // uploads of the captures so far
    float    lens[12];     // K1, K2, K3, P1, P2, P3, dist_cx, dist_cy, freq, amp, shift, angle_deg
    int32_t  stages;       // radial_enabled, and wave_enabled times 2
};
bool FrameDiffers(const FrameFacts* drawn, const FrameFacts* now);

// The captures beneath the view (view_captures.cpp).
// A whole pass now, at creation.
void CaptureBeneathView(void);
// The capture timer's pass, run in slices by RunCaptureSlice while
// CaptureWorkPending and no message waits.
void StartCapturePass(void);
bool CaptureWorkPending(void);
void RunCaptureSlice(void);
// Keeps the viewer out of screen copies where the system can, checks that it
// did, and takes the view's pixels from the screen then; else from each
// window. Runs once the viewer shows.
void SetUpCaptureSource(void);
// Copies again for the view as it is (a drag begins: the dragged window
// hides nothing from now on).
void RecaptureBeneathView(void);
// After a caption drag moved the dragged window's entry.
void ShowMovedWindow(void);
// One frame of the view, with the captures brought under it first if the
// view has left what was copied last.
void RenderView(void);
// Whether anything a frame shows changed since the last one was drawn.
bool ViewChangedSinceDrawn(void);
// What the viewer has done since it started, for the benchmarks, which ask
// for it with QVX_COUNTERS.
extern uint32_t frames_drawn;
extern uint32_t capture_passes_done;
#define QVX_COUNTERS (WM_APP + 10) // wParam 0: frames drawn, 1: capture passes finished; the count is the result

// The pointer watch (pointer_watch.cpp): a low-level mouse hook on a thread
// of its own, which sees the real pointer whoever holds it and posts these
// notices to the viewer. Its hook only stores and posts.
#define QVX_POINTER_MOVED (WM_APP + 1) // the pointer moved: TakeWatchedPointer has its latest place
#define QVX_ESCAPE_CLICK  (WM_APP + 2) // a left press on the view with Escape held, taken
#define QVX_CTRL_CLICK    (WM_APP + 3) // a left press on the view with Ctrl held, taken
#define QVX_BUTTON_UP     (WM_APP + 4) // wParam: WM_LBUTTONUP or WM_RBUTTONUP; lParam: packed screen point
#define QVX_SET_UP_CAPTURE (WM_APP + 5) // posted at creation: the viewer shows when it comes

struct PointerJudgement {
    bool swallow; // no window gets the event
    UINT notice;  // 0, or the QVX_ notice the viewer gets
};
// The watch's verdict on one mouse event at pt: view is the viewer's
// rectangle (null when it is not shown); the keys count only for a left
// press. left_press_taken carries a taken press on to its release.
PointerJudgement JudgePointerEvent(UINT msg, POINT pt, const RECT* view, bool escape_held,
                                   bool ctrl_held, bool* left_press_taken);
// Starts the watch thread and its hook for the viewer window; false when
// the hook cannot be had (the viewer then takes its own input).
bool StartPointerWatch(HWND viewer);
void StopPointerWatch(void);
bool PointerWatchRunning(void);
// The latest pointer place the hook saw; a new move notice may follow.
POINT TakeWatchedPointer(void);
// Counts the events the hook has seen, so that a hook the system dropped shows.
uint32_t PointerEventsSeen(void);
void RehookPointerWatch(void);

// Click-through (click_through.cpp).
extern POINT cursor_adj;        // screen point the view shows at its centre
extern int   hit_code;          // target_window's WM_NCHITTEST answer at cursor_adj
extern int   drag_state;        // 0, or the hit-test code whose action a left press began
extern POINT drag_start_cursor; // cursor when a caption drag began
extern RECT  drag_rect;         // target_window's rectangle when a drag began
extern HWND  forward_window;    // target_child, else target_window
extern HWND  hit_window;        // the window whose part hit_code names: target_window, or
                                //   target_child for its own scroll bars
extern HWND  press_window;      // gets the moves and the release of a press made through the view
extern WPARAM press_buttons;    // MK_LBUTTON, MK_RBUTTON: the buttons pressed on press_window

// Screen point shown at the view centre: the first radial lens term applied
// to the origin. Non-finite or out-of-range terms give the cursor itself.
POINT MapCursorToSource(int cursor_x, int cursor_y, float cx, float cy, float k1, float p1,
                        int width, int height);
// x and y as 16-bit two's-complement halves of a message parameter.
LPARAM PackPoint(int x, int y);

void OnClickLeftDown(WPARAM wParam);
void OnClickLeftUp(WPARAM wParam);
void OnClickLeftDoubleClick(WPARAM wParam);
void OnClickRightDown(WPARAM wParam);
void OnClickRightUp(WPARAM wParam);
void OnClickWheel(WPARAM wParam);
// The view moved with the pointer: the window shown at the centre gets the
// move there, or the window of a press made through the view, wherever it is.
void OnClickMove(WPARAM keys);
// Carries a drag on to the cursor; a drag whose button is up (keys, the
// MK_ flags held now) ends instead.
void ContinueDrag(WPARAM keys);
// MK_LBUTTON, MK_RBUTTON, MK_SHIFT, MK_CONTROL as the keyboard and mouse hold them now.
WPARAM MouseKeysHeld(void);
// While a window beneath holds the mouse capture: the move or release (msg)
// at pt, which the system gave another window, goes to the capture holder.
void PassToCaptureHolder(UINT msg, POINT pt);
