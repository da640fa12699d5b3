#pragma once

// Everything else of the Windows SDK assumes the base definitions are in place.
#include <windows.h>

#include <oaidl.h>

#include <string>

#include "common/automation_error.h"
#include "platform/com/module.h"

namespace corvel::com {

// The result an automation error becomes: object errors keep their number; the small numbers of Visual
// Basic run-time errors (5, 9, 457, ...) travel as control-facility results, which script and VBA
// callers show as the small number again.
HRESULT hresult_of(std::int32_t number) noexcept;

// Records the error for the calling thread's error object and for the dispatch call in progress, and
// returns its result.
HRESULT report_error(REFIID iid, HRESULT hr, const std::string& source,
                     const std::string& description) noexcept;

// Exactly one place per method turns an exception into a result: every interface method body runs
// through here.
template <class Body>
HRESULT guard(REFIID iid, Body&& body) noexcept {
    try {
        body();
        return S_OK;
    } catch (const AutomationError& e) {
        return report_error(iid, hresult_of(e.number()), e.source(), e.description());
    } catch (const std::bad_alloc&) {
        return report_error(iid, E_OUTOFMEMORY, library_name(), "Out of memory");
    } catch (const std::exception& e) {
        return report_error(iid, E_FAIL, library_name(), e.what());
    } catch (...) {
        return report_error(iid, E_FAIL, library_name(), "Unexpected failure");
    }
}

// A dispatch call about to run forgets any error of an earlier one.
void clear_pending_error() noexcept;
// Fills an EXCEPINFO from the error a method of this dispatch call reported; false if it reported none.
bool take_pending_error(HRESULT hr, EXCEPINFO* info) noexcept;

}  // namespace corvel::com
