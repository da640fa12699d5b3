#include "libraries/Pelorin/pelorin_object.h"

#include <string>

#include "common/automation_error.h"
#include "libraries/Pelorin/excel.h"
#include "libraries/Pelorin/owner_window.h"
#include "platform/com/type_library.h"
#include "platform/com/typed_references.h"
#include "platform/win32/text.h"

namespace corvel::pelorin {

namespace {

void require(const void* out, const char* member) {
    if (!out) {
        throw AutomationError(static_cast<std::int32_t>(E_POINTER),
                              std::string(PelorinObject::kSource) + "." + member, "Invalid pointer");
    }
}

// A by-reference string argument gets its new text; the caller's old string goes.
void write_back(BSTR* argument, const std::string& text) {
    win32::unique_bstr fresh(win32::make_bstr(text));
    if (!fresh && !text.empty()) throw std::bad_alloc();
    const win32::unique_bstr old(*argument);
    *argument = fresh.release();
}

}  // namespace

PelorinObject::PelorinObject(std::shared_ptr<SharedEnvironment> shared)
    : shared_(std::move(shared)), pelorin_(std::make_unique<cPelorin>(shared_->environment)) {}

PelorinObject::~PelorinObject() = default;

HRESULT PelorinObject::Invoke(DISPID id, REFIID iid, LCID lcid, WORD flags, DISPPARAMS* params,
                              VARIANT* result, EXCEPINFO* excepinfo, UINT* arg_error) noexcept {
    const HRESULT hr = Dispatchable::Invoke(id, iid, lcid, flags, params, result, excepinfo, arg_error);
    if (hr != DISP_E_TYPEMISMATCH) return hr;
    return com::invoke_with_typed_references(
        com::type_info(__uuidof(_cPelorin)), id, flags, params, arg_error, [&](DISPPARAMS* typed) {
            return Dispatchable::Invoke(id, iid, lcid, flags, typed, result, excepinfo, arg_error);
        });
}

void PelorinObject::set_application(IDispatch* excel) {
    // Made before anything changes: a failure leaves the object as it was.
    auto application = excel_application(excel);
    pelorin_->m_ObjExcelApplication(std::move(application));
    excel_ = win32::com_ptr<IDispatch>(excel);
}

void PelorinObject::own_dialogs() const {
    if (shared_->own_dialogs) shared_->own_dialogs(*shared_->environment.host, owner_window(excel_.get()));
}

HRESULT PelorinObject::get_m_ObjExcelApplication(IDispatch** value) noexcept {
    return guard([&] {
        require(value, "m_ObjExcelApplication");
        *value = win32::com_ptr<IDispatch>(excel_).detach();
    });
}

HRESULT PelorinObject::putref_m_ObjExcelApplication(IDispatch* value) noexcept {
    return guard([&] { set_application(value); });
}

HRESULT PelorinObject::get_ExcelApplication(VARIANT* value) noexcept {
    return guard([&] {
        require(value, "ExcelApplication");
        ::VariantInit(value);
        V_VT(value) = VT_DISPATCH;
        V_DISPATCH(value) = win32::com_ptr<IDispatch>(excel_).detach();
    });
}

HRESULT PelorinObject::putref_ExcelApplication(VARIANT value) noexcept {
    return guard([&] {
        const VARIANT* v = &value;
        while (V_VT(v) == (VT_BYREF | VT_VARIANT) && V_VARIANTREF(v))
            v = V_VARIANTREF(v);
        // Nothing is an object reference too: it lets the application go. Anything else that is not
        // an object cannot become Excel's application.
        const VARTYPE type = V_VT(v);
        win32::com_ptr<IDispatch> excel;
        if (type == VT_DISPATCH || type == (VT_BYREF | VT_DISPATCH)) {
            excel = win32::com_ptr<IDispatch>(type == VT_DISPATCH ? V_DISPATCH(v) : *V_DISPATCHREF(v));
        } else if (type == VT_UNKNOWN || type == (VT_BYREF | VT_UNKNOWN)) {
            IUnknown* unknown = type == VT_UNKNOWN ? V_UNKNOWN(v) : *V_UNKNOWNREF(v);
            if (unknown && FAILED(unknown->QueryInterface(IID_IDispatch, excel.put_void()))) excel.reset();
            if (unknown && !excel) {
                throw AutomationError(vb_error::kTypeMismatch, std::string(kSource) + ".ExcelApplication",
                                      vb_error::kTypeMismatchText);
            }
        } else {
            throw AutomationError(vb_error::kTypeMismatch, std::string(kSource) + ".ExcelApplication",
                                  vb_error::kTypeMismatchText);
        }
        set_application(excel.get());
    });
}

HRESULT PelorinObject::get_RefEditInputs(BSTR* value) noexcept {
    return guard([&] {
        require(value, "RefEditInputs");
        *value = nullptr;
        const std::string text = pelorin_->RefEditInputs();
        write_back(value, text);
    });
}

HRESULT PelorinObject::put_RefEditInputs(BSTR value) noexcept {
    return guard([&] { pelorin_->RefEditInputs(win32::from_bstr(value)); });
}

HRESULT PelorinObject::CreateNewProject(short* AskPrice, short* AskSize, short* BidPrice, short* BidSize,
                                        short* ClosePrice, short* HighTick, short* LastPrice, short* LastSize,
                                        short* LowTick, short* Volume, VARIANT_BOOL* confirmed) noexcept {
    return guard([&] {
        for (const void* p : {static_cast<const void*>(AskPrice), static_cast<const void*>(AskSize),
                              static_cast<const void*>(BidPrice), static_cast<const void*>(BidSize),
                              static_cast<const void*>(ClosePrice), static_cast<const void*>(HighTick),
                              static_cast<const void*>(LastPrice), static_cast<const void*>(LastSize),
                              static_cast<const void*>(LowTick), static_cast<const void*>(Volume),
                              static_cast<const void*>(confirmed)}) {
            require(p, "CreateNewProject");
        }
        own_dialogs();
        // The entry class writes the flags only when the user confirmed, all ten at once.
        const bool ok = pelorin_->CreateNewProject(*AskPrice, *AskSize, *BidPrice, *BidSize, *ClosePrice,
                                                   *HighTick, *LastPrice, *LastSize, *LowTick, *Volume);
        *confirmed = ok ? VARIANT_TRUE : VARIANT_FALSE;
    });
}

HRESULT PelorinObject::AddNewSymbol(BSTR* Symbol, BSTR* TypeSymbol, BSTR* Expiry, double* Strike,
                                    BSTR* RightPC, double* Multiplier, BSTR* Exchange, BSTR* PrimaryExchange,
                                    BSTR* TypeCurrency, short* ComTypeListIndex, short* result) noexcept {
    return guard([&] {
        for (const void* p : {static_cast<const void*>(Symbol), static_cast<const void*>(TypeSymbol),
                              static_cast<const void*>(Expiry), static_cast<const void*>(Strike),
                              static_cast<const void*>(RightPC), static_cast<const void*>(Multiplier),
                              static_cast<const void*>(Exchange), static_cast<const void*>(PrimaryExchange),
                              static_cast<const void*>(TypeCurrency), static_cast<const void*>(result)}) {
            require(p, "AddNewSymbol");
        }
        std::string symbol = win32::from_bstr(*Symbol);
        std::string type_symbol = win32::from_bstr(*TypeSymbol);
        std::string expiry = win32::from_bstr(*Expiry);
        double strike = *Strike;
        std::string right = win32::from_bstr(*RightPC);
        double multiplier = *Multiplier;
        std::string exchange = win32::from_bstr(*Exchange);
        std::string primary = win32::from_bstr(*PrimaryExchange);
        std::string currency = win32::from_bstr(*TypeCurrency);
        // An early-bound caller may leave the optional index out altogether.
        std::int16_t type_index = ComTypeListIndex ? *ComTypeListIndex : 0;
        own_dialogs();
        const std::int16_t answer = pelorin_->AddNewSymbol(
            symbol, type_symbol, expiry, strike, right, multiplier, exchange, primary, currency, type_index);
        // Every string is made before any argument changes, so running out of memory changes none.
        win32::unique_bstr texts[7];
        BSTR* targets[] = {Symbol, TypeSymbol, Expiry, RightPC, Exchange, PrimaryExchange, TypeCurrency};
        const std::string* sources[] = {&symbol,   &type_symbol, &expiry,  &right,
                                        &exchange, &primary,     &currency};
        for (int i = 0; i < 7; ++i) {
            texts[i].reset(win32::make_bstr(*sources[i]));
            if (!texts[i] && !sources[i]->empty()) throw std::bad_alloc();
        }
        for (int i = 0; i < 7; ++i) {
            const win32::unique_bstr old(*targets[i]);
            *targets[i] = texts[i].release();
        }
        *Strike = strike;
        *Multiplier = multiplier;
        if (ComTypeListIndex) *ComTypeListIndex = type_index;
        *result = answer;
    });
}

HRESULT PelorinObject::ShowRefEditInterface(BSTR* result) noexcept {
    return guard([&] {
        require(result, "ShowRefEditInterface");
        *result = nullptr;
        own_dialogs();
        const std::string answer = pelorin_->ShowRefEditInterface();
        write_back(result, answer);
    });
}

HRESULT PelorinObject::UnloadfrmMaster() noexcept {
    return guard([&] { pelorin_->UnloadfrmMaster(); });
}

}  // namespace corvel::pelorin
