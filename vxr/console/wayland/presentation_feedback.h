#pragma once

#include <cstdint>
#include <mutex>

struct wl_surface;
struct wp_presentation_feedback;

namespace vxr {

class PresentationRecord;
class WaylandConnection;

// Asks the compositor, for each frame committed, when it reached the
// screen, and records what the compositor says. Frames are committed on
// either thread under the console's presentLock; the answers come on the
// thread that dispatches the connection's events.
//
// lock guards the feedback still awaited; it comes after presentLock and
// before the record's own, and nothing else is called while it is held.
class PresentationFeedback {
public:
    // At most this many frames are awaited at once: a compositor that never
    // answers for a hidden window does not make the list grow.
    static constexpr int MOST_AWAITED = 16;

    explicit PresentationFeedback(PresentationRecord& record) : record(record) {}
    ~PresentationFeedback() { forgetAll(); }
    PresentationFeedback(const PresentationFeedback&) = delete;
    PresentationFeedback& operator=(const PresentationFeedback&) = delete;

    // Just before a commit of surface: asks for that commit's feedback,
    // where the compositor offers the presentation clock.
    void ask(WaylandConnection& connection, wl_surface* surface);
    // Just before surface is committed again with the picture last asked
    // for, while that picture's feedback is still awaited: asks once more.
    // A compositor may report a commit that another superseded before it
    // was drawn as discarded (wlroots does), though its picture was shown;
    // whichever answer for the picture comes first is recorded, and the
    // rest are not, so that a picture is counted once.
    void askAgain(WaylandConnection& connection, wl_surface* surface);
    // Lets go of what is still awaited; only while no thread dispatches.
    void forgetAll();
    int awaited() const;

    // One frame's feedback, awaited.
    struct Awaited {
        PresentationFeedback* owner = nullptr;
        wp_presentation_feedback* proxy = nullptr;
        // Which picture it is for, numbered as they were asked for.
        std::uint64_t picture = 0;
        Awaited* next = nullptr;
    };

    // From the listeners, on the dispatching thread. time in ns on the
    // presentation clock, refreshInterval 0 where the output has none.
    void presented(Awaited& frame, std::int64_t time, std::uint64_t sequence,
                   std::int64_t refreshInterval);
    void discarded(Awaited& frame);

private:
    // Asks for the feedback of the commit of surface about to be made.
    void request(WaylandConnection& connection, wl_surface* surface, std::uint64_t picture);
    // Unlinks and frees frame; its proxy is destroyed outside the lock.
    // True where frame is the first answer of its picture that was shown.
    bool finish(Awaited& frame, bool shown);

    PresentationRecord& record;
    mutable std::mutex lock;
    Awaited* first = nullptr;
    int count = 0;
    // The last picture asked for, and the last whose showing was recorded.
    std::uint64_t lastPicture = 0;
    std::uint64_t shownPicture = 0;
};

}  // namespace vxr
