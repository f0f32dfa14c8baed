#pragma once

#include "gl_recorder.h"
#include "scene.h"
#include "scene_reset.h"
#include "scene_state_json.h"

#include <cstdint>
#include <string>

// The state file after `frames` frames of a fresh scene, run here against the
// null GL sink: the scene's state does not depend on what is drawn.
inline std::string sceneStateTextAfter(int width, int height, int frames)
{
    resetSceneToProcessStart();
    glRecorder().recording = false;
    initScene(width, height);
    for (int f = 0; f < frames; ++f) {
        renderFrame();
    }
    std::string text;
    appendSceneStateJson(text, liveSceneState());
    return text;
}
