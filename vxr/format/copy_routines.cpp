#include <cstring>

#include "vxr/format/conversion_routines.h"
#include "vxr/format/row_runner.h"

namespace vxr {
namespace {

// Counts bytes: the caller has already scaled a pixel count by the format's
// size, so one copy serves every format.
struct ByteCopy : detail::WithoutLookup {
    static constexpr int sourceBytes = 1;
    static constexpr int destinationBytes = 1;
    static constexpr int shortRun = 32;

    static std::uint32_t pixel(std::uint32_t value, Context) { return value; }

    // Whole 16-byte blocks; the library's memcpy is the fastest way to move
    // them on every processor.
    static std::int32_t wide(const std::uint8_t* in, std::uint8_t* out, std::int32_t count,
                             Context)
    {
        const std::int32_t blocks = count & ~std::int32_t{15};
        std::memcpy(out, in, static_cast<std::size_t>(blocks));
        return blocks;
    }
};

}  // namespace

VXR_DEFINE_CONVERSION_ROUTINE(copy, ByteCopy)

}  // namespace vxr
