#include "platform/com/errors.h"

#include <oleauto.h>

#include "platform/win32/handles.h"
#include "platform/win32/text.h"

namespace corvel::com {

namespace {
// The failure a method of the dispatch call in progress reported; its texts are in the thread's error
// object. Plain values only: a thread-local object with a destructor would pin the DLL in memory.
thread_local bool t_pending = false;
thread_local HRESULT t_pending_hr = S_OK;
}  // namespace

HRESULT hresult_of(std::int32_t number) noexcept {
    if (number > 0 && number < 0x10000) return MAKE_HRESULT(SEVERITY_ERROR, FACILITY_CONTROL, number);
    return static_cast<HRESULT>(number);
}

HRESULT report_error(REFIID iid, HRESULT hr, const std::string& source,
                     const std::string& description) noexcept {
    t_pending = true;
    t_pending_hr = hr;
    try {
        win32::com_ptr<ICreateErrorInfo> create;
        if (SUCCEEDED(::CreateErrorInfo(create.put()))) {
            create->SetGUID(iid);
            const std::wstring s = win32::widen(source);
            const std::wstring d = win32::widen(description);
            create->SetSource(const_cast<LPOLESTR>(s.c_str()));
            create->SetDescription(const_cast<LPOLESTR>(d.c_str()));
            win32::com_ptr<IErrorInfo> info = create.as<IErrorInfo>();
            ::SetErrorInfo(0, info.get());
        }
    } catch (...) {
        // Out of memory while describing an error: the result alone still tells the caller.
    }
    return hr;
}

void clear_pending_error() noexcept {
    t_pending = false;
}

bool take_pending_error(HRESULT hr, EXCEPINFO* info) noexcept {
    if (!t_pending || t_pending_hr != hr) return false;
    t_pending = false;
    win32::com_ptr<IErrorInfo> error;
    if (::GetErrorInfo(0, error.put()) != S_OK) error.reset();
    if (!info) return true;
    *info = EXCEPINFO{};
    info->scode = hr;
    if (error) {
        error->GetSource(&info->bstrSource);
        error->GetDescription(&info->bstrDescription);
    }
    return true;
}

}  // namespace corvel::com
