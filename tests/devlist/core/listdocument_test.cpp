// The list document's flows (open, import, save, append, delete, modify, tidy) with scripted
// answers and file names: what the main window's buttons do, without the window.
#include "listdocument.h"
#include "listfile.h"

#include "chipfiles.h"
#include "largealloc.h"
#include "listops.h"
#include "scripted_chooser.h"
#include "windowtext.h"
#include "scripted_prompt.h"
#include "testutil.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/stat.h>

#include "filecalls_posix.h"
#endif

#include <chrono>
#include <fstream>
#include <functional>

namespace fs = std::filesystem;
using Answer = IPrompt::Answer;
using Buttons = IPrompt::Buttons;

namespace {

const char* const kAskSave = "是否保存当前器件列表?";
const char* const kAskDup = "发现重复器件! 是否删除重复?";
const char* const kOpenError = "打开文件发生错误!";
const char* const kSaveError = "保存文件发生错误!";

std::vector<std::string> NamesOf(const DeviceList& list)
{
    std::vector<std::string> out;
    for (const DeviceRecord* rec : list) out.emplace_back(RecordName(*rec));
    return out;
}

class ListDocumentTest : public ::testing::Test {
protected:
    ScriptedPrompt prompt;
    ScriptedChooser open, save;
    DeviceListDocument doc{prompt, open, save};
    int refills = 0;
    TempDir tmp;

    void SetUp() override { doc.SetRowsChanged([this] { ++refills; }); }

    fs::path Tmp(const char* name) const { return tmp / name; }
    std::size_t Rows() const { return doc.List().Count(); }

    void Open(const fs::path& path)
    {
        open.Queue(path);
        doc.Open();
    }

    std::vector<std::string> Names() const { return NamesOf(doc.List()); }
};

TEST_F(ListDocumentTest, SaveOfEmptyListWritesHeaderOnly)
{
    const fs::path file = Tmp("empty.chip");
    save.Queue(file);
    EXPECT_TRUE(doc.Save());
    EXPECT_EQ(save.calls, 1);
    EXPECT_EQ(ReadBytes(file), (std::vector<char>{1, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_FALSE(doc.IsModified());
}

TEST_F(ListDocumentTest, SaveRoundTripsAndClearsFlag)
{
    const fs::path src = Tmp("round.chip");
    auto recs = ThreeDevices();
    recs[0].pad1[1] = 0x5a;  // padding of read records is kept byte for byte
    WriteChip(src, recs);
    Open(src);
    doc.Delete(2);
    const fs::path dst = Tmp("round-out.chip");
    save.Queue(dst);
    EXPECT_TRUE(doc.Save());
    EXPECT_FALSE(doc.IsModified());
    WriteChip(src, {recs[0], recs[1]});
    EXPECT_EQ(ReadBytes(dst), ReadBytes(src));
}

TEST_F(ListDocumentTest, FailedSaveReportsAndKeepsModified)
{
    doc.Append(ThreeDevices()[0]);
    save.Queue(Tmp("no-such-dir") / "x.chip");
    EXPECT_FALSE(doc.Save());
    EXPECT_EQ(prompt.LastText(), kSaveError);
    EXPECT_TRUE(doc.IsModified());

    // A path under a regular file cannot be created either, even as root.
    const fs::path plain = Tmp("plainfile");
    WriteChip(plain, {});
    save.Queue(plain / "x.chip");
    EXPECT_FALSE(doc.Save());
    EXPECT_TRUE(doc.IsModified());
}

TEST_F(ListDocumentTest, DuplicatesOnOpenAreAskedAndLeaveListUnmodified)
{
    const fs::path file = Tmp("dups.chip");
    auto recs = ThreeDevices();
    auto dup = recs[0];
    dup.fid = 0x33;  // fid plays no part in the duplicate key
    recs.push_back(dup);
    WriteChip(file, recs);

    prompt.Queue(Answer::Yes);
    Open(file);
    EXPECT_EQ(prompt.LastText(), kAskDup);
    EXPECT_EQ(prompt.shown.back().buttons, Buttons::YesNo);
    EXPECT_EQ(Rows(), 3u);
    EXPECT_FALSE(doc.IsModified());

    ScriptedPrompt kPrompt;
    ScriptedChooser kOpen, kSave;
    DeviceListDocument k(kPrompt, kOpen, kSave);
    kPrompt.Queue(Answer::No);
    k.OpenFile(file);
    EXPECT_EQ(k.List().Count(), 4u);
    EXPECT_FALSE(k.IsModified());
    // No keeps them; the next refill asks again.
    kPrompt.Queue(Answer::No);
    k.Tidy();
    EXPECT_EQ(kPrompt.CountOf(kAskDup), 2);
    EXPECT_EQ(k.List().Count(), 4u);
    kPrompt.Queue(Answer::Yes);
    k.Refill();
    EXPECT_EQ(k.List().Count(), 3u);
    EXPECT_EQ(kPrompt.CountOf(kAskDup), 3);
}

TEST_F(ListDocumentTest, DuplicateCheckFollowsSingleChangesAfterOpen)
{
    // Whether the first change comes at once or after the index was built while idle, the check
    // after it must see the list as it is.
    const fs::path file = Tmp("dups2.chip");
    auto recs = ThreeDevices();
    recs.push_back(recs[1]);
    WriteChip(file, recs);
    for (bool idle : {false, true}) {
        ScriptedPrompt p;
        ScriptedChooser o, s;
        DeviceListDocument d(p, o, s);
        p.Queue(Answer::No);
        d.OpenFile(file);
        if (idle) d.EnsureIndex();
        d.Delete(3);  // takes the duplicate out: no question
        EXPECT_EQ(p.CountOf(kAskDup), 1);
        d.Append(recs[0]);  // a new duplicate: asked
        EXPECT_EQ(p.CountOf(kAskDup), 2);
        EXPECT_EQ(d.List().Count(), 4u);
    }
}

TEST_F(ListDocumentTest, ImportOfKnownRecordsThenYesLeavesListButModified)
{
    const fs::path file = Tmp("known.chip");
    WriteChip(file, ThreeDevices());
    Open(file);
    const auto before = Names();
    prompt.Queue(Answer::Yes);
    doc.Import(file);
    EXPECT_EQ(prompt.CountOf(kAskDup), 1);
    EXPECT_EQ(Names(), before);
    EXPECT_TRUE(doc.IsModified());
}

TEST_F(ListDocumentTest, ImportAppendsAndEdgeCases)
{
    const fs::path other = Tmp("other.chip");
    WriteChip(other, {MakeRecord("NEW1", 1, 1, 2, 3, 1, 1.0f), MakeRecord("NEW2", 1, 1, 2, 4, 1, 1.0f)});
    const fs::path zero = Tmp("zero.chip");
    WriteChip(zero, ThreeDevices(), 0);
    const fs::path base = Tmp("base.chip");
    WriteChip(base, ThreeDevices());

    Open(base);
    doc.Import(Tmp("missing.chip"));
    EXPECT_EQ(prompt.LastText(), kOpenError);
    EXPECT_EQ(Rows(), 3u);
    EXPECT_FALSE(doc.IsModified());

    doc.Import(zero);
    EXPECT_EQ(Rows(), 3u);
    EXPECT_TRUE(doc.IsModified());

    doc.Import(other);
    EXPECT_EQ(Rows(), 5u);
    EXPECT_EQ(Names()[3], "NEW1");
    EXPECT_EQ(prompt.CountOf(kAskDup), 0);
}

TEST_F(ListDocumentTest, AppendStoresACopyAndFindsItsDuplicate)
{
    DeviceRecord rec = ThreeDevices()[0];
    doc.Append(rec);
    EXPECT_TRUE(doc.IsModified());
    // The appended record is a copy: the caller's next use does not touch it.
    rec.fid = 0x77;
    EXPECT_EQ(doc.List()[0]->fid, 0x01);

    // Adding the same device again is found as a duplicate.
    prompt.Queue(Answer::Yes);
    doc.Append(*doc.List()[0]);
    EXPECT_EQ(prompt.CountOf(kAskDup), 1);
    EXPECT_EQ(Rows(), 1u);
}

TEST_F(ListDocumentTest, ModifyWithoutChangeStillRefillsAndMarks)
{
    const fs::path file = Tmp("mod.chip");
    WriteChip(file, ThreeDevices());
    Open(file);
    const int before = refills;
    doc.Modify(1, [](DeviceRecord&) {});  // the dialog was cancelled
    EXPECT_EQ(refills, before + 1);
    EXPECT_EQ(doc.List()[1]->romKb, -1);
    EXPECT_TRUE(doc.IsModified());
}

TEST_F(ListDocumentTest, ModifyIntoDuplicateAndDeleteOutOfIt)
{
    // The duplicate check after single changes must follow every record's old and new key.
    const fs::path file = Tmp("moddup.chip");
    WriteChip(file, ThreeDevices());
    Open(file);
    prompt.Queue(Answer::No);
    doc.Modify(2, [](DeviceRecord& rec) { rec = MakeRecord("AT89C51", rec.fid, 0x1e, 0x51, 0x06, rec.romKb, rec.voltage); });
    EXPECT_EQ(prompt.CountOf(kAskDup), 1);
    EXPECT_EQ(Names()[2], "AT89C51");
    EXPECT_TRUE(HasDuplicates(doc.List()));

    // Deleting one of the pair ends the question.
    prompt.Queue(Answer::No);
    doc.Delete(0);
    EXPECT_EQ(prompt.CountOf(kAskDup), 1);
    doc.Tidy();
    EXPECT_EQ(prompt.CountOf(kAskDup), 1);
    EXPECT_EQ(Rows(), 2u);
}

TEST_F(ListDocumentTest, TidySortsAndAlwaysMarks)
{
    doc.Tidy();
    EXPECT_EQ(Rows(), 0u);
    EXPECT_TRUE(doc.IsModified());

    const fs::path file = Tmp("tidy.chip");
    WriteChip(file, ThreeDevices());
    prompt.Queue(Answer::No);  // save first? no
    Open(file);
    EXPECT_FALSE(doc.IsModified());
    doc.Tidy();
    EXPECT_EQ(Names(), (std::vector<std::string>{"AT89C51", "SST89E516", "W78E52"}));
    EXPECT_TRUE(doc.IsModified());
}

// --- leaving or replacing the list never loses changes without the user's No ---

TEST_F(ListDocumentTest, SaveQuestionGoesOnOnlyAfterASave)
{
    EXPECT_TRUE(doc.SaveChangesFirst());  // unmodified: no question
    EXPECT_EQ(prompt.Count(), 0u);
    doc.Append(ThreeDevices()[0]);

    prompt.Queue(Answer::Yes);  // save dialog cancelled (empty queue)
    EXPECT_FALSE(doc.SaveChangesFirst());
    EXPECT_EQ(prompt.shown.front().buttons, Buttons::YesNoCancel);
    EXPECT_EQ(save.calls, 1);
    EXPECT_TRUE(doc.IsModified());

    prompt.Queue(Answer::Yes);
    save.Queue(Tmp("no-such-dir") / "x.chip");
    EXPECT_FALSE(doc.SaveChangesFirst());
    EXPECT_EQ(prompt.LastText(), kSaveError);

    prompt.Queue(Answer::Cancel);
    EXPECT_FALSE(doc.SaveChangesFirst());

    const fs::path ok = Tmp("exit-saved.chip");
    prompt.Queue(Answer::Yes);
    save.Queue(ok);
    EXPECT_TRUE(doc.SaveChangesFirst());
    EXPECT_EQ(ReadBytes(ok).size(), 44u);

    doc.Tidy();
    prompt.Queue(Answer::No);
    EXPECT_TRUE(doc.SaveChangesFirst());
    EXPECT_TRUE(doc.IsModified());
}

TEST_F(ListDocumentTest, OpenAfterYesWithCancelledSaveStops)
{
    const fs::path file = Tmp("open-y.chip");
    WriteChip(file, ThreeDevices());
    doc.Append(MakeRecord("MINE", 1, 1, 1, 1, 1, 1.0f));
    prompt.Queue(Answer::Yes);
    open.Queue(file);
    doc.Open();
    EXPECT_EQ(save.calls, 1);
    EXPECT_EQ(open.calls, 0);
    EXPECT_EQ(Names(), std::vector<std::string>{"MINE"});
    EXPECT_TRUE(doc.IsModified());

    prompt.Queue(Answer::Cancel);
    doc.Open();
    EXPECT_EQ(open.calls, 0);
    EXPECT_EQ(Names(), std::vector<std::string>{"MINE"});
}

TEST_F(ListDocumentTest, OpenCancelledOrUnreadableKeepsListAndFlag)
{
    doc.Append(MakeRecord("MINE", 1, 1, 1, 1, 1, 1.0f));

    prompt.Queue(Answer::No);
    doc.Open();  // open dialog cancelled
    EXPECT_EQ(open.calls, 1);
    EXPECT_EQ(Names(), std::vector<std::string>{"MINE"});
    EXPECT_TRUE(doc.IsModified());

    prompt.Queue(Answer::No);
    Open(Tmp("missing.chip"));
    EXPECT_EQ(prompt.LastText(), kOpenError);
    EXPECT_EQ(Names(), std::vector<std::string>{"MINE"});
    EXPECT_TRUE(doc.IsModified());

    // A directory opens but cannot be read.
    prompt.Queue(Answer::No);
    Open(tmp.Path());
    EXPECT_EQ(prompt.LastText(), "读取文件发生错误!");
    EXPECT_EQ(Names(), std::vector<std::string>{"MINE"});
    EXPECT_TRUE(doc.IsModified());

    // A FIFO would block the window for good, a device never ends: both refused at once.
#ifdef _WIN32
    const std::vector<fs::path> specials{"NUL"};
#else
    const fs::path fifo = Tmp("fifo.chip");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const fs::path device = Tmp("dev-zero.chip");
    fs::create_symlink("/dev/zero", device);
    const std::vector<fs::path> specials{fifo, device};
#endif
    for (const fs::path& special : specials) {
        prompt.Queue(Answer::No);
        Open(special);
        EXPECT_NE(prompt.LastText().find("不是普通文件"), std::string::npos);
        EXPECT_EQ(Names(), std::vector<std::string>{"MINE"});
    }

    // And a later exit still asks.
    prompt.Queue(Answer::Cancel);
    EXPECT_FALSE(doc.SaveChangesFirst());
    EXPECT_EQ(prompt.LastText(), kAskSave);
}

TEST_F(ListDocumentTest, OpenReplacesUnmodifiedList)
{
    const fs::path a = Tmp("a.chip");
    const fs::path b = Tmp("b.chip");
    WriteChip(a, ThreeDevices());
    WriteChip(b, {MakeRecord("ONLY", 1, 9, 9, 9, 1, 1.0f)});
    Open(a);
    Open(b);
    EXPECT_EQ(Names(), std::vector<std::string>{"ONLY"});
    EXPECT_FALSE(doc.IsModified());
    EXPECT_EQ(prompt.Count(), 0u);

    // After No the new file replaces the changed list, and the flag is cleared.
    doc.Tidy();
    prompt.Queue(Answer::No);
    Open(a);
    EXPECT_EQ(Rows(), 3u);
    EXPECT_FALSE(doc.IsModified());
}

TEST_F(ListDocumentTest, ShortFileOpensWithCounts)
{
    const fs::path file = Tmp("short.chip");
    WriteChip(file, ThreeDevices(), 5, 10);  // declares 5, holds 2 whole records and a piece
    Open(file);
    EXPECT_EQ(Rows(), 2u);
    ASSERT_EQ(prompt.Count(), 1u);
    EXPECT_EQ(prompt.LastText(), "文件不完整: 文件声明有 5 个器件, 只读入了其中完整的 2 个。");
    EXPECT_FALSE(doc.IsModified());

    const fs::path tiny = Tmp("tiny.chip");
    std::ofstream(tiny, std::ios::binary).write("\x01\x00\x00", 3);
    Open(tiny);
    EXPECT_EQ(Rows(), 0u);
    EXPECT_EQ(prompt.Count(), 2u);
    EXPECT_EQ(prompt.LastText(), "文件不完整: 文件头不足 8 个字节, 没有读入任何器件。");
}

// Forty devices R0..R39, the last a repeat of the first; the header declares one more than the
// file holds, so that a whole read also ends with the short-file message.
void FortyWithARepeat(const fs::path& file)
{
    std::vector<DeviceRecord> recs;
    for (int i = 0; i < 39; ++i)
        recs.push_back(MakeRecord("R" + std::to_string(i), static_cast<std::uint8_t>(i), 1, 2, static_cast<std::uint8_t>(i)));
    recs.push_back(recs[0]);
    WriteChip(file, recs, 41);
}

// Read in parts, the first shows at once with nothing asked; the questions and messages of the
// open come once, after the last part, and the list then is the one a whole read gives.
TEST_F(ListDocumentTest, AFileReadInPartsEndsAsAWholeRead)
{
    const fs::path file = Tmp("forty.chip");
    FortyWithARepeat(file);
    ScriptedPrompt wholePrompt;
    DeviceListDocument whole(wholePrompt, open, save);
    whole.SetLoadParts(0, 0);
    whole.OpenFile(file);

    doc.Append(MakeRecord("EARLIER", 1, 0, 0, 0));
    prompt.Queue(Answer::No);  // the save question
    doc.SetLoadParts(2, 16);
    Open(file);
    EXPECT_EQ(Rows(), 2u);
    EXPECT_TRUE(doc.Loading());
    EXPECT_EQ(prompt.Count(), 1u);
    EXPECT_FALSE(doc.IsModified());
    EXPECT_FALSE(doc.CanUndo());

    const int refillsBefore = refills;
    doc.DoIdleWork();
    EXPECT_EQ(Rows(), 18u);
    EXPECT_GT(refills, refillsBefore);
    EXPECT_EQ(prompt.Count(), 1u);
    int steps = 1;
    while (doc.Loading()) {
        doc.DoIdleWork();
        ASSERT_LT(++steps, 10);
    }
    EXPECT_EQ(steps, 3);
    EXPECT_EQ(Names(), NamesOf(whole.List()));
    EXPECT_EQ(prompt.CountOf(kAskDup), 1);
    EXPECT_EQ(prompt.LastText(), "文件不完整: 文件声明有 41 个器件, 只读入了其中完整的 40 个。");
    EXPECT_EQ(prompt.Count(), wholePrompt.Count() + 1);
    EXPECT_FALSE(doc.IsModified());
    EXPECT_FALSE(doc.CanUndo());
    EXPECT_TRUE(doc.HasIdleWork());  // the duplicate index, built when idle as after any open
    doc.DoIdleWork();
    EXPECT_FALSE(doc.HasIdleWork());
}

// Whatever the user does while a file is still being read works on the whole file, never on the
// rows shown so far: each flow's result is compared with the same flow on the file read whole.
TEST_F(ListDocumentTest, FlowsDuringAReadInPartsWaitForTheWholeFile)
{
    const fs::path file = Tmp("forty.chip");
    FortyWithARepeat(file);
    const fs::path other = Tmp("other.chip");
    WriteChip(other, ThreeDevices());
    const fs::path saved = Tmp("saved.chip");
    struct Flow {
        const char* name;
        std::function<void(DeviceListDocument&, ScriptedChooser& saveTo)> run;
    };
    const std::vector<Flow> flows = {
        {"find", [](DeviceListDocument& d, ScriptedChooser&) {
             EXPECT_EQ(d.Find(RecordMatcher(FindField::Name, "R38"), -1, FindDirection::Forward, false), 38u);
         }},
        {"delete", [](DeviceListDocument& d, ScriptedChooser&) {
             const auto row = d.SelectedDevice(1);
             ASSERT_TRUE(row);
             d.Delete(*row);
         }},
        {"modify", [](DeviceListDocument& d, ScriptedChooser&) {
             const auto row = d.SelectedDevice(1);
             ASSERT_TRUE(row);
             d.Modify(*row, [](DeviceRecord& r) { SetRecordName(r, "CHANGED"); });
         }},
        {"append", [](DeviceListDocument& d, ScriptedChooser&) { d.Append(MakeRecord("NEW", 1, 9, 9, 9)); }},
        {"import", [&](DeviceListDocument& d, ScriptedChooser&) { d.Import(other); }},
        {"tidy", [](DeviceListDocument& d, ScriptedChooser&) { d.Tidy(); }},
        {"undo", [](DeviceListDocument& d, ScriptedChooser&) { d.Undo(); }},
        {"redo", [](DeviceListDocument& d, ScriptedChooser&) { d.Redo(); }},
        {"save", [&](DeviceListDocument& d, ScriptedChooser& to) {
             to.Queue(saved);
             EXPECT_TRUE(d.Save());
         }},
        {"exit question", [](DeviceListDocument& d, ScriptedChooser&) { EXPECT_TRUE(d.SaveChangesFirst()); }},
        {"new open", [&](DeviceListDocument& d, ScriptedChooser&) { d.OpenFile(other); }},
    };
    for (const Flow& flow : flows) {
        ScriptedChooser o, s;
        ScriptedPrompt wholePrompt;
        DeviceListDocument whole(wholePrompt, o, s);
        whole.SetLoadParts(0, 0);
        whole.OpenFile(file);
        ScriptedPrompt p;
        DeviceListDocument d(p, o, s);
        d.SetLoadParts(2, 16);
        d.OpenFile(file);
        ASSERT_TRUE(d.Loading()) << flow.name;
        ASSERT_EQ(d.List().Count(), 2u);
        flow.run(d, s);
        const bool leaving = std::string(flow.name) == "exit question" || std::string(flow.name) == "new open";
        if (std::string(flow.name) == "new open") {
            EXPECT_EQ(NamesOf(d.List()), (std::vector<std::string>{"AT89C51", "W78E52"}));  // its first part
            while (d.Loading()) d.DoIdleWork();
        }
        EXPECT_FALSE(d.Loading()) << flow.name;
        flow.run(whole, s);
        EXPECT_EQ(NamesOf(d.List()), NamesOf(whole.List())) << flow.name;
        EXPECT_EQ(d.IsModified(), whole.IsModified()) << flow.name;
        EXPECT_EQ(d.CanUndo(), whole.CanUndo()) << flow.name;
        if (std::string(flow.name) == "save") {
            EXPECT_EQ(fs::file_size(saved), ListImageSize(40));
        }
        // The open's own question about the repeat at the end comes first, and every question
        // and message as after a whole read, unless the list is being left: then no duplicate
        // question is asked about it.
        ASSERT_FALSE(p.shown.empty()) << flow.name;
        if (!leaving) {
            EXPECT_EQ(p.shown[0].text, kAskDup) << flow.name;
        }
        EXPECT_EQ(p.CountOf(kAskDup) + (leaving ? 1 : 0), wholePrompt.CountOf(kAskDup)) << flow.name;
        EXPECT_EQ(p.Count() + (leaving ? 1 : 0), wholePrompt.Count()) << flow.name;
    }
}

// Leaving a list while it is still being read asks nothing about it: it is read to its end
// without its duplicate question, which only comes if the list stays after all.
TEST_F(ListDocumentTest, LeavingDuringAReadAsksNothingAboutTheListLeft)
{
    const fs::path file = Tmp("forty.chip");
    FortyWithARepeat(file);
    doc.SetLoadParts(2, 16);
    doc.OpenFile(file);
    ASSERT_TRUE(doc.Loading());
    open.Queue(std::nullopt);  // the open dialog cancelled: the list stays
    doc.Open();
    EXPECT_FALSE(doc.Loading());
    EXPECT_EQ(Rows(), 40u);
    EXPECT_EQ(prompt.CountOf(kAskDup), 0);
    EXPECT_EQ(prompt.CountOf(kAskSave), 0);
    ASSERT_TRUE(doc.HasIdleWork());
    prompt.Queue(Answer::Yes);
    doc.DoIdleWork();
    EXPECT_EQ(prompt.CountOf(kAskDup), 1);
    EXPECT_EQ(Rows(), 39u);

    // Left for another file: nothing is asked about the one being read.
    ScriptedPrompt p;
    DeviceListDocument d(p, open, save);
    d.SetLoadParts(2, 16);
    d.OpenFile(file);
    open.Queue(Tmp("forty.chip"));
    d.Open();
    EXPECT_EQ(p.CountOf(kAskDup), 0);
    while (d.Loading()) d.DoIdleWork();
    EXPECT_EQ(p.CountOf(kAskDup), 1);  // about the list opened now
    EXPECT_EQ(d.List().Count(), 40u);
}

// What an open held goes when another list is opened, whichever way it is read; a read that
// fails keeps what the list from before holds, since its history can still bring it back.
TEST_F(ListDocumentTest, AnOpenReleasesWhatTheListBeforeHeld)
{
    const fs::path big = Tmp("big.chip"), small = Tmp("small.chip");
    std::vector<DeviceRecord> recs;
    for (int i = 0; i < 3000; ++i) recs.push_back(MakeRecord("D" + std::to_string(i), 1, 2, 3, static_cast<std::uint8_t>(i)));
    WriteChip(big, recs);
    WriteChip(small, ThreeDevices());
    for (const std::size_t firstPart : {0u, 2u}) {
        ScriptedPrompt p;
        ScriptedChooser o, s;
        DeviceListDocument d(p, o, s);
        d.SetLoadParts(firstPart, 16);
        d.OpenFile(big);
        while (d.Loading()) d.DoIdleWork();
        d.Tidy();
        d.Modify(5, [](DeviceRecord& r) { r.fid = 9; });
        d.Import(big);
        ASSERT_GT(d.RecordBytes(), 2 * ListImageSize(3000));
        ASSERT_GT(d.HistoryBytes(), 0u);
        d.OpenFile(small);
        while (d.Loading()) d.DoIdleWork();
        EXPECT_EQ(d.RecordBytes(), ListImageSize(3)) << firstPart;
        EXPECT_EQ(d.HistoryBytes(), 0u) << firstPart;
        EXPECT_EQ(d.List().Count(), 3u);
    }
}

// Which way a file is read: at once where big blocks get huge pages, in parts elsewhere.
TEST(ListDocumentLoadParts, TheWayOfReadingFollowsHugePages)
{
    EXPECT_EQ(LoadPartsFor(true), (LoadParts{0, 262144}));
    EXPECT_EQ(LoadPartsFor(false), (LoadParts{4096, 262144}));
#ifndef _WIN32
    EXPECT_TRUE(HugePagesInTransparentMode("always [madvise] never\n"));
    EXPECT_TRUE(HugePagesInTransparentMode("[always] madvise never\n"));
    EXPECT_FALSE(HugePagesInTransparentMode("always madvise [never]\n"));
    EXPECT_FALSE(HugePagesInTransparentMode(""));
    EXPECT_FALSE(HugePagesInTransparentMode(nullptr));
#endif
    TempDir dir;
    std::vector<DeviceRecord> recs(5000, MakeRecord("SAME", 1, 2, 3, 4));
    WriteChip(dir / "big.chip", recs);
    ScriptedPrompt p;
    ScriptedChooser o, s;
    DeviceListDocument d(p, o, s);
    d.OpenFile(dir / "big.chip");
    EXPECT_EQ(d.Loading(), !LargeBlocksGetHugePages());
    EXPECT_EQ(d.List().Count(), LargeBlocksGetHugePages() ? 5000u : 4096u);
}

// The file changed between two parts (saved by another program: written over, cut short,
// replaced) is read again from the start, once: the list is the file as it is now, never a mix.
// Changed again, the user is told and the list from before comes back, history and flag too.
TEST_F(ListDocumentTest, AFileChangedWhileReadIsReadAgainOnceThenGivenUp)
{
    const fs::path file = Tmp("forty.chip");
    const auto then = fs::file_time_type::clock::now() - std::chrono::hours(24 * 365);
    auto numbered = [](const std::string& prefix, int n) {
        std::vector<DeviceRecord> recs;
        for (int i = 0; i < n; ++i) recs.push_back(MakeRecord(prefix + std::to_string(i), 1, 2, 3, static_cast<std::uint8_t>(i)));
        return recs;
    };
    const std::vector<DeviceRecord> first = numbered("A", 40);
    struct Change {
        const char* name;
        std::function<void(const std::vector<DeviceRecord>&, int)> to;
    };
    const std::vector<Change> changes = {
        {"written over", [&](const std::vector<DeviceRecord>& recs, int k) {
             WriteChip(file, recs);  // truncated and written in place: the same file
             fs::last_write_time(file, then + std::chrono::seconds(k));
         }},
#ifndef _WIN32  // Windows renames nothing over a file open for reading
        {"replaced", [&](const std::vector<DeviceRecord>& recs, int k) {
             WriteChip(Tmp("new.chip"), recs);
             fs::last_write_time(Tmp("new.chip"), then + std::chrono::seconds(k));
             fs::rename(Tmp("new.chip"), file);
         }},
#endif
    };
    for (const Change& c : changes) {
        for (const int times : {1, 2}) {
            const std::string where = std::string(c.name) + " x" + std::to_string(times);
            ScriptedPrompt p;
            ScriptedChooser o, s;
            DeviceListDocument d(p, o, s);
            d.Append(MakeRecord("EARLIER", 1, 0, 0, 0));
            WriteChip(file, first);
            fs::last_write_time(file, then);
            d.SetLoadParts(2, 8);
            d.OpenFile(file);
            ASSERT_TRUE(d.Loading()) << where;
            c.to(numbered("B", times == 1 ? 30 : 50), 1);
            d.DoIdleWork();  // finds the change: the file read again from its start
            ASSERT_TRUE(d.Loading()) << where;
            EXPECT_EQ(d.List().Count(), 2u) << where;
            if (times == 2) c.to(numbered("C", 20), 2);
            for (int steps = 0; d.Loading(); ++steps) {
                ASSERT_LT(steps, 20);
                d.DoIdleWork();
            }
            if (times == 1) {
                std::vector<std::string> now;
                for (int i = 0; i < 30; ++i) now.push_back("B" + std::to_string(i));
                EXPECT_EQ(NamesOf(d.List()), now) << where;
                EXPECT_FALSE(d.IsModified()) << where;
                EXPECT_FALSE(d.CanUndo()) << where;
                EXPECT_EQ(p.Count(), 0u) << where;
            } else {
                EXPECT_EQ(p.LastText(), kMsgFileChangedWhileRead) << where;
                EXPECT_EQ(NamesOf(d.List()), std::vector<std::string>{"EARLIER"}) << where;
                EXPECT_TRUE(d.IsModified()) << where;
                ASSERT_TRUE(d.CanUndo()) << where;
                d.Undo();
                EXPECT_EQ(d.List().Count(), 0u) << where;
            }
        }
    }
}

#ifndef _WIN32
// Fails every read from the Nth on, as a disk that stops answering would.
class FailingReads : public PosixFileCalls {
public:
    explicit FailingReads(int failFrom) : m_failFrom(failFrom) {}
    ssize_t Read(int fd, void* buf, std::size_t size) override
    {
        if (++m_reads >= m_failFrom) {
            errno = EIO;
            return -1;
        }
        return PosixFileCalls::Read(fd, buf, size);
    }

private:
    int m_failFrom;
    int m_reads = 0;
};

// A later part that cannot be read ends the open: the list from before is back with its history
// and modified flag, the user is told, and the flow that waited for the whole file does not run.
TEST_F(ListDocumentTest, ALaterPartThatCannotBeReadBringsBackTheListBefore)
{
    const fs::path file = Tmp("forty.chip");
    FortyWithARepeat(file);
    const fs::path saved = Tmp("saved.chip");
    struct Flow {
        const char* name;
        std::function<void(DeviceListDocument&, ScriptedChooser& saveTo)> run;
    };
    const std::vector<Flow> flows = {
        {"idle", [](DeviceListDocument& d, ScriptedChooser&) { d.DoIdleWork(); }},
        {"append", [](DeviceListDocument& d, ScriptedChooser&) { d.Append(MakeRecord("NEW", 1, 9, 9, 9)); }},
        {"tidy", [](DeviceListDocument& d, ScriptedChooser&) { d.Tidy(); }},
        {"save", [&](DeviceListDocument& d, ScriptedChooser& to) {
             to.Queue(saved);
             EXPECT_FALSE(d.Save());
         }},
        {"undo", [](DeviceListDocument& d, ScriptedChooser&) { EXPECT_FALSE(d.Undo()); }},
        {"exit question", [](DeviceListDocument& d, ScriptedChooser&) { EXPECT_FALSE(d.SaveChangesFirst()); }},
    };
    for (const Flow& flow : flows) {
        ScriptedPrompt p;
        ScriptedChooser o, s;
        DeviceListDocument d(p, o, s);
        d.Append(MakeRecord("Z-EARLIER", 1, 0, 0, 0));
        d.Append(MakeRecord("A-EARLIER", 2, 0, 0, 0));
        d.SetLoadParts(2, 16);
        d.OpenFile(file);
        ASSERT_TRUE(d.Loading()) << flow.name;
        FailingReads failing(1);
        UseFileCalls(&failing);
        flow.run(d, s);
        UseFileCalls(nullptr);
        EXPECT_FALSE(d.Loading()) << flow.name;
        EXPECT_EQ(NamesOf(d.List()), (std::vector<std::string>{"Z-EARLIER", "A-EARLIER"})) << flow.name;
        EXPECT_TRUE(d.IsModified()) << flow.name;
        EXPECT_EQ(p.LastText(), "读取文件发生错误!") << flow.name;
        EXPECT_EQ(p.CountOf(kAskDup), 0) << flow.name;
        EXPECT_FALSE(fs::exists(saved)) << flow.name;
        ASSERT_TRUE(d.CanUndo()) << flow.name;
        d.Undo();  // the history's records are still there
        EXPECT_EQ(NamesOf(d.List()), (std::vector<std::string>{"Z-EARLIER"})) << flow.name;
    }
}
#endif

// A row chosen among the first rows that the removal of repeats then moves is not taken: the
// record standing there afterwards is not the one the user chose.
TEST_F(ListDocumentTest, ARowMovedByTheRemovalOfRepeatsIsNotTaken)
{
    const fs::path file = Tmp("repeat.chip");
    std::vector<DeviceRecord> recs = ThreeDevices();
    recs.insert(recs.begin() + 1, recs[0]);  // AT89C51 twice, then W78E52, SST89E516
    WriteChip(file, recs);
    for (const auto& [removeRepeats, taken] : {std::pair{false, true}, std::pair{true, false}}) {
        ScriptedPrompt p;
        DeviceListDocument d(p, open, save);
        d.SetLoadParts(2, 16);
        d.OpenFile(file);
        ASSERT_TRUE(d.Loading());
        p.Queue(removeRepeats ? Answer::Yes : Answer::No);
        EXPECT_EQ(d.SelectedDevice(1).has_value(), taken) << removeRepeats;
        EXPECT_EQ(p.LastText(), taken ? kAskDup : "请先选择器件!") << removeRepeats;
    }
}

// The shell's open of a file named on the command line: the same messages, questions and rows
// as 打开文件 with that file chosen in its dialog, on a fresh document.
TEST_F(ListDocumentTest, OpenFileMatchesOpenDialog)
{
    const fs::path dup = Tmp("cmdline_dup.chip");
    const fs::path cut = Tmp("cmdline_cut.chip");
    auto recs = ThreeDevices();
    recs.push_back(recs[0]);
    WriteChip(dup, recs);
    WriteChip(cut, ThreeDevices(), 5, 10);
    for (const fs::path& file : {dup, cut, Tmp("cmdline_missing.chip"), tmp.Path()}) {
        ScriptedPrompt pDialog, pPath;
        ScriptedChooser oDialog, oPath, s;
        DeviceListDocument byDialog(pDialog, oDialog, s), byPath(pPath, oPath, s);
        pDialog.Queue(Answer::Yes);  // remove duplicates
        pPath.Queue(Answer::Yes);
        oDialog.Queue(file);
        byDialog.Open();
        byPath.OpenFile(file);
        EXPECT_EQ(oPath.calls, 0);
        EXPECT_EQ(NamesOf(byPath.List()), NamesOf(byDialog.List()));
        EXPECT_EQ(byPath.IsModified(), byDialog.IsModified());
        ASSERT_EQ(pPath.Count(), pDialog.Count());
        for (std::size_t i = 0; i < pPath.Count(); ++i) EXPECT_EQ(pPath.shown[i].text, pDialog.shown[i].text);
    }
    // A missing file leaves an empty list behind its message.
    doc.OpenFile(Tmp("cmdline_missing.chip"));
    EXPECT_EQ(prompt.LastText(), kOpenError);
    EXPECT_EQ(Rows(), 0u);
}

}  // namespace

// Delete and modify of both windows run only on a selected row that the list still has; any
// other selection asks the user to select a device first and gives nothing to act on.
TEST_F(ListDocumentTest, SelectedDeviceOnlyForARowTheListHas)
{
    doc.Append(ThreeDevices()[0]);
    doc.Append(ThreeDevices()[1]);
    struct Row {
        long selected;
        std::optional<std::size_t> device;
    };
    const Row rows[] = {{0, 0}, {1, 1}, {-1, std::nullopt}, {2, std::nullopt}, {-2, std::nullopt}};
    for (const Row& r : rows) {
        prompt.Clear();
        EXPECT_EQ(doc.SelectedDevice(r.selected), r.device) << r.selected;
        EXPECT_EQ(prompt.CountOf("请先选择器件!"), r.device ? 0 : 1) << r.selected;
    }
}

// A dropped file asks the save question first; Cancel keeps the changed list, No opens the file.
TEST_F(ListDocumentTest, DroppedFileAsksBeforeReplacingChanges)
{
    const fs::path file = Tmp("dropped.chip");
    WriteChip(file, {ThreeDevices()[2]});
    doc.Append(ThreeDevices()[0]);
    prompt.Queue(Answer::Cancel);
    doc.OpenDropped(file);
    EXPECT_EQ(Names(), std::vector<std::string>{"AT89C51"});
    EXPECT_TRUE(doc.IsModified());
    prompt.Queue(Answer::No);
    doc.OpenDropped(file);
    EXPECT_EQ(Names(), std::vector<std::string>{"SST89E516"});
    EXPECT_FALSE(doc.IsModified());
    EXPECT_EQ(prompt.CountOf("是否保存当前器件列表?"), 2);
}

// The damaged case is told apart from a save that left the file as it was, and names the backup.
TEST(ListDocumentSave, FailureTextSaysWhenTheFileMayBeDamagedAndWhereTheOldListIs)
{
    WriteResult unchanged;
    unchanged.targetExisted = true;
    EXPECT_EQ(SaveFailureText(unchanged), kSaveError);

    WriteResult damaged = unchanged;
    damaged.targetDamaged = true;
    damaged.backupPath = std::filesystem::path(u8"/srv/共享/list.chip.~0a1b2c3d.bak");
    const std::string text = SaveFailureText(damaged);
    EXPECT_EQ(text.rfind(kSaveError, 0), 0u) << text;
    EXPECT_NE(text.find("可能已损坏"), std::string::npos) << text;
    EXPECT_NE(text.find("/srv/共享/list.chip.~0a1b2c3d.bak"), std::string::npos) << text;
}
