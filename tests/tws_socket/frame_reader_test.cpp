// The frame reader: whatever pieces the stream arrives in, the same frames come out in order; a
// length no server sends breaks the stream for good.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/tws_socket/codec/frame_reader.h"
#include "platform/tws_socket/codec/wire.h"
#include "tests/support/wire_text.h"

namespace corvel::tws {
namespace {

using fakes::fields;
using fakes::frame;
using fakes::framed;
using Status = FrameReader::Status;

// Every frame `next` hands out until it asks for more (or reports a break).
std::vector<std::string> take_all(FrameReader& reader) {
    std::vector<std::string> out;
    for (FrameReader::Next n = reader.next(); n.status == Status::Frame; n = reader.next())
        out.emplace_back(n.payload());
    return out;
}

// Three small frames around one larger than a read chunk, so the buffer grows and moves.
struct Stream {
    std::vector<std::string> payloads = {
        fields({"9", "1", "42"}), fields({"1", "6", "5", "1", "182.35", "300", "1"}),
        fields({"4", "2", "-1", "2104", std::string(70000, 'x'), ""}), fields({"2", "6", "5", "0", "300"})};
    std::string bytes;
    Stream() {
        for (const auto& p : payloads)
            bytes += framed(p);
    }
};

TEST(FrameReader, AnyCutOfTheStreamGivesTheSameFramesInOrder) {
    const Stream s;
    for (const std::size_t piece : {std::size_t{1}, std::size_t{3}, std::size_t{4}, std::size_t{5},
                                    std::size_t{4096}, std::size_t{65536}, s.bytes.size()}) {
        SCOPED_TRACE(piece);
        FrameReader reader;
        std::vector<std::string> got;
        for (std::size_t at = 0; at < s.bytes.size(); at += piece) {
            reader.feed(std::string_view(s.bytes).substr(at, piece));
            for (auto& p : take_all(reader))
                got.push_back(std::move(p));
        }
        EXPECT_EQ(got, s.payloads);
        EXPECT_TRUE(reader.empty());
        EXPECT_EQ(reader.next().status, Status::NeedMore);
    }
}

TEST(FrameReader, ReadsStraightIntoItsBufferKeepWhatIsUnread) {
    // As the socket client reads: room for a chunk, a read that fills part of it, frames taken.
    const Stream s;
    FrameReader reader;
    std::vector<std::string> got;
    std::size_t at = 0;
    while (at < s.bytes.size()) {
        const std::span<char> room = reader.prepare(1000);
        ASSERT_GE(room.size(), 1000U);
        const std::size_t n = std::min<std::size_t>(777, s.bytes.size() - at);
        std::memcpy(room.data(), s.bytes.data() + at, n);
        reader.commit(n);
        at += n;
        for (auto& p : take_all(reader))
            got.push_back(std::move(p));
    }
    EXPECT_EQ(got, s.payloads);
}

TEST(FrameReader, TellsWhatIsBufferedOfAFrameNotYetWhole) {
    const std::string whole = frame({"1", "6", "5", "4", "99.5", "7", "0"});
    FrameReader reader;
    reader.feed(std::string_view(whole).substr(0, 3));
    EXPECT_FALSE(reader.ready());
    EXPECT_EQ(reader.buffered(), 3U);
    EXPECT_EQ(reader.announced_length(), 0U);  // the prefix is not in yet
    reader.feed(std::string_view(whole).substr(3, 6));
    EXPECT_EQ(reader.next().status, Status::NeedMore);
    EXPECT_EQ(reader.buffered(), 9U);  // asking took nothing
    EXPECT_EQ(reader.announced_length(), whole.size() - 4);
    reader.feed(std::string_view(whole).substr(9));
    EXPECT_TRUE(reader.ready());
    const FrameReader::Next n = reader.next();
    ASSERT_EQ(n.status, Status::Frame);
    EXPECT_EQ(n.length, whole.size() - 4);
    EXPECT_EQ(n.payload(), std::string_view(whole).substr(4));
    EXPECT_TRUE(reader.empty());
}

TEST(FrameReader, ABadLengthBreaksTheStreamForGood) {
    for (const std::string& bad : {std::string(4, '\0'), std::string("\x01\x00\x00\x00", 4)}) {
        FrameReader reader;
        // Frames before the bad length still come out; the bytes after it are never read as frames.
        reader.feed(frame({"9", "1", "1"}) + bad + frame({"9", "1", "2"}));
        ASSERT_EQ(take_all(reader), (std::vector<std::string>{fields({"9", "1", "1"})}));
        const std::uint32_t announced = bad[0] == '\x01' ? kMaxFrameLength + 1 : 0;
        for (int i = 0; i < 2; ++i) {
            const FrameReader::Next n = reader.next();
            EXPECT_EQ(n.status, Status::Broken);
            EXPECT_EQ(n.length, announced);
        }
        EXPECT_TRUE(reader.broken());
        EXPECT_TRUE(reader.ready());
        reader.feed(frame({"9", "1", "3"}));
        EXPECT_EQ(reader.next().status, Status::Broken);
        EXPECT_EQ(reader.buffered(), 0U);
    }
    // The largest length a server sends is no break: it waits for its bytes.
    FrameReader reader;
    reader.feed(std::string("\x00\xFF\xFF\xFF", 4));
    EXPECT_EQ(reader.next().status, Status::NeedMore);
    EXPECT_FALSE(reader.broken());
}

TEST(FrameReader, TheBufferShrinksBackAfterAHugeFrame) {
    FrameReader reader;
    reader.feed(framed(fields({"4", "2", "-1", "2104", std::string(3 << 20, 'x'), ""})));
    ASSERT_EQ(take_all(reader).size(), 1U);
    // Once the huge frame is taken, the room offered is what is asked for, not megabytes held on to.
    EXPECT_EQ(reader.prepare(65536).size(), 65536U);
}

}  // namespace
}  // namespace corvel::tws
