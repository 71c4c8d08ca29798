#pragma once

#include <cstdint>

#include "vxr/format/rect.h"

namespace vxr {

// The bars of a client area around the frame placed in it, and what they
// were last drawn for. The bars are the parts of the client the frame does
// not cover: a band above and one below across the whole width, and one on
// each side of the frame's rows; with the frame they tile the client
// exactly, and none is empty. Each platform fills them its own way; this
// says where they are and when they need filling again, so that a window
// that kept its size and its frame keeps its bars.
class LetterboxBars {
public:
    struct Bands {
        Rect rects[4];
        int count = 0;

        const Rect* begin() const { return rects; }
        const Rect* end() const { return rects + count; }
    };

    // The bars around frame in a client of width by height. A frame that
    // reaches past the client is cut to it first; no client, no bars.
    static Bands around(const Rect& frame, std::int32_t width, std::int32_t height);

    // True when the bars were last drawn for this frame and client size.
    bool areDrawnFor(const Rect& frame, std::int32_t width, std::int32_t height) const;

    // Records the bars as drawn for frame in this client and returns them.
    Bands redraw(const Rect& frame, std::int32_t width, std::int32_t height);

    // Like redraw, but the bars reach over the client size last drawn for
    // as well as the new one, for a window whose frames may have gone out
    // at its old size before its new size was known: nothing drawn where
    // the old size put a frame stays beside the new one.
    Bands redrawOverOldSize(const Rect& frame, std::int32_t width, std::int32_t height);

    // Nothing is drawn: the next redraw is needed whatever its sizes.
    void forget();

private:
    Rect drawnFrame;
    std::int32_t drawnWidth = -1;
    std::int32_t drawnHeight = -1;
};

}  // namespace vxr
