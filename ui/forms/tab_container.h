#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "ui/forms/control.h"
#include "ui/forms/event.h"

namespace corvel::forms {

// A tab container: its tabs carry the captions of a "|"-separated list, and the frames placed in it are
// its pages, in order; only the current tab's page is on show. Changing the current tab, by the user
// or by code, raises Click.
class TabContainer final : public Control, public Container {
  public:
    TabContainer(Container& parent, std::string name, std::string_view captions);
    const char* kind() const noexcept override { return "tab container"; }
    const Control* as_control() const noexcept override { return this; }
    bool shows(const Control& child) const noexcept override;

    // The tab captions joined by "|".
    std::string Caption() const;
    void Caption(std::string_view captions);
    std::int32_t NumTabs() const noexcept { return static_cast<std::int32_t>(captions_.size()); }
    const std::string& TabCaption(std::int32_t index) const;

    std::int32_t CurrTab() const noexcept { return current_; }
    void CurrTab(std::int32_t index);

    Event<> Click;

    void user_select(std::int32_t index);

  private:
    void set_captions(std::string_view captions);

    std::vector<std::string> captions_;
    std::int32_t current_ = 0;
};

}  // namespace corvel::forms
