#include "web_host_state.h"
#include "immediate_mode.h"
#include "scene.h"
#include "scene_reset.h"
#include "sprite_texture.h"

#include <gtest/gtest.h>

#include <array>
#include <vector>

namespace {

// One square strip as the scene draws a sprite: corners top right, top
// left, bottom right, bottom left.
void drawSquare(ImmediateMode& gl, float z)
{
    gl.glBegin(GL_TRIANGLE_STRIP);
    gl.glTexCoord2f(1, 1);
    gl.glVertex3f(1, 1, z);
    gl.glTexCoord2f(0, 1);
    gl.glVertex3f(-1, 1, z);
    gl.glTexCoord2f(1, 0);
    gl.glVertex3f(1, -1, z);
    gl.glTexCoord2f(0, 0);
    gl.glVertex3f(-1, -1, z);
    gl.glEnd();
}

const DrawState& onlyDrawState(const ImmediateMode& gl)
{
    const Frame& f = gl.frame();
    EXPECT_EQ(f.states.size(), 1u);
    static const DrawState none;
    return f.states.empty() ? none : f.states.back();
}

// The process's layer and scene as a fresh page has them, the scene set up
// for 320x240 pixels.
class SceneThroughTheLayer : public ::testing::Test {
protected:
    void SetUp() override
    {
        resetSceneToProcessStart();
        gWebHost.layer = ImmediateMode{};
        initScene(320, 240);
    }
};

} // namespace

TEST(ImmediateMode, AStripBecomesTrianglesInEyeSpaceWithEachVertexsColourAndTextureCoordinates)
{
    ImmediateMode gl;
    gl.glMatrixMode(GL_MODELVIEW);
    gl.glTranslatef(2, 0, -15);
    gl.glBegin(GL_TRIANGLE_STRIP);
    gl.glColor4f(1, 0.5f, 0, 0.25f);
    gl.glTexCoord2f(1, 1);
    gl.glVertex3f(1, 1, 3);
    gl.glTexCoord2f(0, 1);
    gl.glVertex3f(-1, 1, 3);
    gl.glColor4f(0, 0, 1, 1);
    gl.glTexCoord2f(1, 0);
    gl.glVertex3f(1, -1, 3);
    gl.glTexCoord2f(0, 0);
    gl.glVertex3f(-1, -1, 3);
    gl.glEnd();

    const Frame& f = gl.frame();
    ASSERT_EQ(f.commands.size(), 1u);
    EXPECT_EQ(f.commands[0].kind, FrameCommand::Kind::Draw);
    ASSERT_EQ(f.commands[0].vertexCount, 6u);
    // x, y, z in eye space, s, t, red, alpha.
    using Row = std::array<float, 7>;
    const std::vector<Row> expected = {
        {3, 1, -12, 1, 1, 1, 0.25f}, {1, 1, -12, 0, 1, 1, 0.25f}, {3, -1, -12, 1, 0, 0, 1},
        {3, -1, -12, 1, 0, 0, 1},    {1, 1, -12, 0, 1, 1, 0.25f}, {1, -1, -12, 0, 0, 0, 1},
    };
    std::vector<Row> got;
    for (const FrameVertex& v : f.vertices) {
        got.push_back({v.eye[0], v.eye[1], v.eye[2], v.texCoord[0], v.texCoord[1], v.colour[0], v.colour[3]});
    }
    EXPECT_EQ(got, expected);
}

TEST(ImmediateMode, AStateChangeBetweenPrimitivesStartsANewDraw)
{
    ImmediateMode gl;
    drawSquare(gl, 0);
    drawSquare(gl, 1);
    gl.glEnable(GL_BLEND);
    drawSquare(gl, 2);
    gl.glTranslatef(0, 0, 1); // the modelview is applied to the vertices, not kept as state
    drawSquare(gl, 3);

    const Frame& f = gl.frame();
    ASSERT_EQ(f.commands.size(), 2u);
    EXPECT_EQ(f.commands[0].vertexCount, 12u);
    EXPECT_EQ(f.commands[1].firstVertex, 12u);
    EXPECT_EQ(f.commands[1].vertexCount, 12u);
    EXPECT_FALSE(f.states[f.commands[0].state].blending);
    EXPECT_TRUE(f.states[f.commands[1].state].blending);
}

TEST(ImmediateMode, PerspectiveMultipliesGluPerspectivesMatrixOntoTheProjection)
{
    // cot(22.5 degrees) for the 45-degree field of view.
    constexpr float kCot = 2.41421356f;
    struct Row {
        double aspect;
        bool portraitWidening;
        float xScale, yScale; // the matrix's first two diagonal elements
    };
    const Row rows[] = {
        {4.0 / 3.0, false, kCot * 3.0f / 4.0f, kCot},
        {4.0 / 3.0, true, kCot * 3.0f / 4.0f, kCot}, // landscape: as GLU has it
        {1.0, true, kCot, kCot},
        {390.0 / 844.0, false, 5.22460576f, kCot},  // a phone held upright: a narrow width
        {390.0 / 844.0, true, kCot, 1.11557262f},   // the width gets the 45 degrees
    };
    for (const Row& row : rows) {
        ImmediateMode gl;
        gl.setPortraitWidening(row.portraitWidening);
        gl.glMatrixMode(GL_PROJECTION);
        gl.glLoadIdentity();
        gl.gluPerspective(45.0, row.aspect, 1.0, 20000.0);
        gl.glMatrixMode(GL_MODELVIEW);
        gl.glTranslatef(0, 0, -15);

        // Column-major: x and y scales, -(far + near) / (far - near), -1
        // below it, -2 far near / (far - near).
        const float* p = gl.projection();
        const float expected[16] = {row.xScale, 0, 0, 0, 0, row.yScale, 0, 0,
                                    0, 0, -1.00010001f, -1, 0, 0, -2.00010001f, 0};
        for (int i = 0; i < 16; ++i) {
            EXPECT_FLOAT_EQ(p[i], expected[i]) << "element " << i << " at aspect " << row.aspect;
        }
    }
}

TEST(ImmediateMode, TexturingNeedsACompleteTextureAsInGl11)
{
    ImmediateMode gl;
    gl.glEnable(GL_TEXTURE_2D);
    drawSquare(gl, 0);
    EXPECT_FALSE(onlyDrawState(gl).texturing) << "no image";

    const std::vector<unsigned char> image(4 * 4 * 4, 200);
    gl.glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 4, 4, 0, GL_RGBA, GL_UNSIGNED_BYTE, image.data());
    gl.startFrame();
    drawSquare(gl, 0);
    EXPECT_FALSE(onlyDrawState(gl).texturing) << "the default minifying filter reads mipmaps";

    gl.glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    gl.startFrame();
    drawSquare(gl, 0);
    EXPECT_TRUE(onlyDrawState(gl).texturing);

    // WebGL 1.0 cannot repeat a texture whose sides are not powers of two.
    gl.glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 3, 4, 0, GL_RGBA, GL_UNSIGNED_BYTE, image.data());
    EXPECT_EQ(gl.unsupportedCall(), "glTexImage2D(0x0003)");
    EXPECT_EQ(gl.texture().width, 4);
}

TEST_F(SceneThroughTheLayer, AFrameIsOneClearAndOneDrawOfEverySpriteWithTheScenesState)
{
    // Every particle is active in the opening burst; a star is drawn unless
    // it wraps round in this frame.
    int sprites = 250;
    for (float z : gStarField.starZ) {
        sprites += z + 1.0f < 0.0f ? 1 : 0;
    }
    gWebHost.layer.startFrame();
    renderFrame();

    EXPECT_EQ(gWebHost.layer.unsupportedCall(), "");
    const Frame& f = gWebHost.layer.frame();
    ASSERT_EQ(f.commands.size(), 2u);
    EXPECT_EQ(f.commands[0].kind, FrameCommand::Kind::Clear);
    EXPECT_EQ(f.commands[0].clearMask, static_cast<GLbitfield>(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT));
    EXPECT_EQ(f.commands[1].kind, FrameCommand::Kind::Draw);
    EXPECT_EQ(f.commands[1].vertexCount, static_cast<std::size_t>(6 * sprites));

    const DrawState& s = onlyDrawState(gWebHost.layer);
    EXPECT_EQ(std::vector<GLint>(s.viewport, s.viewport + 4), (std::vector<GLint>{0, 0, 320, 240}));
    EXPECT_TRUE(s.texturing);
    EXPECT_TRUE(s.blending);
    EXPECT_EQ(s.blendSource, static_cast<GLenum>(GL_SRC_ALPHA));
    EXPECT_EQ(s.blendDestination, static_cast<GLenum>(GL_ONE));
    EXPECT_TRUE(s.fog);
    EXPECT_EQ(s.fogMode, static_cast<GLenum>(GL_LINEAR));
    EXPECT_EQ(s.fogStart, 0.0f);
    EXPECT_EQ(s.fogEnd, 250.0f);
    EXPECT_EQ(std::vector<GLfloat>(s.fogColour, s.fogColour + 4), (std::vector<GLfloat>{0, 0, 0, 1}));

    // Internal format 3: the sprite image without its alpha bytes.
    const TextureImage& t = gWebHost.layer.texture();
    ASSERT_EQ(t.width, kSpriteTextureSize);
    ASSERT_EQ(t.height, kSpriteTextureSize);
    ASSERT_EQ(t.channels, 3);
    std::vector<unsigned char> rgba(kSpriteImageBytes);
    fillSpriteImage(rgba.data());
    std::vector<unsigned char> rgb;
    for (std::size_t i = 0; i < rgba.size(); i += 4) {
        rgb.insert(rgb.end(), &rgba[i], &rgba[i + 3]);
    }
    EXPECT_EQ(t.texels, rgb);
    EXPECT_EQ(t.minFilter, GL_LINEAR);
    EXPECT_EQ(t.magFilter, GL_LINEAR);
}

TEST_F(SceneThroughTheLayer, StepsNotShownKeepNoGeometryButEveryChangeOfTheView)
{
    gWebHost.layer.setRecording(false);
    gWebHost.layer.startFrame();
    renderFrame();
    resizeScene(640, 480);
    EXPECT_TRUE(gWebHost.layer.frame().commands.empty());
    EXPECT_TRUE(gWebHost.layer.frame().vertices.empty());

    gWebHost.layer.setRecording(true);
    gWebHost.layer.startFrame();
    renderFrame();
    const DrawState& s = onlyDrawState(gWebHost.layer);
    EXPECT_EQ(s.viewport[2], 640);
    EXPECT_EQ(s.viewport[3], 480);
    EXPECT_FLOAT_EQ(s.projection[5] / s.projection[0], 640.0f / 480.0f);

    // A still picture drawn again after a resize takes the new view.
    resizeScene(480, 240);
    gWebHost.layer.refitFrameToView();
    const DrawState& refitted = onlyDrawState(gWebHost.layer);
    EXPECT_EQ(refitted.viewport[2], 480);
    EXPECT_FLOAT_EQ(refitted.projection[5] / refitted.projection[0], 2.0f);
}
