#include "platform/win32/win32_registry.h"

#include <windows.h>

#include <vector>

#include "platform/win32/text.h"

namespace corvel::win32 {

namespace {

// The hives are sign-extended handle values on 64-bit Windows.
HKEY to_hkey(RegKeyHandle h) {
    if (is_predefined_hive(h)) return reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(static_cast<LONG>(h)));
    return reinterpret_cast<HKEY>(h);
}

bool is_text(RegType type) {
    return type == RegType::Sz || type == RegType::ExpandSz || type == RegType::MultiSz;
}

}  // namespace

RegStatus Win32Registry::create_key(RegKeyHandle parent, std::string_view path, std::uint32_t access,
                                    RegKeyHandle& out) {
    HKEY key = nullptr;
    const LONG status = ::RegCreateKeyExA(to_hkey(parent), utf8_to_ansi(path).c_str(), 0, nullptr,
                                          REG_OPTION_NON_VOLATILE, access, nullptr, &key, nullptr);
    out = status == ERROR_SUCCESS ? reinterpret_cast<RegKeyHandle>(key) : 0;
    return status;
}

RegStatus Win32Registry::open_key(RegKeyHandle parent, std::string_view path, std::uint32_t access,
                                  RegKeyHandle& out) {
    HKEY key = nullptr;
    const LONG status = ::RegOpenKeyExA(to_hkey(parent), utf8_to_ansi(path).c_str(), 0, access, &key);
    out = status == ERROR_SUCCESS ? reinterpret_cast<RegKeyHandle>(key) : 0;
    return status;
}

RegStatus Win32Registry::query_value(RegKeyHandle key, std::string_view name, RegType& type,
                                     std::uint32_t& size) {
    DWORD t = 0, n = 0;
    const LONG status =
        ::RegQueryValueExA(to_hkey(key), utf8_to_ansi(name).c_str(), nullptr, &t, nullptr, &n);
    type = static_cast<RegType>(t);
    size = n;
    return status;
}

RegStatus Win32Registry::read_value(RegKeyHandle key, std::string_view name, std::uint32_t capacity,
                                    RegType& type, std::string& data) {
    std::vector<BYTE> buffer(capacity ? capacity : 1);
    DWORD t = 0, n = capacity;
    const LONG status =
        ::RegQueryValueExA(to_hkey(key), utf8_to_ansi(name).c_str(), nullptr, &t, buffer.data(), &n);
    type = static_cast<RegType>(t);
    if (status != ERROR_SUCCESS) return status;
    data.assign(reinterpret_cast<const char*>(buffer.data()), n);
    if (is_text(type)) data = ansi_to_utf8(data);
    return status;
}

RegStatus Win32Registry::set_value(RegKeyHandle key, std::string_view name, RegType type,
                                   std::string_view data) {
    const std::string bytes = is_text(type) ? utf8_to_ansi(data) : std::string(data);
    return ::RegSetValueExA(to_hkey(key), utf8_to_ansi(name).c_str(), 0, static_cast<DWORD>(type),
                            reinterpret_cast<const BYTE*>(bytes.data()), static_cast<DWORD>(bytes.size()));
}

RegStatus Win32Registry::query_max_value_name_length(RegKeyHandle key, std::uint32_t& length) {
    DWORD longest = 0;
    const LONG status = ::RegQueryInfoKeyA(to_hkey(key), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                           nullptr, &longest, nullptr, nullptr, nullptr);
    length = longest;
    return status;
}

RegStatus Win32Registry::enum_value_name(RegKeyHandle key, std::uint32_t index, std::uint32_t capacity,
                                         std::string& name) {
    std::vector<char> buffer(capacity ? capacity : 1);
    DWORD n = capacity;
    const LONG status =
        ::RegEnumValueA(to_hkey(key), index, buffer.data(), &n, nullptr, nullptr, nullptr, nullptr);
    if (status == ERROR_SUCCESS) name = ansi_to_utf8(std::string_view(buffer.data(), n));
    return status;
}

RegStatus Win32Registry::enum_key_name(RegKeyHandle key, std::uint32_t index, std::string& name) {
    char buffer[MAX_PATH + 1] = {};
    const LONG status = ::RegEnumKeyA(to_hkey(key), index, buffer, sizeof buffer);
    if (status == ERROR_SUCCESS) name = ansi_to_utf8(buffer);
    return status;
}

RegStatus Win32Registry::delete_key(RegKeyHandle parent, std::string_view path) {
    return ::RegDeleteKeyA(to_hkey(parent), utf8_to_ansi(path).c_str());
}

RegStatus Win32Registry::close_key(RegKeyHandle key) {
    return ::RegCloseKey(to_hkey(key));
}

}  // namespace corvel::win32
