#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "platform/tws_socket/codec/framing.h"

namespace corvel::tws {

// Cuts an incoming byte stream into frames. It owns the input not yet taken: bytes go in as they
// arrive (`feed`, or `prepare` and `commit` to read straight into its buffer) and `next` hands out
// one whole frame at a time, in order. A length prefix no server sends breaks the stream for good:
// the bytes after it cannot be told apart any more, so the reader reports the break from then on and
// takes no further input. No OS, no clock: the socket client and the fuzz target drive the same one.
class FrameReader {
  public:
    enum class Status {
        Frame,     // `payload` holds the next frame's payload; the frame is taken
        NeedMore,  // the input ends inside a frame, or there is none
        Broken,    // the frame announced `length` bytes: 0, or more than kMaxFrameLength
    };
    // Small enough to come back in registers: this is the per-message path.
    struct Next {
        Status status = Status::NeedMore;
        // The length the frame announced (Frame and Broken).
        std::uint32_t length = 0;
        const char* data = nullptr;
        // The frame's payload (Frame only); valid until the reader is next given bytes (or asked
        // for room).
        std::string_view payload() const noexcept {
            return status == Status::Frame ? std::string_view(data, length) : std::string_view();
        }
    };

    // Appends a copy of `bytes` to the unread input (dropped once the stream is broken).
    void feed(std::string_view bytes);
    // At least `size` bytes of room after the unread input, for a read straight into the buffer;
    // `commit` then says how many of them arrived. Frames handed out before are no longer valid.
    std::span<char> prepare(std::size_t size);
    void commit(std::size_t size) noexcept;

    // Takes the next whole frame, if there is one. Allocates nothing. Inline: it runs once per message.
    Next next() noexcept {
        if (broken_) return {Status::Broken, broken_length_, nullptr};
        const FrameView frame = peek_frame(unread());
        if (frame.status != FrameStatus::Complete) return at_end_of_input(frame);
        start_ += frame.size;
        return {Status::Frame, frame.length, frame.payload.data()};
    }

    // Unread bytes (of a frame not yet whole, after `next` said NeedMore).
    std::size_t buffered() const noexcept { return end_ - start_; }
    bool empty() const noexcept { return start_ == end_; }
    // Whether `next` would hand out a frame or report the break rather than ask for more.
    bool ready() const noexcept;
    // The length the frame at the front announced; 0 until its 4-byte prefix is in.
    std::uint32_t announced_length() const noexcept;
    bool broken() const noexcept { return broken_; }

  private:
    // What `next` says when no whole frame is at the front: more needed, or the stream is broken.
    Next at_end_of_input(const FrameView& frame) noexcept;
    std::string_view unread() const noexcept { return {buffer_.data() + start_, end_ - start_}; }

    std::vector<char> buffer_;  // unread input is buffer_[start_, end_)
    std::size_t start_ = 0;
    std::size_t end_ = 0;
    bool broken_ = false;
    std::uint32_t broken_length_ = 0;
};

}  // namespace corvel::tws
