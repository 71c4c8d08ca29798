#pragma once

#include <system_error>
#include <thread>
#include <utility>

namespace vxr {

// Tells the threads the library starts itself (each console's window
// thread) from the program's own. What only the program's thread may do,
// ending the process above all, asks here first: a library thread that
// ended the process would run the program's static destructors under the
// program's feet, with whatever locks that thread held.
class LibraryThread {
public:
    // Called first thing on every thread the library starts.
    static void markCurrent();
    // Runs body on a new thread, marked first; false when the system gives
    // no thread.
    template <typename Body>
    static bool start(std::thread& thread, Body&& body)
    {
        try {
            thread = std::thread([run = std::forward<Body>(body)]() mutable {
                markCurrent();
                run();
            });
        } catch (const std::system_error&) {
            return false;
        }
        return true;
    }
    static bool isCurrent();
    // How many marked threads have not ended yet: none once every console
    // that started one is closed.
    static int running();
};

}  // namespace vxr
