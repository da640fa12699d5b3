#include "market_data/condensing.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "common/variant.h"
#include "market_data/tick_type.h"

namespace corvel {
namespace {

// A backlog of ticks as the buffer holds them ("a0", "a1", ...), condensed into a result collection.
class CondensingTest : public ::testing::Test {
  protected:
    Ref<cTWSDatas> ticks = make_ref<cTWSDatas>();
    Ref<cTWSDatas> result = make_ref<cTWSDatas>();
    Condenser condenser;
    double time = 1.0;  // each tick one day after the one before, so times read as tick numbers

    void tick(std::int32_t id, std::int32_t type, double value) {
        cTWSData& r = ticks->item_add("a" + std::to_string(ticks->Count()));
        r.id = id;
        r.TickType = type;
        r.Price = value;
        r.sDate = time++;
    }
    // A price followed by its size, as intake pairs them.
    void quote(std::int32_t id, std::int32_t price_type, std::int32_t size_type, double price, double size) {
        tick(id, price_type, price);
        tick(id, size_type, size);
    }

    // "key id type value @time" for every record condensing wrote.
    std::vector<std::string> condensed() {
        condenser.condense(*ticks, *result);
        std::vector<std::string> out;
        for (const auto& r : *result) {
            out.push_back(r.NameID.str() + " " + std::to_string(r.id) + " " + std::to_string(r.TickType) +
                          " " + format_number(r.Price) + " @" + format_number(r.sDate));
        }
        return out;
    }
    using Lines = std::vector<std::string>;
};

TEST_F(CondensingTest, FirstLowHighAndLastSurvivePerIdAndTypeWithTheirTimes) {
    // Two ids and two types interleaved: each (id, type) condenses on its own.
    for (const double v : {20.0, 24.0, 19.0, 22.0, 21.0}) {
        tick(1, CLOSE_PRICE, v);
        tick(2, CLOSE_PRICE, v + 100);
        tick(1, HIGH_TICK, v / 2);
    }
    EXPECT_EQ(condensed(), (Lines{
                               "d1_6_1 1 6 10 @3",
                               "d1_9_1 1 9 20 @1",
                               "d2_9_1 2 9 120 @2",
                               "e1_6_2 1 6 12 @6",
                               "e1_9_2 1 9 24 @4",
                               "e2_9_2 2 9 124 @5",
                               "f1_6_3 1 6 9.5 @9",
                               "f1_9_3 1 9 19 @7",
                               "f2_9_3 2 9 119 @8",
                               "g1_6_4 1 6 10.5 @15",
                               "g1_9_4 1 9 21 @13",
                               "g2_9_4 2 9 121 @14",
                           }));
}

TEST_F(CondensingTest, TheExtremesAreWrittenInTheOrderTheyWereReached) {
    tick(0, CLOSE_PRICE, 10);
    tick(0, CLOSE_PRICE, 8);   // the low first...
    tick(0, CLOSE_PRICE, 13);  // ...then the high
    tick(0, CLOSE_PRICE, 11);
    EXPECT_EQ(condensed(),
              (Lines{"d0_9_1 0 9 10 @1", "e0_9_2 0 9 8 @2", "f0_9_3 0 9 13 @3", "g0_9_4 0 9 11 @4"}));
}

TEST_F(CondensingTest, PointsThatRepeatTheFirstOrTheLastAreNotWrittenAgain) {
    // Flat: only the first point.
    for (int i = 0; i < 4; ++i)
        tick(1, CLOSE_PRICE, 5);
    // Back where it started without rising: the low, moved into the later slot, and the first.
    tick(2, CLOSE_PRICE, 10);
    tick(2, CLOSE_PRICE, 9);
    tick(2, CLOSE_PRICE, 10);
    // Back where it started after a high: first, high and last.
    tick(3, CLOSE_PRICE, 10);
    tick(3, CLOSE_PRICE, 12);
    tick(3, CLOSE_PRICE, 10);
    // Ending on its high: first, low and last.
    tick(4, CLOSE_PRICE, 10);
    tick(4, CLOSE_PRICE, 7);
    tick(4, CLOSE_PRICE, 15);
    EXPECT_EQ(condensed(), (Lines{
                               "d1_9_1 1 9 5 @1",
                               "d2_9_1 2 9 10 @5",
                               "d3_9_1 3 9 10 @8",
                               "d4_9_1 4 9 10 @11",
                               "e4_9_2 4 9 7 @12",
                               "f2_9_3 2 9 9 @6",
                               "f3_9_3 3 9 12 @9",
                               "g3_9_4 3 9 10 @10",
                               "g4_9_4 4 9 15 @13",
                           }));
}

TEST_F(CondensingTest, EachSizeGoesWithThePriceItFollowed) {
    quote(0, LAST_PRICE, LAST_SIZE, 10, 1);  // first
    quote(0, LAST_PRICE, LAST_SIZE, 12, 2);  // high
    quote(0, LAST_PRICE, LAST_SIZE, 9, 3);   // low
    quote(0, LAST_PRICE, LAST_SIZE, 11, 4);  // no new extreme: its size is carried into the last
    quote(0, LAST_PRICE, LAST_SIZE, 11, 6);
    EXPECT_EQ(condensed(), (Lines{
                               "d0_4_1 0 4 10 @1",
                               "d0_4_1_5 0 5 1 @1",
                               "e0_4_2 0 4 12 @3",
                               "e0_4_2_5 0 5 2 @3",
                               "f0_4_3 0 4 9 @5",
                               "f0_4_3_5 0 5 3 @5",
                               "g0_4_4 0 4 11 @9",
                               "g0_4_4_5 0 5 16 @9",
                           }));
}

TEST_F(CondensingTest, BidAndAskSizesCarryNothingOnlyTheLatestCounts) {
    quote(3, BID_PRICE, BID_SIZE, 10, 100);
    quote(3, BID_PRICE, BID_SIZE, 10, 200);
    quote(3, BID_PRICE, BID_SIZE, 11, 300);  // a new high, then a size that is not a new quote's
    tick(3, BID_SIZE, 400);
    quote(3, ASK_PRICE, ASK_SIZE, 12, 7);
    quote(3, ASK_PRICE, ASK_SIZE, 12.5, 8);
    tick(3, ASK_SIZE, 9);
    EXPECT_EQ(condensed(), (Lines{
                               "d3_1_1 3 1 10 @1",
                               "d3_1_1_0 3 0 100 @1",
                               "d3_2_1 3 2 12 @8",
                               "d3_2_1_3 3 3 7 @8",
                               "g3_1_4 3 1 11 @5",
                               "g3_1_4_0 3 0 400 @5",
                               "g3_2_4 3 2 12.5 @10",
                               "g3_2_4_3 3 3 9 @10",
                           }));
}

TEST_F(CondensingTest, SizesWithoutTheirPriceWriteNothing) {
    tick(1, BID_SIZE, 5);
    tick(1, ASK_SIZE, 6);
    tick(1, LAST_SIZE, 7);
    tick(2, CLOSE_PRICE, 3);
    EXPECT_EQ(condensed(), (Lines{"d2_9_1 2 9 3 @4"}));
}

TEST_F(CondensingTest, FractionalAndHugeSizesStayTheFloatsTheyArrivedAs) {
    quote(1, LAST_PRICE, LAST_SIZE, 10, 0.34);
    quote(1, LAST_PRICE, LAST_SIZE, 11, 0.5);
    quote(1, LAST_PRICE, LAST_SIZE, 11, 0.1);  // no new extreme: carried
    quote(1, LAST_PRICE, LAST_SIZE, 11, 0.2);  // carried
    quote(2, LAST_PRICE, LAST_SIZE, 10, 1e19);
    quote(2, LAST_PRICE, LAST_SIZE, 11, 1e19);
    quote(2, LAST_PRICE, LAST_SIZE, 11, 1e19);
    condenser.condense(*ticks, *result);
    EXPECT_EQ(result->Item("d1_4_1_5")->Price, 0.34);
    EXPECT_DOUBLE_EQ(result->Item("g1_4_4_5")->Price, 0.5);  // the latest size plus what was carried
    EXPECT_EQ(result->Item("d2_4_1_5")->Price, 1e19);
    EXPECT_EQ(result->Item("g2_4_4_5")->Price, 2e19);
}

TEST_F(CondensingTest, OutputGoesByPointThenTypeThenIdWhateverTheArrivalOrder) {
    // Ids above the number of ticks and below zero; types above 9 condense too, without size records.
    tick(70000, kMaxFilterType, 2);
    tick(5, LAST_PRICE, 4);
    tick(-3, BID_PRICE, 1);
    tick(5, OPEN_TICK, 8);
    tick(0, ASK_PRICE, 6);
    tick(70000, kMaxFilterType, 3);
    tick(-3, OPEN_TICK, 9);
    EXPECT_EQ(condensed(), (Lines{
                               "d-3_1_1 -3 1 1 @3",
                               "d-3_1_1_0 -3 0 0 @3",
                               "d0_2_1 0 2 6 @5",
                               "d0_2_1_3 0 3 0 @5",
                               "d5_4_1 5 4 4 @2",
                               "d5_4_1_5 5 5 0 @2",
                               "d-3_14_1 -3 14 9 @7",
                               "d5_14_1 5 14 8 @4",
                               "d70000_50_1 70000 50 2 @1",
                               "g70000_50_4 70000 50 3 @6",
                           }));
}

TEST_F(CondensingTest, TicksWithoutAPositiveValueOrAnAcceptedTypeAreDropped) {
    tick(1, CLOSE_PRICE, 0);
    tick(1, CLOSE_PRICE, -4);
    tick(1, CLOSE_PRICE, std::numeric_limits<double>::quiet_NaN());
    tick(1, HIGH_TICK, 0);
    tick(1, LAST_PRICE, 5);
    tick(1, LAST_SIZE, -2);  // a size below zero attaches nothing
    tick(1, kMaxFilterType + 1, 9);
    tick(1, -1, 9);
    ticks->Add(Ref<cTWSData>(), "nothing");
    tick(1, CLOSE_PRICE, 7);
    EXPECT_EQ(condensed(), (Lines{"d1_4_1 1 4 5 @5", "d1_4_1_5 1 5 0 @5", "d1_9_1 1 9 7 @9"}));
}

TEST_F(CondensingTest, TheTicksAreLeftForTheCallerToRemove) {
    tick(1, CLOSE_PRICE, 5);
    tick(1, CLOSE_PRICE, 6);
    const Ref<cTWSData> first = ticks->Item(1);
    condenser.condense(*ticks, *result);
    ASSERT_EQ(ticks->Count(), 2);
    EXPECT_EQ(ticks->Item(1).get(), first.get());
    EXPECT_EQ(first->Price, 5);
    EXPECT_EQ(first->NameID.str(), "a0");
}

TEST_F(CondensingTest, WhatTheResultHoldsStaysAndItsKeysAreOverwrittenInPlace) {
    result->ItemAdd("kept")->Price = 1;
    const Ref<cTWSData> earlier = result->ItemAdd("g1_9_4");
    tick(1, CLOSE_PRICE, 5);
    tick(1, CLOSE_PRICE, 6);
    EXPECT_EQ(condensed(), (Lines{"kept 0 0 1 @0", "g1_9_4 1 9 6 @2", "d1_9_1 1 9 5 @1"}));
    EXPECT_EQ(result->Item("g1_9_4").get(), earlier.get());
}

TEST_F(CondensingTest, EachCondensingStartsFromNothing) {
    quote(1, LAST_PRICE, LAST_SIZE, 10, 1);
    quote(1, LAST_PRICE, LAST_SIZE, 20, 2);
    tick(2, CLOSE_PRICE, 3);
    condenser.condense(*ticks, *result);

    // The next backlog: no bar, extreme or carried size of the one before comes back.
    ticks->Clear();
    result->Clear();
    tick(1, LAST_PRICE, 15);
    tick(3, CLOSE_PRICE, 4);
    EXPECT_EQ(condensed(), (Lines{"d1_4_1 1 4 15 @6", "d1_4_1_5 1 5 0 @6", "d3_9_1 3 9 4 @7"}));
}

TEST_F(CondensingTest, NothingWaitingWritesNothing) {
    EXPECT_TRUE(condensed().empty());
}

}  // namespace
}  // namespace corvel
