#version 330

uniform vec4 vFragmentColor;

layout(location = 0) out vec4 fragColor;

void main(void)
{
    fragColor = vFragmentColor;
}
