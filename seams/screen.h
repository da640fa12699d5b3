#pragma once

#include <cstdint>
#include <string>

#include "seams/window_handle.h"

namespace corvel {

// The platform's window-placement record, field for field.
struct WindowPlacement {
    std::int32_t length = 44;
    std::int32_t flags = 0;
    std::int32_t show_command = 0;
    std::int32_t min_x = 0;
    std::int32_t min_y = 0;
    std::int32_t max_x = 0;
    std::int32_t max_y = 0;
    std::int32_t normal_left = 0;
    std::int32_t normal_top = 0;
    std::int32_t normal_right = 0;
    std::int32_t normal_bottom = 0;
    friend bool operator==(const WindowPlacement&, const WindowPlacement&) = default;
};

// Show commands with the platform's numbers.
namespace show_command {
inline constexpr std::int32_t kHide = 0;
inline constexpr std::int32_t kShowNormal = 1;
inline constexpr std::int32_t kShowMinimized = 2;
inline constexpr std::int32_t kShowMaximized = 3;
inline constexpr std::int32_t kShowNoActivate = 4;
inline constexpr std::int32_t kShow = 5;
inline constexpr std::int32_t kMinimize = 6;
inline constexpr std::int32_t kShowMinNoActive = 7;
inline constexpr std::int32_t kShowNa = 8;
inline constexpr std::int32_t kRestore = 9;
inline constexpr std::int32_t kShowDefault = 10;
inline constexpr std::int32_t kForceMinimize = 11;
}  // namespace show_command

// A dialog's window state, with the numbers dialogs use for it.
enum class WindowState : std::int32_t { Normal = 0, Minimized = 1, Maximized = 2 };

// Border styles, with the numbers dialogs use for them.
namespace border_style {
inline constexpr std::int32_t kNone = 0;
inline constexpr std::int32_t kFixedSingle = 1;
inline constexpr std::int32_t kSizable = 2;
inline constexpr std::int32_t kFixedDialog = 3;
inline constexpr std::int32_t kFixedToolWindow = 4;
inline constexpr std::int32_t kSizableToolWindow = 5;
}  // namespace border_style

// The window operations the placement store needs: read and apply a window's placement record and
// find the desktop. A failing call answers false and changes nothing.
class Screen {
  public:
    virtual ~Screen() = default;
    virtual bool get_window_placement(WindowHandle window, WindowPlacement& placement) = 0;
    virtual bool set_window_placement(WindowHandle window, const WindowPlacement& placement) = 0;
    virtual WindowHandle desktop_window() = 0;
};

// What a dialog offers the placement store about itself. Width and height are in pixels.
class PlacedForm {
  public:
    virtual const std::string& Name() const = 0;
    virtual WindowHandle hWnd() const = 0;
    virtual bool Visible() const = 0;
    virtual std::int32_t BorderStyle() const = 0;
    virtual std::int32_t Width() const = 0;
    virtual std::int32_t Height() const = 0;
    virtual corvel::WindowState WindowState() const = 0;
    virtual void WindowState(corvel::WindowState state) = 0;

  protected:
    ~PlacedForm() = default;
};

}  // namespace corvel
