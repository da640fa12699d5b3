#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "seams/window_handle.h"

namespace corvel {

// The record of the extended shell-execute call, field for field as far as the launcher uses it.
struct ShellExecuteInfo {
    std::uint32_t size = 60;
    std::uint32_t mask = 0;
    WindowHandle owner = 0;
    std::string verb;
    std::string file;
    std::string parameters;
    std::string directory;
    std::int32_t show_command = 0;
    // Out: above 32 on success, else the shell's error code.
    std::intptr_t instance = 0;
};

using ProcessHandle = std::uintptr_t;
using SearchHandle = std::uintptr_t;

// The shell and process services the shell launcher hands things to.
class ShellServices {
  public:
    virtual ~ShellServices() = default;

    // Opens `file` (a path, folder or address) with `verb` (empty: the shell's default verb). Returns the
    // shell's result: above 32 on success, else its error code (2 file not found, 31 no association...).
    virtual std::intptr_t shell_execute(WindowHandle owner, std::string_view verb, std::string_view file,
                                        std::string_view parameters, std::string_view directory,
                                        std::int32_t show_command) = 0;
    // The extended call; fills `info.instance`. False when it fails.
    virtual bool shell_execute_ex(ShellExecuteInfo& info) = 0;

    // Starts `command_line` (program and arguments in the platform's quoting) in `directory` (empty:
    // the caller's current directory). False when no process could be created.
    virtual bool create_process(std::string_view command_line, std::string_view directory,
                                ProcessHandle& process) = 0;
    // Waits without time limit until the process has ended.
    virtual void wait_for_process(ProcessHandle process) = 0;
    virtual bool close_process(ProcessHandle process) = 0;

    // True and an open search when something matches `path`.
    virtual bool find_first_file(std::string_view path, SearchHandle& search) = 0;
    virtual bool find_close(SearchHandle search) = 0;

    virtual WindowHandle desktop_window() = 0;
};

}  // namespace corvel
