// The viewer window's globals, class, creation and close sequence.
#include "app/app.h"
#include "capture/capture.h"
#include "render/render.h"
#include "settings/settings.h"

#include <string.h>

HWND  viewer_hwnd;
HDC   viewer_dc;
int   viewer_x = 200, viewer_y = 200;
POINT cursor_pos;
const UINT_PTR capture_timer_id = 1;
const UINT_PTR repaint_timer_id = 2;
const UINT capture_period_ms = 100;
const UINT repaint_period_ms = 100;

const char viewer_class_name[] = "MainWindow";

void CentreViewerOn(POINT cursor)
{
    // C++ division truncates toward zero: a 401-wide view is offset by 200.
    viewer_x = cursor.x - viewer_width / 2;
    viewer_y = cursor.y - viewer_height / 2;
}

bool ViewerCentredOn(POINT cursor)
{
    return viewer_x == cursor.x - viewer_width / 2 && viewer_y == cursor.y - viewer_height / 2;
}

bool RunningOnWine(void)
{
    static int wine = -1;
    if (wine < 0) {
        HMODULE ntdll = GetModuleHandleA("ntdll.dll");
        wine = ntdll != NULL && GetProcAddress(ntdll, "wine_get_version") != NULL;
    }
    return wine == 1;
}

bool ForegroundGuiInfo(GUITHREADINFO* info)
{
    memset(info, 0, sizeof(*info));
    info->cbSize = sizeof(*info);
    return GetGUIThreadInfo(0, info) != FALSE;
}

static const int64_t viewer_restack_us = 2000000;
static int64_t viewer_restack_until_us; // on ViewerClockUs

void RestackViewerAWhile(void)
{
    const int64_t until = ViewerClockUs() + viewer_restack_us;
    if (viewer_restack_until_us < until)
        viewer_restack_until_us = until;
}

// A window being moved or sized holds the pointer through an X grab under
// Wine, which a restack of the display breaks off.
static bool ForegroundMovesOrSizes(void)
{
    GUITHREADINFO info;
    return ForegroundGuiInfo(&info) && (info.flags & GUI_INMOVESIZE) != 0;
}

void KeepViewerInFront(void)
{
    const UINT flags = SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE;
    // NOTE: Wine raises the X window of a window another process activates
    // above ours, although the Windows z-order still has the viewer first
    // among the topmost windows; a SetWindowPos that changes nothing in that
    // order does not restack X, but leaving the topmost band and coming back
    // does. That restacks the whole display, so it is done only for a while
    // after another window came to the front, as that program raises its
    // window when it gets to it. On Windows the one call below is all it takes.
    static HWND last_foreground;
    const HWND foreground = GetForegroundWindow();
    if (foreground != last_foreground)
        RestackViewerAWhile();
    last_foreground = foreground;
    if (RunningOnWine() && ViewerClockUs() < viewer_restack_until_us && !ForegroundMovesOrSizes())
        (void)SetWindowPos(viewer_hwnd, HWND_NOTOPMOST, 0, 0, 0, 0, flags);
    // A refused raise is tried again at the next capture pass.
    (void)SetWindowPos(viewer_hwnd, HWND_TOPMOST, 0, 0, 0, 0, flags);
}

bool viewer_passes_through;

void UpdateViewerPassThrough(void)
{
    // The lens's shift at the view's centre, in whole pixels: none, and the
    // window under the pointer is the one shown there, at the same point.
    const POINT lens_shift = MapCursorToSource(0, 0, dist_cx, dist_cy, K1, P1, viewer_width, viewer_height);
    const bool through = PointerWatchRunning() && lens_shift.x == 0 && lens_shift.y == 0;
    const LONG_PTR ex_style = GetWindowLongPtrA(viewer_hwnd, GWL_EXSTYLE);
    const LONG_PTR wanted = through ? ex_style | WS_EX_TRANSPARENT : ex_style & ~(LONG_PTR)WS_EX_TRANSPARENT;
    // The system passes over a window that is both layered and transparent.
    // The viewer's extended style is never 0, so 0 is the call's failure.
    if (wanted != ex_style && SetWindowLongPtrA(viewer_hwnd, GWL_EXSTYLE, wanted) == 0)
        return; // the viewer keeps the input path it had
    viewer_passes_through = through;
}

void ViewerLensChanged(void)
{
    UpdateViewerPassThrough();
    RenderView();
}

int NoActivateShowCommand(int show_command)
{
    switch (show_command) {
    case SW_SHOWNORMAL:
    case SW_SHOW:
    case SW_RESTORE:
    case SW_SHOWDEFAULT:   return SW_SHOWNOACTIVATE;
    case SW_SHOWMINIMIZED: return SW_SHOWMINNOACTIVE;
    default:               return show_command;
    }
}

HWND CreateViewerWindow(HINSTANCE instance)
{
    char PrimaryWindowClass[11];
    memcpy(PrimaryWindowClass, viewer_class_name, sizeof(PrimaryWindowClass));

    WNDCLASSEXA wc1 = {};
    // NOTE: the record is 80 bytes in a 64-bit build; 48 is only its 32-bit size.
    wc1.cbSize = sizeof(WNDCLASSEXA);
    wc1.style = CS_DBLCLKS;
    wc1.lpfnWndProc = ViewerWndProc;
    wc1.hInstance = instance;
    wc1.hIcon = LoadIconA(NULL, IDI_APPLICATION);
    wc1.hIconSm = LoadIconA(NULL, IDI_APPLICATION);
    wc1.hCursor = NULL;
    wc1.hbrBackground = (HBRUSH)(COLOR_WINDOW + 1);
    wc1.lpszClassName = PrimaryWindowClass;
    if (!RegisterClassExA(&wc1)) {
        MessageBoxA(NULL, "Window Registration Failed!", "Error!", MB_ICONEXCLAMATION);
        return NULL;
    }

    GetCursorPos(&cursor_pos);
    CentreViewerOn(cursor_pos);

    // Layered from the start, so that the pointer can be let through to the
    // window beneath by one style bit; fully opaque.
    viewer_hwnd = CreateWindowExA(WS_EX_TOPMOST | WS_EX_DLGMODALFRAME | WS_EX_LAYERED, PrimaryWindowClass, NULL,
                                  WS_POPUP | WS_BORDER, viewer_x, viewer_y, viewer_width,
                                  viewer_height, NULL, NULL, instance, NULL);
    if (!viewer_hwnd) {
        MessageBoxA(NULL, "Window Creation Failed!", "Error!", MB_ICONEXCLAMATION);
        return NULL;
    }
    return viewer_hwnd;
}

void ReleaseSettingsResources(void)
{
    memset(&settings_class, 0, sizeof(settings_class));
    Release_CsvFile(&layout_file);
    Release_GuiElementTable(&element_table);
    settings_paint_dc = NULL;
    memset(&settings_paint, 0, sizeof(settings_paint));
    settings_return_window = NULL;
    settings_viewer = NULL;
    settings_window_open = 0;
}

void RunCloseSequence(HWND hwnd)
{
    StopPointerWatch();
    // Failures while releasing are of no consequence: the process is ending.
    (void)ReleaseDC(viewer_hwnd, viewer_dc);
    viewer_dc = NULL;
    ReleaseCaptures(0);
    ReleaseSettingsResources();
    DestroyWindow(hwnd);
}
