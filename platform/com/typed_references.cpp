#include "platform/com/typed_references.h"

#include <oleauto.h>

#include <new>
#include <vector>

#include "platform/win32/handles.h"

namespace corvel::com {

namespace {

// The function a call reaches: a method call from a script may also be a property read.
class FunctionOf {
  public:
    FunctionOf(ITypeInfo* info, DISPID id, WORD flags) noexcept : info_(info) {
        TYPEATTR* attr = nullptr;
        if (FAILED(info->GetTypeAttr(&attr))) return;
        const WORD functions = attr->cFuncs;
        info->ReleaseTypeAttr(attr);
        for (UINT i = 0; i < functions && !desc_; ++i) {
            FUNCDESC* f = nullptr;
            if (FAILED(info->GetFuncDesc(i, &f))) continue;
            const bool reached =
                f->memid == id && (((flags & DISPATCH_METHOD) && f->invkind == INVOKE_FUNC) ||
                                   ((flags & DISPATCH_PROPERTYGET) && f->invkind == INVOKE_PROPERTYGET));
            if (reached) {
                desc_ = f;
            } else {
                info->ReleaseFuncDesc(f);
            }
        }
    }
    FunctionOf(const FunctionOf&) = delete;
    FunctionOf& operator=(const FunctionOf&) = delete;
    ~FunctionOf() {
        if (desc_) info_->ReleaseFuncDesc(desc_);
    }
    const FUNCDESC* get() const noexcept { return desc_; }

  private:
    ITypeInfo* info_;
    FUNCDESC* desc_ = nullptr;
};

bool is_value_type(VARTYPE type) noexcept {
    switch (type) {
        case VT_I2:
        case VT_I4:
        case VT_R4:
        case VT_R8:
        case VT_CY:
        case VT_DATE:
        case VT_BSTR:
        case VT_BOOL:
        case VT_UI1:
            return true;
        default:
            return false;
    }
}

}  // namespace

HRESULT invoke_with_typed_references(ITypeInfo* info, DISPID id, WORD flags, DISPPARAMS* params,
                                     UINT* arg_error,
                                     const std::function<HRESULT(DISPPARAMS*)>& invoke) noexcept {
    if (!info || !params || params->cNamedArgs != 0) return DISP_E_TYPEMISMATCH;
    const FunctionOf function(info, id, flags);
    const FUNCDESC* f = function.get();
    if (!f) return DISP_E_TYPEMISMATCH;
    try {
        const UINT count = params->cArgs;
        std::vector<VARIANTARG> args(params->rgvarg, params->rgvarg + count);
        std::vector<win32::unique_variant> temporaries(count);
        std::vector<VARIANT*> callers(count, nullptr);
        bool converted = false;
        // The arguments come last first: the k-th parameter is args[count - 1 - k].
        for (UINT k = 0; k < count && k < static_cast<UINT>(f->cParams); ++k) {
            const UINT slot = count - 1 - k;
            VARIANTARG& a = args[slot];
            const TYPEDESC& declared = f->lprgelemdescParam[k].tdesc;
            if (V_VT(&a) != (VT_BYREF | VT_VARIANT) || !V_VARIANTREF(&a) || declared.vt != VT_PTR ||
                !is_value_type(declared.lptdesc->vt)) {
                continue;
            }
            VARIANT* caller = V_VARIANTREF(&a);
            const VARTYPE type = declared.lptdesc->vt;
            if (FAILED(::VariantChangeType(temporaries[slot].put(), caller, 0, type))) {
                if (arg_error) *arg_error = slot;
                return DISP_E_TYPEMISMATCH;
            }
            callers[slot] = caller;
            V_VT(&a) = static_cast<VARTYPE>(VT_BYREF | type);
            // Every member of a variant's value sits at the start of the same union.
            V_BYREF(&a) = &V_I2(const_cast<VARIANT*>(&temporaries[slot].get()));
            converted = true;
        }
        if (!converted) return DISP_E_TYPEMISMATCH;
        DISPPARAMS adjusted = *params;
        adjusted.rgvarg = args.data();
        const HRESULT hr = invoke(&adjusted);
        if (SUCCEEDED(hr)) {
            for (UINT slot = 0; slot < count; ++slot) {
                if (!callers[slot]) continue;
                // The caller's old value goes; the temporary's (a string the member wrote, say) moves in.
                const win32::unique_variant old(*callers[slot]);
                *callers[slot] = temporaries[slot].release();
            }
        }
        return hr;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}

}  // namespace corvel::com
