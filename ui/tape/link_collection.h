#pragma once

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "common/automation_error.h"
#include "common/text.h"

namespace corvel {

// The form a get-or-create key is stored under.
std::string upper_case_key(std::string_view key);

// What the link-address collections share, with the behaviour of a Visual Basic collection:
// insertion order, 1-based positions, keys unique without regard to letter case, and the errors such
// a collection raises (5 for a key that is not there, 9 for a position out of range, 457 for a key
// already present). It holds references: an item lives on while anyone holds it.
template <class T>
class LinkCollection {
  public:
    // Adds the item under the key as given; raises when the key is present.
    void Add(std::shared_ptr<T> item, std::string_view key) {
        if (!item) raise(vb_error::kObjectVariableNotSet, vb_error::kObjectVariableNotSetText);
        if (position_of(key) != entries_.end()) {
            raise(vb_error::kKeyAlreadyAssociated, vb_error::kKeyAlreadyAssociatedText);
        }
        entries_.push_back(Entry{std::string(key), std::move(item)});
    }
    void Remove(std::int32_t position) { entries_.erase(at(position)); }
    void Remove(std::string_view key) { entries_.erase(with_key(key)); }
    std::shared_ptr<T> Item(std::int32_t position) const { return at(position)->item; }
    std::shared_ptr<T> Item(std::string_view key) const { return with_key(key)->item; }
    // Get-or-create: the item under the key (letter case ignored), or a new one that remembers the key
    // as given, added under the key's upper-case form.
    std::shared_ptr<T> ItemADD(std::string_view key) {
        const std::string stored = upper_case_key(key);
        const auto it = position_of(stored);
        if (it != entries_.end()) return it->item;
        auto created = std::make_shared<T>();
        ((*created).*remember_key_)(key);
        Add(created, stored);
        return created;
    }
    // Whether an item is there under the key (letter case ignored); asks without raising.
    bool contains(std::string_view key) const { return position_of(key) != entries_.end(); }
    std::int32_t Count() const noexcept { return static_cast<std::int32_t>(entries_.size()); }
    void Clear() noexcept { entries_.clear(); }
    // The items in insertion order, as an enumeration hands them out.
    std::vector<std::shared_ptr<T>> NewEnum() const {
        std::vector<std::shared_ptr<T>> all;
        all.reserve(entries_.size());
        for (const auto& entry : entries_)
            all.push_back(entry.item);
        return all;
    }

  protected:
    // `source` names the collection in its errors; `remember_key` is the member of a new item that
    // keeps the key it was created under.
    LinkCollection(std::string source, void (T::*remember_key)(std::string_view))
        : source_(std::move(source)), remember_key_(remember_key) {}
    ~LinkCollection() = default;

  private:
    struct Entry {
        std::string key;
        std::shared_ptr<T> item;
    };
    using Iterator = typename std::vector<Entry>::const_iterator;

    Iterator position_of(std::string_view key) const {
        return std::find_if(entries_.begin(), entries_.end(),
                            [&](const Entry& entry) { return equals_ignore_case(entry.key, key); });
    }
    Iterator with_key(std::string_view key) const {
        const auto it = position_of(key);
        if (it == entries_.end()) raise(vb_error::kInvalidProcedureCall, vb_error::kInvalidProcedureCallText);
        return it;
    }
    Iterator at(std::int32_t position) const {
        if (position < 1 || position > Count()) {
            raise(vb_error::kSubscriptOutOfRange, vb_error::kSubscriptOutOfRangeText);
        }
        return entries_.begin() + (position - 1);
    }
    [[noreturn]] void raise(std::int32_t number, const char* description) const {
        throw AutomationError(number, source_, description);
    }

    std::string source_;
    void (T::*remember_key_)(std::string_view);
    std::vector<Entry> entries_;
};

}  // namespace corvel
