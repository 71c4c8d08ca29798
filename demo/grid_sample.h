#pragma once

#include <cstdint>

namespace demo {

// Where one cast ray meets the tunnel wall, as the block fill interpolates it.
// All three values are 8.8 fixed point.
struct GridSample {
    // Texture column; the texture repeats every 65,536 units along the tunnel.
    int32_t depth;
    // Texture row: 0..65,536 for 0..pi on either side, so the texture is
    // mirrored about the horizontal axis.
    int32_t angle;
    // Light level, 0 (dark) up to 0xFFFF; the tunnel itself never exceeds 0xF400.
    int32_t light;
};

}  // namespace demo
