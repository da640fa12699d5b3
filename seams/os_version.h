#pragma once

#include <cstdint>
#include <optional>

namespace corvel {

// The operating system's version query.
class OsVersion {
  public:
    // Record sizes of the extended and the basic version record.
    static constexpr std::uint32_t kExtendedRecord = 156;
    static constexpr std::uint32_t kBasicRecord = 148;
    // Platform identifier of the NT family.
    static constexpr std::int32_t kPlatformNt = 2;

    virtual ~OsVersion() = default;
    // The platform identifier the system reports when asked with a record of `record_size` bytes;
    // nothing when the query fails.
    virtual std::optional<std::int32_t> platform_id(std::uint32_t record_size) = 0;
};

}  // namespace corvel
