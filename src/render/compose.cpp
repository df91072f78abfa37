// The captured windows on the GPU: once per capture, the tiles of what can
// show go up into capture_tex, over the region the capture reached. Every
// frame then takes the view's part of it, whatever the number of windows.
// Tiles only name entries with an image of a size a capture makes.
//
// capture_tex is premultiplied: an opaque window's tiles, opaque from the
// copy, replace what is there; a translucent window's tiles are drawn over
// what shows through them at its alpha; where no window shows it stays
// transparent.
#include "render/render_internal.h"
#include "capture/capture.h"

#include <stdint.h>

RECT composed_reach;

// capture_tex's size, so that it is respecified only when the reach changes size.
static int composed_width, composed_height;
// Holds one translucent tile at a time on its way into capture_tex.
static GLuint layer_tex;

// The first pixel of the tile in its window's image, whose rows are packed;
// the unpack row length is set to the image's width.
static const uint8_t* TilePixels(const CaptureTile* tile)
{
    const RECT* w = &captured_rect[tile->entry];
    const size_t x = (size_t)(tile->rect.left - w->left), y = (size_t)(tile->rect.top - w->top);
    const size_t stride = (size_t)(w->right - w->left);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, (GLint)stride);
    return captured_pixels[tile->entry] + (y * stride + x) * 4;
}

// An opaque window's tile replaces what is there; its pixels are opaque
// from the copy.
static void UploadOpaqueTile(const CaptureTile* tile, const RECT* reach)
{
    const RECT* t = &tile->rect;
    glBindTexture(GL_TEXTURE_2D, capture_tex);
    glTexSubImage2D(GL_TEXTURE_2D, 0, t->left - reach->left, t->top - reach->top, t->right - t->left,
                    t->bottom - t->top, GL_BGRA, GL_UNSIGNED_BYTE, TilePixels(tile));
}

// Draws a translucent tile over what is composed already; the viewport is
// capture_tex's, whose row 0 is the reach's top row.
static void DrawTranslucentTile(const CaptureTile* tile, const RECT* reach)
{
    const CapturedLook* look = &captured_look[tile->entry];
    const RECT* t = &tile->rect;
    if (layer_tex == 0)
        glGenTextures(1, &layer_tex);
    glBindTexture(GL_TEXTURE_2D, layer_tex);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, t->right - t->left, t->bottom - t->top, 0, GL_BGRA,
                 GL_UNSIGNED_BYTE, TilePixels(tile));
    BindSampledTexture(layer_tex);

    const float w = (float)(reach->right - reach->left), h = (float)(reach->bottom - reach->top);
    SetQuad(2.0f * (float)(t->left - reach->left) / w - 1.0f, 2.0f * (float)(t->top - reach->top) / h - 1.0f,
            2.0f * (float)(t->right - reach->left) / w - 1.0f, 2.0f * (float)(t->bottom - reach->top) / h - 1.0f,
            0.0f, 0.0f, 1.0f, 1.0f);
    UploadQuad();
    glUseProgram(layer_program);
    glUniform1i(layer_colormap, 0);
    glUniform1f(layer_alpha, (float)look->alpha / 255.0f);
    glUniform1i(layer_pixel_alpha, look->pixel_alpha ? 1 : 0);
    glEnable(GL_BLEND);
    glBlendFunc(GL_ONE, GL_ONE_MINUS_SRC_ALPHA);
    DrawQuad();
    glDisable(GL_BLEND);
}

void UploadCaptures(void)
{
    if (!GLEntryPointsLoaded())
        return;
    const RECT reach = capture_reach;
    const int64_t width = (int64_t)reach.right - reach.left;
    const int64_t height = (int64_t)reach.bottom - reach.top;
    // Nothing is shown from a reach no texture can hold.
    if (width <= 0 || height <= 0 || width > MaxTextureSize() || height > MaxTextureSize()) {
        SetRectEmpty(&composed_reach);
        return;
    }

    glBindTexture(GL_TEXTURE_2D, capture_tex);
    if (width != composed_width || height != composed_height) {
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, (GLsizei)width, (GLsizei)height, 0, GL_BGRA,
                     GL_UNSIGNED_BYTE, NULL);
        composed_width = (int)width;
        composed_height = (int)height;
    }
    // Transparent where no window shows (the clear colour is never changed
    // from its initial (0, 0, 0, 0)).
    glBindFramebuffer(GL_FRAMEBUFFER, pass_fbo);
    (void)AttachPassTarget(capture_tex);
    glClear(GL_COLOR_BUFFER_BIT);
    GLint view_port[4];
    glGetIntegerv(GL_VIEWPORT, view_port);
    glViewport(0, 0, (GLsizei)width, (GLsizei)height);

    // A copy of the screen stands for the windows' images: it is opaque and whole.
    const ScreenCopy* screen = &screen_copy;
    if (capture_source == CAPTURE_FROM_SCREEN && screen->pixels != NULL) {
        const RECT* c = &screen->rect;
        glBindTexture(GL_TEXTURE_2D, capture_tex);
        glPixelStorei(GL_UNPACK_ROW_LENGTH, (GLint)(c->right - c->left));
        glTexSubImage2D(GL_TEXTURE_2D, 0, c->left - reach.left, c->top - reach.top, c->right - c->left,
                        c->bottom - c->top, GL_BGRA, GL_UNSIGNED_BYTE, screen->pixels);
    }
    // Back to front: what shows through a translucent window is there before
    // it, and a tile that stands for a larger part is drawn over by the tiles
    // in front of it.
    for (int k = capture_tile_count - 1; k >= 0; k--) {
        const CapturedLook* look = &captured_look[capture_tiles[k].entry];
        if (look->alpha == 255 && !look->pixel_alpha)
            UploadOpaqueTile(&capture_tiles[k], &reach);
        else
            DrawTranslucentTile(&capture_tiles[k], &reach);
    }
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);

    glViewport(view_port[0], view_port[1], view_port[2], view_port[3]);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glBindTexture(GL_TEXTURE_2D, 0);
    composed_reach = reach;
}
