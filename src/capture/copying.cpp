// Copying what can show: the planned tiles of each window into its DIB
// section, with one window DC, their pixels sealed opaque and summed up, so
// that a pass that brought nothing new shows as such.
#include "capture/capture_internal.h"

#include <string.h>

// NOTE: under Wine a copy from another program's window reads an X image
// into a buffer made for it; in strips of this many rows those buffers stay
// small enough for the heap, where one of a whole view's size is mapped
// afresh, page by page, at every copy (a third of the cost at rest).
static const int copy_strip_rows = 32;

int MakeDibSection(int width, int height, HDC* dc, HBITMAP* bitmap, uint8_t** pixels)
{
    BITMAPINFO bmi;
    memset(&bmi, 0, sizeof(bmi));
    bmi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bmi.bmiHeader.biWidth = width;
    bmi.bmiHeader.biHeight = -height; // negative: top row first
    bmi.bmiHeader.biPlanes = 1;
    bmi.bmiHeader.biBitCount = 32;
    bmi.bmiHeader.biCompression = BI_RGB;
    void* bits = NULL;
    *bitmap = CreateDIBSection(NULL, &bmi, DIB_RGB_COLORS, &bits, NULL, 0);
    *dc = CreateCompatibleDC(NULL);
    *pixels = (uint8_t*)bits;
    return *bitmap != NULL && *dc != NULL && bits != NULL && SelectObject(*dc, *bitmap) != NULL;
}

// The entry's DIB section, made the first time the window has something to
// show: the window's size.
static int EnsureBitmap(int i)
{
    if (captured_bitmap[i] && captured_dc[i] && captured_pixels[i])
        return 1;
    ReleaseEntry(i);
    const RECT* r = &captured_rect[i];
    if (MakeDibSection(r->right - r->left, r->bottom - r->top, &captured_dc[i], &captured_bitmap[i],
                       &captured_pixels[i]))
        return 1;
    ReleaseEntry(i);
    return 0;
}

// FNV-1a over 32-bit words: cheap enough to run over every copied pixel.
uint64_t Digest(uint64_t digest, uint32_t word)
{
    return (digest ^ word) * 0x100000001B3ull;
}

// The fourth byte of a copy is whatever the window's surface held; where the
// window is drawn without alpha of its own it is set to 255, so that what
// is uploaded is opaque as it is. The copied pixels go into the digest.
static void SealCopiedTiles(int i, int first, int end)
{
    // The bits are read and written straight: GDI must be done with them.
    (void)GdiFlush();
    const CapturedLook* look = &captured_look[i];
    const uint32_t opaque = look->pixel_alpha && !look->keyed ? 0u : 0xFF000000u;
    const RECT* w = &captured_rect[i];
    const size_t stride = (size_t)(w->right - w->left);
    uint64_t digest = capture_pass.copy_digest;
    for (int k = first; k < end; k++) {
        const RECT* t = &capture_pass.copy_plan[k].rect;
        for (LONG y = t->top; y < t->bottom; y++) {
            uint32_t* p = (uint32_t*)captured_pixels[i] + (size_t)(y - w->top) * stride + (size_t)(t->left - w->left);
            for (LONG x = t->left; x < t->right; x++, p++) {
                // Premultiplied: a see-through pixel is all 0.
                if (look->keyed && (*p & 0xFFFFFFu) == look->key)
                    *p = 0;
                else
                    *p |= opaque;
                digest = Digest(digest, *p);
            }
        }
    }
    capture_pass.copy_digest = digest;
}

// Copies the planned tiles of one entry, starting at capture_pass.copy_plan[first], with
// one window DC; returns the index after them.
int CopyEntryTiles(int first)
{
    const int i = capture_pass.copy_plan[first].entry;
    int end = first;
    while (end < capture_pass.copy_plan_count && capture_pass.copy_plan[end].entry == i)
        end++;
    // A window whose pixels cannot be had keeps what it showed before.
    if (!EnsureBitmap(i))
        return end;
    HDC window_dc = GetWindowDC(captured_hwnd[i]);
    capture_pass.work_counters.dcs_taken++;
    if (!window_dc)
        return end;
    const RECT* w = &captured_rect[i];
    for (int k = first; k < end; k++) {
        // Nothing is ever written outside the window's bitmap, whatever
        // moved since the plan was made.
        RECT* t = &capture_pass.copy_plan[k].rect;
        if (!IntersectRect(t, t, w))
            continue;
        const int width = t->right - t->left, height = t->bottom - t->top;
        // A failed copy leaves that part as it was.
        for (int y0 = 0; y0 < height; y0 += copy_strip_rows) {
            const int h = height - y0 < copy_strip_rows ? height - y0 : copy_strip_rows;
            (void)BitBlt(captured_dc[i], t->left - w->left, t->top - w->top + y0, width, h, window_dc,
                         t->left - w->left, t->top - w->top + y0, SRCCOPY);
        }
        capture_pass.work_counters.bytes_copied += (int64_t)width * height * 4;
    }
    capture_pass.work_counters.windows_copied++;
    (void)ReleaseDC(captured_hwnd[i], window_dc);
    SealCopiedTiles(i, first, end);
    return end;
}

// The up to four pieces of a outside b: above, below, left and right of it.
// Returns how many.
static int PiecesOutside(const RECT* a, const RECT* b, RECT pieces[4])
{
    RECT inside;
    if (!IntersectRect(&inside, a, b)) {
        pieces[0] = *a;
        return IsRectEmpty(a) ? 0 : 1;
    }
    const RECT around[4] = {{a->left, a->top, a->right, inside.top},
                            {a->left, inside.bottom, a->right, a->bottom},
                            {a->left, inside.top, inside.left, inside.bottom},
                            {inside.right, inside.top, a->right, inside.bottom}};
    int count = 0;
    for (const RECT& piece : around) {
        if (!IsRectEmpty(&piece))
            pieces[count++] = piece;
    }
    return count;
}

// Drops from the plan what lies inside held.
static void LeaveOutOfPlan(const RECT* held)
{
    static CaptureTile kept[MAX_CAPTURE_TILES];
    int count = 0;
    for (int k = 0; k < capture_pass.copy_plan_count; k++) {
        RECT pieces[4];
        const int n = PiecesOutside(&capture_pass.copy_plan[k].rect, held, pieces);
        for (int p = 0; p < n && count < MAX_CAPTURE_TILES; p++)
            kept[count++] = CaptureTile{capture_pass.copy_plan[k].entry, pieces[p]};
    }
    memcpy(capture_pass.copy_plan, kept, sizeof(kept[0]) * (size_t)count);
    capture_pass.copy_plan_count = count;
}

// Plans the copy of what shows within reach; with held, what the bitmaps
// hold from the last copy for the table as it stands, with the same window
// moving, is not copied again.
void PlanCopy(const RECT* reach, HWND moving, bool held)
{
    capture_pass.copy_digest = 0xCBF29CE484222325ull;
    capture_pass.copy_is_pass = !held;
    capture_pass.copy_reach = *reach;
    capture_pass.copy_moving = moving;
    // From the screen, the whole reach is one copy, made when the copy finishes.
    capture_pass.copy_plan_count =
        capture_source == CAPTURE_FROM_SCREEN ? 0 : VisibleParts(reach, moving, 0, capture_pass.copy_plan, MAX_CAPTURE_TILES);
    if (held && capture_pass.reach_copied && moving == capture_pass.reach_copied_moving)
        LeaveOutOfPlan(&capture_reach);
    capture_pass.copy_next = 0;
    capture_pass.work_counters.dcs_taken = capture_pass.work_counters.windows_copied = 0;
    capture_pass.work_counters.bytes_copied = 0;
}

// What the tiles show: where each lies, whose it is and how it is drawn,
// and the pixels just copied into them.
static uint64_t ShownDigest(void)
{
    uint64_t digest = capture_pass.copy_digest;
    for (int k = 0; k < capture_tile_count; k++) {
        const CaptureTile* t = &capture_tiles[k];
        const CapturedLook* look = &captured_look[t->entry];
        const uint32_t words[] = {(uint32_t)t->entry, (uint32_t)t->rect.left, (uint32_t)t->rect.top,
                                  (uint32_t)t->rect.right, (uint32_t)t->rect.bottom,
                                  (uint32_t)captured_rect[t->entry].left, (uint32_t)captured_rect[t->entry].top,
                                  (uint32_t)look->alpha | (look->pixel_alpha ? 0x100u : 0u)};
        for (uint32_t word : words)
            digest = Digest(digest, word);
    }
    const uint32_t reach[] = {(uint32_t)capture_reach.left, (uint32_t)capture_reach.top,
                              (uint32_t)capture_reach.right, (uint32_t)capture_reach.bottom};
    for (uint32_t word : reach)
        digest = Digest(digest, word);
    return digest | 1; // never 0, which stands for none
}

void FinishCopy(void)
{
    if (capture_source == CAPTURE_FROM_SCREEN)
        CopyScreenForPass(&capture_pass.copy_reach);
    // The bits are read straight from the DIB sections: GDI must be done with them.
    (void)GdiFlush();
    capture_reach = capture_pass.copy_reach;
    capture_pass.reach_copied = true;
    capture_pass.reach_copied_moving = capture_pass.copy_moving;
    TileAnew();
    capture_pass.work_counters.windows_listed = captured_count;
    capture_counters = capture_pass.work_counters;
    // A copy of part of the reach (the view moved) always shows something new.
    const uint64_t shown = capture_pass.copy_is_pass ? ShownDigest() : 0;
    if (shown == 0 || shown != capture_pass.last_pass_digest)
        capture_generation++;
    capture_pass.last_pass_digest = shown;
}

