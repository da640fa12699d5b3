#pragma once

#include <windows.h>

#include <string>

namespace corvel::com {

// The state every in-process server keeps: its module, and the objects and locks that keep it loaded.
void set_module(HMODULE module) noexcept;
// The library's name ("Tallowin3", "Pelorin"): the source of errors that carry no source of their own.
void set_library_name(const char* name) noexcept;
const char* library_name() noexcept;
HMODULE module() noexcept;
std::wstring module_path();

void object_created() noexcept;
void object_destroyed() noexcept;
void lock_server(bool lock) noexcept;
long live_objects() noexcept;
// True only when no object and no lock is alive.
bool can_unload() noexcept;

// Counts one object for as long as it lives.
class ObjectCount {
  public:
    ObjectCount() noexcept { object_created(); }
    ObjectCount(const ObjectCount&) noexcept { object_created(); }
    ObjectCount& operator=(const ObjectCount&) noexcept { return *this; }
    ~ObjectCount() { object_destroyed(); }
};

}  // namespace corvel::com
