// The layout file reader and the element records: real layout files as a
// user writes them, broken ones, and rows built in memory.
#include <gtest/gtest.h>

#include "gui/gui.h"
#include "support/test_support.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <string>

#ifndef QUORVIX_TEST_DATA
#error QUORVIX_TEST_DATA names the folder of the test layout files
#endif

static GuiElementTable table;
static char marker; // stands for a window no table holds

static int LoadText(const std::string& text, CsvFile* file)
{
    FillCsvFromMemory(file, text);
    Release_GuiElementTable(&table);
    return Load_GuiElementTable(&table, file);
}

// Loads a file of the layouts folder: through the Win32 reader on Windows.
static int LoadFile(const char* name, CsvFile* file)
{
    std::string path = std::string(QUORVIX_TEST_DATA) + "/" + name;
    Release_CsvFile(file);
#ifdef _WIN32
    const int read = Read_CsvFile(file, path.c_str());
    EXPECT_EQ(read, 1) << name << " status " << file->status;
    Release_GuiElementTable(&table);
    return Load_GuiElementTable(&table, file);
#else
    FILE* f = fopen(path.c_str(), "rb");
    EXPECT_NE(f, nullptr) << path;
    if (f == nullptr) return -1;
    std::string text;
    char chunk[4096];
    size_t got;
    while ((got = fread(chunk, 1, sizeof(chunk), f)) > 0) text.append(chunk, got);
    fclose(f);
    return LoadText(text, file);
#endif
}

struct FileGuard {
    CsvFile file{};
    ~FileGuard() { Release_CsvFile(&file); Release_GuiElementTable(&table); }
};

TEST(LayoutFile, UserLayoutLoadsEveryRowInOrder)
{
    FileGuard g;
    ASSERT_EQ(LoadFile("user_layout.csv", &g.file), 1) << table.status;
    EXPECT_EQ(g.file.column_count, 22);
    // 14 rows; a blank spreadsheet row and a row with an empty first cell take no slot.
    ASSERT_EQ(table.count, 14);
    EXPECT_EQ(table.elements[14].kind[0], '\0');

    const GuiElement& container = table.elements[0];
    EXPECT_STREQ(container.kind, "Container");
    EXPECT_EQ(container.id, 100);
    EXPECT_EQ(container.x, 10);
    EXPECT_EQ(container.width, 470);
    EXPECT_STREQ(container.caption, "Lens");
    EXPECT_EQ(KindOf_GuiElement(&container), GUI_KIND_CONTAINER);

    const GuiElement& k1_box = table.elements[2];
    EXPECT_EQ(k1_box.id, 303);
    EXPECT_EQ(k1_box.parent_id, 100);
    EXPECT_STREQ(k1_box.value_type, "D");
    EXPECT_EQ(k1_box.double_value, 0.7000000000000001); // the digit-sum conversion
    EXPECT_EQ(k1_box.linked_trackbar_id, 903);

    const GuiElement& k1_bar = table.elements[3];
    EXPECT_EQ(KindOf_GuiElement(&k1_bar), GUI_KIND_TRACKBAR);
    EXPECT_EQ(k1_bar.range_max, 2.0);
    EXPECT_EQ(k1_bar.scale, 0.01);
    EXPECT_EQ(k1_bar.linked_editbox_id, 303);

    // The row after the blank one fills the next slot.
    EXPECT_EQ(table.elements[4].id, 111);
    EXPECT_STREQ(table.elements[4].caption, "P1 (falloff)");

    const GuiElement& width_bar = table.elements[8];
    EXPECT_STREQ(width_bar.kind, "trackbar");
    EXPECT_EQ(width_bar.int_value, 400);
    EXPECT_EQ(width_bar.range_max, 1200.0); // scientific form
    EXPECT_EQ(width_bar.scale, 10.0);

    const GuiElement& multiline = table.elements[12];
    EXPECT_EQ(KindOf_GuiElement(&multiline), GUI_KIND_MULTILINE_EDIT);
    EXPECT_EQ(multiline.buffer_lines, 10);
    EXPECT_EQ(multiline.buffer_line_length, 40);

    const GuiElement& notes = table.elements[13];
    EXPECT_EQ(KindOf_GuiElement(&notes), GUI_KIND_NONE);
    EXPECT_STREQ(notes.spare_text, "\"kept as is\"");
    EXPECT_EQ(notes.spare_int_1, -7);
    EXPECT_EQ(notes.spare_int_2, 12);

    // Lookups cover the loaded slots only.
    EXPECT_EQ(FindIndexById_GuiElementTable(&table, 904), 6);
    EXPECT_EQ(FindIndexById_GuiElementTable(&table, 12345), -1);
    EXPECT_EQ(FindIndexById_GuiElementTable(&table, 0), -1);
    EXPECT_EQ(FindWindowById_GuiElementTable(&table, 904), nullptr);
    EXPECT_EQ(FindIdByWindow_GuiElementTable(&table, (HWND__*)&marker), -1);

    // Label 110 at (10, 20) inside the container at (10, 10).
    int32_t x = 0, y = 0;
    GetAbsolutePosition_GuiElementTable(&table, 110, &x, &y);
    EXPECT_EQ(x, 20);
    EXPECT_EQ(y, 30);
}

TEST(LayoutFile, HeaderAndLineEnds)
{
    FileGuard g;
    // 23 columns in the first line fail before any row is read.
    EXPECT_EQ(LoadFile("header_23_columns.csv", &g.file), 0);
    EXPECT_EQ(table.status, 104);
    EXPECT_EQ(table.count, 0);
    EXPECT_EQ(table.elements[0].kind[0], '\0');

    EXPECT_EQ(LoadFile("header_only.csv", &g.file), 1);
    EXPECT_EQ(table.count, 0);

    // A complete row after the last CR is not a row.
    EXPECT_EQ(LoadFile("no_final_crlf.csv", &g.file), 1);
    EXPECT_EQ(table.count, 2);
    EXPECT_EQ(FindIndexById_GuiElementTable(&table, 777), -1);

    // LF-only: the whole text is the first line.
    EXPECT_EQ(LoadFile("lf_only_wide.csv", &g.file), 0);
    EXPECT_EQ(table.status, 104);
    EXPECT_EQ(LoadFile("lf_only_narrow.csv", &g.file), 1);
    EXPECT_EQ(g.file.line_count, 0);
    EXPECT_EQ(table.count, 0);

    // The text ends at its first NUL: the row behind it is not seen.
    EXPECT_EQ(LoadFile("nul_inside.csv", &g.file), 1);
    EXPECT_EQ(g.file.line_count, 12);
    EXPECT_EQ(table.count, 2);

    // An empty file reads but holds nothing to load.
    EXPECT_EQ(LoadFile("empty.csv", &g.file), 0);
    EXPECT_EQ(table.status, 101);
    EXPECT_EQ(g.file.size, 0u);

    // A text of nothing but the first line, without any CR.
    EXPECT_EQ(LoadText(",,,", &g.file), 1);
    EXPECT_EQ(g.file.column_count, 4);
    Release_CsvFile(&g.file);

    // No file at all, and a record that was never examined.
    CsvFile none{};
    EXPECT_EQ(Load_GuiElementTable(&table, &none), 0);
    EXPECT_EQ(table.status, 101);
    FillCsvFromMemory(&g.file, LayoutHeader());
    g.file.column_count = 0;
    EXPECT_EQ(Load_GuiElementTable(&table, &g.file), 0);
    EXPECT_EQ(table.status, 102);
}

// Empty lines, as editors leave them, are skipped wherever they stand; a
// short row with text in it still fails.
TEST(LayoutFile, EmptyLinesAmongAndAfterRowsAreSkipped)
{
    FileGuard g;
    ASSERT_EQ(LoadFile("empty_line.csv", &g.file), 1) << table.status;
    ASSERT_EQ(table.count, 2);
    EXPECT_EQ(table.elements[0].id, 100);
    EXPECT_EQ(table.elements[1].id, 110);

    const std::string rows = Row({{2, "1"}}) + "\r\n" + Row({{2, "2"}}) + "\r\n\r\n";
    ASSERT_EQ(LoadText(LayoutHeader() + rows, &g.file), 1) << table.status;
    ASSERT_EQ(table.count, 2);
    EXPECT_EQ(table.elements[1].id, 2);

    EXPECT_EQ(LoadText(LayoutHeader() + rows + " \r\n", &g.file), 0);
    EXPECT_EQ(table.status, 105);
    EXPECT_EQ(table.elements[2].status, 120);
}

TEST(LayoutFile, BrokenRowsFailWithTheirCode)
{
    FileGuard g;
    struct Case { const char* name; int32_t slot; int32_t code; } cases[] = {
        {"short_row.csv", 1, 120},   // 21 cells
        {"long_row.csv", 1, 121},    // 23 cells
        {"long_cell.csv", 1, 122},   // a 31-character caption
        {"bad_int_id.csv", 0, 101},  // "+5"
        {"bad_int_width.csv", 1, 105}, // "3.0"
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(LoadFile(c.name, &g.file), 0);
        EXPECT_EQ(table.status, 105);
        EXPECT_EQ(table.count, 0);
        EXPECT_EQ(table.elements[c.slot].status, c.code);
        // Slots before the failing one keep what was parsed.
        if (c.slot == 1) { EXPECT_EQ(table.elements[0].id, 100); }
        Release_CsvFile(&g.file);
    }
    // 30 characters fit the field exactly.
    ASSERT_EQ(LoadFile("cell_30_chars.csv", &g.file), 1);
    EXPECT_STREQ(table.elements[0].caption, "A caption of thirty chars here");
}

TEST(LayoutFile, LineCountLimit)
{
    FileGuard g;
    std::string text = LayoutHeader();
    for (int i = 0; i < 990; ++i) text += Row({{2, i + 1}});
    // Exactly 1000 CRs: 990 rows.
    ASSERT_EQ(LoadText(text, &g.file), 1) << table.status;
    EXPECT_EQ(g.file.line_count, 1000);
    EXPECT_EQ(table.count, 990);
    EXPECT_EQ(table.elements[989].id, 990);
    Release_CsvFile(&g.file);

    EXPECT_EQ(LoadText(text + "\r\n", &g.file), 0);
    EXPECT_EQ(g.file.line_count, 1001);
    EXPECT_EQ(table.status, 103);
    Release_CsvFile(&g.file);

    // A short file loads nothing, whatever its lines hold.
    EXPECT_EQ(LoadText("a,b\r\nBroken,row\r\n", &g.file), 1);
    EXPECT_EQ(table.count, 0);
}

TEST(LayoutFile, IntegerColumnsFailWithTheirCodes)
{
    FileGuard g;
    struct Column { int cell; int32_t code; } columns[] = {
        {2, 101}, {3, 102}, {4, 103}, {5, 104}, {6, 105}, {7, 106}, {10, 107},
        {14, 109}, {15, 110}, {16, 111}, {17, 112}, {21, 116}, {22, 116},
    };
    const char* bad[] = {" 5", "+5", "5.0", "5a", "1-2", "99999999999"};
    for (const Column& column : columns) {
        for (const char* text : bad) {
            SCOPED_TRACE(testing::Message() << "cell " << column.cell << " '" << text << "'");
            EXPECT_EQ(LoadText(LayoutHeader() + Row({{column.cell, text}}), &g.file), 0);
            EXPECT_EQ(table.status, 105);
            EXPECT_EQ(table.elements[0].status, column.code);
            Release_CsvFile(&g.file);
        }
        // A leading minus and an empty cell both load.
        ASSERT_EQ(LoadText(LayoutHeader() + Row({{column.cell, "-42"}}) + Row({{column.cell, ""}}), &g.file), 1);
        Release_CsvFile(&g.file);
    }
    ASSERT_EQ(LoadText(LayoutHeader() + Row({{3, "-42"}, {10, ""}, {17, "2147483647"}, {21, "-2147483648"}}),
                       &g.file), 1);
    EXPECT_EQ(table.elements[0].parent_id, -42);
    EXPECT_EQ(table.elements[0].int_value, 0);
    EXPECT_EQ(table.elements[0].buffer_line_length, 2147483647);
    EXPECT_EQ(table.elements[0].linked_trackbar_id, INT32_MIN);
}

TEST(LayoutFile, DoubleCellsAndEmptyRows)
{
    FileGuard g;
    std::string text = LayoutHeader() +
        Row({{11, "abc"}, {18, "1e5"}, {19, "1.5*10^-3"}, {20, "-2.5*10^2"}}) +
        Row({{11, "0.3"}, {18, ""}, {19, " 1"}, {20, "-.5"}}) +
        ",,,,,,,,,,,,,,,,,,,,,\r\n" +                  // all cells empty: skipped
        "Button,,,,,,,,,,,,,,,,,,,,,\r\n";             // cells 2 to 22 empty
    ASSERT_EQ(LoadText(text, &g.file), 1) << table.elements[0].status;
    ASSERT_EQ(table.count, 3);
    EXPECT_EQ(table.elements[0].double_value, 0.0);
    EXPECT_EQ(table.elements[0].range_min, 0.0);       // 'e' exponents are not numbers
    EXPECT_EQ(table.elements[0].range_max, 0.0015);
    EXPECT_EQ(table.elements[0].scale, -250.0);
    EXPECT_EQ(table.elements[1].double_value, 0.30000000000000004);
    EXPECT_EQ(table.elements[1].range_max, 0.0);
    EXPECT_EQ(table.elements[1].scale, -0.5);
    const GuiElement& bare = table.elements[2];
    EXPECT_STREQ(bare.kind, "Button");
    EXPECT_EQ(bare.id, 0);
    EXPECT_EQ(bare.caption[0], '\0');
    EXPECT_EQ(bare.scale, 0.0);
    EXPECT_EQ(bare.status, 0);
}

TEST(LayoutFile, KindWords)
{
    struct Word { const char* kind; GuiKind expected; } words[] = {
        {"Container", GUI_KIND_CONTAINER}, {"co", GUI_KIND_CONTAINER}, {"CO", GUI_KIND_NONE},
        {"Check", GUI_KIND_CHECKBOX}, {"cheque", GUI_KIND_CHECKBOX}, {"Cx", GUI_KIND_NONE},
        {"C", GUI_KIND_NONE}, {"b", GUI_KIND_BUTTON}, {"BX", GUI_KIND_BUTTON},
        {"wEdit", GUI_KIND_WRITE_EDIT}, {"Read", GUI_KIND_READ_EDIT}, {"RE", GUI_KIND_NONE},
        {"rex", GUI_KIND_READ_EDIT}, {"M", GUI_KIND_MULTILINE_EDIT}, {"graphics", GUI_KIND_GRAPHICS},
        {"Trackbar", GUI_KIND_TRACKBAR}, {"tr", GUI_KIND_TRACKBAR}, {"TR", GUI_KIND_NONE},
        {"Text", GUI_KIND_TEXT_LABEL}, {"tE", GUI_KIND_NONE}, {"Xbutton", GUI_KIND_NONE},
        {"", GUI_KIND_NONE}, {"1", GUI_KIND_NONE},
    };
    for (const Word& w : words) {
        GuiElement element;
        Clear_GuiElement(&element);
        strcpy(element.kind, w.kind);
        EXPECT_EQ(KindOf_GuiElement(&element), w.expected) << w.kind;
    }
    // An X row takes a slot of its own in a loaded table.
    FileGuard g;
    ASSERT_EQ(LoadText(LayoutHeader() + Row({{1, "Xylophone"}, {2, "1"}}) + Row({{1, "Cx"}, {2, "2"}}) +
                       Row({{1, "Trackbar"}, {2, "3"}}), &g.file), 1);
    EXPECT_EQ(table.count, 3);
    EXPECT_EQ(KindOf_GuiElement(&table.elements[2]), GUI_KIND_TRACKBAR);
}

TEST(LayoutRow, NeverReadsPastItsText)
{
    // Rows that end early, at a NUL, or without their CR; each copy is
    // exactly as long as its text.
    struct Case { std::string row; int32_t code; } cases[] = {
        {"", 120},
        {"Button", 120},
        {"Button,1,2,3", 120},
        {std::string("Button,1") + '\0' + std::string(20, ',') + "\r\n", 120},
        {",,,,,,,,,,,,,,,,,,,,,", 123},
        {",,,,,,,,,,,,,,,,,,,,,x", 123},
        {",,,,,,,,,,,,,,,,,,,,,,\r", 121},
        {std::string(31, 'k') + ",,,,,,,,,,,,,,,,,,,,,\r", 122},
        {",,,,,,,,,,,,,,,,,,,,," + std::string(40, '1') + "\r", 122},
        {"B,\r,,,,,,,,,,,,,,,,,,,,\r", 120},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "row '" << c.row << "'");
        char* copy = (char*)malloc(c.row.size() + 1);
        memcpy(copy, c.row.data(), c.row.size());
        GuiElement element;
        Clear_GuiElement(&element);
        EXPECT_EQ(ParseRow_GuiElement(&element, copy, copy + c.row.size()), 0);
        EXPECT_EQ(element.status, c.code);
        free(copy);
    }
    // A row of 22 cells ending with the text's last byte.
    const std::string good = std::string(30, 'k') + ",1,2,3,4,5,6,c,D,8,1.5,s,t,9,10,11,12,1,2,0.5,13,14\r";
    GuiElement element;
    Clear_GuiElement(&element);
    ASSERT_EQ(ParseRow_GuiElement(&element, good.data(), good.data() + good.size()), 1);
    EXPECT_EQ(element.kind[29], 'k');
    EXPECT_EQ(element.kind[30], '\0');
    EXPECT_EQ(element.linked_editbox_id, 14);
    EXPECT_EQ(element.double_value, 1.5);
}

TEST(LayoutFile, SeekLineStaysInTheText)
{
    FileGuard g;
    FillCsvFromMemory(&g.file, "ab\r\ncd\r\nef\r");
    ASSERT_EQ(g.file.line_count, 3);
    ASSERT_EQ(SeekLine_CsvFile(&g.file, 1), 1);
    EXPECT_EQ(g.file.cursor, g.file.data + 4);
    ASSERT_EQ(SeekLine_CsvFile(&g.file, 3), 1); // after the final CR, no LF follows
    EXPECT_EQ(g.file.cursor, g.file.data + g.file.size);
    EXPECT_EQ(SeekLine_CsvFile(&g.file, 4), 0);
    EXPECT_EQ(g.file.status, 201);
    g.file.status = 0;
    EXPECT_EQ(SeekLine_CsvFile(&g.file, -1), 0);
    EXPECT_EQ(g.file.status, 201);
}

TEST(ElementTable, RecordsLookupsAndPositions)
{
    Clear_GuiElementTable(&table);
    GuiElement* e = table.elements;
    strcpy(e[0].kind, "Container"); e[0].id = 10; e[0].x = 10; e[0].y = 20;
    strcpy(e[1].kind, "Text");      e[1].id = 11; e[1].parent_id = 10; e[1].x = 5; e[1].y = 15;
    strcpy(e[2].kind, "Container"); e[2].id = 12; e[2].parent_id = 10; e[2].x = 100; e[2].y = 0;
    strcpy(e[3].kind, "Text");      e[3].id = 13; e[3].parent_id = 12; e[3].x = 1; e[3].y = 2;
    strcpy(e[4].kind, "Loop");      e[4].id = 14; e[4].parent_id = 14; e[4].x = 1; e[4].y = 1;
    strcpy(e[5].kind, "Far");       e[5].id = 15; e[5].x = INT32_MAX; e[5].parent_id = 16;
    strcpy(e[6].kind, "Far");       e[6].id = 16; e[6].x = INT32_MAX;
    e[0].window = (HWND__*)&e[0];
    table.count = 7;

    int32_t x = 0, y = 0;
    GetAbsolutePosition_GuiElementTable(&table, 11, &x, &y);
    EXPECT_EQ(x, 15);
    EXPECT_EQ(y, 35);
    x = 1000; y = 1000;                        // the counters are added to
    GetAbsolutePosition_GuiElementTable(&table, 13, &x, &y);
    EXPECT_EQ(x, 1111);
    EXPECT_EQ(y, 1022);
    x = y = 0;
    GetAbsolutePosition_GuiElementTable(&table, 99, &x, &y);
    EXPECT_EQ(x, 0);
    // An element that is its own parent ends after one walk over the slots.
    x = y = 0;
    GetAbsolutePosition_GuiElementTable(&table, 14, &x, &y);
    EXPECT_EQ(x, GUI_TABLE_SLOTS);
    x = 0;
    GetAbsolutePosition_GuiElementTable(&table, 15, &x, &y);
    EXPECT_EQ(x, INT32_MAX);

    EXPECT_EQ(FindIdByWindow_GuiElementTable(&table, (HWND__*)&e[0]), 10);
    EXPECT_EQ(FindWindowById_GuiElementTable(&table, 10), (HWND__*)&e[0]);
    table.count = 0;                           // only loaded slots are searched
    EXPECT_EQ(FindIndexById_GuiElementTable(&table, 10), -1);
    EXPECT_EQ(FindIdByWindow_GuiElementTable(&table, (HWND__*)&e[0]), -1);
    table.count = 5000;
    EXPECT_EQ(FindIndexById_GuiElementTable(&table, 12345), -1);

    // Releasing twice frees each buffer once; clearing frees nothing.
    strcpy(e[7].kind, "Multiline"); e[7].buffer_lines = 10; e[7].buffer_line_length = 40;
    ASSERT_EQ(CreateMultilineTextBuffer_GuiElement(&e[7]), 1);
    Release_GuiElementTable(&table);
    Release_GuiElementTable(&table);
    EXPECT_EQ(table.elements[7].text_buffer, nullptr);
    EXPECT_EQ(table.elements[0].kind[0], '\0');
    EXPECT_EQ(table.elements[0].window, nullptr);
}

TEST(ElementTable, LayoutUnitsToPixels)
{
    EXPECT_EQ(LayoutToPixels(86, 96), 86);
    EXPECT_EQ(LayoutToPixels(86, 192), 172);
    EXPECT_EQ(LayoutToPixels(86, 144), 129);
    // To the nearest pixel, halves up, alike on both sides of 0.
    EXPECT_EQ(LayoutToPixels(5, 120), 6);   // 6.25
    EXPECT_EQ(LayoutToPixels(2, 120), 3);   // 2.5
    EXPECT_EQ(LayoutToPixels(-2, 120), -2); // -2.5
    EXPECT_EQ(LayoutToPixels(-5, 120), -6); // -6.25
    EXPECT_EQ(LayoutToPixels(INT32_MAX, 192), INT32_MAX);
    EXPECT_EQ(LayoutToPixels(INT32_MIN, 192), INT32_MIN);
    EXPECT_EQ(LayoutToPixels(7, 0), 7);
}

TEST(TrackbarStep, ScaledValuesAndBadScales)
{
    int32_t step = -1;
    EXPECT_EQ(ValueToTrackbarStep(0.7000000000000001, 0.01, &step), 1);
    EXPECT_EQ(step, 70);
    // A whole number of steps stays whole although the division lands below it.
    const struct { double value, scale; int32_t steps; } whole[] = {
        {0.3, 0.1, 3},      // 2.9999999999999996
        {0.58, 0.01, 58},   // 57.99999999999999
        {1.19, 0.01, 119},
        {-0.29, 0.01, -29},
        {2.01, 0.01, 201},
    };
    for (const auto& w : whole) {
        EXPECT_EQ(ValueToTrackbarStep(w.value, w.scale, &step), 1);
        EXPECT_EQ(step, w.steps) << w.value << " / " << w.scale;
    }
    // Anything between steps is cut toward zero.
    EXPECT_EQ(ValueToTrackbarStep(0.589, 0.01, &step), 1);
    EXPECT_EQ(step, 58);
    EXPECT_EQ(ValueToTrackbarStep(2.999, 1.0, &step), 1);
    EXPECT_EQ(step, 2);
    EXPECT_EQ(ValueToTrackbarStep(-2.5, 1.0, &step), 1);
    EXPECT_EQ(step, -2);
    EXPECT_EQ(ValueToTrackbarStep(1.0, 0.0, &step), 0);
    EXPECT_EQ(step, 0);
    EXPECT_EQ(ValueToTrackbarStep(0.0, 0.0, &step), 0);
    EXPECT_EQ(step, 0);
    EXPECT_EQ(ValueToTrackbarStep(1e300, 1e-300, &step), 0);
    EXPECT_EQ(step, INT32_MAX);
    EXPECT_EQ(ValueToTrackbarStep(-3e9, 1.0, &step), 0);
    EXPECT_EQ(step, INT32_MIN);
    EXPECT_EQ(ValueToTrackbarStep(2147483647.9, 1.0, &step), 1);
    EXPECT_EQ(step, INT32_MAX);
    const double inf = 1e308 * 10.0;
    EXPECT_EQ(ValueToTrackbarStep(inf, inf, &step), 0);
    EXPECT_EQ(step, 0);
    EXPECT_EQ(ValueToTrackbarStep(0.0 * inf, 1.0, &step), 0);
    EXPECT_EQ(step, 0);
}

// Gives e the kind and sizes of a multiline read edit and creates its
// buffer; the creation's result.
static int CreateBuffer(GuiElement* e, const char* kind, int32_t lines, int32_t line_length)
{
    strcpy(e->kind, kind);
    e->buffer_lines = lines;
    e->buffer_line_length = line_length;
    return CreateMultilineTextBuffer_GuiElement(e);
}

static void AppendLines(GuiElement* e, std::initializer_list<const char*> lines)
{
    for (const char* line : lines) AppendLine_GuiElement(e, line);
}

// The buffer's lines as text, for comparing.
static std::string BufferText(GuiElement* e)
{
    return std::string(TerminatedText_GuiElement(e));
}

TEST(MultilineBuffer, AppendsScrollsAndStaysTerminated)
{
    GuiElement e;
    Clear_GuiElement(&e);
    strcpy(e.kind, "Button");
    EXPECT_EQ(CreateMultilineTextBuffer_GuiElement(&e), 0);
    EXPECT_EQ(e.status, 201);
    AppendLine_GuiElement(&e, "x");
    EXPECT_EQ(e.status, 501);
    EXPECT_EQ(DropFirstLine_GuiElement(&e), 0);
    EXPECT_EQ(e.status, 402);

    ASSERT_EQ(CreateBuffer(&e, "multiline", 10, 40), 1);
    EXPECT_EQ(e.last_line, -1);
    for (int i = 0; i < 420; ++i) ASSERT_EQ(e.text_buffer[i], 0) << i;
    Release_GuiElement(&e);

    ASSERT_EQ(CreateBuffer(&e, "M", 3, 5), 1);
    AppendLines(&e, {"one", "two"});
    EXPECT_EQ(BufferText(&e), "one\r\ntwo\r\n");
    AppendLines(&e, {"three", "four"});
    EXPECT_EQ(e.last_line, 2);
    EXPECT_EQ(BufferText(&e), "two\r\nthree\r\nfour\r\n");
    EXPECT_EQ(e.status, 0);

    // Too long a line, a line beyond the buffer.
    AppendLine_GuiElement(&e, "sixsix");
    EXPECT_EQ(e.status, 502);
    EXPECT_EQ(WriteLine_GuiElement(&e, "a", 3), 0);
    EXPECT_EQ(e.status, 303);
    EXPECT_EQ(WriteLine_GuiElement(&e, "a", -1), 0);
    EXPECT_EQ(e.status, 303);
    Release_GuiElement(&e);

    // Every line full: the text still ends inside the buffer, and the lines
    // go on scrolling afterwards.
    ASSERT_EQ(CreateBuffer(&e, "M", 2, 3), 1);
    AppendLines(&e, {"aaa", "bbb"});
    EXPECT_EQ(BufferText(&e), "aaa\r\nbbb");
    AppendLine_GuiElement(&e, "ccc");
    EXPECT_EQ(e.status, 0);
    EXPECT_EQ(BufferText(&e), "bbb\r\nccc");
    AppendLine_GuiElement(&e, "d");
    EXPECT_EQ(BufferText(&e), "ccc\r\nd\r\n");
    EXPECT_EQ(e.last_line, 1);
    Release_GuiElement(&e);

    // One full line only.
    ASSERT_EQ(CreateBuffer(&e, "M", 1, 2), 1);
    AppendLine_GuiElement(&e, "ab");
    EXPECT_EQ(BufferText(&e), "ab");
    AppendLine_GuiElement(&e, "c");
    EXPECT_EQ(BufferText(&e), "c\r\n");
    Release_GuiElement(&e);

    // Sizes no buffer can have.
    EXPECT_EQ(CreateBuffer(&e, "M", -1, 5), 0);
    EXPECT_EQ(CreateBuffer(&e, "M", INT32_MAX, INT32_MAX), 0);
    EXPECT_EQ(e.text_buffer, nullptr);
    ASSERT_EQ(CreateBuffer(&e, "M", 0, INT32_MAX), 1);
    EXPECT_EQ(WriteLine_GuiElement(&e, "a", 0), 0);
    EXPECT_EQ(e.status, 301);
    EXPECT_STREQ(TerminatedText_GuiElement(&e), "");
    Release_GuiElement(&e);
}

#ifdef _WIN32
TEST(LayoutFile, ReadFailuresLeaveCodes)
{
    CsvFile file{};
    EXPECT_EQ(Read_CsvFile(&file, "no_such_layout.csv"), 0);
    EXPECT_EQ(file.status, 101);
    EXPECT_STREQ(file.file_name, "no_such_layout.csv");
    EXPECT_EQ(Load_GuiElementTable(&table, &file), 0);
    EXPECT_EQ(table.status, 101);
    Release_CsvFile(&file);

    // Held open for reading and writing, as a spreadsheet holds the file it
    // shows, the file is still read; held without any sharing, it cannot be.
    const std::string path = std::string(QUORVIX_TEST_DATA) + "/user_layout.csv";
    HANDLE held = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    EXPECT_EQ(Read_CsvFile(&file, path.c_str()), 1);
    EXPECT_EQ(file.line_count, 26);
    (void)CloseHandle(held);
    Release_CsvFile(&file);
    held = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    EXPECT_EQ(Read_CsvFile(&file, path.c_str()), 0);
    EXPECT_EQ(file.status, 101);
    (void)CloseHandle(held);
    Release_CsvFile(&file);

    // Read again once released: the handle is kept (closed) for the loader's check.
    ASSERT_EQ(Read_CsvFile(&file, path.c_str()), 1);
    EXPECT_NE(file.handle, nullptr);
    EXPECT_EQ(file.line_count, 26);
    Release_CsvFile(&file);
}
#endif
