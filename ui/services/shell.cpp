#include "ui/services/shell.h"

#include <cstdint>
#include <stdexcept>
#include <utility>

#include "common/registry_key.h"
#include "common/text.h"
#include "common/unique_handle.h"
#include "ui/services/member_guard.h"
#include "ui/services/pelorin.h"

namespace corvel {

namespace {
const std::string kSource = std::string(pelorin::kLibraryName) + ".CShell";

constexpr std::int32_t kShowNormal = 1;
// Invoke the item's context menu, keep the process handle, no error user interface.
constexpr std::uint32_t kPropertiesMask = 0x44C;

struct ShellError {
    std::intptr_t result;
    std::uint32_t number;
    const char* description;
    bool in_short_table;
};

constexpr ShellError kShellErrors[] = {
    {2, CShell::kErrFileNotFound, "File not found", false},
    {5, CShell::kErrFileNotFound, "File not found", false},
    {3, CShell::kErrPathNotFound, "Path not found", false},
    {8, CShell::kErrOutOfMemory, "Out of memory", true},
    {11, CShell::kErrBadFormat, "Invalid EXE file or error in EXE image", false},
    {26, CShell::kErrSharingViolation, "A sharing violation occurred", true},
    {27, CShell::kErrAssociationIncomplete, "Incomplete or invalid file association", false},
    {28, CShell::kErrDdeTimeout, "DDE timeout", true},
    {29, CShell::kErrDdeFail, "DDE transaction failed", true},
    {30, CShell::kErrDdeBusy, "DDE busy", true},
    {31, CShell::kErrNoAssociation, "No association for file extension", false},
    {32, CShell::kErrDllNotFound, "DLL not found", false},
};

// The folder a file lies in, with its final separator; empty when the path names no folder. Both
// separators count, so forward-slash paths work on every platform.
std::string_view folder_of(std::string_view path) {
    const std::size_t last = path.find_last_of("\\/");
    return last == std::string_view::npos ? std::string_view{} : path.substr(0, last + 1);
}

// Gives a handle back to the shell services through the call that takes it back.
template <bool (ShellServices::*Close)(std::uintptr_t)>
class ShellHandlePolicy {
  public:
    using handle_type = std::uintptr_t;

    ShellHandlePolicy() noexcept = default;
    explicit ShellHandlePolicy(ShellServices& shell) noexcept : shell_(&shell) {}

    static constexpr handle_type invalid() noexcept { return 0; }
    // False when the platform refused, or failed, to close it.
    bool close(handle_type handle) noexcept {
        try {
            return (shell_->*Close)(handle);
        } catch (...) {
            return false;
        }
    }

  private:
    ShellServices* shell_ = nullptr;
};

using ProcessPolicy = ShellHandlePolicy<&ShellServices::close_process>;
using SearchPolicy = ShellHandlePolicy<&ShellServices::find_close>;
// A started process, closed on every path out of the launcher.
using ProcessOwner = UniqueHandle<ProcessPolicy>;
// A file search, closed on every path out of the lookup.
using SearchOwner = UniqueHandle<SearchPolicy>;
}  // namespace

CShell::CShell(std::shared_ptr<ShellServices> shell, std::shared_ptr<Registry> registry)
    : shell_(std::move(shell)), registry_(std::move(registry)) {}

void CShell::raise(std::uint32_t number, const char* description) const {
    throw AutomationError(number, kSource, description);
}

template <class Body>
auto CShell::guarded(Body&& body) -> decltype(body()) {
    return guard_member(kSource, kErrComponentFailure, "CShell component failure", std::forward<Body>(body));
}

void CShell::check_result(std::intptr_t result, Table table) const {
    for (const ShellError& e : kShellErrors) {
        if (e.result == result && (table == Table::Full || e.in_short_table)) raise(e.number, e.description);
    }
}

void CShell::execute(std::string_view verb, std::string_view file, std::string_view parameters,
                     std::string_view directory, Table table) {
    const std::intptr_t result =
        shell_->shell_execute(shell_->desktop_window(), verb, file, parameters, directory, kShowNormal);
    check_result(result, table);
}

bool CShell::file_exists(std::string_view path) {
    SearchHandle found = 0;
    if (!shell_->find_first_file(path, found)) return false;
    SearchOwner search(found, SearchPolicy(*shell_));
    if (!search.close()) throw std::runtime_error("the file search could not be closed");
    return true;
}

void CShell::require_file(std::string_view path) {
    if (!file_exists(path)) raise(kErrFileNotFound, "File not found");
}

void CShell::CreateNewMailMessage(std::string_view RecipientAddress, std::string_view CCRecipientAddress,
                                  std::string_view Subject, std::string_view Body) {
    guarded([&] {
        std::string address = "mailto:";
        address.append(RecipientAddress);
        const std::pair<const char*, std::string_view> fields[] = {
            {"subject=", Subject}, {"cc=", CCRecipientAddress}, {"body=", Body}};
        bool first = true;
        for (const auto& [name, text] : fields) {
            if (text.empty()) continue;
            address.append(first ? "?" : "&").append(name).append(text);
            first = false;
        }
        execute("open", address, "", "", Table::Short);
    });
}

void CShell::ExploreFolder(std::string_view FolderName) {
    guarded([&] { execute("explore", FolderName, "", "", Table::Full); });
}

void CShell::OpenFolder(std::string_view FolderName) {
    guarded([&] { execute("open", FolderName, "", "", Table::Full); });
}

void CShell::OpenUrl(std::string_view URL) {
    guarded([&] { execute("open", URL, "", "", Table::Short); });
}

void CShell::LaunchProgram(std::string_view PathFileName, std::string_view Parameters, bool WaitToFinish,
                           std::string_view StartDirectory) {
    guarded([&] {
        require_file(PathFileName);
        if (!WaitToFinish) {
            execute("open", PathFileName, Parameters, folder_of(PathFileName), Table::Full);
            return;
        }
        // The program path is quoted so that a path with blanks starts the program that was found, not
        // whatever its first word names. A path that itself holds a quote cannot be quoted faithfully.
        if (PathFileName.find('"') != std::string_view::npos) {
            raise(kErrCannotCreateProcess, "Cannot create process");
        }
        std::string command_line = "\"";
        command_line.append(PathFileName).append("\" ").append(Parameters);
        ProcessHandle process = 0;
        if (!shell_->create_process(command_line, StartDirectory, process)) {
            raise(kErrCannotCreateProcess, "Cannot create process");
        }
        ProcessOwner owner(process, ProcessPolicy(*shell_));
        shell_->wait_for_process(process);
        if (!owner.close()) throw std::runtime_error("the process handle could not be closed");
    });
}

void CShell::OpenDocument(std::string_view PathFileName) {
    guarded([&] {
        require_file(PathFileName);
        const std::string verb = document_verb(PathFileName);
        execute(verb, PathFileName, "", folder_of(PathFileName), Table::Full);
    });
}

void CShell::ShowProperties(std::string_view PathFileName, WindowHandle HWndOwner) {
    guarded([&] {
        require_file(PathFileName);
        ShellExecuteInfo info;
        info.size = 60;
        info.mask = kPropertiesMask;
        info.owner = HWndOwner != 0 ? HWndOwner : shell_->desktop_window();
        info.verb = "properties";
        info.file = std::string(PathFileName);
        info.show_command = kShowNormal;
        shell_->shell_execute_ex(info);
        if (info.instance < 33) raise(kErrCannotShowProperties, "Cannot show properties");
    });
}

// A string value of a key below HKEY_LOCAL_MACHINE, cut at its first NUL. Only read access is asked
// for: the launcher never writes there, and asking for more is refused to ordinary users.
bool CShell::read_default_value(std::string_view path, std::string& value) {
    RegistryKey key;
    if (open_registry_key(*registry_, reg_hive::kLocalMachine, path, reg_access::kRead, key) !=
        reg_status::kSuccess) {
        return false;
    }
    RegType type = RegType::None;
    std::uint32_t size = 0;
    if (registry_->query_value(key.get(), "", type, size) != reg_status::kSuccess) return false;
    if (type != RegType::Sz && type != RegType::ExpandSz) return false;
    std::string data;
    if (registry_->read_value(key.get(), "", size, type, data) != reg_status::kSuccess) return false;
    value = data.substr(0, data.find('\0'));
    return true;
}

// The verb the document's file type prefers: its Shell key's default value, else "open" when the type
// has an open command, else its first command; "open" when the type is unknown, empty (the shell's
// own default) when the type lists no commands.
std::string CShell::document_verb(std::string_view path) {
    const std::size_t dot = path.rfind('.');
    if (dot == std::string_view::npos) return "open";
    const std::string classes = "SOFTWARE\\Classes\\";
    std::string file_type;
    if (!read_default_value(classes + std::string(path.substr(dot)), file_type) || file_type.empty()) {
        return "open";
    }
    const std::string shell_path = classes + file_type + "\\Shell";
    std::string preferred;
    if (read_default_value(shell_path, preferred) && !preferred.empty()) return preferred;

    RegistryKey key;
    if (open_registry_key(*registry_, reg_hive::kLocalMachine, shell_path, reg_access::kRead, key) !=
        reg_status::kSuccess) {
        return "";
    }
    std::string first;
    std::string name;
    for (std::uint32_t index = 0; registry_->enum_key_name(key.get(), index, name) == reg_status::kSuccess;
         ++index) {
        if (equals_ignore_case(name, "open") || equals_ignore_case(name, "&open")) return "open";
        if (index == 0) first = name;
    }
    return first;
}

}  // namespace corvel
