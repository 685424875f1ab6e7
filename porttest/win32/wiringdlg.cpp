#include "wiringdlg.h"

#include <commctrl.h>

#include <iterator>
#include <string>

#include "dialogunits.h"
#include "resource.h"
#include "testertexts.h"
#include "wintext.h"

namespace {

constexpr COLORREF kPassRow = RGB(200, 240, 200);
constexpr COLORREF kFailRow = RGB(250, 200, 200);
constexpr COLORREF kPassText = RGB(0, 120, 0);
constexpr COLORREF kFailText = RGB(180, 0, 0);
// Widths of the table's columns in dialog units; the last takes the rest.
constexpr int kColumnUnits[] = {40, 40, 30};

void FillTable(HWND dlg, const WiringReport& report)
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
    int row = 0;
    for (const WireVerdict& v : report.wires) {
        const std::string cells[] = {WiringPinText(v.output), WiringPinText(v.input), WiringResultText(v.pass),
                                     v.finding};
        for (int c = 0; c < static_cast<int>(std::size(cells)); ++c) {
            std::wstring text = Utf8ToWide(cells[c]);
            LVITEMW item{};
            item.mask = LVIF_TEXT | (c == 0 ? LVIF_PARAM : 0);
            item.iItem = row;
            item.iSubItem = c;
            item.pszText = text.data();
            item.lParam = v.pass ? 1 : 0;
            SendMessageW(table, c == 0 ? LVM_INSERTITEMW : LVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&item));
        }
        ++row;
    }
}


INT_PTR CALLBACK WiringProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_INITDIALOG: {
        SetWindowLongPtrW(dlg, DWLP_USER, lParam);
        const WiringReport& report = *reinterpret_cast<const WiringReport*>(lParam);
        SetWindowUtf8(dlg, kWiringDialogTitle);
        SetDlgItemUtf8(dlg, IDC_WIRING_EXPECTED,
                       std::string(kExpectedWiringLabel) + report.wiringName + "\n" + WiringSubjectText(report));
        SetDlgItemUtf8(dlg, IDC_WIRING_SUMMARY, WiringSummary(report));
        FillTable(dlg, report);
        return TRUE;
    }
    case WM_CTLCOLORSTATIC:
        if (reinterpret_cast<HWND>(lParam) == GetDlgItem(dlg, IDC_WIRING_SUMMARY)) {
            const auto* report = reinterpret_cast<const WiringReport*>(GetWindowLongPtrW(dlg, DWLP_USER));
            HDC dc = reinterpret_cast<HDC>(wParam);
            SetTextColor(dc, report && report->Passed() ? kPassText : kFailText);
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
            draw->clrTextBk = draw->nmcd.lItemlParam != 0 ? kPassRow : kFailRow;
            draw->clrText = RGB(0, 0, 0);
        }
        SetWindowLongPtrW(dlg, DWLP_MSGRESULT, result);
        return TRUE;
    }
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
            EndDialog(dlg, LOWORD(wParam));
            return TRUE;
        }
        return FALSE;
    default:
        return FALSE;
    }
}

} // namespace

void RunWiringDialog(HINSTANCE instance, HWND owner, const WiringReport& report)
{
    DialogBoxParamW(instance, MAKEINTRESOURCEW(IDD_WIRING), owner, WiringProc, reinterpret_cast<LPARAM>(&report));
}
