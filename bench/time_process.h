#pragma once
// Wall time of a whole program run, for the benchmarks that measure command-line tools.
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

extern char** environ;

// Runs a program to the end with standard streams on /dev/null; returns its wall time in seconds.
// An exit code above `maxExitCode` (or a signal) ends the benchmark.
inline double TimeProcess(std::vector<std::string> argv, int maxExitCode = 0)
{
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    for (int fd = 0; fd <= 2; ++fd)
        posix_spawn_file_actions_addopen(&fa, fd, "/dev/null", fd == 0 ? O_RDONLY : O_WRONLY, 0);
    std::vector<char*> args;
    for (std::string& a : argv) args.push_back(a.data());
    args.push_back(nullptr);
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    if (posix_spawnp(&pid, args[0], &fa, nullptr, args.data(), environ) != 0) {
        std::fprintf(stderr, "cannot start %s\n", args[0]);
        std::exit(1);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    const auto stop = std::chrono::steady_clock::now();
    posix_spawn_file_actions_destroy(&fa);
    if (!WIFEXITED(status) || WEXITSTATUS(status) > maxExitCode) {
        std::fprintf(stderr, "%s failed\n", args[0]);
        std::exit(1);
    }
    return std::chrono::duration<double>(stop - start).count();
}
