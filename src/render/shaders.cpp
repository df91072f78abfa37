// The four shader programs the renderer draws with, built once at start-up.
#include "render/render.h"

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

#ifndef NDEBUG
static void PrintInfoLog(const char* what, const char* name, const char* log)
{
    OutputDebugStringA(what);
    OutputDebugStringA(name);
    OutputDebugStringA(":\n");
    OutputDebugStringA(log);
    OutputDebugStringA("\n");
}
#endif

// Compiles one stage; 0 when it does not compile (the shader is deleted).
static GLuint CompileStage(GLenum type, const char* text, const char* name)
{
    GLuint shader = glCreateShader(type);
    if (shader == 0)
        return 0;
    glShaderSource(shader, 1, &text, NULL);
    glCompileShader(shader);

    GLint compiled = 0;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &compiled);
    if (compiled == 0) {
#ifndef NDEBUG
        char log[2048] = {0};
        glGetShaderInfoLog(shader, (GLsizei)sizeof(log), NULL, log);
        PrintInfoLog("shader stage did not compile: ", name, log);
#else
        (void)name;
#endif
        glDeleteShader(shader);
        return 0;
    }
    return shader;
}

// Builds one program from two stage texts. texcoord_attribute tells whether
// the vertex stage takes vTexCoord. On success *program holds the program and
// the result is 0; otherwise the matching failure code, and *program is 0.
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

    GLint status = 0;
    glGetProgramiv(linked, GL_LINK_STATUS, &status);
    if (status == 0) {
#ifndef NDEBUG
        char log[2048] = {0};
        glGetProgramInfoLog(linked, (GLsizei)sizeof(log), NULL, log);
        PrintInfoLog("program did not link: ", fragment_name, log);
#endif
        glDeleteProgram(linked);
        return codes.link;
    }
    *program = linked;
    return 0;
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
    {&line_program, glsl_line_vert, "line.vert", glsl_line_frag, "line.frag", false, {1, 2, 3}},
    {&copy_program, glsl_textured_vert, "textured.vert", glsl_copy_frag, "copy.frag", true, {1, 2, 3}},
    {&wave_program, glsl_textured_vert, "textured.vert", glsl_wave_frag, "wave.frag", true, {4, 5, 6}},
    {&radial_program, glsl_textured_vert, "textured.vert", glsl_radial_frag, "radial.frag", true, {7, 8, 9}},
    {&layer_program, glsl_textured_vert, "textured.vert", glsl_layer_frag, "layer.frag", true, {10, 11, 12}},
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
        if (code != 0)
            return code;
        for (const UniformLookup& uniform : uniform_lookups) {
            if (uniform.program == source.program)
                *uniform.location = glGetUniformLocation(*source.program, uniform.name);
        }
    }
    return 0;
}
