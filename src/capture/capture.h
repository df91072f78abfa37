// Desktop capture: copies of every visible top-level window but the viewer,
// front-most first, and the search for the window and child at a point.
#pragma once

#include <windows.h>
#include <stdint.h>

#define MAX_CAPTURED_WINDOWS 500

// Capture table: parallel arrays, entries 0 .. captured_count - 1 valid.
extern HWND     captured_hwnd[MAX_CAPTURED_WINDOWS];
extern RECT     captured_rect[MAX_CAPTURED_WINDOWS];   // window rectangle at capture, screen pixels
extern HDC      captured_dc[MAX_CAPTURED_WINDOWS];     // memory DC holding captured_bitmap
extern HBITMAP  captured_bitmap[MAX_CAPTURED_WINDOWS];
extern uint8_t* captured_pixels[MAX_CAPTURED_WINDOWS]; // width x height BGRA, top row first, packed
extern int      captured_count;

// Window search results.
extern HWND target_window;     // front-most captured window containing the point
extern int  target_index;      // its capture table index
extern HWND target_child;      // innermost visible descendant containing the point, or null
extern HWND child_list[MAX_CAPTURED_WINDOWS];
extern int  child_count;

// One capture pass over all top-level windows; the caller empties the table first.
void CaptureAllWindows(void);
BOOL CALLBACK CaptureWindowCallback(HWND hwnd, LPARAM param);
// Frees every valid entry's DC, bitmap and pixels; with clear, zeroes its window and rectangle.
void ReleaseCaptures(int clear);

void FindWindowAtPoint(int x, int y);
void FindChildAtPoint(HWND parent, int x, int y);
BOOL CALLBACK CollectChildCallback(HWND hwnd, LPARAM param);
