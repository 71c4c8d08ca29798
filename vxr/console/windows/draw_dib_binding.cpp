#include "vxr/console/windows/draw_dib_binding.h"

namespace vxr {
namespace {

// GetProcAddress hands out a generic function pointer; going through the
// parameterless type keeps the conversion to the real signature explicit.
template <typename Function>
Function functionFrom(HMODULE library, const char* name)
{
    const FARPROC address = GetProcAddress(library, name);
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(address));
}

}  // namespace

DrawDibBinding::DrawDibBinding()
{
    library.reset(LoadLibraryA("msvfw32.dll"));
    if (!library) return;
    // Keep the library mapped for the rest of the process: every console
    // loads and frees it, and a real unload and reload for each one costs
    // time and, under Wine, leaks the handles its start-up opens.
    HMODULE pinned = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_PIN, "msvfw32.dll", &pinned);
    openFunction = functionFrom<OpenFunction>(library.get(), "DrawDibOpen");
    drawFunction = functionFrom<DrawFunction>(library.get(), "DrawDibDraw");
    closeFunction = functionFrom<CloseFunction>(library.get(), "DrawDibClose");
    if (openFunction) drawHandle = openFunction();
}

DrawDibBinding::~DrawDibBinding()
{
    if (drawHandle && closeFunction) closeFunction(drawHandle);
}

int DrawDibBinding::draw(HDC context, int x, int y, int width, int height,
                         BITMAPINFOHEADER* header, void* pixels, int sourceX, int sourceY,
                         int sourceWidth, int sourceHeight, UINT flags) const
{
    if (!drawFunction) return 0;
    return drawFunction(drawHandle, context, x, y, width, height, header, pixels, sourceX,
                        sourceY, sourceWidth, sourceHeight, flags)
               ? 1
               : 0;
}

}  // namespace vxr
