#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "platform/win32/forms_host/win32_host.h"
#include "ui/services/ui_environment.h"

namespace corvel::gallery {

// The host and environment the dialogs of the gallery are shown with: the Win32 host, the system's
// services, and an in-memory registry, so that showing a dialog never changes the user's settings.
struct Gallery {
    explicit Gallery(std::shared_ptr<win32::Win32Host> host);
    std::shared_ptr<win32::Win32Host> host;
    UiEnvironment environment;
};

// One dialog of the library, shown modally as its caller shows it (the tape dialog over a small
// quotes workbook); `show` returns when the person has left it.
struct Entry {
    const char* name;
    const char* what;
    std::function<void(Gallery&)> show;
    // False for a message box of the library, which is the system's window rather than a form.
    bool is_form = true;
};

const std::vector<Entry>& entries();
const Entry* find_entry(std::string_view name);

}  // namespace corvel::gallery
