#pragma once

#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "ui/tape/keyed_collection.h"
#include "ui/tape/link_addresses.h"

namespace corvel {

// All symbol rows' tape entries, one group per symbol row, keyed by the row's range address.
class cLinkAddresseses {
public:
    cLinkAddresseses();

    void Add(std::shared_ptr<cLinkAddresses> item, std::string_view key);
    void Remove(std::int32_t position);
    void Remove(std::string_view key);
    std::shared_ptr<cLinkAddresses> Item(std::int32_t position) const;
    std::shared_ptr<cLinkAddresses> Item(std::string_view key) const;
    // Get-or-create: the group under the key (letter case ignored), or a new one whose `Address` is
    // the key as given, added under the key's upper-case form.
    std::shared_ptr<cLinkAddresses> ItemADD(std::string_view key);
    std::int32_t Count() const noexcept { return items_.count(); }
    void Clear() noexcept { items_.clear(); }
    std::vector<std::shared_ptr<cLinkAddresses>> NewEnum() const { return items_.items(); }

private:
    KeyedCollection<cLinkAddresses> items_;
};

}  // namespace corvel
