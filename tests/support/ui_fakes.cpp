#include "tests/support/ui_fakes.h"

#include <cstdio>

#include "common/ole_date.h"

namespace corvel::fakes {

bool MemoryTextFiles::append(std::string_view path, std::string_view text) {
    ++appends;
    if (failing_appends > 0) {
        --failing_appends;
        return false;
    }
    if (unwritable.count(path) != 0) return false;
    files[std::string(path)].append(text);
    return true;
}

bool MemoryTextFiles::remove(std::string_view path) {
    const auto it = files.find(path);
    if (it == files.end() || unwritable.count(path) != 0) return false;
    files.erase(it);
    return true;
}

std::string UsLocaleFormat::short_date(double date) {
    const CivilTime t = civil_from_ole_date(date);
    return std::to_string(t.month) + "/" + std::to_string(t.day) + "/" + std::to_string(t.year);
}

std::string UsLocaleFormat::long_time(double date) {
    const CivilTime t = civil_from_ole_date(date);
    char text[32];
    std::snprintf(text, sizeof text, "%d:%02d:%02d %s", t.hour % 12 == 0 ? 12 : t.hour % 12, t.minute,
                  t.second, t.hour < 12 ? "AM" : "PM");
    return text;
}

ScriptedShell::Call& ScriptedShell::record(const char* name) {
    calls.emplace_back();
    calls.back().name = name;
    return calls.back();
}

ScriptedShell::Call& ScriptedShell::record_execute(const char* name, WindowHandle owner,
                                                   std::string_view verb, std::string_view file,
                                                   std::string_view parameters, std::string_view directory,
                                                   std::int32_t show_command) {
    Call& call = record(name);
    call.owner = owner;
    call.verb = verb;
    call.file = file;
    call.parameters = parameters;
    call.directory = directory;
    call.show_command = show_command;
    return call;
}

std::intptr_t ScriptedShell::shell_execute(WindowHandle owner, std::string_view verb, std::string_view file,
                                           std::string_view parameters, std::string_view directory,
                                           std::int32_t show_command) {
    record_execute("execute", owner, verb, file, parameters, directory, show_command);
    if (results.empty()) return 42;
    const std::intptr_t result = results.front();
    results.pop_front();
    return result;
}

bool ScriptedShell::shell_execute_ex(ShellExecuteInfo& info) {
    Call& call = record_execute("execute_ex", info.owner, info.verb, info.file, info.parameters,
                                info.directory, info.show_command);
    call.size = info.size;
    call.mask = info.mask;
    info.instance = properties_instance;
    return properties_instance > 32;
}

bool ScriptedShell::create_process(std::string_view command_line, std::string_view directory,
                                   ProcessHandle& process) {
    Call& call = record("create");
    call.file = command_line;
    call.directory = directory;
    if (create_fails) return false;
    process = 0x9000 + calls.size();
    ++open_processes;
    return true;
}

void ScriptedShell::wait_for_process(ProcessHandle) {
    if (program_run) program_run();
    record("wait");
}

bool ScriptedShell::close_process(ProcessHandle) {
    record("close");
    --open_processes;
    return true;
}

bool ScriptedShell::find_first_file(std::string_view path, SearchHandle& search) {
    record("find").file = path;
    if (files.count(path) == 0) return false;
    search = 0x5000 + calls.size();
    ++open_searches;
    return true;
}

bool ScriptedShell::find_close(SearchHandle) {
    record("find_close");
    --open_searches;
    return !find_close_fails;
}

std::vector<ScriptedShell::Call> ScriptedShell::calls_named(const std::string& name) const {
    std::vector<Call> found;
    for (const auto& call : calls) {
        if (call.name == name) found.push_back(call);
    }
    return found;
}

UiEnvironment UiFakes::environment() const {
    UiEnvironment environment;
    environment.host = host;
    environment.clock = clock;
    environment.locale = locale;
    environment.files = files;
    environment.event_log = event_log;
    environment.os_version = os_version;
    environment.shell = shell;
    environment.registry = registry;
    return environment;
}

}  // namespace corvel::fakes
