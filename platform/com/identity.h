#pragma once

#include <unordered_map>

namespace corvel::com {

// One automation object per logic object while it lives, so that a caller who gets the same record
// twice gets the same object (its identity test says so) and events reach the sinks that were
// connected to it. Every object belongs to its creating thread, and so does its map.
//
// The map is reached through a plain thread-local pointer and freed when its last object goes: a
// thread-local object with a destructor would pin the DLL in memory for as long as the thread lives.
template <class Logic, class Wrapper>
class IdentityMap {
  public:
    static Wrapper* find(const Logic* logic) {
        if (!map_) return nullptr;
        const auto it = map_->find(logic);
        return it == map_->end() ? nullptr : it->second;
    }
    static void add(const Logic* logic, Wrapper* wrapper) {
        if (!map_) map_ = new Map();
        map_->emplace(logic, wrapper);
    }
    static void remove(const Logic* logic) noexcept {
        if (!map_) return;
        map_->erase(logic);
        if (map_->empty()) {
            delete map_;
            map_ = nullptr;
        }
    }

  private:
    using Map = std::unordered_map<const Logic*, Wrapper*>;
    static inline thread_local Map* map_ = nullptr;
};

}  // namespace corvel::com
