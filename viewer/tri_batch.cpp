// The one begin and end of the drawing's triangle primitives (see the header
// for the renderer fault they keep clear of).
#include "viewer/tri_batch.h"

TriBatch g_tri_batch = {GL_TRIANGLES, 0, {0.0f, 0.0f, 0.0f}};

void batch_begin(GLenum mode, int vertices)
{
    if (mode != GL_TRIANGLES && vertices == 3) mode = GL_TRIANGLES;
    g_tri_batch.mode = mode;
    g_tri_batch.vertices = 0;
    glBegin(mode);
    // The edge flag goes with the primitive from its first vertex: an attribute first set part
    // way through (a quad's hidden diagonal, the closing triangle) makes Mesa cut the primitive
    // there into draws of any length.
    glEdgeFlag(GL_TRUE);
}

void batch_end(void)
{
    int count = g_tri_batch.vertices;
    if (g_tri_batch.mode == GL_TRIANGLES && (count == 3 || count == 9)) {
        glEdgeFlag(GL_FALSE);
        for (int i = 0; i < 3; i++) glVertex3fv(g_tri_batch.last);
        glEdgeFlag(GL_TRUE);
    }
    glEnd();
    g_tri_batch.vertices = 0;
}
