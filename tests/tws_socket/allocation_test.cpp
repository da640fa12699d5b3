// What the decoder and the frame reader promise about memory: decoding a payload and taking frames
// allocate nothing, so the input path costs no allocation per message. A program of its own, because
// it counts through a replaced global operator new.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <new>
#include <string>
#include <vector>

#include "platform/tws_socket/codec/decoder.h"
#include "platform/tws_socket/codec/frame_reader.h"
#include "tests/support/wire_text.h"

namespace {
std::atomic<long> g_allocations{0};
}  // namespace

// Out of line, all of them: inlined, the malloc() and free() inside look like a mismatch with the
// new-expressions and delete-expressions beside them.
[[gnu::noinline]] void* operator new(std::size_t size) {
    ++g_allocations;
    if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
    throw std::bad_alloc();
}
[[gnu::noinline]] void* operator new[](std::size_t size) {
    return ::operator new(size);
}
[[gnu::noinline]] void operator delete(void* p) noexcept {
    std::free(p);
}
[[gnu::noinline]] void operator delete[](void* p) noexcept {
    std::free(p);
}
[[gnu::noinline]] void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}
[[gnu::noinline]] void operator delete[](void* p, std::size_t) noexcept {
    std::free(p);
}

namespace corvel::tws {
namespace {

using fakes::fields;
using fakes::frame;

// Allocations made while `body` runs.
template <class Body>
long allocations_in(Body&& body) {
    const long before = g_allocations.load();
    body();
    return g_allocations.load() - before;
}

TEST(NoAllocation, DecodingMessagesAndTheHandshakeReply) {
    const std::vector<std::string> payloads = {
        fields({"1", "6", "1001", "1", "182.35", "300", "3"}),
        fields({"1", "6", "5", "4", "", "2147483647", "0"}),
        fields({"2", "6", "5", "0", "0.0125"}),
        fields({"4", "2", "-1", "2104", "Market data farm connection is OK:usfarm", ""}),
        fields({"9", "1", "42"}),
        fields({"15", "1", "DU1234567,DU7654321"}),
        fields({"46", "6", "5", "45", "1714058634"}),
        fields({"21", "6", "5", "13", "0", "0.25", "0.5", "1.5", "0", "0.1", "0.2", "0.3", "180", ""}),
        fields({"1", "6", "5", "4", "12.3x4", "7", "0"}),  // malformed
        fields({"999", "1", "anything"}),                  // unknown
    };
    const std::string reply = fields({"178", "20261208 10:00:00 EST"});
    std::size_t seen = 0;
    EXPECT_EQ(allocations_in([&] {
                  for (const auto& p : payloads)
                      seen += decode_message(p, 178).index();
                  seen += static_cast<std::size_t>(decode_handshake_reply(reply).server_version);
              }),
              0);
    EXPECT_GT(seen, 0U);
}

TEST(NoAllocation, TakingFramesFromAReaderOfUsualSize) {
    std::string stream;
    while (stream.size() < 1 << 20) {
        stream += frame({"1", "6", "5", "1", "182.35", "300", "1"});
        stream += frame({"2", "6", "5", "0", "300"});
    }
    // Read as the client reads, in chunks that leave part of a frame behind each time.
    constexpr std::size_t kChunk = 64 * 1024 - 7;
    FrameReader reader;
    std::size_t frames = 0;
    const auto read_from = [&](std::size_t from, std::size_t to) {
        for (std::size_t at = from; at < to; at += kChunk) {
            reader.feed(std::string_view(stream).substr(at, std::min(kChunk, to - at)));
            while (reader.next().status == FrameReader::Status::Frame)
                ++frames;
        }
    };
    // The first chunks size the buffer, as at the start of a connection.
    read_from(0, 2 * kChunk);
    EXPECT_EQ(allocations_in([&] { read_from(2 * kChunk, stream.size()); }), 0);
    EXPECT_GT(frames, 20000U);
    EXPECT_TRUE(reader.empty());
}

}  // namespace
}  // namespace corvel::tws
