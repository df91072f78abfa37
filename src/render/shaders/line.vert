#version 330 core

// Marker lines: turned about the view centre by the rotation matrix.
uniform mat4 mView_rz;

in vec4 vVertex;

void main(void)
{
    gl_Position = mView_rz * vVertex;
}
