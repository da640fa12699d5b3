#include "platform/win32/text.h"

#include <oleauto.h>

namespace corvel::win32 {

namespace {
std::wstring to_wide(std::string_view text, UINT code_page) {
    if (text.empty()) return {};
    const int n = ::MultiByteToWideChar(code_page, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring out(static_cast<std::size_t>(n), L'\0');
    ::MultiByteToWideChar(code_page, 0, text.data(), static_cast<int>(text.size()), out.data(), n);
    return out;
}
std::string from_wide(std::wstring_view text, UINT code_page) {
    if (text.empty()) return {};
    const int n = ::WideCharToMultiByte(code_page, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                        nullptr, nullptr);
    std::string out(static_cast<std::size_t>(n), '\0');
    ::WideCharToMultiByte(code_page, 0, text.data(), static_cast<int>(text.size()), out.data(), n, nullptr,
                          nullptr);
    return out;
}
}  // namespace

std::wstring widen(std::string_view utf8) {
    return to_wide(utf8, CP_UTF8);
}
std::string narrow(std::wstring_view utf16) {
    return from_wide(utf16, CP_UTF8);
}
std::string utf8_to_ansi(std::string_view utf8) {
    return from_wide(to_wide(utf8, CP_UTF8), CP_ACP);
}
std::string ansi_to_utf8(std::string_view ansi) {
    return from_wide(to_wide(ansi, CP_ACP), CP_UTF8);
}

BSTR make_bstr(std::string_view utf8) {
    const std::wstring wide = widen(utf8);
    return ::SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
}

std::string from_bstr(BSTR s) {
    return s ? narrow(std::wstring_view(s, ::SysStringLen(s))) : std::string();
}

}  // namespace corvel::win32
