// The person at the screen while example_suite.vbs plays the command-line example over the test
// Excel: a process of its own that waits for each dialog the example shows and answers it with the
// mouse and the keyboard, as a user would. It prints each step, and ends with status 0 once every step
// is done, 1 when a dialog it waits for does not come.
//   example_person.exe [seconds per step]
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "tests/win32/forms_host/person.h"

namespace {

using corvel::win32::testing::click_centre;
using corvel::win32::testing::control_titled;
using corvel::win32::testing::field_labelled;
using corvel::win32::testing::text_box_starting;
using corvel::win32::testing::top_window_titled;
using corvel::win32::testing::type_text;

const std::wstring kNewProject = L"Choose market data fields for project ";
const std::wstring kContract = L"Add new ticker";
const std::wstring kTape = L"Add new tape for ticker";

struct Step {
    const char* what;
    std::function<bool()> done;  // tried until it says it is done
};

// The dialog titled so, in front and usable (its modal display is running), or null.
HWND dialog_up(const std::wstring& title) {
    HWND dialog = top_window_titled(title);
    if (dialog == nullptr || ::GetForegroundWindow() != dialog || !::IsWindowEnabled(dialog)) return nullptr;
    return dialog;
}

// The pointer is moved first and the button pressed a moment after it arrived: the X11 driver moves
// the pointer on its own time, and a press sent too soon lands where the pointer was.
std::function<bool()> click(const std::wstring& title, std::function<HWND(HWND)> find) {
    auto arrived = std::make_shared<DWORD>(0);
    return [title, find, arrived] {
        HWND dialog = dialog_up(title);
        HWND control = dialog != nullptr ? find(dialog) : nullptr;
        if (control == nullptr || !::IsWindowEnabled(control)) return false;
        RECT r{};
        ::GetClientRect(control, &r);
        POINT centre{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
        ::ClientToScreen(control, &centre);
        POINT at{};
        ::GetCursorPos(&at);
        const bool there = at.x == centre.x && at.y == centre.y;
        if (!there) {
            *arrived = 0;
            click_centre(control);  // moves the pointer
            return false;
        }
        if (*arrived == 0) *arrived = ::GetTickCount();
        if (::GetTickCount() - *arrived < 200) return false;
        *arrived = 0;
        return click_centre(control);
    };
}

std::function<bool()> click_button(const std::wstring& title, const std::wstring& caption) {
    return click(title, [caption](HWND dialog) { return control_titled(dialog, caption); });
}

// Waits until no dialog of that title is shown (the example went on past it).
std::function<bool()> gone(const std::wstring& title) {
    return [title] { return top_window_titled(title) == nullptr; };
}

// The contract dialog: the ticker typed into the field labelled "Ticker", then `button`.
void enter_contract(std::vector<Step>& steps, const wchar_t* ticker, const wchar_t* button) {
    const auto field = [](HWND dialog) { return field_labelled(dialog, L"Ticker"); };
    steps.push_back({"click into the ticker", click(kContract, field)});
    steps.push_back({"type the ticker", [field, ticker] {
                         HWND dialog = dialog_up(kContract);
                         HWND box = dialog != nullptr ? field(dialog) : nullptr;
                         // Keys go to the focus, which must be in the box by now.
                         GUITHREADINFO gui{};
                         gui.cbSize = sizeof(gui);
                         if (box == nullptr || !::GetGUIThreadInfo(0, &gui) || gui.hwndFocus != box)
                             return false;
                         ::SendMessageW(box, EM_SETSEL, 0, -1);
                         type_text(ticker);
                         return true;
                     }});
    steps.push_back({"press the button", click_button(kContract, button)});
    steps.push_back({"the contract dialog goes", gone(kContract)});
}

}  // namespace

int main(int argc, char** argv) {
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 60;
    std::vector<Step> steps;
    steps.push_back({"new project: Create project", click_button(kNewProject, L"Create project")});
    steps.push_back({"the new-project dialog goes", gone(kNewProject)});
    enter_contract(steps, L"IBM", L"Insert && new");
    enter_contract(steps, L"MSFT", L"Insert >>");
    steps.push_back({"tape: \"...\" to pick the location", click_button(kTape, L"...")});
    // The dialog steps aside and is back with the location before a look could catch it away.
    steps.push_back({"the tape dialog is back with the location", [] {
                         HWND dialog = dialog_up(kTape);
                         return dialog != nullptr && text_box_starting(dialog, L"Sheet1!B3:") != nullptr;
                     }});
    steps.push_back({"tape: Insert & new", click_button(kTape, L"Insert && new")});
    steps.push_back({"the tape is in: the location is cleared for the next", [] {
                         HWND dialog = dialog_up(kTape);
                         return dialog != nullptr && text_box_starting(dialog, L"Sheet1!B3:") == nullptr;
                     }});
    steps.push_back({"tape: Cancel", click_button(kTape, L"Cancel")});
    steps.push_back({"the tape dialog goes", gone(kTape)});

    for (const Step& step : steps) {
        const DWORD until = ::GetTickCount() + static_cast<DWORD>(seconds) * 1000;
        while (!step.done()) {
            if (static_cast<LONG>(::GetTickCount() - until) > 0) {
                std::printf("person: gave up waiting: %s\n", step.what);
                return 1;
            }
            ::Sleep(50);
        }
        std::printf("person: %s\n", step.what);
        std::fflush(stdout);
    }
    std::printf("person: every dialog answered\n");
    return 0;
}
