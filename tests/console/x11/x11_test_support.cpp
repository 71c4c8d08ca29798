#include "x11_test_support.h"

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <random>
#include <thread>

#include "vxr/console/console.h"
#include "vxr/format/converter.h"
#include "vxr/surface/surface.h"
#include "vxr/surface/surface_store.h"
#include "vxr/window/window.h"

extern char** environ;

namespace vxr::test {
namespace {

constexpr auto POLL_STEP = std::chrono::milliseconds(20);

std::vector<char*> pointersTo(std::vector<std::string>& texts)
{
    std::vector<char*> pointers;
    for (std::string& text : texts) pointers.push_back(text.data());
    pointers.push_back(nullptr);
    return pointers;
}

// This process's environment with DISPLAY replaced (or removed when empty).
std::vector<std::string> environmentWith(const std::string& display)
{
    std::vector<std::string> entries;
    for (char** entry = environ; *entry; ++entry)
        if (std::strncmp(*entry, "DISPLAY=", 8) != 0) entries.emplace_back(*entry);
    if (!display.empty()) entries.push_back("DISPLAY=" + display);
    return entries;
}

int countEntries(const char* directory)
{
    DIR* folder = opendir(directory);
    if (!folder) return -1;
    int count = 0;
    while (dirent* entry = readdir(folder))
        if (entry->d_name[0] != '.') ++count;
    closedir(folder);
    return count;
}

bool readSome(int& descriptor, std::string& into)
{
    if (descriptor < 0) return false;
    char buffer[4096];
    const ssize_t got = read(descriptor, buffer, sizeof buffer);
    if (got > 0) {
        into.append(buffer, static_cast<std::size_t>(got));
        return true;
    }
    if (got == 0 || (errno != EAGAIN && errno != EINTR)) {
        close(descriptor);
        descriptor = -1;
    }
    return false;
}

template <class Reply>
struct Freed {
    Reply* reply;
    ~Freed() { std::free(reply); }
};

}  // namespace

bool eventually(const std::function<bool()>& condition, std::chrono::milliseconds limit)
{
    const auto deadline = Clock::now() + limit;
    for (;;) {
        if (condition()) return true;
        if (Clock::now() > deadline) return false;
        std::this_thread::sleep_for(POLL_STEP);
    }
}

// ---- XvfbServer ---------------------------------------------------------------

XvfbServer::~XvfbServer()
{
    stop();
}

bool XvfbServer::start(const Options& options)
{
    // Display numbers are shared with every process that sees this /tmp and
    // this network namespace, and a server of someone else's may hold a
    // low one without a lock file here: try numbers spread far from 0, and
    // keep the first server that is really the one asked for.
    static int attempts = 0;
    for (int tries = 0; tries < 40; ++tries) {
        const int candidate = 100 + (getpid() * 131 + (attempts++) * 7919) % 9000;
        if (startOn(candidate, options)) return true;
    }
    return false;
}

bool XvfbServer::startOn(int candidate, const Options& options)
{
    int ready[2];
    if (pipe(ready) != 0) return false;
    std::vector<std::string> arguments = {
        "Xvfb", std::string(":").append(std::to_string(candidate)), "-displayfd",
        std::to_string(ready[1]), "-screen", "0",
        std::to_string(options.width) + "x" + std::to_string(options.height) + "x" +
            std::to_string(options.depth),
        // A server left without clients resets and drops whoever connects
        // meanwhile; between two consoles nobody may be connected.
        "-nolisten", "tcp", "-noreset"};
    if (options.visualClass >= 0) {
        arguments.push_back("-cc");
        arguments.push_back(std::to_string(options.visualClass));
    }
    if (!options.sharedMemory) {
        arguments.push_back("-extension");
        arguments.push_back("MIT-SHM");
    }
    std::vector<char*> argv = pointersTo(arguments);
    const int quiet = open("/dev/null", O_WRONLY);
    process = fork();
    if (process == 0) {
        // The server goes with the test, however the test ends.
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        close(ready[0]);
        dup2(quiet, 1);
        dup2(quiet, 2);
        execvp("Xvfb", argv.data());
        _exit(127);
    }
    close(ready[1]);
    close(quiet);
    // The server writes its display number once it accepts connections, and
    // closes the pipe when it gives up.
    std::string answer;
    const auto deadline = Clock::now() + PATIENCE;
    while (answer.find('\n') == std::string::npos && ready[0] >= 0 && Clock::now() < deadline) {
        pollfd wait{ready[0], POLLIN, 0};
        if (poll(&wait, 1, 100) > 0) readSome(ready[0], answer);
    }
    if (ready[0] >= 0) close(ready[0]);
    number = std::atoi(answer.c_str());
    name = std::string(":").append(std::to_string(number));
    if (answer.find('\n') == std::string::npos || !isAsAskedFor(options)) {
        stop();
        return false;
    }
    setenv("DISPLAY", name.c_str(), 1);
    return true;
}

bool XvfbServer::isAsAskedFor(const Options& options) const
{
    xcb_connection_t* link = xcb_connect(name.c_str(), nullptr);
    bool same = false;
    if (!xcb_connection_has_error(link)) {
        const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(link)).data;
        same = screen->root_depth == options.depth && screen->width_in_pixels == options.width &&
               screen->height_in_pixels == options.height;
    }
    xcb_disconnect(link);
    return same;
}

void XvfbServer::kill()
{
    if (process <= 0) return;
    ::kill(process, SIGKILL);
    waitpid(process, nullptr, 0);
    process = -1;
    removeLeftovers();
}

void XvfbServer::stop()
{
    if (process <= 0) return;
    ::kill(process, SIGTERM);
    const auto deadline = Clock::now() + std::chrono::seconds(5);
    while (waitpid(process, nullptr, WNOHANG) == 0) {
        if (Clock::now() > deadline) {
            kill();
            return;
        }
        std::this_thread::sleep_for(POLL_STEP);
    }
    process = -1;
}

void XvfbServer::removeLeftovers() const
{
    // A killed server leaves its lock and socket behind.
    if (number < 0) return;
    unlink(("/tmp/.X" + std::to_string(number) + "-lock").c_str());
    unlink(("/tmp/.X11-unix/X" + std::to_string(number)).c_str());
}

// ---- ServerView ------------------------------------------------------------------

ServerView::~ServerView()
{
    if (connection) xcb_disconnect(connection);
}

bool ServerView::connect(const std::string& display)
{
    if (connection) xcb_disconnect(connection);
    connection = xcb_connect(display.c_str(), nullptr);
    if (xcb_connection_has_error(connection)) return false;
    const xcb_setup_t* setup = xcb_get_setup(connection);
    const xcb_screen_t* screen = xcb_setup_roots_iterator(setup).data;
    rootWindow = screen->root;
    for (auto f = xcb_setup_pixmap_formats_iterator(setup); f.rem; xcb_format_next(&f))
        if (f.data->depth == screen->root_depth) pixelBits = f.data->bits_per_pixel;
    return true;
}

xcb_atom_t ServerView::atom(const char* text)
{
    Freed<xcb_intern_atom_reply_t> reply{xcb_intern_atom_reply(
        connection,
        xcb_intern_atom(connection, 0, static_cast<std::uint16_t>(std::strlen(text)), text),
        nullptr)};
    return reply.reply ? reply.reply->atom : XCB_NONE;
}

std::vector<xcb_window_t> ServerView::consoleWindows()
{
    std::vector<xcb_window_t> found;
    Freed<xcb_query_tree_reply_t> tree{
        xcb_query_tree_reply(connection, xcb_query_tree(connection, rootWindow), nullptr)};
    if (!tree.reply) return found;
    const xcb_window_t* children = xcb_query_tree_children(tree.reply);
    for (int i = 0; i < xcb_query_tree_children_length(tree.reply); ++i) {
        const std::string windowClass = property(children[i], "WM_CLASS");
        if (windowClass.compare(0, 4, std::string("vxr\0", 4)) == 0) found.push_back(children[i]);
    }
    return found;
}

bool ServerView::geometry(xcb_window_t window, int& width, int& height)
{
    Freed<xcb_get_geometry_reply_t> reply{
        xcb_get_geometry_reply(connection, xcb_get_geometry(connection, window), nullptr)};
    if (!reply.reply) return false;
    width = reply.reply->width;
    height = reply.reply->height;
    return true;
}

std::vector<std::uint8_t> ServerView::image(xcb_window_t window, int width, int height)
{
    Freed<xcb_get_image_reply_t> reply{xcb_get_image_reply(
        connection,
        xcb_get_image(connection, XCB_IMAGE_FORMAT_Z_PIXMAP, window, 0, 0,
                      static_cast<std::uint16_t>(width), static_cast<std::uint16_t>(height), ~0u),
        nullptr)};
    if (!reply.reply) return {};
    const std::uint8_t* data = xcb_get_image_data(reply.reply);
    return std::vector<std::uint8_t>(data, data + xcb_get_image_data_length(reply.reply));
}

std::string ServerView::property(xcb_window_t window, const char* name)
{
    Freed<xcb_get_property_reply_t> reply{xcb_get_property_reply(
        connection,
        xcb_get_property(connection, 0, window, atom(name), XCB_GET_PROPERTY_TYPE_ANY, 0, 1 << 16),
        nullptr)};
    if (!reply.reply) return {};
    const char* value = static_cast<const char*>(xcb_get_property_value(reply.reply));
    return std::string(value, static_cast<std::size_t>(xcb_get_property_value_length(reply.reply)));
}

std::vector<std::uint32_t> ServerView::cardinals(xcb_window_t window, const char* name)
{
    const std::string bytes = property(window, name);
    std::vector<std::uint32_t> values(bytes.size() / 4);
    if (!values.empty()) std::memcpy(values.data(), bytes.data(), values.size() * 4);
    return values;
}

bool ServerView::overrideRedirect(xcb_window_t window)
{
    Freed<xcb_get_window_attributes_reply_t> reply{xcb_get_window_attributes_reply(
        connection, xcb_get_window_attributes(connection, window), nullptr)};
    return reply.reply && reply.reply->override_redirect;
}

std::vector<std::uint32_t> ServerView::colormapColours(xcb_window_t window)
{
    Freed<xcb_get_window_attributes_reply_t> attributes{xcb_get_window_attributes_reply(
        connection, xcb_get_window_attributes(connection, window), nullptr)};
    if (!attributes.reply) return {};
    std::uint32_t pixels[256];
    for (std::uint32_t i = 0; i < 256; ++i) pixels[i] = i;
    Freed<xcb_query_colors_reply_t> reply{xcb_query_colors_reply(
        connection, xcb_query_colors(connection, attributes.reply->colormap, 256, pixels),
        nullptr)};
    if (!reply.reply) return {};
    std::vector<std::uint32_t> colours;
    const xcb_rgb_t* read = xcb_query_colors_colors(reply.reply);
    for (int i = 0; i < xcb_query_colors_colors_length(reply.reply); ++i)
        colours.push_back(std::uint32_t{read[i].red} >> 8 << 16 |
                          std::uint32_t{read[i].green} >> 8 << 8 |
                          std::uint32_t{read[i].blue} >> 8);
    return colours;
}

xcb_window_t ServerView::focus()
{
    Freed<xcb_get_input_focus_reply_t> reply{
        xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr)};
    return reply.reply ? reply.reply->focus : XCB_NONE;
}

bool ServerView::snapshot(xcb_window_t window, int& width, int& height,
                          std::vector<std::uint8_t>& pixels)
{
    xcb_grab_server(connection);
    const bool sized = geometry(window, width, height);
    if (sized) pixels = image(window, width, height);
    xcb_ungrab_server(connection);
    xcb_flush(connection);
    return sized && !pixels.empty();
}

xcb_window_t ServerView::makeCover(int x, int y, int width, int height)
{
    const xcb_window_t cover = xcb_generate_id(connection);
    const std::uint32_t values[] = {0, 1};  // black, and override-redirect
    xcb_create_window(connection, XCB_COPY_FROM_PARENT, cover, rootWindow,
                      static_cast<std::int16_t>(x), static_cast<std::int16_t>(y),
                      static_cast<std::uint16_t>(width), static_cast<std::uint16_t>(height), 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT,
                      XCB_CW_BACK_PIXEL | XCB_CW_OVERRIDE_REDIRECT, values);
    xcb_flush(connection);
    return cover;
}

void ServerView::showCover(xcb_window_t cover, bool shown)
{
    if (shown) {
        xcb_map_window(connection, cover);
        const std::uint32_t top = XCB_STACK_MODE_ABOVE;
        xcb_configure_window(connection, cover, XCB_CONFIG_WINDOW_STACK_MODE, &top);
    } else {
        xcb_unmap_window(connection, cover);
    }
    xcb_flush(connection);
}

void ServerView::resize(xcb_window_t window, int width, int height)
{
    const std::uint32_t size[] = {static_cast<std::uint32_t>(width),
                                  static_cast<std::uint32_t>(height)};
    xcb_configure_window(connection, window, XCB_CONFIG_WINDOW_WIDTH | XCB_CONFIG_WINDOW_HEIGHT,
                         size);
    xcb_flush(connection);
}

void ServerView::coverAndExpose(xcb_window_t window, int width, int height)
{
    const xcb_gcontext_t white = xcb_generate_id(connection);
    const std::uint32_t foreground = 0xFFFFFFu;
    xcb_create_gc(connection, white, window, XCB_GC_FOREGROUND, &foreground);
    const xcb_rectangle_t whole{0, 0, static_cast<std::uint16_t>(width),
                                static_cast<std::uint16_t>(height)};
    xcb_poly_fill_rectangle(connection, window, white, 1, &whole);
    xcb_free_gc(connection, white);
    xcb_expose_event_t expose{};
    expose.response_type = XCB_EXPOSE;
    expose.window = window;
    expose.width = static_cast<std::uint16_t>(width);
    expose.height = static_cast<std::uint16_t>(height);
    xcb_send_event(connection, 0, window, XCB_EVENT_MASK_EXPOSURE,
                   reinterpret_cast<const char*>(&expose));
    xcb_flush(connection);
}

void ServerView::sendDelete(xcb_window_t window)
{
    xcb_client_message_event_t message{};
    message.response_type = XCB_CLIENT_MESSAGE;
    message.format = 32;
    message.window = window;
    message.type = atom("WM_PROTOCOLS");
    message.data.data32[0] = atom("WM_DELETE_WINDOW");
    message.data.data32[1] = XCB_CURRENT_TIME;
    xcb_send_event(connection, 0, window, XCB_EVENT_MASK_NO_EVENT,
                   reinterpret_cast<const char*>(&message));
    xcb_flush(connection);
}

// ---- ChildProcess ----------------------------------------------------------------

ChildProcess::~ChildProcess()
{
    if (process > 0 && !exited) {
        ::kill(process, SIGKILL);
        waitpid(process, nullptr, 0);
    }
    if (outputPipe >= 0) close(outputPipe);
    if (errorPipe >= 0) close(errorPipe);
}

bool ChildProcess::start(const std::vector<std::string>& arguments, const std::string& directory,
                         const std::string& display)
{
    int out[2], err[2];
    if (pipe(out) != 0 || pipe(err) != 0) return false;
    std::vector<std::string> argumentCopy = arguments;
    std::vector<std::string> environment = environmentWith(display);
    std::vector<char*> argv = pointersTo(argumentCopy);
    std::vector<char*> envp = pointersTo(environment);
    process = fork();
    if (process == 0) {
        dup2(out[1], 1);
        dup2(err[1], 2);
        close(out[0]);
        close(err[0]);
        if (!directory.empty() && chdir(directory.c_str()) != 0) _exit(126);
        execve(argv[0], argv.data(), envp.data());
        _exit(127);
    }
    close(out[1]);
    close(err[1]);
    outputPipe = out[0];
    errorPipe = err[0];
    fcntl(outputPipe, F_SETFL, O_NONBLOCK);
    fcntl(errorPipe, F_SETFL, O_NONBLOCK);
    return process > 0;
}

void ChildProcess::pump(std::chrono::milliseconds wait)
{
    pollfd pipes[2] = {{outputPipe, POLLIN, 0}, {errorPipe, POLLIN, 0}};
    if (poll(pipes, 2, static_cast<int>(wait.count())) <= 0) return;
    while (readSome(outputPipe, standardOutput)) {
    }
    while (readSome(errorPipe, standardError)) {
    }
}

bool ChildProcess::hasExited()
{
    if (!exited && process > 0 && waitpid(process, &status, WNOHANG) == process) exited = true;
    return exited;
}

int ChildProcess::waitForExit(std::chrono::milliseconds limit)
{
    const auto deadline = Clock::now() + limit;
    while (!hasExited()) {
        if (Clock::now() > deadline) {
            ::kill(process, SIGKILL);
            waitpid(process, nullptr, 0);
            exited = true;
            return -1;
        }
        pump(POLL_STEP);
    }
    // What the program wrote before it ended is still in the pipes.
    const auto drained = Clock::now() + std::chrono::seconds(5);
    while ((outputPipe >= 0 || errorPipe >= 0) && Clock::now() < drained) pump(POLL_STEP);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool runXdotool(const std::string& display, const std::vector<std::string>& arguments)
{
    std::vector<std::string> command = {"/usr/bin/xdotool"};
    command.insert(command.end(), arguments.begin(), arguments.end());
    ChildProcess tool;
    if (tool.start(command, "", display) && tool.waitForExit() == 0) return true;
    // What xdotool said is the reason a test gives for its failure.
    std::fprintf(stderr, "xdotool failed: %s\n", tool.errors().c_str());
    return false;
}

// ---- counts ----------------------------------------------------------------------

int openDescriptors()
{
    return countEntries("/proc/self/fd");
}

int runningThreads()
{
    return countEntries("/proc/self/task");
}

int sharedMemorySegments()
{
    // The list is the whole system's: count the segments this process made.
    std::FILE* list = std::fopen("/proc/sysvipc/shm", "r");
    if (!list) return -1;
    char line[512];
    std::fgets(line, sizeof line, list);  // the heading
    int count = 0;
    long key, id, mode, size, creator;
    while (std::fgets(line, sizeof line, list))
        if (std::sscanf(line, "%ld %ld %lo %ld %ld", &key, &id, &mode, &size, &creator) == 5 &&
            creator == getpid())
            ++count;
    std::fclose(list);
    return count;
}

// ---- frames ----------------------------------------------------------------------

int readAllKeys(Console& console)
{
    int count = 0;
    while (console.keyPressed()) {
        if (console.readKey() != 1) return -1;
        ++count;
    }
    return count;
}

bool waitForClose(Window& window)
{
    constexpr int WAIT_MS = 20000;
    Event event;
    while (window.waitEvent(event, WAIT_MS))
        if (event.type == EventType::Close) return true;
    return false;
}

void fillRandom(Surface& frame, unsigned seed)
{
    std::mt19937 random(seed);
    std::uint8_t* pixels = frame.lock(1);
    if (!pixels) return;
    const int lineBytes = frame.width() * frame.format().bytes;
    for (int y = 0; y < frame.height(); ++y)
        for (int x = 0; x < lineBytes; ++x)
            pixels[std::int64_t{y} * frame.pitch() + x] = static_cast<std::uint8_t>(random());
    frame.unlock();
}

void randomPalette(Palette& palette, unsigned seed)
{
    std::mt19937 random(seed);
    std::uint32_t* entries = palette.lock();
    for (int i = 0; i < Palette::SIZE; ++i) entries[i] = random() & 0xFFFFFFu;
    palette.unlock();
}

std::vector<std::uint8_t> expectedWindow(Surface& frame, const PixelFormat& shown, int clientWidth,
                                         int clientHeight, std::uint32_t barPixel)
{
    const std::int64_t frameWidth = frame.width(), frameHeight = frame.height();
    // The largest area of the frame's aspect, centred; width first. At
    // least a pixel each way: a client a pixel high still shows the frame.
    std::int64_t width = clientWidth, height = std::int64_t{clientWidth} * frameHeight / frameWidth;
    if (height > clientHeight) {
        height = clientHeight;
        width = std::int64_t{clientHeight} * frameWidth / frameHeight;
    }
    width = std::max<std::int64_t>(width, 1);
    height = std::max<std::int64_t>(height, 1);
    const std::int64_t left = (clientWidth - width) / 2, top = (clientHeight - height) / 2;
    const Rect area{static_cast<std::int32_t>(left), static_cast<std::int32_t>(top),
                    static_cast<std::int32_t>(left + width), static_cast<std::int32_t>(top + height)};
    return expectedWindowAt(frame, shown, clientWidth, clientHeight, area, barPixel);
}

std::vector<std::uint8_t> expectedWindowAt(Surface& frame, const PixelFormat& shown,
                                           int clientWidth, int clientHeight, const Rect& area,
                                           std::uint32_t barPixel)
{
    const int frameWidth = frame.width(), frameHeight = frame.height();
    // A layout no surface can hold is written by the converters directly,
    // from the frame's pixels; an indexed frame's colours are looked up first.
    const bool direct = !shown.isValid();
    const PixelFormat before =
        frame.format().model == INDEXED ? PixelFormat(ARGB8888) : frame.format();
    Surface converted(&Console::defaultConsole(), frameWidth, frameHeight,
                      direct ? before : shown, MEMORY_SYSTEM, TOP_DOWN, 0, -1);
    if (!converted.isValid() || !frame.copy(&converted, 0)) return {};
    std::vector<std::uint8_t> directPixels;
    if (direct) {
        std::unique_ptr<Converter> converter(selectConverter(before, shown));
        directPixels.resize(std::size_t(frameWidth) * frameHeight * shown.bytes);
        const std::uint8_t* pixels = converted.lock(0);
        const bool done =
            converter && pixels &&
            converter->convertRect(pixels, converted.pitch(), converted.area(),
                                   directPixels.data(), frameWidth * shown.bytes, 0, 0, nullptr);
        converted.unlock();
        if (!done) return {};
    }

    const std::int64_t left = area.left, top = area.top;
    const std::int64_t width = area.width(), height = area.height();
    const int bytes = shown.bytes;
    const std::int64_t stride = (std::int64_t{clientWidth} * bytes + 3) / 4 * 4;
    std::vector<std::uint8_t> window(static_cast<std::size_t>(stride * clientHeight));
    const std::uint8_t* source = direct ? directPixels.data() : converted.lock(1);
    const std::int64_t pitch = direct ? std::int64_t{frameWidth} * bytes : converted.pitch();
    for (int y = 0; y < clientHeight; ++y) {
        for (int x = 0; x < clientWidth; ++x) {
            std::uint8_t* out = &window[static_cast<std::size_t>(y * stride + x * bytes)];
            const bool inside = x >= left && x < left + width && y >= top && y < top + height;
            if (!inside) {
                std::memcpy(out, &barPixel, bytes);
                continue;
            }
            // The source pixel under the centre of the window pixel.
            const int sx = static_cast<int>((x - left + 0.5) * frameWidth / width);
            const int sy = static_cast<int>((y - top + 0.5) * frameHeight / height);
            std::memcpy(out, source + sy * pitch + sx * bytes, bytes);
        }
    }
    if (!direct) converted.unlock();
    return window;
}

int differences(const std::vector<std::uint8_t>& seen, const std::vector<std::uint8_t>& expected,
                int width, int bytesPerPixel, std::string* first)
{
    if (seen.size() != expected.size() || expected.empty()) {
        if (first)
            *first =
                "sizes " + std::to_string(seen.size()) + " and " + std::to_string(expected.size());
        return width;
    }
    const std::size_t stride = (std::size_t(width) * bytesPerPixel + 3) / 4 * 4;
    int count = 0;
    for (std::size_t line = 0; line * stride < seen.size(); ++line) {
        for (int x = 0; x < width; ++x) {
            const std::size_t at = line * stride + std::size_t(x) * bytesPerPixel;
            if (std::memcmp(&seen[at], &expected[at], bytesPerPixel) == 0) continue;
            if (count++ == 0 && first) {
                char place[48];
                std::snprintf(place, sizeof place, "(%d, %zu)", x, line);
                *first = place;
            }
        }
    }
    return count;
}

}  // namespace vxr::test
