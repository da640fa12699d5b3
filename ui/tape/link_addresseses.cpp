#include "ui/tape/link_addresseses.h"

namespace corvel {

cLinkAddresseses::cLinkAddresseses() : items_("Pelorin.cLinkAddresseses") {}

void cLinkAddresseses::Add(std::shared_ptr<cLinkAddresses> item, std::string_view key) {
    items_.add(std::move(item), key);
}
void cLinkAddresseses::Remove(std::int32_t position) { items_.remove(position); }
void cLinkAddresseses::Remove(std::string_view key) { items_.remove(key); }
std::shared_ptr<cLinkAddresses> cLinkAddresseses::Item(std::int32_t position) const { return items_.item(position); }
std::shared_ptr<cLinkAddresses> cLinkAddresseses::Item(std::string_view key) const { return items_.item(key); }

std::shared_ptr<cLinkAddresses> cLinkAddresseses::ItemADD(std::string_view key) {
    return items_.get_or_create(key, [&] {
        auto created = std::make_shared<cLinkAddresses>();
        created->Address(key);
        return created;
    });
}

}  // namespace corvel
