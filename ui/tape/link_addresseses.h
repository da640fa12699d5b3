#pragma once

#include <string_view>

#include "ui/tape/link_addresses.h"
#include "ui/tape/link_collection.h"

namespace corvel {

// All symbol rows' tape entries, one group per symbol row, keyed by the row's range address (a new
// group keeps its key in `Address`).
class cLinkAddresseses final : public LinkCollection<cLinkAddresses> {
  public:
    cLinkAddresseses()
        : LinkCollection("Pelorin.cLinkAddresseses",
                         static_cast<void (cLinkAddresses::*)(std::string_view)>(&cLinkAddresses::Address)) {}
};

}  // namespace corvel
