#pragma once

#include <string_view>

namespace corvel {

// The files the error handler writes: each call opens the file, does its one thing and closes it
// again, so a log never stays open between two lines. Paths are used exactly as given (a relative
// name lies in the process's current directory).
class TextFiles {
  public:
    virtual ~TextFiles() = default;
    // Appends `text` to the file, creating it if missing. False when the file cannot be written.
    virtual bool append(std::string_view path, std::string_view text) = 0;
    // Deletes the file. False when it is missing or cannot be deleted.
    virtual bool remove(std::string_view path) = 0;
};

}  // namespace corvel
