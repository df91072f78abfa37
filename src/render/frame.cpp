// One frame of the viewer window.
#include "render/render.h"
void RenderFrame(void) {}
