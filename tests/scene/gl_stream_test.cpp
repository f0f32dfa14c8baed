#include "scene.h"
#include "scene_test_support.h"
#include "sprite_texture.h"

#include <GL/gl.h>

#include <cstdlib>
#include <new>

// Array allocations go through malloc here so that a test can make the sprite
// texture's scratch buffer unobtainable.
namespace {
bool gFailArrayAllocations = false;
}

void* operator new[](std::size_t size, const std::nothrow_t&) noexcept
{
    return gFailArrayAllocations ? nullptr : std::malloc(size);
}
void* operator new[](std::size_t size)
{
    if (void* p = std::malloc(size)) {
        return p;
    }
    throw std::bad_alloc();
}
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }

namespace {

class GlStream : public SceneTest {
protected:
    void SetUp() override
    {
        SceneTest::SetUp();
        glRecorder().recording = true;
    }
    void TearDown() override { gFailArrayAllocations = false; }

    static const std::vector<GlCall>& calls() { return glRecorder().calls; }

    // Index of the first call named `name` at or after `from`.
    static size_t find(const std::string& name, size_t from = 0)
    {
        for (size_t i = from; i < calls().size(); ++i) {
            if (calls()[i].name == name) {
                return i;
            }
        }
        return calls().size();
    }
};

struct Expected {
    const char* name;
    std::vector<double> args;
};

void expectCalls(const std::vector<GlCall>& actual, const std::vector<Expected>& expected)
{
    ASSERT_EQ(actual.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(actual[i].name, expected[i].name) << "call " << i;
        EXPECT_EQ(actual[i].args, expected[i].args) << "call " << i << " " << expected[i].name;
    }
}

} // namespace

TEST_F(GlStream, InitSceneSetsTheWholeRunsStateInOrder)
{
    initScene(800, 600);
    const std::vector<Expected> expected = {
        {"glTexParameteri", {GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR}},
        {"glTexParameteri", {GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR}},
        {"glTexImage2D", {GL_TEXTURE_2D, 0, 3, 256, 256, 0, GL_RGBA, GL_UNSIGNED_BYTE}},
        {"glViewport", {0, 0, 800, 600}},
        {"glMatrixMode", {GL_PROJECTION}},
        {"glLoadIdentity", {}},
        {"glEnable", {GL_TEXTURE_2D}},
        {"glEnable", {GL_BLEND}},
        {"glBlendFunc", {GL_SRC_ALPHA, GL_ONE}},
        {"gluPerspective", {45.0, 800.0 / 600.0, 1.0, 20000.0}},
        {"glMatrixMode", {GL_MODELVIEW}},
        {"glFogi", {GL_FOG_MODE, GL_LINEAR}},
        {"glFogfv", {GL_FOG_COLOR, 0, 0, 0, 1}},
        {"glFogf", {GL_FOG_DENSITY, 0.594f}},
        {"glHint", {GL_FOG_HINT, GL_NICEST}},
        {"glFogf", {GL_FOG_START, 0}},
        {"glFogf", {GL_FOG_END, 250}},
        {"glEnable", {GL_FOG}},
    };
    expectCalls(calls(), expected);

    std::vector<unsigned char> image(kSpriteImageBytes);
    fillSpriteImage(image.data());
    EXPECT_TRUE(glRecorder().texImage == image);
    EXPECT_EQ(gRandomSource.draws(), 2500u);
}

TEST_F(GlStream, AspectIsAFloatingPointQuotient)
{
    const struct {
        int w, h;
        double aspect;
    } rows[] = {{1920, 1080, 1.7777777777777777}, {800, 600, 1.3333333333333333}, {152, 112, 152.0 / 112.0}};
    for (const auto& r : rows) {
        resetSceneState();
        glRecorder().recording = true;
        initScene(r.w, r.h);
        const size_t i = find("gluPerspective");
        ASSERT_LT(i, calls().size());
        EXPECT_EQ(calls()[i].args[1], r.aspect) << r.w << "x" << r.h;
    }
}

TEST_F(GlStream, ResizeSetsViewportAndProjectionForTheNewSizeAndNothingElse)
{
    glRecorder().recording = false;
    initScene(800, 600);
    renderFrame();
    const std::uint64_t draws = gRandomSource.draws();
    glRecorder().recording = true;
    resizeScene(1000, 700);
    const std::vector<Expected> expected = {
        {"glViewport", {0, 0, 1000, 700}},
        {"glMatrixMode", {GL_PROJECTION}},
        {"glLoadIdentity", {}},
        {"gluPerspective", {45.0, 1000.0 / 700.0, 1.0, 20000.0}},
        {"glMatrixMode", {GL_MODELVIEW}},
    };
    expectCalls(calls(), expected);
    EXPECT_EQ(gRandomSource.draws(), draws);

    // A surface without area keeps the view it had.
    glRecorder().clear();
    resizeScene(1000, 0);
    resizeScene(0, 700);
    resizeScene(-5, -5);
    EXPECT_TRUE(calls().empty());
}

TEST_F(GlStream, WithoutScratchMemoryTheTextureIsSkippedAndTheRestGoesOn)
{
    gFailArrayAllocations = true;
    initScene(800, 600);
    gFailArrayAllocations = false;
    EXPECT_EQ(find("glTexParameteri"), calls().size());
    EXPECT_EQ(find("glTexImage2D"), calls().size());
    EXPECT_EQ(calls().front().name, "glViewport");
    EXPECT_EQ(calls().back().name, "glEnable");
    EXPECT_EQ(gRandomSource.draws(), 2500u);
}

TEST_F(GlStream, FirstFrameDrawsVisibleStarsInWhiteThenEveryParticle)
{
    glRecorder().recording = false;
    initScene(800, 600);
    glRecorder().recording = true;
    renderFrame();

    ASSERT_GE(calls().size(), 5u);
    EXPECT_EQ(calls()[0].name, "glClear");
    EXPECT_EQ(calls()[0].args[0], double(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT));
    EXPECT_EQ(calls()[1].name, "glLoadIdentity");
    EXPECT_EQ(calls()[2].name, "glColor4f");
    EXPECT_EQ(calls()[2].args, (std::vector<double>{1, 1, 1, 1}));

    const size_t particlePass = find("glTranslatef");
    ASSERT_LT(particlePass, calls().size());
    EXPECT_EQ(calls()[particlePass - 1].name, "glLoadIdentity");
    EXPECT_EQ(calls()[particlePass].args, (std::vector<double>{0, 0, -15}));

    int starStrips = 0;
    int starColours = 0;
    for (size_t i = 3; i < particlePass - 1; ++i) {
        starStrips += calls()[i].name == "glBegin" ? 1 : 0;
        starColours += calls()[i].name == "glColor4f" ? 1 : 0;
    }
    EXPECT_EQ(starStrips, 266);
    EXPECT_EQ(starColours, 0); // the white set once serves every star

    // Star 0 wraps this frame; the first strip drawn is star 1 at depth -25.
    const size_t firstStar = find("glBegin");
    const std::vector<Expected> star1 = {
        {"glBegin", {GL_TRIANGLE_STRIP}},
        {"glTexCoord2f", {1, 1}}, {"glVertex3f", {0.25, 69.25, -25}},
        {"glTexCoord2f", {0, 1}}, {"glVertex3f", {-0.25, 69.25, -25}},
        {"glTexCoord2f", {1, 0}}, {"glVertex3f", {0.25, 68.75, -25}},
        {"glTexCoord2f", {0, 0}}, {"glVertex3f", {-0.25, 68.75, -25}},
        {"glEnd", {}},
    };
    expectCalls(std::vector<GlCall>(calls().begin() + firstStar, calls().begin() + firstStar + 10), star1);

    // Then 250 particles, each a colour and one strip, every one at the origin
    // with its first colour and alpha 1.
    size_t at = particlePass + 1;
    for (int i = 0; i < kParticleCount; ++i) {
        ASSERT_EQ(calls()[at].name, "glColor4f") << i;
        const int row = i < 239 ? (i + 1) / 20 : 0;
        EXPECT_EQ(calls()[at].args, (std::vector<double>{kRainbowColours[row][0], kRainbowColours[row][1],
                                                          kRainbowColours[row][2], 1.0}))
            << i;
        const float h = 0.2f;
        const std::vector<Expected> strip = {
            {"glBegin", {GL_TRIANGLE_STRIP}},
            {"glTexCoord2f", {1, 1}}, {"glVertex3f", {h, h, 0}},
            {"glTexCoord2f", {0, 1}}, {"glVertex3f", {-h, h, 0}},
            {"glTexCoord2f", {1, 0}}, {"glVertex3f", {h, -h, 0}},
            {"glTexCoord2f", {0, 0}}, {"glVertex3f", {-h, -h, 0}},
            {"glEnd", {}},
        };
        expectCalls(std::vector<GlCall>(calls().begin() + at + 1, calls().begin() + at + 11), strip);
        at += 11;
    }
    EXPECT_EQ(at, calls().size());
}

TEST_F(GlStream, SecondFrameDrawsBurstParticlesWithBlueAtItsCeiling)
{
    glRecorder().recording = false;
    initScene(800, 600);
    renderFrame();
    glRecorder().recording = true;
    renderFrame();
    size_t at = find("glTranslatef") + 1;
    for (int i = 0; i < kParticleCount; ++i, at += 11) {
        ASSERT_EQ(calls()[at].name, "glColor4f");
        EXPECT_EQ(calls()[at].args[2], 0.25f) << i;
        const int row = i < 239 ? (i + 1) / 20 : 0;
        EXPECT_EQ(calls()[at].args[0], std::max(0.25f, float(kRainbowColours[row][0] - 0.002))) << i;
        EXPECT_LT(calls()[at].args[3], 1.0) << i;
    }
}

TEST_F(GlStream, ParticleCornersAreRoundedToFloatAroundTheirPosition)
{
    for (int i = 1; i < kParticleCount; ++i) {
        gParticlePool[i].active = 0;
    }
    gParticlePool[0].active = 1;
    gParticlePool[0].life = 1.0f;
    gParticlePool[0].x = 0.1f;
    gParticlePool[0].y = -3.3f;
    gParticlePool[0].z = 7.0f;
    renderParticles();
    const size_t v = find("glVertex3f");
    const double h = 0.2f;
    EXPECT_EQ(calls()[v].args,
              (std::vector<double>{float(0.1f + h), float(-3.3f + h), 7.0}));
    EXPECT_EQ(calls()[v + 6].args,
              (std::vector<double>{float(0.1f - h), float(-3.3f - h), 7.0}));
}
