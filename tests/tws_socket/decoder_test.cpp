// The decoder against payloads written as the protocol notes write them.
#include <gtest/gtest.h>

#include <deque>

#include "platform/tws_socket/codec/decoder.h"
#include "tests/support/wire_text.h"

namespace corvel::tws {
namespace {

// Payloads live as long as the test program: messages are views into them.
std::string_view fields(std::initializer_list<std::string_view> values) {
    static std::deque<std::string> kept;
    return kept.emplace_back(fakes::fields(values));
}

template <class T>
T as(const Message& m) {
    const T* p = std::get_if<T>(&m);
    EXPECT_NE(p, nullptr) << "message holds alternative " << m.index();
    return p ? *p : T{};
}

TEST(Decoder, TickPriceWithItsSizeAndAttributes) {
    const auto m = as<TickPrice>(decode_message(fields({"1", "6", "1001", "1", "182.35", "300", "3"}), 178));
    EXPECT_EQ(m.req_id, 1001);
    EXPECT_EQ(m.tick_type, 1);
    EXPECT_TRUE(m.has_price);
    EXPECT_EQ(m.price, 182.35);
    EXPECT_TRUE(m.has_size);
    EXPECT_EQ(m.size, 300);
    EXPECT_EQ(m.attributes, 3);
}

TEST(Decoder, SizesAreDecimalsAndNeverTruncated) {
    const auto price =
        as<TickPrice>(decode_message(fields({"1", "6", "5", "4", "64850.25", "0.0125", "0"}), 178));
    EXPECT_EQ(price.size, 0.0125);
    const auto size = as<TickSize>(decode_message(fields({"2", "6", "5", "0", "1.5"}), 178));
    EXPECT_EQ(size.req_id, 5);
    EXPECT_EQ(size.tick_type, 0);
    EXPECT_TRUE(size.has_size);
    EXPECT_EQ(size.size, 1.5);
}

TEST(Decoder, UnsetValuesAreToldApartFromZero) {
    const auto price = as<TickPrice>(decode_message(fields({"1", "6", "5", "9", "", "2147483647", ""}), 178));
    EXPECT_FALSE(price.has_price);
    EXPECT_FALSE(price.has_size);
    EXPECT_EQ(price.attributes, 0);
    const auto zero = as<TickPrice>(decode_message(fields({"1", "6", "5", "1", "0", "0", "0"}), 178));
    EXPECT_TRUE(zero.has_price);
    EXPECT_TRUE(zero.has_size);
    const auto size = as<TickSize>(decode_message(fields({"2", "6", "5", "8", "9223372036854775807"}), 178));
    EXPECT_FALSE(size.has_size);
}

TEST(Decoder, OlderTickPriceLayoutsWithoutSizeOrAttributes) {
    const auto bare = as<TickPrice>(decode_message(fields({"1", "1", "5", "9", "10.5"}), 178));
    EXPECT_EQ(bare.price, 10.5);
    EXPECT_FALSE(bare.has_size);
    const auto sized = as<TickPrice>(decode_message(fields({"1", "2", "5", "1", "10.5", "7"}), 178));
    EXPECT_EQ(sized.size, 7);
    EXPECT_EQ(sized.attributes, 0);
}

TEST(Decoder, ExtraTrailingFieldsOfNewerServersAreIgnored) {
    const auto m = as<TickSize>(decode_message(fields({"2", "6", "5", "3", "200", "future", "fields"}), 178));
    EXPECT_EQ(m.size, 200);
}

TEST(Decoder, ErrorMessagesInAllThreeLayouts) {
    const auto old = as<ErrorMessage>(
        decode_message(fields({"4", "2", "-1", "2104", "Market data farm connection is OK:usfarm"}), 157));
    EXPECT_EQ(old.id, -1);
    EXPECT_EQ(old.code, 2104);
    EXPECT_EQ(old.text, "Market data farm connection is OK:usfarm");

    const auto mid = as<ErrorMessage>(decode_message(
        fields({"4", "2", "7", "200", "No security definition has been found for the request", ""}), 178));
    EXPECT_EQ(mid.id, 7);
    EXPECT_EQ(mid.code, 200);
    EXPECT_EQ(mid.advanced_reject, "");

    const auto timed = as<ErrorMessage>(
        decode_message(fields({"4", "3", "354", "Not subscribed", "", "1714058634000"}), 194));
    EXPECT_EQ(timed.id, 3);
    EXPECT_EQ(timed.code, 354);
    EXPECT_EQ(timed.text, "Not subscribed");
    EXPECT_EQ(timed.error_time, 1714058634000);
}

TEST(Decoder, ErrorTextsAreUnescapedForServersThatEscape) {
    EXPECT_EQ(decode_error_text("Ordre refus\\u00e9", 178), "Ordre refus\xC3\xA9");
    EXPECT_EQ(decode_error_text("\\ud83d\\ude00", 178), "\xF0\x9F\x98\x80");  // a surrogate pair
    EXPECT_EQ(decode_error_text("\\ud83d alone", 178), "\xEF\xBF\xBD alone");
    EXPECT_EQ(decode_error_text("\\u00e9", 152), "\\u00e9");  // older servers do not escape
    EXPECT_EQ(decode_error_text("not \\u12", 178), "not \\u12");
    EXPECT_EQ(decode_error_text("caf\xC3\xA9", 178), "caf\xC3\xA9");  // already UTF-8
    EXPECT_EQ(decode_error_text("caf\xE9", 178), "caf\xC3\xA9");      // Latin-1 from a non-English TWS
}

TEST(Decoder, SessionMessages) {
    EXPECT_EQ(as<NextValidId>(decode_message(fields({"9", "1", "42"}), 178)).order_id, 42);
    EXPECT_EQ(as<ManagedAccounts>(decode_message(fields({"15", "1", "DU1234567,DU7654321,"}), 178)).accounts,
              "DU1234567,DU7654321,");
    EXPECT_EQ(as<CurrentTime>(decode_message(fields({"49", "1", "1714058634"}), 178)).epoch_seconds,
              1714058634);
}

TEST(Decoder, OtherMarketDataMessages) {
    const auto generic = as<TickGeneric>(decode_message(fields({"45", "6", "5", "49", "0"}), 178));
    EXPECT_EQ(generic.tick_type, 49);
    const auto text = as<TickString>(decode_message(
        fields({"46", "6", "5", "48", "701.28;1;1348075471534;67854;701.46918464;true"}), 178));
    EXPECT_EQ(text.tick_type, 48);
    EXPECT_EQ(as<TickSnapshotEnd>(decode_message(fields({"57", "1", "5"}), 178)).req_id, 5);
    EXPECT_EQ(as<MarketDataType>(decode_message(fields({"58", "1", "5", "3"}), 178)).type, 3);
    const auto params = as<TickReqParams>(decode_message(fields({"81", "5", "0.01", "9c0001", "3"}), 178));
    EXPECT_EQ(params.bbo_exchange, "9c0001");
    const auto option = as<TickOptionComputation>(decode_message(
        fields({"21", "5", "13", "1", "0.25", "0.5", "3.2", "0", "0.01", "0.1", "-0.02", "150"}), 178));
    EXPECT_EQ(option.underlying_price, 150);
    const auto legacy = as<TickOptionComputation>(decode_message(
        fields({"21", "6", "5", "10", "0.25", "0.5", "3.2", "0", "0.01", "0.1", "-0.02", "150"}), 150));
    EXPECT_EQ(legacy.theta, -0.02);
    EXPECT_EQ(as<TickEfp>(decode_message(fields({"47", "6", "5", "38", "1.5", "1.50 %", "100", "30",
                                                 "20261218", "0", "0"}),
                                         178))
                  .implied_futures_price,
              100);
}

TEST(Decoder, UnknownMessagesAndShortFramesAreSkipped) {
    EXPECT_EQ(as<Skipped>(decode_message(fields({"5", "whatever", "the", "order", "says"}), 178)).msg_id, 5);
    EXPECT_EQ(as<Skipped>(decode_message(fields({"1", "6", "5", "1"}), 178)).msg_id, 1);
    EXPECT_EQ(as<Skipped>(decode_message(fields({"4", "2", "-1"}), 178)).msg_id, 4);
}

TEST(Decoder, AnUnreadableFieldIsReportedWithItsPlaceAndText) {
    const auto bad = as<Malformed>(decode_message(fields({"1", "6", "1", "1", "12.3x4", "100", "0"}), 178));
    EXPECT_EQ(bad.msg_id, 1);
    EXPECT_EQ(bad.field_index, 4);
    EXPECT_EQ(bad.raw, "12.3x4");
    const auto id = as<Malformed>(decode_message(fields({"x1"}), 178));
    EXPECT_EQ(id.msg_id, 0);
    EXPECT_EQ(id.field_index, 0);
    const auto req = as<Malformed>(decode_message(fields({"2", "6", "99999999999", "0", "1"}), 178));
    EXPECT_EQ(req.field_index, 2);
}

TEST(Decoder, BytesWithoutAnyFieldAreNoMessage) {
    EXPECT_TRUE(std::holds_alternative<Skipped>(decode_message("", 178)));
    EXPECT_TRUE(std::holds_alternative<Skipped>(decode_message("1", 178)));  // no terminating NUL
}

TEST(Decoder, HandshakeReply) {
    const HandshakeReply ok = decode_handshake_reply(fields({"178", "20250425 15:23:54 EST"}));
    EXPECT_TRUE(ok.ok);
    EXPECT_EQ(ok.server_version, 178);
    EXPECT_EQ(ok.connection_time, "20250425 15:23:54 EST");
    EXPECT_FALSE(ok.redirect);
    const HandshakeReply redirect = decode_handshake_reply(fields({"-1", "10.0.0.2:7496"}));
    EXPECT_TRUE(redirect.redirect);
    EXPECT_FALSE(decode_handshake_reply(fields({"abc", "x"})).ok);
    EXPECT_FALSE(decode_handshake_reply(fields({"178"})).ok);
}

}  // namespace
}  // namespace corvel::tws
