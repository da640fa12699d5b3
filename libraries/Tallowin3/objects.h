#pragma once

#include <windows.h>
#include <ocidl.h>

#include "libraries/Tallowin3/tallowin3_h.h"
#include "market_data/download.h"
#include "market_data/tws.h"
#include "market_data/tws_datas.h"
#include "platform/com/connection_point.h"
#include "platform/com/dispatch.h"

namespace corvel::tallowin {

// The automation classes of the market-data library: thin adapters over the engine's objects that
// convert arguments, map errors and raise events. Each holds its engine object; one adapter exists per
// engine object while it lives. Every error a member raises carries its class's source, the same the
// engine's errors of that class carry ("Tallowin3.cTWSDatas").

class TwsDataObject final : public com::Dispatchable<TwsDataObject, _cTWSData> {
public:
    static constexpr GUID kSelf = {0x7618f917, 0x7f88, 0x4f87, {0x94, 0x57, 0x45, 0x9a, 0xfa, 0xfb, 0xce, 0xb2}};
    static constexpr const char* kSource = "Tallowin3.cTWSData";
    explicit TwsDataObject(Ref<cTWSData> record);
    ~TwsDataObject() override;
    // The adapter of a record (null for Nothing), with a reference for the caller.
    static _cTWSData* wrap(const Ref<cTWSData>& record);
    // The record behind an interface pointer; a foreign one is the caller's type mismatch, reported
    // with `source`, the source of the member that was given it.
    static Ref<cTWSData> unwrap(IUnknown* object, const char* source);
    void* query_extra(REFIID iid) noexcept;

    HRESULT STDMETHODCALLTYPE get_sDate(DATE* value) override;
    HRESULT STDMETHODCALLTYPE put_sDate(DATE value) override;
    HRESULT STDMETHODCALLTYPE get_Price(double* value) override;
    HRESULT STDMETHODCALLTYPE put_Price(double value) override;
    HRESULT STDMETHODCALLTYPE get_TickType(LONG* value) override;
    HRESULT STDMETHODCALLTYPE put_TickType(LONG value) override;
    HRESULT STDMETHODCALLTYPE get_id(LONG* value) override;
    HRESULT STDMETHODCALLTYPE put_id(LONG value) override;
    HRESULT STDMETHODCALLTYPE get_NameID(BSTR* value) override;
    HRESULT STDMETHODCALLTYPE put_NameID(BSTR value) override;

private:
    Ref<cTWSData> record_;
};

class TwsDatasObject final : public com::Dispatchable<TwsDatasObject, _cTWSDatas> {
public:
    static constexpr GUID kSelf = {0xa281cd9d, 0xad7a, 0x4996, {0xba, 0x07, 0x34, 0x26, 0x09, 0xcb, 0x84, 0x1d}};
    static constexpr const char* kSource = cTWSDatas::kErrorSource;
    explicit TwsDatasObject(Ref<cTWSDatas> collection);
    ~TwsDatasObject() override;
    static _cTWSDatas* wrap(const Ref<cTWSDatas>& collection);
    static Ref<cTWSDatas> unwrap(IUnknown* object, const char* source);
    void* query_extra(REFIID iid) noexcept;

    HRESULT STDMETHODCALLTYPE Add(_cTWSData** CTWItem, VARIANT* VarKey) override;
    HRESULT STDMETHODCALLTYPE Remove(VARIANT VarIndex) override;
    HRESULT STDMETHODCALLTYPE get_Item(VARIANT VarIndex, _cTWSData** item) override;
    HRESULT STDMETHODCALLTYPE ItemAdd(VARIANT VarIndex, _cTWSData** item) override;
    HRESULT STDMETHODCALLTYPE get_Count(LONG* count) override;
    HRESULT STDMETHODCALLTYPE Clear() override;
    HRESULT STDMETHODCALLTYPE get_NewEnum(IUnknown** enumerator) override;

private:
    Ref<cTWSDatas> collection_;
};

class TwsObject final : public com::Dispatchable<TwsObject, _cTWS, IConnectionPointContainer, IProvideClassInfo2>,
                        private TwsEventSink {
public:
    static constexpr GUID kSelf = {0xfbbec4d1, 0x24b6, 0x4d70, {0x90, 0xc6, 0x4e, 0xcc, 0x5e, 0x30, 0xf7, 0xd0}};
    static constexpr const char* kSource = cTWS::kErrorSource;
    explicit TwsObject(Ref<cTWS> tws);
    ~TwsObject() override;
    static _cTWS* wrap(const Ref<cTWS>& tws);
    static Ref<cTWS> unwrap(IUnknown* object, const char* source);
    void* query_extra(REFIID iid) noexcept;

    HRESULT STDMETHODCALLTYPE get_MaxRecord(LONG* value) override;
    HRESULT STDMETHODCALLTYPE put_MaxRecord(LONG value) override;
    HRESULT STDMETHODCALLTYPE get_MaxID(LONG* value) override;
    HRESULT STDMETHODCALLTYPE put_MaxID(LONG value) override;
    HRESULT STDMETHODCALLTYPE get_copy_cTWSDatas(_cTWSDatas** value) override;
    HRESULT STDMETHODCALLTYPE putref_copy_cTWSDatas(_cTWSDatas* value) override;
    HRESULT STDMETHODCALLTYPE GetCurrentData(_cTWSDatas** result) override;
    HRESULT STDMETHODCALLTYPE AddRecordFilter(::TickType IndTickType) override;
    HRESULT STDMETHODCALLTYPE Connect(BSTR Host, LONG Port, LONG clientId, VARIANT_BOOL* connected) override;
    HRESULT STDMETHODCALLTYPE disconnect() override;
    HRESULT STDMETHODCALLTYPE StartQuery(LONG id, BSTR symbol, BSTR secType, BSTR expiri, double strike, BSTR pRight,
                                         BSTR multiplier, BSTR exchange, BSTR PrimaryExchange, BSTR curency) override;
    HRESULT STDMETHODCALLTYPE StopQuery(LONG id) override;

    HRESULT STDMETHODCALLTYPE EnumConnectionPoints(IEnumConnectionPoints** out) override;
    HRESULT STDMETHODCALLTYPE FindConnectionPoint(REFIID iid, IConnectionPoint** out) override;
    HRESULT STDMETHODCALLTYPE GetClassInfo(ITypeInfo** out) override;
    HRESULT STDMETHODCALLTYPE GetGUID(DWORD kind, GUID* out) override;

private:
    void IBTWSDatas() override;
    void IBTWSdataLoss(double MsgDate) override;
    void IBTWSErrMsg(std::int32_t id, std::int32_t errorCode, const std::string& errorMsg) override;
    // Raises one event on every connected sink; a failing sink is the handler's failure.
    void raise(DISPID id, VARIANT* args, UINT count);

    Ref<cTWS> tws_;
    std::uint32_t cookie_ = 0;
    com::ConnectionPoint events_;
};

class DownloadObject final : public com::Dispatchable<DownloadObject, _cDownload> {
public:
    static constexpr GUID kSelf = {0xc76ccf99, 0xd191, 0x46fb, {0xb0, 0x36, 0x01, 0xba, 0x15, 0xea, 0xd1, 0xbc}};
    static constexpr const char* kSource = "Tallowin3.cDownload";
    explicit DownloadObject(Ref<cDownload> download) : download_(std::move(download)) {}

    HRESULT STDMETHODCALLTYPE get_m_cTWS(_cTWS** value) override;
    HRESULT STDMETHODCALLTYPE putref_m_cTWS(_cTWS* value) override;
    HRESULT STDMETHODCALLTYPE get_TWSConteiner(_cTWSDatas** value) override;
    HRESULT STDMETHODCALLTYPE GetTWSData(_cTWSDatas** result) override;
    HRESULT STDMETHODCALLTYPE FreeTWSDataBuffer() override;
    HRESULT STDMETHODCALLTYPE putref_TWSConteiner(_cTWSDatas* value) override;

private:
    Ref<cDownload> download_;
};

class TwsUtilsObject final : public com::Dispatchable<TwsUtilsObject, _cTWSUtils> {};

// Creation functions for the class factories.
IUnknown* create_tws_data();
IUnknown* create_tws_datas();
IUnknown* create_tws();
IUnknown* create_download();
IUnknown* create_tws_utils();

}  // namespace corvel::tallowin
