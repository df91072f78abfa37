// What can show: each entry's frame within a region less what the opaque
// entries in front of it cover, as tiles, front-most first.
#include "capture/capture_internal.h"

// Appends a region's rectangles as tiles of entry; when they do not fit, its
// bounding box stands for them (tiles are drawn back to front, so what lies
// in the box beyond the region is drawn over by the entries in front).
static int AppendRegionTiles(HRGN region, int entry, CaptureTile* out, int count, int capacity)
{
    static struct {
        RGNDATAHEADER header;
        RECT          rects[MAX_CAPTURE_TILES];
    } data;
    if (count >= capacity)
        return count;
    DWORD needed = GetRegionData(region, 0, NULL);
    if (needed > 0 && needed <= sizeof(data) && GetRegionData(region, needed, (RGNDATA*)&data) != 0 &&
        count + (int)data.header.nCount <= capacity) {
        for (DWORD k = 0; k < data.header.nCount; k++)
            out[count++] = CaptureTile{entry, data.rects[k]};
        return count;
    }
    RECT box;
    if (GetRgnBox(region, &box) != NULLREGION && !IsRectEmpty(&box))
        out[count++] = CaptureTile{entry, box};
    return count;
}

// Whether entry i hides what lies behind its frame.
static bool Opaque(int i)
{
    return captured_look[i].alpha == 255 && !captured_look[i].pixel_alpha;
}

// What each entry shows within reach: its frame there less what the opaque
// entries in front of it cover, front-most first. moving hides nothing and
// nothing hides it; with copied_only, an entry with no image (its copy
// failed) neither shows nor hides, as if it were not there. Returns the
// number of tiles written.
int VisibleParts(const RECT* reach, HWND moving, int copied_only, CaptureTile* out, int capacity)
{
    HRGN covered = CreateRectRgn(0, 0, 0, 0);
    HRGN part = CreateRectRgn(0, 0, 0, 0);
    HRGN whole = CreateRectRgn(0, 0, 0, 0);
    int count = 0;
    if (covered && part && whole) {
        for (int i = 0; i < captured_count && i < MAX_CAPTURED_WINDOWS; i++) {
            RECT inside;
            if (captured_look[i].alpha == 0)
                continue;
            if (copied_only && (captured_pixels[i] == NULL || !CopyableRect(&captured_rect[i])))
                continue;
            if (!IntersectRect(&inside, &captured_look[i].frame, reach))
                continue;
            (void)SetRectRgn(part, inside.left, inside.top, inside.right, inside.bottom);
            if (moving == NULL || captured_hwnd[i] != moving) {
                const int shown = CombineRgn(part, part, covered, RGN_DIFF);
                if (Opaque(i)) {
                    (void)SetRectRgn(whole, inside.left, inside.top, inside.right, inside.bottom);
                    (void)CombineRgn(covered, covered, whole, RGN_OR);
                }
                if (shown == NULLREGION)
                    continue;
            }
            count = AppendRegionTiles(part, i, out, count, capacity);
        }
    }
    if (whole)
        (void)DeleteObject(whole);
    if (part)
        (void)DeleteObject(part);
    if (covered)
        (void)DeleteObject(covered);
    return count;
}

void TileAnew(void)
{
    // The screen copy is shown whole; the windows' own images are not used.
    capture_tile_count = capture_source == CAPTURE_FROM_SCREEN
                             ? 0
                             : VisibleParts(&capture_reach, NULL, 1, capture_tiles, MAX_CAPTURE_TILES);
}

void ComposeCaptureTiles(void)
{
    TileAnew();
    capture_pass.last_pass_digest = 0;
    capture_generation++;
}

void MoveCapturedEntry(int i, int left, int top)
{
    if (i < 0 || i >= captured_count || i >= MAX_CAPTURED_WINDOWS)
        return;
    const LONG dx = left - captured_rect[i].left, dy = top - captured_rect[i].top;
    OffsetRect(&captured_rect[i], dx, dy);
    OffsetRect(&captured_look[i].frame, dx, dy);
    // A pass copying in slices has planned this window's parts where it
    // was: they go along with it, so that they stay within its bitmap.
    for (int k = capture_pass.copy_next; k < capture_pass.copy_plan_count; k++)
        if (capture_pass.copy_plan[k].entry == i)
            OffsetRect(&capture_pass.copy_plan[k].rect, dx, dy);
    capture_pass.reach_copied = false;
}

