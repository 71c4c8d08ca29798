#include "vxr/console/consoles.h"
#include "vxr/console/core/platform_consoles.h"
#include "vxr/console/web/web_console.h"
#include "vxr/console/web/web_page.h"

namespace vxr {

std::unique_ptr<Console> makeWebConsole() { return newConsole<WebConsole>(); }

std::unique_ptr<Console> makeX11Console() { return nullptr; }
std::unique_ptr<Console> makeWaylandConsole() { return nullptr; }
std::unique_ptr<Console> makeGdiConsole() { return nullptr; }
std::unique_ptr<Console> makeDirectXConsole() { return nullptr; }

PlatformConsoles platformConsoles()
{
    static constexpr PlatformConsoles::Maker makers[] = {makeWebConsole};
    return {makers, 1};
}

int showPlatformError(const char* message)
{
    // The page's notice stands for the message box.
    WebPage::showError(message);
    return printError(message);
}

// A page has no terminal: its keys come through the canvas.
int terminalReadKey() { return 0; }

int terminalKeyPressed() { return 0; }

}  // namespace vxr
