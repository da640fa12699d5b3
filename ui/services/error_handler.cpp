#include "ui/services/error_handler.h"

#include <stdexcept>

#include "ui/services/frm_error_message.h"
#include "ui/services/member_guard.h"
#include "ui/services/pelorin.h"

namespace corvel {

namespace {
const std::string kSource = std::string(pelorin::kLibraryName) + ".CErrorHandler";
constexpr const char* kCrLf = "\r\n";

bool valid_actions(std::int32_t value) {
    return value >= 1 && value <= 15;
}
bool valid_tracing_flags(std::int32_t value) {
    return value >= 1 && value <= 3;
}

bool platform_is_nt(OsVersion* os) {
    if (os == nullptr) return false;
    auto id = os->platform_id(OsVersion::kExtendedRecord);
    if (!id) id = os->platform_id(OsVersion::kBasicRecord);
    return id && *id == OsVersion::kPlatformNt;
}
}  // namespace

CErrorHandler::CErrorHandler(UiEnvironment environment)
    : environment_(std::move(environment)), is_windows_nt_(platform_is_nt(environment_.os_version.get())) {}

void CErrorHandler::raise(std::uint32_t number, const char* description) const {
    throw AutomationError(number, kSource, description);
}

template <class Body>
auto CErrorHandler::guarded(Body&& body) -> decltype(body()) {
    return guard_member(kSource, kErrComponentFailure, "CErrorHandler component failure",
                        std::forward<Body>(body));
}

void CErrorHandler::Init(std::int32_t ErrorHandlerActions, std::string_view ErrorLogFile,
                         bool CallStackEnabled, bool TracingEnabled, std::int32_t TracingFlags,
                         std::string_view TracingLogFile) {
    guarded([&] {
        this->ErrorHandlerActions(ErrorHandlerActions);
        this->ErrorLogFile(ErrorLogFile);
        call_stack_enabled_ = CallStackEnabled;
        tracing_enabled_ = TracingEnabled;
        this->TracingFlags(TracingFlags);
        this->TracingLogFile(TracingLogFile);
    });
}

void CErrorHandler::ErrorHandlerActions(std::int32_t value) {
    if (!valid_actions(value)) raise(kErrInvalidActions, "Invalid error handler actions");
    error_handler_actions_ = value;
}

void CErrorHandler::ErrorLogFile(std::string_view value) {
    if (value.empty()) raise(kErrInvalidFileName, "Invalid file name");
    error_log_file_ = value;
}

void CErrorHandler::TracingFlags(std::int32_t value) {
    if (!valid_tracing_flags(value)) raise(kErrInvalidTracingFlags, "Invalid tracing flags");
    tracing_flags_ = value;
}

void CErrorHandler::TracingLogFile(std::string_view value) {
    if (value.empty()) raise(kErrInvalidFileName, "Invalid file name");
    tracing_log_file_ = value;
}

// Date and time of a log line or report, in the user's short date and long time forms.
std::string CErrorHandler::now_text() const {
    const double now = environment_.clock->now();
    return environment_.locale->short_date(now) + " - " + environment_.locale->long_time(now);
}

void CErrorHandler::trace(std::string_view event, std::string_view procedure) {
    // Bit 1 asks for debugger output, which the delivered library does not produce.
    if (!tracing_enabled_ || (tracing_flags_ & kTraceLogFile) == 0) return;
    std::string line = now_text();
    line.append(" --- ").append(event).append(": ").append(procedure).append(kCrLf);
    if (!environment_.files->append(tracing_log_file_, line)) {
        throw std::runtime_error("the trace log cannot be written");
    }
}

void CErrorHandler::CallStackClear() {
    guarded([&] {
        if (!call_stack_enabled_) return;
        while (!call_stack_.empty()) {
            call_stack_.pop_back();
            call_stack_data_.pop_back();
        }
    });
}

void CErrorHandler::CallStackPop() {
    guarded([&] {
        if (call_stack_.empty()) return;
        trace("Exited routine", call_stack_.back());
        call_stack_.pop_back();
        call_stack_data_.pop_back();
    });
}

void CErrorHandler::CallStackPush(std::string_view Procedure, std::string_view Data) {
    guarded([&] {
        call_stack_.emplace_back(Procedure);
        call_stack_data_.emplace_back(Data);
        trace("Entered routine", Procedure);
    });
}

void CErrorHandler::Clear(bool ClearLogFile, bool ClearTracingLogFile) {
    guarded([&] {
        if (ClearLogFile && !error_log_file_.empty()) environment_.files->remove(error_log_file_);
        if (ClearTracingLogFile && !tracing_log_file_.empty()) environment_.files->remove(tracing_log_file_);
    });
}

std::string CErrorHandler::CallStackText(std::size_t indent, bool include_data) const {
    std::string text;
    for (std::size_t i = call_stack_.size(); i-- > 0;) {
        if (i + 1 != call_stack_.size()) text += kCrLf;
        text.append(indent, ' ').append(call_stack_[i]);
        if (include_data) text.append("(").append(call_stack_data_[i]).append(")");
    }
    return text;
}

std::int32_t CErrorHandler::HandleError(std::string_view Procedure, const PendingError& Error) {
    return guarded([&] {
        error_description_ = Error.description;
        error_number_ = Error.number;
        error_line_ = Error.line;
        std::int32_t result = kAbort;

        std::string procedure = "Unknown";
        if (!Procedure.empty()) {
            procedure = Procedure;
        } else if (call_stack_enabled_ && !call_stack_.empty()) {
            procedure = call_stack_.back();
        }

        std::string report = now_text() + kCrLf;
        report.append("\tError: ").append(std::to_string(error_number_)).append(", (");
        report.append(error_description_).append(")").append(kCrLf);
        report.append("\tin ").append(procedure).append(" at line ").append(std::to_string(error_line_));
        report.append(kCrLf).append(kCrLf).append("The call stack is:").append(kCrLf);
        report.append(CallStackText(20, true));

        if ((error_handler_actions_ & kActionErrorLog) != 0 &&
            !environment_.files->append(error_log_file_, report + kCrLf)) {
            throw std::runtime_error("the error log cannot be written");
        }
        if ((error_handler_actions_ & kActionEventLog) != 0 && is_windows_nt_ &&
            !environment_.event_log->write_error(report)) {
            throw std::runtime_error("the event log refused the report");
        }
        if ((error_handler_actions_ & kActionMessageBox) != 0) {
            const std::int32_t answer = environment_.host->MsgBox(report, msgbox::kAbortRetryIgnore);
            result = answer == msgbox::kAbort ? kAbort : answer == msgbox::kRetry ? kRetry : kIgnore;
        }
        if ((error_handler_actions_ & kActionErrorDialog) != 0) result = ShowErrorMessage(report);
        return result;
    });
}

std::int32_t CErrorHandler::ShowErrorMessage(const std::string& Message) {
    frmErrorMessage dialog(environment_);
    dialog.Load();
    dialog.ErrorMessage(Message);
    dialog.SupportMail(support_mail_);
    dialog.Show(forms::ShowMode::Modal);
    const std::string answer = dialog.Tag();
    dialog.Unload();
    if (answer == "ABORT") return kAbort;
    if (answer == "RETRY") return kRetry;
    return kIgnore;
}

}  // namespace corvel
