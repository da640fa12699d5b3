#pragma once

#include <string_view>

namespace corvel {

// The system's application event log.
class EventLog {
  public:
    virtual ~EventLog() = default;
    // Writes `text` as an error entry. False when the log refuses it.
    virtual bool write_error(std::string_view text) = 0;
};

}  // namespace corvel
