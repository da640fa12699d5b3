#include "platform/posix/file_registry.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <vector>

#include "common/utf8.h"

namespace corvel {

namespace {

constexpr std::string_view kHeader = "Windows Registry Editor Version 5.00";
constexpr RegStatus kWriteFault = 29;  // the platform's "cannot write" error

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
        while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    };
    skip_space();
    while (i < text.size()) {
        unsigned value = 0;
        int digits = 0;
        while (i < text.size() && digits < 2) {
            const char c = text[i];
            int d = -1;
            if (c >= '0' && c <= '9') d = c - '0';
            if (c >= 'a' && c <= 'f') d = c - 'a' + 10;
            if (c >= 'A' && c <= 'F') d = c - 'A' + 10;
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
        std::uint32_t cp = static_cast<unsigned char>(bytes[i]) | (static_cast<unsigned char>(bytes[i + 1]) << 8);
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
    while (!line.empty() && (line.front() == ' ' || line.front() == '\t')) line.remove_prefix(1);
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

// Splits into logical lines: CR LF or LF ends a line, and a hex value ending in a backslash goes on.
std::vector<std::string> logical_lines(std::string_view text) {
    std::vector<std::string> lines;
    std::string current;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (!current.empty()) {
            while (!line.empty() && (line.front() == ' ' || line.front() == '\t')) line.remove_prefix(1);
        }
        current.append(line);
        if (continues(current)) {
            current.pop_back();
        } else {
            lines.push_back(std::move(current));
            current.clear();
        }
        start = end + 1;
    }
    if (!current.empty()) lines.push_back(std::move(current));
    return lines;
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
                for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(value.data[i]);
                char buf[32];
                std::snprintf(buf, sizeof buf, "dword:%08x", v);
                out += buf;
            } else if (value.type == RegType::Binary) {
                out += "hex:" + hex_bytes(value.data);
            } else {
                out += "hex(" + std::to_string(static_cast<std::uint32_t>(value.type)) + "):" + hex_bytes(value.data);
            }
            out += "\r\n";
        }
    });
    return out;
}

bool FileRegistry::parse(std::string_view text, MemoryRegistry& registry) {
    std::string converted;
    if (text.size() >= 2 && static_cast<unsigned char>(text[0]) == 0xFF && static_cast<unsigned char>(text[1]) == 0xFE) {
        converted = utf16le_to_utf8(text.substr(2));
        text = converted;
    } else if (text.size() >= 3 && text.substr(0, 3) == "\xEF\xBB\xBF") {
        text.remove_prefix(3);
    }
    bool ok = true;
    bool header_seen = false;
    RegKeyHandle hive = 0;
    std::string path;
    for (const std::string& raw : logical_lines(text)) {
        std::string_view line = raw;
        while (!line.empty() && (line.front() == ' ' || line.front() == '\t')) line.remove_prefix(1);
        while (!line.empty() && (line.back() == ' ' || line.back() == '\t')) line.remove_suffix(1);
        if (line.empty() || line.front() == ';') continue;
        if (!header_seen) {
            if (line != kHeader && line != "REGEDIT4") return false;
            header_seen = true;
            continue;
        }
        if (line.front() == '[') {
            hive = 0;
            if (line.size() < 2 || line.back() != ']' || line[1] == '-') {
                ok = ok && line.size() >= 2 && line.back() == ']';
                continue;  // a deletion entry names nothing to load
            }
            const std::string_view inner = line.substr(1, line.size() - 2);
            const std::size_t slash = inner.find('\\');
            const RegKeyHandle h = hive_from_name(inner.substr(0, slash));
            if (h == 0 || slash == std::string_view::npos || slash + 1 >= inner.size()) {
                ok = false;
                continue;
            }
            hive = h;
            path = std::string(inner.substr(slash + 1));
            registry.put_key(hive, path);
            continue;
        }
        if (hive == 0) {
            ok = false;
            continue;
        }
        std::string name;
        std::size_t pos = 0;
        if (line.front() == '@') {
            pos = 1;
        } else if (!read_quoted(line, pos, name)) {
            ok = false;
            continue;
        }
        if (pos >= line.size() || line[pos] != '=') {
            ok = false;
            continue;
        }
        const std::string_view data = line.substr(pos + 1);
        if (data == "-") continue;  // a value deletion
        std::string bytes;
        if (!data.empty() && data.front() == '"') {
            std::size_t p = 0;
            if (!read_quoted(data, p, bytes) || p != data.size()) {
                ok = false;
                continue;
            }
            bytes.push_back('\0');
            registry.put_value(hive, path, name, RegType::Sz, bytes);
        } else if (data.substr(0, 6) == "dword:") {
            const std::string digits(data.substr(6));
            char* end = nullptr;
            const unsigned long v = std::strtoul(digits.c_str(), &end, 16);
            if (digits.empty() || digits.size() > 8 || *end != '\0') {
                ok = false;
                continue;
            }
            for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
            registry.put_value(hive, path, name, RegType::Dword, bytes);
        } else if (data.substr(0, 4) == "hex:" || data.substr(0, 4) == "hex(") {
            RegType type = RegType::Binary;
            std::size_t colon = 3;
            if (data[3] == '(') {
                const std::size_t close = data.find(')');
                if (close == std::string_view::npos || close + 1 >= data.size() || data[close + 1] != ':') {
                    ok = false;
                    continue;
                }
                type = static_cast<RegType>(std::strtoul(std::string(data.substr(4, close - 4)).c_str(), nullptr, 16));
                colon = close + 1;
            }
            if (!read_hex(data.substr(colon + 1), bytes)) {
                ok = false;
                continue;
            }
            registry.put_value(hive, path, name, type, bytes);
        } else {
            ok = false;
        }
    }
    return ok && header_seen;
}

FileRegistry::FileRegistry(std::filesystem::path file) : file_(std::move(file)) { reload_if_changed(); }

FileRegistry::Stamp FileRegistry::stamp() const {
    struct stat st{};
    if (::stat(file_.c_str(), &st) != 0) return Stamp{};
    return Stamp{true, static_cast<std::int64_t>(st.st_size),
                 static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec};
}

void FileRegistry::reload_if_changed() {
    // Only between operations: reloading under an open key would pull the key away from its handle.
    if (memory_.open_key_count() != 0) return;
    const Stamp now = stamp();
    if (loaded_once_ && now == loaded_) return;
    loaded_once_ = true;
    loaded_ = now;
    memory_.clear();
    parse_errors_ = false;
    if (now.exists) {
        std::ifstream in(file_, std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        if (!in && !in.eof()) {
            parse_errors_ = true;
        } else if (!parse(text.str(), memory_)) {
            parse_errors_ = true;
        }
    }
    saved_generation_ = memory_.generation();
}

RegStatus FileRegistry::persist(RegStatus status) {
    if (status != reg_status::kSuccess || memory_.generation() == saved_generation_) return status;
    try {
        std::error_code ec;
        std::filesystem::create_directories(file_.parent_path().empty() ? "." : file_.parent_path(), ec);
        if (parse_errors_ && std::filesystem::is_regular_file(file_)) {
            std::filesystem::path kept = file_;
            kept += ".corrupt";
            std::filesystem::rename(file_, kept, ec);
            parse_errors_ = false;
        }
        const std::string text = render(memory_);
        std::filesystem::path temp = file_;
        temp += ".tmp-" + std::to_string(::getpid());
        const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        if (fd < 0) return kWriteFault;
        std::size_t written = 0;
        bool ok = true;
        while (written < text.size()) {
            const ssize_t n = ::write(fd, text.data() + written, text.size() - written);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) {
                ok = false;
                break;
            }
            written += static_cast<std::size_t>(n);
        }
        ok = ok && ::fsync(fd) == 0;
        ok = (::close(fd) == 0) && ok;
        if (!ok || ::rename(temp.c_str(), file_.c_str()) != 0) {
            ::unlink(temp.c_str());
            return kWriteFault;
        }
        saved_generation_ = memory_.generation();
        loaded_ = stamp();
        return status;
    } catch (...) {
        return kWriteFault;
    }
}

RegStatus FileRegistry::create_key(RegKeyHandle parent, std::string_view path, std::uint32_t access,
                                   RegKeyHandle& out) {
    reload_if_changed();
    const RegStatus status = persist(memory_.create_key(parent, path, access, out));
    if (status != reg_status::kSuccess && out != 0) {
        memory_.close_key(out);
        out = 0;
    }
    return status;
}

RegStatus FileRegistry::open_key(RegKeyHandle parent, std::string_view path, std::uint32_t access,
                                 RegKeyHandle& out) {
    reload_if_changed();
    return memory_.open_key(parent, path, access, out);
}

RegStatus FileRegistry::query_value(RegKeyHandle key, std::string_view name, RegType& type, std::uint32_t& size) {
    return memory_.query_value(key, name, type, size);
}

RegStatus FileRegistry::read_value(RegKeyHandle key, std::string_view name, std::uint32_t capacity, RegType& type,
                                   std::string& data) {
    return memory_.read_value(key, name, capacity, type, data);
}

RegStatus FileRegistry::set_value(RegKeyHandle key, std::string_view name, RegType type, std::string_view data) {
    return persist(memory_.set_value(key, name, type, data));
}

RegStatus FileRegistry::query_max_value_name_length(RegKeyHandle key, std::uint32_t& length) {
    return memory_.query_max_value_name_length(key, length);
}

RegStatus FileRegistry::enum_value_name(RegKeyHandle key, std::uint32_t index, std::uint32_t capacity,
                                        std::string& name) {
    return memory_.enum_value_name(key, index, capacity, name);
}

RegStatus FileRegistry::enum_key_name(RegKeyHandle key, std::uint32_t index, std::string& name) {
    return memory_.enum_key_name(key, index, name);
}

RegStatus FileRegistry::delete_key(RegKeyHandle parent, std::string_view path) {
    reload_if_changed();
    return persist(memory_.delete_key(parent, path));
}

RegStatus FileRegistry::close_key(RegKeyHandle key) { return memory_.close_key(key); }

}  // namespace corvel
