#include "vxr/console/windows/direct_draw_entry.h"

#include <atomic>

namespace vxr {
namespace {

std::atomic<DirectDrawEntry::CreateFunction> replacement{nullptr};

}  // namespace

void DirectDrawEntry::substitute(CreateFunction function) { replacement.store(function); }

DirectDrawEntry::CreateFunction DirectDrawEntry::substituted() { return replacement.load(); }

}  // namespace vxr
