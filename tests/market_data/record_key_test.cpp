#include "market_data/record_key.h"

#include <gtest/gtest.h>

namespace corvel {
namespace {

TEST(RecordKey, EveryShapeReadsBackAsItsText) {
    for (const char* text :
         {"", "a", "a0", "a7", "a2147483640", "a4294967295", "a4294967296", "a007", "A12", "d5_1_1",
          "d12_4_4_5", "abcdefg", "abcdefgh", "a very long key indeed", "7", "_1"}) {
        const RecordKey key(text);
        EXPECT_EQ(key.str(), text);
        EXPECT_EQ(key.size(), std::string(text).size());
        EXPECT_TRUE(key == std::string_view(text));
    }
}

TEST(RecordKey, EqualTextsAreEqualKeysWhateverTheirOrigin) {
    EXPECT_EQ(RecordKey("a15"), RecordKey::numbered('a', 15));
    EXPECT_EQ(RecordKey("a15").hash(), RecordKey::numbered('a', 15).hash());
    EXPECT_FALSE(RecordKey("a015") == RecordKey("a15"));  // a leading zero is another text
    EXPECT_FALSE(RecordKey("a1") == RecordKey("b1"));
    EXPECT_EQ(RecordKey("a long key text"), RecordKey(std::string("a long key text")));
    EXPECT_FALSE(RecordKey("a long key text") == RecordKey("a long key texT"));
}

TEST(RecordKey, FoldingLowersLettersOfEveryShape) {
    EXPECT_EQ(RecordKey("A12").folded(), RecordKey("a12"));
    EXPECT_EQ(RecordKey("D5_1_1").folded(), RecordKey("d5_1_1"));
    EXPECT_EQ(RecordKey("Some Long KEY").folded(), RecordKey("some long key"));
    EXPECT_EQ(RecordKey("A12").str(), "A12");  // the original keeps its case
}

TEST(RecordKey, CopiesAndMovesOwnTheirText) {
    RecordKey a("a heap-held key text");
    RecordKey b = a;
    RecordKey c = std::move(a);
    EXPECT_EQ(b.str(), "a heap-held key text");
    EXPECT_EQ(c.str(), "a heap-held key text");
    b = RecordKey("short");
    c = b;
    EXPECT_EQ(c.str(), "short");
}

TEST(RecordKey, ConsecutiveTickKeysHashToConsecutiveBuckets) {
    EXPECT_EQ(RecordKey::numbered('a', 11).hash(), RecordKey::numbered('a', 10).hash() + 1);
}

}  // namespace
}  // namespace corvel
