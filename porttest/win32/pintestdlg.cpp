#include "pintestdlg.h"

#include <iterator>
#include <vector>

#include "aboutbox.h"
#include "dialogunits.h"
#include "msgbox.h"
#include "placement.h"
#include "resource.h"
#include "tooltip.h"
#include "testertexts.h"
#include "wintext.h"
#include "wiringdlg.h"

namespace {

// A place of the layout (testerlayout.h), in dialog units.
struct Place {
    int x, y, w, h;
};

// The keys of the command table as Windows names them.
constexpr struct {
    TesterKey key;
    WORD vk;
} kKeys[] = {{TesterKey::Enter, VK_RETURN}, {TesterKey::Escape, VK_ESCAPE}, {TesterKey::F1, VK_F1}, {TesterKey::F5, VK_F5}};

// The command table's menu entries in the system menu (About has its own, 0x0010): command ids
// with the low four bits clear, as the system menu wants them.
constexpr UINT kSystemMenuBase = 0x1000;
UINT SystemMenuId(TesterCommand c) { return kSystemMenuBase + 0x10u * static_cast<UINT>(c); }

COLORREF Colour(Rgb c) { return RGB(c.r, c.g, c.b); }

// Whether `text` fits `rect` of control `wnd`, word-wrapped in its font.
bool FitsWrapped(HWND wnd, const std::wstring& text, const RECT& rect)
{
    HDC dc = GetDC(wnd);
    const HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(wnd, WM_GETFONT, 0, 0)));
    RECT need{0, 0, rect.right - rect.left, 0};
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &need, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
    SelectObject(dc, old);
    ReleaseDC(wnd, dc);
    return need.bottom <= rect.bottom - rect.top;
}

// Bitmap 130 is drawn for the template font's base units of 6 x 12 pixels, its rows beside the
// pin boxes. Where the font's base units differ (another font standing in for the template's),
// the picture is scaled with them, so that its rows stay beside their boxes.
// Returns the scaled bitmap, which the caller frees once the window is gone; null when none was made.
HBITMAP ScalePicture(HWND dlg)
{
    const RECT base = DialogRect(dlg, 0, 0, 4, 8); // 4 x 8 dialog units are one base unit each way
    const int w = MulDiv(80, base.right, 6);
    const int h = MulDiv(370, base.bottom, 12);
    const HWND picture = GetDlgItem(dlg, IDC_PICTURE);
    const auto bitmap = reinterpret_cast<HBITMAP>(SendMessageW(picture, STM_GETIMAGE, IMAGE_BITMAP, 0));
    if ((w == 80 && h == 370) || !bitmap)
        return nullptr;
    const auto scaled = static_cast<HBITMAP>(CopyImage(bitmap, IMAGE_BITMAP, w, h, 0));
    if (!scaled)
        return nullptr;
    // The template's bitmap, handed back, is no longer the control's to free.
    if (const auto old = reinterpret_cast<HBITMAP>(
            SendMessageW(picture, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(scaled))))
        DeleteObject(old);
    return scaled;
}

} // namespace

CPinTestDlg::CPinTestDlg(IPortPlatform& platform, IPrompt& prompt, HINSTANCE instance)
    // No port chooser in this window: without hardware it points at the command line.
    : m_prompt(prompt), m_hInstance(instance), m_session(platform, prompt, kTryVirtualPortHint)
{
    m_hIcon = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(IDR_MAINFRAME), IMAGE_ICON,
                                            GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON), 0));
    m_hSmallIcon = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(IDR_MAINFRAME), IMAGE_ICON,
                                                 GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0));
    // The keys of the command table that the dialog keys do not cover (Enter and Esc are IDOK
    // and IDCANCEL, which a focused push button takes as its own click).
    std::vector<ACCEL> keys;
    for (const TesterCommandRow& row : TesterCommands())
        for (const auto& k : kKeys)
            if (row.key == k.key && k.vk != VK_RETURN && k.vk != VK_ESCAPE)
                keys.push_back({static_cast<BYTE>(FVIRTKEY | (row.shift ? FSHIFT : 0)), k.vk,
                                static_cast<WORD>(ID_TESTER_COMMAND + static_cast<int>(row.id))});
    m_hAccel = CreateAcceleratorTableW(keys.data(), static_cast<int>(keys.size()));
    chooseReportFile = ChooseReportFile;
}

CPinTestDlg::~CPinTestDlg()
{
    if (m_hWnd)
        DestroyWindow(m_hWnd);
    if (m_hAccel)
        DestroyAcceleratorTable(m_hAccel);
    if (m_hStatusBrush)
        DeleteObject(m_hStatusBrush);
    if (m_hPicture)
        DeleteObject(m_hPicture);
    if (m_hIcon)
        DestroyIcon(m_hIcon);
    if (m_hSmallIcon)
        DestroyIcon(m_hSmallIcon);
}

HWND CPinTestDlg::Create(HWND owner)
{
    m_result.reset();
    return CreateDialogParamW(m_hInstance, MAKEINTRESOURCEW(IDD_PORVIK_DIALOG), owner, DialogProc,
                              reinterpret_cast<LPARAM>(this));
}

INT_PTR CPinTestDlg::DoModal(Win32Prompt* boxes, HWND owner)
{
    if (!Create(owner))
        return -1;
    if (boxes)
        boxes->SetOwner(m_hWnd);
    if (owner)
        EnableWindow(owner, FALSE);
    MSG msg;
    while (!Ended() && GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (!PreTranslateMessage(msg)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
    if (owner)
        EnableWindow(owner, TRUE);
    if (boxes)
        boxes->SetOwner(owner);
    DestroyWindow(m_hWnd);
    return EndResult();
}

bool CPinTestDlg::PreTranslateMessage(MSG& msg)
{
    if (!m_hWnd)
        return false;
    if (m_hAccel && TranslateAcceleratorW(m_hWnd, m_hAccel, &msg))
        return true;
    return IsDialogMessageW(m_hWnd, &msg) != FALSE;
}

INT_PTR CALLBACK CPinTestDlg::DialogProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_INITDIALOG) {
        auto* self = reinterpret_cast<CPinTestDlg*>(lParam);
        SetWindowLongPtrW(wnd, DWLP_USER, lParam);
        self->m_hWnd = wnd;
    }
    auto* self = reinterpret_cast<CPinTestDlg*>(GetWindowLongPtrW(wnd, DWLP_USER));
    if (!self)
        return FALSE;
    const INT_PTR result = self->OnMessage(msg, wParam, lParam);
    if (msg == WM_NCDESTROY) {
        SetWindowLongPtrW(wnd, DWLP_USER, 0);
        self->m_hWnd = nullptr;
    }
    return result;
}

INT_PTR CPinTestDlg::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_INITDIALOG:
        OnInitDialog();
        return TRUE;
    case WM_COMMAND:
        OnCommand(LOWORD(wParam), HIWORD(wParam));
        return TRUE;
    case WM_SYSCOMMAND: {
        if (IsAboutCommand(wParam)) {
            Do(TesterCommand::About);
            return TRUE;
        }
        const UINT id = static_cast<UINT>(wParam) & 0xFFF0u;
        for (const TesterCommandRow& row : TesterCommands())
            if (row.menuText && row.id != TesterCommand::About && SystemMenuId(row.id) == id) {
                Do(row.id);
                return TRUE;
            }
        return FALSE;
    }
    case WM_CTLCOLORSTATIC:
        if (reinterpret_cast<HWND>(lParam) == GetDlgItem(m_hWnd, IDC_PORT_STATUS) &&
            m_session.View().statusTone != Tone::Normal) {
            HDC dc = reinterpret_cast<HDC>(wParam);
            SetTextColor(dc, Colour(ToneText(m_session.View().statusTone)));
            SetBkMode(dc, TRANSPARENT);
            if (!m_hStatusBrush)
                m_hStatusBrush = CreateSolidBrush(GetSysColor(COLOR_BTNFACE));
            return reinterpret_cast<INT_PTR>(m_hStatusBrush);
        }
        return FALSE;
    default:
        return FALSE;
    }
}

void CPinTestDlg::CentreOnScreen() { CentreWindow(m_hWnd, nullptr); }

void CPinTestDlg::OnInitDialog()
{
    // Before start-up, so that its message boxes are centred over a window already in place.
    CentreOnScreen();
    m_hPicture = ScalePicture(m_hWnd);
    for (const ControlCaption& caption : TesterCaptions())
        SetDlgItemUtf8(m_hWnd, caption.control, caption.text);

    AddCommandEntries();
    // The command table's tooltips on their buttons.
    m_hToolTips = CreateToolTips(m_hWnd);
    for (const TesterCommandRow& row : TesterCommands())
        if (row.control && row.tooltip)
            AddToolTip(m_hToolTips, GetDlgItem(m_hWnd, row.control), row.tooltip);
    SendMessageW(m_hWnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
    SendMessageW(m_hWnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hSmallIcon));

    // Inserted at fixed positions, never sorted: the position gives the cable type.
    const HWND combo = GetDlgItem(m_hWnd, IDC_CABLE);
    int entry = 0;
    for (const CCableTester::CableEntry& cable : CCableTester::kCableEntries)
        SendMessageW(combo, CB_INSERTSTRING, static_cast<WPARAM>(entry++),
                     reinterpret_cast<LPARAM>(Utf8ToWide(cable.name).c_str()));

    m_session.Start();
    Render();
}

void CPinTestDlg::AddCommandEntries()
{
    // The command table's menu entries in the system menu (the window has no context menu),
    // then, last, the About entry (string 101).
    if (HMENU menu = GetSystemMenu(m_hWnd, FALSE)) {
        bool separated = false;
        for (const TesterCommandRow& row : TesterCommands()) {
            if (!row.menuText || row.id == TesterCommand::About)
                continue;
            if (!separated)
                AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
            separated = true;
            std::wstring text = Utf8ToWide(row.menuText);
            for (const auto& k : kKeys)
                if (row.key == k.key)
                    text += std::wstring(L"\t") + (row.shift ? L"Shift+" : L"") + (k.vk == VK_F1 ? L"F1" : L"F5");
            AppendMenuW(menu, MF_STRING, SystemMenuId(row.id), text.c_str());
        }
    }
    AppendAboutMenuItem(m_hWnd, m_hInstance, IDS_ABOUTBOX);
}

void CPinTestDlg::OnCommand(int id, int code)
{
    for (const PinBoxRow& box : PinBoxes())
        if (box.control == id) {
            // The auto check box has already flipped its tick: that is the level asked for.
            if (code == BN_CLICKED) {
                m_session.ClickPin(box.pin, IsDlgButtonChecked(m_hWnd, id) == BST_CHECKED);
                Render();
            }
            return;
        }
    if (id == IDC_CABLE) {
        if (code == CBN_SELCHANGE) {
            m_session.ChooseCable(static_cast<int>(SendDlgItemMessageW(m_hWnd, IDC_CABLE, CB_GETCURSEL, 0, 0)));
            Render();
        }
        return;
    }
    // Buttons (BN_CLICKED is 0, as is a menu command) and the keys of the accelerator table (1).
    if (code != BN_CLICKED && code != 1)
        return;
    // The edits' texts as they stand are what a register write takes.
    m_session.SetRegisterTexts(GetDlgItemUtf8(m_hWnd, IDC_DATA), GetDlgItemUtf8(m_hWnd, IDC_CONTROL));
    if (id >= ID_TESTER_COMMAND && id < ID_TESTER_COMMAND + kTesterCommands) {
        Do(static_cast<TesterCommand>(id - ID_TESTER_COMMAND));
        return;
    }
    // Enter outside a push button: the command table's OK action.
    if (id == IDOK) {
        Act(m_session.PressKey(TesterKey::Enter, false));
        return;
    }
    Act(m_session.Click(id));
}

void CPinTestDlg::Do(TesterCommand command) { Act(m_session.Run(command)); }

void CPinTestDlg::Act(CTesterSession::Effect effect)
{
    Render();
    switch (effect) {
    case CTesterSession::Effect::None:
        return;
    case CTesterSession::Effect::ShowAbout:
        RunAboutBox(m_hInstance, m_hWnd, IDD_ABOUTBOX);
        return;
    case CTesterSession::Effect::ShowWiring:
        RunWiringDialog(m_hInstance, m_hWnd, *m_session.TakeWiring(), m_prompt, chooseReportFile);
        m_session.WiringClosed();
        Render();
        return;
    case CTesterSession::Effect::End:
        m_result = kEnded;
        return;
    case CTesterSession::Effect::Reopen:
        m_result = kReopen;
        return;
    }
}

void CPinTestDlg::Render()
{
    const TesterView& view = m_session.View();
    for (const PinBoxRow& box : PinBoxes())
        CheckDlgButton(m_hWnd, box.control,
                       view.pinTicked[static_cast<std::size_t>(box.pin)] ? BST_CHECKED : BST_UNCHECKED);
    SetDlgItemUtf8(m_hWnd, IDC_DATA, view.data);
    SetDlgItemUtf8(m_hWnd, IDC_CONTROL, view.control);
    SetDlgItemUtf8(m_hWnd, IDC_STATUS, view.status);
    for (int t = 0; t < CCableTester::kToggles; ++t)
        SetDlgItemUtf8(m_hWnd, kToggleControls[t], view.toggleCaptions[static_cast<std::size_t>(t)]);
    SetDlgItemUtf8(m_hWnd, IDC_MISO, view.misoCaption);
    for (std::size_t i = 0; i < std::size(kSignalLabelControls); ++i)
        SetDlgItemUtf8(m_hWnd, kSignalLabelControls[i], view.signalLabels[i]);
    if (SendDlgItemMessageW(m_hWnd, IDC_CABLE, CB_GETCURSEL, 0, 0) != view.cableEntry)
        SendDlgItemMessageW(m_hWnd, IDC_CABLE, CB_SETCURSEL, static_cast<WPARAM>(view.cableEntry), 0);
    HMENU menu = GetSystemMenu(m_hWnd, FALSE);
    for (const TesterCommandRow& row : TesterCommands()) {
        const bool enabled = view.Enabled(row.id);
        if (row.control)
            EnableWindow(GetDlgItem(m_hWnd, row.control), enabled);
        if (menu && row.menuText && row.id != TesterCommand::About)
            EnableMenuItem(menu, SystemMenuId(row.id), MF_BYCOMMAND | (enabled ? MF_ENABLED : MF_GRAYED));
    }
    ShowStatusLine();
}

void CPinTestDlg::ShowStatusLine()
{
    // The whole text when it fits the line; else the line beside the details button.
    const HWND line = GetDlgItem(m_hWnd, IDC_PORT_STATUS);
    const std::wstring text = Utf8ToWide(m_session.View().statusLine);
    const Place full{RC_PORT_STATUS}, narrow{RC_PORT_STATUS_CUT};
    const bool cut = !FitsWrapped(line, text, DialogRect(m_hWnd, full.x, full.y, full.w, full.h));
    const Place p = cut ? narrow : full;
    PlaceControl(m_hWnd, line, p.x, p.y, p.w, p.h);
    SetWindowTextW(line, text.c_str());
    ShowWindow(GetDlgItem(m_hWnd, IDC_PORT_DETAILS), cut ? SW_SHOWNA : SW_HIDE);
    InvalidateRect(line, nullptr, TRUE);
}
