// One frame of the viewer window: the captured windows beneath it from the
// composed captures, the lens stages, present, the cross, swap.
#include "render/render_internal.h"

#include <math.h>

static RECT frame_viewer_rect; // the viewer's rectangle, read afresh by every frame
// The stage passes' ping-pong: the latest image and the texture the next pass draws into.
static GLuint frame_source, frame_target;
// Uploaded transposed (row by row); a frame rewrites only the 2 x 2 block.
static float frame_rotation[16] = {
    0.0f, 0.0f, 0.0f, 0.0f,
    0.0f, 0.0f, 0.0f, 0.0f,
    0.0f, 0.0f, 1.0f, 0.0f,
    0.0f, 0.0f, 0.0f, 1.0f,
};

// What is gone is not shown: where no window lies beneath the view (beyond
// the screens' edges, between monitors, a window that closed), the view is
// opaque black, never what was drawn there before.
static void ClearComposition(void)
{
    glBindFramebuffer(GL_FRAMEBUFFER, pass_fbo);
    (void)AttachPassTarget(pass_tex_a); // an incomplete target just clears nothing
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f); // every other clear is transparent
}

// Draws the part of the composed captures beneath the view over black in
// pass_tex_a: opaque where a window shows, seen through where a translucent
// one does, black where none does.
static void ComposeView(int width, int height)
{
    ClearComposition();
    const RECT* v = &frame_viewer_rect;
    const RECT* r = &composed_reach;
    // Touching edges do not overlap.
    if (r->left >= v->right || r->right <= v->left || r->bottom <= v->top || r->top >= v->bottom) {
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        return;
    }
    LONG o_left = r->left > v->left ? r->left : v->left;
    LONG o_top = r->top > v->top ? r->top : v->top;
    LONG o_right = r->right < v->right ? r->right : v->right;
    LONG o_bottom = r->bottom < v->bottom ? r->bottom : v->bottom;
    // The overlap in the captures and in the view, pixels from their top-left corners.
    float s_l = (float)(o_left - r->left), s_t = (float)(o_top - r->top);
    float s_r = (float)(o_right - r->left), s_b = (float)(o_bottom - r->top);
    float d_l = (float)(o_left - v->left), d_t = (float)(o_top - v->top);
    float d_r = (float)(o_right - v->left), d_b = (float)(o_bottom - v->top);
    float w_w = (float)(r->right - r->left), w_h = (float)(r->bottom - r->top);

    glUseProgram(copy_program);
    glBindFramebuffer(GL_FRAMEBUFFER, pass_fbo);
    (void)AttachPassTarget(pass_tex_a); // an incomplete target just draws nothing
    BindSampledTexture(capture_tex);

    float hw = (float)(width / 2);
    float hh = (float)(height / 2);
    SetQuad((d_l - hw) / hw, (hh - d_t) / hh, (d_r - hw) / hw, (hh - d_b) / hh,
            s_l / w_w, 1.0f - (w_h - s_t) / w_h, s_r / w_w, 1.0f - (w_h - s_b) / w_h);
    UploadQuad();

    glUniform1i(copy_colormap, 0);
    glUniform1f(copy_wnd_width_pxls, (float)width);
    glUniform1f(copy_wnd_height_pxls, (float)height);
    // The captures are premultiplied: opaque where a window shows, seen
    // through at its alpha where a translucent one does, empty elsewhere.
    glEnable(GL_BLEND);
    glBlendFunc(GL_ONE, GL_ONE_MINUS_SRC_ALPHA);
    DrawQuad();
    glDisable(GL_BLEND);
    glBindTexture(GL_TEXTURE_2D, 0);
}

// A stage pass renders frame_source through program into frame_target;
// the caller sets the program's uniforms between the two halves.
static void BeginStagePass(GLuint program)
{
    glUseProgram(program);
    glBindFramebuffer(GL_FRAMEBUFFER, pass_fbo);
    (void)AttachPassTarget(frame_target);
    BindSampledTexture(frame_source);
}

static void EndStagePass(void)
{
    DrawQuad();
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glBindTexture(GL_TEXTURE_2D, 0);
    GLuint latest = frame_target;
    frame_target = frame_source;
    frame_source = latest;
}

static void DrawMarker(LineSet* set)
{
    double a = (double)set->rotation_deg * 6.28318 / 360.0;
    frame_rotation[0] = (float)cos(a);
    frame_rotation[1] = (float)-sin(a);
    frame_rotation[4] = (float)sin(a);
    frame_rotation[5] = (float)cos(a);
    glUniformMatrix4fv(line_mView_rz, 1, GL_TRUE, frame_rotation);
    glUniform4f(line_vFragmentColor, set->color[0], set->color[1], set->color[2], 1.0f);
    DrawLineSet(set);
}

void RenderFrame(HWND viewer, HDC dc, int width, int height)
{
    // A negative size counts as 0, as it does for the pass textures.
    glViewport(0, 0, width > 0 ? width : 0, height > 0 ? height : 0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
    if (!GLEntryPointsLoaded())
        return;
    if (!GetWindowRect(viewer, &frame_viewer_rect))
        return; // the window keeps its last presented frame

    // A view less than 2 pixels wide or high has nothing to place them in.
    if (width / 2 > 0 && height / 2 > 0)
        ComposeView(width, height);

    RenderStagesAndPresent(dc, width, height);
}

void PresentColour(HDC dc, int width, int height, uint32_t colour)
{
    glViewport(0, 0, width > 0 ? width : 0, height > 0 ? height : 0);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glClearColor((float)(colour >> 16 & 0xFF) / 255.0f, (float)(colour >> 8 & 0xFF) / 255.0f,
                 (float)(colour & 0xFF) / 255.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f); // every other clear is transparent
    (void)SwapBuffers(dc); // a failed swap shows nothing, which the caller sees
    glFinish();
}

void RenderStagesAndPresent(HDC dc, int width, int height)
{
    // The whole view again, upside down: images rendered through pass_fbo
    // have their first row at the bottom.
    SetQuad(-1.0f, 1.0f, 1.0f, -1.0f, 0.0f, 1.0f, 1.0f, 0.0f);
    UploadQuad();
    frame_source = pass_tex_a;
    frame_target = pass_tex_b;

    if (wave_enabled == 1) {
        BeginStagePass(wave_program);
        glUniform1i(wave_colormap, 0);
        glUniform1f(wave_wnd_width_pxls, (float)width);
        glUniform1f(wave_wnd_height_pxls, (float)height);
        glUniform1f(wave_freq, freq);
        glUniform1f(wave_amp, amp);
        glUniform1f(wave_angle, AngleRadians(angle_deg));
        glUniform1f(wave_shift, shift);
        EndStagePass();
    }
    if (radial_enabled == 1) {
        BeginStagePass(radial_program);
        glUniform1i(radial_colormap, 0);
        glUniform1f(radial_K1, K1);
        glUniform1f(radial_K2, K2);
        glUniform1f(radial_K3, K3);
        glUniform1f(radial_P1, P1);
        glUniform1f(radial_P2, P2);
        glUniform1f(radial_P3, P3);
        glUniform1f(radial_dist_cx, dist_cx);
        glUniform1f(radial_dist_cy, dist_cy);
        glUniform1f(radial_wnd_width_pxls, (float)width);
        glUniform1f(radial_wnd_height_pxls, (float)height);
        EndStagePass();
    }

    // Present the latest image in the viewer window.
    glUseProgram(copy_program);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    BindSampledTexture(frame_source);
    glUniform1i(copy_colormap, 0);
    glUniform1f(copy_wnd_width_pxls, (float)width);
    glUniform1f(copy_wnd_height_pxls, (float)height);
    DrawQuad();
    glBindTexture(GL_TEXTURE_2D, 0);

    glUseProgram(line_program);
    DrawMarker(&marker_h);
    DrawMarker(&marker_v);

    (void)SwapBuffers(dc); // a failed swap leaves the last frame showing
    glFinish();
}
