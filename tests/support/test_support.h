// What the C++ tests share: layout files built in memory and, under Win32,
// the message pump and test window classes.
#pragma once

#include "gui/gui.h"

#include <initializer_list>
#include <stdlib.h>
#include <string.h>
#include <string>
#include <utility>

// ---------------------------------------------------------------------------
// Layout files

// The file's columns, numbered from 1 as layout rows name them, in the
// order of the header's column names.
enum LayoutCell {
    CELL_KIND = 1, CELL_ID, CELL_PARENT, CELL_X, CELL_Y, CELL_WIDTH, CELL_HEIGHT, CELL_CAPTION,
    CELL_TYPE, CELL_INT, CELL_DOUBLE, CELL_STRING, CELL_SPARE_TEXT, CELL_SPARE_INT_1, CELL_SPARE_INT_2,
    CELL_LINES, CELL_LINE_LENGTH, CELL_MIN, CELL_MAX, CELL_SCALE, CELL_TRACKBAR, CELL_EDITBOX
};

// A cell's text, written as text or as a whole number.
struct CellText {
    CellText(const char* t) : text(t) {}
    CellText(const std::string& t) : text(t) {}
    CellText(int value) : text(std::to_string(value)) {}
    std::string text;
};
typedef std::initializer_list<std::pair<int, CellText>> Cells;

// The ten header lines: the column names and nine lines of notes.
inline std::string LayoutHeader()
{
    std::string text =
        "kind,id,parent_id,x,y,width,height,caption,value_type,int_value,double_value,"
        "string_value,spare_text,spare_int_1,spare_int_2,buffer_lines,buffer_line_length,"
        "range_min,range_max,scale,linked_trackbar_id,linked_editbox_id\r\n";
    for (int i = 0; i < 9; ++i) text += "note" + std::to_string(i) + ",,,,,,,,,,,,,,,,,,,,,\r\n";
    return text;
}

// The 22 cells of defaults, each of cells put over them, as one row with its CR LF.
inline std::string RowOver(std::string (&cell)[CSV_MAX_COLUMNS], Cells cells)
{
    for (const auto& c : cells) cell[c.first - 1] = c.second.text;
    std::string text = cell[0];
    for (int i = 1; i < CSV_MAX_COLUMNS; ++i) text += "," + cell[i];
    return text + "\r\n";
}

// A row of button 7 at (1, 2), 3 x 4, "Go", but for the cells given.
inline std::string Row(Cells cells)
{
    std::string cell[CSV_MAX_COLUMNS] = {"Button", "7", "0", "1", "2", "3", "4", "Go"};
    return RowOver(cell, cells);
}

struct Place {
    int x, y, width, height; // pixels in the parent's client area
};

// A control's row: its kind, id, parent and place, then the cells given;
// every other cell empty.
inline std::string Row(const char* kind, int id, int parent_id, Place place, Cells cells = {})
{
    std::string cell[CSV_MAX_COLUMNS] = {kind, std::to_string(id), std::to_string(parent_id),
                                         std::to_string(place.x), std::to_string(place.y),
                                         std::to_string(place.width), std::to_string(place.height)};
    return RowOver(cell, cells);
}

// Fills the record from memory as Read_CsvFile would; the copy has exactly
// the text's size so that reading past it is caught by the address checker.
inline void FillCsvFromMemory(CsvFile* file, const void* bytes, size_t size)
{
    static char handle; // stands for the closed handle of a file that was read
    Release_CsvFile(file);
    file->data = (char*)malloc(size > 0 ? size : 1);
    if (file->data == nullptr) return;
    file->handle = &handle;
    file->size = (uint32_t)size;
    if (size > 0) memcpy(file->data, bytes, size);
    Examine_CsvFile(file);
}

inline void FillCsvFromMemory(CsvFile* file, const std::string& text)
{
    FillCsvFromMemory(file, text.data(), text.size());
}

#ifdef _WIN32
#include <windows.h>

// ---------------------------------------------------------------------------
// Messages and windows

// Dispatches what waits in this thread's queue; given ms, goes on for that
// long, so that timers fire and controls paint.
inline void PumpMessages(int ms = 0)
{
    const DWORD end = GetTickCount() + (DWORD)ms;
    for (;;) {
        MSG msg;
        while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        if ((LONG)(GetTickCount() - end) >= 0) return;
        Sleep(5);
    }
}

// Registers a window class of this program once; its atom, or 0 when it
// cannot be registered.
inline ATOM RegisterTestClass(const char* name, WNDPROC procedure, UINT style = 0, HBRUSH background = NULL)
{
    const HINSTANCE instance = GetModuleHandleA(NULL);
    WNDCLASSEXA wc = {};
    wc.cbSize = sizeof(wc);
    // GetClassInfoExA answers the atom of a class that is already there.
    const ATOM registered = (ATOM)GetClassInfoExA(instance, name, &wc);
    if (registered != 0) return registered;
    wc = {};
    wc.cbSize = sizeof(wc);
    wc.style = style;
    wc.lpfnWndProc = procedure;
    wc.hInstance = instance;
    wc.hbrBackground = background;
    wc.lpszClassName = name;
    return RegisterClassExA(&wc);
}
#endif
