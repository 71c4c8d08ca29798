#include "vxr/console/input/key_queue.h"

#include <new>

namespace vxr {

KeyQueue::KeyQueue() : capacity(CAPACITY), slots(new (std::nothrow) std::int32_t[CAPACITY]())
{
    if (!slots) capacity = 1;  // every push then finds the queue full
}

KeyQueue::~KeyQueue() { delete[] slots; }

int KeyQueue::push(std::int32_t value)
{
    const std::int32_t advanced = next(writePosition);
    if (!slots || advanced == readPosition) return 0;
    slots[writePosition] = value;
    writePosition = advanced;
    return 1;
}

int KeyQueue::pop(std::int32_t* out)
{
    if (!hasItems() || !out) return 0;
    *out = slots[readPosition];
    readPosition = next(readPosition);
    return 1;
}

}  // namespace vxr
