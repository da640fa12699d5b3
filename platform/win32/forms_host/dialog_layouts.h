#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace corvel::win32 {

// How a control follows its dialog when the dialog is resized: it keeps its distance to the right or
// bottom edge (moves), or grows with it.
namespace anchor {
inline constexpr std::uint8_t kNone = 0;
inline constexpr std::uint8_t kMoveX = 1;
inline constexpr std::uint8_t kMoveY = 2;
inline constexpr std::uint8_t kGrowX = 4;
inline constexpr std::uint8_t kGrowY = 8;
}  // namespace anchor

// A control's place in dialog units, relative to the dialog's client area (not to its container, so
// a table reads like the dialog it draws).
struct ControlPlace {
    const char* name;
    std::int16_t x;
    std::int16_t y;
    std::int16_t width;
    std::int16_t height;
    std::uint8_t anchors = anchor::kNone;
    // A field label the host draws from the control's tooltip (the name the validation messages use,
    // since the dialogs have no label controls of their own for these fields): left of the control,
    // this wide, when positive; above it, as wide as the control, when negative; none when 0.
    std::int16_t label = 0;
    // For a tab container whose page another control picks (the contract dialog's type list): the
    // pages are drawn in a group box named after the current page, without tab headers, so that the
    // dialog has one way to pick a page.
    bool pages_only = false;
};

// One dialog's layout: its client size in dialog units, the button Enter presses, and its controls.
struct DialogLayout {
    const char* form;
    std::int16_t width;
    std::int16_t height;
    const char* default_button;
    std::vector<ControlPlace> places;
};

// The layout of the named dialog, or null for a form this table does not know (it gets a plain
// column of its controls).
const DialogLayout* dialog_layout(std::string_view form);
// Every dialog the table knows, for the gallery and the layout checks.
const std::vector<DialogLayout>& dialog_layouts();

}  // namespace corvel::win32
