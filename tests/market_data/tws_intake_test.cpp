#include <gtest/gtest.h>

#include "tws_fixture.h"

namespace corvel {
namespace {

class IntakeTest : public TwsFixture {
  protected:
    void SetUp() override {
        TwsFixture::SetUp();
        connect();
    }
    std::vector<std::string> buffered() const { return lines(tws->live_buffer()); }
};

TEST_F(IntakeTest, NothingIsRecordedBeforeATypeIsAccepted) {
    fake.script->price(1, LAST_PRICE, 10);
    tws->AddRecordFilter(kMaxFilterType + 1);
    tws->AddRecordFilter(-1);
    fake.script->price(1, kMaxFilterType + 1, 10);
    fake.script->price(1, -1, 10);
    EXPECT_TRUE(buffered().empty());
    EXPECT_EQ(sink.datas, 0);
    tws->AddRecordFilter(kMaxFilterType);
    fake.script->price(1, kMaxFilterType, 10);
    EXPECT_EQ(buffered(), (std::vector<std::string>{"a0 1 50 10"}));
}

TEST_F(IntakeTest, APriceArmsTheNextSizeOfItsSide) {
    accept({BID_SIZE, BID_PRICE});
    fake.script->price(1, BID_PRICE, 10);
    fake.script->size(1, BID_SIZE, 100);
    fake.script->size(1, BID_SIZE, 100);
    fake.script->price(1, BID_PRICE, 10);
    fake.script->size(1, BID_SIZE, 100);
    EXPECT_EQ(buffered(), (std::vector<std::string>{"a0 1 1 10", "a1 1 0 100", "a2 1 1 10", "a3 1 0 100"}));
}

TEST_F(IntakeTest, UnarmedSizesAreKeptOnlyWhenTheyChange) {
    accept({BID_SIZE});
    for (const double s : {100.0, 100.0, 0.0, 200.0})
        fake.script->size(1, BID_SIZE, s);
    EXPECT_EQ(buffered(), (std::vector<std::string>{"a0 1 0 100", "a1 1 0 200"}));
}

TEST_F(IntakeTest, AZeroPriceIsDroppedAndArmsNothing) {
    accept({ASK_PRICE, ASK_SIZE});
    fake.script->size(2, ASK_SIZE, 50);
    fake.script->price(2, ASK_PRICE, 0);
    fake.script->size(2, ASK_SIZE, 50);
    EXPECT_EQ(buffered(), (std::vector<std::string>{"a0 2 3 50"}));
}

TEST_F(IntakeTest, SidesAndIdsPairIndependently) {
    accept({BID_SIZE, BID_PRICE, ASK_PRICE, ASK_SIZE, LAST_PRICE, LAST_SIZE});
    fake.script->price(1, LAST_PRICE, 5);
    fake.script->size(1, BID_SIZE, 7);   // bid is not armed by a last price: 7 is a change, kept
    fake.script->size(1, BID_SIZE, 7);   // unchanged, dropped
    fake.script->size(2, LAST_SIZE, 3);  // id 2 is not armed: a change, kept
    fake.script->size(1, LAST_SIZE, 3);  // armed, kept
    fake.script->size(1, LAST_SIZE, 3);  // unchanged, dropped
    EXPECT_EQ(buffered(), (std::vector<std::string>{"a0 1 4 5", "a1 1 0 7", "a2 2 5 3", "a3 1 5 3"}));
}

TEST_F(IntakeTest, NegativeValuesAreRefusedAndOtherTypesPassAsTheyCome) {
    accept({HIGH_TICK, VOLUME_TICK, MARK_PRICE});
    fake.script->price(1, HIGH_TICK, -1);
    fake.script->size(1, VOLUME_TICK, -5);
    fake.script->price(1, HIGH_TICK, 0);  // only the paired prices drop zeros
    fake.script->size(1, VOLUME_TICK, 1200);
    fake.script->size(1, VOLUME_TICK, 1200);
    fake.script->price(1, MARK_PRICE, 12.25);
    EXPECT_EQ(buffered(),
              (std::vector<std::string>{"a0 1 6 0", "a1 1 8 1200", "a2 1 8 1200", "a3 1 37 12.25"}));
}

TEST_F(IntakeTest, FractionalSizesAreKeptWhole) {
    accept({LAST_SIZE});
    fake.script->size(1, LAST_SIZE, 0.25);
    EXPECT_EQ(buffered(), (std::vector<std::string>{"a0 1 5 0.25"}));
}

TEST_F(IntakeTest, RecordsCarryTheirArrivalTime) {
    accept({LAST_PRICE});
    fake.clock->set(46000.25);
    fake.script->price(1, LAST_PRICE, 1);
    fake.clock->set(46000.75);
    fake.script->price(1, LAST_PRICE, 2);
    EXPECT_EQ(tws->live_buffer().Item(1)->sDate, 46000.25);
    EXPECT_EQ(tws->live_buffer().Item(2)->sDate, 46000.75);
}

TEST_F(IntakeTest, EveryRecordRaisesOneEventWhenNoneIsRunning) {
    accept({LAST_PRICE});
    fake.script->price(1, LAST_PRICE, 1);
    fake.script->price(1, LAST_PRICE, 2);
    EXPECT_EQ(sink.datas, 2);
    EXPECT_EQ(fake.pump->process_count(), 2);
}

TEST_F(IntakeTest, TicksArrivingDuringTheHandlerAreBufferedWithoutASecondEvent) {
    accept({LAST_PRICE});
    sink.on_datas = [&] {
        if (sink.datas == 1) {
            fake.script->price(1, LAST_PRICE, 2);                            // while the handler runs
            fake.pump->post([&] { fake.script->price(1, LAST_PRICE, 3); });  // during message processing
        }
    };
    fake.script->price(1, LAST_PRICE, 1);
    EXPECT_EQ(buffered(), (std::vector<std::string>{"a0 1 4 1", "a1 1 4 2", "a2 1 4 3"}));
    EXPECT_EQ(sink.datas, 1);
    EXPECT_EQ(sink.nested_datas, 0);
    fake.script->price(1, LAST_PRICE, 4);  // the guard is down again
    EXPECT_EQ(sink.datas, 2);
}

TEST_F(IntakeTest, AHandlerMayFetchTheDataItWasToldAbout) {
    accept({LAST_PRICE});
    std::vector<std::string> seen;
    sink.on_datas = [&] {
        seen = lines(*tws->GetCurrentData());
        tws->copy_cTWSDatas()->Clear();
    };
    fake.script->price(1, LAST_PRICE, 1);
    fake.script->price(1, LAST_PRICE, 2);
    EXPECT_EQ(seen, (std::vector<std::string>{"a1 1 4 2"}));
    EXPECT_EQ(tws->live_buffer().Count(), 0);
}

TEST_F(IntakeTest, FailingHandlersAndPumpsNeitherEscapeNorStopLaterEvents) {
    accept({LAST_PRICE});
    sink.on_datas = [] { throw std::runtime_error("handler failed"); };
    fake.script->price(1, LAST_PRICE, 1);
    EXPECT_EQ(fake.pump->process_count(), 0);  // a failing handler ends the notification
    sink.on_datas = nullptr;
    fake.pump->fail_next();
    fake.script->price(1, LAST_PRICE, 2);
    fake.script->price(1, LAST_PRICE, 3);
    EXPECT_EQ(sink.datas, 3);
    EXPECT_EQ(tws->live_buffer().Count(), 3);
}

TEST_F(IntakeTest, TicksWhileIdleAreDropped) {
    accept({LAST_PRICE});
    tws->disconnect();
    fake.script->price(1, LAST_PRICE, 1);
    EXPECT_TRUE(buffered().empty());
}

TEST_F(IntakeTest, TheCounterWrapsToOneAndOverwritesAKeyStillWaiting) {
    accept({LAST_PRICE});
    fake.script->price(1, LAST_PRICE, 1);  // a0
    fake.script->price(1, LAST_PRICE, 2);  // a1, still waiting when the counter comes round
    tws->set_record_counter_for_test(cTWS::kCounterWrap);
    fake.script->price(1, LAST_PRICE, 3);  // a2147483640
    EXPECT_EQ(tws->record_counter(), 1);
    fake.script->price(1, LAST_PRICE, 4);  // a1 again: overwritten in place
    EXPECT_EQ(buffered(), (std::vector<std::string>{"a0 1 4 1", "a1 1 4 4", "a2147483640 1 4 3"}));
}

TEST_F(IntakeTest, PairingWorksForIdsNeverStartedAndNegativeIds) {
    accept({BID_PRICE, BID_SIZE});
    for (const std::int32_t id : {-4, 1 << 20, 9}) {
        fake.script->price(id, BID_PRICE, 10);
        fake.script->size(id, BID_SIZE, 0);  // armed: kept although zero
        fake.script->size(id, BID_SIZE, 0);  // unarmed zero: dropped
    }
    EXPECT_EQ(tws->live_buffer().Count(), 6);
    tws->StartQuery(-4, "X", "STK", "", 0, "", "", "SMART", "", "USD");  // ids below 1 keep their state
    fake.script->size(-4, BID_SIZE, 0);
    EXPECT_EQ(tws->live_buffer().Count(), 6);
}

}  // namespace
}  // namespace corvel
