// The settings window: a second top-level window whose controls come from the
// layout file. Six element ids are bound to the view size and the lens
// parameters; edits in write edit boxes and moves of track bars reach those
// parameters through the controls' replacement window procedures, and every
// change is drawn into the viewer at once.
#include "settings/settings.h"
#include "numtext/numtext.h"
#include "render/render.h"

#include <float.h>
#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

int             settings_window_open;
WNDCLASSEXA     settings_class;
CsvFile         layout_file;
GuiElementTable element_table;
HDC             settings_paint_dc;
PAINTSTRUCT     settings_paint;
HWND            settings_return_window;

static const char settings_class_name[] = "Settings_Window_Class";
static const char settings_title[] = "Quorvix: Settings";
static const char layout_file_name[] = "settings_gui_layout.csv";

// The bound parameters, in the order they are applied. Each has a write edit
// box (3xx) and a track bar (9xx) in the layout file.
enum BoundParameter {
    BOUND_WIDTH, BOUND_HEIGHT, BOUND_K1, BOUND_P1, BOUND_CX, BOUND_CY, BOUND_COUNT
};
static const int32_t bound_editbox_ids[BOUND_COUNT] = {301, 302, 303, 304, 305, 306};
static const int32_t bound_trackbar_ids[BOUND_COUNT] = {901, 902, 903, 904, 905, 906};

// ---------------------------------------------------------------------------
// Elements and parameters

// Slot of the element with that id, or null when the table has none (an
// id of 0 means "no link" and is never looked up).
static GuiElement* ElementById(int32_t id)
{
    if (id == 0)
        return NULL;
    int index = FindIndexById_GuiElementTable(&element_table, id);
    if (index < 0 || index >= GUI_TABLE_SLOTS)
        return NULL;
    return &element_table.elements[index];
}

// Controls are found by scanning every slot; the last match wins, as a
// later row may reuse a window handle after a reload.
static GuiElement* ElementByWindow(HWND hwnd)
{
    GuiElement* found = NULL;
    for (int i = 0; i < GUI_TABLE_SLOTS; ++i) {
        if (element_table.elements[i].window == hwnd)
            found = &element_table.elements[i];
    }
    return found;
}

// The float parameters hold what the user typed only to float precision:
// 0.7f widened is 0.69999998..., which a track bar of step 0.01 would cut to
// 0.69 the moment the window opens. The shortest decimal that gives the same
// float is the value the user meant.
static double DecimalOfFloat(float value)
{
    char text[48];
    int n = snprintf(text, sizeof(text), "%.*g", FLT_DIG, (double)value);
    if (n <= 0 || n >= (int)sizeof(text))
        return (double)value;
    return strtod(text, NULL);
}

static void LoadParameterInto(int parameter, GuiElement* element)
{
    switch (parameter) {
    case BOUND_WIDTH:  element->int_value = viewer_width; break;
    case BOUND_HEIGHT: element->int_value = viewer_height; break;
    case BOUND_K1:     element->double_value = DecimalOfFloat(K1); break;
    case BOUND_P1:     element->double_value = DecimalOfFloat(P1); break;
    case BOUND_CX:     element->double_value = DecimalOfFloat(dist_cx); break;
    case BOUND_CY:     element->double_value = DecimalOfFloat(dist_cy); break;
    }
}

// A view needs at least one pixel each way: a size of 0 or less would leave
// no window to see and divide by zero in the lens mapping.
static void StoreParameterFrom(int parameter, const GuiElement* element)
{
    switch (parameter) {
    case BOUND_WIDTH:
        if (element->int_value >= 1)
            viewer_width = element->int_value;
        break;
    case BOUND_HEIGHT:
        if (element->int_value >= 1)
            viewer_height = element->int_value;
        break;
    case BOUND_K1: K1 = (float)element->double_value; break;
    case BOUND_P1: P1 = (float)element->double_value; break;
    case BOUND_CX: dist_cx = (float)element->double_value; break;
    case BOUND_CY: dist_cy = (float)element->double_value; break;
    }
}

// Every bound element, box and track bar, starts from the current parameters.
static void LoadInitialValues(void)
{
    for (int i = 0; i < BOUND_COUNT; ++i) {
        GuiElement* box = ElementById(bound_editbox_ids[i]);
        if (box)
            LoadParameterInto(i, box);
        GuiElement* bar = ElementById(bound_trackbar_ids[i]);
        if (bar)
            LoadParameterInto(i, bar);
    }
}

// The lens parameters are floats: a double beyond their range has no float
// to become, and a track bar cannot stand for it either.
static int FitsParameter(const GuiElement* element)
{
    char type = element->value_type[0];
    if (type != 'D' && type != 'd')
        return 1;
    return isfinite(element->double_value) && fabs(element->double_value) <= FLT_MAX;
}

// Reads a write edit box into its element. A text that does not convert
// (or gives a number no parameter can hold) leaves the element's value as it
// was, so neither a parameter nor a linked track bar takes a made-up 0.
// 1 when the text was taken; 0 when it was rejected or the element is no
// write edit box.
static int ReadEditBoxKeepingValue(GuiElement* box)
{
    int32_t kept_int = box->int_value;
    double kept_double = box->double_value;
    if (ReadValueFromEditBox_GuiElement(box) && FitsParameter(box))
        return 1;
    box->int_value = kept_int;
    box->double_value = kept_double;
    return 0;
}

void ApplySettings(void)
{
    for (int i = 0; i < BOUND_COUNT; ++i) {
        GuiElement* box = ElementById(bound_editbox_ids[i]);
        if (!box)
            continue;
        // An element of another kind keeps its value and still passes it on;
        // only a rejected text is held back.
        if (!ReadEditBoxKeepingValue(box) && KindOf_GuiElement(box) == GUI_KIND_WRITE_EDIT)
            continue;
        if (!FitsParameter(box))
            continue;
        StoreParameterFrom(i, box);
    }
}

// ---------------------------------------------------------------------------
// The viewer, told what happened here; it does its own work

HWND settings_viewer;

const GuiSubclassProcs settings_subclass_procs = {ButtonSubclassProc, EditBoxSubclassProc, TrackbarSubclassProc};

// The viewer is a window of this thread: the notice is handled before the send returns.
static void TellViewer(SettingsNotice notice)
{
    if (settings_viewer != NULL)
        (void)SendMessageA(settings_viewer, QVX_SETTINGS_NOTICE, (WPARAM)notice, 0);
}

// ---------------------------------------------------------------------------
// Control paths

// The element's value goes into its linked one (none: id 0 or no such
// element), which shows it; then all boxes go into the parameters and the
// viewer is told.
static void PassOnAndApply(const GuiElement* from, int32_t linked_id, int (*show)(GuiElement*),
                           SettingsNotice notice)
{
    GuiElement* linked = ElementById(linked_id);
    if (linked) {
        CopyValue_GuiElement(from, linked);
        (void)show(linked); // its status tells of a value it cannot show
    }
    ApplySettings();
    TellViewer(notice);
}

// Track bar moved (it repaints after every move): the value the thumb stands
// for goes into the linked box, and the viewer is resized and redrawn.
static void FollowTrackbar(GuiElement* bar)
{
    (void)ReadTrackbarPosition_GuiElement(bar);
    PassOnAndApply(bar, bar->linked_editbox_id, WriteValueToEditBox_GuiElement, SETTINGS_SIZE_CHANGED);
}

// Enter or leaving the box: its value moves the linked track bar, whose
// repaint then writes the value it can stand for back into the box.
static void CommitEditBox(GuiElement* box)
{
    (void)ReadEditBoxKeepingValue(box);
    PassOnAndApply(box, box->linked_trackbar_id, SetTrackbarPosition_GuiElement, SETTINGS_LENS_CHANGED);
}

// Any other key: the key has not reached the box yet, so this applies the
// text as it stood before it.
static void PreviewEditBox(void)
{
    ApplySettings();
    TellViewer(SETTINGS_LENS_CHANGED);
}

static void OnEditBoxCommit(HWND hwnd)
{
    GuiElement* box = ElementByWindow(hwnd);
    if (box)
        CommitEditBox(box);
}

static void OnEditBoxKeyDown(HWND hwnd, WPARAM key)
{
    GuiElement* box = ElementByWindow(hwnd);
    if (!box)
        return;
    if (key == VK_RETURN)
        CommitEditBox(box);
    else
        PreviewEditBox();
}

static void OnTrackbarPaint(HWND hwnd)
{
    GuiElement* bar = ElementByWindow(hwnd);
    if (bar)
        FollowTrackbar(bar);
}

LRESULT CALLBACK ButtonSubclassProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    return CallWindowProcA(previous_button_proc, hwnd, msg, wParam, lParam);
}

LRESULT CALLBACK EditBoxSubclassProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_KILLFOCUS: OnEditBoxCommit(hwnd); break;
    case WM_KEYDOWN:   OnEditBoxKeyDown(hwnd, wParam); break;
    }
    return CallWindowProcA(previous_editbox_proc, hwnd, msg, wParam, lParam);
}

LRESULT CALLBACK TrackbarSubclassProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_PAINT: OnTrackbarPaint(hwnd); break;
    }
    return CallWindowProcA(previous_trackbar_proc, hwnd, msg, wParam, lParam);
}

// ---------------------------------------------------------------------------
// The window

static LRESULT OnSettingsCreate(HWND hwnd, const CREATESTRUCTA* created)
{
    Clear_GuiElementTable(&element_table);
    // A failed load keeps the rows parsed before the failing one; they still get controls.
    (void)Load_GuiElementTable(&element_table, &layout_file);
    LoadInitialValues();
    (void)ShowWindow(hwnd, SW_SHOW); // the previous visibility state is of no interest
    // Without a font of its own each control keeps the system's, which is legible.
    settings_font = CreateSettingsFont(settings_dpi);
    const GuiHost host = {&settings_subclass_procs, settings_dpi, settings_font};
    // A control that cannot be made has shown its message box; the others stay.
    (void)CreateWindows_GuiElementTable(hwnd, &element_table, &host);
    TellViewer(SETTINGS_OPENED);
    // The pointer is a convenience; a refused move changes nothing else.
    (void)SetCursorPos(created->x + created->cx / 2, created->y + created->cy / 2);
    return 0;
}

static void DrawTextLabel(const GuiElement* element)
{
    int32_t xloc = 0, yloc = 0;
    GetAbsolutePosition_GuiElementTable(&element_table, element->id, &xloc, &yloc);
    // A label that cannot be drawn stays blank; the next paint tries again.
    (void)TextOutA(settings_paint_dc, LayoutToPixels(xloc, settings_dpi),
                   LayoutToPixels(yloc, settings_dpi), element->caption,
                   BoundedTextLength(element->caption, GUI_TEXT_SIZE));
}

// Text labels have no window of their own: their captions are painted here.
static LRESULT OnSettingsPaint(HWND hwnd)
{
    settings_paint_dc = BeginPaint(hwnd, &settings_paint);
    if (settings_paint_dc) {
        // The paint DC is new each time and goes with EndPaint: nothing to put back.
        if (settings_font != NULL)
            (void)SelectObject(settings_paint_dc, settings_font);
        for (int i = 0; i < GUI_TABLE_SLOTS && element_table.elements[i].id != 0; ++i) {
            if (KindOf_GuiElement(&element_table.elements[i]) == GUI_KIND_TEXT_LABEL)
                DrawTextLabel(&element_table.elements[i]);
        }
    }
    EndPaint(hwnd, &settings_paint);
    return 0;
}

// The keyboard goes back to the window that had it before this one opened;
// left to the system, it would go to the viewer, which ignores every key.
static void ReturnKeyboard(void)
{
    if (settings_return_window != NULL && settings_return_window != settings_viewer &&
        IsWindow(settings_return_window))
        (void)SetForegroundWindow(settings_return_window); // refused: the system chooses
    settings_return_window = NULL;
}

static LRESULT OnSettingsClose(HWND hwnd)
{
    ReturnKeyboard();
    // The controls go with the window; a box that had the focus commits on the way.
    (void)DestroyWindow(hwnd);
    // The controls that used the font went with the window.
    if (settings_font != NULL)
        (void)DeleteObject(settings_font);
    settings_font = NULL;
    Release_GuiElementTable(&element_table);
    TellViewer(SETTINGS_CLOSED);
    settings_window_open = 0;
    return 0;
}

LRESULT CALLBACK SettingsWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_CREATE:  return OnSettingsCreate(hwnd, (const CREATESTRUCTA*)lParam);
    case WM_PAINT:   return OnSettingsPaint(hwnd);
    case WM_CLOSE:   return OnSettingsClose(hwnd);
    case WM_DESTROY: return 0; // closing the settings window never ends the program
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

static void FillSettingsClass(HINSTANCE instance)
{
    memset(&settings_class, 0, sizeof(settings_class));
    // NOTE: the record is 80 bytes in a 64-bit build; 48 is only its 32-bit size.
    settings_class.cbSize = sizeof(WNDCLASSEXA);
    settings_class.style = 0;
    settings_class.lpfnWndProc = SettingsWndProc;
    settings_class.cbClsExtra = 0;
    settings_class.cbWndExtra = 0;
    settings_class.hInstance = instance;
    settings_class.hIcon = LoadIconA(NULL, IDI_APPLICATION);
    settings_class.hCursor = LoadCursorA(NULL, IDC_ARROW);
    settings_class.hbrBackground = (HBRUSH)(COLOR_WINDOW + 1);
    settings_class.lpszMenuName = NULL;
    settings_class.lpszClassName = settings_class_name;
    settings_class.hIconSm = LoadIconA(NULL, IDI_APPLICATION);
}

// The layout file beside the executable. Static: the file record keeps the
// name it was read from, not a copy.
static char layout_path_beside_exe[MAX_PATH];

// Fills layout_path_beside_exe. 0 when the executable's path is unknown or
// the result would not fit: a cut path would name another file.
static int FillLayoutPathBesideExe(void)
{
    char* path = layout_path_beside_exe;
    const DWORD size = (DWORD)sizeof(layout_path_beside_exe);
    // NOTE: a path longer than the buffer comes back cut, with the full size as its length.
    const DWORD length = GetModuleFileNameA(NULL, path, size);
    if (length == 0 || length >= size)
        return 0;
    // CharNextA steps over double-byte characters, whose second byte may look like a '\'.
    char* name = path;
    for (char* c = path; *c; c = CharNextA(c)) {
        if (*c == '\\' || *c == '/')
            name = c + 1;
    }
    if ((size_t)(name - path) + sizeof(layout_file_name) > sizeof(layout_path_beside_exe))
        return 0;
    memcpy(name, layout_file_name, sizeof(layout_file_name));
    return 1;
}

// Whether the working directory has no file of that name at all.
static bool NoLayoutFileHere(void)
{
    return GetFileAttributesA(layout_file_name) == INVALID_FILE_ATTRIBUTES &&
           GetLastError() == ERROR_FILE_NOT_FOUND;
}

// The working directory comes first; a program started from elsewhere (a
// shortcut's start folder, a console) reads the file shipped beside it.
static int ReadLayoutFile(void)
{
    Clear_CsvFile(&layout_file);
    if (Read_CsvFile(&layout_file, layout_file_name) == 1)
        return 1;
    // A file here that cannot be read (another program holds it without
    // sharing, or it is refused to us) is never replaced by another one.
    if (!NoLayoutFileHere() || !FillLayoutPathBesideExe())
        return 0;
    Clear_CsvFile(&layout_file);
    return Read_CsvFile(&layout_file, layout_path_beside_exe);
}

int RegisterSettingsClass(HINSTANCE instance)
{
    FillSettingsClass(instance);
    if (!RegisterClassExA(&settings_class))
        return 0;
    // The layout is read once per run; each opening parses it again from memory.
    if (ReadLayoutFile() != 1)
        return 0;
    return 1;
}

int CreateSettingsWindow(HINSTANCE instance)
{
    if (settings_window_open)
        return 1;
    // Held while the window is made, so that a click during its creation (a
    // control's message box runs a message loop) cannot open a second one;
    // a failed creation lets it go again, so the next request retries.
    settings_window_open = 1;
    settings_return_window = GetForegroundWindow();
    // The monitor of the window's top-left corner at 96 DPI: the primary one,
    // as that corner lies near the origin.
    const POINT corner = {SETTINGS_X, SETTINGS_Y};
    const HMONITOR monitor = MonitorFromPoint(corner, MONITOR_DEFAULTTOPRIMARY);
    settings_dpi = MonitorDpi(monitor, LoadDpiForMonitor());
    MONITORINFO info;
    info.cbSize = sizeof(info);
    const bool known = monitor != NULL && GetMonitorInfoA(monitor, &info);
    const RECT place = SettingsWindowRect(settings_dpi, known ? &info.rcWork : NULL);
    HWND hwnd = CreateWindowExA(WS_EX_CLIENTEDGE | WS_EX_TOPMOST, settings_class_name, settings_title,
                                WS_OVERLAPPEDWINDOW, place.left, place.top, place.right - place.left,
                                place.bottom - place.top, NULL, NULL, instance, NULL);
    if (!hwnd) {
        settings_window_open = 0;
        return 0;
    }
    return 1;
}
