// The list document's flows (open, import, save, append, delete, modify, tidy) with scripted
// answers and file names: what the main window's buttons do, without the window.
#include "listdocument.h"
#include "listfile.h"

#include "chipfiles.h"
#include "listops.h"
#include "scripted_chooser.h"
#include "scripted_prompt.h"
#include "testutil.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/stat.h>
#endif

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
// rows shown so far.
TEST_F(ListDocumentTest, FlowsDuringAReadInPartsWaitForTheWholeFile)
{
    const fs::path file = Tmp("forty.chip");
    FortyWithARepeat(file);
    struct Flow {
        const char* name;
        std::function<void(DeviceListDocument&, ScriptedChooser& saveTo)> run;
        std::size_t rowsAfter;
    };
    const fs::path saved = Tmp("saved.chip");
    const std::vector<Flow> flows = {
        {"find", [](DeviceListDocument& d, ScriptedChooser&) {
             EXPECT_EQ(d.Find(RecordMatcher(FindField::Name, "R38"), -1, FindDirection::Forward, false), 38u);
         }, 40},
        {"delete", [](DeviceListDocument& d, ScriptedChooser&) {
             const auto row = d.SelectedDevice(1);
             ASSERT_TRUE(row);
             d.Delete(*row);
         }, 39},
        {"append", [](DeviceListDocument& d, ScriptedChooser&) { d.Append(MakeRecord("NEW", 1, 9, 9, 9)); }, 41},
        {"tidy", [](DeviceListDocument& d, ScriptedChooser&) { d.Tidy(); }, 40},
        {"save", [&](DeviceListDocument& d, ScriptedChooser& to) {
             to.Queue(saved);
             EXPECT_TRUE(d.Save());
             EXPECT_EQ(fs::file_size(saved), ListImageSize(40));
         }, 40},
    };
    for (const Flow& flow : flows) {
        ScriptedPrompt p;
        ScriptedChooser o, s;
        DeviceListDocument d(p, o, s);
        d.SetLoadParts(2, 16);
        d.OpenFile(file);
        ASSERT_TRUE(d.Loading()) << flow.name;
        flow.run(d, s);
        EXPECT_FALSE(d.Loading()) << flow.name;
        EXPECT_EQ(d.List().Count(), flow.rowsAfter) << flow.name;
        // The open's own question about the repeat at the end, before anything the flow asks.
        ASSERT_FALSE(p.shown.empty()) << flow.name;
        EXPECT_EQ(p.shown[0].text, kAskDup) << flow.name;
    }
}

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
