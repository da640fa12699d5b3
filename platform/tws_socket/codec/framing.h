#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace corvel::tws {

// What the start of a byte stream holds.
enum class FrameStatus {
    Complete,    // a whole frame: `payload` and `size` are set
    Incomplete,  // more bytes are needed (a partial length prefix or a partial payload)
    BadLength,   // the length prefix is 0 or above kMaxFrameLength: the stream is out of step
};

struct FrameView {
    FrameStatus status = FrameStatus::Incomplete;
    std::uint32_t length = 0;  // the payload length from the prefix, once four bytes are there
    std::string_view payload;
    std::size_t size = 0;  // prefix plus payload
};

// Looks at the first frame of `buffer`. Pure: no state, no allocation.
FrameView peek_frame(std::string_view buffer) noexcept;

}  // namespace corvel::tws
