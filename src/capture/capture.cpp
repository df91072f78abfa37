// Desktop capture.
#include "capture/capture.h"

HWND     captured_hwnd[MAX_CAPTURED_WINDOWS];
RECT     captured_rect[MAX_CAPTURED_WINDOWS];
HDC      captured_dc[MAX_CAPTURED_WINDOWS];
HBITMAP  captured_bitmap[MAX_CAPTURED_WINDOWS];
uint8_t* captured_pixels[MAX_CAPTURED_WINDOWS];
int      captured_count;
HWND target_window;
int  target_index;
HWND target_child;
HWND child_list[MAX_CAPTURED_WINDOWS];
int  child_count;

void CaptureAllWindows(void) {}
BOOL CALLBACK CaptureWindowCallback(HWND, LPARAM) { return TRUE; }
void ReleaseCaptures(int) {}
void FindWindowAtPoint(int, int) {}
void FindChildAtPoint(HWND, int, int) {}
BOOL CALLBACK CollectChildCallback(HWND, LPARAM) { return TRUE; }
