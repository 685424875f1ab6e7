#include <gtest/gtest.h>

#include <cstring>
#include <deque>
#include <numeric>
#include <random>
#include <unordered_map>

#include "listops.h"
#include "testutil.h"

namespace {

// ---- The plain algorithms, kept as the reference for the fast ones ----

bool RefHasDuplicates(const DeviceList& list)
{
    for (std::size_t j = 0; j < list.Count(); ++j)
        for (std::size_t i = j + 1; i < list.Count(); ++i)
            if (SameDuplicateKey(*list[j], *list[i]))
                return true;
    return false;
}

void RefRemoveDuplicates(DeviceList& list)
{
    for (std::size_t j = 0; j < list.Count(); ++j)
        for (std::size_t i = j + 1; i < list.Count();) {
            if (SameDuplicateKey(*list[i], *list[j]))
                list.RemoveAt(i);
            else
                ++i;
        }
}

void RefSortByTidyKey(DeviceList& list)
{
    auto& refs = list.RefArray();
    const std::size_t n = refs.size();
    for (std::size_t p = 0; p < n; ++p)
        for (std::size_t j = 0; j + 1 + p < n; ++j)
            if (TidyKey(*refs[j]) > TidyKey(*refs[j + 1]))
                std::swap(refs[j], refs[j + 1]);
}

std::vector<std::vector<std::size_t>> RefDuplicateGroups(const DeviceList& list)
{
    std::vector<std::vector<std::size_t>> groups;
    std::vector<bool> taken(list.Count());
    for (std::size_t j = 0; j < list.Count(); ++j) {
        if (taken[j])
            continue;
        std::vector<std::size_t> g{j};
        for (std::size_t i = j + 1; i < list.Count(); ++i)
            if (!taken[i] && SameDuplicateKey(*list[j], *list[i])) {
                taken[i] = true;
                g.push_back(i);
            }
        if (g.size() > 1)
            groups.push_back(g);
    }
    return groups;
}

std::vector<DeviceRecord*> Refs(const DeviceList& list) { return {list.begin(), list.end()}; }

DeviceList ListOf(std::deque<DeviceRecord>& recs)
{
    DeviceList list;
    for (auto& r : recs)
        list.Append(&r);
    return list;
}

// Records drawn from small pools so that duplicates, near-duplicates (case, length, one
// signature byte) and equal tidy keys are frequent.
DeviceRecord RandomRecord(std::mt19937& rng)
{
    static const char* const kNames[] = {"", "A", "a", "AB", "Ab", "ABC", "\xD0\xBE\xC6\xAC",
                                         "1234567890123456789", "123456789012345678"};
    constexpr std::uint8_t kBytes[] = {0x00, 0x01, 0x7F, 0x80, 0xFF};
    auto pick = [&](std::size_t n) { return static_cast<std::size_t>(rng() % n); };
    DeviceRecord r = MakeRecord(kNames[pick(std::size(kNames))], kBytes[pick(5)], kBytes[pick(3)],
                                kBytes[pick(3)], kBytes[pick(3)], static_cast<std::int32_t>(rng()),
                                static_cast<float>(pick(100)));
    switch (pick(6)) {
    case 0:  // junk after the NUL is not part of the name
        if (std::strlen(r.name) < 18)
            r.name[19] = static_cast<char>('a' + pick(3));
        break;
    case 1:  // a name filling all 20 bytes, as foreign files may hold
        std::memset(r.name, 'Z', 20);
        if (pick(2))
            r.name[19] = 'Y';
        break;
    default:
        break;
    }
    r.pad1[0] = static_cast<std::uint8_t>(rng());
    return r;
}

void ExpectSameAsReference(std::deque<DeviceRecord>& recs)
{
    const DeviceList original = ListOf(recs);

    EXPECT_EQ(HasDuplicates(original), RefHasDuplicates(original));
    EXPECT_EQ(FindDuplicateGroups(original), RefDuplicateGroups(original));

    DeviceList fast = original, slow = original;
    const std::size_t left = RemoveDuplicates(fast);
    RefRemoveDuplicates(slow);
    EXPECT_EQ(left, fast.Count());
    ASSERT_EQ(Refs(fast), Refs(slow));
    EXPECT_FALSE(HasDuplicates(fast));

    fast = original;
    slow = original;
    SortByTidyKey(fast);
    RefSortByTidyKey(slow);
    ASSERT_EQ(Refs(fast), Refs(slow));
}

// Two distinct keys whose 32-bit hashes agree, found by brute force (birthday bound ~2^16).
std::pair<DeviceRecord, DeviceRecord> HashCollision()
{
    std::unordered_map<std::uint32_t, int> seen;
    for (int i = 0;; ++i) {
        const DeviceRecord r = MakeRecord("C" + std::to_string(i), 0, 1, 2, 3);
        const auto h = static_cast<std::uint32_t>(HashDuplicateKey(MakeDuplicateKey(r)) >> 32);
        auto [it, fresh] = seen.emplace(h, i);
        if (!fresh)
            return {MakeRecord("C" + std::to_string(it->second), 0, 1, 2, 3), r};
    }
}

}  // namespace

TEST(TidyKey, ByteOrderIsFidThenSignatureThreeTwoOne)
{
    EXPECT_EQ(TidyKey(MakeRecord("", 0x01, 0x05, 0x00, 0x00)), 0x01000005u);
    EXPECT_EQ(TidyKey(MakeRecord("", 0x01, 0x00, 0x00, 0x05)), 0x01050000u);
    EXPECT_EQ(TidyKey(MakeRecord("", 0xFF, 0xAA, 0xBB, 0xCC)), 0xFFCCBBAAu);
}

TEST(SortByTidyKey, DocumentedOrderAndStability)
{
    std::deque<DeviceRecord> recs = {
        MakeRecord("fid2", 0x02, 0x00, 0x00, 0x00),  // after both fid 01, whatever its signature
        MakeRecord("b3", 0x01, 0x00, 0x00, 0x05),    // signature byte 3 outranks byte 1
        MakeRecord("b1", 0x01, 0x05, 0x00, 0x00),
        MakeRecord("hi", 0x80, 0x00, 0x00, 0x00),    // unsigned: 0x80 after 0x7F
        MakeRecord("lo", 0x7F, 0xFF, 0xFF, 0xFF),
        MakeRecord("same-1", 0x01, 0x05, 0x00, 0x00),  // equal keys keep their order
        MakeRecord("same-0", 0x01, 0x05, 0x00, 0x00),
    };
    DeviceList list = ListOf(recs);
    SortByTidyKey(list);
    std::vector<std::string> names;
    for (auto* r : list)
        names.emplace_back(RecordName(*r));
    EXPECT_EQ(names, (std::vector<std::string>{"b1", "same-1", "same-0", "b3", "fid2", "lo", "hi"}));

    DeviceList empty;
    SortByTidyKey(empty);
    EXPECT_EQ(empty.Count(), 0u);
    EXPECT_FALSE(HasDuplicates(empty));
    DeviceList one = ListOf(recs);
    one.RefArray().resize(1);
    SortByTidyKey(one);
    EXPECT_EQ(one[0], &recs[0]);
    EXPECT_FALSE(HasDuplicates(one));
}

TEST(DuplicateKey, NameAndSignatureOnlyCaseAndLengthMatter)
{
    const DeviceRecord base = MakeRecord("AT89C51", 0x51, 0x1E, 0x51, 0x06, 4, 5.0f);
    EXPECT_TRUE(SameDuplicateKey(base, MakeRecord("AT89C51", 0x99, 0x1E, 0x51, 0x06, -1, 12.0f)));
    EXPECT_FALSE(SameDuplicateKey(base, MakeRecord("at89c51", 0x51, 0x1E, 0x51, 0x06, 4, 5.0f)));
    EXPECT_FALSE(SameDuplicateKey(base, MakeRecord("AT89C51", 0x51, 0x1E, 0x51, 0x07, 4, 5.0f)));
    EXPECT_FALSE(SameDuplicateKey(base, MakeRecord("AT89C5", 0x51, 0x1E, 0x51, 0x06, 4, 5.0f)));

    DeviceRecord junk = base;
    junk.name[15] = 'J';  // after the NUL: not part of the name
    EXPECT_TRUE(SameDuplicateKey(base, junk));
    EXPECT_EQ(MakeDuplicateKey(base), MakeDuplicateKey(junk));

    DeviceRecord full = base, shorter = base;
    std::memset(full.name, 'X', 20);
    std::memset(shorter.name, 'X', 19);
    shorter.name[19] = '\0';
    EXPECT_FALSE(SameDuplicateKey(full, shorter));
    EXPECT_NE(MakeDuplicateKey(full), MakeDuplicateKey(shorter));
}

TEST(RemoveDuplicates, KeepsTheFirstOfEachGroupInPlace)
{
    std::deque<DeviceRecord> recs = {
        MakeRecord("X", 1, 1, 1, 1, 10),  // 0  group X
        MakeRecord("Y", 1, 1, 1, 1),      // 1
        MakeRecord("X", 2, 1, 1, 1, 20),  // 2  X again, other fid and ROM
        MakeRecord("X", 3, 1, 1, 1, 30),  // 3
        MakeRecord("x", 1, 1, 1, 1),      // 4  differs in case: stays
        MakeRecord("Y", 9, 1, 1, 1),      // 5  Y again
        MakeRecord("Z", 1, 1, 1, 1),      // 6
    };
    DeviceList list = ListOf(recs);
    EXPECT_TRUE(HasDuplicates(list));
    EXPECT_EQ(FindDuplicateGroups(list),
              (std::vector<std::vector<std::size_t>>{{0, 2, 3}, {1, 5}}));
    EXPECT_EQ(RemoveDuplicates(list), 4u);
    EXPECT_EQ(Refs(list), (std::vector<DeviceRecord*>{&recs[0], &recs[1], &recs[4], &recs[6]}));
    EXPECT_EQ(recs[0].romKb, 10);
    EXPECT_FALSE(HasDuplicates(list));
    EXPECT_EQ(RemoveDuplicates(list), 4u);
}

TEST(ListOps, KeysSharingAHashAreStillTellApart)
{
    auto [a, b] = HashCollision();
    ASSERT_FALSE(SameDuplicateKey(a, b));
    std::deque<DeviceRecord> recs = {a, b, b, a, b};
    DeviceList list = ListOf(recs);
    EXPECT_EQ(FindDuplicateGroups(list), (std::vector<std::vector<std::size_t>>{{0, 3}, {1, 2, 4}}));
    RemoveDuplicates(list);
    EXPECT_EQ(Refs(list), (std::vector<DeviceRecord*>{&recs[0], &recs[1]}));
    EXPECT_FALSE(HasDuplicates(list));

    DuplicateIndex index;
    index.Add(a);
    index.Add(b);
    EXPECT_FALSE(index.HasDuplicates());
    index.Add(b);
    EXPECT_TRUE(index.HasDuplicates());
    index.Remove(a);
    index.Remove(b);
    EXPECT_FALSE(index.HasDuplicates());
    EXPECT_EQ(index.Count(), 1u);
}

TEST(ListOps, RandomListsMatchThePlainAlgorithms)
{
    std::mt19937 rng(12345);
    for (int round = 0; round < 1500; ++round) {
        std::deque<DeviceRecord> recs;
        const std::size_t n = rng() % 40;
        for (std::size_t i = 0; i < n; ++i)
            recs.push_back(RandomRecord(rng));
        ExpectSameAsReference(recs);
        if (HasFatalFailure())
            FAIL() << "round " << round;
    }
    for (std::size_t n : {800u, 2000u}) {
        std::deque<DeviceRecord> recs;
        for (std::size_t i = 0; i < n; ++i)
            recs.push_back(RandomRecord(rng));
        ExpectSameAsReference(recs);
    }
    // Mostly distinct keys, so that every radix digit varies.
    std::deque<DeviceRecord> recs;
    for (std::size_t i = 0; i < 2000; ++i) {
        recs.push_back(MakeRecord(std::to_string(rng() % 1700), static_cast<std::uint8_t>(rng()),
                                  static_cast<std::uint8_t>(rng()), static_cast<std::uint8_t>(rng()),
                                  static_cast<std::uint8_t>(rng() % 2)));
    }
    ExpectSameAsReference(recs);
}

// Whatever shares a hash, the rules stay exact and no pair scan is needed: runs of many distinct
// keys on one hash (every empty name, under an all-zero hash key) with duplicates among them.
TEST(ListOps, KeysThatAllShareOneHashMatchThePlainAlgorithms)
{
    const auto saved = ReplaceDuplicateHashKey({0, 0, 0, 0});
    std::mt19937 rng(777);
    for (const std::size_t n : {9u, 30u, 400u, 1500u}) {
        std::deque<DeviceRecord> recs;
        for (std::size_t i = 0; i < n; ++i) {
            const auto sig = static_cast<std::uint32_t>(rng() % (n / 3 + 2));
            recs.push_back(rng() % 5 ? MakeRecord("", static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(sig),
                                                  static_cast<std::uint8_t>(sig >> 8), 0)
                                     : RandomRecord(rng));
        }
        ExpectSameAsReference(recs);
        DuplicateIndex index;
        const DeviceList list = ListOf(recs);
        index.Rebuild(list);
        EXPECT_EQ(index.HasDuplicates(), RefHasDuplicates(list)) << n;
    }
    ReplaceDuplicateHashKey(saved);
}

TEST(DuplicateIndex, StaysInStepWithTheListThroughRandomEdits)
{
    std::mt19937 rng(99);
    std::deque<DeviceRecord> storage;  // stable addresses
    DeviceList list;
    DuplicateIndex index;
    index.Rebuild(list);
    for (int step = 0; step < 6000; ++step) {
        const auto op = rng() % 10;
        if (op < 4 || list.Count() == 0) {  // add
            storage.push_back(RandomRecord(rng));
            list.Append(&storage.back());
            index.Add(storage.back());
        } else if (op < 7) {  // delete
            const std::size_t i = rng() % list.Count();
            index.Remove(*list[i]);
            list.RemoveAt(i);
        } else if (op < 9) {  // modify: a changed copy takes the record's place, as the editor does
            const std::size_t i = rng() % list.Count();
            const DeviceRecord before = *list[i];
            index.Remove(before);  // by value: any record of the key may leave the index
            storage.push_back(RandomRecord(rng));
            list.RefArray()[i] = &storage.back();
            index.Add(storage.back());
        } else if (rng() % 20 == 0) {
            index.Rebuild(list);
        } else if (rng() % 8 == 0) {  // a duplicate removal, as the window would do it
            RemoveDuplicates(list);
            index.Rebuild(list);
        }
        ASSERT_EQ(index.HasDuplicates(), RefHasDuplicates(list)) << "step " << step;
        ASSERT_EQ(index.Count(), list.Count());
    }

    // Many distinct keys: growth and deletion inside long probe chains.
    std::deque<DeviceRecord> many;
    DeviceList big;
    for (int i = 0; i < 5000; ++i) {
        many.push_back(MakeRecord("K" + std::to_string(i), 0, 0, 0, static_cast<std::uint8_t>(i)));
        big.Append(&many.back());
    }
    index.Rebuild(big);
    EXPECT_FALSE(index.HasDuplicates());
    index.Add(many[1234]);
    EXPECT_TRUE(index.HasDuplicates());
    index.Remove(many[1234]);
    EXPECT_FALSE(index.HasDuplicates());
    for (int i = 0; i < 5000; i += 2)
        index.Remove(many[i]);
    EXPECT_FALSE(index.HasDuplicates());
    for (int i = 1; i < 5000; i += 2)
        index.Remove(many[i]);
    EXPECT_FALSE(index.HasDuplicates());
    EXPECT_EQ(index.Count(), 0u);
    index.Remove(many[0]);  // absent: ignored
    EXPECT_EQ(index.Count(), 0u);
}

// A key held thousands of times is counted, not stored once per record: rebuilt or added one by
// one, under hash keys that put its home anywhere, the index follows every copy in and out.
TEST(DuplicateIndex, CountsAKeyHeldManyTimes)
{
    std::mt19937_64 rng(4242);
    const DeviceRecord same = MakeRecord("SAME", 1, 2, 3, 4);
    std::deque<DeviceRecord> recs;
    for (int i = 0; i < 300; ++i) recs.push_back(MakeRecord("K" + std::to_string(i), 0, 0, 0, static_cast<std::uint8_t>(i)));
    for (int i = 0; i < 2000; ++i) recs.push_back(same);
    const DeviceList list = ListOf(recs);
    std::vector<std::size_t> copies(2000);
    std::iota(copies.begin(), copies.end(), std::size_t{300});
    EXPECT_EQ(FindDuplicateGroups(list), std::vector<std::vector<std::size_t>>{copies});
    DeviceList deduped = list;
    EXPECT_EQ(RemoveDuplicates(deduped), 301u);
    EXPECT_EQ(deduped[300], list[300]);
    for (int round = 0; round < 8; ++round) {
        const auto saved = ReplaceDuplicateHashKey({rng() | 1, rng() | 1, rng() | 1, rng() | 1});
        DuplicateIndex rebuilt, added;
        rebuilt.Rebuild(list);
        for (const DeviceRecord* rec : list) added.Add(*rec);
        for (DuplicateIndex* index : {&rebuilt, &added}) {
            EXPECT_TRUE(index->HasDuplicates());
            for (int i = 0; i < 1999; ++i) index->Remove(recs[300 + static_cast<std::size_t>(i)]);
            EXPECT_FALSE(index->HasDuplicates()) << round;
            EXPECT_EQ(index->Count(), 301u);
            index->Remove(recs[0]);
            index->Add(recs[1]);
            EXPECT_TRUE(index->HasDuplicates()) << round;
            index->Remove(same);
            index->Remove(same);  // absent by now: ignored
            EXPECT_EQ(index->Count(), 300u);
        }
        ReplaceDuplicateHashKey(saved);
    }
}
