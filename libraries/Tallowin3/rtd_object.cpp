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

// ------------------------------------------------------------------------------------------------
// Late binding

namespace {

struct Member {
    const wchar_t* name;
    DISPID id;
    UINT arguments;
};
constexpr Member kMembers[] = {
    {L"ServerStart", 10, 1},    {L"ConnectData", 11, 3}, {L"RefreshData", 12, 1},
    {L"DisconnectData", 13, 1}, {L"Heartbeat", 14, 0},   {L"ServerTerminate", 15, 0},
};

// Argument `index` (first = 0) of a call: dispatch arguments arrive last to first, and by-reference
// variants are followed.
VARIANT* argument(DISPPARAMS& params, UINT index) {
    VARIANT* v = &params.rgvarg[params.cArgs - 1 - index];
    while (V_VT(v) == (VT_BYREF | VT_VARIANT) && V_VARIANTREF(v))
        v = V_VARIANTREF(v);
    return v;
}

bool long_argument(DISPPARAMS& params, UINT index, LONG& out) {
    win32::unique_variant converted;
    if (FAILED(::VariantChangeType(converted.put(), argument(params, index), 0, VT_I4))) return false;
    out = V_I4(&converted.get());
    return true;
}

}  // namespace

HRESULT RtdObject::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) noexcept {
    if (!names || !ids || count == 0) return E_INVALIDARG;
    for (UINT i = 0; i < count; ++i)
        ids[i] = DISPID_UNKNOWN;
    for (const Member& m : kMembers) {
        if (names[0] && ::lstrcmpiW(names[0], m.name) == 0) {
            ids[0] = m.id;
            return count == 1 ? S_OK : DISP_E_UNKNOWNNAME;  // none of the members has named arguments
        }
    }
    return DISP_E_UNKNOWNNAME;
}

HRESULT RtdObject::Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                          EXCEPINFO* excepinfo, UINT* arg_error) noexcept {
    if (!params) return E_INVALIDARG;
    if (!(flags & DISPATCH_METHOD)) return DISP_E_MEMBERNOTFOUND;
    const Member* member = nullptr;
    for (const Member& m : kMembers) {
        if (m.id == id) member = &m;
    }
    if (!member) return DISP_E_MEMBERNOTFOUND;
    if (params->cNamedArgs != 0) return DISP_E_NONAMEDARGS;
    if (params->cArgs != member->arguments) return DISP_E_BADPARAMCOUNT;
    if (result) ::VariantInit(result);
    com::clear_pending_error();
    HRESULT hr = invoke_member(id, *params, result, arg_error);
    if (FAILED(hr) && hr != DISP_E_TYPEMISMATCH && com::take_pending_error(hr, excepinfo))
        hr = DISP_E_EXCEPTION;
    return hr;
}

HRESULT RtdObject::invoke_member(DISPID id, DISPPARAMS& params, VARIANT* result, UINT* arg_error) {
    const auto mismatch = [&](UINT index) {
        if (arg_error) *arg_error = index;
        return DISP_E_TYPEMISMATCH;
    };
    LONG number = 0;
    switch (id) {
        case 10: {
            VARIANT* v = argument(params, 0);
            IUnknown* object = V_VT(v) == VT_DISPATCH                ? V_DISPATCH(v)
                               : V_VT(v) == VT_UNKNOWN               ? V_UNKNOWN(v)
                               : V_VT(v) == (VT_BYREF | VT_DISPATCH) ? *V_DISPATCHREF(v)
                                                                     : nullptr;
            win32::com_ptr<IRTDUpdateEvent> callback;
            if (!object || FAILED(object->QueryInterface(__uuidof(IRTDUpdateEvent), callback.put_void())))
                return mismatch(0);
            LONG started = 0;
            const HRESULT hr = ServerStart(callback.get(), &started);
            if (SUCCEEDED(hr) && result) V_VT(result) = VT_I4, V_I4(result) = started;
            return hr;
        }
        case 11: {
            if (!long_argument(params, 0, number)) return mismatch(0);
            VARIANT* strings = argument(params, 1);
            SAFEARRAY* array = nullptr;
            if (V_VT(strings) == (VT_ARRAY | VT_VARIANT) || V_VT(strings) == (VT_ARRAY | VT_BSTR))
                array = V_ARRAY(strings);
            else if (V_VT(strings) == (VT_BYREF | VT_ARRAY | VT_VARIANT) && V_ARRAYREF(strings))
                array = *V_ARRAYREF(strings);
            else
                return mismatch(1);
            VARIANT* fresh = argument(params, 2);
            VARIANT_BOOL get_new_values = VARIANT_TRUE;
            VARIANT_BOOL* get_new = V_VT(fresh) == (VT_BYREF | VT_BOOL) ? V_BOOLREF(fresh) : &get_new_values;
            win32::unique_variant value;
            const HRESULT hr = ConnectData(number, &array, get_new, value.put());
            if (SUCCEEDED(hr) && result) *result = value.release();
            return hr;
        }
        case 12: {
            VARIANT* count = argument(params, 0);
            LONG topics = 0;
            SAFEARRAY* values = nullptr;
            const HRESULT hr = RefreshData(&topics, &values);
            win32::unique_safearray owned(values);
            if (FAILED(hr)) return hr;
            if (V_VT(count) == (VT_BYREF | VT_I4)) *V_I4REF(count) = topics;
            if (result) V_VT(result) = VT_ARRAY | VT_VARIANT, V_ARRAY(result) = owned.release();
            return hr;
        }
        case 13:
            if (!long_argument(params, 0, number)) return mismatch(0);
            return DisconnectData(number);
        case 14: {
            const HRESULT hr = Heartbeat(&number);
            if (SUCCEEDED(hr) && result) V_VT(result) = VT_I4, V_I4(result) = number;
            return hr;
        }
        default:
            return ServerTerminate();
    }
}

// ------------------------------------------------------------------------------------------------

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
