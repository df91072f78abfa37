// The settings window at the display scale of the monitor it opens on: its
// place, its size and its font. Quorvix is per-monitor DPI aware, so the
// system scales none of it; the layout file counts pixels at 96 DPI.
#include "settings/settings.h"

int32_t settings_dpi = GUI_LAYOUT_DPI;
HFONT   settings_font;

// NOTE: GetDpiForMonitor came with Windows 8.1 (shcore.dll); before it every
// monitor had the one DPI of the screen. It is looked for once.
DpiForMonitorProc LoadDpiForMonitor(void)
{
    static int looked;
    static DpiForMonitorProc found;
    if (!looked) {
        looked = 1;
        // From the system's own folder only, never a file of that name beside us.
        const HMODULE shcore = LoadLibraryExA("shcore.dll", NULL, LOAD_LIBRARY_SEARCH_SYSTEM32);
        if (shcore != NULL)
            found = (DpiForMonitorProc)(void*)GetProcAddress(shcore, "GetDpiForMonitor");
    }
    return found;
}

// The one DPI the system had for every monitor before each got its own.
static int32_t ScreenDpi(void)
{
    const HDC screen = GetDC(NULL);
    if (screen == NULL)
        return GUI_LAYOUT_DPI;
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    (void)ReleaseDC(NULL, screen); // a screen DC goes back to a cache; nothing to undo
    return dpi > 0 ? dpi : GUI_LAYOUT_DPI;
}

int32_t MonitorDpi(HMONITOR monitor, DpiForMonitorProc dpi_for_monitor)
{
    UINT dpi_x = 0, dpi_y = 0;
    if (dpi_for_monitor != NULL && monitor != NULL &&
        SUCCEEDED(dpi_for_monitor(monitor, MDT_EFFECTIVE_DPI, &dpi_x, &dpi_y)) && dpi_y > 0)
        return (int32_t)dpi_y;
    return ScreenDpi();
}

// start moved back so that start + size ends by end, but not back beyond
// first (a window larger than the area keeps its start when that is before first).
static LONG FitBefore(LONG start, LONG size, LONG first, LONG end)
{
    if (start + size <= end)
        return start;
    const LONG fitted = end - size;
    const LONG lowest = start < first ? start : first;
    return fitted > lowest ? fitted : lowest;
}

RECT SettingsWindowRect(int32_t dpi, const RECT* work_area)
{
    RECT rect;
    rect.left = LayoutToPixels(SETTINGS_X, dpi);
    rect.top = LayoutToPixels(SETTINGS_Y, dpi);
    const LONG width = LayoutToPixels(SETTINGS_WIDTH, dpi);
    const LONG height = LayoutToPixels(SETTINGS_HEIGHT, dpi);
    if (work_area != NULL) {
        rect.left = FitBefore(rect.left, width, work_area->left, work_area->right);
        rect.top = FitBefore(rect.top, height, work_area->top, work_area->bottom);
    }
    rect.right = rect.left + width;
    rect.bottom = rect.top + height;
    return rect;
}

// The layout is laid out for the system font at 96 DPI: cells 16 pixels
// high, characters 7 wide on average (Windows' System font; Wine's stand-in
// for it has the same cells).
#define LAYOUT_FONT_HEIGHT 16
#define LAYOUT_FONT_WIDTH 7

HFONT CreateSettingsFont(int32_t dpi)
{
    // NOTE: the stock font is made for the screen's DPI, and Wine makes it
    // only taller there, not wider; so the font is the stock one at 96 DPI
    // alone, and elsewhere the same face drawn at the layout's cells, scaled.
    if (dpi == GUI_LAYOUT_DPI && ScreenDpi() == GUI_LAYOUT_DPI)
        return NULL;
    LOGFONTA font;
    if (GetObjectA(GetStockObject(SYSTEM_FONT), sizeof(font), &font) != (int)sizeof(font))
        return NULL;
    font.lfHeight = LayoutToPixels(LAYOUT_FONT_HEIGHT, dpi);
    font.lfWidth = LayoutToPixels(LAYOUT_FONT_WIDTH, dpi);
    return CreateFontIndirectA(&font);
}
