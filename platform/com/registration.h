#pragma once

#include <windows.h>

#include <string>

namespace corvel::com {

struct Server;

// Where the class keys go: the machine's classes (what regsvr32 does) or the user's own
// HKEY_CURRENT_USER\Software\Classes (no administrator rights needed).
enum class RegistrationScope { Machine, User };

// Registers the server's classes (CLSID with its in-process server, apartment threading, ProgID, type
// library) and the type library embedded in this module with its interfaces.
HRESULT register_classes(RegistrationScope scope, const Server& server);
// Removes what register_classes wrote; keys already gone are not an error.
HRESULT unregister_classes(RegistrationScope scope, const Server& server);

std::wstring guid_text(REFGUID guid);

}  // namespace corvel::com
