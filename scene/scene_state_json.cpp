#include "scene_state_json.h"

#include <cinttypes>
#include <cmath>

namespace {

void appendFloat(std::string& out, float value)
{
    // The scene's values are always finite; should one ever not be, null
    // keeps the file valid JSON instead of writing "nan".
    if (!std::isfinite(value)) {
        out += "null";
        return;
    }
    // %.9g writes negative zero as "-0", which JSON readers take for the
    // integer 0 and so lose its sign; "-0.0" reads back as a float.
    if (value == 0.0f && std::signbit(value)) {
        out += "-0.0";
        return;
    }
    char text[32];
    std::snprintf(text, sizeof text, "%.9g", static_cast<double>(value));
    out += text;
}

void appendUnsigned(std::string& out, std::uint64_t value)
{
    char text[24];
    std::snprintf(text, sizeof text, "%" PRIu64, value);
    out += text;
}

void appendField(std::string& out, const char* name, float value, bool first = false)
{
    if (!first) {
        out += ", ";
    }
    out += '"';
    out += name;
    out += "\": ";
    appendFloat(out, value);
}

// One overload for each piece of the scene's state, each writing its keys.
struct JsonPieces {
    std::string& out;

    void operator()(const FrameCounter& frames) const
    {
        out += "\n  \"frames\": ";
        appendUnsigned(out, frames.count);
    }

    void operator()(const RandomSource& random) const
    {
        out += ",\n  \"draws\": ";
        appendUnsigned(out, random.draws());
        out += ",\n  \"randomState\": ";
        appendUnsigned(out, random.state());
    }

    void operator()(const FlameSource& s) const
    {
        out += ",\n  \"flameSource\": {";
        appendField(out, "x", s.x, true);
        appendField(out, "y", s.y);
        appendField(out, "z", s.z);
        appendField(out, "velX", s.velX);
        appendField(out, "velY", s.velY);
        appendField(out, "velZ", s.velZ);
        appendField(out, "driftX", s.driftX);
        appendField(out, "driftY", s.driftY);
        appendField(out, "driftZ", s.driftZ);
        out += '}';
    }

    void operator()(const StarField& stars) const
    {
        out += ",\n  \"stars\": [";
        for (int k = 0; k < kStarCount; ++k) {
            out += k == 0 ? "\n    [" : ",\n    [";
            appendFloat(out, stars.starX[k]);
            out += ", ";
            appendFloat(out, stars.starY[k]);
            out += ", ";
            appendFloat(out, stars.starZ[k]);
            out += ']';
        }
        out += "\n  ]";
    }

    void operator()(const ParticlePool& particles) const
    {
        out += ",\n  \"particles\": [";
        bool first = true;
        for (const Particle& p : particles) {
            out += first ? "\n    {\"active\": " : ",\n    {\"active\": ";
            first = false;
            appendUnsigned(out, p.active);
            appendField(out, "life", p.life);
            appendField(out, "fade", p.fade);
            appendField(out, "red", p.red);
            appendField(out, "green", p.green);
            appendField(out, "blue", p.blue);
            appendField(out, "x", p.x);
            appendField(out, "y", p.y);
            appendField(out, "z", p.z);
            appendField(out, "velX", p.velX);
            appendField(out, "velY", p.velY);
            appendField(out, "velZ", p.velZ);
            appendField(out, "accelX", p.accelX);
            appendField(out, "accelY", p.accelY);
            appendField(out, "accelZ", p.accelZ);
            out += '}';
        }
        out += "\n  ]";
    }
};

} // namespace

void appendSceneStateJson(std::string& out, const SceneState& state)
{
    out += '{';
    state.forEach(JsonPieces{out});
    out += "\n}\n";
}

bool writeSceneStateJson(std::FILE* file, const SceneState& state)
{
    std::string text;
    appendSceneStateJson(text, state);
    return std::fwrite(text.data(), 1, text.size(), file) == text.size() && std::fflush(file) == 0;
}
