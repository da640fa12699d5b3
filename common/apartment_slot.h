#pragma once

#include <map>
#include <memory>
#include <mutex>
#include <thread>

namespace corvel {

// One shared object per thread (COM apartment), alive while anyone holds it: the settings store of a
// library's objects on that thread, the user-interface library's error handler. A second holder on the
// same thread gets the object the first one made, unless it was made for another outside object (a
// test's registry, another host), which gets one of its own.
//
// Kept in a process map rather than in a thread-local object: a thread-local object with a destructor
// pins a Windows DLL in memory for as long as the thread lives, so the library could never unload.
template <class T>
class ApartmentSlot {
  public:
    // The thread's object made for `made_for`, or the one `make()` returns, which becomes it.
    template <class Make>
    std::shared_ptr<T> acquire(const void* made_for, Make&& make) {
        std::lock_guard lock(mutex_);
        Entry& entry = entries()[std::this_thread::get_id()];
        if (auto existing = entry.object.lock(); existing && entry.made_for == made_for) return existing;
        std::shared_ptr<T> created = make();
        entry.object = created;
        entry.made_for = made_for;
        // Threads that ended leave expired entries behind; they go whenever an object is made.
        for (auto it = entries().begin(); it != entries().end();) {
            it = it->second.object.expired() ? entries().erase(it) : std::next(it);
        }
        return created;
    }

    // The thread's object, or null while nobody holds one.
    std::shared_ptr<T> get() const {
        std::lock_guard lock(mutex_);
        const auto it = entries().find(std::this_thread::get_id());
        return it == entries().end() ? nullptr : it->second.object.lock();
    }

  private:
    struct Entry {
        std::weak_ptr<T> object;
        const void* made_for = nullptr;
    };
    // Never destroyed: a slot may be reached from another static's teardown.
    std::map<std::thread::id, Entry>& entries() const {
        if (!entries_) entries_ = new std::map<std::thread::id, Entry>();
        return *entries_;
    }

    mutable std::mutex mutex_;
    mutable std::map<std::thread::id, Entry>* entries_ = nullptr;
};

}  // namespace corvel
