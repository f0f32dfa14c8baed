// The GL 1.1 and GLU functions that the scene calls, each passed to the web
// host's ImmediateMode. Nothing else defines them in the web build.
#include "gl_calls.h"
#include "web_host_state.h"

WebHostState gWebHost;

extern "C" {

#define CINDRAL_WEB_GL(name, parameters, arguments) \
    void name parameters { gWebHost.layer.name arguments; }
CINDRAL_SCENE_GL_CALLS(CINDRAL_WEB_GL)
#undef CINDRAL_WEB_GL

} // extern "C"
