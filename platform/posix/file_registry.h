#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

#include "platform/memory/memory_registry.h"

namespace corvel {

// A registry kept in a registry-editor text file ("Windows Registry Editor Version 5.00", one
// "[HKEY_...\path]" section per key, "name"="text" and "name"=dword:0000000a lines), so the tools keep
// their settings where a person can read them and a Windows registry editor can import them.
//
// Every change is written at once through a temporary file and a rename: a crash leaves the old file
// or the new one, never half of one. Reading is tolerant: lines it cannot understand are skipped, and
// a file that cannot be read at all behaves as an empty registry (every setting at its default). A
// file with unreadable lines is kept beside the new one as "<name>.corrupt" before it is first
// replaced, so nothing a person wrote is silently lost. Changes made by another process are picked up
// when the next operation starts.
class FileRegistry final : public Registry {
public:
    explicit FileRegistry(std::filesystem::path file);

    // $CORVEL_REGISTRY_FILE, else $XDG_CONFIG_HOME/corvel/registry.reg, else ~/.config/corvel/registry.reg.
    static std::filesystem::path default_path();

    const std::filesystem::path& path() const noexcept { return file_; }
    // Whether the last load met lines it could not understand.
    bool had_parse_errors() const noexcept { return parse_errors_; }

    RegStatus create_key(RegKeyHandle parent, std::string_view path, std::uint32_t access,
                         RegKeyHandle& out) override;
    RegStatus open_key(RegKeyHandle parent, std::string_view path, std::uint32_t access,
                       RegKeyHandle& out) override;
    RegStatus query_value(RegKeyHandle key, std::string_view name, RegType& type, std::uint32_t& size) override;
    RegStatus read_value(RegKeyHandle key, std::string_view name, std::uint32_t capacity, RegType& type,
                         std::string& data) override;
    RegStatus set_value(RegKeyHandle key, std::string_view name, RegType type, std::string_view data) override;
    RegStatus query_max_value_name_length(RegKeyHandle key, std::uint32_t& length) override;
    RegStatus enum_value_name(RegKeyHandle key, std::uint32_t index, std::uint32_t capacity,
                              std::string& name) override;
    RegStatus enum_key_name(RegKeyHandle key, std::uint32_t index, std::string& name) override;
    RegStatus delete_key(RegKeyHandle parent, std::string_view path) override;
    RegStatus close_key(RegKeyHandle key) override;

    // The text the file would hold for a registry's content.
    static std::string render(const MemoryRegistry& registry);
    // Loads text into a registry; false when some of it could not be understood.
    static bool parse(std::string_view text, MemoryRegistry& registry);

private:
    struct Stamp {
        bool exists = false;
        std::int64_t size = 0;
        std::int64_t mtime_ns = 0;
        bool operator==(const Stamp&) const = default;
    };
    Stamp stamp() const;
    void reload_if_changed();
    // Writes the file if the content changed; a write error becomes the operation's result.
    RegStatus persist(RegStatus status);

    std::filesystem::path file_;
    MemoryRegistry memory_;
    Stamp loaded_{};
    bool loaded_once_ = false;
    bool parse_errors_ = false;
    std::uint64_t saved_generation_ = 0;
};

}  // namespace corvel
