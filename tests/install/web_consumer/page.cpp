// An outside page: the web console is found by the front end's search.
#include <cstdio>

#include "vxr/vxr.h"

int main()
{
    vxr::ConsoleFrontEnd display(320, 200, vxr::PREFER32, -1, -1, -1);
    if (!display.isOpen() || display.current()->consoleId() != vxr::CONSOLE_ID_WEB) return 1;
    std::puts("web console open");
    return 0;
}
