#pragma once

#include "gl_api.h"

// Every OpenGL 1.1 and GLU function the scene calls, listed once, for the
// code that stands in for GL: the web page's layer, the tests' recorder and
// the benchmarks' empty GL. X(name, parameters, arguments) for each; all
// return void. A stand-in generated from this list defines exactly these
// functions, so a call the scene starts making and the list lacks is a link
// error in every program that links a stand-in.
#define CINDRAL_SCENE_GL_CALLS(X)                                                                  \
    X(glBegin, (GLenum mode), (mode))                                                             \
    X(glEnd, (), ())                                                                              \
    X(glVertex3f, (GLfloat x, GLfloat y, GLfloat z), (x, y, z))                                   \
    X(glTexCoord2f, (GLfloat s, GLfloat t), (s, t))                                               \
    X(glColor4f, (GLfloat red, GLfloat green, GLfloat blue, GLfloat alpha), (red, green, blue, alpha)) \
    X(glMatrixMode, (GLenum mode), (mode))                                                        \
    X(glLoadIdentity, (), ())                                                                     \
    X(glTranslatef, (GLfloat x, GLfloat y, GLfloat z), (x, y, z))                                 \
    X(glViewport, (GLint x, GLint y, GLsizei width, GLsizei height), (x, y, width, height))       \
    X(glEnable, (GLenum capability), (capability))                                                \
    X(glBlendFunc, (GLenum source, GLenum destination), (source, destination))                    \
    X(glFogi, (GLenum name, GLint value), (name, value))                                          \
    X(glFogf, (GLenum name, GLfloat value), (name, value))                                        \
    X(glFogfv, (GLenum name, const GLfloat* values), (name, values))                              \
    X(glHint, (GLenum target, GLenum mode), (target, mode))                                       \
    X(glClear, (GLbitfield mask), (mask))                                                         \
    X(glTexParameteri, (GLenum target, GLenum name, GLint value), (target, name, value))          \
    X(glTexImage2D,                                                                               \
      (GLenum target, GLint level, GLint internalFormat, GLsizei width, GLsizei height, GLint border, \
       GLenum format, GLenum type, const GLvoid* pixels),                                         \
      (target, level, internalFormat, width, height, border, format, type, pixels))               \
    X(gluPerspective, (GLdouble fovy, GLdouble aspect, GLdouble zNear, GLdouble zFar),            \
      (fovy, aspect, zNear, zFar))
