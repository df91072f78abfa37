// Distortion parameters and their defaults.
#include "render/render_internal.h"

int   viewer_width = 400, viewer_height = 400;
int   radial_enabled = 1;
float K1 = 0.7f, K2 = 0.0f, K3 = 0.0f;
float P1 = 1.7f, P2 = 0.0f, P3 = 0.0f;
float dist_cx = 0.0f, dist_cy = 0.0f;
int   wave_enabled = 0;
float freq = 0.0f, amp = 0.0f, shift = 0.0f, angle_deg = 0.0f;

float AngleRadians(float degrees)
{
    // The factor is 6.28318, not a more exact 2 pi: angles match the wave stage's.
    return (float)((double)degrees * 6.28318 / 360.0);
}
