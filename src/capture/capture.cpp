// Desktop capture: the table of the top-level windows the user can see or
// click, front-most first, and copies of the parts of them that can show
// around the view. A pass lists the windows, works out what each shows within
// the reach (its frame less what the opaque windows in front of it cover)
// and copies just that into a DIB section the window keeps from pass to
// pass. A window with nothing to show costs no copy and no device context.
#include "capture/capture.h"

#include <stdlib.h>
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

int64_t capture_slice_us = 1000;

// NOTE: under Wine a copy from another program's window reads an X image
// into a buffer made for it; in strips of this many rows those buffers stay
// small enough for the heap, where one of a whole view's size is mapped
// afresh, page by page, at every copy (a third of the cost at rest).
static const int copy_strip_rows = 32;

// Every top-level handle is listed at the start of a pass; hidden ones, of
// which a desktop has many, are dropped as the pass goes through them.
#define MAX_PASS_HANDLES 8192

enum PassPhase { PASS_IDLE, PASS_LISTING, PASS_COPYING };

static PassPhase pass_phase;
static HWND      pass_leave_out;
static HWND      pass_handles[MAX_PASS_HANDLES];
static int       pass_handle_count;
static int       pass_next_handle;
static HWND      listed_hwnd[MAX_CAPTURED_WINDOWS];
static RECT      listed_rect[MAX_CAPTURED_WINDOWS];
static CapturedLook listed_look[MAX_CAPTURED_WINDOWS];
static int       listed_count;
// What the copying does: the parts to copy, grouped by entry, front-most first.
static CaptureTile copy_plan[MAX_CAPTURE_TILES];
static int         copy_plan_count;
static int         copy_next;
static RECT        copy_reach;
static HWND        copy_moving;
static CaptureCounters work_counters;
// Whether the bitmaps hold what shows within capture_reach for the table as
// it stands, with reach_copied_moving as the window that hid nothing: then a
// recapture for a new reach copies only what lies outside the old one.
static bool reach_copied;
static HWND reach_copied_moving;
// What the copy in progress brought (its pixels), and what the last whole
// pass showed (its tiles and pixels): a pass that shows the same as the last
// one changes nothing, and the view need not be drawn again for it.
static uint64_t copy_digest;
static bool     copy_is_pass;
static uint64_t last_pass_digest; // 0: none to compare with

// ---------------------------------------------------------------------------
// Slices

static int64_t NowMicroseconds(void)
{
    static LARGE_INTEGER frequency;
    if (frequency.QuadPart == 0)
        (void)QueryPerformanceFrequency(&frequency);
    LARGE_INTEGER now;
    (void)QueryPerformanceCounter(&now);
    return frequency.QuadPart > 0 ? now.QuadPart * 1000000 / frequency.QuadPart : 0;
}

// ---------------------------------------------------------------------------
// The table

static void ReleaseEntry(int i)
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

static void CancelPass(void)
{
    pass_phase = PASS_IDLE;
    pass_handle_count = pass_next_handle = listed_count = 0;
    copy_plan_count = copy_next = 0;
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
    capture_tile_count = 0;
    reach_copied = false;
    last_pass_digest = 0;
    capture_generation++;
}

// The listed windows become the table. A window listed before keeps its
// bitmap while its size stays; the bitmaps of windows gone or resized go.
static void CommitListing(void)
{
    // The same windows in the same places and order: what the bitmaps hold
    // still shows where it did.
    bool unchanged = listed_count == captured_count;
    for (int j = 0; unchanged && j < listed_count; j++)
        unchanged = captured_hwnd[j] == listed_hwnd[j] && EqualRect(&captured_rect[j], &listed_rect[j]) &&
                    memcmp(&captured_look[j], &listed_look[j], sizeof(CapturedLook)) == 0;
    static HDC      next_dc[MAX_CAPTURED_WINDOWS];
    static HBITMAP  next_bitmap[MAX_CAPTURED_WINDOWS];
    static uint8_t* next_pixels[MAX_CAPTURED_WINDOWS];
    int old_count = captured_count < MAX_CAPTURED_WINDOWS ? captured_count : MAX_CAPTURED_WINDOWS;
    for (int j = 0; j < listed_count; j++) {
        next_dc[j] = NULL;
        next_bitmap[j] = NULL;
        next_pixels[j] = NULL;
        for (int i = 0; i < old_count; i++) {
            if (captured_hwnd[i] != listed_hwnd[j])
                continue;
            const RECT* o = &captured_rect[i];
            const RECT* n = &listed_rect[j];
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
    for (int j = 0; j < listed_count; j++) {
        captured_hwnd[j] = listed_hwnd[j];
        captured_rect[j] = listed_rect[j];
        captured_look[j] = listed_look[j];
        captured_dc[j] = next_dc[j];
        captured_bitmap[j] = next_bitmap[j];
        captured_pixels[j] = next_pixels[j];
    }
    for (int j = listed_count; j < old_count; j++) {
        captured_hwnd[j] = NULL;
        memset(&captured_rect[j], 0, sizeof(captured_rect[j]));
    }
    captured_count = listed_count;
    if (!unchanged) {
        capture_tile_count = 0; // the old tiles name entries by their old places
        reach_copied = false;
    }
}

// ---------------------------------------------------------------------------
// Listing

// Collects every top-level handle; what they are is asked in slices later.
static BOOL CALLBACK CollectHandleCallback(HWND hwnd, LPARAM param)
{
    if (pass_handle_count < MAX_PASS_HANDLES)
        pass_handles[pass_handle_count++] = hwnd;
    return TRUE;
}

// DwmGetWindowAttribute, from dwmapi.dll where there is one: the program
// starts where it is missing, and its windows then count as neither cloaked
// nor framed apart from their rectangle.
typedef HRESULT(WINAPI* DwmGetWindowAttributeProc)(HWND, DWORD, PVOID, DWORD);
static DwmGetWindowAttributeProc DwmAttributeProc(void)
{
    static bool looked_up;
    static DwmGetWindowAttributeProc proc;
    if (!looked_up) {
        looked_up = true;
        HMODULE dwmapi = LoadLibraryA("dwmapi.dll");
        if (dwmapi)
            proc = (DwmGetWindowAttributeProc)(void*)GetProcAddress(dwmapi, "DwmGetWindowAttribute");
    }
    return proc;
}

// The desktop compositor's answers; DWMWA_CLOAKED is 14 and
// DWMWA_EXTENDED_FRAME_BOUNDS 9 on every Windows that has them.
static void ReadCompositorFacts(HWND hwnd, WindowFacts* facts)
{
    DwmGetWindowAttributeProc get = DwmAttributeProc();
    if (!get)
        return;
    DWORD cloaked = 0;
    facts->cloaked = SUCCEEDED(get(hwnd, 14, &cloaked, sizeof(cloaked))) && cloaked != 0;
    facts->has_frame_bounds = SUCCEEDED(get(hwnd, 9, &facts->frame_bounds, sizeof(facts->frame_bounds)));
}

// Asks the system what LookOfWindow needs, cheapest first: most windows of
// a desktop are hidden, and are passed over after the first question. A
// top-level window is visible when its own style says so (its only parent,
// the desktop, always is), which asks less than IsWindowVisible does.
static void ReadWindowFacts(HWND hwnd, WindowFacts* facts)
{
    memset(facts, 0, sizeof(*facts));
    facts->visible = (GetWindowLongA(hwnd, GWL_STYLE) & WS_VISIBLE) != 0;
    if (!facts->visible || !GetWindowRect(hwnd, &facts->rect)) {
        facts->visible = FALSE;
        return;
    }
    facts->ex_style = GetWindowLongA(hwnd, GWL_EXSTYLE);
    if (facts->ex_style & WS_EX_LAYERED) {
        COLORREF key;
        facts->layered_attributes =
            GetLayeredWindowAttributes(hwnd, &key, &facts->layered_alpha, &facts->layered_flags);
    }
    ReadCompositorFacts(hwnd, facts);
}

// Adds a window the user can see or click to the list of the pass in progress.
static void ListWindow(HWND hwnd)
{
    // The table is full: further windows are left out of this pass.
    if (hwnd == pass_leave_out || listed_count >= MAX_CAPTURED_WINDOWS)
        return;
    WindowFacts facts;
    ReadWindowFacts(hwnd, &facts);
    if (!LookOfWindow(&facts, &listed_look[listed_count]))
        return;
    listed_hwnd[listed_count] = hwnd;
    listed_rect[listed_count] = facts.rect;
    listed_count++;
}

void BeginCapturePass(HWND leave_out)
{
    CancelPass();
    pass_leave_out = leave_out;
    memset(&work_counters, 0, sizeof(work_counters));
    // A failed enumeration lists whatever it reported.
    (void)EnumWindows(CollectHandleCallback, 0);
    pass_phase = PASS_LISTING;
}

int CapturePassPending(void)
{
    return pass_phase != PASS_IDLE;
}

// ---------------------------------------------------------------------------
// What can show

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
static int VisibleParts(const RECT* reach, HWND moving, int copied_only, CaptureTile* out, int capacity)
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

static void TileAnew(void)
{
    capture_tile_count = VisibleParts(&capture_reach, NULL, 1, capture_tiles, MAX_CAPTURE_TILES);
}

void ComposeCaptureTiles(void)
{
    TileAnew();
    last_pass_digest = 0;
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
    for (int k = copy_next; k < copy_plan_count; k++)
        if (copy_plan[k].entry == i)
            OffsetRect(&copy_plan[k].rect, dx, dy);
    reach_copied = false;
}

// ---------------------------------------------------------------------------
// Copying

// The entry's DIB section, made the first time the window has something to
// show: 32 bits, top row first, the window's size.
static int EnsureBitmap(int i)
{
    if (captured_bitmap[i] && captured_dc[i] && captured_pixels[i])
        return 1;
    ReleaseEntry(i);
    const RECT* r = &captured_rect[i];
    BITMAPINFO bmi;
    memset(&bmi, 0, sizeof(bmi));
    bmi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bmi.bmiHeader.biWidth = r->right - r->left;
    bmi.bmiHeader.biHeight = -(r->bottom - r->top); // negative: top row first
    bmi.bmiHeader.biPlanes = 1;
    bmi.bmiHeader.biBitCount = 32;
    bmi.bmiHeader.biCompression = BI_RGB;
    void* bits = NULL;
    captured_bitmap[i] = CreateDIBSection(NULL, &bmi, DIB_RGB_COLORS, &bits, NULL, 0);
    captured_dc[i] = CreateCompatibleDC(NULL);
    if (!captured_bitmap[i] || !captured_dc[i] || !bits || !SelectObject(captured_dc[i], captured_bitmap[i])) {
        ReleaseEntry(i);
        return 0;
    }
    captured_pixels[i] = (uint8_t*)bits;
    return 1;
}

// FNV-1a over 32-bit words: cheap enough to run over every copied pixel.
static uint64_t Digest(uint64_t digest, uint32_t word)
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
    const uint32_t opaque = captured_look[i].pixel_alpha ? 0u : 0xFF000000u;
    const RECT* w = &captured_rect[i];
    const size_t stride = (size_t)(w->right - w->left);
    uint64_t digest = copy_digest;
    for (int k = first; k < end; k++) {
        const RECT* t = &copy_plan[k].rect;
        for (LONG y = t->top; y < t->bottom; y++) {
            uint32_t* p = (uint32_t*)captured_pixels[i] + (size_t)(y - w->top) * stride + (size_t)(t->left - w->left);
            for (LONG x = t->left; x < t->right; x++, p++) {
                *p |= opaque;
                digest = Digest(digest, *p);
            }
        }
    }
    copy_digest = digest;
}

// Copies the planned tiles of one entry, starting at copy_plan[first], with
// one window DC; returns the index after them.
static int CopyEntryTiles(int first)
{
    const int i = copy_plan[first].entry;
    int end = first;
    while (end < copy_plan_count && copy_plan[end].entry == i)
        end++;
    // A window whose pixels cannot be had keeps what it showed before.
    if (!EnsureBitmap(i))
        return end;
    HDC window_dc = GetWindowDC(captured_hwnd[i]);
    work_counters.dcs_taken++;
    if (!window_dc)
        return end;
    const RECT* w = &captured_rect[i];
    for (int k = first; k < end; k++) {
        // Nothing is ever written outside the window's bitmap, whatever
        // moved since the plan was made.
        RECT* t = &copy_plan[k].rect;
        if (!IntersectRect(t, t, w))
            continue;
        const int width = t->right - t->left, height = t->bottom - t->top;
        // A failed copy leaves that part as it was.
        for (int y0 = 0; y0 < height; y0 += copy_strip_rows) {
            const int h = height - y0 < copy_strip_rows ? height - y0 : copy_strip_rows;
            (void)BitBlt(captured_dc[i], t->left - w->left, t->top - w->top + y0, width, h, window_dc,
                         t->left - w->left, t->top - w->top + y0, SRCCOPY);
        }
        work_counters.bytes_copied += (int64_t)width * height * 4;
    }
    work_counters.windows_copied++;
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
    for (int k = 0; k < copy_plan_count; k++) {
        RECT pieces[4];
        const int n = PiecesOutside(&copy_plan[k].rect, held, pieces);
        for (int p = 0; p < n && count < MAX_CAPTURE_TILES; p++)
            kept[count++] = CaptureTile{copy_plan[k].entry, pieces[p]};
    }
    memcpy(copy_plan, kept, sizeof(kept[0]) * (size_t)count);
    copy_plan_count = count;
}

// Plans the copy of what shows within reach; with held, what the bitmaps
// hold from the last copy for the table as it stands, with the same window
// moving, is not copied again.
static void PlanCopy(const RECT* reach, HWND moving, bool held)
{
    copy_digest = 0xCBF29CE484222325ull;
    copy_is_pass = !held;
    copy_reach = *reach;
    copy_moving = moving;
    copy_plan_count = VisibleParts(reach, moving, 0, copy_plan, MAX_CAPTURE_TILES);
    if (held && reach_copied && moving == reach_copied_moving)
        LeaveOutOfPlan(&capture_reach);
    copy_next = 0;
    work_counters.dcs_taken = work_counters.windows_copied = 0;
    work_counters.bytes_copied = 0;
}

// What the tiles show: where each lies, whose it is and how it is drawn,
// and the pixels just copied into them.
static uint64_t ShownDigest(void)
{
    uint64_t digest = copy_digest;
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

static void FinishCopy(void)
{
    // The bits are read straight from the DIB sections: GDI must be done with them.
    (void)GdiFlush();
    capture_reach = copy_reach;
    reach_copied = true;
    reach_copied_moving = copy_moving;
    TileAnew();
    work_counters.windows_listed = captured_count;
    capture_counters = work_counters;
    // A copy of part of the reach (the view moved) always shows something new.
    const uint64_t shown = copy_is_pass ? ShownDigest() : 0;
    if (shown == 0 || shown != last_pass_digest)
        capture_generation++;
    last_pass_digest = shown;
}

int StepCapturePass(const RECT* reach, HWND moving)
{
    if (pass_phase == PASS_IDLE)
        return 0;
    const int64_t deadline = NowMicroseconds() + capture_slice_us;
    if (pass_phase == PASS_LISTING) {
        while (pass_next_handle < pass_handle_count) {
            ListWindow(pass_handles[pass_next_handle++]);
            if (NowMicroseconds() >= deadline)
                return 0;
        }
        CommitListing();
        PlanCopy(reach, moving, false);
        pass_phase = PASS_COPYING;
    }
    while (copy_next < copy_plan_count) {
        copy_next = CopyEntryTiles(copy_next);
        if (NowMicroseconds() >= deadline && copy_next < copy_plan_count)
            return 0;
    }
    FinishCopy();
    pass_phase = PASS_IDLE;
    return 1;
}

void CaptureAllWindows(HWND leave_out, const RECT* reach, HWND moving)
{
    BeginCapturePass(leave_out);
    while (pass_phase != PASS_IDLE)
        (void)StepCapturePass(reach, moving);
}

void RecaptureReach(const RECT* reach, HWND moving)
{
    PlanCopy(reach, moving, true);
    while (copy_next < copy_plan_count)
        copy_next = CopyEntryTiles(copy_next);
    FinishCopy();
    // A listing in progress goes on and copies for its own reach; copying
    // for an older reach has nothing left to do.
    if (pass_phase == PASS_COPYING)
        pass_phase = PASS_IDLE;
}

// ---------------------------------------------------------------------------
// Window search

HWND target_window;
int  target_index;
HWND target_child;
HWND child_list[MAX_CAPTURED_WINDOWS];
int  child_count;

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
