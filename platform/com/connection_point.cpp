#include "platform/com/connection_point.h"

#include <algorithm>

#include "platform/com/object.h"

namespace corvel::com {

namespace {

// A snapshot enumerator over a list of items, as both connection enumerators need.
template <class Interface, class Item, class Copy>
class SnapshotEnum final : public ComObject<SnapshotEnum<Interface, Item, Copy>, Interface> {
public:
    explicit SnapshotEnum(std::vector<Item> items, std::size_t next = 0) : items_(std::move(items)), next_(next) {}
    ~SnapshotEnum() override {
        for (auto& item : items_) Copy::release(item);
    }

    HRESULT STDMETHODCALLTYPE Next(ULONG count, Item* out, ULONG* fetched) override {
        if (!out || (count > 1 && !fetched)) return E_POINTER;
        ULONG n = 0;
        while (n < count && next_ < items_.size()) out[n++] = Copy::copy(items_[next_++]);
        if (fetched) *fetched = n;
        return n == count ? S_OK : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE Skip(ULONG count) override {
        next_ += count;
        if (next_ > items_.size()) {
            next_ = items_.size();
            return S_FALSE;
        }
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Reset() override {
        next_ = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Clone(Interface** out) override {
        if (!out) return E_POINTER;
        std::vector<Item> copies;
        for (const auto& item : items_) copies.push_back(Copy::copy(item));
        *out = make_object<SnapshotEnum>(std::move(copies), next_);
        return S_OK;
    }

private:
    std::vector<Item> items_;
    std::size_t next_;
};

struct CopyConnection {
    static CONNECTDATA copy(const CONNECTDATA& c) {
        if (c.pUnk) c.pUnk->AddRef();
        return c;
    }
    static void release(CONNECTDATA& c) {
        if (c.pUnk) c.pUnk->Release();
    }
};
struct CopyPoint {
    static IConnectionPoint* copy(IConnectionPoint* p) {
        p->AddRef();
        return p;
    }
    static void release(IConnectionPoint* p) { p->Release(); }
};

using ConnectionsEnum = SnapshotEnum<IEnumConnections, CONNECTDATA, CopyConnection>;
using PointsEnum = SnapshotEnum<IEnumConnectionPoints, IConnectionPoint*, CopyPoint>;

}  // namespace

HRESULT ConnectionPoint::QueryInterface(REFIID iid, void** out) {
    if (!out) return E_POINTER;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IConnectionPoint)) {
        *out = static_cast<IConnectionPoint*>(this);
        AddRef();
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

HRESULT ConnectionPoint::GetConnectionInterface(IID* iid) {
    if (!iid) return E_POINTER;
    *iid = events_;
    return S_OK;
}

HRESULT ConnectionPoint::GetConnectionPointContainer(IConnectionPointContainer** out) {
    if (!out) return E_POINTER;
    container_.AddRef();
    *out = &container_;
    return S_OK;
}

HRESULT ConnectionPoint::Advise(IUnknown* sink, DWORD* cookie) {
    if (!sink || !cookie) return E_POINTER;
    *cookie = 0;
    win32::com_ptr<IDispatch> dispatch;
    // A sink must implement the event interface; hosts that sink late-bound answer for IDispatch.
    if (FAILED(sink->QueryInterface(events_, dispatch.put_void())) &&
        FAILED(sink->QueryInterface(IID_IDispatch, dispatch.put_void()))) {
        return CONNECT_E_CANNOTCONNECT;
    }
    for (std::size_t i = 0; i < sinks_.size(); ++i) {
        if (!sinks_[i]) {
            sinks_[i] = std::move(dispatch);
            *cookie = static_cast<DWORD>(i + 1);
            return S_OK;
        }
    }
    try {
        sinks_.push_back(std::move(dispatch));
    } catch (...) {
        return E_OUTOFMEMORY;
    }
    *cookie = static_cast<DWORD>(sinks_.size());
    return S_OK;
}

HRESULT ConnectionPoint::Unadvise(DWORD cookie) {
    if (cookie == 0 || cookie > sinks_.size() || !sinks_[cookie - 1]) return CONNECT_E_NOCONNECTION;
    sinks_[cookie - 1].reset();
    return S_OK;
}

HRESULT ConnectionPoint::EnumConnections(IEnumConnections** out) {
    if (!out) return E_POINTER;
    try {
        std::vector<CONNECTDATA> items;
        for (std::size_t i = 0; i < sinks_.size(); ++i) {
            if (sinks_[i]) items.push_back(CopyConnection::copy(CONNECTDATA{sinks_[i].get(), static_cast<DWORD>(i + 1)}));
        }
        *out = make_object<ConnectionsEnum>(std::move(items));
        return S_OK;
    } catch (...) {
        return E_OUTOFMEMORY;
    }
}

bool ConnectionPoint::has_sinks() const noexcept {
    for (const auto& s : sinks_) {
        if (s) return true;
    }
    return false;
}

HRESULT ConnectionPoint::fire(DISPID id, VARIANT* args, UINT count) noexcept {
    // Dispatch arguments go last to first.
    std::vector<VARIANT> reversed;
    try {
        reversed.assign(args, args + count);
    } catch (...) {
        return E_OUTOFMEMORY;
    }
    std::reverse(reversed.begin(), reversed.end());
    DISPPARAMS params{reversed.data(), nullptr, count, 0};
    HRESULT first_failure = S_OK;
    // By index, holding each sink while it runs: a handler may connect or disconnect sinks.
    for (std::size_t i = 0; i < sinks_.size(); ++i) {
        win32::com_ptr<IDispatch> sink = sinks_[i];
        if (!sink) continue;
        EXCEPINFO info{};
        const HRESULT hr = sink->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, nullptr, &info,
                                        nullptr);
        ::SysFreeString(info.bstrSource);
        ::SysFreeString(info.bstrDescription);
        ::SysFreeString(info.bstrHelpFile);
        if (FAILED(hr) && SUCCEEDED(first_failure)) first_failure = hr;
    }
    return first_failure;
}

HRESULT find_connection_point(ConnectionPoint& point, REFIID iid, IConnectionPoint** out) noexcept {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (!IsEqualIID(iid, point.events())) return CONNECT_E_NOCONNECTION;
    point.AddRef();
    *out = &point;
    return S_OK;
}

HRESULT enum_connection_points(ConnectionPoint& point, IEnumConnectionPoints** out) noexcept {
    if (!out) return E_POINTER;
    try {
        *out = make_object<PointsEnum>(std::vector<IConnectionPoint*>{CopyPoint::copy(&point)});
        return S_OK;
    } catch (...) {
        return E_OUTOFMEMORY;
    }
}

}  // namespace corvel::com
