#include "immediate_mode.h"

#include <cmath>
#include <cstdio>
#include <cstring>

namespace {

void setIdentity(GLfloat* m)
{
    for (int i = 0; i < 16; ++i) {
        m[i] = (i % 5 == 0) ? 1.0f : 0.0f;
    }
}

// m = m * n, both column-major.
void multiply(GLfloat* m, const GLfloat* n)
{
    GLfloat product[16];
    for (int column = 0; column < 4; ++column) {
        for (int row = 0; row < 4; ++row) {
            GLfloat sum = 0.0f;
            for (int k = 0; k < 4; ++k) {
                sum += m[k * 4 + row] * n[column * 4 + k];
            }
            product[column * 4 + row] = sum;
        }
    }
    std::memcpy(m, product, sizeof product);
}

bool isMipmapFilter(GLint filter)
{
    return filter == GL_NEAREST_MIPMAP_NEAREST || filter == GL_LINEAR_MIPMAP_NEAREST ||
           filter == GL_NEAREST_MIPMAP_LINEAR || filter == GL_LINEAR_MIPMAP_LINEAR;
}

bool isFilter(GLint value, bool minifying)
{
    return value == GL_NEAREST || value == GL_LINEAR || (minifying && isMipmapFilter(value));
}

// Bytes per texel of a stored image for GL 1.1's internal formats: the
// legacy counts 3 and 4 or the base formats RGB and RGBA.
int storedChannels(GLint internalFormat)
{
    switch (internalFormat) {
    case 3:
    case GL_RGB: return 3;
    case 4:
    case GL_RGBA: return 4;
    default: return 0;
    }
}

} // namespace

ImmediateMode::ImmediateMode()
{
    setIdentity(modelview_);
    setIdentity(state_.projection);
    strip_.reserve(4);
}

GLfloat* ImmediateMode::currentMatrix()
{
    return matrixMode_ == GL_PROJECTION ? state_.projection : modelview_;
}

void ImmediateMode::multiplyCurrent(const GLfloat* m)
{
    multiply(currentMatrix(), m);
    if (matrixMode_ == GL_PROJECTION) {
        stateChanged();
    }
}

void ImmediateMode::unsupported(const char* function, unsigned value)
{
    if (unsupported_.empty()) {
        char text[64];
        std::snprintf(text, sizeof text, "%s(0x%04X)", function, value);
        unsupported_ = text;
    }
}

bool ImmediateMode::textureComplete() const
{
    // Only level 0 is ever specified, so a filter that reads mipmaps leaves
    // the texture incomplete.
    return texture_.channels != 0 && texture_.width > 0 && texture_.height > 0 &&
           !isMipmapFilter(texture_.minFilter);
}

void ImmediateMode::glBegin(GLenum mode)
{
    if (mode != GL_TRIANGLE_STRIP) {
        unsupported("glBegin", mode);
    }
    inPrimitive_ = true;
    primitive_ = mode;
    strip_.clear();
}

void ImmediateMode::glEnd()
{
    if (!inPrimitive_) {
        return;
    }
    inPrimitive_ = false;
    if (!recording_ || primitive_ != GL_TRIANGLE_STRIP || strip_.size() < 3) {
        return;
    }
    if (stateDirty_ || frame_.commands.empty() || frame_.commands.back().kind != FrameCommand::Kind::Draw) {
        DrawState s = state_;
        s.texturing = textureEnabled_ && textureComplete();
        frame_.states.push_back(s);
        FrameCommand draw;
        draw.kind = FrameCommand::Kind::Draw;
        draw.state = frame_.states.size() - 1;
        draw.firstVertex = frame_.vertices.size();
        frame_.commands.push_back(draw);
        stateDirty_ = false;
    }
    // Triangle i of a strip is vertices i, i+1, i+2, with every other one
    // turned round so that all keep the strip's winding.
    for (std::size_t i = 2; i < strip_.size(); ++i) {
        const bool even = (i % 2) == 0;
        frame_.vertices.push_back(strip_[even ? i - 2 : i - 1]);
        frame_.vertices.push_back(strip_[even ? i - 1 : i - 2]);
        frame_.vertices.push_back(strip_[i]);
    }
    frame_.commands.back().vertexCount = frame_.vertices.size() - frame_.commands.back().firstVertex;
}

void ImmediateMode::glVertex3f(GLfloat x, GLfloat y, GLfloat z)
{
    if (!inPrimitive_ || !recording_) {
        return;
    }
    const GLfloat* m = modelview_;
    FrameVertex v;
    v.eye[0] = m[0] * x + m[4] * y + m[8] * z + m[12];
    v.eye[1] = m[1] * x + m[5] * y + m[9] * z + m[13];
    v.eye[2] = m[2] * x + m[6] * y + m[10] * z + m[14];
    v.texCoord[0] = texCoord_[0];
    v.texCoord[1] = texCoord_[1];
    std::memcpy(v.colour, colour_, sizeof colour_);
    strip_.push_back(v);
}

void ImmediateMode::glTexCoord2f(GLfloat s, GLfloat t)
{
    texCoord_[0] = s;
    texCoord_[1] = t;
}

void ImmediateMode::glColor4f(GLfloat r, GLfloat g, GLfloat b, GLfloat a)
{
    colour_[0] = r;
    colour_[1] = g;
    colour_[2] = b;
    colour_[3] = a;
}

void ImmediateMode::glMatrixMode(GLenum mode)
{
    if (mode != GL_MODELVIEW && mode != GL_PROJECTION) {
        unsupported("glMatrixMode", mode);
        return;
    }
    matrixMode_ = mode;
}

void ImmediateMode::glLoadIdentity()
{
    setIdentity(currentMatrix());
    if (matrixMode_ == GL_PROJECTION) {
        stateChanged();
    }
}

void ImmediateMode::glTranslatef(GLfloat x, GLfloat y, GLfloat z)
{
    GLfloat m[16];
    setIdentity(m);
    m[12] = x;
    m[13] = y;
    m[14] = z;
    multiplyCurrent(m);
}

void ImmediateMode::gluPerspective(GLdouble fovyDegrees, GLdouble aspect, GLdouble zNear, GLdouble zFar)
{
    const double halfAngle = fovyDegrees / 2.0 * 3.14159265358979323846 / 180.0;
    const double depth = zFar - zNear;
    const double sine = std::sin(halfAngle);
    if (depth == 0.0 || sine == 0.0 || aspect == 0.0) {
        return; // GLU leaves the matrix alone when it would divide by zero
    }
    const double cotangent = std::cos(halfAngle) / sine;
    const bool widened = portraitWidening_ && aspect < 1.0;
    GLfloat m[16] = {};
    m[0] = static_cast<GLfloat>(widened ? cotangent : cotangent / aspect);
    m[5] = static_cast<GLfloat>(widened ? cotangent * aspect : cotangent);
    m[10] = static_cast<GLfloat>(-(zFar + zNear) / depth);
    m[11] = -1.0f;
    m[14] = static_cast<GLfloat>(-2.0 * zNear * zFar / depth);
    multiplyCurrent(m);
}

void ImmediateMode::glViewport(GLint x, GLint y, GLsizei width, GLsizei height)
{
    if (width < 0 || height < 0) {
        return; // GL_INVALID_VALUE
    }
    state_.viewport[0] = x;
    state_.viewport[1] = y;
    state_.viewport[2] = width;
    state_.viewport[3] = height;
    stateChanged();
}

void ImmediateMode::glEnable(GLenum capability)
{
    switch (capability) {
    case GL_TEXTURE_2D: textureEnabled_ = true; break;
    case GL_BLEND: state_.blending = true; break;
    case GL_FOG: state_.fog = true; break;
    default: unsupported("glEnable", capability); return;
    }
    stateChanged();
}

void ImmediateMode::glBlendFunc(GLenum source, GLenum destination)
{
    state_.blendSource = source;
    state_.blendDestination = destination;
    stateChanged();
}

void ImmediateMode::fog(GLenum name, GLfloat value)
{
    switch (name) {
    case GL_FOG_MODE: {
        const auto mode = static_cast<GLenum>(value);
        if (mode != GL_LINEAR && mode != GL_EXP && mode != GL_EXP2) {
            unsupported("glFog(GL_FOG_MODE)", mode);
            return;
        }
        state_.fogMode = mode;
        break;
    }
    case GL_FOG_DENSITY:
        if (value < 0.0f) {
            return; // GL_INVALID_VALUE
        }
        state_.fogDensity = value;
        break;
    case GL_FOG_START: state_.fogStart = value; break;
    case GL_FOG_END: state_.fogEnd = value; break;
    default: unsupported("glFog", name); return;
    }
    stateChanged();
}

void ImmediateMode::glFogfv(GLenum name, const GLfloat* values)
{
    if (name != GL_FOG_COLOR) {
        fog(name, values[0]);
        return;
    }
    for (int i = 0; i < 4; ++i) {
        // Colours are clamped to [0, 1] when they are specified.
        state_.fogColour[i] = values[i] < 0.0f ? 0.0f : (values[i] > 1.0f ? 1.0f : values[i]);
    }
    stateChanged();
}

void ImmediateMode::glHint(GLenum target, GLenum mode)
{
    // Hints may be ignored; fog is computed per vertex whatever is asked.
    if (mode != GL_FASTEST && mode != GL_NICEST && mode != GL_DONT_CARE) {
        unsupported("glHint", target);
    }
}

void ImmediateMode::glClear(GLbitfield mask)
{
    if (!recording_) {
        return;
    }
    FrameCommand c;
    c.kind = FrameCommand::Kind::Clear;
    c.clearMask = mask & (GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    frame_.commands.push_back(c); // clear colour: GL's default, never changed here
}

void ImmediateMode::glTexParameteri(GLenum target, GLenum name, GLint value)
{
    if (target != GL_TEXTURE_2D) {
        unsupported("glTexParameteri", target);
        return;
    }
    switch (name) {
    case GL_TEXTURE_MIN_FILTER:
        if (!isFilter(value, true)) {
            return;
        }
        texture_.minFilter = value;
        break;
    case GL_TEXTURE_MAG_FILTER:
        if (!isFilter(value, false)) {
            return;
        }
        texture_.magFilter = value;
        break;
    case GL_TEXTURE_WRAP_S:
    case GL_TEXTURE_WRAP_T:
        if (value != GL_REPEAT && value != GL_CLAMP) {
            return;
        }
        (name == GL_TEXTURE_WRAP_S ? texture_.wrapS : texture_.wrapT) = value;
        break;
    default: unsupported("glTexParameteri", name); return;
    }
    ++texture_.version;
    stateChanged();
}

void ImmediateMode::glTexImage2D(GLenum target, GLint level, GLint internalFormat, GLsizei width,
                             GLsizei height, GLint border, GLenum format, GLenum type,
                             const void* pixels)
{
    const int channels = storedChannels(internalFormat);
    const int sourceChannels = format == GL_RGBA ? 4 : (format == GL_RGB ? 3 : 0);
    if (target != GL_TEXTURE_2D || level != 0 || border != 0 || channels == 0 || sourceChannels == 0 ||
        type != GL_UNSIGNED_BYTE) {
        unsupported("glTexImage2D", target != GL_TEXTURE_2D ? target
                                    : level != 0            ? static_cast<unsigned>(level)
                                    : channels == 0         ? static_cast<unsigned>(internalFormat)
                                    : sourceChannels == 0   ? format
                                                            : type);
        return;
    }
    // GL 1.1 textures have sides of a power of two; WebGL 1.0 can repeat no
    // others.
    const auto powerOfTwo = [](GLsizei n) { return n > 0 && (n & (n - 1)) == 0; };
    if (!powerOfTwo(width) || !powerOfTwo(height)) {
        unsupported("glTexImage2D", static_cast<unsigned>(powerOfTwo(width) ? height : width));
        return;
    }
    texture_.width = width;
    texture_.height = height;
    texture_.channels = channels;
    texture_.texels.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * channels, 0);
    if (pixels != nullptr) {
        // Source rows start on 4-byte boundaries (GL's unpack alignment).
        const std::size_t sourceRow = (static_cast<std::size_t>(width) * sourceChannels + 3) / 4 * 4;
        const auto* source = static_cast<const std::uint8_t*>(pixels);
        std::uint8_t* out = texture_.texels.data();
        for (GLsizei row = 0; row < height; ++row) {
            const std::uint8_t* in = source + sourceRow * static_cast<std::size_t>(row);
            for (GLsizei column = 0; column < width; ++column) {
                // RGB stored from RGBA drops alpha; RGBA from RGB gets alpha 1.
                for (int c = 0; c < channels; ++c) {
                    *out++ = c < sourceChannels ? in[c] : 255;
                }
                in += sourceChannels;
            }
        }
    }
    ++texture_.version;
    stateChanged();
}

void ImmediateMode::refitFrameToView()
{
    for (DrawState& s : frame_.states) {
        std::memcpy(s.viewport, state_.viewport, sizeof s.viewport);
        std::memcpy(s.projection, state_.projection, sizeof s.projection);
    }
}

void ImmediateMode::startFrame()
{
    frame_.commands.clear();
    frame_.states.clear();
    frame_.vertices.clear();
    stateDirty_ = true;
}
