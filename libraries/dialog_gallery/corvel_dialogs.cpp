// corvel-dialogs: shows any dialog of the user-interface library on real windows, over an in-memory
// workbook and registry, so that a developer or a reviewer sees a dialog without Excel.
//   corvel-dialogs frmAddTicker          shows the contract entry dialog
//   corvel-dialogs --list                names every dialog
//   corvel-dialogs --snap SECONDS NAME   shows NAME, prints its window rectangle, closes it after SECONDS
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "libraries/dialog_gallery/gallery_dialogs.h"

namespace {

using namespace corvel;

int usage(int code) {
    std::puts(
        "usage: corvel-dialogs NAME          show the dialog NAME over an in-memory workbook\n"
        "       corvel-dialogs --list        the dialogs it shows\n"
        "       corvel-dialogs --snap S NAME show NAME, print its window rectangle, close it after S "
        "seconds\n"
        "       corvel-dialogs --help");
    return code;
}

// For --snap: once the dialog is up, its rectangle goes to standard output (for the screenshot), and
// after the given time every window of the thread is closed, so a screenshot run cannot hang.
UINT g_snap_ticks = 0;
bool g_reported = false;
win32::Win32Host* g_host = nullptr;

BOOL CALLBACK close_window(HWND window, LPARAM) {
    if (::IsWindowVisible(window)) ::PostMessageW(window, WM_CLOSE, 0, 0);
    return TRUE;
}

BOOL CALLBACK find_message_box(HWND window, LPARAM found) {
    wchar_t name[16] = {};
    ::GetClassNameW(window, name, 16);
    if (!::IsWindowVisible(window) || std::wstring(name) != L"#32770") return TRUE;
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
}

void CALLBACK snap_tick(HWND, UINT, UINT_PTR, DWORD) {
    forms::Form* form = g_host != nullptr ? g_host->modal_form() : nullptr;
    HWND window = form != nullptr ? g_host->window_of_form(*form) : nullptr;
    if (window == nullptr) {
        // A message box: the system's dialog window of this thread.
        ::EnumThreadWindows(::GetCurrentThreadId(), &find_message_box, reinterpret_cast<LPARAM>(&window));
    }
    if (!g_reported && window != nullptr && ::IsWindowVisible(window)) {
        RECT r{};
        ::GetWindowRect(window, &r);
        std::printf("rect %ld %ld %ld %ld\n", r.left, r.top, r.right - r.left, r.bottom - r.top);
        std::fflush(stdout);
        g_reported = true;
    }
    if (g_snap_ticks > 0 && --g_snap_ticks == 0) {
        ::EnumThreadWindows(::GetCurrentThreadId(), &close_window, 0);
        g_snap_ticks = 1;  // again, for what the close opened (a confirmation)
    }
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string_view> args(argv + 1, argv + argc);
    if (args.empty()) return usage(2);
    if (args[0] == "--help" || args[0] == "-h") return usage(0);
    if (args[0] == "--list") {
        for (const gallery::Entry& e : gallery::entries())
            std::printf("%-16s %s\n", e.name, e.what);
        return 0;
    }
    int snap_seconds = 0;
    if (args[0] == "--snap") {
        if (args.size() != 3) return usage(2);
        snap_seconds = std::atoi(std::string(args[1]).c_str());
        args.erase(args.begin(), args.begin() + 2);
    }
    if (args.size() != 1) return usage(2);
    const gallery::Entry* chosen = gallery::find_entry(args[0]);
    if (chosen == nullptr) {
        std::fprintf(stderr, "corvel-dialogs: no dialog named '%.*s' (--list names them)\n",
                     static_cast<int>(args[0].size()), args[0].data());
        return 2;
    }

    gallery::Gallery gallery(std::make_shared<win32::Win32Host>(::GetModuleHandleW(nullptr), nullptr));
    gallery.host->set_application_title("Corvel dialogs");
    g_host = gallery.host.get();
    UINT_PTR timer = 0;
    if (snap_seconds > 0) {
        g_snap_ticks = static_cast<UINT>(snap_seconds * 10);
        timer = ::SetTimer(nullptr, 0, 100, &snap_tick);
    }
    chosen->show(gallery);
    if (timer != 0) ::KillTimer(nullptr, timer);
    g_host = nullptr;
    return 0;
}
