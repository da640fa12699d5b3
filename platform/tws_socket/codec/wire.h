#pragma once

#include <cstdint>

// Facts of the TWS socket protocol that every part of the client and the simulator share: frame
// limits, message ids and the server versions at which a message changes shape.
namespace corvel::tws {

// Frames carry a 4-byte big-endian length; TWS never sends more than this in one frame, so anything
// larger means the stream is out of step.
inline constexpr std::uint32_t kMaxFrameLength = 0xFFFFFF;

// The range of server versions the client offers. Below 157 tick messages come in older shapes this
// client does not take; at 201 and above every frame changes to raw message ids and protobuf, so the
// offer stays below that. 178 is the top that current TWS and IB Gateway builds are known to accept.
inline constexpr int kClientMinVersion = 157;
inline constexpr int kClientMaxVersion = 178;
// The highest version the decoder and encoder understand; a client may be told to offer up to it.
inline constexpr int kHighestTextVersion = 200;

// Messages the server sends.
namespace incoming {
inline constexpr int kTickPrice = 1;
inline constexpr int kTickSize = 2;
inline constexpr int kErrMsg = 4;
inline constexpr int kNextValidId = 9;
inline constexpr int kManagedAccounts = 15;
inline constexpr int kTickOptionComputation = 21;
inline constexpr int kTickGeneric = 45;
inline constexpr int kTickString = 46;
inline constexpr int kTickEfp = 47;
inline constexpr int kCurrentTime = 49;
inline constexpr int kTickSnapshotEnd = 57;
inline constexpr int kMarketDataType = 58;
inline constexpr int kTickReqParams = 81;
inline constexpr int kRerouteMktDataReq = 91;
// What TWS answers a client's start-up requests with; the simulator sends them, the client skips them.
inline constexpr int kAccountValue = 6;
inline constexpr int kAccountUpdateTime = 8;
inline constexpr int kContractData = 10;
inline constexpr int kContractDataEnd = 52;
inline constexpr int kOpenOrderEnd = 53;
inline constexpr int kAccountDownloadEnd = 54;
inline constexpr int kExecutionDataEnd = 55;
inline constexpr int kPositionEnd = 62;
inline constexpr int kAccountUpdateMulti = 73;
inline constexpr int kAccountUpdateMultiEnd = 74;
inline constexpr int kCompletedOrdersEnd = 102;
}  // namespace incoming

// Messages the client sends.
namespace outgoing {
inline constexpr int kReqMktData = 1;
inline constexpr int kCancelMktData = 2;
inline constexpr int kReqIds = 8;
inline constexpr int kReqCurrentTime = 49;
inline constexpr int kReqMarketDataType = 59;
inline constexpr int kStartApi = 71;
// What other clients ask at start-up; the simulator answers them.
inline constexpr int kReqOpenOrders = 5;
inline constexpr int kReqAccountData = 6;
inline constexpr int kReqExecutions = 7;
inline constexpr int kReqContractData = 9;
inline constexpr int kReqAutoOpenOrders = 15;
inline constexpr int kReqAllOpenOrders = 16;
inline constexpr int kReqManagedAccounts = 17;
inline constexpr int kReqPositions = 61;
inline constexpr int kCancelPositions = 64;
inline constexpr int kReqAccountUpdatesMulti = 76;
inline constexpr int kCancelAccountUpdatesMulti = 77;
inline constexpr int kReqCompletedOrders = 99;
}  // namespace outgoing

// Server versions from which a message carries a field or changes layout. Kept as data so the
// encoder, the decoder and the simulator ask the same question the same way.
enum class Feature {
    DeltaNeutral,          // reqMktData carries the delta-neutral flag
    ReqMktDataConId,       // reqMktData carries conId
    TradingClass,          // reqMktData carries tradingClass
    Linking,               // startApi exists; reqMktData carries mktDataOptions
    OptionalCapabilities,  // startApi carries optional capabilities
    SmartComponents,       // reqMktData carries regulatorySnapshot
    EncodeMsgAscii7,       // error texts come 7-bit with \uXXXX escapes
    PriceBasedVolatility,  // tickOptionComputation drops its version field
    FractionalSizes,       // sizes are decimals
    AdvancedOrderReject,   // errMsg gains advancedOrderRejectJson
    ErrorTime,             // errMsg drops its version field and gains errorTime
    Protobuf,              // raw message ids and protobuf frames: never negotiated here
    // Fields of contractData, which the simulator writes.
    MdSizeMultiplier,      // mdSizeMultiplier (until SizeRules)
    AggGroup,              // aggGroup
    UnderlyingInfo,        // underSymbol, underSecType
    MarketRules,           // marketRuleIds
    RealExpirationDate,    // realExpirationDate
    StockType,             // stockType
    SizeRules,             // no version field; minSize, sizeIncrement, suggestedSizeIncrement
    FundDataFields,        // the fund fields, for secType FUND
    LastTradeDate,         // lastTradeDate after lastTradeDateOrContractMonth
    IneligibilityReasons,  // a list of ineligibility reasons
};

struct FeatureGate {
    Feature feature;
    int min_version;
};

inline constexpr FeatureGate kFeatureGates[] = {
    {Feature::DeltaNeutral, 40},         {Feature::ReqMktDataConId, 47},
    {Feature::TradingClass, 68},         {Feature::Linking, 70},
    {Feature::OptionalCapabilities, 72}, {Feature::SmartComponents, 114},
    {Feature::EncodeMsgAscii7, 153},     {Feature::PriceBasedVolatility, 156},
    {Feature::FractionalSizes, 163},     {Feature::AdvancedOrderReject, 166},
    {Feature::ErrorTime, 194},           {Feature::Protobuf, 201},
    {Feature::MdSizeMultiplier, 110},    {Feature::AggGroup, 121},
    {Feature::UnderlyingInfo, 122},      {Feature::MarketRules, 126},
    {Feature::RealExpirationDate, 134},  {Feature::StockType, 152},
    {Feature::SizeRules, 164},           {Feature::FundDataFields, 179},
    {Feature::LastTradeDate, 182},       {Feature::IneligibilityReasons, 186},
};

constexpr int min_version(Feature feature) noexcept {
    for (const auto& gate : kFeatureGates) {
        if (gate.feature == feature) return gate.min_version;
    }
    return 0;
}

constexpr bool supports(int server_version, Feature feature) noexcept {
    return server_version >= min_version(feature);
}

// TWS sends the size of a bid, ask or last price inside the price message; IB's clients, and so the
// control, report it as a size tick of its own right after the price. -1 for prices without a size.
constexpr int size_type_for_price(int price_type) noexcept {
    switch (price_type) {
        case 1:
            return 0;  // bid
        case 2:
            return 3;  // ask
        case 4:
            return 5;  // last
        case 66:
            return 69;  // delayed bid
        case 67:
            return 70;  // delayed ask
        case 68:
            return 71;  // delayed last
        default:
            return -1;
    }
}

}  // namespace corvel::tws
