#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// The field layer of the TWS protocol: a payload is a run of NUL-terminated text fields. Reading never
// copies and never looks past the payload; writing appends straight into the caller's buffer.
namespace corvel::tws {

// Walks the fields of one payload.
class FieldCursor {
  public:
    explicit FieldCursor(std::string_view payload) noexcept
        : p_(payload.data()), end_(payload.data() + payload.size()) {}

    // The next field without its NUL; false when no complete field is left (a trailing run of bytes
    // without a NUL is not a field).
    bool next(std::string_view& field) noexcept;
    // How many fields have been read.
    int index() const noexcept { return index_; }
    // Bytes not yet read; every field left takes at least one (its NUL).
    std::size_t remaining() const noexcept { return static_cast<std::size_t>(end_ - p_); }

  private:
    const char* p_;
    const char* end_;
    int index_ = 0;
};

// Outcome of reading a value that the protocol allows to be "unset".
enum class FieldValue { Set, Unset, Bad };

// Plain decimal integers: an optional '-' and digits, nothing else, within the type's range.
bool parse_int32(std::string_view text, std::int32_t& out) noexcept;
bool parse_int64(std::string_view text, std::int64_t& out) noexcept;
// An integer that may be unset: empty or 2147483647.
FieldValue parse_optional_int32(std::string_view text, std::int32_t& out) noexcept;
// A double in any spelling TWS uses (fixed, exponent, "Infinity"), read the same in every locale.
// Empty and 1.7976931348623157E308 (the largest double) mean unset.
FieldValue parse_double(std::string_view text, double& out) noexcept;
// A size: a double, where the integer unset spellings 2147483647 and 9223372036854775807 also mean
// unset (older servers send sizes as integers).
FieldValue parse_decimal(std::string_view text, double& out) noexcept;

// Whether text may go into an outgoing field: printable ASCII only, which also keeps a NUL from
// splitting one field into two.
bool is_printable_ascii(std::string_view text) noexcept;

// Builds one frame at the end of `out`: a 4-byte big-endian length, then the fields. Text that is
// not printable ASCII is written as an empty field and remembered, so the caller can refuse the
// frame as a whole.
class FrameBuilder {
  public:
    explicit FrameBuilder(std::string& out);

    FrameBuilder& text(std::string_view value);
    FrameBuilder& integer(std::int64_t value);
    FrameBuilder& number(double value);
    FrameBuilder& flag(bool value);
    FrameBuilder& empty();
    // Appends bytes as one field without checking them; for the peer side, whose texts are its own.
    FrameBuilder& raw(std::string_view value);

    // Writes the length; the frame is complete afterwards. Returns its size with the prefix.
    std::size_t finish();

    // The index of the first field whose text was refused, or -1.
    int refused_field() const noexcept { return refused_field_; }

  private:
    std::string& out_;
    std::size_t start_;
    int fields_ = 0;
    int refused_field_ = -1;
};

// Writes a 32-bit big-endian length.
void put_length(char* at, std::uint32_t length) noexcept;
std::uint32_t get_length(const char* at) noexcept;

}  // namespace corvel::tws
