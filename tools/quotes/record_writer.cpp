#include "tools/quotes/record_writer.h"

#include <charconv>
#include <cmath>

#include "market_data/tick_type.h"
#include "tools/quotes/quote_board.h"

namespace corvel::quotes {

namespace {

void append_integer(std::string& out, std::int64_t v) {
    char text[24];
    const auto [ptr, ec] = std::to_chars(text, text + sizeof text, v);
    (void)ec;
    out.append(text, ptr);
}

void append_json_string(std::string& out, std::string_view s) {
    static constexpr char hex[] = "0123456789abcdef";
    out.push_back('"');
    for (const char c : s) {
        const auto b = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out.push_back('\\');
            out.push_back(c);
        } else if (b < 0x20) {
            out += "\\u00";
            out.push_back(hex[b >> 4]);
            out.push_back(hex[b & 15]);
        } else {
            out.push_back(c);
        }
    }
    out.push_back('"');
}

// A CSV field, quoted only when it has to be.
void append_csv_field(std::string& out, std::string_view s) {
    if (s.find_first_of(",\"\r\n") == std::string_view::npos) {
        out.append(s);
        return;
    }
    out.push_back('"');
    for (const char c : s) {
        if (c == '"') out.push_back('"');
        out.push_back(c);
    }
    out.push_back('"');
}

}  // namespace

RecordWriter::RecordWriter(RecordFormat format, std::vector<std::string> labels)
    : format_(format), labels_(std::move(labels)) {}

std::string RecordWriter::heading() const {
    return format_ == RecordFormat::Csv ? "key,id,contract,tick_type,tick_name,value,time\n" : std::string();
}

void RecordWriter::append(std::string& out, std::string_view key, std::int32_t id, std::int32_t tick_type,
                          double value, double date) const {
    const std::string_view label = id >= 1 && static_cast<std::size_t>(id) <= labels_.size()
                                       ? std::string_view(labels_[static_cast<std::size_t>(id - 1)])
                                       : std::string_view();
    const std::string_view name = tick_type_name(tick_type);
    if (format_ == RecordFormat::Csv) {
        append_csv_field(out, key);
        out.push_back(',');
        append_integer(out, id);
        out.push_back(',');
        append_csv_field(out, label);
        out.push_back(',');
        append_integer(out, tick_type);
        out.push_back(',');
        out.append(name);
        out.push_back(',');
        append_value(out, value);
        out.push_back(',');
        append_iso_time(out, date);
        out.push_back('\n');
        return;
    }
    out += "{\"key\":";
    append_json_string(out, key);
    out += ",\"id\":";
    append_integer(out, id);
    out += ",\"contract\":";
    append_json_string(out, label);
    out += ",\"tick_type\":";
    append_integer(out, tick_type);
    out += ",\"tick_name\":";
    append_json_string(out, name);
    out += ",\"value\":";
    if (std::isfinite(value)) {
        append_value(out, value);
    } else {
        out += "null";
    }
    out += ",\"time\":\"";
    append_iso_time(out, date);
    out += "\"}\n";
}

}  // namespace corvel::quotes
