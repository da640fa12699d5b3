#pragma once

#include <windows.h>
#include <oleauto.h>

#include <utility>

namespace corvel::win32 {

// One move-only owner per kind of handle, all from one policy: the handle type, how it is closed and
// which value means "none". Nothing outside these owners closes a handle.
template <class Policy>
class UniqueHandle {
public:
    using pointer = typename Policy::pointer;

    UniqueHandle() noexcept = default;
    explicit UniqueHandle(pointer h) noexcept : h_(h) {}
    UniqueHandle(UniqueHandle&& o) noexcept : h_(std::exchange(o.h_, Policy::invalid())) {}
    UniqueHandle& operator=(UniqueHandle&& o) noexcept {
        if (this != &o) reset(std::exchange(o.h_, Policy::invalid()));
        return *this;
    }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    ~UniqueHandle() { reset(); }

    pointer get() const noexcept { return h_; }
    explicit operator bool() const noexcept { return h_ != Policy::invalid(); }
    // For out-parameters: releases what is held and exposes the slot.
    pointer* put() noexcept {
        reset();
        return &h_;
    }
    pointer release() noexcept { return std::exchange(h_, Policy::invalid()); }
    void reset(pointer h = Policy::invalid()) noexcept {
        if (h_ != Policy::invalid()) Policy::close(h_);
        h_ = h;
    }

private:
    pointer h_ = Policy::invalid();
};

struct HkeyPolicy {
    using pointer = HKEY;
    static pointer invalid() noexcept { return nullptr; }
    static void close(pointer h) noexcept { ::RegCloseKey(h); }
};
struct HwndPolicy {
    using pointer = HWND;
    static pointer invalid() noexcept { return nullptr; }
    static void close(pointer h) noexcept { ::DestroyWindow(h); }
};
struct HandlePolicy {
    using pointer = HANDLE;
    static pointer invalid() noexcept { return nullptr; }
    static void close(pointer h) noexcept { ::CloseHandle(h); }
};
struct BstrPolicy {
    using pointer = BSTR;
    static pointer invalid() noexcept { return nullptr; }
    static void close(pointer h) noexcept { ::SysFreeString(h); }
};

using unique_hkey = UniqueHandle<HkeyPolicy>;
using unique_hwnd = UniqueHandle<HwndPolicy>;
using unique_handle = UniqueHandle<HandlePolicy>;
using unique_bstr = UniqueHandle<BstrPolicy>;

// A VARIANT that clears itself.
class unique_variant {
public:
    unique_variant() noexcept { ::VariantInit(&v_); }
    unique_variant(const unique_variant&) = delete;
    unique_variant& operator=(const unique_variant&) = delete;
    ~unique_variant() { ::VariantClear(&v_); }
    VARIANT* get() noexcept { return &v_; }
    VARIANT* operator->() noexcept { return &v_; }
    VARIANT* put() noexcept {
        ::VariantClear(&v_);
        return &v_;
    }

private:
    VARIANT v_;
};

// A counted COM reference.
template <class T>
class com_ptr {
public:
    com_ptr() noexcept = default;
    com_ptr(std::nullptr_t) noexcept {}
    explicit com_ptr(T* p) noexcept : p_(p) {
        if (p_) p_->AddRef();
    }
    com_ptr(const com_ptr& o) noexcept : com_ptr(o.p_) {}
    com_ptr(com_ptr&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
    com_ptr& operator=(com_ptr o) noexcept {
        std::swap(p_, o.p_);
        return *this;
    }
    ~com_ptr() {
        if (p_) p_->Release();
    }
    static com_ptr adopt(T* p) noexcept {
        com_ptr r;
        r.p_ = p;
        return r;
    }
    T* get() const noexcept { return p_; }
    T* operator->() const noexcept { return p_; }
    explicit operator bool() const noexcept { return p_ != nullptr; }
    T** put() noexcept {
        reset();
        return &p_;
    }
    void** put_void() noexcept { return reinterpret_cast<void**>(put()); }
    T* detach() noexcept { return std::exchange(p_, nullptr); }
    void reset() noexcept {
        if (p_) std::exchange(p_, nullptr)->Release();
    }
    template <class U>
    com_ptr<U> as(REFIID iid) const noexcept {
        com_ptr<U> out;
        if (p_) p_->QueryInterface(iid, out.put_void());
        return out;
    }

private:
    T* p_ = nullptr;
};

}  // namespace corvel::win32
