#pragma once

// Everything else of the Windows SDK assumes the base definitions are in place.
#include <windows.h>

#include <memory>

#include "libraries/Pelorin/pelorin_h.h"
#include "platform/com/dispatch.h"
#include "platform/win32/handles.h"
#include "ui/entry/pelorin.h"
#include "ui/services/ui_environment.h"

namespace corvel::pelorin {

// What every cPelorin of one thread shares: one environment, so that they share the error handler and
// settings store made for it, and one host for their dialogs. `own_dialogs` gives the host the window
// the next dialog belongs to.
struct SharedEnvironment {
    UiEnvironment environment;
    void (*own_dialogs)(forms::Host& host, HWND owner) = nullptr;
};

// The automation class `cPelorin`: a thin adapter over the library's entry class that converts the
// arguments, writes the by-reference ones back, gives the dialogs Excel's window as their owner and
// turns failures into the caller's error object.
class PelorinObject final : public com::Dispatchable<PelorinObject, _cPelorin> {
  public:
    static constexpr const char* kSource = "Pelorin.cPelorin";
    explicit PelorinObject(std::shared_ptr<SharedEnvironment> shared);
    ~PelorinObject() override;

    // A script's variables arrive as variants by reference; the typed by-reference arguments of the
    // dialog members take them as the declared type and give the answers back in them.
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID lcid, WORD flags, DISPPARAMS* params,
                                     VARIANT* result, EXCEPINFO* excepinfo,
                                     UINT* arg_error) noexcept override;

    HRESULT STDMETHODCALLTYPE get_m_ObjExcelApplication(IDispatch** value) noexcept override;
    HRESULT STDMETHODCALLTYPE putref_m_ObjExcelApplication(IDispatch* value) noexcept override;
    HRESULT STDMETHODCALLTYPE get_RefEditInputs(BSTR* value) noexcept override;
    HRESULT STDMETHODCALLTYPE put_RefEditInputs(BSTR value) noexcept override;
    HRESULT STDMETHODCALLTYPE get_ExcelApplication(VARIANT* value) noexcept override;
    HRESULT STDMETHODCALLTYPE putref_ExcelApplication(VARIANT value) noexcept override;
    HRESULT STDMETHODCALLTYPE CreateNewProject(short* AskPrice, short* AskSize, short* BidPrice,
                                               short* BidSize, short* ClosePrice, short* HighTick,
                                               short* LastPrice, short* LastSize, short* LowTick,
                                               short* Volume, VARIANT_BOOL* confirmed) noexcept override;
    HRESULT STDMETHODCALLTYPE AddNewSymbol(BSTR* Symbol, BSTR* TypeSymbol, BSTR* Expiry, double* Strike,
                                           BSTR* RightPC, double* Multiplier, BSTR* Exchange,
                                           BSTR* PrimaryExchange, BSTR* TypeCurrency, short* ComTypeListIndex,
                                           short* result) noexcept override;
    HRESULT STDMETHODCALLTYPE ShowRefEditInterface(BSTR* result) noexcept override;
    HRESULT STDMETHODCALLTYPE UnloadfrmMaster() noexcept override;

    // The entry class behind the object.
    cPelorin& logic() const noexcept { return *pelorin_; }

  private:
    // Both property members set the same field.
    void set_application(IDispatch* excel);
    // The next dialog belongs to Excel's window.
    void own_dialogs() const;

    // Declared first, so it outlives the entry class that uses it.
    std::shared_ptr<SharedEnvironment> shared_;
    // The object the caller handed over, handed back as it was.
    win32::com_ptr<IDispatch> excel_;
    std::unique_ptr<cPelorin> pelorin_;
};

}  // namespace corvel::pelorin
