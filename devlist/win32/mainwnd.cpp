#include "mainwnd.h"

#include <commctrl.h>
#include <shellapi.h>

#include <iterator>

#include "aboutbox.h"
#include "dialogunits.h"
#include "resource.h"
#include "windowtext.h"
#include "wintext.h"

namespace {

// Posted once the rows of a newly opened list are on screen: the rest of its file is read and its
// duplicate index built then.
constexpr UINT WM_APP_IDLE_WORK = WM_APP + 1;

// The window's keys, as data: what each one runs is in OnCommand.
enum : WORD { IDM_FIND = 40010, IDM_FIND_NEXT, IDM_FIND_PREVIOUS };
const ACCEL kKeys[] = {
    {FCONTROL | FVIRTKEY, 'F', IDM_FIND},
    {FVIRTKEY, VK_F3, IDM_FIND_NEXT},
    {FSHIFT | FVIRTKEY, VK_F3, IDM_FIND_PREVIOUS},
    {FCONTROL | FVIRTKEY, 'Z', IDM_UNDO},
    {FCONTROL | FVIRTKEY, 'Y', IDM_REDO},
};

// The template's list height, and what the find bar takes of it while open.
constexpr int kListHeight = 269;
constexpr int kFindBarHeight = 16;
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
      m_doc(m_prompt, m_openChooser, m_saveChooser)
{
    m_hIcon = LoadProgramIcon(inst, SM_CXICON, SM_CYICON);
    m_hSmallIcon = LoadProgramIcon(inst, SM_CXSMICON, SM_CYSMICON);
    m_hAccel = CreateAcceleratorTableW(const_cast<ACCEL*>(kKeys), static_cast<int>(std::size(kKeys)));
    m_doc.SetRowsChanged([this] { OnRowsChanged(); });
}

CDeviceListDlg::~CDeviceListDlg()
{
    if (m_hWnd) DestroyWindow(m_hWnd);
    if (m_hAccel) DestroyAcceleratorTable(m_hAccel);
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
    const bool inWindow = m_hWnd && (msg.hwnd == m_hWnd || IsChild(m_hWnd, msg.hwnd));
    if (inWindow && TranslateAcceleratorW(m_hWnd, m_hAccel, &msg)) return true;
    // Enter would press the focused button (the dialog manager makes it the default), and the
    // exit button has the focus first: Enter goes to OnOK, which never closes the window.
    if (inWindow && msg.wParam == VK_RETURN && (msg.message == WM_KEYDOWN || msg.message == WM_CHAR)) {
        if (msg.message == WM_KEYDOWN) OnOK();
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
    for (const ControlText& b : kMainButtons) SetDlgItemUtf8(m_hWnd, b.id, b.text);
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
        OnCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam));
        return TRUE;
    case WM_NOTIFY: {
        LRESULT result = 0;
        if (!OnNotify(*reinterpret_cast<const NMHDR*>(lParam), result)) return FALSE;
        SetWindowLongPtrW(m_hWnd, DWLP_MSGRESULT, result);
        return TRUE;
    }
    case WM_SYSCOMMAND:
        if (IsAboutCommand(wParam)) {
            RunAboutBox(m_hInst, m_hWnd, IDD_ABOUTBOX);
            return TRUE;
        }
        return FALSE;
    case WM_CLOSE:
        OnCancel();
        return TRUE;
    case WM_CONTEXTMENU:
        OnContextMenu(POINT{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))});
        return TRUE;
    case WM_DROPFILES:
        OnDropFiles(reinterpret_cast<HDROP>(wParam));
        return TRUE;
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

void CDeviceListDlg::OnCommand(int id, int code, HWND)
{
    switch (id) {
    case IDOK:
        OnOK();
        return;
    case IDCANCEL:  // the exit button (id 2) and Esc
        if (InFindBar(GetFocus()))
            CloseFindBar();
        else
            OnCancel();
        return;
    case IDC_OPEN:
        OnOpenFile();
        return;
    case IDC_SAVE:
        OnSaveFile();
        return;
    case IDC_ADD:
        OnAddDevice();
        return;
    case IDC_TIDY:
        m_doc.Tidy();
        return;
    case IDC_MODIFY:
        ModifyDevice();
        return;
    case IDC_DELETE:
        DeleteDevice();
        return;
    case IDM_UNDO:
        m_doc.Undo();
        return;
    case IDM_REDO:
        m_doc.Redo();
        return;
    case IDM_FIND:
        OpenFindBar();
        return;
    case IDM_FIND_NEXT:
        FindNext(FindDirection::Forward);
        return;
    case IDM_FIND_PREVIOUS:
        FindNext(FindDirection::Backward);
        return;
    case IDC_FIND_TEXT:
    case IDC_FIND_FIELD:
        if ((id == IDC_FIND_TEXT && code == EN_CHANGE) || (id == IDC_FIND_FIELD && code == CBN_SELCHANGE))
            FindFrom(FindDirection::Forward, false);
        return;
    default:
        return;
    }
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
        ModifyDevice();
        result = 0;
        return true;
    case LVN_KEYDOWN:
        if (reinterpret_cast<const NMLVKEYDOWN&>(header).wVKey == VK_DELETE) DeleteDevice();
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

void CDeviceListDlg::PostIdleWork()
{
    if (!m_doc.HasIdleWork() || m_bIdleWorkPosted) return;
    m_bIdleWorkPosted = true;
    PostMessageW(m_hWnd, WM_APP_IDLE_WORK, 0, 0);
}

void CDeviceListDlg::OnContextMenu(POINT at)
{
    HMENU menu = CreatePopupMenu();
    const std::wstring undo = Utf8ToWide(std::string(kUndoText) + "\tCtrl+Z");
    const std::wstring redo = Utf8ToWide(std::string(kRedoText) + "\tCtrl+Y");
    AppendMenuW(menu, MF_STRING | (m_doc.CanUndo() ? 0 : MF_GRAYED), IDM_UNDO, undo.c_str());
    AppendMenuW(menu, MF_STRING | (m_doc.CanRedo() ? 0 : MF_GRAYED), IDM_REDO, redo.c_str());
    if (at.x == -1 && at.y == -1) {  // from the keyboard: at the window's corner
        RECT r;
        GetWindowRect(m_hList, &r);
        at = POINT{r.left, r.top};
    }
    const UINT cmd = TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON, at.x, at.y, 0, m_hWnd, nullptr);
    DestroyMenu(menu);
    if (cmd) OnCommand(static_cast<int>(cmd), 0, nullptr);
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

void CDeviceListDlg::OnOpenFile() { m_doc.Open(); }

void CDeviceListDlg::OnSaveFile() { m_doc.Save(); }

void CDeviceListDlg::OnAddDevice()
{
    switch (m_dlgAdd.DoModal(m_hWnd)) {
    case 1:
        m_doc.Append(m_dlgAdd.m_record);
        break;
    case 3:
        m_doc.Import(m_dlgAdd.m_strImportPath);
        break;
    default:
        break;
    }
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

void CDeviceListDlg::DeleteDevice()
{
    if (const std::optional<std::size_t> row = m_doc.SelectedDevice(SelectedRow())) m_doc.Delete(*row);
}

void CDeviceListDlg::ModifyDevice()
{
    const std::optional<std::size_t> row = m_doc.SelectedDevice(SelectedRow());
    if (!row) return;
    m_doc.Modify(*row, [this](DeviceRecord& rec) {
        m_dlgEdit.m_pRecord = &rec;
        m_dlgEdit.DoModal(m_hWnd);
    });
}

void CDeviceListDlg::OnOK()
{
    // Enter lands here: in the find bar it goes to the next match; the window has no OK action.
    if (InFindBar(GetFocus())) FindNext(FindDirection::Forward);
}

void CDeviceListDlg::OnCancel()
{
    if (!m_doc.SaveChangesFirst()) return;
    Close();
}

void CDeviceListDlg::Close()
{
    m_bClosed = true;
    DestroyWindow(m_hWnd);
}

// ---------------------------------------------------------------------------------------------
// The find bar

bool CDeviceListDlg::FindBarOpen() const { return IsWindowVisible(GetDlgItem(m_hWnd, IDC_FIND_TEXT)) != FALSE; }

bool CDeviceListDlg::InFindBar(HWND wnd) const
{
    if (!wnd || !FindBarOpen()) return false;
    for (int id : kFindControls) {
        const HWND control = GetDlgItem(m_hWnd, id);
        if (wnd == control || IsChild(control, wnd)) return true;
    }
    return false;
}

void CDeviceListDlg::PlaceList(bool withFindBar)
{
    PlaceControl(m_hWnd, m_hList, 0, 0, 313, withFindBar ? kListHeight - kFindBarHeight : kListHeight);
    for (int id : kFindControls) ShowWindow(GetDlgItem(m_hWnd, id), withFindBar ? SW_SHOW : SW_HIDE);
}

void CDeviceListDlg::OpenFindBar()
{
    PlaceList(true);
    const HWND edit = GetDlgItem(m_hWnd, IDC_FIND_TEXT);
    SetFocus(edit);
    SendMessageW(edit, EM_SETSEL, 0, -1);
}

void CDeviceListDlg::CloseFindBar()
{
    PlaceList(false);
    SetFocus(m_hList);
}

void CDeviceListDlg::FindNext(FindDirection direction)
{
    if (!FindBarOpen() || GetDlgItemUtf8(m_hWnd, IDC_FIND_TEXT).empty()) {
        OpenFindBar();
        return;
    }
    FindFrom(direction, true);
}

void CDeviceListDlg::FindFrom(FindDirection direction, bool again)
{
    const std::string text = GetDlgItemUtf8(m_hWnd, IDC_FIND_TEXT);
    const auto choice = static_cast<std::size_t>(SendDlgItemMessageW(m_hWnd, IDC_FIND_FIELD, CB_GETCURSEL, 0, 0));
    const FindField field = choice < std::size(kFindFields) ? kFindFields[choice].field : FindField::Name;
    const std::optional<std::size_t> row = m_doc.Find(RecordMatcher(field, text), SelectedRow(), direction, again);
    SetDlgItemUtf8(m_hWnd, IDC_FIND_STATUS, !text.empty() && !row ? kFindNotFound : "");
    if (row) SelectRow(*row);
}
