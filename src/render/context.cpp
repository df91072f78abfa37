// The viewer's OpenGL context: a double-buffered RGBA pixel format on the
// viewer's whole-window DC, a plain wglCreateContext context, GLEW on top.
#include "render/render_internal.h"

HGLRC gl_context;
int   gl_pixel_format;
PIXELFORMATDESCRIPTOR gl_pixel_format_request;

// No profile or version is asked for: whatever wglCreateContext gives for
// this format must accept GLSL 330.
static void FillPixelFormatRequest(PIXELFORMATDESCRIPTOR* pfd)
{
    ZeroMemory(pfd, sizeof(*pfd));
    pfd->nSize = sizeof(PIXELFORMATDESCRIPTOR); // 40
    pfd->nVersion = 1;
    pfd->dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER |
                   PFD_GENERIC_ACCELERATED; // 0x1025
    pfd->iPixelType = PFD_TYPE_RGBA;
    pfd->cColorBits = 24;
    pfd->cAlphaBits = 8;
    pfd->cDepthBits = 16;
    pfd->iLayerType = PFD_MAIN_PLANE;
}

// The viewer paces its frames by the display's refresh itself, so a swap
// must not also wait for it: that would hold the viewer's thread, and the
// input and captures behind it, for up to a refresh at every frame. A driver
// without the extension swaps as it does.
static void SwapWithoutWaiting(void)
{
    typedef BOOL(WINAPI * SwapIntervalProc)(int);
    const SwapIntervalProc set_interval = (SwapIntervalProc)(void*)wglGetProcAddress("wglSwapIntervalEXT");
    if (set_interval)
        (void)set_interval(0); // refused: the driver's own pacing stands
}

int InitGLContext(HDC dc)
{
    FillPixelFormatRequest(&gl_pixel_format_request);

    gl_pixel_format = ChoosePixelFormat(dc, &gl_pixel_format_request);
    if (gl_pixel_format == 0)
        return INIT_GL_CHOOSE_PIXEL_FORMAT;

    if (!SetPixelFormat(dc, gl_pixel_format, &gl_pixel_format_request)) {
        MessageBoxA(NULL, "ERROR", "could not set pixel format", MB_OK | MB_ICONWARNING);
        return INIT_GL_SET_PIXEL_FORMAT;
    }

    // A null context is not tested here: wglMakeCurrent fails on it.
    gl_context = wglCreateContext(dc);
    if (!wglMakeCurrent(dc, gl_context))
        return INIT_GL_MAKE_CURRENT;

    if (glewInit() != GLEW_OK) {
        MessageBoxA(NULL, "ERROR", "glewInit() failed", MB_OK | MB_ICONWARNING);
        // Deleting the current context also makes it not current.
        (void)wglDeleteContext(gl_context);
        gl_context = NULL;
        return INIT_GL_GLEW;
    }
    SwapWithoutWaiting();
    return INIT_GL_OK;
}

int GLEntryPointsLoaded(void)
{
    // Without a context GLEW leaves these null, and calling one would crash.
    return glCreateProgram != NULL && glGenFramebuffers != NULL && glGenVertexArrays != NULL &&
           glBufferSubData != NULL && glActiveTexture != NULL;
}
