#pragma once

#include <functional>
#include <memory>
#include <string_view>
#include <vector>

#include "seams/workbook/range.h"
#include "ui/tape/link_addresseses.h"

namespace corvel {

// What an insert of a tape has changed, so that an insert that fails part-way leaves nothing behind:
// the cells as they were before it wrote them, and the tape list's entry as it was before the tape
// was entered. A tape row without its area, or an entry without its row, would block the same
// location from being inserted again.
class TapeUndo {
  public:
    TapeUndo() = default;
    TapeUndo(const TapeUndo&) = delete;
    TapeUndo& operator=(const TapeUndo&) = delete;
    // Takes back what was not kept: an insert left by an abort is taken back on the way out.
    ~TapeUndo() { take_back(); }

    // Remembers every cell of `block` as it is now (its formula or value, and its fill), before the
    // insert writes it.
    void cells(const workbook::Range& block);
    // Remembers the entry `key` of the group `row_address` of `tapes` as it is now (or that it is not
    // there), before the insert enters the tape.
    void entry(std::shared_ptr<cLinkAddresseses> tapes, std::string_view row_address, std::string_view key);
    // The insert is whole: what it wrote stays.
    void keep() noexcept { steps_.clear(); }
    // Puts back what was remembered, the latest first. A step that fails does not stop the others:
    // the failure that made the insert fail has been reported, and this one has nobody to go to.
    void take_back() noexcept;

  private:
    std::vector<std::function<void()>> steps_;
};

}  // namespace corvel
