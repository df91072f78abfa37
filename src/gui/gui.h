// GUI elements: records for the settings window's controls, the layout file
// that describes them, and moving values between records and controls.
// The records and the layout parser need no Win32 and build natively.
#pragma once

#include <stdint.h>

#define GUI_TEXT_SIZE 31     // 30 characters and a NUL
#define GUI_TABLE_SLOTS 1000
#define CSV_MAX_LINES 1000
#define CSV_MAX_COLUMNS 22
#define CSV_HEADER_LINES 10

struct HWND__;               // a Win32 window handle without <windows.h>

enum GuiKind {
    GUI_KIND_NONE, GUI_KIND_CONTAINER, GUI_KIND_BUTTON, GUI_KIND_WRITE_EDIT, GUI_KIND_READ_EDIT,
    GUI_KIND_MULTILINE_EDIT, GUI_KIND_GRAPHICS, GUI_KIND_CHECKBOX, GUI_KIND_TRACKBAR,
    GUI_KIND_TEXT_LABEL
};

struct GuiElement {
    char     kind[GUI_TEXT_SIZE];         // kind word; first (and for C, R, T second) letter decides
    HWND__*  window;                      // the control, null until created or for windowless kinds
    int32_t  id;                          // control id, also the child-window identifier
    int32_t  parent_id;                   // 0: child of the settings window, else a parent element's id
    int32_t  x, y;                        // in the parent's client area; pixels at 96 DPI
    int32_t  width, height;               // pixels at 96 DPI
    char     caption[GUI_TEXT_SIZE];      // button/container text; a text label's text
    char     value_type[GUI_TEXT_SIZE];   // D/d double, I/i int, S/s string, else no value
    int32_t  int_value;
    double   double_value;
    char     string_value[GUI_TEXT_SIZE];
    char     spare_text[GUI_TEXT_SIZE];   // stored, unused
    int32_t  spare_int_1, spare_int_2;    // stored, unused
    int32_t  buffer_lines;                // multiline read edit: lines in text_buffer
    int32_t  buffer_line_length;          // multiline read edit: characters per line
    double   range_min, range_max;        // track bar range, value units
    double   scale;                       // track bar: value units per step
    int32_t  linked_trackbar_id;          // write edit box: track bar that follows it, 0 none
    int32_t  linked_editbox_id;           // track bar: write edit box that follows it, 0 none
    char*    text_buffer;                 // multiline read edit: (line length + 2) x lines bytes
    int32_t  last_line;                   // last written line of text_buffer, -1 when empty
    int32_t  status;                      // 0, or the code of the last failure
};

struct GuiElementTable {
    GuiElement elements[GUI_TABLE_SLOTS]; // filled from slot 0 without gaps
    int32_t    count;                     // slots filled by the last successful load
    int32_t    status;                    // 0, or the code of the last table failure
};

struct CsvFile {
    const char* file_name;   // as passed to Read_CsvFile, not copied
    void*       handle;      // the (closed) file handle; null when nothing was read
    uint32_t    size;        // bytes in data
    char*       data;        // file contents, not terminated
    int32_t     line_count;  // CR characters in the text
    int32_t     column_count;// commas in the first line plus one
    const char* cursor;      // start of the line chosen by SeekLine_CsvFile
    int32_t     status;      // 0, or the code of the last failure
};

// Records (layout_table.cpp).
void    Clear_GuiElement(GuiElement* element);
void    Release_GuiElement(GuiElement* element);
void    Clear_GuiElementTable(GuiElementTable* table);
void    Release_GuiElementTable(GuiElementTable* table);
GuiKind KindOf_GuiElement(const GuiElement* element);
int     FindIndexById_GuiElementTable(const GuiElementTable* table, int32_t id);
int32_t FindIdByWindow_GuiElementTable(const GuiElementTable* table, HWND__* window);
HWND__* FindWindowById_GuiElementTable(const GuiElementTable* table, int32_t id);
void    GetAbsolutePosition_GuiElementTable(const GuiElementTable* table, int32_t id,
                                            int32_t* x, int32_t* y);

// Positions and sizes in the layout are pixels at 96 DPI; a host at another
// display scale has them scaled to its own DPI.
#define GUI_LAYOUT_DPI 96
// Layout units as pixels at dpi: the nearest pixel, halves up, within the
// 32-bit range. A dpi below 1 leaves units as they are.
int32_t LayoutToPixels(int32_t units, int32_t dpi);

// Track bar step of a value: value / scale, a whole number of steps when it
// is one within a relative 1e-12, else truncated toward zero. 1 when that is a
// finite 32-bit number; else 0, and step is 0 (scale 0, a NaN) or the nearest
// 32-bit end.
int ValueToTrackbarStep(double value, double scale, int32_t* step);

// An operation below that fails leaves the code of the failure in the status
// of the record it worked on, and returns 0 where it returns 1 for success.
// The codes are grouped by hundreds per operation; the numbers are what the
// records have always reported, so one number may name failures of different
// operations.

// Layout file (layout_table.cpp; Read_CsvFile in csv_read.cpp needs Win32).
enum CsvReadStatus {                  // Read_CsvFile, the file's status
    CSV_READ_CANNOT_OPEN    = 101,    // no such file, or another program holds it unshared
    CSV_READ_NO_SIZE        = 102,
    CSV_READ_NO_MEMORY      = 103,
    CSV_READ_FAILED         = 104,
    CSV_READ_SHORT          = 105,    // fewer bytes than the file's size
};
enum CsvSeekStatus {                  // SeekLine_CsvFile, the file's status
    CSV_SEEK_NO_SUCH_LINE   = 201,    // beyond the last line, or nothing read
};
enum TableLoadStatus {                // Load_GuiElementTable, the table's status
    LOAD_NO_FILE            = 101,
    LOAD_NOT_EXAMINED       = 102,
    LOAD_TOO_MANY_LINES     = 103,    // over CSV_MAX_LINES
    LOAD_TOO_MANY_COLUMNS   = 104,    // over CSV_MAX_COLUMNS
    LOAD_ROW_FAILED         = 105,    // the row's element holds its RowStatus
};
enum RowStatus {                      // ParseRow_GuiElement, the element's status
    ROW_BAD_ID              = 101,    // 101..116: an int cell of that column did not convert
    ROW_BAD_PARENT_ID       = 102,
    ROW_BAD_X               = 103,
    ROW_BAD_Y               = 104,
    ROW_BAD_WIDTH           = 105,
    ROW_BAD_HEIGHT          = 106,
    ROW_BAD_INT_VALUE       = 107,
    ROW_BAD_SPARE_INT_1     = 109,
    ROW_BAD_SPARE_INT_2     = 110,
    ROW_BAD_BUFFER_LINES    = 111,
    ROW_BAD_LINE_LENGTH     = 112,
    ROW_BAD_LINKED_ID       = 116,    // either link
    ROW_TOO_FEW_CELLS       = 120,    // the row ends before its 22nd cell
    ROW_TOO_MANY_CELLS      = 121,    // a 22nd comma
    ROW_CELL_TOO_LONG       = 122,    // over 30 characters
    ROW_NO_FINAL_CR         = 123,    // the 22nd cell is not ended by a CR
};
void Clear_CsvFile(CsvFile* file);
void Release_CsvFile(CsvFile* file);
int  Read_CsvFile(CsvFile* file, const char* name);
// Counts lines and columns of data already in the record (part of reading).
void Examine_CsvFile(CsvFile* file);
int  SeekLine_CsvFile(CsvFile* file, int32_t n);
int  Load_GuiElementTable(GuiElementTable* table, CsvFile* file);
// One row of 22 cells ending at its CR; a NUL or end ends the text.
int  ParseRow_GuiElement(GuiElement* element, const char* row, const char* end);

// Multiline text buffer (text_buffer.cpp); the element's status.
enum BufferCreateStatus {             // CreateMultilineTextBuffer_GuiElement
    BUFFER_NOT_MULTILINE    = 201,
    BUFFER_BAD_SIZE         = 201,    // negative sizes, or over 2 GB
    BUFFER_NO_MEMORY        = 201,
};
enum WriteLineStatus {                // WriteLine_GuiElement
    WRITE_LINE_NO_BUFFER    = 301,
    WRITE_LINE_TOO_LONG     = 302,
    WRITE_LINE_BAD_INDEX    = 303,
    WRITE_LINE_NO_ROOM      = 303,    // the lines before it leave no room
};
enum DropLineStatus {                 // DropFirstLine_GuiElement
    DROP_LINE_NO_BUFFER     = 402,
};
enum AppendLineStatus {               // AppendLine_GuiElement
    APPEND_NOT_MULTILINE    = 501,
    APPEND_SCROLLED_FAILED  = 502,    // the write after dropping the first line
    APPEND_FAILED           = 504,
};
int  CreateMultilineTextBuffer_GuiElement(GuiElement* element);
int  WriteLine_GuiElement(GuiElement* element, const char* text, int32_t index);
void AppendLine_GuiElement(GuiElement* element, const char* text);
int  DropFirstLine_GuiElement(GuiElement* element);
// The buffer's text, terminated within the buffer (a full last line loses its CR LF).
const char* TerminatedText_GuiElement(GuiElement* element);

#ifdef _WIN32
#include <windows.h>

extern WNDPROC previous_button_proc;
extern WNDPROC previous_editbox_proc;
extern WNDPROC previous_trackbar_proc;

// The window procedures that replace those of the controls made here; the
// host of the controls (the settings window) supplies them. Each ends by
// calling the procedure it replaced, kept in previous_*_proc.
struct GuiSubclassProcs {
    WNDPROC button;   // buttons
    WNDPROC editbox;  // write edit boxes
    WNDPROC trackbar; // track bars
};

// Controls (element.cpp); the table's status, after a message box.
enum CreateStatus {
    CREATE_CONTAINER        = 201,
    CREATE_BUTTON           = 202,
    CREATE_WRITE_EDIT       = 203,
    CREATE_READ_EDIT        = 204,
    CREATE_MULTILINE_EDIT   = 205,
    CREATE_MULTILINE_BUFFER = 206,
    CREATE_GRAPHICS         = 207,
    CREATE_CHECKBOX         = 208,
    CREATE_TRACKBAR         = 209,
};
// What the host of the controls (the settings window) tells the toolkit about itself.
struct GuiHost {
    const GuiSubclassProcs* procs; // the procedures its controls run through
    int32_t dpi;                   // of its monitor; the layout's units become dpi / 96 pixels
    HFONT   font;                  // sent to every control; null leaves each its class's own
};
int CreateWindows_GuiElementTable(HWND settings_window, GuiElementTable* table, const GuiHost* host);

// Values (values.cpp); the element's status. A track bar whose value over
// scale is no finite 32-bit number (scale 0 included) gets position 0
// (scale 0 or NaN) or the nearest 32-bit end; a thumb position times scale
// that an int value or a finite double cannot hold leaves the value unchanged.
enum ThumbSetStatus {                 // SetTrackbarPosition_GuiElement
    THUMB_SET_NOT_TRACKBAR    = 901,
    THUMB_SET_STRING          = 902,
    THUMB_SET_NO_STEP         = 903,
};
enum ThumbReadStatus {                // ReadTrackbarPosition_GuiElement
    THUMB_READ_NOT_TRACKBAR   = 801,
    THUMB_READ_STRING         = 802,
    THUMB_READ_OUT_OF_RANGE   = 803,
};
enum EditWriteStatus {                // WriteValueToEditBox_GuiElement
    EDIT_WRITE_NOT_WRITE_EDIT = 701,
};
enum EditReadStatus {                 // ReadValueFromEditBox_GuiElement
    EDIT_READ_NOT_WRITE_EDIT  = 601,
    EDIT_READ_BAD_DOUBLE      = 602,
    EDIT_READ_BAD_INT         = 603,
};
int  SetTrackbarPosition_GuiElement(GuiElement* element);
int  ReadTrackbarPosition_GuiElement(GuiElement* element);
int  WriteValueToEditBox_GuiElement(GuiElement* element);
int  ReadValueFromEditBox_GuiElement(GuiElement* element);
void CopyValue_GuiElement(const GuiElement* source, GuiElement* target);
void ReportReadError_CsvFile(int32_t code, GuiElement* element);
#endif
