#pragma once

#include <functional>
#include <map>

#include "seams/screen.h"

namespace corvel {

// A screen held in memory: windows with their placement and visibility, and a desktop of a given size.
// It applies show commands as the platform does (a hide keeps the window's state, a restore makes it
// normal, the minimise commands minimise it), so a test reads back exactly what a dialog would find
// the next time. It is the screen of the headless host and of the placement store's tests.
class MemoryScreen final : public Screen {
  public:
    struct Window {
        WindowPlacement placement;  // show_command holds 1, 2 or 3: the window's state
        bool visible = false;
    };

    explicit MemoryScreen(std::int32_t desktop_width = 1920, std::int32_t desktop_height = 1080);

    bool get_window_placement(WindowHandle window, WindowPlacement& placement) override;
    bool set_window_placement(WindowHandle window, const WindowPlacement& placement) override;
    WindowHandle desktop_window() override { return kDesktop; }

    // --- What a host does with its windows.
    WindowHandle create_window(std::int32_t left, std::int32_t top, std::int32_t width, std::int32_t height,
                               corvel::WindowState state);
    void destroy_window(WindowHandle window);
    void show_window(WindowHandle window, bool visible);
    void set_state(WindowHandle window, corvel::WindowState state);
    // Told whenever a placement changes a window's state, so a host keeps its dialog in step.
    void on_state_change(std::function<void(WindowHandle, corvel::WindowState)> listener) {
        state_listener_ = std::move(listener);
    }

    // --- For tests.
    const Window* window(WindowHandle handle) const;
    void set_desktop(std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom);
    // The next `times` placement reads or writes fail (the desktop's included).
    void fail_get(int times = 1) { failing_gets_ = times; }
    void fail_set(int times = 1) { failing_sets_ = times; }

  private:
    static constexpr WindowHandle kDesktop = 0x10010;

    std::map<WindowHandle, Window> windows_;
    WindowPlacement desktop_;
    WindowHandle next_handle_ = 0x20000;
    int failing_gets_ = 0;
    int failing_sets_ = 0;
    std::function<void(WindowHandle, corvel::WindowState)> state_listener_;
};

}  // namespace corvel
