#pragma once

#include <map>

#include "platform/win32/handles.h"
#include "platform/win32/system_handles.h"
#include "seams/shell_services.h"

namespace corvel::win32 {

// The shell and processes on shell32 and kernel32. Texts arrive as UTF-8 and reach Windows as UTF-16,
// so paths and arguments outside the system code page survive.
//
// Shell extensions are COM objects: the calling thread should be in a COM apartment, as Excel's is.
// Processes and searches are handed out as numbers and owned here until closed; whatever a caller
// leaves open is closed with this object.
class Win32ShellServices final : public ShellServices {
  public:
    Win32ShellServices() = default;
    Win32ShellServices(const Win32ShellServices&) = delete;
    Win32ShellServices& operator=(const Win32ShellServices&) = delete;

    std::intptr_t shell_execute(WindowHandle owner, std::string_view verb, std::string_view file,
                                std::string_view parameters, std::string_view directory,
                                std::int32_t show_command) override;
    // The record goes to the system at its own size for this width, whatever `info.size` says: the
    // launcher writes the 32-bit size, which 64-bit Windows refuses. A process handle the shell hands
    // back (the "keep the process handle" mask bit) is closed at once: the seam has no way to pass it on.
    bool shell_execute_ex(ShellExecuteInfo& info) override;
    // No handles are inherited and the program gets this process's environment: an empty one would
    // leave it without the system's own variables (SystemRoot, PATH), which many programs need to start.
    bool create_process(std::string_view command_line, std::string_view directory,
                        ProcessHandle& process) override;
    void wait_for_process(ProcessHandle process) override;
    bool close_process(ProcessHandle process) override;
    bool find_first_file(std::string_view path, SearchHandle& search) override;
    bool find_close(SearchHandle search) override;
    WindowHandle desktop_window() override;

    // Processes started and searches opened, not yet closed.
    std::size_t open_processes() const noexcept { return processes_.size(); }
    std::size_t open_searches() const noexcept { return searches_.size(); }

  private:
    std::map<ProcessHandle, unique_handle> processes_;
    std::map<SearchHandle, unique_find> searches_;
};

}  // namespace corvel::win32
