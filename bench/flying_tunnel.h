#pragma once

#include <cstddef>
#include <cstdint>
#include <random>
#include <vector>

#include "demo/tunnel.h"

namespace bench {

// A tunnel in mid-flight with a random texture and palette, its grid cast
// for the moment it has reached: what the tunnel benchmarks measure, on
// every platform the same.
struct FlyingTunnel {
    static constexpr std::size_t FRAME_BYTES =
        demo::Tunnel::FRAME_WIDTH * demo::Tunnel::FRAME_HEIGHT * 2;
    static constexpr int32_t FRAME_PITCH = demo::Tunnel::FRAME_WIDTH * 2;
    static constexpr float FLIGHT_TIME = 12.0f;

    demo::Tunnel tunnel;
    std::vector<uint8_t> texels = std::vector<uint8_t>(256 * 256);
    std::vector<uint8_t> frame = std::vector<uint8_t>(FRAME_BYTES);

    FlyingTunnel()
    {
        std::mt19937 random(1);
        std::vector<uint32_t> colours(256);
        for (auto& colour : colours) colour = uint32_t(random());
        for (auto& texel : texels) texel = uint8_t(random());
        tunnel.radius = 255.0f;
        tunnel.buildShade(colours.data());
        tunnel.ready = 1;
        for (float t = 0.0f; t < FLIGHT_TIME; t = float(double(t) + 0.01)) {
            tunnel.animate(0.01f, t);
        }
        tunnel.castGrid(FLIGHT_TIME, 1.0f, 0);
    }
};

}  // namespace bench
