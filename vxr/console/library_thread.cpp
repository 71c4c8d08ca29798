#include "vxr/console/library_thread.h"

namespace vxr {
namespace {

thread_local bool startedByLibrary = false;

}  // namespace

void LibraryThread::markCurrent() { startedByLibrary = true; }

bool LibraryThread::isCurrent() { return startedByLibrary; }

}  // namespace vxr
