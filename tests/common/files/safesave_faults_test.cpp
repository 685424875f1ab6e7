// Every file call of every save path failed in turn. Each path is run once to count its calls;
// then, for every call, a row fails it once, fails it and every call after it (a disk that died),
// and for a write, writes only part and goes on or then fails for good; rows with little free
// space follow. After each row: the target holds the whole old or the whole new content, or the
// old content is whole in the backup the result names, which is still there; the error reported is
// the injected one; a save that succeeds leaves no backup and no temporary file.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <iostream>
#include <sstream>
#include <string>

#include "safesave.h"
#include "testutil.h"

namespace fs = std::filesystem;

// What differs between the systems: the calls, their errors, how a file is known, how a folder
// refuses new files, where the temporary folder is set.
#ifdef _WIN32
#include "faultyfiles_windows.h"
#include "win32errno.h"

namespace {

using Error = DWORD;
using FileId = std::uint64_t;
using Call = FaultyFileCalls::Call;
constexpr Error kNoSpace = ERROR_DISK_FULL;
constexpr Error kFailed = ERROR_GEN_FAILURE;
constexpr Error kRefused = ERROR_ACCESS_DENIED;
int AsErrno(Error e) { return ErrnoFromWin32(e); }

FileId IdOf(HANDLE h)
{
    BY_HANDLE_FILE_INFORMATION info{};
    return h && ::GetFileInformationByHandle(h, &info) ? (std::uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow : 0;
}
FileId IdOf(const fs::path& p)
{
    const HANDLE h = ::CreateFileW(p.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                   OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE) return 0;
    const FileId id = IdOf(h);
    ::CloseHandle(h);
    return id;
}
bool ChangesContent(Call c) { return c == Call::WriteFile || c == Call::SetEndOfFile; }
// A new file in the folder: a temporary file or a backup copy. The save names the folder by its
// final path (\\?\C:\...), so the folder is compared by identity, not by name.
bool CreatesIn(Call c, const wchar_t* path, const fs::path& dir)
{
    return (c == Call::CreateFile || c == Call::CopyFile) && path && fs::path(path).filename() != "list.chip" &&
           IdOf(fs::path(path).parent_path()) == IdOf(dir);
}
void SetTemporaryFolder(const fs::path& p) { ::SetEnvironmentVariableW(L"TMP", p.empty() ? nullptr : p.c_str()); }
// Windows has no unnamed files, in-kernel copies or renames that refuse to replace: one kind of
// file system.
constexpr bool kFileSystemChoices[] = {true};
Error PlainFileSystemRefuses(Call, const wchar_t*, const fs::path&) { return 0; }
void AddAttribute(const fs::path&) {}
#else
#include <sys/stat.h>
#include <sys/xattr.h>

#include "faultyfiles_posix.h"

namespace {

using Error = int;
using FileId = ino_t;
using Call = FaultyFileCalls::Call;
constexpr Error kNoSpace = ENOSPC;
constexpr Error kFailed = EIO;
constexpr Error kRefused = EACCES;
int AsErrno(Error e) { return e; }

FileId IdOf(int fd)
{
    struct stat st {};
    return ::fstat(fd, &st) == 0 ? st.st_ino : 0;
}
FileId IdOf(const fs::path& p)
{
    struct stat st {};
    return ::stat(p.c_str(), &st) == 0 ? st.st_ino : 0;
}
bool ChangesContent(Call c) { return FaultyFileCalls::IsWrite(c) || c == Call::FTruncate; }
// A new file in the folder: an unnamed temporary file is opened on the folder itself.
bool CreatesIn(Call c, const char* path, const fs::path& dir) { return c == Call::Open && path && dir == path; }
// A file system with unnamed files (O_TMPFILE), in-kernel copies and renames that refuse to
// replace, and a plain one without: the save then uses named temporary files, copies through a
// buffer and names a backup by a link.
constexpr bool kFileSystemChoices[] = {true, false};
Error PlainFileSystemRefuses(Call c, const char* path, const fs::path& dir)
{
    if (CreatesIn(c, path, dir)) return EOPNOTSUPP;
    if (c == Call::CopyFileRange) return ENOSYS;
    if (c == Call::RenameNoReplace) return EINVAL;
    return 0;
}
void SetTemporaryFolder(const fs::path& p)
{
    if (p.empty()) ::unsetenv("TMPDIR");
    else ::setenv("TMPDIR", p.c_str(), 1);
}
// An attribute to carry over, so that a replace has one more step that can fail (and then
// writes in place instead); where the file system has none, that step is skipped.
void AddAttribute(const fs::path& p) { ::setxattr(p.c_str(), "user.origin", "lab", 3, 0); }
#endif

bool SameFile(const fs::path& a, const fs::path& b) { return IdOf(a) != 0 && IdOf(a) == IdOf(b); }

std::vector<std::byte> Content(std::size_t size, int seed)
{
    std::vector<std::byte> out(size);
    for (std::size_t i = 0; i < size; ++i) out[i] = static_cast<std::byte>((i * 7 + static_cast<std::size_t>(seed)) & 0xFF);
    return out;
}

enum class Path { NewFile, Replace, InPlaceBackupBeside, InPlaceBackupInTemporaryFolder };

const char* PathName(Path p)
{
    switch (p) {
    case Path::NewFile: return "new file";
    case Path::Replace: return "replace";
    case Path::InPlaceBackupBeside: return "in place, backup beside";
    case Path::InPlaceBackupInTemporaryFolder: return "in place, backup in the temporary folder";
    }
    return "";
}

struct Row {
    FaultyFileCalls::Fault fault;
    std::optional<long long> spaceLeft;
    std::string what;
};

// Names in `dir` other than those listed.
std::vector<std::string> Others(const fs::path& dir, std::initializer_list<std::string> expected)
{
    std::vector<std::string> out;
    for (const fs::directory_entry& e : fs::directory_iterator(dir)) {
        const std::string name = e.path().filename().string();
        if (std::find(expected.begin(), expected.end(), name) == expected.end()) out.push_back(name);
    }
    return out;
}

class SaveTable {
public:
    SaveTable(Path path, bool richFileSystem, std::vector<std::byte> oldContent, std::vector<std::byte> newContent)
        : m_path(path), m_richFileSystem(richFileSystem), m_old(std::move(oldContent)), m_new(std::move(newContent))
    {
        fs::create_directory(m_dir / "d");
        fs::create_directory(m_dir / "tmp");
        SetTemporaryFolder(m_dir / "tmp");
    }
    ~SaveTable() { SetTemporaryFolder({}); }

    // Runs every row; the number of rows run.
    std::size_t Run()
    {
        Prepare();
        FaultyFileCalls counter;
        Arm(counter);
        SaveResult first;
        {
            FaultScope scope(counter);
            first = SaveFileSafely(Target(), m_new.data(), m_new.size());
        }
        EXPECT_TRUE(first.ok) << PathName(m_path) << ": the path itself fails: " << first.step << ' ' << first.sysErrno;
        const bool inPlace = m_path == Path::InPlaceBackupBeside || m_path == Path::InPlaceBackupInTemporaryFolder;
        EXPECT_EQ(m_touched, inPlace) << PathName(m_path) << ": the setup does not reach the path";
        Check(Row{{}, {}, "no fault"}, first, false, counter.calls);

        std::vector<Row> rows;
        for (std::size_t n = 1; n <= counter.calls.size(); ++n) {
            const Call c = counter.calls[n - 1];
            const Error err = FaultyFileCalls::NeedsSpace(c) ? kNoSpace : kFailed;
            const std::string at = std::string(FaultyFileCalls::Name(c)) + " (call " + std::to_string(n) + ")";
            using Then = FaultyFileCalls::Then;
            rows.push_back({{n, err, Then::GoOn, {}}, {}, at + " fails"});
            rows.push_back({{n, err, Then::EveryCallFails, {}}, {}, at + " and every later call fail"});
            if (FaultyFileCalls::IsWrite(c)) {
                rows.push_back({{n, err, Then::GoOn, 5}, {}, at + " writes 5 bytes"});
                rows.push_back({{n, err, Then::EveryWriteFails, 5}, {}, at + " writes 5 bytes, then every write fails"});
                rows.push_back({{n, err, Then::EveryCallFails, 5}, {}, at + " writes 5 bytes, then every call fails"});
            }
        }
        const long long oldSize = m_path == Path::NewFile ? 0 : static_cast<long long>(m_old.size());
        const long long newSize = static_cast<long long>(m_new.size());
        for (const long long space : {0LL, oldSize / 2, oldSize, oldSize + std::max(0LL, newSize - oldSize) / 2})
            rows.push_back({{}, space, std::to_string(space) + " bytes free"});

        for (const Row& row : rows) {
            Prepare();
            FaultyFileCalls calls;
            calls.fault = row.fault;
            calls.spaceLeft = row.spaceLeft;
            Arm(calls);
            SaveResult r;
            {
                FaultScope scope(calls);
                r = SaveFileSafely(Target(), m_new.data(), m_new.size());
            }
            Check(row, r, m_touched, calls.calls);
        }
        return rows.size() + 1;
    }

private:
    fs::path Dir() const { return m_dir / "d"; }
    fs::path Target() const { return Dir() / "list.chip"; }

    void Prepare()
    {
        for (const fs::path& d : {Dir(), m_dir / "tmp"})
            for (const fs::directory_entry& e : fs::directory_iterator(d)) fs::remove(e.path());
        if (m_path != Path::NewFile) WriteAll(Target(), m_old);
        if (m_path == Path::InPlaceBackupBeside) fs::create_hard_link(Target(), Dir() / "other.chip");
        if (m_path == Path::Replace) AddAttribute(Target());
        m_targetId = IdOf(Target());
        m_touched = false;
    }

    // The folder of a read-only-folder path refuses new files; every path notes whether the
    // target itself was written (an in-place write) while the save ran.
    void Arm(FaultyFileCalls& calls)
    {
        const bool readOnlyFolder = m_path == Path::InPlaceBackupInTemporaryFolder;
        calls.before = [this, readOnlyFolder](std::size_t, Call c, auto file, auto path) -> Error {
            if (readOnlyFolder && CreatesIn(c, path, Dir())) return kRefused;
            if (!m_richFileSystem)
                if (const Error err = PlainFileSystemRefuses(c, path, Dir())) return err;
            if (ChangesContent(c) && m_targetId != 0 && IdOf(file) == m_targetId) m_touched = true;
            return 0;
        };
    }

    fs::path StrayPath(const std::string& s) const { return s.rfind("tmp/", 0) == 0 ? m_dir / s : Dir() / s; }

    void Check(const Row& row, const SaveResult& r, bool touched, const std::vector<Call>& calls)
    {
        std::ostringstream where;
        where << PathName(m_path) << (m_richFileSystem ? "" : ", plain file system") << ", old " << m_old.size() << " bytes, new " << m_new.size() << ": " << row.what
              << " -> " << (r.ok ? "ok" : r.step + " errno " + std::to_string(r.sysErrno)) << "; calls:";
        for (const Call c : calls) where << ' ' << FaultyFileCalls::Name(c);
        const std::vector<std::byte> now = fs::exists(Target()) ? ReadAll(Target()) : std::vector<std::byte>{};
        const bool hadOld = m_path != Path::NewFile;
        const bool isOld = hadOld ? now == m_old : !fs::exists(Target());
        const bool isNew = fs::exists(Target()) && now == m_new;
        const std::initializer_list<std::string> own = {"list.chip", "other.chip"};
        std::vector<std::string> strays = Others(Dir(), own);
        for (const std::string& s : Others(m_dir / "tmp", {})) strays.push_back("tmp/" + s);

        if (r.ok) {
            EXPECT_TRUE(isNew) << where.str() << ": a save that succeeded left something else";
            // Only a backup the file system would not delete, and then named.
            for (const std::string& s : strays)
                EXPECT_TRUE(!r.backupPath.empty() && SameFile(StrayPath(s), r.backupPath) &&
                            ReadAll(r.backupPath) == m_old)
                    << where.str() << ": a save that succeeded left " << s;
        } else {
            const int injected = AsErrno(row.spaceLeft ? kNoSpace : row.fault.error);
            EXPECT_EQ(r.sysErrno, injected) << where.str() << ": not the injected error";
            if (!isOld && !isNew) {
                EXPECT_TRUE(r.targetDamaged) << where.str() << ": a mix of old and new, and the result does not say so";
                ASSERT_FALSE(r.backupPath.empty()) << where.str() << ": a mix of old and new, and no backup named";
                ASSERT_TRUE(fs::exists(r.backupPath)) << where.str() << ": the backup named is gone";
                EXPECT_EQ(ReadAll(r.backupPath), m_old) << where.str() << ": the backup is not the old content";
            }
            // What a failed save may leave: the backup it names, and, when the disk died, what it
            // could no longer delete, which must then be whole.
            for (const std::string& s : strays) {
                const fs::path p = StrayPath(s);
                if (!r.backupPath.empty() && SameFile(p, r.backupPath)) continue;
                EXPECT_EQ(row.fault.then, FaultyFileCalls::Then::EveryCallFails) << where.str() << ": left " << s;
                EXPECT_TRUE(IsBackupOf(p.filename().string(), "list.chip") ? ReadAll(p) == m_old : true)
                    << where.str() << ": left a partial backup " << s;
            }
        }
        if (row.spaceLeft && !r.ok) {
            EXPECT_FALSE(touched) << where.str() << ": a full disk was found only after the old content was overwritten";
        }
    }

    const Path m_path;
    const bool m_richFileSystem;
    const std::vector<std::byte> m_old, m_new;
    TempDir m_dir;
    FileId m_targetId = 0;
    bool m_touched = false;
};

}  // namespace

TEST(SafeSaveFaults, EveryCallOfEveryPathFailedInTurn)
{
    std::ostringstream sizes;
    std::size_t total = 0;
    for (const Path path : {Path::NewFile, Path::Replace, Path::InPlaceBackupBeside, Path::InPlaceBackupInTemporaryFolder})
        // A longer list and a shorter one: putting the old content back must also cut the file.
        for (const auto& [oldSize, newSize] : {std::pair<std::size_t, std::size_t>{80, 152}, {152, 80}}) {
            if (path == Path::NewFile && oldSize > newSize) continue;
            for (const bool rich : kFileSystemChoices) {
                SaveTable table(path, rich, Content(oldSize, 1), Content(newSize, 2));
                const std::size_t rows = table.Run();
                sizes << PathName(path) << (rich ? "" : ", plain file system") << " (" << oldSize << " -> "
                      << newSize << "): " << rows << " rows\n";
                total += rows;
            }
        }
    std::cout << sizes.str() << "rows in all: " << total << '\n';
}
