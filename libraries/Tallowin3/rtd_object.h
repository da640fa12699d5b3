#pragma once

// Everything else of the Windows SDK assumes the base definitions are in place.
#include <windows.h>

#include <memory>

#include "libraries/Tallowin3/tallowin3_h.h"
#include "market_data/rtd/rtd_server.h"
#include "platform/com/dispatch.h"
#include "platform/win32/handles.h"
#include "platform/win32/window_reactor.h"
#include "seams/io_reactor.h"

// The class Excel creates for =RTD("Tallowin3.RTD", , ...). Fixed for good: workbooks name the server
// by its ProgID, and registrations by this.
// {6921A705-DE4B-4AC3-9774-A04AFB1B633A}
DEFINE_GUID(CLSID_TallowinRTD, 0x6921a705, 0xde4b, 0x4ac3, 0x97, 0x74, 0xa0, 0x4a, 0xfb, 0x1b, 0x63, 0x3a);

namespace corvel::tallowin {

// Excel's real-time data server over the engine: a thin adapter that converts Excel's arrays and
// variants and forwards to the portable server. Excel calls it on its main thread; the connections'
// sockets and the server's timer arrive there too, as messages to hidden windows of that thread.
class RtdObject final : public com::EarlyBound<RtdObject, IRtdServer>,
                        private rtd::UpdateEvents,
                        private IoHandler {
  public:
    static constexpr const char* kSource = "Tallowin3.RTD";
    // How often the server looks for connection attempts that are due.
    static constexpr int kPollMilliseconds = 250;

    RtdObject();
    ~RtdObject() override;

    HRESULT STDMETHODCALLTYPE ServerStart(IRTDUpdateEvent* CallbackObject, LONG* result) noexcept override;
    HRESULT STDMETHODCALLTYPE ConnectData(LONG TopicID, SAFEARRAY** Strings, VARIANT_BOOL* GetNewValues,
                                          VARIANT* value) noexcept override;
    HRESULT STDMETHODCALLTYPE RefreshData(LONG* TopicCount, SAFEARRAY** values) noexcept override;
    HRESULT STDMETHODCALLTYPE DisconnectData(LONG TopicID) noexcept override;
    HRESULT STDMETHODCALLTYPE Heartbeat(LONG* result) noexcept override;
    HRESULT STDMETHODCALLTYPE ServerTerminate() noexcept override;

    // Late-bound callers reach the same members by Excel's names and dispatch identifiers (10 to 15).
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID,
                                            DISPID* ids) noexcept override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                     EXCEPINFO* excepinfo, UINT* arg_error) noexcept override;

  private:
    HRESULT invoke_member(DISPID id, DISPPARAMS& params, VARIANT* result, UINT* arg_error);
    void UpdateNotify() override;
    void on_ready(bool, bool) override {}
    void on_timer() override;
    void arm_timer();

    std::shared_ptr<win32::WindowReactor> reactor_;
    std::unique_ptr<rtd::RtdServer> server_;
    win32::com_ptr<IRTDUpdateEvent> callback_;
    bool started_ = false;
};

win32::com_ptr<IUnknown> create_rtd();

}  // namespace corvel::tallowin
