#pragma once
#include <optional>
#include <QDialog>
#include <QIcon>

#include <array>
#include <cstddef>
#include <filesystem>

#include "entrydlg.h"
#include "filechooser.h"
#include "listdocument.h"
#include "listfind.h"
#include "prompt.h"
#include "qtprompt.h"
#include "record.h"
#include "windowtext.h"
#include "xtwidgets.h"

class DeviceListModel;
class FindBar;
class QAction;
class QLabel;

// Where the main window's questions, messages and file names come from. nullptr means the real
// message box or file dialog; tests put scripted ones here.
struct DeviceListServices {
    IPrompt* prompt = nullptr;
    IFileChooser* open = nullptr;
    IFileChooser* save = nullptr;
    IFileChooser* import = nullptr;
};

// The main window: the device list beside seven buttons. It wires the buttons, the list view and
// the two entry dialogs to the list document, which owns the records and the flows.
class CDeviceListDlg : public QDialog {
    Q_OBJECT
public:
    using Services = DeviceListServices;
    using enum MainControl;

    explicit CDeviceListDlg(const Services& services = {}, QWidget* parent = nullptr);
    ~CDeviceListDlg() override;

    int DoModal() { return exec(); }

    // Flows behind the buttons; public so that the shell and tests can reach them directly.
    void OnOpenFile();
    // What 打开文件 does once its dialog has named a file; also the shell's open of a file named
    // on the command line.
    void OpenListFile(const std::filesystem::path& path);
    bool OnSaveFile();  // true when the file was written
    // The save question before the list is left or replaced: true when the caller may go on.
    bool SaveChangesFirst();
    // The selected row as a list index, or nothing after asking the user to select one first.
    std::optional<std::size_t> SelectedDevice();
    void OnAddDevice();
    void AppendDevice(const DeviceRecord& record);
    void ImportDevices(const std::filesystem::path& path);
    void DeleteDevice();
    void ModifyDevice();
    void TidyDevices();
    void RefillList();
    void OnAbout();

    // Ctrl+F opens the find bar under the list; each change of its text searches from the
    // selected row, Enter / F3 go to the next match and Shift+F3 to the previous, Esc closes it.
    void OpenFindBar();
    void CloseFindBar();
    void FindNext(FindDirection direction);
    // Ctrl+Z / Ctrl+Y and the context menu.
    void OnUndo();
    void OnRedo();
    // A file dropped on the window: the save question, then what 打开文件 does with a named file.
    void OpenDroppedFile(const std::filesystem::path& path);

    // Enter never closes the window; Esc, the exit button and the close box ask first.
    void OnOK();
    void OnCancel();

    bool IsModified() const { return m_doc.IsModified(); }
    const DeviceList& List() const { return m_doc.List(); }
    DeviceListDocument& Document() { return m_doc; }
    CXTListCtrl* ListCtrl() const { return m_pListCtrl; }
    DeviceListModel* Model() const { return m_pModel; }
    CAddDeviceDlg& AddDialog() { return m_dlgAdd; }
    CEditDeviceDlg& EditDialog() { return m_dlgEdit; }
    QAction* AboutAction() const { return m_pAboutAction; }
    QAction* UndoAction() const { return m_pUndoAction; }
    QAction* RedoAction() const { return m_pRedoAction; }
    FindBar* FindBarWidget() const { return m_pFindBar; }

    static const char* const kCaption;

public slots:
    void accept() override { OnOK(); }
    // Esc: closes the find bar while it is open, wherever the focus is; otherwise the exit flow.
    void reject() override;

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void customEvent(QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
#ifdef Q_OS_WIN
    bool nativeEvent(const QByteArray& eventType, void* message, qintptr* result) override;
#endif

private:
    void SetupWindow();
    long SelectedRow() const;
    void SetupFindAndUndo();
    void OnRowsChanged();
    void FindFrom(FindDirection direction, bool again);
    void PostIdleWork();
    void PlaceList(bool withFindBar);
    void FitColumnsBesideScrollBar();
    // Selects `row` (< the row count) and scrolls it into view.
    void ShowRow(std::size_t row);
    std::optional<std::size_t> SelectedIndex() const;

    // The real prompt and choosers; the references below point at them unless tests injected
    // their own. Declared before the dialogs and the document that take those references.
    QtPrompt m_realPrompt;
    QtFileChooser m_realOpen;
    QtFileChooser m_realSave;
    QtFileChooser m_realImport;
    IPrompt& m_prompt;
    IFileChooser& m_openChooser;
    IFileChooser& m_saveChooser;
    IFileChooser& m_importChooser;

    CAddDeviceDlg m_dlgAdd;
    CEditDeviceDlg m_dlgEdit;
    DeviceListDocument m_doc;
    bool m_bIdleWorkPosted = false;
    std::array<CXTButton, 7> m_btns;  // exit, open, save, tidy, add, delete, modify
    CXTListCtrl* m_pListCtrl = nullptr;
    DeviceListModel* m_pModel = nullptr;
    QAction* m_pAboutAction = nullptr;
    QAction* m_pUndoAction = nullptr;
    QAction* m_pRedoAction = nullptr;
    FindBar* m_pFindBar = nullptr;
    QIcon m_hIcon;
};
