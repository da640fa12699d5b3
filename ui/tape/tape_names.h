#pragma once

#include <cstdint>

namespace corvel::tape {

// The sheets and names of a quotes workbook that the tape builder reads and writes.
inline constexpr const char* kQuotesSheet = "TWS_Quotes";
inline constexpr const char* kSymbolName = "TWS_Symbol";
inline constexpr const char* kTapeSheet = "Ticker_tape_settings";
inline constexpr const char* kTapeHeaderName = "Tape_header_for_Ticker";

// The workbook names of the market-data fields.
inline constexpr const char* kLastPrice = "TWS_Last_Price";
inline constexpr const char* kLastSize = "TWS_Last_Size";
inline constexpr const char* kBidPrice = "TWS_Bid_Price";
inline constexpr const char* kBidSize = "TWS_Bid_Size";
inline constexpr const char* kAskPrice = "TWS_Ask_Price";
inline constexpr const char* kAskSize = "TWS_Ask_Size";
inline constexpr const char* kHigh = "TWS_High";
inline constexpr const char* kLow = "TWS_Low";
inline constexpr const char* kVolume = "TWS_Volume";
inline constexpr const char* kClose = "TWS_Close";

// The start of every header-text label; a label ends with the caption of the control it belongs to.
inline constexpr const char* kLabelPrefix = "Tape header for ";
// The palette colour of the tape table's odd rows (a light grey).
inline constexpr std::int32_t kOddRowFill = 15;
// The line break inside a symbol row's row data.
inline constexpr const char* kCrLf = "\r\n";

}  // namespace corvel::tape
