#pragma once

#include <windows.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "platform/win32/text.h"

namespace corvel::win32::testing {

// A folder of its own for each test, below the user's temporary folder, gone after the test. Its name
// is not ASCII, so every path the bindings are given tests the UTF-8 to UTF-16 way through.
class ScratchFolder {
  public:
    ScratchFolder() {
        const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
        path_ =
            std::filesystem::temp_directory_path() /
            (L"corvel-w\u00E4rk-" + std::to_wstring(::GetCurrentProcessId()) + L"-" + widen(test->name()));
        std::filesystem::remove_all(path_);
        std::filesystem::create_directories(path_);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    ~ScratchFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }

    const std::filesystem::path& path() const noexcept { return path_; }
    // A path inside the folder, as the UTF-8 text the seams take.
    std::string utf8(const std::wstring& name = {}) const {
        return narrow((name.empty() ? path_ : path_ / name).wstring());
    }

  private:
    std::filesystem::path path_;
};

inline std::string read_file(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// Waits for something a started program does on its own time.
inline bool eventually(const std::function<bool()>& done) {
    for (int i = 0; i < 1000; ++i) {
        if (done()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return done();
}

// The folder the test program lies in, where the build puts the programs it starts.
inline std::filesystem::path program_folder() {
    wchar_t path[MAX_PATH * 4] = {};
    ::GetModuleFileNameW(nullptr, path, MAX_PATH * 4);
    return std::filesystem::path(path).parent_path();
}

}  // namespace corvel::win32::testing
