#include "compositor.h"

#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <wayland-client.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "console/x11/x11_test_support.h"
#include "kwin_screenshot.h"

namespace vxr::test {
namespace {

// sway refuses to run as root; this user is made for the tests.
constexpr char TEST_USER[] = "vxrtest";
constexpr char WESTON_SOCKET[] = "vxr-test";
// The socket of the weston that nested sway runs in.
constexpr char HOST_SOCKET[] = "vxr-host";

bool run(const std::string& command) { return std::system(command.c_str()) == 0; }

bool haveTestUser()
{
    return run(std::string("id -u ") + TEST_USER + " >/dev/null 2>&1 || useradd -m " + TEST_USER);
}

// user: run as that user (empty: as the test), so that the pid is the
// compositor's own and a kill reaches it.
pid_t spawn(const std::vector<std::string>& arguments, const std::string& log,
            const std::string& user = "")
{
    const passwd* account = user.empty() ? nullptr : getpwnam(user.c_str());
    if (!user.empty() && !account) return -1;
    const pid_t child = fork();
    if (child != 0) return child;
    if (account) {
        setenv("HOME", account->pw_dir, 1);
        if (initgroups(account->pw_name, account->pw_gid) != 0 || setgid(account->pw_gid) != 0 ||
            setuid(account->pw_uid) != 0)
            _exit(126);
    }
    const int output = open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (output >= 0) {
        dup2(output, STDOUT_FILENO);
        dup2(output, STDERR_FILENO);
    }
    std::vector<char*> argv;
    for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    execvp(argv[0], argv.data());
    _exit(127);
}

// wlroots' virtual pointer protocol, as far as the tests use it: the
// manager's request that makes a pointer, and the pointer's requests, of
// which the tests send the wheel's.
extern const wl_interface VIRTUAL_POINTER;
const wl_interface* CREATE_POINTER_TYPES[] = {&wl_seat_interface, &VIRTUAL_POINTER};
const wl_interface* NO_TYPES[] = {nullptr, nullptr, nullptr, nullptr, nullptr};
const wl_message MANAGER_REQUESTS[] = {{"create_virtual_pointer", "?on", CREATE_POINTER_TYPES}};
const wl_message POINTER_REQUESTS[] = {
    {"motion", "uff", NO_TYPES},        {"motion_absolute", "uuuuu", NO_TYPES},
    {"button", "uuu", NO_TYPES},        {"axis", "uuf", NO_TYPES},
    {"frame", "", NO_TYPES},            {"axis_source", "u", NO_TYPES},
    {"axis_stop", "uu", NO_TYPES},      {"axis_discrete", "uufi", NO_TYPES},
    {"destroy", "", NO_TYPES}};
const wl_interface VIRTUAL_POINTER = {"zwlr_virtual_pointer_v1", 1, 9, POINTER_REQUESTS, 0,
                                      nullptr};
const wl_interface VIRTUAL_POINTER_MANAGER = {"zwlr_virtual_pointer_manager_v1", 1, 1,
                                              MANAGER_REQUESTS, 0, nullptr};
constexpr std::uint32_t CREATE_VIRTUAL_POINTER = 0;
constexpr std::uint32_t POINTER_MOTION = 0;
constexpr std::uint32_t POINTER_MOTION_ABSOLUTE = 1;
constexpr std::uint32_t POINTER_BUTTON = 2;
constexpr std::uint32_t POINTER_AXIS = 3;
constexpr std::uint32_t POINTER_FRAME = 4;
constexpr std::uint32_t POINTER_AXIS_SOURCE = 5;
constexpr std::uint32_t POINTER_AXIS_DISCRETE = 7;

void globalAnnounced(void* data, wl_registry* registry, std::uint32_t name, const char* interface,
                     std::uint32_t)
{
    auto* manager = static_cast<wl_proxy**>(data);
    if (!*manager && std::strcmp(interface, VIRTUAL_POINTER_MANAGER.name) == 0)
        *manager = static_cast<wl_proxy*>(
            wl_registry_bind(registry, name, &VIRTUAL_POINTER_MANAGER, 1));
}

void globalWithdrawn(void*, wl_registry*, std::uint32_t) {}

const wl_registry_listener HOLDER_REGISTRY_LISTENER = {globalAnnounced, globalWithdrawn};

void outputGeometry(void*, wl_output*, std::int32_t, std::int32_t, std::int32_t, std::int32_t,
                    std::int32_t, const char*, const char*, std::int32_t)
{
}

void outputMode(void* data, wl_output*, std::uint32_t flags, std::int32_t, std::int32_t,
                std::int32_t refresh)
{
    if (flags & WL_OUTPUT_MODE_CURRENT) *static_cast<int*>(data) = refresh;
}

void outputEnd(void*, wl_output*) {}
void outputScale(void*, wl_output*, std::int32_t) {}
void outputText(void*, wl_output*, const char*) {}

const wl_output_listener REFRESH_LISTENER = {outputGeometry, outputMode, outputEnd,
                                             outputScale,    outputText, outputText};

void outputAnnounced(void* data, wl_registry* registry, std::uint32_t name, const char* interface,
                     std::uint32_t)
{
    auto* output = static_cast<wl_output**>(data);
    if (!*output && std::strcmp(interface, wl_output_interface.name) == 0)
        *output = static_cast<wl_output*>(wl_registry_bind(registry, name, &wl_output_interface, 1));
}

const wl_registry_listener OUTPUT_REGISTRY_LISTENER = {outputAnnounced, globalWithdrawn};

// The first output's refresh, in mHz, as the compositor on socket tells a
// client of its own (the test's XDG_RUNTIME_DIR is the compositor's).
int refreshOn(const std::string& socket)
{
    wl_display* asking = wl_display_connect(socket.c_str());
    if (!asking) return 0;
    wl_registry* registry = wl_display_get_registry(asking);
    wl_output* output = nullptr;
    int refresh = 0;
    wl_registry_add_listener(registry, &OUTPUT_REGISTRY_LISTENER, &output);
    if (wl_display_roundtrip(asking) >= 0 && output) {
        wl_output_add_listener(output, &REFRESH_LISTENER, &refresh);
        wl_display_roundtrip(asking);
        wl_output_destroy(output);
    }
    wl_registry_destroy(registry);
    wl_display_disconnect(asking);
    return refresh;
}

// The number after "key": in text, from position on.
int jsonNumber(const std::string& text, std::size_t from, const char* key)
{
    const std::size_t at = text.find(std::string("\"") + key + "\":", from);
    return at == std::string::npos ? 0 : std::atoi(text.c_str() + at + std::strlen(key) + 3);
}

std::uint32_t rgbAt(const Screenshot& shot, int x, int y)
{
    const std::uint8_t* p = &shot.rgb[(static_cast<std::size_t>(y) * shot.width + x) * 3];
    return std::uint32_t{p[0]} << 16 | std::uint32_t{p[1]} << 8 | p[2];
}

}  // namespace

Compositor::~Compositor()
{
    kill();
    // A process of kwin's session that was still ending may have written
    // into the folder while it went.
    std::error_code failed;
    if (!folder.empty())
        eventually([this, &failed] {
            std::filesystem::remove_all(folder, failed);
            return !failed;
        });
    unsetenv("WAYLAND_DISPLAY");
}

bool Compositor::start(Kind which, int width, int height, double scale)
{
    kind = which;
    char pattern[] = "/tmp/vxr-wayland-XXXXXX";
    if (!mkdtemp(pattern)) return false;
    folder = pattern;
    chmod(folder.c_str(), 0700);
    const std::string log = folder + "/compositor.log";
    const std::string size = std::to_string(width) + "x" + std::to_string(height);
    outputSize = size;
    if (kind == Kind::KWIN) {
        if (!startKwin(width, height, scale, log)) return false;
    } else if (kind == Kind::WESTON || kind == Kind::WESTON_IN_X11) {
        const char* backend =
            kind == Kind::WESTON ? "--backend=headless-backend.so" : "--backend=x11-backend.so";
        // The pointer's weston runs without the shell's panel: the panel
        // comes up at its own pace, and a window placed before it is there
        // lies partly under it, the top of its title bar, close button
        // included, out of the pointer's reach.
        const bool panel = kind == Kind::WESTON;
        std::ofstream(folder + "/weston.ini") << "[shell]\npanel-position="
                                               << (panel ? "top" : "none") << "\n";
        process = spawn({"env", "XDG_RUNTIME_DIR=" + folder, "weston", backend,
                         "--config=" + folder + "/weston.ini", "--use-pixman",
                         "--socket=" + std::string(WESTON_SOCKET),
                         "--width=" + std::to_string(width), "--height=" + std::to_string(height),
                         "--debug", "--idle-time=0"},
                        log);
    } else if (kind == Kind::SWAY_IN_WESTON) {
        if (!startHostWeston(width, height)) return false;
        if (!startSway(std::string("WLR_BACKENDS=wayland WAYLAND_DISPLAY=") + HOST_SOCKET, log,
                       scale))
            return false;
    } else if (!startSway("WLR_BACKENDS=headless", log, scale)) {
        return false;
    }
    if (process <= 0 || !waitForSocket()) return false;
    setenv("XDG_RUNTIME_DIR", folder.c_str(), 1);
    setenv("WAYLAND_DISPLAY", socketName.c_str(), 1);
    return true;
}

bool Compositor::startSway(const std::string& backendEnvironment, const std::string& log,
                           double scale)
{
    if (!haveTestUser()) return false;
    std::ofstream(folder + "/config")
        << "output " << outputName() << " resolution " << outputSize << " scale " << scale << "\n"
        << "default_border none\ndefault_floating_border none\nxwayland disable\n"
        << "input type:keyboard repeat_delay 300\ninput type:keyboard repeat_rate 20\n";
    if (!run("chown -R " + std::string(TEST_USER) + " " + folder)) return false;
    std::vector<std::string> arguments = {"env", "XDG_RUNTIME_DIR=" + folder};
    std::istringstream words(backendEnvironment);
    for (std::string word; words >> word;) arguments.push_back(word);
    for (const char* rest : {"WLR_LIBINPUT_NO_DEVICES=1", "WLR_RENDERER=pixman", "sway", "-c"})
        arguments.push_back(rest);
    arguments.push_back(folder + "/config");
    process = spawn(arguments, log, TEST_USER);
    return process > 0;
}

bool Compositor::startHostWeston(int width, int height)
{
    // As sway's user, whose sway must reach its socket; without the panel,
    // which would lie over the top of sway's window.
    if (!haveTestUser()) return false;
    std::ofstream(folder + "/weston.ini") << "[shell]\npanel-position=none\n";
    if (!run("chown -R " + std::string(TEST_USER) + " " + folder)) return false;
    hostProcess = spawn({"env", "XDG_RUNTIME_DIR=" + folder, "weston",
                         "--backend=headless-backend.so", "--config=" + folder + "/weston.ini",
                         "--use-pixman", "--socket=" + std::string(HOST_SOCKET),
                         "--width=" + std::to_string(width), "--height=" + std::to_string(height),
                         "--idle-time=0"},
                        folder + "/weston.log", TEST_USER);
    namespace fs = std::filesystem;
    return hostProcess > 0 && eventually([this] {
               return fs::is_socket(folder + "/" + HOST_SOCKET) &&
                      fs::exists(folder + "/" + HOST_SOCKET + ".lock");
           });
}

const char* Compositor::outputName() const
{
    // wlroots names outputs after its backend.
    return kind == Kind::SWAY_IN_WESTON ? "WL-1" : "HEADLESS-1";
}

bool Compositor::startKwin(int width, int height, double scale, const std::string& log)
{
    // Debian's kwin_wayland carries a file capability (cap_sys_resource)
    // that a container without it may not execute; a copy carries none. It
    // keeps its name, by which kwin's own Qt platform plugin knows it.
    namespace fs = std::filesystem;
    std::error_code failed;
    fs::create_directory(folder + "/bin", failed);
    fs::copy_file("/usr/bin/kwin_wayland", folder + "/bin/kwin_wayland", failed);
    if (failed) return false;
    std::ostringstream command;
    command << "echo \"$DBUS_SESSION_BUS_ADDRESS\" > " << folder << "/bus && exec " << folder
            << "/bin/kwin_wayland --virtual --width " << width << " --height " << height
            << " --scale " << scale << " --socket vxr-kwin";
    // Its own process group, so that kill() ends the session's bus with it.
    // Its settings stay in the folder: kwin writes what a scale change
    // leaves behind (Xwayland's scale) into them.
    process = spawn({"setsid", "env", "XDG_RUNTIME_DIR=" + folder,
                     "XDG_CONFIG_HOME=" + folder + "/settings", "KWIN_COMPOSE=O2",
                     "LIBGL_ALWAYS_SOFTWARE=1", "KWIN_SCREENSHOT_NO_PERMISSION_CHECKS=1",
                     "dbus-run-session", "--", "sh", "-c", command.str()},
                    log);
    return process > 0;
}

bool Compositor::waitForSocket()
{
    namespace fs = std::filesystem;
    return eventually([this] {
        bool ipcReady = !isSway();
        for (const auto& entry : fs::directory_iterator(folder)) {
            const std::string name = entry.path().filename().string();
            if (entry.is_socket() && name.rfind("sway-ipc", 0) == 0) ipcReady = true;
            if (entry.is_socket() && name.find(".lock") == std::string::npos &&
                name.rfind("sway-ipc", 0) != 0 && name != HOST_SOCKET)
                socketName = name;
        }
        return ipcReady && !socketName.empty();
    });
}

void Compositor::kill()
{
    if (pointerHolder) {
        for (wl_proxy*& object : holderObjects) {
            if (object) wl_proxy_destroy(object);
            object = nullptr;
        }
        wl_display_disconnect(pointerHolder);
        pointerHolder = nullptr;
    }
    if (keyboardHolder > 0) {
        ::kill(keyboardHolder, SIGKILL);
        waitpid(keyboardHolder, nullptr, 0);
        keyboardHolder = -1;
    }
    // env executes the compositor in its own place: the pid is the
    // compositor's, or kwin's session's, whose group holds kwin and its bus.
    // A nested sway goes before the weston it runs in.
    if (process > 0) {
        ::kill(kind == Kind::KWIN ? -process : process, SIGKILL);
        waitpid(process, nullptr, 0);
        // The group's others (kwin, the bus, what the bus started) are not
        // this process's children: they are gone once the group is.
        if (kind == Kind::KWIN) eventually([this] { return ::kill(-process, 0) != 0; });
    }
    process = -1;
    if (hostProcess > 0) {
        ::kill(hostProcess, SIGKILL);
        waitpid(hostProcess, nullptr, 0);
    }
    hostProcess = -1;
}

std::string Compositor::asUser(const std::string& text) const
{
    return "runuser -u " + std::string(TEST_USER) + " -- env XDG_RUNTIME_DIR=" + folder +
           " WAYLAND_DISPLAY=" + socketName + " SWAYSOCK=$(ls " + folder +
           "/sway-ipc.*.sock | head -n 1) " + text;
}

bool Compositor::screenshotWithPointer(Screenshot& shot)
{
    const std::string ppm = folder + "/shot.ppm";
    std::remove(ppm.c_str());
    return isSway() && run(asUser("grim -c -t ppm " + ppm)) && readScreenshot(ppm, shot);
}

bool Compositor::screenshot(Screenshot& shot)
{
    const std::string ppm = folder + "/shot.ppm";
    std::remove(ppm.c_str());
    if (isSway()) return run(asUser("grim -t ppm " + ppm)) && readScreenshot(ppm, shot);
    if (kind == Kind::KWIN) {
        std::ifstream in(folder + "/bus");
        std::string bus;
        return std::getline(in, bus) && kwinScreenshot(bus, shot);
    }
    // Read from the X screen, where weston's window lies at the origin:
    // weston's own screenshots would lose the colour of pixels whose
    // padding byte is 0.
    if (kind == Kind::WESTON_IN_X11)
        return run("import -window root -crop " + outputSize + "+0+0 +repage -depth 8 " + ppm +
                   " 2>/dev/null") &&
               readScreenshot(ppm, shot);
    // weston's screenshooter writes a PNG named after the time into its folder.
    const std::string shots = folder + "/shots";
    std::filesystem::remove_all(shots);
    std::filesystem::create_directory(shots);
    return run("cd " + shots + " && XDG_RUNTIME_DIR=" + folder + " WAYLAND_DISPLAY=" +
               socketName + " weston-screenshooter >/dev/null 2>&1 && convert " + shots +
               "/*.png -alpha off " + ppm) &&
           readScreenshot(ppm, shot);
}

int Compositor::outputRefresh() const { return refreshOn(socketName); }

int Compositor::hostOutputRefresh() const
{
    return kind == Kind::SWAY_IN_WESTON ? refreshOn(HOST_SOCKET) : 0;
}

double Compositor::cpuSeconds() const
{
    std::ifstream in("/proc/" + std::to_string(process) + "/stat");
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    // The command name may hold spaces; the fields after it do not.
    const std::size_t end = text.rfind(')');
    if (process <= 0 || end == std::string::npos) return -1;
    std::istringstream fields(text.substr(end + 2));
    std::string field;
    // After the name: state is field 3, user time 14 and system time 15.
    long long user = -1, system = -1;
    for (int index = 3; fields >> field && index <= 15; ++index) {
        if (index == 14) user = std::atoll(field.c_str());
        if (index == 15) system = std::atoll(field.c_str());
    }
    if (user < 0 || system < 0) return -1;
    return static_cast<double>(user + system) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

bool Compositor::readScreenshot(const std::string& path, Screenshot& shot)
{
    std::ifstream in(path, std::ios::binary);
    std::string magic;
    int maximum = 0;
    in >> magic >> shot.width >> shot.height >> maximum;
    in.get();
    if (magic != "P6" || maximum != 255 || shot.width <= 0 || shot.height <= 0) return false;
    shot.rgb.resize(static_cast<std::size_t>(shot.width) * shot.height * 3);
    in.read(reinterpret_cast<char*>(shot.rgb.data()), static_cast<std::streamsize>(shot.rgb.size()));
    return static_cast<bool>(in);
}

bool Compositor::type(const std::string& text)
{
    return isSway() && run(asUser("wtype '" + text + "'"));
}

bool Compositor::holdKeyboard()
{
    // It sleeps before its one key and would outlive the compositor by
    // minutes: kill() ends it.
    if (!isSway() || keyboardHolder > 0) return false;
    keyboardHolder = spawn({"env", "XDG_RUNTIME_DIR=" + folder, "WAYLAND_DISPLAY=" + socketName,
                            "wtype", "-s", "600000", "z"},
                           folder + "/keyboard.log", TEST_USER);
    return keyboardHolder > 0;
}

bool Compositor::typeWith(const std::string& arguments)
{
    return isSway() && run(asUser("wtype " + arguments));
}

bool Compositor::holdPointer()
{
    if (pointerHolder) return true;
    if (!isSway()) return false;
    pointerHolder = wl_display_connect(socketName.c_str());
    if (!pointerHolder) return false;
    auto* registry = wl_display_get_registry(pointerHolder);
    holderObjects[0] = reinterpret_cast<wl_proxy*>(registry);
    wl_registry_add_listener(registry, &HOLDER_REGISTRY_LISTENER, &holderObjects[1]);
    if (wl_display_roundtrip(pointerHolder) < 0 || !holderObjects[1]) return false;
    // A null seat: the compositor's default one.
    holderObjects[2] = wl_proxy_marshal_constructor(holderObjects[1], CREATE_VIRTUAL_POINTER,
                                                    &VIRTUAL_POINTER, nullptr, nullptr);
    return holderObjects[2] && wl_display_roundtrip(pointerHolder) >= 0;
}

bool Compositor::placePointer(int x, int y, int width, int height)
{
    wl_proxy* device = holderObjects[2];
    if (!device) return false;
    wl_proxy_marshal(device, POINTER_MOTION_ABSOLUTE, 0u, static_cast<std::uint32_t>(x),
                     static_cast<std::uint32_t>(y), static_cast<std::uint32_t>(width),
                     static_cast<std::uint32_t>(height));
    wl_proxy_marshal(device, POINTER_FRAME);
    return wl_display_roundtrip(pointerHolder) >= 0;
}

bool Compositor::nudgePointer(double dx, double dy)
{
    wl_proxy* device = holderObjects[2];
    if (!device) return false;
    wl_proxy_marshal(device, POINTER_MOTION, 0u, wl_fixed_from_double(dx), wl_fixed_from_double(dy));
    wl_proxy_marshal(device, POINTER_FRAME);
    return wl_display_flush(pointerHolder) >= 0;
}

bool Compositor::click(int code, bool pressed)
{
    wl_proxy* device = holderObjects[2];
    if (!device) return false;
    // One device for the press and the release: sway now and then drops a
    // release that comes from another device than the press.
    wl_proxy_marshal(device, POINTER_BUTTON, 0u, static_cast<std::uint32_t>(code),
                     pressed ? 1u : 0u);
    wl_proxy_marshal(device, POINTER_FRAME);
    return wl_display_roundtrip(pointerHolder) >= 0;
}

bool Compositor::scroll(int axis, double value, int notches)
{
    wl_proxy* device = holderObjects[2];
    if (!device) return false;
    // The example program's axis commands end with an axis stop, which this
    // sway takes as scrolling nothing.
    wl_proxy_marshal(device, POINTER_AXIS_SOURCE, WL_POINTER_AXIS_SOURCE_WHEEL);
    if (notches != 0)
        wl_proxy_marshal(device, POINTER_AXIS_DISCRETE, 0u, static_cast<std::uint32_t>(axis),
                         wl_fixed_from_double(value), notches);
    else
        wl_proxy_marshal(device, POINTER_AXIS, 0u, static_cast<std::uint32_t>(axis),
                         wl_fixed_from_double(value));
    wl_proxy_marshal(device, POINTER_FRAME);
    return wl_display_roundtrip(pointerHolder) >= 0;
}

bool Compositor::pointer(const std::string& arguments)
{
    return isSway() && run(asUser("/usr/lib/wlroots/virtual-pointer " + arguments));
}

bool Compositor::windowPlace(const std::string& title, int& left, int& top, int& width,
                             int& height)
{
    std::string tree;
    if (!command("-t get_tree", &tree)) return false;
    const std::size_t window = title.empty()
                                   ? tree.find("\"app_id\": \"vxr\"")
                                   : tree.find("\"name\": \"" + title + "\"");
    // A node's rectangle comes before its name and application id.
    const std::size_t rect = window == std::string::npos ? window : tree.rfind("\"rect\":", window);
    if (rect == std::string::npos) return false;
    left = jsonNumber(tree, rect, "x");
    top = jsonNumber(tree, rect, "y");
    width = jsonNumber(tree, rect, "width");
    height = jsonNumber(tree, rect, "height");
    return width > 0 && height > 0;
}

bool Compositor::scaleOutput(double scale)
{
    std::ostringstream figure;
    figure << scale;
    if (isSway()) return command(std::string("output ") + outputName() + " scale " + figure.str());
    if (kind != Kind::KWIN) return false;
    std::ifstream in(folder + "/bus");
    std::string bus;
    // KScreen speaks to kwin through its output management protocol, from
    // a Qt program that must itself run on Wayland; kwin's virtual output
    // is Virtual-0.
    return std::getline(in, bus) &&
           run("env XDG_RUNTIME_DIR=" + folder + " XDG_CONFIG_HOME=" + folder + "/settings" +
               " WAYLAND_DISPLAY=" + socketName +
               " DBUS_SESSION_BUS_ADDRESS='" + bus +
               "' QT_QPA_PLATFORM=wayland kscreen-doctor output.Virtual-0.scale." + figure.str() +
               " >" + folder + "/kscreen.log 2>&1");
}

bool Compositor::command(const std::string& text, std::string* output)
{
    if (!isSway()) return false;
    const std::string file = folder + "/command.out";
    const bool done = run(asUser("swaymsg " + text) + " > " + file);
    if (output) {
        std::ifstream in(file);
        output->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    return done;
}

bool findWindow(const Screenshot& shot, const std::vector<std::uint32_t>& expected, int width,
                int height, int& left, int& top)
{
    for (int y = 0; y + height <= shot.height; ++y)
        for (int x = 0; x + width <= shot.width; ++x)
            if (rgbAt(shot, x, y) == (expected[0] & 0xFFFFFF) &&
                differingPixels(shot, expected, width, height, x, y) == 0) {
                left = x;
                top = y;
                return true;
            }
    return false;
}

namespace {

bool isSteady(const std::vector<std::uint32_t>& expected, int width, int height, int x, int y)
{
    const std::uint32_t colour = expected[std::size_t(y) * width + x] & 0xFFFFFF;
    for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx) {
            const int nx = x + dx, ny = y + dy;
            if (nx < 0 || ny < 0 || nx >= width || ny >= height) return false;
            if ((expected[std::size_t(ny) * width + nx] & 0xFFFFFF) != colour) return false;
        }
    return true;
}

}  // namespace

int differingPixels(const Screenshot& shot, const std::vector<std::uint32_t>& expected, int width,
                    int height, int left, int top, bool steadyOnly, int* compared)
{
    if (compared) *compared = 0;
    if (left < 0 || top < 0 || left + width > shot.width || top + height > shot.height ||
        expected.size() != static_cast<std::size_t>(width) * height)
        return width * height;
    int count = 0;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            if (steadyOnly && !isSteady(expected, width, height, x, y)) continue;
            if (compared) ++*compared;
            if (rgbAt(shot, left + x, top + y) != (expected[std::size_t(y) * width + x] & 0xFFFFFF))
                ++count;
        }
    return count;
}

}  // namespace vxr::test
