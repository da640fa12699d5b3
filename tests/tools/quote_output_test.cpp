// The board and the record streams of corvel-quotes.
#include <gtest/gtest.h>

#include "common/ole_date.h"
#include "tools/quotes/quote_board.h"
#include "tools/quotes/record_writer.h"

namespace corvel::quotes {
namespace {

const double kWhen = ole_date_from_civil({2026, 12, 8, 14, 3, 22, 145});

QuoteContract contract(std::string symbol, std::string type, std::string expiry = {},
                       std::string currency = {}) {
    QuoteContract c;
    c.symbol = std::move(symbol);
    c.sec_type = std::move(type);
    c.expiry = std::move(expiry);
    c.currency = std::move(currency);
    return c;
}

TEST(ValueText, ShortestFixedNotation) {
    EXPECT_EQ(format_value(1000000), "1000000");
    EXPECT_EQ(format_value(189.3), "189.3");
    EXPECT_EQ(format_value(0.0125), "0.0125");
    EXPECT_EQ(format_value(1.08775), "1.08775");
    EXPECT_EQ(format_value(0), "0");
    EXPECT_EQ(format_value(1e300), "1e+300");  // too long in fixed notation
    EXPECT_EQ(format_value(1e308 * 10), "-");
}

TEST(TimeText, LocalTimesToTheMillisecond) {
    EXPECT_EQ(format_iso_time(kWhen), "2026-12-08T14:03:22.145");
    EXPECT_EQ(format_time_of_day(kWhen), "14:03:22.145");
}

TEST(QuoteBoard, RowsKeepTheLatestValueOfEachFieldAndCountUpdates) {
    QuoteBoard board({contract("IBM", "STK"), contract("EUR", "CASH", "", "USD")});
    board.apply(1, 4, 182.35, kWhen);
    board.apply(1, 5, 100, kWhen);
    board.apply(1, 4, 182.4, kWhen + 1.0 / 86400);
    board.apply(2, 1, 1.08775, kWhen);
    board.apply(1, 14, 181, kWhen);  // not a board field, still an update
    board.apply(3, 4, 1, kWhen);     // no such row
    board.apply(0, 4, 1, kWhen);
    const auto& rows = board.rows();
    EXPECT_EQ(rows[0].values[4], 182.4);
    EXPECT_EQ(rows[0].updates, 4U);
    EXPECT_EQ(format_time_of_day(rows[0].last_update), "14:03:23.145");
    EXPECT_EQ(rows[1].label, "EUR.USD");
    EXPECT_FALSE(rows[1].has[4]);
}

TEST(QuoteBoard, RendersAlignedColumnsWithDashesForWhatHasNotArrived) {
    QuoteBoard board({contract("IBM", "STK"), contract("ES", "FUT", "202612")});
    board.apply(1, 4, 182.35, kWhen);
    board.apply(1, 8, 1234567, kWhen);
    const auto lines = board.render();
    ASSERT_EQ(lines.size(), 3U);
    EXPECT_EQ(lines[0].substr(0, 8), "CONTRACT");
    EXPECT_NE(lines[1].find("182.35"), std::string::npos);
    EXPECT_NE(lines[1].find("1234567"), std::string::npos);
    EXPECT_NE(lines[1].find("14:03:22.145"), std::string::npos);
    EXPECT_EQ(lines[2].substr(0, 9), "ES 202612");
    // Every line is as long as the heading: the columns line up.
    EXPECT_EQ(lines[1].size(), lines[0].size());
    EXPECT_EQ(lines[2].size(), lines[0].size());
    // The last price sits right-aligned under its heading.
    const std::size_t last_end = lines[0].find("LAST") + 4;
    EXPECT_EQ(lines[1].substr(last_end - 6, 6), "182.35");
}

TEST(RecordWriter, CsvLinesWithAHeading) {
    RecordWriter w(RecordFormat::Csv, {"IBM", "A,B"});
    std::string out = w.heading();
    w.append(out, "a12", 1, 4, 182.35, kWhen);
    w.append(out, "d2_1_1", 2, 1, 1.5, kWhen);
    w.append(out, "a13", 7, 40, 2, kWhen);  // unknown id, unnamed type
    EXPECT_EQ(out,
              "key,id,contract,tick_type,tick_name,value,time\n"
              "a12,1,IBM,4,LAST_PRICE,182.35,2026-12-08T14:03:22.145\n"
              "d2_1_1,2,\"A,B\",1,BID_PRICE,1.5,2026-12-08T14:03:22.145\n"
              "a13,7,,40,,2,2026-12-08T14:03:22.145\n");
}

TEST(RecordWriter, JsonLinesEscapeWhatTheyMust) {
    RecordWriter w(RecordFormat::Jsonl, {"SYM\"\\\x01"});
    EXPECT_EQ(w.heading(), "");
    std::string out;
    w.append(out, "a0", 1, 0, 1000000, kWhen);
    EXPECT_EQ(out,
              "{\"key\":\"a0\",\"id\":1,\"contract\":\"SYM\\\"\\\\\\u0001\",\"tick_type\":0,\"tick_name\":"
              "\"BID_SIZE\","
              "\"value\":1000000,\"time\":\"2026-12-08T14:03:22.145\"}\n");
}

}  // namespace
}  // namespace corvel::quotes
