// Renderer: the viewer's OpenGL context, the lens shader programs and their
// parameters, the textures and buffers, and the drawing of one frame.
#pragma once

#include <windows.h>
#include <stdint.h>

// The viewer's window, device context and size are the caller's: every
// operation that needs them takes them as arguments.

// Distortion parameters (params.cpp).
extern int   viewer_width;     // the viewer's outer size in pixels, frame included: the view's
extern int   viewer_height;    //   size, the viewport's and the pass textures', and the lens's scale
extern int   radial_enabled;   // the radial stage runs when this equals 1
extern float K1, K2, K3;       // radial coefficients
extern float P1, P2, P3;       // radial exponents
extern float dist_cx, dist_cy; // lens centre, normalised view units (-1..1, y up)
extern int   wave_enabled;     // the wave stage runs when this equals 1
extern float freq;             // wave cycles per normalised unit
extern float amp;              // wave amplitude, normalised view units
extern float shift;            // wave phase, radians
extern float angle_deg;        // wave axis, degrees

// Context (context.cpp): pixel format and context on dc, the viewer's
// whole-window DC; left current.
enum InitGLStatus {
    INIT_GL_OK                  = 0,
    INIT_GL_SET_PIXEL_FORMAT    = 1,
    INIT_GL_GLEW                = 2,
    INIT_GL_MAKE_CURRENT        = 3,
    INIT_GL_CHOOSE_PIXEL_FORMAT = 4,
};
int InitGLContext(HDC dc);
// 1 when GLEW has loaded the entry points beyond OpenGL 1.1, else 0: every
// renderer operation does nothing without them instead of calling null.
int GLEntryPointsLoaded(void);

// Programs (shaders.cpp): 0, or the first stage that failed; the first
// failure ends the building. The line and copy programs share 1 to 3.
enum ShaderProgramsStatus {
    PROGRAMS_OK              = 0,
    PROGRAMS_LINE_VERTEX     = 1,  PROGRAMS_LINE_FRAGMENT   = 2,  PROGRAMS_LINE_LINK   = 3,
    PROGRAMS_COPY_VERTEX     = 1,  PROGRAMS_COPY_FRAGMENT   = 2,  PROGRAMS_COPY_LINK   = 3,
    PROGRAMS_WAVE_VERTEX     = 4,  PROGRAMS_WAVE_FRAGMENT   = 5,  PROGRAMS_WAVE_LINK   = 6,
    PROGRAMS_RADIAL_VERTEX   = 7,  PROGRAMS_RADIAL_FRAGMENT = 8,  PROGRAMS_RADIAL_LINK = 9,
    PROGRAMS_LAYER_VERTEX    = 10, PROGRAMS_LAYER_FRAGMENT  = 11, PROGRAMS_LAYER_LINK  = 12,
};
int CreateShaderPrograms(void);

// Render targets, quad and marker lines (resources.cpp): 0, or 1 when
// nothing could be made.
enum RenderResourcesStatus {
    RESOURCES_OK               = 0,
    RESOURCES_NO_ENTRY_POINTS  = 1, // no context, or GLEW did not load
    RESOURCES_TEXTURE_REFUSED  = 1, // a size no texture can have, or no memory for it
};
int CreateRenderResources(int width, int height);
int ResizeRenderTextures(int width, int height);

// The captured windows on the GPU (compose.cpp): the tiles of the last
// capture, uploaded once per capture.
void UploadCaptures(void);

// One frame of the viewer window (frame.cpp): viewer is its window, dc its
// whole-window DC, width x height its size; the frame sets the viewport to it.
void RenderFrame(HWND viewer, HDC dc, int width, int height);
// Fills the viewer window with one colour (0x00RRGGBB) and presents it: the
// viewer's own image, to look for in a copy of the screen.
void PresentColour(HDC dc, int width, int height, uint32_t colour);
// The part of a frame after composition: lens stages over the composed view,
// present, cross, swap. The benchmark times it alone as the frame's floor.
void RenderStagesAndPresent(HDC dc, int width, int height);
