#pragma once

#include <cstdint>

namespace vxr {

// The scale of the output a window is shown on, as the platform reports it
// (a DPI against 96, a compositor's factor, a browser's pixel ratio), made
// safe to size windows and buffers with: a platform may report nonsense.
class OutputScale {
public:
    static constexpr double LARGEST = 8.0;

    // The reported scale where it lies in (0, LARGEST]; 1 for one that is
    // 0, negative or not a number, LARGEST for a larger one, each with the
    // reason in lastError. what names where the figure came from.
    static double settle(double reported, const char* what);
    // A length in logical pixels at the scale, rounded to the nearest
    // physical pixel: at least 1 for a positive length, at most the largest
    // window side.
    static std::int32_t physical(std::int32_t logical, double scale);
};

}  // namespace vxr
