#version 330

// Polynomial lens about (dist_cx, dist_cy): a fragment at radius r from the
// centre shows the source at radius K1 r^P1 + K2 r^P2 + K3 r^P3, same direction.
uniform sampler2D colormap;
uniform float K1;
uniform float K2;
uniform float K3;
uniform float P1;
uniform float P2;
uniform float P3;
uniform float dist_cx;  // normalised view units, x to the right
uniform float dist_cy;  // normalised view units, y upwards
uniform float wnd_width_pxls;
uniform float wnd_height_pxls;

in vec2 vVaryingTexCoords;

layout(location = 0) out vec4 fragColor;

void main(void)
{
    vec2 vVaryingTexCoords_dist = 2.0 * vVaryingTexCoords - 1.0;
    vVaryingTexCoords_dist.x = vVaryingTexCoords_dist.x - dist_cx;
    vVaryingTexCoords_dist.y = vVaryingTexCoords_dist.y - dist_cy;

    float r = length(vVaryingTexCoords_dist);
    float r_d = K1 * pow(r, P1) + K2 * pow(r, P2) + K3 * pow(r, P3);

    float a = atan(vVaryingTexCoords_dist.y, vVaryingTexCoords_dist.x);
    float x_d = r_d * cos(a);
    float y_d = r_d * sin(a);

    vVaryingTexCoords_dist.x = x_d + dist_cx;
    vVaryingTexCoords_dist.y = y_d + dist_cy;

    fragColor = texture(colormap, (vVaryingTexCoords_dist + 1.0) * 0.5);
}
