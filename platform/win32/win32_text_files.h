#pragma once

#include "seams/text_files.h"

namespace corvel::win32 {

// Log files on kernel32: every call opens, writes or deletes, and closes again. Paths arrive as UTF-8;
// the text is written byte for byte as given.
//
// A line goes to the end of the file in one write opened for appending only, so two writers (two
// Excel instances tracing into the same file) never write over each other's lines. The file is shared
// for reading, writing and deleting while a line goes in: a reader holding it open does not make a
// line fail, and clearing the logs is not refused because a line was being written.
class Win32TextFiles final : public TextFiles {
  public:
    bool append(std::string_view path, std::string_view text) override;
    bool remove(std::string_view path) override;
};

}  // namespace corvel::win32
