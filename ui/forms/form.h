#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "seams/screen.h"
#include "ui/forms/control.h"

namespace corvel::forms {

class Host;

// How a form is shown: modally (the call returns when the form is hidden or unloaded) or not.
enum class ShowMode { Modeless = 0, Modal = 1 };

// Why a form is being unloaded, with the numbers its query-unload event receives.
namespace unload_mode {
inline constexpr std::int32_t kFormControlMenu = 0;  // the user's close box
inline constexpr std::int32_t kFormCode = 1;         // `Unload` from code
}  // namespace unload_mode

// What changed on a form, for a host drawing it.
enum class FormProperty { Caption, WindowState, BorderStyle, Size, Position };

// A dialog: a class deriving from `Form` holds its controls as members and its procedures as member
// functions, and overrides the form events it handles. `Show(ShowMode::Modal)` loads the form (its
// `Form_Load` runs once), shows it, raises `Form_Activate` and lets the host run the user's part until
// the form is hidden or unloaded; a modal dialog's answer is the text it leaves in `Tag`.
class Form : public Container, public PlacedForm {
  public:
    Form(Host& host, std::string name);
    virtual ~Form();

    Host& host() const noexcept { return host_; }

    const std::string& Name() const noexcept override { return name_; }
    const std::string& Caption() const noexcept { return caption_; }
    void Caption(std::string_view value);
    const std::string& Tag() const noexcept { return tag_; }
    void Tag(std::string_view value) { tag_ = value; }

    bool Visible() const noexcept override { return visible_; }
    bool Loaded() const noexcept { return loaded_; }
    WindowHandle hWnd() const noexcept override { return window_; }

    corvel::WindowState WindowState() const noexcept override { return window_state_; }
    void WindowState(corvel::WindowState value) override;
    std::int32_t BorderStyle() const noexcept override { return border_style_; }
    void BorderStyle(std::int32_t value);
    // Size and design position, in pixels.
    std::int32_t Width() const noexcept override { return width_; }
    void Width(std::int32_t value);
    std::int32_t Height() const noexcept override { return height_; }
    void Height(std::int32_t value);
    std::int32_t Left() const noexcept { return left_; }
    void Left(std::int32_t value);
    std::int32_t Top() const noexcept { return top_; }
    void Top(std::int32_t value);

    // The control holding the input focus, if any.
    Control* ActiveControl() const noexcept { return active_control_; }

    void Load();
    void Show(ShowMode mode);
    // Hides the form; a modal display ends.
    void Hide();
    // Unloads the form from code (its query-unload and unload events may cancel).
    void Unload();

    // A modal message box over this form (the title defaults to the application's).
    std::int32_t MsgBox(std::string_view prompt, std::int32_t style,
                        std::optional<std::string_view> title = std::nullopt);

    // The control named `name` anywhere on the form, or null.
    Control* find_control(std::string_view name) const;

    // --- For hosts.
    // The user pressed the close box. True when the form was unloaded.
    bool user_close();
    // The form became the active window.
    void activate();
    // The window's state changed outside the form (a placement applied to it).
    void window_state_changed(corvel::WindowState value) noexcept { window_state_ = value; }

  protected:
    virtual void Form_Load() {}
    virtual void Form_Activate() {}
    // Set `Cancel` to non-zero to keep the form loaded.
    virtual void Form_QueryUnload(std::int32_t& Cancel, std::int32_t UnloadMode) {
        (void)Cancel;
        (void)UnloadMode;
    }
    virtual void Form_Unload(std::int32_t& Cancel) { (void)Cancel; }

  private:
    friend class Control;
    bool unload(std::int32_t mode);
    void changed(FormProperty what);
    template <class T>
    void assign(T& field, T value, FormProperty what) {
        field = value;
        changed(what);
    }

    Host& host_;
    std::string name_;
    std::string caption_;
    std::string tag_;
    bool visible_ = false;
    bool loaded_ = false;
    bool loading_ = false;
    bool unloading_ = false;
    WindowHandle window_ = 0;
    corvel::WindowState window_state_ = corvel::WindowState::Normal;
    std::int32_t border_style_ = border_style::kFixedDialog;
    std::int32_t width_ = 400;
    std::int32_t height_ = 300;
    std::int32_t left_ = 0;
    std::int32_t top_ = 0;
    Control* active_control_ = nullptr;
    std::int32_t next_tab_index_ = 0;
};

}  // namespace corvel::forms
