#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>

#include "vxr/console/event.h"

namespace vxr {

// The events a window thread posts for the application, oldest first, in a
// ring of fixed capacity, so that a program that stops reading costs a
// bounded amount of memory and the window thread never waits for room.
//
// - A motion event that follows another unread motion event replaces it: a
//   flood of motion takes one slot and never pushes out keys or buttons.
// - When the queue is full, the newest event is dropped (the events already
//   waiting are kept, in order) and counted; droppedCount() tells how many
//   were lost since the program last asked. A close request is never
//   dropped: it takes the place of the newest event waiting, which counts
//   as dropped instead.
// - Readers wait on the queue's own lock, which its users take last.
class EventQueue {
public:
    static constexpr std::int32_t CAPACITY = 512;

    EventQueue();
    EventQueue(const EventQueue&) = delete;
    EventQueue& operator=(const EventQueue&) = delete;

    // False when the event was dropped.
    bool post(const Event& event);
    // Takes the oldest event without waiting; false when there is none.
    bool poll(Event& out);
    // Waits up to limit for an event (a negative limit waits until one
    // comes or the queue is woken); false when none came.
    bool wait(Event& out, std::chrono::milliseconds limit);
    // Ends every wait at once (the window has gone); later waits do not
    // block until reopen().
    void close();
    void reopen();
    // Forgets every waiting event and the drop count.
    void clear();
    std::int32_t size();
    // Events dropped since the last call; the count starts again at 0.
    std::uint64_t droppedCount();

private:
    bool takeLocked(Event& out);

    std::mutex lock;
    std::condition_variable arrived;
    std::unique_ptr<Event[]> slots;
    std::int32_t first = 0;
    std::int32_t count = 0;
    std::uint64_t dropped = 0;
    bool closed = true;
};

}  // namespace vxr
