// Saving under the file system's rules, and saves that fail or are killed half-way.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <linux/fs.h>
#include <sched.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <iostream>
#include <cstring>
#include <optional>
#include <random>
#include <thread>

#include "listfile.h"
#include "safesave.h"
#include "testutil.h"

namespace fs = std::filesystem;

namespace {

constexpr uid_t kNobody = 65534;

const std::vector<std::byte> kOld = Bytes({1, 0, 0, 0, 0, 0, 0, 0});

std::vector<DeviceRecord> Records(std::size_t n)
{
    std::vector<DeviceRecord> recs;
    for (std::size_t i = 0; i < n; ++i)
        recs.push_back(MakeRecord("R", static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(i >> 8),
                                  static_cast<std::uint8_t>(i >> 16), 1));
    return recs;
}

// Saves `recs` to `target` as the unprivileged user; 0 when `expectOk` came true.
int SaveAsNobody(const fs::path& target, std::vector<DeviceRecord>& recs, bool expectOk, int expectErrno = 0)
{
    return InChild([&] {
        if (::setgid(kNobody) != 0 || ::setuid(kNobody) != 0)
            return 10;
        const WriteResult w = WriteListFile(target, ListOf(recs));
        if (w.ok != expectOk)
            return 11;
        return w.ok || w.sysErrno == expectErrno ? 0 : 12;
    });
}

std::vector<fs::path> BackupsOf(const fs::path& dir, const std::string& name)
{
    std::vector<fs::path> found;
    for (const fs::directory_entry& e : fs::directory_iterator(dir))
        if (IsBackupOf(e.path().filename().string(), name)) found.push_back(e.path());
    return found;
}

// The raw value of an extended attribute, or nullopt when the file has none of that name.
std::optional<std::string> Attribute(const fs::path& p, const char* name)
{
    char buf[4096];
    const ssize_t n = ::getxattr(p.c_str(), name, buf, sizeof buf);
    if (n < 0) return std::nullopt;
    return std::string(buf, static_cast<std::size_t>(n));
}

struct UnixFdForTest {
    int fd;
    explicit UnixFdForTest(int f) : fd(f) {}
    ~UnixFdForTest() { ::close(fd); }
};

std::size_t EnvCount(const char* name, std::size_t fallback)
{
    const char* v = std::getenv(name);
    return v && *v ? static_cast<std::size_t>(std::strtoull(v, nullptr, 10)) : fallback;
}

struct stat StatOf(const fs::path& p)
{
    struct stat st {};
    ::stat(p.c_str(), &st);
    return st;
}

}  // namespace

TEST(SafeSave, NothingButRegularFilesIsEverReplaced)
{
    TempDir dir;
    const fs::path fifo = dir / "fifo.chip";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const fs::path socketPath = dir / "socket.chip";
    const int sock = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::strncpy(addr.sun_path, socketPath.c_str(), sizeof addr.sun_path - 1);
    ASSERT_EQ(::bind(sock, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    std::vector<fs::path> targets = {fifo, socketPath, dir / "link-to-fifo.chip"};
    fs::create_symlink(fifo, targets.back());
    // A device node of our own: a broken check must not get to replace the system's.
    const fs::path device = dir / "null.chip";
    if (::mknod(device.c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0)
        targets.push_back(device);

    std::vector<DeviceRecord> recs = Records(1);
    for (const fs::path& target : targets) {
        const mode_t before = StatOf(target).st_mode;
        const WriteResult w = WriteListFile(target, ListOf(recs));
        EXPECT_FALSE(w.ok) << target;
        EXPECT_EQ(StatOf(target).st_mode, before) << target;
    }
    EXPECT_TRUE(fs::is_symlink(targets[2]));
    ::close(sock);
}

TEST(SafeSave, DanglingLinkGetsItsFileAndStaysALink)
{
    TempDir dir;
    fs::create_directory(dir / "sub");
    fs::create_symlink("sub/new.chip", dir / "link.chip");
    std::vector<DeviceRecord> recs = Records(2);
    ASSERT_TRUE(WriteListFile(dir / "link.chip", ListOf(recs)).ok);
    EXPECT_TRUE(fs::is_symlink(dir / "link.chip"));
    EXPECT_EQ(ReadAll(dir / "sub/new.chip"), BuildListImage(ListOf(recs)));
}

TEST(SafeSave, HardLinksKeepSharingTheFile)
{
    TempDir dir;
    WriteAll(dir / "a.chip", kOld);
    fs::create_hard_link(dir / "a.chip", dir / "b.chip");
    // Written in place, longer and then shorter: no record of a longer list stays as a tail.
    for (const std::size_t n : {3u, 1u, 0u}) {
        std::vector<DeviceRecord> recs = Records(n);
        ASSERT_TRUE(WriteListFile(dir / "a.chip", ListOf(recs)).ok) << n;
        EXPECT_EQ(ReadAll(dir / "b.chip"), BuildListImage(ListOf(recs))) << n;
        EXPECT_EQ(StatOf(dir / "a.chip").st_ino, StatOf(dir / "b.chip").st_ino);
        EXPECT_EQ(EntriesIn(dir.Path()), 2u);
    }
}

TEST(SafeSave, OwnerGroupAndModeAreKept)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "giving files away needs root";
    TempDir dir;
    const fs::path target = dir / "owned.chip";
    WriteAll(target, kOld);
    ASSERT_EQ(::chown(target.c_str(), 1234, 5678), 0);
    ASSERT_EQ(::chmod(target.c_str(), 02640), 0);
    std::vector<DeviceRecord> recs = Records(1);
    ASSERT_TRUE(WriteListFile(target, ListOf(recs)).ok);
    struct stat st = StatOf(target);
    EXPECT_EQ(st.st_uid, 1234u);
    EXPECT_EQ(st.st_gid, 5678u);
    EXPECT_EQ(st.st_mode & 07777, 02640u);
}

// Run as an unprivileged user, since root may write anything.
TEST(SafeSave, WhoMayWriteTheFileDecidesNotWhoMayWriteTheFolder)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to switch to an unprivileged user";
    TempDir dir;
    ::chmod(dir.Path().c_str(), 0777);
    std::vector<DeviceRecord> recs = Records(2);
    const std::vector<std::byte> image = BuildListImage(ListOf(recs));

    // Read-only file, and a file of someone else, in a folder the user may write: refused.
    const fs::path readOnly = dir / "ro.chip";
    WriteAll(readOnly, kOld);
    ::chown(readOnly.c_str(), kNobody, kNobody);
    ::chmod(readOnly.c_str(), 0444);
    EXPECT_EQ(SaveAsNobody(readOnly, recs, false, EACCES), 0);
    EXPECT_EQ(ReadAll(readOnly), kOld);
    const fs::path foreign = dir / "foreign.chip";
    WriteAll(foreign, kOld);
    EXPECT_EQ(SaveAsNobody(foreign, recs, false, EACCES), 0);
    EXPECT_EQ(ReadAll(foreign), kOld);
    EXPECT_EQ(StatOf(foreign).st_uid, 0u);

    // A file the user may write in a folder the user may not: written in place.
    const fs::path sub = dir / "locked";
    fs::create_directory(sub);
    const fs::path inLocked = sub / "list.chip";
    WriteAll(inLocked, kOld);
    ::chmod(inLocked.c_str(), 0666);
    ::chmod(sub.c_str(), 0555);
    EXPECT_EQ(SaveAsNobody(inLocked, recs, true), 0);
    EXPECT_EQ(ReadAll(inLocked), image);
    EXPECT_EQ(EntriesIn(sub), 1u);

    // Someone else's writable file in the user's folder: a replace would change its owner.
    const fs::path shared = dir / "shared.chip";
    WriteAll(shared, kOld);
    ::chmod(shared.c_str(), 0666);
    EXPECT_EQ(SaveAsNobody(shared, recs, true), 0);
    EXPECT_EQ(ReadAll(shared), image);
    EXPECT_EQ(StatOf(shared).st_uid, 0u);
}

TEST(SafeSave, ImmutableFileIsRefused)
{
    TempDir dir;
    const fs::path target = dir / "immutable.chip";
    WriteAll(target, kOld);
    const int fd = ::open(target.c_str(), O_RDONLY);
    int flags = 0;
    if (::ioctl(fd, FS_IOC_GETFLAGS, &flags) != 0 || (flags |= FS_IMMUTABLE_FL, ::ioctl(fd, FS_IOC_SETFLAGS, &flags)) != 0) {
        ::close(fd);
        GTEST_SKIP() << "this file system or user cannot make a file immutable";
    }
    std::vector<DeviceRecord> recs = Records(1);
    const WriteResult w = WriteListFile(target, ListOf(recs));
    flags &= ~FS_IMMUTABLE_FL;
    ::ioctl(fd, FS_IOC_SETFLAGS, &flags);
    ::close(fd);
    EXPECT_FALSE(w.ok);
    EXPECT_EQ(w.sysErrno, EPERM);
    EXPECT_EQ(ReadAll(target), kOld);
    EXPECT_EQ(EntriesIn(dir.Path()), 1u);
}

TEST(SafeSave, FullDiskAndSizeLimitLeaveTheOldFileAndNoTemporary)
{
    TempDir dir;
    std::vector<DeviceRecord> recs = Records(2000);
    // Both the usual replace and the in-place write (a second hard link).
    for (const bool linked : {false, true}) {
        const fs::path target = dir / "limited.chip";
        WriteAll(target, kOld);
        if (linked)
            fs::create_hard_link(target, dir / "other.chip");
        const int status = InChild([&] {
            const rlimit lim{4096, 4096};
            if (::setrlimit(RLIMIT_FSIZE, &lim) != 0)
                return 10;
            const WriteResult w = WriteListFile(target, ListOf(recs));
            return !w.ok && w.sysErrno == EFBIG && !w.targetDamaged ? 0 : 11;
        });
        EXPECT_EQ(status, 0) << linked;
        EXPECT_EQ(ReadAll(target), kOld);
        EXPECT_EQ(EntriesIn(dir.Path()), linked ? 2u : 1u);
        fs::remove(dir / "other.chip");
    }

    // A limit that the old file is already beyond, so that writing over it would stop half-way.
    {
        fs::remove(dir / "limited.chip");
        const fs::path target = dir / "over.chip";
        std::vector<DeviceRecord> old = Records(1000), shorter = Records(800);
        const std::vector<std::byte> oldImage = BuildListImage(ListOf(old));
        WriteAll(target, oldImage);
        fs::create_hard_link(target, dir / "other.chip");
        const int status = InChild([&] {
            const rlimit lim{16384, 16384};
            if (::setrlimit(RLIMIT_FSIZE, &lim) != 0)
                return 10;
            const WriteResult w = WriteListFile(target, ListOf(shorter));
            return !w.ok && w.sysErrno == EFBIG && !w.targetDamaged ? 0 : 11;
        });
        EXPECT_EQ(status, 0);
        EXPECT_EQ(ReadAll(target), oldImage);
        EXPECT_EQ(EntriesIn(dir.Path()), 2u);
        fs::remove(target);
        fs::remove(dir / "other.chip");
    }

    // A real full disk: a small tmpfs in a mount namespace of its own, where one may be made.
    const int status = InChild([&] {
        if (::unshare(CLONE_NEWNS) != 0 || ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
            ::mount("tmpfs", dir.Path().c_str(), "tmpfs", 0, "size=64k") != 0)
            return 20;
        const fs::path target = dir / "full.chip";
        WriteAll(target, kOld);
        const WriteResult w = WriteListFile(target, ListOf(recs));
        if (w.ok || w.sysErrno != ENOSPC || ReadAll(target) != kOld)
            return 21;
        return EntriesIn(dir.Path()) == 1 ? 0 : 22;
    });
    if (status == 20)
        GTEST_SKIP() << "no tmpfs can be mounted here";
    EXPECT_EQ(status, 0);
}

TEST(SafeSave, KilledSavesLeaveTheWholeOldOrNewFileAndAtMostOneTemporary)
{
    TempDir dir;
    const fs::path target = dir / "big.chip";
    std::vector<DeviceRecord> first = Records(100000);  // 3.6 MB
    std::vector<DeviceRecord> second = first;
    for (DeviceRecord& r : second)
        r.romKb = 2;
    const std::vector<std::byte> images[2] = {BuildListImage(ListOf(first)), BuildListImage(ListOf(second))};
    ASSERT_TRUE(WriteListFile(target, ListOf(first)).ok);

    // Kill points spread over the time a whole save takes in this build.
    const auto started = std::chrono::steady_clock::now();
    ASSERT_EQ(InChild([&] { return WriteListFile(target, ListOf(first)).ok ? 0 : 1; }), 0);
    const auto saveTime = std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - started);

    std::mt19937 rng(12345);
    for (int round = 0; round < 30; ++round) {
        std::vector<DeviceRecord>& next = round % 2 ? first : second;
        const pid_t pid = ::fork();
        if (pid == 0)
            ::_exit(WriteListFile(target, ListOf(next)).ok ? 0 : 1);
        std::this_thread::sleep_for(std::chrono::microseconds(rng() % (saveTime.count() * 6 / 5 + 1)));
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
        const std::vector<std::byte> now = ReadAll(target);
        EXPECT_TRUE(now == images[0] || now == images[1]) << "round " << round;
        EXPECT_LE(EntriesIn(dir.Path()), 2u) << "round " << round;
    }
    ASSERT_TRUE(WriteListFile(target, ListOf(first)).ok);
    EXPECT_EQ(EntriesIn(dir.Path()), 1u);
}

TEST(SafeSave, LeftoversOfDeadSavesGoButThoseOfRunningSavesStay)
{
    TempDir dir;
    const std::string longName(250, 'n');  // the temporary name must still fit in 255 bytes
    for (const std::string& name : {std::string("list.chip"), longName}) {
        const fs::path target = dir / name;
        WriteAll(target, kOld);
        const fs::path dead = dir / TemporaryNameFor(name, 0x1234abcd);
        const fs::path alive = dir / TemporaryNameFor(name, 0x5678cdef);
        const fs::path unrelated = dir / ("." + name.substr(0, 200) + ".~zzzzzzzz.tmp");
        for (const fs::path& p : {dead, alive, unrelated})
            WriteAll(p, kOld);
        const int held = ::open(alive.c_str(), O_RDONLY);
        ASSERT_EQ(::flock(held, LOCK_EX), 0);

        std::vector<DeviceRecord> recs = Records(1);
        ASSERT_TRUE(WriteListFile(target, ListOf(recs)).ok) << name.size();
        EXPECT_EQ(ReadAll(target), BuildListImage(ListOf(recs)));
        EXPECT_FALSE(fs::exists(dead));
        EXPECT_TRUE(fs::exists(alive));
        EXPECT_TRUE(fs::exists(unrelated));
        ::close(held);
        for (const fs::path& p : {alive, unrelated})
            fs::remove(p);
    }
}

// The in-place path (a second hard link): a kill at any point leaves the old list, the new one,
// or a damaged file with the old list whole in its backup. A finished save leaves no backup.
// A full-size list (36 MB), since only a write that takes a while can be caught in the middle;
// SAVE_KILL_RECORDS and SAVE_KILL_ROUNDS make it a longer measurement.
TEST(SafeSave, KilledInPlaceSavesLeaveTheOldListRecoverable)
{
    TempDir dir;
    const fs::path target = dir / "linked.chip";
    std::vector<DeviceRecord> first = Records(EnvCount("SAVE_KILL_RECORDS", 1000000));
    std::vector<DeviceRecord> second = first;
    for (DeviceRecord& r : second)
        r.romKb = 2;
    const std::vector<std::byte> images[2] = {BuildListImage(ListOf(first)), BuildListImage(ListOf(second))};
    ASSERT_TRUE(WriteListFile(target, ListOf(first)).ok);
    fs::create_hard_link(target, dir / "other.chip");

    const auto started = std::chrono::steady_clock::now();
    ASSERT_EQ(InChild([&] { return WriteListFile(target, ListOf(first)).ok ? 0 : 1; }), 0);
    const auto saveTime = std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - started);
    EXPECT_EQ(EntriesIn(dir.Path()), 2u);

    std::mt19937 rng(2024);
    std::size_t damaged = 0;
    const std::size_t rounds = EnvCount("SAVE_KILL_ROUNDS", 6);
    for (std::size_t round = 0; round < rounds; ++round) {
        const std::vector<std::byte> before = ReadAll(target);
        std::vector<DeviceRecord>& next = round % 2 ? first : second;
        const pid_t pid = ::fork();
        if (pid == 0)
            ::_exit(WriteListFile(target, ListOf(next)).ok ? 0 : 1);
        // Every other kill waits until the first record has changed, so that many land in the
        // middle of the write itself, the only moment a blend can arise.
        if (round % 2) {
            const UnixFdForTest fd(::open(target.c_str(), O_RDONLY));
            std::int32_t rom = 0;
            while (::pread(fd.fd, &rom, sizeof rom, 8 + offsetof(DeviceRecord, romKb)) == sizeof rom &&
                   rom != next[0].romKb && ::waitpid(pid, nullptr, WNOHANG) == 0) {
            }
            if (rng() % 2) std::this_thread::sleep_for(std::chrono::microseconds(rng() % 300));
        } else {
            std::this_thread::sleep_for(std::chrono::microseconds(rng() % (saveTime.count() * 6 / 5 + 1)));
        }
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
        const std::vector<std::byte> now = ReadAll(target);
        const std::vector<fs::path> backups = BackupsOf(dir.Path(), "linked.chip");
        ASSERT_LE(backups.size(), 1u) << "round " << round;
        if (now != images[0] && now != images[1]) {
            ++damaged;
            ASSERT_EQ(backups.size(), 1u) << "round " << round << ": damaged, and no backup";
            ASSERT_EQ(ReadAll(backups[0]), before) << "round " << round;
            WriteAll(dir / "other.chip", before);  // the user puts the old list back, through the other link
        }
        for (const fs::path& b : backups)
            fs::remove(b);
        EXPECT_EQ(StatOf(target).st_nlink, 2u) << "round " << round;
    }
    std::cout << "killed in-place saves: " << damaged << " of " << rounds << " damaged, all recovered from the backup\n";
    ASSERT_TRUE(WriteListFile(target, ListOf(first)).ok);
    EXPECT_EQ(ReadAll(dir / "other.chip"), images[0]);
    EXPECT_EQ(EntriesIn(dir.Path()), 2u);
}

TEST(SafeSave, AclAndExtendedAttributesSurviveAReplace)
{
    TempDir dir;
    struct Case {
        const char* what;
        const char* folderSetup;  // run on the folder before the file is made
        const char* fileSetup;    // run on the file
    };
    const Case cases[] = {
        {"ACL entry and user attribute", nullptr, "setfacl -m u:1234:rw %s && setfattr -n user.origin -v lab %s"},
        {"ACL with a narrower group entry than its mask", nullptr, "setfacl -m g::r,u:1234:rw,m::rw %s"},
        {"file without ACL in a folder with a default ACL", "setfacl -d -m u:1234:r %s", nullptr},
    };
    std::vector<DeviceRecord> recs = Records(2);
    for (const Case& c : cases) {
        const fs::path sub = dir / "d";
        fs::remove_all(sub);
        fs::create_directory(sub);
        const fs::path target = sub / "list.chip";
        WriteAll(target, kOld);
        ::chmod(target.c_str(), 0640);
        auto run = [](const char* pattern, const fs::path& p) {
            char cmd[1024];
            std::snprintf(cmd, sizeof cmd, pattern, p.c_str(), p.c_str());
            return std::system((std::string(cmd) + " 2>/dev/null").c_str()) == 0;
        };
        if ((c.fileSetup && !run(c.fileSetup, target)) || (c.folderSetup && !run(c.folderSetup, sub)))
            GTEST_SKIP() << "this file system refuses ACLs or user attributes (setfacl/setfattr failed): " << c.what;
        const auto acl = Attribute(target, "system.posix_acl_access");
        const auto origin = Attribute(target, "user.origin");
        const mode_t mode = StatOf(target).st_mode;
        const ino_t inode = StatOf(target).st_ino;

        ASSERT_TRUE(WriteListFile(target, ListOf(recs)).ok) << c.what;
        EXPECT_EQ(ReadAll(target), BuildListImage(ListOf(recs))) << c.what;
        EXPECT_NE(StatOf(target).st_ino, inode) << c.what << ": should have been replaced, not written in place";
        EXPECT_EQ(Attribute(target, "system.posix_acl_access"), acl) << c.what;
        EXPECT_EQ(Attribute(target, "user.origin"), origin) << c.what;
        EXPECT_EQ(StatOf(target).st_mode, mode) << c.what;
        EXPECT_EQ(EntriesIn(sub), 1u) << c.what;
    }
}
