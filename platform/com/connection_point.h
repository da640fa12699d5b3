#pragma once

// Everything else of the Windows SDK assumes the base definitions are in place.
#include <windows.h>

#include <ocidl.h>
#include <olectl.h>

#include <vector>

#include "platform/com/object.h"
#include "platform/com/type_library.h"
#include "platform/win32/handles.h"

namespace corvel::com {

// The single outgoing interface of an object, living inside that object: it shares the object's
// reference count, so a client holding the connection point holds the object. Sinks are kept by
// cookie (slot + 1) and called late-bound, which is what script and VBA hosts implement.
class ConnectionPoint final : public IConnectionPoint {
  public:
    ConnectionPoint(IConnectionPointContainer& container, REFIID events) noexcept
        : container_(container), events_(events) {}
    ConnectionPoint(const ConnectionPoint&) = delete;
    ConnectionPoint& operator=(const ConnectionPoint&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) noexcept override;
    ULONG STDMETHODCALLTYPE AddRef() noexcept override { return container_.AddRef(); }
    ULONG STDMETHODCALLTYPE Release() noexcept override { return container_.Release(); }
    HRESULT STDMETHODCALLTYPE GetConnectionInterface(IID* iid) noexcept override;
    HRESULT STDMETHODCALLTYPE GetConnectionPointContainer(IConnectionPointContainer** out) noexcept override;
    HRESULT STDMETHODCALLTYPE Advise(IUnknown* sink, DWORD* cookie) noexcept override;
    HRESULT STDMETHODCALLTYPE Unadvise(DWORD cookie) noexcept override;
    HRESULT STDMETHODCALLTYPE EnumConnections(IEnumConnections** out) noexcept override;

    const IID& events() const noexcept { return events_; }
    bool has_sinks() const noexcept;
    // Calls a method of every connected sink, arguments in their declared order. Returns the first
    // failure (after calling every sink), S_OK when all succeeded.
    HRESULT fire(DISPID id, VARIANT* args, UINT count) noexcept;
    // Lets go of every sink (the owner is going away).
    void clear() noexcept { sinks_.clear(); }

  private:
    IConnectionPointContainer& container_;
    IID events_;
    std::vector<win32::com_ptr<IDispatch>> sinks_;
};

// Answers IConnectionPointContainer for an object with one connection point.
HRESULT find_connection_point(ConnectionPoint& point, REFIID iid, IConnectionPoint** out) noexcept;
HRESULT enum_connection_points(ConnectionPoint& point, IEnumConnectionPoints** out) noexcept;

// The part of a class that raises events: the connection point of the coclass's default source
// interface `Events`, and the class information through which script and VBA hosts find it. An entry
// of the class's interface list: Dispatchable<Derived, Dual, EventSource<Coclass, Events>>.
template <class Coclass, class Events>
class EventSource : public IConnectionPointContainer, public IProvideClassInfo2 {
  public:
    using interfaces = InterfaceList<IConnectionPointContainer, IProvideClassInfo2>;

    EventSource(const EventSource&) = delete;
    EventSource& operator=(const EventSource&) = delete;

    HRESULT STDMETHODCALLTYPE EnumConnectionPoints(IEnumConnectionPoints** out) noexcept override {
        return enum_connection_points(events_, out);
    }
    HRESULT STDMETHODCALLTYPE FindConnectionPoint(REFIID iid, IConnectionPoint** out) noexcept override {
        return find_connection_point(events_, iid, out);
    }
    HRESULT STDMETHODCALLTYPE GetClassInfo(ITypeInfo** out) noexcept override {
        if (!out) return E_POINTER;
        *out = type_info(__uuidof(Coclass));
        if (!*out) return TYPE_E_ELEMENTNOTFOUND;
        (*out)->AddRef();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetGUID(DWORD kind, GUID* out) noexcept override {
        if (!out) return E_POINTER;
        if (kind != GUIDKIND_DEFAULT_SOURCE_DISP_IID) return E_INVALIDARG;
        *out = __uuidof(Events);
        return S_OK;
    }

  protected:
    EventSource() noexcept : events_(*this, __uuidof(Events)) {}
    ~EventSource() = default;

    bool has_sinks() const noexcept { return events_.has_sinks(); }
    // Raises one event on every connected sink (see ConnectionPoint::fire). A handler may release the
    // caller's last reference: the object stays until the event is done.
    HRESULT fire(DISPID id, VARIANT* args, UINT count) noexcept {
        const win32::com_ptr<IConnectionPointContainer> keep(this);
        return events_.fire(id, args, count);
    }

  private:
    ConnectionPoint events_;
};

}  // namespace corvel::com
