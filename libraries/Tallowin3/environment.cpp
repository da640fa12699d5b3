#include "libraries/Tallowin3/environment.h"

#include "platform/win32/message_pump.h"
#include "platform/win32/tws_window_control.h"
#include "platform/win32/win32_clock.h"
#include "platform/win32/win32_registry.h"

namespace corvel::tallowin {

const TwsEnvironment& apartment_environment() {
    thread_local const TwsEnvironment environment = [] {
        TwsEnvironment env;
        env.create_control = [] { return win32::make_tws_window_control(); };
        env.pump = std::make_shared<win32::MessagePump>();
        env.clock = std::make_shared<win32::Win32Clock>();
        env.registry = std::make_shared<win32::Win32Registry>();
        return env;
    }();
    return environment;
}

}  // namespace corvel::tallowin
