#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "ui/services/ui_environment.h"

namespace corvel {

// The failure a procedure's trap caught, as the error handler reports it.
struct PendingError {
    std::int32_t number = 0;
    std::string description;
    // The source line of the failing statement (0 when the failing code reports none).
    std::int32_t line = 0;
};

// The user-interface library's one place for run-time failures. It keeps a call stack of procedure
// names, can trace every entry and exit to a log, and when a procedure fails it composes a report,
// delivers it as its action bits select (error log, event log, message box, error dialog) and answers
// whether the procedure aborts, retries the failing statement or ignores it.
class CErrorHandler {
  public:
    static constexpr std::uint32_t kErrInvalidFileName = 0x800443F9u;
    static constexpr std::uint32_t kErrInvalidActions = 0x800443FAu;
    static constexpr std::uint32_t kErrInvalidTracingFlags = 0x800443FBu;
    static constexpr std::uint32_t kErrComponentFailure = 0x800443FCu;

    // Action bits.
    static constexpr std::int32_t kActionMessageBox = 1;
    static constexpr std::int32_t kActionErrorLog = 2;
    static constexpr std::int32_t kActionEventLog = 4;
    static constexpr std::int32_t kActionErrorDialog = 8;
    // Tracing flag bits.
    static constexpr std::int32_t kTraceDebugger = 1;
    static constexpr std::int32_t kTraceLogFile = 2;
    // Decisions of `HandleError`.
    static constexpr std::int32_t kAbort = 0;
    static constexpr std::int32_t kRetry = 1;
    static constexpr std::int32_t kIgnore = 2;

    explicit CErrorHandler(UiEnvironment environment);

    const std::string& SupportMail() const noexcept { return support_mail_; }
    void SupportMail(std::string_view value) { support_mail_ = value; }

    void Init(std::int32_t ErrorHandlerActions, std::string_view ErrorLogFile, bool CallStackEnabled,
              bool TracingEnabled, std::int32_t TracingFlags, std::string_view TracingLogFile);

    bool CallStackEnabled() const noexcept { return call_stack_enabled_; }
    void CallStackEnabled(bool value) noexcept { call_stack_enabled_ = value; }
    const std::string& ErrorDescription() const noexcept { return error_description_; }
    void ErrorDescription(std::string_view value) { error_description_ = value; }
    std::int32_t ErrorHandlerActions() const noexcept { return error_handler_actions_; }
    void ErrorHandlerActions(std::int32_t value);
    std::int32_t ErrorLine() const noexcept { return error_line_; }
    void ErrorLine(std::int32_t value) noexcept { error_line_ = value; }
    const std::string& ErrorLogFile() const noexcept { return error_log_file_; }
    void ErrorLogFile(std::string_view value);
    std::int32_t ErrorNumber() const noexcept { return error_number_; }
    void ErrorNumber(std::int32_t value) noexcept { error_number_ = value; }
    const std::string& Tag() const noexcept { return tag_; }
    void Tag(std::string_view value) { tag_ = value; }
    bool TracingEnabled() const noexcept { return tracing_enabled_; }
    void TracingEnabled(bool value) noexcept { tracing_enabled_ = value; }
    std::int32_t TracingFlags() const noexcept { return tracing_flags_; }
    void TracingFlags(std::int32_t value);
    const std::string& TracingLogFile() const noexcept { return tracing_log_file_; }
    void TracingLogFile(std::string_view value);
    bool IsWindowsNT() const noexcept { return is_windows_nt_; }

    // Empties the call stack, when it is enabled.
    void CallStackClear();
    // Removes the top entry (tracing its exit); nothing on an empty stack.
    void CallStackPop();
    void CallStackPush(std::string_view Procedure, std::string_view Data);
    // Deletes the named logs; a deletion that fails is ignored.
    void Clear(bool ClearLogFile, bool ClearTracingLogFile);
    // Reports `Error`, which a procedure's trap caught, and returns kAbort, kRetry or kIgnore. An empty
    // `Procedure` names the procedure on top of the call stack.
    std::int32_t HandleError(std::string_view Procedure, const PendingError& Error);

    // The procedure names on the call stack, bottom first.
    const std::vector<std::string>& call_stack() const noexcept { return call_stack_; }

  private:
    std::int32_t ShowErrorMessage(const std::string& Message);
    std::string CallStackText(std::size_t indent, bool include_data) const;
    std::string now_text() const;
    void trace(std::string_view event, std::string_view procedure);
    [[noreturn]] void raise(std::uint32_t number, const char* description) const;
    template <class Body>
    auto guarded(Body&& body) -> decltype(body());

    UiEnvironment environment_;
    bool call_stack_enabled_ = false;
    bool tracing_enabled_ = false;
    std::int32_t error_handler_actions_ = kActionMessageBox;
    std::int32_t tracing_flags_ = 0;
    std::int32_t error_number_ = 0;
    std::int32_t error_line_ = 0;
    std::string error_log_file_ = "Error Log.txt";
    std::string tracing_log_file_ = "Tracing Log.txt";
    std::string error_description_;
    std::string support_mail_;
    std::string tag_;
    bool is_windows_nt_ = false;
    std::vector<std::string> call_stack_;
    std::vector<std::string> call_stack_data_;
};

}  // namespace corvel
