#include "pintestdlg.h"

#include <iterator>

#include "aboutbox.h"
#include "dialogunits.h"
#include "msgbox.h"
#include "parsehex.h"
#include "placement.h"
#include "portstatus.h"
#include "resource.h"
#include "testertexts.h"
#include "wintext.h"
#include "wiringdlg.h"

namespace {

// A pin box of the template: its pin, and whether a click drives it (else it only refreshes).
struct PinBox {
    int id;
    int pin;
    bool writable;
};

constexpr PinBox kPinBoxes[] = {
    {IDC_PIN1, 1, true},    {IDC_PIN2, 2, true},    {IDC_PIN14, 14, true},  {IDC_PIN15, 15, false},
    {IDC_PIN16, 16, true},  {IDC_PIN17, 17, true},  {IDC_PIN3, 3, true},    {IDC_PIN4, 4, true},
    {IDC_PIN5, 5, true},    {IDC_PIN6, 6, true},    {IDC_PIN7, 7, true},    {IDC_PIN8, 8, true},
    {IDC_PIN9, 9, true},    {IDC_PIN10, 10, false}, {IDC_PIN11, 11, false}, {IDC_PIN12, 12, false},
    {IDC_PIN13, 13, false},
};

const PinBox* FindPinBox(int id)
{
    for (const PinBox& box : kPinBoxes)
        if (box.id == id)
            return &box;
    return nullptr;
}

// The toggle buttons, by CCableTester::Toggle.
constexpr int kToggleButtons[CCableTester::kToggles] = {IDC_MOSI, IDC_SCK, IDC_RST, IDC_R1, IDC_R2};

// Each signal's pin label and the entry of the cable's map it names.
constexpr struct {
    int id;
    int CIspCable::* pin;
} kPinLabels[] = {
    {IDC_MOSI_PIN, &CIspCable::m_nMosiPin}, {IDC_MISO_PIN, &CIspCable::m_nMisoPin},
    {IDC_SCK_PIN, &CIspCable::m_nSckPin},   {IDC_RST_PIN, &CIspCable::m_nRstPin},
    {IDC_R1_PIN, &CIspCable::m_nR1Pin},     {IDC_R2_PIN, &CIspCable::m_nR2Pin},
};

// Captions of template 102 that are not plain ASCII (set at start-up; see porvik.rc).
constexpr struct {
    int id;
    const char* text;
} kCaptions[] = {
    {IDCANCEL, "退出程序"},
    {IDC_DATA_LABEL, "数据字:"},
    {IDC_CONTROL_LABEL, "控制字:"},
    {IDC_STATUS_LABEL, "状态字:"},
    {IDC_WRITE_DATA, "刷新"},
    {IDC_WRITE_CONTROL, "刷新"},
    {IDC_REFRESH, "刷新"},
    {IDC_PORT_GROUP, "并口"},
    {IDC_CABLE_GROUP, "下载线"},
    {IDC_HINT, "注意:是否使用了器件的锁存控制和输出控制"},
    {IDC_PORT_DETAILS, kPortDetailsButton},
};

// The status line's colour for a port that is not a working real one.
constexpr COLORREF kNoRealPortColour = RGB(180, 0, 0);

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
    : m_platform(platform), m_prompt(prompt), m_hInstance(instance), m_tester(platform, prompt),
      m_cable(m_tester.Cable())
{
    m_hIcon = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(IDR_MAINFRAME), IMAGE_ICON,
                                            GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON), 0));
    m_hSmallIcon = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(IDR_MAINFRAME), IMAGE_ICON,
                                                 GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0));
    m_hAccel = LoadAcceleratorsW(instance, MAKEINTRESOURCEW(IDR_ACCELERATORS));
}

CPinTestDlg::~CPinTestDlg()
{
    if (m_hWnd)
        DestroyWindow(m_hWnd);
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
    m_bEnded = false;
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
    while (!m_bEnded && GetMessageW(&msg, nullptr, 0, 0) > 0) {
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
    return IDCANCEL;
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
    case WM_SYSCOMMAND:
        if (IsAboutCommand(wParam)) {
            OnAbout();
            return TRUE;
        }
        return FALSE;
    case WM_CTLCOLORSTATIC:
        if (reinterpret_cast<HWND>(lParam) == GetDlgItem(m_hWnd, IDC_PORT_STATUS) && m_bStatusWarns) {
            HDC dc = reinterpret_cast<HDC>(wParam);
            SetTextColor(dc, kNoRealPortColour);
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
    for (const auto& caption : kCaptions)
        SetDlgItemUtf8(m_hWnd, caption.id, caption.text);
    for (int t = 0; t < CCableTester::kToggles; ++t)
        SetDlgItemUtf8(m_hWnd, kToggleButtons[t], CCableTester::ToggleCaption(static_cast<CCableTester::Toggle>(t), 1));

    AppendAboutMenuItem(m_hWnd, m_hInstance, IDS_ABOUTBOX);
    SendMessageW(m_hWnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
    SendMessageW(m_hWnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hSmallIcon));

    // Inserted at fixed positions, never sorted: the position gives the cable type.
    const HWND combo = GetDlgItem(m_hWnd, IDC_CABLE);
    int entry = 0;
    for (const CCableTester::CableEntry& cable : CCableTester::kCableEntries)
        SendMessageW(combo, CB_INSERTSTRING, static_cast<WPARAM>(entry++),
                     reinterpret_cast<LPARAM>(Utf8ToWide(cable.name).c_str()));
    SendMessageW(combo, CB_SETCURSEL, CCableTester::kQorelIspEntry, 0);

    m_tester.Start();
    ApplyCable(CCableTester::kQorelIspEntry);
    m_bInitialized = true;
    ShowPortInUse();
}

void CPinTestDlg::OnCommand(int id, int code)
{
    if (FindPinBox(id)) {
        if (code == BN_CLICKED)
            OnPinBox(id);
        return;
    }
    if (id == IDC_CABLE) {
        if (code == CBN_SELCHANGE)
            ApplyCable(static_cast<int>(SendDlgItemMessageW(m_hWnd, IDC_CABLE, CB_GETCURSEL, 0, 0)));
        return;
    }
    // Buttons (BN_CLICKED is 0, as is a menu command) and the keys of the accelerator table (1).
    if (code != BN_CLICKED && code != 1)
        return;
    switch (id) {
    case IDOK: // Enter: the window's OK action is empty
        return;
    case IDCANCEL:
        m_bEnded = true;
        return;
    case IDC_WRITE_DATA:
        OnWriteRegister(IDC_DATA, &CIspCable::WriteData);
        return;
    case IDC_WRITE_CONTROL:
        OnWriteRegister(IDC_CONTROL, &CIspCable::WriteControl);
        return;
    case IDC_REFRESH:
        RefreshFromPort();
        return;
    case IDC_MISO:
        OnReadMiso();
        return;
    case IDC_PORT_DETAILS:
        m_prompt.Inform(m_strStatusLine);
        return;
    case ID_KEY_ABOUT:
        OnAbout();
        return;
    case ID_WIRING_PLUG:
        OnWiringTest(false);
        return;
    case ID_WIRING_CABLE:
        OnWiringTest(true);
        return;
    default:
        break;
    }
    for (int t = 0; t < CCableTester::kToggles; ++t)
        if (kToggleButtons[t] == id)
            OnToggle(static_cast<CCableTester::Toggle>(t));
}

void CPinTestDlg::OnPinBox(int id)
{
    // The auto check box has already flipped its tick: that is the level asked for. A display-only
    // box only refreshes, which puts back the pin's real input level.
    const PinBox* box = FindPinBox(id);
    if (box->writable) {
        if (IsDlgButtonChecked(m_hWnd, id) == BST_CHECKED)
            m_cable.SetPin(box->pin);
        else
            m_cable.ClearPin(box->pin);
    }
    RefreshFromPort();
}

void CPinTestDlg::RefreshFromPort()
{
    const CCableTester::Reading r = m_tester.ReadAll();
    for (const PinBox& box : kPinBoxes)
        CheckDlgButton(m_hWnd, box.id, r.pinHigh[static_cast<std::size_t>(box.pin)] ? BST_CHECKED : BST_UNCHECKED);
    SetDlgItemUtf8(m_hWnd, IDC_DATA, CCableTester::RegisterText(r.data));
    SetDlgItemUtf8(m_hWnd, IDC_CONTROL, CCableTester::RegisterText(r.control));
    SetDlgItemUtf8(m_hWnd, IDC_STATUS, CCableTester::RegisterText(r.status));
    // A port can fail between two refreshes; the line must not go on calling it usable.
    ShowPortInUse();
}

void CPinTestDlg::ApplyCable(int entry)
{
    m_tester.ChooseCable(entry);
    for (const auto& label : kPinLabels)
        SetDlgItemUtf8(m_hWnd, label.id, CCableTester::PinLabel(m_cable.*label.pin));
    // The settings-file note belongs to the Qorel Isp entry only.
    if (m_bInitialized)
        ShowPortInUse();
}

void CPinTestDlg::ShowPortInUse()
{
    const PortInUse inUse = m_cable.InUse();
    const std::string reason = m_platform.FailureReason();
    // No port chooser in this window: without hardware it points at the command line.
    m_strStatusLine = PortStatusText(inUse, reason, m_cable.m_mapSource, kTryVirtualPortHint);
    m_bStatusWarns = PortStatusWarns(inUse, reason, m_cable.m_mapSource);

    // The whole text when it fits the line; else the line beside the details button.
    const HWND line = GetDlgItem(m_hWnd, IDC_PORT_STATUS);
    const std::wstring text = Utf8ToWide(m_strStatusLine);
    const RECT whole = DialogRect(m_hWnd, 7, 256, 216, 24);
    const bool cut = !FitsWrapped(line, text, whole);
    PlaceControl(m_hWnd, line, 7, 256, cut ? 186 : 216, 24);
    SetWindowTextW(line, text.c_str());
    ShowWindow(GetDlgItem(m_hWnd, IDC_PORT_DETAILS), cut ? SW_SHOWNA : SW_HIDE);
    InvalidateRect(line, nullptr, TRUE);
}

void CPinTestDlg::OnWriteRegister(int editId, void (CIspCable::*write)(std::uint8_t))
{
    std::uint8_t value = 0;
    if (ParseHexByte(GetDlgItemUtf8(m_hWnd, editId), value))
        (m_cable.*write)(value);
    else
        m_prompt.Message(kBadRegisterValue, IPrompt::Buttons::Ok);
    RefreshFromPort();
}

void CPinTestDlg::OnToggle(CCableTester::Toggle toggle)
{
    const int level = m_tester.FlipToggle(toggle);
    SetDlgItemUtf8(m_hWnd, kToggleButtons[static_cast<int>(toggle)], CCableTester::ToggleCaption(toggle, level));
    RefreshFromPort();
}

void CPinTestDlg::OnReadMiso()
{
    RefreshFromPort();
    SetDlgItemUtf8(m_hWnd, IDC_MISO, CCableTester::MisoCaption(m_cable.GetMiso()));
    RefreshFromPort();
}

void CPinTestDlg::OnWiringTest(bool selectedCable)
{
    const WiringReport report = m_tester.TestWiring(selectedCable);
    RefreshFromPort();
    RunWiringDialog(m_hInstance, m_hWnd, report);
}

void CPinTestDlg::OnAbout() { RunAboutBox(m_hInstance, m_hWnd, IDD_ABOUTBOX); }
