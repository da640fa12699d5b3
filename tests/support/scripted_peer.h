#pragma once

#include <chrono>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

#include "platform/tws_socket/socket.h"

namespace corvel::fakes {

// The server end of one TWS connection, driven step by step by a test's script.
class PeerConnection {
  public:
    explicit PeerConnection(net::Socket socket) : socket_(std::move(socket)) {}

    // Reads "API\0" and the version offer; returns the offer ("v157..178").
    std::string read_offer();
    // The payload of the next frame.
    std::string read_payload();
    void send(std::string_view bytes);
    // Sends bytes one at a time, each on its own.
    void send_bytewise(std::string_view bytes);
    // The usual opening: offer, reply with `version`, start-API, accounts and next valid id.
    void handshake(int version = 178);
    // True once the client has closed its end (within `timeout`).
    bool wait_closed(std::chrono::milliseconds timeout);
    void close() { socket_.reset(); }

  private:
    void fill(std::size_t count);

    net::Socket socket_;
    std::string buffer_;
};

// A loopback listener that runs a script on its own thread for the first connection it accepts. Any
// failure of the script (a timeout, a closed connection) is kept for the test to check.
class ScriptedPeer {
  public:
    explicit ScriptedPeer(std::function<void(PeerConnection&)> script);
    ~ScriptedPeer();

    int port() const noexcept { return port_; }
    // Waits for the script to end; returns its failure, empty when it ran through.
    std::string finish();

  private:
    net::Socket listener_;
    int port_ = 0;
    std::thread thread_;
    std::mutex mutex_;
    std::string failure_;
};

}  // namespace corvel::fakes
