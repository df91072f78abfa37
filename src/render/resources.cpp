// Render targets, quad and marker lines.
#include "render/render.h"
int CreateRenderResources(void) { return 0; }
int ResizeRenderTextures(void) { return 0; }
