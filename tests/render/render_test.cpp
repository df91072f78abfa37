// The renderer on a real OpenGL context under Wine: a 400 x 400 popup stands
// in for the viewer window, the capture table is filled with our own images,
// and frames are read back and compared with a CPU model of the lens.
#include <gtest/gtest.h>

#include <limits.h>
#include <math.h>
#include <stdint.h>
#include <string.h>
#include <vector>

#include "app/app.h"
#include "capture/capture.h"
#include "fixture/fixture_pattern.h"
#include "fixture/fixture_run.h"
#include "render/render_internal.h"
#include "support/test_support.h"

namespace {

const int kViewLeft = 200, kViewTop = 150, kViewSize = 400;
int init_status = -1, programs_status = -1, resources_status = -1;

struct Rgb {
    int r, g, b;
};

LRESULT CALLBACK TestViewerProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_ERASEBKGND: return 1; // GDI must not paint over the GL image
    default: return DefWindowProcA(hwnd, msg, wParam, lParam);
    }
}

// Sets the renderer up as the viewer's creation does, once per process.
void EnsureViewer(void)
{
    if (viewer_hwnd != NULL)
        return;
    ASSERT_NE(RegisterTestClass("QvxRenderTestViewer", TestViewerProc), 0);
    viewer_hwnd = CreateWindowExA(WS_EX_TOPMOST, "QvxRenderTestViewer", "render test",
                                  WS_POPUP, kViewLeft, kViewTop, kViewSize, kViewSize, NULL, NULL,
                                  GetModuleHandleA(NULL), NULL);
    ASSERT_NE(viewer_hwnd, (HWND)NULL);
    ShowWindow(viewer_hwnd, SW_SHOWNOACTIVATE);
    UpdateWindow(viewer_hwnd);
    PumpMessages();
    viewer_width = kViewSize;
    viewer_height = kViewSize;
    viewer_dc = GetWindowDC(viewer_hwnd);
    ASSERT_NE(viewer_dc, (HDC)NULL);
    init_status = InitGLContext(viewer_dc);
    programs_status = CreateShaderPrograms();
    resources_status = CreateRenderResources(viewer_width, viewer_height);
    Sleep(200);
    PumpMessages();
}

void ResetParameters(void)
{
    radial_enabled = 1;
    wave_enabled = 0;
    K1 = 0.7f; K2 = 0.0f; K3 = 0.0f;
    P1 = 1.7f; P2 = 0.0f; P3 = 0.0f;
    dist_cx = 0.0f; dist_cy = 0.0f;
}

// A window image as the capture delivers it: BGRA bytes, top row first.
struct Image {
    int width, height;
    std::vector<uint8_t> bgra;
};

// Smooth gradients that wrap, and 16-pixel blocks in blue; never pure green.
Rgb PatternPixel(int x, int y)
{
    Rgb c;
    c.r = (x * 3) & 255;
    c.g = (y * 5) & 255;
    c.b = ((x / 16 + y / 16) & 1) ? 220 : 40;
    return c;
}

Image PatternImage(int width, int height)
{
    Image image{width, height, std::vector<uint8_t>((size_t)width * height * 4)};
    for (int y = 0; y < height; y++)
        for (int x = 0; x < width; x++) {
            Rgb c = PatternPixel(x, y);
            uint8_t* p = &image.bgra[((size_t)y * width + x) * 4];
            p[0] = (uint8_t)c.b; p[1] = (uint8_t)c.g; p[2] = (uint8_t)c.r; p[3] = 255;
        }
    return image;
}

Image SolidImage(int width, int height, Rgb c)
{
    Image image{width, height, std::vector<uint8_t>((size_t)width * height * 4)};
    for (size_t i = 0; i < image.bgra.size(); i += 4) {
        image.bgra[i] = (uint8_t)c.b; image.bgra[i + 1] = (uint8_t)c.g;
        image.bgra[i + 2] = (uint8_t)c.r; image.bgra[i + 3] = 255;
    }
    return image;
}

// Entry k of the capture table: an opaque window whose image is pixels.
void SetEntryRect(int k, RECT rect, uint8_t* pixels)
{
    captured_rect[k] = rect;
    captured_pixels[k] = pixels;
    captured_look[k] = CapturedLook{rect, 255, false, true, false, 0};
}

void SetEntry(int k, Image* image, int left, int top)
{
    SetEntryRect(k, RECT{left, top, left + image->width, top + image->height}, image->bgra.data());
}

// A frame of the test viewer from the table as the test filled it: the tiles
// over the view go up, then the frame is drawn.
void Frame(void)
{
    capture_reach = RECT{kViewLeft, kViewTop, kViewLeft + kViewSize, kViewTop + kViewSize};
    ComposeCaptureTiles();
    UploadCaptures();
    RenderFrame(viewer_hwnd, viewer_dc, viewer_width, viewer_height);
}

// Copies width x height pixels at (x, y) of source into bgra (top row
// first, 4 bytes a pixel) through a DIB section, as GDI gives them.
bool CopyFromDC(HDC source, int x, int y, int width, int height, uint8_t* bgra)
{
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height; // top row first
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = NULL;
    HDC memory = CreateCompatibleDC(source);
    HBITMAP bitmap = CreateDIBSection(source, &info, DIB_RGB_COLORS, &bits, NULL, 0);
    bool copied = false;
    if (source && memory && bitmap && bits) {
        HGDIOBJ old = SelectObject(memory, bitmap);
        copied = BitBlt(memory, 0, 0, width, height, source, x, y, SRCCOPY) != 0;
        GdiFlush();
        memcpy(bgra, bits, (size_t)width * height * 4);
        SelectObject(memory, old);
    }
    if (bitmap)
        DeleteObject(bitmap);
    if (memory)
        DeleteDC(memory);
    return copied;
}

// The presented frame as RGB, row 0 at the top of the view, as the screen
// shows it. NOTE: under Wine a glReadPixels of GL_FRONT returns zeros, so
// the view is read back with GDI from the screen, where SwapBuffers put it.
std::vector<Rgb> ReadPresented(void)
{
    std::vector<uint8_t> bgra((size_t)kViewSize * kViewSize * 4);
    HDC screen = GetDC(NULL);
    if (!CopyFromDC(screen, kViewLeft, kViewTop, kViewSize, kViewSize, bgra.data()))
        ADD_FAILURE() << "cannot read the screen";
    if (screen)
        ReleaseDC(NULL, screen);
    std::vector<Rgb> view((size_t)kViewSize * kViewSize);
    for (size_t i = 0; i < view.size(); i++)
        view[i] = Rgb{bgra[4 * i + 2], bgra[4 * i + 1], bgra[4 * i + 0]};
    return view;
}

Rgb At(const std::vector<Rgb>& view, int x, int y)
{
    return view[(size_t)y * kViewSize + x];
}

bool IsMarkerGreen(Rgb c)
{
    return c.r == 0 && c.g == 255 && c.b == 0;
}

// The lens on the CPU: the composed view `composed` (top row first) sampled
// bilinearly, with transparent black outside, at the point the radial stage
// maps view pixel (x, y) to. Returns RGB scaled 0..255.
void ReferenceLens(const std::vector<Rgb>& composed, int x, int y, double out[3])
{
    const int n = kViewSize;
    // Present and pass textures share one orientation: py counts from the bottom.
    int py = n - 1 - y;
    double px_n = 2.0 * (x + 0.5) / n - 1.0 - dist_cx;
    double py_n = 2.0 * (py + 0.5) / n - 1.0 - dist_cy;
    double r = sqrt(px_n * px_n + py_n * py_n);
    double r_d = K1 * pow(r, P1) + K2 * pow(r, P2) + K3 * pow(r, P3);
    double a = atan2(py_n, px_n);
    double u = (r_d * cos(a) + dist_cx + 1.0) * 0.5;
    double v = (r_d * sin(a) + dist_cy + 1.0) * 0.5;
    double fx = u * n - 0.5, fy = v * n - 0.5;
    int x0 = (int)floor(fx), y0 = (int)floor(fy);
    double wx = fx - x0, wy = fy - y0;
    out[0] = out[1] = out[2] = 0.0;
    for (int j = 0; j < 2; j++)
        for (int i = 0; i < 2; i++) {
            int tx = x0 + i, ty = y0 + j;
            if (tx < 0 || tx >= n || ty < 0 || ty >= n)
                continue; // border colour (0, 0, 0, 0)
            double w = (i ? wx : 1.0 - wx) * (j ? wy : 1.0 - wy);
            // Texel row ty (from the bottom) holds composed row n - 1 - ty.
            Rgb c = composed[(size_t)(n - 1 - ty) * n + tx];
            out[0] += w * c.r; out[1] += w * c.g; out[2] += w * c.b;
        }
}

// Compares a presented frame with the CPU lens over the composed view.
// Masked: the two marker lines and fragments within half a pixel of the
// lens centre, where the angle of a zero vector is arbitrary.
void ExpectLensMatches(const std::vector<Rgb>& presented, const std::vector<Rgb>& composed,
                       double tolerance)
{
    int mismatches = 0, compared = 0;
    double worst = 0.0;
    int worst_x = -1, worst_y = -1;
    double cx_px = (dist_cx + 1.0) * 0.5 * kViewSize, cy_px = (1.0 - dist_cy) * 0.5 * kViewSize;
    for (int y = 0; y < kViewSize; y++)
        for (int x = 0; x < kViewSize; x++) {
            if (y == 202 || y == 203 || x == 197 || x == 198)
                continue;
            if (fabs(x + 0.5 - cx_px) <= 1.0 && fabs(y + 0.5 - cy_px) <= 1.0)
                continue;
            double expect[3];
            ReferenceLens(composed, x, y, expect);
            Rgb got = At(presented, x, y);
            double d = fmax(fabs(got.r - expect[0]),
                            fmax(fabs(got.g - expect[1]), fabs(got.b - expect[2])));
            compared++;
            if (d > worst) {
                worst = d; worst_x = x; worst_y = y;
            }
            if (d > tolerance)
                mismatches++;
        }
    printf("lens: worst difference %.2f at (%d, %d)\n", worst, worst_x, worst_y);
    EXPECT_EQ(mismatches, 0) << "worst difference " << worst << " at (" << worst_x << ", "
                             << worst_y << ")";
    EXPECT_GT(compared, kViewSize * kViewSize * 98 / 100);
}

int TextureSize(GLuint texture, GLenum which)
{
    GLint value = -1;
    glBindTexture(GL_TEXTURE_2D, texture);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, which, &value);
    glBindTexture(GL_TEXTURE_2D, 0);
    return value;
}

class RenderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        EnsureViewer();
        ResetParameters();
        captured_count = 0;
    }
    void TearDown() override
    {
        captured_count = 0;
        for (int k = 0; k < MAX_CAPTURED_WINDOWS; k++) {
            SetEntryRect(k, RECT{0, 0, 0, 0}, NULL);
        }
        ResetParameters();
    }
};

TEST_F(RenderTest, ContextAndProgramsBuild)
{
    EXPECT_EQ(init_status, 0);
    EXPECT_EQ(wglGetCurrentContext(), gl_context);
    EXPECT_EQ(gl_pixel_format_request.nSize, 40);
    EXPECT_EQ(gl_pixel_format_request.dwFlags, 0x1025u);
    EXPECT_NE(gl_pixel_format, 0);

    EXPECT_EQ(programs_status, 0);
    EXPECT_NE(line_program, 0u);
    EXPECT_NE(copy_program, 0u);
    EXPECT_NE(wave_program, 0u);
    EXPECT_NE(radial_program, 0u);
    EXPECT_GE(line_mView_rz, 0);
    EXPECT_GE(line_vFragmentColor, 0);
    EXPECT_GE(copy_colormap, 0);
    EXPECT_GE(wave_freq, 0);
    EXPECT_GE(wave_amp, 0);
    EXPECT_GE(wave_angle, 0);
    EXPECT_GE(wave_shift, 0);
    EXPECT_GE(radial_K1, 0);
    EXPECT_GE(radial_P1, 0);
    EXPECT_GE(radial_dist_cx, 0);
    EXPECT_GE(radial_dist_cy, 0);
    EXPECT_GE(radial_colormap, 0);
    // The quad's layout relies on these attribute locations.
    EXPECT_EQ(glGetAttribLocation(copy_program, "vVertex"), 0);
    EXPECT_EQ(glGetAttribLocation(copy_program, "vTexCoord"), 1);
    EXPECT_EQ(glGetAttribLocation(radial_program, "vTexCoord"), 1);
    EXPECT_EQ(glGetAttribLocation(line_program, "vVertex"), 0);

    EXPECT_EQ(resources_status, 0);
    EXPECT_NE(pass_fbo, 0u);
    EXPECT_EQ(TextureSize(pass_tex_a, GL_TEXTURE_WIDTH), kViewSize);
    EXPECT_EQ(TextureSize(pass_tex_b, GL_TEXTURE_HEIGHT), kViewSize);
    EXPECT_NE(marker_h.vao, 0u);
    EXPECT_NE(marker_v.vao, 0u);
    EXPECT_EQ(marker_h.vertices, (float*)NULL); // freed once uploaded
}

// A window larger than the view on all sides, seen through the lens.
TEST_F(RenderTest, RadialLensMatchesCpuModel)
{
    Image image = PatternImage(700, 650);
    const int left = kViewLeft - 130, top = kViewTop - 90;
    SetEntry(0, &image, left, top);
    captured_count = 1;

    // What the composition puts in the view: the image part beneath it.
    std::vector<Rgb> composed((size_t)kViewSize * kViewSize);
    for (int y = 0; y < kViewSize; y++)
        for (int x = 0; x < kViewSize; x++)
            composed[(size_t)y * kViewSize + x] = PatternPixel(x + kViewLeft - left, y + kViewTop - top);

    Frame();
    ExpectLensMatches(ReadPresented(), composed, 2.0);

    // The centre a quarter of the view to the right.
    dist_cx = 0.5f;
    Frame();
    ExpectLensMatches(ReadPresented(), composed, 2.0);

    // A steeper lens with its centre moved up as well.
    dist_cx = -0.25f;
    dist_cy = 0.5f;
    K1 = 0.5f;
    P1 = 2.0f;
    Frame();
    ExpectLensMatches(ReadPresented(), composed, 2.0);
}

// Without the lens the view shows the composition itself.
TEST_F(RenderTest, CompositionBackToFront)
{
    radial_enabled = 2; // anything but 1 switches the stage off
    Image back = PatternImage(600, 600);
    Image front = SolidImage(120, 80, Rgb{250, 20, 30});
    Image partial = SolidImage(300, 300, Rgb{20, 30, 240});
    SetEntry(2, &back, kViewLeft - 100, kViewTop - 100);
    SetEntry(1, &partial, kViewLeft + 250, kViewTop + 250); // 150 x 150 in the lower right
    SetEntry(0, &front, kViewLeft + 280, kViewTop + 300);   // over the partial one
    captured_count = 3;
    Frame();
    std::vector<Rgb> view = ReadPresented();

    Rgb c = At(view, 10, 20);
    Rgb p = PatternPixel(110, 120);
    EXPECT_TRUE(c.r == p.r && c.g == p.g && c.b == p.b) << c.r << "," << c.g << "," << c.b;
    c = At(view, 300, 320); // front-most entry on top of the other two
    EXPECT_TRUE(c.r == 250 && c.g == 20 && c.b == 30) << c.r << "," << c.g << "," << c.b;
    c = At(view, 260, 260); // the partial entry where the front one does not reach
    EXPECT_TRUE(c.r == 20 && c.g == 30 && c.b == 240) << c.r << "," << c.g << "," << c.b;
    c = At(view, 399, 399);
    EXPECT_TRUE(c.r == 20 && c.g == 30 && c.b == 240) << c.r << "," << c.g << "," << c.b;
    c = At(view, 249, 399); // left of the partial entry: the back one
    p = PatternPixel(349, 499);
    EXPECT_TRUE(c.r == p.r && c.g == p.g && c.b == p.b) << c.r << "," << c.g << "," << c.b;
    // The captures went up once, over the region they reached.
    EXPECT_EQ(TextureSize(capture_tex, GL_TEXTURE_WIDTH), kViewSize);
}

// Entries that must not reach the view: each lies in front of a drawn one,
// which shows in full.
TEST_F(RenderTest, EntriesLeftOutOfTheFrame)
{
    radial_enabled = 0;
    Image back = SolidImage(600, 600, Rgb{10, 200, 100});
    Image red = SolidImage(200, 200, Rgb{255, 0, 0});
    const int too_wide = 40000; // wider than any window a capture copies
    std::vector<uint8_t> wide_pixels((size_t)too_wide * 4, 0xff);
    const int vl = kViewLeft, vt = kViewTop, vr = kViewLeft + kViewSize, vb = kViewTop + kViewSize;

    struct Case {
        const char* what;
        RECT rect;
        uint8_t* pixels;
    } cases[] = {
        {"touches the right edge", {vr, vt + 50, vr + 200, vt + 250}, red.bgra.data()},
        {"touches the left edge", {vl - 200, vt + 50, vl, vt + 250}, red.bgra.data()},
        {"touches the top edge", {vl + 50, vt - 200, vl + 250, vt}, red.bgra.data()},
        {"touches the bottom edge", {vl + 50, vb, vl + 250, vb + 200}, red.bgra.data()},
        {"has no pixels", {vl + 50, vt + 50, vl + 250, vt + 250}, NULL},
        {"is inverted", {vl + 250, vt + 250, vl + 50, vt + 50}, red.bgra.data()},
        {"is empty", {vl + 100, vt + 50, vl + 100, vt + 250}, red.bgra.data()},
        {"is wider than any capture", {vl - 10, vt + 100, vl - 10 + too_wide, vt + 101},
         wide_pixels.data()},
        {"spans more than the int range", {LONG_MIN, vt + 50, LONG_MAX, vt + 250},
         red.bgra.data()},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.what);
        SetEntry(1, &back, vl - 100, vt - 100);
        SetEntryRect(0, test.rect, test.pixels);
        captured_count = 2;
        Frame();
        std::vector<Rgb> view = ReadPresented();
        int foreign = 0;
        for (int y = 0; y < kViewSize; y += 7)
            for (int x = 0; x < kViewSize; x += 7) {
                Rgb c = At(view, x, y);
                if (!(c.r == 10 && c.g == 200 && c.b == 100) && !IsMarkerGreen(c))
                    foreign++;
            }
        EXPECT_EQ(foreign, 0);
    }
}

// The cross: one green row 3 px below the centre, one green column 2 px left.
TEST_F(RenderTest, MarkerCrossPixels)
{
    Image back = PatternImage(600, 600);
    SetEntry(0, &back, kViewLeft - 100, kViewTop - 100);
    captured_count = 1;
    Frame();
    std::vector<Rgb> view = ReadPresented();

    // Columns meet the green row at 202 or 203 (y = -0.015 lies on their
    // boundary), rows meet the green column at 197 or 198.
    for (int across = 0; across < 2; across++) {
        const char* line = across == 0 ? "column " : "row ";
        const int first = across == 0 ? 202 : 197;
        for (int at : {5, 60, 150, 250, 330, 394}) {
            std::vector<int> green;
            for (int i = 0; i < kViewSize; i++)
                if (IsMarkerGreen(across == 0 ? At(view, at, i) : At(view, i, at)))
                    green.push_back(i);
            ASSERT_EQ(green.size(), 1u) << line << at;
            EXPECT_TRUE(green[0] == first || green[0] == first + 1) << line << at << " meets it at " << green[0];
        }
    }
}

// A window's whole image, copied the plain way: its window DC, all of it.
Image WholeWindowImage(HWND hwnd, RECT* rect)
{
    Image image{0, 0, {}};
    if (!GetWindowRect(hwnd, rect))
        return image;
    image.width = rect->right - rect->left;
    image.height = rect->bottom - rect->top;
    image.bgra.assign((size_t)image.width * image.height * 4, 0);
    HDC window = GetWindowDC(hwnd);
    EXPECT_TRUE(CopyFromDC(window, 0, 0, image.width, image.height, image.bgra.data()));
    if (window)
        ReleaseDC(hwnd, window);
    return image;
}

// What the view composes from whole images, back to front: windows[0] is
// the front-most. Row 0 at the top of the view.
std::vector<Rgb> ComposeWholeImages(const std::vector<HWND>& windows, const RECT& view)
{
    std::vector<Rgb> composed((size_t)kViewSize * kViewSize, Rgb{-1, -1, -1});
    for (size_t w = windows.size(); w-- > 0;) {
        RECT r;
        Image image = WholeWindowImage(windows[w], &r);
        for (int y = 0; y < kViewSize; y++)
            for (int x = 0; x < kViewSize; x++) {
                const int sx = view.left + x - r.left, sy = view.top + y - r.top;
                if (sx < 0 || sy < 0 || sx >= image.width || sy >= image.height)
                    continue;
                const uint8_t* p = &image.bgra[((size_t)sy * image.width + sx) * 4];
                composed[(size_t)y * kViewSize + x] = Rgb{p[2], p[1], p[0]};
            }
    }
    return composed;
}

// pass_tex_a as the frame composed it, row 0 at the top of the view.
std::vector<Rgb> ReadComposed(void)
{
    std::vector<uint8_t> bgra((size_t)kViewSize * kViewSize * 4);
    glBindTexture(GL_TEXTURE_2D, pass_tex_a);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_BGRA, GL_UNSIGNED_BYTE, bgra.data());
    glBindTexture(GL_TEXTURE_2D, 0);
    std::vector<Rgb> view((size_t)kViewSize * kViewSize);
    for (int y = 0; y < kViewSize; y++)
        for (int x = 0; x < kViewSize; x++) {
            const uint8_t* p = &bgra[((size_t)(kViewSize - 1 - y) * kViewSize + x) * 4];
            view[(size_t)y * kViewSize + x] = Rgb{p[2], p[1], p[0]};
        }
    return view;
}

int CountDifferences(const std::vector<Rgb>& a, const std::vector<Rgb>& b, std::string* first)
{
    int differ = 0;
    for (size_t i = 0; i < a.size(); i++) {
        if (a[i].r == b[i].r && a[i].g == b[i].g && a[i].b == b[i].b)
            continue;
        if (differ++ == 0) {
            char text[128];
            snprintf(text, sizeof(text), "(%d, %d): %d,%d,%d against %d,%d,%d", (int)(i % kViewSize),
                     (int)(i / kViewSize), a[i].r, a[i].g, a[i].b, b[i].r, b[i].g, b[i].b);
            *first = text;
        }
    }
    return differ;
}

void MoveViewer(int left, int top)
{
    ASSERT_TRUE(SetWindowPos(viewer_hwnd, NULL, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE));
}

// The frame from the bounded capture, uploaded once, shows the pixels that
// composing the windows' whole images gives, wherever the view stands in the
// reach, and when it has just left it.
TEST_F(RenderTest, BoundedCaptureComposesLikeWholeWindows)
{
    fixture::FixtureRun run;
    ASSERT_NO_FATAL_FAILURE(fixture::StartFixture(
        &run, "bounded", "--window A,0,0,1300,1000 --window B,150,120,420,330,child --window C,420,300,500,380",
        {"A", "B", "C"}));
    // The windows as the desktop stacks them now: activation (of a window
    // left by an earlier program, say) may have raised one of them.
    std::vector<HWND> front_to_back;
    for (HWND w = GetTopWindow(NULL); w != NULL; w = GetWindow(w, GW_HWNDNEXT))
        for (const fixture::ReadyWindow& r : run.ready)
            if (r.hwnd == w)
                front_to_back.push_back(w);
    ASSERT_EQ(front_to_back.size(), 3u);
    // The fixture's paints reach the screen a moment after its ready lines:
    // each window shows its pattern in a corner that no other covers.
    const POINT corner[3] = {{700, 800}, {5, 5}, {400, 300}};
    for (int i = 0, painted = 0; i < 40 && painted < 3; i++) {
        painted = 0;
        for (int w = 0; w < 3; w++) {
            RECT r;
            Image image = WholeWindowImage(run.ready[w].hwnd, &r);
            const int x = run.ready[w].client.left - r.left + corner[w].x;
            const int y = run.ready[w].client.top - r.top + corner[w].y;
            const uint8_t* p = &image.bgra[((size_t)y * image.width + x) * 4];
            painted += ((uint32_t)p[2] << 16 | (uint32_t)p[1] << 8 | p[0]) == FixturePixel(w, corner[w].x, corner[w].y);
        }
        if (painted < 3)
            Sleep(100);
    }

    const RECT start = {kViewLeft, kViewTop, kViewLeft + kViewSize, kViewTop + kViewSize};
    RECT reach = start;
    InflateRect(&reach, 200, 200);
    CaptureAllWindows(viewer_hwnd, &reach, NULL);
    UploadCaptures();
    EXPECT_LE(capture_counters.bytes_copied, (int64_t)800 * 800 * 4);

    const POINT places[] = {{kViewLeft, kViewTop}, {kViewLeft + 170, kViewTop + 120}, {kViewLeft - 200, kViewTop - 150},
                            {kViewLeft + 200, kViewTop + 200}};
    for (const POINT& at : places) {
        SCOPED_TRACE(testing::Message() << "view at " << at.x << ", " << at.y);
        MoveViewer(at.x, at.y);
        RenderFrame(viewer_hwnd, viewer_dc, viewer_width, viewer_height);
        const RECT view = {at.x, at.y, at.x + kViewSize, at.y + kViewSize};
        std::string first;
        EXPECT_EQ(0, CountDifferences(ReadComposed(), ComposeWholeImages(front_to_back, view), &first)) << first;
    }
    EXPECT_EQ(reach.left, capture_reach.left) << "no copy while the view stays in the reach";

    // Just past the reach: the view copies again before it is drawn.
    const POINT out = {kViewLeft + 230, kViewTop + 180};
    MoveViewer(out.x, out.y);
    RenderView();
    const RECT view = {out.x, out.y, out.x + kViewSize, out.y + kViewSize};
    RECT inside;
    EXPECT_TRUE(IntersectRect(&inside, &view, &capture_reach) && EqualRect(&inside, &view));
    std::string first;
    EXPECT_EQ(0, CountDifferences(ReadComposed(), ComposeWholeImages(front_to_back, view), &first)) << first;
    MoveViewer(kViewLeft, kViewTop);
}

TEST_F(RenderTest, ResizeGivesTexturesTheNewSize)
{
    viewer_width = 320;
    viewer_height = 240;
    EXPECT_EQ(ResizeRenderTextures(viewer_width, viewer_height), 0);
    for (GLuint texture : {pass_tex_a, pass_tex_b}) {
        EXPECT_EQ(TextureSize(texture, GL_TEXTURE_WIDTH), 320);
        EXPECT_EQ(TextureSize(texture, GL_TEXTURE_HEIGHT), 240);
    }
    // Opaque black until a frame draws into them.
    std::vector<uint8_t> pixels((size_t)320 * 240 * 4, 0x55);
    glBindTexture(GL_TEXTURE_2D, pass_tex_a);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    glBindTexture(GL_TEXTURE_2D, 0);
    int not_black = 0;
    for (size_t i = 0; i < pixels.size(); i += 4)
        if (pixels[i] != 0 || pixels[i + 1] != 0 || pixels[i + 2] != 0 || pixels[i + 3] != 255)
            not_black++;
    EXPECT_EQ(not_black, 0);

    // Zero and negative sizes give empty textures, and frames still run.
    Image back = PatternImage(600, 600);
    SetEntry(0, &back, kViewLeft - 100, kViewTop - 100);
    captured_count = 1;
    for (int size : {0, -5}) {
        viewer_width = size;
        viewer_height = 100;
        EXPECT_EQ(ResizeRenderTextures(viewer_width, viewer_height), 0);
        EXPECT_EQ(TextureSize(pass_tex_b, GL_TEXTURE_WIDTH), 0);
        Frame();
        GLint port[4] = {-1, -1, -1, -1};
        glGetIntegerv(GL_VIEWPORT, port);
        EXPECT_TRUE(port[0] == 0 && port[1] == 0 && port[2] == 0 && port[3] == 100) << "the frame's viewport";
    }
    // A size no texture can have is refused; the textures keep their size.
    viewer_width = INT_MAX;
    viewer_height = INT_MAX;
    EXPECT_EQ(ResizeRenderTextures(viewer_width, viewer_height), 1);
    EXPECT_EQ(TextureSize(pass_tex_a, GL_TEXTURE_WIDTH), 0);

    viewer_width = kViewSize;
    viewer_height = kViewSize;
    EXPECT_EQ(ResizeRenderTextures(viewer_width, viewer_height), 0);
    EXPECT_EQ(TextureSize(pass_tex_a, GL_TEXTURE_WIDTH), kViewSize);
}

TEST_F(RenderTest, LineSets)
{
    LineSet three = {};
    three.line_count = 3;
    three.spacing = 0.5f;
    three.offset = 0.1f;
    ASSERT_EQ(BuildLineSet(&three), 1);
    EXPECT_EQ(three.byte_size, 96u);
    ASSERT_NE(three.vertices, (float*)NULL);
    const float ys[3] = {-0.4f, 0.1f, 0.6f};
    for (int j = 0; j < 3; j++) {
        EXPECT_FLOAT_EQ(three.vertices[8 * j + 0], -10.0f);
        EXPECT_FLOAT_EQ(three.vertices[8 * j + 4], 10.0f);
        EXPECT_NEAR(three.vertices[8 * j + 1], ys[j], 1e-6);
        EXPECT_NEAR(three.vertices[8 * j + 5], ys[j], 1e-6);
        EXPECT_FLOAT_EQ(three.vertices[8 * j + 3], 1.0f);
    }
    UploadLineSet(&three);
    EXPECT_NE(three.vao, 0u);
    EXPECT_EQ(three.vertices, (float*)NULL);

    // No lines: nothing to allocate, upload or draw.
    LineSet none = {};
    EXPECT_EQ(BuildLineSet(&none), 1);
    EXPECT_EQ(none.vertices, (float*)NULL);
    UploadLineSet(&none);
    EXPECT_EQ(none.vao, 0u);
    DrawLineSet(&none);

    // A count whose byte size would wrap is refused like a failed allocation.
    LineSet huge = {};
    huge.line_count = 0x08000001u;
    EXPECT_EQ(BuildLineSet(&huge), 0);
    EXPECT_EQ(huge.error, 101);
    EXPECT_EQ(huge.vertices, (float*)NULL);
    UploadLineSet(&huge);
    EXPECT_EQ(huge.vao, 0u);
    DrawLineSet(&huge);
}

} // namespace
