#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/memory/memory_registry.h"

namespace corvel::fakes {

// The contract dialog's remembered values and the dialogs' placements as the registry holds them.
class StoredSettings {
  public:
    static constexpr const char* kContractSection = "Software\\HALVARD\\Corvel\\Settings\\frmSettings";

    explicit StoredSettings(MemoryRegistry& registry) : registry_(registry) {}

    // A stored text, or nothing when the value is absent.
    std::optional<std::string> text(const std::string& key) const {
        const auto value = registry_.value(reg_hive::kCurrentUser, kContractSection, key);
        if (!value) return std::nullopt;
        std::string data = value->data;
        if (!data.empty() && data.back() == '\0') data.pop_back();
        return data;
    }
    void put(const std::string& key, const std::string& text) {
        registry_.put_value(reg_hive::kCurrentUser, kContractSection, key, RegType::Sz, text + '\0');
    }
    // The contract dialog's keys in the order they were first written.
    std::vector<std::string> keys() const {
        return registry_.value_names(reg_hive::kCurrentUser, kContractSection);
    }
    // Whether a dialog's window placement is stored.
    bool has_placement(const std::string& form) const {
        return registry_
            .value(reg_hive::kCurrentUser, "Software\\HALVARD\\Corvel\\Windows settings\\" + form,
                   "WindowState")
            .has_value();
    }

  private:
    MemoryRegistry& registry_;
};

}  // namespace corvel::fakes
