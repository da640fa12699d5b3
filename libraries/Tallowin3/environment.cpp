#include "libraries/Tallowin3/environment.h"

#include "platform/win32/message_pump.h"
#include "platform/win32/tws_window_control.h"
#include "platform/win32/win32_clock.h"
#include "platform/win32/win32_registry.h"

namespace corvel::tallowin {

TwsEnvironment apartment_environment() {
    // Made for each object (it is a handful of small objects) rather than kept per thread: a
    // thread-local object with a destructor would pin the DLL in memory for as long as the thread lives.
    TwsEnvironment env;
    env.create_control = [] { return win32::make_tws_window_control(); };
    env.pump = std::make_shared<win32::MessagePump>();
    env.clock = std::make_shared<win32::Win32Clock>();
    env.registry = std::make_shared<win32::Win32Registry>();
    return env;
}

}  // namespace corvel::tallowin
