// The captured windows on the GPU: once per capture, the tiles of what can
// show go up into capture_tex, over the region the capture reached. Every
// frame then takes the view's part of it, whatever the number of windows.
// Tiles only name entries with an image of a size a capture makes.
#include "render/render.h"
#include "capture/capture.h"

#include <stdint.h>

RECT composed_reach;

// capture_tex's size, so that it is respecified only when the reach changes size.
static int composed_width, composed_height;

static void UploadTile(const CaptureTile* tile, const RECT* reach)
{
    const int e = tile->entry;
    const RECT* w = &captured_rect[e];
    const RECT* t = &tile->rect;
    // The tile's rows start inside the window's image, whose rows are packed.
    const size_t x = (size_t)(t->left - w->left), y = (size_t)(t->top - w->top);
    const size_t stride = (size_t)(w->right - w->left);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, (GLint)stride);
    glTexSubImage2D(GL_TEXTURE_2D, 0, t->left - reach->left, t->top - reach->top, t->right - t->left,
                    t->bottom - t->top, GL_BGRA, GL_UNSIGNED_BYTE, captured_pixels[e] + (y * stride + x) * 4);
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

    // Back to front, so a tile that stands for a larger part is drawn over
    // by the tiles in front of it.
    for (int k = capture_tile_count - 1; k >= 0; k--) {
        UploadTile(&capture_tiles[k], &reach);
    }
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);

    // Opaque where a window shows, whatever the fourth byte the copy gave.
    static const GLfloat opaque[4] = {0.0f, 0.0f, 0.0f, 1.0f};
    glEnable(GL_SCISSOR_TEST);
    glColorMask(GL_FALSE, GL_FALSE, GL_FALSE, GL_TRUE);
    for (int k = 0; k < capture_tile_count; k++) {
        const RECT* t = &capture_tiles[k].rect;
        glScissor(t->left - reach.left, t->top - reach.top, t->right - t->left, t->bottom - t->top);
        glClearBufferfv(GL_COLOR, 0, opaque);
    }
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glDisable(GL_SCISSOR_TEST);

    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glBindTexture(GL_TEXTURE_2D, 0);
    composed_reach = reach;
}
