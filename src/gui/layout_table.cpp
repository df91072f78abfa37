// Element records and the layout file parser.
#include "gui/gui.h"
#include "numtext/numtext.h"

#include <cmath>
#include <stddef.h>
#include <stdlib.h>
#include <string.h>

// ---------------------------------------------------------------------------
// Records

void Clear_GuiElement(GuiElement* element)
{
    // All-zero bytes are null handles, 0, 0.0 and empty texts alike.
    memset(element, 0, sizeof(*element));
}

void Release_GuiElement(GuiElement* element)
{
    free(element->text_buffer);
    Clear_GuiElement(element);
}

void Clear_GuiElementTable(GuiElementTable* table)
{
    table->count = 0;
    table->status = 0;
    for (int i = 0; i < GUI_TABLE_SLOTS; ++i)
        Clear_GuiElement(&table->elements[i]);
}

void Release_GuiElementTable(GuiElementTable* table)
{
    table->count = 0;
    table->status = 0;
    for (int i = 0; i < GUI_TABLE_SLOTS; ++i)
        Release_GuiElement(&table->elements[i]);
}

GuiKind KindOf_GuiElement(const GuiElement* element)
{
    const char first = element->kind[0];
    const char second = element->kind[1];
    switch (first) {
    case 'C': case 'c':
        if (second == 'o') return GUI_KIND_CONTAINER;
        if (second == 'h') return GUI_KIND_CHECKBOX;
        return GUI_KIND_NONE;
    case 'B': case 'b': return GUI_KIND_BUTTON;
    case 'W': case 'w': return GUI_KIND_WRITE_EDIT;
    case 'R': case 'r': return second == 'e' ? GUI_KIND_READ_EDIT : GUI_KIND_NONE;
    case 'M': case 'm': return GUI_KIND_MULTILINE_EDIT;
    case 'G': case 'g': return GUI_KIND_GRAPHICS;
    case 'T': case 't':
        if (second == 'r') return GUI_KIND_TRACKBAR;
        if (second == 'e') return GUI_KIND_TEXT_LABEL;
        return GUI_KIND_NONE;
    default: return GUI_KIND_NONE;
    }
}

// The loaded part of the table; a count that was never set by a load stays in range.
static int UsedSlots(const GuiElementTable* table)
{
    if (table->count < 0) return 0;
    if (table->count > GUI_TABLE_SLOTS) return GUI_TABLE_SLOTS;
    return table->count;
}

int FindIndexById_GuiElementTable(const GuiElementTable* table, int32_t id)
{
    const int used = UsedSlots(table);
    for (int i = 0; i < used; ++i)
        if (table->elements[i].id == id) return i;
    return -1;
}

int32_t FindIdByWindow_GuiElementTable(const GuiElementTable* table, HWND__* window)
{
    const int used = UsedSlots(table);
    for (int i = 0; i < used; ++i)
        if (table->elements[i].window == window) return table->elements[i].id;
    return -1;
}

HWND__* FindWindowById_GuiElementTable(const GuiElementTable* table, int32_t id)
{
    const int index = FindIndexById_GuiElementTable(table, id);
    return index < 0 ? nullptr : table->elements[index].window;
}

// Adds without leaving the 32-bit range: positions come from the file unchecked.
static int32_t SaturatingAdd(int32_t a, int32_t b)
{
    const int64_t sum = (int64_t)a + (int64_t)b;
    if (sum > INT32_MAX) return INT32_MAX;
    if (sum < INT32_MIN) return INT32_MIN;
    return (int32_t)sum;
}

void GetAbsolutePosition_GuiElementTable(const GuiElementTable* table, int32_t id,
                                         int32_t* x, int32_t* y)
{
    // A chain of parents is at most one per slot long; a longer walk means a
    // cycle in the file (an element that is its own ancestor), which ends here.
    for (int depth = 0; depth < GUI_TABLE_SLOTS; ++depth) {
        int index = -1;
        for (int i = 0; i < GUI_TABLE_SLOTS; ++i) {
            if (table->elements[i].id == id) { index = i; break; }
        }
        if (index < 0) return;
        const GuiElement* element = &table->elements[index];
        *x = SaturatingAdd(*x, element->x);
        *y = SaturatingAdd(*y, element->y);
        if (element->parent_id == 0) return;
        id = element->parent_id;
    }
}

int32_t LayoutToPixels(int32_t units, int32_t dpi)
{
    if (dpi < 1) return units;
    // Floor division of the sum: every edge rounds the same way on either
    // side of 0, so two edges a unit apart stay as far apart anywhere.
    const int64_t scaled = (int64_t)units * dpi + GUI_LAYOUT_DPI / 2;
    int64_t pixels = scaled / GUI_LAYOUT_DPI;
    if (scaled % GUI_LAYOUT_DPI < 0) --pixels;
    if (pixels > INT32_MAX) return INT32_MAX;
    if (pixels < INT32_MIN) return INT32_MIN;
    return (int32_t)pixels;
}

// Relative distance from a whole number of steps that still counts as that
// number: far above the rounding of a division, far below a typed digit.
static const double whole_step_tolerance = 1e-12;

int ValueToTrackbarStep(double value, double scale, int32_t* step)
{
    // Checked before dividing: 0 or NaN would give no number of steps at all.
    if (scale == 0.0 || std::isnan(scale) || std::isnan(value)) {
        *step = 0;
        return 0;
    }
    // A value that is a whole number of steps stays that number, although
    // the division may land just below it (0.58 / 0.01 is 57.999...);
    // anything else is cut toward zero.
    const double quotient = value / scale;
    const double nearest = std::nearbyint(quotient);
    const double steps = std::fabs(quotient - nearest) <= whole_step_tolerance * std::fmax(1.0, std::fabs(nearest))
                             ? nearest
                             : std::trunc(quotient);
    if (std::isnan(steps)) { // infinity over infinity
        *step = 0;
        return 0;
    }
    if (steps >= 2147483648.0) {
        *step = INT32_MAX;
        return 0;
    }
    if (steps < -2147483648.0) {
        *step = INT32_MIN;
        return 0;
    }
    *step = (int32_t)steps;
    return 1;
}

// ---------------------------------------------------------------------------
// Layout file in memory

void Clear_CsvFile(CsvFile* file)
{
    memset(file, 0, sizeof(*file));
}

void Release_CsvFile(CsvFile* file)
{
    free(file->data);
    Clear_CsvFile(file);
}

// One past the last character of the text: the first NUL ends it early.
static const char* TextEnd(const CsvFile* file)
{
    if (file->data == nullptr) return nullptr;
    const void* nul = memchr(file->data, '\0', file->size);
    return nul != nullptr ? (const char*)nul : file->data + file->size;
}

void Examine_CsvFile(CsvFile* file)
{
    const char* p = file->data;
    const char* end = TextEnd(file);
    int32_t lines = 0;
    int32_t commas = 0;
    int in_first_line = 1;
    for (; p != end; ++p) {
        if (*p == '\r') {
            in_first_line = 0;
            if (lines < INT32_MAX) ++lines;
        } else if (*p == ',' && in_first_line) {
            if (commas < INT32_MAX - 1) ++commas;
        }
    }
    file->line_count = lines;
    file->column_count = commas + 1;
}

int SeekLine_CsvFile(CsvFile* file, int32_t n)
{
    if (n < 0 || n > file->line_count || file->data == nullptr) {
        file->status = CSV_SEEK_NO_SUCH_LINE;
        return 0;
    }
    const char* p = file->data;
    const char* end = TextEnd(file);
    int32_t passed = 0;
    while (passed < n && p != end) {
        if (*p == '\r') ++passed;
        ++p;
    }
    // The byte after a CR is the LF, skipped unseen; a text that ends right
    // after its CR leaves the cursor at its end.
    if (n > 0 && p != end) ++p;
    file->cursor = p;
    return 1;
}

// ---------------------------------------------------------------------------
// Rows

enum CellType { CELL_TEXT, CELL_INT, CELL_DOUBLE };

struct ColumnFormat {
    CellType type;
    int32_t  code;      // status of an int cell that does not convert
    size_t   offset;    // of the field in GuiElement
};

#define TEXT_CELL(field)        { CELL_TEXT, 0, offsetof(GuiElement, field) }
#define INT_CELL(field, code)   { CELL_INT, code, offsetof(GuiElement, field) }
#define DOUBLE_CELL(field)      { CELL_DOUBLE, 0, offsetof(GuiElement, field) }

// The 22 columns in the file's order.
static const ColumnFormat row_columns[CSV_MAX_COLUMNS] = {
    TEXT_CELL(kind), INT_CELL(id, ROW_BAD_ID), INT_CELL(parent_id, ROW_BAD_PARENT_ID),
    INT_CELL(x, ROW_BAD_X), INT_CELL(y, ROW_BAD_Y), INT_CELL(width, ROW_BAD_WIDTH), INT_CELL(height, ROW_BAD_HEIGHT),
    TEXT_CELL(caption), TEXT_CELL(value_type), INT_CELL(int_value, ROW_BAD_INT_VALUE),
    DOUBLE_CELL(double_value), TEXT_CELL(string_value),
    TEXT_CELL(spare_text), INT_CELL(spare_int_1, ROW_BAD_SPARE_INT_1), INT_CELL(spare_int_2, ROW_BAD_SPARE_INT_2),
    INT_CELL(buffer_lines, ROW_BAD_BUFFER_LINES), INT_CELL(buffer_line_length, ROW_BAD_LINE_LENGTH),
    DOUBLE_CELL(range_min), DOUBLE_CELL(range_max), DOUBLE_CELL(scale),
    INT_CELL(linked_trackbar_id, ROW_BAD_LINKED_ID), INT_CELL(linked_editbox_id, ROW_BAD_LINKED_ID),
};

// Stores one cell's characters into its field; 0 with the column's code when
// an int cell does not convert.
static int StoreCell(GuiElement* element, const ColumnFormat* column, const char* cell, size_t length)
{
    char* field = (char*)element + column->offset;
    // Number cells are converted from a zeroed 30-byte copy, so the
    // conversion never sees the comma or anything after it.
    char number[GUI_TEXT_SIZE - 1] = {0};
    switch (column->type) {
    case CELL_TEXT:
        memset(field, 0, GUI_TEXT_SIZE);
        memcpy(field, cell, length);
        return 1;
    case CELL_INT: {
        memcpy(number, cell, length);
        int32_t value = 0;
        const int result = TextToInt(value, number, (int)sizeof(number));
        // An empty cell is 0; anything that does not convert, out of range too, fails.
        if (result != TEXT_INT_OK && result != TEXT_INT_EMPTY) {
            element->status = column->code;
            return 0;
        }
        memcpy(field, &value, sizeof(value));
        return 1;
    }
    case CELL_DOUBLE: {
        memcpy(number, cell, length);
        double value = 0.0;
        (void)TextToDouble(value, number, (int)sizeof(number)); // a cell that does not convert is 0.0
        memcpy(field, &value, sizeof(value));
        return 1;
    }
    }
    return 1;
}

int ParseRow_GuiElement(GuiElement* element, const char* row, const char* end)
{
    const char* p = row;
    for (int column = 0; column < CSV_MAX_COLUMNS; ++column) {
        const char* cell = p;
        while (p != end && *p != ',' && *p != '\r' && *p != '\0') ++p;
        const size_t length = (size_t)(p - cell);
        if (length > GUI_TEXT_SIZE - 1) {
            element->status = ROW_CELL_TOO_LONG;
            return 0;
        }
        const int last = column == CSV_MAX_COLUMNS - 1;
        const int at_comma = p != end && *p == ',';
        const int at_cr = p != end && *p == '\r';
        if (!last && !at_comma) {
            element->status = ROW_TOO_FEW_CELLS;
            return 0;
        }
        if (last && at_comma) {
            element->status = ROW_TOO_MANY_CELLS;
            return 0;
        }
        if (last && !at_cr) {
            element->status = ROW_NO_FINAL_CR;
            return 0;
        }
        if (!StoreCell(element, &row_columns[column], cell, length)) return 0;
        ++p; // past the comma (or the final CR)
    }
    return 1;
}

int Load_GuiElementTable(GuiElementTable* table, CsvFile* file)
{
    if (file->handle == nullptr || file->size == 0 || file->data == nullptr) {
        table->status = LOAD_NO_FILE;
        return 0;
    }
    if (file->column_count < 1) {
        table->status = LOAD_NOT_EXAMINED;
        return 0;
    }
    if (file->line_count > CSV_MAX_LINES) {
        table->status = LOAD_TOO_MANY_LINES;
        return 0;
    }
    if (file->column_count > CSV_MAX_COLUMNS) {
        table->status = LOAD_TOO_MANY_COLUMNS;
        return 0;
    }
    const char* end = TextEnd(file);
    int slot = 0;
    for (int32_t n = CSV_HEADER_LINES; n < file->line_count; ++n) {
        if (!SeekLine_CsvFile(file, n)) {
            table->status = LOAD_ROW_FAILED;
            return 0;
        }
        // An empty first cell marks a blank spreadsheet row; an empty line
        // (as editors leave at the end of a file) is skipped alike.
        if (file->cursor != end && (*file->cursor == ',' || *file->cursor == '\r')) continue;
        // At most 990 rows reach here, as the line count is at most 1000.
        if (slot >= GUI_TABLE_SLOTS) {
            table->status = LOAD_ROW_FAILED;
            return 0;
        }
        GuiElement* element = &table->elements[slot];
        Clear_GuiElement(element);
        if (!ParseRow_GuiElement(element, file->cursor, end)) {
            table->status = LOAD_ROW_FAILED;
            return 0;
        }
        ++slot;
    }
    table->count = slot;
    return 1;
}
