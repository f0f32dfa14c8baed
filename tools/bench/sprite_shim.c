/* Preloaded into the Linux host by tools/bench/peers.py, beside the frame
 * counter, to split a frame's processor time into what it costs to clear and
 * present, to compute and submit the sprites, and to fill their pixels. With
 * CINDRAL_BENCH_SPRITES set to
 *   none        every strip is dropped: glBegin, glVertex3f and glEnd do
 *               nothing, so a frame is the scene's arithmetic, the clear and
 *               the swap;
 *   zero-area   every vertex goes to GL at (0, 0) and its own depth: the
 *               same calls and vertices reach the driver, and no pixel is
 *               filled.
 * Unset, or any other value, every call goes through unchanged. */
#define _GNU_SOURCE
#include <GL/gl.h>
#include <dlfcn.h>
#include <stdlib.h>
#include <string.h>

typedef void (*Begin)(GLenum);
typedef void (*End)(void);
typedef void (*Vertex3f)(GLfloat, GLfloat, GLfloat);

enum Mode { kAll, kNone, kZeroArea };

static enum Mode mode(void)
{
    static int known;
    static enum Mode m;
    if (!known) {
        const char* value = getenv("CINDRAL_BENCH_SPRITES");
        m = value == NULL ? kAll : strcmp(value, "none") == 0 ? kNone : strcmp(value, "zero-area") == 0 ? kZeroArea : kAll;
        known = 1;
    }
    return m;
}

void glBegin(GLenum primitive)
{
    static Begin next;
    if (next == NULL) {
        next = (Begin)dlsym(RTLD_NEXT, "glBegin");
    }
    if (mode() != kNone) {
        next(primitive);
    }
}

void glEnd(void)
{
    static End next;
    if (next == NULL) {
        next = (End)dlsym(RTLD_NEXT, "glEnd");
    }
    if (mode() != kNone) {
        next();
    }
}

void glVertex3f(GLfloat x, GLfloat y, GLfloat z)
{
    static Vertex3f next;
    if (next == NULL) {
        next = (Vertex3f)dlsym(RTLD_NEXT, "glVertex3f");
    }
    switch (mode()) {
    case kNone: break;
    case kZeroArea: next(0.0f, 0.0f, z); break;
    case kAll: next(x, y, z); break;
    }
}
