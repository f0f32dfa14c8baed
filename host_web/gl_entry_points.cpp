// The GL 1.1 and GLU functions that the scene calls, each passed to the
// process's ImmediateMode. Nothing else defines them in the web build.
#include "gl_entry_points.h"

#include <GL/glu.h>

ImmediateMode gImmediateMode;

extern "C" {

void glBegin(GLenum mode) { gImmediateMode.begin(mode); }
void glEnd() { gImmediateMode.end(); }
void glVertex3f(GLfloat x, GLfloat y, GLfloat z) { gImmediateMode.vertex(x, y, z); }
void glTexCoord2f(GLfloat s, GLfloat t) { gImmediateMode.texCoord(s, t); }
void glColor4f(GLfloat r, GLfloat g, GLfloat b, GLfloat a) { gImmediateMode.colour(r, g, b, a); }
void glMatrixMode(GLenum mode) { gImmediateMode.matrixMode(mode); }
void glLoadIdentity() { gImmediateMode.loadIdentity(); }
void glTranslatef(GLfloat x, GLfloat y, GLfloat z) { gImmediateMode.translate(x, y, z); }
void glViewport(GLint x, GLint y, GLsizei width, GLsizei height) { gImmediateMode.viewport(x, y, width, height); }
void glEnable(GLenum capability) { gImmediateMode.enable(capability); }
void glBlendFunc(GLenum source, GLenum destination) { gImmediateMode.blendFunc(source, destination); }
void glFogi(GLenum name, GLint value) { gImmediateMode.fog(name, static_cast<GLfloat>(value)); }
void glFogf(GLenum name, GLfloat value) { gImmediateMode.fog(name, value); }
void glFogfv(GLenum name, const GLfloat* values)
{
    if (name == GL_FOG_COLOR) {
        gImmediateMode.fogColour(values);
    } else {
        gImmediateMode.fog(name, values[0]);
    }
}
void glHint(GLenum target, GLenum mode) { gImmediateMode.hint(target, mode); }
void glClear(GLbitfield mask) { gImmediateMode.clear(mask); }
void glTexParameteri(GLenum target, GLenum name, GLint value) { gImmediateMode.texParameter(target, name, value); }
void glTexImage2D(GLenum target, GLint level, GLint internalFormat, GLsizei width, GLsizei height,
                  GLint border, GLenum format, GLenum type, const GLvoid* pixels)
{
    gImmediateMode.texImage(target, level, internalFormat, width, height, border, format, type, pixels);
}

void gluPerspective(GLdouble fovy, GLdouble aspect, GLdouble zNear, GLdouble zFar)
{
    gImmediateMode.perspective(fovy, aspect, zNear, zFar);
}

} // extern "C"
