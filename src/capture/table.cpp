// The capture table: every top-level window the user can see or click,
// front-most first, with the bitmaps of those that have something to show,
// kept from pass to pass while their size stays; and the pass record.
#include "capture/capture_internal.h"

#include <string.h>

HWND     captured_hwnd[MAX_CAPTURED_WINDOWS];
RECT     captured_rect[MAX_CAPTURED_WINDOWS];
HDC      captured_dc[MAX_CAPTURED_WINDOWS];
HBITMAP  captured_bitmap[MAX_CAPTURED_WINDOWS];
uint8_t* captured_pixels[MAX_CAPTURED_WINDOWS];
CapturedLook captured_look[MAX_CAPTURED_WINDOWS];
int      captured_count;

RECT        capture_reach;
CaptureTile capture_tiles[MAX_CAPTURE_TILES];
int         capture_tile_count;
CaptureCounters capture_counters;
uint32_t capture_generation;

CapturePass capture_pass;

void ReleaseEntry(int i)
{
    // Deleting the DC first lets the bitmap go, which frees its bits.
    if (captured_dc[i])
        (void)DeleteDC(captured_dc[i]);
    if (captured_bitmap[i])
        (void)DeleteObject(captured_bitmap[i]);
    captured_dc[i] = NULL;
    captured_bitmap[i] = NULL;
    captured_pixels[i] = NULL;
}

void CancelPass(void)
{
    capture_pass.phase = PASS_IDLE;
    capture_pass.handle_count = capture_pass.next_handle = capture_pass.listed_count = 0;
    capture_pass.copy_plan_count = capture_pass.copy_next = 0;
}

// Every handle is nulled as it is freed, so releasing twice frees nothing twice.
void ReleaseCaptures(int clear)
{
    CancelPass();
    int count = captured_count < MAX_CAPTURED_WINDOWS ? captured_count : MAX_CAPTURED_WINDOWS;
    for (int i = 0; i < count; i++) {
        if (clear) {
            captured_hwnd[i] = NULL;
            memset(&captured_rect[i], 0, sizeof(captured_rect[i]));
        }
        ReleaseEntry(i);
    }
    FreeScreenCopy(&screen_copy);
    capture_tile_count = 0;
    capture_pass.reach_copied = false;
    capture_pass.last_pass_digest = 0;
    capture_generation++;
}

// The listed windows become the table. A window listed before keeps its
// bitmap while its size stays; the bitmaps of windows gone or resized go.
void CommitListing(void)
{
    // The same windows in the same places and order: what the bitmaps hold
    // still shows where it did.
    bool unchanged = capture_pass.listed_count == captured_count;
    for (int j = 0; unchanged && j < capture_pass.listed_count; j++)
        unchanged = captured_hwnd[j] == capture_pass.listed_hwnd[j] && EqualRect(&captured_rect[j], &capture_pass.listed_rect[j]) &&
                    memcmp(&captured_look[j], &capture_pass.listed_look[j], sizeof(CapturedLook)) == 0;
    static HDC      next_dc[MAX_CAPTURED_WINDOWS];
    static HBITMAP  next_bitmap[MAX_CAPTURED_WINDOWS];
    static uint8_t* next_pixels[MAX_CAPTURED_WINDOWS];
    int old_count = captured_count < MAX_CAPTURED_WINDOWS ? captured_count : MAX_CAPTURED_WINDOWS;
    for (int j = 0; j < capture_pass.listed_count; j++) {
        next_dc[j] = NULL;
        next_bitmap[j] = NULL;
        next_pixels[j] = NULL;
        for (int i = 0; i < old_count; i++) {
            if (captured_hwnd[i] != capture_pass.listed_hwnd[j])
                continue;
            const RECT* o = &captured_rect[i];
            const RECT* n = &capture_pass.listed_rect[j];
            if (o->right - o->left == n->right - n->left && o->bottom - o->top == n->bottom - n->top) {
                next_dc[j] = captured_dc[i];
                next_bitmap[j] = captured_bitmap[i];
                next_pixels[j] = captured_pixels[i];
                captured_dc[i] = NULL;
                captured_bitmap[i] = NULL;
                captured_pixels[i] = NULL;
            }
            break;
        }
    }
    for (int i = 0; i < old_count; i++)
        ReleaseEntry(i);
    for (int j = 0; j < capture_pass.listed_count; j++) {
        captured_hwnd[j] = capture_pass.listed_hwnd[j];
        captured_rect[j] = capture_pass.listed_rect[j];
        captured_look[j] = capture_pass.listed_look[j];
        captured_dc[j] = next_dc[j];
        captured_bitmap[j] = next_bitmap[j];
        captured_pixels[j] = next_pixels[j];
    }
    for (int j = capture_pass.listed_count; j < old_count; j++) {
        captured_hwnd[j] = NULL;
        memset(&captured_rect[j], 0, sizeof(captured_rect[j]));
    }
    captured_count = capture_pass.listed_count;
    if (!unchanged) {
        capture_tile_count = 0; // the old tiles name entries by their old places
        capture_pass.reach_copied = false;
    }
}

