#pragma once
#include <filesystem>

#include <QDialog>

#include "ddx.h"
#include "record.h"
#include "recordfields.h"
#include "windowtext.h"
#include "xtwidgets.h"

class IPrompt;
class IFileChooser;
class DialogUnits;


// What the two entry dialogs share: the device fields, their exchange and their checks.
class CDeviceFieldsDlg : public QDialog {
    Q_OBJECT
public:
    // Moves the texts between controls and members; the rule (TextsToRecord) checks them on OK.
    void UpdateData(bool saveAndValidate);

    CGbkString m_strName;
    QString m_strSig1, m_strSig2, m_strSig3;
    QString m_strRomKb = QStringLiteral("0");
    QString m_strFid;
    QString m_strVoltage = QStringLiteral("0");

    CXTButton m_btnOK, m_btnCancel;

    // OK and Cancel, and Enter/Esc/the close box, go through the handlers.
    void accept() override { OnOK(); }
    void reject() override { OnCancel(); }

protected:
    CDeviceFieldsDlg(IPrompt& prompt, QWidget* parent);

    // Creates the edits and labels shared by both templates at their template positions, the
    // OK/Cancel buttons at theirs and, for the add template, the import button.
    void CreateControls(const DialogUnits& du, TemplateRect okRect, TemplateRect cancelRect, bool withImport);
    virtual void DoDataExchange(CDataExchange& dx);
    virtual void OnOK() = 0;
    void OnCancel() { done(2); }
    // Fills the controls from the members and puts the focus where a fresh dialog has it.
    void OnInitDialog();
    // The members as the rule takes them.
    DeviceFieldTexts Texts() const;
    // The checks of OK on the members as they stand, into `rec`; false after showing the first
    // failure, with `rec` untouched.
    bool CheckFields(DeviceRecord& rec);
    // Shows the fault's message and puts the focus on its field.
    void ShowFault(const DeviceFieldFault& fault);
    // Ends the modal run with `result`.
    int RunModal();

    IPrompt& m_prompt;
};

class CAddDeviceDlg : public CDeviceFieldsDlg {
    Q_OBJECT
public:
    CAddDeviceDlg(IPrompt& prompt, IFileChooser& importChooser, QWidget* parent = nullptr);

    // 1 when OK was accepted (m_record holds the device), 3 when a file was chosen with
    // "从文件导入" (m_strImportPath holds it), else 2.
    int DoModal();

    std::filesystem::path m_strImportPath;
    bool m_bImport = false;
    DeviceRecord m_record{};  // padding stays zero
    CXTButton m_btnImport;

protected:
    void DoDataExchange(CDataExchange& dx) override;
    void OnOK() override;
    void OnImportFromFile();

private:
    void OnCreate();
    IFileChooser& m_importChooser;
};

class CEditDeviceDlg : public CDeviceFieldsDlg {
    Q_OBJECT
public:
    explicit CEditDeviceDlg(IPrompt& prompt, QWidget* parent = nullptr);

    // -1 without showing anything when m_pRecord is empty; else 1 for OK, 2 for Cancel.
    // The record changes only when OK passes every check.
    int DoModal();

    DeviceRecord* m_pRecord = nullptr;  // the list's record, not owned

protected:
    void OnOK() override;

private:
    void OnCreate();
};
