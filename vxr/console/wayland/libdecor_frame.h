#pragma once

#include <cstdint>

struct libdecor;
struct libdecor_configuration;
struct libdecor_frame;
struct wl_display;
struct wl_surface;

namespace vxr {

class LibdecorLibrary;

// A window frame that libdecor draws around a surface: a title bar with the
// window's title and buttons, and borders to resize it by. The surface
// stays the window's content, every pixel of it, and the frame lies
// outside it. Everything here runs on the thread that dispatches the
// connection: libdecor's frames are not made to be touched from two.
class LibdecorFrame {
public:
    class Listener {
    public:
        // The compositor's configure is acknowledged and the content is
        // to be this size from its next commit.
        virtual void frameConfigured(std::int32_t width, std::int32_t height) = 0;
        // The frame's close button, or the compositor, asked to close.
        virtual void frameCloseRequested() = 0;
        // The frame changed its own surfaces and needs the content committed.
        virtual void frameCommitNeeded() = 0;

    protected:
        ~Listener() = default;
    };

    struct Start {
        const char* title = "";
        const char* applicationId = "";
        bool fullscreen = false;
        // The content's size while the compositor leaves it to the client.
        std::int32_t width = 0;
        std::int32_t height = 0;
    };

    LibdecorFrame() = default;
    ~LibdecorFrame() { release(); }
    LibdecorFrame(const LibdecorFrame&) = delete;
    LibdecorFrame& operator=(const LibdecorFrame&) = delete;

    // Frames content and maps it; false, with nothing made, where libdecor
    // is not installed or could not start on this compositor.
    bool decorate(wl_display* display, wl_surface* content, const Start& start,
                  Listener& listener);
    void release();
    bool isDecorating() const { return frame != nullptr; }

    void setTitle(const char* text);
    void setFullscreen(bool wanted);
    // The content's smallest and largest size in surface units (0: no
    // limit); a window whose limits are equal cannot be resized, and its
    // frame offers no resizing. Applied at once on a configured window,
    // else with the first configure.
    void setSizeLimits(std::int32_t minWidth, std::int32_t minHeight, std::int32_t maxWidth,
                       std::int32_t maxHeight);

    // Called from libdecor's callbacks.
    void configured(libdecor_configuration* configuration);
    void closeRequested() { listener->frameCloseRequested(); }
    void commitNeeded() { listener->frameCommitNeeded(); }

private:
    const LibdecorLibrary* library = nullptr;
    libdecor* context = nullptr;
    libdecor_frame* frame = nullptr;
    Listener* listener = nullptr;
    std::int32_t chosenWidth = 0;
    std::int32_t chosenHeight = 0;
    // The content's size as last committed, 0 before the first configure.
    std::int32_t contentWidth = 0;
    std::int32_t contentHeight = 0;
    bool fullscreenPending = false;
    bool fullscreenWanted = false;
};

}  // namespace vxr
