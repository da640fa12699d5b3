#include "libraries/Tallowin3/objects.h"

#include "common/automation_error.h"
#include "libraries/Tallowin3/environment.h"
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

}  // namespace

// ------------------------------------------------------------------------------------------------
// cTWSData

HRESULT TwsDataObject::get_sDate(DATE* value) noexcept {
    return guard([&] { require(value, kSource), *value = logic()->sDate; });
}
HRESULT TwsDataObject::put_sDate(DATE value) noexcept {
    return guard([&] { logic()->sDate = value; });
}
HRESULT TwsDataObject::get_Price(double* value) noexcept {
    return guard([&] { require(value, kSource), *value = logic()->Price; });
}
HRESULT TwsDataObject::put_Price(double value) noexcept {
    return guard([&] { logic()->Price = value; });
}
HRESULT TwsDataObject::get_TickType(LONG* value) noexcept {
    return guard([&] { require(value, kSource), *value = logic()->TickType; });
}
HRESULT TwsDataObject::put_TickType(LONG value) noexcept {
    return guard([&] { logic()->TickType = value; });
}
HRESULT TwsDataObject::get_id(LONG* value) noexcept {
    return guard([&] { require(value, kSource), *value = logic()->id; });
}
HRESULT TwsDataObject::put_id(LONG value) noexcept {
    return guard([&] { logic()->id = value; });
}
HRESULT TwsDataObject::get_NameID(BSTR* value) noexcept {
    return guard([&] {
        require(value, kSource);
        *value = win32::make_bstr(logic()->NameID.str());
    });
}
HRESULT TwsDataObject::put_NameID(BSTR value) noexcept {
    return guard([&] { logic()->NameID = win32::from_bstr(value); });
}

// ------------------------------------------------------------------------------------------------
// cTWSDatas

namespace {

// A walk over a collection by position, as a caller's for-each loop asks for it.
class TwsDatasEnum final : public com::Implements<TwsDatasEnum, IEnumVARIANT> {
  public:
    explicit TwsDatasEnum(cTWSDatas::Enumerator walk) : walk_(std::move(walk)) {}

    HRESULT STDMETHODCALLTYPE Next(ULONG count, VARIANT* out, ULONG* fetched) noexcept override {
        if (!out) return E_POINTER;
        ULONG n = 0;
        try {
            Ref<cTWSData> record;
            while (n < count && walk_.Next(record)) {
                win32::com_ptr<_cTWSData> item = TwsDataObject::wrap(record);
                ::VariantInit(&out[n]);
                V_VT(&out[n]) = VT_DISPATCH;
                V_DISPATCH(&out[n]) = item.detach();
                ++n;
            }
        } catch (...) {
            // Nothing is handed out by a call that fails: take back what was.
            for (ULONG i = 0; i < n; ++i) {
                win32::unique_variant taken(std::exchange(out[i], win32::VariantPolicy::invalid()));
            }
            if (fetched) *fetched = 0;
            return E_OUTOFMEMORY;
        }
        if (fetched) *fetched = n;
        return n == count ? S_OK : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE Skip(ULONG count) noexcept override {
        walk_.Skip(count);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Reset() noexcept override {
        walk_.Reset();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Clone(IEnumVARIANT** out) noexcept override {
        if (!out) return E_POINTER;
        *out = nullptr;
        try {
            *out = com::make_object<TwsDatasEnum>(walk_.Clone()).detach();
            return S_OK;
        } catch (...) {
            return E_OUTOFMEMORY;
        }
    }

  private:
    cTWSDatas::Enumerator walk_;
};

}  // namespace

HRESULT TwsDatasObject::Add(_cTWSData** CTWItem, VARIANT* VarKey) noexcept {
    return guard([&] {
        require(CTWItem, kSource);
        const Ref<cTWSData> record = TwsDataObject::unwrap(*CTWItem, kSource);
        // Only an omitted key adds the record without one; a key given is its text, and the collection
        // refuses an empty one.
        std::optional<std::string> key;
        if (VarKey && !com::is_missing(*VarKey)) key = com::from_variant(*VarKey, kSource).to_text();
        logic()->Add(record, key ? std::optional<std::string_view>(*key) : std::nullopt);
    });
}

HRESULT TwsDatasObject::Remove(VARIANT VarIndex) noexcept {
    return guard([&] { logic()->Remove(com::from_variant(VarIndex, kSource)); });
}

HRESULT TwsDatasObject::get_Item(VARIANT VarIndex, _cTWSData** item) noexcept {
    return guard([&] {
        require(item, kSource);
        *item = nullptr;
        *item = TwsDataObject::wrap(logic()->Item(com::from_variant(VarIndex, kSource))).detach();
    });
}

HRESULT TwsDatasObject::ItemAdd(VARIANT VarIndex, _cTWSData** item) noexcept {
    return guard([&] {
        require(item, kSource);
        *item = nullptr;
        *item = TwsDataObject::wrap(logic()->ItemAdd(com::from_variant(VarIndex, kSource))).detach();
    });
}

HRESULT TwsDatasObject::get_Count(LONG* count) noexcept {
    return guard([&] { require(count, kSource), *count = logic()->Count(); });
}

HRESULT TwsDatasObject::Clear() noexcept {
    return guard([&] { logic()->Clear(); });
}

HRESULT TwsDatasObject::get_NewEnum(IUnknown** enumerator) noexcept {
    return guard([&] {
        require(enumerator, kSource);
        *enumerator = com::make_object<TwsDatasEnum>(logic()->NewEnum()).detach();
    });
}

// ------------------------------------------------------------------------------------------------
// cTWS

TwsObject::TwsObject(Ref<cTWS> tws) : Adapter(std::move(tws)) {
    cookie_ = logic()->Advise(this);
}

TwsObject::~TwsObject() {
    logic()->Unadvise(cookie_);
}

HRESULT TwsObject::get_MaxRecord(LONG* value) noexcept {
    return guard([&] { require(value, kSource), *value = logic()->MaxRecord(); });
}
HRESULT TwsObject::put_MaxRecord(LONG value) noexcept {
    return guard([&] { logic()->MaxRecord(value); });
}
HRESULT TwsObject::get_MaxID(LONG* value) noexcept {
    return guard([&] { require(value, kSource), *value = logic()->MaxID(); });
}
HRESULT TwsObject::put_MaxID(LONG value) noexcept {
    return guard([&] { logic()->MaxID(value); });
}
HRESULT TwsObject::get_copy_cTWSDatas(_cTWSDatas** value) noexcept {
    return guard(
        [&] { require(value, kSource), *value = TwsDatasObject::wrap(logic()->copy_cTWSDatas()).detach(); });
}
HRESULT TwsObject::putref_copy_cTWSDatas(_cTWSDatas* value) noexcept {
    return guard([&] { logic()->copy_cTWSDatas(TwsDatasObject::unwrap(value, kSource)); });
}
HRESULT TwsObject::GetCurrentData(_cTWSDatas** result) noexcept {
    return guard([&] {
        require(result, kSource);
        const Ref<cTWS> keep = logic();
        *result = TwsDatasObject::wrap(keep->GetCurrentData()).detach();
    });
}
HRESULT TwsObject::AddRecordFilter(::TickType IndTickType) noexcept {
    return guard([&] { logic()->AddRecordFilter(static_cast<std::int32_t>(IndTickType)); });
}
HRESULT TwsObject::Connect(BSTR Host, LONG Port, LONG clientId, VARIANT_BOOL* connected) noexcept {
    return guard([&] {
        require(connected, kSource);
        const Ref<cTWS> keep = logic();
        *connected = keep->Connect(win32::from_bstr(Host), Port, clientId) ? VARIANT_TRUE : VARIANT_FALSE;
    });
}
HRESULT TwsObject::disconnect() noexcept {
    return guard([&] {
        const Ref<cTWS> keep = logic();
        keep->disconnect();
    });
}
HRESULT TwsObject::StartQuery(LONG id, BSTR symbol, BSTR secType, BSTR expiri, double strike, BSTR pRight,
                              BSTR multiplier, BSTR exchange, BSTR PrimaryExchange, BSTR curency) noexcept {
    return guard([&] {
        logic()->StartQuery(id, win32::from_bstr(symbol), win32::from_bstr(secType), win32::from_bstr(expiri),
                            strike, win32::from_bstr(pRight), win32::from_bstr(multiplier),
                            win32::from_bstr(exchange), win32::from_bstr(PrimaryExchange),
                            win32::from_bstr(curency));
    });
}
HRESULT TwsObject::StopQuery(LONG id) noexcept {
    return guard([&] { logic()->StopQuery(id); });
}

void TwsObject::raise(DISPID id, VARIANT* args, UINT count) {
    const HRESULT hr = fire(id, args, count);
    if (FAILED(hr)) throw AutomationError(static_cast<std::int32_t>(hr), kSource, "An event handler failed");
}

void TwsObject::IBTWSDatas() {
    raise(DISPID_IBTWSDatas, nullptr, 0);
}

void TwsObject::IBTWSdataLoss(double MsgDate) {
    VARIANT arg;
    ::VariantInit(&arg);
    V_VT(&arg) = VT_DATE;
    V_DATE(&arg) = MsgDate;
    raise(DISPID_IBTWSdataLoss, &arg, 1);
}

void TwsObject::IBTWSErrMsg(std::int32_t id, std::int32_t errorCode, const std::string& errorMsg) {
    VARIANT args[3];
    for (auto& a : args)
        ::VariantInit(&a);
    V_VT(&args[0]) = VT_I4;
    V_I4(&args[0]) = id;
    V_VT(&args[1]) = VT_I4;
    V_I4(&args[1]) = errorCode;
    win32::unique_bstr message(win32::make_bstr(errorMsg));
    V_VT(&args[2]) = VT_BSTR;
    V_BSTR(&args[2]) = message.get();
    raise(DISPID_IBTWSErrMsg, args, 3);
}

// ------------------------------------------------------------------------------------------------
// cDownload

HRESULT DownloadObject::get_m_cTWS(_cTWS** value) noexcept {
    return guard([&] { require(value, kSource), *value = TwsObject::wrap(download_->m_cTWS()).detach(); });
}
HRESULT DownloadObject::putref_m_cTWS(_cTWS* value) noexcept {
    return guard([&] { download_->m_cTWS(TwsObject::unwrap(value, kSource)); });
}
HRESULT DownloadObject::get_TWSConteiner(_cTWSDatas** value) noexcept {
    return guard(
        [&] { require(value, kSource), *value = TwsDatasObject::wrap(download_->TWSConteiner()).detach(); });
}
HRESULT DownloadObject::GetTWSData(_cTWSDatas** result) noexcept {
    return guard([&] {
        require(result, kSource);
        const Ref<cDownload> keep = download_;
        *result = TwsDatasObject::wrap(keep->GetTWSData()).detach();
    });
}
HRESULT DownloadObject::FreeTWSDataBuffer() noexcept {
    return guard([&] { download_->FreeTWSDataBuffer(); });
}
HRESULT DownloadObject::putref_TWSConteiner(_cTWSDatas* value) noexcept {
    return guard([&] { download_->TWSConteiner(TwsDatasObject::unwrap(value, kSource)); });
}

// ------------------------------------------------------------------------------------------------
// Creation

// As the class's default interface: the object's identity, the IUnknown its factory hands out.
win32::com_ptr<IUnknown> create_tws_data() {
    return TwsDataObject::wrap(make_ref<cTWSData>());
}
win32::com_ptr<IUnknown> create_tws_datas() {
    return TwsDatasObject::wrap(make_ref<cTWSDatas>());
}
win32::com_ptr<IUnknown> create_tws() {
    return TwsObject::wrap(make_ref<cTWS>(apartment_environment()));
}
win32::com_ptr<IUnknown> create_download() {
    return win32::com_ptr<_cDownload>(
        com::make_object<DownloadObject>(make_ref<cDownload>(apartment_environment())));
}
win32::com_ptr<IUnknown> create_tws_utils() {
    return win32::com_ptr<_cTWSUtils>(com::make_object<TwsUtilsObject>());
}

}  // namespace corvel::tallowin
