#include "market_data/condensing.h"

#include <string>
#include <utility>
#include <vector>

#include "market_data/tick_type.h"

namespace corvel {

namespace {

// The size types (0, 3, 5) only feed the size fields of their price types (1, 2, 4); every other type
// from 1 to 50 is written out, by the same first/low/high/last rules, in ascending order.
constexpr bool is_size_type(std::int32_t t) noexcept {
    return t == BID_SIZE || t == ASK_SIZE || t == LAST_SIZE;
}
constexpr std::int32_t paired_price(std::int32_t size_type) noexcept {
    return size_type == BID_SIZE ? BID_PRICE : size_type == ASK_SIZE ? ASK_PRICE : LAST_PRICE;
}
constexpr std::int32_t paired_size(std::int32_t price_type) noexcept {
    return price_type == BID_PRICE ? BID_SIZE : price_type == ASK_PRICE ? ASK_SIZE : LAST_SIZE;
}
constexpr bool has_size(std::int32_t t) noexcept {
    return t == BID_PRICE || t == ASK_PRICE || t == LAST_PRICE;
}

void start_bar(TWSBar& b, const cTWSData& r) {
    b.BarKey = r.NameID;
    b.id = r.id;
    b.OpenPrice = b.LowPrice = b.HighPrice = b.LastPrice = r.Price;
    b.OpenTime = b.LowTime = b.HighTime = b.LastTime = r.sDate;
}

// High, low and last updates of a started bar; price types with a paired size also move the size target.
void update_bar(TWSBar& b, const cTWSData& r, bool track_size) {
    if (r.Price > b.HighPrice) {
        b.HighPrice = r.Price;
        b.HighTime = r.sDate;
        if (track_size) b.SizeTarget = 1;
    }
    if (r.Price < b.LowPrice) {
        b.LowPrice = r.Price;
        b.LowTime = r.sDate;
        if (track_size) b.SizeTarget = 2;
    }
    b.LastPrice = r.Price;
    b.LastTime = r.sDate;
}

void attach_size(TWSBar& t, std::int32_t size_type, double s) {
    switch (t.SizeTarget) {
        case 0:
            t.OpenSize = s;
            break;
        case 1:
            t.HighSize = s;
            break;
        case 2:
            t.LowSize = s;
            break;
        default:
            if (size_type == LAST_SIZE) t.SizeCarry += s;
            break;
    }
    t.LastSize = s;
    t.SizeTarget = 3;
}

void normalize_bar(TWSBar& b) {
    if (b.BarKey.empty()) return;
    if (b.OpenPrice == b.LowPrice || b.LastPrice == b.LowPrice) b.LowPrice = 0;
    if (b.OpenPrice == b.HighPrice || b.LastPrice == b.HighPrice) b.HighPrice = 0;
    if (b.HighPrice == 0 && b.OpenPrice == b.LastPrice) b.LastPrice = 0;
    if (b.HighTime < b.LowTime) {
        std::swap(b.LowPrice, b.HighPrice);
        std::swap(b.LowTime, b.HighTime);
        std::swap(b.LowSize, b.HighSize);
    }
}

// Key of a condensed record: point letter, id, "_", type, "_", point, and for a size record "_" and
// the size type.
void append_number(std::string& out, std::int32_t v) {
    char digits[12];
    int n = 0;
    auto magnitude = static_cast<std::uint32_t>(v);
    if (v < 0) {
        out.push_back('-');
        magnitude = 0u - magnitude;
    }
    do {
        digits[n++] = static_cast<char>('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    while (n > 0)
        out.push_back(digits[--n]);
}

RecordKey bar_key(int point, std::int32_t id, std::int32_t type, std::int32_t size_type) {
    std::string text;
    text.push_back("defg"[point - 1]);
    append_number(text, id);
    text.push_back('_');
    append_number(text, type);
    text.push_back('_');
    append_number(text, point);
    if (size_type >= 0) {
        text.push_back('_');
        append_number(text, size_type);
    }
    return RecordKey(text);
}

}  // namespace

void Condenser::condense(const cTWSDatas& ticks, cTWSDatas& result) {
    const RecordStore& live = ticks.store();
    const std::uint32_t n = live.size();
    bars_.reset(n);
    for (std::uint32_t i = 0; i < n; ++i) {
        const cTWSData* const record = live.at(i);
        // A collection may hold nothing under a key; there is nothing to condense there.
        if (!record) continue;
        const cTWSData& r = *record;
        if (!(r.Price > 0) || r.TickType < 0 || r.TickType >= BarTable::kTypes) continue;
        if (is_size_type(r.TickType)) {
            // Only the paired price bar's size fields matter; the size type's own bar is never written.
            attach_size(bars_.bar(r.id, paired_price(r.TickType)), r.TickType, r.Price);
            continue;
        }
        TWSBar& b = bars_.bar(r.id, r.TickType);
        const bool track_size = has_size(r.TickType);
        if (b.OpenPrice == 0) {
            start_bar(b, r);
            if (track_size) b.SizeTarget = 0;
        } else {
            update_bar(b, r, track_size);
        }
    }
    const std::vector<std::int32_t> ids = bars_.ids();
    for (const std::int32_t id : ids) {
        for (std::int32_t type = 1; type < BarTable::kTypes; ++type) {
            if (TWSBar* b = bars_.find(id, type); b && !is_size_type(type)) normalize_bar(*b);
        }
    }
    for (int point = 1; point <= 4; ++point) {
        for (std::int32_t type = 1; type < BarTable::kTypes; ++type) {
            if (!is_size_type(type) && bars_.has_type(type)) add_bar_records(result, type, point, ids);
        }
    }
}

void Condenser::add_bar_records(cTWSDatas& result, std::int32_t type, int point,
                                const std::vector<std::int32_t>& ids) {
    for (const std::int32_t id : ids) {
        const TWSBar* b = bars_.find(id, type);
        if (!b || b->BarKey.empty()) continue;
        double price, time, size;
        switch (point) {
            case 1:
                price = b->OpenPrice, time = b->OpenTime, size = b->OpenSize;
                break;
            case 2:
                price = b->LowPrice, time = b->LowTime, size = b->LowSize;
                break;
            case 3:
                price = b->HighPrice, time = b->HighTime, size = b->HighSize;
                break;
            default:
                price = b->LastPrice, time = b->LastTime, size = b->LastSize + b->SizeCarry;
                break;
        }
        if (!(price > 0)) continue;
        cTWSData& v = result.item_add(bar_key(point, b->id, type, -1));
        v.id = b->id;
        v.Price = price;
        v.sDate = time;
        v.TickType = type;
        if (has_size(type)) {
            const std::int32_t size_type = paired_size(type);
            cTWSData& w = result.item_add(bar_key(point, b->id, type, size_type));
            w.id = b->id;
            w.Price = size;
            w.sDate = time;
            w.TickType = size_type;
        }
    }
}

}  // namespace corvel
