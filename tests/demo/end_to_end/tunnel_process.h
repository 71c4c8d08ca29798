#pragma once

#include <windows.h>

#include <string>

#include "vxr/non_copyable.h"

namespace vxr::test {

// The demo started as a user would start it, in a working directory of its
// own, with its standard output collected. Also notes, at the moment the
// first output arrives, the display's width and whether a window of a
// watched class was still there.
class TunnelProcess : NonCopyable {
public:
    TunnelProcess() = default;
    ~TunnelProcess();

    bool start(const std::string& executable, const std::string& workingDirectory,
               const std::string& arguments = "");
    // Before start: the window class whose presence the first output notes.
    void watchWindowClass(const char* className) { watchedClass = className; }
    // Waits for the end; -1 if it does not end in time.
    int waitForExit(DWORD milliseconds);
    bool hasExited() const;
    std::string output();
    int displayWidthAtFirstOutput();
    bool watchedWindowAtFirstOutput();

private:
    static DWORD WINAPI readOutput(void* self);

    PROCESS_INFORMATION process{};
    HANDLE outputRead = nullptr;
    HANDLE reader = nullptr;
    CRITICAL_SECTION lock;
    bool lockReady = false;
    std::string collected;
    int widthAtOutput = 0;
    std::string watchedClass;
    bool watchedWindowAtOutput = false;
};

}  // namespace vxr::test
