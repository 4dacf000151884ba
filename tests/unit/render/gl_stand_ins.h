// Recording stand-ins for the OpenGL, GLU and window calls of the model pass
// that the cache test does not record itself: primitives and their vertices,
// texture objects, raster bitmaps, matrices read back and the number of the
// current GL context.
#pragma once
#include <GL/gl.h>

#include <set>
#include <vector>

// One glTexImage2D call on GL_TEXTURE_2D.
struct TextureUpload {
    GLuint name;     // texture bound when it was made
    GLint width;
    GLint height;
    GLenum format;   // GL_RGB or GL_RGBA
    std::vector<unsigned char> first_texels;  // the first 8 bytes sent
};

// One glBegin/glEnd pair.
struct GlPrimitive {
    GLenum mode;
    int vertices;       // glVertex calls inside it
    int flag_first;     // 1 when a glEdgeFlag call came before its first vertex
    int ended;          // 1 once its glEnd came
};

// One vertex position sent.
struct GlVertex {
    float x, y, z;
};

// What the stand-ins saw since the last reset.
struct GlLog {
    std::vector<GlPrimitive> primitives;  // in order
    std::vector<GlVertex> vertices;       // in order, inside primitives or not
    std::set<GLuint> live;                // texture names made and not deleted
    std::vector<GLuint> deleted;          // names passed to glDeleteTextures, in order
    std::vector<TextureUpload> uploads;   // texture uploads, in order
    std::vector<GLuint> binds;            // glBindTexture names, in order
    int bitmaps = 0;                      // glBitmap calls
    int scaled = 0;                       // gluScaleImage calls
    GLint max_texture_size = 1024;        // what GL_MAX_TEXTURE_SIZE answers
    int any_size = 1;                     // 1: the "driver" takes sizes that are no power of two
    unsigned serial = 1;                  // number of the current GL context, 0 for none
};

// The log; its texture-name counter survives resets, so names are never reused.
extern GlLog g_gl;
// Clears the log, keeping the settings given by the test (maximum size, any_size, serial).
void gl_log_reset();
