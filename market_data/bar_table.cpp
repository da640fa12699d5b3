#include "market_data/bar_table.h"

#include <algorithm>

namespace corvel {

namespace {
// Ids up to this bound are indexed directly; the bound keeps a huge backlog from allocating a huge
// index when only a few ids occur.
constexpr std::uint32_t kDenseIds = 65536;
}  // namespace

void BarTable::reset(std::uint32_t record_count) {
    dense_.assign(std::min<std::uint32_t>(record_count + 1, kDenseIds), 0);
    sparse_.clear();
    groups_.clear();
    bars_.clear();
    types_present_ = 0;
}

std::int32_t BarTable::group_of(std::int32_t id) const {
    if (id >= 0 && static_cast<std::uint32_t>(id) < dense_.size())
        return dense_[static_cast<std::size_t>(id)] - 1;
    const auto it = sparse_.find(id);
    return it == sparse_.end() ? -1 : it->second;
}

TWSBar& BarTable::bar(std::int32_t id, std::int32_t type) {
    std::int32_t g = group_of(id);
    if (g < 0) {
        g = static_cast<std::int32_t>(groups_.size());
        groups_.push_back(Group{id, {}});
        if (id >= 0 && static_cast<std::uint32_t>(id) < dense_.size()) {
            dense_[static_cast<std::size_t>(id)] = g + 1;
        } else {
            sparse_.emplace(id, g);
        }
    }
    std::int32_t& slot = groups_[static_cast<std::size_t>(g)].bar[static_cast<std::size_t>(type)];
    if (slot == 0) {
        bars_.emplace_back();
        slot = static_cast<std::int32_t>(bars_.size());
        types_present_ |= 1ULL << type;
    }
    return bars_[static_cast<std::size_t>(slot - 1)];
}

const TWSBar* BarTable::find(std::int32_t id, std::int32_t type) const {
    const std::int32_t g = group_of(id);
    if (g < 0) return nullptr;
    const std::int32_t slot = groups_[static_cast<std::size_t>(g)].bar[static_cast<std::size_t>(type)];
    return slot == 0 ? nullptr : &bars_[static_cast<std::size_t>(slot - 1)];
}

std::vector<std::int32_t> BarTable::ids() const {
    std::vector<std::int32_t> ids;
    ids.reserve(groups_.size());
    for (const auto& g : groups_)
        ids.push_back(g.id);
    std::sort(ids.begin(), ids.end());
    return ids;
}

}  // namespace corvel
