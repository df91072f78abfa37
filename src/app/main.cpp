// Process entry: create the viewer window and run the message loop.
#include "app/app.h"
#include <commctrl.h>

// Whether a Quorvix runs already in this session: the first holds a named
// mutex for its whole run (the system closes it when the process ends).
// Two viewers would each show the other and fight over the pointer.
static bool AnotherQuorvixRuns(void)
{
    const HANDLE mutex = CreateMutexA(NULL, FALSE, "Local\\Quorvix.Viewer");
    if (mutex == NULL) {
        // Refused access: the mutex is there, made by a Quorvix of another
        // user in this session. Any other failure lets this one run.
        return GetLastError() == ERROR_ACCESS_DENIED;
    }
    return GetLastError() == ERROR_ALREADY_EXISTS;
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE /*previous*/, LPSTR /*command_line*/, int show_command)
{
    // A second start leaves the running Quorvix as it is.
    if (AnotherQuorvixRuns())
        return 0;

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
