// The viewer's OpenGL context.
#include "render/render.h"
HGLRC gl_context;
int   gl_pixel_format;
PIXELFORMATDESCRIPTOR gl_pixel_format_request;
int InitGLContext(void) { return 0; }
