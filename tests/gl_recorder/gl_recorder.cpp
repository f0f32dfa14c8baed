#include "gl_recorder.h"

#include "gl_calls.h"

#include <type_traits>

namespace {

// At namespace scope rather than a function-local static, so that the null
// sink (recording off) costs one test of a flag per call, with no guard.
GlRecorder gRecorder;

// One call's arguments as doubles, which hold GL's enums, integers and
// floats exactly. A fog colour is its four components; the texture's pixels
// are kept aside (RGBA bytes only), sized from the call's other arguments.
struct ArgumentList {
    GlCall& call;
    const void* pixels = nullptr;

    void add(const GLfloat* values) { call.args.insert(call.args.end(), values, values + 4); }
    void add(const GLvoid* data) { pixels = data; }
    template <typename Number, typename = std::enable_if_t<std::is_arithmetic_v<Number>>>
    void add(Number value)
    {
        call.args.push_back(static_cast<double>(value));
    }
};

template <typename... Arguments>
void record(const char* name, Arguments... arguments)
{
    if (!gRecorder.recording) {
        return;
    }
    GlCall& call = gRecorder.calls.emplace_back(GlCall{name, {}});
    ArgumentList list{call};
    (list.add(arguments), ...);
    if (list.pixels != nullptr && call.name == "glTexImage2D") {
        const auto& a = call.args; // target, level, internal format, width, height, border, format, type
        if (a[6] == GL_RGBA && a[7] == GL_UNSIGNED_BYTE) {
            const auto* bytes = static_cast<const unsigned char*>(list.pixels);
            gRecorder.texImage.assign(bytes, bytes + static_cast<std::size_t>(a[3] * a[4] * 4));
        }
    }
}

// `record arguments` needs the name in front of a parenthesised list.
struct Recorded {
    const char* name;
    template <typename... Arguments>
    void operator()(Arguments... arguments) const
    {
        record(name, arguments...);
    }
};

} // namespace

GlRecorder& glRecorder()
{
    return gRecorder;
}

extern "C" {

#define CINDRAL_RECORD_GL(name, parameters, arguments) \
    void name parameters { Recorded{#name} arguments; }
CINDRAL_SCENE_GL_CALLS(CINDRAL_RECORD_GL)
#undef CINDRAL_RECORD_GL

} // extern "C"
