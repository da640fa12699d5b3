#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace corvel::com {

struct ClassEntry {
    CLSID clsid;
    std::wstring prog_id;  // "Tallowin3.cTWS"
};

// Where the class keys go: the machine's classes (what regsvr32 does) or the user's own
// HKEY_CURRENT_USER\Software\Classes (no administrator rights needed).
enum class RegistrationScope { Machine, User };

// Registers the classes (CLSID with its in-process server, apartment threading, ProgID, type library)
// and the type library embedded in this module with its interfaces.
HRESULT register_server(RegistrationScope scope, const std::vector<ClassEntry>& classes, REFGUID libid);
// Removes what register_server wrote; keys already gone are not an error.
HRESULT unregister_server(RegistrationScope scope, const std::vector<ClassEntry>& classes, REFGUID libid);

std::wstring guid_text(REFGUID guid);

}  // namespace corvel::com
