#pragma once
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <string>

// The benchmark's own temporary folder for the lists it makes, one per process (two runs at once
// never share a file), made on first use.
inline const std::filesystem::path& BenchWorkDir(const char* program)
{
    static const std::filesystem::path dir = [program] {
        std::filesystem::path d = std::filesystem::temp_directory_path() / (std::string(program) + "_" + std::to_string(::getpid()));
        std::filesystem::create_directories(d);
        return d;
    }();
    return dir;
}

// The benchmarks named on the command line (all by default), then the work folder removed.
inline int RunBenchmarksInWorkDir(int argc, char** argv, const std::filesystem::path& workDir)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::filesystem::remove_all(workDir);
    return 0;
}
