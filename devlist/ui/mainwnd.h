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
#include "maincommands.h"
#include "mainwindowlogic.h"
#include "prompt.h"
#include "qtprompt.h"
#include "record.h"
#include "windowtext.h"
#include "xtwidgets.h"

class DeviceListModel;
class FindBar;
class QAction;
class QKeyEvent;
class QLabel;

// Where the main window's questions, messages and file names come from. nullptr means the real
// message box or file dialog; tests put scripted ones here.
struct DeviceListServices {
    IPrompt* prompt = nullptr;
    IFileChooser* open = nullptr;
    IFileChooser* save = nullptr;
    IFileChooser* import = nullptr;
};

// The main window: the device list beside seven buttons. It binds the buttons, keys, menu and
// list view to the window logic (the command table and what each command leaves on screen),
// renders the view it hands back, and runs the entry dialogs and the About box for it.
class CDeviceListDlg : public QDialog, private IMainDialogs {
    Q_OBJECT
public:
    using Services = DeviceListServices;

    explicit CDeviceListDlg(const Services& services = {}, QWidget* parent = nullptr);
    ~CDeviceListDlg() override;

    int DoModal() { return exec(); }

    // What 打开文件 does once its dialog has named a file; also the shell's open of a file named
    // on the command line.
    void OpenListFile(const std::filesystem::path& path);
    // A file dropped on the window: the save question, then what 打开文件 does with a named file.
    void OpenDroppedFile(const std::filesystem::path& path);
    // A command as its button, key or menu entry runs it, with the row selected now.
    void Run(Command command);
    void OnOpenFile() { Run(Command::Open); }
    void AppendDevice(const DeviceRecord& record);
    void DeleteDevice() { Run(Command::Delete); }
    void ModifyDevice() { Run(Command::Modify); }
    void TidyDevices() { Run(Command::Tidy); }
    void OnUndo() { Run(Command::Undo); }
    void OnRedo() { Run(Command::Redo); }
    void OpenFindBar() { Run(Command::Find); }

    bool IsModified() const { return m_doc.IsModified(); }
    const DeviceList& List() const { return m_doc.List(); }
    DeviceListDocument& Document() { return m_doc; }
    CXTListCtrl* ListCtrl() const { return m_pListCtrl; }
    DeviceListModel* Model() const { return m_pModel; }
    CAddDeviceDlg& AddDialog() { return m_dlgAdd; }
    CEditDeviceDlg& EditDialog() { return m_dlgEdit; }
    QAction* AboutAction() const { return m_pAboutAction; }
    QAction* MenuAction(Command command) const { return m_actions[static_cast<std::size_t>(command)]; }
    FindBar* FindBarWidget() const { return m_pFindBar; }

    static const char* const kCaption;

public slots:
    // Enter never closes the window: the window's keys take it first, and this is never reached.
    void accept() override {}
    // Esc where no control of the window had the focus.
    void reject() override { Run(Command::Escape); }

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void customEvent(QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
#ifdef Q_OS_WIN
    bool nativeEvent(const QByteArray& eventType, void* message, qintptr* result) override;
#endif

private:
    AddResult RunAddDialog() override;
    void RunModifyDialog(DeviceRecord& record) override;
    void RunAboutBox() override;

    void SetupWindow();
    void SetupList();
    void SetupMenu();
    // The key pressed on `target`, if it is one of the window's: true when it was taken.
    bool OnKey(const QKeyEvent& key, const QWidget* target);
    // The main window's control (the find bar's included) that `widget` is or is in, 0 for none.
    int ControlOf(const QWidget* widget) const;
    long SelectedRow() const;
    void Render(const MainView& view);
    void OnRowsChanged();
    void PostIdleWork();
    void PlaceList(bool withFindBar);
    void FitColumnsBesideScrollBar();
    // Selects `row` (< the row count) and scrolls it into view.
    void ShowRow(std::size_t row);

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
    MainWindowLogic m_logic;
    bool m_bIdleWorkPosted = false;
    std::array<CXTButton, 7> m_btns;  // exit, open, save, tidy, add, delete, modify
    CXTListCtrl* m_pListCtrl = nullptr;
    DeviceListModel* m_pModel = nullptr;
    QAction* m_pAboutAction = nullptr;
    std::array<QAction*, kCommandCount> m_actions{};
    FindBar* m_pFindBar = nullptr;
    QIcon m_hIcon;
};
