#pragma once

// OpenGL 1.1 and GLU for the scene, without a platform header. The Windows
// <GL/gl.h> pulls in <windows.h> unless its calling-convention macros already
// exist, so they are given here as OPENGL32 and GLU32 export the functions.
// Host code includes <windows.h> and never this header.
#if defined(_WIN32)
#ifndef APIENTRY
#define APIENTRY __stdcall
#endif
#ifndef WINGDIAPI
#define WINGDIAPI __declspec(dllimport)
#endif
#ifndef CALLBACK
#define CALLBACK __stdcall
#endif
#endif

#include <GL/gl.h>
#include <GL/glu.h>
