#include "tests/win32/forms_host/person.h"

#include <algorithm>
#include <vector>

namespace corvel::win32::testing {

// Asked of the window itself: GetWindowText does not ask a control of another process, and a text
// box's text lives in the control.
std::wstring text_of(HWND window) {
    DWORD_PTR length = 0;
    if (!::SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 1000, &length)) return {};
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    DWORD_PTR copied = 0;
    if (!::SendMessageTimeoutW(window, WM_GETTEXT, static_cast<WPARAM>(text.size()),
                               reinterpret_cast<LPARAM>(text.data()), SMTO_ABORTIFHUNG, 1000, &copied)) {
        return {};
    }
    text.resize(static_cast<std::size_t>(copied));
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

namespace {
struct TextSearch {
    const std::wstring* text;
    const wchar_t* window_class;  // or null for any
    bool prefix;                  // the text begins with `text`
    HWND found;
};

bool class_is(HWND window, const wchar_t* window_class) {
    if (window_class == nullptr) return true;
    wchar_t name[32] = {};
    ::GetClassNameW(window, name, 32);
    return _wcsicmp(name, window_class) == 0;
}

BOOL CALLBACK match_text(HWND window, LPARAM data) {
    auto& s = *reinterpret_cast<TextSearch*>(data);
    if (!::IsWindowVisible(window) || !class_is(window, s.window_class)) return TRUE;
    if (s.text != nullptr) {
        const std::wstring shown = text_of(window);
        if (s.prefix ? shown.rfind(*s.text, 0) != 0 : shown != *s.text) return TRUE;
    }
    s.found = window;
    return FALSE;
}
}  // namespace

HWND top_window_titled(const std::wstring& title) {
    TextSearch search{&title, nullptr, false, nullptr};
    ::EnumWindows(&match_text, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND control_titled(HWND dialog, const std::wstring& text) {
    TextSearch search{&text, nullptr, false, nullptr};
    if (dialog != nullptr) ::EnumChildWindows(dialog, &match_text, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND visible_child(HWND dialog, const wchar_t* window_class) {
    TextSearch search{nullptr, window_class, false, nullptr};
    if (dialog != nullptr) ::EnumChildWindows(dialog, &match_text, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND text_box_starting(HWND dialog, const std::wstring& start) {
    TextSearch search{&start, L"Edit", true, nullptr};
    if (dialog != nullptr) ::EnumChildWindows(dialog, &match_text, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND field_labelled(HWND dialog, const std::wstring& label) {
    TextSearch search{&label, L"Static", false, nullptr};
    if (dialog != nullptr) ::EnumChildWindows(dialog, &match_text, reinterpret_cast<LPARAM>(&search));
    return search.found != nullptr ? ::GetWindow(search.found, GW_HWNDNEXT) : nullptr;
}

}  // namespace corvel::win32::testing
