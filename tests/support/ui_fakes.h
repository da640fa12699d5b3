#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/memory/memory_registry.h"
#include "seams/event_log.h"
#include "seams/locale_format.h"
#include "seams/os_version.h"
#include "seams/shell_services.h"
#include "seams/text_files.h"
#include "tests/support/headless_host.h"
#include "tests/support/manual_clock.h"
#include "ui/services/ui_environment.h"

namespace corvel::fakes {

// Files held in memory; a path listed in `unwritable` refuses every write, and the next
// `failing_appends` appends fail wherever they go.
class MemoryTextFiles final : public TextFiles {
  public:
    bool append(std::string_view path, std::string_view text) override;
    bool remove(std::string_view path) override;

    std::map<std::string, std::string, std::less<>> files;
    std::set<std::string, std::less<>> unwritable;
    int failing_appends = 0;
    int appends = 0;
};

class RecordingEventLog final : public EventLog {
  public:
    bool write_error(std::string_view text) override {
        entries.emplace_back(text);
        return accept;
    }
    std::vector<std::string> entries;
    bool accept = true;
};

// Answers the version query per record size; a size without an answer fails.
class FixedOsVersion final : public OsVersion {
  public:
    std::optional<std::int32_t> platform_id(std::uint32_t record_size) override {
        asked.push_back(record_size);
        const auto it = answers.find(record_size);
        return it == answers.end() ? std::nullopt : std::optional<std::int32_t>(it->second);
    }
    std::map<std::uint32_t, std::int32_t> answers;
    std::vector<std::uint32_t> asked;
};

// The forms of an English (United States) locale: 12/9/2025, 6:00:00 PM and 1,234.5. A test of
// another locale's numbers sets `numbers`.
class UsLocaleFormat final : public LocaleFormat {
  public:
    std::string short_date(double date) override;
    std::string long_time(double date) override;
    NumberSeparators number_separators() override { return numbers; }

    NumberSeparators numbers{".", ","};
};

// A shell that records what it is asked and answers what the test scripted.
class ScriptedShell final : public ShellServices {
  public:
    struct Call {
        std::string name;  // "execute", "execute_ex", "create", "wait", "close", "find", "find_close"
        WindowHandle owner = 0;
        std::string verb;
        std::string file;
        std::string parameters;
        std::string directory;
        std::int32_t show_command = 0;
        std::uint32_t size = 0;
        std::uint32_t mask = 0;
    };

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
    WindowHandle desktop_window() override { return kDesktop; }

    std::vector<Call> calls_named(const std::string& name) const;

    static constexpr WindowHandle kDesktop = 0xDE5C;
    std::vector<Call> calls;
    // Paths that exist.
    std::set<std::string, std::less<>> files;
    // Results of the next shell-execute calls; 42 (success) when none is left.
    std::deque<std::intptr_t> results;
    std::intptr_t properties_instance = 42;
    bool create_fails = false;
    bool find_close_fails = false;
    // Runs while the launcher waits for a started program: the program's own run.
    std::function<void()> program_run;
    int open_searches = 0;
    int open_processes = 0;

  private:
    Call& record(const char* name);
    Call& record_execute(const char* name, WindowHandle owner, std::string_view verb, std::string_view file,
                         std::string_view parameters, std::string_view directory, std::int32_t show_command);
};

// A complete environment for the user-interface library, every part reachable by the test.
struct UiFakes {
    std::shared_ptr<forms::HeadlessHost> host = std::make_shared<forms::HeadlessHost>("Pelorin");
    // 9 December 2025, 18:00.
    std::shared_ptr<ManualClock> clock = std::make_shared<ManualClock>(46000.75);
    std::shared_ptr<UsLocaleFormat> locale = std::make_shared<UsLocaleFormat>();
    std::shared_ptr<MemoryTextFiles> files = std::make_shared<MemoryTextFiles>();
    std::shared_ptr<RecordingEventLog> event_log = std::make_shared<RecordingEventLog>();
    std::shared_ptr<FixedOsVersion> os_version = std::make_shared<FixedOsVersion>();
    std::shared_ptr<ScriptedShell> shell = std::make_shared<ScriptedShell>();
    std::shared_ptr<MemoryRegistry> registry = std::make_shared<MemoryRegistry>();

    UiEnvironment environment() const;
};

}  // namespace corvel::fakes
