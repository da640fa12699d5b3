#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

namespace corvel {

// A date-time as automation callers hold it: days since 30 December 1899, fraction = time of day.
struct OleDate {
    double value = 0.0;
    friend bool operator==(const OleDate&, const OleDate&) = default;
};

// Currency: a 64-bit integer scaled by 10 000, as automation callers pass it.
struct Currency {
    std::int64_t scaled = 0;
    friend bool operator==(const Currency&, const Currency&) = default;
};

enum class VariantType {
    Empty,
    Byte,
    Integer,
    Long,
    LongLong,
    Single,
    Double,
    Currency,
    Date,
    String,
    Boolean
};

// The small variant an automation caller passes where a member takes "any value": settings, collection
// indexes. It mirrors the subset of automation variants the system's logic ever sees.
class Variant {
  public:
    Variant() = default;
    Variant(std::uint8_t v) : value_(v) {}
    Variant(std::int16_t v) : value_(v) {}
    Variant(std::int32_t v) : value_(v) {}
    Variant(std::int64_t v) : value_(v) {}
    Variant(float v) : value_(v) {}
    Variant(double v) : value_(v) {}
    Variant(Currency v) : value_(v) {}
    Variant(OleDate v) : value_(v) {}
    Variant(bool v) : value_(v) {}
    Variant(std::string v) : value_(std::move(v)) {}
    Variant(std::string_view v) : value_(std::string(v)) {}
    Variant(const char* v) : value_(std::string(v)) {}

    VariantType type() const noexcept { return static_cast<VariantType>(value_.index()); }
    // The caller-visible type name ("String", "Long", "Date", ...), as a type-name query reports it.
    std::string_view type_name() const noexcept;

    bool is_empty() const noexcept { return type() == VariantType::Empty; }
    bool is_string() const noexcept { return type() == VariantType::String; }
    // True for every type that converts to a number without parsing text (Boolean and Date included).
    bool is_numeric() const noexcept;

    const std::string* string_if() const noexcept { return std::get_if<std::string>(&value_); }
    const std::string& as_string() const { return std::get<std::string>(value_); }
    std::int32_t as_long() const { return std::get<std::int32_t>(value_); }
    bool as_bool() const { return std::get<bool>(value_); }
    OleDate as_date() const { return std::get<OleDate>(value_); }

    // The numeric value of a numeric variant (True is -1); nullopt for Empty-as-text cases and strings.
    std::optional<double> number() const noexcept;

    // Converts to a 32-bit integer the way an automation caller's integer conversion does: halves
    // round to even; nullopt when the value is not numeric or lies outside the 32-bit range.
    std::optional<std::int32_t> to_int32() const noexcept;

    // The text form a string conversion gives (numbers in invariant form, dates in the general form).
    std::string to_text() const;

    friend bool operator==(const Variant&, const Variant&) = default;

  private:
    std::variant<std::monostate, std::uint8_t, std::int16_t, std::int32_t, std::int64_t, float, double,
                 Currency, OleDate, std::string, bool>
        value_;
};

// Rounds to the nearest integer, halves to even, and checks the 32-bit range.
std::optional<std::int32_t> round_to_int32(double value) noexcept;

// Shortest text that reads back as the same double, without exponent for ordinary magnitudes
// ("2.5", "100", "0.0001").
std::string format_number(double value);

}  // namespace corvel
