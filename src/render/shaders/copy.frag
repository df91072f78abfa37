#version 330

uniform sampler2D colormap;
// Set at every draw like the other stages' sizes; the copy does not need them.
uniform float wnd_width_pxls;
uniform float wnd_height_pxls;

in vec2 vVaryingTexCoords;

layout(location = 0) out vec4 fragColor;

void main(void)
{
    fragColor = texture(colormap, vVaryingTexCoords);
}
