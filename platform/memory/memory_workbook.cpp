#include "platform/memory/memory_workbook.h"

#include <algorithm>
#include <cctype>

#include "common/text.h"
#include "platform/memory/memory_application.h"
#include "platform/memory/memory_errors.h"
#include "platform/memory/memory_worksheet.h"

namespace corvel::workbook {

MemoryWorkbook::MemoryWorkbook(std::weak_ptr<MemoryApplication> application, std::string name)
    : application_(std::move(application)), name_(std::move(name)) {}

std::shared_ptr<MemoryApplication> MemoryWorkbook::application() const {
    auto application = application_.lock();
    if (!application) raise_object_error("The workbook's application has quit");
    return application;
}

bool MemoryWorkbook::is_active() const {
    const auto application = application_.lock();
    return application && application->active_workbook().get() == this;
}

void MemoryWorkbook::Activate() {
    application()->activate_workbook(*this);
}

std::shared_ptr<Worksheet> MemoryWorkbook::Worksheets(std::string_view Index) const {
    auto found = sheet(Index);
    if (!found) raise_subscript_out_of_range();
    return found;
}

std::shared_ptr<Worksheet> MemoryWorkbook::ActiveSheet() const {
    return active_;
}

void MemoryWorkbook::check_sheet_name(std::string_view name, const MemoryWorksheet* renamed) const {
    const auto taken = sheet(name);
    if (name.empty() || name.size() > 31 || name.find_first_of(":\\/?*[]") != std::string::npos ||
        name.front() == '\'' || name.back() == '\'' || (taken && taken.get() != renamed)) {
        raise_object_error("That name is already taken or is not a valid sheet name: " + std::string(name));
    }
}

std::shared_ptr<MemoryWorksheet> MemoryWorkbook::add_sheet(std::string name) {
    check_sheet_name(name, nullptr);
    auto added = std::make_shared<MemoryWorksheet>(weak_from_this(), std::move(name));
    sheets_.push_back(added);
    if (!active_) active_ = added;
    return added;
}

std::shared_ptr<MemoryWorksheet> MemoryWorkbook::sheet(std::string_view name) const {
    const auto it = std::find_if(sheets_.begin(), sheets_.end(),
                                 [&](const auto& s) { return equals_ignore_case(s->Name(), name); });
    return it == sheets_.end() ? nullptr : *it;
}

void MemoryWorkbook::activate_sheet(const MemoryWorksheet& sheet) {
    const auto it =
        std::find_if(sheets_.begin(), sheets_.end(), [&](const auto& s) { return s.get() == &sheet; });
    if (it != sheets_.end()) active_ = *it;
}

void MemoryWorkbook::add_name(std::string_view name, std::string_view refers_to) {
    const bool letters_first =
        !name.empty() && (std::isalpha(static_cast<unsigned char>(name.front())) != 0 ||
                          name.front() == '_' || name.front() == '\\');
    if (!letters_first || parse_a1(name) || name.find_first_of(" !:'$") != std::string_view::npos) {
        raise_object_error("The name that you entered is not valid: " + std::string(name));
    }
    for (auto& [existing, reference] : names_) {
        if (equals_ignore_case(existing, name)) {
            reference = refers_to;
            return;
        }
    }
    names_.emplace_back(name, refers_to);
}

std::optional<std::string> MemoryWorkbook::refers_to(std::string_view name) const {
    for (const auto& [existing, reference] : names_) {
        if (equals_ignore_case(existing, name)) return reference;
    }
    return std::nullopt;
}

std::optional<MemoryWorkbook::Target> MemoryWorkbook::resolve_name(std::string_view name) const {
    const auto reference = refers_to(name);
    if (!reference) return std::nullopt;
    std::string_view text = *reference;
    if (!text.empty() && text.front() == '=') text.remove_prefix(1);
    const auto split = split_sheet_reference(text);
    if (!split || !split->sheet) return std::nullopt;
    auto target_sheet = sheet(*split->sheet);
    const auto area = parse_a1(split->rest);
    if (!target_sheet || !area) return std::nullopt;
    return Target{std::move(target_sheet), *area};
}

std::optional<MemoryWorkbook::Target> MemoryWorkbook::resolve(
    std::string_view text, const std::shared_ptr<MemoryWorksheet>& context) const {
    const auto split = split_sheet_reference(text);
    if (!split || split->rest.empty()) return std::nullopt;
    if (split->sheet) {
        auto qualified = sheet(*split->sheet);
        if (!qualified) return std::nullopt;
        if (const auto area = parse_a1(split->rest)) return Target{std::move(qualified), *area};
        // A workbook-level name qualified by the sheet it lies on.
        auto named = resolve_name(split->rest);
        if (!named || named->sheet != qualified) return std::nullopt;
        return named;
    }
    if (const auto area = parse_a1(split->rest)) {
        if (!context) return std::nullopt;
        return Target{context, *area};
    }
    return resolve_name(split->rest);
}

}  // namespace corvel::workbook
