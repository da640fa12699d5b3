#include "platform/tws_socket/codec/frame_reader.h"

#include <cstring>

#include "platform/tws_socket/codec/field_codec.h"

namespace corvel::tws {

namespace {
// After a huge frame the buffer goes back to the size it is usually asked for.
constexpr std::size_t kKeptCapacity = 1024 * 1024;
}  // namespace

std::span<char> FrameReader::prepare(std::size_t size) {
    if (start_ == end_) {
        start_ = end_ = 0;
        if (buffer_.size() > kKeptCapacity) std::vector<char>(size).swap(buffer_);
    }
    if (buffer_.size() - end_ < size) {
        if (start_ > 0) {
            std::memmove(buffer_.data(), buffer_.data() + start_, end_ - start_);
            end_ -= start_;
            start_ = 0;
        }
        if (buffer_.size() - end_ < size) buffer_.resize(end_ + size);
    }
    return {buffer_.data() + end_, buffer_.size() - end_};
}

void FrameReader::commit(std::size_t size) noexcept {
    if (!broken_) end_ += size;
}

void FrameReader::feed(std::string_view bytes) {
    if (broken_ || bytes.empty()) return;
    const std::span<char> room = prepare(bytes.size());
    std::memcpy(room.data(), bytes.data(), bytes.size());
    commit(bytes.size());
}

FrameReader::Next FrameReader::at_end_of_input(const FrameView& frame) noexcept {
    if (frame.status == FrameStatus::Incomplete) return {Status::NeedMore, frame.length, nullptr};
    broken_ = true;
    broken_length_ = frame.length;
    start_ = end_ = 0;
    return {Status::Broken, broken_length_, nullptr};
}

bool FrameReader::ready() const noexcept {
    return broken_ || peek_frame(unread()).status != FrameStatus::Incomplete;
}

std::uint32_t FrameReader::announced_length() const noexcept {
    return buffered() < 4 ? 0 : get_length(buffer_.data() + start_);
}

}  // namespace corvel::tws
