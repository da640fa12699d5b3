#pragma once

namespace corvel::pelorin {

// The user-interface library's name: the first part of its error sources and procedure names, and the
// title its error dialog names.
inline constexpr const char* kLibraryName = "Pelorin";
// The title of the library's validation messages.
inline constexpr const char* kMessageTitle = "Corvel";

}  // namespace corvel::pelorin
