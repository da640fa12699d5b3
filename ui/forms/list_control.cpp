#include "ui/forms/list_control.h"

namespace corvel::forms {

void ListControl::check_index(std::int32_t index) const {
    if (index < 0 || index >= ListCount()) {
        raise(control_error::kInvalidPropertyArrayIndex, "Invalid property array index");
    }
}

const std::string& ListControl::List(std::int32_t index) const {
    check_index(index);
    return items_[static_cast<std::size_t>(index)];
}

void ListControl::List(std::int32_t index, std::string_view value) {
    check_index(index);
    items_[static_cast<std::size_t>(index)] = value;
    changed(Property::Items);
    if (index == list_index_) selection_changed();
}

void ListControl::AddItem(std::string_view item, std::int32_t index) {
    if (index == -1) index = ListCount();
    if (index < 0 || index > ListCount()) {
        raise(control_error::kInvalidProcedureCall, "Invalid procedure call or argument");
    }
    items_.insert(items_.begin() + index, std::string(item));
    if (list_index_ >= index) ++list_index_;
    changed(Property::Items);
}

void ListControl::RemoveItem(std::int32_t index) {
    if (index < 0 || index >= ListCount()) {
        raise(control_error::kInvalidProcedureCall, "Invalid procedure call or argument");
    }
    items_.erase(items_.begin() + index);
    changed(Property::Items);
    if (index == list_index_) {
        select_quietly(-1);
    } else if (index < list_index_) {
        --list_index_;
    }
}

void ListControl::Clear() {
    items_.clear();
    changed(Property::Items);
    select_quietly(-1);
    items_cleared();
}

void ListControl::select_quietly(std::int32_t index) {
    list_index_ = index;
    changed(Property::ListIndex);
    selection_changed();
}

void ListControl::ListIndex(std::int32_t index) {
    if (index < -1 || index >= ListCount()) {
        raise(control_error::kInvalidPropertyValue, "Invalid property value");
    }
    if (index == list_index_) return;
    select_quietly(index);
    Click();
}

void ListControl::user_select(std::int32_t index) {
    SetFocus();
    ListIndex(index);
}

}  // namespace corvel::forms
