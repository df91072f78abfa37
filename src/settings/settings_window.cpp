// The settings window.
#include "settings/settings.h"
int             settings_window_open;
WNDCLASSEXA     settings_class;
CsvFile         layout_file;
GuiElementTable element_table;
HDC             settings_paint_dc;
PAINTSTRUCT     settings_paint;
RECT            settings_viewer_rect;
int RegisterSettingsClass(HINSTANCE) { return 0; }
int CreateSettingsWindow(HINSTANCE) { return 0; }
