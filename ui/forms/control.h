#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace corvel::forms {

class Control;
class Form;

// What changed on a control, so that a host drawing it can update exactly that.
enum class Property {
    Text,
    Caption,
    Value,
    Enabled,
    Visible,
    ToolTip,
    Locked,
    Items,
    ListIndex,
    Cells,
    Selection,
    CurrentTab,
    Focus,
    TabIndex,
    Refresh,
};

// Errors a control raises, with the numbers and texts of the platform's controls.
namespace control_error {
inline constexpr std::int32_t kInvalidProcedureCall = 5;
inline constexpr std::int32_t kInvalidPropertyValue = 380;
inline constexpr std::int32_t kInvalidPropertyArrayIndex = 381;
inline constexpr std::int32_t kTextReadOnly = 383;
inline constexpr std::int32_t kFormAlreadyDisplayed = 400;
}  // namespace control_error

// Something that holds controls: a form, a frame, a tab container.
class Container {
  public:
    Container(const Container&) = delete;
    Container& operator=(const Container&) = delete;

    Form& form() const noexcept { return *form_; }
    // The controls placed directly in this container, in the order they were created.
    const std::vector<Control*>& controls() const noexcept { return children_; }
    // The container as a control; null for the form itself.
    virtual const Control* as_control() const noexcept { return nullptr; }
    // Whether `child` is on show inside this container (a tab container shows one page).
    virtual bool shows(const Control& child) const noexcept;

  protected:
    explicit Container(Form* form) noexcept : form_(form) {}
    virtual ~Container() = default;

  private:
    friend class Control;
    Form* form_;
    std::vector<Control*> children_;
};

// The state every control has: a name, enabled, visible, a tooltip (the field label that validation
// messages quote), a tab position and the focus. Controls are members of their dialog and live as
// long as it does; they are neither copied nor moved.
class Control {
  public:
    Control(Container& parent, std::string name);
    virtual ~Control();
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;

    const std::string& Name() const noexcept { return name_; }
    Form& form() const noexcept { return parent_.form(); }
    Container& parent() const noexcept { return parent_; }
    // The control's kind as a person would name it ("button", "text box"), for messages.
    virtual const char* kind() const noexcept = 0;

    bool Enabled() const noexcept { return enabled_; }
    void Enabled(bool value);
    bool Visible() const noexcept { return visible_; }
    void Visible(bool value);
    const std::string& ToolTipText() const noexcept { return tooltip_; }
    void ToolTipText(std::string_view value);
    std::int32_t TabIndex() const noexcept { return tab_index_; }
    void TabIndex(std::int32_t value);

    // Moves the input focus here; a disabled or hidden control refuses it.
    void SetFocus();
    bool has_focus() const noexcept;
    // Asks the host to redraw the control and what it holds.
    void Refresh();

    // On show: visible itself, inside containers that are visible and show it.
    bool shown() const noexcept;
    // Usable by a person: on show and enabled, as is every container around it.
    bool usable() const noexcept;

  protected:
    void changed(Property what);
    [[noreturn]] void raise(std::int32_t number, const char* description) const;

  private:
    Container& parent_;
    std::string name_;
    std::string tooltip_;
    bool enabled_ = true;
    bool visible_ = true;
    std::int32_t tab_index_;
};

}  // namespace corvel::forms
