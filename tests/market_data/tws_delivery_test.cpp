#include <gtest/gtest.h>

#include "tws_fixture.h"

namespace corvel {
namespace {

class DeliveryTest : public TwsFixture {
  protected:
    void SetUp() override {
        TwsFixture::SetUp();
        connect();
        accept({BID_SIZE, BID_PRICE, ASK_PRICE, ASK_SIZE, LAST_PRICE, LAST_SIZE, HIGH_TICK, LOW_TICK,
                VOLUME_TICK, CLOSE_PRICE, OPEN_TICK, MARK_PRICE});
    }
    // A last trade: its price at time t, then its size.
    void trade(std::int32_t id, double price, double size, double t) {
        fake.clock->set(t);
        fake.script->price(id, LAST_PRICE, price);
        fake.clock->set(t + 0.0001);
        fake.script->size(id, LAST_SIZE, size);
    }
    // "key id type price time" for every record of the result.
    static std::vector<std::string> full(const cTWSDatas& c) {
        std::vector<std::string> out;
        for (const auto& r : c) {
            out.push_back(r.NameID.str() + " " + std::to_string(r.id) + " " + std::to_string(r.TickType) +
                          " " + format_number(r.Price) + " @" + format_number(r.sDate));
        }
        return out;
    }
};

TEST_F(DeliveryTest, NothingWhileIdleAndTheBufferIsKept) {
    fake.script->price(1, LAST_PRICE, 5);
    tws->disconnect();
    EXPECT_FALSE(tws->GetCurrentData());
    EXPECT_EQ(tws->live_buffer().Count(), 1);
}

TEST_F(DeliveryTest, AnEmptyBufferReturnsTheResultUnchangedWithoutAnEvent) {
    tws->copy_cTWSDatas()->ItemAdd("kept");
    const auto result = tws->GetCurrentData();
    ASSERT_TRUE(result);
    EXPECT_EQ(result.get(), tws->copy_cTWSDatas().get());
    EXPECT_EQ(lines(*result), (std::vector<std::string>{"kept 0 0 0"}));
    EXPECT_TRUE(sink.losses.empty());
}

TEST_F(DeliveryTest, BelowMaxRecordEveryRecordMovesUnderItsKey) {
    for (int i = 0; i < 999; ++i)
        fake.script->price(i % 7, OPEN_TICK, 1 + i);
    const auto result = tws->GetCurrentData();
    ASSERT_TRUE(result);
    ASSERT_EQ(result->Count(), 999);
    EXPECT_EQ(result->Item(1)->NameID.str(), "a0");
    EXPECT_EQ(result->Item("a998")->Price, 999);
    EXPECT_EQ(result->Item("a998")->id, 998 % 7);
    EXPECT_EQ(tws->live_buffer().Count(), 0);
    EXPECT_TRUE(sink.losses.empty());
}

TEST_F(DeliveryTest, MovedRecordsAccumulateUntilTheCallerClears) {
    fake.script->price(1, OPEN_TICK, 1);
    tws->GetCurrentData();
    fake.script->price(1, OPEN_TICK, 2);
    EXPECT_EQ(lines(*tws->GetCurrentData()), (std::vector<std::string>{"a0 1 14 1", "a1 1 14 2"}));
}

TEST_F(DeliveryTest, AKeyAlreadyInTheResultIsOverwrittenInPlace) {
    tws->copy_cTWSDatas()->ItemAdd("first");
    const auto old = tws->copy_cTWSDatas()->ItemAdd("a0");
    fake.script->price(3, OPEN_TICK, 9);
    const auto result = tws->GetCurrentData();
    EXPECT_EQ(lines(*result), (std::vector<std::string>{"first 0 0 0", "a0 3 14 9"}));
    EXPECT_EQ(result->Item("a0").get(), old.get());
}

TEST_F(DeliveryTest, AtMaxRecordTheBufferIsCondensedAndTheCallerTold) {
    for (int i = 0; i < 1000; ++i)
        fake.script->price(1, OPEN_TICK, 100 + i % 10);
    fake.clock->set(47000.5);
    const auto result = tws->GetCurrentData();
    ASSERT_TRUE(result);
    EXPECT_EQ(lines(*result), (std::vector<std::string>{"d1_14_1 1 14 100", "g1_14_4 1 14 109"}));
    EXPECT_EQ(tws->live_buffer().Count(), 0);
    EXPECT_EQ(sink.losses, (std::vector<double>{47000.5}));
}

TEST_F(DeliveryTest, CondensingAttachesSizesAndOrdersTheExtremesInTime) {
    trade(0, 10, 1, 1.0);
    trade(0, 12, 2, 2.0);
    trade(0, 9, 3, 3.0);
    trade(0, 11, 4, 4.0);
    tws->MaxRecord(8);
    EXPECT_EQ(full(*tws->GetCurrentData()), (std::vector<std::string>{
                                                "d0_4_1 0 4 10 @1",
                                                "d0_4_1_5 0 5 1 @1",
                                                "e0_4_2 0 4 12 @2",
                                                "e0_4_2_5 0 5 2 @2",
                                                "f0_4_3 0 4 9 @3",
                                                "f0_4_3_5 0 5 3 @3",
                                                "g0_4_4 0 4 11 @4",
                                                "g0_4_4_5 0 5 8 @4",
                                            }));
}

TEST_F(DeliveryTest, ASeriesEndingWhereItStartedKeepsOnlyItsFirstAndItsLow) {
    trade(0, 10, 1, 1.0);
    trade(0, 9, 2, 2.0);
    trade(0, 10, 3, 3.0);
    tws->MaxRecord(1);
    EXPECT_EQ(full(*tws->GetCurrentData()), (std::vector<std::string>{
                                                "d0_4_1 0 4 10 @1",
                                                "d0_4_1_5 0 5 1 @1",
                                                "f0_4_3 0 4 9 @2",
                                                "f0_4_3_5 0 5 2 @2",
                                            }));
}

TEST_F(DeliveryTest, OutputGoesByPointThenTypeThenId) {
    fake.script->price(2, BID_PRICE, 5);
    fake.script->price(2, BID_PRICE, 6);
    fake.script->price(0, HIGH_TICK, 7);
    fake.script->price(0, HIGH_TICK, 8);
    fake.script->price(0, BID_PRICE, 3);
    fake.script->price(0, BID_PRICE, 4);
    fake.script->size(0, BID_SIZE, 50);
    tws->MaxRecord(1);
    EXPECT_EQ(lines(*tws->GetCurrentData()), (std::vector<std::string>{
                                                 "d0_1_1 0 1 3",
                                                 "d0_1_1_0 0 0 0",
                                                 "d2_1_1 2 1 5",
                                                 "d2_1_1_0 2 0 0",
                                                 "d0_6_1 0 6 7",
                                                 "g0_1_4 0 1 4",
                                                 "g0_1_4_0 0 0 50",
                                                 "g2_1_4 2 1 6",
                                                 "g2_1_4_0 2 0 0",
                                                 "g0_6_4 0 6 8",
                                             }));
}

TEST_F(DeliveryTest, RecordsWithoutAPositiveValueAreDroppedByCondensing) {
    fake.script->price(1, HIGH_TICK, 0);
    fake.script->price(1, CLOSE_PRICE, 5);
    tws->MaxRecord(1);
    EXPECT_EQ(lines(*tws->GetCurrentData()), (std::vector<std::string>{"d1_9_1 1 9 5"}));
    EXPECT_EQ(tws->live_buffer().Count(), 0);
}

TEST_F(DeliveryTest, MaxRecordZeroOrBelowCondensesEveryCallEvenEmpty) {
    tws->MaxRecord(0);
    ASSERT_TRUE(tws->GetCurrentData());
    tws->MaxRecord(-3);
    ASSERT_TRUE(tws->GetCurrentData());
    EXPECT_EQ(sink.losses.size(), 2U);
}

TEST_F(DeliveryTest, GetCurrentDataInsideTheLossHandlerMovesWhatWaitsWithoutANestedEvent) {
    tws->MaxRecord(0);  // every delivery condenses
    fake.script->price(1, CLOSE_PRICE, 5);
    int depth = 0;
    Ref<cTWSDatas> inside;
    sink.on_loss = [&](double) {
        // The depth bound only keeps a nested event from recursing until the stack runs out.
        if (++depth < 3) {
            // Ticks that arrive while the handler runs, then the handler takes the data.
            fake.script->price(2, CLOSE_PRICE, 7);
            fake.script->price(2, CLOSE_PRICE, 8);
            inside = tws->GetCurrentData();
        }
        --depth;
    };
    const auto result = tws->GetCurrentData();
    EXPECT_EQ(sink.losses.size(), 1U);
    ASSERT_TRUE(inside);
    ASSERT_TRUE(result);
    EXPECT_EQ(inside.get(), result.get());
    // The condensed point is not overwritten by what arrived later; that moved unchanged behind it.
    EXPECT_EQ(lines(*result), (std::vector<std::string>{"d1_9_1 1 9 5", "a1 2 9 7", "a2 2 9 8"}));
    EXPECT_EQ(tws->live_buffer().Count(), 0);

    // Once the event is over, the next delivery condenses and tells the caller again.
    sink.on_loss = nullptr;
    tws->copy_cTWSDatas()->Clear();
    fake.script->price(3, CLOSE_PRICE, 9);
    EXPECT_EQ(lines(*tws->GetCurrentData()), (std::vector<std::string>{"d3_9_1 3 9 9"}));
    EXPECT_EQ(sink.losses.size(), 2U);
}

TEST_F(DeliveryTest, RepeatedCondensingOverwritesTheSameKeys) {
    tws->MaxRecord(1);
    fake.script->price(1, CLOSE_PRICE, 5);
    tws->GetCurrentData();
    fake.script->price(1, CLOSE_PRICE, 6);
    const auto result = tws->GetCurrentData();
    EXPECT_EQ(lines(*result), (std::vector<std::string>{"d1_9_1 1 9 6"}));
}

TEST_F(DeliveryTest, NoTickVanishesWhateverItsIdOrType) {
    // Ids above the number waiting, negative ids and types above 9 condense by the same rules.
    fake.script->price(1000, MARK_PRICE, 2);
    fake.script->price(1000, MARK_PRICE, 3);
    fake.script->price(-5, LAST_PRICE, 7);
    fake.script->price(0, OPEN_TICK, 1);
    tws->MaxRecord(1);
    EXPECT_EQ(lines(*tws->GetCurrentData()), (std::vector<std::string>{
                                                 "d-5_4_1 -5 4 7",
                                                 "d-5_4_1_5 -5 5 0",
                                                 "d0_14_1 0 14 1",
                                                 "d1000_37_1 1000 37 2",
                                                 "g1000_37_4 1000 37 3",
                                             }));
}

TEST_F(DeliveryTest, SizesBeyondThirtyTwoBitsDoNotStopDelivery) {
    trade(1, 10, 3e9, 1.0);
    trade(1, 10, 3e9, 2.0);  // same price and size: carried
    tws->MaxRecord(1);
    const auto result = tws->GetCurrentData();
    ASSERT_TRUE(result);
    EXPECT_EQ(result->Item("d1_4_1_5")->Price, 3e9);
    EXPECT_EQ(tws->live_buffer().Count(), 0);
}

TEST_F(DeliveryTest, CondensingKeepsFractionalSizesAsTheyArrived) {
    // Crypto quantities: every size below one, halves included, and a carried sum of fractions.
    trade(0, 10, 0.34, 1.0);
    trade(0, 12, 0.5, 2.0);
    trade(0, 9, 1.25, 3.0);
    trade(0, 11, 0.01, 4.0);
    fake.clock->set(5.0);
    fake.script->price(0, BID_PRICE, 9.5);
    fake.script->size(0, BID_SIZE, 2.5);
    fake.script->price(0, ASK_PRICE, 10.5);
    fake.script->size(0, ASK_SIZE, 0.0001);
    tws->MaxRecord(1);
    EXPECT_EQ(lines(*tws->GetCurrentData()), (std::vector<std::string>{
                                                 "d0_1_1 0 1 9.5",
                                                 "d0_1_1_0 0 0 2.5",
                                                 "d0_2_1 0 2 10.5",
                                                 "d0_2_1_3 0 3 0.0001",
                                                 "d0_4_1 0 4 10",
                                                 "d0_4_1_5 0 5 0.34",
                                                 "e0_4_2 0 4 12",
                                                 "e0_4_2_5 0 5 0.5",
                                                 "f0_4_3 0 4 9",
                                                 "f0_4_3_5 0 5 1.25",
                                                 "g0_4_4 0 4 11",
                                                 "g0_4_4_5 0 5 0.02",
                                             }));
}

TEST_F(DeliveryTest, HugeSizesAddUpWithoutOverflowing) {
    trade(1, 10, 1e19, 1.0);
    trade(1, 10, 1e19, 2.0);  // no new extreme: its size is carried
    trade(1, 11, 1e19, 3.0);
    tws->MaxRecord(1);
    const auto result = tws->GetCurrentData();
    ASSERT_TRUE(result);
    EXPECT_EQ(result->Item("d1_4_1_5")->Price, 1e19);
    EXPECT_EQ(result->Item("g1_4_4_5")->Price, 2e19);
}

TEST_F(DeliveryTest, WithoutAResultCollectionNothingIsDeliveredAndNothingLost) {
    fake.script->price(1, CLOSE_PRICE, 5);
    tws->copy_cTWSDatas(nullptr);
    EXPECT_FALSE(tws->GetCurrentData());
    tws->MaxRecord(0);
    EXPECT_FALSE(tws->GetCurrentData());
    EXPECT_EQ(tws->live_buffer().Count(), 1);
    EXPECT_TRUE(sink.losses.empty());
    tws->copy_cTWSDatas(make_ref<cTWSDatas>());
    EXPECT_EQ(lines(*tws->GetCurrentData()), (std::vector<std::string>{"d1_9_1 1 9 5"}));
}

TEST_F(DeliveryTest, AFailingLossHandlerMakesTheCallReturnNothing) {
    fake.script->price(1, CLOSE_PRICE, 5);
    sink.on_loss = [](double) { throw std::runtime_error("handler failed"); };
    tws->MaxRecord(1);
    EXPECT_FALSE(tws->GetCurrentData());
    EXPECT_EQ(tws->copy_cTWSDatas()->Count(), 1);  // what was condensed is in the result collection
}

TEST_F(DeliveryTest, ANothingStoredUnderAResultKeyFailsQuietlyAndKeepsTheRest) {
    tws->copy_cTWSDatas()->Add(Ref<cTWSData>(), "a1");
    fake.script->price(1, CLOSE_PRICE, 5);
    fake.script->price(1, CLOSE_PRICE, 6);
    EXPECT_FALSE(tws->GetCurrentData());
    EXPECT_EQ(tws->live_buffer().Count(), 1);  // a0 moved, a1 still waiting
    EXPECT_EQ(tws->copy_cTWSDatas()->Count(), 2);
}

TEST_F(DeliveryTest, ALargeBacklogCondensesToAtMostFortyRecordsPerId) {
    for (int i = 0; i < 20000; ++i) {
        const std::int32_t id = i % 5;
        const double price = 100 + (i * 7919 % 101) / 10.0;
        fake.script->price(id, i % 3 == 0 ? BID_PRICE : i % 3 == 1 ? ASK_PRICE : LAST_PRICE, price);
        fake.script->size(id, i % 3 == 0 ? BID_SIZE : i % 3 == 1 ? ASK_SIZE : LAST_SIZE, 1 + i % 9);
        fake.script->price(id, 6 + i % 4, price);
    }
    const auto result = tws->GetCurrentData();
    ASSERT_TRUE(result);
    EXPECT_LE(result->Count(), 5 * 40);
    EXPECT_GE(result->Count(), 5 * 4);
    EXPECT_EQ(tws->live_buffer().Count(), 0);
    EXPECT_EQ(sink.losses.size(), 1U);
}

}  // namespace
}  // namespace corvel
