// Moving element values between records and controls.
#include "gui/gui.h"
#include "numtext/numtext.h"

#include <commctrl.h>
#include <cmath>
#include <stdio.h>
#include <string.h>

static int KindLetterIs(const GuiElement* element, char upper)
{
    return element->kind[0] == upper || element->kind[0] == upper - 'A' + 'a';
}

// 1 when the element is of the kind upper names; else 0, with code as its status.
static int IsKindFor(GuiElement* element, char upper, int32_t code)
{
    if (KindLetterIs(element, upper)) return 1;
    element->status = code;
    return 0;
}

// 'D', 'I', 'S', or 0 for an element without a value.
static char ValueLetter(const GuiElement* element)
{
    switch (element->value_type[0]) {
    case 'D': case 'd': return 'D';
    case 'I': case 'i': return 'I';
    case 'S': case 's': return 'S';
    default: return 0;
    }
}

int SetTrackbarPosition_GuiElement(GuiElement* element)
{
    if (!IsKindFor(element, 'T', THUMB_SET_NOT_TRACKBAR)) return 0;
    double value = 0.0;
    switch (ValueLetter(element)) {
    case 'D': value = element->double_value; break;
    case 'I': value = (double)element->int_value; break;
    case 'S': element->status = THUMB_SET_STRING; return 0;
    default: return 1;
    }
    int32_t step = 0;
    const int converted = ValueToTrackbarStep(value, element->scale, &step);
    // Even a value with no step count puts the thumb at a defined place.
    (void)SendMessageA(element->window, TBM_SETPOS, TRUE, (LPARAM)step);
    if (!converted) {
        element->status = THUMB_SET_NO_STEP;
        return 0;
    }
    return 1;
}

int ReadTrackbarPosition_GuiElement(GuiElement* element)
{
    if (!IsKindFor(element, 'T', THUMB_READ_NOT_TRACKBAR)) return 0;
    const char letter = ValueLetter(element);
    if (letter == 'S') {
        element->status = THUMB_READ_STRING;
        return 0;
    }
    if (letter != 'D' && letter != 'I') return 1;
    const int32_t position = (int32_t)SendMessageA(element->window, TBM_GETPOS, 0, 0);
    const double value = (double)position * element->scale;
    if (!std::isfinite(value)) {
        element->status = THUMB_READ_OUT_OF_RANGE;
        return 0;
    }
    if (letter == 'D') {
        element->double_value = value;
        return 1;
    }
    const double whole = std::trunc(value);
    if (whole >= 2147483648.0 || whole < -2147483648.0) {
        element->status = THUMB_READ_OUT_OF_RANGE;
        return 0;
    }
    element->int_value = (int32_t)whole;
    return 1;
}

int WriteValueToEditBox_GuiElement(GuiElement* element)
{
    if (!IsKindFor(element, 'W', EDIT_WRITE_NOT_WRITE_EDIT)) return 0;
    // snprintf keeps any text, however long the number, within the 31 bytes.
    char text[GUI_TEXT_SIZE] = {0};
    switch (ValueLetter(element)) {
    case 'S': memcpy(text, element->string_value, GUI_TEXT_SIZE - 1); break; // 30 at most, even unterminated
    case 'I': (void)snprintf(text, GUI_TEXT_SIZE, "%i", (int)element->int_value); break;
    case 'D': (void)snprintf(text, GUI_TEXT_SIZE, "%3.2f", element->double_value); break;
    default: return 1;
    }
    (void)SendMessageA(element->window, WM_SETTEXT, 0, (LPARAM)text);
    return 1;
}

int ReadValueFromEditBox_GuiElement(GuiElement* element)
{
    if (!IsKindFor(element, 'W', EDIT_READ_NOT_WRITE_EDIT)) return 0;
    char text[GUI_TEXT_SIZE] = {0};
    (void)SendMessageA(element->window, WM_GETTEXT, GUI_TEXT_SIZE, (LPARAM)text);
    switch (ValueLetter(element)) {
    case 'D': {
        double value = 0.0;
        if (TextToDouble(value, text, GUI_TEXT_SIZE) != TEXT_DOUBLE_OK) {
            element->status = EDIT_READ_BAD_DOUBLE;
            return 0;
        }
        element->double_value = value;
        return 1;
    }
    case 'I':
        if (TextToInt(element->int_value, text, GUI_TEXT_SIZE) != TEXT_INT_OK) {
            element->status = EDIT_READ_BAD_INT;
            return 0;
        }
        return 1;
    case 'S':
        memcpy(element->string_value, text, GUI_TEXT_SIZE);
        return 1;
    default:
        return 1;
    }
}

void CopyValue_GuiElement(const GuiElement* source, GuiElement* target)
{
    // The same byte only: "D" and "d" do not match.
    if (source->value_type[0] != target->value_type[0]) return;
    switch (source->value_type[0]) {
    case 'D': case 'd': target->double_value = source->double_value; break;
    case 'I': case 'i': target->int_value = source->int_value; break;
    default: break;
    }
}

// Lines shown for each failure code of Read_CsvFile.
static void AppendReadErrorLines(int32_t code, GuiElement* element)
{
    switch (code) {
    case CSV_READ_CANNOT_OPEN:
        AppendLine_GuiElement(element, "Could not open csv file.");
        AppendLine_GuiElement(element, "Double-check file name.");
        break;
    case CSV_READ_NO_SIZE: AppendLine_GuiElement(element, "Could not read csv file-size."); break;
    case CSV_READ_NO_MEMORY: AppendLine_GuiElement(element, "Could not allocate mem to read-in csv."); break;
    case CSV_READ_FAILED: AppendLine_GuiElement(element, "Error reading csv file data."); break;
    case CSV_READ_SHORT: AppendLine_GuiElement(element, "Incorrect number of bytes read."); break;
    default: break;
    }
}

void ReportReadError_CsvFile(int32_t code, GuiElement* element)
{
    AppendLine_GuiElement(element, "");
    AppendLine_GuiElement(element, "ERROR: could not read .csv file.");
    AppendReadErrorLines(code, element);
    // Only a multiline read edit has lines to show (the appends fail otherwise).
    if (!KindLetterIs(element, 'M')) return;
    (void)SendMessageA(element->window, WM_SETTEXT, 0, (LPARAM)TerminatedText_GuiElement(element));
    (void)SendMessageA(element->window, WM_VSCROLL, SB_BOTTOM, 0);
}
