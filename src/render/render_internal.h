// Inside the renderer: the OpenGL objects its files share, and the helpers
// of its passes. Other modules use render.h; the renderer's tests read these.
#pragma once

#include "render/render.h"

#include <GL/glew.h>

// Context (context.cpp).
extern HGLRC gl_context;
extern int   gl_pixel_format;
extern PIXELFORMATDESCRIPTOR gl_pixel_format_request;

// degrees * 6.28318 / 360, in double, narrowed (params.cpp).
float AngleRadians(float degrees);

// Programs and the uniform locations their draws set (shaders.cpp).
extern GLuint line_program, copy_program, wave_program, radial_program, layer_program;
extern GLint  line_mView_rz, line_vFragmentColor;
extern GLint  copy_colormap, copy_wnd_width_pxls, copy_wnd_height_pxls;
extern GLint  wave_colormap, wave_wnd_width_pxls, wave_wnd_height_pxls,
              wave_freq, wave_amp, wave_angle, wave_shift;
extern GLint  radial_K1, radial_K2, radial_K3, radial_P1, radial_P2, radial_P3,
              radial_dist_cx, radial_dist_cy, radial_wnd_width_pxls, radial_wnd_height_pxls,
              radial_colormap;
extern GLint  layer_colormap, layer_alpha, layer_pixel_alpha;

// Marker lines (resources.cpp).
enum LineSetError {
    LINESET_OK        = 0,
    LINESET_NO_MEMORY = 101, // the vertex array could not be allocated, or its size does not fit
};
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
    int          error;        // LineSetError
};
extern LineSet marker_h, marker_v;
int  BuildLineSet(LineSet* set);
void UploadLineSet(LineSet* set);
void DrawLineSet(LineSet* set);

// Render targets (resources.cpp). capture_tex holds the captured windows'
// parts over composed_reach (compose.cpp), opaque where a window shows and
// transparent where none does.
extern GLuint pass_fbo, capture_tex, pass_tex_a, pass_tex_b;
extern RECT   composed_reach;
// 0 when the target is complete, else 1 (the pass then draws nothing).
int  AttachPassTarget(GLuint texture);
// Binds texture on unit 0 for sampling: linear, transparent black outside.
void BindSampledTexture(GLuint texture);
// GL_MAX_TEXTURE_SIZE, queried on first use and kept; 0 without a context.
int  MaxTextureSize(void);

// The quad every textured pass draws: placed in normalised device
// coordinates with texture coordinates at its corners, uploaded, drawn.
void SetQuad(float left, float top, float right, float bottom, float s_left, float t_top, float s_right,
             float t_bottom);
void UploadQuad(void);
void DrawQuad(void);
