#include "linuxsystem.h"

#include <array>
#include <cerrno>
#include <fcntl.h>
#include <linux/capability.h>
#include <pwd.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

const char* FindModprobe()
{
    static constexpr std::array<const char*, 4> candidates = {
        "/usr/sbin/modprobe", "/sbin/modprobe", "/usr/bin/modprobe", "/bin/modprobe"};
    for (const char* path : candidates)
        if (::access(path, X_OK) == 0)
            return path;
    return nullptr;
}

} // namespace

DriverLoad ModuleLoadBarrier()
{
    if (::geteuid() != 0)
        return DriverLoad::NeedsRoot;
    return FindModprobe() ? DriverLoad::NotTried : DriverLoad::NoModprobe;
}

bool HasRawIoCapability()
{
    // The raw system call: libcap is not worth a dependency for one bit.
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[_LINUX_CAPABILITY_U32S_3] = {};
    if (::syscall(SYS_capget, &header, data) != 0)
        return ::geteuid() == 0;
    return (data[CAP_TO_INDEX(CAP_SYS_RAWIO)].effective & CAP_TO_MASK(CAP_SYS_RAWIO)) != 0;
}

bool RunModprobe(const std::string& module)
{
    const char* modprobe = FindModprobe();
    if (!modprobe)
        return false;
    std::string arg0 = "modprobe", quiet = "-q", name = module;
    char* argv[] = {arg0.data(), quiet.data(), name.data(), nullptr};
    // modprobe's own complaints are English and would reach the user's terminal unasked: its
    // result is what counts, and the reason is said in our words.
    posix_spawn_file_actions_t actions;
    ::posix_spawn_file_actions_init(&actions);
    ::posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    ::posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    const int spawned = ::posix_spawn(&pid, modprobe, &actions, nullptr, argv, environ);
    ::posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0)
        return false;
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0)
        if (errno != EINTR)
            return false;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}


std::string CurrentUserName()
{
    passwd entry{};
    passwd* found = nullptr;
    char buf[4096];
    if (::getpwuid_r(::geteuid(), &entry, buf, sizeof buf, &found) == 0 && found && found->pw_name)
        return found->pw_name;
    return {};
}
