// porvik --wiring-test end to end: the built program, without a display, by its exit codes.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <string>

namespace {

struct Outcome {
    int exitCode = -1;
    std::string out;
};

Outcome Porvik(const std::string& args)
{
    // No display of any kind: a production bench may have none.
    const std::string command =
        "env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM " PORVIK_PATH " " + args + " 2>/dev/null";
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
    };
    for (const Row& row : rows) {
        const Outcome run = Porvik(row.args);
        EXPECT_EQ(run.exitCode, row.exitCode) << row.args << "\n" << run.out;
        EXPECT_NE(run.out.find(row.out), std::string::npos) << row.args << "\n" << run.out;
    }
}
