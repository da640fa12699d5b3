#include "market_data/rtd/rtd_server.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <set>
#include <stdexcept>

#include "common/text.h"
#include "market_data/global.h"
#include "seams/tws_control.h"

namespace corvel::rtd {

namespace {

constexpr double kSecondsPerDay = 86400.0;

// The server takes every waiting tick in its handler and has nothing of the host's to let run there:
// without a pump, each tick is told as it comes, and none waits for a later one to be noticed.
class NoPump final : public EventPump {
  public:
    void ProcessPending() override {}
};

std::string error_text(std::int32_t code, const std::string& message) {
    return "error " + std::to_string(code) + ": " + message;
}

std::string seconds_text(double seconds) {
    return std::to_string(static_cast<long long>(seconds + 0.5)) + " s";
}

// A stored number, also when it was typed into the registry as text.
std::optional<std::int32_t> stored_number(const Variant& value) {
    if (const auto n = value.to_int32()) return n;
    const std::string text(text::trim(value.to_text()));
    std::int32_t n = 0;
    const auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), n);
    if (text.empty() || ec != std::errc() || ptr != text.data() + text.size()) return std::nullopt;
    return n;
}

}  // namespace

// ---------------------------------------------------------------------------------------------------
// One contract's market-data line and the latest value of each of its tick types.

struct RtdServer::Line {
    std::int32_t id = 0;
    QuoteContract contract;
    std::vector<std::int32_t> topics;
    std::array<double, kMaxFilterType + 1> values{};
    std::bitset<kMaxFilterType + 1> has;
    double time = 0;    // local time of the latest tick; 0 before the first
    std::string error;  // what TWS said about the line, until a tick proves it works
};

// ---------------------------------------------------------------------------------------------------
// One connection object with the lines of its topics.

class RtdServer::Connection final : private TwsEventSink {
  public:
    Connection(RtdServer& server, Endpoint endpoint, std::int32_t client_id)
        : server_(server), endpoint_(std::move(endpoint)), client_id_(client_id) {
        TwsEnvironment environment = server.environment_;
        environment.pump = std::make_shared<NoPump>();
        tws_ = make_ref<cTWS>(environment);
        // Every tick is handed over as it came: condensing would reorder a contract's points and
        // leave a cell showing an older value than the latest.
        tws_->MaxRecord(INT32_MAX);
        for (std::int32_t type = 0; type <= kMaxFilterType; ++type)
            tws_->AddRecordFilter(type);
        cookie_ = tws_->Advise(this);
    }
    ~Connection() {
        tws_->Unadvise(cookie_);
        shut();
    }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    std::set<std::int32_t> status_topics;

    bool unused() const noexcept { return lines_.empty() && status_topics.empty(); }
    std::size_t line_count() const noexcept { return lines_.size(); }

    Line& line_for(const QuoteContract& contract) {
        const std::string key = contract_key(contract);
        const auto it = by_key_.find(key);
        if (it != by_key_.end()) return *it->second;
        auto line = std::make_unique<Line>();
        line->id = next_id_++;
        line->contract = contract;
        Line& added = *line;
        lines_.emplace(added.id, std::move(line));
        by_key_.emplace(key, &added);
        if (state_ == State::Connected && !request(added)) lost("the request for a line failed");
        return added;
    }

    void drop_topic(Line& line, std::int32_t topic_id) {
        auto& topics = line.topics;
        topics.erase(std::remove(topics.begin(), topics.end(), topic_id), topics.end());
        if (!topics.empty()) return;
        if (state_ == State::Connected) {
            try {
                tws_->StopQuery(line.id);
            } catch (...) {
                // A connection that cannot cancel is going away: the line ends with it.
            }
        }
        by_key_.erase(contract_key(line.contract));
        lines_.erase(line.id);  // last: it frees the line
    }

    Variant value_of(const TopicState& t) const {
        if (t.topic.status) return Variant(status_text());
        if (state_ != State::Connected) return Variant(kConnectingText);
        const Line& line = *t.line;
        if (!line.error.empty()) return Variant(line.error);
        if (t.topic.field.time) return line.time != 0 ? Variant(OleDate{line.time}) : Variant(kWaitingText);
        const auto type = static_cast<std::size_t>(t.topic.field.tick_type);
        if (type < line.has.size() && line.has.test(type)) return Variant(line.values[type]);
        return Variant(kWaitingText);
    }

    std::string status_text() const {
        const std::string where = endpoint_.host + ":" + std::to_string(endpoint_.port);
        if (state_ == State::Connected)
            return "connected to " + where + ", client id " + std::to_string(client_id_);
        if (reason_.empty()) return "connecting to " + where;
        return "disconnected from " + where + ": " + reason_ + "; trying again in " +
               seconds_text(last_pause_);
    }

    void attempt_if_due(double now) {
        if (state_ == State::Waiting && now >= retry_at_) attempt();
    }

    void shut() noexcept {
        if (state_ != State::Connected) return;
        state_ = State::Waiting;
        try {
            tws_->disconnect();
        } catch (...) {
            // Closing reports nothing: the connection is gone either way.
        }
    }

  private:
    enum class State { Waiting, Connected };

    bool request(const Line& line) {
        const QuoteContract& c = line.contract;
        try {
            tws_->StartQuery(line.id, c.symbol, c.sec_type, c.expiry, c.strike, c.right, c.multiplier,
                             c.exchange, c.primary_exchange, c.currency);
            return true;
        } catch (...) {
            return false;
        }
    }

    void attempt() {
        connect_error_.clear();
        connecting_ = true;
        const bool ok = tws_->Connect(endpoint_.host, endpoint_.port, client_id_);
        connecting_ = false;
        if (!ok) {
            schedule(connect_error_.empty() ? "cannot connect" : connect_error_);
            return;
        }
        state_ = State::Connected;
        reason_.clear();
        pause_ = kFirstRetrySeconds;
        for (auto& [id, line] : lines_) {
            // What the last connection said is history; the new one sends the quote afresh.
            line->has.reset();
            line->time = 0;
            line->error.clear();
            if (!request(*line)) {
                lost("the request for a line failed");
                return;
            }
        }
        refresh_all();
    }

    // Waits before the next attempt, each time twice as long, up to the longest pause.
    void schedule(std::string reason) {
        state_ = State::Waiting;
        reason_ = std::move(reason);
        last_pause_ = pause_;
        retry_at_ = server_.environment_.clock->now() + pause_ / kSecondsPerDay;
        pause_ = std::min(pause_ * 2, kLastRetrySeconds);
        refresh_all();
    }

    void lost(std::string reason) {
        shut();
        schedule(std::move(reason));
    }

    void refresh_topic(std::int32_t topic_id) {
        const auto it = server_.topics_.find(topic_id);
        if (it != server_.topics_.end()) server_.set_value(topic_id, it->second, value_of(it->second));
    }

    void refresh_all() {
        for (const std::int32_t id : status_topics)
            refresh_topic(id);
        for (auto& [line_id, line] : lines_) {
            for (const std::int32_t id : line->topics)
                refresh_topic(id);
        }
    }

    void apply(const cTWSData& record) {
        const auto it = lines_.find(record.id);
        if (it == lines_.end() || record.TickType < 0 || record.TickType > kMaxFilterType) return;
        Line& line = *it->second;
        const auto type = static_cast<std::size_t>(record.TickType);
        line.values[type] = record.Price;
        line.has.set(type);
        line.time = record.sDate;
        const bool had_error = !line.error.empty();
        line.error.clear();
        for (const std::int32_t id : line.topics) {
            const auto topic = server_.topics_.find(id);
            if (topic == server_.topics_.end()) continue;
            const Field& field = topic->second.topic.field;
            if (had_error || field.time || field.tick_type == record.TickType)
                server_.set_value(id, topic->second, value_of(topic->second));
        }
    }

    void IBTWSDatas() override {
        const Ref<cTWSDatas> data = tws_->GetCurrentData();
        if (!data) return;
        for (const cTWSData& record : *data)
            apply(record);
        data->Clear();
        server_.notify_host();  // last: the host may end everything from inside it
    }

    void IBTWSdataLoss(double) override {}

    void IBTWSErrMsg(std::int32_t id, std::int32_t code, const std::string& message) override {
        if (tws::is_notice(code)) return;
        if (connecting_) {
            // The connect call's result tells; this says why.
            if (id < 0) connect_error_ = error_text(code, message);
            return;
        }
        const auto it = id >= 0 ? lines_.find(id) : lines_.end();
        if (it != lines_.end()) {
            Line& line = *it->second;
            line.error = error_text(code, message);
            for (const std::int32_t topic : line.topics)
                refresh_topic(topic);
        } else if (state_ == State::Connected && tws::ends_connection(code)) {
            lost(error_text(code, message));
        } else {
            return;
        }
        server_.notify_host();  // last, as above
    }

    RtdServer& server_;
    Endpoint endpoint_;
    std::int32_t client_id_;
    Ref<cTWS> tws_;
    std::uint32_t cookie_ = 0;
    State state_ = State::Waiting;
    double retry_at_ = 0;  // the first attempt is due at once
    double pause_ = kFirstRetrySeconds;
    double last_pause_ = kFirstRetrySeconds;
    std::string reason_;
    bool connecting_ = false;
    std::string connect_error_;
    // By id, so lines are asked for again in the order they were first.
    std::map<std::int32_t, std::unique_ptr<Line>> lines_;
    std::unordered_map<std::string, Line*> by_key_;  // by contract key
    std::int32_t next_id_ = 1;
};

// ---------------------------------------------------------------------------------------------------

RtdServer::RtdServer(const TwsEnvironment& environment) : environment_(environment) {
    if (!environment_.create_control || !environment_.clock || !environment_.registry)
        throw std::invalid_argument("the server needs a control factory, a clock and a registry");
    store_ = mGlobal::acquire_settings(environment_.registry);
}

RtdServer::~RtdServer() = default;

std::size_t RtdServer::line_count() const noexcept {
    std::size_t n = 0;
    for (const auto& [key, c] : connections_)
        n += c->line_count();
    return n;
}

void RtdServer::ServerStart(UpdateEvents* events) {
    events_ = events;
    notified_ = false;
    using S = ConnectionSettings;
    try {
        const std::string host = store_->GetSetting(S::kSection, "Host", S::kDefaultHost).to_text();
        if (!text::trim(host).empty()) settings_.Host = std::string(text::trim(host));
        const auto port = stored_number(store_->GetSetting(S::kSection, "Port", S::kDefaultPort));
        if (port && *port >= 1 && *port <= 65535) settings_.Port = *port;
        const auto client = stored_number(store_->GetSetting(S::kSection, "ClientId", S::kDefaultClientId));
        if (client && *client >= 0) settings_.ClientId = *client;
    } catch (...) {
        // Unreadable settings leave the defaults: the server starts all the same.
    }
}

RtdServer::Connection& RtdServer::connection_for(const std::optional<Endpoint>& endpoint) {
    Endpoint e = endpoint ? *endpoint : Endpoint{settings_.Host, settings_.Port, std::nullopt};
    const std::int32_t client_id = e.client_id ? *e.client_id : settings_.ClientId;
    const std::string key = e.host + ":" + std::to_string(e.port) + ":" + std::to_string(client_id);
    auto it = connections_.find(key);
    if (it == connections_.end())
        it = connections_.emplace(key, std::make_unique<Connection>(*this, std::move(e), client_id)).first;
    return *it->second;
}

Variant RtdServer::ConnectData(std::int32_t topic_id, const std::vector<std::string>& strings) {
    if (topics_.count(topic_id)) DisconnectData(topic_id);
    TopicState state;
    try {
        state.topic = parse_topic(strings);
    } catch (const std::invalid_argument& e) {
        state.value = Variant(std::string(kBadTopicPrefix) + e.what());
        return topics_.emplace(topic_id, std::move(state)).first->second.value;
    }
    Connection& connection = connection_for(state.topic.endpoint);
    state.connection = &connection;
    if (state.topic.status) {
        connection.status_topics.insert(topic_id);
    } else {
        state.line = &connection.line_for(state.topic.contract);
        state.line->topics.push_back(topic_id);
    }
    TopicState& added = topics_.insert_or_assign(topic_id, std::move(state)).first->second;
    added.value = connection.value_of(added);
    return added.value;
}

std::vector<std::pair<std::int32_t, Variant>> RtdServer::RefreshData() {
    std::vector<std::pair<std::int32_t, Variant>> out;
    out.reserve(changed_.size());
    for (const std::int32_t id : changed_) {
        const auto it = topics_.find(id);
        if (it == topics_.end() || !it->second.changed) continue;
        it->second.changed = false;
        out.emplace_back(id, it->second.value);
    }
    changed_.clear();
    notified_ = false;
    return out;
}

void RtdServer::DisconnectData(std::int32_t topic_id) {
    const auto it = topics_.find(topic_id);
    if (it == topics_.end()) return;
    TopicState state = std::move(it->second);
    topics_.erase(it);
    Connection* connection = state.connection;
    if (!connection) return;
    if (state.topic.status)
        connection->status_topics.erase(topic_id);
    else
        connection->drop_topic(*state.line, topic_id);
    if (connection->unused()) retire(*connection);
}

void RtdServer::retire(Connection& connection) {
    for (auto it = connections_.begin(); it != connections_.end(); ++it) {
        if (it->second.get() == &connection) {
            connection.shut();
            retired_.push_back(std::move(it->second));
            connections_.erase(it);
            return;
        }
    }
}

void RtdServer::ServerTerminate() {
    for (auto& [key, connection] : connections_) {
        connection->shut();
        retired_.push_back(std::move(connection));
    }
    connections_.clear();
    topics_.clear();
    changed_.clear();
    events_ = nullptr;
    using S = ConnectionSettings;
    try {
        store_->SaveSetting(S::kSection, "Host", settings_.Host);
        store_->SaveSetting(S::kSection, "Port", settings_.Port);
        store_->SaveSetting(S::kSection, "ClientId", settings_.ClientId);
    } catch (...) {
        // Nothing to tell a host that is shutting the server down.
    }
}

void RtdServer::poll() {
    retired_.clear();
    const double now = environment_.clock->now();
    for (auto& [key, connection] : connections_)
        connection->attempt_if_due(now);
    notify_host();
}

void RtdServer::set_value(std::int32_t topic_id, TopicState& topic, Variant value) {
    if (topic.value == value) return;
    topic.value = std::move(value);
    if (!topic.changed) {
        topic.changed = true;
        changed_.push_back(topic_id);
    }
}

void RtdServer::notify_host() {
    if (notified_ || changed_.empty() || !events_) return;
    notified_ = true;
    events_->UpdateNotify();
}

}  // namespace corvel::rtd
