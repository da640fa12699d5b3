// The simulator's parts: reading what a client writes, writing what TWS writes, and its markets.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <map>
#include <mutex>
#include <optional>
#include <thread>

#include "platform/posix/file_descriptor.h"
#include "platform/tws_socket/codec/decoder.h"
#include "platform/tws_socket/codec/encoder.h"
#include "platform/tws_socket/codec/field_codec.h"
#include "platform/tws_socket/codec/framing.h"
#include "platform/tws_socket/socket.h"
#include "tests/support/wire_text.h"
#include "tools/tws_sim/quote_stream.h"
#include "tools/tws_sim/server_codec.h"
#include "tools/tws_sim/sim_contract.h"
#include "tools/tws_sim/tws_simulator.h"

namespace corvel::sim {
namespace {

using fakes::fields;
using fakes::frame;
using namespace std::chrono_literals;

// The client end of one connection to a simulator, driven byte by byte. A small receive buffer makes
// a client that does not read show as one quickly.
class WireClient {
  public:
    // A socket not yet connected.
    WireClient() : socket_(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)) {}
    explicit WireClient(int port, int receive_buffer = 0) : WireClient() {
        if (receive_buffer > 0)
            ::setsockopt(fd(), SOL_SOCKET, SO_RCVBUF, &receive_buffer, sizeof receive_buffer);
        connect_to(port);
    }

    bool connect_to(int port) {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(static_cast<std::uint16_t>(port));
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        connected_ = ::connect(fd(), reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
        return connected_;
    }

    bool connected() const noexcept { return connected_; }
    bool closed() const noexcept { return closed_; }

    void send(std::string_view bytes) {
        while (!bytes.empty()) {
            const ssize_t n = ::send(fd(), bytes.data(), bytes.size(), MSG_NOSIGNAL);
            if (n <= 0) return;
            bytes.remove_prefix(static_cast<std::size_t>(n));
        }
    }

    // The next frame's payload; nothing when the connection ended or no frame came in time.
    std::optional<std::string> read_payload(std::chrono::milliseconds timeout = 5s) {
        const auto until = std::chrono::steady_clock::now() + timeout;
        for (;;) {
            const tws::FrameView frame = tws::peek_frame(buffer_);
            if (frame.status == tws::FrameStatus::Complete) {
                std::string payload(frame.payload);
                buffer_.erase(0, frame.size);
                return payload;
            }
            if (closed_ || !fill(until)) return std::nullopt;
        }
    }

    // Reads and drops everything until the peer ends the connection; false if it did not in time.
    bool closed_within(std::chrono::milliseconds timeout) {
        const auto until = std::chrono::steady_clock::now() + timeout;
        while (!closed_) {
            if (!fill(until)) return closed_;
            buffer_.clear();
        }
        return true;
    }

    // Bytes received and not yet taken as frames.
    const std::string& pending() const noexcept { return buffer_; }

    // The opening as IB's clients make it: prefix, offer, start-API; returns the handshake reply's
    // server version, after the messages up to nextValidId have been read.
    int open(std::string_view offer = "v157..178", int client_id = 1) {
        send(std::string("API\0", 4) + fakes::framed(offer));
        const auto reply = read_payload();
        if (!reply) return 0;
        const int version = std::atoi(reply->c_str());
        send(frame({"71", "2", std::to_string(client_id), ""}));
        while (const auto payload = read_payload()) {
            if (payload->rfind(fields({"9"}), 0) == 0) return version;
        }
        return 0;
    }

  private:
    int fd() const noexcept { return static_cast<int>(socket_.get()); }

    // Waits for bytes until `until`; false when none came (the connection may have ended).
    bool fill(std::chrono::steady_clock::time_point until) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(until - std::chrono::steady_clock::now());
        pollfd p{fd(), POLLIN, 0};
        if (left.count() <= 0 || ::poll(&p, 1, static_cast<int>(left.count())) <= 0) return false;
        char chunk[16 * 1024];
        const ssize_t n = ::recv(fd(), chunk, sizeof chunk, 0);
        if (n <= 0) {
            closed_ = true;
            return false;
        }
        buffer_.append(chunk, static_cast<std::size_t>(n));
        return true;
    }

    net::Socket socket_;
    bool connected_ = false;
    bool closed_ = false;
    std::string buffer_;
};

// A simulator on its own thread, with its log kept for the test.
struct RunningSimulator {
    explicit RunningSimulator(SimulatorConfig config) : simulator(with_log(std::move(config))) {
        simulator.start();
    }
    ~RunningSimulator() { simulator.stop(); }

    SimulatorConfig with_log(SimulatorConfig config) {
        config.log = [this](const std::string& line) {
            const std::lock_guard<std::mutex> lock(mutex);
            log.push_back(line);
        };
        return config;
    }
    int count_log(std::string_view part) {
        const std::lock_guard<std::mutex> lock(mutex);
        return static_cast<int>(std::count_if(log.begin(), log.end(), [&](const std::string& line) {
            return line.find(part) != std::string::npos;
        }));
    }
    int port() const { return simulator.port(); }

    std::mutex mutex;
    std::vector<std::string> log;
    TwsSimulator simulator;
};

// Waits until `condition` holds or `timeout` passes; returns whether it held.
template <class Condition>
bool eventually(Condition condition, std::chrono::milliseconds timeout = 5s) {
    const auto until = std::chrono::steady_clock::now() + timeout;
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= until) return false;
        std::this_thread::sleep_for(5ms);
    }
    return true;
}

TEST(VersionOffer, RangesSingleVersionsAndOptions) {
    const VersionOffer range = parse_version_offer("v157..178");
    EXPECT_TRUE(range.ok);
    EXPECT_EQ(range.min_version, 157);
    EXPECT_EQ(range.max_version, 178);
    const VersionOffer single = parse_version_offer("v176 +PACEAPI");
    EXPECT_TRUE(single.ok);
    EXPECT_EQ(single.min_version, 176);
    EXPECT_EQ(single.max_version, 176);
    EXPECT_EQ(single.options, "+PACEAPI");
    for (const char* bad : {"", "157..178", "v", "vabc", "v178..157", "v0"})
        EXPECT_FALSE(parse_version_offer(bad).ok) << bad;
}

TEST(ClientMessages, WhatTheClientEncodesTheSimulatorReadsBack) {
    ContractRequest c;
    c.symbol = "IBM";
    c.sec_type = "OPT";
    c.expiry = "20261218";
    c.strike = 150.5;
    c.right = "C";
    c.multiplier = "100";
    c.exchange = "SMART";
    c.primary_exchange = "NYSE";
    c.currency = "USD";
    for (const int version : {45, 100, 178, 200}) {
        SCOPED_TRACE(version);
        std::string out;
        ASSERT_TRUE(tws::encode_req_mkt_data(out, version, 7, c, "233", false));
        const ClientMessage message = decode_client_message(std::string_view(out).substr(4), version);
        const auto* req = std::get_if<ReqMktData>(&message);
        ASSERT_NE(req, nullptr);
        EXPECT_EQ(req->req_id, 7);
        EXPECT_EQ(req->contract.symbol, "IBM");
        EXPECT_EQ(req->contract.strike, 150.5);
        EXPECT_EQ(req->contract.primary_exchange, "NYSE");
        EXPECT_EQ(req->generic_ticks, "233");
        EXPECT_FALSE(req->snapshot);
    }
    std::string start;
    tws::encode_start_api(start, 178, 9);
    const ClientMessage started = decode_client_message(std::string_view(start).substr(4), 178);
    const auto* api = std::get_if<StartApi>(&started);
    ASSERT_NE(api, nullptr);
    EXPECT_EQ(api->client_id, 9);
    const auto cancel = decode_client_message(fields({"2", "2", "7"}), 178);
    EXPECT_EQ(std::get<CancelMktData>(cancel).req_id, 7);
    const auto broken = decode_client_message(fields({"1", "11", "x"}), 178);
    EXPECT_TRUE(std::get<OtherMessage>(broken).malformed);
}

TEST(ClientMessages, AComboLegCountIsCheckedAgainstTheBytesThatRemain) {
    // A combo request: contract fields, the leg count, four fields per leg, then the delta-neutral
    // flag, generic ticks, snapshot, regulatory snapshot and options.
    const auto bag = [](std::string_view legs, std::initializer_list<std::string_view> leg_fields) {
        std::string out =
            fields({"1", "11", "5", "0", "SPREAD", "BAG", "", "0", "", "", "SMART", "", "USD", "", "", legs});
        for (const auto f : leg_fields) {
            out.append(f);
            out.push_back('\0');
        }
        return out + fields({"0", "", "0", "0", ""});
    };
    // Counts that four bytes per leg could never hold are refused at once, the ones whose field
    // count overflows a 32-bit integer among them.
    for (const char* legs : {"1000000000", "600000000", "2147483647", "3"}) {
        SCOPED_TRACE(legs);
        const ClientMessage m = decode_client_message(bag(legs, {}), 178);
        ASSERT_TRUE(std::holds_alternative<OtherMessage>(m));
        EXPECT_TRUE(std::get<OtherMessage>(m).malformed);
    }
    EXPECT_TRUE(std::get<OtherMessage>(decode_client_message(bag("-1", {}), 178)).malformed);
    // Legs that are there are read past.
    const ClientMessage two =
        decode_client_message(bag("2", {"8314", "1", "BUY", "SMART", "756733", "1", "SELL", "SMART"}), 178);
    ASSERT_TRUE(std::holds_alternative<ReqMktData>(two));
    EXPECT_EQ(std::get<ReqMktData>(two).req_id, 5);
}

TEST(ServerMessages, TheClientDecoderReadsWhatTheSimulatorWrites) {
    std::string out;
    encode_tick_price(out, 178, 3, 1, 182.35, 0.5, 1);
    const std::string payload = out.substr(4);
    const auto price = std::get<tws::TickPrice>(tws::decode_message(payload, 178));
    EXPECT_EQ(price.price, 182.35);
    EXPECT_EQ(price.size, 0.5);
    EXPECT_EQ(price.attributes, 1);
    // Before fractional sizes a size is a whole number.
    EXPECT_EQ(size_text(162, 299.6), "300");
    EXPECT_EQ(size_text(163, 299.6), "299.6");
}

TEST(ServerMessages, ErrorsTakeTheLayoutOfTheServerVersion) {
    std::string v157, v178, v194;
    encode_error(v157, 157, 5, 200, "No security definition", 1);
    encode_error(v178, 178, 5, 200, "No security definition", 1);
    encode_error(v194, 194, 5, 200, "Ordre refus\xC3\xA9 \xF0\x9F\x98\x80", 1714058634000);
    EXPECT_EQ(v157, frame({"4", "2", "5", "200", "No security definition"}));
    EXPECT_EQ(v178, frame({"4", "2", "5", "200", "No security definition", ""}));
    EXPECT_EQ(v194, frame({"4", "5", "200", "Ordre refus\\u00e9 \\ud83d\\ude00", "", "1714058634000"}));
    const std::string payload = v194.substr(4);
    const auto e = std::get<tws::ErrorMessage>(tws::decode_message(payload, 194));
    EXPECT_EQ(tws::decode_error_text(e.text, 194), "Ordre refus\xC3\xA9 \xF0\x9F\x98\x80");
}

TEST(Handshake, AnOfferIsAnsweredWithTheHighestVersionBothSpeakOrRefused) {
    SimulatorConfig config;
    config.server_version = 178;
    RunningSimulator sim(config);
    const auto answer = [&](std::string_view offer) -> std::string {
        WireClient client(sim.port());
        client.send(std::string("API\0", 4) + fakes::framed(offer));
        const auto reply = client.read_payload();
        if (!reply) return client.closed() ? "closed" : "silent";
        return reply->substr(0, reply->find('\0'));
    };
    EXPECT_EQ(answer("v157..178"), "178");
    EXPECT_EQ(answer("v100..300"), "178");  // negotiated down to what the simulator speaks
    EXPECT_EQ(answer("v120..150"), "150");
    EXPECT_EQ(answer("v176"), "176");
    // Nothing in common: the connection is closed unanswered, never answered outside the offer.
    EXPECT_EQ(answer("v1"), "closed");  // below the framed protocol
    EXPECT_EQ(answer("v38..99"), "closed");
    EXPECT_EQ(answer("v201..300"), "closed");  // above what the simulator speaks
    EXPECT_EQ(answer("v179..200"), "closed");
    EXPECT_EQ(sim.count_log("no version in common"), 4);
}

// reqMktData as IB's clients write it, for the simulator's contract `symbol`.
std::string market_data_request(std::int32_t req_id, std::string_view symbol, std::string_view sec_type) {
    ContractRequest c;
    c.symbol = symbol;
    c.sec_type = sec_type;
    c.exchange = "SMART";
    c.currency = "USD";
    std::string out;
    tws::encode_req_mkt_data(out, 178, req_id, c, "", false);
    return out;
}

// `lines` market-data lines over the simulator's contracts, round and round.
std::string subscribe(int lines) {
    const auto contracts = default_contracts();
    std::string out;
    for (int id = 1; id <= lines; ++id) {
        const SimContract& c = contracts[static_cast<std::size_t>(id) % contracts.size()];
        out += market_data_request(id, c.symbol, c.sec_type);
    }
    return out;
}

// The next frame whose message id is `id`, passing over the others.
std::optional<std::string> read_message(WireClient& client, std::string_view id) {
    const std::string prefix = std::string(id) + '\0';
    while (auto payload = client.read_payload()) {
        if (payload->rfind(prefix, 0) == 0) return payload;
    }
    return std::nullopt;
}

TEST(Connections, ReadInputIsDroppedAsItIsParsedAndAnOversizedFrameCloses) {
    RunningSimulator sim(SimulatorConfig{});
    WireClient client(sim.port());
    std::string bytes = std::string("API\0", 4) + fakes::framed("v157..178");
    // Six megabytes of messages the simulator does not serve, then the start of one more.
    const std::string junk = fakes::framed(fields({"999", std::string(32 * 1024, 'x')}));
    for (int i = 0; i < 200; ++i)
        bytes += junk;
    const std::string unfinished = fakes::framed(fields({"999", std::string(100, 'y')}));
    bytes += unfinished.substr(0, 10);
    client.send(bytes);
    ASSERT_TRUE(eventually([&] { return sim.simulator.bytes_received() == bytes.size(); }));
    EXPECT_LT(sim.simulator.buffered_bytes(), 512U * 1024) << "only the unfinished frame need be kept";
    // The stream is still in step: the rest of that frame, then start-API, is served.
    client.send(unfinished.substr(10) + frame({"71", "2", "1", ""}));
    ASSERT_TRUE(client.read_payload());  // the handshake reply
    const auto accounts = client.read_payload();
    ASSERT_TRUE(accounts);
    EXPECT_EQ(*accounts, fields({"15", "1", "DU1234567"}));

    // A frame longer than the protocol allows puts the stream out of step: the client is closed.
    WireClient oversized(sim.port());
    EXPECT_EQ(oversized.open("v157..178", 2), 178);
    oversized.send(std::string("\x01\x00\x00\x00", 4) + "71");
    EXPECT_TRUE(oversized.closed_within(5s));
}

TEST(Connections, AClientThatDoesNotKeepUpIsClosedAndOneThatReadsIsNot) {
    {
        // Output piles up faster than the client reads: closed once the backlog passes its limit.
        SimulatorConfig config;
        config.updates_per_second = 1000;
        config.max_messages_per_second = 1000;
        config.max_output_backlog = 64 * 1024;
        config.write_stall_timeout = std::chrono::minutes(10);
        RunningSimulator sim(config);
        WireClient client(sim.port(), 4096);
        ASSERT_EQ(client.open(), 178);
        client.send(subscribe(100));
        EXPECT_TRUE(eventually([&] { return sim.simulator.open_connections() == 0; }, 60s));
        EXPECT_EQ(sim.count_log("does not keep up"), 1);
    }
    {
        // The client takes nothing for the stall time: closed, however little waits.
        SimulatorConfig config;
        config.firehose = true;
        config.write_stall_timeout = 300ms;
        RunningSimulator sim(config);
        WireClient stalled(sim.port(), 4096);
        ASSERT_EQ(stalled.open(), 178);
        stalled.send(market_data_request(1, "IBM", "STK"));
        EXPECT_TRUE(eventually([&] { return sim.simulator.open_connections() == 0; }, 30s));
        EXPECT_EQ(sim.count_log("has read nothing for 300 ms"), 1);
        EXPECT_LT(sim.simulator.buffered_bytes(), 1024U * 1024);
    }
    {
        // One that keeps reading stays, however much it is sent. The stall time is long here: a
        // test thread descheduled on a busy machine must not pass for a client that stopped reading.
        SimulatorConfig config;
        config.firehose = true;
        config.write_stall_timeout = std::chrono::seconds(10);
        RunningSimulator sim(config);
        WireClient reader(sim.port(), 4096);
        ASSERT_EQ(reader.open("v157..178", 2), 178);
        reader.send(market_data_request(1, "IBM", "STK"));
        const auto until = std::chrono::steady_clock::now() + 1500ms;
        std::size_t frames = 0, most_buffered = 0;
        while (std::chrono::steady_clock::now() < until && reader.read_payload(1s)) {
            // Slowly, so the socket never takes all that waits at once.
            if (++frames % 200 == 0) std::this_thread::sleep_for(2ms);
            most_buffered = std::max(most_buffered, sim.simulator.buffered_bytes());
        }
        EXPECT_FALSE(reader.closed());
        EXPECT_GT(frames, 1000U);
        // What the client has taken is not kept while the rest waits.
        EXPECT_LT(most_buffered, 1024U * 1024);
        EXPECT_EQ(sim.simulator.open_connections(), 1);
    }
}

TEST(Connections, NoMoreThanTheMostConnectionsAreServed) {
    SimulatorConfig config;
    config.max_connections = 2;
    RunningSimulator sim(config);
    auto first = std::make_unique<WireClient>(sim.port());
    WireClient second(sim.port());
    EXPECT_EQ(first->open(), 178);
    EXPECT_EQ(second.open("v157..178", 2), 178);
    WireClient third(sim.port());
    third.send(std::string("API\0", 4) + fakes::framed("v157..178"));
    EXPECT_TRUE(third.closed_within(5s));
    EXPECT_TRUE(third.pending().empty()) << "refused unanswered";
    EXPECT_EQ(sim.count_log("connection refused: 2 connections open"), 1);
    // A place that frees is taken again.
    first.reset();
    ASSERT_TRUE(eventually([&] { return sim.simulator.open_connections() == 1; }));
    WireClient fourth(sim.port());
    EXPECT_EQ(fourth.open("v157..178", 3), 178);
}

TEST(Connections, AClientThatDoesNotStartTheApiInTimeIsClosed) {
    SimulatorConfig config;
    config.handshake_timeout = 200ms;
    RunningSimulator sim(config);
    WireClient silent(sim.port());
    WireClient offered(sim.port());
    offered.send(std::string("API\0", 4) + fakes::framed("v157..178"));
    ASSERT_TRUE(offered.read_payload());
    WireClient started(sim.port());
    ASSERT_EQ(started.open(), 178);
    EXPECT_TRUE(silent.closed_within(5s));
    EXPECT_TRUE(offered.closed_within(5s));
    EXPECT_EQ(sim.count_log("no start-API within 200 ms"), 2);
    // A started session is not bound by it.
    std::this_thread::sleep_for(300ms);
    started.send(frame({"49", "1"}));
    EXPECT_TRUE(read_message(started, "49"));
}

TEST(Connections, AcceptFailuresBackOffInsteadOfSpinning) {
    RunningSimulator sim(SimulatorConfig{});
    WireClient client;  // its descriptor exists before the limit drops
    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &saved), 0);
    // No descriptor is free below the lowest one not in use, so a limit there leaves none.
    corvel::FileDescriptor probe(::open("/dev/null", O_RDONLY | O_CLOEXEC));
    ASSERT_TRUE(probe);
    const int lowest_free = probe.get();
    probe.reset();
    rlimit lowered = saved;
    lowered.rlim_cur = static_cast<rlim_t>(lowest_free);
    ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &lowered), 0);
    const bool connected = client.connect_to(sim.port());
    std::this_thread::sleep_for(600ms);
    ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &saved), 0);
    ASSERT_TRUE(connected);
    const int failures = sim.count_log("accept failed");
    EXPECT_GE(failures, 1);
    EXPECT_LE(failures, 6) << "accepting was retried without a pause";
    // Once descriptors are free again the waiting client is served.
    EXPECT_EQ(client.open(), 178);
}

TEST(ClientMessages, StartUpRequestsAreReadAsAnotherClientWritesThem) {
    const auto details = decode_client_message(fields({"9", "8", "3", "0", "SPY", "STK", "", "0.0", "", "",
                                                       "SMART", "ARCA", "USD", "", "", "0", "", "", ""}),
                                               178);
    const auto& d = std::get<ReqContractDetails>(details);
    EXPECT_EQ(d.req_id, 3);
    EXPECT_EQ(d.con_id, 0);
    EXPECT_EQ(d.contract.symbol, "SPY");
    EXPECT_EQ(d.contract.exchange, "SMART");
    EXPECT_EQ(d.contract.primary_exchange, "ARCA");
    EXPECT_EQ(d.contract.currency, "USD");
    const auto by_id = decode_client_message(
        fields({"9", "8", "4", "100003", "", "", "", "", "", "", "", "", "", "", "", "0", "", ""}), 157);
    EXPECT_EQ(std::get<ReqContractDetails>(by_id).con_id, 100003);
    const auto multi = std::get<ReqAccountUpdatesMulti>(
        decode_client_message(fields({"76", "1", "7", "DU1234567", "", "1"}), 178));
    EXPECT_EQ(multi.req_id, 7);
    EXPECT_EQ(multi.account, "DU1234567");
    EXPECT_TRUE(multi.ledger_and_nlv);
    const auto updates =
        std::get<ReqAccountUpdates>(decode_client_message(fields({"6", "2", "1", "DU7"}), 178));
    EXPECT_TRUE(updates.subscribe);
    EXPECT_EQ(updates.account, "DU7");
    EXPECT_EQ(std::get<ReqExecutions>(
                  decode_client_message(fields({"7", "3", "9", "0", "", "", "", "", "", ""}), 178))
                  .req_id,
              9);
    EXPECT_FALSE(std::get<ReqCompletedOrders>(decode_client_message(fields({"99", "0"}), 178)).api_only);
    EXPECT_TRUE(std::get<ReqOpenOrders>(decode_client_message(fields({"16", "1"}), 178)).all_clients);
    EXPECT_FALSE(std::get<ReqOpenOrders>(decode_client_message(fields({"5", "1"}), 178)).all_clients);
    EXPECT_EQ(std::get<ReqMarketDataType>(decode_client_message(fields({"59", "1", "3"}), 178)).type, 3);
    EXPECT_TRUE(std::holds_alternative<ReqPositions>(decode_client_message(fields({"61", "1"}), 178)));
    EXPECT_TRUE(std::holds_alternative<ReqManagedAccounts>(decode_client_message(fields({"17", "1"}), 178)));
    // Cut short, a request is not taken for one.
    EXPECT_TRUE(
        std::get<OtherMessage>(decode_client_message(fields({"9", "8", "3", "0", "SPY"}), 178)).malformed);
    EXPECT_TRUE(std::get<OtherMessage>(decode_client_message(fields({"76", "1", "7"}), 178)).malformed);
}

TEST(ServerMessages, ContractDetailsTakeTheLayoutOfTheServerVersion) {
    ContractRequest asked;
    asked.symbol = "SPY";
    asked.exchange = "SMART";
    const SimContract spy{"SPY", "STK", "ARCA", "USD", 521.30, 100004};
    const ContractDetailsData d = contract_details(spy, asked, true);
    const auto encoded = [&](int version) {
        std::string out;
        encode_contract_details(out, version, 3, d);
        return out;
    };
    // Up to the contract id the layout is the same everywhere but for the version field.
    const auto head = [](std::initializer_list<std::string_view> first) {
        std::string out = fields(first);
        return out + fields({"3", "SPY", "STK", ""});
    };
    const std::string contract = fields({"0", "", "SMART", "USD", "SPY", "SPY", "SPY", "100004", "0.01"});
    const std::string middle = fields({"",           "LMT,MKT,STP,STPLMT,TRAIL",
                                       "SMART,ARCA", "1",
                                       "0",          "SPY",
                                       "ARCA",       "",
                                       "",           "",
                                       "",           "UTC",
                                       "",           "",
                                       "",           "0",
                                       "0",          "1",
                                       "",           "",
                                       "",           ""});
    // 157: version 8, mdSizeMultiplier after minTick, stockType last.
    EXPECT_EQ(encoded(157),
              fakes::framed(head({"10", "8"}) + contract + fields({"1"}) + middle + fields({"COMMON"})));
    // 163: the size's minimum tick follows.
    EXPECT_EQ(encoded(163),
              fakes::framed(head({"10", "8"}) + contract + fields({"1"}) + middle + fields({"COMMON", "1"})));
    // 178: no version field nor mdSizeMultiplier; the three size rules at the end.
    EXPECT_EQ(encoded(178),
              fakes::framed(head({"10"}) + contract + middle + fields({"COMMON", "1", "1", "100"})));
    // 200: lastTradeDate after the contract month, and an empty list of ineligibility reasons.
    EXPECT_EQ(encoded(200), fakes::framed(fields({"10", "3", "SPY", "STK", "", ""}) + contract + middle +
                                          fields({"COMMON", "1", "1", "100", "0"})));
    // A fund carries the fund fields from 179 on.
    ContractDetailsData fund = d;
    fund.sec_type = "FUND";
    const auto field_count = [&](int version) {
        std::string out;
        encode_contract_details(out, version, 3, fund);
        tws::FieldCursor cursor(std::string_view(out).substr(4));
        for (std::string_view field; cursor.next(field);) {
        }
        return cursor.index();
    };
    EXPECT_EQ(field_count(179), field_count(178) + 17);
}

TEST(StartUpRequests, AreAnsweredAsTwsAnswersThemForAnEmptyPaperAccount) {
    RunningSimulator sim(SimulatorConfig{});
    WireClient client(sim.port());
    ASSERT_EQ(client.open("v157..178", 0), 178);
    // What another widely used client asks right after connecting, and when it lists contracts.
    client.send(
        frame({"15", "1", "1"}) +  // bind TWS's orders, as client 0 does
        frame({"61", "1"}) + frame({"5", "1"}) + frame({"99", "0"}) + frame({"6", "2", "1", "DU1234567"}) +
        frame({"76", "1", "1", "DU1234567", "", "0"}) + frame({"7", "3", "2", "0", "", "", "", "", "", ""}) +
        frame({"16", "1"}) + frame({"17", "1"}) + frame({"59", "1", "3"}) +
        frame({"9", "8", "3", "0", "AAPL", "STK", "", "0.0", "", "", "SMART", "", "USD", "", "", "0", "", "",
               ""}) +
        frame({"9", "8", "4", "0", "NOPE", "STK", "", "0.0", "", "", "SMART", "", "USD", "", "", "0", "", "",
               ""}) +
        frame({"9", "8", "5", "100003", "", "", "", "0.0", "", "", "", "", "", "", "", "0", "", "", ""}) +
        market_data_request(6, "AAPL", "STK"));
    std::vector<std::string> answers;
    while (const auto payload = client.read_payload()) {
        if (payload->rfind(fields({"4", "2", "-1"}), 0) == 0) continue;  // the farm notices
        answers.push_back(*payload);
        if (payload->rfind(fields({"58"}), 0) == 0) break;  // the market-data line, asked for last
    }
    ASSERT_FALSE(answers.empty());
    ASSERT_EQ(answers.back(), fields({"58", "1", "6", "1"}))
        << "live data, the delayed type asked for or not";
    const auto count = [&](const std::string& message) {
        return std::count(answers.begin(), answers.end(), message);
    };
    const auto position = [&](const std::string& message) {
        return std::find(answers.begin(), answers.end(), message) - answers.begin();
    };
    const auto with_id = [&](std::string_view id) {
        return std::count_if(answers.begin(), answers.end(),
                             [&](const std::string& a) { return a.rfind(std::string(id) + '\0', 0) == 0; });
    };
    EXPECT_EQ(count(fields({"62", "1"})), 1);       // no positions
    EXPECT_EQ(count(fields({"53", "1"})), 2);       // no open orders, of this client or any
    EXPECT_EQ(count(fields({"102"})), 1);           // no completed orders
    EXPECT_EQ(count(fields({"55", "1", "2"})), 1);  // no executions
    EXPECT_EQ(count(fields({"15", "1", "DU1234567"})), 1);
    // The account: its values, the time of the update, then the end of the download.
    EXPECT_EQ(count(fields({"6", "2", "AccountCode", "DU1234567", "", "DU1234567"})), 1);
    EXPECT_EQ(count(fields({"6", "2", "NetLiquidation", "1000000.00", "USD", "DU1234567"})), 1);
    EXPECT_EQ(count(fields({"6", "2", "TotalCashValue", "1000000.00", "USD", "DU1234567"})), 1);
    EXPECT_EQ(count(fields({"6", "2", "BuyingPower", "4000000.00", "USD", "DU1234567"})), 1);
    EXPECT_EQ(count(fields({"6", "2", "AccountType", "INDIVIDUAL", "", "DU1234567"})), 1);
    EXPECT_GT(with_id("6"), 20);
    const auto end = position(fields({"54", "1", "DU1234567"}));
    ASSERT_LT(end, static_cast<long>(answers.size()));
    const auto time = std::find_if(answers.begin(), answers.end(), [](const std::string& a) {
        return a.rfind(fields({"8", "1"}), 0) == 0;
    });
    ASSERT_NE(time, answers.end());
    EXPECT_EQ(time->size(), 10U) << "8, 1 and hh:mm";
    EXPECT_LT(time - answers.begin(), end);
    // The same values once more for the multi-account request, and its end.
    EXPECT_EQ(count(fields({"73", "1", "1", "DU1234567", "", "NetLiquidation", "1000000.00", "USD"})), 1);
    EXPECT_EQ(with_id("73"), with_id("6"));
    EXPECT_EQ(count(fields({"74", "1", "1"})), 1);
    // Contracts: the one known by symbol, one unknown, one by contract id.
    EXPECT_EQ(count(fields({"52", "1", "3"})), 1);
    EXPECT_EQ(count(fields({"52", "1", "5"})), 1);
    EXPECT_EQ(
        count(fields({"4", "2", "4", "200", "No security definition has been found for the request", ""})),
        1);
    EXPECT_EQ(count(fields({"52", "1", "4"})), 0);
    std::vector<std::string> described;
    for (const auto& a : answers) {
        if (a.rfind(fields({"10"}), 0) != 0) continue;
        tws::FieldCursor cursor(a);
        std::vector<std::string_view> f;
        for (std::string_view field; cursor.next(field);)
            f.push_back(field);
        ASSERT_GT(f.size(), 12U);
        described.push_back(std::string(f[1]) + " " + std::string(f[2]) + " " + std::string(f[3]) + " " +
                            std::string(f[7]) + " " + std::string(f[8]) + " " + std::string(f[12]));
    }
    EXPECT_EQ(described,
              (std::vector<std::string>{"3 AAPL STK SMART USD 100001", "5 IBM STK SMART USD 100003"}));
    EXPECT_EQ(with_id("4"), 1) << "no request but the unknown contract is refused";
}

TEST(StartUpRequests, ContractsAreFoundByTheirFieldsAsTwsFindsThem) {
    SimulatorConfig config;
    RunningSimulator sim(config);
    WireClient client(sim.port());
    ASSERT_EQ(client.open(), 178);
    const auto ask = [&](std::int32_t id, std::initializer_list<std::string_view> contract) {
        std::string payload = fields({"9", "8", std::to_string(id)});
        for (const auto f : contract) {
            payload.append(f);
            payload.push_back('\0');
        }
        client.send(fakes::framed(payload + fields({"", "", "0", "", ""})));
        std::vector<std::string> found;
        while (const auto answer = client.read_payload()) {
            if (answer->rfind(fields({"52"}), 0) == 0) return found;
            if (answer->rfind(fields({"4", "2", std::to_string(id)}), 0) == 0) return found;
            if (answer->rfind(fields({"10"}), 0) != 0) continue;
            tws::FieldCursor cursor(*answer);
            std::vector<std::string_view> f;
            for (std::string_view field; cursor.next(field);)
                f.push_back(field);
            found.push_back(std::string(f[2]) + "@" + std::string(f[7]) + "/" + std::string(f[20]));
        }
        return std::vector<std::string>{"no end"};
    };
    // conId, symbol, secType, expiry, strike, right, multiplier, exchange, primaryExchange, currency
    EXPECT_EQ(ask(1, {"0", "SPY", "STK", "", "0", "", "", "SMART", "", "USD"}),
              (std::vector<std::string>{"SPY@SMART/ARCA"}));
    EXPECT_EQ(ask(2, {"0", "spy", "", "", "0", "", "", "ARCA", "", ""}),
              (std::vector<std::string>{"SPY@ARCA/ARCA"}));
    EXPECT_EQ(ask(3, {"0", "EUR", "CASH", "", "0", "", "", "IDEALPRO", "", "USD"}),
              (std::vector<std::string>{"EUR@IDEALPRO/"}));
    EXPECT_EQ(ask(4, {"0", "ES", "FUT", "", "0", "", "", "CME", "", ""}),
              (std::vector<std::string>{"ES@CME/"}));
    EXPECT_TRUE(ask(5, {"0", "SPY", "STK", "", "0", "", "", "SMART", "", "EUR"}).empty());   // other currency
    EXPECT_TRUE(ask(6, {"0", "ES", "FUT", "", "0", "", "", "GLOBEX", "", "USD"}).empty());   // other exchange
    EXPECT_TRUE(ask(7, {"0", "AAPL", "OPT", "", "0", "", "", "SMART", "", "USD"}).empty());  // other type
    EXPECT_TRUE(ask(8, {"0", "", "STK", "", "0", "", "", "SMART", "", "USD"}).empty());      // nothing named
    EXPECT_TRUE(ask(9, {"999", "", "", "", "0", "", "", "", "", ""}).empty());               // unknown id
    // A contract found by its id streams by its id too.
    client.send(frame(
        {"1", "11", "10", "100002", "", "", "", "0", "", "", "", "", "", "", "", "0", "", "0", "0", ""}));
    EXPECT_TRUE(read_message(client, "58"));
}

TEST(QuoteStream, TheSameSeedGivesTheSameMarketAndAnotherSeedAnother) {
    const SimContract ibm{"IBM", "STK", "SMART", "USD", 182.10};
    QuoteStream a(ibm, 7, true), b(ibm, 7, true), c(ibm, 8, true);
    std::vector<SimTick> ta, tb, tc;
    a.initial(ta);
    b.initial(tb);
    c.initial(tc);
    for (int i = 0; i < 500; ++i) {
        a.next(ta);
        b.next(tb);
        c.next(tc);
    }
    EXPECT_EQ(ta, tb);
    EXPECT_NE(ta, tc);
}

TEST(QuoteStream, TicksLookLikeTws) {
    const SimContract ibm{"IBM", "STK", "SMART", "USD", 182.10};
    QuoteStream s(ibm, 1, true);
    std::vector<SimTick> ticks;
    s.initial(ticks);
    std::map<int, int> types;
    for (const auto& t : ticks)
        ++types[t.tick_type];
    for (const int t : {0, 1, 2, 3, 4, 5, 6, 7, 8, 9})
        EXPECT_EQ(types[t], 1) << "initial type " << t;
    for (int i = 0; i < 2000; ++i)
        s.next(ticks);
    int repeats = 0;
    for (std::size_t i = 0; i < ticks.size(); ++i) {
        const SimTick& t = ticks[i];
        if (t.is_price) {
            EXPECT_GT(t.value, 0);
            // On the cent grid.
            EXPECT_NEAR(t.value * 100, std::round(t.value * 100), 1e-6);
            // Bid, ask and last prices are followed by the same size as a size tick.
            if (t.tick_type == 1 || t.tick_type == 2 || t.tick_type == 4) {
                ASSERT_LT(i + 1, ticks.size());
                EXPECT_FALSE(ticks[i + 1].is_price);
                EXPECT_EQ(ticks[i + 1].tick_type, t.tick_type == 1 ? 0 : t.tick_type == 2 ? 3 : 5);
                EXPECT_EQ(ticks[i + 1].value, t.size);
                ++repeats;
            }
        }
    }
    EXPECT_GT(repeats, 500);
}

TEST(QuoteStream, CryptoSizesAreFractionalOnlyWhereTheServerVersionAllowsIt) {
    const SimContract btc{"BTC", "CRYPTO", "PAXOS", "USD", 64850};
    QuoteStream fractional(btc, 1, true), whole(btc, 1, false);
    std::vector<SimTick> f, w;
    for (int i = 0; i < 200; ++i) {
        fractional.next(f);
        whole.next(w);
    }
    const auto has_fraction = [](const std::vector<SimTick>& ticks) {
        for (const auto& t : ticks) {
            const double size = t.is_price ? t.size : t.value;
            if (size != std::floor(size)) return true;
        }
        return false;
    };
    EXPECT_TRUE(has_fraction(f));
    EXPECT_FALSE(has_fraction(w));
}

TEST(SimContracts, FileLinesAndTheirMistakes) {
    const auto contracts = parse_contracts(
        "# symbol,type,exchange,currency,price\nAAPL, STK, SMART, USD, 189.25\n\nES,FUT,CME,USD,5300\n");
    ASSERT_EQ(contracts.size(), 2U);
    EXPECT_EQ(contracts[0].exchange, "SMART");
    EXPECT_EQ(contracts[1].start_price, 5300);
    EXPECT_THROW(parse_contracts("AAPL,STK,SMART,USD\n"), std::runtime_error);
    EXPECT_THROW(parse_contracts("AAPL,STK,SMART,USD,-1\n"), std::runtime_error);
    try {
        parse_contracts("A,STK,SMART,USD,1\nB,STK,SMART,USD,x\n");
        FAIL();
    } catch (const std::runtime_error& e) {
        EXPECT_NE(std::string(e.what()).find("line 2"), std::string::npos);
    }
}

TEST(UpdateRate, NumbersOrMax) {
    double rate = 0;
    bool firehose = true;
    EXPECT_TRUE(parse_update_rate("4", rate, firehose));
    EXPECT_EQ(rate, 4);
    EXPECT_FALSE(firehose);
    EXPECT_TRUE(parse_update_rate("max", rate, firehose));
    EXPECT_TRUE(firehose);
    for (const char* bad : {"", "0", "-1", "fast", "1e9"})
        EXPECT_FALSE(parse_update_rate(bad, rate, firehose)) << bad;
}

}  // namespace
}  // namespace corvel::sim
