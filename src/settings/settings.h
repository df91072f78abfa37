// Settings window: edits the view size and the lens parameters through
// controls built at run time from "settings_gui_layout.csv".
#pragma once

#include <windows.h>
#include <shellscalingapi.h>
#include "gui/gui.h"

#define SETTINGS_X 50
#define SETTINGS_Y 50
#define SETTINGS_WIDTH 500
#define SETTINGS_HEIGHT 500

extern int             settings_window_open; // 1 while the window exists
extern WNDCLASSEXA     settings_class;       // "Settings_Window_Class"
extern CsvFile         layout_file;          // read once, at class registration
extern GuiElementTable element_table;        // rebuilt each time the window opens
extern HDC             settings_paint_dc;
extern PAINTSTRUCT     settings_paint;
extern HWND            settings_return_window; // had the keyboard before the window opened
extern HWND            settings_viewer;      // the window told what happens here: the viewer

// What the settings window tells settings_viewer, as the wParam of
// QVX_SETTINGS_NOTICE; the viewer does its own work for each.
#define QVX_SETTINGS_NOTICE (WM_APP + 20)
enum SettingsNotice {
    SETTINGS_OPENED,       // the view holds still: its timers stop
    SETTINGS_CLOSED,       // the pointer goes back to the view, the timers run again
    SETTINGS_SIZE_CHANGED, // viewer_width or viewer_height may have changed: resize, keep the corner, draw
    SETTINGS_LENS_CHANGED, // the lens may have changed: draw
};

// The replacements of the controls' procedures, for the controls this window hosts.
extern const GuiSubclassProcs settings_subclass_procs;

// The display scale (settings_scale.cpp). SETTINGS_X..SETTINGS_HEIGHT and the
// layout file are pixels at 96 DPI; the window and its controls are scaled
// to the DPI of the monitor it opens on.
extern int32_t settings_dpi;  // of that monitor, while the window is open
extern HFONT   settings_font; // the controls' and labels' font; null: the system's, at 96 DPI
typedef HRESULT (WINAPI* DpiForMonitorProc)(HMONITOR, MONITOR_DPI_TYPE, UINT*, UINT*);
// GetDpiForMonitor where the system has it (Windows 8.1 and later), else null.
DpiForMonitorProc LoadDpiForMonitor(void);
// The monitor's DPI as dpi_for_monitor answers it; else (null, or no answer) the screen's.
int32_t MonitorDpi(HMONITOR monitor, DpiForMonitorProc dpi_for_monitor);
// The window's outer rectangle at dpi, moved left and up as far as it takes
// to end within work_area (null: anywhere).
RECT SettingsWindowRect(int32_t dpi, const RECT* work_area);
// A font for dpi of the cells the layout is laid out for; null where the
// system's own font is that one (96 DPI) or none can be made.
HFONT CreateSettingsFont(int32_t dpi);

// Registers the class and reads the layout file. 1 when both succeeded.
int RegisterSettingsClass(HINSTANCE instance);
// Opens the window unless it is open. 1 when open afterwards.
int CreateSettingsWindow(HINSTANCE instance);
LRESULT CALLBACK SettingsWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
// Copies elements 301..306 into viewer_width, viewer_height, K1, P1, dist_cx, dist_cy.
void ApplySettings(void);

LRESULT CALLBACK ButtonSubclassProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK EditBoxSubclassProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK TrackbarSubclassProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
