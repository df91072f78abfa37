#version 330

// Sine displacement across an axis turned by `angle` about the view centre.
uniform sampler2D colormap;
uniform float wnd_width_pxls;
uniform float wnd_height_pxls;
uniform float freq;   // cycles per normalised unit along the wave axis
uniform float amp;    // normalised view units
uniform float angle;  // radians
uniform float shift;  // radians of phase

in vec2 vVaryingTexCoords;

layout(location = 0) out vec4 fragColor;

const float PI = 3.1415926;

void main(void)
{
    // -1 .. +1 on both axes, 0 at the view centre.
    vec2 vVaryingTexCoords_center = 2.0 * vVaryingTexCoords - 1.0;

    vec2 vVaryingTexCoords_center_rot;
    vVaryingTexCoords_center_rot.x = vVaryingTexCoords_center.x * cos(angle)
                                   - vVaryingTexCoords_center.y * sin(angle);
    vVaryingTexCoords_center_rot.y = vVaryingTexCoords_center.x * sin(angle)
                                   + vVaryingTexCoords_center.y * cos(angle);

    vec2 vVaryingTexCoords_center_rot_dist;
    vVaryingTexCoords_center_rot_dist.x = vVaryingTexCoords_center_rot.x;
    vVaryingTexCoords_center_rot_dist.y = vVaryingTexCoords_center_rot.y
        + amp * sin(2.0 * PI * freq * vVaryingTexCoords_center_rot.x - shift);

    vec2 vVaryingTexCoords_center_dist;
    vVaryingTexCoords_center_dist.x = vVaryingTexCoords_center_rot_dist.x * cos(-angle)
                                    - vVaryingTexCoords_center_rot_dist.y * sin(-angle);
    vVaryingTexCoords_center_dist.y = vVaryingTexCoords_center_rot_dist.x * sin(-angle)
                                    + vVaryingTexCoords_center_rot_dist.y * cos(-angle);

    vec2 vVaryingTexCoords_dist = 0.5 * (vVaryingTexCoords_center_dist + 1.0);

    fragColor = texture(colormap, vVaryingTexCoords_dist);
}
