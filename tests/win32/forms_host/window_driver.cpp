#include "tests/win32/forms_host/window_driver.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace corvel::win32::testing {

namespace {
// Ticks a step gets before it is given up on (the timer fires every 20 ms).
constexpr int kTriesPerStep = 250;
WindowDriver* g_driver = nullptr;

struct Search {
    const wchar_t* window_class;
    HWND owner;
    HWND found;
};

BOOL CALLBACK match(HWND window, LPARAM data) {
    auto& search = *reinterpret_cast<Search*>(data);
    wchar_t name[64] = {};
    ::GetClassNameW(window, name, 64);
    if (!::IsWindowVisible(window) || std::wstring(name) != search.window_class) return TRUE;
    if (search.owner != nullptr && ::GetWindow(window, GW_OWNER) != search.owner) return TRUE;
    search.found = window;
    return FALSE;
}

BOOL CALLBACK close_one(HWND window, LPARAM) {
    if (::IsWindowVisible(window)) ::PostMessageW(window, WM_CLOSE, 0, 0);
    return TRUE;
}
}  // namespace

WindowDriver::WindowDriver() {
    g_driver = this;
    timer_ = ::SetTimer(nullptr, 0, 20, &WindowDriver::tick);
}

WindowDriver::~WindowDriver() {
    if (timer_ != 0) ::KillTimer(nullptr, timer_);
    g_driver = nullptr;
}

WindowDriver& WindowDriver::then(std::string what, Step step) {
    steps_.push_back({std::move(what), std::move(step)});
    return *this;
}

void CALLBACK WindowDriver::tick(HWND, UINT, UINT_PTR, DWORD) {
    if (g_driver != nullptr) g_driver->run_one();
}

void WindowDriver::run_one() {
    // A step may itself run a loop (a message box it opens): the ticks inside wait for it.
    if (running_ || steps_.empty()) return;
    running_ = true;
    Named& next = steps_.front();
    const bool done = next.step();
    if (done) {
        steps_.pop_front();
    } else if (++next.tries >= kTriesPerStep) {
        failed_ = next.what;
        ADD_FAILURE() << "step never completed: " << next.what;
        steps_.clear();
        close_thread_windows();
    }
    running_ = false;
}

HWND find_thread_window(const wchar_t* window_class, HWND owner) {
    Search search{window_class, owner, nullptr};
    ::EnumThreadWindows(::GetCurrentThreadId(), &match, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

void close_thread_windows() {
    ::EnumThreadWindows(::GetCurrentThreadId(), &close_one, 0);
}

}  // namespace corvel::win32::testing
