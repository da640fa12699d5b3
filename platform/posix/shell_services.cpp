#include "platform/posix/shell_services.h"

#include <glob.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

#include "platform/posix/command_line.h"

extern char** environ;

namespace corvel {

namespace {
// The shell's result codes this binding reports.
constexpr std::intptr_t kSuccess = 42;
constexpr std::intptr_t kFileNotFound = 2;
constexpr std::intptr_t kAccessDenied = 5;
constexpr std::intptr_t kOutOfMemory = 8;
constexpr std::intptr_t kBadFormat = 11;
constexpr std::intptr_t kNoAssociation = 31;

std::intptr_t result_of_spawn_error(int error) {
    switch (error) {
        case ENOENT:
        case ENOTDIR:
            return kFileNotFound;
        case EACCES:
        case EPERM:
            return kAccessDenied;
        case ENOEXEC:
            return kBadFormat;
        case ENOMEM:
        case EAGAIN:
            return kOutOfMemory;
        default:
            return kNoAssociation;
    }
}

// Owns the file actions of one spawn.
class SpawnActions {
  public:
    SpawnActions() { ok_ = ::posix_spawn_file_actions_init(&actions_) == 0; }
    SpawnActions(const SpawnActions&) = delete;
    SpawnActions& operator=(const SpawnActions&) = delete;
    ~SpawnActions() {
        if (ok_) ::posix_spawn_file_actions_destroy(&actions_);
    }
    bool change_directory(const std::string& directory) {
        return ok_ && (directory.empty() ||
                       ::posix_spawn_file_actions_addchdir_np(&actions_, directory.c_str()) == 0);
    }
    bool ok() const noexcept { return ok_; }
    posix_spawn_file_actions_t* get() noexcept { return &actions_; }

  private:
    posix_spawn_file_actions_t actions_{};
    bool ok_ = false;
};

// Starts `args` (the program is looked up on the PATH) in `directory`; 0 or the error number.
int spawn(const std::vector<std::string>& args, const std::string& directory, pid_t& pid) {
    if (args.empty() || args.front().empty()) return ENOENT;
    SpawnActions actions;
    if (!actions.change_directory(directory)) return ENOMEM;
    std::vector<char*> argv;
    argv.reserve(args.size() + 1);
    for (const auto& arg : args)
        argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    return ::posix_spawnp(&pid, argv[0], actions.get(), nullptr, argv.data(), environ);
}

// Waits for a child; its exit status, or -1 when it did not exit normally.
int wait_exit_status(pid_t pid) {
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) return -1;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool has_wildcard(std::string_view path) {
    return path.find_first_of("*?") != std::string_view::npos;
}
}  // namespace

PosixShellServices::PosixShellServices(std::string opener) : opener_(std::move(opener)) {}

PosixShellServices::~PosixShellServices() {
    // Processes started and never closed are reaped when they have ended; running ones go on.
    for (const ProcessHandle process : running_)
        ::waitpid(static_cast<pid_t>(process), nullptr, WNOHANG);
}

// The opener hands the target to the user's application and returns; its exit codes say what failed.
std::intptr_t PosixShellServices::run_opener(std::string_view target) {
    pid_t pid = 0;
    const int error = spawn({opener_, std::string(target)}, "", pid);
    if (error != 0) return error == ENOMEM || error == EAGAIN ? kOutOfMemory : kNoAssociation;
    switch (wait_exit_status(pid)) {
        case 0:
            return kSuccess;
        case 2:
            return kFileNotFound;
        default:
            return kNoAssociation;
    }
}

// Starts a program without waiting for it. A short-lived shell puts it in the background and ends at
// once, so the program belongs to the system's reaper, not to this process.
std::intptr_t PosixShellServices::start_program(std::string_view file, std::string_view parameters,
                                                std::string_view directory) {
    std::vector<std::string> args = {"/bin/sh", "-c", "\"$@\" </dev/null &", "sh", std::string(file)};
    for (auto& arg : split_command_line(parameters, false))
        args.push_back(std::move(arg));
    pid_t pid = 0;
    const int error = spawn(args, std::string(directory), pid);
    if (error != 0) return result_of_spawn_error(error);
    return wait_exit_status(pid) == 0 ? kSuccess : kNoAssociation;
}

std::intptr_t PosixShellServices::shell_execute(WindowHandle, std::string_view verb, std::string_view file,
                                                std::string_view parameters, std::string_view directory,
                                                std::int32_t) {
    if (verb == "properties") return kNoAssociation;
    const std::string path(file);
    struct stat info {};
    const bool is_program = ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
                            ::access(path.c_str(), X_OK) == 0 && (verb.empty() || verb == "open");
    if (is_program) return start_program(file, parameters, directory);
    return run_opener(file);
}

bool PosixShellServices::shell_execute_ex(ShellExecuteInfo& info) {
    info.instance =
        shell_execute(info.owner, info.verb, info.file, info.parameters, info.directory, info.show_command);
    return info.instance > 32;
}

bool PosixShellServices::create_process(std::string_view command_line, std::string_view directory,
                                        ProcessHandle& process) {
    pid_t pid = 0;
    if (spawn(split_command_line(command_line, true), std::string(directory), pid) != 0) return false;
    process = static_cast<ProcessHandle>(pid);
    running_.insert(process);
    return true;
}

void PosixShellServices::wait_for_process(ProcessHandle process) {
    if (running_.erase(process) == 0) return;
    wait_exit_status(static_cast<pid_t>(process));
}

bool PosixShellServices::close_process(ProcessHandle process) {
    // A process closed without waiting is reaped if it has ended; its handle is gone either way.
    if (running_.erase(process) != 0) ::waitpid(static_cast<pid_t>(process), nullptr, WNOHANG);
    return true;
}

bool PosixShellServices::find_first_file(std::string_view path, SearchHandle& search) {
    const std::string pattern(path);
    bool found = false;
    if (has_wildcard(path)) {
        glob_t matches{};
        found = ::glob(pattern.c_str(), GLOB_NOSORT | GLOB_NOESCAPE, nullptr, &matches) == 0 &&
                matches.gl_pathc > 0;
        ::globfree(&matches);
    } else {
        struct stat info {};
        found = ::stat(pattern.c_str(), &info) == 0;
    }
    if (!found) return false;
    search = next_search_++;
    searches_.insert(search);
    return true;
}

bool PosixShellServices::find_close(SearchHandle search) {
    return searches_.erase(search) != 0;
}

}  // namespace corvel
