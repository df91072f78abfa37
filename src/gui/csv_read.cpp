// Reading the layout file into memory.
#include "gui/gui.h"

#include <stdlib.h>

// The handle is closed on every path; the record keeps what was set so far.
int Read_CsvFile(CsvFile* file, const char* name)
{
    file->file_name = name;
    // Shared every way: an editor or a spreadsheet that has the file open
    // (for reading and writing, as they keep it) does not stop it being read.
    HANDLE handle = CreateFileA(name, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        file->status = CSV_READ_CANNOT_OPEN;
        return 0;
    }
    file->handle = handle;
    const DWORD size = GetFileSize(handle, nullptr);
    if (size == INVALID_FILE_SIZE) {
        (void)CloseHandle(handle); // nothing more to do if closing fails
        file->status = CSV_READ_NO_SIZE;
        return 0;
    }
    file->size = size;
    // One byte at least: an empty file is still read (and then holds no rows).
    file->data = (char*)malloc(size > 0 ? size : 1);
    if (file->data == nullptr) {
        (void)CloseHandle(handle);
        file->status = CSV_READ_NO_MEMORY;
        return 0;
    }
    DWORD bytes_read = 0;
    if (!ReadFile(handle, file->data, size, &bytes_read, nullptr)) {
        (void)CloseHandle(handle);
        file->status = CSV_READ_FAILED;
        return 0;
    }
    if (bytes_read != size) {
        (void)CloseHandle(handle);
        file->status = CSV_READ_SHORT;
        return 0;
    }
    Examine_CsvFile(file);
    (void)CloseHandle(handle);
    return 1;
}
