// qvx_probe: answers the end-to-end tests' questions about windows, as one
// JSON object per line on stdout.
//   list CLASS|* TITLE|*          top-level windows matching class and title
//   children HWND                 every descendant of HWND
//   count-windows HWND            windows (top-level and descendants) of HWND's process
//   send HWND MSG WPARAM LPARAM   SendMessageA, prints the result
//   post HWND MSG WPARAM LPARAM   PostMessageA
//   gettext HWND                  the window text
//   hold FILE SHARE MS            FILE opened for reading and writing with share mode SHARE
//                                 (1 read, 2 write, 4 delete), as an editor keeps a file it
//                                 has open; says so, and holds it for MS
//   cursor                        cursor position and visibility
//   focus                         the foreground window and the window with the keyboard
//   type TEXT                     TEXT as key presses through the system's input queue
//   jump X Y MS                   SetCursorPos(X, Y), then the milliseconds until the
//                                 viewer ("MainWindow") is centred there, or -1 after MS
//   version FILE                  FILE's version resource, icon sizes and manifest
//   change HWND TEXT MS           WM_SETTEXT of TEXT to HWND, then the milliseconds until the
//                                 viewer has drawn a frame since, or -1 after MS
//   stream MS                     pointer moves through the system's input queue, 1000 a second
//                                 for MS, 1-3 px about where it is; the viewer's frames and
//                                 capture passes meanwhile
#include <windows.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static void PrintEscaped(const char* text)
{
    putchar('"');
    for (const char* c = text; *c; ++c) {
        if (*c == '"' || *c == '\\')
            printf("\\%c", *c);
        else if ((unsigned char)*c < 0x20)
            printf("\\u%04x", (unsigned char)*c);
        else
            putchar(*c);
    }
    putchar('"');
}

static void PrintWindow(HWND hwnd)
{
    char cls[256] = "", text[512] = "";
    GetClassNameA(hwnd, cls, sizeof(cls));
    GetWindowTextA(hwnd, text, sizeof(text));
    RECT r = {}, c = {};
    GetWindowRect(hwnd, &r);
    GetClientRect(hwnd, &c);
    POINT origin = {0, 0};
    ClientToScreen(hwnd, &origin);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    printf("{\"hwnd\": %llu, \"parent\": %llu, \"class\": ", (unsigned long long)(UINT_PTR)hwnd,
           (unsigned long long)(UINT_PTR)GetAncestor(hwnd, GA_PARENT));
    PrintEscaped(cls);
    printf(", \"text\": ");
    PrintEscaped(text);
    printf(", \"id\": %d, \"rect\": [%ld, %ld, %ld, %ld], \"client\": [%ld, %ld, %ld, %ld]",
           GetDlgCtrlID(hwnd), r.left, r.top, r.right, r.bottom, origin.x, origin.y,
           origin.x + c.right, origin.y + c.bottom);
    printf(", \"style\": %lu, \"exstyle\": %lu, \"visible\": %d, \"pid\": %lu, \"zoomed\": %d, "
           "\"iconic\": %d, \"foreground\": %d}\n",
           (unsigned long)GetWindowLongA(hwnd, GWL_STYLE), (unsigned long)GetWindowLongA(hwnd, GWL_EXSTYLE),
           IsWindowVisible(hwnd) ? 1 : 0, (unsigned long)pid, IsZoomed(hwnd) ? 1 : 0,
           IsIconic(hwnd) ? 1 : 0, GetForegroundWindow() == hwnd ? 1 : 0);
}

struct ListFilter {
    const char* cls;
    const char* title;
};

static BOOL CALLBACK ListTop(HWND hwnd, LPARAM param)
{
    const ListFilter* f = (const ListFilter*)param;
    char cls[256] = "", text[512] = "";
    GetClassNameA(hwnd, cls, sizeof(cls));
    GetWindowTextA(hwnd, text, sizeof(text));
    if ((strcmp(f->cls, "*") == 0 || strcmp(f->cls, cls) == 0) &&
        (strcmp(f->title, "*") == 0 || strcmp(f->title, text) == 0))
        PrintWindow(hwnd);
    return TRUE;
}

static BOOL CALLBACK ListChild(HWND hwnd, LPARAM)
{
    PrintWindow(hwnd);
    return TRUE;
}

struct CountState {
    DWORD pid;
    int   count;
};

static BOOL CALLBACK CountChild(HWND, LPARAM param)
{
    ((CountState*)param)->count++;
    return TRUE;
}

static BOOL CALLBACK CountTop(HWND hwnd, LPARAM param)
{
    CountState* s = (CountState*)param;
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (pid == s->pid) {
        s->count++;
        EnumChildWindows(hwnd, CountChild, param);
    }
    return TRUE;
}

// One key press, as a keyboard sends it: it goes to whatever window has
// the keyboard focus in the foreground, not to a window of our choosing.
static void PressKey(WORD vk, bool shift)
{
    INPUT input[4] = {};
    int n = 0;
    if (shift) {
        input[n].type = INPUT_KEYBOARD;
        input[n++].ki.wVk = VK_SHIFT;
    }
    input[n].type = INPUT_KEYBOARD;
    input[n++].ki.wVk = vk;
    input[n].type = INPUT_KEYBOARD;
    input[n].ki.wVk = vk;
    input[n++].ki.dwFlags = KEYEVENTF_KEYUP;
    if (shift) {
        input[n].type = INPUT_KEYBOARD;
        input[n].ki.wVk = VK_SHIFT;
        input[n++].ki.dwFlags = KEYEVENTF_KEYUP;
    }
    SendInput((UINT)n, input, sizeof(INPUT));
    Sleep(10);
}

static void TypeText(const char* text)
{
    // NOTE: Wine keeps a key held in a thread's key state when the key's
    // release went to another thread (a Ctrl-click that opened a window), and
    // the text would then come out as Ctrl characters; releasing the
    // modifiers first puts that thread's state right, and costs nothing.
    INPUT release[2] = {};
    release[0].type = release[1].type = INPUT_KEYBOARD;
    release[0].ki.wVk = VK_CONTROL;
    release[1].ki.wVk = VK_MENU;
    release[0].ki.dwFlags = release[1].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(2, release, sizeof(INPUT));
    for (const char* c = text; *c; ++c) {
        SHORT key = VkKeyScanA(*c);
        if (key != -1)
            PressKey((WORD)LOBYTE(key), (HIBYTE(key) & 1) != 0);
    }
}

static bool ViewerCentredAt(int x, int y)
{
    HWND viewer = FindWindowA("MainWindow", NULL);
    RECT r;
    if (!viewer || !GetWindowRect(viewer, &r))
        return false;
    int w = r.right - r.left, h = r.bottom - r.top;
    return r.left == x - w / 2 && r.top == y - h / 2;
}

static void Jump(int x, int y, int timeout_ms)
{
    DWORD start = GetTickCount();
    SetCursorPos(x, y);
    int elapsed = -1;
    for (;;) {
        int now = (int)(GetTickCount() - start);
        if (ViewerCentredAt(x, y)) {
            elapsed = now;
            break;
        }
        if (now > timeout_ms)
            break;
        Sleep(2);
    }
    printf("{\"ms\": %d}\n", elapsed);
}

// The viewer's own count of frames (0) or capture passes (1).
static long long ViewerCount(WPARAM which)
{
    HWND viewer = FindWindowA("MainWindow", NULL);
    DWORD_PTR count = 0;
    if (!viewer || !SendMessageTimeoutA(viewer, WM_APP + 10, which, 0, SMTO_ABORTIFHUNG, 1000, &count))
        return -1;
    return (long long)count;
}

static void TimeChange(HWND hwnd, const char* text, int timeout_ms)
{
    const long long frames = ViewerCount(0);
    const DWORD start = GetTickCount();
    SendMessageA(hwnd, WM_SETTEXT, 0, (LPARAM)text);
    int elapsed = -1;
    for (int now = 0; now <= timeout_ms; now = (int)(GetTickCount() - start)) {
        if (ViewerCount(0) > frames) {
            elapsed = now;
            break;
        }
        Sleep(2);
    }
    printf("{\"ms\": %d}\n", elapsed);
}

// NOTE: Sleep(1) takes about 2.5 ms under Wine: the pace is kept by spinning.
static void StreamMoves(int duration_ms)
{
    LARGE_INTEGER frequency, start, now;
    QueryPerformanceFrequency(&frequency);
    POINT at;
    GetCursorPos(&at);
    const long long frames = ViewerCount(0), passes = ViewerCount(1);
    QueryPerformanceCounter(&start);
    const int screen_w = GetSystemMetrics(SM_CXSCREEN), screen_h = GetSystemMetrics(SM_CYSCREEN);
    long long sent = 0;
    for (;;) {
        QueryPerformanceCounter(&now);
        const long long us = (now.QuadPart - start.QuadPart) * 1000000 / frequency.QuadPart;
        if (us >= (long long)duration_ms * 1000)
            break;
        if (sent * 1000 > us)
            continue;
        // Back and forth over 60 px in steps of 1 to 3.
        const int step = 1 + (int)(sent % 3), phase = (int)(sent / 20) % 2;
        at.x += phase ? -step : step;
        INPUT input = {};
        input.type = INPUT_MOUSE;
        input.mi.dx = (LONG)(((long long)at.x * 65535 + screen_w / 2) / (screen_w - 1));
        input.mi.dy = (LONG)(((long long)at.y * 65535 + screen_h / 2) / (screen_h - 1));
        input.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
        SendInput(1, &input, sizeof(input));
        sent++;
    }
    QueryPerformanceCounter(&now);
    const double seconds = (double)(now.QuadPart - start.QuadPart) / (double)frequency.QuadPart;
    DEVMODEA mode = {};
    mode.dmSize = sizeof(mode);
    const DWORD hz = EnumDisplaySettingsA(NULL, ENUM_CURRENT_SETTINGS, &mode) ? mode.dmDisplayFrequency : 0;
    printf("{\"moves\": %lld, \"seconds\": %.3f, \"frames\": %lld, \"passes\": %lld, \"hz\": %lu}\n", sent,
           seconds, ViewerCount(0) - frames, ViewerCount(1) - passes, (unsigned long)hz);
}

static HWND ArgWindow(const char* text)
{
    return (HWND)(UINT_PTR)_strtoui64(text, NULL, 0);
}

static LPARAM ArgNumber(const char* text)
{
    return (LPARAM)_strtoi64(text, NULL, 0);
}

static void PrintVersionString(const void* info, const char* block, const char* name)
{
    char key[128];
    snprintf(key, sizeof(key), "\\StringFileInfo\\%s\\%s", block, name);
    char* value = NULL;
    UINT length = 0;
    printf(", ");
    PrintEscaped(name);
    printf(": ");
    PrintEscaped(VerQueryValueA(info, key, (void**)&value, &length) && value ? value : "");
}

// The resources Explorer and the loader read from an executable: the version
// (numbers and the strings of its first translation), the sizes of the first
// icon group (0 stands for 256) and the manifest of resource id 1.
static int PrintVersion(const char* file)
{
    DWORD ignored = 0;
    DWORD size = GetFileVersionInfoSizeA(file, &ignored);
    char* info = size ? (char*)malloc(size) : NULL;
    VS_FIXEDFILEINFO* fixed = NULL;
    UINT length = 0;
    if (!info || !GetFileVersionInfoA(file, 0, size, info) ||
        !VerQueryValueA(info, "\\", (void**)&fixed, &length) || !fixed) {
        fprintf(stderr, "no version resource in %s\n", file);
        free(info);
        return 1;
    }
    printf("{\"file_version\": \"%u.%u.%u.%u\", \"product_version\": \"%u.%u.%u.%u\"",
           HIWORD(fixed->dwFileVersionMS), LOWORD(fixed->dwFileVersionMS),
           HIWORD(fixed->dwFileVersionLS), LOWORD(fixed->dwFileVersionLS),
           HIWORD(fixed->dwProductVersionMS), LOWORD(fixed->dwProductVersionMS),
           HIWORD(fixed->dwProductVersionLS), LOWORD(fixed->dwProductVersionLS));
    WORD* translation = NULL;
    char block[16] = "";
    if (VerQueryValueA(info, "\\VarFileInfo\\Translation", (void**)&translation, &length) && length >= 4)
        snprintf(block, sizeof(block), "%04x%04x", translation[0], translation[1]);
    const char* names[] = {"ProductName", "FileDescription", "FileVersion", "ProductVersion"};
    for (const char* name : names)
        PrintVersionString(info, block, name);
    free(info);

    HMODULE module = LoadLibraryExA(file, NULL, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    printf(", \"icon_sizes\": [");
    HRSRC group = module ? FindResourceA(module, MAKEINTRESOURCEA(1), (LPCSTR)RT_GROUP_ICON) : NULL;
    const BYTE* dir = group ? (const BYTE*)LockResource(LoadResource(module, group)) : NULL;
    if (dir) {
        // GRPICONDIR: three WORDs, then 14-byte entries starting with width and height.
        WORD count = *(const WORD*)(dir + 4);
        for (WORD i = 0; i < count; ++i)
            printf("%s%d", i ? ", " : "", dir[6 + 14 * i]);
    }
    printf("], \"manifest\": ");
    HRSRC manifest = module ? FindResourceA(module, MAKEINTRESOURCEA(1), (LPCSTR)RT_MANIFEST) : NULL;
    const char* text = manifest ? (const char*)LockResource(LoadResource(module, manifest)) : NULL;
    char* copy = text ? (char*)calloc(SizeofResource(module, manifest) + 1, 1) : NULL;
    if (copy) {
        // The resource is not terminated.
        memcpy(copy, text, SizeofResource(module, manifest));
        PrintEscaped(copy);
        free(copy);
    } else {
        printf("null");
    }
    printf("}\n");
    if (module)
        (void)FreeLibrary(module); // the process ends next anyway
    return 0;
}

// A file held open the way an editor or a spreadsheet holds one while the
// user works on it.
static int HoldFile(const char* path, DWORD share, int ms)
{
    const HANDLE file = CreateFileA(path, GENERIC_READ | GENERIC_WRITE, share, NULL, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, NULL);
    printf("{\"held\": %d}\n", file != INVALID_HANDLE_VALUE ? 1 : 0);
    fflush(stdout);
    if (file == INVALID_HANDLE_VALUE)
        return 1;
    Sleep((DWORD)ms);
    (void)CloseHandle(file); // the process ends next anyway
    return 0;
}

int main(int argc, char** argv)
{
    if (argc >= 5 && strcmp(argv[1], "hold") == 0)
        return HoldFile(argv[2], (DWORD)atoi(argv[3]), atoi(argv[4]));
    if (argc >= 4 && strcmp(argv[1], "list") == 0) {
        ListFilter f = {argv[2], argv[3]};
        EnumWindows(ListTop, (LPARAM)&f);
    } else if (argc >= 3 && strcmp(argv[1], "children") == 0) {
        EnumChildWindows(ArgWindow(argv[2]), ListChild, 0);
    } else if (argc >= 3 && strcmp(argv[1], "count-windows") == 0) {
        CountState s = {0, 0};
        GetWindowThreadProcessId(ArgWindow(argv[2]), &s.pid);
        if (s.pid)
            EnumWindows(CountTop, (LPARAM)&s);
        printf("{\"count\": %d}\n", s.count);
    } else if (argc >= 6 && (strcmp(argv[1], "send") == 0 || strcmp(argv[1], "post") == 0)) {
        HWND hwnd = ArgWindow(argv[2]);
        UINT msg = (UINT)ArgNumber(argv[3]);
        WPARAM w = (WPARAM)ArgNumber(argv[4]);
        LPARAM l = ArgNumber(argv[5]);
        LRESULT result = argv[1][0] == 's' ? SendMessageA(hwnd, msg, w, l) : PostMessageA(hwnd, msg, w, l);
        printf("{\"result\": %lld}\n", (long long)result);
    } else if (argc >= 3 && strcmp(argv[1], "gettext") == 0) {
        char text[1024] = "";
        // GetWindowText does not ask a control of another process; WM_GETTEXT does.
        SendMessageA(ArgWindow(argv[2]), WM_GETTEXT, sizeof(text), (LPARAM)text);
        printf("{\"text\": ");
        PrintEscaped(text);
        printf("}\n");
    } else if (argc >= 3 && strcmp(argv[1], "version") == 0) {
        return PrintVersion(argv[2]);
    } else if (argc >= 2 && strcmp(argv[1], "cursor") == 0) {
        CURSORINFO info = {};
        info.cbSize = sizeof(info);
        GetCursorInfo(&info);
        printf("{\"x\": %ld, \"y\": %ld, \"showing\": %d, \"cursor\": %llu}\n", info.ptScreenPos.x,
               info.ptScreenPos.y, (info.flags & CURSOR_SHOWING) ? 1 : 0,
               (unsigned long long)(UINT_PTR)info.hCursor);
    } else if (argc >= 2 && strcmp(argv[1], "focus") == 0) {
        GUITHREADINFO info = {};
        info.cbSize = sizeof(info);
        GetGUIThreadInfo(0, &info); // 0: the foreground thread
        printf("{\"foreground\": %llu, \"focus\": %llu}\n", (unsigned long long)(UINT_PTR)GetForegroundWindow(),
               (unsigned long long)(UINT_PTR)info.hwndFocus);
    } else if (argc >= 3 && strcmp(argv[1], "type") == 0) {
        TypeText(argv[2]);
    } else if (argc >= 5 && strcmp(argv[1], "change") == 0) {
        TimeChange(ArgWindow(argv[2]), argv[3], atoi(argv[4]));
    } else if (argc >= 3 && strcmp(argv[1], "stream") == 0) {
        StreamMoves(atoi(argv[2]));
    } else if (argc >= 5 && strcmp(argv[1], "jump") == 0) {
        Jump(atoi(argv[2]), atoi(argv[3]), atoi(argv[4]));
    } else {
        fprintf(stderr, "usage: qvx_probe list|children|count-windows|send|post|gettext|cursor|focus|type|jump|change|stream|version ...\n");
        return 2;
    }
    fflush(stdout);
    return 0;
}
