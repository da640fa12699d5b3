#pragma once

#include <cstdint>
#include <utility>

namespace corvel {

// Intrusive reference counting for the automation objects of the logic. Their identity matters (a
// caller holds a record that a collection also holds; the same collection object is handed out every
// time), and a count inside the object costs no extra allocation, which matters for tick records.
//
// The count is not atomic: every object belongs to the thread that created it, as every automation
// object of the system does.
template <class Derived>
class RefCounted {
  public:
    void add_ref() const noexcept { ++refs_; }
    void release() const noexcept {
        if (--refs_ == 0) delete static_cast<const Derived*>(this);
    }
    std::uint32_t ref_count() const noexcept { return refs_; }

  protected:
    RefCounted() = default;
    // A copy is a new object: it starts with no holders of its own.
    RefCounted(const RefCounted&) noexcept : refs_(0) {}
    RefCounted& operator=(const RefCounted&) noexcept { return *this; }
    ~RefCounted() = default;

  private:
    mutable std::uint32_t refs_ = 0;
};

// A strong reference; null means "Nothing".
template <class T>
class Ref {
  public:
    Ref() noexcept = default;
    Ref(std::nullptr_t) noexcept {}
    explicit Ref(T* p) noexcept : p_(p) {
        if (p_) p_->add_ref();
    }
    Ref(const Ref& o) noexcept : Ref(o.p_) {}
    Ref(Ref&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
    template <class U>
    Ref(const Ref<U>& o) noexcept : Ref(o.get()) {}
    ~Ref() {
        if (p_) p_->release();
    }
    Ref& operator=(Ref o) noexcept {
        std::swap(p_, o.p_);
        return *this;
    }

    // Takes over a reference the caller already owns.
    static Ref adopt(T* p) noexcept {
        Ref r;
        r.p_ = p;
        return r;
    }
    // Gives up the reference without releasing it.
    T* detach() noexcept { return std::exchange(p_, nullptr); }

    T* get() const noexcept { return p_; }
    T* operator->() const noexcept { return p_; }
    T& operator*() const noexcept { return *p_; }
    explicit operator bool() const noexcept { return p_ != nullptr; }
    friend bool operator==(const Ref& a, const Ref& b) noexcept { return a.p_ == b.p_; }
    friend bool operator==(const Ref& a, std::nullptr_t) noexcept { return a.p_ == nullptr; }

  private:
    T* p_ = nullptr;
};

template <class T, class... Args>
Ref<T> make_ref(Args&&... args) {
    return Ref<T>(new T(std::forward<Args>(args)...));
}

}  // namespace corvel
