// The GL 1.1 and GLU functions that the scene calls, each passed to the
// process's ImmediateMode. Nothing else defines them in the web build.
#include "gl_entry_points.h"

#include "gl_calls.h"

ImmediateMode gImmediateMode;

extern "C" {

#define CINDRAL_WEB_GL(name, parameters, arguments) \
    void name parameters { gImmediateMode.name arguments; }
CINDRAL_SCENE_GL_CALLS(CINDRAL_WEB_GL)
#undef CINDRAL_WEB_GL

} // extern "C"
