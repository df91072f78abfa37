// The five shader programs the renderer draws with, built once at start-up.
#include "render/render_internal.h"

#include <stdlib.h>

// The GLSL texts, compiled in from src/render/shaders.
extern const char glsl_line_vert[];
extern const char glsl_line_frag[];
extern const char glsl_textured_vert[];
extern const char glsl_copy_frag[];
extern const char glsl_wave_frag[];
extern const char glsl_radial_frag[];
extern const char glsl_layer_frag[];

GLuint line_program, copy_program, wave_program, radial_program, layer_program;
GLint  line_mView_rz, line_vFragmentColor;
GLint  copy_colormap, copy_wnd_width_pxls, copy_wnd_height_pxls;
GLint  wave_colormap, wave_wnd_width_pxls, wave_wnd_height_pxls,
       wave_freq, wave_amp, wave_angle, wave_shift;
GLint  radial_K1, radial_K2, radial_K3, radial_P1, radial_P2, radial_P3,
       radial_dist_cx, radial_dist_cy, radial_wnd_width_pxls, radial_wnd_height_pxls,
       radial_colormap;
GLint  layer_colormap, layer_alpha, layer_pixel_alpha;

// Failure codes of one program: its vertex stage, fragment stage, link.
struct ProgramCodes {
    int vertex;
    int fragment;
    int link;
};

// 1 when the stage compiled or the program linked; else 0, and its info log
// goes to the debugger under name, in every build.
static int CheckBuilt(GLuint object, bool is_program, const char* name)
{
    GLint status = 0, length = 0;
    if (is_program) {
        glGetProgramiv(object, GL_LINK_STATUS, &status);
        glGetProgramiv(object, GL_INFO_LOG_LENGTH, &length);
    } else {
        glGetShaderiv(object, GL_COMPILE_STATUS, &status);
        glGetShaderiv(object, GL_INFO_LOG_LENGTH, &length);
    }
    if (status != 0)
        return 1;
    OutputDebugStringA(is_program ? "program did not link: " : "shader stage did not compile: ");
    OutputDebugStringA(name);
    OutputDebugStringA(":\n");
    // The length counts the log's NUL; without memory the log is left out.
    char* log = length > 0 ? (char*)calloc((size_t)length + 1, 1) : NULL;
    if (log != NULL) {
        if (is_program)
            glGetProgramInfoLog(object, length, NULL, log);
        else
            glGetShaderInfoLog(object, length, NULL, log);
        OutputDebugStringA(log);
        free(log);
    }
    OutputDebugStringA("\n");
    return 0;
}

// Compiles one stage; 0 when it does not compile (the shader is deleted).
static GLuint CompileStage(GLenum type, const char* text, const char* name)
{
    GLuint shader = glCreateShader(type);
    if (shader == 0)
        return 0;
    glShaderSource(shader, 1, &text, NULL);
    glCompileShader(shader);
    if (!CheckBuilt(shader, false, name)) {
        glDeleteShader(shader);
        return 0;
    }
    return shader;
}

// Builds one program from two stage texts. texcoord_attribute tells whether
// the vertex stage takes vTexCoord. On success *program holds the program and
// the result is PROGRAMS_OK; otherwise the matching failure code, and *program is 0.
static int BuildProgram(const char* vertex_text, const char* vertex_name,
                        const char* fragment_text, const char* fragment_name,
                        bool texcoord_attribute, ProgramCodes codes, GLuint* program)
{
    *program = 0;
    GLuint vertex = CompileStage(GL_VERTEX_SHADER, vertex_text, vertex_name);
    if (vertex == 0)
        return codes.vertex;
    GLuint fragment = CompileStage(GL_FRAGMENT_SHADER, fragment_text, fragment_name);
    if (fragment == 0) {
        glDeleteShader(vertex);
        return codes.fragment;
    }

    GLuint linked = glCreateProgram();
    glAttachShader(linked, vertex);
    glAttachShader(linked, fragment);
    // The quad and line layouts put positions at 0 and texture coordinates at 1.
    glBindAttribLocation(linked, 0, "vVertex");
    if (texcoord_attribute)
        glBindAttribLocation(linked, 1, "vTexCoord");
    glLinkProgram(linked);
    glDeleteShader(vertex);
    glDeleteShader(fragment);
    // A program is named by its fragment stage, the one stage of its own.
    if (!CheckBuilt(linked, true, fragment_name)) {
        glDeleteProgram(linked);
        return codes.link;
    }
    *program = linked;
    return PROGRAMS_OK;
}

// The programs in the order they are built, each with its stages and the
// codes of its failures; line_program and copy_program share 1 to 3.
struct ProgramSource {
    GLuint*     program;
    const char* vertex_text;
    const char* vertex_name;
    const char* fragment_text;
    const char* fragment_name;
    bool        texcoord_attribute;
    ProgramCodes codes;
};
static const ProgramSource program_sources[] = {
    {&line_program, glsl_line_vert, "line.vert", glsl_line_frag, "line.frag", false,
     {PROGRAMS_LINE_VERTEX, PROGRAMS_LINE_FRAGMENT, PROGRAMS_LINE_LINK}},
    {&copy_program, glsl_textured_vert, "textured.vert", glsl_copy_frag, "copy.frag", true,
     {PROGRAMS_COPY_VERTEX, PROGRAMS_COPY_FRAGMENT, PROGRAMS_COPY_LINK}},
    {&wave_program, glsl_textured_vert, "textured.vert", glsl_wave_frag, "wave.frag", true,
     {PROGRAMS_WAVE_VERTEX, PROGRAMS_WAVE_FRAGMENT, PROGRAMS_WAVE_LINK}},
    {&radial_program, glsl_textured_vert, "textured.vert", glsl_radial_frag, "radial.frag", true,
     {PROGRAMS_RADIAL_VERTEX, PROGRAMS_RADIAL_FRAGMENT, PROGRAMS_RADIAL_LINK}},
    {&layer_program, glsl_textured_vert, "textured.vert", glsl_layer_frag, "layer.frag", true,
     {PROGRAMS_LAYER_VERTEX, PROGRAMS_LAYER_FRAGMENT, PROGRAMS_LAYER_LINK}},
};

// The uniforms each program's draws set, looked up once it is linked.
struct UniformLookup {
    GLuint*     program;
    const char* name;
    GLint*      location;
};
static const UniformLookup uniform_lookups[] = {
    {&line_program, "mView_rz", &line_mView_rz},
    {&line_program, "vFragmentColor", &line_vFragmentColor},
    {&copy_program, "colormap", &copy_colormap},
    {&copy_program, "wnd_width_pxls", &copy_wnd_width_pxls},
    {&copy_program, "wnd_height_pxls", &copy_wnd_height_pxls},
    {&wave_program, "colormap", &wave_colormap},
    {&wave_program, "wnd_width_pxls", &wave_wnd_width_pxls},
    {&wave_program, "wnd_height_pxls", &wave_wnd_height_pxls},
    {&wave_program, "freq", &wave_freq},
    {&wave_program, "amp", &wave_amp},
    {&wave_program, "angle", &wave_angle},
    {&wave_program, "shift", &wave_shift},
    {&radial_program, "K1", &radial_K1},
    {&radial_program, "K2", &radial_K2},
    {&radial_program, "K3", &radial_K3},
    {&radial_program, "P1", &radial_P1},
    {&radial_program, "P2", &radial_P2},
    {&radial_program, "P3", &radial_P3},
    {&radial_program, "dist_cx", &radial_dist_cx},
    {&radial_program, "dist_cy", &radial_dist_cy},
    {&radial_program, "wnd_width_pxls", &radial_wnd_width_pxls},
    {&radial_program, "wnd_height_pxls", &radial_wnd_height_pxls},
    {&radial_program, "colormap", &radial_colormap},
    {&layer_program, "colormap", &layer_colormap},
    {&layer_program, "alpha", &layer_alpha},
    {&layer_program, "pixel_alpha", &layer_pixel_alpha},
};

int CreateShaderPrograms(void)
{
    // Without a context nothing can compile; the line program's vertex stage fails first.
    if (!GLEntryPointsLoaded())
        return program_sources[0].codes.vertex;

    // The first failure ends the building: later programs are not built and
    // their uniforms not looked up.
    for (const ProgramSource& source : program_sources) {
        const int code = BuildProgram(source.vertex_text, source.vertex_name, source.fragment_text,
                                      source.fragment_name, source.texcoord_attribute, source.codes, source.program);
        if (code != PROGRAMS_OK)
            return code;
        for (const UniformLookup& uniform : uniform_lookups) {
            if (uniform.program == source.program)
                *uniform.location = glGetUniformLocation(*source.program, uniform.name);
        }
    }
    return PROGRAMS_OK;
}
