// Desktop capture: every visible top-level window but the one left out,
// front-most first, with copies of the parts of them that can show within a
// region around the view, and the search for the window and child at a point.
#pragma once

#include <windows.h>
#include <stdint.h>

#define MAX_CAPTURED_WINDOWS 500
#define MAX_CAPTURE_TILES    4096

// How a window shows on the desktop, from what the system says of it.
struct CapturedLook {
    RECT frame;       // the part drawn: its visible frame (screen pixels), within its rectangle
    BYTE alpha;       // 255 opaque; 1..254 drawn over what lies behind at this alpha; 0 not drawn
    bool pixel_alpha; // drawn with the (premultiplied) alpha of its own pixels, times alpha
    bool clickable;   // the system's hit testing, and so the window search, finds it
    bool keyed;       // its pixels of colour key are see-through and take no clicks
    uint32_t key;     // that colour as its pixels hold it: 0x00RRGGBB
};

// What the system says of a top-level window, as the capture asks it.
struct WindowFacts {
    BOOL  visible;            // IsWindowVisible
    RECT  rect;               // GetWindowRect
    LONG  ex_style;           // GWL_EXSTYLE
    BOOL  layered_attributes; // GetLayeredWindowAttributes succeeded (not an UpdateLayeredWindow window)
    BYTE  layered_alpha;      // its constant alpha
    DWORD layered_flags;      // LWA_ALPHA, LWA_COLORKEY
    COLORREF layered_key;     // its colour key
    BOOL  cloaked;            // the desktop compositor hides it (DWMWA_CLOAKED)
    BOOL  has_frame_bounds;   // DWMWA_EXTENDED_FRAME_BOUNDS answered
    RECT  frame_bounds;       // the visible frame, without the invisible resize borders
};

// 1 when such a window belongs in the table, with its look: visible, not
// cloaked, drawn or clickable, and of a size a capture can copy.
int LookOfWindow(const WindowFacts* facts, CapturedLook* look);

// Capture table: parallel arrays, entries 0 .. captured_count - 1 valid,
// front-most first. Every window the user can see or click is listed; only
// windows with something to show have a bitmap, kept from pass to pass while
// their size stays the same.
extern HWND     captured_hwnd[MAX_CAPTURED_WINDOWS];
extern RECT     captured_rect[MAX_CAPTURED_WINDOWS];   // window rectangle, screen pixels
extern HDC      captured_dc[MAX_CAPTURED_WINDOWS];     // memory DC holding captured_bitmap
extern HBITMAP  captured_bitmap[MAX_CAPTURED_WINDOWS]; // 32-bit top-down DIB section of the window's size
extern uint8_t* captured_pixels[MAX_CAPTURED_WINDOWS]; // its bits: BGRA, top row first, rows packed;
                                                       // alpha 255 where copied, but for pixel_alpha windows,
                                                       // and 0 (all of the pixel 0) where keyed
extern CapturedLook captured_look[MAX_CAPTURED_WINDOWS];
extern int      captured_count;

// What the view can show: the parts of the entries' frames not covered by
// opaque entries in front of them, within capture_reach, front-most first.
// A translucent entry's tiles lie over the tiles of what shows through it.
struct CaptureTile {
    int  entry; // capture table index
    RECT rect;  // screen pixels, inside the entry's rectangle and capture_reach
};
extern RECT        capture_reach;                   // screen region the last copy covered
extern CaptureTile capture_tiles[MAX_CAPTURE_TILES];
extern int         capture_tile_count;

// Where the view's pixels come from. Where the viewer can be kept out of
// every screen copy (Windows 10 2004 and later), one copy of the screen
// shows what the screen shows, windows drawn by the GPU, menus and
// tooltips included; elsewhere each window is copied from its own device
// context, which gives nothing of such windows on Windows 10 and 11. The
// table lists every window either way, for the search.
enum CaptureSource { CAPTURE_FROM_WINDOWS, CAPTURE_FROM_SCREEN };
extern CaptureSource capture_source;
// The screen's pixels over a region: 32 bits, top row first, opaque, black
// where the region lies beyond the virtual screen.
struct ScreenCopy {
    RECT     rect;   // screen pixels
    HDC      dc;     // memory DC holding bitmap
    HBITMAP  bitmap; // DIB section of rect's size
    uint8_t* pixels; // its bits, BGRA
};
extern ScreenCopy screen_copy; // the last pass's, from the screen
// Copies the screen within rect into copy, made or remade to rect's size;
// 1 on success. FreeScreenCopy frees what it holds.
int  CopyScreenRegion(const RECT* rect, ScreenCopy* copy);
void FreeScreenCopy(ScreenCopy* copy);
// The choice from the system's answers: whether the call that keeps the
// viewer out of screen copies succeeded, and whether a screen copy showed
// the viewer all the same.
CaptureSource ChooseCaptureSource(bool kept_out_of_copies, bool viewer_seen);
// Whether count pixels (0x??RRGGBB) show the pattern colour: nine in ten of them.
bool PixelsShowColour(const uint32_t* pixels, size_t count, uint32_t colour);

// The work of the last pass (or recapture), counted where it is done.
struct CaptureCounters {
    int     windows_listed; // entries in the table
    int     dcs_taken;      // window device contexts taken
    int     windows_copied; // windows some of whose pixels were copied
    int64_t bytes_copied;   // 4 per pixel copied
};
extern CaptureCounters capture_counters;
// Changes whenever what the tiles show may have changed: a pass that copied
// the same pixels into the same tiles as the last one leaves it as it was.
extern uint32_t capture_generation;

// Window search results.
extern HWND target_window;     // front-most captured window containing the point
extern int  target_index;      // its capture table index
extern HWND target_child;      // innermost visible descendant containing the point, or null
extern int  child_count;       // descendants the last child search collected

// A pass in slices gives way to input after about this much work; 0 makes
// every slice one step (one window listed, one window copied).
extern int64_t capture_slice_us;

// A whole pass at once: lists the top-level windows but leave_out that the
// user can see or click, and copies what can show within reach. moving, when not null, is a window being
// dragged: it hides nothing and nothing hides it, so the frames can show it
// at its new places before the next pass.
void CaptureAllWindows(HWND leave_out, const RECT* reach, HWND moving);
// The same pass in slices, so that input never waits behind it: Begin lists
// the handles; each Step does about a millisecond of work and returns 1 when
// it has finished the pass (new tiles), else 0. Step takes the reach as it
// stands when the copying begins.
void BeginCapturePass(HWND leave_out);
int  CapturePassPending(void);
int  StepCapturePass(const RECT* reach, HWND moving);
// Copies what can show within a new reach from the windows listed last, at
// once (the view has left the region copied last). What the bitmaps hold
// from the last copy, for the table as it stands, is not copied again; but
// a pass whose copying is under way copies all of the new reach and is done.
// Returns 1 when it finished such a pass, else 0.
int  RecaptureReach(const RECT* reach, HWND moving);
// Tiles anew from the table as it stands, after an entry's rectangle moved.
void ComposeCaptureTiles(void);
// Entry i's window now has its top-left corner at (left, top), its size unchanged.
void MoveCapturedEntry(int i, int left, int top);
// Frees every valid entry's DC and bitmap; with clear, zeroes its window and
// rectangle. Ends a pass in progress.
void ReleaseCaptures(int clear);

// The front-most clickable entry at the point, and its innermost child.
void FindWindowAtPoint(int x, int y);
void FindChildAtPoint(HWND parent, int x, int y);
