#include "scene_state.h"

SceneState liveSceneState()
{
    return SceneState{gFrameCounter, gRandomSource, gFlameSource, gStarField, gParticlePool};
}
