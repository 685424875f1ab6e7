// porvik --wiring-test end to end: the built program, without a display, by its exit codes.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <set>
#include <string>

#include <nlohmann/json.hpp>

#include "temp_dir.h"

namespace {

struct Outcome {
    int exitCode = -1;
    std::string out, err;
};

std::string ReadFile(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// `shell` runs first in the same shell (a resource limit, say).
Outcome Porvik(const std::string& args, const std::string& env = "-u PORVIK_PORT", const std::string& shell = "")
{
    // No display of any kind: a production bench may have none. A run that blocks fails, not hangs.
    TempDir errors;
    const std::string errFile = (errors.Path() / "err").string();
    const std::string command = shell + "env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM " + env +
                                " timeout 20 " PORVIK_PATH " " + args + " 2>" + errFile;
    Outcome run;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return run;
    char buffer[4096];
    while (std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe))
        run.out.append(buffer, n);
    const int status = pclose(pipe);
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.err = ReadFile(errFile);
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
        {"--wiring-test --port=/nonexistent/parport9", 3, "结论: 未测试"},
        {"--wiring-test --port=virtual:flaky=2-15:0.05,seed=3 --repeat 20", 1, "PIN2    PIN15   失败"},
        // A map that cannot be tested is the settings' fault, and the file's words are shown.
        {"--wiring-test --port=virtual --cable qorel", 4, "警告: 第 3 行 \"MOSI=2\": 与 OE 同用 PIN2",
         "[引脚控制]\nMSOI=5\nMOSI=2\n"},
        {"--wiring-test --port=virtual:open=2-15,open=14-12,short=14-15 --cable qorel", 0,
         "警告: 第 2 行 \"MSOI=5\": [引脚控制] 中没有 \"MSOI\" 这一项", "[引脚控制]\nMSOI=5\n"},
    };
    for (const Row& row : rows) {
        TempDir config; // no settings file but the row's
        if (*row.settings) {
            std::filesystem::create_directories(config.Path() / "porvik");
            std::ofstream(config.Path() / "porvik" / "QorelIsp.ini", std::ios::binary) << row.settings;
        }
        const Outcome run = Porvik(row.args, "-u PORVIK_PORT XDG_CONFIG_HOME=" + config.Path().string() +
                                                 " XDG_CONFIG_DIRS=" + config.Path().string());
        EXPECT_EQ(run.exitCode, row.exitCode) << row.args << "\n" << run.out;
        EXPECT_NE(run.out.find(row.out), std::string::npos) << row.args << "\n" << run.out;
    }
}

TEST(WiringCommand, PortAndSettlingTimeFromTheSettingsFile)
{
    TempDir home;
    std::filesystem::create_directories(home.Path().string() + "/porvik");
    auto settings = [&](const std::string& entries) {
        std::ofstream(home.Path().string() + "/porvik/QorelIsp.ini") << "[端口]\n" << entries;
        return "-u PORVIK_PORT XDG_CONFIG_HOME=" + home.Path().string();
    };
    struct Row {
        const char* entries;
        const char* env; // besides the settings file
        const char* args;
        int exitCode;
    };
    const Row rows[] = {
        {"Port=virtual:open=2-15\n", "", "--wiring-test", 1},            // the file's port
        {"Port=virtual:open=2-15\n", "", "--wiring-test --port=virtual", 0}, // the option wins
        {"Port=virtual:open=2-15\n", "PORVIK_PORT=virtual", "--wiring-test", 0},
        {"Port=virtual\nSettleUs=30\n", "", "--wiring-test", 0},
        {"Port=virtual\n", "", "--wiring-test --settle-us 30", 0},
        {"Port=direct:0xD011\n", "", "--wiring-test", 4},                // settings error
        {"Port=virtual\nSettleUs=abc\n", "", "--wiring-test", 4},
        {"", "", "--wiring-test --port=virtual --settle-us 100001", 2},   // usage errors
        {"", "", "--wiring-test --port=direct:0x12", 2},
        {"", "PORVIK_PORT=direct:0xD01", "--wiring-test", 2},
    };
    for (const Row& row : rows) {
        const Outcome run = Porvik(row.args, settings(row.entries) + " " + row.env);
        EXPECT_EQ(run.exitCode, row.exitCode) << row.entries << row.env << " " << row.args << "\n" << run.out;
    }
}

namespace {

// The record's fields as README and man porvik give them: each with its JSON type.
enum class Type { String, Integer, Boolean, Array, Object, StringOrNull, IntegerOrNull, ObjectOrNull };
struct Field {
    const char* name;
    Type type;
};
constexpr Field kReportFields[] = {
    {"schema", Type::String},          {"schemaVersion", Type::Integer},  {"program", Type::String},
    {"programVersion", Type::String},  {"date", Type::String},            {"label", Type::StringOrNull},
    {"port", Type::String},            {"portKind", Type::String},        {"portBase", Type::IntegerOrNull},
    {"portModes", Type::StringOrNull}, {"virtualPort", Type::Boolean},    {"cable", Type::StringOrNull},
    {"wiring", Type::String},          {"mapSource", Type::String},       {"pinMap", Type::ObjectOrNull},
    {"settingsWarnings", Type::Array}, {"repeated", Type::Boolean},       {"runs", Type::Integer},
    {"failedRuns", Type::Integer},     {"wires", Type::Array},            {"portFailure", Type::StringOrNull},
    {"settingsError", Type::StringOrNull}, {"verdict", Type::String},     {"verdictCode", Type::String},
    {"summary", Type::String},
};
constexpr Field kWireFields[] = {
    {"output", Type::Integer},  {"input", Type::Integer},         {"expected", Type::Boolean},
    {"verdict", Type::String},  {"verdictCode", Type::String},    {"intermittent", Type::Boolean},
    {"reading", Type::String},  {"failedRuns", Type::Integer},
};

bool HasType(const nlohmann::json& v, Type t)
{
    switch (t) {
    case Type::String: return v.is_string();
    case Type::Integer: return v.is_number_integer();
    case Type::Boolean: return v.is_boolean();
    case Type::Array: return v.is_array();
    case Type::Object: return v.is_object();
    case Type::StringOrNull: return v.is_null() || v.is_string();
    case Type::IntegerOrNull: return v.is_null() || v.is_number_integer();
    case Type::ObjectOrNull: return v.is_null() || v.is_object();
    }
    return false;
}

// Every field of the schema with its type and nothing else; the verdict codes from their set.
std::string SchemaProblems(const std::string& text)
{
    const nlohmann::json r = nlohmann::json::parse(text, nullptr, false);
    if (r.is_discarded() || !r.is_object())
        return "not a JSON object";
    std::string problems;
    auto check = [&](const nlohmann::json& object, const auto& fields, const std::string& where) {
        if (object.size() != std::size(fields))
            problems += where + ": " + std::to_string(object.size()) + " fields\n";
        for (const Field& f : fields)
            if (!object.contains(f.name) || !HasType(object[f.name], f.type))
                problems += where + "." + f.name + "\n";
    };
    check(r, kReportFields, "report");
    if (!problems.empty())
        return problems;
    if (r["schema"] != "porvik-wiring-report" || r["schemaVersion"] != 2 || r["program"] != "Porvik")
        problems += "schema or program\n";
    const std::set<std::string> codes{"pass", "fail", "untested", "port-failed", "settings-error"};
    if (!codes.count(r["verdictCode"].get<std::string>()))
        problems += "verdictCode\n";
    for (const auto& w : r["wires"]) {
        check(w, kWireFields, "wire");
        if (w.is_object() && w.contains("verdictCode") && w["verdictCode"].is_string() &&
            !std::set<std::string>{"pass", "fail", "untested"}.count(w["verdictCode"].get<std::string>()))
            problems += "wire verdictCode\n";
    }
    for (const auto& m : r["pinMap"].is_object() ? r["pinMap"] : nlohmann::json::object())
        if (!m.is_number_integer())
            problems += "pinMap value\n";
    return problems;
}

} // namespace

TEST(WiringCommand, ReportsAreSafeToFileAndReadBackAgainstTheirSchema)
{
    const std::string oldReport = "{\"wiring\": \"标准回环插头\", \"verdict\": \"通过\"}\n";
    const std::string list = "CHIPLIST v1\nAT89C51;Atmel\n";
    struct Row {
        const char* what;
        std::function<void(const std::filesystem::path& report)> make; // what lies at the path first
        const char* args;  // besides --wiring-test --report PATH
        const char* shell; // run before porvik in its shell
        int exitCode;
        bool ran;             // the test ran (its table was printed)
        const char* reason;   // part of standard error; empty: none
        const char* verdictCode; // of the report written; nullptr: none written, the old content kept
    };
    auto write = [](const std::string& bytes) {
        return [bytes](const std::filesystem::path& p) { std::ofstream(p, std::ios::binary) << bytes; };
    };
    const Row rows[] = {
        {"new file", {}, "--port=virtual --label 'SN 0042'", "", 0, true, "", "pass"},
        {"old report replaced", write(oldReport), "--port=virtual:open=2-15 --cable qorel", "", 1, true, "", "fail"},
        {"no port", {}, "--port=/nonexistent/parport9", "", 3, true, "", "untested"},
        {"repeat", {}, "--port=virtual:flaky=2-15:0.05,seed=3 --repeat 10", "", 1, true, "", "fail"},
        {"another file kept", write(list), "--port=virtual", "", 5, false, "不是 Porvik 的报告", nullptr},
        {"symbolic link",
         [&](const std::filesystem::path& p) {
             std::ofstream(p.string() + ".target", std::ios::binary) << oldReport;
             std::filesystem::create_symlink(p.filename().string() + ".target", p);
         },
         "--port=virtual", "", 5, false, "符号链接", nullptr},
        {"pipe", [](const std::filesystem::path& p) { mkfifo(p.c_str(), 0600); }, "--port=virtual", "", 5, false,
         "不是普通文件", nullptr},
        {"folder", [](const std::filesystem::path& p) { std::filesystem::create_directory(p); }, "--port=virtual", "",
         5, false, "是一个文件夹", nullptr},
        {"no such folder", {}, "--port=virtual", "", 5, false, "所在的文件夹不存在", nullptr},
        {"failing write", write(oldReport), "--port=virtual", "ulimit -f 1; ", 5, true, "文件超过大小限制(EFBIG)",
         nullptr},
    };
    for (const Row& row : rows) {
        TempDir dir;
        const std::filesystem::path report =
            std::string(row.what) == "no such folder" ? dir.Path() / "missing" / "r.json" : dir.Path() / "r.json";
        if (row.make)
            row.make(report);
        const std::string before = std::filesystem::is_regular_file(report) ? ReadFile(report) : "";
        const Outcome run = Porvik(std::string("--wiring-test --report ") + report.string() + " " + row.args,
                                   "-u PORVIK_PORT XDG_CONFIG_HOME=" + dir.Path().string(), row.shell);
        EXPECT_EQ(run.exitCode, row.exitCode) << row.what << "\n" << run.out << run.err;
        EXPECT_EQ(run.out.find("结论: ") != std::string::npos, row.ran) << row.what << "\n" << run.out;
        EXPECT_NE(run.err.find(row.reason), std::string::npos) << row.what << "\n" << run.err;
        if (!row.verdictCode) {
            // Nothing written where it was refused or failed: what was there is there still.
            if (std::filesystem::is_regular_file(report)) {
                EXPECT_EQ(ReadFile(report), before) << row.what;
            }
            if (std::filesystem::is_symlink(report)) {
                EXPECT_EQ(ReadFile(report.string() + ".target"), oldReport) << row.what;
            }
            continue;
        }
        ASSERT_TRUE(std::filesystem::is_regular_file(std::filesystem::symlink_status(report))) << row.what;
        const std::string text = ReadFile(report);
        EXPECT_EQ(SchemaProblems(text), "") << row.what << "\n" << text;
        const nlohmann::json r = nlohmann::json::parse(text, nullptr, false);
        if (r.is_discarded())
            continue;
        EXPECT_EQ(r.value("verdictCode", ""), row.verdictCode) << row.what;
        EXPECT_EQ(r.value("summary", ""), run.out.substr(run.out.rfind("结论: "), run.out.size() - run.out.rfind("结论: ") - 1))
            << row.what;
        if (std::string(row.what) == "new file") {
            EXPECT_EQ(r["label"], "SN 0042");
        }
        if (std::string(row.what) == "old report replaced") {
            EXPECT_EQ(r["cable"], "qorel");
            EXPECT_EQ(r["pinMap"]["MOSI"], 14);
        }
    }
}
