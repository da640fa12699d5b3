#pragma once

#include <windows.h>

#include <ocidl.h>

#include <atomic>
#include <type_traits>
#include <utility>

#include "platform/com/module.h"
#include "platform/win32/handles.h"

namespace corvel::com {

template <class... Interfaces>
struct InterfaceList {};

// An entry of an interface list is an interface, or a part of a class that implements interfaces of
// its own (an event source, say) and names them in `interfaces`.
template <class Entry>
struct EntryInterfaces {
    using type = InterfaceList<Entry>;
};
template <class Entry>
requires requires {
    typename Entry::interfaces;
}
struct EntryInterfaces<Entry> {
    using type = typename Entry::interfaces;
};

template <class... Lists>
struct JoinLists;
template <>
struct JoinLists<> {
    using type = InterfaceList<>;
};
template <class... A>
struct JoinLists<InterfaceList<A...>> {
    using type = InterfaceList<A...>;
};
template <class... A, class... B, class... Rest>
struct JoinLists<InterfaceList<A...>, InterfaceList<B...>, Rest...> {
    using type = typename JoinLists<InterfaceList<A..., B...>, Rest...>::type;
};

// Interfaces an object answers for without listing them, because a listed one derives from them: a
// dual interface is also the object's IDispatch, IProvideClassInfo2 also its IProvideClassInfo.
using InheritedInterfaces = InterfaceList<IDispatch, IProvideClassInfo>;

// The interface list is the class: Implements<Derived, I...> answers QueryInterface for IUnknown, for
// each entry's interfaces and for the inherited interfaces above, counts references and deletes the
// object when the last goes. The first interface is the object's identity (its IUnknown). Every object
// also keeps the server loaded while it lives.
template <class Derived, class... Entries>
class Implements : public Entries... {
  public:
    using implemented = typename JoinLists<typename EntryInterfaces<Entries>::type...>::type;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) noexcept override {
        if (!out) return E_POINTER;
        *out = find(iid);
        if (!*out) return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() noexcept override { return ++refs_; }
    ULONG STDMETHODCALLTYPE Release() noexcept override {
        const ULONG n = --refs_;
        if (n == 0) delete static_cast<Derived*>(this);
        return n;
    }

  protected:
    Implements() = default;
    virtual ~Implements() = default;

  private:
    void* find(REFIID iid) noexcept {
        if (IsEqualIID(iid, IID_IUnknown)) return identity(implemented{});
        if (void* listed = listed_interface(iid, implemented{})) return listed;
        return inherited_interface(iid, InheritedInterfaces{});
    }
    template <class First, class... Rest>
    void* identity(InterfaceList<First, Rest...>) noexcept {
        return static_cast<IUnknown*>(static_cast<First*>(this));
    }
    template <class... I>
    void* listed_interface(REFIID iid, InterfaceList<I...>) noexcept {
        void* found = nullptr;
        ((IsEqualIID(iid, __uuidof(I)) && (found = static_cast<I*>(this))) || ...);
        return found;
    }
    template <class... Base>
    void* inherited_interface(REFIID iid, InterfaceList<Base...>) noexcept {
        void* found = nullptr;
        ((IsEqualIID(iid, __uuidof(Base)) && (found = through_listed<Base>(implemented{}))) || ...);
        return found;
    }
    // The base as reached through the first listed interface deriving from it: two listed interfaces
    // may both derive from it, and the answer must be the same every time.
    template <class Base, class... I>
    void* through_listed(InterfaceList<I...>) noexcept {
        void* found = nullptr;
        (as_base<Base, I>(found) || ...);
        return found;
    }
    template <class Base, class I>
    bool as_base(void*& found) noexcept {
        if constexpr (std::is_base_of_v<Base, I> && !std::is_same_v<Base, I>) {
            found = static_cast<Base*>(static_cast<I*>(this));
            return true;
        } else {
            return false;
        }
    }

    std::atomic<ULONG> refs_{1};
    ObjectCount count_;
};

// Creates an object; the owner returned holds its one initial reference.
template <class T, class... Args>
win32::com_ptr<T> make_object(Args&&... args) {
    return win32::com_ptr<T>::adopt(new T(std::forward<Args>(args)...));
}

}  // namespace corvel::com
