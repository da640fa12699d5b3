// The in-process server's entry points: they only hand over to the class factories and to the
// platform's registration.
#include <windows.h>
#include <olectl.h>

#include <cwchar>

#include "libraries/Tallowin3/objects.h"
#include "market_data/record_pool.h"
#include "platform/com/class_factory.h"
#include "platform/com/module.h"
#include "platform/com/registration.h"

namespace {

using namespace corvel;

const std::vector<com::ClassEntry>& classes() {
    static const std::vector<com::ClassEntry> entries = {
        {CLSID_cTWSData, L"Tallowin3.cTWSData"},   {CLSID_cTWSDatas, L"Tallowin3.cTWSDatas"},
        {CLSID_cTWS, L"Tallowin3.cTWS"},           {CLSID_cDownload, L"Tallowin3.cDownload"},
        {CLSID_cTWSUtils, L"Tallowin3.cTWSUtils"},
    };
    return entries;
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    if (reason == DLL_PROCESS_ATTACH) {
        com::set_module(instance);
        com::set_library_name("Tallowin3");
        ::DisableThreadLibraryCalls(instance);
    } else if (reason == DLL_PROCESS_DETACH && reserved == nullptr) {
        // Unloaded while the process goes on (nothing of ours is alive, or it would not be): give
        // the record memory back. At process exit the system takes everything anyway.
        record_pool::shutdown();
    }
    return TRUE;
}

extern "C" HRESULT WINAPI DllGetClassObject(REFCLSID clsid, REFIID iid, void** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (IsEqualCLSID(clsid, CLSID_cTWS)) return com::get_class_object<tallowin::create_tws>(iid, out);
    if (IsEqualCLSID(clsid, CLSID_cDownload)) return com::get_class_object<tallowin::create_download>(iid, out);
    if (IsEqualCLSID(clsid, CLSID_cTWSData)) return com::get_class_object<tallowin::create_tws_data>(iid, out);
    if (IsEqualCLSID(clsid, CLSID_cTWSDatas)) return com::get_class_object<tallowin::create_tws_datas>(iid, out);
    if (IsEqualCLSID(clsid, CLSID_cTWSUtils)) return com::get_class_object<tallowin::create_tws_utils>(iid, out);
    return CLASS_E_CLASSNOTAVAILABLE;
}

extern "C" HRESULT WINAPI DllCanUnloadNow() { return com::can_unload() ? S_OK : S_FALSE; }

extern "C" HRESULT WINAPI DllRegisterServer() {
    return com::register_server(com::RegistrationScope::Machine, classes(), LIBID_Tallowin);
}

extern "C" HRESULT WINAPI DllUnregisterServer() {
    return com::unregister_server(com::RegistrationScope::Machine, classes(), LIBID_Tallowin);
}

// regsvr32 /i:user (or /n /i:user) registers for the current user only, without administrator rights.
extern "C" HRESULT WINAPI DllInstall(BOOL install, LPCWSTR command_line) {
    const bool user = command_line && _wcsicmp(command_line, L"user") == 0;
    const auto scope = user ? com::RegistrationScope::User : com::RegistrationScope::Machine;
    return install ? com::register_server(scope, classes(), LIBID_Tallowin)
                   : com::unregister_server(scope, classes(), LIBID_Tallowin);
}
