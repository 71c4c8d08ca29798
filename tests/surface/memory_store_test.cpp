#include "vxr/surface/memory_store.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <memory>
#include <string>

#include "vxr/last_error.h"
#include "vxr/surface/null_store.h"

namespace vxr {
namespace {

// A memory store that also tells where its block starts, so the addresses
// it hands out can be checked against its contract.
class InspectedStore : public MemoryStore {
public:
    using MemoryStore::MemoryStore;
    const std::uint8_t* blockStart() const { return buffer; }
};

struct Request {
    int width = 320, height = 200, kind = -1, orientation = -1, padding = -1, variant = -1;
    PixelFormat format{RGB565};

    std::unique_ptr<InspectedStore> make()
    {
        return std::make_unique<InspectedStore>(width, height, format, kind, orientation,
                                                padding, variant);
    }
};

TEST(MemoryStore, DefaultsAreSystemMemoryTopDownUnpadded)
{
    Request request;
    auto store = request.make();
    ASSERT_EQ(store->isValid(), 1);
    EXPECT_EQ(request.kind, MEMORY_SYSTEM);
    EXPECT_EQ(request.orientation, TOP_DOWN);
    EXPECT_EQ(request.padding, 0);
    EXPECT_EQ(request.variant, VARIANT_DEFAULT);
    EXPECT_EQ(store->backing(), BACKING_NONE);
    EXPECT_EQ(store->isLockable(), 1);
    const std::uint8_t* pixels = store->lock(1);
    ASSERT_NE(pixels, nullptr);
    for (int i = 0; i < 128000; ++i) ASSERT_EQ(pixels[i], 0) << i;
    EXPECT_EQ(store->lock(1), pixels);
}

TEST(MemoryStore, BottomUpLocksToTheHighestLine)
{
    Request bottomUp;
    bottomUp.orientation = BOTTOM_UP;
    auto store = bottomUp.make();
    ASSERT_EQ(store->isValid(), 1);
    EXPECT_EQ(bottomUp.orientation, BOTTOM_UP);
    std::uint8_t* first = store->lock(1);
    // The top line is the block's last: 199 lines of 640 bytes lie below it.
    EXPECT_EQ(first, store->blockStart() + 199 * 640);
    // The first line is the last in memory: every line down to the lowest
    // address must be inside the block (the sanitizers watch these writes).
    for (int line = 0; line < 200; ++line) {
        first[-line * 640] = 1;
        first[-line * 640 + 639] = 1;
    }
}

TEST(MemoryStore, PaddingLengthensEveryLine)
{
    EXPECT_EQ(MemoryStore::lineStride(3, PixelFormat(RGB888), 4), 13);
    EXPECT_EQ(MemoryStore::bufferSize(3, 7, PixelFormat(RGB888), 4), 13 * 7);
    Request request;
    request.width = 3;
    request.height = 7;
    request.format = PixelFormat(RGB888);
    request.padding = 4;
    auto store = request.make();
    ASSERT_EQ(store->isValid(), 1);
    EXPECT_EQ(request.padding, 4);
    std::uint8_t* pixels = store->lock(1);
    EXPECT_EQ(pixels, store->blockStart());
    pixels[13 * 7 - 1] = 0xFF;

    // Bottom-up, the padding lengthens the distance down to the top line.
    request.orientation = BOTTOM_UP;
    request.padding = 4;
    auto bottomUp = request.make();
    ASSERT_EQ(bottomUp->isValid(), 1);
    EXPECT_EQ(bottomUp->lock(1), bottomUp->blockStart() + 6 * 13);
}

TEST(MemoryStore, MemoryKindsOfTheDisplayAreRefused)
{
    Request display;
    display.kind = MEMORY_DISPLAY;
    EXPECT_EQ(display.make()->isValid(), 0);
    EXPECT_EQ(display.kind, MEMORY_DISPLAY);

    Request any;
    any.kind = MEMORY_ANY;
    EXPECT_EQ(any.make()->isValid(), 1);
    EXPECT_EQ(any.kind, MEMORY_SYSTEM);
}

TEST(MemoryStore, RejectedRequestsLeaveItInvalidAndUntouched)
{
    struct Case {
        const char* what;
        void (*spoil)(Request&);
    };
    const Case cases[] = {
        {"zero width", [](Request& r) { r.width = 0; }},
        {"negative height", [](Request& r) { r.height = -1; }},
        {"invalid format", [](Request& r) { r.format = PixelFormat(); }},
        {"orientation", [](Request& r) { r.orientation = 22; }},
        {"padding", [](Request& r) { r.padding = -2; }},
        {"variant", [](Request& r) { r.variant = 11; }},
        {"pitch beyond 32 bits", [](Request& r) { r.width = INT_MAX / 2 + 1; }},
        {"zero-byte pixels", [](Request& r) {
             r.format = PixelFormat(SPECIAL18A);
             r.padding = 0;
         }},
    };
    for (const Case& c : cases) {
        Request request;
        c.spoil(request);
        auto store = request.make();
        EXPECT_EQ(store->isValid(), 0) << c.what;
        EXPECT_EQ(store->lock(1), nullptr) << c.what;
        EXPECT_EQ(request.kind, -1) << c.what;
    }
}

// Sizes past 32 bits: some wrap to exactly zero or to a few bytes in 32-bit
// arithmetic, which would make a tiny buffer for a huge surface.
struct BeyondThirtyTwoBits {
    int width, height;
    std::int32_t formatId;
};
constexpr BeyondThirtyTwoBits BEYOND_32_BITS[] = {
    {70000, 70000, ARGB8888},  // 19.6 GB
    {65536, 65536, ARGB8888},  // 2^34: zero in 32 bits
    {65536, 32768, RGB565},    // 2^32: zero in 32 bits
    {32769, 32768, ARGB8888},  // 2^32 + 2^17: 128 KiB in 32 bits
    {23171, 23171, ARGB8888},  // just under 2^31: a buffer a ptrdiff_t cannot span
};

bool addressSpaceIs32Bits() { return PTRDIFF_MAX <= INT32_MAX; }

TEST(MemoryStore, SizesThatCannotBeAddressedAreRefusedBeforeAllocating)
{
    EXPECT_EQ(MemoryStore::lineStride(INT_MAX, PixelFormat(ARGB8888), 0), -1);
    EXPECT_EQ(MemoryStore::lineStride(1, PixelFormat(ARGB8888), INT_MAX), -1);
    for (const BeyondThirtyTwoBits& size : BEYOND_32_BITS) {
        const PixelFormat format(size.formatId);
        const std::int64_t exact = std::int64_t{size.width} * size.height * format.bytes;
        const std::int64_t got = MemoryStore::bufferSize(size.width, size.height, format, 0);
        // Computed in 64 bits everywhere; refused where it cannot be addressed.
        EXPECT_EQ(got, addressSpaceIs32Bits() ? -1 : exact) << size.width << " x " << size.height;
    }
}

TEST(MemoryStore, StoresBeyondTheAddressSpaceAreRefusedWithAReason)
{
    if (!addressSpaceIs32Bits())
        GTEST_SKIP() << "a 64-bit address space holds these sizes; allocating them is no test";
    for (const BeyondThirtyTwoBits& size : BEYOND_32_BITS) {
        Request request;
        request.width = size.width;
        request.height = size.height;
        request.format = PixelFormat(size.formatId);
        clearLastError();
        auto store = request.make();
        EXPECT_EQ(store->isValid(), 0) << size.width << " x " << size.height;
        EXPECT_EQ(store->lock(1), nullptr);
        EXPECT_NE(std::string(lastError()).find("larger than this machine can address"),
                  std::string::npos)
            << lastError();
    }
}

// Within the address space but beyond what the heap can give: the store
// reports it, the allocation neither aborts nor throws.
TEST(MemoryStore, AnAllocationTheHeapCannotGiveIsReported)
{
    if (!addressSpaceIs32Bits())
        GTEST_SKIP() << "a 64-bit heap may give 2 GiB; touching it all is no test";
    Request request;
    request.width = 23170;  // 23170 x 23170 x 4 bytes: just below 2^31
    request.height = 23170;
    request.format = PixelFormat(ARGB8888);
    clearLastError();
    auto store = request.make();
    EXPECT_EQ(store->isValid(), 0);
    EXPECT_NE(std::string(lastError()).find("out of memory"), std::string::npos) << lastError();
}

TEST(MemoryStore, LocksOnlyCount)
{
    Request request;
    auto store = request.make();
    store->lock(1);
    store->lock(1);
    EXPECT_EQ(store->lockCount(), 2);
    store->unlock();
    store->unlock();
    store->unlock();
    EXPECT_EQ(store->lockCount(), 0);
}

TEST(NullStore, EveryOperationFails)
{
    NullStore& store = NullStore::shared();
    Rect area{0, 0, 1, 1};
    EXPECT_EQ(store.lock(1), nullptr);
    EXPECT_EQ(store.lockCount(), 0);
    EXPECT_EQ(store.isLockable(), 0);
    EXPECT_EQ(store.restore(), 0);
    EXPECT_EQ(store.copy(nullptr, nullptr, 0, nullptr), 0);
    EXPECT_EQ(store.copyArea(nullptr, &area, nullptr, &area, 0, nullptr), 0);
    EXPECT_EQ(store.backing(), BACKING_NONE);
    EXPECT_EQ(store.nativeHandle(), nullptr);
    EXPECT_EQ(store.isValid(), 0);
    EXPECT_EQ(store.spare1(1, 2, 3) + store.spare2(1, 2) + store.spare3(1, 2, 3, 4, 5, 6) +
                  store.spare4(1, 2, 3, 4),
              0);
}

}  // namespace
}  // namespace vxr
