// The demo program from the outside: started in a directory of its own on a
// Wine desktop, watched through its windows and the screen, steered with key
// presses, and judged by its exit code and standard output.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <cstdio>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "demo/frame_schedule.h"
#include "demo/tunnel.h"
#include "tunnel_process.h"
#include "vxr/console/console.h"
#include "vxr/surface/surface.h"
#include "vxr/surface/surface_store.h"

namespace vxr::test {

using demo::FrameSchedule;
using demo::Tunnel;
namespace {

constexpr DWORD RUN_LIMIT_MS = 120000;
constexpr int FRAME_WIDTH = demo::Tunnel::FRAME_WIDTH;
constexpr int FRAME_HEIGHT = demo::Tunnel::FRAME_HEIGHT;

std::string windowsPath(std::string path)
{
    // The build tree's Unix paths are reachable through drive Z:.
    if (!path.empty() && path.front() == '/') path = "Z:" + path;
    return path;
}

const std::string tunnelExe = windowsPath(VXR_TUNNEL_EXE);
const std::string failingStartExe = windowsPath(VXR_FAILING_START_EXE);
const std::string texture = windowsPath(VXR_ASSET_DIR "/zor.tga");

bool ddrawSwitchedOff()
{
    char value[8] = {};
    return GetEnvironmentVariableA("VXR_EXPECT_NO_DDRAW", value, sizeof value) > 0;
}

enum class Texture { DEMO, MISSING, NARROW, TRUE_COLOUR };

void writeTga(const std::string& path, int width, int depth)
{
    std::vector<std::uint8_t> bytes(18, 0);
    const bool mapped = depth == 8;
    bytes[1] = mapped;
    bytes[2] = mapped ? 1 : 2;
    if (mapped) {
        bytes[6] = 1;  // 256 entries
        bytes[7] = 24;
    }
    bytes[12] = width & 0xFF;
    bytes[13] = width >> 8;
    bytes[15] = 1;  // 256 rows
    bytes[16] = static_cast<std::uint8_t>(depth);
    bytes[17] = 0x20;
    if (mapped) bytes.resize(bytes.size() + 256 * 3, 0x40);
    bytes.resize(bytes.size() + std::size_t(width) * 256 * (depth / 8), 1);
    std::FILE* file = std::fopen(path.c_str(), "wb");
    std::fwrite(bytes.data(), 1, bytes.size(), file);
    std::fclose(file);
}

// A fresh working directory holding the texture case asked for.
std::string workingDirectory(const char* name, Texture kind)
{
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    const std::string directory =
        std::string(temp) + "vxr-e2e-" + name + "-" + std::to_string(GetCurrentProcessId());
    CreateDirectoryA(directory.c_str(), nullptr);
    const std::string target = directory + "\\zor.tga";
    DeleteFileA(target.c_str());
    if (kind == Texture::DEMO) CopyFileA(texture.c_str(), target.c_str(), FALSE);
    if (kind == Texture::NARROW) writeTga(target, 255, 8);
    if (kind == Texture::TRUE_COLOUR) writeTga(target, 256, 24);
    return directory;
}

HWND waitForWindow(const char* className, const char* title, TunnelProcess& run)
{
    for (int i = 0; i < 1200 && !run.hasExited(); ++i) {
        if (HWND window = FindWindowA(className, title)) return window;
        Sleep(50);
    }
    return nullptr;
}

// The desktop window follows the display mode in every process at once;
// display settings are cached per process and may lag behind.
int displayWidth()
{
    RECT desktop;
    return GetWindowRect(GetDesktopWindow(), &desktop) ? int(desktop.right - desktop.left) : 0;
}

bool waitForDisplayWidth(int width, TunnelProcess& run)
{
    // Generous: a loaded machine may take long to set a mode.
    for (int i = 0; i < 1200 && !run.hasExited(); ++i) {
        if (displayWidth() == width) return true;
        Sleep(50);
    }
    return false;
}

// The top-left frame-sized pixels of a window (or of the screen) as 0x00RRGGBB.
std::vector<std::uint32_t> capture(HWND window)
{
    std::vector<std::uint32_t> pixels(FRAME_WIDTH * FRAME_HEIGHT);
    HDC source = GetDC(window);
    HDC memory = CreateCompatibleDC(source);
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), FRAME_WIDTH, -FRAME_HEIGHT, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ previous = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, FRAME_WIDTH, FRAME_HEIGHT, source, 0, 0, SRCCOPY);
    GdiFlush();
    std::memcpy(pixels.data(), bits, pixels.size() * 4);
    SelectObject(memory, previous);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(window, source);
    return pixels;
}

double meanBrightness(const std::vector<std::uint32_t>& pixels)
{
    double sum = 0;
    for (std::uint32_t p : pixels) sum += (p >> 16 & 0xFF) + (p >> 8 & 0xFF) + (p & 0xFF);
    return sum / (3.0 * pixels.size());
}

std::size_t distinctColours(const std::vector<std::uint32_t>& pixels)
{
    std::vector<std::uint32_t> sorted(pixels);
    std::sort(sorted.begin(), sorted.end());
    return std::unique(sorted.begin(), sorted.end()) - sorted.begin();
}

using Frame565 = std::vector<std::uint16_t>;

// A captured picture at the frame's own precision: the display widens each
// channel by filling the low bits, which cutting them again undoes.
Frame565 toRgb565(const std::vector<std::uint32_t>& screen)
{
    Frame565 wanted(screen.size());
    for (std::size_t i = 0; i < screen.size(); ++i) {
        const std::uint32_t p = screen[i];
        wanted[i] = static_cast<std::uint16_t>((p >> 19 & 0x1F) << 11 | (p >> 10 & 0x3F) << 5 |
                                               (p >> 3 & 0x1F));
    }
    return wanted;
}

// Renders the demo's free-run frames one after another, as the headless
// renderer does, and reports whether any equals the captured screen.
bool matchesAFreeRunFrame(const std::vector<std::uint32_t>& screen, int maxFrames)
{
    Tunnel tunnel;
    tunnel.init(texture.c_str(), 255.0f);
    if (!tunnel.isReady()) return false;
    Surface frame(&Console::defaultConsole(), FRAME_WIDTH, FRAME_HEIGHT, PixelFormat(RGB565), MEMORY_SYSTEM,
                  TOP_DOWN, 0, VARIANT_DEFAULT);
    const Frame565 wanted = toRgb565(screen);
    float t = 0.0f;
    for (int index = 0; index < FrameSchedule::FLY_IN_FRAMES + maxFrames; ++index) {
        tunnel.animate(FrameSchedule::TIME_STEP, t);
        if (index >= FrameSchedule::FLY_IN_FRAMES) {
            tunnel.render(frame, t, 1.0f, 0);
            const std::uint8_t* pixels = frame.lock(1);
            const bool same = std::memcmp(pixels, wanted.data(), wanted.size() * 2) == 0;
            frame.unlock();
            if (same) return true;
        }
        t = FrameSchedule::nextTime(t);
    }
    return false;
}

// The swirl-out frames of a run whose free run was skipped: the fly-in's
// frames, then straight into the swirl, each on the demo's clock. A single
// free-run frame drawn in between would move the clock of every later one.
std::vector<Frame565> swirlFramesWithoutFreeRun()
{
    std::vector<Frame565> frames;
    Tunnel tunnel;
    tunnel.init(texture.c_str(), 255.0f);
    if (!tunnel.isReady()) return frames;
    Surface frame(&Console::defaultConsole(), FRAME_WIDTH, FRAME_HEIGHT, PixelFormat(RGB565), MEMORY_SYSTEM,
                  TOP_DOWN, 0, VARIANT_DEFAULT);
    float t = 0.0f;
    for (int index = 0; index < FrameSchedule::FLY_IN_FRAMES + FrameSchedule::SWIRL_OUT_FRAMES;
         ++index) {
        tunnel.animate(FrameSchedule::TIME_STEP, t);
        if (index >= FrameSchedule::FLY_IN_FRAMES) {
            const FrameSchedule::Frame swirl =
                FrameSchedule::swirlOut(index - FrameSchedule::FLY_IN_FRAMES);
            tunnel.render(frame, t, swirl.zoom, swirl.fade);
            const auto* pixels = reinterpret_cast<const std::uint16_t*>(frame.lock(1));
            frames.emplace_back(pixels, pixels + FRAME_WIDTH * FRAME_HEIGHT);
            frame.unlock();
        }
        t = FrameSchedule::nextTime(t);
    }
    tunnel.destroy();
    return frames;
}

// Watches a window (or the screen) until it shows a free-run frame: how
// soon the fly-in ends depends on how busy the machine is.
std::vector<std::uint32_t> waitForFreeRunFrame(HWND window, TunnelProcess& run)
{
    for (int attempt = 0; attempt < 120 && !run.hasExited(); ++attempt) {
        std::vector<std::uint32_t> shown = capture(window);
        if (distinctColours(shown) > 100 && matchesAFreeRunFrame(shown, 6000)) return shown;
        Sleep(250);
    }
    return {};
}

void expectOneCreditLine(TunnelProcess& run)
{
    const std::string output = run.output();
    ASSERT_FALSE(output.empty());
    EXPECT_EQ(output.find('\n'), output.size() - 1) << output;
}

class TunnelRun : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (ddrawSwitchedOff() != expectsGdi()) GTEST_SKIP() << "runs with the other console";
    }
    virtual bool expectsGdi() const { return false; }
};

class TunnelRunOnGdi : public TunnelRun {
protected:
    bool expectsGdi() const override { return true; }
};

class TunnelStartUp : public ::testing::Test {};

TEST_F(TunnelRun, FullScreenRunShowsTheTunnelAndEndsOnAKey)
{
    // On a busy machine Wine's virtual desktop now and then never takes the
    // first mode change of a run (seen with the program started by hand as
    // well); one fresh start is allowed for that, and only for that.
    auto run = std::make_unique<TunnelProcess>();
    ASSERT_TRUE(run->start(tunnelExe, workingDirectory("directx", Texture::DEMO)));
    HWND window = waitForWindow("VXR_DIRECTX_FULLSCREEN", nullptr, *run);
    ASSERT_NE(window, nullptr);
    if (!waitForDisplayWidth(FRAME_WIDTH, *run)) {
        run = std::make_unique<TunnelProcess>();  // the old one is ended first
        waitForDisplayWidth(640, *run);
        ASSERT_TRUE(run->start(tunnelExe, workingDirectory("directx2", Texture::DEMO)));
        window = waitForWindow("VXR_DIRECTX_FULLSCREEN", nullptr, *run);
        ASSERT_NE(window, nullptr);
        ASSERT_TRUE(waitForDisplayWidth(FRAME_WIDTH, *run));
    }

    const std::vector<std::uint32_t> screen = waitForFreeRunFrame(nullptr, *run);
    ASSERT_FALSE(screen.empty()) << "no free-run frame equals the screen";
    EXPECT_GT(meanBrightness(screen), 10.0);
    const double freeRunBrightness = meanBrightness(screen);

    PostMessageA(window, WM_KEYDOWN, VK_SPACE, 0);
    // The swirl-out and the fade follow: the screen darkens before the end.
    double darkest = freeRunBrightness;
    while (!run->hasExited() && displayWidth() == FRAME_WIDTH) {
        darkest = std::min(darkest, meanBrightness(capture(nullptr)));
        Sleep(100);
    }
    EXPECT_LT(darkest, freeRunBrightness / 2);
    EXPECT_EQ(run->waitForExit(RUN_LIMIT_MS), 0);
    expectOneCreditLine(*run);
    EXPECT_EQ(run->displayWidthAtFirstOutput(), 640) << "the line came before the mode was restored";
    EXPECT_EQ(displayWidth(), 640);
}

TEST_F(TunnelRun, AKeyDuringTheFlyInSkipsTheFreeRun)
{
    const std::vector<Frame565> swirl = swirlFramesWithoutFreeRun();
    ASSERT_EQ(swirl.size(), std::size_t(FrameSchedule::SWIRL_OUT_FRAMES));
    TunnelProcess run;
    ASSERT_TRUE(run.start(tunnelExe, workingDirectory("skip", Texture::DEMO)));
    ASSERT_NE(waitForWindow("VXR_DIRECTX_FULLSCREEN", nullptr, run), nullptr);
    // The window takes keys once the console has opened, and the tunnel
    // shows from the seventh of the fly-in's 128 frames on: keys go in until
    // it shows, and three more after that, all well inside the fly-in.
    int pressesAfterShowing = 0;
    for (int press = 0; press < 600 && pressesAfterShowing < 3 && !run.hasExited(); ++press) {
        PostMessageA(FindWindowA("VXR_DIRECTX_FULLSCREEN", nullptr), WM_KEYDOWN, VK_SPACE, 0);
        if (displayWidth() == FRAME_WIDTH && meanBrightness(capture(nullptr)) > 0.5) ++pressesAfterShowing;
        Sleep(100);
    }
    // What reaches the screen until the end must be the swirl-out on the
    // clock of a run with no free-run frame at all.
    std::vector<bool> seen(swirl.size(), false);
    while (!run.hasExited() && displayWidth() == FRAME_WIDTH) {
        const Frame565 screen = toRgb565(capture(nullptr));
        for (std::size_t i = 0; i < swirl.size(); ++i)
            if (!seen[i] && swirl[i] == screen) seen[i] = true;
    }
    // Frames that hardly depend on the clock (nearly uniform) prove nothing.
    int telling = 0;
    for (std::size_t i = 0; i < swirl.size(); ++i) {
        std::vector<std::uint16_t> sorted(swirl[i]);
        std::sort(sorted.begin(), sorted.end());
        const auto colours = std::unique(sorted.begin(), sorted.end()) - sorted.begin();
        telling += seen[i] && colours > 100;
    }
    EXPECT_GE(telling, 2)
        << "the screen never showed the swirl-out of a run without a free run";
    EXPECT_EQ(run.waitForExit(RUN_LIMIT_MS), 0);
    expectOneCreditLine(run);
}

TEST_F(TunnelRun, TheCloseBoxEndsTheRunWithCodeZero)
{
    TunnelProcess run;
    ASSERT_TRUE(run.start(tunnelExe, workingDirectory("close", Texture::DEMO)));
    HWND window = waitForWindow("VXR_DIRECTX_FULLSCREEN", nullptr, run);
    ASSERT_NE(window, nullptr);
    Sleep(3000);
    PostMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(run.waitForExit(RUN_LIMIT_MS), 0);
}

TEST_F(TunnelRunOnGdi, WindowedRunShowsFramesAndEndsOnAKey)
{
    TunnelProcess run;
    run.watchWindowClass("VXR_GDI_WINDOWED");
    ASSERT_TRUE(run.start(tunnelExe, workingDirectory("gdi", Texture::DEMO)));
    HWND window = waitForWindow("VXR_GDI_WINDOWED", "tunnel", run);
    ASSERT_NE(window, nullptr);
    RECT client;
    GetClientRect(window, &client);
    EXPECT_EQ(client.right - client.left, FRAME_WIDTH);
    EXPECT_EQ(client.bottom - client.top, FRAME_HEIGHT);
    // At scale 1 the client area holds exactly a frame of the demo's run.
    const std::vector<std::uint32_t> frame = waitForFreeRunFrame(window, run);
    ASSERT_FALSE(frame.empty()) << "no free-run frame equals the window";
    EXPECT_GT(meanBrightness(frame), 10.0);
    PostMessageA(window, WM_KEYDOWN, VK_SPACE, 0);
    EXPECT_EQ(run.waitForExit(RUN_LIMIT_MS), 0);
    expectOneCreditLine(run);
    EXPECT_FALSE(run.watchedWindowAtFirstOutput()) << "the line came while the window was up";
}

// The error box: its caption and text, dismissed as a user would; then the
// exit code 1 and nothing on standard output.
void expectErrorBox(const std::string& executable, const std::string& arguments, Texture kind,
                    const char* name, const char* message)
{
    TunnelProcess run;
    ASSERT_TRUE(run.start(executable, workingDirectory(name, kind), arguments));
    HWND box = waitForWindow("#32770", "vxr error", run);
    ASSERT_NE(box, nullptr) << name;
    char text[128] = {};
    GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
    EXPECT_STREQ(text, message) << name;
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    EXPECT_EQ(run.waitForExit(RUN_LIMIT_MS), 1) << name;
    EXPECT_EQ(run.output(), "") << name;
}

TEST_F(TunnelStartUp, AnUnusableTextureShowsTheErrorBox)
{
    for (auto [kind, name] : {std::pair{Texture::MISSING, "missing"},
                              std::pair{Texture::NARROW, "narrow"},
                              std::pair{Texture::TRUE_COLOUR, "truecolour"}})
        expectErrorBox(tunnelExe, "", kind, name, "could not create tunnel");
}

TEST_F(TunnelStartUp, NoConsoleThatOpensShowsTheErrorBox)
{
    expectErrorBox(failingStartExe, "", Texture::DEMO, "noconsole", "could not initialize");
}

TEST_F(TunnelStartUp, AFrameTheConsoleCannotHoldShowsTheErrorBox)
{
    expectErrorBox(failingStartExe, "refuse-frame", Texture::DEMO, "nosurface",
                   "could not create surface");
}

}  // namespace
}  // namespace vxr::test
