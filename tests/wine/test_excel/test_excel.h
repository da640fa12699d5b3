#pragma once

// Everything else of the Windows SDK assumes the base definitions are in place.
#include <windows.h>

#include <oaidl.h>

#include <cstdint>
#include <map>
#include <memory>
#include <string>

#include "platform/memory/memory_application.h"
#include "platform/win32/handles.h"

namespace corvel::test_excel {

// Every call a client made into the test Excel: each Invoke counted by "Type.Member" (as
// "Range.Value"), and the name look-ups apart.
struct CallLog {
    std::map<std::string, std::int64_t> by_member;
    std::int64_t calls = 0;
    std::int64_t name_lookups = 0;

    std::int64_t count(const std::string& member) const {
        const auto it = by_member.find(member);
        return it == by_member.end() ? 0 : it->second;
    }
    void clear() {
        by_member.clear();
        calls = 0;
        name_lookups = 0;
    }
};

// What the test Excel's Application reports of itself beyond the workbooks.
struct Settings {
    // Application.Hwnd: Excel's main window.
    std::intptr_t hwnd = 0;
};

// Excel's Application over an in-memory application, answering IDispatch with Excel's member names,
// argument positions, named arguments and result types. Members Excel lacks are refused with
// DISP_E_UNKNOWNNAME; Excel's failures come as DISP_E_EXCEPTION with source "Microsoft Excel".
win32::com_ptr<IDispatch> make_application(std::shared_ptr<workbook::MemoryApplication> application,
                                           std::shared_ptr<CallLog> log, Settings settings = {});

}  // namespace corvel::test_excel
