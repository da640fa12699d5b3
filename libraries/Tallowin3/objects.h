#pragma once

// Everything else of the Windows SDK assumes the base definitions are in place.
#include <windows.h>

#include <ocidl.h>

#include "libraries/Tallowin3/tallowin3_h.h"
#include "market_data/download.h"
#include "market_data/tws.h"
#include "market_data/tws_datas.h"
#include "platform/com/adapter.h"
#include "platform/com/connection_point.h"
#include "platform/com/dispatch.h"
#include "platform/win32/handles.h"

namespace corvel::tallowin {

// The automation classes of the market-data library: thin adapters over the engine's objects that
// convert arguments, map errors and raise events. Each holds its engine object; one adapter exists per
// engine object while it lives (com::Adapter). Every error a member raises carries its class's source,
// the same the engine's errors of that class carry ("Tallowin3.cTWSDatas").

class TwsDataObject final : public com::Adapter<TwsDataObject, cTWSData, _cTWSData> {
  public:
    static constexpr const char* kSource = "Tallowin3.cTWSData";
    using Adapter::Adapter;

    HRESULT STDMETHODCALLTYPE get_sDate(DATE* value) noexcept override;
    HRESULT STDMETHODCALLTYPE put_sDate(DATE value) noexcept override;
    HRESULT STDMETHODCALLTYPE get_Price(double* value) noexcept override;
    HRESULT STDMETHODCALLTYPE put_Price(double value) noexcept override;
    HRESULT STDMETHODCALLTYPE get_TickType(LONG* value) noexcept override;
    HRESULT STDMETHODCALLTYPE put_TickType(LONG value) noexcept override;
    HRESULT STDMETHODCALLTYPE get_id(LONG* value) noexcept override;
    HRESULT STDMETHODCALLTYPE put_id(LONG value) noexcept override;
    HRESULT STDMETHODCALLTYPE get_NameID(BSTR* value) noexcept override;
    HRESULT STDMETHODCALLTYPE put_NameID(BSTR value) noexcept override;
};

class TwsDatasObject final : public com::Adapter<TwsDatasObject, cTWSDatas, _cTWSDatas> {
  public:
    static constexpr const char* kSource = cTWSDatas::kErrorSource;
    using Adapter::Adapter;

    HRESULT STDMETHODCALLTYPE Add(_cTWSData** CTWItem, VARIANT* VarKey) noexcept override;
    HRESULT STDMETHODCALLTYPE Remove(VARIANT VarIndex) noexcept override;
    HRESULT STDMETHODCALLTYPE get_Item(VARIANT VarIndex, _cTWSData** item) noexcept override;
    HRESULT STDMETHODCALLTYPE ItemAdd(VARIANT VarIndex, _cTWSData** item) noexcept override;
    HRESULT STDMETHODCALLTYPE get_Count(LONG* count) noexcept override;
    HRESULT STDMETHODCALLTYPE Clear() noexcept override;
    HRESULT STDMETHODCALLTYPE get_NewEnum(IUnknown** enumerator) noexcept override;
};

class TwsObject final : public com::Adapter<TwsObject, cTWS, _cTWS, com::EventSource<::cTWS, __cTWS>>,
                        private TwsEventSink {
  public:
    static constexpr const char* kSource = cTWS::kErrorSource;
    explicit TwsObject(Ref<cTWS> tws);
    ~TwsObject() override;

    HRESULT STDMETHODCALLTYPE get_MaxRecord(LONG* value) noexcept override;
    HRESULT STDMETHODCALLTYPE put_MaxRecord(LONG value) noexcept override;
    HRESULT STDMETHODCALLTYPE get_MaxID(LONG* value) noexcept override;
    HRESULT STDMETHODCALLTYPE put_MaxID(LONG value) noexcept override;
    HRESULT STDMETHODCALLTYPE get_copy_cTWSDatas(_cTWSDatas** value) noexcept override;
    HRESULT STDMETHODCALLTYPE putref_copy_cTWSDatas(_cTWSDatas* value) noexcept override;
    HRESULT STDMETHODCALLTYPE GetCurrentData(_cTWSDatas** result) noexcept override;
    HRESULT STDMETHODCALLTYPE AddRecordFilter(::TickType IndTickType) noexcept override;
    HRESULT STDMETHODCALLTYPE Connect(BSTR Host, LONG Port, LONG clientId,
                                      VARIANT_BOOL* connected) noexcept override;
    HRESULT STDMETHODCALLTYPE disconnect() noexcept override;
    HRESULT STDMETHODCALLTYPE StartQuery(LONG id, BSTR symbol, BSTR secType, BSTR expiri, double strike,
                                         BSTR pRight, BSTR multiplier, BSTR exchange, BSTR PrimaryExchange,
                                         BSTR curency) noexcept override;
    HRESULT STDMETHODCALLTYPE StopQuery(LONG id) noexcept override;

  private:
    void IBTWSDatas() override;
    void IBTWSdataLoss(double MsgDate) override;
    void IBTWSErrMsg(std::int32_t id, std::int32_t errorCode, const std::string& errorMsg) override;
    // Raises one event on every connected sink; a failing sink is the handler's failure.
    void raise(DISPID id, VARIANT* args, UINT count);

    std::uint32_t cookie_ = 0;
};

// Made only by its class factory and never handed out again, so it needs no identity of its own.
class DownloadObject final : public com::Dispatchable<DownloadObject, _cDownload> {
  public:
    static constexpr const char* kSource = "Tallowin3.cDownload";
    explicit DownloadObject(Ref<cDownload> download) : download_(std::move(download)) {}

    HRESULT STDMETHODCALLTYPE get_m_cTWS(_cTWS** value) noexcept override;
    HRESULT STDMETHODCALLTYPE putref_m_cTWS(_cTWS* value) noexcept override;
    HRESULT STDMETHODCALLTYPE get_TWSConteiner(_cTWSDatas** value) noexcept override;
    HRESULT STDMETHODCALLTYPE GetTWSData(_cTWSDatas** result) noexcept override;
    HRESULT STDMETHODCALLTYPE FreeTWSDataBuffer() noexcept override;
    HRESULT STDMETHODCALLTYPE putref_TWSConteiner(_cTWSDatas* value) noexcept override;

  private:
    Ref<cDownload> download_;
};

class TwsUtilsObject final : public com::Dispatchable<TwsUtilsObject, _cTWSUtils> {};

// Creation functions for the class factories.
win32::com_ptr<IUnknown> create_tws_data();
win32::com_ptr<IUnknown> create_tws_datas();
win32::com_ptr<IUnknown> create_tws();
win32::com_ptr<IUnknown> create_download();
win32::com_ptr<IUnknown> create_tws_utils();

}  // namespace corvel::tallowin
