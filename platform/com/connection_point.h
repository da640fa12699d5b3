#pragma once

#include <windows.h>
#include <ocidl.h>
#include <olectl.h>

#include <vector>

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

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return container_.AddRef(); }
    ULONG STDMETHODCALLTYPE Release() override { return container_.Release(); }
    HRESULT STDMETHODCALLTYPE GetConnectionInterface(IID* iid) override;
    HRESULT STDMETHODCALLTYPE GetConnectionPointContainer(IConnectionPointContainer** out) override;
    HRESULT STDMETHODCALLTYPE Advise(IUnknown* sink, DWORD* cookie) override;
    HRESULT STDMETHODCALLTYPE Unadvise(DWORD cookie) override;
    HRESULT STDMETHODCALLTYPE EnumConnections(IEnumConnections** out) override;

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

}  // namespace corvel::com
