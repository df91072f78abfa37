// Desktop capture: every visible top-level window but the one left out,
// front-most first, with copies of the parts of them that can show within a
// region around the view, and the search for the window and child at a point.
#pragma once

#include <windows.h>
#include <stdint.h>

#define MAX_CAPTURED_WINDOWS 500
#define MAX_CAPTURE_TILES    4096

// Capture table: parallel arrays, entries 0 .. captured_count - 1 valid,
// front-most first. Every visible window is listed; only windows with
// something to show have a bitmap, kept from pass to pass while their size
// stays the same.
extern HWND     captured_hwnd[MAX_CAPTURED_WINDOWS];
extern RECT     captured_rect[MAX_CAPTURED_WINDOWS];   // window rectangle, screen pixels
extern HDC      captured_dc[MAX_CAPTURED_WINDOWS];     // memory DC holding captured_bitmap
extern HBITMAP  captured_bitmap[MAX_CAPTURED_WINDOWS]; // 32-bit top-down DIB section of the window's size
extern uint8_t* captured_pixels[MAX_CAPTURED_WINDOWS]; // its bits: BGRA, top row first, rows packed
extern int      captured_count;

// What the view can show: the parts of the entries not covered by entries in
// front of them, within capture_reach. Together they tile what the windows
// cover there, without overlap.
struct CaptureTile {
    int  entry; // capture table index
    RECT rect;  // screen pixels, inside the entry's rectangle and capture_reach
};
extern RECT        capture_reach;                   // screen region the last copy covered
extern CaptureTile capture_tiles[MAX_CAPTURE_TILES];
extern int         capture_tile_count;

// The work of the last pass (or recapture), counted where it is done.
struct CaptureCounters {
    int     windows_listed; // entries in the table
    int     dcs_taken;      // window device contexts taken
    int     windows_copied; // windows some of whose pixels were copied
    int64_t bytes_copied;   // 4 per pixel copied
};
extern CaptureCounters capture_counters;

// Window search results.
extern HWND target_window;     // front-most captured window containing the point
extern int  target_index;      // its capture table index
extern HWND target_child;      // innermost visible descendant containing the point, or null
extern HWND child_list[MAX_CAPTURED_WINDOWS];
extern int  child_count;

// A whole pass at once: lists the visible top-level windows but leave_out and
// copies what can show within reach. moving, when not null, is a window being
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
// once (the view has left the region copied last). Ends a pass's copying.
void RecaptureReach(const RECT* reach, HWND moving);
// Tiles anew from the table as it stands, after an entry's rectangle moved.
void ComposeCaptureTiles(void);
// Frees every valid entry's DC and bitmap; with clear, zeroes its window and
// rectangle. Ends a pass in progress.
void ReleaseCaptures(int clear);

void FindWindowAtPoint(int x, int y);
void FindChildAtPoint(HWND parent, int x, int y);
BOOL CALLBACK CollectChildCallback(HWND hwnd, LPARAM param);
