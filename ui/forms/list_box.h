#pragma once

#include <string>
#include <string_view>

#include "ui/forms/list_control.h"

namespace corvel::forms {

// A list box with one selected item at most.
class ListBox final : public ListControl {
  public:
    ListBox(Container& parent, std::string name) : ListControl(parent, std::move(name)) {}
    const char* kind() const noexcept override { return "list box"; }

    // The selected item, or the empty text.
    std::string Text() const { return ListIndex() >= 0 ? List(ListIndex()) : std::string(); }
};

}  // namespace corvel::forms
