#include "demo/demo_driver.h"

#include <chrono>
#include <cstdio>

#include "demo/frame_pacer.h"
#include "demo/frame_schedule.h"
#include "demo/tunnel.h"
#include "vxr/surface/surface.h"
#include "vxr/surface/surface_store.h"

namespace demo {
namespace {

constexpr const char* CREDIT =
    "vxr tunnel: a textured, lit tunnel drawn on the CPU with the VXR frame-buffer library";

// The demo's clock and the calls that make one frame.
class Phases {
public:
    Phases(vxr::Console& display, vxr::Surface& frame, Tunnel& tunnel)
        : display(display), frame(frame), tunnel(tunnel)
    {
    }

    void show(FrameSchedule::Frame parameters)
    {
        tunnel.animate(FrameSchedule::TIME_STEP, t);
        tunnel.render(frame, t, parameters.zoom, parameters.fade);
        display.waitRetrace();
        pacer.waitForNextFrame();
        frame.update();
        t = FrameSchedule::nextTime(t);
    }

    void flyIn()
    {
        for (int i = 0; i < FrameSchedule::FLY_IN_FRAMES; ++i) show(FrameSchedule::flyIn(i));
    }

    // A key pressed during the fly-in skips the free run altogether.
    void freeRun()
    {
        while (!display.keyPressed()) show(FrameSchedule::freeRun());
    }

    void swirlOut()
    {
        for (int i = 0; i < FrameSchedule::SWIRL_OUT_FRAMES; ++i) show(FrameSchedule::swirlOut(i));
    }

    void fadeOut()
    {
        for (int i = 0; i < FrameSchedule::FADE_OUT_FRAMES; ++i) show(FrameSchedule::fadeOut(i));
    }

private:
    vxr::Console& display;
    vxr::Surface& frame;
    Tunnel& tunnel;
    // At most 70 frames a second: a real 60 Hz retrace is never held up.
    FramePacer pacer{std::chrono::microseconds(14286)};
    float t = 0.0f;
};

}  // namespace

int DemoDriver::run(vxr::ConsoleFrontEnd::ConsoleMaker maker)
{
    vxr::ConsoleFrontEnd frontEnd(Tunnel::FRAME_WIDTH, Tunnel::FRAME_HEIGHT, vxr::PREFER16, -1, -1,
                                  -1, maker);
    if (!frontEnd.isOpen() || !frontEnd.current()->ok()) {
        frontEnd.showError("could not initialize");
        return 1;
    }
    vxr::Console& display = *frontEnd.current();
    display.setTitle("tunnel");

    const vxr::PixelFormat rgb565(vxr::RGB565);
    vxr::Surface frame(frontEnd, Tunnel::FRAME_WIDTH, Tunnel::FRAME_HEIGHT, rgb565,
                       vxr::MEMORY_SYSTEM, -1, -1, -1);
    if (!frame.isValid()) {
        frontEnd.showError("could not create surface");
        return 1;
    }

    Tunnel tunnel;
    tunnel.init("zor.tga", 255.0f);
    if (!tunnel.isReady()) {
        frontEnd.showError("could not create tunnel");
        tunnel.destroy();
        return 1;
    }

    Phases phases(display, frame, tunnel);
    phases.flyIn();
    phases.freeRun();
    phases.swirlOut();
    phases.fadeOut();

    // The display goes first, so the line appears after the mode is restored.
    frontEnd.close();
    std::fputs(CREDIT, stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
    tunnel.destroy();
    return 0;
}

}  // namespace demo
