// Which windows the capture lists and how they show, decided from what the
// system says of them, as the desktop itself treats them: windows the
// desktop compositor cloaks (suspended Store apps, other virtual desktops)
// are not there; layered windows are seen through at their alpha, and the
// mouse passes through those that ask for it; a frame's invisible resize
// borders are not drawn, though the user grabs the window by them.
#include "capture/capture_internal.h"

// GDI bitmaps are addressed with 16-bit coordinates in places, and no window
// worth showing needs more than 256 MiB of pixels; anything beyond is left out.
static const int64_t max_capture_side  = 32767;
static const int64_t max_capture_bytes = (int64_t)256 * 1024 * 1024;

int CopyableRect(const RECT* r)
{
    const int64_t width = (int64_t)r->right - r->left, height = (int64_t)r->bottom - r->top;
    return width > 0 && height > 0 && width <= max_capture_side && height <= max_capture_side &&
           width * height * 4 <= max_capture_bytes;
}

int LookOfWindow(const WindowFacts* facts, CapturedLook* look)
{
    if (!facts->visible || facts->cloaked || !CopyableRect(&facts->rect))
        return 0;
    const bool layered = (facts->ex_style & WS_EX_LAYERED) != 0;
    // GetLayeredWindowAttributes fails only for windows drawn with
    // UpdateLayeredWindow, whose pixels carry their own alpha.
    look->pixel_alpha = layered && !facts->layered_attributes;
    look->alpha = layered && facts->layered_attributes && (facts->layered_flags & LWA_ALPHA) ? facts->layered_alpha
                                                                                            : 255;
    // The system's hit testing passes over layered windows that are
    // transparent to the mouse, and over those it draws fully transparent.
    const bool constant_alpha = layered && facts->layered_attributes && (facts->layered_flags & LWA_ALPHA);
    look->clickable = !(layered && (facts->ex_style & WS_EX_TRANSPARENT)) &&
                      !(constant_alpha && facts->layered_alpha == 0);
    // A colour key makes its pixels of that colour see-through, to the eye and the mouse.
    look->keyed = layered && facts->layered_attributes && (facts->layered_flags & LWA_COLORKEY);
    look->key = look->keyed ? (uint32_t)GetRValue(facts->layered_key) << 16 | (uint32_t)GetGValue(facts->layered_key) << 8 |
                                  GetBValue(facts->layered_key)
                            : 0;
    // Its other pixels carry alpha 255, its keyed ones 0: drawn by their own alpha.
    if (look->keyed)
        look->pixel_alpha = true;
    // Without the attribute, or with an answer outside the window, the whole
    // rectangle is the frame.
    look->frame = facts->rect;
    RECT frame;
    if (facts->has_frame_bounds && IntersectRect(&frame, &facts->frame_bounds, &facts->rect))
        look->frame = frame;
    return look->alpha > 0 || look->clickable;
}
