#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/memory/memory_screen.h"
#include "platform/win32/forms_host/win32_host.h"
#include "tests/support/script.h"
#include "ui/forms/host.h"

namespace corvel::forms {

// The scripted person of the headless host, on real windows: the same steps, played through the
// Win32 host while a dialog runs modally. Clicks are mouse input at the control, typing is keyboard
// input into the focused control, the close box is the window's close command, message boxes are
// the system's and are read and answered through their buttons. Each inspection also checks that
// the window shows what the model holds (caption, texts, enabled and visible states, items).
class Win32Player final : public Host, public Script<Win32Player> {
  public:
    explicit Win32Player(std::string application_title,
                         std::shared_ptr<MemoryScreen> screen = std::make_shared<MemoryScreen>());
    ~Win32Player() override;

    void verify() const;

    const std::vector<ShownMessage>& messages() const noexcept { return messages_; }
    int beeps() const noexcept { return beeps_; }
    const std::vector<std::string>& brought_to_front() const noexcept { return brought_to_front_; }
    MemoryScreen& memory_screen() noexcept { return *memory_screen_; }
    Form* active_form() const noexcept { return windows_.modal_form(); }

    std::int32_t MsgBox(std::string_view prompt, std::int32_t style,
                        std::optional<std::string_view> title = std::nullopt) override;
    WindowHandle create_window(Form& form) override { return windows_.create_window(form); }
    void destroy_window(Form& form) override { windows_.destroy_window(form); }
    void show_window(Form& form, bool visible) override { windows_.show_window(form, visible); }
    void run_modal(Form& form) override;
    void changed(Control& control, Property what) override { windows_.changed(control, what); }
    void changed(Form& form, FormProperty what) override { windows_.changed(form, what); }
    void beep() override { ++beeps_; }
    void bring_to_front(Form& form) override {
        brought_to_front_.push_back(form.Name());
        windows_.bring_to_front(form);
    }
    Screen& screen() override { return windows_.screen(); }

  private:
    static void CALLBACK tick(HWND, UINT, UINT_PTR, DWORD);
    void play();
    bool play_message(HWND box);
    bool play_on(Form& form, const Step& step);
    bool play_hidden(const Step& step);
    bool perform_on_control(const Step& step, Control& control);
    void check_window(Form& form);
    std::string describe(const Step& step) const;
    void mismatch(const std::string& what);

    std::string application_title_;
    std::shared_ptr<MemoryScreen> memory_screen_;
    win32::unique_hwnd owner_;
    win32::Win32Host windows_;
    int waited_ = 0;
    bool clicked_into_ = false;
    bool trace_ = false;
    int settle_ = 0;
    bool answering_ = false;
    bool playing_ = false;
    std::size_t in_step_ = static_cast<std::size_t>(-1);  // the step being played
    UINT_PTR timer_ = 0;
    std::vector<ShownMessage> messages_;
    std::vector<std::string> brought_to_front_;
    int beeps_ = 0;
    std::optional<std::string> first_mismatch_;
    std::exception_ptr failure_;
};

}  // namespace corvel::forms
