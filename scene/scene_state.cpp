#include "scene_state.h"

SceneState liveSceneState()
{
    return SceneState{gRandomSource, gFlameSource, gStarField, gParticlePool};
}
