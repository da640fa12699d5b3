#pragma once

#include <windows.h>

#include "common/unique_handle.h"
#include "platform/win32/handles.h"

namespace corvel::win32 {

// The kernel handles of files and searches mean "none" by INVALID_HANDLE_VALUE, not by null, and a
// search is closed by its own call: each gets an owner of its own, so no null test lets a failed open
// through and no search is closed as a file.
struct FilePolicy {
    using handle_type = HANDLE;
    static handle_type invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static bool close(handle_type h) noexcept {
        KeepLastError keep;
        return ::CloseHandle(h) != FALSE;
    }
};
struct FindPolicy {
    using handle_type = HANDLE;
    static handle_type invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static bool close(handle_type h) noexcept {
        KeepLastError keep;
        return ::FindClose(h) != FALSE;
    }
};
struct EventSourcePolicy {
    using handle_type = HANDLE;
    static handle_type invalid() noexcept { return nullptr; }
    static bool close(handle_type h) noexcept {
        KeepLastError keep;
        return ::DeregisterEventSource(h) != FALSE;
    }
};

// Processes and threads are null when absent and closed with CloseHandle: `unique_handle`.
using unique_file = UniqueHandle<FilePolicy>;
using unique_find = UniqueHandle<FindPolicy>;
using unique_event_source = UniqueHandle<EventSourcePolicy>;

}  // namespace corvel::win32
