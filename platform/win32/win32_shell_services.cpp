#include "platform/win32/win32_shell_services.h"

#include <shellapi.h>

#include <string>

#include "platform/win32/text.h"

namespace corvel::win32 {

namespace {
HWND to_hwnd(WindowHandle window) {
    return reinterpret_cast<HWND>(window);
}

// The shell takes a null pointer, not an empty text, for "none" (an empty verb is the default verb).
const wchar_t* or_null(const std::wstring& text) {
    return text.empty() ? nullptr : text.c_str();
}

// Closes one of the handles this object owns; false for one it does not own.
template <class Owners>
bool close_owned(Owners& owners, typename Owners::key_type key) {
    const auto it = owners.find(key);
    if (it == owners.end()) return false;
    const bool closed = it->second.close();
    owners.erase(it);
    return closed;
}
}  // namespace

std::intptr_t Win32ShellServices::shell_execute(WindowHandle owner, std::string_view verb,
                                                std::string_view file, std::string_view parameters,
                                                std::string_view directory, std::int32_t show_command) {
    const std::wstring wide_verb = widen(verb);
    const std::wstring wide_file = widen(file);
    const std::wstring wide_parameters = widen(parameters);
    const std::wstring wide_directory = widen(directory);
    const HINSTANCE result = ::ShellExecuteW(to_hwnd(owner), or_null(wide_verb), wide_file.c_str(),
                                             or_null(wide_parameters), or_null(wide_directory), show_command);
    return reinterpret_cast<std::intptr_t>(result);
}

bool Win32ShellServices::shell_execute_ex(ShellExecuteInfo& info) {
    const std::wstring verb = widen(info.verb);
    const std::wstring file = widen(info.file);
    const std::wstring parameters = widen(info.parameters);
    const std::wstring directory = widen(info.directory);
    SHELLEXECUTEINFOW record{};
    record.cbSize = sizeof record;
    record.fMask = info.mask;
    record.hwnd = to_hwnd(info.owner);
    record.lpVerb = or_null(verb);
    record.lpFile = file.c_str();
    record.lpParameters = or_null(parameters);
    record.lpDirectory = or_null(directory);
    record.nShow = info.show_command;
    const bool ok = ::ShellExecuteExW(&record) != FALSE;
    const unique_handle process(record.hProcess);
    info.instance = reinterpret_cast<std::intptr_t>(record.hInstApp);
    return ok;
}

bool Win32ShellServices::create_process(std::string_view command_line, std::string_view directory,
                                        ProcessHandle& process) {
    // The system may write into the command line while it splits it, so it gets a copy of its own.
    std::wstring line = widen(command_line);
    const std::wstring wide_directory = widen(directory);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWNORMAL;
    PROCESS_INFORMATION started{};
    if (line.empty() ||
        !::CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, NORMAL_PRIORITY_CLASS, nullptr,
                          or_null(wide_directory), &startup, &started)) {
        return false;
    }
    const unique_handle thread(started.hThread);
    process = reinterpret_cast<ProcessHandle>(started.hProcess);
    processes_.insert_or_assign(process, unique_handle(started.hProcess));
    return true;
}

void Win32ShellServices::wait_for_process(ProcessHandle process) {
    const auto it = processes_.find(process);
    if (it == processes_.end()) return;
    ::WaitForSingleObject(it->second.get(), INFINITE);
}

bool Win32ShellServices::close_process(ProcessHandle process) {
    return close_owned(processes_, process);
}

bool Win32ShellServices::find_first_file(std::string_view path, SearchHandle& search) {
    WIN32_FIND_DATAW found{};
    unique_find handle(::FindFirstFileW(widen(path).c_str(), &found));
    if (!handle) return false;
    search = reinterpret_cast<SearchHandle>(handle.get());
    searches_.insert_or_assign(search, std::move(handle));
    return true;
}

bool Win32ShellServices::find_close(SearchHandle search) {
    return close_owned(searches_, search);
}

WindowHandle Win32ShellServices::desktop_window() {
    return reinterpret_cast<WindowHandle>(::GetDesktopWindow());
}

}  // namespace corvel::win32
