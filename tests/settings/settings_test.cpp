// The settings window inside a running viewer: the real viewer window (with
// its OpenGL context and timers) and the shipped layout file, driven by the
// messages a user's typing and dragging produce.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>
#include <vector>

#include "app/app.h"
#include "render/render.h"
#include "settings/settings.h"
#include "support/test_support.h"

namespace {

HWND SettingsHwnd()
{
    return FindWindowA("Settings_Window_Class", "Quorvix: Settings");
}

int CountSettingsWindows()
{
    int n = 0;
    for (HWND h = NULL; (h = FindWindowExA(NULL, h, "Settings_Window_Class", NULL)) != NULL;)
        ++n;
    return n;
}

HWND Control(int32_t id)
{
    return (HWND)FindWindowById_GuiElementTable(&element_table, id);
}

std::string Text(HWND hwnd)
{
    char text[64] = "";
    GetWindowTextA(hwnd, text, sizeof(text));
    return text;
}

// Puts text into a box and commits it with Enter, as a user would.
void Enter(int32_t id, const char* text)
{
    HWND box = Control(id);
    ASSERT_NE(box, (HWND)NULL) << "no control " << id;
    SetWindowTextA(box, text);
    SendMessageA(box, WM_KEYDOWN, VK_RETURN, 0x001C0001);
    SendMessageA(box, WM_KEYUP, VK_RETURN, 0xC01C0001);
}

// A track bar moved by the program repaints like one moved by the user.
void MoveThumb(int32_t id, int position)
{
    HWND bar = Control(id);
    ASSERT_NE(bar, (HWND)NULL) << "no control " << id;
    SendMessageA(bar, TBM_SETPOS, TRUE, position);
    UpdateWindow(bar);
}

// A running timer has a WM_TIMER waiting once its period has passed.
bool ViewerTimerRunning(UINT_PTR id)
{
    Sleep(250);
    MSG m;
    for (int i = 0; i < 20 && PeekMessageA(&m, viewer_hwnd, WM_TIMER, WM_TIMER, PM_REMOVE); ++i) {
        if (m.wParam == id)
            return true;
    }
    return false;
}

int CountThreadWindows()
{
    struct Counter {
        static BOOL CALLBACK Child(HWND, LPARAM n) { ++*(int*)n; return TRUE; }
        static BOOL CALLBACK Top(HWND h, LPARAM n)
        {
            ++*(int*)n;
            EnumChildWindows(h, Child, n);
            return TRUE;
        }
    };
    int n = 0;
    EnumThreadWindows(GetCurrentThreadId(), Counter::Top, (LPARAM)&n);
    return n;
}

bool Overlap(const RECT& a, const RECT& b)
{
    RECT i;
    return IntersectRect(&i, &a, &b) != 0;
}

// Points the layout file at another file for the rest of a test; the shipped
// one comes back when the test ends.
struct LayoutSwap {
    explicit LayoutSwap(const char* name)
    {
        Release_CsvFile(&layout_file);
        if (name)
            (void)Read_CsvFile(&layout_file, name);
    }
    ~LayoutSwap()
    {
        Release_CsvFile(&layout_file);
        (void)Read_CsvFile(&layout_file, "settings_gui_layout.csv");
    }
};

void WriteFile(const char* name, const std::string& text)
{
    FILE* f = fopen(name, "wb");
    ASSERT_NE(f, (FILE*)NULL);
    fwrite(text.data(), 1, text.size(), f);
    fclose(f);
}

class SettingsWindow : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_BAR_CLASSES};
        (void)InitCommonControlsEx(&controls);
        SetCursorPos(1000, 500);
        ASSERT_NE(CreateViewerWindow(GetModuleHandleA(NULL)), (HWND)NULL);
        ShowWindow(viewer_hwnd, SW_SHOWNOACTIVATE);
        PumpMessages(300);
    }

    void SetUp() override
    {
        ASSERT_TRUE(IsWindow(viewer_hwnd));
        ASSERT_EQ(settings_window_open, 0);
        // Every test starts from the defaults, with the viewer away from the settings window.
        viewer_width = viewer_height = 400;
        K1 = 0.7f;
        P1 = 1.7f;
        dist_cx = dist_cy = 0.0f;
        SetWindowPos(viewer_hwnd, HWND_TOPMOST, 800, 300, 400, 400, SWP_NOACTIVATE);
        (void)ResizeRenderTextures(viewer_width, viewer_height);
    }

    void TearDown() override
    {
        if (SettingsHwnd())
            SendMessageA(SettingsHwnd(), WM_CLOSE, 0, 0);
        PumpMessages(50);
    }

    static HWND Open()
    {
        EXPECT_EQ(CreateSettingsWindow(NULL), 1);
        PumpMessages(300);
        return SettingsHwnd();
    }
};

TEST_F(SettingsWindow, OpensFromTheLayoutStopsTheViewerAndClosesCleanly)
{
    ASSERT_TRUE(ViewerTimerRunning(capture_timer_id));
    HWND s = Open();
    ASSERT_NE(s, (HWND)NULL);
    EXPECT_EQ(settings_window_open, 1);

    RECT r;
    GetWindowRect(s, &r);
    EXPECT_EQ(r.left, 50);
    EXPECT_EQ(r.top, 50);
    EXPECT_EQ(r.right - r.left, 500);
    EXPECT_EQ(r.bottom - r.top, 500);
    LONG ex = GetWindowLongA(s, GWL_EXSTYLE);
    EXPECT_TRUE(ex & WS_EX_TOPMOST);
    EXPECT_TRUE(ex & WS_EX_CLIENTEDGE);
    EXPECT_EQ((DWORD)GetWindowLongA(s, GWL_STYLE) & WS_OVERLAPPEDWINDOW, (DWORD)WS_OVERLAPPEDWINDOW);

    // Two containers and, per parameter, a label, a box and a track bar.
    EXPECT_EQ(element_table.count, 20);
    const int32_t boxes[] = {301, 302, 303, 304, 305, 306};
    for (int32_t id : boxes) {
        HWND box = Control(id), bar = Control(id + 600);
        ASSERT_NE(box, (HWND)NULL) << id;
        ASSERT_NE(bar, (HWND)NULL) << id + 600;
        EXPECT_TRUE(IsChild(s, box));
        EXPECT_TRUE(IsChild(s, bar));
        char cls[64];
        GetClassNameA(bar, cls, sizeof(cls));
        EXPECT_STREQ(cls, "msctls_trackbar32");
        EXPECT_EQ(GetDlgCtrlID(box), id);
    }

    // The current parameters, shown as the user would type them: the float
    // 0.7 stays 0.70 and is not cut to 0.69 by the track bar's steps.
    EXPECT_EQ(Text(Control(301)), "400");
    EXPECT_EQ(Text(Control(302)), "400");
    EXPECT_EQ(Text(Control(303)), "0.70");
    EXPECT_EQ(Text(Control(304)), "1.70");
    EXPECT_EQ(Text(Control(305)), "0.00");
    EXPECT_EQ(SendMessageA(Control(903), TBM_GETPOS, 0, 0), 70);
    EXPECT_EQ(SendMessageA(Control(904), TBM_GETPOS, 0, 0), 170);
    EXPECT_EQ(SendMessageA(Control(905), TBM_GETRANGEMIN, 0, 0), -100);
    EXPECT_EQ(SendMessageA(Control(901), TBM_GETRANGEMAX, 0, 0), 1200);
    EXPECT_EQ(K1, 0.7f);
    EXPECT_EQ(P1, 1.7f);
    EXPECT_EQ(viewer_width, 400);

    POINT p;
    GetCursorPos(&p);
    EXPECT_EQ(p.x, 300);
    EXPECT_EQ(p.y, 300);
    EXPECT_FALSE(ViewerTimerRunning(capture_timer_id));
    EXPECT_FALSE(ViewerTimerRunning(repaint_timer_id));

    // A second request while it is open changes nothing.
    EXPECT_EQ(CreateSettingsWindow(NULL), 1);
    PumpMessages(100);
    EXPECT_EQ(CountSettingsWindows(), 1);
    EXPECT_EQ(SettingsHwnd(), s);

    RECT v;
    GetWindowRect(viewer_hwnd, &v);
    HWND box = Control(303);
    SendMessageA(s, WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindow(s));
    EXPECT_FALSE(IsWindow(box));
    EXPECT_EQ(settings_window_open, 0);
    EXPECT_EQ(element_table.elements[0].kind[0], '\0');
    EXPECT_TRUE(IsWindow(viewer_hwnd)) << "closing the settings window never ends the program";
    GetCursorPos(&p);
    EXPECT_EQ(p.x, v.left + 200);
    EXPECT_EQ(p.y, v.top + 200);
    EXPECT_TRUE(ViewerTimerRunning(capture_timer_id));
    EXPECT_TRUE(ViewerTimerRunning(repaint_timer_id));
}

TEST_F(SettingsWindow, ShippedLayoutIsReadableAndNothingOverlaps)
{
    HWND s = Open();
    ASSERT_NE(s, (HWND)NULL);
    RECT client;
    GetClientRect(s, &client);

    // Every control inside the client area; controls of one parent apart.
    std::vector<RECT> controls;
    std::vector<HWND> parents;
    for (int i = 0; i < element_table.count; ++i) {
        const GuiElement* e = &element_table.elements[i];
        if (!e->window)
            continue;
        RECT r;
        GetWindowRect((HWND)e->window, &r);
        MapWindowPoints(HWND_DESKTOP, s, (POINT*)&r, 2);
        EXPECT_GE(r.left, client.left) << e->id;
        EXPECT_GE(r.top, client.top) << e->id;
        EXPECT_LE(r.right, client.right) << e->id;
        EXPECT_LE(r.bottom, client.bottom) << e->id;
        for (size_t j = 0; j < controls.size(); ++j) {
            if (parents[j] == GetParent((HWND)e->window)) {
                EXPECT_FALSE(Overlap(controls[j], r)) << "control " << e->id << " overlaps another";
            }
        }
        controls.push_back(r);
        parents.push_back(GetParent((HWND)e->window));
    }

    // Each label fits the window, touches no box or track bar, and is painted.
    HDC dc = GetDC(s);
    int labels = 0;
    for (int i = 0; i < element_table.count; ++i) {
        const GuiElement* e = &element_table.elements[i];
        if (KindOf_GuiElement(e) != GUI_KIND_TEXT_LABEL)
            continue;
        ++labels;
        int32_t x = 0, y = 0;
        GetAbsolutePosition_GuiElementTable(&element_table, e->id, &x, &y);
        SIZE size;
        GetTextExtentPoint32A(dc, e->caption, (int)strlen(e->caption), &size);
        RECT label = {x, y, x + size.cx, y + size.cy};
        EXPECT_LE(label.right, client.right) << e->caption;
        EXPECT_LE(label.bottom, client.bottom) << e->caption;
        for (int j = 0; j < element_table.count; ++j) {
            const GuiElement* c = &element_table.elements[j];
            if (!c->window || KindOf_GuiElement(c) == GUI_KIND_CONTAINER)
                continue;
            RECT r;
            GetWindowRect((HWND)c->window, &r);
            MapWindowPoints(HWND_DESKTOP, s, (POINT*)&r, 2);
            EXPECT_FALSE(Overlap(label, r)) << e->caption << " is covered by control " << c->id;
        }
        int ink = 0;
        for (int py = label.top; py < label.bottom; ++py)
            for (int px = label.left; px < label.right; ++px)
                ink += GetPixel(dc, px, py) == RGB(0, 0, 0);
        EXPECT_GT(ink, 2 * (int)strlen(e->caption)) << "label not painted: " << e->caption;
    }
    ReleaseDC(s, dc);
    EXPECT_EQ(labels, 6);
}

TEST_F(SettingsWindow, EditBoxesCommitOnEnterAndFocusLossAndPreviewOtherKeys)
{
    ASSERT_NE(Open(), (HWND)NULL);

    // Enter applies the typed text at once; the track bar's repaint then
    // writes back what its steps can stand for.
    Enter(303, "1.234");
    EXPECT_EQ(K1, 1.234f);
    PumpMessages(200);
    EXPECT_EQ(SendMessageA(Control(903), TBM_GETPOS, 0, 0), 123);
    EXPECT_EQ(Text(Control(303)), "1.23");
    EXPECT_EQ(K1, 1.23f);

    // Any other key applies the text as it stood before that key.
    SetWindowTextA(Control(303), "0.5");
    SendMessageA(Control(303), WM_KEYDOWN, '9', 0x000A0001);
    EXPECT_EQ(K1, 0.5f);

    // Text that does not convert changes nothing: not K1, not the thumb.
    Enter(303, "1.25");
    PumpMessages(200);
    ASSERT_EQ(K1, 1.25f);
    Enter(303, "abc");
    PumpMessages(200);
    EXPECT_EQ(K1, 1.25f);
    EXPECT_EQ(SendMessageA(Control(903), TBM_GETPOS, 0, 0), 125);
    Enter(303, "1*10^999");
    PumpMessages(200);
    EXPECT_EQ(K1, 1.25f) << "a number beyond any float is refused";

    // An empty or wrong width keeps the width (it does not become 0, nor the
    // track bar's minimum) and the viewer keeps its size.
    Enter(301, "");
    PumpMessages(200);
    EXPECT_EQ(viewer_width, 400);
    Enter(301, "12x");
    PumpMessages(200);
    EXPECT_EQ(viewer_width, 400);
    RECT v;
    GetWindowRect(viewer_hwnd, &v);
    EXPECT_EQ(v.right - v.left, 400);

    // A width beyond the track bar's range ends at its end, in the box too.
    Enter(301, "5000");
    PumpMessages(200);
    EXPECT_EQ(viewer_width, 1200);
    EXPECT_EQ(Text(Control(301)), "1200");
    Enter(301, "400");
    PumpMessages(200);
    EXPECT_EQ(viewer_width, 400);

    // Leaving a box commits it like Enter.
    SetWindowTextA(Control(304), "2.5");
    SendMessageA(Control(304), WM_KILLFOCUS, 0, 0);
    EXPECT_EQ(P1, 2.5f);
    PumpMessages(200);
    EXPECT_EQ(SendMessageA(Control(904), TBM_GETPOS, 0, 0), 250);

    // The centre takes negative values; below the range it stops at -1.
    Enter(306, "-0.25");
    PumpMessages(200);
    EXPECT_EQ(dist_cy, -0.25f);
    Enter(305, "-7");
    PumpMessages(200);
    EXPECT_EQ(dist_cx, -1.0f);
    EXPECT_EQ(Text(Control(305)), "-1.00");
}

TEST_F(SettingsWindow, TrackBarsDriveTheirBoxesAndResizeTheViewerInPlace)
{
    ASSERT_NE(Open(), (HWND)NULL);
    RECT before;
    GetWindowRect(viewer_hwnd, &before);

    MoveThumb(901, 600);
    PumpMessages(100);
    EXPECT_EQ(viewer_width, 600);
    EXPECT_EQ(Text(Control(301)), "600");
    MoveThumb(902, 250);
    PumpMessages(100);
    EXPECT_EQ(viewer_height, 250);
    RECT after;
    GetWindowRect(viewer_hwnd, &after);
    EXPECT_EQ(after.left, before.left);
    EXPECT_EQ(after.top, before.top);
    EXPECT_EQ(after.right - after.left, 600);
    EXPECT_EQ(after.bottom - after.top, 250);

    MoveThumb(903, 123);
    PumpMessages(100);
    EXPECT_EQ(K1, 1.23f);
    EXPECT_EQ(Text(Control(303)), "1.23");
    MoveThumb(905, -50);
    PumpMessages(100);
    EXPECT_EQ(dist_cx, -0.5f);
    EXPECT_EQ(Text(Control(305)), "-0.50");

    // The new values outlive the window and are shown when it opens again.
    SendMessageA(SettingsHwnd(), WM_CLOSE, 0, 0);
    PumpMessages(100);
    EXPECT_EQ(viewer_width, 600);
    EXPECT_EQ(K1, 1.23f);
    ASSERT_NE(Open(), (HWND)NULL);
    EXPECT_EQ(Text(Control(301)), "600");
    EXPECT_EQ(Text(Control(302)), "250");
    EXPECT_EQ(Text(Control(303)), "1.23");
    EXPECT_EQ(Text(Control(305)), "-0.50");
    EXPECT_EQ(K1, 1.23f);
    EXPECT_EQ(dist_cx, -0.5f);
}

// Hundredths as a user types them: -29 is "-0.29".
std::string Hundredths(int h)
{
    char text[16];
    snprintf(text, sizeof(text), "%s%d.%02d", h < 0 ? "-" : "", abs(h) / 100, abs(h) % 100);
    return text;
}

// Opens the window and has every control paint at once, as its first paint
// does when a user opens it.
HWND OpenAndPaint()
{
    EXPECT_EQ(CreateSettingsWindow(NULL), 1);
    HWND s = SettingsHwnd();
    RedrawWindow(s, NULL, NULL, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    return s;
}

// The thumb's middle, as a fraction of the way along the channel.
double ThumbFraction(HWND bar)
{
    RECT thumb, channel;
    SendMessageA(bar, TBM_GETTHUMBRECT, 0, (LPARAM)&thumb);
    SendMessageA(bar, TBM_GETCHANNELRECT, 0, (LPARAM)&channel);
    return ((thumb.left + thumb.right) / 2.0 - channel.left) / (channel.right - channel.left);
}

TEST_F(SettingsWindow, EveryTwoDecimalValueComesBackAsTyped)
{
    // A small view: every step here draws a frame, and only the values matter.
    viewer_width = viewer_height = 50;
    struct Bound { int32_t box; float* parameter; std::vector<float> kept; };
    Bound bound[] = {{303, &K1, {}}, {304, &P1, {}}, {305, &dist_cx, {}}, {306, &dist_cy, {}}};
    ASSERT_NE(OpenAndPaint(), (HWND)NULL);
    // The centre's 0 stands in the middle of its slider, not at an end.
    EXPECT_NEAR(ThumbFraction(Control(905)), 0.5, 0.05);
    EXPECT_NEAR(ThumbFraction(Control(906)), 0.5, 0.05);

    // Committed with Enter, each value stays what was typed, with its thumb
    // on its step; beyond the range it is held at the end.
    for (Bound& b : bound) {
        const GuiElement* bar = &element_table.elements[FindIndexById_GuiElementTable(&element_table, b.box + 600)];
        ASSERT_EQ(bar->scale, 0.01) << b.box;
        const int lo = (int)lround(bar->range_min * 100), hi = (int)lround(bar->range_max * 100);
        for (int h = lo - 1; h <= hi + 1; ++h) {
            const int held = h < lo ? lo : h > hi ? hi : h;
            Enter(b.box, Hundredths(h).c_str());
            UpdateWindow(Control(b.box + 600));
            ASSERT_EQ(Text(Control(b.box)), Hundredths(held)) << "typed " << Hundredths(h);
            ASSERT_EQ(SendMessageA(Control(b.box + 600), TBM_GETPOS, 0, 0), held);
            ASSERT_EQ(*b.parameter, (float)atof(Hundredths(held).c_str())) << Hundredths(h);
            if (h == held)
                b.kept.push_back(*b.parameter);
        }
    }

    // Committing the same text again and again changes nothing.
    Enter(303, "1.19");
    for (int i = 0; i < 10; ++i) {
        SendMessageA(Control(303), WM_KEYDOWN, VK_RETURN, 0x001C0001);
        UpdateWindow(Control(903));
    }
    EXPECT_EQ(Text(Control(303)), "1.19");
    EXPECT_EQ(K1, 1.19f);

    // Opening the window shows each value and leaves every parameter as it was.
    SendMessageA(SettingsHwnd(), WM_CLOSE, 0, 0);
    size_t longest = 0;
    for (const Bound& b : bound)
        longest = b.kept.size() > longest ? b.kept.size() : longest;
    for (size_t i = 0; i < longest; ++i) {
        for (Bound& b : bound)
            *b.parameter = b.kept[i % b.kept.size()];
        ASSERT_NE(OpenAndPaint(), (HWND)NULL);
        for (const Bound& b : bound) {
            ASSERT_EQ(*b.parameter, b.kept[i % b.kept.size()]) << b.box << " opening " << i;
        }
        SendMessageA(SettingsHwnd(), WM_CLOSE, 0, 0);
    }
}

TEST_F(SettingsWindow, MissingOrBrokenLayoutStillOpens)
{
    {
        LayoutSwap swap("no-such-layout.csv");
        HWND s = Open();
        ASSERT_NE(s, (HWND)NULL);
        EXPECT_EQ(GetWindow(s, GW_CHILD), (HWND)NULL) << "no controls without a layout";
        EXPECT_FALSE(ViewerTimerRunning(capture_timer_id));
        SendMessageA(s, WM_CLOSE, 0, 0);
        EXPECT_TRUE(ViewerTimerRunning(capture_timer_id));
    }
    {
        // The third row has a letter in its x cell: the rows before it stay.
        WriteFile("settings_test_broken.csv",
                  LayoutHeader() + Row("Write", 303, 0, {300, 20, 80, 24}, {{CELL_TYPE, "D"}, {CELL_DOUBLE, "0.7"}}) +
                      Row("Text", 403, 0, {20, 24, 0, 0}, {{CELL_CAPTION, "K1 alone"}}) +
                      Row("Write", 304, 0, {0, 60, 80, 24}, {{CELL_X, "3x0"}, {CELL_TYPE, "D"}, {CELL_DOUBLE, "1.7"}}) +
                      Row("Write", 305, 0, {300, 100, 80, 24}, {{CELL_TYPE, "D"}, {CELL_DOUBLE, "0"}}));
        LayoutSwap swap("settings_test_broken.csv");
        HWND s = Open();
        ASSERT_NE(s, (HWND)NULL);
        HWND first = GetDlgItem(s, 303);
        EXPECT_NE(first, (HWND)NULL);
        EXPECT_EQ(GetDlgItem(s, 305), (HWND)NULL);
        // Typing into the surviving box is harmless; a failed load binds nothing.
        SetWindowTextA(first, "1.9");
        SendMessageA(first, WM_KEYDOWN, VK_RETURN, 0);
        EXPECT_EQ(K1, 0.7f);
        SendMessageA(s, WM_CLOSE, 0, 0);
        EXPECT_EQ(settings_window_open, 0);
        DeleteFileA("settings_test_broken.csv");
    }
}

TEST_F(SettingsWindow, FailedCreationIsRetriedByTheNextRequest)
{
    ASSERT_TRUE(UnregisterClassA("Settings_Window_Class", settings_class.hInstance));
    EXPECT_EQ(CreateSettingsWindow(NULL), 0);
    EXPECT_EQ(settings_window_open, 0);
    EXPECT_TRUE(ViewerTimerRunning(capture_timer_id)) << "a failed creation leaves the viewer running";
    ASSERT_NE(RegisterClassExA(&settings_class), 0);
    EXPECT_EQ(CreateSettingsWindow(NULL), 1);
    EXPECT_EQ(settings_window_open, 1);
    EXPECT_NE(SettingsHwnd(), (HWND)NULL);
}

TEST_F(SettingsWindow, OpeningAndClosingManyTimesLeavesNoWindows)
{
    int before = CountThreadWindows();
    for (int i = 0; i < 30; ++i) {
        HWND s = Open();
        ASSERT_NE(s, (HWND)NULL) << "opening " << i;
        SendMessageA(s, WM_CLOSE, 0, 0);
        PumpMessages(10);
    }
    EXPECT_EQ(CountThreadWindows(), before);
    EXPECT_EQ(CountSettingsWindows(), 0);
}

// Stand-ins for GetDpiForMonitor: a monitor at 150 %, and a refusal.
HRESULT WINAPI MonitorAt144(HMONITOR, MONITOR_DPI_TYPE type, UINT* x, UINT* y)
{
    *x = *y = type == MDT_EFFECTIVE_DPI ? 144 : 1;
    return S_OK;
}

HRESULT WINAPI MonitorRefuses(HMONITOR, MONITOR_DPI_TYPE, UINT*, UINT*)
{
    return E_INVALIDARG;
}

TEST(SettingsScale, DpiOfTheMonitorElseOfTheScreen)
{
    const HMONITOR primary = MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY);
    const HDC screen = GetDC(NULL);
    const int screen_dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(NULL, screen);
    ASSERT_EQ(screen_dpi, 96);
    EXPECT_EQ(MonitorDpi(primary, MonitorAt144), 144);
    EXPECT_EQ(MonitorDpi(primary, MonitorRefuses), 96);
    EXPECT_EQ(MonitorDpi(primary, NULL), 96) << "as on Windows 7";
    // Wine has GetDpiForMonitor, as Windows 8.1 and later have; one DPI for every monitor.
    ASSERT_NE(LoadDpiForMonitor(), (DpiForMonitorProc)NULL);
    EXPECT_EQ(MonitorDpi(primary, LoadDpiForMonitor()), 96);
}

TEST(SettingsScale, WindowScaledAndKeptWithinTheWorkArea)
{
    struct Case { int32_t dpi; RECT work; RECT expected; } cases[] = {
        {96, {0, 0, 1920, 1080}, {50, 50, 550, 550}},
        {144, {0, 0, 1920, 1080}, {75, 75, 825, 825}},
        {192, {0, 0, 1920, 1080}, {100, 80, 1100, 1080}},   // moved up to end at the bottom
        {96, {62, 40, 1920, 1080}, {50, 50, 550, 550}},     // never pushed right or down
        {192, {0, 0, 1280, 720}, {100, 0, 1100, 1000}},     // too tall: from the top
    };
    for (const Case& c : cases) {
        const RECT r = SettingsWindowRect(c.dpi, &c.work);
        EXPECT_TRUE(EqualRect(&r, &c.expected)) << c.dpi << ": " << r.left << "," << r.top << ","
                                                << r.right << "," << r.bottom;
    }
}

TEST(SettingsScale, FontOfTheLayoutsCellsAtTheDpi)
{
    EXPECT_EQ(CreateSettingsFont(96), (HFONT)NULL) << "at 96 DPI the system's own font";
    const HDC screen = GetDC(NULL);
    TEXTMETRICA system_font, scaled;
    SelectObject(screen, GetStockObject(SYSTEM_FONT));
    GetTextMetricsA(screen, &system_font);
    const HFONT font = CreateSettingsFont(192);
    ASSERT_NE(font, (HFONT)NULL);
    SelectObject(screen, font);
    GetTextMetricsA(screen, &scaled);
    SelectObject(screen, GetStockObject(SYSTEM_FONT));
    ReleaseDC(NULL, screen);
    DeleteObject(font);
    EXPECT_NEAR(scaled.tmHeight, 2 * system_font.tmHeight, 2);
    EXPECT_NEAR(scaled.tmAveCharWidth, 2 * system_font.tmAveCharWidth, 1);
}

} // namespace
