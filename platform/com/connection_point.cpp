#include "platform/com/connection_point.h"

#include <algorithm>

#include "platform/com/object.h"

namespace corvel::com {

namespace {

// A snapshot enumerator over a list of items, as both connection enumerators need. It holds its own
// reference to every item and hands out a new one with each item it returns.
template <class Interface, class Items>
class SnapshotEnum final : public Implements<SnapshotEnum<Interface, Items>, Interface> {
  public:
    using Stored = typename Items::Stored;
    using Item = typename Items::Item;

    explicit SnapshotEnum(std::vector<Stored> items, std::size_t next = 0)
        : items_(std::move(items)), next_(next) {}

    HRESULT STDMETHODCALLTYPE Next(ULONG count, Item* out, ULONG* fetched) noexcept override {
        if (!out || (count > 1 && !fetched)) return E_POINTER;
        ULONG n = 0;
        while (n < count && next_ < items_.size())
            out[n++] = Items::hand_out(items_[next_++]);
        if (fetched) *fetched = n;
        return n == count ? S_OK : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE Skip(ULONG count) noexcept override {
        next_ += count;
        if (next_ > items_.size()) {
            next_ = items_.size();
            return S_FALSE;
        }
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Reset() noexcept override {
        next_ = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Clone(Interface** out) noexcept override {
        if (!out) return E_POINTER;
        *out = nullptr;
        try {
            *out = make_object<SnapshotEnum>(items_, next_).detach();
            return S_OK;
        } catch (...) {
            return E_OUTOFMEMORY;
        }
    }

  private:
    std::vector<Stored> items_;
    std::size_t next_;
};

struct Connections {
    using Stored = std::pair<win32::com_ptr<IUnknown>, DWORD>;
    using Item = CONNECTDATA;
    static CONNECTDATA hand_out(const Stored& c) noexcept {
        return CONNECTDATA{win32::com_ptr<IUnknown>(c.first).detach(), c.second};
    }
};
struct Points {
    using Stored = win32::com_ptr<IConnectionPoint>;
    using Item = IConnectionPoint*;
    static IConnectionPoint* hand_out(const Stored& p) noexcept { return Stored(p).detach(); }
};

using ConnectionsEnum = SnapshotEnum<IEnumConnections, Connections>;
using PointsEnum = SnapshotEnum<IEnumConnectionPoints, Points>;

}  // namespace

HRESULT ConnectionPoint::QueryInterface(REFIID iid, void** out) noexcept {
    if (!out) return E_POINTER;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IConnectionPoint)) {
        *out = static_cast<IConnectionPoint*>(this);
        AddRef();
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

HRESULT ConnectionPoint::GetConnectionInterface(IID* iid) noexcept {
    if (!iid) return E_POINTER;
    *iid = events_;
    return S_OK;
}

HRESULT ConnectionPoint::GetConnectionPointContainer(IConnectionPointContainer** out) noexcept {
    if (!out) return E_POINTER;
    container_.AddRef();
    *out = &container_;
    return S_OK;
}

HRESULT ConnectionPoint::Advise(IUnknown* sink, DWORD* cookie) noexcept {
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

HRESULT ConnectionPoint::Unadvise(DWORD cookie) noexcept {
    if (cookie == 0 || cookie > sinks_.size() || !sinks_[cookie - 1]) return CONNECT_E_NOCONNECTION;
    sinks_[cookie - 1].reset();
    return S_OK;
}

HRESULT ConnectionPoint::EnumConnections(IEnumConnections** out) noexcept {
    if (!out) return E_POINTER;
    try {
        std::vector<Connections::Stored> items;
        for (std::size_t i = 0; i < sinks_.size(); ++i) {
            if (sinks_[i])
                items.emplace_back(win32::com_ptr<IUnknown>(sinks_[i].get()), static_cast<DWORD>(i + 1));
        }
        *out = make_object<ConnectionsEnum>(std::move(items)).detach();
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
        win32::unique_excepinfo info;
        const HRESULT hr = sink->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, nullptr,
                                        info.put(), nullptr);
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
        *out = make_object<PointsEnum>(std::vector<Points::Stored>{Points::Stored(&point)}).detach();
        return S_OK;
    } catch (...) {
        return E_OUTOFMEMORY;
    }
}

}  // namespace corvel::com
