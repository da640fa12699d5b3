#include "common/variant.h"

#include <cmath>
#include <cstdio>

#include "common/ole_date.h"

namespace corvel {

std::string_view Variant::type_name() const noexcept {
    switch (type()) {
        case VariantType::Empty:
            return "Empty";
        case VariantType::Byte:
            return "Byte";
        case VariantType::Integer:
            return "Integer";
        case VariantType::Long:
            return "Long";
        case VariantType::LongLong:
            return "LongLong";
        case VariantType::Single:
            return "Single";
        case VariantType::Double:
            return "Double";
        case VariantType::Currency:
            return "Currency";
        case VariantType::Date:
            return "Date";
        case VariantType::String:
            return "String";
        case VariantType::Boolean:
            return "Boolean";
    }
    return "Empty";
}

bool Variant::is_numeric() const noexcept {
    return type() != VariantType::Empty && type() != VariantType::String;
}

std::optional<double> Variant::number() const noexcept {
    return std::visit(
        [](const auto& v) -> std::optional<double> {
            using T = std::decay_t<decltype(v)>;
            if constexpr (std::is_same_v<T, std::monostate> || std::is_same_v<T, std::string>) {
                return std::nullopt;
            } else if constexpr (std::is_same_v<T, bool>) {
                return v ? -1.0 : 0.0;
            } else if constexpr (std::is_same_v<T, Currency>) {
                return static_cast<double>(v.scaled) / 10000.0;
            } else if constexpr (std::is_same_v<T, OleDate>) {
                return v.value;
            } else {
                return static_cast<double>(v);
            }
        },
        value_);
}

std::optional<std::int32_t> Variant::to_int32() const noexcept {
    if (type() == VariantType::Empty) return 0;
    if (type() == VariantType::LongLong) {
        const auto v = std::get<std::int64_t>(value_);
        if (v < INT32_MIN || v > INT32_MAX) return std::nullopt;
        return static_cast<std::int32_t>(v);
    }
    if (type() == VariantType::Currency) {
        // Exact integer arithmetic: a double would blur the halves of large amounts.
        const std::int64_t scaled = std::get<Currency>(value_).scaled;
        std::int64_t whole = scaled / 10000;
        std::int64_t rest = scaled % 10000;
        if (rest > 5000 || (rest == 5000 && (whole % 2) != 0)) ++whole;
        if (rest < -5000 || (rest == -5000 && (whole % 2) != 0)) --whole;
        if (whole < INT32_MIN || whole > INT32_MAX) return std::nullopt;
        return static_cast<std::int32_t>(whole);
    }
    const auto n = number();
    if (!n) return std::nullopt;
    return round_to_int32(*n);
}

std::string Variant::to_text() const {
    switch (type()) {
        case VariantType::Empty:
            return {};
        case VariantType::String:
            return as_string();
        case VariantType::Boolean:
            return as_bool() ? "True" : "False";
        case VariantType::Date:
            return format_general_date(as_date().value);
        case VariantType::Byte:
            return std::to_string(std::get<std::uint8_t>(value_));
        case VariantType::Integer:
            return std::to_string(std::get<std::int16_t>(value_));
        case VariantType::Long:
            return std::to_string(std::get<std::int32_t>(value_));
        case VariantType::LongLong:
            return std::to_string(std::get<std::int64_t>(value_));
        default:
            return format_number(*number());
    }
}

std::optional<std::int32_t> round_to_int32(double value) noexcept {
    if (!std::isfinite(value)) return std::nullopt;
    // Explicit halves-to-even, independent of the floating-point rounding mode.
    const double down = std::floor(value);
    const double diff = value - down;
    double rounded = down;
    if (diff > 0.5 || (diff == 0.5 && std::fmod(down, 2.0) != 0.0)) rounded = down + 1.0;
    if (rounded < -2147483648.0 || rounded > 2147483647.0) return std::nullopt;
    return static_cast<std::int32_t>(rounded);
}

std::string format_number(double value) {
    if (std::isnan(value)) return "NaN";
    if (std::isinf(value)) return value > 0 ? "Infinity" : "-Infinity";
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.15G", value);
    return buf;
}

}  // namespace corvel
