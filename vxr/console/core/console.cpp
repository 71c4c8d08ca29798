#include "vxr/console/console.h"

#include <chrono>
#include <cstring>
#include <new>

#include "vxr/console/core/platform_consoles.h"
#include "vxr/console/input/window_input.h"
#include "vxr/format/immortal.h"
#include "vxr/surface/memory_store.h"
#include "vxr/surface/surface.h"


namespace vxr {

Console::Console()
{
    sentinel.next = &sentinel;
    sentinel.previous = &sentinel;
}

Console::~Console() { releaseSurfaces(); }

void Console::releaseSurfaces()
{
    // Empty every surface first, so none keeps memory this console made,
    // then unlink them; the application still owns and destroys them.
    for (Node* node = sentinel.next; node->surface; node = node->next)
        node->surface->releaseStorage();
    while (sentinel.next != &sentinel) {
        Node* first = sentinel.next;
        Surface* surface = first->surface;
        surface->detachConsole();
        // A surface listed twice, or already linked elsewhere, does not come
        // back through our detach: unlink its node here.
        if (sentinel.next == first) {
            first->next->previous = &sentinel;
            sentinel.next = first->next;
            delete first;
        }
    }
    sentinel.next = sentinel.previous = &sentinel;
}

int Console::modes(std::vector<ConsoleMode>& list)
{
    list.clear();
    return 0;
}

int Console::openFormat(int, int, const PixelFormat&, int, int, int) { return 0; }

int Console::open(int, int, int, int, int, int) { return 0; }

int Console::openMode(const ConsoleMode&) { return 0; }

ConsoleMode Console::mode() { return {}; }

int Console::setPalette(const Palette&) { return 0; }

int Console::getPalette(Palette&) { return 0; }

int Console::reserved13(int* first, int* second)
{
    if (first) *first = 0;
    if (second) *second = 0;
    return 0;
}

int Console::readKey() { return terminalReadKey(); }

int Console::keyPressed() { return terminalKeyPressed(); }

int Console::setTitle(const char*) { return 0; }

int Console::title(char*) { return 0; }

int Console::name(char* out) { return writeName(out, ""); }

int Console::writeName(char* out, const char* text)
{
    if (!out || !text) return 0;
    const std::size_t length = strnlen(text, NAME_CAPACITY - 1);
    std::memcpy(out, text, length);
    out[length] = '\0';
    return static_cast<int>(length) + 1;
}

SurfaceStore* Console::createStore(int* width, int* height, const PixelFormat* format,
                                   int* memoryKind, int* orientation, int* linePadding,
                                   int* variant)
{
    if (!width || !height || !format || !memoryKind || !orientation || !linePadding || !variant)
        return nullptr;
    auto* store = new (std::nothrow)
        MemoryStore(*width, *height, *format, *memoryKind, *orientation, *linePadding, *variant);
    if (store && store->isValid()) return store;
    delete store;
    return nullptr;
}

int Console::attach(Surface* surface)
{
    if (!surface) return 0;
    auto* node = new (std::nothrow) Node;
    if (!node) return 0;
    node->surface = surface;
    node->next = &sentinel;
    node->previous = sentinel.previous;
    sentinel.previous->next = node;
    sentinel.previous = node;
    return 1;
}

int Console::detach(Surface* surface)
{
    for (Node* node = sentinel.next; node->surface; node = node->next) {
        if (node->surface != surface) continue;
        node->previous->next = node->next;
        node->next->previous = node->previous;
        delete node;
        return 1;
    }
    return 0;
}

void Console::surfaceLeaving(Surface*) {}

void Console::endIfAsked()
{
    if (WindowInput* input = windowInput()) input->endIfAsked();
}

int Console::pollEvent(Event* out)
{
    WindowInput* input = windowInput();
    return input && out && input->poll(*out) ? 1 : 0;
}

int Console::waitEvent(Event* out, int timeoutMilliseconds)
{
    WindowInput* input = windowInput();
    return input && out && input->wait(*out, std::chrono::milliseconds(timeoutMilliseconds)) ? 1
                                                                                            : 0;
}

int Console::closeAsEvent(int wanted)
{
    WindowInput* input = windowInput();
    if (!input) return 0;
    input->setCloseAsEvent(wanted != 0);
    return 1;
}

int Console::keyDown(Key key)
{
    WindowInput* input = windowInput();
    return input && input->isKeyDown(key) ? 1 : 0;
}

int Console::mouseState(MouseState* out)
{
    WindowInput* input = windowInput();
    if (!input || !out) return 0;
    *out = input->mouse();
    return 1;
}

std::uint64_t Console::droppedEvents()
{
    WindowInput* input = windowInput();
    return input ? input->droppedEvents() : 0;
}

std::vector<Surface*> Console::attachedSurfaces() const
{
    std::vector<Surface*> list;
    for (const Node* node = sentinel.next; node->surface; node = node->next)
        list.push_back(node->surface);
    return list;
}

Console& Console::defaultConsole()
{
    static Immortal<Console> instance;
    return instance.get();
}

}  // namespace vxr
