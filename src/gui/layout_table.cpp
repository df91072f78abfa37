// Element records and the layout file parser.
#include "gui/gui.h"
#include <stdlib.h>
#include <string.h>
void Clear_CsvFile(CsvFile* file) { memset(file, 0, sizeof(*file)); }
void Release_CsvFile(CsvFile* file) { free(file->data); Clear_CsvFile(file); }
void Release_GuiElementTable(GuiElementTable* table) { table->count = 0; table->status = 0; }
