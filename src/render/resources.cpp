// Render targets, the quad every textured pass draws, and the marker lines.
#include "render/render_internal.h"

#include <stdint.h>
#include <stdlib.h>

GLuint pass_fbo, capture_tex, pass_tex_a, pass_tex_b;
static GLuint quad_vao, quad_vbo;
// 6 positions (x, y, z, w) then 6 texture coordinates (s, t).
static float quad_data[36];

// A thin green cross just below and left of the view centre, where the cursor is.
LineSet marker_h = {NULL, 0, 0, 1, 0.0f, -0.015f, 1, 0, {0.0f, 1.0f, 0.0f}, 0, 0};
LineSet marker_v = {NULL, 0, 0, 1, 0.0f, 0.01f, 1, 90, {0.0f, 1.0f, 0.0f}, 0, 0};

// Opaque black images the three textures were last given, one per
// texture; kept until the next resize replaces them.
enum { STAGING_CAPTURE, STAGING_PASS_A, STAGING_PASS_B, STAGING_COUNT };
static float* staging_arrays[STAGING_COUNT];

// Positions top-left, bottom-left, bottom-right, bottom-right, top-right,
// top-left; texture row 0 at the top of the view.
static const float initial_quad[36] = {
    -1.0f,  1.0f, 0.0f, 1.0f,
    -1.0f, -1.0f, 0.0f, 1.0f,
     1.0f, -1.0f, 0.0f, 1.0f,
     1.0f, -1.0f, 0.0f, 1.0f,
     1.0f,  1.0f, 0.0f, 1.0f,
    -1.0f,  1.0f, 0.0f, 1.0f,
    0.0f, 0.0f,  0.0f, 1.0f,  1.0f, 1.0f,  1.0f, 1.0f,  1.0f, 0.0f,  0.0f, 0.0f,
};
static const GLsizeiptr quad_position_bytes = 96;
static const GLsizeiptr quad_texcoord_bytes = 48;

int MaxTextureSize(void)
{
    static GLint max_size = 0;
    if (max_size <= 0)
        glGetIntegerv(GL_MAX_TEXTURE_SIZE, &max_size);
    return max_size > 0 ? max_size : 0;
}

// Gives texture a width x height opaque black image and the pass filters.
// A negative size counts as 0 (an empty image). RESOURCES_TEXTURE_REFUSED
// when the staging array cannot be had: the size exceeds what OpenGL accepts
// or memory runs out.
static int DefineBlackTexture(GLuint texture, int width, int height, float** staging)
{
    glBindTexture(GL_TEXTURE_2D, texture);
    // Stays in force for the tightly packed captured images as well.
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);

    if (width < 0)
        width = 0;
    if (height < 0)
        height = 0;
    float* pixels = NULL;
    size_t pixel_count = (size_t)width * (size_t)height;
    if (pixel_count > 0) {
        if (width > MaxTextureSize() || height > MaxTextureSize() ||
            pixel_count > SIZE_MAX / (4 * sizeof(float))) {
            glBindTexture(GL_TEXTURE_2D, 0);
            return RESOURCES_TEXTURE_REFUSED;
        }
        pixels = (float*)malloc(pixel_count * 4 * sizeof(float));
        if (pixels == NULL) {
            glBindTexture(GL_TEXTURE_2D, 0);
            return RESOURCES_TEXTURE_REFUSED;
        }
        for (size_t i = 0; i < pixel_count; i++) {
            pixels[4 * i + 0] = 0.0f;
            pixels[4 * i + 1] = 0.0f;
            pixels[4 * i + 2] = 0.0f;
            pixels[4 * i + 3] = 1.0f;
        }
    }
    *staging = pixels;

    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, width, height, 0, GL_RGBA, GL_FLOAT, pixels);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    // The frame switches every texture it samples to clamp-to-border.
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glBindTexture(GL_TEXTURE_2D, 0);
    return RESOURCES_OK;
}

static void CreateQuad(void)
{
    for (int i = 0; i < 36; i++)
        quad_data[i] = initial_quad[i];

    glGenVertexArrays(1, &quad_vao);
    glBindVertexArray(quad_vao);
    glGenBuffers(1, &quad_vbo);
    glBindBuffer(GL_ARRAY_BUFFER, quad_vbo);
    glBufferData(GL_ARRAY_BUFFER, quad_position_bytes + quad_texcoord_bytes, NULL, GL_STATIC_DRAW);
    glBufferSubData(GL_ARRAY_BUFFER, 0, quad_position_bytes, quad_data);
    glBufferSubData(GL_ARRAY_BUFFER, quad_position_bytes, quad_texcoord_bytes, quad_data + 24);
    // vVertex at 0, vTexCoord at 1, as the programs bind them.
    glVertexAttribPointer(0, 4, GL_FLOAT, GL_FALSE, 16, (const void*)0);
    glEnableVertexAttribArray(0);
    glVertexAttribPointer(1, 2, GL_FLOAT, GL_FALSE, 8, (const void*)(uintptr_t)quad_position_bytes);
    glEnableVertexAttribArray(1);
    glBindVertexArray(0);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
}

// Linear filtering, and lookups outside the image give the (transparent
// black) border colour rather than a smeared edge.
void BindSampledTexture(GLuint texture)
{
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_BORDER);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_BORDER);
}

void UploadQuad(void)
{
    glBindBuffer(GL_ARRAY_BUFFER, quad_vbo);
    glBufferSubData(GL_ARRAY_BUFFER, 0, quad_position_bytes, quad_data);
    glBufferSubData(GL_ARRAY_BUFFER, quad_position_bytes, quad_texcoord_bytes, quad_data + 24);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
}

static void SetQuadVertex(int vertex, float x, float y, float s, float t)
{
    float* position = quad_data + 4 * vertex;
    position[0] = x;
    position[1] = y;
    position[2] = 0.0f;
    position[3] = 1.0f;
    float* texcoord = quad_data + 24 + 2 * vertex;
    texcoord[0] = s;
    texcoord[1] = t;
}

// Top-left, bottom-left, bottom-right, bottom-right, top-right, top-left.
void SetQuad(float left, float top, float right, float bottom, float s_left, float t_top, float s_right,
             float t_bottom)
{
    SetQuadVertex(0, left, top, s_left, t_top);
    SetQuadVertex(1, left, bottom, s_left, t_bottom);
    SetQuadVertex(2, right, bottom, s_right, t_bottom);
    SetQuadVertex(3, right, bottom, s_right, t_bottom);
    SetQuadVertex(4, right, top, s_right, t_top);
    SetQuadVertex(5, left, top, s_left, t_top);
}

void DrawQuad(void)
{
    glBindVertexArray(quad_vao);
    glDrawArrays(GL_TRIANGLES, 0, 6);
    glBindVertexArray(0);
}

// Both pass textures at the view's size.
static int DefinePassTextures(int width, int height)
{
    if (DefineBlackTexture(pass_tex_a, width, height, &staging_arrays[STAGING_PASS_A]) != RESOURCES_OK)
        return RESOURCES_TEXTURE_REFUSED;
    return DefineBlackTexture(pass_tex_b, width, height, &staging_arrays[STAGING_PASS_B]);
}

int CreateRenderResources(int width, int height)
{
    if (!GLEntryPointsLoaded())
        return RESOURCES_NO_ENTRY_POINTS;

    glGenFramebuffers(1, &pass_fbo);
    glGenTextures(1, &capture_tex);
    glGenTextures(1, &pass_tex_a);
    glGenTextures(1, &pass_tex_b);
    glActiveTexture(GL_TEXTURE0); // the renderer never uses another unit

    // capture_tex takes the captures' size when they are uploaded.
    if (DefineBlackTexture(capture_tex, 0, 0, &staging_arrays[STAGING_CAPTURE]) != RESOURCES_OK ||
        DefinePassTextures(width, height) != RESOURCES_OK)
        return RESOURCES_TEXTURE_REFUSED;

    CreateQuad();

    // A set whose vertices could not be built uploads and draws nothing.
    (void)BuildLineSet(&marker_h);
    UploadLineSet(&marker_h);
    (void)BuildLineSet(&marker_v);
    UploadLineSet(&marker_v);
    return RESOURCES_OK;
}

// capture_tex keeps the captures: it does not depend on the view's size.
int ResizeRenderTextures(int width, int height)
{
    if (!GLEntryPointsLoaded())
        return RESOURCES_NO_ENTRY_POINTS;

    for (int i = STAGING_PASS_A; i < STAGING_COUNT; i++) {
        free(staging_arrays[i]);
        staging_arrays[i] = NULL;
    }
    glActiveTexture(GL_TEXTURE0);
    return DefinePassTextures(width, height);
}

int AttachPassTarget(GLuint texture)
{
    // Detach first: the one attachment point is reused by every pass.
    glFramebufferTexture2D(GL_DRAW_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, 0, 0);
    glFramebufferTexture2D(GL_DRAW_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, texture, 0);
    return glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE ? 0 : 1;
}

int BuildLineSet(LineSet* set)
{
    // Two vertices of four floats per line; a count whose size does not fit
    // in byte_size is treated like a failed allocation.
    set->vertices = NULL;
    if (set->line_count > UINT32_MAX / 32) {
        set->byte_size = 0;
        set->error = LINESET_NO_MEMORY;
        return 0;
    }
    set->byte_size = set->line_count * 32;
    if (set->line_count == 0)
        return 1; // an empty set: nothing to upload or draw

    set->vertices = (float*)malloc(set->byte_size);
    if (set->vertices == NULL) {
        set->error = LINESET_NO_MEMORY;
        return 0;
    }

    // Centred on y = 0 as a group, running far past the view so that they
    // cross it whole at any rotation.
    float steps = (float)(double)(set->line_count - 1);
    float first = (2.0f - steps * set->spacing) / 2.0f - 1.0f;
    for (unsigned int j = 0; j < set->line_count; j++) {
        float y = first + (float)j * set->spacing + set->offset;
        float* v = set->vertices + 8 * (size_t)j;
        v[0] = -10.0f; v[1] = y; v[2] = 0.0f; v[3] = 1.0f;
        v[4] = 10.0f;  v[5] = y; v[6] = 0.0f; v[7] = 1.0f;
    }
    return 1;
}

void UploadLineSet(LineSet* set)
{
    // A set without vertices (empty, or its build failed) keeps no vertex array.
    if (set->vertices == NULL || set->byte_size == 0)
        return;

    glGenVertexArrays(1, &set->vao);
    glBindVertexArray(set->vao);
    glGenBuffers(1, &set->vbo);
    glBindBuffer(GL_ARRAY_BUFFER, set->vbo);
    glBufferData(GL_ARRAY_BUFFER, set->byte_size, NULL, GL_STATIC_DRAW);
    glBufferSubData(GL_ARRAY_BUFFER, 0, set->byte_size, set->vertices);
    glVertexAttribPointer(0, 4, GL_FLOAT, GL_FALSE, 16, (const void*)0);
    glEnableVertexAttribArray(0);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    glBindVertexArray(0);

    free(set->vertices);
    set->vertices = NULL;
}

void DrawLineSet(LineSet* set)
{
    if (set->vao == 0)
        return;
    glBindVertexArray(set->vao);
    glLineWidth((float)set->line_width);
    // Two vertices per line, exactly what UploadLineSet stored.
    glDrawArrays(GL_LINES, 0, (GLsizei)(set->byte_size / 16));
    glBindVertexArray(0);
}
