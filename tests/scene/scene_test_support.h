#pragma once

#include "gl_recorder.h"
#include "scene_reset.h"

#include <gtest/gtest.h>

// A fresh process's scene, with the GL recorder emptied and switched off.
inline void resetSceneState()
{
    resetSceneToProcessStart();
    glRecorder().clear();
    glRecorder().recording = false;
}

class SceneTest : public ::testing::Test {
protected:
    void SetUp() override { resetSceneState(); }
};
