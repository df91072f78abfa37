// Shader programs.
#include "render/render.h"
GLuint line_program, copy_program, wave_program, radial_program;
int CreateShaderPrograms(void) { return 0; }
