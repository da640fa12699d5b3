#include "market_data/tws_datas.h"

#include <gtest/gtest.h>

#include <new>
#include <random>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "common/automation_error.h"

namespace corvel {
namespace {

std::int32_t error_number(const std::function<void()>& f) {
    try {
        f();
    } catch (const AutomationError& e) {
        return e.number();
    }
    return 0;
}

std::vector<std::string> names(const cTWSDatas& c) {
    std::vector<std::string> out;
    for (auto& r : c)
        out.push_back(r.NameID.str());
    return out;
}

// The collection reports Visual Basic's own collection errors; callers compare these numbers.
TEST(TickCollection, ErrorNumbersAreVisualBasicsOwn) {
    EXPECT_EQ(vb_error::kInvalidProcedureCall, 5);
    EXPECT_EQ(vb_error::kSubscriptOutOfRange, 9);
    EXPECT_EQ(vb_error::kTypeMismatch, 13);
    EXPECT_EQ(vb_error::kObjectVariableNotSet, 91);
    EXPECT_EQ(vb_error::kKeyAlreadyAssociated, 457);
}

TEST(TickCollection, ItemAddCreatesOnceAndReturnsTheSameRecordAfterwards) {
    auto c = make_ref<cTWSDatas>();
    const auto first = c->ItemAdd("a7");
    EXPECT_EQ(first->NameID.str(), "a7");
    EXPECT_EQ(c->Count(), 1);
    first->Price = 12.5;
    const auto again = c->ItemAdd("a7");
    EXPECT_EQ(again.get(), first.get());
    EXPECT_EQ(again->Price, 12.5);  // found records keep their values
    EXPECT_EQ(c->Count(), 1);
}

TEST(TickCollection, NewRecordsStartEmpty) {
    const auto r = make_ref<cTWSData>();
    EXPECT_EQ(r->id, 0);
    EXPECT_EQ(r->TickType, 0);
    EXPECT_EQ(r->Price, 0.0);
    EXPECT_EQ(r->sDate, 0.0);
    EXPECT_TRUE(r->NameID.empty());
}

TEST(TickCollection, PositionsFollowInsertionAndCloseGaps) {
    auto c = make_ref<cTWSDatas>();
    c->ItemAdd("a2");
    c->ItemAdd("a1");
    c->ItemAdd("x");
    EXPECT_EQ(names(*c), (std::vector<std::string>{"a2", "a1", "x"}));
    EXPECT_EQ(c->Item(1)->NameID.str(), "a2");
    c->Remove(1);
    EXPECT_EQ(c->Item(1)->NameID.str(), "a1");
    c->Remove("x");
    EXPECT_EQ(c->Count(), 1);
    EXPECT_EQ(c->Item("a1")->NameID.str(), "a1");
}

TEST(TickCollection, EnumerationWalksInInsertionOrder) {
    auto c = make_ref<cTWSDatas>();
    c->ItemAdd("a2");
    c->ItemAdd("a1");
    auto e = c->NewEnum();
    Ref<cTWSData> r;
    ASSERT_TRUE(e.Next(r));
    EXPECT_EQ(r->NameID.str(), "a2");
    ASSERT_TRUE(e.Next(r));
    EXPECT_EQ(r->NameID.str(), "a1");
    EXPECT_FALSE(e.Next(r));
    e.Reset();
    ASSERT_TRUE(e.Next(r));
    EXPECT_EQ(r->NameID.str(), "a2");
}

TEST(TickCollection, FailuresCarryTheNumbersOfACollection) {
    auto c = make_ref<cTWSDatas>();
    c->ItemAdd("a1");
    EXPECT_EQ(error_number([&] { c->Item("nope"); }), vb_error::kInvalidProcedureCall);
    EXPECT_EQ(error_number([&] { c->Item(2); }), vb_error::kSubscriptOutOfRange);
    EXPECT_EQ(error_number([&] { c->Item(0); }), vb_error::kSubscriptOutOfRange);
    EXPECT_EQ(error_number([&] { c->Item(Variant()); }), vb_error::kInvalidProcedureCall);
    EXPECT_EQ(error_number([&] { c->Remove("nope"); }), vb_error::kInvalidProcedureCall);
    EXPECT_EQ(error_number([&] { c->Remove(5); }), vb_error::kSubscriptOutOfRange);
    EXPECT_EQ(error_number([&] { c->Add(make_ref<cTWSData>(), "a1"); }), vb_error::kKeyAlreadyAssociated);
    EXPECT_EQ(error_number([&] { c->Add(make_ref<cTWSData>(), "A1"); }), vb_error::kKeyAlreadyAssociated);
    EXPECT_EQ(error_number([&] { c->Add(make_ref<cTWSData>(), ""); }), vb_error::kInvalidProcedureCall);
    EXPECT_EQ(c->Count(), 1);
    try {
        c->Item("nope");
    } catch (const AutomationError& e) {
        EXPECT_EQ(e.description(), "Invalid procedure call or argument");
        EXPECT_EQ(e.source(), "Tallowin3.cTWSDatas");
    }
}

TEST(TickCollection, KeysMatchWithoutRegardToCaseLikeACollection) {
    auto c = make_ref<cTWSDatas>();
    const auto r = c->ItemAdd("Key");
    EXPECT_EQ(c->Item("KEY").get(), r.get());
    EXPECT_EQ(c->ItemAdd("kEy").get(), r.get());
    EXPECT_EQ(r->NameID.str(), "Key");
}

TEST(TickCollection, AddKeepsNameIdAndAcceptsRecordsWithoutKey) {
    auto c = make_ref<cTWSDatas>();
    auto r = make_ref<cTWSData>();
    r->NameID = "mine";
    c->Add(r, "other");
    EXPECT_EQ(c->Item("other")->NameID.str(), "mine");
    c->Add(r);
    EXPECT_EQ(c->Count(), 2);
    EXPECT_EQ(c->Item(2).get(), r.get());  // one record may be held twice
    c->Remove(1);
    EXPECT_EQ(c->Item(1).get(), r.get());
}

TEST(TickCollection, PositionalIndexesRoundHalvesToEvenAsACollectionDoes) {
    auto c = make_ref<cTWSDatas>();
    c->ItemAdd("a");
    c->ItemAdd("b");
    c->ItemAdd("c");
    EXPECT_EQ(c->Item(Variant(1.5))->NameID.str(), "b");
    EXPECT_EQ(c->Item(Variant(2.5))->NameID.str(), "b");
    EXPECT_EQ(c->Item(Variant(std::int16_t{3}))->NameID.str(), "c");
}

TEST(TickCollection, ItemAddOfARefusedKeyReturnsARecordOutsideTheCollection) {
    auto c = make_ref<cTWSDatas>();
    c->ItemAdd("a");
    const auto by_position = c->ItemAdd(1);  // a number finds by position
    EXPECT_EQ(by_position->NameID.str(), "a");
    const auto refused = c->ItemAdd(5);
    EXPECT_EQ(refused->NameID.str(), "5");
    const auto empty = c->ItemAdd("");
    EXPECT_TRUE(empty->NameID.empty());
    EXPECT_EQ(c->Count(), 1);
}

TEST(TickCollection, RecordsHandedOutSurviveClear) {
    auto c = make_ref<cTWSDatas>();
    auto r = c->ItemAdd("a1");
    r->Price = 3;
    {
        auto walk = c->NewEnum();
        c->Clear();
        Ref<cTWSData> seen;
        ASSERT_TRUE(walk.Next(seen));  // a walk started before Clear goes on over what it started on
        EXPECT_EQ(seen.get(), r.get());
    }
    EXPECT_EQ(c->Count(), 0);
    EXPECT_EQ(r->Price, 3);
    EXPECT_EQ(r->ref_count(), 1U);
    EXPECT_EQ(c->ItemAdd("a1")->Price, 0);  // the key is free again
}

TEST(TickCollection, RemovalReleasesTheCollectionsReference) {
    auto c = make_ref<cTWSDatas>();
    auto r = c->ItemAdd("a1");
    EXPECT_EQ(r->ref_count(), 2U);
    c->Remove("a1");
    EXPECT_EQ(r->ref_count(), 1U);
}

// The collection against a plain model: appends, lookups, removals at the front, the back and the
// middle, keys that collide under the order-keeping hash, growth and shrinking.
TEST(TickCollection, BehavesAsASimpleOrderedMapUnderRandomUse) {
    std::mt19937 rng(7);
    auto c = make_ref<cTWSDatas>();
    std::vector<std::pair<std::string, cTWSData*>> model;
    std::set<std::string> folded;  // keys present, lower-cased
    std::uint32_t counter = 0;
    auto key_for = [&](int kind) -> std::string {
        switch (kind) {
            case 0:
                return "a" + std::to_string(counter++);
            case 1:
                return "a" + std::to_string(1024u * (counter++ % 4096));  // same low bits
            case 2:
                return "K" + std::to_string(counter++) + "_x";
            default:
                return "long key number " + std::to_string(counter++);
        }
    };
    for (int step = 0; step < 60000; ++step) {
        const int op = static_cast<int>(rng() % 10);
        if (op < 5 || model.empty()) {
            const std::string key = key_for(static_cast<int>(rng() % 4));
            auto& r = c->item_add(RecordKey(key));
            if (folded.insert(RecordKey(key).folded().str()).second) model.emplace_back(key, &r);
        } else if (op < 7) {
            c->Remove(1);
            folded.erase(RecordKey(model.front().first).folded().str());
            model.erase(model.begin());
        } else if (op < 8) {
            c->Remove(static_cast<std::int32_t>(model.size()));
            folded.erase(RecordKey(model.back().first).folded().str());
            model.pop_back();
        } else if (op < 9) {
            const auto pos = rng() % model.size();
            c->Remove(model[pos].first);
            folded.erase(RecordKey(model[pos].first).folded().str());
            model.erase(model.begin() + static_cast<long>(pos));
        } else {
            const auto pos = rng() % model.size();
            EXPECT_EQ(c->Item(model[pos].first).get(), model[pos].second);
            EXPECT_EQ(c->Item(static_cast<std::int32_t>(pos + 1)).get(), model[pos].second);
        }
        ASSERT_EQ(c->Count(), static_cast<std::int32_t>(model.size()));
        if (step % 5000 == 0) {
            for (std::size_t i = 0; i < model.size(); ++i) {
                ASSERT_EQ(c->Item(model[i].first).get(), model[i].second) << model[i].first;
            }
        }
    }
}

TEST(TickCollection, HoldsMillionsInOrderAndDrainsFromTheFront) {
    auto c = make_ref<cTWSDatas>();
    constexpr std::uint32_t n = 2'000'000;
    for (std::uint32_t i = 0; i < n; ++i)
        c->item_add(RecordKey::numbered('a', i)).id = static_cast<std::int32_t>(i);
    ASSERT_EQ(c->Count(), static_cast<std::int32_t>(n));
    EXPECT_EQ(c->Item("a1999999")->id, 1999999);
    for (std::uint32_t i = 0; i < n; ++i) {
        ASSERT_EQ(c->store().at(0)->id, static_cast<std::int32_t>(i));
        c->store().take_front()->release();
    }
    EXPECT_EQ(c->Count(), 0);
}

}  // namespace
}  // namespace corvel

namespace corvel {
namespace {

#ifndef CORVEL_PLAIN_RECORD_ALLOCATION
TEST(RecordMemory, SlabsGoBackWhenTheirRecordsGo) {
    const auto before = record_pool::slab_count();
    {
        std::vector<Ref<cTWSData>> records;
        for (int i = 0; i < 100000; ++i)
            records.push_back(make_ref<cTWSData>());
        EXPECT_GT(record_pool::slab_count(), before + 50);
        // Free every other record first: slabs stay while any of their records lives.
        for (std::size_t i = 0; i < records.size(); i += 2)
            records[i] = nullptr;
        EXPECT_GT(record_pool::slab_count(), before + 50);
    }
    EXPECT_LE(record_pool::slab_count(), before + 1);
}

TEST(RecordMemory, OnlyARecordsSizeIsServed) {
    // Freeing hands every pointer to a slab: memory of another size must never be handed out.
    EXPECT_THROW(record_pool::allocate(sizeof(cTWSData) + 8), std::bad_alloc);
    EXPECT_THROW(record_pool::allocate(1), std::bad_alloc);
    void* cell = record_pool::allocate(sizeof(cTWSData));
    ASSERT_NE(cell, nullptr);
    record_pool::deallocate(cell);
}
#endif

TEST(RecordMemory, RecordsOutliveTheThreadThatMadeThem) {
    std::vector<Ref<cTWSData>> kept;
    std::thread([&] {
        for (int i = 0; i < 5000; ++i) {
            kept.push_back(make_ref<cTWSData>());
            kept.back()->id = i;
        }
    }).join();
    EXPECT_EQ(kept[4999]->id, 4999);
    kept.clear();  // returned to slabs whose thread is gone
}

}  // namespace
}  // namespace corvel
