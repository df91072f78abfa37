// Fuzzes the layout reader: any bytes as a layout file, loaded into the
// table, then the multiline buffers of the rows that ask for small ones.
#include "gui/gui.h"
#include "support/test_support.h"

#include <stddef.h>
#include <stdint.h>

static GuiElementTable table;

// Buffers of rows that fit these sizes are driven through the line operations.
static void ExerciseBuffer(GuiElement* element)
{
    if (element->buffer_lines < 0 || element->buffer_lines > 64 ||
        element->buffer_line_length < 0 || element->buffer_line_length > 64)
        return;
    element->kind[0] = 'M';
    if (!CreateMultilineTextBuffer_GuiElement(element)) return;
    for (int i = 0; i < 3 * element->buffer_lines + 2; ++i) {
        AppendLine_GuiElement(element, element->caption[0] != '\0' ? element->caption : element->spare_text);
        (void)TerminatedText_GuiElement(element);
    }
    (void)WriteLine_GuiElement(element, element->string_value, element->spare_int_1);
    (void)DropFirstLine_GuiElement(element);
    (void)TerminatedText_GuiElement(element);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size)
{
    if (size > UINT32_MAX) return 0;
    CsvFile file{};
    FillCsvFromMemory(&file, bytes, size);
    if (file.data == nullptr) return 0;

    Clear_GuiElementTable(&table);
    (void)Load_GuiElementTable(&table, &file);
    for (int i = 0; i < GUI_TABLE_SLOTS && table.elements[i].kind[0] != '\0'; ++i) {
        int32_t x = 0, y = 0;
        GetAbsolutePosition_GuiElementTable(&table, table.elements[i].id, &x, &y);
        int32_t step = 0;
        (void)ValueToTrackbarStep(table.elements[i].range_max, table.elements[i].scale, &step);
        (void)KindOf_GuiElement(&table.elements[i]);
        ExerciseBuffer(&table.elements[i]);
    }
    // Every line of the text as a row on its own, too.
    for (int32_t n = 0; n <= file.line_count && n < 64; ++n) {
        if (!SeekLine_CsvFile(&file, n)) break;
        GuiElement element;
        Clear_GuiElement(&element);
        (void)ParseRow_GuiElement(&element, file.cursor, file.data + file.size);
    }
    Release_GuiElementTable(&table);
    Release_CsvFile(&file);
    return 0;
}
