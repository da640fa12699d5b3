#include "platform/com/server.h"

#include <cwchar>
#include <new>

#include "platform/com/module.h"

namespace corvel::com {

namespace {
// Registration builds key names as it goes: running out of memory there is the caller's failure, not
// an exception thrown through the system's call.
template <class Body>
HRESULT without_exceptions(Body&& body) noexcept {
    try {
        return body();
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_UNEXPECTED;
    }
}
}  // namespace

void attach_server(const Server& server, HMODULE module) noexcept {
    set_module(module);
    set_library_name(server.name);
}

HRESULT get_class_object(const Server& server, REFCLSID clsid, REFIID iid, void** out) noexcept {
    if (!out) return E_POINTER;
    *out = nullptr;
    for (const ServerClass& c : server.classes) {
        if (!IsEqualCLSID(clsid, c.clsid)) continue;
        try {
            return make_object<ClassFactory>(c.create)->QueryInterface(iid, out);
        } catch (...) {
            return E_OUTOFMEMORY;
        }
    }
    return CLASS_E_CLASSNOTAVAILABLE;
}

HRESULT can_unload_now() noexcept {
    return can_unload() ? S_OK : S_FALSE;
}

HRESULT register_server(const Server& server) noexcept {
    return without_exceptions([&] { return register_classes(RegistrationScope::Machine, server); });
}

HRESULT unregister_server(const Server& server) noexcept {
    return without_exceptions([&] { return unregister_classes(RegistrationScope::Machine, server); });
}

HRESULT install_server(const Server& server, BOOL install, LPCWSTR command_line) noexcept {
    const bool user = command_line && _wcsicmp(command_line, L"user") == 0;
    const auto scope = user ? RegistrationScope::User : RegistrationScope::Machine;
    return without_exceptions(
        [&] { return install ? register_classes(scope, server) : unregister_classes(scope, server); });
}

}  // namespace corvel::com
