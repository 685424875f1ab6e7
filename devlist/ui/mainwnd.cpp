#include "mainwnd.h"

#include "aboutentry.h"
#include "branding.h"
#include "devicelistmodel.h"
#include "dialogunits.h"
#include "findbar.h"
#include "qtkeys.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QLineEdit>
#include <QCoreApplication>
#include <QItemSelectionModel>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QMimeData>
#include <QPushButton>
#include <QStyle>
#include <QTimer>
#include <QUrl>

#include <algorithm>
#include <functional>
#include <vector>

namespace {

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

// The buttons in template order, which is also the tab order (the list comes after the first).
struct ButtonPlace {
    int id;
    TemplateRect rect;
};
constexpr ButtonPlace kButtonPlaces[] = {
    {IDC_EXIT, {RECT_EXIT}}, {IDC_OPEN, {RECT_OPEN}},     {IDC_SAVE, {RECT_SAVE}},     {IDC_ADD, {RECT_ADD}},
    {IDC_TIDY, {RECT_TIDY}}, {IDC_MODIFY, {RECT_MODIFY}}, {IDC_DELETE, {RECT_DELETE}},
};
// The order the toolkit's style is given to the buttons.
constexpr int kStyleOrder[] = {IDC_EXIT, IDC_OPEN, IDC_SAVE, IDC_TIDY, IDC_ADD, IDC_DELETE, IDC_MODIFY};

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
      m_logic(m_doc, *this),
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
    setFixedSize(du.Size(DLG_MAIN_SIZE));

    m_pListCtrl = new CXTListCtrl(this);
    m_pListCtrl->setObjectName(QString::number(IDC_DEVICE_LIST));
    du.Place(m_pListCtrl, RECT_DEVICE_LIST);
    // Controls in template order, which is also the tab order; each button as the command table
    // has it, its tooltip naming its keys.
    std::vector<QWidget*> order;
    for (const ButtonPlace& place : kButtonPlaces) {
        const CommandDef& def = CommandOf(*ButtonCommand(place.id));
        auto* b = new QPushButton(QString::fromUtf8(def.buttonText), this);
        b->setObjectName(QString::number(place.id));
        // None of the buttons is a default button: Enter must not close the window.
        b->setAutoDefault(false);
        b->setDefault(false);
        du.Place(b, place.rect.x, place.rect.y, place.rect.width, place.rect.height);
        b->setToolTip(QString::fromUtf8(def.tooltip));
        b->installEventFilter(this);
        connect(b, &QPushButton::clicked, this, [this, id = place.id] { Render(m_logic.Button(id, SelectedRow())); });
        order.push_back(b);
        if (order.size() == 1) order.push_back(m_pListCtrl);
    }
    for (std::size_t i = 0; i + 1 < order.size(); ++i) setTabOrder(order[i], order[i + 1]);

    auto* iconLabel = new QLabel(this);
    du.Place(iconLabel, RECT_MAIN_ICON);
    iconLabel->setAlignment(Qt::AlignCenter);
    iconLabel->setPixmap(m_hIcon.pixmap(iconLabel->size()));
    auto* maker = new QLabel(QString::fromUtf8(kMakerName), this);
    du.Place(maker, RECT_MAKER);

    // Minimised, the window manager draws the icon (the task bar, an icon box); on Windows the
    // platform does the same from the window icon, so no painting of our own is needed.
    setWindowIcon(m_hIcon);

    for (std::size_t i = 0; i < m_btns.size(); ++i) {
        m_btns[i].Attach(findChild<QPushButton*>(QString::number(kStyleOrder[i])));
        m_btns[i].SetXButtonStyle(2, true);
    }

    SetupList();
    m_pFindBar = new FindBar(this);
    m_pFindBar->hide();
    connect(m_pFindBar, &FindBar::QueryChanged, this, [this] {
        const QByteArray text = m_pFindBar->Text().toUtf8();
        Render(m_logic.FindQueryChanged(m_pFindBar->Field(), text.toStdString(), SelectedRow()));
    });
    m_pFindBar->Edit()->installEventFilter(this);
    m_pFindBar->FieldBox()->installEventFilter(this);
    SetupMenu();
    m_doc.SetRowsChanged([this] { OnRowsChanged(); });
    OnRowsChanged();
    setAcceptDrops(true);
}

void CDeviceListDlg::SetupList()
{
    // The list: flat header, the toolkit colours, then the columns.
    const DialogUnits du(font());
    m_pListCtrl->SubclassFlatHeader();
    m_pListCtrl->SetColors(QColor(20, 50, 200), QColor(250, 250, 250));
    m_pModel = new DeviceListModel(m_doc.List(), this);
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
    // Qt reports a double click on a row only; one on empty space is a press.
    connect(m_pListCtrl, &QAbstractItemView::doubleClicked, this,
            [this](const QModelIndex& index) { Render(m_logic.DoubleClick(index.row())); });
}

// The context menu: the table's entries in its order, About (with its system-menu entry on
// Windows) after a separator.
void CDeviceListDlg::SetupMenu()
{
    m_pAboutAction = AddAboutEntry(this, QString::fromUtf8(kAboutMenuText), [this] { Run(Command::About); });
    for (const CommandDef& def : MainCommands()) {
        if (!def.menuText || def.id == Command::About) continue;
        // The key is only named: the window's key handling runs it, in its scope.
        auto* action = new QAction(QString::fromUtf8(def.menuText) + u'\t' + QString::fromUtf8(MenuKeyText(def)), this);
        connect(action, &QAction::triggered, this, [this, id = def.id] { Run(id); });
        insertAction(m_pAboutAction, action);
        m_actions[static_cast<std::size_t>(def.id)] = action;
    }
    m_actions[static_cast<std::size_t>(Command::About)] = m_pAboutAction;
    auto* separator = new QAction(this);
    separator->setSeparator(true);
    insertAction(m_pAboutAction, separator);
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

void CDeviceListDlg::Run(Command command) { Render(m_logic.Run(command, SelectedRow())); }

void CDeviceListDlg::AppendDevice(const DeviceRecord& record)
{
    m_doc.Append(record);
}

void CDeviceListDlg::OnRowsChanged()
{
    m_pModel->SyncRows();
    Render(m_logic.View());
}

void CDeviceListDlg::Render(const MainView& view)
{
    if (view.findBarOpen != m_pFindBar->isVisible()) {
        PlaceList(view.findBarOpen);
        m_pFindBar->setVisible(view.findBarOpen);
    }
    m_pFindBar->ShowStatus(QString::fromUtf8(view.findStatus));
    for (std::size_t c = 0; c < kCommandCount; ++c)
        if (m_actions[c]) m_actions[c]->setEnabled(view.enabled[c]);
    if (view.clearSelection) m_pListCtrl->selectionModel()->clearSelection();
    if (view.showRow && *view.showRow < m_doc.List().Count()) ShowRow(*view.showRow);
    if (view.focus == MainView::Focus::List) m_pListCtrl->setFocus();
    if (view.focus == MainView::Focus::FindText) m_pFindBar->FocusText();
    if (view.close) QDialog::done(IDC_EXIT);
}

void CDeviceListDlg::PlaceList(bool withFindBar)
{
    const DialogUnits du(font());
    constexpr TemplateRect list{RECT_DEVICE_LIST};
    du.Place(m_pListCtrl, list.x, list.y, list.width, withFindBar ? FIND_BAR_TOP : list.height);
}

void CDeviceListDlg::ShowRow(std::size_t row)
{
    const QModelIndex index = m_pModel->index(static_cast<int>(row), 0);
    m_pListCtrl->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    m_pListCtrl->scrollTo(index);
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
    if (event->type() == QEvent::KeyPress && watched->isWidgetType() &&
        OnKey(*static_cast<QKeyEvent*>(event), static_cast<QWidget*>(watched)))
        return true;
    return QDialog::eventFilter(watched, event);
}

// Keys reach the focused control's filter first; this is for keys pressed where none has it.
void CDeviceListDlg::keyPressEvent(QKeyEvent* event)
{
    if (!OnKey(*event, QApplication::focusWidget())) QDialog::keyPressEvent(event);
}

bool CDeviceListDlg::OnKey(const QKeyEvent& key, const QWidget* target)
{
    const std::optional<KeyChord> chord = ChordOfQtKey(key.key(), key.modifiers());
    if (!chord) return false;
    const std::optional<MainView> view = m_logic.Key(*chord, ControlOf(target), SelectedRow());
    if (!view) return false;
    Render(*view);
    return true;
}

int CDeviceListDlg::ControlOf(const QWidget* widget) const
{
    // The control is the window's child (or the find bar's) whose object name is its id; its
    // inner widgets (a list's viewport) count as the control.
    for (const QWidget* w = widget; w && w != this; w = w->parentWidget()) {
        bool isId = false;
        const int id = w->objectName().toInt(&isId);
        if (isId) return id;
    }
    return 0;
}

void CDeviceListDlg::closeEvent(QCloseEvent* event)
{
    if (!isVisible()) {
        event->accept();
        return;
    }
    // The exit flow decides: a window that stays open must not be closed behind its back.
    Run(Command::Exit);
    if (isVisible())
        event->ignore();
    else
        event->accept();
}

#ifdef Q_OS_WIN
bool CDeviceListDlg::nativeEvent(const QByteArray& eventType, void* message, qintptr* result)
{
    if (IsAboutSystemCommand(message)) {
        Run(Command::About);
        *result = 0;
        return true;
    }
    return QDialog::nativeEvent(eventType, message, result);
}
#endif

void CDeviceListDlg::RunAboutBox()
{
    AboutBox dlg(TessaroAbout(), this);
    dlg.DoModal();
}

IMainDialogs::AddResult CDeviceListDlg::RunAddDialog()
{
    AddResult added;
    added.result = m_dlgAdd.DoModal();
    added.record = m_dlgAdd.m_record;
    added.importPath = m_dlgAdd.m_strImportPath;
    return added;
}

void CDeviceListDlg::RunModifyDialog(DeviceRecord& record)
{
    m_dlgEdit.m_pRecord = &record;
    m_dlgEdit.DoModal();
}

void CDeviceListDlg::OpenListFile(const std::filesystem::path& path)
{
    m_doc.OpenFile(path);
}

long CDeviceListDlg::SelectedRow() const
{
    const QItemSelectionModel* sel = m_pListCtrl->selectionModel();
    if (!sel) return -1;
    const QModelIndexList rows = sel->selectedRows();
    if (rows.isEmpty()) return -1;
    return rows.front().row();
}

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

// Low priority: after the rows waiting to be painted.
void CDeviceListDlg::PostIdleWork()
{
    if (!m_doc.HasIdleWork() || m_bIdleWorkPosted) return;
    m_bIdleWorkPosted = true;
    QCoreApplication::postEvent(this, new QEvent(kIdleWorkEvent), Qt::LowEventPriority);
}
