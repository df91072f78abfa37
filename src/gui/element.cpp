// Controls from layout table rows.
#include "gui/gui.h"

#include <commctrl.h>
#include <string.h>

// Every control of a class shares its class procedure, so each control of
// the kind simply overwrites its slot with the same value.
WNDPROC previous_button_proc;
WNDPROC previous_editbox_proc;
WNDPROC previous_trackbar_proc;

enum ControlText { TEXT_CAPTION, TEXT_EMPTY, TEXT_NONE };

struct KindControl {
    const char* class_name;
    ControlText text;
    DWORD       style;
    const char* failure_message;
    int32_t     code;
};

// Indexed by GuiKind; kinds without a class name get no window.
static const KindControl kind_controls[] = {
    /* NONE */       { nullptr, TEXT_NONE, 0, nullptr, 0 },
    /* CONTAINER */  { "BUTTON", TEXT_CAPTION, WS_CHILD | WS_VISIBLE | BS_GROUPBOX,
                       "Could not create a particular container.", CREATE_CONTAINER },
    /* BUTTON */     { "BUTTON", TEXT_CAPTION, WS_CHILD | WS_VISIBLE,
                       "Could not create a particular button", CREATE_BUTTON },
    /* WRITE_EDIT */ { "Edit", TEXT_EMPTY, WS_CHILD | WS_VISIBLE | WS_BORDER,
                       "Could not create a particular write edit box.", CREATE_WRITE_EDIT },
    /* READ_EDIT */  { "EDIT", TEXT_EMPTY, WS_CHILD | WS_VISIBLE | WS_BORDER | ES_READONLY,
                       "Could not create a particular read edit box.", CREATE_READ_EDIT },
    /* MULTILINE */  { "EDIT", TEXT_EMPTY,
                       WS_CHILD | WS_VISIBLE | WS_BORDER | WS_VSCROLL | ES_READONLY | ES_MULTILINE,
                       "Could not create a particular multiline-read-edit.", CREATE_MULTILINE_EDIT },
    /* GRAPHICS */   { "GraphicsWindow", TEXT_NONE, WS_CHILD | WS_VISIBLE | WS_BORDER,
                       "Could not create a particular graphics window.", CREATE_GRAPHICS },
    /* CHECKBOX */   { "Button", TEXT_NONE, WS_CHILD | WS_VISIBLE | BS_AUTOCHECKBOX,
                       "Could not create a particular check-box.", CREATE_CHECKBOX },
    /* TRACKBAR */   { "msctls_trackbar32", TEXT_NONE, WS_CHILD | WS_VISIBLE | TBS_HORZ | TBS_NOTICKS,
                       "Could not create a particular track bar.", CREATE_TRACKBAR },
    /* TEXT_LABEL */ { nullptr, TEXT_NONE, 0, nullptr, 0 },
};

static_assert(sizeof(kind_controls) / sizeof(kind_controls[0]) == GUI_KIND_TEXT_LABEL + 1,
              "one control description per kind");

// The parent's window, or null when parent_id names no element before the
// first slot of id 0 or that element has no window (yet).
static HWND ParentWindow(HWND settings_window, const GuiElementTable* table, int32_t parent_id)
{
    if (parent_id == 0) return settings_window;
    for (int i = 0; i < GUI_TABLE_SLOTS; ++i) {
        const GuiElement* candidate = &table->elements[i];
        if (candidate->id == 0) return nullptr;
        if (candidate->id == parent_id) return candidate->window;
    }
    return nullptr;
}

// NOTE: 64-bit window procedures need SetWindowLongPtrA; a failed call
// leaves the control with its own procedure and the slot as it was.
static void Subclass(HWND window, WNDPROC replacement, WNDPROC* previous_slot)
{
    const LONG_PTR previous = SetWindowLongPtrA(window, GWLP_WNDPROC, (LONG_PTR)replacement);
    if (previous != 0) *previous_slot = (WNDPROC)previous;
}

static void SetUpTrackbar(GuiElement* element, WNDPROC replacement)
{
    int32_t range_min = 0;
    int32_t range_max = 0;
    // A scale that gives no step count leaves the end at a defined 0 or 32-bit end.
    (void)ValueToTrackbarStep(element->range_min, element->scale, &range_min);
    (void)ValueToTrackbarStep(element->range_max, element->scale, &range_max);
    (void)SendMessageA(element->window, TBM_SETRANGEMIN, TRUE, (LPARAM)range_min);
    (void)SendMessageA(element->window, TBM_SETRANGEMAX, TRUE, (LPARAM)range_max);
    (void)SendMessageA(element->window, TBM_SETPAGESIZE, 0, 1);
    // NOTE: Wine's track bar places its thumb only when the position changes,
    // not the range: a centre of 0 in -100..100 would stay drawn at the left
    // end. Moving it to another position first places it anew.
    const LRESULT current = SendMessageA(element->window, TBM_GETPOS, 0, 0);
    (void)SendMessageA(element->window, TBM_SETPOS, TRUE, current == range_min ? range_max : range_min);
    (void)SetTrackbarPosition_GuiElement(element); // its status tells of a bad scale
    Subclass(element->window, replacement, &previous_trackbar_proc);
}

struct ControlPlace {
    int32_t x, y, width, height; // pixels in the parent's client area
};

static int32_t Clamped(int64_t value)
{
    return value > INT32_MAX ? INT32_MAX : value < INT32_MIN ? INT32_MIN : (int32_t)value;
}

// Where a control stands in its parent at the host's DPI. Each edge is
// scaled at its place in the host's client area, so that neighbours keep
// their gaps, children stay inside their containers and painted labels line
// up with the controls, however deep the nesting. At 96 DPI it is the row's
// own place.
static ControlPlace PlaceControl(const GuiElementTable* table, const GuiElement* element,
                                 int32_t dpi)
{
    int32_t parent_x = 0, parent_y = 0;
    if (element->parent_id != 0)
        GetAbsolutePosition_GuiElementTable(table, element->parent_id, &parent_x, &parent_y);
    const int32_t left = Clamped((int64_t)parent_x + element->x);
    const int32_t top = Clamped((int64_t)parent_y + element->y);
    const int32_t right = Clamped((int64_t)left + element->width);
    const int32_t bottom = Clamped((int64_t)top + element->height);
    ControlPlace place;
    place.x = Clamped((int64_t)LayoutToPixels(left, dpi) - LayoutToPixels(parent_x, dpi));
    place.y = Clamped((int64_t)LayoutToPixels(top, dpi) - LayoutToPixels(parent_y, dpi));
    place.width = Clamped((int64_t)LayoutToPixels(right, dpi) - LayoutToPixels(left, dpi));
    place.height = Clamped((int64_t)LayoutToPixels(bottom, dpi) - LayoutToPixels(top, dpi));
    return place;
}

static int FailCreation(HWND settings_window, GuiElementTable* table, const char* message,
                        int32_t code)
{
    (void)MessageBoxA(settings_window, message, "Error", MB_ICONERROR);
    table->status = code;
    return 0;
}

int CreateWindows_GuiElementTable(HWND settings_window, GuiElementTable* table, const GuiHost* host)
{
    const GuiSubclassProcs* procs = host->procs;
    const HINSTANCE instance = GetModuleHandleA(nullptr);
    for (int slot = 0; slot < GUI_TABLE_SLOTS; ++slot) {
        GuiElement* element = &table->elements[slot];
        if (element->kind[0] == '\0') return 1;
        const GuiKind kind = KindOf_GuiElement(element);
        const KindControl* control = &kind_controls[kind];
        if (control->class_name == nullptr) continue;

        // The caption field need not hold its NUL within its 31 bytes.
        char caption[GUI_TEXT_SIZE + 1] = {0};
        memcpy(caption, element->caption, GUI_TEXT_SIZE);
        const char* text = control->text == TEXT_CAPTION ? caption
                         : control->text == TEXT_EMPTY   ? ""
                                                         : nullptr;
        const HWND parent = ParentWindow(settings_window, table, element->parent_id);
        element->window = nullptr;
        if (parent != nullptr) {
            const ControlPlace place = PlaceControl(table, element, host->dpi);
            element->window = CreateWindowExA(0, control->class_name, text, control->style,
                                              place.x, place.y, place.width, place.height, parent,
                                              (HMENU)(INT_PTR)element->id, instance, nullptr);
        }
        if (element->window == nullptr)
            return FailCreation(settings_window, table, control->failure_message, control->code);
        // Before any text is shown; a control that keeps its own font still works.
        if (host->font != nullptr)
            (void)SendMessageA(element->window, WM_SETFONT, (WPARAM)host->font, FALSE);

        switch (kind) {
        case GUI_KIND_BUTTON:
            Subclass(element->window, procs->button, &previous_button_proc);
            break;
        case GUI_KIND_WRITE_EDIT:
            Subclass(element->window, procs->editbox, &previous_editbox_proc);
            (void)WriteValueToEditBox_GuiElement(element);
            break;
        case GUI_KIND_MULTILINE_EDIT:
            if (!CreateMultilineTextBuffer_GuiElement(element))
                return FailCreation(settings_window, table,
                                    "'CreateMultilineTextBuffer_GuiElement()' unsuccessful.",
                                    CREATE_MULTILINE_BUFFER);
            break;
        case GUI_KIND_TRACKBAR:
            SetUpTrackbar(element, procs->trackbar);
            break;
        default:
            break;
        }
    }
    return 1;
}
