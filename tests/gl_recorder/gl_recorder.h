#pragma once

#include <string>
#include <vector>

// A stand-in for the GL and GLU entry points the scene calls, linked into test
// and benchmark programs in place of libGL. Each call is recorded with its
// arguments (enums and integers as doubles, which hold them exactly); with
// recording off the entry points do nothing, which makes a null sink.
struct GlCall {
    std::string name;
    std::vector<double> args;
};

struct GlRecorder {
    bool recording = true;
    std::vector<GlCall> calls;
    // Copy of the pixels of the last glTexImage2D, sized from its arguments
    // (RGBA bytes only).
    std::vector<unsigned char> texImage;

    void clear()
    {
        calls.clear();
        texImage.clear();
    }
};

GlRecorder& glRecorder();
