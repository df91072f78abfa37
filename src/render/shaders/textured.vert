#version 330 core

// Every textured pass draws the quad straight in clip space.
in vec4 vVertex;
in vec2 vTexCoord;

out vec2 vVaryingTexCoords;

void main(void)
{
    vVaryingTexCoords = vTexCoord;
    gl_Position = vVertex;
}
