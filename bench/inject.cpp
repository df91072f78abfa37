// qvx_inject: moves the pointer through the system's input queue, as a mouse
// does, for bench/follow.py, and reads the viewer's counters around it.
//
//   qvx_inject.exe RATE SECONDS [X Y SPEED AMPLITUDE]
//
// RATE moves a second (0: none, only wait) for SECONDS, along the sweep that
// follow.py's sweep_position gives: from (X, Y) out to X + AMPLITUDE, back
// to X - AMPLITUDE and so on, at SPEED px/s. Move k is due at k / RATE s and
// goes where the sweep is then; a move that falls behind goes where the
// sweep is at the latest time due, and the last puts the pointer where the
// sweep is at SECONDS. So the pointer is at sweep_position(floor(t * RATE) /
// RATE) at t. Prints a JSON line once it begins, with its start on
// QueryPerformanceCounter's clock in seconds, then one with the moves made,
// the seconds between the two readings of the viewer's counters (frames
// drawn, capture passes finished; -1 without a viewer) and the display's
// refresh rate as Windows reports it.
#include <windows.h>

#include <math.h>
#include <stdio.h>
#include <stdlib.h>

#include "app/app.h"

static LARGE_INTEGER inject_start, inject_frequency;

static double Seconds(void)
{
    LARGE_INTEGER now;
    (void)QueryPerformanceCounter(&now);
    return (double)(now.QuadPart - inject_start.QuadPart) / (double)inject_frequency.QuadPart;
}

static long long Counter(HWND viewer, WPARAM which)
{
    DWORD_PTR result = 0;
    if (!viewer || !SendMessageTimeoutA(viewer, QVX_COUNTERS, which, 0, SMTO_ABORTIFHUNG, 1000, &result))
        return -1;
    return (long long)result;
}

static int RefreshRate(void)
{
    DEVMODEA mode = {};
    mode.dmSize = sizeof(mode);
    return EnumDisplaySettingsA(NULL, ENUM_CURRENT_SETTINGS, &mode) ? (int)mode.dmDisplayFrequency : -1;
}

// Pointer x at t seconds, as follow.py's sweep_position.
static double SweepX(double t, double x, double speed, double amplitude)
{
    double d = fmod(speed * t, 4 * amplitude);
    if (d < amplitude)
        return x + d;
    if (d < 3 * amplitude)
        return x + 2 * amplitude - d;
    return x - 4 * amplitude + d;
}

// NOTE: Wine maps an absolute coordinate a to left + a * width / 65536
// (rounded down); the smallest a that lands on the pixel is exact there.
static LONG Absolute(double pixel, int left, int width)
{
    long long p = (long long)floor(pixel) - left;
    return (LONG)((p * 65536 + width - 1) / width);
}

static void MovePointer(double x, double y)
{
    INPUT input = {};
    input.type = INPUT_MOUSE;
    input.mi.dx = Absolute(x, GetSystemMetrics(SM_XVIRTUALSCREEN), GetSystemMetrics(SM_CXVIRTUALSCREEN));
    input.mi.dy = Absolute(y, GetSystemMetrics(SM_YVIRTUALSCREEN), GetSystemMetrics(SM_CYVIRTUALSCREEN));
    input.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_VIRTUALDESK;
    (void)SendInput(1, &input, sizeof(input));
}

int main(int argc, char** argv)
{
    const double rate = argc >= 3 ? atof(argv[1]) : -1, seconds = argc >= 3 ? atof(argv[2]) : -1;
    if (rate < 0 || seconds <= 0 || (rate > 0 && argc < 7)) {
        fprintf(stderr, "usage: qvx_inject.exe RATE SECONDS [X Y SPEED AMPLITUDE]\n");
        return 2;
    }
    const double x = rate > 0 ? atof(argv[3]) : 0, y = rate > 0 ? atof(argv[4]) : 0;
    const double speed = rate > 0 ? atof(argv[5]) : 0, amplitude = rate > 0 ? atof(argv[6]) : 0;
    HWND viewer = FindWindowA("MainWindow", NULL);
    const int refresh = RefreshRate();
    (void)QueryPerformanceFrequency(&inject_frequency);

    const long long frames0 = Counter(viewer, 0), passes0 = Counter(viewer, 1);
    (void)QueryPerformanceCounter(&inject_start);
    printf("{\"started\": %.7f}\n", (double)inject_start.QuadPart / (double)inject_frequency.QuadPart);
    fflush(stdout);
    long moves = 0;
    long next = 0; // the move due next, at next / rate s
    for (;;) {
        double now = Seconds();
        if (now >= seconds)
            break;
        if (rate > 0 && now * rate >= next) {
            // A mouse that was held up does not report the moves it missed.
            const long due = (long)(now * rate) > next ? (long)(now * rate) : next;
            MovePointer(SweepX(due / rate, x, speed, amplitude), y);
            moves++;
            next = due + 1;
        }
        // NOTE: under Wine a Sleep returns up to about 1 ms late and SendInput
        // takes up to 0.9 ms: the last one to two milliseconds before a move
        // are spun.
        const double wait = (rate > 0 && next / rate < seconds ? next / rate : seconds) - Seconds();
        const int sleep_ms = (int)(1000 * wait) - 1;
        if (sleep_ms >= 1)
            Sleep((DWORD)sleep_ms);
        else if (wait > 0)
            (void)SwitchToThread();
    }
    if (rate > 0) {
        MovePointer(SweepX(seconds, x, speed, amplitude), y);
        moves++;
    }
    const long long frames1 = Counter(viewer, 0), passes1 = Counter(viewer, 1);
    const double elapsed = Seconds();
    printf("{\"rate\": %g, \"moves\": %ld, \"seconds\": %.4f, \"frames\": [%lld, %lld], \"passes\": [%lld, %lld], "
           "\"refresh_hz\": %d}\n",
           rate, moves, elapsed, frames0, frames1, passes0, passes1, refresh);
    fflush(stdout);
    return 0;
}
