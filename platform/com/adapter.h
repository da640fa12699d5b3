#pragma once

#include <windows.h>

#include <unknwn.h>

#include "common/automation_error.h"
#include "common/ref.h"
#include "platform/com/dispatch.h"
#include "platform/com/identity.h"
#include "platform/com/object.h"
#include "platform/win32/handles.h"

namespace corvel::com {

// Answered only by the adapters of this module, each with a mark of its class, so that an object
// handed back by a caller is known for ours (or not) without trusting anything else about it: an
// object of another library, another copy of this one, or a proxy is never taken for one of ours.
struct IOwnObject : public IUnknown {
    virtual const void* STDMETHODCALLTYPE own_class() noexcept = 0;
};

}  // namespace corvel::com

// Private to the module: never registered, never marshalled.
__CRT_UUID_DECL(corvel::com::IOwnObject, 0xd0f4bd7d, 0x30a7, 0x4cf4, 0x94, 0x19, 0x56, 0xb3, 0xe5, 0x42, 0xfd,
                0x7c)

namespace corvel::com {

// The automation class over an object of the logic (a record, a collection, a connection): one
// adapter per logic object while it lives, so a caller who gets the same object twice gets the same
// automation object (its identity test says so, and events reach the sinks connected to it).
//
//   class RecordObject final : public com::Adapter<RecordObject, Record, _cRecord> { ... };
//
// `Dual` is the class's dual interface from the type library; `Others` further interfaces or parts
// (an EventSource). `wrap` gives the adapter of a logic object, `unwrap` the logic object behind an
// interface a caller passed in.
template <class Derived, class Logic, class Dual, class... Others>
class Adapter : public Dispatchable<Derived, Dual, Others..., IOwnObject> {
  public:
    explicit Adapter(Ref<Logic> logic) : logic_(std::move(logic)) {
        Identities::add(logic_.get(), static_cast<Derived*>(this));
    }

    // The adapter of `logic`: the one that exists, or a new one. Null for Nothing.
    static win32::com_ptr<Dual> wrap(const Ref<Logic>& logic) {
        if (!logic) return nullptr;
        if (Derived* existing = Identities::find(logic.get())) return win32::com_ptr<Dual>(existing);
        return make_object<Derived>(logic);
    }

    // The logic object behind an interface pointer (null for Nothing). Anything but an adapter of this
    // class is the caller's type mismatch, reported with `source`, the source of the member given it.
    static Ref<Logic> unwrap(IUnknown* object, const char* source) {
        if (!object) return nullptr;
        win32::com_ptr<IOwnObject> own;
        if (FAILED(object->QueryInterface(__uuidof(IOwnObject), own.put_void())) || !own ||
            own->own_class() != &kClassMark) {
            throw AutomationError(vb_error::kTypeMismatch, source, vb_error::kTypeMismatchText);
        }
        return static_cast<Derived*>(own.get())->logic_;
    }

    const void* STDMETHODCALLTYPE own_class() noexcept final { return &kClassMark; }

  protected:
    ~Adapter() override { Identities::remove(logic_.get()); }

    const Ref<Logic>& logic() const noexcept { return logic_; }

  private:
    using Identities = IdentityMap<Logic, Derived>;
    // Its address is the class's mark: one per class and module.
    static constexpr char kClassMark = 0;

    Ref<Logic> logic_;
};

}  // namespace corvel::com
