#include "demo/frame_pacer.h"

#include <algorithm>
#include <thread>

namespace demo {

FramePacer::Clock::time_point FramePacer::nextFrameTime(Clock::time_point now)
{
    const Clock::time_point go = std::max(now, due);
    due = go + interval;
    return go;
}

void FramePacer::waitForNextFrame()
{
    const Clock::time_point now = Clock::now();
    const Clock::time_point go = nextFrameTime(now);
    if (go > now) std::this_thread::sleep_until(go);
}

}  // namespace demo
