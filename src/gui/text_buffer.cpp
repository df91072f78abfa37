// Multiline text buffer of a read-only multiline edit: up to buffer_lines
// lines, each its characters and CR LF, packed from the start; zeros after.
#include "gui/gui.h"

#include <stdlib.h>
#include <string.h>

static int IsMultiline(const GuiElement* element)
{
    return element->kind[0] == 'M' || element->kind[0] == 'm';
}

// Bytes of the buffer as created from the element's two sizes.
static int64_t BufferBytes(const GuiElement* element)
{
    return ((int64_t)element->buffer_line_length + 2) * (int64_t)element->buffer_lines;
}

static int HasUsableBuffer(const GuiElement* element)
{
    return element->text_buffer != nullptr && element->buffer_lines > 0 &&
           element->buffer_line_length > 0;
}

// One past the last character of the text: its first 0 byte, else the buffer's end.
static char* BufferTextEnd(GuiElement* element, int64_t bytes)
{
    void* nul = memchr(element->text_buffer, '\0', (size_t)bytes);
    return nul != nullptr ? (char*)nul : element->text_buffer + bytes;
}

int CreateMultilineTextBuffer_GuiElement(GuiElement* element)
{
    if (!IsMultiline(element)) {
        element->status = BUFFER_NOT_MULTILINE;
        return 0;
    }
    element->last_line = -1;
    const int64_t bytes = BufferBytes(element);
    // Sizes come from the file: negative ones or a buffer beyond 2 GB are refused.
    if (element->buffer_lines < 0 || element->buffer_line_length < 0 || bytes > INT32_MAX) {
        element->status = BUFFER_BAD_SIZE;
        return 0;
    }
    free(element->text_buffer);
    // One byte at least, so that a buffer of no lines is still an allocation.
    element->text_buffer = (char*)malloc(bytes > 0 ? (size_t)bytes : 1);
    if (element->text_buffer == nullptr) {
        element->status = BUFFER_NO_MEMORY;
        return 0;
    }
    memset(element->text_buffer, 0, bytes > 0 ? (size_t)bytes : 1);
    return 1;
}

int WriteLine_GuiElement(GuiElement* element, const char* text, int32_t index)
{
    if (!HasUsableBuffer(element)) {
        element->status = WRITE_LINE_NO_BUFFER;
        return 0;
    }
    if (text == nullptr) text = "";
    const size_t length = strnlen(text, (size_t)element->buffer_line_length + 1);
    if (length > (size_t)element->buffer_line_length) {
        element->status = WRITE_LINE_TOO_LONG;
        return 0;
    }
    if (index < 0 || index > element->buffer_lines - 1) {
        element->status = WRITE_LINE_BAD_INDEX;
        return 0;
    }
    const int64_t bytes = BufferBytes(element);
    char* start = element->text_buffer;
    char* end = BufferTextEnd(element, bytes);
    for (int32_t passed = 0; passed < index && start != end; ++start)
        if (*start == '\r') ++passed;
    if (index > 0 && start != end) ++start; // the LF after the last CR passed
    // A line that would not fit (fewer lines than index before it, or lines
    // written by hand with CRs inside) is refused rather than cut.
    const int64_t offset = start - element->text_buffer;
    if (offset + element->buffer_line_length + 2 > bytes) {
        element->status = WRITE_LINE_NO_ROOM;
        return 0;
    }
    memset(start, 0, (size_t)element->buffer_line_length);
    memcpy(start, text, length);
    start[length] = '\r';
    start[length + 1] = '\n';
    if (index > element->last_line) element->last_line = index;
    return 1;
}

void AppendLine_GuiElement(GuiElement* element, const char* text)
{
    if (!IsMultiline(element)) {
        element->status = APPEND_NOT_MULTILINE;
        return;
    }
    if (element->last_line == element->buffer_lines - 1) {
        (void)DropFirstLine_GuiElement(element); // a failed drop makes the write fail too
        if (!WriteLine_GuiElement(element, text, element->last_line + 1)) element->status = APPEND_SCROLLED_FAILED;
        return;
    }
    if (!WriteLine_GuiElement(element, text, element->last_line + 1)) element->status = APPEND_FAILED;
}

int DropFirstLine_GuiElement(GuiElement* element)
{
    if (!IsMultiline(element) || !HasUsableBuffer(element)) {
        element->status = DROP_LINE_NO_BUFFER;
        return 0;
    }
    const int64_t bytes = BufferBytes(element);
    char* buffer = element->text_buffer;
    char* end = BufferTextEnd(element, bytes);
    char* cr = (char*)memchr(buffer, '\r', (size_t)(end - buffer));
    size_t kept = 0;
    if (cr != nullptr) {
        char* from = cr + 1;
        if (from != end) ++from; // the LF
        kept = (size_t)(end - from);
        memmove(buffer, from, kept);
        // A full buffer handed to its control lost its last CR LF
        // (TerminatedText_GuiElement); the line gets them back here.
        const int ends_with_crlf = kept >= 2 && buffer[kept - 2] == '\r' && buffer[kept - 1] == '\n';
        if (kept > 0 && !ends_with_crlf && (int64_t)kept + 2 <= bytes) {
            buffer[kept++] = '\r';
            buffer[kept++] = '\n';
        }
    }
    // No CR: the whole text was the first line. Either way the tail is stale.
    memset(buffer + kept, 0, (size_t)(bytes - (int64_t)kept));
    element->last_line = element->last_line > -1 ? element->last_line - 1 : -1;
    return 1;
}

const char* TerminatedText_GuiElement(GuiElement* element)
{
    static const char empty_text[1] = {0};
    if (element->text_buffer == nullptr || element->buffer_lines <= 0 ||
        element->buffer_line_length < 0)
        return empty_text;
    const int64_t bytes = BufferBytes(element);
    char* buffer = element->text_buffer;
    if (memchr(buffer, '\0', (size_t)bytes) != nullptr) return buffer;
    // Every byte is in use: the last line's CR LF gives way to the NUL.
    if (bytes >= 2 && buffer[bytes - 2] == '\r') buffer[bytes - 2] = '\0';
    else buffer[bytes - 1] = '\0';
    return buffer;
}
