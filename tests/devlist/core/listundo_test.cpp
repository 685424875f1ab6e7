// Undo and redo over the list document: each change is one step, the list comes back to exactly
// the order it had, and the modified flag says whether it differs from the file last opened or
// saved.
#include "listdocument.h"

#include "chipfiles.h"
#include "listops.h"
#include "scripted_chooser.h"
#include "scripted_prompt.h"
#include "testutil.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <optional>
#include <string>

namespace fs = std::filesystem;
using Answer = IPrompt::Answer;

namespace {

class ListUndoTest : public ::testing::Test {
public:
    ScriptedPrompt prompt;
    ScriptedChooser open, save;
    DeviceListDocument doc{prompt, open, save};
    TempDir tmp;
    int refills = 0;

    void SetUp() override
    {
        doc.SetRowsChanged([this] { ++refills; });
        WriteChip(tmp / "three.chip", ThreeDevices());
        doc.OpenFile(tmp / "three.chip");
    }

    std::vector<const DeviceRecord*> Order() const { return {doc.List().begin(), doc.List().end()}; }
};

struct ChangeCase {
    const char* what;
    std::function<void(ListUndoTest&)> change;
};

TEST_F(ListUndoTest, EachChangeUndoesAndRedoesExactly)
{
    const DeviceRecord dup = ThreeDevices()[1];
    const ChangeCase cases[] = {
        {"add", [](ListUndoTest& t) { t.doc.Append(MakeRecord("NEW", 3, 1, 2, 3)); }},
        {"import", [](ListUndoTest& t) { t.doc.Import(t.tmp / "three.chip"); }},  // duplicates kept
        {"delete first", [](ListUndoTest& t) { t.doc.Delete(0); }},
        {"delete last", [](ListUndoTest& t) { t.doc.Delete(t.doc.List().Count() - 1); }},
        {"modify", [](ListUndoTest& t) { t.doc.Modify(1, [](DeviceRecord& r) { r.fid = 0x55; }); }},
        {"tidy", [](ListUndoTest& t) { t.doc.Tidy(); }},
        {"duplicate removal", [dup](ListUndoTest& t) { t.prompt.Queue(Answer::Yes); t.doc.Append(dup); }},
    };
    for (const ChangeCase& c : cases) {
        SCOPED_TRACE(c.what);
        while (doc.CanUndo()) doc.Undo();
        const auto before = Order();
        const std::vector<DeviceRecord> values = [&] {
            std::vector<DeviceRecord> v;
            for (const DeviceRecord* r : before) v.push_back(*r);
            return v;
        }();
        c.change(*this);
        const auto after = Order();
        ASSERT_TRUE(doc.IsModified());

        while (doc.CanUndo()) doc.Undo();
        EXPECT_EQ(Order(), before);
        EXPECT_FALSE(doc.IsModified());
        // The records themselves were never touched: a modify put a new one in place.
        for (std::size_t i = 0; i < before.size(); ++i) EXPECT_EQ(std::memcmp(before[i], &values[i], sizeof values[i]), 0);

        while (doc.CanRedo()) doc.Redo();
        EXPECT_EQ(Order(), after);
        EXPECT_TRUE(doc.IsModified());
    }
}

TEST_F(ListUndoTest, ModifiedFlagFollowsTheSavePoint)
{
    doc.Delete(0);
    doc.Delete(0);
    save.Queue(tmp / "saved.chip");
    ASSERT_TRUE(doc.Save());
    doc.Undo();
    EXPECT_TRUE(doc.IsModified());   // one step before the save
    doc.Redo();
    EXPECT_FALSE(doc.IsModified());  // back at the save
    doc.Undo();
    doc.Undo();
    EXPECT_TRUE(doc.IsModified());   // the file as opened is not what was saved last
    EXPECT_EQ(doc.List().Count(), 3u);

    // A new change after undoing past the save point: the saved state can never come back.
    doc.Tidy();
    EXPECT_FALSE(doc.CanRedo());
    doc.Undo();
    EXPECT_TRUE(doc.IsModified());
}

TEST_F(ListUndoTest, OpeningAFileForgetsTheHistory)
{
    doc.Delete(0);
    doc.Delete(0);
    doc.Undo();
    ASSERT_TRUE(doc.CanUndo() && doc.CanRedo());
    doc.OpenFile(tmp / "three.chip");
    EXPECT_FALSE(doc.CanUndo());
    EXPECT_FALSE(doc.CanRedo());
    // A file that cannot be read keeps the list and its history.
    doc.Delete(0);
    doc.OpenFile(tmp / "missing.chip");
    EXPECT_TRUE(doc.CanUndo());
}

TEST_F(ListUndoTest, UndoKeepsTheDuplicateCheckRightWithoutAsking)
{
    const DeviceRecord twin = ThreeDevices()[0];
    prompt.Queue(Answer::Yes);
    doc.Append(twin);  // duplicate removed
    ASSERT_EQ(doc.List().Count(), 3u);
    const int asked = prompt.CountOf("发现重复器件! 是否删除重复?");
    const int shown = refills;
    doc.Undo();  // the duplicate is back, silently
    EXPECT_EQ(doc.List().Count(), 4u);
    EXPECT_EQ(prompt.CountOf("发现重复器件! 是否删除重复?"), asked);
    EXPECT_EQ(refills, shown + 1);
    doc.Undo();  // the add itself
    EXPECT_EQ(doc.List().Count(), 3u);

    // The index followed both steps: the same add is found as a duplicate again.
    prompt.Queue(Answer::No);
    doc.Append(twin);
    EXPECT_EQ(prompt.CountOf("发现重复器件! 是否删除重复?"), asked + 1);
    // And after undoing a modify the old key is known again.
    doc.Delete(3);
    doc.Modify(1, [](DeviceRecord& r) { r = ThreeDevices()[0]; });
    EXPECT_EQ(prompt.CountOf("发现重复器件! 是否删除重复?"), asked + 2);
    doc.Undo();
    doc.Append(MakeRecord("NEW", 3, 1, 2, 3));
    EXPECT_EQ(prompt.CountOf("发现重复器件! 是否删除重复?"), asked + 2);
}


// What the window selects after an undo or redo: the first row the step touched, or after a tidy
// or duplicate removal the record that was selected, where it now stands.
TEST_F(ListUndoTest, UndoAndRedoTellTheRowToShow)
{
    using Row = std::optional<std::size_t>;
    WriteChip(tmp / "more.chip", {ThreeDevices()[1], MakeRecord("NEW", 3, 1, 2, 3)});
    const auto importDupAndNew = [](ListUndoTest& t) {
        t.prompt.Queue(Answer::Yes);
        t.doc.Import(t.tmp / "more.chip");
    };
    struct Case {
        const char* what;
        std::function<void(ListUndoTest&)> change;
        Row selectedForUndo, rowAfterUndo, selectedForRedo, rowAfterRedo;
    };
    // The three devices come in FID order 01, 0a, 02: a tidy swaps the last two.
    const Case cases[] = {
        {"delete", [](ListUndoTest& t) { t.doc.Delete(1); }, 0, 1, 0, 1},
        {"add: the last row once the new one is gone", [](ListUndoTest& t) { t.doc.Append(MakeRecord("NEW", 3, 1, 2, 3)); },
         std::nullopt, 2, std::nullopt, 3},
        {"modify", [](ListUndoTest& t) { t.doc.Modify(2, [](DeviceRecord& r) { r.fid = 0x55; }); }, 0, 2, 0, 2},
        {"tidy follows the selected record", [](ListUndoTest& t) { t.doc.Tidy(); }, 2, 1, 1, 2},
        {"tidy, nothing selected: the first row moved", [](ListUndoTest& t) { t.doc.Tidy(); }, std::nullopt, 1,
         std::nullopt, 1},
        // Importing a duplicate of W78E52 and a new device: the duplicate at row 3 goes.
        {"duplicate removal follows the selected record", importDupAndNew, 3, 4, 4, 3},
        {"duplicate removal, selected record gone: where it stood", importDupAndNew, std::nullopt, 3, 3, 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SetUp();
        c.change(*this);
        EXPECT_EQ(doc.Undo(c.selectedForUndo), c.rowAfterUndo);
        EXPECT_EQ(doc.Redo(c.selectedForRedo), c.rowAfterRedo);
    }
    // Nothing to undo: no row.
    SetUp();
    EXPECT_EQ(doc.Undo(0), Row{});
}

// A tidy of a list already in order is no step (but still marks the list modified); a tidy or
// duplicate removal keeps at most 4 bytes per record, not a second reference array.
TEST_F(ListUndoTest, WholeListStepsAreSmall)
{
    doc.Tidy();
    ASSERT_TRUE(doc.CanUndo());
    doc.Tidy();  // already in order
    EXPECT_TRUE(doc.IsModified());
    doc.Undo();
    EXPECT_FALSE(doc.CanUndo());
    EXPECT_FALSE(doc.IsModified());

    constexpr std::size_t kCount = 4000;
    std::vector<DeviceRecord> recs;
    for (std::size_t i = 0; i < kCount; ++i)
        recs.push_back(MakeRecord("D" + std::to_string(i), static_cast<std::uint8_t>(kCount - i), 0,
                                  static_cast<std::uint8_t>(i >> 8), static_cast<std::uint8_t>(i)));
    WriteChip(tmp / "big.chip", recs);
    doc.OpenFile(tmp / "big.chip");
    doc.Tidy();
    ASSERT_TRUE(doc.CanUndo());
    const std::size_t afterTidy = doc.HistoryBytes();
    EXPECT_LE(afterTidy, 4 * kCount);

    // A tenth more, all duplicates: the import keeps its new references, the removal at most
    // 4 bytes per record of the list.
    const std::vector<DeviceRecord> dups(recs.begin(), recs.begin() + kCount / 10);
    WriteChip(tmp / "dups.chip", dups);
    prompt.Queue(Answer::Yes);
    doc.Import(tmp / "dups.chip");
    ASSERT_EQ(doc.List().Count(), kCount);
    EXPECT_LE(doc.HistoryBytes() - afterTidy, sizeof(DeviceRecord*) * dups.size() + 4 * (kCount + dups.size()));
}

}  // namespace
