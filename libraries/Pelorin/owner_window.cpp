#include "libraries/Pelorin/owner_window.h"

#include <cstdint>

#include "platform/win32/handles.h"

namespace corvel::pelorin {

namespace {
// Excel's `Application.Hwnd`: a Long in every Excel (top-level window handles fit in 32 bits), asked
// by name since Excel's interfaces are not ours to compile against.
HWND application_hwnd(IDispatch* excel) noexcept {
    wchar_t name[] = L"Hwnd";
    LPOLESTR names[] = {name};
    DISPID id = DISPID_UNKNOWN;
    if (FAILED(excel->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id))) return nullptr;
    DISPPARAMS none{};
    win32::unique_variant result;
    win32::unique_excepinfo failure;
    if (FAILED(excel->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none, result.put(),
                             failure.put(), nullptr))) {
        return nullptr;
    }
    win32::unique_variant number;
    VARIANT source = result.get();
    if (FAILED(::VariantChangeType(number.put(), &source, 0, VT_I8))) return nullptr;
    const VARIANT& converted = number.get();
    const auto value = static_cast<std::uintptr_t>(static_cast<std::uint32_t>(V_I8(&converted)));
    HWND window = reinterpret_cast<HWND>(value);
    return ::IsWindow(window) ? window : nullptr;
}
}  // namespace

HWND owner_window(IDispatch* excel) noexcept {
    if (excel) {
        if (HWND window = application_hwnd(excel)) return window;
    }
    return ::GetActiveWindow();
}

}  // namespace corvel::pelorin
