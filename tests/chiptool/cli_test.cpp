// chiptool end to end: the built program run on real files in a temporary directory.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <bit>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace fs = std::filesystem;

namespace {

using Bytes = std::string;  // file images; std::string compares and prints easily

struct Rec {
    std::string name;  // raw name bytes (GBK), up to 20
    std::uint8_t fid = 0;
    std::int32_t romKb = 0;
    float voltage = 0;
    std::uint8_t sig[3] = {0, 0, 0};
    std::uint8_t pad = 0;  // value written into all four padding bytes
};

void PutLe32(Bytes& b, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i) b += static_cast<char>((v >> (8 * i)) & 0xff);
}

Bytes RecordBytes(const Rec& r)
{
    Bytes b(20, '\0');
    std::memcpy(b.data(), r.name.data(), std::min<std::size_t>(r.name.size(), 20));
    b += static_cast<char>(r.fid);
    b.append(3, static_cast<char>(r.pad));
    PutLe32(b, static_cast<std::uint32_t>(r.romKb));
    PutLe32(b, std::bit_cast<std::uint32_t>(r.voltage));
    for (std::uint8_t s : r.sig) b += static_cast<char>(s);
    b += static_cast<char>(r.pad);
    return b;
}

Bytes Image(const std::vector<Rec>& recs, std::uint32_t version = 1, std::int64_t count = -1)
{
    Bytes b;
    PutLe32(b, version);
    PutLe32(b, static_cast<std::uint32_t>(count < 0 ? static_cast<std::int64_t>(recs.size()) : count));
    for (const Rec& r : recs) b += RecordBytes(r);
    return b;
}

Rec R(std::string name, std::uint8_t fid, std::uint8_t s0, std::uint8_t s1, std::uint8_t s2, std::uint8_t pad = 0)
{
    Rec r;
    r.name = std::move(name);
    r.fid = fid;
    r.romKb = 8;
    r.voltage = 5.0f;
    r.sig[0] = s0;
    r.sig[1] = s1;
    r.sig[2] = s2;
    r.pad = pad;
    return r;
}

struct RunResult {
    int code = -1;
    std::string out;
    std::string err;
};

class ChiptoolCli : public ::testing::Test {
protected:
    void SetUp() override
    {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        m_dir = fs::temp_directory_path() / ("chiptool_cli_" + std::to_string(::getpid()) + "_" + info->name());
        fs::remove_all(m_dir);
        fs::create_directories(m_dir);
    }
    void TearDown() override { fs::remove_all(m_dir); }

    std::string P(const std::string& name) const { return (m_dir / name).string(); }

    void Write(const std::string& name, const Bytes& content) const
    {
        std::ofstream f(P(name), std::ios::binary);
        f.write(content.data(), static_cast<std::streamsize>(content.size()));
    }
    Bytes Read(const std::string& name) const
    {
        std::ifstream f(P(name), std::ios::binary);
        return Bytes((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
    }

    // Runs the program with `input` as standard input and, when `sizeLimitKb` is given, under that
    // file-size limit (set by the shell, as a user would).
    RunResult Chiptool(const std::vector<std::string>& args, const std::string& input = "/dev/null",
                       int sizeLimitKb = 0, int memoryLimitKb = 0) const
    {
#if defined(__SANITIZE_ADDRESS__)
        // The sanitizer's shadow memory does not fit an address-space limit: the run still shows
        // what chiptool says, only the bound on its memory goes untested there.
        memoryLimitKb = 0;
#endif
        const std::string outPath = P(".stdout"), errPath = P(".stderr");
        posix_spawn_file_actions_t fa;
        posix_spawn_file_actions_init(&fa);
        posix_spawn_file_actions_addopen(&fa, 0, input.c_str(), O_RDONLY, 0);
        posix_spawn_file_actions_addopen(&fa, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        posix_spawn_file_actions_addopen(&fa, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        std::vector<std::string> argvStore = {CHIPTOOL_PATH};
        if (sizeLimitKb > 0 || memoryLimitKb > 0)
            argvStore = {"/bin/sh", "-c",
                         (sizeLimitKb > 0 ? "ulimit -f " + std::to_string(sizeLimitKb) + "; " : std::string()) +
                             (memoryLimitKb > 0 ? "ulimit -v " + std::to_string(memoryLimitKb) + "; " : std::string()) +
                             "exec \"$0\" \"$@\"",
                         CHIPTOOL_PATH};
        argvStore.insert(argvStore.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (std::string& a : argvStore) argv.push_back(a.data());
        argv.push_back(nullptr);
        pid_t pid = 0;
        RunResult run;
        const int rc = posix_spawn(&pid, argv[0], &fa, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&fa);
        if (rc != 0) {
            ADD_FAILURE() << "cannot start " << CHIPTOOL_PATH << ": " << std::strerror(rc);
            return run;
        }
        int status = 0;
        waitpid(pid, &status, 0);
        run.code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        run.out = Read(".stdout");
        run.err = Read(".stderr");
        return run;
    }

    fs::path m_dir;
};

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// Records of every kind the editor can write, and texts that stress the CSV and JSON forms.
std::vector<Rec> AwkwardRecords()
{
    std::vector<Rec> v;
    v.push_back(R("AT89C51", 0x01, 0x1e, 0x51, 0xff));
    v.push_back(R("\xBA\xEA\xBE\xA7STC89C52", 0x04, 0xd0, 0xf0, 0x02));  // 宏晶STC89C52
    v.push_back(R("bad\xFF\x81 gbk", 0x05, 1, 2, 3));
    v.push_back(R("back\\slash\\", 0x06, 1, 2, 4));
    v.push_back(R("q\"uo,te\"", 0x07, 1, 2, 5));
    v.push_back(R("line\r\nbreak", 0x08, 1, 2, 6));
    v.push_back(R("\\x41", 0x09, 1, 2, 7));  // looks like an escape but is plain text
    v.push_back(R("Z", 0x80, 0, 0, 0));
    v.push_back(R(std::string(19, 'N'), 0xff, 0xff, 0xff, 0xff));
    const float volts[] = {3.3f, 12.0f, -0.0f, 1e-7f, 1e-40f,
                           -std::numeric_limits<float>::max(), std::numeric_limits<float>::denorm_min(),
                           std::numeric_limits<float>::max(), 0.1f, 2.7182817f};
    int i = 0;
    for (float f : volts) {
        Rec r = R("V" + std::to_string(i), 0x10, 0x10, 0x10, static_cast<std::uint8_t>(i));
        r.voltage = f;
        r.romKb = i % 2 ? -i * 1000 : std::numeric_limits<std::int32_t>::max() - i;
        v.push_back(r);
        ++i;
    }
    return v;
}

TEST_F(ChiptoolCli, ExportThenImportGivesTheSameFileByteForByte)
{
    const Bytes original = Image(AwkwardRecords());
    Write("in.chip", original);
    for (const std::string fmt : {"csv", "json"}) {
        const RunResult ex = Chiptool({"export", P("in.chip"), "--format", fmt});
        ASSERT_EQ(ex.code, 0) << ex.err;
        EXPECT_EQ(ex.err, "");
        Write("list." + fmt, ex.out);
        const RunResult im = Chiptool({"import", P("list." + fmt), "-o", P("back.chip")});
        ASSERT_EQ(im.code, 0) << im.err;
        EXPECT_EQ(Read("back.chip"), original) << fmt;
    }
    const RunResult csv = Chiptool({"export", P("in.chip")});
    EXPECT_TRUE(Contains(csv.out, "name,fid,rom_kb,voltage,signature\nAT89C51,01,8,5,1e 51 ff\n"));
    EXPECT_TRUE(Contains(csv.out, "\n宏晶STC89C52,04,8,5,d0 f0 02\n"));
    EXPECT_TRUE(Contains(csv.out, "\nbad\\xff\\x81 gbk,"));
    EXPECT_TRUE(Contains(csv.out, "\n\"q\"\"uo,te\"\"\",07,"));
    EXPECT_TRUE(Contains(csv.out, "\nline\\x0d\\x0abreak,"));
    EXPECT_TRUE(Contains(csv.out, "\n\\\\x41,09,"));
    EXPECT_TRUE(Contains(csv.out, ",3.3,10 10 00\n"));
    EXPECT_TRUE(Contains(csv.out, ",1e-07,10 10 03\n"));
}

// A spreadsheet opens `export --bom` as UTF-8 and runs none of its cells; import reads it back.
TEST_F(ChiptoolCli, ExportForSpreadsheetsImportsBackByteForByte)
{
    const Bytes original = Image({R("=cmd|' /C calc'!A0", 1, 2, 3, 4), R("\xBA\xEA\xBE\xA7", 2, 3, 4, 5), R("@A1", 3, 4, 5, 6)});
    Write("in.chip", original);
    const RunResult ex = Chiptool({"export", P("in.chip"), "--bom"});
    ASSERT_EQ(ex.code, 0) << ex.err;
    EXPECT_EQ(ex.out.rfind("\xEF\xBB\xBFname,fid,rom_kb,voltage,signature\n'=cmd|' /C calc'!A0,", 0), 0u) << ex.out;
    EXPECT_TRUE(Contains(ex.out, "\n宏晶,02,") && Contains(ex.out, "\n'@A1,03,")) << ex.out;
    Write("list.csv", ex.out);
    const RunResult im = Chiptool({"import", P("list.csv"), "-o", P("back.chip")});
    ASSERT_EQ(im.code, 0) << im.err;
    EXPECT_EQ(Read("back.chip"), original);

    for (const std::vector<std::string>& refused : {std::vector<std::string>{"export", P("in.chip"), "--bom", "--format", "json"},
                                                    std::vector<std::string>{"import", P("list.csv"), "-o", P("x.chip"), "--bom"}}) {
        const RunResult run = Chiptool(refused);
        EXPECT_EQ(run.code, 2) << run.err;
        EXPECT_TRUE(Contains(run.err, "--bom is taken by export as CSV only")) << run.err;
    }
}

TEST_F(ChiptoolCli, ImportIgnoresPaddingOfNothingAndZeroesIt)
{
    // Records read from a file with non-zero padding come back from text with zero padding,
    // as the editor builds them; everything else is the same.
    Rec padded = R("PAD", 1, 2, 3, 4, 0xEE);
    Write("in.chip", Image({padded}));
    const RunResult ex = Chiptool({"export", P("in.chip")});
    Write("t.csv", ex.out);
    ASSERT_EQ(Chiptool({"import", P("t.csv"), "-o", P("out.chip")}).code, 0);
    padded.pad = 0;
    EXPECT_EQ(Read("out.chip"), Image({padded}));
}

TEST_F(ChiptoolCli, ShowPrintsTheWindowColumns)
{
    Rec cn = R("\xBA\xEA\xBE\xA7\xFF", 0x07, 0x1e, 0x52, 0x06);
    cn.voltage = 3.3f;
    cn.romKb = 64;
    Write("in.chip", Image({R("ABC", 0x07, 0x1e, 0x52, 0x06), cn}));
    const RunResult run = Chiptool({"show", P("in.chip")});
    ASSERT_EQ(run.code, 0) << run.err;
    EXPECT_EQ(run.out,
              "序号  器件名称              FID  ROM      编程电压  特征字\n"
              "0000  ABC                   07   8K       5.00V     1e 52 06\n"
              "0001  宏晶\xEF\xBF\xBD                 07   64K      3.30V     1e 52 06\n");
}

TEST_F(ChiptoolCli, BadRowsAreReportedAndNothingIsWritten)
{
    Write("bad.csv",
          "name,fid,rom_kb,voltage,signature\n"
          "ok,01,1,5,00 00 00\n"
          "x,0x1,1,5,00 00 00\n"
          "y,01,one,5,00 00 00\n"
          "twentybytes_name_xx,01,1,5,00 00 00\n"  // 19 bytes: fine
          "twentybytes_name_xxx,01,1,5,00 00 00\n"
          "z,01,1,5\n");
    Write("out.chip", "keep me");
    const RunResult run = Chiptool({"import", P("bad.csv"), "-o", P("out.chip")});
    EXPECT_EQ(run.code, 1);
    for (const char* line : {"line 3: 请输入正确的FID! \"0x1\"", "line 4: 请输入一个整数。", "line 6: 名称字符串过长!", "line 7:"})
        EXPECT_TRUE(Contains(run.err, line)) << line << "\n" << run.err;
    EXPECT_FALSE(Contains(run.err, "line 5"));
    EXPECT_EQ(Read("out.chip"), "keep me");

    Write("bad.json", R"([{"name":"ok","fid":"01","rom_kb":1,"voltage":5,"signature":"00 00 00"},
                           {"name":"ok","fid":"01","rom_kb":1,"voltage":"volts","signature":"00 00 00"}])");
    const RunResult json = Chiptool({"import", P("bad.json"), "-o", P("new.chip")});
    EXPECT_EQ(json.code, 1);
    EXPECT_TRUE(Contains(json.err, "element 1: 请输入一个数字。")) << json.err;
    EXPECT_FALSE(fs::exists(P("new.chip")));
}

// A wrong input costs a bounded amount of memory: the first bad rows are shown and the rest
// counted, and a NUL byte (no list text holds one) ends the reading at once.
TEST_F(ChiptoolCli, ImportOfAWrongInputStaysBounded)
{
    std::string csv = "name,fid,rom_kb,voltage,signature\n";
    for (int i = 0; i < 60; ++i) csv += "x,zz,1,5,00 00 00\n";
    Write("bad.csv", csv);
    const RunResult bad = Chiptool({"import", P("bad.csv"), "-o", P("out.chip")});
    EXPECT_EQ(bad.code, 1);
    EXPECT_TRUE(Contains(bad.err, "line 51: ")) << bad.err;
    EXPECT_FALSE(Contains(bad.err, "line 52:")) << bad.err;
    EXPECT_TRUE(Contains(bad.err, "10 more bad rows")) << bad.err;
    EXPECT_TRUE(Contains(bad.err, "60 bad rows; nothing written")) << bad.err;

    for (const char* format : {"csv", "json"}) {
        const RunResult zero = Chiptool({"import", "-", "--format", format, "-o", P("out.chip")}, "/dev/zero", 0, 262144);
        EXPECT_EQ(zero.code, 1) << format << zero.err;
        EXPECT_TRUE(Contains(zero.err, "byte 0 is NUL")) << zero.err;
    }

    // Far more text of bad rows than the memory limit would hold: it is read as it comes.
    constexpr int kRows = 2000000;
    struct Many {
        const char* file;
        std::string head, row, separator, tail, lastShown;
    };
    for (const Many& m : {Many{"many.csv", "name,fid,rom_kb,voltage,signature\n", "x,zz,1,5,00 00 00\n", "", "", "line 51: "},
                          Many{"many.json", "[", R"({"unknown_key_here":1})", ",", "]", "element 49: "}}) {
        {
            std::ofstream f(P(m.file), std::ios::binary);
            f << m.head;
            for (int i = 0; i < kRows; ++i) f << (i > 0 ? m.separator : "") << m.row;
            f << m.tail;
        }
        const RunResult many = Chiptool({"import", P(m.file), "-o", P("out.chip")}, "/dev/null", 0, 32768);
        EXPECT_EQ(many.code, 1) << m.file << many.err;
        EXPECT_TRUE(Contains(many.err, m.lastShown)) << many.err;
        EXPECT_TRUE(Contains(many.err, std::to_string(kRows) + " bad rows; nothing written")) << many.err;
        fs::remove(P(m.file));
    }
    EXPECT_FALSE(fs::exists(P("out.chip")));

    // Blank lines and whitespace between records, far more than the memory limit would hold.
    const std::string blank(std::size_t{1} << 20, '\n'), spaces(std::size_t{1} << 20, ' ');
    struct Blank {
        const char* file;
        std::string head, filler, row, tail;
    };
    for (const Blank& b : {Blank{"blank.csv", "name,fid,rom_kb,voltage,signature\n", blank, "A,01,8,5,00 00 01\n", ""},
                           Blank{"blank.json", "[", spaces + blank, R"({"name":"A","fid":"01","rom_kb":8,"voltage":5,"signature":"00 00 01"})", "]"}}) {
        {
            std::ofstream f(P(b.file), std::ios::binary);
            f << b.head;
            for (int i = 0; i < 24; ++i) f << b.filler;
            f << b.row;
            for (int i = 0; i < 24; ++i) f << b.filler;
            f << b.tail;
        }
        const RunResult run = Chiptool({"import", P(b.file), "-o", P("out.chip")}, "/dev/null", 0, 32768);
        EXPECT_EQ(run.code, 0) << b.file << run.err;
        EXPECT_EQ(Read("out.chip"), Image({R("A", 1, 0, 0, 1)})) << b.file;
        fs::remove(P(b.file));
    }
}

// A device the editor would refuse is refused on import and flagged where it is stored already.
TEST_F(ChiptoolCli, RecordsTheEditorRefusesAreRefusedAndFlagged)
{
    Write("e.csv", "name,fid,rom_kb,voltage,signature\n,01,1,5,00 00 00\nA,01,1,nan,00 00 00\n");
    const RunResult run = Chiptool({"import", P("e.csv"), "-o", P("e.chip")});
    EXPECT_EQ(run.code, 1);
    EXPECT_TRUE(Contains(run.err, "line 2: 请输入器件名称!")) << run.err;
    EXPECT_TRUE(Contains(run.err, "line 3: 请输入一个数字。")) << run.err;
    EXPECT_FALSE(fs::exists(P("e.chip")));

    Rec inf = R("INF", 1, 2, 3, 4);
    inf.voltage = std::numeric_limits<float>::infinity();
    Write("stored.chip", Image({R("", 1, 2, 3, 4), R("OK", 1, 2, 3, 5), inf}));
    const RunResult check = Chiptool({"check", P("stored.chip")});
    EXPECT_EQ(check.code, 1);
    EXPECT_TRUE(Contains(check.out, "record 0000: the editor refuses it: 请输入器件名称!")) << check.out;
    EXPECT_TRUE(Contains(check.out, "record 0002: the editor refuses it: 请输入一个数字。")) << check.out;
    EXPECT_TRUE(Contains(check.out, "3 records, 2 findings")) << check.out;
    const RunResult ex = Chiptool({"export", P("stored.chip")});
    EXPECT_TRUE(Contains(ex.err, "record 0000: the editor refuses it (请输入器件名称!); import will refuse it")) << ex.err;
}

TEST_F(ChiptoolCli, MergeKeepsOrderAndRecordBytesAndDropsLaterDuplicates)
{
    const Rec a = R("A", 1, 1, 1, 1, 0x11), b = R("B", 2, 2, 2, 2, 0x22), a2 = R("A", 9, 1, 1, 1, 0x33),
              c = R("C", 3, 3, 3, 3, 0x44), lowerA = R("a", 1, 1, 1, 1);
    Write("one.chip", Image({a, b}));
    Write("two.chip", Image({a2, c, lowerA, b}));
    RunResult run = Chiptool({"merge", P("one.chip"), P("two.chip"), "-o", P("m.chip")});
    ASSERT_EQ(run.code, 0) << run.err;
    EXPECT_EQ(Read("m.chip"), Image({a, b, c, lowerA}));
    EXPECT_TRUE(Contains(run.err, "2 duplicates removed")) << run.err;

    run = Chiptool({"merge", P("one.chip"), P("two.chip"), "--keep-duplicates", "-o", P("k.chip")});
    ASSERT_EQ(run.code, 0) << run.err;
    EXPECT_EQ(Read("k.chip"), Image({a, b, a2, c, lowerA, b}));

    // The output may be one of the inputs.
    run = Chiptool({"merge", P("one.chip"), P("two.chip"), "-o", P("one.chip")});
    ASSERT_EQ(run.code, 0) << run.err;
    EXPECT_EQ(Read("one.chip"), Image({a, b, c, lowerA}));
}

TEST_F(ChiptoolCli, DedupeAndTidyReplaceTheInputInPlace)
{
    const Rec r1 = R("X", 0x02, 0x00, 0x00, 0x00, 0x5A), r2 = R("Y", 0x01, 0x00, 0x00, 0x05),
              r3 = R("Z", 0x01, 0x05, 0x00, 0x00), r4 = R("X", 0x7f, 0x00, 0x00, 0x00), r5 = R("W", 0x80, 0, 0, 0);
    // Trailing bytes are dropped by a rewrite only when asked for, with a word about it.
    Write("l.chip", Image({r5, r1, r2, r3, r4}) + "junk");
    RunResult run = Chiptool({"dedupe", P("l.chip"), "-o", P("l.chip"), "--drop-unread"});
    ASSERT_EQ(run.code, 0) << run.err;
    EXPECT_TRUE(Contains(run.err, "4 bytes after the counted records ignored")) << run.err;
    EXPECT_EQ(Read("l.chip"), Image({r5, r1, r2, r3}));

    run = Chiptool({"tidy", P("l.chip"), "-o", P("l.chip")});
    ASSERT_EQ(run.code, 0) << run.err;
    // fid first, then signature byte 3 before byte 1; the key is unsigned (0x80 last).
    EXPECT_EQ(Read("l.chip"), Image({r3, r2, r1, r5}));
}

// What the reader did not take is lost when the output replaces the input, so that needs asking.
TEST_F(ChiptoolCli, ReplacingAnInputThatWasNotAllReadIsRefused)
{
    const std::vector<Rec> ten(10, R("A", 1, 1, 1, 1));
    const Bytes whole = Image(ten);
    struct Case {
        const char* what;
        Bytes content;
        std::vector<std::string> command;  // the input and output are added
    };
    const Case cases[] = {
        {"count -1 over 10 records", Image(ten, 1, 0xFFFFFFFF), {"dedupe"}},
        {"count 3 over 10 records", Image(ten, 1, 3), {"tidy"}},
        {"4 trailing bytes", whole + "junk", {"merge", "--keep-duplicates"}},
        {"count 12, a part of the 11th record", Image(ten, 1, 12) + "part", {"dedupe"}},
        {"shorter than the header", Bytes("\x01\x00", 2), {"tidy"}},
    };
    for (const Case& c : cases) {
        Write("in.chip", c.content);
        fs::remove(P("link.chip"));
        fs::create_hard_link(P("in.chip"), P("link.chip"));
        for (const std::string out : {"in.chip", "link.chip"}) {
            std::vector<std::string> args = c.command;
            args.insert(args.begin() + 1, P("in.chip"));
            args.insert(args.end(), {"-o", P(out)});
            const RunResult run = Chiptool(args);
            EXPECT_EQ(run.code, 1) << c.what << " -> " << out << "\n" << run.err;
            EXPECT_TRUE(Contains(run.err, "--drop-unread")) << c.what << run.err;
            EXPECT_EQ(Read("in.chip"), c.content) << c.what;
        }
        std::vector<std::string> elsewhere = c.command;
        elsewhere.insert(elsewhere.begin() + 1, P("in.chip"));
        elsewhere.insert(elsewhere.end(), {"-o", P("other.chip")});
        EXPECT_EQ(Chiptool(elsewhere).code, 0) << c.what;
        elsewhere.back() = P("in.chip");
        elsewhere.push_back("--drop-unread");
        EXPECT_EQ(Chiptool(elsewhere).code, 0) << c.what;
        EXPECT_EQ(Read("in.chip"), Read("other.chip")) << c.what;
    }
    // A whole file may be replaced without asking.
    Write("in.chip", whole);
    EXPECT_EQ(Chiptool({"dedupe", P("in.chip"), "-o", P("in.chip")}).code, 0);
    EXPECT_EQ(Read("in.chip"), Image({ten[0]}));
}

TEST_F(ChiptoolCli, DashAsOutputIsStandardOutput)
{
    const std::vector<Rec> recs = {R("B", 2, 2, 2, 2), R("A", 1, 1, 1, 1), R("A", 3, 1, 1, 1)};
    Write("in.chip", Image(recs));
    Write("in.csv", "name,fid,rom_kb,voltage,signature\nA,01,1,5,01 01 01\n");
    const struct {
        std::vector<std::string> args;
        Bytes expected;
    } cases[] = {
        {{"dedupe", P("in.chip"), "-o", "-"}, Image({recs[0], recs[1]})},
        {{"tidy", P("in.chip"), "--output=-"}, Image({recs[1], recs[0], recs[2]})},
        {{"merge", P("in.chip"), P("in.chip"), "-o", "-", "--keep-duplicates"}, Image({recs[0], recs[1], recs[2], recs[0], recs[1], recs[2]})},
    };
    for (const auto& c : cases) {
        const RunResult run = Chiptool(c.args);
        EXPECT_EQ(run.code, 0) << c.args[0] << run.err;
        EXPECT_EQ(run.out, c.expected) << c.args[0];
    }
    const RunResult imported = Chiptool({"import", P("in.csv"), "-o", "-"});
    EXPECT_EQ(imported.code, 0) << imported.err;
    EXPECT_EQ(imported.out.size(), 8u + 36u);
    EXPECT_FALSE(fs::exists(P("-")));
    EXPECT_FALSE(fs::exists("-"));
}

TEST_F(ChiptoolCli, CheckListsEveryFinding)
{
    Write("clean.chip", Image({R("A", 1, 1, 1, 1), R("B", 1, 1, 1, 1)}));
    RunResult run = Chiptool({"check", P("clean.chip")});
    EXPECT_EQ(run.code, 0) << run.out << run.err;
    EXPECT_TRUE(Contains(run.out, "2 records, no findings"));

    const std::vector<Rec> recs = {R("dup", 1, 1, 1, 1), R(std::string(20, 'L'), 1, 2, 2, 2),
                                   R("bad\xFF", 1, 3, 3, 3), R("dup", 2, 1, 1, 1), R("dup", 3, 1, 1, 1)};
    Write("odd.chip", Image(recs, 7) + "xy");
    run = Chiptool({"check", P("odd.chip")});
    EXPECT_EQ(run.code, 1);
    for (const char* f : {"version word is 7, not 1", "2 bytes after the counted records",
                          "record 0001: name has no NUL", "record 0002: name does not decode as GBK: \"bad\\xff\"",
                          "duplicates: records 0000, 0003, 0004 (name \"dup\", signature 01 01 01)", "5 records, 5 findings"})
        EXPECT_TRUE(Contains(run.out, f)) << f << "\n" << run.out;

    Write("short.chip", Image(recs, 1, 9));
    run = Chiptool({"check", P("short.chip")});
    EXPECT_EQ(run.code, 1);
    EXPECT_TRUE(Contains(run.out, "record count 9 is larger than the data: 5 complete records present")) << run.out;

    Write("neg.chip", Image({}, 1, 0xFFFFFFFF) + std::string(36, 'r'));
    run = Chiptool({"check", P("neg.chip")});
    EXPECT_EQ(run.code, 1);
    EXPECT_TRUE(Contains(run.out, "record count is negative (-1)")) << run.out;
    EXPECT_TRUE(Contains(run.out, "36 bytes after the counted records")) << run.out;

    Write("tiny.chip", Bytes("\x01\x00\x00", 3));
    run = Chiptool({"check", P("tiny.chip")});
    EXPECT_EQ(run.code, 1);
    EXPECT_TRUE(Contains(run.out, "3 bytes, shorter than the 8-byte header")) << run.out;
}

// A backup left by an interrupted in-place save, beside the list or in the temporary folder, is
// named by every command that reads the list, is a finding of check, and is kept by a save.
TEST_F(ChiptoolCli, BackupsOfInterruptedSavesAreNeverSilent)
{
    fs::create_directory(P("tmp"));
    ::setenv("TMPDIR", P("tmp").c_str(), 1);
    Write("list.chip", Image({R("A", 1, 1, 1, 1), R("B", 2, 2, 2, 2)}));
    const Bytes old = Image({R("OLD", 1, 1, 1, 1)});
    const std::string backups[] = {"list.chip.~0a1b2c3d.bak", "tmp/list.chip.~11112222.bak"};
    for (const std::string& b : backups) Write(b, old);
    Write("other.chip.~0a1b2c3d.bak", old);

    const RunResult show = Chiptool({"show", P("list.chip")});
    const RunResult check = Chiptool({"check", P("list.chip")});
    const RunResult tidy = Chiptool({"tidy", P("list.chip"), "-o", P("list.chip")});
    ::unsetenv("TMPDIR");
    EXPECT_EQ(show.code, 0) << show.err;
    EXPECT_EQ(check.code, 1) << check.out;
    EXPECT_TRUE(Contains(check.out, "2 records, 2 findings")) << check.out;
    EXPECT_EQ(tidy.code, 0) << tidy.err;
    for (const std::string& b : backups) {
        const std::string line = "a backup of an interrupted save lies at " + P(b) + "; it holds the list from before that save";
        EXPECT_TRUE(Contains(show.err, line)) << show.err;
        EXPECT_TRUE(Contains(check.out, line)) << check.out;
        EXPECT_TRUE(Contains(tidy.err, line + " (see it with chiptool show, copy it over the file to get it back); it was kept"))
            << tidy.err;
        EXPECT_EQ(Read(b), old) << b;
    }
    EXPECT_FALSE(Contains(show.err + check.out, "other.chip"));
}

TEST_F(ChiptoolCli, ShortFilesAreTakenAsFarAsTheyGoWithAWarning)
{
    const std::vector<Rec> recs = {R("A", 1, 1, 1, 1), R("B", 2, 2, 2, 2)};
    Write("short.chip", Image(recs, 1, 5) + std::string(20, 'p'));  // 2 records and a part of a third
    RunResult run = Chiptool({"show", P("short.chip")});
    EXPECT_EQ(run.code, 0);
    EXPECT_TRUE(Contains(run.err, "2 of 5 declared records taken")) << run.err;
    EXPECT_TRUE(Contains(run.out, "0001  B "));

    // A count whose size would overflow is no different.
    Write("huge.chip", Image(recs, 1, 0x7FFFFFFF));
    run = Chiptool({"dedupe", P("huge.chip"), "-o", P("fixed.chip")});
    EXPECT_EQ(run.code, 0);
    EXPECT_TRUE(Contains(run.err, "2 of 2147483647 declared records taken")) << run.err;
    EXPECT_EQ(Read("fixed.chip"), Image(recs));

    for (const Bytes& tiny : {Bytes(), Bytes("\x01\x00\x00\x00\x05", 5)}) {
        Write("tiny.chip", tiny);
        run = Chiptool({"export", P("tiny.chip")});
        EXPECT_EQ(run.code, 0);
        EXPECT_EQ(run.out, "name,fid,rom_kb,voltage,signature\n");
        EXPECT_TRUE(Contains(run.err, "shorter than the 8-byte header")) << run.err;
    }
}

TEST_F(ChiptoolCli, UsageErrorsAndIoErrorsHaveTheirOwnExitCodes)
{
    Write("a.chip", Image({R("A", 1, 1, 1, 1)}));
    Write("a.txt", "name,fid,rom_kb,voltage,signature\n");
    const std::vector<std::vector<std::string>> usage = {
        {},
        {"frobnicate", P("a.chip")},
        {"show"},
        {"show", P("a.chip"), P("a.chip")},
        {"dedupe", P("a.chip")},
        {"show", P("a.chip"), "-o", P("x.chip")},
        {"show", P("a.chip"), "--bogus"},
        {"export", P("a.chip"), "--format", "xml"},
        {"dedupe", P("a.chip"), "-o"},
        {"tidy", P("a.chip"), "--keep-duplicates", "-o", P("x.chip")},
        {"import", P("a.txt"), "-o", P("x.chip")},  // format unknown by extension
    };
    for (const auto& args : usage) {
        const RunResult run = Chiptool(args);
        EXPECT_EQ(run.code, 2) << (args.empty() ? "(none)" : args[0]) << " " << args.size() << "\n" << run.err;
        EXPECT_FALSE(run.err.empty());
    }
    EXPECT_FALSE(fs::exists(P("x.chip")));
    EXPECT_EQ(Chiptool({"import", P("a.txt"), "--format", "csv", "-o", P("x.chip")}).code, 0);

    EXPECT_EQ(Chiptool({"show", P("missing.chip")}).code, 3);
    EXPECT_EQ(Chiptool({"import", P("missing.csv"), "-o", P("y.chip")}).code, 3);
    EXPECT_EQ(Chiptool({"merge", P("a.chip"), P("missing.chip"), "-o", P("y.chip")}).code, 3);
    EXPECT_FALSE(fs::exists(P("y.chip")));
    const RunResult noDir = Chiptool({"tidy", P("a.chip"), "-o", P("no/such/dir/out.chip")});
    EXPECT_EQ(noDir.code, 3);
    EXPECT_TRUE(Contains(noDir.err, "cannot write")) << noDir.err;

    const RunResult help = Chiptool({"--help"});
    EXPECT_EQ(help.code, 0);
    EXPECT_TRUE(Contains(help.out, "Exit codes"));
    const RunResult version = Chiptool({"--version"});
    EXPECT_EQ(version.code, 0);
    EXPECT_EQ(version.out, "chiptool 1.0.0.1\n");
}

TEST_F(ChiptoolCli, StreamsAreReadAsFarAsTheirHeaderDeclares)
{
    const RunResult zero = Chiptool({"check", "-"}, "/dev/zero");
    EXPECT_EQ(zero.code, 1);  // a version word of 0 is a finding
    EXPECT_TRUE(Contains(zero.out, "0 records")) << zero.out;

    const Bytes list = Image({R("A", 1, 1, 1, 1), R("B", 2, 2, 2, 2)});
    ASSERT_EQ(::mkfifo(P("pipe").c_str(), 0600), 0);
    ::signal(SIGPIPE, SIG_IGN);  // the reader goes away before the writer is done
    std::thread writer([&] {
        std::ofstream f(P("pipe"), std::ios::binary);
        f << list << std::string(1 << 20, 'x');  // more than declared: never read
    });
    const RunResult piped = Chiptool({"show", "-"}, P("pipe"));
    writer.join();
    EXPECT_EQ(piped.code, 0) << piped.err;
    EXPECT_TRUE(Contains(piped.out, "0001  B ")) << piped.out;
}

TEST_F(ChiptoolCli, OutputOnlyReplacesRegularFilesAndFailsCleanly)
{
    Write("a.chip", Image(std::vector<Rec>(2000, R("A", 1, 1, 1, 1))));
    ASSERT_EQ(::mkfifo(P("fifo").c_str(), 0600), 0);
    const RunResult fifo = Chiptool({"tidy", P("a.chip"), "-o", P("fifo")});
    EXPECT_EQ(fifo.code, 3);
    EXPECT_TRUE(fs::is_fifo(P("fifo")));
    EXPECT_TRUE(Contains(fifo.err, "not a regular file")) << fifo.err;

    // A file-size limit is a write error like any other; no temporary file stays.
    Write("old.chip", Image({}));
    const RunResult limited = Chiptool({"tidy", P("a.chip"), "-o", P("old.chip")}, "/dev/null", 8);
    EXPECT_EQ(limited.code, 3) << limited.err;
    EXPECT_EQ(Read("old.chip"), Image({}));
    EXPECT_TRUE(Contains(limited.err, "File too large); the file is unchanged\n")) << limited.err;
    const RunResult fresh = Chiptool({"tidy", P("a.chip"), "-o", P("new.chip")}, "/dev/null", 8);
    EXPECT_EQ(fresh.code, 3);
    EXPECT_FALSE(Contains(fresh.err, "unchanged")) << fresh.err;
    for (const auto& entry : fs::directory_iterator(m_dir))
        EXPECT_EQ(entry.path().filename().string().find(".~"), std::string::npos) << entry.path();
}

// The diff output reduced to its marks and rows ("~ 0001") and the lines under them, one per line.
std::string DiffOutline(const std::string& out)
{
    std::string outline;
    std::size_t start = out.find('\n');  // the column titles
    while (start != std::string::npos && start + 1 < out.size()) {
        const std::size_t end = out.find('\n', start + 1);
        const std::string line = out.substr(start + 1, end - start - 1);
        outline += (line[0] == ' ' ? line : line.substr(0, 6)) + "\n";
        start = end;
    }
    return outline;
}

TEST_F(ChiptoolCli, DiffMarksAddedRemovedAndChangedDevices)
{
    const Rec a = R("A", 1, 1, 1, 1), b = R("B", 2, 2, 2, 2), c = R("C", 3, 3, 3, 3);
    Rec aFid = a, aRom = a, aVolt = a, aPad = R("A", 1, 1, 1, 1, 0x5A), aSig = R("A", 1, 1, 1, 9);
    aFid.fid = 0x0f;
    aRom.romKb = -4;
    aVolt.voltage = 5.001f;  // shows as 5.00V, like the old value
    aPad.name += std::string("\0junk", 5);  // bytes after the NUL: not the device
    struct Case {
        const char* what;
        std::vector<Rec> oldRecs, newRecs;
        int code;
        std::string outline;
    };
    const Case cases[] = {
        {"equal", {a, b}, {a, b}, 0, ""},
        {"reordered only", {a, b, c}, {c, a, b}, 0, ""},
        {"padding and bytes after the NUL", {a}, {aPad}, 0, ""},
        {"added", {a}, {b, a, c}, 1, "+ 0000\n+ 0002\n"},
        {"removed", {a, b, c}, {b}, 1, "- 0000\n- 0002\n"},
        {"signature is part of the key", {a}, {aSig}, 1, "+ 0000\n- 0000\n"},
        {"name case is part of the key", {a}, {R("a", 1, 1, 1, 1)}, 1, "+ 0000\n- 0000\n"},
        {"changed fields, exact", {b, a}, {aFid}, 1, "~ 0000\n    was 0001: FID 01 -> 0f\n- 0000\n"},
        {"changed ROM and voltage", {a, a}, {aRom, aVolt}, 1,
         "~ 0000\n    was 0000: ROM 8K -> -4K\n~ 0001\n    was 0001: 编程电压 5V -> 5.001V\n"},
        // Duplicates pair in order of occurrence: the new aFid meets the first old a.
        {"duplicates", {a, b, a}, {aFid, b}, 1, "~ 0000\n    was 0000: FID 01 -> 0f\n- 0002\n"},
        {"duplicates added", {a, c}, {a, c, a}, 1, "+ 0002\n"},
    };
    for (const Case& t : cases) {
        Write("old.chip", Image(t.oldRecs));
        Write("new.chip", Image(t.newRecs));
        const RunResult run = Chiptool({"diff", P("old.chip"), P("new.chip")});
        EXPECT_EQ(run.code, t.code) << t.what << "\n" << run.err;
        EXPECT_EQ(DiffOutline(run.out), t.outline) << t.what << "\n" << run.out;
        if (t.code == 0) {
            EXPECT_EQ(run.out, "") << t.what;
        }
    }

    // The lines are `show` lines; standard input may stand for one side.
    Write("old.chip", Image({a, b}));
    Write("new.chip", Image({c, a}));
    const RunResult run = Chiptool({"diff", "-", P("new.chip")}, P("old.chip"));
    EXPECT_EQ(run.code, 1);
    EXPECT_EQ(run.out,
              "  序号  器件名称              FID  ROM      编程电压  特征字\n"
              "+ 0000  C                     03   8K       5.00V     03 03 03\n"
              "- 0001  B                     02   8K       5.00V     02 02 02\n");
    EXPECT_EQ(run.err, "chiptool: 1 added, 1 removed, 0 changed\n");
}

TEST_F(ChiptoolCli, DiffUsageAndIoErrors)
{
    Write("a.chip", Image({R("A", 1, 1, 1, 1)}));
    const std::vector<std::vector<std::string>> usage = {
        {"diff", P("a.chip")},
        {"diff", P("a.chip"), P("a.chip"), P("a.chip")},
        {"diff", "-", "-"},
        {"merge", "-", P("a.chip"), "-", "-o", P("x.chip")},  // a pipe is read once: the second would be empty
        {"diff", P("a.chip"), P("a.chip"), "-o", P("x.chip")},
        {"diff", P("a.chip"), P("a.chip"), "--keep-duplicates"},
    };
    for (const auto& args : usage) EXPECT_EQ(Chiptool(args, P("a.chip")).code, 2) << args[0] << ' ' << args.size();
    EXPECT_FALSE(fs::exists(P("x.chip")));
    EXPECT_EQ(Chiptool({"diff", P("a.chip"), P("missing.chip")}).code, 3);
    EXPECT_EQ(Chiptool({"diff", P("missing.chip"), P("a.chip")}).code, 3);
    EXPECT_EQ(Chiptool({"diff", P("a.chip"), "-"}, P("a.chip")).code, 0);
}

TEST_F(ChiptoolCli, ShippedSampleIsTheImportOfItsCsv)
{
    const std::string samples = CHIPTOOL_SAMPLES_DIR;
    const RunResult run = Chiptool({"import", samples + "/sample.csv", "-o", P("s.chip")});
    ASSERT_EQ(run.code, 0) << run.err;
    std::ifstream f(samples + "/sample.chip", std::ios::binary);
    const Bytes shipped((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
    EXPECT_EQ(Read("s.chip"), shipped);
    EXPECT_EQ(Chiptool({"check", samples + "/sample.chip"}).code, 0);
}

}  // namespace
