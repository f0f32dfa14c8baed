// The state file, read back with a JSON parser. The scene runs against the
// null GL sink: its state does not depend on what is drawn.
#include "scene_state_text.h"
#include "scene.h"
#include "scene_state_json.h"

#include "gl_recorder.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cstring>
#include <limits>
#include <set>
#include <string>

namespace {

using nlohmann::json;

json stateAfter(int frames)
{
    // Throws, and so fails the test, on malformed JSON.
    return json::parse(sceneStateTextAfter(800, 600, frames));
}

std::set<std::string> keysOf(const json& object)
{
    std::set<std::string> keys;
    for (const auto& item : object.items()) {
        keys.insert(item.key());
    }
    return keys;
}

bool sameBits(float a, float b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

} // namespace

TEST(SceneStateJson, HasExactlyTheDocumentedKeysAndCounts)
{
    const json state = stateAfter(10);
    EXPECT_EQ(keysOf(state), (std::set<std::string>{"frames", "draws", "randomState", "flameSource",
                                                     "stars", "particles"}));
    EXPECT_EQ(keysOf(state["flameSource"]),
              (std::set<std::string>{"x", "y", "z", "velX", "velY", "velZ", "driftX", "driftY", "driftZ"}));
    ASSERT_EQ(state["stars"].size(), static_cast<std::size_t>(kStarCount));
    for (const json& star : state["stars"]) {
        ASSERT_TRUE(star.is_array());
        ASSERT_EQ(star.size(), 3u);
    }
    ASSERT_EQ(state["particles"].size(), static_cast<std::size_t>(kParticleCount));
    for (const json& particle : state["particles"]) {
        ASSERT_EQ(keysOf(particle),
                  (std::set<std::string>{"active", "life", "fade", "red", "green", "blue", "x", "y", "z",
                                         "velX", "velY", "velZ", "accelX", "accelY", "accelZ"}));
        ASSERT_TRUE(particle["active"].is_number_integer());
    }
    EXPECT_EQ(state["frames"].get<std::uint64_t>(), 10u);
    // initScene's 2,500 draws, one per frame, and seven per particle reborn in
    // frame 10, the first frame with rebirths (28 of them).
    EXPECT_EQ(state["draws"].get<std::uint64_t>(), 2706u);
    EXPECT_EQ(state["randomState"].get<std::uint32_t>(), gRandomSource.state());
}

TEST(SceneStateJson, EveryValueReadsBackToTheSameFloatBitForBit)
{
    const json state = stateAfter(1000);

    const Particle& p0 = gParticlePool[0];
    const json& j0 = state["particles"][0];
    EXPECT_EQ(j0["active"].get<int>(), p0.active);
    const struct {
        const char* key;
        float value;
    } fields[] = {
        {"life", p0.life}, {"fade", p0.fade}, {"red", p0.red},       {"green", p0.green},
        {"blue", p0.blue}, {"x", p0.x},       {"y", p0.y},           {"z", p0.z},
        {"velX", p0.velX}, {"velY", p0.velY}, {"velZ", p0.velZ},     {"accelX", p0.accelX},
        {"accelY", p0.accelY}, {"accelZ", p0.accelZ},
    };
    for (const auto& f : fields) {
        const float read = static_cast<float>(j0[f.key].get<double>());
        EXPECT_TRUE(sameBits(read, f.value)) << f.key << ": " << read << " vs " << f.value;
    }

    const FlameSource& s = gFlameSource;
    const float source[] = {s.x, s.y, s.z, s.velX, s.velY, s.velZ, s.driftX, s.driftY, s.driftZ};
    const char* sourceKeys[] = {"x", "y", "z", "velX", "velY", "velZ", "driftX", "driftY", "driftZ"};
    for (int i = 0; i < 9; ++i) {
        EXPECT_TRUE(sameBits(static_cast<float>(state["flameSource"][sourceKeys[i]].get<double>()), source[i]))
            << sourceKeys[i];
    }
    for (int k = 0; k < kStarCount; ++k) {
        ASSERT_EQ(state["stars"][k][2].get<double>(), gStarField.starZ[k]) << "star " << k;
    }
}

TEST(SceneStateJson, HardFloatsSurviveTheRoundTrip)
{
    // Values whose shortest exact decimal needs all nine digits, the extremes
    // of float, a subnormal and a negative zero.
    const float hard[] = {0.1f, 1.0f / 3.0f, 16777217.0f, 3.4028235e38f, 1.17549435e-38f,
                          std::numeric_limits<float>::denorm_min(), -0.0f, 0.998f, 0.2999f};
    resetSceneToProcessStart();
    for (std::size_t i = 0; i < std::size(hard); ++i) {
        gParticlePool[i].life = hard[i];
    }
    std::string text;
    appendSceneStateJson(text, liveSceneState());
    const json state = json::parse(text);
    for (std::size_t i = 0; i < std::size(hard); ++i) {
        const float read = static_cast<float>(state["particles"][i]["life"].get<double>());
        EXPECT_TRUE(sameBits(read, hard[i])) << hard[i];
    }
}
