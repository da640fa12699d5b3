#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace corvel::quotes {

enum class RecordFormat { Csv, Jsonl };

// Every delivered record as one line, for piping: key, id, the contract's label, tick type number
// and name, value (a price or a size) and the local time it was made, ISO 8601.
class RecordWriter {
  public:
    RecordWriter(RecordFormat format, std::vector<std::string> labels);

    // The CSV heading line (with its newline); empty for JSON lines.
    std::string heading() const;
    // Appends one record's line, newline included.
    void append(std::string& out, std::string_view key, std::int32_t id, std::int32_t tick_type, double value,
                double date) const;

  private:
    RecordFormat format_;
    std::vector<std::string> labels_;  // by id - 1
};

}  // namespace corvel::quotes
