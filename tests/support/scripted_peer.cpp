#include "tests/support/scripted_peer.h"

#include <stdexcept>

#include "platform/tws_socket/codec/field_codec.h"
#include "tests/support/wire_text.h"

namespace corvel::fakes {

namespace {
constexpr auto kStepTimeout = std::chrono::seconds(10);
SteadyTime deadline() {
    return std::chrono::steady_clock::now() + kStepTimeout;
}
}  // namespace

void PeerConnection::fill(std::size_t count) {
    const SteadyTime until = deadline();
    while (buffer_.size() < count) {
        std::string error;
        if (net::wait_ready(socket_.get(), false, until, error) != net::WaitResult::Ready) {
            throw std::runtime_error("peer: nothing from the client in time");
        }
        char chunk[4096];
        const net::IoResult r = net::recv_some(socket_.get(), chunk, sizeof chunk);
        if (r.status == net::IoStatus::Done) buffer_.append(chunk, r.bytes);
        if (r.status == net::IoStatus::Closed || r.status == net::IoStatus::Failed) {
            throw std::runtime_error("peer: the client closed the connection");
        }
    }
}

std::string PeerConnection::read_offer() {
    fill(4);
    if (buffer_.compare(0, 4, std::string("API\0", 4)) != 0) throw std::runtime_error("peer: no API prefix");
    buffer_.erase(0, 4);
    return read_payload();
}

std::string PeerConnection::read_payload() {
    fill(4);
    const std::uint32_t length = tws::get_length(buffer_.data());
    fill(4 + length);
    std::string payload = buffer_.substr(4, length);
    buffer_.erase(0, 4 + length);
    return payload;
}

void PeerConnection::send(std::string_view bytes) {
    const SteadyTime until = deadline();
    while (!bytes.empty()) {
        const net::IoResult r = net::send_some(socket_.get(), bytes.data(), bytes.size());
        if (r.status == net::IoStatus::Done) {
            bytes.remove_prefix(r.bytes);
            continue;
        }
        std::string error;
        if (r.status != net::IoStatus::WouldBlock ||
            net::wait_ready(socket_.get(), true, until, error) != net::WaitResult::Ready) {
            throw std::runtime_error("peer: cannot send");
        }
    }
}

void PeerConnection::send_bytewise(std::string_view bytes) {
    for (const char c : bytes) {
        send(std::string_view(&c, 1));
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
}

void PeerConnection::handshake(int version) {
    read_offer();
    send(frame({std::to_string(version), "20261208 10:00:00 UTC"}));
    read_payload();  // start-API
    send(frame({"15", "1", "DU1234567"}));
    send(frame({"9", "1", "1"}));
}

bool PeerConnection::wait_closed(std::chrono::milliseconds timeout) {
    const SteadyTime until = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        std::string error;
        if (net::wait_ready(socket_.get(), false, until, error) != net::WaitResult::Ready) return false;
        char chunk[4096];
        const net::IoResult r = net::recv_some(socket_.get(), chunk, sizeof chunk);
        if (r.status == net::IoStatus::Closed || r.status == net::IoStatus::Failed) return true;
        if (r.status == net::IoStatus::Done) buffer_.append(chunk, r.bytes);
    }
}

ScriptedPeer::ScriptedPeer(std::function<void(PeerConnection&)> script) {
    std::string error;
    listener_ = net::listen_tcp("127.0.0.1", 0, error);
    if (!listener_) throw std::runtime_error("peer: cannot listen: " + error);
    port_ = net::local_port(listener_.get());
    thread_ = std::thread([this, script = std::move(script)] {
        try {
            std::string wait_error;
            if (net::wait_ready(listener_.get(), false, deadline(), wait_error) != net::WaitResult::Ready) {
                throw std::runtime_error("peer: no client came");
            }
            std::string accept_error;
            net::Socket s = net::accept_connection(listener_.get(), accept_error);
            if (!s) throw std::runtime_error("peer: accept failed: " + accept_error);
            PeerConnection connection(std::move(s));
            script(connection);
        } catch (const std::exception& e) {
            const std::lock_guard<std::mutex> lock(mutex_);
            failure_ = e.what();
        }
    });
}

ScriptedPeer::~ScriptedPeer() {
    finish();
}

std::string ScriptedPeer::finish() {
    if (thread_.joinable()) thread_.join();
    const std::lock_guard<std::mutex> lock(mutex_);
    return failure_;
}

}  // namespace corvel::fakes
