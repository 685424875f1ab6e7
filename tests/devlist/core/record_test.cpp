#include <gtest/gtest.h>

#include <cstring>
#include <set>

#include "record.h"
#include "testutil.h"

TEST(RecordName, StopsAtFirstNulAndNeverLeavesTheField)
{
    DeviceRecord r = MakeRecord("AT89C51", 0x51, 1, 2, 3);
    EXPECT_EQ(RecordName(r), "AT89C51");

    // Bytes after the first NUL are not part of the name.
    r.name[10] = 'X';
    EXPECT_EQ(RecordName(r), "AT89C51");

    std::memset(r.name, 0, sizeof r.name);
    EXPECT_EQ(RecordName(r), "");
    EXPECT_FALSE(NameLacksNul(r));

    // A foreign file may fill all 20 bytes; fid must not be read as part of the name.
    std::memset(r.name, 'N', sizeof r.name);
    r.fid = 'F';
    EXPECT_EQ(RecordName(r), std::string(20, 'N'));
    EXPECT_TRUE(NameLacksNul(r));
    EXPECT_EQ(r.fid, 'F');
}

TEST(SetRecordName, AcceptsUpTo19BytesAndClearsTheRest)
{
    DeviceRecord r;
    std::memset(&r, 0xAA, sizeof r);
    ASSERT_TRUE(SetRecordName(r, std::string(19, 'x')));
    EXPECT_EQ(RecordName(r), std::string(19, 'x'));
    EXPECT_EQ(r.name[19], '\0');
    EXPECT_EQ(r.fid, 0xAA);  // neighbours untouched

    ASSERT_TRUE(SetRecordName(r, "AB"));
    for (std::size_t i = 2; i < sizeof r.name; ++i)
        EXPECT_EQ(r.name[i], '\0') << i;

    // GBK: two bytes per Chinese character, counted in bytes.
    ASSERT_TRUE(SetRecordName(r, "\xD0\xBE\xC6\xAC"));
    EXPECT_EQ(RecordName(r).size(), 4u);
}

TEST(SetRecordName, RefusesWhatWouldNotFitOrWouldBeCutAndLeavesRecordAlone)
{
    DeviceRecord r = MakeRecord("KEEP", 1, 2, 3, 4);
    const DeviceRecord before = r;
    EXPECT_FALSE(SetRecordName(r, std::string(20, 'y')));
    EXPECT_FALSE(SetRecordName(r, std::string_view("A\0B", 3)));
    EXPECT_EQ(std::memcmp(&r, &before, sizeof r), 0);
}

TEST(DeviceList, AppendRemoveKeepsOrderAndChecksIndexes)
{
    DeviceRecord recs[4] = {MakeRecord("A", 0, 0, 0, 0), MakeRecord("B", 0, 0, 0, 0),
                            MakeRecord("C", 0, 0, 0, 0), MakeRecord("D", 0, 0, 0, 0)};
    DeviceList list;
    for (auto& r : recs)
        list.Append(&r);
    ASSERT_EQ(list.Count(), 4u);
    list.RemoveAt(1);
    ASSERT_EQ(list.Count(), 3u);
    EXPECT_EQ(list[0], &recs[0]);
    EXPECT_EQ(list[1], &recs[2]);
    EXPECT_EQ(list.At(2), &recs[3]);
    EXPECT_THROW(list.At(3), std::out_of_range);
    EXPECT_THROW(list.RemoveAt(3), std::out_of_range);

    DeviceList other;
    other.Append(&recs[1]);
    list.AppendAll(other);
    list.AppendAll(list);  // self-append must not read a reallocated array
    ASSERT_EQ(list.Count(), 8u);
    EXPECT_EQ(list[3], &recs[1]);
    EXPECT_EQ(list[7], &recs[1]);
    EXPECT_EQ(list[4], &recs[0]);

    std::size_t seen = 0;
    for (DeviceRecord* r : list) {
        EXPECT_EQ(r, list[seen]);
        ++seen;
    }
    EXPECT_EQ(seen, 8u);
    list.Clear();
    EXPECT_TRUE(list.Empty());
}

TEST(RecordStorage, CopiesStayDistinctAndValidAcrossManyBlocks)
{
    RecordStorage storage;
    std::vector<DeviceRecord*> ptrs;
    for (int i = 0; i < 3000; ++i) {
        DeviceRecord r = MakeRecord("R", static_cast<std::uint8_t>(i), 0, 0, 0, i);
        r.pad1[0] = 0x5A;
        ptrs.push_back(storage.AddCopy(r));
    }
    std::set<DeviceRecord*> unique(ptrs.begin(), ptrs.end());
    EXPECT_EQ(unique.size(), ptrs.size());
    for (int i = 0; i < 3000; ++i) {
        EXPECT_EQ(ptrs[i]->romKb, i);
        EXPECT_EQ(ptrs[i]->pad1[0], 0x5A);
        EXPECT_EQ(reinterpret_cast<std::uintptr_t>(ptrs[i]) % alignof(DeviceRecord), 0u);
    }
    EXPECT_GE(storage.BytesHeld(), 3000 * sizeof(DeviceRecord));
}

TEST(RecordStorage, LargeBuffersAreWritableAndAlignedForRecords)
{
    RecordStorage storage;
    for (std::size_t size : {std::size_t{0}, std::size_t{44}, std::size_t{5} << 20}) {
        std::byte* buf = storage.NewBuffer(size);
        ASSERT_NE(buf, nullptr);
        EXPECT_EQ(reinterpret_cast<std::uintptr_t>(buf) % 8, 0u);
        if (size != 0) {
            std::memset(buf, 0x11, size);
            EXPECT_EQ(buf[size - 1], std::byte{0x11});
        }
    }
}

// The reader stops a list at four billion references, where the list rules' 32-bit indexes end.
TEST(DeviceList, TakesRecordsUpToTheIndexLimit)
{
    const struct {
        std::size_t have, more;
        bool ok;
    } cases[] = {
        {0, kMaxListRecords, true},
        {kMaxListRecords - 1, 1, true},
        {kMaxListRecords, 0, true},
        {kMaxListRecords, 1, false},
        {1, kMaxListRecords, false},
        {0, kMaxListRecords + 1, false},
        {2, SIZE_MAX, false},  // no wrap-round
    };
    for (const auto& c : cases) EXPECT_EQ(ListCanTake(c.have, c.more), c.ok) << c.have << " + " << c.more;
}
