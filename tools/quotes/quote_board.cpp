#include "tools/quotes/quote_board.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "common/ole_date.h"

namespace corvel::quotes {

namespace {

struct Column {
    const char* heading;
    int tick_type;  // -1: not a quote field
};

// The columns after the contract, in the order a trader reads them.
constexpr Column kColumns[] = {
    {"LAST", 4}, {"LSIZE", 5}, {"BID", 1},    {"BSIZE", 0}, {"ASK", 2},  {"ASIZE", 3},
    {"HIGH", 6}, {"LOW", 7},   {"VOLUME", 8}, {"CLOSE", 9}, {"UPD", -1}, {"TIME", -1},
};

void pad_left(std::string& out, const std::string& text, std::size_t width) {
    if (text.size() < width) out.append(width - text.size(), ' ');
    out += text;
}

}  // namespace

void append_value(std::string& out, double value) {
    if (!std::isfinite(value)) {
        out.push_back('-');
        return;
    }
    char text[64];
    // The shortest fixed-notation text that reads back as the same double: 1000000, not 1e+06.
    std::to_chars_result r = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed);
    if (r.ec != std::errc()) r = std::to_chars(text, text + sizeof text, value);
    out.append(text, r.ptr);
}

std::string format_value(double value) {
    std::string out;
    append_value(out, value);
    return out;
}

namespace {

void append_digits(std::string& out, int value, int width) {
    char text[12];
    int n = 0;
    auto v = static_cast<unsigned>(value < 0 ? 0 : value);
    do {
        text[n++] = static_cast<char>('0' + v % 10);
        v /= 10;
    } while (v != 0 || n < width);
    while (n > 0)
        out.push_back(text[--n]);
}

void append_clock(std::string& out, const CivilTime& t) {
    append_digits(out, t.hour, 2);
    out.push_back(':');
    append_digits(out, t.minute, 2);
    out.push_back(':');
    append_digits(out, t.second, 2);
    out.push_back('.');
    append_digits(out, t.millisecond, 3);
}

}  // namespace

std::string format_time_of_day(double date) {
    std::string out;
    append_clock(out, civil_from_ole_date(date));
    return out;
}

void append_iso_time(std::string& out, double date) {
    // Written digit by digit: a record stream prints one of these per tick.
    const CivilTime t = civil_from_ole_date(date);
    append_digits(out, t.year, 4);
    out.push_back('-');
    append_digits(out, t.month, 2);
    out.push_back('-');
    append_digits(out, t.day, 2);
    out.push_back('T');
    append_clock(out, t);
}

std::string format_iso_time(double date) {
    std::string out;
    append_iso_time(out, date);
    return out;
}

QuoteBoard::QuoteBoard(const std::vector<QuoteContract>& contracts) {
    for (const auto& c : contracts) {
        Row row;
        row.label = c.label();
        rows_.push_back(std::move(row));
    }
}

void QuoteBoard::apply(std::int32_t id, std::int32_t tick_type, double value, double date) {
    if (id < 1 || static_cast<std::size_t>(id) > rows_.size()) return;
    Row& row = rows_[static_cast<std::size_t>(id - 1)];
    if (tick_type >= 0 && tick_type <= 9) {
        row.values[tick_type] = value;
        row.has[tick_type] = true;
    }
    ++row.updates;
    row.last_update = std::max(row.last_update, date);
}

std::vector<std::string> QuoteBoard::render() const {
    constexpr std::size_t kColumnCount = std::size(kColumns);
    std::vector<std::vector<std::string>> cells;
    for (const Row& row : rows_) {
        std::vector<std::string> line;
        line.push_back(row.label);
        for (const Column& column : kColumns) {
            if (column.tick_type >= 0) {
                line.push_back(row.has[column.tick_type] ? format_value(row.values[column.tick_type]) : "-");
            } else if (std::string_view(column.heading) == "UPD") {
                line.push_back(std::to_string(row.updates));
            } else {
                line.push_back(row.last_update > 0 ? format_time_of_day(row.last_update) : "-");
            }
        }
        cells.push_back(std::move(line));
    }
    std::vector<std::size_t> width(kColumnCount + 1, 0);
    width[0] = 8;
    for (std::size_t i = 0; i < kColumnCount; ++i)
        width[i + 1] = std::string_view(kColumns[i].heading).size();
    for (const auto& line : cells) {
        for (std::size_t i = 0; i < line.size(); ++i)
            width[i] = std::max(width[i], line[i].size());
    }
    std::vector<std::string> out;
    std::string heading = "CONTRACT";
    heading.append(width[0] - heading.size(), ' ');
    for (std::size_t i = 0; i < kColumnCount; ++i) {
        heading += "  ";
        pad_left(heading, kColumns[i].heading, width[i + 1]);
    }
    out.push_back(std::move(heading));
    for (const auto& line : cells) {
        std::string text = line[0];
        text.append(width[0] - text.size(), ' ');
        for (std::size_t i = 1; i < line.size(); ++i) {
            text += "  ";
            pad_left(text, line[i], width[i]);
        }
        out.push_back(std::move(text));
    }
    return out;
}

}  // namespace corvel::quotes
