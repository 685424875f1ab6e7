// The main window's keys and what its commands leave on screen, without a window.
#include "mainwindowlogic.h"

#include <gtest/gtest.h>

#include "chipfiles.h"
#include "dialoglayout.h"
#include "scripted_chooser.h"
#include "scripted_prompt.h"
#include "testutil.h"
#include "windowtext.h"

namespace {

// One row per key and focus: which command runs, or none where the focused control keeps it.
TEST(KeyCommand, EachKeyInItsScope)
{
    struct Case {
        KeyChord chord;
        int focus;
        bool findOpen;
        bool row;
        std::optional<Command> expected;
    };
    const Case cases[] = {
        {{Key::O, true}, IDC_DEVICE_LIST, false, false, Command::Open},
        {{Key::O, true}, IDC_FIND_TEXT, true, false, Command::Open},
        {{Key::Insert}, IDC_EXIT, false, false, Command::Add},
        {{Key::F2}, IDC_OPEN, false, false, Command::Modify},
        {{Key::Enter}, IDC_DEVICE_LIST, false, true, Command::Modify},
        {{Key::Enter}, IDC_DEVICE_LIST, false, false, std::nullopt},
        {{Key::Enter}, IDC_FIND_TEXT, true, true, Command::FindNext},
        {{Key::Enter}, IDC_TIDY, false, true, Command::Tidy},  // a focused button is pressed
        {{Key::Enter}, IDC_EXIT, false, false, Command::Exit},
        {{Key::Delete}, IDC_DEVICE_LIST, false, true, Command::Delete},
        {{Key::Delete}, IDC_FIND_TEXT, true, true, std::nullopt},  // deletes a character
        {{Key::Z, true}, IDC_DEVICE_LIST, true, false, Command::Undo},
        {{Key::Z, true}, IDC_FIND_TEXT, true, false, std::nullopt},  // the edit's own undo
        {{Key::Y, true}, IDC_FIND_TEXT, true, false, std::nullopt},
        {{Key::Escape}, IDC_DEVICE_LIST, true, false, Command::Escape},
        {{Key::F3, false, true}, IDC_FIND_TEXT, true, false, Command::FindPrevious},
        {{Key::T}, IDC_DEVICE_LIST, false, false, std::nullopt},  // T without Ctrl
    };
    for (const Case& c : cases)
        EXPECT_EQ(KeyCommand(c.chord, c.focus, c.findOpen, c.row), c.expected)
            << static_cast<int>(c.chord.key) << " on " << c.focus;
}

TEST(MainCommands, EveryButtonHasOneCommandAndATooltipNamingItsKeys)
{
    for (int id : {IDC_EXIT, IDC_OPEN, IDC_SAVE, IDC_ADD, IDC_TIDY, IDC_MODIFY, IDC_DELETE}) {
        const std::optional<Command> c = ButtonCommand(id);
        ASSERT_TRUE(c) << id;
        const CommandDef& def = CommandOf(*c);
        EXPECT_EQ(std::string(def.tooltip).find(def.buttonText), 0u) << id;
        for (const KeyBinding& k : def.keys) {
            if (!k.text) continue;
            EXPECT_NE(std::string(def.tooltip).find(k.text), std::string::npos) << id;
        }
    }
    EXPECT_FALSE(ButtonCommand(IDC_DEVICE_LIST));
}

struct Dialogs : IMainDialogs {
    int modified = 0;
    int about = 0;
    AddResult RunAddDialog() override { return {}; }
    void RunModifyDialog(DeviceRecord& rec) override
    {
        ++modified;
        rec.romKb = 99;
    }
    void RunAboutBox() override { ++about; }
};

class MainWindowLogicTest : public ::testing::Test {
protected:
    ScriptedPrompt prompt;
    ScriptedChooser open, save;
    DeviceListDocument doc{prompt, open, save};
    Dialogs dialogs;
    MainWindowLogic logic{doc, dialogs};
    TempDir tmp;

    void SetUp() override
    {
        const auto file = tmp.Path() / "three.chip";
        WriteChip(file, ThreeDevices());  // AT89C51, W78E52, SST89E516
        doc.OpenFile(file);
    }
};

// 未找到 leaves no row selected, so that a Delete that follows asks for a row instead of
// removing the earlier match; F3 then says it again.
TEST_F(MainWindowLogicTest, NotFoundClearsTheSelection)
{
    logic.Run(Command::Find, -1);
    MainView v = logic.FindQueryChanged(FindField::Name, "W78", -1);
    EXPECT_EQ(v.showRow, 1u);
    EXPECT_EQ(v.findStatus, "");
    v = logic.FindQueryChanged(FindField::Name, "W78zz", 1);
    EXPECT_TRUE(v.clearSelection);
    EXPECT_FALSE(v.showRow);
    EXPECT_EQ(v.findStatus, kFindNotFound);
    v = logic.Run(Command::FindNext, -1);
    EXPECT_TRUE(v.clearSelection);
    EXPECT_EQ(v.findStatus, kFindNotFound);
    // An emptied text finds nothing and says nothing.
    v = logic.FindQueryChanged(FindField::Name, "", -1);
    EXPECT_FALSE(v.clearSelection);
    EXPECT_EQ(v.findStatus, "");
}

// F3 with nothing typed opens the bar instead of searching; Esc closes it before it exits.
TEST_F(MainWindowLogicTest, EscClosesTheFindBarFirst)
{
    MainView v = logic.Run(Command::FindNext, -1);
    EXPECT_TRUE(v.findBarOpen);
    EXPECT_EQ(v.focus, MainView::Focus::FindText);
    v = *logic.Key({Key::Escape}, IDC_DEVICE_LIST, -1);
    EXPECT_FALSE(v.findBarOpen);
    EXPECT_FALSE(v.close);
    EXPECT_EQ(v.focus, MainView::Focus::List);
    v = *logic.Key({Key::Escape}, IDC_DEVICE_LIST, -1);
    EXPECT_TRUE(v.close);  // unmodified: no question
    EXPECT_EQ(prompt.Count(), 0u);
}

// Undo and redo name the row they changed; the menu entries follow what can be undone.
TEST_F(MainWindowLogicTest, UndoShowsItsRowAndEnablesTheMenu)
{
    EXPECT_FALSE(logic.View().Enabled(Command::Undo));
    MainView v = logic.Run(Command::Delete, 1);
    EXPECT_TRUE(v.Enabled(Command::Undo));
    EXPECT_FALSE(v.Enabled(Command::Redo));
    v = logic.Run(Command::Undo, 0);
    EXPECT_EQ(v.showRow, 1u);
    EXPECT_TRUE(v.Enabled(Command::Redo));
    v = logic.Run(Command::Redo, 0);
    EXPECT_EQ(v.showRow, 1u);
}

// A double click modifies the row it was on, never the selected row from empty space; Enter
// with nothing to do is still taken.
TEST_F(MainWindowLogicTest, DoubleClickOnlyOnARow)
{
    logic.DoubleClick(-1);
    EXPECT_EQ(dialogs.modified, 0);
    EXPECT_FALSE(doc.IsModified());
    logic.DoubleClick(1);
    EXPECT_EQ(dialogs.modified, 1);
    EXPECT_EQ(doc.List()[1]->romKb, 99);
    EXPECT_TRUE(logic.Key({Key::Enter}, 0, -1));
}

}  // namespace
