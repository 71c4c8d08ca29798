#include "demo/frame_schedule.h"

namespace demo {

// The tunnel zooms in from 11x while it fades up from black.
FrameSchedule::Frame FrameSchedule::flyIn(std::int32_t frame)
{
    const std::int32_t k = FLY_IN_FRAMES - frame;
    return {static_cast<float>(1.0 + 0.078125 * k), 512 * k};
}

// The view widens quadratically, from 1.0 down to 0.065025.
FrameSchedule::Frame FrameSchedule::swirlOut(std::int32_t frame)
{
    const double scale = 0.005 * (200 - frame);
    return {static_cast<float>(scale * scale), 0};
}

FrameSchedule::Frame FrameSchedule::fadeOut(std::int32_t frame)
{
    return {0.0625f, 1024 * frame};
}

}  // namespace demo
