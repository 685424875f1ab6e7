#include "mainwnd.h"

#include "aboutentry.h"
#include "app.h"
#include "devicelistmodel.h"
#include "dialogunits.h"
#include "listfile.h"
#include "qtprompt.h"

#include <QAction>
#include <QCloseEvent>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>

#include <cstring>

namespace {

const char* const kAskSave = "是否保存当前器件列表?";
const char* const kAskDuplicates = "发现重复器件! 是否删除重复?";
const char* const kOpenError = "打开文件发生错误!";
const char* const kSaveError = "保存文件发生错误!";
const char* const kReadError = "读取文件发生错误!";
const char* const kSelectFirst = "请先选择器件!";

template <class Iface, class Real, class... Args>
std::unique_ptr<Iface> RealUnless(Iface* injected, Args&&... args)
{
    if (injected) return nullptr;
    return std::make_unique<Real>(std::forward<Args>(args)...);
}

// Posted when the list has been drawn, so the rows of a new list show before the index is built.
const QEvent::Type kBuildIndexEvent = static_cast<QEvent::Type>(QEvent::registerEventType());

}  // namespace

const char* const CDeviceListDlg::kCaption = "Tessaro ver1.0 For Qorel Vantor";

CDeviceListDlg::CDeviceListDlg(const Services& services, QWidget* parent)
    : QDialog(parent),
      m_pOwnPrompt(RealUnless<IPrompt, QtPrompt>(services.prompt, QStringLiteral("Tessaro"), this)),
      m_pOwnOpen(RealUnless<IFileChooser, QtFileChooser>(services.open, QtFileChooser::Mode::Open)),
      m_pOwnSave(RealUnless<IFileChooser, QtFileChooser>(services.save, QtFileChooser::Mode::Save)),
      m_pOwnImport(RealUnless<IFileChooser, QtFileChooser>(services.import, QtFileChooser::Mode::Open)),
      m_prompt(services.prompt ? *services.prompt : *m_pOwnPrompt),
      m_openChooser(services.open ? *services.open : *m_pOwnOpen),
      m_saveChooser(services.save ? *services.save : *m_pOwnSave),
      m_importChooser(services.import ? *services.import : *m_pOwnImport),
      m_dlgAdd(m_prompt, m_importChooser),
      m_dlgEdit(m_prompt),
      m_hIcon(LoadTessaroIcon())
{
    SetupWindow();
}

CDeviceListDlg::~CDeviceListDlg() = default;

void CDeviceListDlg::SetupWindow()
{
    const QFont font = TemplateFont(QStringLiteral("MS Sans Serif"), 8);
    setFont(font);
    const DialogUnits du(font);

    setWindowTitle(QString::fromUtf8(kCaption));
    // Caption, system menu and minimise box; no maximise box, no sizing border.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    setFixedSize(du.Size(384, 269));

    auto makeButton = [&](int id, const char* caption, int x, int y) {
        auto* b = new QPushButton(QString::fromUtf8(caption), this);
        b->setObjectName(QString::number(id));
        // None of the buttons is a default button: Enter must not press whichever has focus.
        b->setAutoDefault(false);
        b->setDefault(false);
        du.Place(b, x, y, 50, 14);
        return b;
    };

    // Controls in template order, which is also the tab order.
    QPushButton* exitBtn = makeButton(IDC_EXIT, "退出程序", 325, 160);
    m_pListCtrl = new CXTListCtrl(this);
    m_pListCtrl->setObjectName(QString::number(IDC_DEVICE_LIST));
    du.Place(m_pListCtrl, 0, 0, 313, 269);
    QPushButton* openBtn = makeButton(IDC_OPEN, "打开文件", 325, 10);
    QPushButton* saveBtn = makeButton(IDC_SAVE, "保存文件", 325, 35);
    QPushButton* addBtn = makeButton(IDC_ADD, "增加器件", 325, 60);
    QPushButton* tidyBtn = makeButton(IDC_TIDY, "整理", 325, 135);
    QPushButton* modifyBtn = makeButton(IDC_MODIFY, "修改", 325, 85);
    QPushButton* deleteBtn = makeButton(IDC_DELETE, "删除", 325, 110);

    auto* iconLabel = new QLabel(this);
    du.Place(iconLabel, 340, 225, 20, 20);
    iconLabel->setAlignment(Qt::AlignCenter);
    iconLabel->setPixmap(m_hIcon.pixmap(iconLabel->size()));
    auto* maker = new QLabel(QStringLiteral("Halvern"), this);
    du.Place(maker, 320, 255, 60, 8);

    QWidget* order[] = {exitBtn, m_pListCtrl, openBtn, saveBtn, addBtn, tidyBtn, modifyBtn, deleteBtn};
    for (std::size_t i = 0; i + 1 < std::size(order); ++i) setTabOrder(order[i], order[i + 1]);

    m_pAboutAction = AddAboutEntry(this, QStringLiteral("&About Tessaro..."), [this] { OnAbout(); });

    // Minimised, the window manager draws the icon (the task bar, an icon box); on Windows the
    // platform does the same from the window icon, so no painting of our own is needed.
    setWindowIcon(m_hIcon);

    // Bind the buttons (exit, open, save, tidy, add, delete, modify) and style them flat.
    QPushButton* bound[] = {exitBtn, openBtn, saveBtn, tidyBtn, addBtn, deleteBtn, modifyBtn};
    for (std::size_t i = 0; i < m_btns.size(); ++i) {
        m_btns[i].Attach(bound[i]);
        m_btns[i].SetXButtonStyle(2, true);
    }
    connect(exitBtn, &QPushButton::clicked, this, &CDeviceListDlg::OnCancel);
    connect(openBtn, &QPushButton::clicked, this, &CDeviceListDlg::OnOpenFile);
    connect(saveBtn, &QPushButton::clicked, this, [this] { OnSaveFile(); });
    connect(addBtn, &QPushButton::clicked, this, &CDeviceListDlg::OnAddDevice);
    connect(tidyBtn, &QPushButton::clicked, this, &CDeviceListDlg::TidyDevices);
    connect(modifyBtn, &QPushButton::clicked, this, &CDeviceListDlg::ModifyDevice);
    connect(deleteBtn, &QPushButton::clicked, this, &CDeviceListDlg::DeleteDevice);

    // The list: flat header, the toolkit colours, then the columns.
    m_pHeader = m_pListCtrl->SubclassFlatHeader();
    m_pListCtrl->SetColors(QColor(20, 50, 200), QColor(250, 250, 250));
    m_pModel = new DeviceListModel(m_list, this);
    m_pListCtrl->setModel(m_pModel);
    QHeaderView* header = m_pListCtrl->horizontalHeader();
    header->setDefaultAlignment(Qt::AlignCenter);
    header->setStretchLastSection(false);
    for (int c = 0; c < COL_COUNT; ++c) {
        header->setSectionResizeMode(c, QHeaderView::Interactive);
        header->resizeSection(c, du.PixelsX(DeviceColumnWidth(c)));
    }
    m_pListCtrl->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_pListCtrl->setSelectionMode(QAbstractItemView::SingleSelection);
    m_pListCtrl->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_pListCtrl->installEventFilter(this);
    m_pListCtrl->viewport()->installEventFilter(this);
    connect(m_pListCtrl, &QAbstractItemView::doubleClicked, this, [this](const QModelIndex&) { ModifyDevice(); });

    m_bModified = false;
}

bool CDeviceListDlg::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_pListCtrl->viewport() && event->type() == QEvent::Paint && !m_bIndexValid &&
        !m_bIdleBuildPosted) {
        m_bIdleBuildPosted = true;
        QCoreApplication::postEvent(this, new QEvent(kBuildIndexEvent), Qt::LowEventPriority);
    }
    if (watched == m_pListCtrl && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        // The Delete key whatever the modifiers, the keypad's included, as the list view reports it.
        if (key->key() == Qt::Key_Delete) {
            DeleteDevice();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void CDeviceListDlg::closeEvent(QCloseEvent* event)
{
    if (!isVisible()) {
        event->accept();
        return;
    }
    OnCancel();
    // The exit flow decides: a window that stays open must not be closed behind its back.
    if (isVisible())
        event->ignore();
    else
        event->accept();
}

#ifdef Q_OS_WIN
bool CDeviceListDlg::nativeEvent(const QByteArray& eventType, void* message, qintptr* result)
{
    if (IsAboutSystemCommand(message)) {
        OnAbout();
        *result = 0;
        return true;
    }
    return QDialog::nativeEvent(eventType, message, result);
}
#endif

void CDeviceListDlg::OnAbout()
{
    CAboutDlg dlg(this);
    dlg.DoModal();
}

void CDeviceListDlg::OnOK()
{
    // Enter lands here; the window has no OK action.
}

bool CDeviceListDlg::SaveChangesFirst()
{
    if (!m_bModified) return true;
    switch (m_prompt.Message(kAskSave, IPrompt::Buttons::YesNoCancel)) {
    case IPrompt::Answer::Yes:
        // A save that was cancelled or failed stops whatever was to follow: going on would
        // throw away the changes the user just asked to keep.
        return OnSaveFile();
    case IPrompt::Answer::No:
        return true;
    default:
        return false;
    }
}

void CDeviceListDlg::OnCancel()
{
    if (!SaveChangesFirst()) return;
    QDialog::done(IDC_EXIT);
}

bool CDeviceListDlg::OnSaveFile()
{
    const auto path = m_saveChooser.Choose(this);
    if (!path) return false;
    const WriteResult written = WriteListFile(*path, m_list);
    if (!written.ok) {
        m_prompt.Inform(kSaveError);
        return false;
    }
    m_bModified = false;
    return true;
}

bool CDeviceListDlg::ReportReadProblem(const ReadResult& result)
{
    if (result.error == ReadError::Open) {
        m_prompt.Inform(kOpenError);
        return true;
    }
    if (result.error == ReadError::Read) {
        m_prompt.Inform(kReadError);
        return true;
    }
    if (result.error == ReadError::NotRegular) {
        m_prompt.Inform("不能打开: 这不是普通文件 (可能是目录、管道或设备), 器件列表只能从普通文件读入。");
        return true;
    }
    return false;
}

namespace {

// Tells the user that a file ended early and how much of it was taken.
void ReportShortFile(IPrompt& prompt, const ReadResult& result)
{
    if (!result.IsShort()) return;
    if (!result.layout.headerComplete) {
        prompt.Inform("文件不完整: 文件头不足 8 个字节, 没有读入任何器件。");
        return;
    }
    prompt.Inform(QStringLiteral("文件不完整: 文件声明有 %1 个器件, 只读入了其中完整的 %2 个。")
                      .arg(result.layout.count)
                      .arg(static_cast<qulonglong>(result.appended))
                      .toStdString());
}

}  // namespace

void CDeviceListDlg::OnOpenFile()
{
    if (!SaveChangesFirst()) return;

    const auto path = m_openChooser.Choose(this);
    if (!path) return;
    OpenListFile(*path);
}

void CDeviceListDlg::OpenListFile(const std::filesystem::path& path)
{
    // Read aside first: the list is replaced only by a file that was actually read, so a file
    // that cannot be opened or read costs the user nothing.
    DeviceList scratch;
    const ReadResult result = ReadListFile(path, m_storage, scratch);
    if (ReportReadProblem(result)) return;

    // An open always replaces the list: merging files is what import is for.
    m_list = std::move(scratch);
    InvalidateIndex();
    RefillList();
    ReportShortFile(m_prompt, result);
    m_bModified = false;
}

void CDeviceListDlg::OnAddDevice()
{
    switch (m_dlgAdd.DoModal()) {
    case 1:
        AppendDevice(m_dlgAdd.m_record);
        break;
    case 3:
        ImportDevices(m_dlgAdd.m_strImportPath);
        break;
    default:
        break;
    }
}

void CDeviceListDlg::AppendDevice(const DeviceRecord& record)
{
    EnsureIndex();
    DeviceRecord* copy = m_storage.AddCopy(record);
    m_list.Append(copy);
    m_dupIndex.Add(*copy);
    RefillList();
    m_bModified = true;
}

void CDeviceListDlg::ImportDevices(const std::filesystem::path& path)
{
    m_importList.Clear();
    const ReadResult result = ReadListFile(path, m_storage, m_importList);
    if (ReportReadProblem(result)) return;
    ReportShortFile(m_prompt, result);

    EnsureIndex();
    m_list.AppendAll(m_importList);
    for (const DeviceRecord* rec : m_importList) m_dupIndex.Add(*rec);
    RefillList();
    m_bModified = true;
}

long CDeviceListDlg::SelectedRow() const
{
    const QItemSelectionModel* sel = m_pListCtrl->selectionModel();
    if (!sel) return -1;
    const QModelIndexList rows = sel->selectedRows();
    if (rows.isEmpty()) return -1;
    return rows.front().row();
}

std::optional<std::size_t> CDeviceListDlg::SelectedDevice()
{
    const long row = SelectedRow();
    if (row < 0 || static_cast<std::size_t>(row) >= m_list.Count()) {
        m_prompt.Inform(kSelectFirst);
        return std::nullopt;
    }
    return static_cast<std::size_t>(row);
}

void CDeviceListDlg::DeleteDevice()
{
    const std::optional<std::size_t> row = SelectedDevice();
    if (!row) return;
    EnsureIndex();
    const DeviceRecord leaving = *m_list[*row];
    m_list.RemoveAt(*row);
    m_dupIndex.Remove(leaving);
    RefillList();
    m_bModified = true;
}

void CDeviceListDlg::ModifyDevice()
{
    const std::optional<std::size_t> row = SelectedDevice();
    if (!row) return;
    EnsureIndex();
    DeviceRecord* rec = m_list[*row];
    const DeviceRecord before = *rec;
    m_dlgEdit.m_pRecord = rec;
    m_dlgEdit.DoModal();
    if (std::memcmp(&before, rec, sizeof before) != 0) {
        m_dupIndex.Remove(before);
        m_dupIndex.Add(*rec);
    }
    RefillList();
    m_bModified = true;
}

void CDeviceListDlg::TidyDevices()
{
    SortByTidyKey(m_list);
    RefillList();
    m_bModified = true;
}


void CDeviceListDlg::InvalidateIndex()
{
    m_bIndexValid = false;
}

void CDeviceListDlg::customEvent(QEvent* event)
{
    if (event->type() == kBuildIndexEvent) {
        m_bIdleBuildPosted = false;
        EnsureIndex();
        return;
    }
    QDialog::customEvent(event);
}

void CDeviceListDlg::EnsureIndex()
{
    if (m_bIndexValid) return;
    m_dupIndex.Rebuild(m_list);
    m_bIndexValid = true;
}

void CDeviceListDlg::CheckDuplicates()
{
    // A full scan costs less than building the index, which can wait until the rows show.
    const bool found = m_bIndexValid ? m_dupIndex.HasDuplicates() : HasDuplicates(m_list);
    if (!found) return;
    if (m_prompt.Message(kAskDuplicates, IPrompt::Buttons::YesNo) != IPrompt::Answer::Yes) return;
    RemoveDuplicates(m_list);
    InvalidateIndex();
    m_bModified = true;
}

void CDeviceListDlg::RefillList()
{
    CheckDuplicates();
    m_pModel->SyncRows();
}
