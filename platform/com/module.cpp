#include "platform/com/module.h"

namespace corvel::com {

namespace {
HMODULE g_module = nullptr;
const char* g_library_name = "";
volatile LONG g_objects = 0;
volatile LONG g_locks = 0;
}  // namespace

void set_module(HMODULE module) noexcept {
    g_module = module;
}
void set_library_name(const char* name) noexcept {
    g_library_name = name;
}
const char* library_name() noexcept {
    return g_library_name;
}
HMODULE module() noexcept {
    return g_module;
}

std::wstring module_path() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = ::GetModuleFileNameW(g_module, path.data(), static_cast<DWORD>(path.size()));
        if (n == 0) return {};
        if (n < path.size()) {
            path.resize(n);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

void object_created() noexcept {
    ::InterlockedIncrement(&g_objects);
}
void object_destroyed() noexcept {
    ::InterlockedDecrement(&g_objects);
}
void lock_server(bool lock) noexcept {
    if (lock) {
        ::InterlockedIncrement(&g_locks);
    } else {
        ::InterlockedDecrement(&g_locks);
    }
}
long live_objects() noexcept {
    return g_objects;
}
bool can_unload() noexcept {
    return g_objects == 0 && g_locks == 0;
}

}  // namespace corvel::com
