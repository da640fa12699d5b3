#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace corvel {

// The text of a record key or NameID in eight bytes. Tick intake makes a key per tick ("a" and a running
// number) and condensing makes short keys ("d5_1_1"), so the common shapes are held without any heap
// allocation:
//   - a letter followed by a canonical decimal number up to 2^32-1 ("a0", "a2147483640"): the letter and
//     the number;
//   - any other text of up to seven bytes: the bytes themselves;
//   - longer texts: a pointer to a heap copy.
// Every text has exactly one form, so two keys are equal exactly when their texts are.
class RecordKey {
  public:
    RecordKey() noexcept = default;
    RecordKey(std::string_view text);  // NOLINT: a key reads naturally where text is expected
    RecordKey(const char* text) : RecordKey(std::string_view(text)) {}
    RecordKey(const std::string& text) : RecordKey(std::string_view(text)) {}
    RecordKey(const RecordKey& other) : bits_(other.bits_) {
        if (other.is_heap()) copy_heap(other);
    }
    RecordKey(RecordKey&& other) noexcept : bits_(other.bits_) { other.bits_ = 0; }
    RecordKey& operator=(const RecordKey& other) {
        if (this != &other) {
            if (is_heap() || other.is_heap()) {
                RecordKey copy(other);
                *this = std::move(copy);
            } else {
                bits_ = other.bits_;
            }
        }
        return *this;
    }
    RecordKey& operator=(RecordKey&& other) noexcept {
        if (this != &other) {
            if (is_heap()) free_heap();
            bits_ = other.bits_;
            other.bits_ = 0;
        }
        return *this;
    }
    ~RecordKey() {
        if (is_heap()) free_heap();
    }

    static RecordKey numbered(char letter, std::uint32_t number) noexcept {
        RecordKey k;
        k.bits_ = kNumberTag | (static_cast<std::uint64_t>(static_cast<unsigned char>(letter)) << 8) |
                  (static_cast<std::uint64_t>(number) << 32);
        return k;
    }

    bool empty() const noexcept { return bits_ == 0; }
    std::size_t size() const noexcept;
    std::string str() const;
    operator std::string() const { return str(); }  // NOLINT: NameID reads as text
    // Writes the text into `out` (at least 16 bytes for the short forms) and returns its view; long
    // texts return a view of their heap copy.
    std::string_view view(char (&buffer)[16]) const noexcept;

    // The key with ASCII letters folded to lower case: collections look keys up without regard to case.
    RecordKey folded() const {
        if (is_number()) {
            const auto letter = static_cast<unsigned char>(bits_ >> 8);
            if (letter < 'A' || letter > 'Z') return *this;
        }
        return folded_slow();
    }
    // A hash that keeps consecutive numbers in consecutive buckets (tick keys are inserted in order);
    // other texts are mixed.
    std::uint64_t hash() const noexcept {
        if (is_number()) return (bits_ >> 32) ^ (((bits_ >> 8) & 0xFF) << 40);
        return hash_slow();
    }
    bool is_number() const noexcept { return (bits_ & kTagMask) == kNumberTag; }

    friend bool operator==(const RecordKey& a, const RecordKey& b) noexcept {
        return a.bits_ == b.bits_ || (a.is_heap() && b.is_heap() && heap_equal(a, b));
    }
    friend bool operator==(const RecordKey& a, std::string_view b) noexcept;

  private:
    static constexpr std::uint64_t kTagMask = 3;
    static constexpr std::uint64_t kNumberTag = 1;
    static constexpr std::uint64_t kInlineTag = 2;

    struct Heap {
        std::uint32_t size;
        char data[1];
    };

    bool is_heap() const noexcept { return bits_ != 0 && (bits_ & kTagMask) == 0; }
    const Heap* heap() const noexcept {
        return reinterpret_cast<const Heap*>(static_cast<std::uintptr_t>(bits_));
    }
    void set_heap(std::string_view text);
    void copy_heap(const RecordKey& other);
    void free_heap() noexcept;
    RecordKey folded_slow() const;
    std::uint64_t hash_slow() const noexcept;
    static bool heap_equal(const RecordKey& a, const RecordKey& b) noexcept;

    std::uint64_t bits_ = 0;
};

}  // namespace corvel
