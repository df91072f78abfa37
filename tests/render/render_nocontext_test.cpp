// The renderer when no OpenGL context could be made: every operation returns
// or does nothing, none calls an entry point GLEW never loaded.
#include <gtest/gtest.h>

#include "capture/capture.h"
#include "render/render_internal.h"

TEST(RenderWithoutContext, OperationsDoNothing)
{
    // No device context: no pixel format matches, and no message box shows.
    EXPECT_EQ(InitGLContext(NULL), 4);
    EXPECT_EQ(gl_context, (HGLRC)NULL);
    EXPECT_EQ(GLEntryPointsLoaded(), 0);

    EXPECT_EQ(CreateShaderPrograms(), 1);
    EXPECT_EQ(line_program, 0u);
    EXPECT_EQ(CreateRenderResources(400, 400), 1);
    EXPECT_EQ(pass_fbo, 0u);
    EXPECT_EQ(ResizeRenderTextures(400, 400), 1);

    // A frame with a window beneath the view still draws nothing.
    static uint8_t pixels[64 * 64 * 4];
    captured_rect[0] = RECT{0, 0, 64, 64};
    captured_pixels[0] = pixels;
    captured_look[0] = CapturedLook{captured_rect[0], 255, false, true, false, 0};
    captured_count = 1;
    capture_reach = RECT{0, 0, 64, 64};
    ComposeCaptureTiles();
    UploadCaptures();
    RenderFrame(GetDesktopWindow(), NULL, 400, 400);
    captured_count = 0;
    SUCCEED() << "no crash";
}
