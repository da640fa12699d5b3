#include "libraries/Pelorin/dialog_host.h"

#include "platform/win32/forms_host/win32_host.h"
#include "ui/services/pelorin.h"

namespace corvel::pelorin {

std::shared_ptr<forms::Host> make_dialog_host(HMODULE module) {
    auto host = std::make_shared<win32::Win32Host>(module, nullptr);
    // Message boxes shown without a title carry the library's name.
    host->set_application_title(kLibraryName);
    return host;
}

void own_dialogs(forms::Host& host, HWND owner) {
    static_cast<win32::Win32Host&>(host).set_owner(owner);
}

}  // namespace corvel::pelorin
