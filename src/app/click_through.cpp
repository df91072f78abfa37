// Click-through: mouse buttons and the wheel reach the window shown at the view centre.
#include "app/app.h"

POINT cursor_adj;
int   hit_code;
int   drag_state;
POINT drag_start_cursor;
RECT  drag_rect;
HWND  forward_window;

POINT MapCursorToSource(int cursor_x, int cursor_y, float, float, float, float, int, int)
{
    POINT p = {cursor_x, cursor_y};
    return p;
}
LPARAM PackPoint(int x, int y) { return MAKELPARAM((WORD)x, (WORD)y); }
void OnClickLeftDown(WPARAM) {}
void OnClickLeftUp(WPARAM) {}
void OnClickLeftDoubleClick(WPARAM) {}
void OnClickRightDown(WPARAM) {}
void OnClickRightUp(WPARAM) {}
void OnClickWheel(WPARAM) {}
void ContinueDrag(void) {}
