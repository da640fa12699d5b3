#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "seams/registry.h"
#include "seams/shell_services.h"

namespace corvel {

// Hands things to the operating system's shell (mail messages, web addresses, documents, folders,
// programs, properties sheets) and turns the shell's error codes into errors with readable texts.
// It has no state: make one for a call and drop it.
class CShell {
  public:
    static constexpr std::uint32_t kErrFileNotFound = 0x80044679u;
    static constexpr std::uint32_t kErrPathNotFound = 0x8004467Au;
    static constexpr std::uint32_t kErrOutOfMemory = 0x8004467Cu;
    static constexpr std::uint32_t kErrDllNotFound = 0x8004467Du;
    static constexpr std::uint32_t kErrSharingViolation = 0x8004467Eu;
    static constexpr std::uint32_t kErrAssociationIncomplete = 0x8004467Fu;
    static constexpr std::uint32_t kErrDdeTimeout = 0x80044680u;
    static constexpr std::uint32_t kErrDdeFail = 0x80044681u;
    static constexpr std::uint32_t kErrDdeBusy = 0x80044682u;
    static constexpr std::uint32_t kErrNoAssociation = 0x80044683u;
    static constexpr std::uint32_t kErrBadFormat = 0x80044684u;
    static constexpr std::uint32_t kErrCannotCreateProcess = 0x80044685u;
    static constexpr std::uint32_t kErrCannotShowProperties = 0x80044686u;
    static constexpr std::uint32_t kErrComponentFailure = 0x80044687u;

    // `registry` answers the file-type questions of `OpenDocument` (HKEY_LOCAL_MACHINE classes).
    CShell(std::shared_ptr<ShellServices> shell, std::shared_ptr<Registry> registry);

    void CreateNewMailMessage(std::string_view RecipientAddress, std::string_view CCRecipientAddress,
                              std::string_view Subject, std::string_view Body);
    void ExploreFolder(std::string_view FolderName);
    void LaunchProgram(std::string_view PathFileName, std::string_view Parameters = "",
                       bool WaitToFinish = false, std::string_view StartDirectory = "");
    void OpenDocument(std::string_view PathFileName);
    void OpenFolder(std::string_view FolderName);
    void OpenUrl(std::string_view URL);
    void ShowProperties(std::string_view PathFileName, WindowHandle HWndOwner);

  private:
    enum class Table { Full, Short };

    void execute(std::string_view verb, std::string_view file, std::string_view parameters,
                 std::string_view directory, Table table);
    void check_result(std::intptr_t result, Table table) const;
    bool file_exists(std::string_view path);
    void require_file(std::string_view path);
    std::string document_verb(std::string_view path);
    bool read_default_value(std::string_view path, std::string& value);
    [[noreturn]] void raise(std::uint32_t number, const char* description) const;
    template <class Body>
    auto guarded(Body&& body) -> decltype(body());

    std::shared_ptr<ShellServices> shell_;
    std::shared_ptr<Registry> registry_;
};

}  // namespace corvel
