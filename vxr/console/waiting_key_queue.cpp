#include "vxr/console/waiting_key_queue.h"

namespace vxr {

void WaitingKeyQueue::open()
{
    std::lock_guard<std::mutex> guard(lock);
    windowOpen = true;
}

void WaitingKeyQueue::close()
{
    std::lock_guard<std::mutex> guard(lock);
    windowOpen = false;
    arrived.notify_all();
}

int WaitingKeyQueue::push()
{
    std::lock_guard<std::mutex> guard(lock);
    const int kept = keys.push(1);
    arrived.notify_all();
    return kept;
}

int WaitingKeyQueue::hasKeys()
{
    std::lock_guard<std::mutex> guard(lock);
    return keys.hasItems();
}

int WaitingKeyQueue::waitForKey()
{
    std::unique_lock<std::mutex> guard(lock);
    arrived.wait(guard, [this] { return keys.hasItems() || !windowOpen; });
    std::int32_t key = 0;
    keys.pop(&key);
    return key;
}

}  // namespace vxr
