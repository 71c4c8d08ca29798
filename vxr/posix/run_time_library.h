#pragma once

#include <mutex>

#include "vxr/last_error.h"

namespace vxr {

// A system library opened by its soname while the program runs rather than
// linked, so that a program still runs, without what the library gives, on
// a system that lacks it. Once opened it stays open for the process: the
// plugins it loads and the objects it made may outlive any one user.
class RunTimeLibrary {
public:
    explicit RunTimeLibrary(const char* soname) : soname(soname) {}
    RunTimeLibrary(const RunTimeLibrary&) = delete;
    RunTimeLibrary& operator=(const RunTimeLibrary&) = delete;

    // False, with the reason in why(), when the library is not there.
    bool open();
    // Closes it again, for a library that lacks what its user needs.
    void close();

    // Points into at the entry point called name; false, with the reason in
    // why(), when the library has none.
    template <typename Function>
    bool find(const char* name, Function& into)
    {
        into = reinterpret_cast<Function>(address(name));
        return into != nullptr;
    }

    const char* why() const { return reason; }

private:
    void* address(const char* name);

    const char* soname;
    void* handle = nullptr;
    char reason[LAST_ERROR_CAPACITY] = {};
};

// The entry points of Entries, found once for the process by
// Entries::resolve(RunTimeLibrary&), or null when the library or one of them
// is missing; why then says which, on every call. lastError() is left as it
// was, so that a user for whom the library is optional need not restore it.
template <class Entries>
const Entries* loadEntries(const char* soname, const char*& why)
{
    static RunTimeLibrary library(soname);
    static Entries entries;
    static const Entries* loaded = nullptr;
    static std::once_flag once;
    std::call_once(once, [] {
        if (library.open() && entries.resolve(library))
            loaded = &entries;
        else
            library.close();
    });
    why = library.why();
    return loaded;
}

}  // namespace vxr
