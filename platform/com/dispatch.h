#pragma once

// Everything else of the Windows SDK assumes the base definitions are in place.
#include <windows.h>

#include <oaidl.h>

#include <new>
#include <vector>

#include "platform/com/errors.h"
#include "platform/com/object.h"
#include "platform/com/type_library.h"

namespace corvel::com {

// Turns variant references to objects into object references; false when there were none.
inline bool unwrap_script_references(std::vector<VARIANTARG>& args) noexcept {
    bool changed = false;
    for (auto& a : args) {
        if (V_VT(&a) != (VT_BYREF | VT_VARIANT) || !V_VARIANTREF(&a)) continue;
        VARIANT* inner = V_VARIANTREF(&a);
        if (V_VT(inner) == VT_DISPATCH) {
            V_VT(&a) = VT_BYREF | VT_DISPATCH;
            V_DISPATCHREF(&a) = &V_DISPATCH(inner);
            changed = true;
        } else if (V_VT(inner) == VT_UNKNOWN) {
            V_VT(&a) = VT_BYREF | VT_UNKNOWN;
            V_UNKNOWNREF(&a) = &V_UNKNOWN(inner);
            changed = true;
        }
    }
    return changed;
}

// An automation object with a dual interface: IDispatch is answered from the type library, so names,
// dispatch identifiers, default members and argument conversion behave exactly as script and VBA
// callers expect, and an error a method reports reaches the caller's error object.
//
// Dispatchable<Derived, Dual, Others...>: `Dual` comes first (it is also the object's IDispatch and
// identity); `Others` are further interfaces or parts (an event source, the adapter's own marker).
template <class Derived, class Dual, class... Others>
class Dispatchable : public Implements<Derived, Dual, ISupportErrorInfo, Others...> {
  public:
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) noexcept override {
        if (!count) return E_POINTER;
        *count = 1;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID, ITypeInfo** out) noexcept override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (index != 0) return DISP_E_BADINDEX;
        ITypeInfo* info = type_info(__uuidof(Dual));
        if (!info) return TYPE_E_ELEMENTNOTFOUND;
        info->AddRef();
        *out = info;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID,
                                            DISPID* ids) noexcept override {
        ITypeInfo* info = type_info(__uuidof(Dual));
        if (!info) return TYPE_E_ELEMENTNOTFOUND;
        return info->GetIDsOfNames(names, count, ids);
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                     EXCEPINFO* excepinfo, UINT* arg_error) noexcept override {
        ITypeInfo* info = type_info(__uuidof(Dual));
        if (!info) return TYPE_E_ELEMENTNOTFOUND;
        clear_pending_error();
        HRESULT hr = info->Invoke(static_cast<Dual*>(this), id, flags, params, result, excepinfo, arg_error);
        if (hr == DISP_E_TYPEMISMATCH && params) {
            // Script hosts pass every variable by reference as a variant; a parameter typed as an
            // object by reference then refuses it. Offer the object inside instead, as VBA would.
            DISPPARAMS adjusted = *params;
            std::vector<VARIANTARG> args;
            try {
                args.assign(params->rgvarg, params->rgvarg + params->cArgs);
            } catch (const std::bad_alloc&) {
                return E_OUTOFMEMORY;
            }
            if (unwrap_script_references(args)) {
                adjusted.rgvarg = args.data();
                clear_pending_error();
                hr = info->Invoke(static_cast<Dual*>(this), id, flags, &adjusted, result, excepinfo,
                                  arg_error);
            }
        }
        // The method's own failure becomes an exception with its number, source and description,
        // whether or not the type library's invoke already turned it into one.
        if (hr == DISP_E_EXCEPTION) {
            if (excepinfo && !excepinfo->bstrSource && !excepinfo->bstrDescription) {
                take_pending_error(excepinfo->scode, excepinfo);
            }
        } else if (FAILED(hr) && take_pending_error(hr, excepinfo)) {
            hr = DISP_E_EXCEPTION;
        }
        return hr;
    }
    HRESULT STDMETHODCALLTYPE InterfaceSupportsErrorInfo(REFIID iid) noexcept override {
        return IsEqualIID(iid, __uuidof(Dual)) ? S_OK : S_FALSE;
    }

  protected:
    template <class Body>
    HRESULT guard(Body&& body) noexcept {
        return com::guard(__uuidof(Dual), std::forward<Body>(body));
    }
};

// An object implementing an interface of someone else's contract (Excel's IRtdServer, say), called
// through its table of methods. There is no type library of ours to answer IDispatch from, so the
// object says it has no type information and refuses late-bound calls; errors still reach the caller's
// error object.
template <class Derived, class Interface, class... Others>
class EarlyBound : public Implements<Derived, Interface, ISupportErrorInfo, Others...> {
  public:
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) noexcept override {
        if (!count) return E_POINTER;
        *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** out) noexcept override {
        if (!out) return E_POINTER;
        *out = nullptr;
        return DISP_E_BADINDEX;
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) noexcept override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                                     UINT*) noexcept override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE InterfaceSupportsErrorInfo(REFIID iid) noexcept override {
        return IsEqualIID(iid, __uuidof(Interface)) ? S_OK : S_FALSE;
    }

  protected:
    template <class Body>
    HRESULT guard(Body&& body) noexcept {
        return com::guard(__uuidof(Interface), std::forward<Body>(body));
    }
};

}  // namespace corvel::com
