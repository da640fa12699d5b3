// The in-process server's entry points: they only hand over to the platform's server functions, which
// read the one table of classes below.
#include <windows.h>

#include "libraries/Tallowin3/objects.h"
#include "libraries/Tallowin3/rtd_object.h"
#include "market_data/record_pool.h"
#include "platform/com/server.h"

namespace {

using namespace corvel;

// Every class of the library: what registration writes, what the factories make and what keeps the
// library loaded, in registration order.
constexpr com::ServerClass kClasses[] = {
    {CLSID_cTWSData, L"Tallowin3.cTWSData", tallowin::create_tws_data},
    {CLSID_cTWSDatas, L"Tallowin3.cTWSDatas", tallowin::create_tws_datas},
    {CLSID_cTWS, L"Tallowin3.cTWS", tallowin::create_tws},
    {CLSID_cDownload, L"Tallowin3.cDownload", tallowin::create_download},
    {CLSID_cTWSUtils, L"Tallowin3.cTWSUtils", tallowin::create_tws_utils},
    {CLSID_TallowinRTD, L"Tallowin3.RTD", tallowin::create_rtd},
};

constexpr com::Server kServer{"Tallowin3", LIBID_Tallowin, kClasses};

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    if (reason == DLL_PROCESS_ATTACH) {
        com::attach_server(kServer, instance);
        ::DisableThreadLibraryCalls(instance);
    } else if (reason == DLL_PROCESS_DETACH && reserved == nullptr) {
        // Unloaded while the process goes on (nothing of ours is alive, or it would not be): give
        // the record memory back. At process exit the system takes everything anyway.
        record_pool::shutdown();
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
