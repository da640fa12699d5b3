#include "libraries/Tallowin3/objects.h"

#include "common/automation_error.h"
#include "libraries/Tallowin3/environment.h"
#include "platform/com/identity.h"
#include "platform/com/module.h"
#include "platform/com/type_library.h"
#include "platform/com/variant_convert.h"
#include "platform/win32/handles.h"
#include "platform/win32/text.h"

namespace corvel::tallowin {

namespace {

void require(const void* out, const char* source) {
    if (!out) throw AutomationError(static_cast<std::int32_t>(E_POINTER), source, "Invalid pointer");
}

// The adapter of an engine object: the one that exists, or a new one.
template <class Wrapper, class Interface, class Logic>
Interface* wrap_identity(const Ref<Logic>& logic) {
    if (!logic) return nullptr;
    if (Wrapper* existing = com::IdentityMap<Logic, Wrapper>::find(logic.get())) {
        existing->AddRef();
        return existing;
    }
    return com::make_object<Wrapper>(logic);
}

// The engine object behind one of our adapters.
template <class Wrapper>
Wrapper* unwrap_self(IUnknown* object, const char* source) {
    if (!object) return nullptr;
    void* self = nullptr;
    if (FAILED(object->QueryInterface(Wrapper::kSelf, &self)) || !self) {
        throw AutomationError(vb_error::kTypeMismatch, source, vb_error::kTypeMismatchText);
    }
    auto* wrapper = static_cast<Wrapper*>(self);
    wrapper->Release();  // the caller's own reference keeps it alive
    return wrapper;
}

}  // namespace

// ------------------------------------------------------------------------------------------------
// cTWSData

TwsDataObject::TwsDataObject(Ref<cTWSData> record) : record_(std::move(record)) {
    com::IdentityMap<cTWSData, TwsDataObject>::add(record_.get(), this);
}
TwsDataObject::~TwsDataObject() { com::IdentityMap<cTWSData, TwsDataObject>::remove(record_.get()); }

_cTWSData* TwsDataObject::wrap(const Ref<cTWSData>& record) {
    return wrap_identity<TwsDataObject, _cTWSData>(record);
}

Ref<cTWSData> TwsDataObject::unwrap(IUnknown* object, const char* source) {
    TwsDataObject* w = unwrap_self<TwsDataObject>(object, source);
    return w ? w->record_ : nullptr;
}

void* TwsDataObject::query_extra(REFIID iid) noexcept {
    return IsEqualIID(iid, kSelf) ? this : Dispatchable::query_extra(iid);
}

HRESULT TwsDataObject::get_sDate(DATE* value) {
    return guard([&] { require(value, kSource), *value = record_->sDate; });
}
HRESULT TwsDataObject::put_sDate(DATE value) {
    return guard([&] { record_->sDate = value; });
}
HRESULT TwsDataObject::get_Price(double* value) {
    return guard([&] { require(value, kSource), *value = record_->Price; });
}
HRESULT TwsDataObject::put_Price(double value) {
    return guard([&] { record_->Price = value; });
}
HRESULT TwsDataObject::get_TickType(LONG* value) {
    return guard([&] { require(value, kSource), *value = record_->TickType; });
}
HRESULT TwsDataObject::put_TickType(LONG value) {
    return guard([&] { record_->TickType = value; });
}
HRESULT TwsDataObject::get_id(LONG* value) {
    return guard([&] { require(value, kSource), *value = record_->id; });
}
HRESULT TwsDataObject::put_id(LONG value) {
    return guard([&] { record_->id = value; });
}
HRESULT TwsDataObject::get_NameID(BSTR* value) {
    return guard([&] {
        require(value, kSource);
        *value = win32::make_bstr(record_->NameID.str());
    });
}
HRESULT TwsDataObject::put_NameID(BSTR value) {
    return guard([&] { record_->NameID = win32::from_bstr(value); });
}

// ------------------------------------------------------------------------------------------------
// cTWSDatas

namespace {

// A walk over a collection by position, as a caller's for-each loop asks for it.
class TwsDatasEnum final : public com::ComObject<TwsDatasEnum, IEnumVARIANT> {
public:
    explicit TwsDatasEnum(cTWSDatas::Enumerator walk) : walk_(std::move(walk)) {}

    HRESULT STDMETHODCALLTYPE Next(ULONG count, VARIANT* out, ULONG* fetched) override {
        if (!out) return E_POINTER;
        ULONG n = 0;
        try {
            Ref<cTWSData> record;
            while (n < count && walk_.Next(record)) {
                ::VariantInit(&out[n]);
                V_VT(&out[n]) = VT_DISPATCH;
                V_DISPATCH(&out[n]) = TwsDataObject::wrap(record);
                ++n;
            }
        } catch (...) {
            for (ULONG i = 0; i < n; ++i) ::VariantClear(&out[i]);
            if (fetched) *fetched = 0;
            return E_OUTOFMEMORY;
        }
        if (fetched) *fetched = n;
        return n == count ? S_OK : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE Skip(ULONG count) override {
        walk_.Skip(count);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Reset() override {
        walk_.Reset();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Clone(IEnumVARIANT** out) override {
        if (!out) return E_POINTER;
        *out = com::make_object<TwsDatasEnum>(walk_.Clone());
        return S_OK;
    }

private:
    cTWSDatas::Enumerator walk_;
};

}  // namespace

TwsDatasObject::TwsDatasObject(Ref<cTWSDatas> collection) : collection_(std::move(collection)) {
    com::IdentityMap<cTWSDatas, TwsDatasObject>::add(collection_.get(), this);
}
TwsDatasObject::~TwsDatasObject() { com::IdentityMap<cTWSDatas, TwsDatasObject>::remove(collection_.get()); }

_cTWSDatas* TwsDatasObject::wrap(const Ref<cTWSDatas>& collection) {
    return wrap_identity<TwsDatasObject, _cTWSDatas>(collection);
}

Ref<cTWSDatas> TwsDatasObject::unwrap(IUnknown* object, const char* source) {
    TwsDatasObject* w = unwrap_self<TwsDatasObject>(object, source);
    return w ? w->collection_ : nullptr;
}

void* TwsDatasObject::query_extra(REFIID iid) noexcept {
    return IsEqualIID(iid, kSelf) ? this : Dispatchable::query_extra(iid);
}

HRESULT TwsDatasObject::Add(_cTWSData** CTWItem, VARIANT* VarKey) {
    return guard([&] {
        require(CTWItem, kSource);
        const Ref<cTWSData> record = TwsDataObject::unwrap(*CTWItem, kSource);
        // Only an omitted key adds the record without one; a key given is its text, and the collection
        // refuses an empty one.
        std::optional<std::string> key;
        if (VarKey && !com::is_missing(*VarKey)) key = com::from_variant(*VarKey, kSource).to_text();
        collection_->Add(record, key ? std::optional<std::string_view>(*key) : std::nullopt);
    });
}

HRESULT TwsDatasObject::Remove(VARIANT VarIndex) {
    return guard([&] { collection_->Remove(com::from_variant(VarIndex, kSource)); });
}

HRESULT TwsDatasObject::get_Item(VARIANT VarIndex, _cTWSData** item) {
    return guard([&] {
        require(item, kSource);
        *item = nullptr;
        *item = TwsDataObject::wrap(collection_->Item(com::from_variant(VarIndex, kSource)));
    });
}

HRESULT TwsDatasObject::ItemAdd(VARIANT VarIndex, _cTWSData** item) {
    return guard([&] {
        require(item, kSource);
        *item = nullptr;
        *item = TwsDataObject::wrap(collection_->ItemAdd(com::from_variant(VarIndex, kSource)));
    });
}

HRESULT TwsDatasObject::get_Count(LONG* count) {
    return guard([&] { require(count, kSource), *count = collection_->Count(); });
}

HRESULT TwsDatasObject::Clear() {
    return guard([&] { collection_->Clear(); });
}

HRESULT TwsDatasObject::get_NewEnum(IUnknown** enumerator) {
    return guard([&] {
        require(enumerator, kSource);
        *enumerator = com::make_object<TwsDatasEnum>(collection_->NewEnum());
    });
}

// ------------------------------------------------------------------------------------------------
// cTWS

TwsObject::TwsObject(Ref<cTWS> tws) : tws_(std::move(tws)), events_(*this, DIID___cTWS) {
    com::IdentityMap<cTWS, TwsObject>::add(tws_.get(), this);
    cookie_ = tws_->Advise(this);
}

TwsObject::~TwsObject() {
    tws_->Unadvise(cookie_);
    events_.clear();
    com::IdentityMap<cTWS, TwsObject>::remove(tws_.get());
}

_cTWS* TwsObject::wrap(const Ref<cTWS>& tws) { return wrap_identity<TwsObject, _cTWS>(tws); }

Ref<cTWS> TwsObject::unwrap(IUnknown* object, const char* source) {
    TwsObject* w = unwrap_self<TwsObject>(object, source);
    return w ? w->tws_ : nullptr;
}

void* TwsObject::query_extra(REFIID iid) noexcept {
    if (IsEqualIID(iid, kSelf)) return this;
    if (IsEqualIID(iid, IID_IProvideClassInfo)) return static_cast<IProvideClassInfo2*>(this);
    return Dispatchable::query_extra(iid);
}

HRESULT TwsObject::get_MaxRecord(LONG* value) {
    return guard([&] { require(value, kSource), *value = tws_->MaxRecord(); });
}
HRESULT TwsObject::put_MaxRecord(LONG value) {
    return guard([&] { tws_->MaxRecord(value); });
}
HRESULT TwsObject::get_MaxID(LONG* value) {
    return guard([&] { require(value, kSource), *value = tws_->MaxID(); });
}
HRESULT TwsObject::put_MaxID(LONG value) {
    return guard([&] { tws_->MaxID(value); });
}
HRESULT TwsObject::get_copy_cTWSDatas(_cTWSDatas** value) {
    return guard([&] { require(value, kSource), *value = TwsDatasObject::wrap(tws_->copy_cTWSDatas()); });
}
HRESULT TwsObject::putref_copy_cTWSDatas(_cTWSDatas* value) {
    return guard([&] { tws_->copy_cTWSDatas(TwsDatasObject::unwrap(value, kSource)); });
}
HRESULT TwsObject::GetCurrentData(_cTWSDatas** result) {
    return guard([&] {
        require(result, kSource);
        const Ref<cTWS> keep = tws_;
        *result = TwsDatasObject::wrap(keep->GetCurrentData());
    });
}
HRESULT TwsObject::AddRecordFilter(::TickType IndTickType) {
    return guard([&] { tws_->AddRecordFilter(static_cast<std::int32_t>(IndTickType)); });
}
HRESULT TwsObject::Connect(BSTR Host, LONG Port, LONG clientId, VARIANT_BOOL* connected) {
    return guard([&] {
        require(connected, kSource);
        const Ref<cTWS> keep = tws_;
        *connected = keep->Connect(win32::from_bstr(Host), Port, clientId) ? VARIANT_TRUE : VARIANT_FALSE;
    });
}
HRESULT TwsObject::disconnect() {
    return guard([&] {
        const Ref<cTWS> keep = tws_;
        keep->disconnect();
    });
}
HRESULT TwsObject::StartQuery(LONG id, BSTR symbol, BSTR secType, BSTR expiri, double strike, BSTR pRight,
                              BSTR multiplier, BSTR exchange, BSTR PrimaryExchange, BSTR curency) {
    return guard([&] {
        tws_->StartQuery(id, win32::from_bstr(symbol), win32::from_bstr(secType), win32::from_bstr(expiri), strike,
                         win32::from_bstr(pRight), win32::from_bstr(multiplier), win32::from_bstr(exchange),
                         win32::from_bstr(PrimaryExchange), win32::from_bstr(curency));
    });
}
HRESULT TwsObject::StopQuery(LONG id) {
    return guard([&] { tws_->StopQuery(id); });
}

HRESULT TwsObject::EnumConnectionPoints(IEnumConnectionPoints** out) {
    return com::enum_connection_points(events_, out);
}
HRESULT TwsObject::FindConnectionPoint(REFIID iid, IConnectionPoint** out) {
    return com::find_connection_point(events_, iid, out);
}
HRESULT TwsObject::GetClassInfo(ITypeInfo** out) {
    if (!out) return E_POINTER;
    *out = com::type_info(CLSID_cTWS);
    if (!*out) return TYPE_E_ELEMENTNOTFOUND;
    (*out)->AddRef();
    return S_OK;
}
HRESULT TwsObject::GetGUID(DWORD kind, GUID* out) {
    if (!out) return E_POINTER;
    if (kind != GUIDKIND_DEFAULT_SOURCE_DISP_IID) return E_INVALIDARG;
    *out = DIID___cTWS;
    return S_OK;
}

void TwsObject::raise(DISPID id, VARIANT* args, UINT count) {
    // A handler may release the caller's last reference: this adapter stays until the event is done.
    const win32::com_ptr<IUnknown> keep(static_cast<_cTWS*>(this));
    const HRESULT hr = events_.fire(id, args, count);
    if (FAILED(hr)) throw AutomationError(static_cast<std::int32_t>(hr), kSource, "An event handler failed");
}

void TwsObject::IBTWSDatas() { raise(1, nullptr, 0); }

void TwsObject::IBTWSdataLoss(double MsgDate) {
    VARIANT arg;
    ::VariantInit(&arg);
    V_VT(&arg) = VT_DATE;
    V_DATE(&arg) = MsgDate;
    raise(2, &arg, 1);
}

void TwsObject::IBTWSErrMsg(std::int32_t id, std::int32_t errorCode, const std::string& errorMsg) {
    VARIANT args[3];
    for (auto& a : args) ::VariantInit(&a);
    V_VT(&args[0]) = VT_I4;
    V_I4(&args[0]) = id;
    V_VT(&args[1]) = VT_I4;
    V_I4(&args[1]) = errorCode;
    win32::unique_bstr message(win32::make_bstr(errorMsg));
    V_VT(&args[2]) = VT_BSTR;
    V_BSTR(&args[2]) = message.get();
    raise(3, args, 3);
}

// ------------------------------------------------------------------------------------------------
// cDownload

HRESULT DownloadObject::get_m_cTWS(_cTWS** value) {
    return guard([&] { require(value, kSource), *value = TwsObject::wrap(download_->m_cTWS()); });
}
HRESULT DownloadObject::putref_m_cTWS(_cTWS* value) {
    return guard([&] { download_->m_cTWS(TwsObject::unwrap(value, kSource)); });
}
HRESULT DownloadObject::get_TWSConteiner(_cTWSDatas** value) {
    return guard([&] { require(value, kSource), *value = TwsDatasObject::wrap(download_->TWSConteiner()); });
}
HRESULT DownloadObject::GetTWSData(_cTWSDatas** result) {
    return guard([&] {
        require(result, kSource);
        const Ref<cDownload> keep = download_;
        *result = TwsDatasObject::wrap(keep->GetTWSData());
    });
}
HRESULT DownloadObject::FreeTWSDataBuffer() {
    return guard([&] { download_->FreeTWSDataBuffer(); });
}
HRESULT DownloadObject::putref_TWSConteiner(_cTWSDatas* value) {
    return guard([&] { download_->TWSConteiner(TwsDatasObject::unwrap(value, kSource)); });
}

// ------------------------------------------------------------------------------------------------
// Creation

IUnknown* create_tws_data() { return static_cast<_cTWSData*>(TwsDataObject::wrap(make_ref<cTWSData>())); }
IUnknown* create_tws_datas() { return static_cast<_cTWSDatas*>(TwsDatasObject::wrap(make_ref<cTWSDatas>())); }
IUnknown* create_tws() { return static_cast<_cTWS*>(TwsObject::wrap(make_ref<cTWS>(apartment_environment()))); }
IUnknown* create_download() {
    return static_cast<_cDownload*>(com::make_object<DownloadObject>(make_ref<cDownload>(apartment_environment())));
}
IUnknown* create_tws_utils() { return static_cast<_cTWSUtils*>(com::make_object<TwsUtilsObject>()); }

}  // namespace corvel::tallowin
