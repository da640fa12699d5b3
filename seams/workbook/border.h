#pragma once

#include <cstdint>
#include <optional>

namespace corvel::workbook {

// One border of a range (an edge, the inside lines or a diagonal, by the `xl...` border index).
// Getters give the value every line of that border shares, nullopt when the lines differ.
class Border {
  public:
    virtual ~Border() = default;

    virtual std::optional<std::int32_t> LineStyle() const = 0;
    // `xlNone` removes the lines.
    virtual void LineStyle(std::int32_t value) = 0;
    virtual std::optional<std::int32_t> Weight() const = 0;
    // A weight or colour given to a border without lines draws continuous lines.
    virtual void Weight(std::int32_t value) = 0;
    virtual std::optional<std::int32_t> ColorIndex() const = 0;
    virtual void ColorIndex(std::int32_t value) = 0;
};

}  // namespace corvel::workbook
