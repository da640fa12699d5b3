#include "market_data/record_key.h"

#include <charconv>
#include <new>

namespace corvel {

namespace {

bool is_letter(char c) noexcept {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
char fold(char c) noexcept {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

std::uint64_t mix(std::uint64_t x) noexcept {
    x ^= x >> 33;
    x *= 0xff51afd7ed558ccdULL;
    x ^= x >> 33;
    x *= 0xc4ceb9fe1a85ec53ULL;
    x ^= x >> 33;
    return x;
}

// "a123" and friends: a letter, then digits without a leading zero, within 32 bits.
bool parse_numbered(std::string_view text, char& letter, std::uint32_t& number) noexcept {
    if (text.size() < 2 || text.size() > 11 || !is_letter(text[0])) return false;
    if (text[1] == '0' && text.size() > 2) return false;
    std::uint64_t value = 0;
    for (std::size_t i = 1; i < text.size(); ++i) {
        const char c = text[i];
        if (c < '0' || c > '9') return false;
        value = value * 10 + static_cast<std::uint64_t>(c - '0');
    }
    if (value > 0xFFFFFFFFULL) return false;
    letter = text[0];
    number = static_cast<std::uint32_t>(value);
    return true;
}

}  // namespace

RecordKey::RecordKey(std::string_view text) {
    char letter;
    std::uint32_t number;
    if (text.empty()) return;
    if (parse_numbered(text, letter, number)) {
        *this = numbered(letter, number);
    } else if (text.size() <= 7) {
        bits_ = kInlineTag | (static_cast<std::uint64_t>(text.size()) << 2);
        for (std::size_t i = 0; i < text.size(); ++i) {
            bits_ |= static_cast<std::uint64_t>(static_cast<unsigned char>(text[i])) << (8 * (i + 1));
        }
    } else {
        set_heap(text);
    }
}

void RecordKey::set_heap(std::string_view text) {
    auto* h = static_cast<Heap*>(::operator new(sizeof(Heap) + text.size()));
    h->size = static_cast<std::uint32_t>(text.size());
    std::memcpy(h->data, text.data(), text.size());
    bits_ = static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(h));
}

void RecordKey::free_heap() noexcept {
    ::operator delete(const_cast<Heap*>(heap()));
    bits_ = 0;
}

void RecordKey::copy_heap(const RecordKey& other) {
    bits_ = 0;
    set_heap(std::string_view(other.heap()->data, other.heap()->size));
}

std::string_view RecordKey::view(char (&buffer)[16]) const noexcept {
    if (bits_ == 0) return {};
    switch (bits_ & kTagMask) {
        case kNumberTag: {
            buffer[0] = static_cast<char>((bits_ >> 8) & 0xFF);
            const auto r = std::to_chars(buffer + 1, buffer + 16, static_cast<std::uint32_t>(bits_ >> 32));
            return std::string_view(buffer, static_cast<std::size_t>(r.ptr - buffer));
        }
        case kInlineTag: {
            const std::size_t n = (bits_ >> 2) & 7;
            for (std::size_t i = 0; i < n; ++i)
                buffer[i] = static_cast<char>((bits_ >> (8 * (i + 1))) & 0xFF);
            return std::string_view(buffer, n);
        }
        default:
            return std::string_view(heap()->data, heap()->size);
    }
}

std::size_t RecordKey::size() const noexcept {
    char buffer[16];
    return view(buffer).size();
}

std::string RecordKey::str() const {
    char buffer[16];
    return std::string(view(buffer));
}

RecordKey RecordKey::folded_slow() const {
    switch (bits_ & kTagMask) {
        case kNumberTag: {
            RecordKey k;
            k.bits_ =
                (bits_ & ~(0xFFULL << 8)) |
                (static_cast<std::uint64_t>(static_cast<unsigned char>(fold(static_cast<char>(bits_ >> 8))))
                 << 8);
            return k;
        }
        case kInlineTag: {
            RecordKey k;
            k.bits_ = bits_ & 0xFF;
            for (int i = 1; i < 8; ++i) {
                const char c = fold(static_cast<char>((bits_ >> (8 * i)) & 0xFF));
                k.bits_ |= static_cast<std::uint64_t>(static_cast<unsigned char>(c)) << (8 * i);
            }
            return k;
        }
        default: {
            if (bits_ == 0) return {};
            std::string text(heap()->data, heap()->size);
            for (char& c : text)
                c = fold(c);
            return RecordKey(text);
        }
    }
}

std::uint64_t RecordKey::hash_slow() const noexcept {
    switch (bits_ & kTagMask) {
        case kInlineTag:
            return mix(bits_);
        default: {
            if (bits_ == 0) return 0;
            std::uint64_t h = 0xcbf29ce484222325ULL;
            for (std::uint32_t i = 0; i < heap()->size; ++i) {
                h = (h ^ static_cast<unsigned char>(heap()->data[i])) * 0x100000001b3ULL;
            }
            return mix(h);
        }
    }
}

bool RecordKey::heap_equal(const RecordKey& a, const RecordKey& b) noexcept {
    return a.heap()->size == b.heap()->size &&
           std::memcmp(a.heap()->data, b.heap()->data, a.heap()->size) == 0;
}

bool operator==(const RecordKey& a, std::string_view b) noexcept {
    char buffer[16];
    return a.view(buffer) == b;
}

}  // namespace corvel
