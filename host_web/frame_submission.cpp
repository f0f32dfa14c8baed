#include "frame_submission.h"

#include "webgl_calls.h"

namespace {

// The version of the texture the context holds; 0 is no texture at all.
std::uint32_t gUploadedTexture = 0;

void uploadTexture(const TextureImage& t)
{
    if (t.version == gUploadedTexture) {
        return;
    }
    gUploadedTexture = t.version;
    if (t.channels != 0) {
        cindral_webgl_texture(t.texels.data(), t.width, t.height, t.channels, t.minFilter, t.magFilter,
                              t.wrapS, t.wrapT);
    }
}

} // namespace

void submitFrame(const ImmediateMode& layer)
{
    // One image per frame: the layer keeps only the latest, and the scene
    // specifies its texture once, before its first frame.
    uploadTexture(layer.texture());
    const Frame& frame = layer.frame();
    for (const FrameCommand& c : frame.commands) {
        if (c.kind == FrameCommand::Kind::Clear) {
            cindral_webgl_clear(c.clearMask, c.clearColour[0], c.clearColour[1], c.clearColour[2],
                                c.clearColour[3]);
            continue;
        }
        const DrawState& s = frame.states[c.state];
        cindral_webgl_view(s.viewport[0], s.viewport[1], s.viewport[2], s.viewport[3], s.projection);
        cindral_webgl_blend(s.blending, s.blendSource, s.blendDestination, s.texturing);
        cindral_webgl_fog(s.fog, s.fogMode, s.fogDensity, s.fogStart, s.fogEnd, s.fogColour[0], s.fogColour[1],
                          s.fogColour[2], s.fogColour[3]);
        cindral_webgl_triangles(frame.vertices.data()[c.firstVertex].eye, static_cast<int>(c.vertexCount));
    }
}

void forgetUploadedTexture()
{
    gUploadedTexture = 0;
}
