// The program the shell tests start: `corvel_test_child <report file> <milliseconds> [arguments...]`
// waits the given time, then writes the arguments after the first two (each followed by "|") and its
// current directory, one per line, in UTF-8, to the report file. The wait shows whether a caller that
// says it waited for the program really did.
// Windows' own header before the shell's, which needs its types.
#include <windows.h>

#include <shellapi.h>

#include <string>

#include "platform/win32/system_handles.h"
#include "platform/win32/text.h"

namespace {
struct Arguments {
    Arguments() : list(::CommandLineToArgvW(::GetCommandLineW(), &count)) {}
    Arguments(const Arguments&) = delete;
    Arguments& operator=(const Arguments&) = delete;
    ~Arguments() { ::LocalFree(list); }
    int count = 0;
    wchar_t** list;
};
}  // namespace

int main() {
    using namespace corvel::win32;
    const Arguments args;
    if (args.list == nullptr || args.count < 3) return 2;
    ::Sleep(static_cast<DWORD>(std::stoul(args.list[2])));

    std::string report;
    for (int i = 3; i < args.count; ++i)
        report += narrow(args.list[i]) + "|";
    wchar_t directory[MAX_PATH * 4] = {};
    ::GetCurrentDirectoryW(MAX_PATH * 4, directory);
    report += "\n" + narrow(directory) + "\n";

    // Written whole under a temporary name and then renamed, so a reader never sees half a report.
    const std::wstring target = args.list[1];
    const std::wstring temporary = target + L".part";
    {
        unique_file file(::CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                       FILE_ATTRIBUTE_NORMAL, nullptr));
        DWORD written = 0;
        if (!file ||
            !::WriteFile(file.get(), report.data(), static_cast<DWORD>(report.size()), &written, nullptr) ||
            !file.close()) {
            return 3;
        }
    }
    return ::MoveFileExW(temporary.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING) ? 0 : 4;
}
