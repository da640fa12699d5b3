#pragma once

#include <cstdint>
#include <optional>

namespace corvel::workbook {

// The fill of a range's cells.
class Interior {
  public:
    virtual ~Interior() = default;

    // The palette index all cells share (`xlColorIndexNone` without fill); nullopt when they differ.
    virtual std::optional<std::int32_t> ColorIndex() const = 0;
    // Fills every cell; `xlColorIndexNone` removes the fill.
    virtual void ColorIndex(std::int32_t value) = 0;
};

}  // namespace corvel::workbook
