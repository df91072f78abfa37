// The window search: the front-most clickable entry at a point, and its
// innermost visible child.
#include "capture/capture_internal.h"

HWND target_window;
int  target_index;
HWND target_child;
HWND child_list[MAX_CAPTURED_WINDOWS];
int  child_count;

// A colour-keyed window's see-through pixels take no clicks: the copy holds
// them as 0. A point the copy does not hold (outside its rectangle, or no
// copy) counts as solid.
static bool SeeThroughAt(int i, int x, int y)
{
    const RECT* r = &captured_rect[i];
    if (!captured_look[i].keyed || captured_pixels[i] == NULL || x < r->left || y < r->top || x >= r->right ||
        y >= r->bottom)
        return false;
    const size_t stride = (size_t)(r->right - r->left);
    return ((const uint32_t*)captured_pixels[i])[(size_t)(y - r->top) * stride + (size_t)(x - r->left)] == 0;
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
        // A window the mouse passes through, or whose rectangle cannot be
        // read, is passed over.
        if (!captured_look[i].clickable || !GetWindowRect(captured_hwnd[i], &current))
            continue;
        if (RectContains(&current, x, y) && !SeeThroughAt(i, x, y)) {
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
