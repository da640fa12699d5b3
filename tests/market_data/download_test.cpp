#include "market_data/download.h"

#include <gtest/gtest.h>

#include "tests/support/fake_tws.h"

namespace corvel {
namespace {

class DownloadTest : public ::testing::Test {
  protected:
    fakes::FakeEnvironment fake;
    Ref<cDownload> download = make_ref<cDownload>(fake.environment());
};

TEST_F(DownloadTest, TheContainerIsTheConnectionObjectsResultCollection) {
    EXPECT_EQ(download->TWSConteiner().get(), download->m_cTWS()->copy_cTWSDatas().get());
    EXPECT_FALSE(download->GetTWSData());
}

TEST_F(DownloadTest, FetchThenFreeLeavesHandedOutRecordsReadable) {
    auto& tws = *download->m_cTWS();
    tws.AddRecordFilter(LAST_PRICE);
    ASSERT_TRUE(tws.Connect("127.0.0.1", 7497, 0));
    fake.script->price(1, LAST_PRICE, 42);
    const auto data = download->GetTWSData();
    ASSERT_TRUE(data);
    const auto record = data->Item(1);
    download->FreeTWSDataBuffer();
    EXPECT_EQ(download->TWSConteiner()->Count(), 0);
    EXPECT_EQ(record->Price, 42);
}

TEST_F(DownloadTest, FreeClearsTheFirstCollectionEvenAfterTheConnectionObjectIsReplaced) {
    const auto first = download->m_cTWS();
    first->copy_cTWSDatas()->ItemAdd("x");
    download->m_cTWS(make_ref<cTWS>(fake.environment()));
    download->FreeTWSDataBuffer();
    EXPECT_EQ(first->copy_cTWSDatas()->Count(), 0);
}

TEST_F(DownloadTest, MissingPartsAreIgnored) {
    download->TWSConteiner(nullptr);
    EXPECT_NO_THROW(download->FreeTWSDataBuffer());
    download->m_cTWS(nullptr);
    EXPECT_FALSE(download->GetTWSData());
}

TEST_F(DownloadTest, TwoObjectsShareNothing) {
    auto other = make_ref<cDownload>(fake.environment());
    EXPECT_NE(other->m_cTWS().get(), download->m_cTWS().get());
    EXPECT_NE(other->TWSConteiner().get(), download->TWSConteiner().get());
}

}  // namespace
}  // namespace corvel
