// The socket client against a scripted TWS on loopback: the handshake, requests on the wire, events
// from what TWS sends, and every way a connection can end.
#include <gtest/gtest.h>
#include <sys/socket.h>

#include <atomic>
#include <cmath>
#include <limits>
#include <thread>

#include "common/automation_error.h"
#include "platform/posix/poll_loop.h"
#include "platform/tws_socket/tws_socket_client.h"
#include "tests/support/recording_control_events.h"
#include "tests/support/scripted_peer.h"
#include "tests/support/wire_text.h"

namespace corvel {
namespace {

using namespace std::chrono_literals;
using fakes::fields;
using fakes::frame;
using fakes::PeerConnection;
using fakes::RecordingControlEvents;
using fakes::ScriptedPeer;

ContractRequest ibm() {
    ContractRequest c;
    c.symbol = "IBM";
    c.sec_type = "STK";
    c.exchange = "SMART";
    c.currency = "USD";
    return c;
}

std::string request_payload(std::int32_t id) {
    return fields({"1",   "11",    std::to_string(id),
                   "0",   "IBM",   "STK",
                   "",    "0",     "",
                   "",    "SMART", "",
                   "USD", "",      "",
                   "0",   "233",   "0",
                   "0",   ""});
}

class SocketClientTest : public ::testing::Test {
  protected:
    std::shared_ptr<PollLoop> loop = std::make_shared<PollLoop>();
    RecordingControlEvents events;
    std::unique_ptr<TwsSocketClient> client;

    void make_client(TwsSocketOptions options = {}) {
        client = std::make_unique<TwsSocketClient>(loop, options);
        client->set_events(&events);
    }
    void SetUp() override {
        TwsSocketOptions options;
        options.connect_timeout = 2s;
        make_client(options);
    }
    bool pump_until(const std::function<bool()>& done, std::chrono::milliseconds limit = 5s) {
        return loop->run_until(done, std::chrono::steady_clock::now() + limit);
    }
    // The number of the error a call failed with, as a TWS code.
    template <class Call>
    static std::int32_t code_of(Call&& call) {
        try {
            call();
        } catch (const AutomationError& e) {
            return static_cast<std::int32_t>(e.code() - kObjectErrorBase);
        }
        return 0;
    }
};

TEST_F(SocketClientTest, ConnectShakesHandsStartsTheApiAndWaitsUntilTwsIsReady) {
    ScriptedPeer peer([](PeerConnection& c) {
        if (c.read_offer() != "v157..178") throw std::runtime_error("wrong offer");
        c.send(frame({"178", "20261208 10:00:00 EST"}));
        if (c.read_payload() != fields({"71", "2", "7", ""})) throw std::runtime_error("wrong start-API");
        c.send(frame({"4", "2", "-1", "2104", "Market data farm connection is OK:usfarm", ""}));
        c.send(frame({"15", "1", "DU1234567,DU7654321"}));
        c.send(frame({"9", "1", "42"}));
        c.wait_closed(5s);
    });
    client->connect("127.0.0.1", peer.port(), 7);
    EXPECT_TRUE(client->connected());
    EXPECT_EQ(client->server_version(), 178);
    EXPECT_EQ(client->connection_time(), "20261208 10:00:00 EST");
    EXPECT_EQ(client->managed_accounts(), "DU1234567,DU7654321");
    EXPECT_EQ(client->next_valid_id(), 42);
    // The notice that came before "ready" was delivered during connect.
    ASSERT_EQ(events.error_codes(), (std::vector<std::int32_t>{2104}));
    client->disconnect();
    EXPECT_EQ(peer.finish(), "");
}

TEST_F(SocketClientTest, AClosedPortFailsTheConnectAfterError502) {
    std::string error;
    net::Socket probe = net::listen_tcp("127.0.0.1", 0, error);
    const int port = net::local_port(probe.get());
    probe.reset();  // nothing listens there now
    EXPECT_EQ(code_of([&] { client->connect("127.0.0.1", port, 1); }), 502);
    ASSERT_EQ(events.error_codes(), (std::vector<std::int32_t>{502}));
    EXPECT_EQ(events.events[0].id, -1);
    EXPECT_EQ(events.events[0].text.rfind("Couldn't connect to TWS.", 0), 0U);
    EXPECT_NE(events.events[0].text.find("Connection refused"), std::string::npos);
    EXPECT_FALSE(client->connected());
    EXPECT_EQ(code_of([&] { client->connect("127.0.0.1", 0, 1); }), 502);
}

TEST_F(SocketClientTest, HandshakesThatGoWrongFailTheConnectWithTheirReason) {
    struct Case {
        const char* name;
        std::function<void(PeerConnection&)> script;
        std::int32_t code;
        const char* text;
    };
    const Case cases[] = {
        {"too old",
         [](PeerConnection& c) {
             c.read_offer();
             c.send(frame({"150", "t"}));
             c.wait_closed(5s);
         },
         503, "server version 150"},
        {"newer than offered",
         [](PeerConnection& c) {
             c.read_offer();
             c.send(frame({"190", "t"}));
             c.wait_closed(5s);
         },
         506, "server version 190"},
        {"not a version",
         [](PeerConnection& c) {
             c.read_offer();
             c.send(frame({"HTTP/1.1", "400"}));
             c.wait_closed(5s);
         },
         502, "not a number"},
        {"not a frame",
         [](PeerConnection& c) {
             c.read_offer();
             c.send("HTTP/1.1 400 Bad Request\r\n\r\n");
             c.wait_closed(5s);
         },
         502, "not a TWS API handshake"},
        {"redirect",
         [](PeerConnection& c) {
             c.read_offer();
             c.send(frame({"-1", "10.0.0.2:7496"}));
             c.wait_closed(5s);
         },
         502, "10.0.0.2:7496"},
        {"closed",
         [](PeerConnection& c) {
             c.read_offer();
             c.close();
         },
         502, "during the handshake"},
        {"closed before ready",
         [](PeerConnection& c) {
             c.read_offer();
             c.send(frame({"178", "t"}));
             c.read_payload();
             c.close();
         },
         502, "client id 3 in use"},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        events.events.clear();
        ScriptedPeer peer(k.script);
        EXPECT_EQ(code_of([&] { client->connect("127.0.0.1", peer.port(), 3); }), k.code);
        ASSERT_EQ(events.error_codes(), (std::vector<std::int32_t>{k.code}));
        EXPECT_NE(events.events[0].text.find(k.text), std::string::npos) << events.events[0].text;
        EXPECT_FALSE(client->connected());
        EXPECT_EQ(peer.finish(), "");
    }
}

TEST_F(SocketClientTest, ATwsThatNeverAnswersFailsTheConnectInBoundedTime) {
    TwsSocketOptions options;
    options.connect_timeout = 300ms;
    make_client(options);
    ScriptedPeer peer([](PeerConnection& c) {
        c.read_offer();
        c.send(frame({"178", "t"}));
        c.read_payload();
        c.wait_closed(5s);  // never says it is ready, as TWS does while it asks whether to accept a client
    });
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(code_of([&] { client->connect("127.0.0.1", peer.port(), 3); }), 502);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 3s);
    EXPECT_NE(events.events.at(0).text.find("did not report ready"), std::string::npos);
    EXPECT_EQ(peer.finish(), "");
}

TEST_F(SocketClientTest, ATwsThatKeepsSendingCannotHoldTheConnectPastItsDeadline) {
    TwsSocketOptions options;
    options.connect_timeout = 300ms;
    make_client(options);
    client->set_events(nullptr);  // millions of notices arrive; the reason is the connect's error
    ScriptedPeer peer([](PeerConnection& c) {
        c.read_offer();
        c.send(frame({"178", "t"}));
        c.read_payload();
        // Notices as fast as the client takes them, and never "ready"; the peer gives up after a while,
        // and a connect still waiting then has not kept its deadline.
        std::string notices;
        for (int i = 0; i < 1000; ++i)
            notices += frame({"4", "2", "-1", "2104", "Market data farm connection is OK:usfarm", ""});
        const auto give_up = std::chrono::steady_clock::now() + 8s;
        try {
            while (std::chrono::steady_clock::now() < give_up)
                c.send(notices);
        } catch (const std::runtime_error&) {
            // the client closed the connection
        }
    });
    std::string reason;
    try {
        client->connect("127.0.0.1", peer.port(), 3);
    } catch (const AutomationError& e) {
        reason = e.description();
    }
    EXPECT_NE(reason.find("did not report ready within 300 ms"), std::string::npos) << reason;
    EXPECT_EQ(peer.finish(), "");
}

// Ctrl-C while connecting: the connect looks at its cancel socket in every wait and gives up at once.
TEST_F(SocketClientTest, ACancelEndsTheConnectInEveryWait) {
    net::Socket cancel_read, cancel_write;
    std::string error;
    ASSERT_TRUE(net::socket_pair(cancel_read, cancel_write, error)) << error;
    TwsSocketOptions options;
    options.connect_timeout = 30s;
    options.connect_cancel = cancel_read.get();
    const auto cancel_soon = [&] {
        return std::thread([&] {
            std::this_thread::sleep_for(100ms);
            const char byte = 1;
            net::send_some(cancel_write.get(), &byte, 1);
        });
    };
    const auto connect_and_cancel = [&](int port) {
        make_client(options);
        events.events.clear();
        std::thread canceller = cancel_soon();
        const auto start = std::chrono::steady_clock::now();
        const std::int32_t code = code_of([&] { client->connect("127.0.0.1", port, 3); });
        const auto took = std::chrono::steady_clock::now() - start;
        canceller.join();
        EXPECT_EQ(code, 502);
        EXPECT_LT(took, 10s);  // far below the connect timeout
        ASSERT_EQ(events.error_codes(), (std::vector<std::int32_t>{502}));
        EXPECT_NE(events.events[0].text.find("interrupted"), std::string::npos) << events.events[0].text;
        EXPECT_FALSE(client->connected());
        char drained[8];
        net::recv_some(cancel_read.get(), drained, sizeof drained);
    };
    {
        SCOPED_TRACE("TCP connect: a listener whose queue is full never completes it");
        net::Socket listener = net::listen_tcp("127.0.0.1", 0, error);
        ASSERT_TRUE(listener) << error;
        ASSERT_EQ(::listen(static_cast<int>(listener.get()), 0), 0);
        const int port = net::local_port(listener.get());
        net::Socket queued =
            net::connect_tcp("127.0.0.1", port, std::chrono::steady_clock::now() + 2s, error);
        ASSERT_TRUE(queued) << error;
        connect_and_cancel(port);
    }
    {
        SCOPED_TRACE("handshake answer");
        ScriptedPeer peer([](PeerConnection& c) {
            c.read_offer();
            c.wait_closed(20s);
        });
        connect_and_cancel(peer.port());
        EXPECT_EQ(peer.finish(), "");
    }
    {
        SCOPED_TRACE("ready");
        ScriptedPeer peer([](PeerConnection& c) {
            c.read_offer();
            c.send(frame({"178", "t"}));
            c.read_payload();
            c.wait_closed(20s);
        });
        connect_and_cancel(peer.port());
        EXPECT_EQ(peer.finish(), "");
    }
    {
        SCOPED_TRACE("cancelled before the connect began");
        const char byte = 1;
        net::send_some(cancel_write.get(), &byte, 1);
        ScriptedPeer peer([](PeerConnection& c) { c.wait_closed(20s); });
        make_client(options);
        events.events.clear();
        EXPECT_EQ(code_of([&] { client->connect("127.0.0.1", peer.port(), 3); }), 502);
        EXPECT_EQ(peer.finish(), "");
    }
}

TEST_F(SocketClientTest, TwsRefusingTheClientIdIsTheReasonTheConnectFails) {
    ScriptedPeer peer([](PeerConnection& c) {
        c.read_offer();
        c.send(frame({"178", "t"}));
        c.read_payload();
        c.send(frame({"4", "2", "-1", "326",
                      "Unable to connect as the client id is already in use. Retry with a unique client id.",
                      ""}));
        c.close();
    });
    EXPECT_EQ(code_of([&] { client->connect("127.0.0.1", peer.port(), 3); }), 326);
    EXPECT_EQ(events.error_codes(), (std::vector<std::int32_t>{326}));  // no second error for the close
    EXPECT_EQ(peer.finish(), "");
}

// What TWS sent in the same read as "ready" waits for the reactor; a close right behind it must not
// lose it, nor be taken for a message cut short.
TEST_F(SocketClientTest, MessagesThatCameWithReadyAreDeliveredBeforeTheCloseBehindThem) {
    ScriptedPeer peer([](PeerConnection& c) {
        c.read_offer();
        c.send(frame({"178", "t"}));
        c.read_payload();
        c.send(frame({"9", "1", "1"}) +
               frame({"4", "2", "-1", "2104", "Market data farm connection is OK:usfarm", ""}));
        c.close();
    });
    client->connect("127.0.0.1", peer.port(), 3);
    EXPECT_EQ(peer.finish(), "");  // the end of the stream is there before the reactor first looks
    ASSERT_TRUE(pump_until([&] { return events.events.size() >= 2; }));
    EXPECT_EQ(events.error_codes(), (std::vector<std::int32_t>{2104, 509}));
    EXPECT_NE(events.events[1].text.find("TWS closed the connection"), std::string::npos);
    EXPECT_EQ(events.events[1].text.find("middle of a message"), std::string::npos) << events.events[1].text;
}

TEST_F(SocketClientTest, CallsWhileNotConnectedFailWith504AndDisconnectIsAlwaysSafe) {
    EXPECT_EQ(code_of([&] { client->request_market_data(1, ibm(), "", false); }), 504);
    EXPECT_EQ(code_of([&] { client->cancel_market_data(1); }), 504);
    EXPECT_NO_THROW(client->disconnect());
    EXPECT_NO_THROW(client->disconnect());
    EXPECT_TRUE(events.events.empty());  // a failed call is the call's error, not an event
}

TEST_F(SocketClientTest, ConnectWhileConnectedFailsWith501AndKeepsTheConnection) {
    ScriptedPeer peer([](PeerConnection& c) {
        c.handshake();
        c.read_payload();  // the request sent after the refused connect
        c.wait_closed(5s);
    });
    client->connect("127.0.0.1", peer.port(), 1);
    EXPECT_EQ(code_of([&] { client->connect("127.0.0.1", peer.port(), 2); }), 501);
    EXPECT_EQ(events.error_codes(), (std::vector<std::int32_t>{501}));
    EXPECT_TRUE(client->connected());
    client->request_market_data(1, ibm(), "233", false);
    client->disconnect();
    EXPECT_EQ(peer.finish(), "");
}

TEST_F(SocketClientTest, RequestsAndCancelsGoOutForTheNegotiatedVersion) {
    std::string request, cancel;
    ScriptedPeer peer([&](PeerConnection& c) {
        c.handshake(176);
        request = c.read_payload();
        cancel = c.read_payload();
    });
    client->connect("127.0.0.1", peer.port(), 1);
    EXPECT_EQ(client->server_version(), 176);
    client->request_market_data(1001, ibm(), "233", false);
    client->cancel_market_data(1001);
    EXPECT_EQ(peer.finish(), "");
    EXPECT_EQ(request, request_payload(1001));
    EXPECT_EQ(cancel, fields({"2", "2", "1001"}));
}

TEST_F(SocketClientTest, TextThatIsNotAsciiIsRefusedWith579AndNothingIsSent) {
    ScriptedPeer peer([](PeerConnection& c) {
        c.handshake();
        if (c.read_payload() != request_payload(2)) throw std::runtime_error("the refused request went out");
    });
    client->connect("127.0.0.1", peer.port(), 1);
    ContractRequest bad = ibm();
    bad.symbol = std::string("IB\0M", 4);
    EXPECT_EQ(code_of([&] { client->request_market_data(1, bad, "", false); }), 579);
    EXPECT_EQ(code_of([&] { client->request_market_data(1, ibm(), "23\xC3\xA9", false); }), 579);
    ContractRequest nan = ibm();
    nan.strike = std::nan("");
    EXPECT_EQ(code_of([&] { client->request_market_data(1, nan, "", false); }), 510);
    client->request_market_data(2, ibm(), "233", false);
    EXPECT_EQ(peer.finish(), "");
}

TEST_F(SocketClientTest, PricesBringTheirSizesAndSizesStayDecimals) {
    ScriptedPeer peer([](PeerConnection& c) {
        c.handshake();
        c.read_payload();
        c.send(frame({"1", "6", "5", "1", "182.35", "300", "1"}));     // bid with its size
        c.send(frame({"2", "6", "5", "0", "300"}));                    // TWS repeats the size
        c.send(frame({"1", "6", "5", "6", "183.1", "0", "0"}));        // high: no size of its own
        c.send(frame({"2", "6", "5", "5", "0.0125"}));                 // a fractional size
        c.send(frame({"1", "6", "5", "66", "182.3", "200", "0"}));     // delayed bid: delayed bid size
        c.send(frame({"1", "6", "5", "4", "", "2147483647", "0"}));    // no price, no size
        c.send(frame({"1", "6", "5", "2", "Infinity", "5", "0"}));     // not a price, but its size is one
        c.send(frame({"2", "6", "5", "3", "9223372036854775807"}));    // no size
        c.send(frame({"46", "6", "5", "45", "1714058634"}));           // of no use to the owner
        c.send(frame({"5", "1", "anything", "an", "order", "says"}));  // an unrequested order message
        c.send(frame({"1", "6", "5", "9", "181.9", "0", "0"}));        // close
        c.wait_closed(5s);
    });
    client->connect("127.0.0.1", peer.port(), 1);
    client->request_market_data(5, ibm(), "233", false);
    ASSERT_TRUE(pump_until([&] { return !events.events.empty() && events.events.back().type == 9; }));
    const std::vector<std::string> expected = {"p 1 182.35", "s 0 300",  "s 0 300", "p 6 183.1", "s 5 0.0125",
                                               "p 66 182.3", "s 69 200", "s 3 5",   "p 9 181.9"};
    std::vector<std::string> got;
    for (const auto& e : events.events) {
        char text[64];
        std::snprintf(text, sizeof text, "%c %d %g", e.kind, e.type, e.value);
        got.push_back(text);
        EXPECT_EQ(e.id, 5);
    }
    EXPECT_EQ(got, expected);
    client->disconnect();
    EXPECT_EQ(peer.finish(), "");
}

TEST_F(SocketClientTest, TicksForCancelledOrUnrequestedIdsAreDropped) {
    ScriptedPeer peer([](PeerConnection& c) {
        c.handshake();
        c.read_payload();
        c.read_payload();                                     // the cancel
        c.send(frame({"1", "6", "5", "1", "10", "1", "0"}));  // still on the way when the cancel went out
        c.send(frame({"1", "6", "8", "1", "10", "1", "0"}));  // never requested
        c.send(frame({"4", "2", "5", "300", "Can't find EId with tickerId:5", ""}));
        c.wait_closed(5s);
    });
    client->connect("127.0.0.1", peer.port(), 1);
    client->request_market_data(5, ibm(), "233", false);
    client->cancel_market_data(5);
    ASSERT_TRUE(pump_until([&] { return !events.events.empty(); }));
    EXPECT_EQ(events.events.size(), 1U);
    EXPECT_EQ(events.events[0].kind, 'e');  // errors for a request id still arrive
    EXPECT_EQ(events.events[0].id, 5);
    client->disconnect();
    EXPECT_EQ(peer.finish(), "");
}

TEST_F(SocketClientTest, AStreamCutIntoSingleBytesDecodesTheSame) {
    ScriptedPeer peer([](PeerConnection& c) {
        c.read_offer();
        c.send_bytewise(frame({"178", "t"}));
        c.read_payload();
        c.send_bytewise(frame({"15", "1", "DU1"}) + frame({"9", "1", "1"}));
        c.read_payload();
        c.send_bytewise(frame({"1", "6", "5", "4", "99.5", "7", "0"}));
        c.wait_closed(5s);
    });
    client->connect("127.0.0.1", peer.port(), 1);
    client->request_market_data(5, ibm(), "", false);
    ASSERT_TRUE(pump_until([&] { return events.events.size() == 2; }));
    EXPECT_EQ(events.events[0].value, 99.5);
    EXPECT_EQ(events.events[1].value, 7);
    client->disconnect();
    EXPECT_EQ(peer.finish(), "");
}

// A connection that goes wrong once it is running: one error event, a closed socket, and calls fail
// with 504 afterwards.
struct RunningFault {
    const char* name;
    std::function<void(PeerConnection&)> script;
    std::int32_t code;
    const char* text;
};

TEST_F(SocketClientTest, EveryWayARunningConnectionBreaksEndsInOneErrorAndAClosedSocket) {
    TwsSocketOptions options;
    options.stall_timeout = 300ms;
    options.keepalive_interval = 200ms;
    const std::string tick = frame({"1", "6", "5", "4", "99.5", "7", "0"});
    const RunningFault faults[] = {
        {"closed", [](PeerConnection& c) { c.close(); }, 509, "TWS closed the connection"},
        {"closed mid-frame",
         [&](PeerConnection& c) {
             c.send(tick.substr(0, 9));
             c.close();
         },
         507, "in the middle of a message (9 of"},
        {"oversized frame",
         [](PeerConnection& c) {
             c.send(std::string("\x01\x00\x00\x00", 4) + "1");
             c.wait_closed(5s);
         },
         507, "16777216"},
        {"zero-length frame",
         [](PeerConnection& c) {
             c.send(std::string(4, '\0'));
             c.wait_closed(5s);
         },
         507, "announced 0 bytes"},
        {"malformed field",
         [](PeerConnection& c) {
             c.send(frame({"1", "6", "5", "4", "12.3x4", "7", "0"}));
             c.wait_closed(5s);
         },
         508, "field 4 '12.3x4'"},
        {"stalled mid-frame",
         [&](PeerConnection& c) {
             c.send(tick.substr(0, 9));
             c.wait_closed(5s);
         },
         509, "in the middle of a message"},
        {"dripping mid-frame",
         [](PeerConnection& c) {
             // A byte every 100 ms keeps data coming, but the message never completes in time.
             c.send(std::string("\0\0\x01\0", 4));
             try {
                 for (int i = 0; i < 50; ++i) {
                     c.send("1");
                     std::this_thread::sleep_for(100ms);
                 }
             } catch (const std::runtime_error&) {
                 // closed by the client
             }
         },
         509, "in the middle of a message"},
        {"silent", [](PeerConnection& c) { c.wait_closed(5s); }, 509, "has not answered"},
    };
    for (const RunningFault& f : faults) {
        SCOPED_TRACE(f.name);
        make_client(options);
        events.events.clear();
        ScriptedPeer peer([&](PeerConnection& c) {
            c.handshake();
            c.read_payload();  // the request
            f.script(c);
        });
        client->connect("127.0.0.1", peer.port(), 1);
        client->request_market_data(5, ibm(), "", false);
        ASSERT_TRUE(pump_until([&] { return !events.events.empty(); }));
        ASSERT_EQ(events.error_codes(), (std::vector<std::int32_t>{f.code}));
        EXPECT_EQ(events.events[0].id, -1);
        EXPECT_NE(events.events[0].text.find(f.text), std::string::npos) << events.events[0].text;
        EXPECT_FALSE(client->connected());
        EXPECT_EQ(loop->watch_count(), 0U);
        EXPECT_EQ(code_of([&] { client->cancel_market_data(5); }), 504);
        EXPECT_EQ(peer.finish(), "");
        // Nothing further arrives for a closed connection.
        pump_until([] { return false; }, 50ms);
        EXPECT_EQ(events.events.size(), 1U);
    }
}

TEST_F(SocketClientTest, AQuietConnectionIsAskedForTheTimeAndStaysUp) {
    TwsSocketOptions options;
    options.stall_timeout = 2s;
    options.keepalive_interval = 100ms;
    make_client(options);
    std::atomic<int> pings{0};
    ScriptedPeer peer([&](PeerConnection& c) {
        c.handshake();
        for (int i = 0; i < 3; ++i) {
            if (c.read_payload() != fields({"49", "1"})) throw std::runtime_error("not a time request");
            ++pings;
            c.send(frame({"49", "1", "1714058634"}));
        }
        c.wait_closed(5s);
    });
    client->connect("127.0.0.1", peer.port(), 1);
    ASSERT_TRUE(pump_until([&] { return pings == 3; }));
    pump_until([] { return false; }, 50ms);
    EXPECT_TRUE(client->connected());
    EXPECT_TRUE(events.events.empty());
    client->disconnect();
    EXPECT_EQ(peer.finish(), "");
}

TEST_F(SocketClientTest, RequestsArePacedBelowTheMessageLimit) {
    TwsSocketOptions options;
    options.max_messages_per_window = 5;
    options.pacing_window = 200ms;
    make_client(options);
    std::vector<std::chrono::steady_clock::time_point> arrivals;
    ScriptedPeer peer([&](PeerConnection& c) {
        c.handshake();
        for (int i = 0; i < 12; ++i) {
            c.read_payload();
            arrivals.push_back(std::chrono::steady_clock::now());
        }
    });
    client->connect("127.0.0.1", peer.port(), 1);  // the handshake and start-API count too
    const auto first = std::chrono::steady_clock::now();
    for (int id = 1; id <= 12; ++id)
        client->request_market_data(id, ibm(), "", false);
    ASSERT_TRUE(pump_until([&] { return client->stats().messages_sent == 14; }));
    EXPECT_EQ(peer.finish(), "");
    ASSERT_EQ(arrivals.size(), 12U);
    // 14 messages at 5 per 200 ms need at least two more windows after the first.
    EXPECT_GE(arrivals.back() - first, 350ms);
    client->disconnect();
}

TEST_F(SocketClientTest, TheOwnerMayDestroyTheClientInsideAnyEvent) {
    // Inside a tick, with more ticks in the same read.
    {
        ScriptedPeer peer([](PeerConnection& c) {
            c.handshake();
            c.read_payload();
            c.send(frame({"1", "6", "5", "1", "10", "1", "0"}) + frame({"1", "6", "5", "2", "11", "1", "0"}));
            c.wait_closed(5s);
        });
        client->connect("127.0.0.1", peer.port(), 1);
        client->request_market_data(5, ibm(), "", false);
        events.hook = [&](const auto&) { client.reset(); };
        ASSERT_TRUE(pump_until([&] { return !client; }));
        pump_until([] { return false; }, 50ms);
        EXPECT_EQ(events.events.size(), 1U);
        EXPECT_EQ(peer.finish(), "");
    }
    // Inside the error event of a broken connection.
    {
        make_client();
        events.events.clear();
        events.hook = nullptr;
        ScriptedPeer peer([](PeerConnection& c) {
            c.handshake();
            c.send(frame({"1", "6", "5", "1", "bad", "1", "0"}));
            c.wait_closed(5s);
        });
        client->connect("127.0.0.1", peer.port(), 1);
        events.hook = [&](const auto&) { client.reset(); };
        ASSERT_TRUE(pump_until([&] { return !client; }));
        EXPECT_EQ(events.error_codes(), (std::vector<std::int32_t>{508}));
        EXPECT_EQ(peer.finish(), "");
    }
    // Inside a notice delivered while connecting.
    {
        make_client();
        events.events.clear();
        events.hook = nullptr;
        ScriptedPeer peer([](PeerConnection& c) {
            c.read_offer();
            c.send(frame({"178", "t"}));
            c.read_payload();
            c.send(frame({"4", "2", "-1", "2104", "Market data farm connection is OK:usfarm", ""}));
            c.wait_closed(5s);
        });
        events.hook = [&](const auto&) { client.reset(); };
        TwsSocketClient* raw = client.get();
        EXPECT_THROW(raw->connect("127.0.0.1", peer.port(), 1), AutomationError);
        EXPECT_FALSE(client);
        EXPECT_EQ(peer.finish(), "");
    }
}

TEST_F(SocketClientTest, DisconnectAndReconnectFromInsideAnEvent) {
    ScriptedPeer second([](PeerConnection& c) {
        c.handshake();
        c.wait_closed(5s);
    });
    ScriptedPeer first([](PeerConnection& c) {
        c.handshake();
        c.read_payload();
        c.send(frame({"1", "6", "5", "1", "10", "1", "0"}) + frame({"1", "6", "5", "2", "11", "1", "0"}));
        c.wait_closed(5s);
    });
    client->connect("127.0.0.1", first.port(), 1);
    client->request_market_data(5, ibm(), "", false);
    events.hook = [&](const auto&) {
        events.hook = nullptr;
        client->disconnect();
        client->connect("127.0.0.1", second.port(), 1);
    };
    ASSERT_TRUE(pump_until([&] { return events.hook == nullptr; }));
    pump_until([] { return false; }, 50ms);
    EXPECT_EQ(events.events.size(), 1U);  // the second tick belonged to the first connection
    EXPECT_TRUE(client->connected());
    client->disconnect();
    EXPECT_EQ(first.finish(), "");
    EXPECT_EQ(second.finish(), "");
}

TEST_F(SocketClientTest, PendingEventsProcessedFromInsideATickDeliverNothingNestedAndKeepTheOrder) {
    // Timers fall due while the ticks are delivered: the keep-alive's is due all the time.
    TwsSocketOptions options;
    options.keepalive_interval = 1ms;
    make_client(options);
    ScriptedPeer peer([](PeerConnection& c) {
        c.handshake();
        c.read_payload();
        std::string burst;
        for (int i = 1; i <= 200; ++i)
            burst += frame({"1", "6", "5", "4", std::to_string(i), "0", "0"});
        c.send(burst);
        c.wait_closed(5s);
    });
    client->connect("127.0.0.1", peer.port(), 1);
    client->request_market_data(5, ibm(), "", false);
    // As the connection object does after every notification; a caller that cannot take a tick right
    // now must not be handed one.
    int depth = 0, deepest = 0;
    events.hook = [&](const auto&) {
        deepest = std::max(deepest, ++depth);
        std::this_thread::sleep_for(50us);
        loop->ProcessPending();
        --depth;
    };
    ASSERT_TRUE(pump_until([&] { return events.of_kind('p').size() == 200; }));
    EXPECT_EQ(deepest, 1);
    const auto prices = events.of_kind('p');
    for (std::size_t i = 0; i < prices.size(); ++i)
        EXPECT_EQ(prices[i].value, static_cast<double>(i + 1));
    events.hook = nullptr;
    client->disconnect();
    EXPECT_EQ(peer.finish(), "");
}

TEST_F(SocketClientTest, ErrorMessagesOfServersFrom194OnCarryTheirTime) {
    TwsSocketOptions options;
    options.max_version = 200;
    make_client(options);
    ScriptedPeer peer([](PeerConnection& c) {
        if (c.read_offer() != "v157..200") throw std::runtime_error("wrong offer");
        c.send(frame({"194", "t"}));
        c.read_payload();
        c.send(frame({"9", "1", "1"}));
        c.send(frame({"4", "-1", "2104", "Market data farm connection is OK:usfarm", "", "1714058634000"}));
        c.wait_closed(5s);
    });
    client->connect("127.0.0.1", peer.port(), 1);
    ASSERT_TRUE(pump_until([&] { return !events.events.empty(); }));
    EXPECT_EQ(events.events[0].type, 2104);
    EXPECT_EQ(events.events[0].text, "Market data farm connection is OK:usfarm");
    client->disconnect();
    EXPECT_EQ(peer.finish(), "");
}

}  // namespace
}  // namespace corvel
