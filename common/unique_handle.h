#pragma once

#include <type_traits>
#include <utility>

namespace corvel {

// One move-only owner for every kind of handle the system holds (file descriptors, sockets, registry
// keys, Win32 handles, BSTRs, VARIANTs), made from a policy that says what the handle is, which value
// means "none" and how it is closed. Nothing outside these owners closes a handle, so no path out of a
// scope can leak one or close one twice.
//
// A policy has `handle_type`, `static handle_type invalid()` and `close(handle_type)`; `close` may be a
// member when it needs state (the registry a key was opened in), may return false when the system
// refused to close, and must leave the thread's OS error (errno, GetLastError) as it found it, so that
// an owner going out of scope on a failure path does not overwrite the error being reported. A policy
// whose handle cannot be compared (a VARIANT) adds `static bool is_valid(const handle_type&)`.
template <class Policy>
class UniqueHandle : private Policy {
  public:
    using handle_type = typename Policy::handle_type;

    UniqueHandle() noexcept = default;
    explicit UniqueHandle(handle_type h,
                          Policy policy = Policy()) noexcept(std::is_nothrow_move_constructible_v<Policy>)
        : Policy(std::move(policy)), h_(h) {}
    UniqueHandle(UniqueHandle&& other) noexcept
        : Policy(std::move(static_cast<Policy&>(other))), h_(other.release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other) {
            reset();
            static_cast<Policy&>(*this) = std::move(static_cast<Policy&>(other));
            h_ = other.release();
        }
        return *this;
    }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    ~UniqueHandle() { reset(); }

    const handle_type& get() const noexcept { return h_; }
    explicit operator bool() const noexcept { return valid(h_); }
    const Policy& policy() const noexcept { return *this; }

    // For out-parameters: closes what is held and hands out the slot to fill.
    handle_type* put() noexcept {
        reset();
        return &h_;
    }
    // Gives the handle up without closing it.
    handle_type release() noexcept { return std::exchange(h_, Policy::invalid()); }
    void reset(handle_type h = Policy::invalid()) noexcept {
        if (valid(h_)) close_handle(std::exchange(h_, Policy::invalid()));
        h_ = h;
    }
    // Closes now and says whether the system accepted it (a refused close can lose written data).
    bool close() noexcept { return !valid(h_) || close_handle(std::exchange(h_, Policy::invalid())); }

  private:
    static bool valid(const handle_type& h) noexcept {
        if constexpr (requires { Policy::is_valid(h); }) {
            return Policy::is_valid(h);
        } else {
            return h != Policy::invalid();
        }
    }
    bool close_handle(handle_type h) noexcept {
        if constexpr (std::is_same_v<decltype(this->Policy::close(h)), bool>) {
            return this->Policy::close(h);
        } else {
            this->Policy::close(h);
            return true;
        }
    }

    handle_type h_ = Policy::invalid();
};

}  // namespace corvel
