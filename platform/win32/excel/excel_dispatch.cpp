#include "platform/win32/excel/excel_dispatch.h"

#include <new>

#include "common/automation_error.h"
#include "platform/com/variant_convert.h"
#include "platform/win32/text.h"

namespace corvel::win32::excel {

namespace {
// Member names are Excel's English ones whatever the user's language: they are asked for in English,
// and values cross in English (numbers with ".") as a macro's do; FormulaLocal is the one member that
// speaks the user's language.
constexpr LCID kLocale = MAKELCID(MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US), SORT_DEFAULT);

[[noreturn]] void raise(std::int32_t number, std::string description) {
    throw AutomationError(number, kBindingSource, std::move(description));
}

std::string member_text(std::string_view type, std::string_view member) {
    return std::string(type) + "." + std::string(member);
}

[[noreturn]] void raise_unexpected_result(std::string_view type, std::string_view member) {
    raise(vb_error::kTypeMismatch,
          std::string(vb_error::kTypeMismatchText) + " (" + member_text(type, member) + ")");
}

// The result with a by-reference or variant-in-variant form followed.
const VARIANT& plain(const VARIANT& v) noexcept {
    if (V_VT(&v) == (VT_BYREF | VT_VARIANT) && V_VARIANTREF(&v)) return *V_VARIANTREF(&v);
    return v;
}
}  // namespace

DISPID DispatchCache::find(IDispatch* object, std::string_view type, std::string_view member) {
    const auto key = std::make_pair(std::string(type), std::string(member));
    if (const auto it = ids_.find(key); it != ids_.end()) return it->second;
    std::wstring name = widen(member);
    LPOLESTR names[] = {name.data()};
    DISPID id = DISPID_UNKNOWN;
    const HRESULT hr = object->GetIDsOfNames(IID_NULL, names, 1, kLocale, &id);
    if (FAILED(hr)) {
        // What a macro shows for an object that lacks the member: an object that is not Excel's shows
        // itself here, at its first use.
        raise(438, "Object doesn't support this property or method (" + member_text(type, member) + ")");
    }
    ids_.emplace(key, id);
    return id;
}

void Arg::store(VARIANT& out) const {
    ::VariantInit(&out);
    switch (kind_) {
        case Kind::Missing:
            V_VT(&out) = VT_ERROR;
            V_ERROR(&out) = DISP_E_PARAMNOTFOUND;
            return;
        case Kind::Long:
            V_VT(&out) = VT_I4;
            V_I4(&out) = long_;
            return;
        case Kind::Bool:
            V_VT(&out) = VT_BOOL;
            V_BOOL(&out) = long_ ? VARIANT_TRUE : VARIANT_FALSE;
            return;
        case Kind::Text: {
            BSTR text = make_bstr(text_);
            if (!text) throw std::bad_alloc();
            V_VT(&out) = VT_BSTR;
            V_BSTR(&out) = text;
            return;
        }
        case Kind::Object:
            V_VT(&out) = VT_DISPATCH;
            V_DISPATCH(&out) = object_;
            if (object_) object_->AddRef();
            return;
        case Kind::Value:
            com::to_variant(*value_, out);
            return;
    }
}

DispatchObject::DispatchObject(com_ptr<IDispatch> object, std::shared_ptr<DispatchCache> cache,
                               const char* type)
    : object_(std::move(object)), cache_(std::move(cache)), type_(type) {
    if (!object_) {
        throw AutomationError(vb_error::kObjectVariableNotSet, kBindingSource,
                              vb_error::kObjectVariableNotSetText);
    }
}

unique_variant DispatchObject::invoke(std::string_view member, WORD flags, const std::vector<Arg>& args,
                                      const Arg* put_value) const {
    const DISPID id = cache_->find(object_.get(), type_, member);
    // DISPPARAMS lists the arguments last first; a property's new value comes first of all, named.
    VariantArgs list;
    DISPID put_name = DISPID_PROPERTYPUT;
    if (put_value) put_value->store(list.add());
    for (auto it = args.rbegin(); it != args.rend(); ++it)
        it->store(list.add());
    DISPPARAMS params{list.data(), put_value ? &put_name : nullptr, list.size(), put_value ? 1u : 0u};
    unique_variant result;
    unique_excepinfo info;
    UINT arg_error = 0;
    const HRESULT hr = object_->Invoke(id, IID_NULL, kLocale, flags, &params,
                                       put_value ? nullptr : result.put(), info.put(), &arg_error);
    // The owner frees whatever texts the failure (or its deferred fill-in) left.
    if (FAILED(hr)) raise_call_failed(hr, const_cast<EXCEPINFO&>(info.get()), type_, member);
    return result;
}

unique_variant DispatchObject::get(std::string_view member, const std::vector<Arg>& args) const {
    // Some members are methods to Excel and properties to its documentation (and the reverse):
    // asking for both is what a macro's late-bound call does too.
    return invoke(member, DISPATCH_PROPERTYGET | DISPATCH_METHOD, args, nullptr);
}

void DispatchObject::put(std::string_view member, const Arg& value, const std::vector<Arg>& args) const {
    invoke(member, DISPATCH_PROPERTYPUT, args, &value);
}

unique_variant DispatchObject::call(std::string_view member, const std::vector<Arg>& args) const {
    return invoke(member, DISPATCH_METHOD | DISPATCH_PROPERTYGET, args, nullptr);
}

com_ptr<IDispatch> DispatchObject::get_object(std::string_view member, const std::vector<Arg>& args) const {
    const unique_variant result = get(member, args);
    return object_of(result.get(), type_, member);
}

std::int32_t DispatchObject::get_long(std::string_view member) const {
    const unique_variant result = get(member);
    const auto value = optional_long_of(result.get(), type_, member);
    if (!value) raise_unexpected_result(type_, member);
    return *value;
}

std::optional<std::int32_t> DispatchObject::get_optional_long(std::string_view member) const {
    const unique_variant result = get(member);
    return optional_long_of(result.get(), type_, member);
}

std::string DispatchObject::get_text(std::string_view member) const {
    const unique_variant result = get(member);
    return text_of(result.get(), type_, member);
}

com_ptr<IDispatch> object_of(const VARIANT& result, std::string_view type, std::string_view member) {
    const VARIANT& v = plain(result);
    switch (V_VT(&v)) {
        case VT_DISPATCH:
            return com_ptr<IDispatch>(V_DISPATCH(&v));
        case VT_EMPTY:
        case VT_NULL:
            return nullptr;
        case VT_UNKNOWN: {
            if (!V_UNKNOWN(&v)) return nullptr;
            com_ptr<IDispatch> object;
            if (SUCCEEDED(V_UNKNOWN(&v)->QueryInterface(IID_IDispatch, object.put_void()))) return object;
            break;
        }
        default:
            break;
    }
    raise_unexpected_result(type, member);
}

std::optional<double> optional_double_of(const VARIANT& result, std::string_view type,
                                         std::string_view member) {
    const VARIANT& v = plain(result);
    if (V_VT(&v) == VT_NULL) return std::nullopt;
    unique_variant number;
    if (FAILED(::VariantChangeTypeEx(number.put(), const_cast<VARIANT*>(&v), kLocale, 0, VT_R8))) {
        raise_unexpected_result(type, member);
    }
    return V_R8(&number.get());
}

std::optional<std::int32_t> optional_long_of(const VARIANT& result, std::string_view type,
                                             std::string_view member) {
    const VARIANT& v = plain(result);
    if (V_VT(&v) == VT_NULL) return std::nullopt;
    unique_variant number;
    if (FAILED(::VariantChangeTypeEx(number.put(), const_cast<VARIANT*>(&v), kLocale, 0, VT_I4))) {
        raise_unexpected_result(type, member);
    }
    return static_cast<std::int32_t>(V_I4(&number.get()));
}

bool bool_of(const VARIANT& result, std::string_view type, std::string_view member) {
    const VARIANT& v = plain(result);
    unique_variant flag;
    if (FAILED(::VariantChangeTypeEx(flag.put(), const_cast<VARIANT*>(&v), kLocale, 0, VT_BOOL))) {
        raise_unexpected_result(type, member);
    }
    return V_BOOL(&flag.get()) != VARIANT_FALSE;
}

std::string text_of(const VARIANT& result, std::string_view type, std::string_view member) {
    const VARIANT& v = plain(result);
    if (V_VT(&v) == VT_BSTR) return from_bstr(V_BSTR(&v));
    unique_variant text;
    if (V_VT(&v) == VT_NULL ||
        FAILED(::VariantChangeTypeEx(text.put(), const_cast<VARIANT*>(&v), kLocale, 0, VT_BSTR))) {
        raise_unexpected_result(type, member);
    }
    return from_bstr(V_BSTR(&text.get()));
}

std::optional<std::string> excel_error_text(SCODE code) noexcept {
    // Excel's error values travel as VT_ERROR with these codes (CVErr(xlErrNA) and its kin).
    switch (static_cast<std::uint32_t>(code)) {
        case 0x800A07D0u:
            return "#NULL!";
        case 0x800A07D7u:
            return "#DIV/0!";
        case 0x800A07DFu:
            return "#VALUE!";
        case 0x800A07E7u:
            return "#REF!";
        case 0x800A07EDu:
            return "#NAME?";
        case 0x800A07F4u:
            return "#NUM!";
        case 0x800A07FAu:
            return "#N/A";
        case 0x800A07FBu:
            return "#GETTING_DATA";
        case 0x800A07FCu:
            return "#SPILL!";
        case 0x800A07FDu:
            return "#CONNECT!";
        case 0x800A07FEu:
            return "#BLOCKED!";
        case 0x800A07FFu:
            return "#UNKNOWN!";
        case 0x800A0800u:
            return "#FIELD!";
        case 0x800A0801u:
            return "#CALC!";
        default:
            return std::nullopt;
    }
}

Variant cell_value_of(const VARIANT& value) {
    const VARIANT& v = plain(value);
    switch (V_VT(&v)) {
        case VT_EMPTY:
        case VT_NULL:
            return {};
        case VT_ERROR:
            // A cell showing an error reads as what it shows; a missing value is no value.
            if (auto text = excel_error_text(V_ERROR(&v))) return Variant(std::move(*text));
            return {};
        case VT_BSTR:
            return Variant(from_bstr(V_BSTR(&v)));
        case VT_R8:
            return Variant(V_R8(&v));
        case VT_BOOL:
            return Variant(V_BOOL(&v) != VARIANT_FALSE);
        case VT_DATE:
            return Variant(OleDate{V_DATE(&v)});
        case VT_CY: {
            // Excel gives currency-formatted cells as Currency: keep it a number, as the cell is.
            return Variant(static_cast<double>(V_CY(&v).int64) / 10000.0);
        }
        default:
            break;
    }
    // Any other number type: as a double, the one number type a cell holds.
    unique_variant number;
    if (SUCCEEDED(::VariantChangeTypeEx(number.put(), const_cast<VARIANT*>(&v), kLocale, 0, VT_R8))) {
        return Variant(V_R8(&number.get()));
    }
    return com::from_variant(v, kBindingSource);
}

void raise_call_failed(HRESULT hr, EXCEPINFO& info, std::string_view type, std::string_view member) {
    if (hr == DISP_E_EXCEPTION) {
        if (info.pfnDeferredFillIn) info.pfnDeferredFillIn(&info);
        std::int32_t number = 0;
        if (info.wCode != 0) {
            number = info.wCode;
        } else if (HRESULT_FACILITY(info.scode) == FACILITY_CONTROL) {
            // Excel's own numbers (1004) travel as control-facility results, shown as the small number.
            number = HRESULT_CODE(info.scode);
        } else {
            number = static_cast<std::int32_t>(info.scode);
        }
        std::string source = from_bstr(info.bstrSource);
        std::string description = from_bstr(info.bstrDescription);
        if (source.empty()) source = "Microsoft Excel";
        if (description.empty()) {
            description = "Method '" + std::string(member) + "' of object '" + std::string(type) + "' failed";
        }
        throw AutomationError(number == 0 ? static_cast<std::int32_t>(hr) : number, std::move(source),
                              std::move(description));
    }
    const std::string where = " (" + member_text(type, member) + ")";
    switch (hr) {
        case DISP_E_MEMBERNOTFOUND:
        case DISP_E_UNKNOWNNAME:
            raise(438, "Object doesn't support this property or method" + where);
        case DISP_E_BADPARAMCOUNT:
            raise(450, "Wrong number of arguments or invalid property assignment" + where);
        case DISP_E_PARAMNOTOPTIONAL:
            raise(449, "Argument not optional" + where);
        case DISP_E_TYPEMISMATCH:
            raise(vb_error::kTypeMismatch, vb_error::kTypeMismatchText + where);
        case DISP_E_OVERFLOW:
            raise(6, "Overflow" + where);
        case E_OUTOFMEMORY:
            throw std::bad_alloc();
        default:
            break;
    }
    // Excel gone, busy or unreachable: the result itself, as a macro's "Automation error" shows it.
    raise(static_cast<std::int32_t>(hr), "Automation error" + where);
}

}  // namespace corvel::win32::excel
