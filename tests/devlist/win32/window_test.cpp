// The native Windows window's wiring, in-process under Wine: the real dialogs from the program's
// own templates, with scripted questions and file names. Each test checks that a control or key
// reaches the document's flow and that the list view shows what the document holds; the flows
// and rules themselves are tested in the core.
#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <cstring>
#include <functional>

#include "aboutbox.h"
#include "chipfiles.h"
#include "mainwnd.h"
#include "next_dialog.h"
#include "recordtext.h"
#include "scripted_chooser.h"
#include "scripted_prompt.h"
#include "testutil.h"
#include "windowtext.h"
#include "wintext.h"

namespace fs = std::filesystem;
using Answer = IPrompt::Answer;

namespace {

void Click(HWND dlg, int id) { SendMessageW(GetDlgItem(dlg, id), BM_CLICK, 0, 0); }

// A file list as Explorer hands it over in WM_DROPFILES.
HGLOBAL DropOf(const std::vector<std::wstring>& files)
{
    std::wstring names;
    for (const std::wstring& f : files) names += f + L'\0';
    names += L'\0';
    const SIZE_T bytes = sizeof(DROPFILES) + names.size() * sizeof(wchar_t);
    HGLOBAL mem = GlobalAlloc(GHND, bytes);
    auto* drop = static_cast<DROPFILES*>(GlobalLock(mem));
    drop->pFiles = sizeof(DROPFILES);
    drop->fWide = TRUE;
    std::memcpy(reinterpret_cast<char*>(drop) + sizeof(DROPFILES), names.data(), names.size() * sizeof(wchar_t));
    GlobalUnlock(mem);
    return mem;
}

class Win32WindowTest : public ::testing::Test {
protected:
    ScriptedPrompt prompt;
    ScriptedChooser open, save, import;
    CDeviceListDlg dlg{GetModuleHandleW(nullptr), {&prompt, &open, &save, &import}};
    HWND wnd = nullptr;
    HWND list = nullptr;
    TempDir tmp;
    fs::path sample;

    void SetUp() override
    {
        INITCOMMONCONTROLSEX icc{sizeof icc, ICC_LISTVIEW_CLASSES | ICC_STANDARD_CLASSES};
        InitCommonControlsEx(&icc);
        wnd = dlg.Create();
        ASSERT_NE(wnd, nullptr);
        list = dlg.ListView();
        sample = tmp.Path() / L"样例.chip";  // a Chinese file name
        WriteChip(sample, ThreeDevices());
    }

    void OpenSample()
    {
        open.Queue(sample);
        Click(wnd, IDC_OPEN);
    }

    int Rows() const { return ListView_GetItemCount(list); }

    std::string Cell(int row, int column) const
    {
        wchar_t text[256] = {};
        ListView_GetItemText(list, row, column, text, 256);
        return WideToUtf8(text);
    }

    void Select(int row)
    {
        ListView_SetItemState(list, -1, 0, LVIS_SELECTED);
        ListView_SetItemState(list, row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    }
};

TEST_F(Win32WindowTest, ControlsCarryTheSharedTexts)
{
    EXPECT_EQ(GetWindowUtf8(wnd), kMainCaption);
    for (const CommandDef& c : MainCommands()) {
        if (!c.button) continue;
        EXPECT_EQ(GetDlgItemUtf8(wnd, c.button), c.buttonText) << c.button;
    }
    HWND header = ListView_GetHeader(list);
    ASSERT_EQ(Header_GetItemCount(header), COL_COUNT);
    for (int c = 0; c < COL_COUNT; ++c) {
        wchar_t title[64] = {};
        HDITEMW item{};
        item.mask = HDI_TEXT;
        item.pszText = title;
        item.cchTextMax = 64;
        Header_GetItem(header, c, &item);
        EXPECT_EQ(WideToUtf8(title), kDeviceColumns[c].title) << c;
    }
    // The About item at the end of the system menu.
    HMENU menu = GetSystemMenu(wnd, FALSE);
    wchar_t text[64] = {};
    GetMenuStringW(menu, IDM_ABOUTBOX, text, 64, MF_BYCOMMAND);
    EXPECT_EQ(WideToUtf8(text), kAboutMenuText);
}

TEST_F(Win32WindowTest, ListViewShowsTheDocumentsRows)
{
    OpenSample();
    const DeviceList& doc = dlg.Document().List();
    ASSERT_EQ(Rows(), 3);
    for (int row = 0; row < 3; ++row)
        for (int c = 0; c < COL_COUNT; ++c)
            EXPECT_EQ(Cell(row, c), DeviceCellUtf8(*doc.At(static_cast<std::size_t>(row)), static_cast<std::size_t>(row), c))
                << row << "," << c;
}

// A file read in parts: the first part shows, and the window's idle time brings the rest.
TEST_F(Win32WindowTest, IdleTimeReadsTheRestOfAFileReadInParts)
{
    std::vector<DeviceRecord> recs;
    for (int i = 0; i < 50; ++i) recs.push_back(MakeRecord("P" + std::to_string(i), 1, 2, 3, static_cast<std::uint8_t>(i)));
    WriteChip(sample, recs);
    dlg.Document().SetLoadParts(4, 16);
    OpenSample();
    EXPECT_EQ(Rows(), 4);
    MSG msg;
    for (int i = 0; i < 100 && dlg.Document().HasIdleWork(); ++i)
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) dlg.PreTranslateMessage(msg);
    EXPECT_FALSE(dlg.Document().HasIdleWork());
    ASSERT_EQ(Rows(), 50);
    EXPECT_EQ(Cell(49, COL_NAME), "P49");
}

TEST_F(Win32WindowTest, EachButtonReachesItsFlow)
{
    // 打开文件 through the open chooser, from a folder with a Chinese name.
    OpenSample();
    EXPECT_EQ(open.calls, 1);
    EXPECT_EQ(Rows(), 3);

    // 删除 and 修改 without a selected row: the document's question.
    Click(wnd, IDC_DELETE);
    Click(wnd, IDC_MODIFY);
    EXPECT_EQ(prompt.CountOf(kMsgSelectFirst), 2);

    // 删除 with a row selected.
    Select(1);
    Click(wnd, IDC_DELETE);
    EXPECT_EQ(Rows(), 2);
    EXPECT_EQ(Cell(1, COL_NAME), RecordName(ThreeDevices()[2]));

    // 整理: one more undo step.
    Click(wnd, IDC_TIDY);
    EXPECT_TRUE(dlg.Document().IsModified());

    // 保存文件 through the save chooser, to a Chinese name.
    const fs::path saved = tmp.Path() / L"保存的列表.chip";
    save.Queue(saved);
    Click(wnd, IDC_SAVE);
    EXPECT_EQ(fs::file_size(saved), 8u + 2u * 36u);
    EXPECT_FALSE(dlg.Document().IsModified());

    // 修改 with a row selected opens the modify dialog on that record; Cancel still refills.
    Select(0);
    std::string shownName;
    OnNextDialog(wnd, [&](HWND edit) {
        shownName = GetDlgItemUtf8(edit, IDC_NAME);
        Click(edit, IDC_ENTRY_CANCEL);
    });
    Click(wnd, IDC_MODIFY);
    EXPECT_EQ(shownName, RecordName(*dlg.Document().List().At(0)));

    // 增加器件, then 从文件导入 in the add dialog: the import flow.
    import.Queue(saved);
    OnNextDialog(wnd, [&](HWND add) { Click(add, IDC_IMPORT); });
    Click(wnd, IDC_ADD);
    EXPECT_EQ(import.calls, 1);
    EXPECT_EQ(Rows(), 4);

    // 退出程序 with changes: the save question, answered Cancel, keeps the window; No closes it.
    prompt.Queue(Answer::Cancel);
    Click(wnd, IDC_EXIT);
    EXPECT_FALSE(dlg.IsClosed());
    prompt.Queue(Answer::No);
    Click(wnd, IDC_EXIT);
    EXPECT_TRUE(dlg.IsClosed());
    EXPECT_EQ(prompt.CountOf("是否保存当前器件列表?"), 2);
}

TEST_F(Win32WindowTest, DroppedFileOpensAfterTheSaveQuestion)
{
    Click(wnd, IDC_TIDY);  // a change, so the question comes
    prompt.Queue(Answer::No);
    SendMessageW(wnd, WM_DROPFILES, reinterpret_cast<WPARAM>(DropOf({sample.wstring()})), 0);
    EXPECT_EQ(prompt.CountOf("是否保存当前器件列表?"), 1);
    EXPECT_EQ(Rows(), 3);

    // Two files at once name no one list: nothing happens.
    SendMessageW(wnd, WM_DROPFILES, reinterpret_cast<WPARAM>(DropOf({sample.wstring(), sample.wstring()})), 0);
    EXPECT_EQ(Rows(), 3);
}

// The add dialog hands its texts to the core's rule: only the first failing check is shown, the
// dialog stays open, and a corrected OK appends the device. The modify dialog opens on the record.
TEST_F(Win32WindowTest, EntryDialogsShowTheFirstFailingCheck)
{
    OnNextDialog(wnd, [&](HWND add) {
        EXPECT_EQ(GetWindowUtf8(add), kAddTitle);
        SetDlgItemUtf8(add, IDC_NAME, "");
        SetDlgItemUtf8(add, IDC_FID, "zz");
        Click(add, IDOK);
        EXPECT_EQ(prompt.LastText(), kMsgNameEmpty);
        EXPECT_EQ(GetFocus(), GetDlgItem(add, IDC_NAME));
        SetDlgItemUtf8(add, IDC_NAME, "芯片");
        Click(add, IDOK);
        EXPECT_EQ(prompt.LastText(), kMsgBadFid);
        SetDlgItemUtf8(add, IDC_FID, "0A");
        Click(add, IDOK);
    });
    Click(wnd, IDC_ADD);
    EXPECT_EQ(prompt.Count(), 2u);
    ASSERT_EQ(Rows(), 1);
    EXPECT_EQ(Cell(0, COL_NAME), "芯片");
    EXPECT_EQ(Cell(0, COL_FID), "0a");

    // 从文件导入 still reads the number fields: a ROM that is no number keeps the dialog open.
    import.Queue(sample);
    OnNextDialog(wnd, [&](HWND add) {
        EXPECT_EQ(GetDlgItemUtf8(add, IDC_NAME), "芯片");  // the fields of the last use
        SetDlgItemUtf8(add, IDC_ROM, "x");
        Click(add, IDC_IMPORT);
        EXPECT_EQ(prompt.LastText(), kMsgNotInteger);
        Click(add, IDCANCEL);
    });
    Click(wnd, IDC_ADD);
    EXPECT_EQ(Rows(), 1);

    // The modify dialog shows the record and writes it back on OK.
    Select(0);
    OnNextDialog(wnd, [&](HWND edit) {
        EXPECT_EQ(GetWindowUtf8(edit), kEditTitle);
        EXPECT_EQ(GetDlgItemUtf8(edit, IDC_FID), "0a");
        SetDlgItemUtf8(edit, IDC_SIG2, "ff");
        Click(edit, IDOK);
    });
    Click(wnd, IDC_MODIFY);
    EXPECT_EQ(Cell(0, COL_SIGNATURE), "00 ff 00");
}

TEST_F(Win32WindowTest, AboutFromTheSystemMenu)
{
    std::string title;
    OnNextDialog(wnd, [&](HWND about) {
        title = GetWindowUtf8(about);
        Click(about, IDOK);
    });
    SendMessageW(wnd, WM_SYSCOMMAND, IDM_ABOUTBOX, 0);
    EXPECT_EQ(title, kAboutTitle);
}

}  // namespace
