#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace corvel::win32 {

// The logic speaks UTF-8; Windows speaks UTF-16, and the registry's ANSI calls the system code page.
std::wstring widen(std::string_view utf8);
std::string narrow(std::wstring_view utf16);
std::string utf8_to_ansi(std::string_view utf8);
std::string ansi_to_utf8(std::string_view ansi);
// A BSTR holding the UTF-8 text (null for allocation failure).
BSTR make_bstr(std::string_view utf8);
std::string from_bstr(BSTR s);

}  // namespace corvel::win32
