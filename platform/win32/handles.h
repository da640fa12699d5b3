#pragma once

#include <windows.h>
#include <oleauto.h>

#include <utility>

#include "common/unique_handle.h"

namespace corvel::win32 {

// Closing a handle on the way out of a failing scope must not overwrite the error being reported.
class KeepLastError {
  public:
    KeepLastError() noexcept : saved_(::GetLastError()) {}
    KeepLastError(const KeepLastError&) = delete;
    KeepLastError& operator=(const KeepLastError&) = delete;
    ~KeepLastError() { ::SetLastError(saved_); }

  private:
    DWORD saved_;
};

struct HkeyPolicy {
    using handle_type = HKEY;
    static handle_type invalid() noexcept { return nullptr; }
    static bool close(handle_type h) noexcept {
        KeepLastError keep;
        return ::RegCloseKey(h) == ERROR_SUCCESS;
    }
};
struct HwndPolicy {
    using handle_type = HWND;
    static handle_type invalid() noexcept { return nullptr; }
    static bool close(handle_type h) noexcept {
        KeepLastError keep;
        return ::DestroyWindow(h) != FALSE;
    }
};
struct HandlePolicy {
    using handle_type = HANDLE;
    static handle_type invalid() noexcept { return nullptr; }
    static bool close(handle_type h) noexcept {
        KeepLastError keep;
        return ::CloseHandle(h) != FALSE;
    }
};
struct BstrPolicy {
    using handle_type = BSTR;
    static handle_type invalid() noexcept { return nullptr; }
    static void close(handle_type h) noexcept { ::SysFreeString(h); }
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
