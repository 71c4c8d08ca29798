// The tunnel demo's entry: a Win32 program on Windows, a plain one elsewhere,
// both running the same driver.
#include "demo/demo_driver.h"

#ifdef _WIN32
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    return demo::DemoDriver::run();
}
#else
int main()
{
    return demo::DemoDriver::run();
}
#endif
