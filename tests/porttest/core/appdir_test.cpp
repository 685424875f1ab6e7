// The program directory comes from the running program file, not from the working directory.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <string>

#include "appdir.h"
#include "programfile.h"
#include "temp_dir.h"

namespace fs = std::filesystem;

#ifndef _WIN32 // TODO(windows): a program folder past MAX_PATH, under Wine
namespace {

std::string RunAndCapture(const std::string& program)
{
    std::string out;
    FILE* pipe = popen(("'" + program + "'").c_str(), "r");
    if (!pipe)
        return out;
    std::array<char, 512> buf{};
    std::size_t n = 0;
    while ((n = std::fread(buf.data(), 1, buf.size(), pipe)) > 0)
        out.append(buf.data(), n);
    pclose(pipe);
    return out;
}

} // namespace

TEST(AppDir, IsTheTestProgramsDirectoryWhateverTheWorkingDirectory)
{
#ifdef _WIN32
    // The build folder is a Linux path; Wine shows it on a drive of its own.
    const std::string expected = ProgramDirectory();
    EXPECT_TRUE(fs::is_regular_file(expected + "porttest_core_tests.exe")) << expected;
#else
    const std::string expected = fs::canonical(TEST_PROGRAM_DIR).string() + "/";
    EXPECT_EQ(ProgramDirectory(), expected);
#endif
    EXPECT_EQ(expected.back(), kPathSeparator);

    const fs::path before = fs::current_path();
    TempDir elsewhere;
    fs::current_path(elsewhere.Path());
    EXPECT_EQ(ProgramDirectory(), expected);
    fs::current_path(before);
}

TEST(AppDir, HasNoLengthLimit)
{
    TempDir dir;
    fs::path deep = dir.Path();
    for (int i = 0; i < 7; ++i)
        deep /= std::string(60, static_cast<char>('a' + i)); // well past 200 and 256 bytes
    fs::create_directories(deep);
    const fs::path copy = deep / "appdir_probe";
    fs::copy_file(APPDIR_PROBE, copy);
    ASSERT_GT(copy.string().size(), 400u);
    EXPECT_EQ(RunAndCapture(copy.string()), deep.string() + "/");
}
#endif
