#pragma once

#include <windows.h>

#include <deque>
#include <functional>
#include <string>

#include "tests/win32/forms_host/person.h"

namespace corvel::win32::testing {

// Plays steps against real windows while a modal display runs: a thread timer fires inside whichever
// message loop runs (the dialog's, a message box's), and each tick tries the next step until it says
// it is done. A step that never gets done fails the test and closes every window of the thread, so a
// broken dialog cannot hang the run.
class WindowDriver {
  public:
    using Step = std::function<bool()>;

    WindowDriver();
    ~WindowDriver();
    WindowDriver(const WindowDriver&) = delete;
    WindowDriver& operator=(const WindowDriver&) = delete;

    WindowDriver& then(std::string what, Step step);
    bool finished() const noexcept { return steps_.empty(); }
    // The step that was given up on, if any.
    const std::string& failed_step() const noexcept { return failed_; }

  private:
    static void CALLBACK tick(HWND, UINT, UINT_PTR, DWORD);
    void run_one();

    struct Named {
        std::string what;
        Step step;
        int tries = 0;
    };
    std::deque<Named> steps_;
    std::string failed_;
    UINT_PTR timer_ = 0;
    bool running_ = false;
};

// The enabled, visible top-level window of this thread with this class (e.g. "#32770", a message
// box) owned by `owner` (any owner when null), or null.
HWND find_thread_window(const wchar_t* window_class, HWND owner = nullptr);
// Every visible top-level window of this thread is asked to close.
void close_thread_windows();

}  // namespace corvel::win32::testing
