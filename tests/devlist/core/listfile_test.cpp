#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <functional>

#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <climits>
#include <cstring>
#include <random>

#include "listfile.h"
#include "testutil.h"

namespace fs = std::filesystem;

namespace {

std::vector<std::byte> ExampleFile()
{
    return Bytes({0x01, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00,  //
                  'A',  'B',  'C',  0,    0,    0,    0,    0,    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                  0x07, 0,    0,    0,                             //
                  0x08, 0x00, 0x00, 0x00,                          //
                  0x00, 0x00, 0xA0, 0x40,                          //
                  0x1E, 0x52, 0x06, 0});
}

std::vector<std::byte> Header(std::uint32_t version, std::int32_t count)
{
    std::vector<std::byte> out(8);
    std::memcpy(out.data(), &version, 4);
    std::memcpy(out.data() + 4, &count, 4);
    return out;
}

void AppendRecordBytes(std::vector<std::byte>& image, const DeviceRecord& rec)
{
    const auto* p = reinterpret_cast<const std::byte*>(&rec);
    image.insert(image.end(), p, p + sizeof rec);
}

}  // namespace

TEST(WriteListFile, EmptyListAndTheDocumentedExampleAreByteExact)
{
    TempDir dir;
    DeviceList empty;
    ASSERT_TRUE(WriteListFile(dir / "empty.chip", empty).ok);
    EXPECT_EQ(ReadAll(dir / "empty.chip"), Bytes({1, 0, 0, 0, 0, 0, 0, 0}));

    std::vector<DeviceRecord> recs = {MakeRecord("ABC", 0x07, 0x1E, 0x52, 0x06, 8, 5.0f)};
    DeviceList list = ListOf(recs);
    EXPECT_EQ(BuildListImage(list), ExampleFile());
    const WriteResult w = WriteListFile(dir / "one.chip", list);
    ASSERT_TRUE(w.ok) << w.detail;
    EXPECT_EQ(ReadAll(dir / "one.chip"), ExampleFile());
    EXPECT_EQ(EntriesIn(dir.Path()), 2u);  // no temporary file left behind
}

TEST(ReadListFile, ExampleRecordsAreUsedInPlaceInOneBuffer)
{
    TempDir dir;
    auto image = ExampleFile();
    DeviceRecord second = MakeRecord("XYZ", 9, 1, 2, 3, -4, -1.5f);
    AppendRecordBytes(image, second);
    image[4] = std::byte{2};
    WriteAll(dir / "a.chip", image);

    RecordStorage storage;
    DeviceList list;
    DeviceRecord earlier = MakeRecord("EARLIER", 0, 0, 0, 0);
    list.Append(&earlier);
    const ReadResult r = ReadListFile(dir / "a.chip", storage, list);
    ASSERT_TRUE(r.Ok());
    EXPECT_FALSE(r.IsShort());
    EXPECT_EQ(r.appended, 2u);
    ASSERT_EQ(list.Count(), 3u);
    EXPECT_EQ(list[0], &earlier);  // appended after what the list held
    EXPECT_EQ(RecordName(*list[1]), "ABC");
    EXPECT_EQ(list[1]->fid, 0x07);
    EXPECT_EQ(list[1]->romKb, 8);
    EXPECT_EQ(list[1]->voltage, 5.0f);
    EXPECT_EQ(list[1]->signature[0], 0x1E);
    EXPECT_EQ(list[1]->signature[2], 0x06);
    EXPECT_EQ(RecordName(*list[2]), "XYZ");
    EXPECT_EQ(list[2]->romKb, -4);
    // One buffer, record i at 8 + 36 i: neighbours are exactly one record apart.
    EXPECT_EQ(reinterpret_cast<std::byte*>(list[2]) - reinterpret_cast<std::byte*>(list[1]), 36);
}

TEST(ReadListFile, VersionWordIsIgnored)
{
    TempDir dir;
    for (std::uint32_t version : {0u, 1u, 2u, 0xFFFFFFFFu}) {
        auto image = ExampleFile();
        std::memcpy(image.data(), &version, 4);
        WriteAll(dir / "v.chip", image);
        RecordStorage storage;
        DeviceList list;
        const ReadResult r = ReadListFile(dir / "v.chip", storage, list);
        ASSERT_TRUE(r.Ok());
        EXPECT_EQ(r.layout.version, version);
        ASSERT_EQ(list.Count(), 1u) << version;
        EXPECT_EQ(RecordName(*list[0]), "ABC");
    }
}

TEST(ReadListFile, ZeroOrNegativeCountReadsNothingAndSucceeds)
{
    TempDir dir;
    for (std::int32_t count : {0, -1, INT_MIN}) {
        auto image = Header(1, count);
        AppendRecordBytes(image, MakeRecord("IGNORED", 1, 2, 3, 4));
        WriteAll(dir / "c.chip", image);
        RecordStorage storage;
        DeviceList list;
        const ReadResult r = ReadListFile(dir / "c.chip", storage, list);
        EXPECT_TRUE(r.Ok());
        EXPECT_FALSE(r.IsShort());
        EXPECT_EQ(r.appended, 0u);
        EXPECT_EQ(list.Count(), 0u);
        EXPECT_EQ(r.layout.trailingBytes, 36u);
    }
}

TEST(ReadListFile, TrailingBytesAreIgnoredAndDroppedOnSave)
{
    TempDir dir;
    auto image = ExampleFile();
    for (int i = 0; i < 50; ++i)
        image.push_back(std::byte{0xEE});
    WriteAll(dir / "t.chip", image);
    RecordStorage storage;
    DeviceList list;
    const ReadResult r = ReadListFile(dir / "t.chip", storage, list);
    ASSERT_TRUE(r.Ok());
    EXPECT_FALSE(r.IsShort());
    EXPECT_EQ(r.layout.trailingBytes, 50u);
    ASSERT_EQ(list.Count(), 1u);
    ASSERT_TRUE(WriteListFile(dir / "t.chip", list).ok);
    EXPECT_EQ(ReadAll(dir / "t.chip"), ExampleFile());
}

// Bytes beyond the counted records are counted from the file's size, never read: 4 GiB of them
// (a sparse file) read under a 1 GiB address-space limit.
TEST(ReadListFile, ARegularFileIsReadOnlyAsFarAsItsHeaderDeclares)
{
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "an address-space limit and the sanitizer's shadow memory do not mix";
#endif
    TempDir dir;
    constexpr std::uint64_t kTail = std::uint64_t{4} << 30;
    struct Case {
        std::int32_t count;
        std::size_t records;   // complete records written after the header
        std::uint64_t tail;    // bytes after them
        std::size_t taken;
        std::uint64_t trailing;
    };
    const Case cases[] = {
        {3, 3, kTail, 3, kTail},
        {3, 10, 5, 3, 7 * 36 + 5},
        {-1, 10, kTail, 0, 360 + kTail},
        {0, 0, 0, 0, 0},
        {12, 10, 20, 10, 0},  // short: everything there is read
    };
    for (const Case& c : cases) {
        std::vector<std::byte> image = Header(1, c.count);
        for (std::size_t i = 0; i < c.records; ++i)
            AppendRecordBytes(image, MakeRecord("R", static_cast<std::uint8_t>(i), 1, 2, 3));
        const fs::path path = dir / "t.chip";
        WriteAll(path, image);
        fs::resize_file(path, image.size() + c.tail);
        const int status = InChild([&] {
            const rlimit lim{std::uint64_t{1} << 30, std::uint64_t{1} << 30};
            if (::setrlimit(RLIMIT_AS, &lim) != 0)
                return 10;
            RecordStorage storage;
            DeviceList list;
            const ReadResult r = ReadListFile(path, storage, list);
            if (!r.Ok())
                return 11;
            if (list.Count() != c.taken || r.layout.trailingBytes != c.trailing ||
                r.layout.fileSize != image.size() + c.tail)
                return 12;
            return c.taken == 0 || list[c.taken - 1]->fid == c.taken - 1 ? 0 : 13;
        });
        EXPECT_EQ(status, 0) << c.count << " " << c.tail;
    }
}

TEST(ReadListFile, NameOf20BytesWithoutNulKeepsFid)
{
    TempDir dir;
    auto image = ExampleFile();
    std::memset(image.data() + 8, 'Q', 20);
    WriteAll(dir / "n.chip", image);
    RecordStorage storage;
    DeviceList list;
    ASSERT_TRUE(ReadListFile(dir / "n.chip", storage, list).Ok());
    ASSERT_EQ(list.Count(), 1u);
    EXPECT_EQ(RecordName(*list[0]), std::string(20, 'Q'));
    EXPECT_EQ(list[0]->fid, 0x07);
}

TEST(ListFile, RoundTripIsByteExactIncludingPaddingAndOrder)
{
    TempDir dir;
    std::mt19937 rng(7);
    std::vector<std::byte> image = Header(1, 300);
    for (int i = 0; i < 300 * 36; ++i)
        image.push_back(static_cast<std::byte>(rng()));  // names without NUL, padding, NaNs: anything
    WriteAll(dir / "r.chip", image);

    RecordStorage storage;
    DeviceList list;
    const ReadResult r = ReadListFile(dir / "r.chip", storage, list);
    ASSERT_TRUE(r.Ok());
    ASSERT_EQ(list.Count(), 300u);
    for (std::size_t i = 0; i < 300; ++i)
        ASSERT_EQ(std::memcmp(list[i], image.data() + 8 + 36 * i, 36), 0) << i;
    ASSERT_TRUE(WriteListFile(dir / "r.chip", list).ok);
    EXPECT_EQ(ReadAll(dir / "r.chip"), image);
}

TEST(ReadListFile, ShortFilesYieldTheCompleteRecordsAndSaySo)
{
    TempDir dir;
    struct Case {
        std::vector<std::byte> image;
        std::size_t expected;
    };
    auto threeAnnounced = Header(1, 3);
    AppendRecordBytes(threeAnnounced, MakeRecord("ONE", 1, 0, 0, 0));
    AppendRecordBytes(threeAnnounced, MakeRecord("TWO", 2, 0, 0, 0));
    threeAnnounced.resize(threeAnnounced.size() + 20);  // half a third record
    auto hugeCount = Header(1, INT32_MAX);
    AppendRecordBytes(hugeCount, MakeRecord("ONLY", 1, 0, 0, 0));

    const std::vector<Case> cases = {
        {{}, 0},
        {Bytes({1, 0, 0, 0, 1, 0, 0}), 0},
        {Header(1, 1), 0},
        {threeAnnounced, 2},
        {hugeCount, 1},
    };
    for (std::size_t k = 0; k < cases.size(); ++k) {
        WriteAll(dir / "s.chip", cases[k].image);
        RecordStorage storage;
        DeviceList list;
        const ReadResult r = ReadListFile(dir / "s.chip", storage, list);
        ASSERT_TRUE(r.Ok()) << k;
        EXPECT_TRUE(r.IsShort()) << k;
        EXPECT_EQ(r.appended, cases[k].expected) << k;
        ASSERT_EQ(list.Count(), cases[k].expected) << k;
        if (cases[k].expected > 0) {
            EXPECT_EQ(RecordName(*list[0]), k == 4 ? "ONLY" : "ONE");
        }
        EXPECT_EQ(r.layout.trailingBytes, 0u) << k;
    }
}

TEST(InspectListImage, NeverOverflowsOnExtremeCounts)
{
    auto image = Header(7, INT32_MAX);
    image.resize(8 + 36 * 2 + 35);
    const ListFileLayout l = InspectListImage(image);
    EXPECT_TRUE(l.headerComplete);
    EXPECT_EQ(l.version, 7u);
    EXPECT_EQ(l.count, INT32_MAX);
    EXPECT_EQ(l.recordsPresent, 2u);
    EXPECT_TRUE(l.countExceedsData);
    EXPECT_EQ(l.fileSize, image.size());

    const ListFileLayout exact = InspectListImage(ExampleFile());
    EXPECT_FALSE(exact.countExceedsData);
    EXPECT_EQ(exact.recordsPresent, 1u);
    EXPECT_EQ(exact.trailingBytes, 0u);

    const ListFileLayout none = InspectListImage({});
    EXPECT_FALSE(none.headerComplete);
    EXPECT_EQ(none.count, 0);
}

TEST(ReadListFile, OpenAndReadFailuresLeaveTheListAlone)
{
    TempDir dir;
    RecordStorage storage;
    DeviceList list;
    DeviceRecord keep = MakeRecord("KEEP", 0, 0, 0, 0);
    list.Append(&keep);

    ReadResult r = ReadListFile(dir / "missing.chip", storage, list);
    EXPECT_EQ(r.error, ReadError::Open);
    EXPECT_EQ(r.sysErrno, ENOENT);
    EXPECT_FALSE(r.IsShort());

    r = ReadListFile(dir.Path(), storage, list);  // opens, but a directory cannot be read
    EXPECT_EQ(r.error, ReadError::Read);
    EXPECT_EQ(r.sysErrno, EISDIR);
    EXPECT_EQ(list.Count(), 1u);

    // The window reads regular files only; the command-line tool reads devices too.
    r = ReadListFile("/dev/null", storage, list);
    EXPECT_EQ(r.error, ReadError::NotRegular);
    r = ReadListFile("/dev/null", storage, list, ReadSource::AnyFile);
    EXPECT_TRUE(r.Ok());
    EXPECT_TRUE(r.IsShort());
    EXPECT_EQ(list.Count(), 1u);
}

TEST(WriteListFile, FailedWriteLeavesTheOldFileIntact)
{
    TempDir dir;
    const fs::path target = dir / "keep.chip";
    WriteAll(target, ExampleFile());
    std::vector<DeviceRecord> recs(200, MakeRecord("BIG", 1, 2, 3, 4));
    DeviceList list = ListOf(recs);

    // The file size limit makes the write fail part-way, as a full disk would; its signal must
    // not kill the program.
    const int status = InChild([&] {
        const rlimit lim{1000, 1000};
        if (::setrlimit(RLIMIT_FSIZE, &lim) != 0)
            return 10;
        const WriteResult w = WriteListFile(target, list);
        if (w.ok)
            return 11;
        return w.sysErrno == EFBIG ? 0 : 12;
    });
    EXPECT_EQ(status, 0);
    EXPECT_EQ(ReadAll(target), ExampleFile());
    EXPECT_EQ(EntriesIn(dir.Path()), 1u);  // the temporary file is gone
}

TEST(WriteListFile, KeepsPermissionsAndFollowsLinks)
{
    TempDir dir;
    const fs::path target = dir / "perm.chip";
    WriteAll(target, Bytes({1, 2, 3}));
    ::chmod(target.c_str(), 0640);
    std::vector<DeviceRecord> recs = {MakeRecord("ABC", 0x07, 0x1E, 0x52, 0x06, 8, 5.0f)};
    DeviceList list = ListOf(recs);
    ASSERT_TRUE(WriteListFile(target, list).ok);
    struct stat st {};
    ASSERT_EQ(::stat(target.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);

    const fs::path link = dir / "link.chip";
    fs::create_symlink("perm.chip", link);
    DeviceList empty;
    ASSERT_TRUE(WriteListFile(link, empty).ok);
    EXPECT_TRUE(fs::is_symlink(fs::symlink_status(link)));
    EXPECT_EQ(ReadAll(target), Bytes({1, 0, 0, 0, 0, 0, 0, 0}));

    const WriteResult w = WriteListFile(dir.Path(), empty);
    EXPECT_FALSE(w.ok);
}

TEST(WriteListFile, BareFileNameGoesToTheCurrentDirectory)
{
    TempDir dir;
    const fs::path previous = fs::current_path();
    fs::current_path(dir.Path());
    std::vector<DeviceRecord> recs = {MakeRecord("ABC", 0x07, 0x1E, 0x52, 0x06, 8, 5.0f)};
    const WriteResult w = WriteListFile("here.chip", ListOf(recs));
    fs::current_path(previous);
    ASSERT_TRUE(w.ok) << w.detail;
    EXPECT_EQ(ReadAll(dir / "here.chip"), ExampleFile());
}

// A file read in parts must end exactly as one read of it does, whatever the part size, and no
// part may take more records than it was asked for.
TEST(ListFileLoader, PartsEndAsOneReadDoes)
{
    TempDir dir;
    auto records = [](std::int32_t declared, int present) {
        auto image = Header(1, declared);
        for (int i = 0; i < present; ++i)
            AppendRecordBytes(image, MakeRecord(("R" + std::to_string(i)).c_str(), static_cast<std::uint8_t>(i), 0, 0, 0));
        return image;
    };
    auto halfMore = records(9, 7);
    halfMore.resize(halfMore.size() + 20);
    auto trailing = records(7, 7);
    trailing.resize(trailing.size() + 10);
    const std::vector<std::vector<std::byte>> images = {
        records(7, 7), trailing, halfMore, records(0, 3), records(-1, 1), Header(1, 5), Bytes({1, 0, 0, 0, 5}), {},
    };
    for (std::size_t k = 0; k < images.size(); ++k) {
        const fs::path file = dir / "p.chip";
        WriteAll(file, images[k]);
        RecordStorage storage;
        DeviceList whole;
        const ReadResult once = ReadListFile(file, storage, whole);
        for (const std::size_t part : {1u, 2u, 3u, 7u, 100u}) {
            const std::string where = "image " + std::to_string(k) + ", parts of " + std::to_string(part);
            ListFileLoader loader;
            DeviceList list;
            ReadResult r = loader.Start(file, storage, list, part);
            EXPECT_LE(list.Count(), part) << where;
            int parts = 1;
            while (!loader.Done()) {
                const std::size_t before = list.Count();
                r = loader.Continue(list, part);
                EXPECT_LE(list.Count() - before, part) << where;
                ASSERT_LT(++parts, 20) << where;
            }
            ASSERT_TRUE(r.Ok()) << where;
            EXPECT_EQ(r.appended, once.appended) << where;
            EXPECT_EQ(r.IsShort(), once.IsShort()) << where;
            EXPECT_EQ(r.layout.recordsPresent, once.layout.recordsPresent) << where;
            EXPECT_EQ(r.layout.trailingBytes, once.layout.trailingBytes) << where;
            EXPECT_EQ(r.layout.fileSize, once.layout.fileSize) << where;
            EXPECT_EQ(r.layout.countExceedsData, once.layout.countExceedsData) << where;
            ASSERT_EQ(list.Count(), whole.Count()) << where;
            for (std::size_t i = 0; i < list.Count(); ++i)
                EXPECT_EQ(std::memcmp(list[i], whole[i], kRecordSize), 0) << where << ", record " << i;
        }
    }
}

// A file cut short, written over or replaced between two parts (another program saving it) ends
// the reading as changed: the parts would be of two files. Unchanged, the same steps read it all.
TEST(ListFileLoader, AFileChangedBetweenPartsEndsTheReadAsChanged)
{
    TempDir dir;
    auto image = Header(1, 6);
    for (int i = 0; i < 6; ++i) AppendRecordBytes(image, MakeRecord("X", static_cast<std::uint8_t>(i), 0, 0, 0));
    auto other = image;
    other[8] = std::byte{'Y'};
    const fs::path file = dir / "list.chip";
    // Long ago, so that any write now is another modification time, however coarse the clock.
    const auto then = fs::file_time_type::clock::now() - std::chrono::hours(24 * 365);
    struct Change {
        const char* name;
        std::function<void()> change;
    };
    const std::vector<Change> changes = {
        {"none", [] {}},
        {"cut", [&] { fs::resize_file(file, kListHeaderSize + 3 * kRecordSize + 5); }},
        {"written over", [&] {
             std::fstream f(file, std::ios::binary | std::ios::in | std::ios::out);
             f.write(reinterpret_cast<const char*>(other.data()), static_cast<std::streamsize>(other.size()));
         }},
        {"touched", [&] { fs::last_write_time(file, then + std::chrono::seconds(1)); }},
        {"replaced", [&] {
             WriteAll(dir / "new.chip", image);
             fs::last_write_time(dir / "new.chip", then);
             fs::rename(dir / "new.chip", file);
         }},
    };
    for (const Change& c : changes) {
        WriteAll(file, image);
        fs::last_write_time(file, then);
        RecordStorage storage;
        DeviceList list;
        ListFileLoader loader;
        ASSERT_TRUE(loader.Start(file, storage, list, 2).Ok()) << c.name;
        ASSERT_FALSE(loader.Done());
        c.change();
        ReadResult r;
        while (!loader.Done()) r = loader.Continue(list, 2);
        if (std::string(c.name) == "none") {
            EXPECT_TRUE(r.Ok());
            EXPECT_EQ(list.Count(), 6u);
        } else {
            EXPECT_EQ(r.error, ReadError::Changed) << c.name;
        }
    }
}
