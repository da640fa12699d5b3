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

std::wstring text_of(HWND window) {
    const int length = ::GetWindowTextLengthW(window);
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    text.resize(static_cast<std::size_t>(::GetWindowTextW(window, text.data(), length + 1)));
    return text;
}

namespace {
BOOL CALLBACK longest_static(HWND window, LPARAM data) {
    auto& best = *reinterpret_cast<std::wstring*>(data);
    wchar_t name[16] = {};
    ::GetClassNameW(window, name, 16);
    if (_wcsicmp(name, L"Static") == 0) {
        std::wstring text = text_of(window);
        if (text.size() > best.size()) best = std::move(text);
    }
    return TRUE;
}
}  // namespace

std::wstring message_box_text(HWND box) {
    // The prompt is the box's static text (the icon is a static without text).
    std::wstring best;
    ::EnumChildWindows(box, &longest_static, reinterpret_cast<LPARAM>(&best));
    return best;
}

void press_key(WORD key, bool shift) {
    std::vector<INPUT> keys;
    const auto add = [&](WORD vk, bool up) {
        INPUT in{};
        in.type = INPUT_KEYBOARD;
        in.ki.wVk = vk;
        in.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
        keys.push_back(in);
    };
    if (shift) add(VK_SHIFT, false);
    add(key, false);
    add(key, true);
    if (shift) add(VK_SHIFT, true);
    ::SendInput(static_cast<UINT>(keys.size()), keys.data(), sizeof(INPUT));
}

// A left click at a point of a window, as mouse input, in two moves: the pointer goes there first,
// and the button is pressed once the system has it there (Wine's X11 driver moves the pointer on its
// own time, and a press sent with the move lands where the pointer was). False while on the way.
bool click_at(HWND window, POINT point) {
    ::ClientToScreen(window, &point);
    POINT now{};
    ::GetCursorPos(&now);
    INPUT in[2] = {};
    for (INPUT& i : in)
        i.type = INPUT_MOUSE;
    if (now.x != point.x || now.y != point.y) {
        const int width = ::GetSystemMetrics(SM_CXSCREEN);
        const int height = ::GetSystemMetrics(SM_CYSCREEN);
        in[0].mi.dx = static_cast<LONG>((point.x * 65535LL + (width - 1) / 2) / std::max(width - 1, 1));
        in[0].mi.dy = static_cast<LONG>((point.y * 65535LL + (height - 1) / 2) / std::max(height - 1, 1));
        in[0].mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
        ::SendInput(1, in, sizeof(INPUT));
        ::SetCursorPos(point.x, point.y);
        return false;
    }
    in[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    in[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    ::SendInput(2, in, sizeof(INPUT));
    return true;
}

bool click_centre(HWND window) {
    RECT r{};
    ::GetClientRect(window, &r);
    return click_at(window, {(r.left + r.right) / 2, (r.top + r.bottom) / 2});
}

// Typing as keyboard input into the control with the focus: a key of the keyboard where there is
// one (with Shift as needed), else the character itself; an empty text is the Delete key over the
// selection.
void type_text(const std::wstring& text) {
    std::vector<INPUT> keys;
    const auto key = [&](WORD vk, bool up) {
        INPUT in{};
        in.type = INPUT_KEYBOARD;
        in.ki.wVk = vk;
        in.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
        keys.push_back(in);
    };
    for (wchar_t c : text) {
        const SHORT scan = ::VkKeyScanW(c);
        if (scan != -1 && (HIBYTE(scan) & ~1) == 0) {
            const bool shift = (HIBYTE(scan) & 1) != 0;
            if (shift) key(VK_SHIFT, false);
            key(LOBYTE(scan), false);
            key(LOBYTE(scan), true);
            if (shift) key(VK_SHIFT, true);
            continue;
        }
        INPUT in{};
        in.type = INPUT_KEYBOARD;
        in.ki.wScan = c;
        in.ki.dwFlags = KEYEVENTF_UNICODE;
        keys.push_back(in);
        in.ki.dwFlags = KEYEVENTF_UNICODE | KEYEVENTF_KEYUP;
        keys.push_back(in);
    }
    if (text.empty()) {
        key(VK_DELETE, false);
        key(VK_DELETE, true);
    }
    ::SendInput(static_cast<UINT>(keys.size()), keys.data(), sizeof(INPUT));
}

void close_thread_windows() {
    ::EnumThreadWindows(::GetCurrentThreadId(), &close_one, 0);
}

}  // namespace corvel::win32::testing
