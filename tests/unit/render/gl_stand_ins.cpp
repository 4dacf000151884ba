#include "gl_stand_ins.h"

#include <GL/glu.h>

#include <cstring>

GlLog g_gl;
static GLuint g_next_name = 1;
static GLuint g_bound = 0;

void gl_log_reset()
{
    GlLog fresh;
    fresh.live = g_gl.live;
    fresh.max_texture_size = g_gl.max_texture_size;
    fresh.any_size = g_gl.any_size;
    fresh.serial = g_gl.serial;
    g_gl = fresh;
}

unsigned win_current_gl_serial(void)
{
    return g_gl.serial;
}

// The primitive a vertex or edge flag goes to, null outside glBegin/glEnd.
static GlPrimitive *open_primitive()
{
    if (g_gl.primitives.empty() || g_gl.primitives.back().ended) return nullptr;
    return &g_gl.primitives.back();
}

static void add_vertex(float x, float y, float z)
{
    g_gl.vertices.push_back({x, y, z});
    GlPrimitive *p = open_primitive();
    if (p != nullptr) p->vertices++;
}

extern "C" {
void glBegin(GLenum mode)
{
    g_gl.primitives.push_back({mode, 0, 0, 0});
}
void glEnd(void)
{
    GlPrimitive *p = open_primitive();
    if (p != nullptr) p->ended = 1;
}
void glVertex2f(GLfloat x, GLfloat y)
{
    add_vertex(x, y, 0.0f);
}
void glVertex3f(GLfloat x, GLfloat y, GLfloat z)
{
    add_vertex(x, y, z);
}
void glVertex3fv(const GLfloat *v)
{
    add_vertex(v[0], v[1], v[2]);
}
void glEdgeFlag(GLboolean)
{
    GlPrimitive *p = open_primitive();
    if (p != nullptr && p->vertices == 0) p->flag_first = 1;
}
void glGenTextures(GLsizei n, GLuint *names)
{
    for (GLsizei i = 0; i < n; i++) {
        names[i] = g_next_name++;
        g_gl.live.insert(names[i]);
    }
}
void glDeleteTextures(GLsizei n, const GLuint *names)
{
    for (GLsizei i = 0; i < n; i++) {
        g_gl.deleted.push_back(names[i]);
        g_gl.live.erase(names[i]);
    }
}
void glBindTexture(GLenum, GLuint name)
{
    g_bound = name;
    g_gl.binds.push_back(name);
}
void glTexImage2D(GLenum target, GLint, GLint, GLsizei width, GLsizei height, GLint, GLenum format, GLenum,
                  const GLvoid *pixels)
{
    if (target != GL_TEXTURE_2D) return;
    TextureUpload upload = {g_bound, width, height, format, {}};
    if (pixels != nullptr) {
        const unsigned char *p = static_cast<const unsigned char *>(pixels);
        upload.first_texels.assign(p, p + 8);
    }
    g_gl.uploads.push_back(upload);
}
void glGetTexLevelParameteriv(GLenum, GLint, GLenum, GLint *value)
{
    *value = 1;
}
const GLubyte *glGetString(GLenum name)
{
    static const GLubyte version_any[] = "2.1 stand-in";
    static const GLubyte version_old[] = "1.1 stand-in";
    static const GLubyte extensions[] = "";
    if (name == GL_VERSION) return g_gl.any_size ? version_any : version_old;
    return extensions;
}
void glGetIntegerv(GLenum name, GLint *value)
{
    *value = name == GL_MAX_TEXTURE_SIZE ? g_gl.max_texture_size : 4;
}
// The current colour is 4 values, white; any other query answers an identity matrix.
void glGetFloatv(GLenum name, GLfloat *value)
{
    static const GLfloat identity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    static const GLfloat white[4] = {1, 1, 1, 1};
    if (name == GL_CURRENT_COLOR) memcpy(value, white, sizeof white);
    else memcpy(value, identity, sizeof identity);
}
void glTexParameterf(GLenum, GLenum, GLfloat) {}
void glTexEnvf(GLenum, GLenum, GLfloat) {}
void glPixelStorei(GLenum, GLint) {}
void glColor3f(GLfloat, GLfloat, GLfloat) {}
void glTranslatef(GLfloat, GLfloat, GLfloat) {}
void glRasterPos3f(GLfloat, GLfloat, GLfloat) {}
void glBitmap(GLsizei, GLsizei, GLfloat, GLfloat, GLfloat, GLfloat, const GLubyte *)
{
    g_gl.bitmaps++;
}
GLint gluScaleImage(GLenum format, GLint, GLint, GLenum, const void *, GLint width_out, GLint height_out, GLenum,
                    void *out)
{
    g_gl.scaled++;
    memset(out, 0x5a, (size_t)width_out * (size_t)height_out * (format == GL_RGBA ? 4 : 3));
    return 0;
}
}
