// Saving under Windows' rules: the read-only attribute, hard links, devices, a target held open.
#include <gtest/gtest.h>

#include <windows.h>

#include <cerrno>

#include "safesave.h"
#include "testutil.h"

namespace fs = std::filesystem;

namespace {

const std::vector<std::byte> kOld = Bytes({1, 2, 3});
const std::vector<std::byte> kNew = Bytes({9, 8, 7, 6, 5});

// Another program's handle on the target.
struct WinHandleForTest {
    HANDLE h = INVALID_HANDLE_VALUE;
    ~WinHandleForTest() { Close(); }
    void Close()
    {
        if (h != INVALID_HANDLE_VALUE) ::CloseHandle(h);
        h = INVALID_HANDLE_VALUE;
    }
};

SaveResult Save(const fs::path& p) { return SaveFileSafely(p, kNew.data(), kNew.size()); }

}  // namespace

TEST(SafeSaveWindows, ReplacesOrCreatesAndLeavesNoTemporaryBehind)
{
    TempDir dir;
    const fs::path target = dir / "list.chip";
    // A leftover of a save that died is cleared by the next one.
    WriteAll(dir / TemporaryNameFor("list.chip", 0x1234abcd), kOld);
    EXPECT_TRUE(Save(target).ok);
    EXPECT_EQ(ReadAll(target), kNew);
    WriteAll(target, kOld);
    const SaveResult again = Save(target);
    EXPECT_TRUE(again.ok && again.targetExisted);
    EXPECT_EQ(ReadAll(target), kNew);
    EXPECT_EQ(EntriesIn(dir.Path()), 1u);
}

TEST(SafeSaveWindows, RefusedSavesKeepTheOldFileWhole)
{
    TempDir dir;
    struct Case {
        const char* what;
        void (*prepare)(const fs::path&);
        int expectErrno;
    };
    const Case cases[] = {
        {"read-only attribute", [](const fs::path& p) { ::SetFileAttributesW(p.c_str(), FILE_ATTRIBUTE_READONLY); },
         EACCES},
        {"held open unshared by another program", nullptr, EBUSY},
    };
    for (const Case& c : cases) {
        const fs::path target = dir / "list.chip";
        WriteAll(target, kOld);
        WinHandleForTest holder;
        if (c.prepare) c.prepare(target);
        else holder.h = ::CreateFileW(target.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        const SaveResult r = Save(target);
        EXPECT_FALSE(r.ok) << c.what;
        EXPECT_EQ(r.sysErrno, c.expectErrno) << c.what;
        EXPECT_FALSE(r.targetDamaged) << c.what;
        holder.Close();
        EXPECT_EQ(ReadAll(target), kOld) << c.what;
        EXPECT_EQ(EntriesIn(dir.Path()), 1u) << c.what;
        ::SetFileAttributesW(target.c_str(), FILE_ATTRIBUTE_NORMAL);
        fs::remove(target);
    }
}

TEST(SafeSaveWindows, DevicesAndFoldersAreNotFiles)
{
    TempDir dir;
    EXPECT_FALSE(Save("NUL").ok);
    const SaveResult folder = Save(dir.Path());
    EXPECT_FALSE(folder.ok);
    EXPECT_EQ(folder.sysErrno, EISDIR);
}

TEST(SafeSaveWindows, HardLinkedTargetStaysOneFile)
{
    TempDir dir;
    const fs::path target = dir / "list.chip";
    const fs::path other = dir / "other.chip";
    WriteAll(target, kOld);
    if (!::CreateHardLinkW(other.c_str(), target.c_str(), nullptr))
        GTEST_SKIP() << "no hard links on this file system";
    const SaveResult r = Save(target);
    ASSERT_TRUE(r.ok) << r.step << ' ' << r.sysErrno;
    EXPECT_EQ(ReadAll(other), kNew);
    EXPECT_EQ(EntriesIn(dir.Path()), 2u);  // the copy of the old content is gone
}
