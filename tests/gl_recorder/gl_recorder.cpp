#include "gl_recorder.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <initializer_list>

namespace {

// At namespace scope rather than a function-local static, so that the null
// sink (recording off) costs one test of a flag per call, with no guard.
GlRecorder gRecorder;

inline void record(const char* name, std::initializer_list<double> args)
{
    if (gRecorder.recording) {
        gRecorder.calls.push_back(GlCall{name, std::vector<double>(args)});
    }
}

} // namespace

GlRecorder& glRecorder()
{
    return gRecorder;
}

extern "C" {

void glBegin(GLenum mode) { record("glBegin", {double(mode)}); }
void glEnd() { record("glEnd", {}); }
void glTexCoord2f(GLfloat s, GLfloat t) { record("glTexCoord2f", {s, t}); }
void glVertex3f(GLfloat x, GLfloat y, GLfloat z) { record("glVertex3f", {x, y, z}); }
void glColor4f(GLfloat r, GLfloat g, GLfloat b, GLfloat a) { record("glColor4f", {r, g, b, a}); }
void glLoadIdentity() { record("glLoadIdentity", {}); }
void glTranslatef(GLfloat x, GLfloat y, GLfloat z) { record("glTranslatef", {x, y, z}); }
void glMatrixMode(GLenum mode) { record("glMatrixMode", {double(mode)}); }
void glViewport(GLint x, GLint y, GLsizei w, GLsizei h) { record("glViewport", {double(x), double(y), double(w), double(h)}); }
void glEnable(GLenum cap) { record("glEnable", {double(cap)}); }
void glDisable(GLenum cap) { record("glDisable", {double(cap)}); }
void glBlendFunc(GLenum s, GLenum d) { record("glBlendFunc", {double(s), double(d)}); }
void glFogi(GLenum p, GLint v) { record("glFogi", {double(p), double(v)}); }
void glFogf(GLenum p, GLfloat v) { record("glFogf", {double(p), v}); }
void glFogfv(GLenum p, const GLfloat* v) { record("glFogfv", {double(p), v[0], v[1], v[2], v[3]}); }
void glHint(GLenum t, GLenum m) { record("glHint", {double(t), double(m)}); }
void glClear(GLbitfield mask) { record("glClear", {double(mask)}); }
void glTexParameteri(GLenum t, GLenum p, GLint v) { record("glTexParameteri", {double(t), double(p), double(v)}); }

void glTexImage2D(GLenum target, GLint level, GLint internalFormat, GLsizei width, GLsizei height,
                  GLint border, GLenum format, GLenum type, const GLvoid* pixels)
{
    GlRecorder& r = gRecorder;
    if (!r.recording) {
        return;
    }
    record("glTexImage2D", {double(target), double(level), double(internalFormat), double(width),
                            double(height), double(border), double(format), double(type)});
    if (pixels != nullptr && format == GL_RGBA && type == GL_UNSIGNED_BYTE) {
        const auto* bytes = static_cast<const unsigned char*>(pixels);
        r.texImage.assign(bytes, bytes + static_cast<size_t>(width) * height * 4);
    }
}

void gluPerspective(GLdouble fovy, GLdouble aspect, GLdouble zNear, GLdouble zFar)
{
    record("gluPerspective", {fovy, aspect, zNear, zFar});
}

} // extern "C"
