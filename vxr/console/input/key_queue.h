#pragma once

#include <cstdint>

namespace vxr {

// A ring of key entries filled by a window thread and emptied by the
// application. It is empty when both positions meet, so one slot always
// stays free: 1024 slots hold 1023 waiting keys.
class KeyQueue {
public:
    static constexpr std::int32_t CAPACITY = 1024;

    KeyQueue();
    ~KeyQueue();
    KeyQueue(const KeyQueue&) = delete;
    KeyQueue& operator=(const KeyQueue&) = delete;

    // 0 when full (the key is dropped) or when the slots could not be made.
    int push(std::int32_t value);
    int pop(std::int32_t* out);
    int hasItems() const { return writePosition != readPosition ? 1 : 0; }

private:
    std::int32_t next(std::int32_t position) const { return (position + 1) % capacity; }

    std::int32_t capacity;
    std::int32_t* slots;
    std::int32_t writePosition = 0;
    std::int32_t readPosition = 0;
};

}  // namespace vxr
