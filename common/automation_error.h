#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace corvel {

// The one error type of the system's logic. It carries what an automation caller sees in its error
// object: a number, a source and an English description. The COM adapters turn it into an
// exception result; the dialogs hand it to the error handler.
class AutomationError : public std::runtime_error {
  public:
    AutomationError(std::int32_t number, std::string source, std::string description)
        : std::runtime_error(description),
          number_(number),
          source_(std::move(source)),
          description_(std::move(description)) {}

    // Numbers given as 0x8004xxxx read naturally as unsigned; they are stored as the signed value
    // an automation caller's error object holds.
    AutomationError(std::uint32_t number, std::string source, std::string description)
        : AutomationError(static_cast<std::int32_t>(number), std::move(source), std::move(description)) {}

    std::int32_t number() const noexcept { return number_; }
    std::uint32_t code() const noexcept { return static_cast<std::uint32_t>(number_); }
    const std::string& source() const noexcept { return source_; }
    const std::string& description() const noexcept { return description_; }

  private:
    std::int32_t number_;
    std::string source_;
    std::string description_;
};

// Object errors are numbered from this base; each class owns a range above it.
inline constexpr std::uint32_t kObjectErrorBase = 0x80040000u;

constexpr std::uint32_t object_error(std::uint32_t offset) {
    return kObjectErrorBase + offset;
}

// Errors a Visual Basic collection reports; callers of the tick collection expect these numbers.
namespace vb_error {
inline constexpr std::int32_t kInvalidProcedureCall = 5;
inline constexpr std::int32_t kSubscriptOutOfRange = 9;
inline constexpr std::int32_t kTypeMismatch = 13;
inline constexpr std::int32_t kObjectVariableNotSet = 91;
inline constexpr std::int32_t kKeyAlreadyAssociated = 457;

inline constexpr const char* kInvalidProcedureCallText = "Invalid procedure call or argument";
inline constexpr const char* kSubscriptOutOfRangeText = "Subscript out of range";
inline constexpr const char* kTypeMismatchText = "Type mismatch";
inline constexpr const char* kObjectVariableNotSetText = "Object variable or With block variable not set";
inline constexpr const char* kKeyAlreadyAssociatedText =
    "This key is already associated with an element of this collection";
}  // namespace vb_error

}  // namespace corvel
