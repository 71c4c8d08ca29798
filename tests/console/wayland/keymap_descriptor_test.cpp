// The keymap a compositor sends as a descriptor, as the keyboard listener
// loads it: the compositor cannot be made to send a bad one, so these make
// the descriptors themselves. A refused keymap must leave keys counted and
// reported by their place on the keyboard.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>
#include <xkbcommon/xkbcommon.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "vxr/console/event.h"
#include "vxr/console/key.h"
#include "vxr/console/input/window_input.h"
#include "vxr/console/input/xkb_keyboard.h"

namespace vxr {
namespace {

// The evdev code of the key at the US A, and xkb's number for it.
constexpr std::uint32_t KEY_A_EVDEV = 30;
constexpr std::uint32_t KEY_A_XKB = KEY_A_EVDEV + 8;

int memoryFile(const std::string& contents, std::int64_t size)
{
    const int descriptor = memfd_create("vxr-keymap-test", MFD_CLOEXEC);
    if (descriptor < 0) return -1;
    if (ftruncate(descriptor, size) != 0 ||
        (!contents.empty() && pwrite(descriptor, contents.data(), contents.size(), 0) !=
                                  static_cast<ssize_t>(contents.size()))) {
        close(descriptor);
        return -1;
    }
    return descriptor;
}

// A real keymap's text, as a compositor sends it: the terminator included.
std::string usKeymap()
{
    xkb_context* context = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
    const xkb_rule_names names = {"evdev", "pc105", "us", "", ""};
    xkb_keymap* keymap = xkb_keymap_new_from_names(context, &names, XKB_KEYMAP_COMPILE_NO_FLAGS);
    std::string text;
    if (char* written = keymap ? xkb_keymap_get_as_string(keymap, XKB_KEYMAP_FORMAT_TEXT_V1) : nullptr) {
        text.assign(written, std::strlen(written) + 1);
        std::free(written);
    }
    if (keymap) xkb_keymap_unref(keymap);
    xkb_context_unref(context);
    return text;
}

bool isClosed(int descriptor) { return fcntl(descriptor, F_GETFD) == -1 && errno == EBADF; }

// Presses and releases the key at the US A, and reads back what it made.
struct Pressed {
    Event down;
    std::string text;
    int keys = 0;
};

Pressed pressA(XkbKeyboard& keyboard)
{
    WindowInput input;
    input.windowOpened();
    keyboard.key(input, KEY_A_XKB, true, false, true);
    keyboard.key(input, KEY_A_XKB, false, false, true);
    Pressed pressed;
    for (Event event; input.poll(event);) {
        if (event.type == EventType::KeyDown) pressed.down = event;
        if (event.type == EventType::Text) pressed.text += event.text;
    }
    while (input.hasKeys() && input.readKey() == 1) ++pressed.keys;
    return pressed;
}

void expectCountedByPlaceAlone(XkbKeyboard& keyboard)
{
    EXPECT_FALSE(keyboard.hasKeymap());
    const Pressed pressed = pressA(keyboard);
    EXPECT_EQ(pressed.keys, 1);
    EXPECT_EQ(pressed.down.key, Key::A);
    EXPECT_EQ(pressed.down.symbol, 0u);
    EXPECT_EQ(pressed.text, "");
}

TEST(WaylandKeymap, ASentKeymapIsLoadedAndItsDescriptorClosed)
{
    const std::string text = usKeymap();
    ASSERT_FALSE(text.empty());
    XkbKeyboard keyboard;
    const int descriptor = memoryFile(text, static_cast<std::int64_t>(text.size()));
    ASSERT_GE(descriptor, 0);
    EXPECT_TRUE(keyboard.loadKeymapFile(descriptor, static_cast<std::uint32_t>(text.size())));
    EXPECT_TRUE(isClosed(descriptor));
    const Pressed pressed = pressA(keyboard);
    EXPECT_EQ(pressed.keys, 1);
    EXPECT_EQ(pressed.down.key, Key::A);
    EXPECT_EQ(pressed.down.symbol, U'a');
    EXPECT_EQ(pressed.text, "a");
}

TEST(WaylandKeymap, BadKeymapsAreRefusedAndKeysStillCount)
{
    const std::string text = usKeymap();
    ASSERT_FALSE(text.empty());
    struct BadCase {
        const char* what;
        std::string contents;
        std::int64_t fileSize;
        std::uint32_t statedSize;
    };
    const std::uint32_t huge = XkbKeyboard::MAX_KEYMAP_BYTES + 4096;
    const BadCase cases[] = {
        {"empty", "", 0, 0},
        {"stated as empty", text, static_cast<std::int64_t>(text.size()), 0},
        {"all zero bytes", "", 4096, 4096},
        {"larger than any keymap", text, huge, huge},
        {"not a keymap", std::string("xkb_keymap { this is not one }") + '\0', 31, 31},
        {"shorter than stated", text.substr(0, 100), 100, static_cast<std::uint32_t>(text.size())},
        // Reading past a file's end faults: its size must be checked
        // before its text is read.
        {"a page shorter than stated, unterminated", std::string(4096, ' '), 4096, 3 * 4096},
    };
    for (const BadCase& bad : cases) {
        SCOPED_TRACE(bad.what);
        XkbKeyboard keyboard;
        // A good keymap first: a refused one must not leave it in place.
        const int good = memoryFile(text, static_cast<std::int64_t>(text.size()));
        ASSERT_TRUE(keyboard.loadKeymapFile(good, static_cast<std::uint32_t>(text.size())));
        const int descriptor = memoryFile(bad.contents, bad.fileSize);
        ASSERT_GE(descriptor, 0);
        EXPECT_FALSE(keyboard.loadKeymapFile(descriptor, bad.statedSize));
        EXPECT_TRUE(isClosed(descriptor));
        expectCountedByPlaceAlone(keyboard);
    }
}

TEST(WaylandKeymap, DescriptorsThatCannotBeMappedAreRefused)
{
    XkbKeyboard keyboard;
    // A pipe has nothing to map.
    int ends[2];
    ASSERT_EQ(pipe(ends), 0);
    ASSERT_EQ(write(ends[1], "xkb_keymap {", 12), 12);
    EXPECT_FALSE(keyboard.loadKeymapFile(ends[0], 12));
    EXPECT_TRUE(isClosed(ends[0]));
    close(ends[1]);
    // Nor has a file opened for writing alone.
    const std::string path = "/tmp/vxr-keymap-write-only-" + std::to_string(getpid());
    const int writeOnly = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    ASSERT_GE(writeOnly, 0);
    unlink(path.c_str());
    ASSERT_EQ(ftruncate(writeOnly, 4096), 0);
    EXPECT_FALSE(keyboard.loadKeymapFile(writeOnly, 4096));
    EXPECT_TRUE(isClosed(writeOnly));
    // A descriptor that is no descriptor.
    EXPECT_FALSE(keyboard.loadKeymapFile(-1, 4096));
    expectCountedByPlaceAlone(keyboard);
}

}  // namespace
}  // namespace vxr
