#pragma once

#include "vxr/console/console_front_end.h"

namespace demo {

// The whole demo: open a display, set up the tunnel, play the four phases,
// close the display and write the credit line. The program's entry runs it
// with the library's own console search; other makers let a test see the
// start-up errors that a real machine cannot be made to give.
class DemoDriver {
public:
    // The process's exit code: 0 after a full run, 1 after a start-up error.
    static int run(vxr::ConsoleFrontEnd::ConsoleMaker maker = vxr::ConsoleFrontEnd::makeConsole);
};

}  // namespace demo
