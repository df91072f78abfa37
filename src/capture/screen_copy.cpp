// The screen copy: where the viewer is kept out of screen copies, one copy
// of the region the view can show, taken from the screen, stands for the
// windows' own images, and shows what the screen shows.
#include "capture/capture_internal.h"

#include <string.h>

CaptureSource capture_source = CAPTURE_FROM_WINDOWS;
ScreenCopy    screen_copy;

CaptureSource ChooseCaptureSource(bool kept_out_of_copies, bool viewer_seen)
{
    // A view that saw itself would show its own image, smaller and smaller.
    return kept_out_of_copies && !viewer_seen ? CAPTURE_FROM_SCREEN : CAPTURE_FROM_WINDOWS;
}

bool PixelsShowColour(const uint32_t* pixels, size_t count, uint32_t colour)
{
    size_t same = 0;
    for (size_t k = 0; k < count; k++)
        same += (pixels[k] & 0xFFFFFFu) == (colour & 0xFFFFFFu);
    return count > 0 && same * 10 >= count * 9;
}

void FreeScreenCopy(ScreenCopy* copy)
{
    // Deleting the DC first lets the bitmap go, which frees its bits.
    if (copy->dc)
        (void)DeleteDC(copy->dc);
    if (copy->bitmap)
        (void)DeleteObject(copy->bitmap);
    memset(copy, 0, sizeof(*copy));
}

int CopyScreenRegion(const RECT* rect, ScreenCopy* copy)
{
    const int width = rect->right - rect->left, height = rect->bottom - rect->top;
    if (!CopyableRect(rect))
        return 0;
    const bool same_size = copy->pixels && copy->rect.right - copy->rect.left == width &&
                           copy->rect.bottom - copy->rect.top == height;
    if (!same_size) {
        FreeScreenCopy(copy);
        if (!MakeDibSection(width, height, &copy->dc, &copy->bitmap, &copy->pixels)) {
            FreeScreenCopy(copy);
            return 0;
        }
    }
    copy->rect = *rect;
    // Beyond the virtual screen there is nothing: black.
    (void)PatBlt(copy->dc, 0, 0, width, height, BLACKNESS);
    const RECT desk = {GetSystemMetrics(SM_XVIRTUALSCREEN), GetSystemMetrics(SM_YVIRTUALSCREEN),
                       GetSystemMetrics(SM_XVIRTUALSCREEN) + GetSystemMetrics(SM_CXVIRTUALSCREEN),
                       GetSystemMetrics(SM_YVIRTUALSCREEN) + GetSystemMetrics(SM_CYVIRTUALSCREEN)};
    RECT inside;
    int copied = 1;
    if (IntersectRect(&inside, rect, &desk)) {
        HDC screen = GetDC(NULL);
        copied = screen != NULL &&
                 BitBlt(copy->dc, inside.left - rect->left, inside.top - rect->top, inside.right - inside.left,
                        inside.bottom - inside.top, screen, inside.left, inside.top, SRCCOPY);
        if (screen)
            (void)ReleaseDC(NULL, screen);
    }
    // The bits are read and written straight: GDI must be done with them.
    (void)GdiFlush();
    uint32_t* p = (uint32_t*)copy->pixels;
    for (size_t k = 0, n = (size_t)width * (size_t)height; k < n; k++)
        p[k] |= 0xFF000000u;
    return copied;
}

void CopyScreenForPass(const RECT* reach)
{
    CaptureCounters* counters = &capture_pass.work_counters;
    counters->dcs_taken++;
    if (!CopyScreenRegion(reach, &screen_copy))
        return; // the view keeps the last copy
    const int width = reach->right - reach->left, height = reach->bottom - reach->top;
    counters->bytes_copied += (int64_t)width * height * 4;
    uint64_t digest = capture_pass.copy_digest;
    const uint32_t* p = (const uint32_t*)screen_copy.pixels;
    for (size_t k = 0, n = (size_t)width * (size_t)height; k < n; k++)
        digest = Digest(digest, p[k]);
    capture_pass.copy_digest = digest;
}
