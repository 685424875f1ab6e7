#include "mainwnd.h"

#include "aboutentry.h"
#include "branding.h"
#include "devicelistmodel.h"
#include "dialogunits.h"
#include "findbar.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QItemSelectionModel>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QMimeData>
#include <QPushButton>
#include <QShortcut>
#include <QStyle>
#include <QTimer>
#include <QUrl>

#include <algorithm>
#include <functional>

namespace {

// The list's height in the template, and what the find bar takes of it while open.
constexpr int kListHeight = 269;
constexpr int kFindBarHeight = 16;

// The one local file of a drag, or an empty string when the drag carries anything else.
QString DraggedFile(const QMimeData* mime)
{
    if (!mime || !mime->hasUrls()) return {};
    const QList<QUrl> urls = mime->urls();
    if (urls.size() != 1 || !urls.front().isLocalFile()) return {};
    return urls.front().toLocalFile();
}

// Posted when the list has been drawn, so the rows of a new list show before the rest of its file
// is read and its index built.
const QEvent::Type kIdleWorkEvent = static_cast<QEvent::Type>(QEvent::registerEventType());

}  // namespace

const char* const CDeviceListDlg::kCaption = kMainCaption;

CDeviceListDlg::CDeviceListDlg(const Services& services, QWidget* parent)
    : QDialog(parent),
      m_realPrompt(QStringLiteral("Tessaro"), this),
      m_realOpen(QtFileChooser::Mode::Open),
      m_realSave(QtFileChooser::Mode::Save),
      m_realImport(QtFileChooser::Mode::Open),
      m_prompt(services.prompt ? *services.prompt : m_realPrompt),
      m_openChooser(services.open ? *services.open : m_realOpen),
      m_saveChooser(services.save ? *services.save : m_realSave),
      m_importChooser(services.import ? *services.import : m_realImport),
      m_dlgAdd(m_prompt, m_importChooser),
      m_dlgEdit(m_prompt),
      m_doc(m_prompt, m_openChooser, m_saveChooser),
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

    // Each button has a key besides its click, named in its tooltip. Delete and Enter belong to
    // the list (a row must have the focus), the others to the whole window.
    auto makeButton = [&](int id, int x, int y, QKeySequence key, const char* listKeys = nullptr) {
        auto* b = new QPushButton(QString::fromUtf8(TextOf(kMainButtons, id)), this);
        b->setObjectName(QString::number(id));
        // None of the buttons is a default button: Enter must not press whichever has focus.
        b->setAutoDefault(false);
        b->setDefault(false);
        du.Place(b, x, y, 50, 14);
        QStringList keys;
        if (!key.isEmpty()) {
            b->setShortcut(key);
            keys << key.toString(QKeySequence::NativeText);
        }
        if (listKeys) keys << QString::fromUtf8(listKeys);
        b->setToolTip(QStringLiteral("%1 (%2)").arg(b->text(), keys.join(QStringLiteral(", "))));
        return b;
    };

    // Controls in template order, which is also the tab order.
    QPushButton* exitBtn = makeButton(IDC_EXIT, 325, 160, {}, "Esc");
    m_pListCtrl = new CXTListCtrl(this);
    m_pListCtrl->setObjectName(QString::number(IDC_DEVICE_LIST));
    du.Place(m_pListCtrl, 0, 0, 313, kListHeight);
    QPushButton* openBtn = makeButton(IDC_OPEN, 325, 10, QKeySequence(Qt::CTRL | Qt::Key_O));
    QPushButton* saveBtn = makeButton(IDC_SAVE, 325, 35, QKeySequence(Qt::CTRL | Qt::Key_S));
    QPushButton* addBtn = makeButton(IDC_ADD, 325, 60, QKeySequence(Qt::Key_Insert));
    QPushButton* tidyBtn = makeButton(IDC_TIDY, 325, 135, QKeySequence(Qt::CTRL | Qt::Key_T));
    QPushButton* modifyBtn = makeButton(IDC_MODIFY, 325, 85, QKeySequence(Qt::Key_F2), "Enter");
    QPushButton* deleteBtn = makeButton(IDC_DELETE, 325, 110, {}, "Delete");

    auto* iconLabel = new QLabel(this);
    du.Place(iconLabel, 340, 225, 20, 20);
    iconLabel->setAlignment(Qt::AlignCenter);
    iconLabel->setPixmap(m_hIcon.pixmap(iconLabel->size()));
    auto* maker = new QLabel(QString::fromUtf8(kMakerName), this);
    du.Place(maker, 320, 255, 60, 8);

    QWidget* order[] = {exitBtn, m_pListCtrl, openBtn, saveBtn, addBtn, tidyBtn, modifyBtn, deleteBtn};
    for (std::size_t i = 0; i + 1 < std::size(order); ++i) setTabOrder(order[i], order[i + 1]);

    m_pAboutAction = AddAboutEntry(this, QString::fromUtf8(kAboutMenuText), [this] { OnAbout(); });

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
    m_pListCtrl->SubclassFlatHeader();
    m_pListCtrl->SetColors(QColor(20, 50, 200), QColor(250, 250, 250));
    m_pModel = new DeviceListModel(m_doc.List(), this);
    m_doc.SetRowsChanged([this] { OnRowsChanged(); });
    m_pListCtrl->setModel(m_pModel);
    QHeaderView* header = m_pListCtrl->horizontalHeader();
    header->setDefaultAlignment(Qt::AlignCenter);
    header->setStretchLastSection(false);
    for (int c = 0; c < COL_COUNT; ++c) {
        header->setSectionResizeMode(c, QHeaderView::Interactive);
        header->resizeSection(c, du.PixelsX(DeviceColumnWidth(c)));
    }
    FitColumnsBesideScrollBar();
    m_pListCtrl->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_pListCtrl->setSelectionMode(QAbstractItemView::SingleSelection);
    m_pListCtrl->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_pListCtrl->installEventFilter(this);
    m_pListCtrl->viewport()->installEventFilter(this);
    connect(m_pListCtrl, &QAbstractItemView::doubleClicked, this, [this](const QModelIndex&) { ModifyDevice(); });

    SetupFindAndUndo();
}

// Fitted once, as the template sets them: a column the user widens may still overflow.
void CDeviceListDlg::FitColumnsBesideScrollBar()
{
    QHeaderView* header = m_pListCtrl->horizontalHeader();
    const int room = m_pListCtrl->width() - 2 * m_pListCtrl->frameWidth() -
                     m_pListCtrl->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, m_pListCtrl);
    int widths[COL_COUNT];
    for (int c = 0; c < COL_COUNT; ++c) widths[c] = header->sectionSize(c);
    FitColumnsToRoom(widths, room);
    header->resizeSection(COL_NAME, widths[COL_NAME]);
}

void CDeviceListDlg::SetupFindAndUndo()
{
    m_pFindBar = new FindBar(this);
    m_pFindBar->hide();
    connect(m_pFindBar, &FindBar::QueryChanged, this, [this] {
        FindFrom(FindDirection::Forward, false);
    });
    connect(m_pFindBar, &FindBar::Next, this, [this] { FindNext(FindDirection::Forward); });
    connect(m_pFindBar, &FindBar::Closed, this, &CDeviceListDlg::CloseFindBar);

    auto addShortcut = [this](QKeySequence keys, std::function<void()> run) {
        connect(new QShortcut(keys, this), &QShortcut::activated, this, std::move(run));
    };
    addShortcut(QKeySequence(Qt::CTRL | Qt::Key_F), [this] { OpenFindBar(); });
    addShortcut(QKeySequence(Qt::Key_F3), [this] { FindNext(FindDirection::Forward); });
    addShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F3), [this] { FindNext(FindDirection::Backward); });

    // Context-menu entries ahead of the About entry, each with its key.
    auto addAction = [this](const char* text, QKeySequence keys, void (CDeviceListDlg::*slot)()) {
        auto* action = new QAction(QString::fromUtf8(text), this);
        action->setShortcut(keys);
        action->setShortcutContext(Qt::WindowShortcut);
        connect(action, &QAction::triggered, this, slot);
        insertAction(m_pAboutAction, action);
        return action;
    };
    m_pUndoAction = addAction(kUndoText, QKeySequence(Qt::CTRL | Qt::Key_Z), &CDeviceListDlg::OnUndo);
    m_pRedoAction = addAction(kRedoText, QKeySequence(Qt::CTRL | Qt::Key_Y), &CDeviceListDlg::OnRedo);
    auto* separator = new QAction(this);
    separator->setSeparator(true);
    insertAction(m_pAboutAction, separator);
    OnRowsChanged();

    setAcceptDrops(true);
}

void CDeviceListDlg::OnRowsChanged()
{
    m_pModel->SyncRows();
    m_pUndoAction->setEnabled(m_doc.CanUndo());
    m_pRedoAction->setEnabled(m_doc.CanRedo());
}

void CDeviceListDlg::PlaceList(bool withFindBar)
{
    const DialogUnits du(font());
    const int listHeight = withFindBar ? kListHeight - kFindBarHeight : kListHeight;
    du.Place(m_pListCtrl, 0, 0, 313, listHeight);
    if (withFindBar) du.Place(m_pFindBar, 0, listHeight, 313, kFindBarHeight);
}

void CDeviceListDlg::OpenFindBar()
{
    PlaceList(true);
    m_pFindBar->Open();
}

void CDeviceListDlg::CloseFindBar()
{
    m_pFindBar->hide();
    PlaceList(false);
    m_pListCtrl->setFocus();
}

void CDeviceListDlg::FindNext(FindDirection direction)
{
    if (m_pFindBar->isHidden() || m_pFindBar->Text().isEmpty()) {
        OpenFindBar();
        return;
    }
    FindFrom(direction, true);
}

void CDeviceListDlg::FindFrom(FindDirection direction, bool again)
{
    const QByteArray text = m_pFindBar->Text().toUtf8();
    const RecordMatcher matcher(m_pFindBar->Field(), std::string_view(text.constData(), static_cast<std::size_t>(text.size())));
    const std::optional<std::size_t> row = m_doc.Find(matcher, SelectedRow(), direction, again);
    m_pFindBar->ShowNotFound(!text.isEmpty() && !row);
    if (!row) {
        // The highlight of an earlier match must not pass for this one.
        if (!text.isEmpty()) m_pListCtrl->selectionModel()->clearSelection();
        return;
    }
    ShowRow(*row);
}

void CDeviceListDlg::ShowRow(std::size_t row)
{
    const QModelIndex index = m_pModel->index(static_cast<int>(row), 0);
    m_pListCtrl->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    m_pListCtrl->scrollTo(index);
}

std::optional<std::size_t> CDeviceListDlg::SelectedIndex() const
{
    const long row = SelectedRow();
    if (row < 0) return std::nullopt;
    return static_cast<std::size_t>(row);
}

// The rows an undo or redo changed come into view selected, so that it is seen to have worked.
void CDeviceListDlg::OnUndo()
{
    if (const std::optional<std::size_t> row = m_doc.Undo(SelectedIndex())) ShowRow(*row);
}

void CDeviceListDlg::OnRedo()
{
    if (const std::optional<std::size_t> row = m_doc.Redo(SelectedIndex())) ShowRow(*row);
}

void CDeviceListDlg::dragEnterEvent(QDragEnterEvent* event)
{
    if (!DraggedFile(event->mimeData()).isEmpty()) event->acceptProposedAction();
}

void CDeviceListDlg::dropEvent(QDropEvent* event)
{
    const QString file = DraggedFile(event->mimeData());
    if (file.isEmpty()) return;
    event->acceptProposedAction();
    // After the drop has ended: the save question must not run inside the platform's drag loop.
    QTimer::singleShot(0, this, [this, path = std::filesystem::path(QFile::encodeName(file).toStdString())] {
        OpenDroppedFile(path);
    });
}

void CDeviceListDlg::OpenDroppedFile(const std::filesystem::path& path)
{
    m_doc.OpenDropped(path);
}

bool CDeviceListDlg::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_pListCtrl->viewport() && event->type() == QEvent::Paint) PostIdleWork();
    if (watched == m_pListCtrl && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        // The Delete key whatever the modifiers, the keypad's included, as the list view reports it.
        if (key->key() == Qt::Key_Delete) {
            DeleteDevice();
            return true;
        }
        // Enter on a row modifies it; with no row selected it does nothing, as before.
        if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) && SelectedRow() >= 0) {
            ModifyDevice();
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
    AboutBox dlg(TessaroAbout(), this);
    dlg.DoModal();
}

void CDeviceListDlg::OnOK()
{
    // Enter lands here; the window has no OK action.
}

bool CDeviceListDlg::SaveChangesFirst() { return m_doc.SaveChangesFirst(); }

void CDeviceListDlg::reject()
{
    if (m_pFindBar->isVisible()) {
        CloseFindBar();
        return;
    }
    OnCancel();
}

void CDeviceListDlg::OnCancel()
{
    if (!SaveChangesFirst()) return;
    QDialog::done(IDC_EXIT);
}

bool CDeviceListDlg::OnSaveFile() { return m_doc.Save(); }

void CDeviceListDlg::OnOpenFile() { m_doc.Open(); }

void CDeviceListDlg::OpenListFile(const std::filesystem::path& path) { m_doc.OpenFile(path); }

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

void CDeviceListDlg::AppendDevice(const DeviceRecord& record) { m_doc.Append(record); }

void CDeviceListDlg::ImportDevices(const std::filesystem::path& path) { m_doc.Import(path); }

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
    return m_doc.SelectedDevice(SelectedRow());
}

void CDeviceListDlg::DeleteDevice()
{
    if (const std::optional<std::size_t> row = SelectedDevice()) m_doc.Delete(*row);
}

void CDeviceListDlg::ModifyDevice()
{
    const std::optional<std::size_t> row = SelectedDevice();
    if (!row) return;
    m_doc.Modify(*row, [this](DeviceRecord& rec) {
        m_dlgEdit.m_pRecord = &rec;
        m_dlgEdit.DoModal();
    });
}

void CDeviceListDlg::TidyDevices() { m_doc.Tidy(); }

void CDeviceListDlg::customEvent(QEvent* event)
{
    if (event->type() == kIdleWorkEvent) {
        m_bIdleWorkPosted = false;
        m_doc.DoIdleWork();
        // A file read in parts goes on without waiting for a paint: rows beyond the visible
        // ones repaint nothing.
        PostIdleWork();
        return;
    }
    QDialog::customEvent(event);
}

void CDeviceListDlg::RefillList() { m_doc.Refill(); }

// Low priority: after the rows waiting to be painted.
void CDeviceListDlg::PostIdleWork()
{
    if (!m_doc.HasIdleWork() || m_bIdleWorkPosted) return;
    m_bIdleWorkPosted = true;
    QCoreApplication::postEvent(this, new QEvent(kIdleWorkEvent), Qt::LowEventPriority);
}
