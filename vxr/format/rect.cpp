#include "vxr/format/rect.h"

#include <utility>

namespace vxr {

Rect Rect::normalised() const
{
    Rect result = *this;
    if (result.right < result.left) std::swap(result.left, result.right);
    if (result.bottom < result.top) std::swap(result.top, result.bottom);
    return result;
}

bool Rect::clipTo(const Rect& clip)
{
    if (right < clip.left || clip.right < left || bottom < clip.top || clip.bottom < top)
        return false;
    if (left < clip.left) left = clip.left;
    if (top < clip.top) top = clip.top;
    if (clip.right < right) right = clip.right;
    if (clip.bottom < bottom) bottom = clip.bottom;
    return true;
}

}  // namespace vxr
