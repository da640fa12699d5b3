#include "platform/posix/file_registry.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <thread>
#include <vector>

#include "common/utf8.h"

namespace corvel {

namespace {

constexpr std::string_view kHeader = "Windows Registry Editor Version 5.00";
constexpr RegStatus kWriteFault = 29;     // the platform's "cannot write" error
constexpr RegStatus kLockViolation = 33;  // and its "another process has locked the file"

RegKeyHandle hive_from_name(std::string_view name) {
    for (RegKeyHandle h = reg_hive::kClassesRoot; h <= reg_hive::kUsers; ++h) {
        if (hive_name(h) == name) return h;
    }
    if (name == "HKCR") return reg_hive::kClassesRoot;
    if (name == "HKCU") return reg_hive::kCurrentUser;
    if (name == "HKLM") return reg_hive::kLocalMachine;
    return 0;
}

std::string escape(std::string_view text) {
    std::string out;
    out.reserve(text.size() + 2);
    for (const char c : text) {
        if (c == '\\' || c == '"') out.push_back('\\');
        out.push_back(c);
    }
    return out;
}

int hex_digit(char c) noexcept {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// One to eight hex digits and nothing else (no sign, no blanks, no "0x").
std::optional<std::uint32_t> parse_hex32(std::string_view text) {
    if (text.empty() || text.size() > 8) return std::nullopt;
    std::uint32_t v = 0;
    for (const char c : text) {
        const int d = hex_digit(c);
        if (d < 0) return std::nullopt;
        v = v * 16 + static_cast<std::uint32_t>(d);
    }
    return v;
}

constexpr std::uint32_t kLastDefinedType = static_cast<std::uint32_t>(RegType::Qword);

// The t of "hex(t):" is hex, as a registry editor writes it ("hex(b)" for a QWORD). Earlier versions
// of this file wrote it in decimal ("hex(11)") and read it as hex, so each save moved such a value on
// ("hex(17)", "hex(23)", ...). Only a t of decimal digits that names no defined type read as hex can
// come from them: it is taken back through those saves, one at a time, and when that ends at a
// defined type, that is the value's type. Anything else is read as the hex it is.
std::optional<std::uint32_t> parse_value_type(std::string_view text) {
    const auto as_hex = parse_hex32(text);
    if (!as_hex || *as_hex <= kLastDefinedType) return as_hex;
    if (text.find_first_not_of("0123456789") != std::string_view::npos) return as_hex;
    std::uint32_t type = 0;
    for (const char c : text)
        type = type * 10 + static_cast<std::uint32_t>(c - '0');
    while (type > kLastDefinedType) {
        char spelled[16];
        std::snprintf(spelled, sizeof spelled, "%x", type);
        if (std::string_view(spelled).find_first_not_of("0123456789") != std::string_view::npos)
            return as_hex;
        type = static_cast<std::uint32_t>(std::strtoul(spelled, nullptr, 10));
    }
    return type;
}

std::string hex_bytes(std::string_view data) {
    static constexpr char digits[] = "0123456789abcdef";
    std::string out;
    for (std::size_t i = 0; i < data.size(); ++i) {
        if (i) out.push_back(',');
        const auto b = static_cast<unsigned char>(data[i]);
        out.push_back(digits[b >> 4]);
        out.push_back(digits[b & 15]);
    }
    return out;
}

// A REG_SZ value can be written as "text" only when that form reads back as the same bytes.
bool plain_text_value(std::string_view data) {
    if (data.empty() || data.back() != '\0') return false;
    for (std::size_t i = 0; i + 1 < data.size(); ++i) {
        const char c = data[i];
        if (c == '\0' || c == '\r' || c == '\n') return false;
    }
    return true;
}

// Reads a quoted string starting at text[pos] == '"'; pos ends after the closing quote.
bool read_quoted(std::string_view text, std::size_t& pos, std::string& out) {
    if (pos >= text.size() || text[pos] != '"') return false;
    out.clear();
    for (++pos; pos < text.size(); ++pos) {
        const char c = text[pos];
        if (c == '\\' && pos + 1 < text.size()) {
            out.push_back(text[++pos]);
        } else if (c == '"') {
            ++pos;
            return true;
        } else {
            out.push_back(c);
        }
    }
    return false;
}

bool read_hex(std::string_view text, std::string& out) {
    out.clear();
    std::size_t i = 0;
    auto skip_space = [&] {
        while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
            ++i;
    };
    skip_space();
    while (i < text.size()) {
        unsigned value = 0;
        int digits = 0;
        while (i < text.size() && digits < 2) {
            const int d = hex_digit(text[i]);
            if (d < 0) break;
            value = value * 16 + static_cast<unsigned>(d);
            ++digits;
            ++i;
        }
        if (digits == 0) return false;
        out.push_back(static_cast<char>(value));
        skip_space();
        if (i < text.size()) {
            if (text[i] != ',') return false;
            ++i;
            skip_space();
        }
    }
    return true;
}

// UTF-16LE (what a Windows registry editor writes) to UTF-8.
std::string utf16le_to_utf8(std::string_view bytes) {
    std::string out;
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        std::uint32_t cp =
            static_cast<unsigned char>(bytes[i]) | (static_cast<unsigned char>(bytes[i + 1]) << 8);
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 3 < bytes.size()) {
            const std::uint32_t lo =
                static_cast<unsigned char>(bytes[i + 2]) | (static_cast<unsigned char>(bytes[i + 3]) << 8);
            if (lo >= 0xDC00 && lo <= 0xDFFF) {
                cp = 0x10000 + ((cp - 0xD800) << 10) + (lo - 0xDC00);
                i += 2;
            }
        }
        append_utf8(out, cp);
    }
    return out;
}

// Whether a line is a hex value continued on the next line (it ends with a backslash). A quoted text
// may end with an escaped backslash, so the value part is found by reading the name first.
bool continues(std::string_view line) {
    while (!line.empty() && (line.front() == ' ' || line.front() == '\t'))
        line.remove_prefix(1);
    if (line.empty() || line.back() != '\\') return false;
    std::size_t pos = 0;
    std::string name;
    if (line.front() == '@') {
        pos = 1;
    } else if (!read_quoted(line, pos, name)) {
        return false;
    }
    return line.substr(pos, 4) == "=hex";
}

// Calls `take` with each logical line: CR LF or LF ends a line, and a hex value ending in a backslash
// goes on. Lines are handed over in place; only continued values are joined in a buffer.
template <class Take>
void for_each_logical_line(std::string_view text, Take&& take) {
    std::string joined;
    bool joining = false;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (joining) {
            while (!line.empty() && (line.front() == ' ' || line.front() == '\t'))
                line.remove_prefix(1);
            joined.append(line);
            if (continues(joined)) {
                joined.pop_back();
            } else {
                take(std::string_view(joined));
                joined.clear();
                joining = false;
            }
        } else if (continues(line)) {
            joined.assign(line.substr(0, line.size() - 1));
            joining = true;
        } else {
            take(line);
        }
        start = end + 1;
    }
    if (joining) take(std::string_view(joined));
}

// Loads one "name"=data line of the key at `path`; false when it cannot be understood. `name` and
// `bytes` are buffers the caller keeps from line to line.
bool parse_value_line(std::string_view line, RegKeyHandle hive, const std::string& path, std::string& name,
                      std::string& bytes, MemoryRegistry& registry) {
    if (hive == 0) return false;
    name.clear();
    bytes.clear();
    std::size_t pos = 0;
    if (line.front() == '@') {
        pos = 1;
    } else if (!read_quoted(line, pos, name)) {
        return false;
    }
    if (pos >= line.size() || line[pos] != '=') return false;
    const std::string_view data = line.substr(pos + 1);
    if (data == "-") return true;  // a value deletion
    RegType type = RegType::Binary;
    if (!data.empty() && data.front() == '"') {
        std::size_t p = 0;
        if (!read_quoted(data, p, bytes) || p != data.size()) return false;
        bytes.push_back('\0');
        type = RegType::Sz;
    } else if (data.substr(0, 6) == "dword:") {
        const auto v = parse_hex32(data.substr(6));
        if (!v) return false;
        for (int i = 0; i < 4; ++i)
            bytes.push_back(static_cast<char>((*v >> (8 * i)) & 0xFF));
        type = RegType::Dword;
    } else if (data.substr(0, 4) == "hex:" || data.substr(0, 4) == "hex(") {
        std::size_t colon = 3;
        if (data[3] == '(') {
            const std::size_t close = data.find(')');
            if (close == std::string_view::npos || close + 1 >= data.size() || data[close + 1] != ':')
                return false;
            const auto t = parse_value_type(data.substr(4, close - 4));
            if (!t) return false;
            type = static_cast<RegType>(*t);
            colon = close + 1;
        }
        if (!read_hex(data.substr(colon + 1), bytes)) return false;
    } else {
        return false;
    }
    registry.put_value(hive, path, name, type, bytes);
    return true;
}

}  // namespace

std::filesystem::path FileRegistry::default_path() {
    if (const char* file = std::getenv("CORVEL_REGISTRY_FILE"); file && *file) return file;
    if (const char* config = std::getenv("XDG_CONFIG_HOME"); config && *config) {
        return std::filesystem::path(config) / "corvel" / "registry.reg";
    }
    if (const char* home = std::getenv("HOME"); home && *home) {
        return std::filesystem::path(home) / ".config" / "corvel" / "registry.reg";
    }
    return std::filesystem::path("corvel-registry.reg");
}

std::string FileRegistry::render(const MemoryRegistry& registry) {
    std::string out(kHeader);
    out += "\r\n";
    registry.visit([&](RegKeyHandle hive, const std::string& path,
                       const std::vector<std::pair<std::string, MemoryRegistry::StoredValue>>& values) {
        out += "\r\n[";
        out += hive_name(hive);
        out += '\\';
        out += path;
        out += "]\r\n";
        for (const auto& [name, value] : values) {
            if (name.empty()) {
                out += '@';
            } else {
                out += '"';
                out += escape(name);
                out += '"';
            }
            out += '=';
            if (value.type == RegType::Sz && plain_text_value(value.data)) {
                out += '"';
                out += escape(std::string_view(value.data).substr(0, value.data.size() - 1));
                out += '"';
            } else if (value.type == RegType::Dword && value.data.size() == 4) {
                std::uint32_t v = 0;
                for (int i = 3; i >= 0; --i)
                    v = (v << 8) | static_cast<unsigned char>(value.data[i]);
                char buf[32];
                std::snprintf(buf, sizeof buf, "dword:%08x", v);
                out += buf;
            } else if (value.type == RegType::Binary) {
                out += "hex:" + hex_bytes(value.data);
            } else {
                char type[24];
                std::snprintf(type, sizeof type, "hex(%x):", static_cast<unsigned>(value.type));
                out += type;
                out += hex_bytes(value.data);
            }
            out += "\r\n";
        }
    });
    return out;
}

bool FileRegistry::parse(std::string_view text, MemoryRegistry& registry) {
    std::string converted;
    if (text.size() >= 2 && static_cast<unsigned char>(text[0]) == 0xFF &&
        static_cast<unsigned char>(text[1]) == 0xFE) {
        converted = utf16le_to_utf8(text.substr(2));
        text = converted;
    } else if (text.size() >= 3 && text.substr(0, 3) == "\xEF\xBB\xBF") {
        text.remove_prefix(3);
    }
    bool ok = true;
    bool header_seen = false;
    RegKeyHandle hive = 0;
    std::string path;
    std::string name;
    std::string bytes;
    // Returns false only to stop: a file without the header is not read at all.
    for_each_logical_line(text, [&](std::string_view line) {
        while (!line.empty() && (line.front() == ' ' || line.front() == '\t'))
            line.remove_prefix(1);
        while (!line.empty() && (line.back() == ' ' || line.back() == '\t'))
            line.remove_suffix(1);
        if (line.empty() || line.front() == ';') return true;
        if (!header_seen) {
            header_seen = line == kHeader || line == "REGEDIT4";
            return header_seen;
        }
        if (line.front() == '[') {
            hive = 0;
            if (line.size() < 2 || line.back() != ']' || line[1] == '-') {
                ok = ok && line.size() >= 2 && line.back() == ']';
                return true;  // a deletion entry names nothing to load
            }
            const std::string_view inner = line.substr(1, line.size() - 2);
            const std::size_t slash = inner.find('\\');
            const RegKeyHandle h = hive_from_name(inner.substr(0, slash));
            if (h == 0 || slash == std::string_view::npos || slash + 1 >= inner.size()) {
                ok = false;
                return true;
            }
            hive = h;
            path = std::string(inner.substr(slash + 1));
            registry.put_key(hive, path);
            return true;
        }
        if (!parse_value_line(line, hive, path, name, bytes, registry)) ok = false;
        return true;
    });
    return ok && header_seen;
}

namespace {

std::int64_t nanoseconds(const timespec& t) {
    return static_cast<std::int64_t>(t.tv_sec) * 1000000000LL + t.tv_nsec;
}

std::string not_a_regular_file(mode_t mode) {
    const char* kind = S_ISDIR(mode)    ? "a folder"
                       : S_ISFIFO(mode) ? "a named pipe"
                       : S_ISCHR(mode)  ? "a character device"
                       : S_ISBLK(mode)  ? "a block device"
                       : S_ISSOCK(mode) ? "a socket"
                                        : "something else";
    return std::string("it is ") + kind + ", not a regular file";
}

RegStatus status_of_errno(int error) {
    return error == EACCES || error == EPERM ? reg_status::kAccessDenied : reg_status::kRegistryIoFailed;
}

bool write_all(int fd, std::string_view text) {
    while (!text.empty()) {
        const ssize_t n = ::write(fd, text.data(), text.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        text.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

// Reads a file from its start, at most `limit` bytes (into `out`, keeping its capacity); false on a
// read error.
bool read_up_to(int fd, std::int64_t limit, std::string& out) {
    out.clear();
    char buffer[1 << 16];
    while (static_cast<std::int64_t>(out.size()) < limit) {
        const auto want = static_cast<std::size_t>(std::min<std::int64_t>(sizeof buffer, limit - out.size()));
        const ssize_t n = ::pread(fd, buffer, want, static_cast<off_t>(out.size()));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return false;
        if (n == 0) break;
        out.append(buffer, static_cast<std::size_t>(n));
    }
    return true;
}

// The file a path names once symbolic links are followed; a dangling link names the file it would
// create. Errors (a loop of links) leave the last path reached, whose open then reports them.
std::filesystem::path link_target(std::filesystem::path path) {
    for (int hops = 0; hops < 40; ++hops) {
        std::error_code ec;
        if (!std::filesystem::is_symlink(std::filesystem::symlink_status(path, ec))) break;
        const std::filesystem::path to = std::filesystem::read_symlink(path, ec);
        if (ec) break;
        path = to.is_absolute() ? to : path.parent_path() / to;
    }
    return path;
}

std::filesystem::path beside(const std::filesystem::path& file, std::string_view suffix) {
    std::filesystem::path p = file;
    p += std::string(suffix);
    return p;
}

// Replaces `target` by a file holding `text`: written to a temporary file in the same folder, flushed,
// and renamed over it, so a reader finds the old file or the new one, never neither nor half of one.
// The new file keeps the mode of the one it replaces. `written` gets the new file, still open.
RegStatus replace_file(const std::filesystem::path& target, std::string_view text, FileDescriptor* written) {
    const std::filesystem::path folder = target.parent_path().empty() ? "." : target.parent_path();
    std::string temp = beside(target, ".tmp-XXXXXX").string();
    FileDescriptor fd(::mkostemp(temp.data(), O_CLOEXEC));
    if (!fd) return kWriteFault;
    struct stat old {};
    const mode_t mode = ::stat(target.c_str(), &old) == 0 ? (old.st_mode & 07777) : 0600;
    bool ok = ::fchmod(fd.get(), mode) == 0 && write_all(fd.get(), text) && ::fsync(fd.get()) == 0;
    ok = ok && ::rename(temp.c_str(), target.c_str()) == 0;
    if (!ok) {
        ::unlink(temp.c_str());
        return kWriteFault;
    }
    // The rename itself lasts only once the folder is flushed; a file system that cannot flush a
    // folder has no other way to make it last, so its refusal is no failure.
    if (const FileDescriptor dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)); dir) {
        ::fsync(dir.get());
    }
    if (written) *written = std::move(fd);
    return reg_status::kSuccess;
}

// An exclusive lock on a file, waited for at most a while: a process stuck holding it must not hang
// every other one.
class FileLock {
  public:
    RegStatus acquire(const std::filesystem::path& file, std::chrono::milliseconds wait) {
        fd_ = FileDescriptor(::open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOCTTY, 0600));
        if (!fd_) return errno == EACCES || errno == EPERM ? reg_status::kAccessDenied : kWriteFault;
        const auto deadline = std::chrono::steady_clock::now() + wait;
        auto pause = std::chrono::microseconds(200);
        while (::flock(fd_.get(), LOCK_EX | LOCK_NB) != 0) {
            if (errno != EWOULDBLOCK && errno != EINTR) return kWriteFault;
            if (std::chrono::steady_clock::now() >= deadline) return kLockViolation;
            std::this_thread::sleep_for(pause);
            pause = std::min<std::chrono::microseconds>(pause * 2, std::chrono::milliseconds(20));
        }
        return reg_status::kSuccess;
    }

  private:
    FileDescriptor fd_;  // closing it releases the lock
};

}  // namespace

FileRegistry::FileRegistry(std::filesystem::path file, std::chrono::milliseconds lock_wait)
    : file_(std::move(file)), lock_wait_(lock_wait) {
    refresh();
}

FileRegistry::~FileRegistry() = default;

FileRegistry::Stamp FileRegistry::stamp_of(const struct ::stat& st) {
    return Stamp{true,
                 static_cast<std::uint64_t>(st.st_dev),
                 static_cast<std::uint64_t>(st.st_ino),
                 static_cast<std::int64_t>(st.st_size),
                 nanoseconds(st.st_mtim),
                 nanoseconds(st.st_ctim)};
}

RegStatus FileRegistry::refuse(RegStatus status, std::string reason) {
    load_status_ = status;
    problem_ = "cannot use the settings file " + file_.string() + ": " + reason;
    loaded_valid_ = false;
    return status;
}

RegStatus FileRegistry::refresh() {
    struct stat st {};
    Stamp now;
    if (::stat(file_.c_str(), &st) == 0) {
        // Not even opened: opening some devices does something (a tape rewinds, a pipe waits).
        if (!S_ISREG(st.st_mode))
            return refuse(reg_status::kRegistryIoFailed, not_a_regular_file(st.st_mode));
        now = stamp_of(st);
    } else if (errno != ENOENT && errno != ENOTDIR) {
        const int error = errno;
        return refuse(status_of_errno(error), std::strerror(error));
    }
    if (loaded_valid_ && now == loaded_) return reg_status::kSuccess;
    return load(now);
}

RegStatus FileRegistry::load(const Stamp& now) {
    MemoryRegistry fresh;
    FileDescriptor fd;
    Stamp read{};
    bool parse_errors = false;
    if (now.exists) {
        // Should a pipe take the file's place since it was looked at, its open must not wait for a
        // writer that may never come.
        fd = FileDescriptor(::open(file_.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
        if (!fd) {
            const int error = errno;
            return refuse(status_of_errno(error), std::strerror(error));
        }
        struct stat st {};
        if (::fstat(fd.get(), &st) != 0) {
            const int error = errno;
            return refuse(status_of_errno(error), std::strerror(error));
        }
        if (!S_ISREG(st.st_mode))
            return refuse(reg_status::kRegistryIoFailed, not_a_regular_file(st.st_mode));
        const std::string too_large =
            "it is larger than " + std::to_string(kMaxFileSize >> 20) + " MiB, more than settings can be";
        if (st.st_size > kMaxFileSize) return refuse(reg_status::kRegistryIoFailed, too_large);
        read = stamp_of(st);
        std::string text;
        text.reserve(static_cast<std::size_t>(st.st_size));
        if (!read_up_to(fd.get(), kMaxFileSize + 1, text)) {
            const int error = errno;
            return refuse(status_of_errno(error), std::strerror(error));
        }
        if (static_cast<std::int64_t>(text.size()) > kMaxFileSize)
            return refuse(reg_status::kRegistryIoFailed, too_large);
        parse_errors = !parse(text, fresh);
    }
    memory_.replace_with(fresh);
    loaded_file_ = std::move(fd);
    loaded_ = read;
    loaded_valid_ = true;
    load_status_ = reg_status::kSuccess;
    problem_.clear();
    parse_errors_ = parse_errors;
    saved_generation_ = memory_.generation();
    return reg_status::kSuccess;
}

RegStatus FileRegistry::persist(const std::filesystem::path& target) {
    if (memory_.generation() == saved_generation_) return reg_status::kSuccess;
    if (parse_errors_) {
        // What could not be understood is kept before anything replaces it.
        std::string original;
        if (!loaded_file_ || !read_up_to(loaded_file_.get(), kMaxFileSize, original)) return kWriteFault;
        if (const RegStatus s = replace_file(beside(target, ".corrupt"), original, nullptr)) return s;
        parse_errors_ = false;
    }
    FileDescriptor written;
    if (const RegStatus s = replace_file(target, render(memory_), &written)) return s;
    struct stat st {};
    if (::fstat(written.get(), &st) == 0) {
        loaded_ = stamp_of(st);
        loaded_file_ = std::move(written);
    } else {
        loaded_valid_ = false;
    }
    saved_generation_ = memory_.generation();
    return reg_status::kSuccess;
}

template <class Change>
RegStatus FileRegistry::change(Change&& apply) {
    const std::filesystem::path target = link_target(file_);
    std::error_code ec;
    std::filesystem::create_directories(target.parent_path().empty() ? "." : target.parent_path(), ec);
    FileLock lock;
    if (const RegStatus s = lock.acquire(beside(target, ".lock"), lock_wait_)) return s;
    if (const RegStatus s = refresh()) return s;
    if (const RegStatus s = apply()) return s;
    const RegStatus s = persist(target);
    // What could not be written is not kept either: the next operation reads the file again.
    if (s != reg_status::kSuccess) loaded_valid_ = false;
    return s;
}

RegStatus FileRegistry::create_key(RegKeyHandle parent, std::string_view path, std::uint32_t access,
                                   RegKeyHandle& out) {
    out = 0;
    const RegStatus status = change([&] { return memory_.create_key(parent, path, access, out); });
    if (status != reg_status::kSuccess && out != 0) {
        memory_.close_key(out);
        out = 0;
    }
    return status;
}

RegStatus FileRegistry::open_key(RegKeyHandle parent, std::string_view path, std::uint32_t access,
                                 RegKeyHandle& out) {
    out = 0;
    if (const RegStatus s = refresh()) return s;
    return memory_.open_key(parent, path, access, out);
}

RegStatus FileRegistry::query_value(RegKeyHandle key, std::string_view name, RegType& type,
                                    std::uint32_t& size) {
    if (const RegStatus s = usable()) return s;
    return memory_.query_value(key, name, type, size);
}

RegStatus FileRegistry::read_value(RegKeyHandle key, std::string_view name, std::uint32_t capacity,
                                   RegType& type, std::string& data) {
    if (const RegStatus s = usable()) return s;
    return memory_.read_value(key, name, capacity, type, data);
}

RegStatus FileRegistry::set_value(RegKeyHandle key, std::string_view name, RegType type,
                                  std::string_view data) {
    return change([&] { return memory_.set_value(key, name, type, data); });
}

RegStatus FileRegistry::query_max_value_name_length(RegKeyHandle key, std::uint32_t& length) {
    if (const RegStatus s = usable()) return s;
    return memory_.query_max_value_name_length(key, length);
}

RegStatus FileRegistry::enum_value_name(RegKeyHandle key, std::uint32_t index, std::uint32_t capacity,
                                        std::string& name) {
    if (const RegStatus s = usable()) return s;
    return memory_.enum_value_name(key, index, capacity, name);
}

RegStatus FileRegistry::enum_key_name(RegKeyHandle key, std::uint32_t index, std::string& name) {
    if (const RegStatus s = usable()) return s;
    return memory_.enum_key_name(key, index, name);
}

RegStatus FileRegistry::delete_key(RegKeyHandle parent, std::string_view path) {
    return change([&] { return memory_.delete_key(parent, path); });
}

RegStatus FileRegistry::close_key(RegKeyHandle key) {
    return memory_.close_key(key);
}

}  // namespace corvel
