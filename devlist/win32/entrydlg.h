#pragma once
#include <filesystem>
#include <string>

#include <windows.h>

#include "record.h"
#include "recordfields.h"

class IPrompt;
class IFileChooser;

// What the two entry dialogs (templates 129 and 132) share: the device fields as the user typed
// them, kept from one use to the next, moved between the controls and the members, and checked
// on OK by the core's record-field rule.
class CDeviceFieldsDlg {
public:
    CDeviceFieldsDlg(const CDeviceFieldsDlg&) = delete;
    CDeviceFieldsDlg& operator=(const CDeviceFieldsDlg&) = delete;
    virtual ~CDeviceFieldsDlg() = default;

    // The fields' texts, UTF-8.
    std::string m_strName, m_strFid, m_strRomKb, m_strVoltage, m_strSig1, m_strSig2, m_strSig3;
    // The name's bytes as loaded from a record: kept while the user leaves the name as it was
    // shown, so bytes that are not GBK come back unchanged.
    std::string m_loadedName;

    // The dialog while it is open, else nullptr.
    HWND Hwnd() const { return m_hWnd; }

protected:
    CDeviceFieldsDlg(HINSTANCE inst, IPrompt& prompt, int templateId, const char* title);

    int RunModal(HWND owner);
    void EndDialog(int result);
    // Members -> controls, controls -> members.
    void FillControls();
    void ReadControls();
    // The fields as the core's record-field rule takes them.
    DeviceFieldTexts Texts() const;
    // The checks of OK on the members, into `rec` (untouched on false); false after showing the
    // first failure, the refused field then having the focus with its text selected.
    bool CheckFields(DeviceRecord& rec);
    void ShowFault(const DeviceFieldFault& fault);
    // Loads the members from a record.
    void LoadRecord(const DeviceRecord& rec);

    virtual void OnOK() = 0;
    // Commands beyond OK and Cancel; true when handled.
    virtual bool OnCommand(int) { return false; }

    HINSTANCE m_hInst;
    IPrompt& m_prompt;

private:
    static INT_PTR CALLBACK DialogProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam);
    void OnInitDialog();

    int m_templateId;
    const char* m_title;
    HWND m_hWnd = nullptr;
};

class CAddDeviceDlg : public CDeviceFieldsDlg {
public:
    CAddDeviceDlg(HINSTANCE inst, IPrompt& prompt, IFileChooser& importChooser);

    // 1 when OK was accepted (m_record holds the device), 3 when a file was chosen with
    // "从文件导入" (m_strImportPath holds it), else 2.
    int DoModal(HWND owner);

    std::filesystem::path m_strImportPath;
    bool m_bImport = false;
    DeviceRecord m_record{};

protected:
    void OnOK() override;
    bool OnCommand(int id) override;

private:
    IFileChooser& m_importChooser;
};

class CEditDeviceDlg : public CDeviceFieldsDlg {
public:
    CEditDeviceDlg(HINSTANCE inst, IPrompt& prompt);

    // -1 without showing anything when m_pRecord is empty; else 1 for OK, 2 for Cancel.
    // The record changes only when OK passes every check.
    int DoModal(HWND owner);

    DeviceRecord* m_pRecord = nullptr;  // the list's record, not owned

protected:
    void OnOK() override;
};
