#include "platform/win32/tws_window_control.h"

#include "platform/tws_socket/tws_socket_client.h"
#include "platform/win32/window_reactor.h"

namespace corvel::win32 {

std::unique_ptr<TwsControl> make_tws_window_control() {
    return std::make_unique<TwsSocketClient>(WindowReactor::create());
}

}  // namespace corvel::win32
