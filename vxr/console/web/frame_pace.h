#pragma once

namespace vxr {

// The display's refresh interval as the browser paces its animation
// frames, from the times of the frames the page hears of: the smallest of
// the last few gaps between them. A gap over frames the browser skipped
// (a busy page) is a multiple of the interval, and two callbacks in one
// frame share its time, so neither counts against the smallest.
class FramePace {
public:
    // An animation frame's time, in milliseconds of the browser's clock.
    void note(double time);
    // The interval in milliseconds; 0 until two frames were seen apart.
    double interval() const;

private:
    static constexpr int GAPS = 8;
    double gaps[GAPS] = {};
    int next = 0;
    int known = 0;
    double last = 0.0;
    bool seen = false;
};

}  // namespace vxr
