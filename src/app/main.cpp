// Process entry: create the viewer window and run the message loop.
#include "app/app.h"
#include <commctrl.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE /*previous*/, LPSTR /*command_line*/, int show_command)
{
    // The settings window's track bars need the common controls' class.
    INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_BAR_CLASSES};
    (void)InitCommonControlsEx(&controls);

    HWND hwnd = CreateViewerWindow(instance);
    if (!hwnd)
        return 0;

    // The viewer never takes the keyboard, not even when it first appears.
    ShowWindow(hwnd, NoActivateShowCommand(show_command));
    UpdateWindow(hwnd);

    return RunViewerLoop();
}
