#include "vxr/console/wayland/presentation_feedback.h"

#include <wayland-client.h>

#include <new>

#include "presentation-time-client-protocol.h"
#include "vxr/console/core/presentation_record.h"
#include "vxr/console/wayland/wayland_connection.h"

namespace vxr {
namespace {

constexpr std::int64_t NANOSECONDS = 1000000000;

PresentationFeedback::Awaited& awaitedOf(void* data)
{
    return *static_cast<PresentationFeedback::Awaited*>(data);
}

void syncOutput(void*, struct wp_presentation_feedback*, wl_output*) {}

// Seconds come in two 32-bit halves; a clock too far on to fit 64 bits
// of nanoseconds stops at the largest time.
std::int64_t nanosecondsOf(std::uint32_t secondsHigh, std::uint32_t secondsLow,
                           std::uint32_t nanoseconds)
{
    const std::uint64_t seconds = std::uint64_t{secondsHigh} << 32 | secondsLow;
    const std::uint64_t largest = static_cast<std::uint64_t>(INT64_MAX / NANOSECONDS) - 1;
    if (seconds > largest) return INT64_MAX;
    return static_cast<std::int64_t>(seconds) * NANOSECONDS + nanoseconds % NANOSECONDS;
}

void framePresented(void* data, struct wp_presentation_feedback*, std::uint32_t secondsHigh,
                    std::uint32_t secondsLow, std::uint32_t nanoseconds, std::uint32_t refresh,
                    std::uint32_t sequenceHigh, std::uint32_t sequenceLow, std::uint32_t)
{
    PresentationFeedback::Awaited& frame = awaitedOf(data);
    frame.owner->presented(frame, nanosecondsOf(secondsHigh, secondsLow, nanoseconds),
                           std::uint64_t{sequenceHigh} << 32 | sequenceLow, refresh);
}

void frameDiscarded(void* data, struct wp_presentation_feedback*)
{
    PresentationFeedback::Awaited& frame = awaitedOf(data);
    frame.owner->discarded(frame);
}

const wp_presentation_feedback_listener FEEDBACK_LISTENER = {syncOutput, framePresented,
                                                             frameDiscarded};

}  // namespace

void PresentationFeedback::ask(WaylandConnection& connection, wl_surface* surface)
{
    std::uint64_t picture = 0;
    {
        std::lock_guard<std::mutex> guard(lock);
        picture = ++lastPicture;
    }
    request(connection, surface, picture);
}

void PresentationFeedback::askAgain(WaylandConnection& connection, wl_surface* surface)
{
    std::uint64_t picture = 0;
    {
        std::lock_guard<std::mutex> guard(lock);
        for (const Awaited* frame = first; frame && !picture; frame = frame->next)
            if (frame->picture == lastPicture) picture = lastPicture;
    }
    if (picture != 0) request(connection, surface, picture);
}

void PresentationFeedback::request(WaylandConnection& connection, wl_surface* surface,
                                   std::uint64_t picture)
{
    if (!connection.presentation() || !surface) return;
    std::lock_guard<std::mutex> guard(lock);
    if (count >= MOST_AWAITED) return;
    auto* frame = new (std::nothrow) Awaited;
    if (!frame) return;
    frame->owner = this;
    frame->picture = picture;
    frame->proxy = wp_presentation_feedback(connection.presentation(), surface);
    if (!frame->proxy) {
        delete frame;
        return;
    }
    // The listener is in place before the commit the feedback is for goes
    // out, so no answer can come before it.
    wp_presentation_feedback_add_listener(frame->proxy, &FEEDBACK_LISTENER, frame);
    frame->next = first;
    first = frame;
    ++count;
}

void PresentationFeedback::forgetAll()
{
    std::lock_guard<std::mutex> guard(lock);
    while (Awaited* frame = first) {
        first = frame->next;
        wp_presentation_feedback_destroy(frame->proxy);
        delete frame;
    }
    count = 0;
}

int PresentationFeedback::awaited() const
{
    std::lock_guard<std::mutex> guard(lock);
    return count;
}

void PresentationFeedback::presented(Awaited& frame, std::int64_t time, std::uint64_t sequence,
                                     std::int64_t refreshInterval)
{
    if (!finish(frame, true)) return;
    // An output without a refresh counter says 0 for every frame: the
    // frames shown are counted instead.
    if (sequence == 0)
        record.recordUncounted(time, refreshInterval);
    else
        record.record(time, sequence, refreshInterval);
}

void PresentationFeedback::discarded(Awaited& frame)
{
    // A frame replaced before it was shown tells nothing about the screen.
    finish(frame, false);
}

bool PresentationFeedback::finish(Awaited& frame, bool shown)
{
    bool firstShown = false;
    {
        std::lock_guard<std::mutex> guard(lock);
        Awaited** link = &first;
        while (*link && *link != &frame) link = &(*link)->next;
        // Every frame awaited is in the list: only the dispatching thread
        // takes one out, and only forgetAll empties it, once none dispatches.
        if (*link) {
            *link = frame.next;
            --count;
        }
        // Pictures are shown in the order they were committed: one older
        // than the last recorded was replaced before its answer came.
        firstShown = shown && frame.picture > shownPicture;
        if (firstShown) shownPicture = frame.picture;
    }
    wp_presentation_feedback_destroy(frame.proxy);
    delete &frame;
    return firstShown;
}

}  // namespace vxr
