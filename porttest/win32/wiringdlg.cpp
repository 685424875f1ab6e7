#include "wiringdlg.h"

#include <commctrl.h>

#include <iterator>
#include <string>

#include "dialogunits.h"
#include "systemfiledialog.h"
#include "resource.h"
#include "testertexts.h"
#include "wintext.h"

namespace {

// Widths of the table's columns in dialog units; the last takes the rest.
constexpr int kColumnUnits[] = {36, 36, 80}; // the result: "失败 123/4567 次" in a wiggle test
// The wiggle test's runs, one per tick of this timer, between the dialog's own messages.
constexpr UINT_PTR kRepeatTimer = 1;

COLORREF Colour(Rgb c) { return RGB(c.r, c.g, c.b); }

struct WiringDialog {
    CWiringSession& session;
    IPrompt& prompt;
    const ReportFileChooser& chooseFile;
};

void AddColumns(HWND dlg)
{
    const HWND table = GetDlgItem(dlg, IDC_WIRING_TABLE);
    ListView_SetExtendedListViewStyle(table, LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES);
    RECT client;
    GetClientRect(table, &client);
    int used = 0;
    for (int c = 0; c < static_cast<int>(std::size(kWiringHeaders)); ++c) {
        std::wstring header = Utf8ToWide(kWiringHeaders[c]);
        LVCOLUMNW col{};
        col.mask = LVCF_TEXT | LVCF_WIDTH;
        col.pszText = header.data();
        col.cx = c < static_cast<int>(std::size(kColumnUnits)) ? DialogUnitsX(dlg, kColumnUnits[c])
                                                              : client.right - used - GetSystemMetrics(SM_CXVSCROLL);
        used += col.cx;
        SendMessageW(table, LVM_INSERTCOLUMNW, static_cast<WPARAM>(c), reinterpret_cast<LPARAM>(&col));
    }
}

void Render(HWND dlg, const CWiringSession& session)
{
    const WiringView& view = session.View();
    SetDlgItemUtf8(dlg, IDC_WIRING_EXPECTED, view.subject);
    SetDlgItemUtf8(dlg, IDC_WIRING_SUMMARY, view.summary);
    InvalidateRect(GetDlgItem(dlg, IDC_WIRING_SUMMARY), nullptr, TRUE);

    const HWND table = GetDlgItem(dlg, IDC_WIRING_TABLE);
    ShowWindow(table, view.tableShown ? SW_SHOWNA : SW_HIDE);
    SendMessageW(table, WM_SETREDRAW, FALSE, 0);
    SendMessageW(table, LVM_DELETEALLITEMS, 0, 0);
    int row = 0;
    for (const WiringRowView& r : view.rows) {
        for (int c = 0; c < static_cast<int>(r.cells.size()); ++c) {
            std::wstring text = Utf8ToWide(r.cells[static_cast<std::size_t>(c)]);
            LVITEMW item{};
            item.mask = LVIF_TEXT | (c == 0 ? LVIF_PARAM : 0);
            item.iItem = row;
            item.iSubItem = c;
            item.pszText = text.data();
            item.lParam = static_cast<LPARAM>(r.tone);
            SendMessageW(table, c == 0 ? LVM_INSERTITEMW : LVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&item));
        }
        ++row;
    }
    SendMessageW(table, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(table, nullptr, TRUE);

    const HWND repeat = GetDlgItem(dlg, IDC_WIRING_REPEAT);
    ShowWindow(repeat, view.repeatOffered ? SW_SHOWNA : SW_HIDE);
    SetWindowUtf8(repeat, view.repeatCaption);
    EnableWindow(repeat, view.repeatEnabled);
    if (!session.Repeating())
        KillTimer(dlg, kRepeatTimer);
}

INT_PTR CALLBACK WiringProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam)
{
    auto* self = reinterpret_cast<WiringDialog*>(GetWindowLongPtrW(dlg, DWLP_USER));
    switch (msg) {
    case WM_INITDIALOG:
        SetWindowLongPtrW(dlg, DWLP_USER, lParam);
        self = reinterpret_cast<WiringDialog*>(lParam);
        SetWindowUtf8(dlg, kWiringDialogTitle);
        SetDlgItemUtf8(dlg, IDC_WIRING_SAVE, kSaveReportButton);
        AddColumns(dlg);
        Render(dlg, self->session);
        return TRUE;
    case WM_TIMER:
        if (wParam == kRepeatTimer && self) {
            self->session.RunOnce();
            Render(dlg, self->session);
            return TRUE;
        }
        return FALSE;
    case WM_CTLCOLORSTATIC:
        if (self && reinterpret_cast<HWND>(lParam) == GetDlgItem(dlg, IDC_WIRING_SUMMARY)) {
            HDC dc = reinterpret_cast<HDC>(wParam);
            SetTextColor(dc, Colour(ToneText(self->session.View().summaryTone)));
            SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
            return reinterpret_cast<INT_PTR>(GetSysColorBrush(COLOR_BTNFACE));
        }
        return FALSE;
    case WM_NOTIFY: {
        // Each row in the colour of its verdict.
        auto* hdr = reinterpret_cast<NMHDR*>(lParam);
        if (hdr->idFrom != IDC_WIRING_TABLE || hdr->code != NM_CUSTOMDRAW)
            return FALSE;
        auto* draw = reinterpret_cast<NMLVCUSTOMDRAW*>(lParam);
        LRESULT result = CDRF_DODEFAULT;
        if (draw->nmcd.dwDrawStage == CDDS_PREPAINT) {
            result = CDRF_NOTIFYITEMDRAW;
        } else if (draw->nmcd.dwDrawStage == CDDS_ITEMPREPAINT) {
            draw->clrTextBk = Colour(ToneRow(static_cast<Tone>(draw->nmcd.lItemlParam)));
            draw->clrText = RGB(0, 0, 0);
        }
        SetWindowLongPtrW(dlg, DWLP_MSGRESULT, result);
        return TRUE;
    }
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK:
        case IDCANCEL:
            self->session.Stop();
            KillTimer(dlg, kRepeatTimer);
            EndDialog(dlg, LOWORD(wParam));
            return TRUE;
        case IDC_WIRING_SAVE:
            if (const auto file = self->chooseFile(dlg))
                if (const auto error = self->session.Save(*file))
                    self->prompt.Inform(*error);
            return TRUE;
        case IDC_WIRING_REPEAT:
            self->session.ToggleRepeat();
            if (self->session.Repeating())
                SetTimer(dlg, kRepeatTimer, 0, nullptr);
            Render(dlg, self->session);
            return TRUE;
        default:
            return FALSE;
        }
    default:
        return FALSE;
    }
}

} // namespace

std::optional<std::string> ChooseReportFile(HWND owner)
{
    const std::optional<std::wstring> chosen =
        RunFileDialog({owner, true, std::wstring(L"JSON (*.json)") + L'\0' + L"*.json" + L'\0', L"json",
                       Utf8ToWide(kSaveReportTitle), Utf8ToWide(kSaveReportDefaultName)});
    if (!chosen)
        return std::nullopt;
    return WideToUtf8(*chosen);
}

void RunWiringDialog(HINSTANCE instance, HWND owner, CWiringSession& session, IPrompt& prompt,
                     const ReportFileChooser& chooseFile)
{
    WiringDialog state{session, prompt, chooseFile};
    DialogBoxParamW(instance, MAKEINTRESOURCEW(IDD_WIRING), owner, WiringProc, reinterpret_cast<LPARAM>(&state));
}
