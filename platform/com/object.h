#pragma once

#include <windows.h>
#include <oaidl.h>

#include <atomic>
#include <tuple>
#include <type_traits>

#include "platform/com/module.h"

namespace corvel::com {

// The interface list is the class: ComObject<Derived, I...> answers QueryInterface for each I (and
// IUnknown), counts references and deletes the object when the last goes. Every object also keeps the
// server loaded while it lives.
template <class Derived, class... Interfaces>
class ComObject : public Interfaces... {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (IsEqualIID(iid, IID_IUnknown)) {
            *out = static_cast<first_interface*>(this);
        } else if (!(find_interface<Interfaces>(iid, out) || ...)) {
            *out = static_cast<Derived*>(this)->query_extra(iid);
        }
        if (!*out) return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG n = --refs_;
        if (n == 0) delete static_cast<Derived*>(this);
        return n;
    }

protected:
    ComObject() = default;
    virtual ~ComObject() = default;
    // Further interfaces a derived class answers for (IDispatch through its dual interface, ...).
    void* query_extra(REFIID) noexcept { return nullptr; }

private:
    using first_interface = std::tuple_element_t<0, std::tuple<Interfaces...>>;

    template <class I>
    bool find_interface(REFIID iid, void** out) noexcept {
        if (IsEqualIID(iid, __uuidof(I))) {
            *out = static_cast<I*>(this);
            return true;
        }
        return false;
    }

    std::atomic<ULONG> refs_{1};
    ObjectCount count_;
};

// Creates an object with its one initial reference.
template <class T, class... Args>
T* make_object(Args&&... args) {
    return new T(std::forward<Args>(args)...);
}

}  // namespace corvel::com
