#include "entrydlg.h"

#include <iterator>

#include "filechooser_iface.h"
#include "gbk.h"
#include "prompt.h"
#include "resource.h"
#include "windowtext.h"
#include "wintext.h"

namespace {

struct FieldControl {
    int id;
    std::string CDeviceFieldsDlg::*member;
};
// Every edit with the member it shows, in template order.
constexpr FieldControl kFields[] = {
    {IDC_NAME, &CDeviceFieldsDlg::m_strName},       {IDC_FID, &CDeviceFieldsDlg::m_strFid},
    {IDC_ROM, &CDeviceFieldsDlg::m_strRomKb},         {IDC_VOLTAGE, &CDeviceFieldsDlg::m_strVoltage},
    {IDC_SIG1, &CDeviceFieldsDlg::m_strSig1},       {IDC_SIG2, &CDeviceFieldsDlg::m_strSig2},
    {IDC_SIG3, &CDeviceFieldsDlg::m_strSig3},
};

}  // namespace

CDeviceFieldsDlg::CDeviceFieldsDlg(HINSTANCE inst, IPrompt& prompt, int templateId, const char* title)
    : m_hInst(inst), m_prompt(prompt), m_templateId(templateId), m_title(title)
{
}

int CDeviceFieldsDlg::RunModal(HWND owner)
{
    const INT_PTR result = DialogBoxParamW(m_hInst, MAKEINTRESOURCEW(m_templateId), owner, DialogProc,
                                           reinterpret_cast<LPARAM>(this));
    return static_cast<int>(result);
}

void CDeviceFieldsDlg::EndDialog(int result) { ::EndDialog(m_hWnd, result); }

INT_PTR CALLBACK CDeviceFieldsDlg::DialogProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_INITDIALOG) {
        auto* self = reinterpret_cast<CDeviceFieldsDlg*>(lParam);
        SetWindowLongPtrW(wnd, DWLP_USER, lParam);
        self->m_hWnd = wnd;
        self->OnInitDialog();
        return TRUE;
    }
    auto* self = reinterpret_cast<CDeviceFieldsDlg*>(GetWindowLongPtrW(wnd, DWLP_USER));
    if (!self) return FALSE;
    switch (msg) {
    case WM_COMMAND:
        if (HIWORD(wParam) != BN_CLICKED) return FALSE;
        if (LOWORD(wParam) == IDOK) {
            self->OnOK();
            return TRUE;
        }
        if (LOWORD(wParam) == IDCANCEL) {  // without reading the controls
            self->EndDialog(IDCANCEL);
            return TRUE;
        }
        return self->OnCommand(LOWORD(wParam)) ? TRUE : FALSE;
    case WM_NCDESTROY:
        self->m_hWnd = nullptr;
        return FALSE;
    default:
        return FALSE;
    }
}

void CDeviceFieldsDlg::OnInitDialog()
{
    SetWindowUtf8(m_hWnd, m_title);
    for (const ControlText& b : kEntryButtons)
        if (const HWND button = GetDlgItem(m_hWnd, b.id)) SetWindowUtf8(button, b.text);
    for (const EntryLabel& label : kEntryLabels) SetDlgItemUtf8(m_hWnd, label.id, label.text);
    FillControls();
}

void CDeviceFieldsDlg::FillControls()
{
    for (const FieldControl& f : kFields) SetDlgItemUtf8(m_hWnd, f.id, this->*f.member);
}

void CDeviceFieldsDlg::ReadControls()
{
    for (const FieldControl& f : kFields) this->*f.member = GetDlgItemUtf8(m_hWnd, f.id);
}

void CDeviceFieldsDlg::LoadRecord(const DeviceRecord& rec)
{
    const DeviceFieldTexts t = RecordToTexts(rec);
    m_loadedName = t.name.value_or(std::string());
    m_strName = GbkToUtf8(m_loadedName);
    m_strFid = t.fid;
    m_strRomKb = t.romKb;
    m_strVoltage = t.voltage;
    m_strSig1 = t.sig1;
    m_strSig2 = t.sig2;
    m_strSig3 = t.sig3;
}

DeviceFieldTexts CDeviceFieldsDlg::Texts() const
{
    return {GbkFieldBytes(m_loadedName, m_strName), m_strFid, m_strRomKb, m_strVoltage, m_strSig1, m_strSig2, m_strSig3};
}

void CDeviceFieldsDlg::ShowFault(const DeviceFieldFault& fault)
{
    m_prompt.Inform(fault.message);
    // The refused field gets the focus with its text selected, ready to be typed over.
    const HWND edit = GetDlgItem(m_hWnd, EntryFieldControl(fault.field));
    SendMessageW(m_hWnd, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(edit), TRUE);
    SendMessageW(edit, EM_SETSEL, 0, -1);
}

bool CDeviceFieldsDlg::CheckFields(DeviceRecord& rec)
{
    const std::optional<DeviceFieldFault> fault = TextsToRecord(Texts(), rec);
    if (fault) ShowFault(*fault);
    return !fault;
}

// ---------------------------------------------------------------------------------------------

CAddDeviceDlg::CAddDeviceDlg(HINSTANCE inst, IPrompt& prompt, IFileChooser& importChooser)
    : CDeviceFieldsDlg(inst, prompt, IDD_ADD_DEVICE, kAddTitle), m_importChooser(importChooser)
{
    m_strRomKb = "0";
    m_strVoltage = "0";
}

int CAddDeviceDlg::DoModal(HWND owner)
{
    const int result = RunModal(owner);
    return result == IDOK && m_bImport ? 3 : result;
}

void CAddDeviceDlg::OnOK()
{
    ReadControls();
    if (!CheckFields(m_record)) return;
    m_bImport = false;
    EndDialog(IDOK);
}

bool CAddDeviceDlg::OnCommand(int id)
{
    if (id != IDC_IMPORT) return false;
    std::optional<std::filesystem::path> path = m_importChooser.Choose();
    if (!path) return true;
    m_bImport = true;
    m_strImportPath = std::move(*path);
    // The device fields are not checked on this path, but the number fields are still read.
    ReadControls();
    if (const std::optional<DeviceFieldFault> fault = NumberFieldsFault(Texts())) {
        ShowFault(*fault);
        return true;
    }
    EndDialog(IDOK);
    return true;
}

// ---------------------------------------------------------------------------------------------

CEditDeviceDlg::CEditDeviceDlg(HINSTANCE inst, IPrompt& prompt) : CDeviceFieldsDlg(inst, prompt, IDD_EDIT_DEVICE, kEditTitle)
{
}

int CEditDeviceDlg::DoModal(HWND owner)
{
    if (!m_pRecord) return -1;
    LoadRecord(*m_pRecord);
    return RunModal(owner);
}

void CEditDeviceDlg::OnOK()
{
    if (!m_pRecord) return;
    ReadControls();
    // The list's record changes only when every field is accepted.
    if (!CheckFields(*m_pRecord)) return;
    EndDialog(IDOK);
}
