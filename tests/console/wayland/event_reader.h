#pragma once

#include <string>
#include <vector>

#include "vxr/console/event.h"

namespace vxr {
class Console;
}

namespace vxr::test {

// Reads a console's events back the way a program does, through
// waitEvent, keeping what it passed over so that a failure can show it.
class EventReader {
public:
    explicit EventReader(Console& console) : console(console) {}

    // The next event of the type, the others before it passed over; false
    // when none comes within the suite's patience.
    bool next(EventType type, Event& out);
    // The next event whatever its type, within the limit given or the
    // suite's patience.
    bool next(Event& out);
    bool next(Event& out, int limitMs) { return read(out, limitMs); }
    // Whether a Resize to the given size arrives, the events before it
    // passed over.
    bool resizedTo(int width, int height);
    // Every event that arrives until none has for quietMs (or for the
    // suite's patience at most), in order.
    std::vector<Event> until(int quietMs);
    // The text of every Text event until one of type stop arrives (or
    // nothing does), stop's event included in what was passed over.
    std::string textUntil(EventType stop);
    // The events passed over so far, one a line, for failure messages.
    std::string seen() const { return log; }

private:
    bool read(Event& out, int limitMs);

    Console& console;
    std::string log;
};

std::string describe(const Event& event);

}  // namespace vxr::test
