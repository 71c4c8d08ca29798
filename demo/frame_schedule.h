#pragma once

#include <cstdint>

namespace demo {

// The demo's four phases: how far the screen is zoomed and how dark each
// frame is, and how the clock moves. The demo and the headless renderer
// both play it, so their frames are the same.
class FrameSchedule {
public:
    struct Frame {
        float zoom;
        std::int32_t fade;
    };

    static constexpr std::int32_t FLY_IN_FRAMES = 128;
    static constexpr std::int32_t SWIRL_OUT_FRAMES = 150;
    static constexpr std::int32_t FADE_OUT_FRAMES = 64;
    static constexpr float TIME_STEP = 0.01f;

    // Frames count from 0 within their phase.
    static Frame flyIn(std::int32_t frame);
    static Frame freeRun() { return {1.0f, 0}; }
    static Frame swirlOut(std::int32_t frame);
    static Frame fadeOut(std::int32_t frame);

    // The clock advances in double precision and is kept as a float.
    static float nextTime(float t) { return static_cast<float>(static_cast<double>(t) + 0.01); }
};

}  // namespace demo
