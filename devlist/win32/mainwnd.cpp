#include "mainwnd.h"

#include <commctrl.h>
#include <shellapi.h>

#include <iterator>

#include "aboutbox.h"
#include "dialogunits.h"
#include "resource.h"
#include "tooltip.h"
#include "windowtext.h"
#include "winkeys.h"
#include "wintext.h"

namespace {

// Posted once the rows of a newly opened list are on screen: the rest of its file is read and its
// duplicate index built then.
constexpr UINT WM_APP_IDLE_WORK = WM_APP + 1;

// The context menu's entries: the command table's, each command at this base plus its number.
constexpr UINT kMenuCommandBase = 40000;

constexpr int kFindControls[] = {IDC_FIND_LABEL, IDC_FIND_FIELD, IDC_FIND_TEXT, IDC_FIND_STATUS};

// The toolkit's colours of the list: text, then background.
constexpr COLORREF kListText = RGB(20, 50, 200);
constexpr COLORREF kListBack = RGB(250, 250, 250);
// Grid lines and full-row selection. The toolkit's flat scroll bars (0x100) are left out: common
// controls 6, which the manifest asks for, has no flat scroll bars, and Wine's list view, which
// still draws them, then takes 50 ms or more for each change of a million-row count.
constexpr DWORD kListExStyle = LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT;

HICON LoadProgramIcon(HINSTANCE inst, int metricX, int metricY)
{
    return static_cast<HICON>(LoadImageW(inst, MAKEINTRESOURCEW(IDR_MAINFRAME), IMAGE_ICON, GetSystemMetrics(metricX),
                                         GetSystemMetrics(metricY), LR_DEFAULTCOLOR));
}

}  // namespace

CDeviceListDlg::CDeviceListDlg(HINSTANCE inst, const Services& services)
    : m_hInst(inst),
      m_realPrompt("Tessaro"),
      m_realOpen(Win32FileChooser::Mode::Open),
      m_realSave(Win32FileChooser::Mode::Save),
      m_realImport(Win32FileChooser::Mode::Open),
      m_prompt(services.prompt ? *services.prompt : m_realPrompt),
      m_openChooser(services.open ? *services.open : m_realOpen),
      m_saveChooser(services.save ? *services.save : m_realSave),
      m_importChooser(services.import ? *services.import : m_realImport),
      m_dlgAdd(inst, m_prompt, m_importChooser),
      m_dlgEdit(inst, m_prompt),
      m_doc(m_prompt, m_openChooser, m_saveChooser),
      m_logic(m_doc, *this)
{
    m_hIcon = LoadProgramIcon(inst, SM_CXICON, SM_CYICON);
    m_hSmallIcon = LoadProgramIcon(inst, SM_CXSMICON, SM_CYSMICON);
    m_doc.SetRowsChanged([this] { OnRowsChanged(); });
}

CDeviceListDlg::~CDeviceListDlg()
{
    if (m_hWnd) DestroyWindow(m_hWnd);
    if (m_hIcon) DestroyIcon(m_hIcon);
    if (m_hSmallIcon) DestroyIcon(m_hSmallIcon);
}

HWND CDeviceListDlg::Create()
{
    m_bClosed = false;
    return CreateDialogParamW(m_hInst, MAKEINTRESOURCEW(IDD_TESSARO_DIALOG), nullptr, DialogProc,
                              reinterpret_cast<LPARAM>(this));
}

int CDeviceListDlg::DoModal()
{
    if (!m_hWnd && !Create()) return -1;
    return RunModalLoop();
}

int CDeviceListDlg::RunModalLoop()
{
    MSG msg;
    while (!m_bClosed) {
        const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
        if (got <= 0) break;  // WM_QUIT or an error: nothing more will come
        PreTranslateMessage(msg);
    }
    return IDCANCEL;
}

bool CDeviceListDlg::PreTranslateMessage(MSG& msg)
{
    // The keys count only inside this window; a message box or entry dialog has its own loop.
    // The window logic takes the keys of the command table in their scope, Enter always (the
    // dialog manager would otherwise press the default button, and the exit button has the focus
    // first); the others go to the focused control as usual.
    const bool inWindow = m_hWnd && (msg.hwnd == m_hWnd || IsChild(m_hWnd, msg.hwnd));
    if (inWindow && msg.message == WM_KEYDOWN)
        if (const std::optional<KeyChord> chord = ChordOfVirtualKey(msg.wParam))
            if (const std::optional<MainView> view = m_logic.Key(*chord, ControlOf(msg.hwnd), SelectedRow())) {
                Render(*view);
                return true;
            }
    if (m_hWnd && IsDialogMessageW(m_hWnd, &msg)) return true;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
    return false;
}

INT_PTR CALLBACK CDeviceListDlg::DialogProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_INITDIALOG) {
        auto* self = reinterpret_cast<CDeviceListDlg*>(lParam);
        SetWindowLongPtrW(wnd, DWLP_USER, lParam);
        self->m_hWnd = wnd;
        self->OnInitDialog();
        return TRUE;
    }
    auto* self = reinterpret_cast<CDeviceListDlg*>(GetWindowLongPtrW(wnd, DWLP_USER));
    if (!self) return FALSE;
    if (msg == WM_NCDESTROY) {
        self->m_hWnd = nullptr;
        self->m_hList = nullptr;
        return FALSE;
    }
    return self->OnMessage(msg, wParam, lParam);
}

void CDeviceListDlg::OnInitDialog()
{
    m_hList = GetDlgItem(m_hWnd, IDC_DEVICE_LIST);
    AppendAboutMenuItem(m_hWnd, m_hInst, IDS_ABOUTBOX);
    SendMessageW(m_hWnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
    SendMessageW(m_hWnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hSmallIcon));
    m_hTips = CreateToolTips(m_hWnd);
    for (const CommandDef& c : MainCommands()) {
        if (!c.button) continue;
        SetDlgItemUtf8(m_hWnd, c.button, c.buttonText);
        AddToolTip(m_hTips, GetDlgItem(m_hWnd, c.button), c.tooltip);
    }
    SetDlgItemUtf8(m_hWnd, IDC_FIND_LABEL, kFindLabel);
    const HWND field = GetDlgItem(m_hWnd, IDC_FIND_FIELD);
    for (const FindFieldChoice& c : kFindFields)
        SendMessageW(field, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Utf8ToWide(c.title).c_str()));
    SendMessageW(field, CB_SETCURSEL, 0, 0);
    SendDlgItemMessageW(m_hWnd, IDC_FIND_TEXT, EM_SETCUEBANNER, TRUE,
                        reinterpret_cast<LPARAM>(Utf8ToWide(kFindHint).c_str()));
    SetupList();
    DragAcceptFiles(m_hWnd, TRUE);
    // Message boxes and file dialogs are modal to this window once it exists.
    m_realPrompt.SetOwner(m_hWnd);
    m_realOpen.SetOwner(m_hWnd);
    m_realSave.SetOwner(m_hWnd);
    OnRowsChanged();
}

void CDeviceListDlg::SetupList()
{
    ListView_SetExtendedListViewStyle(m_hList, kListExStyle);
    ListView_SetTextColor(m_hList, kListText);
    ListView_SetTextBkColor(m_hList, kListBack);
    ListView_SetBkColor(m_hList, kListBack);
    // Column widths are pixels at 96 dots per inch; the window is DPI-aware, so they grow with it.
    const HDC dc = GetDC(m_hWnd);
    const int dpi = GetDeviceCaps(dc, LOGPIXELSX);
    ReleaseDC(m_hWnd, dc);
    // A list view keeps its first column left-aligned whatever it is told; a column inserted
    // first and deleted afterwards takes that place, so every real column can be centred.
    LVCOLUMNW placeholder{};
    placeholder.mask = LVCF_WIDTH;
    ListView_InsertColumn(m_hList, 0, &placeholder);
    int widths[COL_COUNT];
    for (int c = 0; c < COL_COUNT; ++c) widths[c] = MulDiv(kDeviceColumns[c].width, dpi, 96);
    RECT inside;
    GetClientRect(m_hList, &inside);
    FitColumnsToRoom(widths, inside.right - GetSystemMetrics(SM_CXVSCROLL));
    for (int c = 0; c < COL_COUNT; ++c) {
        const std::wstring title = Utf8ToWide(kDeviceColumns[c].title);
        LVCOLUMNW col{};
        col.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
        col.fmt = LVCFMT_CENTER;
        col.cx = widths[c];
        col.pszText = const_cast<wchar_t*>(title.c_str());
        col.iSubItem = c + 1;
        ListView_InsertColumn(m_hList, c + 1, &col);
    }
    ListView_DeleteColumn(m_hList, 0);
}

INT_PTR CDeviceListDlg::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_COMMAND:
        OnCommand(LOWORD(wParam), HIWORD(wParam));
        return TRUE;
    case WM_NOTIFY: {
        LRESULT result = 0;
        if (!OnNotify(*reinterpret_cast<const NMHDR*>(lParam), result)) return FALSE;
        SetWindowLongPtrW(m_hWnd, DWLP_MSGRESULT, result);
        return TRUE;
    }
    case WM_SYSCOMMAND:
        if (IsAboutCommand(wParam)) {
            Render(m_logic.Run(Command::About, SelectedRow()));
            return TRUE;
        }
        return FALSE;
    case WM_CLOSE:
        Render(m_logic.Run(Command::Exit, SelectedRow()));
        return TRUE;
    case WM_CONTEXTMENU:
        OnContextMenu(POINT{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))});
        return TRUE;
    case WM_DROPFILES:
        OnDropFiles(reinterpret_cast<HDROP>(wParam));
        return TRUE;
    case WM_CTLCOLORSTATIC:
        if (reinterpret_cast<HWND>(lParam) == GetDlgItem(m_hWnd, IDC_FIND_STATUS)) {
            const HDC dc = reinterpret_cast<HDC>(wParam);
            SetTextColor(dc, RGB(kFindStatusColour.red, kFindStatusColour.green, kFindStatusColour.blue));
            SetBkMode(dc, TRANSPARENT);
            return reinterpret_cast<INT_PTR>(GetSysColorBrush(COLOR_BTNFACE));
        }
        return FALSE;
    case WM_QUERYDRAGICON:
        return reinterpret_cast<INT_PTR>(m_hIcon);
    case WM_APP_IDLE_WORK:
        m_bIdleWorkPosted = false;
        // Whatever waits to be painted (the rows, a window just created) is painted first: posted
        // work would otherwise always come before it.
        RedrawWindow(m_hWnd, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
        m_doc.DoIdleWork();
        PostIdleWork();
        return TRUE;
    default:
        return FALSE;
    }
}

void CDeviceListDlg::OnCommand(int id, int code)
{
    if (id == IDC_FIND_TEXT || id == IDC_FIND_FIELD) {
        if ((id == IDC_FIND_TEXT && code == EN_CHANGE) || (id == IDC_FIND_FIELD && code == CBN_SELCHANGE))
            OnFindQueryChanged();
        return;
    }
    if (id >= static_cast<int>(kMenuCommandBase) && id < static_cast<int>(kMenuCommandBase + kCommandCount)) {
        Render(m_logic.Run(static_cast<Command>(id - kMenuCommandBase), SelectedRow()));
        return;
    }
    // A button clicked; IDOK (Enter where the window's keys did not see it) has no button.
    if (code == BN_CLICKED && ButtonCommand(id)) Render(m_logic.Button(id, SelectedRow()));
}

bool CDeviceListDlg::OnNotify(const NMHDR& header, LRESULT& result)
{
    if (header.idFrom != IDC_DEVICE_LIST) return false;
    switch (header.code) {
    case LVN_GETDISPINFOW:
        OnGetDispInfo(*reinterpret_cast<NMLVDISPINFOW*>(const_cast<NMHDR*>(&header)));
        result = 0;
        return true;
    case NM_DBLCLK:
        // On empty space the item is -1: no row, whatever is selected.
        Render(m_logic.DoubleClick(reinterpret_cast<const NMITEMACTIVATE&>(header).iItem));
        result = 0;
        return true;
    default:
        return false;
    }
}

void CDeviceListDlg::OnGetDispInfo(NMLVDISPINFOW& info)
{
    LVITEMW& item = info.item;
    if (!(item.mask & LVIF_TEXT) || !item.pszText || item.cchTextMax <= 0) return;
    const DeviceList& list = m_doc.List();
    const auto row = static_cast<std::size_t>(item.iItem);
    // The list may already be shorter than the rows the view knows: a question shown between a
    // change and the refill lets the view repaint before the rows are brought in line.
    m_cellText = item.iItem >= 0 && row < list.Count() ? Utf8ToWide(DeviceCellUtf8(*list.At(row), row, item.iSubItem))
                                                       : std::wstring();
    const std::size_t n = std::min(m_cellText.size(), static_cast<std::size_t>(item.cchTextMax - 1));
    m_cellText.copy(item.pszText, n);
    item.pszText[n] = L'\0';
}

void CDeviceListDlg::OnRowsChanged()
{
    if (!m_hList) return;
    // A virtual list: the view is told the count and asks for the cells it shows. Rows come and
    // go at the end only, so the selection stays where it was.
    const std::size_t count = m_doc.List().Count();
    const int n = count > static_cast<std::size_t>(INT_MAX) ? INT_MAX : static_cast<int>(count);
    // Only a new count: told the one it has, a list view still redoes its scroll bars.
    if (ListView_GetItemCount(m_hList) != n) ListView_SetItemCountEx(m_hList, n, LVSICF_NOSCROLL | LVSICF_NOINVALIDATEALL);
    // While a file comes in parts, each part only adds rows at the end, which the list view
    // paints itself if they are in view; any other change may have touched every shown row.
    const bool appendedOnly = m_bShownLoading && m_doc.Loading();
    m_bShownLoading = m_doc.Loading();
    if (!appendedOnly) InvalidateRect(m_hList, nullptr, FALSE);
    PostIdleWork();
}

void CDeviceListDlg::Render(const MainView& view)
{
    if (!m_hWnd) return;
    if (view.findBarOpen != (IsWindowVisible(GetDlgItem(m_hWnd, IDC_FIND_TEXT)) != FALSE)) PlaceList(view.findBarOpen);
    if (GetDlgItemUtf8(m_hWnd, IDC_FIND_STATUS) != view.findStatus) SetDlgItemUtf8(m_hWnd, IDC_FIND_STATUS, view.findStatus);
    if (view.clearSelection) ListView_SetItemState(m_hList, -1, 0, LVIS_SELECTED);
    if (view.showRow && *view.showRow < m_doc.List().Count()) SelectRow(*view.showRow);
    if (view.focus == MainView::Focus::List) SetFocus(m_hList);
    if (view.focus == MainView::Focus::FindText) {
        const HWND edit = GetDlgItem(m_hWnd, IDC_FIND_TEXT);
        SetFocus(edit);
        SendMessageW(edit, EM_SETSEL, 0, -1);
    }
    if (view.close) Close();
}

void CDeviceListDlg::PostIdleWork()
{
    if (!m_doc.HasIdleWork() || m_bIdleWorkPosted) return;
    m_bIdleWorkPosted = true;
    PostMessageW(m_hWnd, WM_APP_IDLE_WORK, 0, 0);
}

UINT CDeviceListDlg::MenuId(Command command) { return kMenuCommandBase + static_cast<UINT>(command); }

HMENU CDeviceListDlg::CreateContextMenu() const
{
    // The command table's entries in its order, each with its key, About after a separator.
    const MainView view = m_logic.View();
    HMENU menu = CreatePopupMenu();
    for (const CommandDef& c : MainCommands()) {
        if (!c.menuText) continue;
        if (c.id == Command::About) AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
        const std::wstring text = Utf8ToWide(std::string(c.menuText) + "\t" + MenuKeyText(c));
        AppendMenuW(menu, MF_STRING | (view.Enabled(c.id) ? 0 : MF_GRAYED), MenuId(c.id), text.c_str());
    }
    return menu;
}

void CDeviceListDlg::OnContextMenu(POINT at)
{
    HMENU menu = CreateContextMenu();
    if (at.x == -1 && at.y == -1) {  // from the keyboard: at the window's corner
        RECT r;
        GetWindowRect(m_hList, &r);
        at = POINT{r.left, r.top};
    }
    const UINT cmd = TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON, at.x, at.y, 0, m_hWnd, nullptr);
    DestroyMenu(menu);
    if (cmd) OnCommand(static_cast<int>(cmd), 0);
}

void CDeviceListDlg::OnDropFiles(HDROP drop)
{
    // Only a single file is taken: several at once name no one list to open.
    std::optional<std::filesystem::path> path;
    if (DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0) == 1) {
        const UINT len = DragQueryFileW(drop, 0, nullptr, 0);
        std::wstring name(len + 1, L'\0');
        DragQueryFileW(drop, 0, name.data(), len + 1);
        name.resize(len);
        if (!(GetFileAttributesW(name.c_str()) & FILE_ATTRIBUTE_DIRECTORY)) path = name;
    }
    DragFinish(drop);
    if (path) OpenDroppedFile(*path);
}

void CDeviceListDlg::OpenDroppedFile(const std::filesystem::path& path)
{
    m_doc.OpenDropped(path);
}

void CDeviceListDlg::OpenListFile(const std::filesystem::path& path) { m_doc.OpenFile(path); }

IMainDialogs::AddResult CDeviceListDlg::RunAddDialog()
{
    AddResult added;
    added.result = m_dlgAdd.DoModal(m_hWnd);
    added.record = m_dlgAdd.m_record;
    added.importPath = m_dlgAdd.m_strImportPath;
    return added;
}

void CDeviceListDlg::RunModifyDialog(DeviceRecord& record)
{
    m_dlgEdit.m_pRecord = &record;
    m_dlgEdit.DoModal(m_hWnd);
}

void CDeviceListDlg::RunAboutBox() { ::RunAboutBox(m_hInst, m_hWnd, IDD_ABOUTBOX); }

int CDeviceListDlg::ControlOf(HWND wnd) const
{
    while (wnd && GetParent(wnd) != m_hWnd) wnd = GetParent(wnd);
    return wnd ? GetDlgCtrlID(wnd) : 0;
}

long CDeviceListDlg::SelectedRow() const
{
    if (!m_hList) return -1;
    // The selection mark, or else the focused row, when that row is selected: both are known at
    // once, where asking for the next selected row walks a million rows one by one.
    for (const int row : {ListView_GetSelectionMark(m_hList), ListView_GetNextItem(m_hList, -1, LVNI_FOCUSED)})
        if (row >= 0 && (ListView_GetItemState(m_hList, row, LVIS_SELECTED) & LVIS_SELECTED)) return row;
    return -1;
}

void CDeviceListDlg::SelectRow(std::size_t row)
{
    const int i = static_cast<int>(row);
    ListView_SetItemState(m_hList, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
    ListView_SetItemState(m_hList, i, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    ListView_SetSelectionMark(m_hList, i);
    ListView_EnsureVisible(m_hList, i, FALSE);
}

void CDeviceListDlg::Close()
{
    m_bClosed = true;
    DestroyWindow(m_hWnd);
}

// ---------------------------------------------------------------------------------------------
// The find bar

void CDeviceListDlg::PlaceList(bool withFindBar)
{
    constexpr TemplateRect list{RECT_DEVICE_LIST};
    PlaceControl(m_hWnd, m_hList, list.x, list.y, list.width, withFindBar ? FIND_BAR_TOP : list.height);
    for (int id : kFindControls) ShowWindow(GetDlgItem(m_hWnd, id), withFindBar ? SW_SHOW : SW_HIDE);
}

void CDeviceListDlg::OnFindQueryChanged()
{
    const std::string text = GetDlgItemUtf8(m_hWnd, IDC_FIND_TEXT);
    const auto choice = static_cast<std::size_t>(SendDlgItemMessageW(m_hWnd, IDC_FIND_FIELD, CB_GETCURSEL, 0, 0));
    const FindField field = choice < std::size(kFindFields) ? kFindFields[choice].field : FindField::Name;
    Render(m_logic.FindQueryChanged(field, text, SelectedRow()));
}
