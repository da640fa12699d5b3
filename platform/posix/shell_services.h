#pragma once

#include <set>
#include <string>
#include <vector>

#include "seams/shell_services.h"

namespace corvel {

// The shell on a desktop without one: documents, folders and addresses go to the desktop's opener
// (`xdg-open`), which picks the user's application; a program "opened" is started; a waited-for
// program is spawned and reaped. Verbs other than the default ones mean nothing here, and there is
// no properties sheet. Command lines use the quoting the launcher's callers write (quoted program,
// backslash escapes), so the same texts work on every platform.
class PosixShellServices final : public ShellServices {
  public:
    // `opener` is the program that opens documents and addresses, looked up on the PATH.
    explicit PosixShellServices(std::string opener = "xdg-open");
    ~PosixShellServices() override;
    PosixShellServices(const PosixShellServices&) = delete;
    PosixShellServices& operator=(const PosixShellServices&) = delete;

    std::intptr_t shell_execute(WindowHandle owner, std::string_view verb, std::string_view file,
                                std::string_view parameters, std::string_view directory,
                                std::int32_t show_command) override;
    bool shell_execute_ex(ShellExecuteInfo& info) override;
    bool create_process(std::string_view command_line, std::string_view directory,
                        ProcessHandle& process) override;
    void wait_for_process(ProcessHandle process) override;
    bool close_process(ProcessHandle process) override;
    bool find_first_file(std::string_view path, SearchHandle& search) override;
    bool find_close(SearchHandle search) override;
    WindowHandle desktop_window() override { return 0; }

  private:
    std::intptr_t run_opener(std::string_view target);
    std::intptr_t start_program(std::string_view file, std::string_view parameters,
                                std::string_view directory);

    std::string opener_;
    std::set<ProcessHandle> running_;
    std::set<SearchHandle> searches_;
    SearchHandle next_search_ = 1;
};

}  // namespace corvel
