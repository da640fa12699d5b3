#pragma once

#include <cstdint>

namespace corvel::workbook {

// The constants of the spreadsheet's object model that the tape builder passes, under the object
// model's own names, so that a binding hands them over unchanged.

// Line styles and weights of a border.
inline constexpr std::int32_t xlNone = -4142;
inline constexpr std::int32_t xlContinuous = 1;
inline constexpr std::int32_t xlDashDotDot = 5;
inline constexpr std::int32_t xlHairline = 1;
inline constexpr std::int32_t xlThin = 2;

// Palette indexes that mean "no colour" and "the automatic colour".
inline constexpr std::int32_t xlColorIndexNone = -4142;
inline constexpr std::int32_t xlColorIndexAutomatic = -4105;

// Border indexes of a range.
inline constexpr std::int32_t xlDiagonalDown = 5;
inline constexpr std::int32_t xlDiagonalUp = 6;
inline constexpr std::int32_t xlEdgeLeft = 7;
inline constexpr std::int32_t xlEdgeTop = 8;
inline constexpr std::int32_t xlEdgeBottom = 9;
inline constexpr std::int32_t xlEdgeRight = 10;
inline constexpr std::int32_t xlInsideVertical = 11;
inline constexpr std::int32_t xlInsideHorizontal = 12;

// `SpecialCells` type of the last cell of a sheet's used area.
inline constexpr std::int32_t xlCellTypeLastCell = 11;

enum class XlSearchOrder : std::int32_t { xlByRows = 1, xlByColumns = 2 };
enum class XlSearchDirection : std::int32_t { xlNext = 1, xlPrevious = 2 };

// The number the object model raises for a failed method ("Method 'Range' of object '_Global'
// failed", "Application-defined or object-defined error").
inline constexpr std::int32_t kErrObjectModel = 1004;

}  // namespace corvel::workbook
