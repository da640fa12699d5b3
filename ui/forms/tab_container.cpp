#include "ui/forms/tab_container.h"

#include <algorithm>

namespace corvel::forms {

TabContainer::TabContainer(Container& parent, std::string name, std::string_view captions)
    : Control(parent, std::move(name)), Container(&parent.form()) {
    set_captions(captions);
}

void TabContainer::Caption(std::string_view captions) {
    set_captions(captions);
    changed(Property::Caption);
}

void TabContainer::set_captions(std::string_view captions) {
    captions_.clear();
    std::size_t start = 0;
    for (;;) {
        const std::size_t bar = captions.find('|', start);
        captions_.emplace_back(captions.substr(start, bar == std::string_view::npos ? bar : bar - start));
        if (bar == std::string_view::npos) break;
        start = bar + 1;
    }
    current_ = std::min(current_, NumTabs() - 1);
}

std::string TabContainer::Caption() const {
    std::string joined;
    for (std::size_t i = 0; i < captions_.size(); ++i) {
        if (i > 0) joined.push_back('|');
        joined += captions_[i];
    }
    return joined;
}

const std::string& TabContainer::TabCaption(std::int32_t index) const {
    if (index < 0 || index >= NumTabs()) {
        raise(control_error::kInvalidPropertyArrayIndex, "Invalid property array index");
    }
    return captions_[static_cast<std::size_t>(index)];
}

bool TabContainer::shows(const Control& child) const noexcept {
    const auto& pages = controls();
    const auto it = std::find(pages.begin(), pages.end(), &child);
    return it != pages.end() && it - pages.begin() == current_;
}

void TabContainer::CurrTab(std::int32_t index) {
    if (index < 0 || index >= NumTabs())
        raise(control_error::kInvalidPropertyValue, "Invalid property value");
    if (index == current_) return;
    current_ = index;
    changed(Property::CurrentTab);
    Click();
}

void TabContainer::user_select(std::int32_t index) {
    SetFocus();
    CurrTab(index);
}

}  // namespace corvel::forms
