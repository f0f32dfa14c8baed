// GL and GLU entry points that the scene calls, each doing nothing at all: no
// recording flag, no function-local static. Linked in place of libGL to time
// the scene's own arithmetic without the dispatch cost of gl_recorder.
#include "gl_calls.h"

namespace {

template <typename... Arguments>
inline void ignore(const Arguments&...)
{
}

} // namespace

extern "C" {

#define CINDRAL_EMPTY_GL(name, parameters, arguments) \
    void name parameters { ignore arguments; }
CINDRAL_SCENE_GL_CALLS(CINDRAL_EMPTY_GL)
#undef CINDRAL_EMPTY_GL

} // extern "C"
