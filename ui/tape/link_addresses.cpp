#include "ui/tape/link_addresses.h"

namespace corvel {

cLinkAddresses::cLinkAddresses() : items_("Pelorin.cLinkAddresses") {}

void cLinkAddresses::Add(std::shared_ptr<cLinkAddress> item, std::string_view key) { items_.add(std::move(item), key); }
void cLinkAddresses::Remove(std::int32_t position) { items_.remove(position); }
void cLinkAddresses::Remove(std::string_view key) { items_.remove(key); }
std::shared_ptr<cLinkAddress> cLinkAddresses::Item(std::int32_t position) const { return items_.item(position); }
std::shared_ptr<cLinkAddress> cLinkAddresses::Item(std::string_view key) const { return items_.item(key); }

std::shared_ptr<cLinkAddress> cLinkAddresses::ItemADD(std::string_view key) {
    return items_.get_or_create(key, [&] {
        auto created = std::make_shared<cLinkAddress>();
        created->SborKey(key);
        return created;
    });
}

}  // namespace corvel
