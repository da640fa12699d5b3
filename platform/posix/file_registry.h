#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <string>

#include "platform/memory/memory_registry.h"
#include "platform/posix/file_descriptor.h"

struct stat;

namespace corvel {

// A registry kept in a registry-editor text file ("Windows Registry Editor Version 5.00", one
// "[HKEY_...\path]" section per key, "name"="text" and "name"=dword:0000000a lines), so the tools keep
// their settings where a person can read them and a Windows registry editor can import them.
//
// Every change is a read-modify-write under an exclusive lock on "<name>.lock" beside the file: the
// file is read again if another process changed it, the change applied, and the new content written
// to a temporary file in the same folder, flushed and renamed over the old one. So the live file is
// always whole and present, and two processes changing it at once both keep their changes. A path
// that is a symbolic link is written through to the file it points to (the lock, the temporary file
// and the copy below sit beside that file).
//
// Reading is tolerant: lines it cannot understand are skipped and the rest kept; before such a file is
// first replaced, a copy of it is kept as "<name>.corrupt", so nothing a person wrote is silently
// lost. A file that is there but cannot be read (no permission, not a regular file, larger than
// kMaxFileSize) is left alone: every operation fails with the reason in problem() until it can be read,
// so nothing is saved over it. Changes made by another process are picked up when the next operation
// starts.
class FileRegistry final : public Registry {
  public:
    // Settings files hold a few kilobytes; the limit only keeps a wrong path (a disk image, a log)
    // from being read into memory whole.
    static constexpr std::int64_t kMaxFileSize = std::int64_t{64} << 20;
    // How long a change waits for another process's change to the same file before it fails.
    static constexpr std::chrono::milliseconds kDefaultLockWait{10000};

    explicit FileRegistry(std::filesystem::path file, std::chrono::milliseconds lock_wait = kDefaultLockWait);
    ~FileRegistry() override;

    // $CORVEL_REGISTRY_FILE, else $XDG_CONFIG_HOME/corvel/registry.reg, else ~/.config/corvel/registry.reg.
    static std::filesystem::path default_path();

    const std::filesystem::path& path() const noexcept { return file_; }
    // Whether the last load met lines it could not understand (and the copy of them is still to keep).
    bool had_parse_errors() const noexcept { return parse_errors_; }
    // Why the file cannot be used, for a person; empty while it can.
    const std::string& problem() const noexcept { return problem_; }

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

    // The text the file would hold for a registry's content.
    static std::string render(const MemoryRegistry& registry);
    // Loads text into a registry; false when some of it could not be understood.
    static bool parse(std::string_view text, MemoryRegistry& registry);

  private:
    // What identifies one version of the file. The file last read is held open, so its inode number
    // cannot be given to another file while this one compares against it.
    struct Stamp {
        bool exists = false;
        std::uint64_t device = 0;
        std::uint64_t inode = 0;
        std::int64_t size = 0;
        std::int64_t mtime_ns = 0;
        std::int64_t ctime_ns = 0;
        bool operator==(const Stamp&) const = default;
    };
    static Stamp stamp_of(const struct ::stat& st);
    // Reads the file again when it is not the version in memory; the result is the file's usability.
    RegStatus refresh();
    RegStatus load(const Stamp& now);
    RegStatus refuse(RegStatus status, std::string reason);
    // The file's status for operations that do not look at the file again.
    RegStatus usable() const noexcept { return load_status_; }
    // Runs a change under the file's lock on fresh content and writes the result.
    template <class Change>
    RegStatus change(Change&& apply);
    // Writes the content if it changed, to the file the path names (through a link).
    RegStatus persist(const std::filesystem::path& target);

    std::filesystem::path file_;
    std::chrono::milliseconds lock_wait_;
    MemoryRegistry memory_;
    FileDescriptor loaded_file_;
    Stamp loaded_{};
    bool loaded_valid_ = false;
    RegStatus load_status_ = reg_status::kSuccess;
    std::string problem_;
    bool parse_errors_ = false;
    std::uint64_t saved_generation_ = 0;
};

}  // namespace corvel
