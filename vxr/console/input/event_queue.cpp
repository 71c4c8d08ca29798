#include "vxr/console/input/event_queue.h"

#include <new>

namespace vxr {

EventQueue::EventQueue() : slots(new (std::nothrow) Event[CAPACITY]) {}

bool EventQueue::post(const Event& event)
{
    std::lock_guard<std::mutex> guard(lock);
    if (!slots) return false;
    if (count > 0 && event.type == EventType::MouseMove) {
        Event& newest = slots[(first + count - 1) % CAPACITY];
        if (newest.type == EventType::MouseMove) {
            newest = event;
            arrived.notify_all();
            return true;
        }
    }
    if (count == CAPACITY) {
        ++dropped;
        // A close request is what lets the user end a program that stopped
        // reading: it takes the newest waiting event's place.
        if (event.type != EventType::Close) return false;
        slots[(first + count - 1) % CAPACITY] = event;
        arrived.notify_all();
        return true;
    }
    slots[(first + count) % CAPACITY] = event;
    ++count;
    arrived.notify_all();
    return true;
}

bool EventQueue::takeLocked(Event& out)
{
    if (count == 0) return false;
    out = slots[first];
    first = (first + 1) % CAPACITY;
    --count;
    return true;
}

bool EventQueue::poll(Event& out)
{
    std::lock_guard<std::mutex> guard(lock);
    return takeLocked(out);
}

bool EventQueue::wait(Event& out, std::chrono::milliseconds limit)
{
    std::unique_lock<std::mutex> guard(lock);
    const auto ready = [this] { return count > 0 || closed; };
    if (limit.count() < 0)
        arrived.wait(guard, ready);
    else
        arrived.wait_for(guard, limit, ready);
    return takeLocked(out);
}

void EventQueue::close()
{
    std::lock_guard<std::mutex> guard(lock);
    closed = true;
    arrived.notify_all();
}

void EventQueue::reopen()
{
    std::lock_guard<std::mutex> guard(lock);
    closed = false;
}

void EventQueue::clear()
{
    std::lock_guard<std::mutex> guard(lock);
    first = count = 0;
    dropped = 0;
}

std::int32_t EventQueue::size()
{
    std::lock_guard<std::mutex> guard(lock);
    return count;
}

std::uint64_t EventQueue::droppedCount()
{
    std::lock_guard<std::mutex> guard(lock);
    const std::uint64_t lost = dropped;
    dropped = 0;
    return lost;
}

}  // namespace vxr
