#pragma once

#include "seams/text_files.h"

namespace corvel {

// Log files on the file system: every call opens, writes or deletes, and closes again.
class PosixTextFiles final : public TextFiles {
  public:
    bool append(std::string_view path, std::string_view text) override;
    bool remove(std::string_view path) override;
};

}  // namespace corvel
