// porvik --wiring-test end to end: the built program, without a display, by its exit codes.
#include <gtest/gtest.h>

#include <stdlib.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

struct Outcome {
    int exitCode = -1;
    std::string out;
};

// A configuration folder of the test's own, with the settings file given (none when empty).
class ConfigDir {
public:
    explicit ConfigDir(const std::string& settings = {})
    {
        char name[] = "/tmp/porvik-cli-XXXXXX";
        if (mkdtemp(name))
            m_path = name;
        if (!settings.empty()) {
            std::filesystem::create_directories(m_path + "/porvik");
            std::ofstream(m_path + "/porvik/QorelIsp.ini", std::ios::binary) << settings;
        }
    }
    ~ConfigDir()
    {
        std::error_code ec;
        std::filesystem::remove_all(m_path, ec);
    }
    const std::string& Path() const { return m_path; }

private:
    std::string m_path;
};

Outcome Porvik(const std::string& args, const std::string& settings = {})
{
    // No display of any kind: a production bench may have none. No settings file but the test's.
    const ConfigDir config(settings);
    const std::string command = "env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM XDG_CONFIG_HOME=" + config.Path() +
                                " XDG_CONFIG_DIRS=" + config.Path() + " " PORVIK_PATH " " + args + " 2>/dev/null";
    Outcome run;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return run;
    char buffer[4096];
    while (std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe))
        run.out.append(buffer, n);
    const int status = pclose(pipe);
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

} // namespace

TEST(WiringCommand, ExitCodesAndTable)
{
    struct Row {
        const char* args;
        int exitCode;
        const char* out; // part of standard output
        const char* settings = "";
    };
    const Row rows[] = {
        {"--wiring-test --port=virtual", 0, "结论: 通过"},
        {"--wiring-test --port=virtual:open=2-15", 1, "PIN2    PIN15   失败"},
        {"--wiring-test --port=virtual:open=2-15,open=14-12,short=14-15 --cable qorel", 0, "PIN14   PIN15   通过"},
        {"--wiring-test --port=virtual:open=2-3", 2, ""},
        {"--port=virtual --cable atmel", 2, ""},
        {"--wiring-test --port=virtual:open=2-15 --repeat 3", 1, "PIN2    PIN15   失败 3/3 次"},
        {"--wiring-test --port=virtual --repeat 0", 2, ""},
        {"--port=virtual --repeat 2", 2, ""},
        {"--wiring-test --port=virtual --report /nonexistent/dir/r.json", 3, "结论: 通过"},
        {"--wiring-test --port=/nonexistent/parport9", 3, "结论: 未测试"},
        {"--wiring-test --port=virtual:flaky=2-15:0.05,seed=3 --repeat 20", 1, "PIN2    PIN15   失败"},
        // A map that cannot be tested is the settings' fault, and the file's words are shown.
        {"--wiring-test --port=virtual --cable qorel", 4, "警告: 第 3 行 \"MOSI=2\": 与 OE 同用 PIN2",
         "[引脚控制]\nMSOI=5\nMOSI=2\n"},
        {"--wiring-test --port=virtual:open=2-15,open=14-12,short=14-15 --cable qorel", 0,
         "警告: 第 2 行 \"MSOI=5\": [引脚控制] 中没有 \"MSOI\" 这一项", "[引脚控制]\nMSOI=5\n"},
    };
    for (const Row& row : rows) {
        const Outcome run = Porvik(row.args, row.settings);
        EXPECT_EQ(run.exitCode, row.exitCode) << row.args << "\n" << run.out;
        EXPECT_NE(run.out.find(row.out), std::string::npos) << row.args << "\n" << run.out;
    }
}
