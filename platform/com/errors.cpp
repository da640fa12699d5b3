#include "platform/com/errors.h"

#include <oleauto.h>

#include "platform/win32/handles.h"
#include "platform/win32/text.h"

namespace corvel::com {

namespace {
struct PendingError {
    bool set = false;
    HRESULT hr = S_OK;
    std::string source;
    std::string description;
};
thread_local PendingError t_pending;
}  // namespace

HRESULT hresult_of(std::int32_t number) noexcept {
    if (number > 0 && number < 0x10000) return MAKE_HRESULT(SEVERITY_ERROR, FACILITY_CONTROL, number);
    return static_cast<HRESULT>(number);
}

HRESULT report_error(REFIID iid, HRESULT hr, const std::string& source, const std::string& description) noexcept {
    try {
        t_pending.set = true;
        t_pending.hr = hr;
        t_pending.source = source;
        t_pending.description = description;
        win32::com_ptr<ICreateErrorInfo> create;
        if (SUCCEEDED(::CreateErrorInfo(create.put()))) {
            create->SetGUID(iid);
            const std::wstring s = win32::widen(source);
            const std::wstring d = win32::widen(description);
            create->SetSource(const_cast<LPOLESTR>(s.c_str()));
            create->SetDescription(const_cast<LPOLESTR>(d.c_str()));
            win32::com_ptr<IErrorInfo> info = create.as<IErrorInfo>(IID_IErrorInfo);
            ::SetErrorInfo(0, info.get());
        }
    } catch (...) {
        // Out of memory while describing an error: the result alone still tells the caller.
    }
    return hr;
}

void clear_pending_error() noexcept { t_pending.set = false; }

bool take_pending_error(HRESULT hr, EXCEPINFO* info) noexcept {
    if (!t_pending.set || t_pending.hr != hr) return false;
    t_pending.set = false;
    if (!info) return true;
    *info = EXCEPINFO{};
    info->scode = hr;
    info->bstrSource = win32::make_bstr(t_pending.source);
    info->bstrDescription = win32::make_bstr(t_pending.description);
    return true;
}

}  // namespace corvel::com
