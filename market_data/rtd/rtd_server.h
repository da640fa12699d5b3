#pragma once

#include <bitset>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "common/app_settings.h"
#include "common/ref.h"
#include "common/variant.h"
#include "market_data/rtd/rtd_topic.h"
#include "market_data/tick_type.h"
#include "market_data/tws.h"
#include "market_data/tws_environment.h"

namespace corvel::rtd {

// How the server tells its host (Excel) that topics changed; the host answers with RefreshData.
class UpdateEvents {
  public:
    virtual void UpdateNotify() = 0;

  protected:
    ~UpdateEvents() = default;
};

// The connection used by topics that name none, kept in the settings store's section "RTD".
struct ConnectionSettings {
    static constexpr const char* kSection = "RTD";
    static constexpr const char* kDefaultHost = "127.0.0.1";
    static constexpr std::int32_t kDefaultPort = 7497;  // TWS's paper-trading socket port
    static constexpr std::int32_t kDefaultClientId = 17;

    std::string Host = kDefaultHost;
    std::int32_t Port = kDefaultPort;
    std::int32_t ClientId = kDefaultClientId;
};

// Texts a cell shows instead of a value.
inline constexpr const char* kConnectingText = "#N/A connecting";
inline constexpr const char* kWaitingText = "#N/A waiting for data";
inline constexpr const char* kBadTopicPrefix = "#N/A bad topic: ";

// A real-time data server for spreadsheet formulas over the market-data engine: every topic is a
// contract's field (or a connection's status); the topics of one contract share one market-data line
// of one connection object. Changes are collected per topic and told once until the host's next
// refresh, which returns only the changed topics with their latest values. A lost connection is tried
// again with a growing pause, read from the clock, and its lines are asked for again.
//
// Everything runs on the host's thread; `poll` is to be called by a timer of that thread (a few times a
// second): it makes the connection attempts that are due.
class RtdServer {
  public:
    // Retry pauses double from the first to the last.
    static constexpr double kFirstRetrySeconds = 1;
    static constexpr double kLastRetrySeconds = 30;

    explicit RtdServer(const TwsEnvironment& environment);
    ~RtdServer();
    RtdServer(const RtdServer&) = delete;
    RtdServer& operator=(const RtdServer&) = delete;

    // Reads the connection settings; the events go to `events` until ServerTerminate.
    void ServerStart(UpdateEvents* events);
    // The topic's value now; an unusable topic gets a text saying why, never an error.
    Variant ConnectData(std::int32_t topic_id, const std::vector<std::string>& strings);
    // The topics that changed since the last refresh, each with its latest value.
    std::vector<std::pair<std::int32_t, Variant>> RefreshData();
    void DisconnectData(std::int32_t topic_id);
    // Disconnects everything, stores the connection settings and tells nothing any more.
    void ServerTerminate();
    // Connection attempts whose time has come.
    void poll();

    // --- Read-only views for diagnostics and tests.
    const ConnectionSettings& settings() const noexcept { return settings_; }
    std::size_t topic_count() const noexcept { return topics_.size(); }
    std::size_t connection_count() const noexcept { return connections_.size(); }
    std::size_t line_count() const noexcept;
    bool notify_pending() const noexcept { return notified_; }

  private:
    class Connection;
    struct Line;
    struct TopicState {
        Topic topic;
        Connection* connection = nullptr;  // null for a topic that could not be parsed
        Line* line = nullptr;              // null for STATUS and bad topics
        Variant value;
        bool changed = false;
    };

    Connection& connection_for(const std::optional<Endpoint>& endpoint);
    void set_value(std::int32_t topic_id, TopicState& topic, Variant value);
    void notify_host();
    void retire(Connection& connection);

    TwsEnvironment environment_;
    std::shared_ptr<CAppSettings> store_;
    ConnectionSettings settings_;
    UpdateEvents* events_ = nullptr;
    bool notified_ = false;
    std::unordered_map<std::int32_t, TopicState> topics_;
    std::vector<std::int32_t> changed_;  // topics with `changed` set, in the order they changed
    std::map<std::string, std::unique_ptr<Connection>> connections_;  // by "host:port:clientId"
    // Connections no topic uses any more; freed from `poll`, never from inside their own events.
    std::vector<std::unique_ptr<Connection>> retired_;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace corvel::rtd
