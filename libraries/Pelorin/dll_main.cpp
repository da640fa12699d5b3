// The in-process server's entry points: they only hand over to the platform's server functions, which
// read the one table of classes below.
#include <windows.h>

#include "common/apartment_slot.h"
#include "libraries/Pelorin/dialog_host.h"
#include "libraries/Pelorin/pelorin_object.h"
#include "libraries/ui_environment/windows_environment.h"
#include "platform/com/module.h"
#include "platform/com/server.h"

namespace {

using namespace corvel;

// One environment per thread while any cPelorin of the thread lives: the objects share its error
// handler, settings store and dialog host. A process map, not a thread-local object, so the DLL can
// unload.
ApartmentSlot<pelorin::SharedEnvironment> g_environment;

win32::com_ptr<IUnknown> create_pelorin() {
    auto shared = g_environment.acquire(nullptr, [] {
        auto made = std::make_shared<pelorin::SharedEnvironment>();
        made->environment = pelorin::windows_environment(pelorin::make_dialog_host(com::module()));
        made->own_dialogs = pelorin::own_dialogs;
        return made;
    });
    return win32::com_ptr<_cPelorin>(com::make_object<pelorin::PelorinObject>(std::move(shared)));
}

constexpr com::ServerClass kClasses[] = {
    {CLSID_cPelorin, L"Pelorin.cPelorin", create_pelorin},
};

constexpr com::Server kServer{"Pelorin", LIBID_Pelorin, kClasses};

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        com::attach_server(kServer, instance);
        ::DisableThreadLibraryCalls(instance);
    }
    return TRUE;
}

extern "C" HRESULT WINAPI DllGetClassObject(REFCLSID clsid, REFIID iid, void** out) {
    return com::get_class_object(kServer, clsid, iid, out);
}

extern "C" HRESULT WINAPI DllCanUnloadNow() {
    return com::can_unload_now();
}

extern "C" HRESULT WINAPI DllRegisterServer() {
    return com::register_server(kServer);
}

extern "C" HRESULT WINAPI DllUnregisterServer() {
    return com::unregister_server(kServer);
}

// regsvr32 /i:user (or /n /i:user) registers for the current user only, without administrator rights.
extern "C" HRESULT WINAPI DllInstall(BOOL install, LPCWSTR command_line) {
    return com::install_server(kServer, install, command_line);
}
