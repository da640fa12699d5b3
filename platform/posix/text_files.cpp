#include "platform/posix/text_files.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "platform/posix/file_descriptor.h"

namespace corvel {

bool PosixTextFiles::append(std::string_view path, std::string_view text) {
    const std::string name(path);
    FileDescriptor file(::open(name.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666));
    if (!file) return false;
    std::size_t written = 0;
    while (written < text.size()) {
        const ssize_t n = ::write(file.get(), text.data() + written, text.size() - written);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        written += static_cast<std::size_t>(n);
    }
    return file.close();
}

bool PosixTextFiles::remove(std::string_view path) {
    return ::unlink(std::string(path).c_str()) == 0;
}

}  // namespace corvel
