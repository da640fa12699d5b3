#pragma once

#include <string>
#include <string_view>

#include "ui/tape/link_address.h"
#include "ui/tape/link_collection.h"

namespace corvel {

// The tape entries of one symbol row, keyed by header text and link (a new entry keeps its key in
// `SborKey`), with the row's range address.
class cLinkAddresses final : public LinkCollection<cLinkAddress> {
  public:
    cLinkAddresses()
        : LinkCollection("Pelorin.cLinkAddresses",
                         static_cast<void (cLinkAddress::*)(std::string_view)>(&cLinkAddress::SborKey)) {}

    const std::string& Address() const noexcept { return address_; }
    void Address(std::string_view value) { address_ = value; }

  private:
    std::string address_;
};

}  // namespace corvel
