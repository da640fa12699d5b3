#pragma once

#include <unordered_map>

namespace corvel::com {

// One automation object per logic object while it lives, so that a caller who gets the same record
// twice gets the same object (its identity test says so) and events reach the sinks that were
// connected to it. Every object belongs to its creating thread, and so does its map.
template <class Logic, class Wrapper>
class IdentityMap {
public:
    static Wrapper* find(const Logic* logic) {
        const auto it = map().find(logic);
        return it == map().end() ? nullptr : it->second;
    }
    static void add(const Logic* logic, Wrapper* wrapper) { map().emplace(logic, wrapper); }
    static void remove(const Logic* logic) noexcept { map().erase(logic); }

private:
    static std::unordered_map<const Logic*, Wrapper*>& map() {
        thread_local std::unordered_map<const Logic*, Wrapper*> instance;
        return instance;
    }
};

}  // namespace corvel::com
