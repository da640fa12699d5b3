#include "platform/win32/win32_text_files.h"

#include <windows.h>

#include <algorithm>

#include "platform/win32/system_handles.h"
#include "platform/win32/text.h"

namespace corvel::win32 {

namespace {
// Writers of a log take turns through a lock on one byte far beyond any end the file will reach, so
// no reader and no other program is held up: the lock only orders the writers among themselves. The
// system appends a handle's writes atomically; Wine computes the end and writes there in two steps,
// and two writers at once lose a line. The lock makes both keep every line.
constexpr DWORD kLockOffsetLow = 0xFFFFFFFE;
constexpr DWORD kLockOffsetHigh = 0x7FFFFFFF;

class AppendTurn {
  public:
    explicit AppendTurn(HANDLE file) noexcept : file_(file) {
        OVERLAPPED at{};
        at.Offset = kLockOffsetLow;
        at.OffsetHigh = kLockOffsetHigh;
        held_ = ::LockFileEx(file_, LOCKFILE_EXCLUSIVE_LOCK, 0, 1, 0, &at) != FALSE;
    }
    AppendTurn(const AppendTurn&) = delete;
    AppendTurn& operator=(const AppendTurn&) = delete;
    ~AppendTurn() {
        if (!held_) return;
        KeepLastError keep;
        OVERLAPPED at{};
        at.Offset = kLockOffsetLow;
        at.OffsetHigh = kLockOffsetHigh;
        ::UnlockFileEx(file_, 0, 1, 0, &at);
    }

  private:
    HANDLE file_;
    bool held_ = false;
};
}  // namespace

bool Win32TextFiles::append(std::string_view path, std::string_view text) {
    // Appending only: without the right to write data, every write goes to the end of the file. The
    // right to read is what the system asks of a handle that takes a lock.
    unique_file file(::CreateFileW(widen(path).c_str(), FILE_READ_DATA | FILE_APPEND_DATA | SYNCHRONIZE,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                   OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    {
        // A file system without locks still takes the line, as the system appends it.
        const AppendTurn turn(file.get());
        while (!text.empty()) {
            const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(text.size(), 1u << 30));
            DWORD written = 0;
            if (!::WriteFile(file.get(), text.data(), chunk, &written, nullptr) || written == 0) return false;
            text.remove_prefix(written);
        }
    }
    return file.close();
}

bool Win32TextFiles::remove(std::string_view path) {
    return ::DeleteFileW(widen(path).c_str()) != FALSE;
}

}  // namespace corvel::win32
