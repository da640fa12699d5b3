#pragma once

// Everything else of the Windows SDK assumes the base definitions are in place.
#include <windows.h>

#include <oleauto.h>

#include <type_traits>
#include <utility>
#include <vector>

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
// An empty variant holds nothing; any other may hold a string, an array or an object reference.
struct VariantPolicy {
    using handle_type = VARIANT;
    static handle_type invalid() noexcept { return VARIANT{}; }  // VT_EMPTY
    static bool is_valid(const handle_type& v) noexcept { return V_VT(&v) != VT_EMPTY; }
    static void close(handle_type v) noexcept {
        // Clearing may release an object, and its last release may run any code.
        KeepLastError keep;
        ::VariantClear(&v);
    }
};
// What a failed dispatch call describes itself with: its texts are the caller's to free.
struct ExcepInfoPolicy {
    using handle_type = EXCEPINFO;
    static handle_type invalid() noexcept { return EXCEPINFO{}; }
    static bool is_valid(const handle_type& e) noexcept {
        return e.bstrSource || e.bstrDescription || e.bstrHelpFile;
    }
    static void close(handle_type e) noexcept {
        ::SysFreeString(e.bstrSource);
        ::SysFreeString(e.bstrDescription);
        ::SysFreeString(e.bstrHelpFile);
    }
};

// An activation context made from a module's manifest (the common-controls version its windows use).
struct ActivationContextPolicy {
    using handle_type = HANDLE;
    static handle_type invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static void close(handle_type h) noexcept {
        KeepLastError keep;
        ::ReleaseActCtx(h);
    }
};
// A module this process loaded itself.
struct ModulePolicy {
    using handle_type = HMODULE;
    static handle_type invalid() noexcept { return nullptr; }
    static bool close(handle_type h) noexcept {
        KeepLastError keep;
        return ::FreeLibrary(h) != FALSE;
    }
};
// A font, brush or other GDI object this process created.
struct GdiObjectPolicy {
    using handle_type = HGDIOBJ;
    static handle_type invalid() noexcept { return nullptr; }
    static bool close(handle_type h) noexcept {
        KeepLastError keep;
        return ::DeleteObject(h) != FALSE;
    }
};
// A safe array handed over by a call (a block's values) or made to pass as an argument.
struct SafeArrayPolicy {
    using handle_type = SAFEARRAY*;
    static handle_type invalid() noexcept { return nullptr; }
    static void close(handle_type a) noexcept {
        KeepLastError keep;
        ::SafeArrayDestroy(a);
    }
};

using unique_hkey = UniqueHandle<HkeyPolicy>;
using unique_hwnd = UniqueHandle<HwndPolicy>;
using unique_handle = UniqueHandle<HandlePolicy>;
using unique_bstr = UniqueHandle<BstrPolicy>;
using unique_variant = UniqueHandle<VariantPolicy>;
using unique_excepinfo = UniqueHandle<ExcepInfoPolicy>;
using unique_actctx = UniqueHandle<ActivationContextPolicy>;
using unique_gdi = UniqueHandle<GdiObjectPolicy>;
using unique_safearray = UniqueHandle<SafeArrayPolicy>;
using unique_module = UniqueHandle<ModulePolicy>;

// The arguments of one dispatch call, laid out as DISPPARAMS wants them (contiguous VARIANTs): each is
// cleared when the call's arguments go, whatever they came to hold.
class VariantArgs {
  public:
    VariantArgs() = default;
    VariantArgs(const VariantArgs&) = delete;
    VariantArgs& operator=(const VariantArgs&) = delete;
    ~VariantArgs() {
        KeepLastError keep;
        for (VARIANT& v : args_)
            ::VariantClear(&v);
    }
    // A new empty slot at the end; fill it before adding the next.
    VARIANT& add() {
        args_.emplace_back();
        ::VariantInit(&args_.back());
        return args_.back();
    }
    VARIANT* data() noexcept { return args_.data(); }
    UINT size() const noexcept { return static_cast<UINT>(args_.size()); }

  private:
    std::vector<VARIANT> args_;
};

// Holds a safe array's data in place while it is read.
class SafeArrayData {
  public:
    explicit SafeArrayData(SAFEARRAY* array) noexcept : array_(array) {
        if (FAILED(::SafeArrayAccessData(array_, &data_))) data_ = nullptr;
    }
    SafeArrayData(const SafeArrayData&) = delete;
    SafeArrayData& operator=(const SafeArrayData&) = delete;
    ~SafeArrayData() {
        if (data_) ::SafeArrayUnaccessData(array_);
    }
    void* get() const noexcept { return data_; }

  private:
    SAFEARRAY* array_;
    void* data_ = nullptr;
};

// A counted COM reference. The interface id comes from the type (`__uuidof`, which MinGW answers for
// every interface declared with its id, as the system's and our generated headers do).
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
    // From a reference to a class or a derived interface: the same object, no query needed.
    template <class U>
    requires std::is_convertible_v<U*, T*> com_ptr(com_ptr<U>&& o)
    noexcept : p_(o.detach()) {}
    com_ptr& operator=(com_ptr o) noexcept {
        std::swap(p_, o.p_);
        return *this;
    }
    ~com_ptr() {
        if (p_) p_->Release();
    }
    // Takes over a reference the caller already owns.
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
    // Hands the reference over (to an out-parameter, say) without releasing it.
    T* detach() noexcept { return std::exchange(p_, nullptr); }
    void reset() noexcept {
        if (p_) std::exchange(p_, nullptr)->Release();
    }
    // The object's interface U, or null when it has none.
    template <class U>
    com_ptr<U> as() const noexcept {
        com_ptr<U> out;
        if (p_) p_->QueryInterface(__uuidof(U), out.put_void());
        return out;
    }

  private:
    T* p_ = nullptr;
};

}  // namespace corvel::win32
