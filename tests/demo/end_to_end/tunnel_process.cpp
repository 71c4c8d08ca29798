#include "tunnel_process.h"

namespace vxr::test {
namespace {

// The desktop window follows the display mode in every process at once;
// display settings are cached per process and may lag behind.
int currentDisplayWidth()
{
    RECT desktop;
    return GetWindowRect(GetDesktopWindow(), &desktop) ? int(desktop.right - desktop.left) : 0;
}

}  // namespace

TunnelProcess::~TunnelProcess()
{
    if (process.hProcess && !hasExited()) TerminateProcess(process.hProcess, 99);
    if (process.hProcess) WaitForSingleObject(process.hProcess, 10000);
    if (reader) {
        WaitForSingleObject(reader, 10000);
        CloseHandle(reader);
    }
    if (outputRead) CloseHandle(outputRead);
    if (process.hThread) CloseHandle(process.hThread);
    if (process.hProcess) CloseHandle(process.hProcess);
    if (lockReady) DeleteCriticalSection(&lock);
}

bool TunnelProcess::start(const std::string& executable, const std::string& workingDirectory,
                          const std::string& arguments)
{
    InitializeCriticalSection(&lock);
    lockReady = true;
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE outputWrite = nullptr;
    if (!CreatePipe(&outputRead, &outputWrite, &inherit, 0)) return false;
    SetHandleInformation(outputRead, HANDLE_FLAG_INHERIT, 0);

    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = outputWrite;
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    std::string commandLine = "\"" + executable + "\"";
    if (!arguments.empty()) commandLine += " " + arguments;
    const BOOL started =
        CreateProcessA(executable.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr,
                       workingDirectory.c_str(), &startup, &process);
    CloseHandle(outputWrite);
    if (!started) return false;
    reader = CreateThread(nullptr, 0, readOutput, this, 0, nullptr);
    return reader != nullptr;
}

DWORD WINAPI TunnelProcess::readOutput(void* self)
{
    auto* run = static_cast<TunnelProcess*>(self);
    char buffer[512];
    DWORD count = 0;
    while (ReadFile(run->outputRead, buffer, sizeof buffer, &count, nullptr) && count > 0) {
        const int width = currentDisplayWidth();
        const bool watchedWindow =
            !run->watchedClass.empty() && FindWindowA(run->watchedClass.c_str(), nullptr);
        EnterCriticalSection(&run->lock);
        if (run->collected.empty()) {
            run->widthAtOutput = width;
            run->watchedWindowAtOutput = watchedWindow;
        }
        run->collected.append(buffer, count);
        LeaveCriticalSection(&run->lock);
    }
    return 0;
}

int TunnelProcess::waitForExit(DWORD milliseconds)
{
    if (WaitForSingleObject(process.hProcess, milliseconds) != WAIT_OBJECT_0) return -1;
    WaitForSingleObject(reader, 10000);
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    return static_cast<int>(code);
}

bool TunnelProcess::hasExited() const
{
    return WaitForSingleObject(process.hProcess, 0) == WAIT_OBJECT_0;
}

std::string TunnelProcess::output()
{
    EnterCriticalSection(&lock);
    std::string copy = collected;
    LeaveCriticalSection(&lock);
    return copy;
}

bool TunnelProcess::watchedWindowAtFirstOutput()
{
    EnterCriticalSection(&lock);
    const bool present = watchedWindowAtOutput;
    LeaveCriticalSection(&lock);
    return present;
}

int TunnelProcess::displayWidthAtFirstOutput()
{
    EnterCriticalSection(&lock);
    const int width = widthAtOutput;
    LeaveCriticalSection(&lock);
    return width;
}

}  // namespace vxr::test
