#include "platform/win32/win32_text_files.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <set>
#include <thread>
#include <vector>

#include "platform/win32/system_handles.h"
#include "tests/win32/scratch_folder.h"

namespace corvel::win32 {
namespace {

using testing::read_file;
using testing::ScratchFolder;

class Win32TextFilesTest : public ::testing::Test {
  protected:
    ScratchFolder scratch;
    Win32TextFiles files;
};

TEST_F(Win32TextFilesTest, LinesAreAppendedInUtf8ToFilesCreatedWhenMissing) {
    const std::string log = scratch.utf8(L"Fehler-Protokoll \u00FC.txt");
    EXPECT_TRUE(files.append(log, "one\r\n"));
    EXPECT_TRUE(files.append(log, "Gr\u00F6\u00DFe \u2713 \U0001F4C8\r\n"));
    EXPECT_TRUE(files.append(log, ""));
    EXPECT_EQ(read_file(scratch.path() / L"Fehler-Protokoll \u00FC.txt"),
              "one\r\nGr\u00F6\u00DFe \u2713 \U0001F4C8\r\n")
        << "byte for byte as given, under the name as given";
    EXPECT_TRUE(files.remove(log));
    EXPECT_FALSE(files.remove(log)) << "already gone";
}

TEST_F(Win32TextFilesTest, ARelativeNameLiesInTheCurrentDirectory) {
    wchar_t previous[MAX_PATH * 4] = {};
    ::GetCurrentDirectoryW(MAX_PATH * 4, previous);
    ASSERT_TRUE(::SetCurrentDirectoryW(scratch.path().c_str()));
    const bool appended = files.append("Error Log.txt", "x\r\n");
    ::SetCurrentDirectoryW(previous);
    EXPECT_TRUE(appended);
    EXPECT_EQ(read_file(scratch.path() / L"Error Log.txt"), "x\r\n");
}

TEST_F(Win32TextFilesTest, WhatCannotBeWrittenIsReportedNotLost) {
    EXPECT_FALSE(files.append(scratch.utf8(L"no folder\\x.txt"), "x"));
    EXPECT_FALSE(files.append("", "x"));
    EXPECT_FALSE(files.append(scratch.utf8(), "x")) << "a folder is no file";
    EXPECT_FALSE(files.remove(scratch.utf8(L"never.txt")));

    // A program that holds the log without sharing it: the line is refused, and goes in once it is let go.
    const std::string log = scratch.utf8(L"held.txt");
    {
        unique_file held(::CreateFileW((scratch.path() / L"held.txt").c_str(), GENERIC_WRITE, 0, nullptr,
                                       CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(held);
        EXPECT_FALSE(files.append(log, "while held\r\n"));
    }
    EXPECT_TRUE(files.append(log, "after\r\n"));
    EXPECT_EQ(read_file(scratch.path() / L"held.txt"), "after\r\n");

    // A reader that shares the file, as an editor or a log viewer does, takes no line away.
    unique_file reader(::CreateFileW((scratch.path() / L"held.txt").c_str(), GENERIC_READ,
                                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                     OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(reader);
    EXPECT_TRUE(files.append(log, "read along\r\n"));
    EXPECT_TRUE(files.remove(log)) << "clearing the log while it is being read";
}

TEST_F(Win32TextFilesTest, WritersAtTheSameTimeLoseNoLineAndMixNone) {
    const std::string log = scratch.utf8(L"Tracing Log.txt");
    constexpr int kWriters = 4;
    constexpr int kLines = 250;
    std::vector<std::thread> writers;
    std::vector<int> refused(kWriters, 0);
    for (int w = 0; w < kWriters; ++w) {
        writers.emplace_back([&, w] {
            Win32TextFiles own;
            for (int i = 0; i < kLines; ++i) {
                // Every line long enough that two writers at one position would be seen.
                const std::string line = "writer " + std::to_string(w) + " line " + std::to_string(i) + " " +
                                         std::string(200, static_cast<char>('a' + w)) + "\r\n";
                if (!own.append(log, line)) ++refused[w];
            }
        });
    }
    for (auto& writer : writers) {
        writer.join();
    }
    for (int w = 0; w < kWriters; ++w) {
        EXPECT_EQ(refused[w], 0) << "writer " << w;
    }

    const std::string text = read_file(scratch.path() / L"Tracing Log.txt");
    std::set<std::string> seen;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find("\r\n", start);
        ASSERT_NE(end, std::string::npos) << "a line without its end";
        const std::string line = text.substr(start, end - start);
        ASSERT_GT(line.size(), 201u) << "a short line: " << line;
        const char fill = line.back();
        EXPECT_EQ(line.substr(line.size() - 200), std::string(200, fill)) << "a mixed line: " << line;
        seen.insert(line.substr(0, line.size() - 201));
        start = end + 2;
    }
    EXPECT_EQ(seen.size(), static_cast<std::size_t>(kWriters * kLines)) << "every line once";
}

}  // namespace
}  // namespace corvel::win32
