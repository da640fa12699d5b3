#include "platform/com/variant_convert.h"

#include <cmath>
#include <new>

#include "common/automation_error.h"
#include "platform/com/module.h"
#include "platform/win32/handles.h"
#include "platform/win32/text.h"

namespace corvel::com {

bool is_missing(const VARIANT& v) noexcept {
    return V_VT(&v) == VT_ERROR && V_ERROR(&v) == DISP_E_PARAMNOTFOUND;
}

Variant from_variant(const VARIANT& v, const char* error_source) {
    const VARTYPE type = V_VT(&v);
    if (type == (VT_VARIANT | VT_BYREF)) return from_variant(*V_VARIANTREF(&v), error_source);
    const bool byref = (type & VT_BYREF) != 0;
    switch (type & ~VT_BYREF) {
        case VT_EMPTY:
            return Variant();
        case VT_ERROR:
            return Variant();
        case VT_BSTR:
            return Variant(win32::from_bstr(byref ? *V_BSTRREF(&v) : V_BSTR(&v)));
        case VT_UI1:
            return Variant(static_cast<std::uint8_t>(byref ? *V_UI1REF(&v) : V_UI1(&v)));
        case VT_I2:
            return Variant(static_cast<std::int16_t>(byref ? *V_I2REF(&v) : V_I2(&v)));
        case VT_I4:
            return Variant(static_cast<std::int32_t>(byref ? *V_I4REF(&v) : V_I4(&v)));
        case VT_INT:
            return Variant(static_cast<std::int32_t>(byref ? *V_INTREF(&v) : V_INT(&v)));
        case VT_I8:
            return Variant(static_cast<std::int64_t>(byref ? *V_I8REF(&v) : V_I8(&v)));
        case VT_R4:
            return Variant(byref ? *V_R4REF(&v) : V_R4(&v));
        case VT_R8:
            return Variant(byref ? *V_R8REF(&v) : V_R8(&v));
        case VT_CY:
            return Variant(Currency{(byref ? *V_CYREF(&v) : V_CY(&v)).int64});
        case VT_DATE:
            return Variant(OleDate{byref ? *V_DATEREF(&v) : V_DATE(&v)});
        case VT_BOOL:
            return Variant((byref ? *V_BOOLREF(&v) : V_BOOL(&v)) != VARIANT_FALSE);
        default:
            break;
    }
    // Anything else (an object with a default value, a decimal) converts as a caller's text would.
    win32::unique_variant text;
    if (SUCCEEDED(::VariantChangeType(text.put(), const_cast<VARIANT*>(&v), 0, VT_BSTR))) {
        return Variant(win32::from_bstr(V_BSTR(&text.get())));
    }
    throw AutomationError(vb_error::kTypeMismatch, error_source ? error_source : library_name(),
                          vb_error::kTypeMismatchText);
}

void to_variant(const Variant& value, VARIANT& out) {
    ::VariantInit(&out);
    switch (value.type()) {
        case VariantType::Empty:
            return;
        case VariantType::Byte:
            V_VT(&out) = VT_UI1;
            V_UI1(&out) = static_cast<BYTE>(*value.number());
            return;
        case VariantType::Integer:
            V_VT(&out) = VT_I2;
            V_I2(&out) = static_cast<SHORT>(*value.number());
            return;
        case VariantType::Long:
            V_VT(&out) = VT_I4;
            V_I4(&out) = value.as_long();
            return;
        case VariantType::LongLong:
        case VariantType::Single:
        case VariantType::Double:
            // A cell holds a double; so do the callers' 64-bit and single values once in a cell.
            V_VT(&out) = VT_R8;
            V_R8(&out) = *value.number();
            return;
        case VariantType::Currency: {
            V_VT(&out) = VT_CY;
            CY cy;
            cy.int64 = static_cast<LONGLONG>(std::llround(*value.number() * 10000.0));
            V_CY(&out) = cy;
            return;
        }
        case VariantType::Date:
            V_VT(&out) = VT_DATE;
            V_DATE(&out) = value.as_date().value;
            return;
        case VariantType::String: {
            BSTR text = win32::make_bstr(value.as_string());
            if (!text) throw std::bad_alloc();
            V_VT(&out) = VT_BSTR;
            V_BSTR(&out) = text;
            return;
        }
        case VariantType::Boolean:
            V_VT(&out) = VT_BOOL;
            V_BOOL(&out) = value.as_bool() ? VARIANT_TRUE : VARIANT_FALSE;
            return;
    }
}

}  // namespace corvel::com
