#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "ui/forms/control.h"
#include "ui/forms/event.h"

namespace corvel::forms {

// The items and the selection that list boxes and drop-down lists share. `ListIndex` is -1 without a
// selection; setting it to another item, from code or by the user, raises Click. Adding or removing
// items keeps the selected item selected (its index moves with it); removing it leaves no selection.
class ListControl : public Control {
  public:
    std::int32_t ListCount() const noexcept { return static_cast<std::int32_t>(items_.size()); }
    const std::string& List(std::int32_t index) const;
    void List(std::int32_t index, std::string_view value);
    const std::vector<std::string>& items() const noexcept { return items_; }

    // Inserts at `index` (-1: at the end).
    void AddItem(std::string_view item, std::int32_t index = -1);
    void RemoveItem(std::int32_t index);
    void Clear();

    std::int32_t ListIndex() const noexcept { return list_index_; }
    void ListIndex(std::int32_t index);

    Event<> Click;

    // The user picked the item at `index`.
    void user_select(std::int32_t index);

  protected:
    using Control::Control;
    // The selection changed (before Click is raised); a drop-down list shows the new item.
    virtual void selection_changed() {}
    // All items were removed; a drop-down list empties its text as well.
    virtual void items_cleared() {}
    // Sets the selection without raising anything.
    void select_quietly(std::int32_t index);
    void check_index(std::int32_t index) const;

  private:
    std::vector<std::string> items_;
    std::int32_t list_index_ = -1;
};

}  // namespace corvel::forms
