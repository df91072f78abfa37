// qvx_bench: for scenes of framed windows that belong to another process, as
// in real use, prints what one capture pass copies and what a pass and a frame
// cost, each beside a floor measured in the same run on the same bytes. Run by
// hand under Wine (bench/run.sh); it prints figures and asserts nothing.
//
// The scenes come from qvx_fixture.exe beside this program. The viewer stands
// at the centre of the screen; a 3840 x 2160 screen fits every scene.
#include <windows.h>

#include <algorithm>
#include <stdint.h>
#include <stdio.h>
#include <string.h>
#include <string>
#include <vector>

#include "app/app.h"
#include "capture/capture.h"
#include "render/render.h"

#include <GL/glew.h>

static const int kViewSize = 400;
static const int kRuns = 11;

enum SceneLayout {
    kStaggered, // 640 x 480 windows 20 pixels apart, 10 to a row, all under the view
    kTiled,     // 120 x 90 windows side by side, 26 to a row, centred on the screen
    kMaximised, // maximised windows, one over the other
};

struct Scene {
    const char* label;
    int         count;  // windows
    SceneLayout layout;
};

static const Scene kScenes[] = {
    {"1 window of 640 x 480", 1, kStaggered},
    {"10 windows of 640 x 480", 10, kStaggered},
    {"50 windows of 640 x 480", 50, kStaggered},
    {"520 windows of 120 x 90", 520, kTiled},
    {"1 maximised window", 1, kMaximised},
    {"6 maximised windows", 6, kMaximised},
};

// ---------------------------------------------------------------------------
// The capture and render API as the bench uses it, all in this section.

// What the last capture pass copied.
struct PassStats {
    int     windows_copied; // windows whose pixels the pass copied
    int     window_dcs;     // window DCs the pass took
    int64_t bytes_copied;   // bytes of pixels the pass copied
    int64_t reach_bytes;    // bytes the region the pass reached holds
};

// A whole pass, as the capture timer's: the windows listed, what shows
// within the view copied, and the result sent to the GPU, once per pass.
static void CapturePass(HWND viewer, const RECT& view)
{
    CaptureAllWindows(viewer, &view, NULL);
    UploadCaptures();
}

static PassStats LastPassStats(void)
{
    const RECT& r = capture_reach;
    PassStats stats = {capture_counters.windows_copied, capture_counters.dcs_taken, capture_counters.bytes_copied,
                       (int64_t)(r.right - r.left) * (r.bottom - r.top) * 4};
    return stats;
}

static void ReleasePass(void)
{
    ReleaseCaptures(1);
    captured_count = 0;
}

static void Frame(HWND viewer, const RECT& view)
{
    RenderFrame(viewer, viewer_dc, viewer_width, viewer_height);
}

// The frame's floor: everything it does once the composed image is already
// on the GPU (pass_tex_a from the previous frame): the full-view quad, the
// radial pass, the present, the two marker lines, swap and finish.
static void FloorFrame(HWND viewer, const RECT& view)
{
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
    RenderStagesAndPresent(viewer_dc, viewer_width, viewer_height);
}

// ---------------------------------------------------------------------------

static LRESULT CALLBACK ViewerProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_ERASEBKGND)
        return 1;
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

static void PumpMessages(void)
{
    MSG msg;
    while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

// Waits ms milliseconds while answering this thread's messages.
static void PumpFor(int ms)
{
    for (int waited = 0; waited < ms; waited += 20) {
        PumpMessages();
        Sleep(20);
    }
}

static double NowMs(void)
{
    static LARGE_INTEGER frequency = {};
    if (frequency.QuadPart == 0)
        QueryPerformanceFrequency(&frequency);
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return (double)now.QuadPart * 1000.0 / (double)frequency.QuadPart;
}

static double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

static double Fastest(const std::vector<double>& values)
{
    return *std::min_element(values.begin(), values.end());
}

static double MiB(int64_t bytes)
{
    return (double)bytes / (1024.0 * 1024.0);
}

// The bench's stand-in for the viewer: a topmost popup with the viewer's
// OpenGL context and render resources, at view.
static bool CreateViewer(HINSTANCE instance, const RECT& view)
{
    WNDCLASSEXA wc = {};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = ViewerProc;
    wc.hInstance = instance;
    wc.lpszClassName = "QvxBenchViewer";
    if (!RegisterClassExA(&wc))
        return false;
    viewer_width = view.right - view.left;
    viewer_height = view.bottom - view.top;
    viewer_hwnd = CreateWindowExA(WS_EX_TOPMOST, "QvxBenchViewer", "bench viewer", WS_POPUP, view.left,
                                  view.top, viewer_width, viewer_height, NULL, NULL, instance, NULL);
    if (viewer_hwnd == NULL)
        return false;
    viewer_dc = GetWindowDC(viewer_hwnd);
    if (InitGLContext(viewer_dc) != 0 || CreateShaderPrograms() != 0 ||
        CreateRenderResources(viewer_width, viewer_height) != 0)
        return false;
    ShowWindow(viewer_hwnd, SW_SHOWNOACTIVATE);
    PumpMessages();
    return true;
}

// Top-level windows as a capture pass meets them, counted without the
// capture module so the figures stay comparable across its versions.
struct DesktopCount {
    HWND viewer;
    RECT view;
    int  listed;     // top-level windows EnumWindows gives, the viewer left out
    int  visible;    // of those, visible
    int  under_view; // of those, visible and overlapping the view
};

static BOOL CALLBACK CountWindow(HWND hwnd, LPARAM param)
{
    DesktopCount* count = (DesktopCount*)param;
    if (hwnd == count->viewer)
        return TRUE;
    count->listed++;
    if (!IsWindowVisible(hwnd))
        return TRUE;
    count->visible++;
    RECT r, overlap;
    if (GetWindowRect(hwnd, &r) && IntersectRect(&overlap, &r, &count->view))
        count->under_view++;
    return TRUE;
}

static DesktopCount CountDesktop(HWND viewer, const RECT& view)
{
    DesktopCount count = {viewer, view, 0, 0, 0};
    (void)EnumWindows(CountWindow, (LPARAM)&count); // a failed enumeration counts what it saw
    return count;
}

// qvx_fixture.exe's window arguments for scene on a screen of screen_w x
// screen_h with the view at view.
static std::string SceneArguments(const Scene& scene, int screen_w, int screen_h, const RECT& view)
{
    char text[256];
    switch (scene.layout) {
    case kStaggered: {
        int columns = std::min(scene.count, 10);
        snprintf(text, sizeof(text), "--grid s,%ld,%ld,640,480,%d,%d,20,20", view.left - 200, view.top - 150,
                 columns, scene.count / columns);
        return text;
    }
    case kTiled: {
        const int columns = 26, rows = scene.count / columns;
        snprintf(text, sizeof(text), "--grid t,%d,%d,120,90,%d,%d,120,90", (screen_w - columns * 120) / 2,
                 (screen_h - rows * 90) / 2, columns, rows);
        return text;
    }
    case kMaximised: {
        std::string arguments;
        for (int i = 0; i < scene.count; i++) {
            snprintf(text, sizeof(text), " --window m%d,0,0,640,480,maximized", i);
            arguments += text;
        }
        return arguments;
    }
    }
    return "";
}

// Lines of the fixture's log that announce a ready window.
static int ReadyWindows(const char* log_path)
{
    HANDLE f = CreateFileA(log_path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, NULL,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
    if (f == INVALID_HANDLE_VALUE)
        return 0;
    std::string text;
    char chunk[65536];
    DWORD got = 0;
    while (ReadFile(f, chunk, sizeof(chunk), &got, NULL) && got > 0)
        text.append(chunk, got);
    CloseHandle(f);
    int ready = 0;
    for (size_t at = 0; at < text.size();) {
        if (text.compare(at, 6, "ready ") == 0)
            ready++;
        size_t end = text.find('\n', at);
        at = end == std::string::npos ? text.size() : end + 1;
    }
    return ready;
}

// Starts the fixture with arguments and waits until count windows are ready.
static bool StartScene(const std::string& arguments, int count, const char* log_path, PROCESS_INFORMATION* process)
{
    char exe[MAX_PATH];
    DWORD length = GetModuleFileNameA(NULL, exe, sizeof(exe));
    if (length == 0 || length >= sizeof(exe))
        return false;
    char* slash = strrchr(exe, '\\');
    if (slash == NULL)
        return false;
    std::string command = std::string("\"") + std::string(exe, slash + 1) + "qvx_fixture.exe\" --log \"" +
                          log_path + "\" " + arguments;
    std::vector<char> command_line(command.begin(), command.end());
    command_line.push_back(0);
    (void)DeleteFileA(log_path); // the fixture appends
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    if (!CreateProcessA(NULL, command_line.data(), NULL, NULL, FALSE, 0, NULL, NULL, &startup, process)) {
        printf("qvx_bench: cannot start %s (error %lu)\n", command.c_str(), GetLastError());
        return false;
    }
    for (int waited = 0; waited < 120000; waited += 100) {
        if (ReadyWindows(log_path) >= count)
            return true;
        if (WaitForSingleObject(process->hProcess, 0) == WAIT_OBJECT_0) {
            printf("qvx_bench: the scene program ended early: %s\n", command.c_str());
            return false;
        }
        PumpFor(100);
    }
    printf("qvx_bench: the scene's windows were not ready within 120 s\n");
    return false;
}

// Ends the scene program and waits until its windows have left the desktop.
static void EndScene(PROCESS_INFORMATION* process, HWND viewer, const RECT& view, int visible_before)
{
    if (process->hProcess != NULL) {
        (void)TerminateProcess(process->hProcess, 0);
        (void)WaitForSingleObject(process->hProcess, 10000);
        CloseHandle(process->hProcess);
        CloseHandle(process->hThread);
    }
    memset(process, 0, sizeof(*process));
    for (int waited = 0; waited < 10000 && CountDesktop(viewer, view).visible > visible_before; waited += 100)
        PumpFor(100);
}

static void RunScene(const Scene& scene, const std::string& arguments, const char* log_path, const RECT& view)
{
    int visible_before = CountDesktop(viewer_hwnd, view).visible;
    PROCESS_INFORMATION process = {};
    if (!StartScene(arguments, scene.count, log_path, &process)) {
        EndScene(&process, viewer_hwnd, view, visible_before);
        return;
    }
    // Let the scene's last paints reach the X server, and put the viewer
    // back in front, as its capture timer does.
    PumpFor(1000);
    (void)SetWindowPos(viewer_hwnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    PumpFor(200);

    DesktopCount desktop = CountDesktop(viewer_hwnd, view);
    CapturePass(viewer_hwnd, view);
    PassStats stats = LastPassStats();
    size_t bytes = (size_t)std::max<int64_t>(stats.bytes_copied, 1);
    // Both filled once, so that no page is first touched while timed.
    std::vector<uint8_t> source(bytes, 1), target(bytes, 0);

    std::vector<double> capture_ms, copy_ms, frame_ms, floor_ms;
    for (int run = 0; run < kRuns; run++) {
        double t0 = NowMs();
        CapturePass(viewer_hwnd, view);
        double t1 = NowMs();
        memcpy(target.data(), source.data(), bytes);
        double t2 = NowMs();
        capture_ms.push_back(t1 - t0);
        copy_ms.push_back(t2 - t1);
        PumpMessages();
    }
    stats = LastPassStats();
    for (int run = 0; run < kRuns; run++) {
        double t0 = NowMs();
        Frame(viewer_hwnd, view);
        double t1 = NowMs();
        FloorFrame(viewer_hwnd, view);
        double t2 = NowMs();
        frame_ms.push_back(t1 - t0);
        floor_ms.push_back(t2 - t1);
        PumpMessages();
    }
    ReleasePass();
    EndScene(&process, viewer_hwnd, view, visible_before);

    double capture = Median(capture_ms), copy = Median(copy_ms);
    double frame = Median(frame_ms), floor = Median(floor_ms);
    printf("scene: %s, in another process; %d under the view\n", scene.label, desktop.under_view);
    printf("  windows listed %d (%d visible), copied %d per pass; window DCs taken %d; %.2f MiB copied per pass "
           "(the reach holds %.2f MiB)\n",
           desktop.listed, desktop.visible, stats.windows_copied, stats.window_dcs, MiB(stats.bytes_copied),
           MiB(stats.reach_bytes));
    // The fastest run beside the median: a pass waits on the Wine server and
    // the X server for every window, and any other load shows in each wait.
    printf("  capture pass  %8.2f ms (fastest %8.2f)   memcpy of its bytes      %8.2f ms   ratio %6.1f\n",
           capture, Fastest(capture_ms), copy, copy > 0 ? capture / copy : 0.0);
    printf("  RenderFrame   %8.2f ms (fastest %8.2f)   frame with image on GPU  %8.2f ms   ratio %6.1f\n", frame,
           Fastest(frame_ms), floor, floor > 0 ? frame / floor : 0.0);
    fflush(stdout);
}

int main(void)
{
    HINSTANCE instance = GetModuleHandleA(NULL);
    int screen_w = GetSystemMetrics(SM_CXSCREEN), screen_h = GetSystemMetrics(SM_CYSCREEN);
    RECT view = {screen_w / 2 - kViewSize / 2, screen_h / 2 - kViewSize / 2, 0, 0};
    view.right = view.left + kViewSize;
    view.bottom = view.top + kViewSize;
    if (!CreateViewer(instance, view)) {
        printf("qvx_bench: cannot set up the viewer and its OpenGL context\n");
        return 1;
    }
    char log_path[MAX_PATH];
    DWORD temp = GetTempPathA(MAX_PATH - 32, log_path);
    if (temp == 0 || temp >= MAX_PATH - 32) {
        printf("qvx_bench: no folder for temporary files\n");
        return 1;
    }
    strcat(log_path, "qvx_bench_scene.log");

    printf("qvx_bench: medians of %d runs; screen %d x %d; view %d x %d at %ld,%ld; GL %s\n", kRuns, screen_w,
           screen_h, kViewSize, kViewSize, view.left, view.top, (const char*)glGetString(GL_RENDERER));
    fflush(stdout);
    for (const Scene& scene : kScenes)
        RunScene(scene, SceneArguments(scene, screen_w, screen_h, view), log_path, view);
    (void)DeleteFileA(log_path);
    return 0;
}
