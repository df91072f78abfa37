// Renderer: the viewer's OpenGL context, the lens shader programs and their
// parameters, the textures and buffers, and the drawing of one frame.
#pragma once

#include <windows.h>
#include <GL/glew.h>

// The viewer's window, device context and size are the caller's: every
// operation that needs them takes them as arguments.

// Distortion parameters (params.cpp). The view's width and height are the caller's.
extern int   radial_enabled;   // the radial stage runs when this equals 1
extern float K1, K2, K3;       // radial coefficients
extern float P1, P2, P3;       // radial exponents
extern float dist_cx, dist_cy; // lens centre, normalised view units (-1..1, y up)
extern int   wave_enabled;     // the wave stage runs when this equals 1
extern float freq;             // wave cycles per normalised unit
extern float amp;              // wave amplitude, normalised view units
extern float shift;            // wave phase, radians
extern float angle_deg;        // wave axis, degrees
float AngleRadians(float degrees); // degrees * 6.28318 / 360, in double, narrowed

// Context (context.cpp). 0 ok; 1 SetPixelFormat; 2 glewInit; 3 wglMakeCurrent; 4 ChoosePixelFormat.
extern HGLRC gl_context;
extern int   gl_pixel_format;
extern PIXELFORMATDESCRIPTOR gl_pixel_format_request;
// Pixel format and context on dc, the viewer's whole-window DC; left current.
int InitGLContext(HDC dc);
// 1 when GLEW has loaded the entry points beyond OpenGL 1.1, else 0: every
// renderer operation does nothing without them instead of calling null.
int GLEntryPointsLoaded(void);

// Programs and uniform locations (shaders.cpp). 0, or the code 1..12 of the
// first failure: 1..3 line and copy, 4..6 wave, 7..9 radial, 10..12 layer,
// each its vertex stage, fragment stage, link.
extern GLuint line_program, copy_program, wave_program, radial_program, layer_program;
extern GLint  line_mView_rz, line_vFragmentColor;
extern GLint  copy_colormap, copy_wnd_width_pxls, copy_wnd_height_pxls;
extern GLint  wave_colormap, wave_wnd_width_pxls, wave_wnd_height_pxls,
              wave_freq, wave_amp, wave_angle, wave_shift;
extern GLint  radial_K1, radial_K2, radial_K3, radial_P1, radial_P2, radial_P3,
              radial_dist_cx, radial_dist_cy, radial_wnd_width_pxls, radial_wnd_height_pxls,
              radial_colormap;
extern GLint  layer_colormap, layer_alpha, layer_pixel_alpha;
int CreateShaderPrograms(void);

// Render targets, quad and marker lines (resources.cpp).
struct LineSet {
    float*       vertices;     // built by BuildLineSet, freed by UploadLineSet
    GLuint       vao;
    GLuint       vbo;
    unsigned int line_count;   // parallel lines
    float        spacing;      // between lines, normalised view units
    float        offset;       // along the set's own y axis, normalised view units
    unsigned int line_width;   // pixels
    unsigned int rotation_deg; // anticlockwise about the view centre
    float        color[3];     // red, green, blue, 0..1; alpha is 1
    unsigned int byte_size;    // line_count * 32
    int          error;        // 0, or 101 when the vertex array could not be allocated
};
// capture_tex holds the captured windows' parts over composed_reach, opaque
// where a window shows and transparent where none does.
extern GLuint  pass_fbo, capture_tex, pass_tex_a, pass_tex_b;
extern RECT    composed_reach;
extern GLuint  quad_vao, quad_vbo;
extern float   quad_data[36];  // 6 positions (x, y, z, w) then 6 texture coordinates (s, t)
extern LineSet marker_h, marker_v;
// The quad every textured pass draws: placed in normalised device
// coordinates with texture coordinates at its corners, uploaded, drawn.
void SetQuad(float left, float top, float right, float bottom, float s_left, float t_top, float s_right,
             float t_bottom);
void UploadQuad(void);
void DrawQuad(void);
// Binds texture on unit 0 for sampling: linear, transparent black outside.
void BindSampledTexture(GLuint texture);
// GL_MAX_TEXTURE_SIZE, queried on first use and kept; 0 without a context.
int  MaxTextureSize(void);
int  CreateRenderResources(int width, int height);
int  ResizeRenderTextures(int width, int height);
int  AttachPassTarget(GLuint texture);
int  BuildLineSet(LineSet* set);
void UploadLineSet(LineSet* set);
void DrawLineSet(LineSet* set);

// The captured windows on the GPU (compose.cpp): the tiles of the last
// capture, uploaded once per capture into capture_tex.
void UploadCaptures(void);

// One frame of the viewer window (frame.cpp): viewer is its window, dc its
// whole-window DC, width x height its size (the viewport's too).
extern RECT   frame_viewer_rect;
extern GLuint frame_source, frame_target;
extern float  frame_rotation[16];
void RenderFrame(HWND viewer, HDC dc, int width, int height);
// The part of a frame after composition: lens stages over pass_tex_a,
// present, cross, swap. The benchmark times it alone as the frame's floor.
void RenderStagesAndPresent(HDC dc, int width, int height);
