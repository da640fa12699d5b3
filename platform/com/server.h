#pragma once

#include <windows.h>

#include <span>

#include "platform/com/class_factory.h"
#include "platform/com/registration.h"

namespace corvel::com {

// One class of an in-process server: what registration writes and what its factory makes.
struct ServerClass {
    const CLSID& clsid;
    const wchar_t* prog_id;  // "Tallowin3.cTWS"
    CreateObject create;
};

// An in-process server, written once in its DLL: its name (the source of errors that carry none of
// their own), its type library and its classes. The DLL's entry points hand over to the functions
// below, so registration, the class factories and the unload accounting all read the same table.
struct Server {
    const char* name;
    const GUID& libid;
    std::span<const ServerClass> classes;
};

// For DllMain when the process attaches the DLL.
void attach_server(const Server& server, HMODULE module) noexcept;
// DllGetClassObject: a factory for one of the server's classes.
HRESULT get_class_object(const Server& server, REFCLSID clsid, REFIID iid, void** out) noexcept;
// DllCanUnloadNow: no object of the server and no lock on it is alive.
HRESULT can_unload_now() noexcept;
// DllRegisterServer, DllUnregisterServer (for the machine).
HRESULT register_server(const Server& server) noexcept;
HRESULT unregister_server(const Server& server) noexcept;
// DllInstall: "user" as the command line (regsvr32 /i:user) registers for the current user only,
// without administrator rights; anything else for the machine.
HRESULT install_server(const Server& server, BOOL install, LPCWSTR command_line) noexcept;

}  // namespace corvel::com
