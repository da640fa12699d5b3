// Fuzz target of the frame reader and the wire decoder, as the socket client drives them: any bytes,
// read as a stream of frames from a server of any version, must decode or be refused without reading
// outside the input, and the same frames must come out whatever pieces the stream arrives in.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <variant>

#include "platform/tws_socket/codec/decoder.h"
#include "platform/tws_socket/codec/field_codec.h"
#include "platform/tws_socket/codec/frame_reader.h"
#include "platform/tws_socket/codec/wire.h"

namespace {

using corvel::tws::FrameReader;

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

// What a reading of the stream saw: every frame's bytes and where it ended, and how the stream ended.
struct Digest {
    std::uint64_t hash = 14695981039346656037u;
    void add(std::string_view bytes) {
        for (const char c : bytes)
            hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211u;
        hash = (hash ^ bytes.size()) * 1099511628211u;
    }
};

// Feeds `stream` to a frame reader `piece` bytes at a time and decodes what it hands out: a
// handshake reply first, then messages, as the client does.
std::uint64_t read_stream(std::string_view stream, std::size_t piece, int version) {
    FrameReader reader;
    Digest digest;
    bool first = true;
    for (std::size_t at = 0; at < stream.size() && !reader.broken(); at += piece) {
        reader.feed(stream.substr(at, piece));
        for (FrameReader::Next next = reader.next(); next.status == FrameReader::Status::Frame;
             next = reader.next()) {
            digest.add(next.payload());
            if (first) {
                const corvel::tws::HandshakeReply reply = corvel::tws::decode_handshake_reply(next.payload());
                g_sink = g_sink + reply.connection_time.size();
                first = false;
            } else {
                decode_payload(next.payload(), version);
            }
        }
    }
    digest.add(reader.broken() ? "broken" : "open");
    digest.add(std::to_string(reader.buffered()));
    return digest.hash;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    // The first byte picks the server version the stream is read for, and the pieces it arrives in.
    const int version = 100 + data[0] % (corvel::tws::kHighestTextVersion - 99);
    const std::size_t piece = 1 + (data[0] >> 5);
    std::string_view stream(reinterpret_cast<const char*>(data) + 1, size - 1);

    // The bytes as one payload, as if a frame held all of them.
    decode_payload(stream, version);

    // The bytes as a stream, all at once and in small pieces: the same frames either way.
    if (stream.empty()) return 0;
    if (read_stream(stream, stream.size(), version) != read_stream(stream, piece, version)) std::abort();
    return 0;
}
