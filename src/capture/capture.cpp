// Desktop capture: a copy of every visible top-level window but the viewer,
// front-most first, and the search for the window and child at a point.
#include "capture/capture.h"

#include <stdlib.h>
#include <string.h>

#include "app/app.h"

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

// GDI bitmaps are addressed with 16-bit coordinates in places, and no window
// worth showing needs more than 256 MiB of pixels; anything beyond is refused.
static const int64_t max_capture_side  = 32767;
static const int64_t max_capture_bytes = (int64_t)256 * 1024 * 1024;

// Byte size of a width x height 32-bit image, or 0 when it is empty or absurd.
// The product is formed in 64 bits, so no window rectangle can overflow it.
static int64_t CaptureBufferSize(int64_t width, int64_t height)
{
    if (width <= 0 || height <= 0 || width > max_capture_side || height > max_capture_side)
        return 0;
    int64_t bytes = width * height * 4;
    return bytes <= max_capture_bytes ? bytes : 0;
}

// Copies the pixels of bitmap (width x height) as 32-bit blue-green-red-x,
// top row first, rows packed: what the renderer uploads. Returns 1 on success.
static int ReadCapturedPixels(HDC dc, HBITMAP bitmap, int width, int height, uint8_t* pixels)
{
    BITMAPINFO bmi;
    memset(&bmi, 0, sizeof(bmi));
    bmi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bmi.bmiHeader.biWidth = width;
    bmi.bmiHeader.biHeight = -height; // negative: top row first
    bmi.bmiHeader.biPlanes = 1;
    bmi.bmiHeader.biBitCount = 32;
    bmi.bmiHeader.biCompression = BI_RGB;
    return GetDIBits(dc, bitmap, 0, (UINT)height, pixels, &bmi, DIB_RGB_COLORS) == height;
}

void CaptureAllWindows(void)
{
    // A failed enumeration leaves whatever the pass had captured.
    (void)EnumWindows(CaptureWindowCallback, 0);
}

// NOTE: the size comes from the window rectangle, not from the bitmap current
// in the window's DC: under Wine a window DC has no bitmap of its own at all.
BOOL CALLBACK CaptureWindowCallback(HWND hwnd, LPARAM param)
{
    if (hwnd == viewer_hwnd || !IsWindowVisible(hwnd))
        return TRUE;
    // The table is full: further windows are left out of this pass.
    if (captured_count < 0 || captured_count >= MAX_CAPTURED_WINDOWS)
        return TRUE;
    RECT rect;
    if (!GetWindowRect(hwnd, &rect))
        return TRUE;
    int64_t width = (int64_t)rect.right - rect.left;
    int64_t height = (int64_t)rect.bottom - rect.top;
    int64_t bytes = CaptureBufferSize(width, height);
    if (bytes == 0)
        return TRUE;
    HDC window_dc = GetWindowDC(hwnd);
    if (!window_dc)
        return TRUE;

    int i = captured_count;
    int w = (int)width, h = (int)height;
    captured_hwnd[i] = hwnd;
    captured_rect[i] = rect;
    captured_dc[i] = CreateCompatibleDC(window_dc);
    captured_bitmap[i] = CreateCompatibleBitmap(window_dc, w, h);
    HGDIOBJ original = NULL;
    if (captured_dc[i] && captured_bitmap[i])
        original = SelectObject(captured_dc[i], captured_bitmap[i]);
    // A failed copy leaves the entry in the table; its pixels are then black.
    if (original)
        (void)BitBlt(captured_dc[i], 0, 0, w, h, window_dc, 0, 0, SRCCOPY);
    captured_pixels[i] = (uint8_t*)malloc((size_t)bytes);
    if (captured_pixels[i]) {
        // GetDIBits wants the bitmap out of any DC while it reads it.
        if (original)
            (void)SelectObject(captured_dc[i], original);
        if (!captured_bitmap[i] || !ReadCapturedPixels(window_dc, captured_bitmap[i], w, h, captured_pixels[i]))
            memset(captured_pixels[i], 0, (size_t)bytes);
        if (original)
            (void)SelectObject(captured_dc[i], captured_bitmap[i]);
    }
    captured_count++;
    (void)ReleaseDC(hwnd, window_dc);
    return TRUE;
}

// Every handle and pointer is nulled as it is freed, so releasing twice frees
// nothing twice.
void ReleaseCaptures(int clear)
{
    int count = captured_count < MAX_CAPTURED_WINDOWS ? captured_count : MAX_CAPTURED_WINDOWS;
    for (int i = 0; i < count; i++) {
        if (clear) {
            captured_hwnd[i] = NULL;
            memset(&captured_rect[i], 0, sizeof(captured_rect[i]));
        }
        if (captured_dc[i])
            (void)DeleteDC(captured_dc[i]);
        captured_dc[i] = NULL;
        if (captured_bitmap[i])
            (void)DeleteObject(captured_bitmap[i]);
        captured_bitmap[i] = NULL;
        free(captured_pixels[i]);
        captured_pixels[i] = NULL;
    }
}

// Inclusive on all four sides, against the window's current rectangle.
static int RectContains(const RECT* r, int x, int y)
{
    return r->left <= x && x <= r->right && r->top <= y && y <= r->bottom;
}

void FindWindowAtPoint(int x, int y)
{
    target_child = NULL;
    int count = captured_count < MAX_CAPTURED_WINDOWS ? captured_count : MAX_CAPTURED_WINDOWS;
    for (int i = 0; i < count; i++) {
        RECT current;
        // A window whose rectangle cannot be read is passed over.
        if (!GetWindowRect(captured_hwnd[i], &current))
            continue;
        if (RectContains(&current, x, y)) {
            target_window = captured_hwnd[i];
            target_index = i;
            FindChildAtPoint(target_window, x, y);
            return;
        }
    }
}

// Each level refills the shared child_list; that is safe because a level stops
// scanning as soon as it descends.
void FindChildAtPoint(HWND parent, int x, int y)
{
    child_count = 0;
    (void)EnumChildWindows(parent, CollectChildCallback, 0);
    for (int j = 0; j < child_count; j++) {
        RECT r;
        if (!GetWindowRect(child_list[j], &r))
            return;
        if (RectContains(&r, x, y)) {
            target_child = child_list[j];
            FindChildAtPoint(target_child, x, y);
            return;
        }
    }
}

// child_list holds 500 handles: further descendants are left out.
BOOL CALLBACK CollectChildCallback(HWND hwnd, LPARAM param)
{
    if (IsWindowVisible(hwnd) && child_count >= 0 && child_count < MAX_CAPTURED_WINDOWS)
        child_list[child_count++] = hwnd;
    return TRUE;
}
