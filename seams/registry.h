#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace corvel {

// A handle to an open registry key. The predefined hives are handles of their own, with the values
// the platform gives them, so a binding passes them through unchanged.
using RegKeyHandle = std::uintptr_t;

namespace reg_hive {
inline constexpr RegKeyHandle kClassesRoot = 0x80000000u;
inline constexpr RegKeyHandle kCurrentUser = 0x80000001u;
inline constexpr RegKeyHandle kLocalMachine = 0x80000002u;
inline constexpr RegKeyHandle kUsers = 0x80000003u;
}  // namespace reg_hive

constexpr bool is_predefined_hive(RegKeyHandle handle) noexcept {
    return handle >= reg_hive::kClassesRoot && handle <= reg_hive::kUsers;
}
// "HKEY_CURRENT_USER" and friends; empty for anything but a predefined hive.
constexpr std::string_view hive_name(RegKeyHandle handle) noexcept {
    switch (handle) {
        case reg_hive::kClassesRoot:
            return "HKEY_CLASSES_ROOT";
        case reg_hive::kCurrentUser:
            return "HKEY_CURRENT_USER";
        case reg_hive::kLocalMachine:
            return "HKEY_LOCAL_MACHINE";
        case reg_hive::kUsers:
            return "HKEY_USERS";
        default:
            return {};
    }
}

enum class RegType : std::uint32_t {
    None = 0,
    Sz = 1,
    ExpandSz = 2,
    Binary = 3,
    Dword = 4,
    DwordBigEndian = 5,
    Link = 6,
    MultiSz = 7,
    Qword = 11,
};

// Results are the platform's error numbers, so the advapi32 binding returns what it got.
using RegStatus = std::int32_t;
namespace reg_status {
inline constexpr RegStatus kSuccess = 0;
inline constexpr RegStatus kFileNotFound = 2;
inline constexpr RegStatus kAccessDenied = 5;
inline constexpr RegStatus kInvalidHandle = 6;
inline constexpr RegStatus kOutOfMemory = 14;
inline constexpr RegStatus kInvalidParameter = 87;
inline constexpr RegStatus kBadPathname = 161;
inline constexpr RegStatus kMoreData = 234;
inline constexpr RegStatus kNoMoreItems = 259;
inline constexpr RegStatus kRegistryIoFailed = 1016;
inline constexpr RegStatus kKeyDeleted = 1018;
}  // namespace reg_status

// Access rights, with the platform's values.
namespace reg_access {
inline constexpr std::uint32_t kQueryValue = 0x0001;
inline constexpr std::uint32_t kSetValue = 0x0002;
inline constexpr std::uint32_t kCreateSubKey = 0x0004;
inline constexpr std::uint32_t kEnumerateSubKeys = 0x0008;
inline constexpr std::uint32_t kNotify = 0x0010;
inline constexpr std::uint32_t kCreateLink = 0x0020;
inline constexpr std::uint32_t kRead = 0x20019;
inline constexpr std::uint32_t kWrite = 0x20006;
inline constexpr std::uint32_t kAllAccess = 0xF003F;
}  // namespace reg_access

// The registry as the system uses it. Names and texts are UTF-8 here; a binding converts them to what
// the platform stores. Value data is raw bytes: a REG_SZ value's bytes include its terminating NUL.
class Registry {
  public:
    virtual ~Registry() = default;

    // Creates the key and every missing key above it, or opens it if present.
    virtual RegStatus create_key(RegKeyHandle parent, std::string_view path, std::uint32_t access,
                                 RegKeyHandle& out) = 0;
    virtual RegStatus open_key(RegKeyHandle parent, std::string_view path, std::uint32_t access,
                               RegKeyHandle& out) = 0;
    // Type and size in bytes of a value, without its data.
    virtual RegStatus query_value(RegKeyHandle key, std::string_view name, RegType& type,
                                  std::uint32_t& size) = 0;
    // Reads a value into `data`; kMoreData (and nothing read) when it is larger than `capacity` bytes.
    virtual RegStatus read_value(RegKeyHandle key, std::string_view name, std::uint32_t capacity,
                                 RegType& type, std::string& data) = 0;
    virtual RegStatus set_value(RegKeyHandle key, std::string_view name, RegType type,
                                std::string_view data) = 0;
    // Length, in characters and without a terminator, of the key's longest value name.
    virtual RegStatus query_max_value_name_length(RegKeyHandle key, std::uint32_t& length) = 0;
    // Name of the value at `index`; kMoreData when the name and a terminator do not fit `capacity`
    // characters, kNoMoreItems past the last value.
    virtual RegStatus enum_value_name(RegKeyHandle key, std::uint32_t index, std::uint32_t capacity,
                                      std::string& name) = 0;
    // Name of the subkey at `index`; kNoMoreItems past the last one.
    virtual RegStatus enum_key_name(RegKeyHandle key, std::uint32_t index, std::string& name) = 0;
    // Deletes the key at `path` below `parent`; a key that still has subkeys is refused.
    virtual RegStatus delete_key(RegKeyHandle parent, std::string_view path) = 0;
    virtual RegStatus close_key(RegKeyHandle key) = 0;
};

}  // namespace corvel
