#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "ui/tape/keyed_collection.h"
#include "ui/tape/link_address.h"

namespace corvel {

// The tape entries of one symbol row, keyed by header text and link, with the row's range address.
class cLinkAddresses {
public:
    cLinkAddresses();

    const std::string& Address() const noexcept { return address_; }
    void Address(std::string_view value) { address_ = value; }

    // Adds the item under the key as given; raises when the key is present.
    void Add(std::shared_ptr<cLinkAddress> item, std::string_view key);
    void Remove(std::int32_t position);
    void Remove(std::string_view key);
    std::shared_ptr<cLinkAddress> Item(std::int32_t position) const;
    std::shared_ptr<cLinkAddress> Item(std::string_view key) const;
    // Get-or-create: the entry under the key (letter case ignored), or a new one remembering the key
    // as given in `SborKey`, added under the key's upper-case form.
    std::shared_ptr<cLinkAddress> ItemADD(std::string_view key);
    std::int32_t Count() const noexcept { return items_.count(); }
    void Clear() noexcept { items_.clear(); }
    // The entries in insertion order.
    std::vector<std::shared_ptr<cLinkAddress>> NewEnum() const { return items_.items(); }

private:
    KeyedCollection<cLinkAddress> items_;
    std::string address_;
};

}  // namespace corvel
