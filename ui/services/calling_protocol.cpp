#include "ui/services/calling_protocol.h"

#include <exception>
#include <new>
#include <optional>

#include "common/automation_error.h"
#include "ui/services/untrappable.h"

namespace corvel {

namespace protocol_detail {

struct Frame {
    CErrorHandler& handler;
    Trap trap;
};

namespace {
// The protocol's own ways out of a procedure. They are no std::exception, so statements of the same
// procedure let them pass on the way to the procedure that threw them.
struct AbortProcedure {
    const Frame* frame;
};
struct LeaveProcedure {
    const Frame* frame;
};
// The error handler failed inside the trap: the procedure is left with that failure.
struct TrapFailed {
    const Frame* frame;
    std::exception_ptr failure;
};

constexpr std::int32_t kOutOfMemory = 7;
constexpr std::int32_t kInternalError = 51;

std::int32_t decide(Frame& frame, const PendingError& failure) {
    if (frame.trap == Trap::LeaveQuietly) throw LeaveProcedure{&frame};
    std::int32_t decision = CErrorHandler::kAbort;
    try {
        decision = frame.handler.HandleError("", failure);
        if (decision == CErrorHandler::kAbort) frame.handler.CallStackClear();
    } catch (const Untrappable&) {
        throw;
    } catch (const std::exception&) {
        throw TrapFailed{&frame, std::current_exception()};
    }
    if (decision == CErrorHandler::kAbort) throw AbortProcedure{&frame};
    return decision;
}
}  // namespace

void run_procedure(CErrorHandler& handler, std::string_view full_name, CallRef<Statements&> body, Trap trap,
                   std::uint_least32_t line) {
    Frame frame{handler, trap};
    Statements statements(frame);
    const std::size_t depth = handler.call_stack().size();
    try {
        auto push = [&] { handler.CallStackPush(full_name, ""); };
        statements.run(push, line);
        auto whole_body = [&] { body(statements); };
        statements.run(whole_body, line);
        auto pop = [&] { handler.CallStackPop(); };
        statements.run(pop, line);
    } catch (const AbortProcedure& abort) {
        if (abort.frame != &frame) throw;
    } catch (const LeaveProcedure& leave) {
        if (leave.frame != &frame) throw;
        if (handler.call_stack().size() > depth) handler.CallStackPop();
    } catch (const TrapFailed& failed) {
        if (failed.frame != &frame) throw;
        std::rethrow_exception(failed.failure);
    }
}

}  // namespace protocol_detail

void Statements::run(protocol_detail::CallRef<> statement, std::uint_least32_t line) {
    for (;;) {
        std::optional<PendingError> failure;
        try {
            statement();
            return;
        } catch (const Untrappable&) {
            throw;
        } catch (const std::exception& e) {
            failure = pending_error_from(e, static_cast<std::int32_t>(line));
        }
        if (protocol_detail::decide(frame_, *failure) != CErrorHandler::kRetry) return;
    }
}

PendingError pending_error_from(const std::exception& failure, std::int32_t line) {
    if (const auto* automation = dynamic_cast<const AutomationError*>(&failure)) {
        return PendingError{automation->number(), automation->description(), line};
    }
    if (dynamic_cast<const std::bad_alloc*>(&failure) != nullptr) {
        return PendingError{protocol_detail::kOutOfMemory, "Out of memory", line};
    }
    return PendingError{protocol_detail::kInternalError, failure.what(), line};
}

}  // namespace corvel
