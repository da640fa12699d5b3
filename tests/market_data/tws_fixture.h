#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "market_data/global.h"
#include "market_data/tws.h"
#include "tests/support/fake_tws.h"
#include "tests/support/recording_sink.h"

namespace corvel {

// A connection object on scripted parts, with a sink connected to its events.
class TwsFixture : public ::testing::Test {
  protected:
    fakes::FakeEnvironment fake;
    Ref<cTWS> tws = make_ref<cTWS>(fake.environment());
    fakes::RecordingSink sink;

    void SetUp() override { tws->Advise(&sink); }

    void connect() { ASSERT_TRUE(tws->Connect("127.0.0.1", 7497, 1)); }
    void accept(std::initializer_list<std::int32_t> types) {
        for (const auto t : types)
            tws->AddRecordFilter(t);
    }
    const fakes::ControlScript& control() const { return *fake.script; }

    // The records of a collection as "key id type price" lines, in order.
    static std::vector<std::string> lines(const cTWSDatas& c) {
        std::vector<std::string> out;
        for (const auto& r : c) {
            out.push_back(r.NameID.str() + " " + std::to_string(r.id) + " " + std::to_string(r.TickType) +
                          " " + format_number(r.Price));
        }
        return out;
    }
};

}  // namespace corvel
