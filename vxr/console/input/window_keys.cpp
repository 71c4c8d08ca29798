#include "vxr/console/input/window_keys.h"

namespace vxr {

void WindowKeys::windowOpened()
{
    std::lock_guard<std::mutex> guard(lock);
    windowRunning = true;
}

void WindowKeys::windowEnded()
{
    std::lock_guard<std::mutex> guard(lock);
    windowRunning = false;
    arrived.notify_all();
}

void WindowKeys::press()
{
    std::lock_guard<std::mutex> guard(lock);
    // Every key counts the same; a full queue drops the press.
    queue.push(1);
    arrived.notify_all();
}

int WindowKeys::read()
{
    std::unique_lock<std::mutex> guard(lock);
    arrived.wait(guard, [this] { return queue.hasItems() || !windowRunning; });
    std::int32_t key = 0;
    queue.pop(&key);
    return key;
}

int WindowKeys::hasKeys()
{
    std::lock_guard<std::mutex> guard(lock);
    return queue.hasItems();
}

}  // namespace vxr
