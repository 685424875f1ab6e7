// Tessaro's main window as a user meets it, key by key: written once, run against the Qt window
// and against the native Windows window (each test program brings its own driver). The rules
// behind each step are tested in the core; these check that both windows bind them alike.
#include <gtest/gtest.h>

#include "chipfiles.h"
#include "dialoglayout.h"
#include "main_driver.h"
#include "testutil.h"
#include "windowtext.h"

namespace {

const char* const kAskSave = "是否保存当前器件列表?";

class MainWindowScenario : public ::testing::Test {
protected:
    std::unique_ptr<MainWindowDriver> owned = MakeMainWindowDriver();
    MainWindowDriver& d = *owned;
    TempDir tmp;

    // AT89C51, W78E52, SST89E516, shown and not modified.
    std::filesystem::path Three()
    {
        const auto file = tmp.Path() / std::filesystem::path(u8"三个.chip");
        WriteChip(file, ThreeDevices());
        return file;
    }
    void OpenThree() { d.OpenFile(Three()); }
    std::string Name(int row) { return d.Cell(row, COL_NAME); }
};

// Every key of a button reaches its flow: Ctrl+O, Ctrl+T, Ctrl+S, Insert, F2, Delete.
TEST_F(MainWindowScenario, ButtonKeysRunTheirFlows)
{
    d.Focus(IDC_DEVICE_LIST);
    d.open.Queue(Three());
    d.Press({Key::O, true});
    ASSERT_EQ(d.Rows(), 3);
    d.Press({Key::T, true});
    EXPECT_EQ(Name(1), "SST89E516");
    EXPECT_TRUE(d.Modified());
    const auto saved = tmp.Path() / "saved.chip";
    d.save.Queue(saved);
    d.Press({Key::S, true});
    EXPECT_EQ(ReadBytes(saved).size(), 8u + 3 * 36);
    EXPECT_FALSE(d.Modified());

    d.OnNextDialog({{{IDC_NAME, "NEW"}}, IDC_ENTRY_OK});
    d.Press({Key::Insert});
    EXPECT_EQ(d.DialogTitle(), kAddTitle);
    ASSERT_EQ(d.Rows(), 4);
    EXPECT_EQ(Name(3), "NEW");

    d.Select(0);
    d.OnNextDialog({{{IDC_ROM, "77"}}, IDC_ENTRY_OK});
    d.Press({Key::F2});
    EXPECT_EQ(d.DialogTitle(), kEditTitle);
    EXPECT_EQ(d.Cell(0, COL_ROM), "77K");

    d.Focus(IDC_DEVICE_LIST);
    d.Select(1);
    d.Press({Key::Delete});
    EXPECT_EQ(d.Rows(), 3);
    EXPECT_EQ(d.prompt.Count(), 0u);
}

// Enter on a row modifies it; with no row selected it does nothing, and never closes the window.
TEST_F(MainWindowScenario, EnterOnARowModifiesIt)
{
    OpenThree();
    d.Focus(IDC_DEVICE_LIST);
    d.Select(1);
    d.OnNextDialog({});
    d.Press({Key::Enter});
    EXPECT_EQ(d.dialogs, 1);
    EXPECT_EQ(d.DialogTitle(), kEditTitle);
    d.Select(-1);
    d.Press({Key::Enter});
    EXPECT_EQ(d.dialogs, 1);
    EXPECT_EQ(d.prompt.Count(), 0u);
    EXPECT_FALSE(d.Closed());
}

// Enter on a focused button presses that button, as in any dialog.
TEST_F(MainWindowScenario, EnterOnEachButtonPressesIt)
{
    OpenThree();
    d.Focus(IDC_OPEN);
    d.Press({Key::Enter});
    EXPECT_EQ(d.open.calls, 1);
    d.Focus(IDC_SAVE);
    d.Press({Key::Enter});
    EXPECT_EQ(d.save.calls, 1);
    d.Focus(IDC_ADD);
    d.OnNextDialog({});
    d.Press({Key::Enter});
    EXPECT_EQ(d.DialogTitle(), kAddTitle);
    d.Focus(IDC_TIDY);
    d.Press({Key::Enter});
    EXPECT_EQ(Name(1), "SST89E516");
    d.Select(0);
    d.Focus(IDC_MODIFY);
    d.OnNextDialog({});
    d.Press({Key::Enter});
    EXPECT_EQ(d.DialogTitle(), kEditTitle);
    d.Select(0);
    d.Focus(IDC_DELETE);
    d.Press({Key::Enter});
    EXPECT_EQ(d.Rows(), 2);
    EXPECT_EQ(d.prompt.Count(), 0u);
    d.Focus(IDC_EXIT);
    d.prompt.Queue(IPrompt::Answer::Cancel);
    d.Press({Key::Enter});
    EXPECT_EQ(d.prompt.LastText(), kAskSave);
    EXPECT_FALSE(d.Closed());
}

// Ctrl+F opens the bar on the text; each keystroke finds from the selected row; F3 and Enter go
// to the next match, Shift+F3 to the previous, round the list.
TEST_F(MainWindowScenario, FindKeys)
{
    OpenThree();
    d.Focus(IDC_DEVICE_LIST);
    d.Press({Key::F, true});
    ASSERT_TRUE(d.FindBarOpen());
    EXPECT_EQ(d.FocusedControl(), IDC_FIND_TEXT);
    d.Type("89");  // AT89C51 and SST89E516
    EXPECT_EQ(d.Selection(), 0);
    d.Press({Key::F3});
    EXPECT_EQ(d.Selection(), 2);
    d.Press({Key::Enter});
    EXPECT_EQ(d.Selection(), 0);
    d.Press({Key::F3, false, true});
    EXPECT_EQ(d.Selection(), 2);
    EXPECT_EQ(d.StatusText(), "");
    // Another field searches again: FID 0a is W78E52's only.
    d.ChooseFindField(2);
    d.Press({Key::F, true});  // the text selected, typed over
    d.Type("0a");
    EXPECT_EQ(d.Selection(), 1);
    EXPECT_FALSE(d.Closed());
}

// A find that ends in 未找到 leaves no row selected: a Delete then asks for a row instead of
// removing the earlier match.
TEST_F(MainWindowScenario, NotFoundLeavesNoRowSelected)
{
    OpenThree();
    d.Focus(IDC_DEVICE_LIST);
    d.Press({Key::F, true});
    d.Type("W78");
    EXPECT_EQ(d.Selection(), 1);
    d.Type("zz");
    EXPECT_EQ(d.StatusText(), kFindNotFound);
    EXPECT_EQ(d.Selection(), -1);
    d.Focus(IDC_DEVICE_LIST);
    d.Press({Key::Delete});
    EXPECT_EQ(d.prompt.LastText(), kMsgSelectFirst);
    EXPECT_EQ(d.Rows(), 3);
}

// Ctrl+Z typed in the find text undoes the typing, not the last change of the list.
TEST_F(MainWindowScenario, CtrlZInTheFindTextEditsTheText)
{
    OpenThree();
    d.Focus(IDC_DEVICE_LIST);
    d.Select(0);
    d.Press({Key::Delete});
    ASSERT_EQ(d.Rows(), 2);
    d.Press({Key::F, true});
    d.Type("SST");
    d.Press({Key::Z, true});
    EXPECT_NE(d.FindText(), "SST");
    EXPECT_EQ(d.Rows(), 2);
    d.Focus(IDC_DEVICE_LIST);
    d.Press({Key::Z, true});
    EXPECT_EQ(d.Rows(), 3);
}

// Esc closes an open find bar first, also with the focus in the list; then it is the exit button.
TEST_F(MainWindowScenario, EscClosesTheFindBarFirst)
{
    OpenThree();
    d.Focus(IDC_DEVICE_LIST);
    d.Press({Key::F, true});
    d.Focus(IDC_DEVICE_LIST);
    ASSERT_TRUE(d.FindBarOpen());
    d.Press({Key::Escape});
    EXPECT_FALSE(d.FindBarOpen());
    EXPECT_FALSE(d.Closed());
    d.Press({Key::Escape});  // unmodified: no question
    EXPECT_TRUE(d.Closed());
    EXPECT_EQ(d.prompt.Count(), 0u);
}

// With changes, Esc and the close box ask first; Cancel keeps the window.
TEST_F(MainWindowScenario, EscAndTheCloseBoxAskWhenModified)
{
    OpenThree();
    d.Focus(IDC_DEVICE_LIST);
    d.Select(0);
    d.Press({Key::Delete});
    d.prompt.Queue(IPrompt::Answer::Cancel);
    d.Press({Key::Escape});
    EXPECT_FALSE(d.Closed());
    d.prompt.Queue(IPrompt::Answer::Cancel);
    d.CloseBox();
    EXPECT_FALSE(d.Closed());
    EXPECT_EQ(d.prompt.CountOf(kAskSave), 2);
    d.prompt.Queue(IPrompt::Answer::No);
    d.CloseBox();
    EXPECT_TRUE(d.Closed());
}

// Ctrl+Z and Ctrl+Y select the row they changed and scroll it into view.
TEST_F(MainWindowScenario, UndoAndRedoShowTheRowTheyChanged)
{
    std::vector<DeviceRecord> recs;
    for (int i = 0; i < 300; ++i)
        recs.push_back(MakeRecord("D" + std::to_string(i), 1, 0, static_cast<std::uint8_t>(i >> 8), static_cast<std::uint8_t>(i)));
    const auto file = tmp.Path() / "many.chip";
    WriteChip(file, recs);
    d.OpenFile(file);
    d.Focus(IDC_DEVICE_LIST);
    d.Select(250);
    d.Press({Key::Delete});
    d.Select(0);
    d.Press({Key::Z, true});
    EXPECT_EQ(d.Rows(), 300);
    EXPECT_EQ(d.Selection(), 250);
    EXPECT_TRUE(d.RowInView(250));
    d.Select(0);
    d.Press({Key::Y, true});
    EXPECT_EQ(d.Rows(), 299);
    EXPECT_EQ(d.Selection(), 250);
    EXPECT_TRUE(d.RowInView(250));
}

// A double click modifies the row it is on; below the rows it does nothing at all.
TEST_F(MainWindowScenario, DoubleClickOnlyOnARow)
{
    OpenThree();
    d.Select(1);
    d.DoubleClick(-1);
    EXPECT_EQ(d.dialogs, 0);
    EXPECT_EQ(d.prompt.Count(), 0u);
    EXPECT_FALSE(d.Modified());
    d.OnNextDialog({});
    d.DoubleClick(2);
    EXPECT_EQ(d.DialogTitle(), kEditTitle);
    EXPECT_TRUE(d.Modified());  // a cancelled modify still counts
}

// Home and End are the list's own keys.
TEST_F(MainWindowScenario, HomeAndEndMoveInTheList)
{
    OpenThree();
    d.Focus(IDC_DEVICE_LIST);
    d.Select(1);
    d.Press(NavKey::End);
    EXPECT_EQ(d.Selection(), 2);
    d.Press(NavKey::Home);
    EXPECT_EQ(d.Selection(), 0);
}

// The buttons' tooltips and the context menu are the command table's; the menu's entries run
// their commands and follow what can be undone; F1 and the menu's About open the About box.
TEST_F(MainWindowScenario, TooltipsAndContextMenu)
{
    OpenThree();
    std::vector<std::pair<std::string, bool>> menu;
    for (const CommandDef& c : MainCommands()) {
        if (c.button) {
            EXPECT_EQ(d.ToolTip(c.button), c.tooltip) << c.button;
        }
        if (c.menuText) menu.emplace_back(std::string(c.menuText) + "\t" + MenuKeyText(c), c.id == Command::About);
    }
    EXPECT_EQ(d.ContextMenu(), menu);

    d.Focus(IDC_DEVICE_LIST);
    d.Select(2);
    d.Press({Key::Delete});
    EXPECT_TRUE(d.ContextMenu().at(0).second);  // 撤销
    d.Select(0);
    d.ChooseMenu(Command::Undo);
    EXPECT_EQ(d.Rows(), 3);
    EXPECT_EQ(d.Selection(), 2);

    d.OnNextDialog({{}, 1});
    d.ChooseMenu(Command::About);
    EXPECT_EQ(d.DialogTitle(), kAboutTitle);
    d.OnNextDialog({{}, 1});
    d.Focus(IDC_DEVICE_LIST);
    d.Press({Key::F1});
    EXPECT_EQ(d.dialogs, 2);
    EXPECT_FALSE(d.Closed());
}

}  // namespace
