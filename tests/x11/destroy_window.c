/* Preloaded into cindral by the tests to destroy the window named by
 * CINDRAL_TEST_DESTROY_WINDOW at the moment its GL context is made, as when
 * the window's owner goes away while the program sets up: always between
 * finding the window and drawing into it. */
#define _GNU_SOURCE
#include <GL/glx.h>
#include <dlfcn.h>
#include <stdlib.h>

typedef GLXContext (*CreateContext)(Display*, XVisualInfo*, GLXContext, Bool);

GLXContext glXCreateContext(Display* display, XVisualInfo* visual, GLXContext share, Bool direct)
{
    const char* window = getenv("CINDRAL_TEST_DESTROY_WINDOW");
    if (window != NULL) {
        XDestroyWindow(display, (Window)strtoul(window, NULL, 0));
        XSync(display, False);
    }
    return ((CreateContext)dlsym(RTLD_NEXT, "glXCreateContext"))(display, visual, share, direct);
}
