#pragma once
// Every triangle primitive the drawing sends: begun, fed and ended here.
// Mesa's llvmpipe takes a GL_TRIANGLES draw of exactly 9 vertices whose last
// triangle lies on one window row for a screen rectangle and fills none of it,
// and Mesa joins neighbouring GL_TRIANGLES primitives (strips and fans of 3
// vertices among them) into one draw. So no primitive sent here is a triangle
// list of 3 or 9 vertices: the lengths left (6, 12 and up) never add up to 9.

#include <GL/gl.h>

// The primitive being sent; one at a time, as GL has.
struct TriBatch {
    GLenum mode;      // the mode given to glBegin
    int vertices;     // vertices sent since the begin
    float last[3];    // the last vertex sent
};

extern TriBatch g_tri_batch;

// Begins a primitive of GL_TRIANGLES, GL_TRIANGLE_STRIP or GL_TRIANGLE_FAN with the edge flag
// on. vertices is the length of a strip or fan (one of 3 is sent as the one triangle it
// makes); unused for GL_TRIANGLES.
void batch_begin(GLenum mode, int vertices);
// Ends the primitive. A triangle list of 3 or 9 vertices first gets one triangle of no area
// at its last vertex, with edge flags off so line and point modes show nothing of it; the
// edge flag is left on.
void batch_end(void);

// A vertex at position, with the attributes set before it as for glVertex.
inline void batch_vertex(const float *position)
{
    g_tri_batch.last[0] = position[0];
    g_tri_batch.last[1] = position[1];
    g_tri_batch.last[2] = position[2];
    g_tri_batch.vertices++;
    glVertex3fv(position);
}

// A vertex at (x, y, z).
inline void batch_vertex3f(float x, float y, float z)
{
    const float position[3] = {x, y, z};
    batch_vertex(position);
}

// A vertex at (x, y) in the plane z = 0.
inline void batch_vertex2f(float x, float y)
{
    g_tri_batch.last[0] = x;
    g_tri_batch.last[1] = y;
    g_tri_batch.last[2] = 0.0f;
    g_tri_batch.vertices++;
    glVertex2f(x, y);
}
