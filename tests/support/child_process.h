#pragma once

#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace corvel::fakes {

// A program run by a test, its output kept in files of a temporary folder. It is killed and reaped
// when the test lets it go.
class ChildProcess {
  public:
    // `environment` adds or replaces variables of the test's own environment. Standard output goes to
    // `out_path` when one is given (a device such as /dev/full; `out()` is empty then).
    ChildProcess(const std::string& program, const std::vector<std::string>& arguments,
                 const std::vector<std::pair<std::string, std::string>>& environment = {},
                 const std::string& out_path = {});
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // Waits for the exit; its status, or -1 if it did not end in time (and was killed).
    int wait(std::chrono::milliseconds timeout);
    // Ends it as Ctrl-C would.
    void interrupt();
    // Sends it any signal (SIGTERM, say).
    void signal(int number);
    std::string out() const;
    std::string err() const;
    // The first line of standard output, once there is one (empty if none came in time).
    std::string first_line(std::chrono::milliseconds timeout) const;
    const std::filesystem::path& folder() const noexcept { return folder_; }

  private:
    std::filesystem::path folder_;
    pid_t pid_ = -1;
    int status_ = -1;
};

}  // namespace corvel::fakes
