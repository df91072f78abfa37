// qvx_bench: times one capture pass and one frame for scenes of 1, 10 and 50
// framed windows beneath the viewer, each beside a floor measured in the same
// run on the same bytes. Run by hand under Wine; prints figures, asserts nothing.
#include <windows.h>

#include <algorithm>
#include <math.h>
#include <stdint.h>
#include <stdio.h>
#include <string.h>
#include <vector>

#include "app/app.h"
#include "capture/capture.h"
#include "render/render.h"

static const int kViewLeft = 400, kViewTop = 300, kViewSize = 400;
static const int kWindowWidth = 640, kWindowHeight = 480;
static const int kRuns = 11;

static std::vector<uint32_t> pattern; // client pattern shared by every scene window

static LRESULT CALLBACK PlainProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_ERASEBKGND: return 1;
    default: return DefWindowProcA(hwnd, msg, wParam, lParam);
    }
}

// Paints the fixture-like coordinate pattern over the client area.
static LRESULT CALLBACK SceneProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg != WM_PAINT)
        return PlainProc(hwnd, msg, wParam, lParam);
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = kWindowWidth;
    info.bmiHeader.biHeight = -kWindowHeight;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    (void)SetDIBitsToDevice(dc, 0, 0, kWindowWidth, kWindowHeight, 0, 0, 0, kWindowHeight,
                            pattern.data(), &info, DIB_RGB_COLORS);
    EndPaint(hwnd, &ps);
    return 0;
}

static void PumpMessages(void)
{
    MSG msg;
    while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
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

static bool CreateViewer(HINSTANCE instance)
{
    WNDCLASSEXA wc = {};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = PlainProc;
    wc.hInstance = instance;
    wc.lpszClassName = "QvxBenchViewer";
    if (!RegisterClassExA(&wc))
        return false;
    wc.lpfnWndProc = SceneProc;
    wc.lpszClassName = "QvxBenchScene";
    if (!RegisterClassExA(&wc))
        return false;

    viewer_width = kViewSize;
    viewer_height = kViewSize;
    viewer_hwnd = CreateWindowExA(WS_EX_TOPMOST, "QvxBenchViewer", "bench viewer", WS_POPUP,
                                  kViewLeft, kViewTop, kViewSize, kViewSize, NULL, NULL, instance,
                                  NULL);
    if (viewer_hwnd == NULL)
        return false;
    viewer_dc = GetWindowDC(viewer_hwnd);
    if (InitGLContext(viewer_dc) != 0 || CreateShaderPrograms() != 0 || CreateRenderResources(viewer_width, viewer_height) != 0)
        return false;
    glViewport(0, 0, viewer_width, viewer_height);
    ShowWindow(viewer_hwnd, SW_SHOWNOACTIVATE);
    PumpMessages();
    return true;
}

// Scene window i of n: staggered so that every one overlaps the viewer.
static HWND CreateSceneWindow(HINSTANCE instance, int i)
{
    int x = kViewLeft - 200 + (i % 10) * 20;
    int y = kViewTop - 150 + (i / 10) * 20;
    char title[32];
    snprintf(title, sizeof(title), "Bench %d", i);
    return CreateWindowExA(0, "QvxBenchScene", title, WS_OVERLAPPEDWINDOW | WS_VISIBLE, x, y,
                           kWindowWidth, kWindowHeight, NULL, NULL, instance, NULL);
}

static void CapturePass(void)
{
    RECT view = {kViewLeft, kViewTop, kViewLeft + kViewSize, kViewTop + kViewSize};
    CaptureAllWindows(viewer_hwnd, &view, NULL);
    UploadCaptures();
}

// Bytes the last capture pass holds, as the frame reads them.
static size_t CapturedBytes(void)
{
    size_t bytes = 0;
    for (int k = 0; k < captured_count; k++) {
        const RECT& r = captured_rect[k];
        if (captured_pixels[k] != NULL && r.right > r.left && r.bottom > r.top)
            bytes += (size_t)(r.right - r.left) * (size_t)(r.bottom - r.top) * 4;
    }
    return bytes;
}

static void CopyCapturedBytes(uint8_t* scratch)
{
    size_t at = 0;
    for (int k = 0; k < captured_count; k++) {
        const RECT& r = captured_rect[k];
        if (captured_pixels[k] == NULL || r.right <= r.left || r.bottom <= r.top)
            continue;
        size_t bytes = (size_t)(r.right - r.left) * (size_t)(r.bottom - r.top) * 4;
        memcpy(scratch + at, captured_pixels[k], bytes);
        at += bytes;
    }
}

// The frame's floor: everything it does once the composed image is already
// on the GPU (pass_tex_a from the previous RenderFrame): the full-view quad,
// the radial pass, the present, the two marker lines, swap and finish.
static void FloorFrame(void)
{
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
    (void)GetWindowRect(viewer_hwnd, &frame_viewer_rect);
    RenderStagesAndPresent(viewer_dc, viewer_width, viewer_height);
}

static int OverlappingEntries(void)
{
    RECT view;
    if (!GetWindowRect(viewer_hwnd, &view))
        return 0;
    int overlapping = 0;
    for (int k = 0; k < captured_count; k++) {
        const RECT& r = captured_rect[k];
        if (r.left < view.right && r.right > view.left && r.top < view.bottom && r.bottom > view.top)
            overlapping++;
    }
    return overlapping;
}

static void RunScene(HINSTANCE instance, int window_count)
{
    std::vector<HWND> windows;
    for (int i = 0; i < window_count; i++) {
        HWND hwnd = CreateSceneWindow(instance, i);
        if (hwnd != NULL)
            windows.push_back(hwnd);
    }
    // The viewer stays in front, as its capture timer keeps it.
    (void)SetWindowPos(viewer_hwnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    for (int i = 0; i < 20; i++) {
        PumpMessages();
        Sleep(20);
    }

    CapturePass();
    size_t bytes = CapturedBytes();
    std::vector<uint8_t> scratch(bytes > 0 ? bytes : 1, 0);
    printf("scene: %d windows of %d x %d (frame included), viewer %d x %d; captured %d entries, "
           "%d overlap the viewer, %.1f MiB of pixels\n",
           (int)windows.size(), kWindowWidth, kWindowHeight, kViewSize, kViewSize, captured_count,
           OverlappingEntries(), (double)bytes / (1024.0 * 1024.0));

    std::vector<double> capture_ms, copy_ms, frame_ms, floor_ms;
    for (int run = 0; run < kRuns; run++) {
        double t0 = NowMs();
        CapturePass();
        double t1 = NowMs();
        CopyCapturedBytes(scratch.data());
        double t2 = NowMs();
        capture_ms.push_back(t1 - t0);
        copy_ms.push_back(t2 - t1);
        PumpMessages();
    }
    for (int run = 0; run < kRuns; run++) {
        double t0 = NowMs();
        RenderFrame(viewer_hwnd, viewer_dc, viewer_width, viewer_height);
        double t1 = NowMs();
        FloorFrame();
        double t2 = NowMs();
        frame_ms.push_back(t1 - t0);
        floor_ms.push_back(t2 - t1);
        PumpMessages();
    }
    double capture = Median(capture_ms), copy = Median(copy_ms);
    double frame = Median(frame_ms), floor = Median(floor_ms);
    printf("  capture pass  %8.2f ms   memcpy of its bytes        %8.2f ms   ratio %6.1f\n",
           capture, copy, copy > 0 ? capture / copy : 0.0);
    printf("  RenderFrame   %8.2f ms   frame with images on GPU   %8.2f ms   ratio %6.1f\n",
           frame, floor, floor > 0 ? frame / floor : 0.0);

    ReleaseCaptures(1);
    captured_count = 0;
    for (HWND hwnd : windows)
        DestroyWindow(hwnd);
    PumpMessages();
}

int main(void)
{
    HINSTANCE instance = GetModuleHandleA(NULL);
    pattern.resize((size_t)kWindowWidth * kWindowHeight);
    for (int y = 0; y < kWindowHeight; y++)
        for (int x = 0; x < kWindowWidth; x++)
            pattern[(size_t)y * kWindowWidth + x] =
                ((uint32_t)(x & 255) << 16) | ((uint32_t)(y & 255) << 8) | (uint32_t)((x ^ y) & 255);
    if (!CreateViewer(instance)) {
        printf("qvx_bench: cannot set up the viewer and its OpenGL context\n");
        return 1;
    }
    printf("qvx_bench: medians of %d runs; GL %s\n", kRuns, (const char*)glGetString(GL_RENDERER));
    const int scenes[] = {1, 10, 50};
    for (int n : scenes)
        RunScene(instance, n);
    return 0;
}
