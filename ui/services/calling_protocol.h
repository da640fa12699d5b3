#pragma once

#include <cstdint>
#include <source_location>
#include <string>
#include <string_view>
#include <type_traits>

#include "ui/services/error_handler.h"

namespace corvel {

// What a procedure's trap does with a failure.
enum class Trap {
    // Ask the error handler: abort (empty the call stack, leave the procedure; its caller goes on),
    // retry the failing statement, or ignore it and go on with the next.
    AskErrorHandler,
    // Drop the failure without a word and leave the procedure (its call-stack entry is removed), for
    // the procedures whose own trap answers a failure with a result ("not a range", "no intersection").
    LeaveQuietly,
};

class Statements;

namespace protocol_detail {
// A non-owning reference to something callable as `void()` or `void(Statements&)`.
template <class... Args>
class CallRef {
  public:
    template <class F>
    CallRef(F& f) noexcept  // NOLINT(google-explicit-constructor): made only by the protocol
        : object_(const_cast<void*>(static_cast<const void*>(&f))),
          call_([](void* object, Args... args) { (*static_cast<F*>(object))(args...); }) {}
    void operator()(Args... args) const { call_(object_, args...); }

  private:
    void* object_;
    void (*call_)(void*, Args...);
};

struct Frame;
void run_procedure(CErrorHandler& handler, std::string_view full_name, CallRef<Statements&> body, Trap trap,
                   std::uint_least32_t line);
}  // namespace protocol_detail

// The statements of one procedure running under the calling protocol. Each statement is a callable
// run through `s(...)`: when it fails, the procedure's trap runs; retry runs that statement again,
// ignore goes on after it (a statement that yields a value then yields the value's default: false,
// 0, ""). Statements may nest; the innermost one is "the failing statement". Code of the body outside
// any statement counts as one outer statement, the body itself.
//
// Statements must let exceptions they do not understand pass: a `catch (...)` inside a statement
// would swallow the protocol's own unwinding.
class Statements {
  public:
    template <class Statement>
    auto operator()(Statement&& statement, std::source_location where = std::source_location::current()) {
        using Result = std::invoke_result_t<Statement&>;
        if constexpr (std::is_void_v<Result>) {
            auto call = [&] { statement(); };
            run(call, where.line());
        } else {
            Result result{};
            auto call = [&] { result = statement(); };
            run(call, where.line());
            return result;
        }
    }

  private:
    friend void protocol_detail::run_procedure(CErrorHandler&, std::string_view,
                                               protocol_detail::CallRef<Statements&>, Trap,
                                               std::uint_least32_t);
    explicit Statements(protocol_detail::Frame& frame) noexcept : frame_(frame) {}
    void run(protocol_detail::CallRef<> statement, std::uint_least32_t line);

    protocol_detail::Frame& frame_;
};

// Runs `body` as the procedure `full_name` (library, module and procedure joined by points, e.g.
// "Pelorin.frmModifyList.ButAdd_Click"): its name is pushed on the handler's call stack on entry and
// popped on every normal way out, including an early `return` from the body; on a failure the trap
// acts as `trap` says. A failure of the error handler itself leaves the procedure as an error to its
// caller. Untrappable failures pass untouched.
template <class Body>
void run_procedure(CErrorHandler& handler, std::string_view full_name, Body&& body,
                   Trap trap = Trap::AskErrorHandler,
                   std::source_location where = std::source_location::current()) {
    protocol_detail::run_procedure(handler, full_name, body, trap, where.line());
}

// The procedures of one module: `protocol("ButAdd_Click", [&](Statements& s) { ... })` runs the
// procedure "<module>.ButAdd_Click".
class CallingProtocol {
  public:
    // `module` is the library and module name, e.g. "Pelorin.frmModifyList".
    CallingProtocol(CErrorHandler& handler, std::string module)
        : handler_(handler), module_(std::move(module)) {}

    template <class Body>
    void operator()(std::string_view procedure, Body&& body, Trap trap = Trap::AskErrorHandler,
                    std::source_location where = std::source_location::current()) const {
        protocol_detail::run_procedure(handler_, module_ + "." + std::string(procedure), body, trap,
                                       where.line());
    }

    CErrorHandler& handler() const noexcept { return handler_; }
    const std::string& module() const noexcept { return module_; }

  private:
    CErrorHandler& handler_;
    std::string module_;
};

// The report form of a failure caught by a trap (the exception being handled): an automation error
// keeps its number and description; other failures get the platform's numbers for them.
PendingError pending_error_from(const std::exception& failure, std::int32_t line);

}  // namespace corvel
