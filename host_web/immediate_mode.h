#pragma once

// The part of OpenGL 1.1 and GLU that the scene calls, kept as plain state and
// a list of what one frame draws, so that a host without a fixed-function GL
// (WebGL) can draw the whole frame at once: every strip becomes triangles in
// eye space with their texture coordinates and colours, and the state they are
// drawn with goes beside them. Only what the scene uses is here; a value the
// layer does not implement is reported by unsupportedCall() and otherwise
// ignored, as GL ignores a call that raises an error.

#include <GL/gl.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Everything, apart from the vertices, that decides how a triangle is drawn.
struct DrawState {
    GLint viewport[4] = {0, 0, 0, 0};
    GLfloat projection[16] = {}; // column-major, as GL stores matrices
    // GL_TEXTURE_2D enabled and the texture complete; GL 1.1 draws as if
    // texturing were off while the texture is not.
    bool texturing = false;
    bool blending = false;
    GLenum blendSource = GL_ONE;
    GLenum blendDestination = GL_ZERO;
    bool fog = false;
    GLenum fogMode = GL_EXP;
    GLfloat fogDensity = 1.0f;
    GLfloat fogStart = 0.0f;
    GLfloat fogEnd = 1.0f;
    GLfloat fogColour[4] = {0.0f, 0.0f, 0.0f, 0.0f};
};

// One vertex of the frame's triangles, laid out as the vertex buffer holds it.
struct FrameVertex {
    GLfloat eye[3]; // position after the modelview matrix
    GLfloat texCoord[2];
    GLfloat colour[4];
};
static_assert(sizeof(FrameVertex) == 9 * sizeof(GLfloat), "the vertex buffer's stride is 9 floats");

struct FrameCommand {
    enum class Kind { Clear, Draw };
    Kind kind = Kind::Draw;
    GLbitfield clearMask = 0;          // Clear
    GLfloat clearColour[4] = {};       // Clear
    std::size_t state = 0;             // Draw: index into Frame::states
    std::size_t firstVertex = 0;       // Draw: triangles, three vertices each
    std::size_t vertexCount = 0;
};

// What the frame draws, in order.
struct Frame {
    std::vector<FrameCommand> commands;
    std::vector<DrawState> states;
    std::vector<FrameVertex> vertices;
};

// The image of the one texture the layer has: GL 1.1's default texture, the
// one bound to GL_TEXTURE_2D when no texture object is.
struct TextureImage {
    GLsizei width = 0;
    GLsizei height = 0;
    int channels = 0; // 3 (RGB) or 4 (RGBA) bytes per texel; 0 while there is no image
    std::vector<std::uint8_t> texels; // rows from the bottom, as given
    GLint minFilter = GL_NEAREST_MIPMAP_LINEAR;
    GLint magFilter = GL_LINEAR;
    GLint wrapS = GL_REPEAT;
    GLint wrapT = GL_REPEAT;
    std::uint32_t version = 0; // grows with every change of image or parameters
};

class ImmediateMode {
public:
    ImmediateMode();

    // The effect of each GL and GLU function the scene calls, named after it
    // (see gl_calls.h); gl_entry_points.cpp passes every call to these.
    void glBegin(GLenum mode);
    void glEnd();
    void glVertex3f(GLfloat x, GLfloat y, GLfloat z);
    void glTexCoord2f(GLfloat s, GLfloat t);
    void glColor4f(GLfloat red, GLfloat green, GLfloat blue, GLfloat alpha);
    void glMatrixMode(GLenum mode);
    void glLoadIdentity();
    void glTranslatef(GLfloat x, GLfloat y, GLfloat z);
    void glViewport(GLint x, GLint y, GLsizei width, GLsizei height);
    void glEnable(GLenum capability);
    void glBlendFunc(GLenum source, GLenum destination);
    void glFogi(GLenum name, GLint value) { fog(name, static_cast<GLfloat>(value)); }
    void glFogf(GLenum name, GLfloat value) { fog(name, value); }
    void glFogfv(GLenum name, const GLfloat* values);
    void glHint(GLenum target, GLenum mode);
    void glClear(GLbitfield mask);
    void glTexParameteri(GLenum target, GLenum name, GLint value);
    void glTexImage2D(GLenum target, GLint level, GLint internalFormat, GLsizei width, GLsizei height,
                      GLint border, GLenum format, GLenum type, const void* pixels);
    void gluPerspective(GLdouble fovyDegrees, GLdouble aspect, GLdouble zNear, GLdouble zFar);

    // While on, gluPerspective on a view taller than wide (aspect below 1)
    // gives the width the field of view asked for the height, and the height
    // the wider one in proportion, where GLU keeps it for the height and
    // leaves the width a narrow one: the web page's own projection, so that
    // a phone held upright shows as much of the flame's wanderings as a
    // landscape screen. Off by default, as GL has it; a landscape view is
    // the same either way.
    void setPortraitWidening(bool on) { portraitWidening_ = on; }

    // Starts a new frame: the command list empties; the state stays.
    void startFrame();
    // While off, clears and primitives are not added to the frame; every
    // state change still takes effect. For steps that are run but not shown.
    void setRecording(bool on) { recording_ = on; }

    // Gives every draw of the frame the current viewport and projection: the
    // frame as it would be drawn at the surface's new size.
    void refitFrameToView();

    const Frame& frame() const { return frame_; }
    const TextureImage& texture() const { return texture_; }
    const GLfloat* modelview() const { return modelview_; }
    const GLfloat* projection() const { return state_.projection; }

    // The first call that asked for something the layer does not implement,
    // as "glEnable(0x0B71)"; empty while there has been none.
    const std::string& unsupportedCall() const { return unsupported_; }

private:
    GLfloat* currentMatrix();
    void multiplyCurrent(const GLfloat* m);
    void stateChanged() { stateDirty_ = true; }
    void unsupported(const char* function, unsigned value);
    bool textureComplete() const;
    void fog(GLenum name, GLfloat value);

    Frame frame_;
    DrawState state_;
    bool textureEnabled_ = false;
    bool stateDirty_ = true;
    bool recording_ = true;
    bool portraitWidening_ = false;

    GLfloat modelview_[16];
    GLenum matrixMode_ = GL_MODELVIEW;

    bool inPrimitive_ = false;
    GLenum primitive_ = 0;
    std::vector<FrameVertex> strip_;
    GLfloat texCoord_[2] = {0.0f, 0.0f};
    GLfloat colour_[4] = {1.0f, 1.0f, 1.0f, 1.0f};

    TextureImage texture_;
    std::string unsupported_;
};
