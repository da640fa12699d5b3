#pragma once

#include "market_data/bar_table.h"
#include "market_data/tws_datas.h"

namespace corvel {

// What a caller that fell behind gets instead of every tick: per subscription id and tick type at most
// four points (the first value, the lowest, the highest and the last), each with its time and, for bid,
// ask and last prices, the size that was quoted or traded with it.
//
// The records come out as all first points ("d" keys), then the earlier extreme ("e"), the later
// extreme ("f") and the last points ("g"); within each, tick types ascending, then ids ascending, each
// price followed by its size record. An extreme equal to the first or the last value is not written
// again, nor a last equal to the first when no high stands between them. Ticks without a positive value
// are dropped; types outside 0 to 50 have no bars and are dropped too.
class Condenser {
  public:
    // Writes the condensed form of `ticks` (in their order) into `result`, a key already there keeping
    // its place and taking the new values. `ticks` is left as it is: the caller removes them once this
    // has returned, so a failure part way loses none of them.
    void condense(const cTWSDatas& ticks, cTWSDatas& result);

  private:
    void add_bar_records(cTWSDatas& result, std::int32_t type, int point,
                         const std::vector<std::int32_t>& ids);

    BarTable bars_;  // kept from one condensing to the next, so its memory is reused
};

}  // namespace corvel
