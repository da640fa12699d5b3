#include "libraries/Tallowin3/rtd_object.h"

#include <chrono>
#include <string>
#include <vector>

#include "common/automation_error.h"
#include "libraries/Tallowin3/environment.h"
#include "platform/com/variant_convert.h"
#include "platform/win32/text.h"

namespace corvel::tallowin {

namespace {

void require(const void* out) {
    if (!out)
        throw AutomationError(static_cast<std::int32_t>(E_POINTER), RtdObject::kSource, "Invalid pointer");
}

// A topic string as text, whatever the cell gave (a number typed as the connection's port, say).
std::string topic_text(const VARIANT& v) {
    if (V_VT(&v) == VT_BSTR) return win32::from_bstr(V_BSTR(&v));
    try {
        return com::from_variant(v, RtdObject::kSource).to_text();
    } catch (...) {
        return {};
    }
}

std::vector<std::string> topic_strings(SAFEARRAY* strings) {
    std::vector<std::string> out;
    if (!strings) return out;
    if (::SafeArrayGetDim(strings) != 1) {
        throw AutomationError(static_cast<std::int32_t>(E_INVALIDARG), RtdObject::kSource,
                              "The topic strings are not a list");
    }
    LONG low = 0, high = -1;
    ::SafeArrayGetLBound(strings, 1, &low);
    ::SafeArrayGetUBound(strings, 1, &high);
    VARTYPE type = VT_EMPTY;
    ::SafeArrayGetVartype(strings, &type);
    for (LONG i = low; i <= high; ++i) {
        if (type == VT_BSTR) {
            win32::unique_bstr s;
            if (SUCCEEDED(::SafeArrayGetElement(strings, &i, s.put())))
                out.push_back(win32::from_bstr(s.get()));
            continue;
        }
        win32::unique_variant v;
        if (FAILED(::SafeArrayGetElement(strings, &i, v.put()))) {
            out.emplace_back();
            continue;
        }
        out.push_back(topic_text(v.get()));
    }
    return out;
}

// A value of the server as a cell's variant; the caller owns what it holds.
VARIANT cell_value(const Variant& value) {
    VARIANT v;
    ::VariantInit(&v);
    if (const std::string* text = value.string_if()) {
        V_VT(&v) = VT_BSTR;
        V_BSTR(&v) = win32::make_bstr(*text);
    } else if (value.type() == VariantType::Date) {
        V_VT(&v) = VT_DATE;
        V_DATE(&v) = value.as_date().value;
    } else if (const auto number = value.number()) {
        V_VT(&v) = VT_R8;
        V_R8(&v) = *number;
    }
    return v;
}

}  // namespace

RtdObject::RtdObject()
    : reactor_(win32::WindowReactor::create()),
      server_(std::make_unique<rtd::RtdServer>(apartment_environment())) {}

RtdObject::~RtdObject() {
    reactor_->cancel_timer(*this);
    server_.reset();  // its connections' windows go before the reactor's
}

HRESULT RtdObject::ServerStart(IRTDUpdateEvent* CallbackObject, LONG* result) noexcept {
    return guard([&] {
        require(result);
        *result = 0;
        if (!CallbackObject)
            throw AutomationError(static_cast<std::int32_t>(E_POINTER), kSource, "No callback object");
        callback_ = win32::com_ptr<IRTDUpdateEvent>(CallbackObject);
        server_->ServerStart(this);
        started_ = true;
        arm_timer();
        *result = 1;
    });
}

HRESULT RtdObject::ConnectData(LONG TopicID, SAFEARRAY** Strings, VARIANT_BOOL* GetNewValues,
                               VARIANT* value) noexcept {
    return guard([&] {
        require(value);
        (void)GetNewValues;  // the value returned is always current: Excel may show it as it is
        const std::vector<std::string> strings = topic_strings(Strings ? *Strings : nullptr);
        const Variant current = server_->ConnectData(TopicID, strings);
        *value = cell_value(current);
    });
}

HRESULT RtdObject::RefreshData(LONG* TopicCount, SAFEARRAY** values) noexcept {
    return guard([&] {
        require(TopicCount);
        require(values);
        *values = nullptr;
        *TopicCount = 0;
        const auto changed = server_->RefreshData();
        // Two rows, as Excel reads them: the topic ids, and beneath each its value.
        SAFEARRAYBOUND bounds[2];
        bounds[0].lLbound = 0;
        bounds[0].cElements = 2;
        bounds[1].lLbound = 0;
        bounds[1].cElements = static_cast<ULONG>(changed.size());
        win32::unique_safearray out(::SafeArrayCreate(VT_VARIANT, 2, bounds));
        if (!out.get())
            throw AutomationError(static_cast<std::int32_t>(E_OUTOFMEMORY), kSource, "Out of memory");
        for (std::size_t i = 0; i < changed.size(); ++i) {
            LONG index[2] = {0, static_cast<LONG>(i)};
            VARIANT id;
            ::VariantInit(&id);
            V_VT(&id) = VT_I4;
            V_I4(&id) = changed[i].first;
            HRESULT hr = ::SafeArrayPutElement(out.get(), index, &id);
            index[0] = 1;
            const win32::unique_variant cell(cell_value(changed[i].second));
            VARIANT shown = cell.get();  // the array keeps a copy of its own
            if (SUCCEEDED(hr)) hr = ::SafeArrayPutElement(out.get(), index, &shown);
            if (FAILED(hr)) throw AutomationError(static_cast<std::int32_t>(hr), kSource, "Out of memory");
        }
        *TopicCount = static_cast<LONG>(changed.size());
        *values = out.release();
    });
}

HRESULT RtdObject::DisconnectData(LONG TopicID) noexcept {
    return guard([&] { server_->DisconnectData(TopicID); });
}

HRESULT RtdObject::Heartbeat(LONG* result) noexcept {
    return guard([&] {
        require(result);
        *result = 1;
    });
}

HRESULT RtdObject::ServerTerminate() noexcept {
    return guard([&] {
        started_ = false;
        reactor_->cancel_timer(*this);
        server_->ServerTerminate();
        callback_ = nullptr;
    });
}

void RtdObject::UpdateNotify() {
    // Excel may terminate the server, and release it, from inside the call.
    const win32::com_ptr<IRTDUpdateEvent> callback = callback_;
    if (callback) callback->UpdateNotify();
}

void RtdObject::on_timer() {
    if (!started_) return;
    // The poll may tell Excel, which may release this object from inside.
    const win32::com_ptr<IRtdServer> keep(this);
    try {
        server_->poll();
    } catch (...) {
        // A failed attempt is the next attempt's business; the timer goes on.
    }
    if (started_) arm_timer();
}

void RtdObject::arm_timer() {
    reactor_->set_timer(*this,
                        std::chrono::steady_clock::now() + std::chrono::milliseconds(kPollMilliseconds));
}

win32::com_ptr<IUnknown> create_rtd() {
    return win32::com_ptr<IRtdServer>(com::make_object<RtdObject>());
}

}  // namespace corvel::tallowin
