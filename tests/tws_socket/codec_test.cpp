// The frame and field layer, and the encoder, byte for byte against the protocol's examples.
#include <gtest/gtest.h>

#include <charconv>
#include <clocale>
#include <cstring>
#include <limits>

#include "platform/tws_socket/codec/encoder.h"
#include "platform/tws_socket/codec/field_codec.h"
#include "platform/tws_socket/codec/framing.h"
#include "platform/tws_socket/codec/wire.h"
#include "tests/support/wire_text.h"

namespace corvel::tws {
namespace {

using fakes::fields;
using fakes::frame;
using fakes::framed;

TEST(Framing, AWholeFrameIsFoundAndTheRestLeftAlone) {
    const std::string stream = frame({"9", "1", "1"}) + std::string("\0\0", 2);
    const FrameView v = peek_frame(stream);
    ASSERT_EQ(v.status, FrameStatus::Complete);
    EXPECT_EQ(v.payload, fields({"9", "1", "1"}));
    EXPECT_EQ(v.size, 4 + fields({"9", "1", "1"}).size());
}

TEST(Framing, PartialLengthsAndPayloadsWaitForMore) {
    const std::string whole = frame({"2", "6", "1", "0", "100"});
    for (std::size_t cut = 0; cut < whole.size(); ++cut) {
        EXPECT_EQ(peek_frame(std::string_view(whole).substr(0, cut)).status, FrameStatus::Incomplete) << cut;
    }
    EXPECT_EQ(peek_frame(whole).status, FrameStatus::Complete);
}

TEST(Framing, LengthsOutsideOneToTheMaximumAreRefused) {
    EXPECT_EQ(peek_frame(std::string("\0\0\0\0", 4)).status, FrameStatus::BadLength);
    const FrameView big = peek_frame(std::string("\x01\x00\x00\x00", 4));
    EXPECT_EQ(big.status, FrameStatus::BadLength);
    EXPECT_EQ(big.length, kMaxFrameLength + 1);
    // The largest legal length only waits for its bytes.
    EXPECT_EQ(peek_frame(std::string("\x00\xFF\xFF\xFF", 4)).status, FrameStatus::Incomplete);
}

TEST(FieldCursor, ReadsFieldsAndNeverATrailingUnterminatedOne) {
    const std::string payload = fields({"1", "", "abc"}) + "tail-without-nul";
    FieldCursor c(payload);
    std::string_view f;
    ASSERT_TRUE(c.next(f));
    EXPECT_EQ(f, "1");
    ASSERT_TRUE(c.next(f));
    EXPECT_EQ(f, "");
    ASSERT_TRUE(c.next(f));
    EXPECT_EQ(f, "abc");
    EXPECT_FALSE(c.next(f));
    EXPECT_EQ(c.index(), 3);
}

TEST(FieldParsing, IntegersAreStrict) {
    std::int32_t v = 0;
    EXPECT_TRUE(parse_int32("-1", v));
    EXPECT_EQ(v, -1);
    EXPECT_TRUE(parse_int32("2147483647", v));
    EXPECT_FALSE(parse_int32("2147483648", v));
    EXPECT_FALSE(parse_int32("", v));
    EXPECT_FALSE(parse_int32("12a", v));
    EXPECT_FALSE(parse_int32(" 1", v));
    EXPECT_FALSE(parse_int32("1.0", v));
    std::int64_t w = 0;
    EXPECT_TRUE(parse_int64("9223372036854775807", w));
    EXPECT_EQ(parse_optional_int32("", v), FieldValue::Unset);
    EXPECT_EQ(parse_optional_int32("2147483647", v), FieldValue::Unset);
    EXPECT_EQ(parse_optional_int32("x", v), FieldValue::Bad);
}

TEST(FieldParsing, DoublesInEverySpellingTwsUsesAndInAnyLocale) {
    // A locale with a decimal comma must not change how the wire reads.
    std::setlocale(LC_NUMERIC, "de_DE.UTF-8");
    double v = 0;
    EXPECT_EQ(parse_double("182.35", v), FieldValue::Set);
    EXPECT_EQ(v, 182.35);
    EXPECT_EQ(parse_double("1.0E-4", v), FieldValue::Set);
    EXPECT_EQ(v, 1.0E-4);
    EXPECT_EQ(parse_double("-1", v), FieldValue::Set);
    EXPECT_EQ(v, -1);
    EXPECT_EQ(parse_double("Infinity", v), FieldValue::Set);
    EXPECT_EQ(v, std::numeric_limits<double>::infinity());
    EXPECT_EQ(parse_double("-Infinity", v), FieldValue::Set);
    EXPECT_EQ(v, -std::numeric_limits<double>::infinity());
    EXPECT_EQ(parse_double("", v), FieldValue::Unset);
    EXPECT_EQ(parse_double("1.7976931348623157E308", v), FieldValue::Unset);
    EXPECT_EQ(parse_double("NaN", v), FieldValue::Unset);
    EXPECT_EQ(parse_double("1,5", v), FieldValue::Bad);
    EXPECT_EQ(parse_double("12.3x4", v), FieldValue::Bad);
    std::setlocale(LC_NUMERIC, "C");
}

TEST(FieldParsing, ShortDecimalsReadExactlyAsAFullConversionWould) {
    // Short decimals take a quicker road; it must end at the same double, bit for bit.
    std::uint64_t state = 12345;
    const auto next = [&] {
        state = state * 6364136223846793005ULL + 1442695040888963407ULL;
        return state >> 33;
    };
    for (int i = 0; i < 200000; ++i) {
        std::string text = (next() % 5 == 0) ? "-" : "";
        const int digits = 1 + static_cast<int>(next() % 17);
        const int dot = static_cast<int>(next() % (digits + 2));
        for (int d = 0; d < digits; ++d) {
            if (d == dot) text.push_back('.');
            text.push_back(static_cast<char>('0' + next() % 10));
        }
        double fast = 0, full = 0;
        const auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), full);
        ASSERT_TRUE(ec == std::errc() && ptr == text.data() + text.size()) << text;
        ASSERT_EQ(parse_double(text, fast), FieldValue::Set) << text;
        ASSERT_EQ(std::memcmp(&fast, &full, sizeof fast), 0) << text;
    }
    double v = 0;
    EXPECT_EQ(parse_double(".5", v), FieldValue::Set);
    EXPECT_EQ(v, 0.5);
    EXPECT_EQ(parse_double("-", v), FieldValue::Bad);
    EXPECT_EQ(parse_double(".", v), FieldValue::Bad);
    EXPECT_EQ(parse_double("1.2.3", v), FieldValue::Bad);
}

TEST(FieldParsing, SizesTakeDecimalsAndEveryUnsetSpelling) {
    double v = 0;
    EXPECT_EQ(parse_decimal("0.0125", v), FieldValue::Set);
    EXPECT_EQ(v, 0.0125);
    EXPECT_EQ(parse_decimal("300", v), FieldValue::Set);
    EXPECT_EQ(v, 300);
    for (const char* unset : {"", "2147483647", "9223372036854775807", "1.7976931348623157E308"}) {
        EXPECT_EQ(parse_decimal(unset, v), FieldValue::Unset) << unset;
    }
}

TEST(FrameBuilder, WritesLengthAndFieldsAndRefusesTextThatCouldSplitAField) {
    std::string out = "x";
    FrameBuilder b(out);
    b.integer(-5).number(0).number(150.5).flag(true).empty().text("AAPL");
    EXPECT_EQ(b.refused_field(), -1);
    b.finish();
    EXPECT_EQ(out, "x" + frame({"-5", "0", "150.5", "1", "", "AAPL"}));

    std::string bad;
    FrameBuilder c(bad);
    c.text("ok").text(std::string("A\0B", 3)).text("caf\xC3\xA9");
    EXPECT_EQ(c.refused_field(), 1);
}

TEST(Encoder, TheHandshakeOffersTheVersionRange) {
    EXPECT_EQ(encode_handshake(157, 178), std::string("API\0", 4) + framed("v157..178"));
    EXPECT_EQ(encode_handshake(176, 176), std::string("API\0", 4) + framed("v176"));
    EXPECT_EQ(encode_handshake(157, 178, "+PACEAPI"), std::string("API\0", 4) + framed("v157..178 +PACEAPI"));
}

TEST(Encoder, StartApiCarriesTheClientIdAndCapabilitiesFromVersion72) {
    std::string out;
    encode_start_api(out, 178, 7);
    EXPECT_EQ(out, frame({"71", "2", "7", ""}));
    out.clear();
    encode_start_api(out, 71, 7);
    EXPECT_EQ(out, frame({"71", "2", "7"}));
}

ContractRequest stock(std::string symbol, std::string primary) {
    ContractRequest c;
    c.symbol = std::move(symbol);
    c.sec_type = "STK";
    c.exchange = "SMART";
    c.primary_exchange = std::move(primary);
    c.currency = "USD";
    return c;
}

TEST(Encoder, AMarketDataRequestMatchesTheProtocolExample) {
    std::string out;
    ASSERT_TRUE(encode_req_mkt_data(out, 178, 1001, stock("AAPL", "NASDAQ"), "", false));
    EXPECT_EQ(out, frame({"1",     "11",     "1001", "0", "AAPL", "STK", "", "0", "",  "",
                          "SMART", "NASDAQ", "USD",  "",  "",     "0",   "", "0", "0", ""}));
}

TEST(Encoder, AMarketDataRequestCarriesOptionFieldsAndTheGenericTicks) {
    ContractRequest c = stock("IBM", "");
    c.sec_type = "OPT";
    c.expiry = "20261218";
    c.strike = 150.5;
    c.right = "C";
    c.multiplier = "100";
    std::string out;
    ASSERT_TRUE(encode_req_mkt_data(out, 178, 3, c, "100,101,104", false));
    EXPECT_EQ(out, frame({"1",     "11", "3",   "0", "IBM", "OPT", "20261218",    "150.5", "C", "100",
                          "SMART", "",   "USD", "",  "",    "0",   "100,101,104", "0",     "0", ""}));
}

TEST(Encoder, OlderServersGetTheFieldsTheyKnowOnly) {
    std::string out;
    // Before 47 no conId, before 68 no trading class, before 70 no options, before 114 no
    // regulatory snapshot; from 40 the delta-neutral flag.
    ASSERT_TRUE(encode_req_mkt_data(out, 45, 9, stock("IBM", ""), "", true));
    EXPECT_EQ(out,
              frame({"1", "11", "9", "IBM", "STK", "", "0", "", "", "SMART", "", "USD", "", "0", "", "1"}));
}

TEST(Encoder, ACombinationSaysItHasNoLegs) {
    ContractRequest c = stock("SPREAD", "");
    c.sec_type = "BAG";
    std::string out;
    ASSERT_TRUE(encode_req_mkt_data(out, 178, 4, c, "", false));
    EXPECT_EQ(out, frame({"1", "11",  "4", "0", "SPREAD", "BAG", "", "0", "",  "", "SMART",
                          "",  "USD", "",  "",  "0",      "0",   "", "0", "0", ""}));
}

TEST(Encoder, ARequestWithTextThatIsNotAsciiOrABadStrikeLeavesNothingBehind) {
    std::string out = "kept";
    EXPECT_FALSE(encode_req_mkt_data(out, 178, 1, stock("N\xC3\x96K", ""), "", false));
    ContractRequest nul = stock(std::string("IB\0M", 4), "");
    EXPECT_FALSE(encode_req_mkt_data(out, 178, 1, nul, "", false));
    ContractRequest nan = stock("IBM", "");
    nan.strike = std::numeric_limits<double>::quiet_NaN();
    EXPECT_FALSE(encode_req_mkt_data(out, 178, 1, nan, "", false));
    EXPECT_EQ(out, "kept");
}

TEST(Encoder, CancelAndTimeRequests) {
    std::string out;
    encode_cancel_mkt_data(out, 1001);
    encode_req_current_time(out);
    EXPECT_EQ(out, frame({"2", "2", "1001"}) + frame({"49", "1"}));
}

}  // namespace
}  // namespace corvel::tws
