// GoogleTest before Xlib, whose None and Bool macros clash with it.
#include <gtest/gtest.h>

#include "fps_overlay.h"
#include "process_support.h"
#include "scene.h"

#include <GL/glx.h>

#include <vector>

namespace {

// The GL state the scene relies on between frames, as one list of numbers:
// enables, matrix mode and stacks, colour, blending, fog, pixel unpacking.
std::vector<float> sceneState()
{
    std::vector<float> v;
    for (GLenum cap : {GL_TEXTURE_2D, GL_BLEND, GL_FOG, GL_DEPTH_TEST, GL_LIGHTING, GL_CULL_FACE}) {
        v.push_back(glIsEnabled(cap));
    }
    for (GLenum name : {GL_MATRIX_MODE, GL_MODELVIEW_STACK_DEPTH, GL_PROJECTION_STACK_DEPTH,
                        GL_BLEND_SRC, GL_BLEND_DST, GL_FOG_MODE, GL_UNPACK_ALIGNMENT}) {
        GLint value = 0;
        glGetIntegerv(name, &value);
        v.push_back(static_cast<float>(value));
    }
    for (GLenum name : {GL_MODELVIEW_MATRIX, GL_PROJECTION_MATRIX, GL_CURRENT_COLOR, GL_FOG_END}) {
        GLfloat values[16] = {};
        glGetFloatv(name, values);
        v.insert(v.end(), values, values + 16);
    }
    return v;
}

} // namespace

TEST(FpsOverlay, LeavesTheScenesGlStateAsItFoundIt)
{
    REQUIRE_DISPLAY();
    TestDisplay display;
    ASSERT_TRUE(display.ok());
    Display* d = display.get();
    int attributes[] = {GLX_RGBA, GLX_DOUBLEBUFFER, None};
    XVisualInfo* info = glXChooseVisual(d, DefaultScreen(d), attributes);
    ASSERT_NE(info, nullptr);
    XSetWindowAttributes set = {};
    set.colormap = XCreateColormap(d, DefaultRootWindow(d), info->visual, AllocNone);
    const Window window = XCreateWindow(d, DefaultRootWindow(d), 0, 0, 64, 48, 0, info->depth,
                                        InputOutput, info->visual, CWColormap, &set);
    GLXContext context = glXCreateContext(d, info, nullptr, True);
    ASSERT_TRUE(glXMakeCurrent(d, window, context));

    initScene(64, 48);
    renderFrame();
    const std::vector<float> before = sceneState();
    drawFpsOverlay(99.5, 64, 48);
    EXPECT_EQ(sceneState(), before);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));

    glXMakeCurrent(d, None, nullptr);
    glXDestroyContext(d, context);
    XFree(info);
}
