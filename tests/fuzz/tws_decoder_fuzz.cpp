// Fuzz target of the wire decoder: any bytes, read as a stream of frames from a server of any
// version, must decode or be refused without reading outside the input.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <variant>

#include "platform/tws_socket/codec/decoder.h"
#include "platform/tws_socket/codec/field_codec.h"
#include "platform/tws_socket/codec/framing.h"
#include "platform/tws_socket/codec/wire.h"

namespace {

// Keeps the optimiser from dropping work whose result nobody reads.
volatile std::size_t g_sink;

void decode_payload(std::string_view payload, int version) {
    const corvel::tws::Message m = corvel::tws::decode_message(payload, version);
    if (const auto* e = std::get_if<corvel::tws::ErrorMessage>(&m)) {
        g_sink = g_sink + corvel::tws::decode_error_text(e->text, version).size();
    } else if (const auto* bad = std::get_if<corvel::tws::Malformed>(&m)) {
        g_sink = g_sink + bad->raw.size();
    }
    g_sink = g_sink + m.index();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    // The first byte picks the server version the stream is read for.
    const int version = 100 + data[0] % (corvel::tws::kHighestTextVersion - 99);
    std::string_view stream(reinterpret_cast<const char*>(data) + 1, size - 1);

    // The bytes as one payload, as if a frame held all of them.
    decode_payload(stream, version);

    // The bytes as a stream: a handshake reply first, then messages, as the client reads them.
    bool first = true;
    while (!stream.empty()) {
        const corvel::tws::FrameView frame = corvel::tws::peek_frame(stream);
        if (frame.status != corvel::tws::FrameStatus::Complete) break;
        if (first) {
            const corvel::tws::HandshakeReply reply = corvel::tws::decode_handshake_reply(frame.payload);
            g_sink = g_sink + reply.connection_time.size();
            first = false;
        } else {
            decode_payload(frame.payload, version);
        }
        stream.remove_prefix(frame.size);
    }
    return 0;
}
