// Inside the capture: the pass in progress and the steps its files share.
// Other modules use capture.h.
#pragma once

#include "capture/capture.h"

// Every top-level handle is listed at the start of a pass; hidden ones, of
// which a desktop has many, are dropped as the pass goes through them.
#define MAX_PASS_HANDLES 8192

enum PassPhase { PASS_IDLE, PASS_LISTING, PASS_COPYING };

// The pass in progress, and what the last copy left for the next one.
struct CapturePass {
    PassPhase    phase;
    HWND         leave_out;                          // the viewer, never listed
    HWND         handles[MAX_PASS_HANDLES];          // every top-level handle, from the pass's start
    int          handle_count, next_handle;
    HWND         listed_hwnd[MAX_CAPTURED_WINDOWS];  // the windows found so far, front-most first,
    RECT         listed_rect[MAX_CAPTURED_WINDOWS];  //   which become the table when the listing ends
    CapturedLook listed_look[MAX_CAPTURED_WINDOWS];
    int          listed_count;
    CaptureTile  copy_plan[MAX_CAPTURE_TILES];       // the parts to copy, grouped by entry, front-most first
    int          copy_plan_count, copy_next;
    RECT         copy_reach;                         // the region the copy covers
    HWND         copy_moving;                        // the window that hides nothing, or null
    CaptureCounters work_counters;
    // Whether the bitmaps hold what shows within capture_reach for the table
    // as it stands, with reach_copied_moving as the window that hid nothing:
    // then a recapture for a new reach copies only what lies outside the old one.
    bool         reach_copied;
    HWND         reach_copied_moving;
    // What the copy in progress brought (its pixels), and what the last whole
    // pass showed (its tiles and pixels): a pass that shows the same as the
    // last one changes nothing, and the view need not be drawn again for it.
    uint64_t     copy_digest;
    bool         copy_is_pass;
    uint64_t     last_pass_digest; // 0: none to compare with
};
extern CapturePass capture_pass;

// 1 when a window of that rectangle can be copied: a size a 32-bit bitmap
// of sane size holds (window_look.cpp).
int CopyableRect(const RECT* rect);

// The table (table.cpp).
void ReleaseEntry(int i);
void CancelPass(void);
void CommitListing(void);

// Listing (listing.cpp).
void ListWindow(HWND hwnd);

// What can show (visible_parts.cpp). VisibleParts returns the tiles written.
int  VisibleParts(const RECT* reach, HWND moving, int copied_only, CaptureTile* out, int capacity);
void TileAnew(void);

// Copying (copying.cpp). A 32-bit top-down DIB section selected into a
// memory DC of its own; 1 when all three were made (else the caller frees
// what was).
int  MakeDibSection(int width, int height, HDC* dc, HBITMAP* bitmap, uint8_t** pixels);
// FNV-1a over 32-bit words: cheap enough to run over every copied pixel.
uint64_t Digest(uint64_t digest, uint32_t word);
// Copies one entry's planned tiles; returns the plan index after them.
int  CopyEntryTiles(int first);
void PlanCopy(const RECT* reach, HWND moving, bool held);
void FinishCopy(void);

// The screen copy (screen_copy.cpp): the copy of the reach a pass makes,
// into screen_copy, its pixels summed up in the pass's digest.
void CopyScreenForPass(const RECT* reach);

// The search (window_search.cpp): the visible descendants of one level.
extern HWND child_list[MAX_CAPTURED_WINDOWS];
BOOL CALLBACK CollectChildCallback(HWND hwnd, LPARAM param);
