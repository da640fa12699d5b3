#pragma once

#include "seams/registry.h"

namespace corvel::win32 {

// The registry seam on advapi32. Names and texts travel as UTF-8 in the logic and are stored in the
// system code page, as the ANSI registry calls do.
class Win32Registry final : public Registry {
  public:
    RegStatus create_key(RegKeyHandle parent, std::string_view path, std::uint32_t access,
                         RegKeyHandle& out) override;
    RegStatus open_key(RegKeyHandle parent, std::string_view path, std::uint32_t access,
                       RegKeyHandle& out) override;
    RegStatus query_value(RegKeyHandle key, std::string_view name, RegType& type,
                          std::uint32_t& size) override;
    RegStatus read_value(RegKeyHandle key, std::string_view name, std::uint32_t capacity, RegType& type,
                         std::string& data) override;
    RegStatus set_value(RegKeyHandle key, std::string_view name, RegType type,
                        std::string_view data) override;
    RegStatus query_max_value_name_length(RegKeyHandle key, std::uint32_t& length) override;
    RegStatus enum_value_name(RegKeyHandle key, std::uint32_t index, std::uint32_t capacity,
                              std::string& name) override;
    RegStatus enum_key_name(RegKeyHandle key, std::uint32_t index, std::string& name) override;
    RegStatus delete_key(RegKeyHandle parent, std::string_view path) override;
    RegStatus close_key(RegKeyHandle key) override;
};

}  // namespace corvel::win32
