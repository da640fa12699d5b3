#include "platform/memory/memory_screen.h"

namespace corvel {

namespace {
std::int32_t show_command_of(WindowState state) {
    switch (state) {
        case WindowState::Minimized:
            return show_command::kShowMinimized;
        case WindowState::Maximized:
            return show_command::kShowMaximized;
        case WindowState::Normal:
            break;
    }
    return show_command::kShowNormal;
}

WindowState state_of(std::int32_t command) {
    if (command == show_command::kShowMinimized) return WindowState::Minimized;
    if (command == show_command::kShowMaximized) return WindowState::Maximized;
    return WindowState::Normal;
}
}  // namespace

MemoryScreen::MemoryScreen(std::int32_t desktop_width, std::int32_t desktop_height) {
    set_desktop(0, 0, desktop_width, desktop_height);
}

void MemoryScreen::set_desktop(std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom) {
    desktop_ = WindowPlacement{};
    desktop_.show_command = show_command::kShowNormal;
    desktop_.normal_left = left;
    desktop_.normal_top = top;
    desktop_.normal_right = right;
    desktop_.normal_bottom = bottom;
}

bool MemoryScreen::get_window_placement(WindowHandle window, WindowPlacement& placement) {
    if (failing_gets_ > 0) {
        --failing_gets_;
        return false;
    }
    if (window == kDesktop) {
        placement = desktop_;
        return true;
    }
    const auto it = windows_.find(window);
    if (it == windows_.end()) return false;
    placement = it->second.placement;
    return true;
}

bool MemoryScreen::set_window_placement(WindowHandle window, const WindowPlacement& placement) {
    if (failing_sets_ > 0) {
        --failing_sets_;
        return false;
    }
    const auto it = windows_.find(window);
    if (it == windows_.end() || placement.length != 44) return false;
    const std::int32_t command = placement.show_command;
    if (command < show_command::kHide || command > show_command::kForceMinimize) return false;

    Window& w = it->second;
    const std::int32_t previous_state = w.placement.show_command;
    std::int32_t state = previous_state;
    switch (command) {
        case show_command::kShowNormal:
        case show_command::kShowNoActivate:
        case show_command::kRestore:
        case show_command::kShowDefault:
            state = show_command::kShowNormal;
            break;
        case show_command::kShowMinimized:
        case show_command::kMinimize:
        case show_command::kShowMinNoActive:
        case show_command::kForceMinimize:
            state = show_command::kShowMinimized;
            break;
        case show_command::kShowMaximized:
            state = show_command::kShowMaximized;
            break;
        default:  // hide, show, show without activation: the state stays
            break;
    }
    w.placement = placement;
    w.placement.flags = 0;
    w.placement.show_command = state;
    w.visible = command != show_command::kHide;
    if (state != previous_state && state_listener_) state_listener_(window, state_of(state));
    return true;
}

WindowHandle MemoryScreen::create_window(std::int32_t left, std::int32_t top, std::int32_t width,
                                         std::int32_t height, WindowState state) {
    const WindowHandle handle = next_handle_++;
    Window w;
    w.placement.show_command = show_command_of(state);
    w.placement.min_x = w.placement.min_y = w.placement.max_x = w.placement.max_y = -1;
    w.placement.normal_left = left;
    w.placement.normal_top = top;
    w.placement.normal_right = left + width;
    w.placement.normal_bottom = top + height;
    windows_.emplace(handle, w);
    return handle;
}

void MemoryScreen::destroy_window(WindowHandle window) {
    windows_.erase(window);
}

void MemoryScreen::show_window(WindowHandle window, bool visible) {
    const auto it = windows_.find(window);
    if (it != windows_.end()) it->second.visible = visible;
}

void MemoryScreen::set_state(WindowHandle window, WindowState state) {
    const auto it = windows_.find(window);
    if (it != windows_.end()) it->second.placement.show_command = show_command_of(state);
}

const MemoryScreen::Window* MemoryScreen::window(WindowHandle handle) const {
    const auto it = windows_.find(handle);
    return it == windows_.end() ? nullptr : &it->second;
}

}  // namespace corvel
