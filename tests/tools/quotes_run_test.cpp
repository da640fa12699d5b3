// corvel-quotes against a TWS that sends hostile texts.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <sstream>

#include "common/text.h"
#include "tests/support/scripted_peer.h"
#include "tests/support/wire_text.h"
#include "tools/quotes/quotes_app.h"

namespace corvel::quotes {
namespace {

using namespace std::chrono_literals;
using fakes::frame;
using fakes::PeerConnection;
using fakes::ScriptedPeer;

struct Outcome {
    int status = -1;
    std::string out;
    std::string err;
};

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

std::string contents(std::FILE* f) {
    std::fflush(f);
    std::rewind(f);
    std::string text;
    char chunk[4096];
    for (std::size_t n; (n = std::fread(chunk, 1, sizeof chunk, f)) > 0;)
        text.append(chunk, n);
    return text;
}

class QuotesRunTest : public ::testing::Test {
  protected:
    const std::filesystem::path settings = std::filesystem::temp_directory_path() /
                                           ("corvel-quotes-run-test-" + std::to_string(::getpid()) + ".reg");

    void SetUp() override { ::setenv("CORVEL_REGISTRY_FILE", settings.c_str(), 1); }
    void TearDown() override {
        ::unsetenv("CORVEL_REGISTRY_FILE");
        std::filesystem::remove(settings);
    }

    static QuotesOptions against(int port, OutputMode output) {
        QuotesOptions options;
        options.port = port;
        QuoteContract ibm;
        ibm.symbol = "IBM";
        ibm.sec_type = "STK";
        ibm.exchange = "SMART";
        ibm.currency = "USD";
        options.contracts = {ibm};
        options.ticks = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9};
        options.duration_seconds = 0.5;
        options.output = output;
        return options;
    }
    // Runs into temporary files.
    static Outcome run(const QuotesOptions& options) {
        const File out_file(std::tmpfile());
        const File err_file(std::tmpfile());
        Outcome r;
        r.status = run_quotes(options, out_file.get(), err_file.get());
        r.out = contents(out_file.get());
        r.err = contents(err_file.get());
        return r;
    }
};

// What a terminal would obey: every control character but the line ends the tool writes itself.
std::string controls_in(const std::string& text) {
    std::string found;
    for (const char c : text) {
        const auto b = static_cast<unsigned char>(c);
        if ((b < 0x20 && c != '\n') || b == 0x7F || (b >= 0x80 && b < 0xA0)) found += std::to_string(b) + " ";
    }
    return found;
}

// Texts a hostile TWS sends: clear screen, a window title, a bell, a carriage return over the line,
// and an escape spelled the way servers from version 153 escape their texts.
const std::string kClear = "\x1b[2J\x1b[H";
const std::string kTitle = "\x1b]0;owned\x07";

// Field `index` of a payload.
std::string field_of(const std::string& payload, int index) {
    std::size_t at = 0;
    for (int i = 0; i < index; ++i)
        at = payload.find('\0', at) + 1;
    return payload.substr(at, payload.find('\0', at) - at);
}

void hostile_session(PeerConnection& c) {
    c.handshake();
    const std::string id = field_of(c.read_payload(), 2);  // the request's id
    c.send(frame({"4", "2", "-1", "2104", "farm OK" + kTitle, ""}));
    c.send(frame({"4", "2", id, "10167", "delayed" + kClear + "\rfaked line", ""}));
    c.send(frame({"4", "2", "-1", "1100", "lost \\u001b[31mred\\u0007", ""}));
    c.send(frame({"1", "6", id, "4", "99.5", "7", "0"}));
    c.wait_closed(10s);
}

TEST_F(QuotesRunTest, ServerTextsArePrintedEscapedInEveryOutput) {
    for (const OutputMode mode : {OutputMode::Board, OutputMode::Jsonl, OutputMode::Csv}) {
        SCOPED_TRACE(static_cast<int>(mode));
        ScriptedPeer peer(hostile_session);
        const Outcome r = run(against(peer.port(), mode));
        EXPECT_EQ(peer.finish(), "");
        EXPECT_EQ(r.status, 0) << printable(r.err);
        EXPECT_EQ(controls_in(r.err), "") << printable(r.err);
        EXPECT_EQ(controls_in(r.out), "") << printable(r.out);
        EXPECT_NE(r.err.find("TWS notice 2104: farm OK\\x1B]0;owned\\x07"), std::string::npos)
            << printable(r.err);
        EXPECT_NE(r.err.find("TWS error 10167 (IBM): delayed\\x1B[2J\\x1B[H\\x0Dfaked line"),
                  std::string::npos)
            << printable(r.err);
        EXPECT_NE(r.err.find("TWS error 1100: lost \\x1B[31mred\\x07"), std::string::npos)
            << printable(r.err);
        if (mode == OutputMode::Board) {
            // The board's status line shows the last error.
            EXPECT_NE(r.out.find("status: TWS error 1100: lost \\x1B[31mred\\x07"), std::string::npos)
                << printable(r.out);
        } else {
            // The record streams stay one record a line.
            std::istringstream lines(r.out);
            std::string line;
            int count = 0;
            while (std::getline(lines, line)) {
                ++count;
                if (mode == OutputMode::Jsonl) {
                    EXPECT_TRUE(line.front() == '{' && line.back() == '}') << line;
                } else {
                    EXPECT_EQ(std::count(line.begin(), line.end(), ','), 6) << line;
                }
            }
            EXPECT_GE(count, 1);
        }
    }
}

TEST_F(QuotesRunTest, TheReasonAConnectFailedIsPrintedEscaped) {
    ScriptedPeer peer([](PeerConnection& c) {
        c.read_offer();
        c.send(frame({"178", "t"}));
        c.read_payload();
        c.send(frame({"4", "2", "-1", "326", "client id" + kTitle + " in use\r", ""}));
        c.close();
    });
    const Outcome r = run(against(peer.port(), OutputMode::Jsonl));
    EXPECT_EQ(peer.finish(), "");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(controls_in(r.err), "") << printable(r.err);
    EXPECT_NE(r.err.find(": 326 client id\\x1B]0;owned\\x07 in use\\x0D\n"), std::string::npos)
        << printable(r.err);
}

}  // namespace
}  // namespace corvel::quotes
