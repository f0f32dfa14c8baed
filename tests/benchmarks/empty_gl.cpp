// GL and GLU entry points that the scene calls, each doing nothing at all: no
// recording flag, no function-local static. Linked in place of libGL to time
// the scene's own arithmetic without the dispatch cost of gl_recorder.
#include <GL/gl.h>
#include <GL/glu.h>

extern "C" {

void glBegin(GLenum) {}
void glEnd() {}
void glTexCoord2f(GLfloat, GLfloat) {}
void glVertex3f(GLfloat, GLfloat, GLfloat) {}
void glColor4f(GLfloat, GLfloat, GLfloat, GLfloat) {}
void glLoadIdentity() {}
void glTranslatef(GLfloat, GLfloat, GLfloat) {}
void glMatrixMode(GLenum) {}
void glViewport(GLint, GLint, GLsizei, GLsizei) {}
void glEnable(GLenum) {}
void glBlendFunc(GLenum, GLenum) {}
void glFogi(GLenum, GLint) {}
void glFogf(GLenum, GLfloat) {}
void glFogfv(GLenum, const GLfloat*) {}
void glHint(GLenum, GLenum) {}
void glClear(GLbitfield) {}
void glTexParameteri(GLenum, GLenum, GLint) {}
void glTexImage2D(GLenum, GLint, GLint, GLsizei, GLsizei, GLint, GLenum, GLenum, const GLvoid*) {}
void gluPerspective(GLdouble, GLdouble, GLdouble, GLdouble) {}

} // extern "C"
