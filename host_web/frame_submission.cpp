#include "frame_submission.h"

#include "webgl_calls.h"

namespace {

void uploadTexture(const TextureImage& t, std::uint32_t& uploaded)
{
    if (t.version == uploaded) {
        return;
    }
    uploaded = t.version;
    if (t.channels != 0) {
        cindral_webgl_texture(t.texels.data(), t.width, t.height, t.channels, t.minFilter, t.magFilter,
                              t.wrapS, t.wrapT);
    }
}

} // namespace

void submitFrame(WebHostState& host)
{
    // One image per frame: the layer keeps only the latest, and the scene
    // specifies its texture once, before its first frame.
    uploadTexture(host.layer.texture(), host.uploadedTexture);
    const Frame& frame = host.layer.frame();
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
