#pragma once

#include <windows.h>

#include "common/unique_handle.h"
#include "platform/win32/handles.h"

namespace corvel::win32 {

// A handle that one system call closes. Files and searches mean "none" by INVALID_HANDLE_VALUE, not by
// null, and a search is closed by a call of its own: each kind gets an owner of its own, so no null
// test lets a failed open through and no search is closed as a file.
template <BOOL(WINAPI* Close)(HANDLE), bool NoneIsInvalidHandleValue>
struct SystemHandlePolicy {
    using handle_type = HANDLE;
    static handle_type invalid() noexcept {
        return NoneIsInvalidHandleValue ? INVALID_HANDLE_VALUE : nullptr;
    }
    static bool close(handle_type h) noexcept {
        KeepLastError keep;
        return Close(h) != FALSE;
    }
};

// Processes and threads are null when absent and closed with CloseHandle: `unique_handle`.
using unique_file = UniqueHandle<SystemHandlePolicy<::CloseHandle, true>>;
using unique_find = UniqueHandle<SystemHandlePolicy<::FindClose, true>>;
using unique_event_source = UniqueHandle<SystemHandlePolicy<::DeregisterEventSource, false>>;

}  // namespace corvel::win32
