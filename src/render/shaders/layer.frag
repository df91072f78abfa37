#version 330

// A translucent window's part, drawn over the captures already composed:
// premultiplied, so that what lies behind stays by one minus its alpha.
uniform sampler2D colormap;
uniform float alpha;       // the window's constant alpha, 0 to 1
uniform int pixel_alpha;   // 1: its pixels carry a premultiplied alpha of their own

in vec2 vVaryingTexCoords;

layout(location = 0) out vec4 fragColor;

void main(void)
{
    vec4 texel = texture(colormap, vVaryingTexCoords);
    vec4 own = pixel_alpha == 1 ? texel : vec4(texel.rgb, 1.0);
    fragColor = own * alpha;
}
