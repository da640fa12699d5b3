#pragma once

#include <unistd.h>

#include <cerrno>

#include "common/unique_handle.h"

namespace corvel {

// Puts errno back as it was when the scope began: a close on a failure path must not overwrite the
// error being reported.
class KeepErrno {
  public:
    KeepErrno() noexcept : saved_(errno) {}
    KeepErrno(const KeepErrno&) = delete;
    KeepErrno& operator=(const KeepErrno&) = delete;
    ~KeepErrno() { errno = saved_; }

  private:
    int saved_;
};

struct FileDescriptorPolicy {
    using handle_type = int;
    static constexpr handle_type invalid() noexcept { return -1; }
    static bool is_valid(handle_type fd) noexcept { return fd >= 0; }
    // False when the system reported an error (the descriptor is gone either way; data written
    // through it may be lost).
    static bool close(handle_type fd) noexcept {
        KeepErrno keep;
        return ::close(fd) == 0;
    }
};

// Owns one open file descriptor and closes it on every path out of the scope that opened it.
using FileDescriptor = UniqueHandle<FileDescriptorPolicy>;

}  // namespace corvel
