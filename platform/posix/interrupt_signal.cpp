#include "platform/posix/interrupt_signal.h"

#include <sys/socket.h>

#include <stdexcept>

namespace corvel {

namespace {

volatile std::sig_atomic_t g_raised = 0;
volatile std::sig_atomic_t g_write_fd = -1;

extern "C" void on_interrupt(int signal) {
    g_raised = signal;
    const int fd = g_write_fd;
    if (fd >= 0) {
        const char byte = 1;
        (void)::send(fd, &byte, 1, MSG_DONTWAIT | MSG_NOSIGNAL);  // async-signal-safe
    }
}

}  // namespace

InterruptSignal::InterruptSignal() {
    std::string error;
    if (!net::socket_pair(read_, write_, error))
        throw std::runtime_error("cannot watch for Ctrl-C: " + error);
    g_raised = 0;
    g_write_fd = static_cast<int>(write_.get());
    struct sigaction action {};
    action.sa_handler = on_interrupt;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, &old_int_);
    sigaction(SIGTERM, &action, &old_term_);
}

InterruptSignal::~InterruptSignal() {
    sigaction(SIGINT, &old_int_, nullptr);
    sigaction(SIGTERM, &old_term_, nullptr);
    g_write_fd = -1;
}

int InterruptSignal::raised() const noexcept {
    return g_raised;
}

}  // namespace corvel
