// The two programs as a user runs them: corvel-twssim as a separate process, and corvel-quotes.
#include <gtest/gtest.h>

#include <algorithm>
#include <charconv>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <string_view>

#include "common/automation_error.h"
#include "common/text.h"
#include "tests/integration/integration_support.h"
#include "tests/support/child_process.h"
#include "tests/support/recording_control_events.h"
#include "tools/tws_sim/quote_stream.h"

namespace corvel {
namespace {

using namespace std::chrono_literals;
using fakes::ChildProcess;

int port_from(const std::string& line) {
    const std::string prefix = "listening on 127.0.0.1:";
    const std::size_t at = line.find(prefix);
    return at == std::string::npos ? 0 : std::atoi(line.c_str() + at + prefix.size());
}

bool all_digits(std::string_view s) {
    return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// "YYYY-MM-DDTHH:MM:SS.mmm"
bool is_iso_time(std::string_view s) {
    static constexpr std::string_view kShape = "dddd-dd-ddTdd:dd:dd.ddd";
    if (s.size() != kShape.size()) return false;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (kShape[i] == 'd' ? !(s[i] >= '0' && s[i] <= '9') : s[i] != kShape[i]) return false;
    }
    return true;
}

bool is_number(std::string_view s) {
    double v = 0;
    const auto [ptr, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    return !s.empty() && ec == std::errc() && ptr == s.data() + s.size();
}

// The programs keep their settings in a file of their own, not in the user's.
std::vector<std::pair<std::string, std::string>> quiet_registry() {
    return {{"CORVEL_REGISTRY_FILE",
             (std::filesystem::temp_directory_path() / "corvel-process-test.reg").string()}};
}

// A port nothing listens on: one the system just gave out and took back.
int closed_port() {
    std::string error;
    net::Socket probe = net::listen_tcp("127.0.0.1", 0, error);
    return net::local_port(probe.get());
}

std::vector<std::string> lines_of(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        out.push_back(line);
    return out;
}

// A flat JSON object of strings and numbers, as the record stream writes it, member by member (strings
// keep their quotes); empty when the text is not one.
std::map<std::string, std::string> flat_json(std::string_view text) {
    std::map<std::string, std::string> out;
    if (text.size() < 2 || text.front() != '{' || text.back() != '}') return {};
    std::size_t at = 1;
    const auto string_end = [&](std::size_t from) {  // index of the closing quote, or npos
        for (std::size_t i = from + 1; i < text.size(); ++i) {
            if (text[i] == '\\')
                ++i;
            else if (text[i] == '"')
                return i;
        }
        return std::string_view::npos;
    };
    for (;;) {
        if (text[at] != '"') return {};
        const std::size_t key_end = string_end(at);
        if (key_end == std::string_view::npos || text[key_end + 1] != ':') return {};
        const std::string key(text.substr(at + 1, key_end - at - 1));
        std::size_t value_start = key_end + 2, value_end;
        if (text[value_start] == '"') {
            const std::size_t close = string_end(value_start);
            if (close == std::string_view::npos) return {};
            value_end = close + 1;
        } else {
            value_end = text.find_first_of(",}", value_start);
            if (!is_number(text.substr(value_start, value_end - value_start))) return {};
        }
        out[key] = std::string(text.substr(value_start, value_end - value_start));
        if (text[value_end] == '}')
            return value_end + 1 == text.size() ? out : std::map<std::string, std::string>{};
        if (text[value_end] != ',') return {};
        at = value_end + 1;
    }
}

class SeparateSimulator : public EngineOverSocket {};

TEST_F(SeparateSimulator, TheClientStreamsExactlyWhatTheSimulatorProcessGenerates) {
    ChildProcess simulator_process(CORVEL_TWSSIM_PATH,
                                   {"--port", "0", "--seed", "11", "--rate", "200", "--updates", "25"});
    const int port = port_from(simulator_process.first_line(10s));
    ASSERT_NE(port, 0) << simulator_process.err();

    fakes::RecordingControlEvents events;
    TwsSocketClient client(loop, socket_options);
    client.set_events(&events);
    client.connect("127.0.0.1", port, 1);
    ContractRequest c;
    c.sec_type = "STK";
    c.exchange = "SMART";
    c.currency = "USD";
    const std::vector<std::string> symbols = {"AAPL", "MSFT", "IBM"};
    for (std::size_t i = 0; i < symbols.size(); ++i) {
        c.symbol = symbols[i];
        client.request_market_data(static_cast<std::int32_t>(i + 1), c, "", false);
    }
    // The same contracts and seed, generated here, are what the other process must have sent.
    std::map<std::int32_t, std::vector<Tick>> expected;
    std::size_t total = 0;
    for (std::size_t i = 0; i < symbols.size(); ++i) {
        const auto known = sim::default_contracts();
        const auto contract =
            *std::find_if(known.begin(), known.end(), [&](const auto& k) { return k.symbol == symbols[i]; });
        sim::QuoteStream stream(contract, 11, true);
        std::vector<sim::SimTick> ticks;
        stream.initial(ticks);
        for (int u = 0; u < 25; ++u)
            stream.next(ticks);
        std::vector<sim::SentTick> sent;
        for (const auto& t : ticks)
            sent.push_back({1, static_cast<std::int32_t>(i + 1), t});
        expected[static_cast<std::int32_t>(i + 1)] = reported_ticks(sent, 1);
        total += expected[static_cast<std::int32_t>(i + 1)].size();
    }
    ASSERT_TRUE(pump_until([&] { return events.of_kind('p').size() + events.of_kind('s').size() >= total; }));
    pump_for(100ms);
    std::map<std::int32_t, std::vector<Tick>> got;
    for (const auto& e : events.events) {
        if (e.kind != 'e') got[e.id].push_back({e.id, e.type, e.value});
    }
    EXPECT_EQ(got, expected);

    // A second program with the same client id is refused.
    fakes::RecordingControlEvents other_events;
    TwsSocketClient other(loop, socket_options);
    other.set_events(&other_events);
    EXPECT_THROW(other.connect("127.0.0.1", port, 1), AutomationError);
    EXPECT_EQ(other_events.error_codes(), (std::vector<std::int32_t>{326}));

    client.disconnect();
    simulator_process.interrupt();
    EXPECT_EQ(simulator_process.wait(10s), 0);
}

TEST_F(SeparateSimulator, ASimulatorProcessThatDropsTheConnectionIsReportedAsLost) {
    ChildProcess simulator_process(CORVEL_TWSSIM_PATH,
                                   {"--port", "0", "--close-after", "30", "--rate", "50"});
    const int port = port_from(simulator_process.first_line(10s));
    ASSERT_NE(port, 0);
    ChildProcess quotes(CORVEL_QUOTES_PATH,
                        {"--port", std::to_string(port), "--contract", "STK:IBM:SMART:USD", "--contract",
                         "STK:AAPL:SMART:USD", "--jsonl", "--duration", "20"},
                        quiet_registry());
    EXPECT_EQ(quotes.wait(20s), 1);
    EXPECT_NE(quotes.err().find("lost the connection to TWS: 509"), std::string::npos) << quotes.err();
    EXPECT_FALSE(quotes.out().empty());  // what came before the loss was delivered
    simulator_process.interrupt();
    EXPECT_EQ(simulator_process.wait(10s), 0);
}

TEST_F(SeparateSimulator, TheSimulatorProcessServesNoMoreClientsThanItsMaximum) {
    ChildProcess simulator_process(CORVEL_TWSSIM_PATH, {"--port", "0", "--max-connections", "1", "-v"});
    const int port = port_from(simulator_process.first_line(10s));
    ASSERT_NE(port, 0) << simulator_process.err();
    TwsSocketClient first(loop, socket_options);
    first.connect("127.0.0.1", port, 1);
    TwsSocketClient second(loop, socket_options);
    EXPECT_THROW(second.connect("127.0.0.1", port, 2), AutomationError);
    first.disconnect();
    simulator_process.interrupt();
    EXPECT_EQ(simulator_process.wait(10s), 0);
    EXPECT_NE(simulator_process.err().find("connection refused: 1 connections open"), std::string::npos)
        << simulator_process.err();
}

TEST(QuotesProgram, JsonLinesAreWellFormedRecords) {
    ChildProcess quotes(CORVEL_QUOTES_PATH,
                        {"--simulate", "--sim-rate", "50", "--jsonl", "--duration", "2", "--stats"},
                        quiet_registry());
    ASSERT_EQ(quotes.wait(30s), 0) << quotes.err();
    const auto lines = lines_of(quotes.out());
    ASSERT_GT(lines.size(), 50U);
    std::map<std::string, int> per_contract;
    for (const auto& line : lines) {
        const auto record = flat_json(line);
        ASSERT_EQ(record.size(), 7U) << line;
        for (const char* key : {"key", "id", "contract", "tick_type", "tick_name", "value", "time"}) {
            ASSERT_TRUE(record.count(key)) << key << " missing in " << line;
        }
        const std::string time = record.at("time").substr(1, record.at("time").size() - 2);
        EXPECT_TRUE(is_iso_time(time)) << line;
        const int type = std::stoi(record.at("tick_type"));
        EXPECT_GE(type, 0);
        EXPECT_LE(type, 9);
        EXPECT_GT(std::stod(record.at("value")), 0) << line;  // the simulator's prices and sizes are positive
        ++per_contract[record.at("contract")];
    }
    EXPECT_EQ(per_contract.size(), 7U);  // the simulator's contracts all streamed
    EXPECT_NE(quotes.err().find("records delivered  " + std::to_string(lines.size())), std::string::npos)
        << quotes.err();
}

TEST(QuotesProgram, CsvHasAHeadingAndSevenFieldsPerRecord) {
    ChildProcess quotes(CORVEL_QUOTES_PATH,
                        {"--simulate", "--sim-rate", "50", "--csv", "--duration", "2", "--contract",
                         "STK:IBM:SMART:USD", "--contract", "CASH:EUR:IDEALPRO:USD", "--ticks", "1,2,4"},
                        quiet_registry());
    ASSERT_EQ(quotes.wait(30s), 0) << quotes.err();
    const auto lines = lines_of(quotes.out());
    ASSERT_GT(lines.size(), 10U);
    EXPECT_EQ(lines[0], "key,id,contract,tick_type,tick_name,value,time");
    for (std::size_t i = 1; i < lines.size(); ++i) {
        SCOPED_TRACE(lines[i]);
        const std::vector<std::string_view> f = text::split(lines[i], ',');
        ASSERT_EQ(f.size(), 7U);
        EXPECT_TRUE(f[0].size() > 1 && f[0][0] == 'a' && all_digits(f[0].substr(1)));
        EXPECT_TRUE((f[1] == "1" && f[2] == "IBM") || (f[1] == "2" && f[2] == "EUR.USD"));
        EXPECT_TRUE((f[3] == "1" && f[4] == "BID_PRICE") || (f[3] == "2" && f[4] == "ASK_PRICE") ||
                    (f[3] == "4" && f[4] == "LAST_PRICE"));
        EXPECT_TRUE(is_number(f[5]));
        EXPECT_TRUE(is_iso_time(f[6]));
    }
}

TEST(QuotesProgram, TheBoardShowsEveryContractAndEndsWithAStatus) {
    ChildProcess quotes(CORVEL_QUOTES_PATH, {"--simulate", "--sim-rate", "20", "--duration", "1"},
                        quiet_registry());
    ASSERT_EQ(quotes.wait(30s), 0) << quotes.err();
    const std::string out = quotes.out();
    for (const char* label :
         {"CONTRACT", "AAPL", "MSFT", "IBM", "SPY", "EUR.USD", "ES 202612", "BTC", "status: "}) {
        EXPECT_NE(out.find(label), std::string::npos) << label << "\n" << out;
    }
}

TEST(QuotesProgram, AClosedPortEndsWithStatus1AndTheReason) {
    const int port = closed_port();
    ChildProcess quotes(CORVEL_QUOTES_PATH,
                        {"--port", std::to_string(port), "--contract", "STK:IBM:SMART:USD"},
                        quiet_registry());
    EXPECT_EQ(quotes.wait(30s), 1);
    EXPECT_NE(quotes.err().find("could not connect to TWS at 127.0.0.1:" + std::to_string(port) + ": 502"),
              std::string::npos)
        << quotes.err();
}

TEST(QuotesProgram, CtrlCOrSigtermWhileConnectingEndsAtOnceWithStatus1) {
    for (const int signal : {SIGINT, SIGTERM}) {
        SCOPED_TRACE(signal);
        // A TWS that takes the connection and never answers: the connect would wait its 30 s.
        std::string error;
        net::Socket silent = net::listen_tcp("127.0.0.1", 0, error);
        ASSERT_TRUE(silent) << error;
        const int port = net::local_port(silent.get());
        ChildProcess quotes(
            CORVEL_QUOTES_PATH,
            {"--port", std::to_string(port), "--contract", "STK:IBM:SMART:USD", "--timeout", "30"},
            quiet_registry());
        ASSERT_EQ(net::wait_ready(silent.get(), false, std::chrono::steady_clock::now() + 10s, error),
                  net::WaitResult::Ready);  // it is connecting
        std::this_thread::sleep_for(100ms);
        quotes.signal(signal);
        EXPECT_EQ(quotes.wait(5s), 1);
        EXPECT_NE(quotes.err().find("corvel-quotes: interrupted while connecting to TWS at 127.0.0.1:" +
                                    std::to_string(port) + "\n"),
                  std::string::npos)
            << quotes.err();
    }
}

TEST(QuotesProgram, OutputThatCannotBeWrittenEndsWithStatus1AndTheReason) {
    // Many records fail as they are written; a few, and the board, fail only when the output is
    // flushed at the end.
    const std::vector<std::vector<std::string>> runs = {
        {"--simulate", "--sim-rate", "max", "--jsonl", "--duration", "2"},
        {"--simulate", "--sim-rate", "1", "--csv", "--duration", "0.5", "--contract", "STK:IBM:SMART:USD"},
        {"--simulate", "--sim-rate", "1", "--duration", "0.5"},
    };
    for (const auto& arguments : runs) {
        std::string command;
        for (const auto& a : arguments)
            command += a + " ";
        SCOPED_TRACE(command);
        ChildProcess quotes(CORVEL_QUOTES_PATH, arguments, quiet_registry(), "/dev/full");
        EXPECT_EQ(quotes.wait(30s), 1) << quotes.err();
        EXPECT_NE(quotes.err().find("corvel-quotes: cannot write the output: No space left on device"),
                  std::string::npos)
            << quotes.err();
    }
}

TEST(QuotesProgram, CtrlCEndsCleanlyAndStoresTheGenericTicks) {
    const auto settings = (std::filesystem::temp_directory_path() / "corvel-ctrl-c-test.reg").string();
    std::filesystem::remove(settings);
    ChildProcess quotes(CORVEL_QUOTES_PATH, {"--simulate", "--jsonl", "--stats"},
                        {{"CORVEL_REGISTRY_FILE", settings}});
    std::this_thread::sleep_for(1500ms);
    quotes.interrupt();
    EXPECT_EQ(quotes.wait(20s), 0) << quotes.err();
    EXPECT_NE(quotes.err().find("records delivered"), std::string::npos);
    EXPECT_FALSE(quotes.out().empty());
    std::ifstream in(settings);
    const std::string stored((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_NE(stored.find("\"CorvelgenericTicks\"=\"100,101,104,105,107,165,225,232,233,236\""),
              std::string::npos)
        << stored;
    std::filesystem::remove(settings);
}

TEST(QuotesProgram, ASettingsFileThatCannotBeReadIsNamedAndLeftAlone) {
    const auto settings = std::filesystem::temp_directory_path() / "corvel-settings-folder-test.reg";
    std::filesystem::remove_all(settings);
    std::filesystem::create_directories(settings);
    const int port = closed_port();
    ChildProcess quotes(CORVEL_QUOTES_PATH,
                        {"--port", std::to_string(port), "--contract", "STK:IBM:SMART:USD"},
                        {{"CORVEL_REGISTRY_FILE", settings.string()}});
    EXPECT_EQ(quotes.wait(30s), 1);
    EXPECT_NE(quotes.err().find("cannot use the settings file " + settings.string() +
                                ": it is a folder, not a regular file; the settings stay at their defaults"),
              std::string::npos)
        << quotes.err();
    EXPECT_TRUE(std::filesystem::is_directory(settings));
    std::filesystem::remove_all(settings);
}

TEST(QuotesProgram, BadArgumentsAreExplained) {
    ChildProcess no_contracts(CORVEL_QUOTES_PATH, {"--port", "7497"}, quiet_registry());
    EXPECT_EQ(no_contracts.wait(10s), 2);
    EXPECT_NE(no_contracts.err().find("no contracts"), std::string::npos);
    ChildProcess bad_contract(CORVEL_QUOTES_PATH, {"--contract", "IBM"}, quiet_registry());
    EXPECT_EQ(bad_contract.wait(10s), 2);
    EXPECT_NE(bad_contract.err().find("TYPE:SYMBOL:EXCHANGE:CURRENCY"), std::string::npos);
    ChildProcess both(CORVEL_QUOTES_PATH, {"--simulate", "--port", "7497"}, quiet_registry());
    EXPECT_NE(both.wait(10s), 0);
    EXPECT_NE(both.err().find("excludes"), std::string::npos) << both.err();
}

}  // namespace
}  // namespace corvel
