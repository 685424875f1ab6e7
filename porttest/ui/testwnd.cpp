#include "testwnd.h"

#include <QAbstractButton>
#include <QAction>
#include <QCheckBox>
#include <QActionGroup>
#include <QComboBox>
#include <QMenu>
#include <QGroupBox>
#include <QImage>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QWheelEvent>

#include <climits>
#include <span>

#include "aboutentry.h"
#include "connectorpicture.h"
#include "ddx.h"
#include "dialogunits.h"
#include "parsehex.h"
#include "porvikabout.h"
#include "portstart.h"
#include "portstatus.h"
#include "settings.h"
#include "testertexts.h"
#include "wiringdlg.h"

namespace {

QString Id(int id) { return QString::number(id); }

QString Hex2(std::uint8_t v) { return QString::fromStdString(CCableTester::RegisterText(v)); }

QString PinLabel(int pin) { return QString::fromStdString(CCableTester::PinLabel(pin)); }

// The status line's colour for a port that is not a working real one.
const QColor kNoRealPortColour(180, 0, 0);

// The right edge, in dialog units, of the room inside the "下载线" frame for the pin labels.
constexpr int kCableGroupInnerRight = 297;

// How far below its top edge the style draws a group box's frame line: drawn once, off screen,
// and looked for right of the title. Styles differ too much to compute it from their metrics.
int FrameLineOffset(QGroupBox* group)
{
    QImage img(group->size(), QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    group->render(&img, QPoint(), QRegion(), QWidget::RenderFlags());
    const int x = img.width() * 3 / 4;
    for (int y = 0; y < img.height(); ++y)
        if (qAlpha(img.pixel(x, y)) != 0)
            return y;
    return 0;
}

// Places a group box so that its frame line runs where the platform draws it, through the middle
// of the 8-unit title at the template's top edge. Qt draws the title above the line instead, so
// the box must start higher than the template says, or the line would cross the first row.
void PlaceGroupBox(QGroupBox* group, const DialogUnits& du, int x, int y, int w, int h)
{
    group->resize(du.X(w), du.Y(h));
    const int top = std::max(0, du.Y(y + 4) - FrameLineOffset(group));
    const int bottom = du.Y(y + h);
    group->setGeometry(du.X(x), top, du.X(w), bottom - top);
    group->setFixedSize(group->size());
}

// Shrinks a one-line label's font until its whole text fits its width: a pin number from the
// settings file may be as long as "-2147483648".
void FitOneLine(QLabel* label, const QFont& base)
{
    QFont font = base;
    while (QFontMetrics(font).horizontalAdvance(label->text()) > label->contentsRect().width() &&
           font.pointSizeF() > 4.0)
        font.setPointSizeF(font.pointSizeF() - 0.5);
    label->setFont(font);
}

// The longest head of `text` that, with "…" after it, fits `rect` word-wrapped; `text` itself
// when it fits whole.
QString FitWrapped(const QString& text, const QFontMetrics& fm, const QRect& rect)
{
    auto fits = [&](const QString& t) {
        return fm.boundingRect(QRect(0, 0, rect.width(), INT_MAX / 2), Qt::TextWordWrap, t).height() <= rect.height();
    };
    if (fits(text))
        return text;
    qsizetype lo = 0, hi = text.size();
    while (lo < hi) {
        const qsizetype mid = (lo + hi + 1) / 2;
        if (fits(text.left(mid) + QChar(0x2026)))
            lo = mid;
        else
            hi = mid - 1;
    }
    return text.left(lo) + QChar(0x2026);
}

} // namespace

CPinTestDlg::CPinTestDlg(IPortPlatform& platform, IPrompt& prompt, QWidget* parent)
    : QDialog(parent), m_tester(platform, prompt), m_cable(m_tester.Cable()), m_platform(platform), m_prompt(prompt)
{
    CreateControls();
}

CPinTestDlg::~CPinTestDlg() = default;

// A pin box of the template: its pin, control, caption, place, field and click handler.
struct CPinTestDlg::PinBox {
    int pin;
    int id;
    const char* caption;
    int x, y, w; // dialog units; 10 high
    int CPinTestDlg::* field;
    void (CPinTestDlg::*onClick)();
};

std::span<const CPinTestDlg::PinBox> CPinTestDlg::PinBoxes()
{
    // Template order, which is also the tab order.
    static constexpr PinBox boxes[] = {
        {1, IDC_PIN1, "PIN1", 62, 238, 39, &CPinTestDlg::m_bPin1, &CPinTestDlg::OnPin1},
        {2, IDC_PIN2, "PIN2", 62, 219, 33, &CPinTestDlg::m_bPin2, &CPinTestDlg::OnPin2},
        {14, IDC_PIN14, "PIN14", 62, 229, 36, &CPinTestDlg::m_bPin14, &CPinTestDlg::OnPin14},
        {15, IDC_PIN15, "PIN15(ReadOnly)", 62, 210, 76, &CPinTestDlg::m_bPin15, &CPinTestDlg::OnRefresh},
        {16, IDC_PIN16, "PIN16", 62, 192, 36, &CPinTestDlg::m_bPin16, &CPinTestDlg::OnPin16},
        {17, IDC_PIN17, "PIN17", 62, 173, 36, &CPinTestDlg::m_bPin17, &CPinTestDlg::OnPin17},
        {3, IDC_PIN3, "PIN3", 62, 201, 33, &CPinTestDlg::m_bPin3, &CPinTestDlg::OnPin3},
        {4, IDC_PIN4, "PIN4", 62, 183, 33, &CPinTestDlg::m_bPin4, &CPinTestDlg::OnPin4},
        {5, IDC_PIN5, "PIN5", 62, 164, 33, &CPinTestDlg::m_bPin5, &CPinTestDlg::OnPin5},
        {6, IDC_PIN6, "PIN6", 62, 145, 33, &CPinTestDlg::m_bPin6, &CPinTestDlg::OnPin6},
        {7, IDC_PIN7, "PIN7", 62, 127, 33, &CPinTestDlg::m_bPin7, &CPinTestDlg::OnPin7},
        {8, IDC_PIN8, "PIN8", 62, 108, 33, &CPinTestDlg::m_bPin8, &CPinTestDlg::OnPin8},
        {9, IDC_PIN9, "PIN9", 62, 89, 33, &CPinTestDlg::m_bPin9, &CPinTestDlg::OnPin9},
        {10, IDC_PIN10, "PIN10(ReadOnly)", 62, 71, 74, &CPinTestDlg::m_bPin10, &CPinTestDlg::OnRefresh},
        {11, IDC_PIN11, "PIN11(ReadOnly)", 62, 52, 72, &CPinTestDlg::m_bPin11, &CPinTestDlg::OnRefresh},
        {12, IDC_PIN12, "PIN12(ReadOnly)", 62, 33, 73, &CPinTestDlg::m_bPin12, &CPinTestDlg::OnRefresh},
        {13, IDC_PIN13, "PIN13(ReadOnly)", 62, 15, 74, &CPinTestDlg::m_bPin13, &CPinTestDlg::OnRefresh},
    };
    return boxes;
}

void CPinTestDlg::CreateControls()
{
    const QFont font = TemplateFont(QStringLiteral("宋体"), 9);
    setFont(font);
    const DialogUnits du(font);

    setWindowTitle(QStringLiteral("Porvik"));
    // A plain frame with a close box: no help button, no resizing.
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(du.Size(307, 281));

    auto button = [&](int id, const char* text, int x, int y, int w, int h) {
        auto* b = new QPushButton(QString::fromUtf8(text), this);
        b->setObjectName(Id(id));
        du.Place(b, x, y, w, h);
        return b;
    };
    auto label = [&](const char* text, int x, int y, int w, int h) {
        auto* l = new QLabel(QString::fromUtf8(text), this);
        l->setTextFormat(Qt::PlainText);
        du.Place(l, x, y, w, h);
        return l;
    };
    auto check = [&](int pin, int id, const char* text, int x, int y, int w, int h) {
        auto* c = new QCheckBox(QString::fromUtf8(text), this);
        c->setObjectName(Id(id));
        du.Place(c, x, y, w, h);
        m_chkPin[pin] = c;
        return c;
    };
    auto edit = [&](int id, int x, int y, int w, int h) {
        auto* e = new QLineEdit(this);
        e->setObjectName(Id(id));
        du.Place(e, x, y, w, h);
        return e;
    };

    // Template order, which is also the tab order.
    QPushButton* exitButton = button(IDCANCEL_EXIT, "退出程序", 227, 261, 50, 14);

    // Real-size picture: the control takes the bitmap's size, not the template's.
    auto* picture = new QLabel(this);
    picture->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    picture->setLineWidth(1);
    {
        const int frame = picture->frameWidth();
        const QPoint origin(du.X(7), du.Y(7));
        // Scale the bitmap with the dialog units, so that its rows stay beside their boxes
        // even where the stand-in font's metrics differ from the template font's 6 x 12.
        const int w = (connector::kWidth * du.BaseX() + 3) / 6;
        const int h = (connector::kHeight * du.BaseY() + 6) / 12;
        // Row centres taken from the boxes of pin 13 (top) and pin 1 (bottom).
        const double top = du.Y(15) + du.Y(10) / 2.0 - origin.y() - frame;
        const double bottom = du.Y(238) + du.Y(10) / 2.0 - origin.y() - frame;
        picture->setPixmap(QPixmap::fromImage(connector::DrawPicture(w, h, top, bottom)));
        picture->setGeometry(origin.x(), origin.y(), w + 2 * frame, h + 2 * frame);
        picture->setFixedSize(picture->size());
    }

    for (const PinBox& box : PinBoxes())
        check(box.pin, box.id, box.caption, box.x, box.y, box.w, 10);

    m_edtData = edit(IDC_DATA, 209, 17, 21, 12);
    label("数据字:", 179, 19, 29, 8);
    label("控制字:", 179, 37, 29, 8);
    label("状态字:", 179, 55, 30, 8);
    button(IDC_WRITE_DATA, "刷新", 239, 15, 25, 14);
    m_edtControl = edit(IDC_CONTROL, 209, 35, 21, 12);
    m_edtStatus = edit(IDC_STATUS, 209, 53, 21, 12);
    m_edtStatus->setReadOnly(true);
    {
        // A read-only edit has the window's background, as the platform shows one.
        QPalette pal = m_edtStatus->palette();
        pal.setColor(QPalette::Base, pal.color(QPalette::Window));
        m_edtStatus->setPalette(pal);
    }
    button(IDC_WRITE_CONTROL, "刷新", 239, 33, 25, 14);
    button(IDC_REFRESH, "刷新", 239, 53, 25, 14);

    auto* portGroup = new QGroupBox(QStringLiteral("并口"), this);
    PlaceGroupBox(portGroup, du, 150, 7, 150, 68);

    const int gndY[] = {25, 43, 62, 81, 100, 118, 137, 156};
    for (int i = 0; i < 8; ++i)
        label("GND", i == 5 ? 61 : 62, gndY[i], 20, 8); // room for the widest dialog font's "GND"

    auto* cableGroup = new QGroupBox(QStringLiteral("下载线"), this);
    PlaceGroupBox(cableGroup, du, 150, 79, 150, 178);

    m_btnRst = button(IDC_RST, "Rst=1", 167, 193, 50, 14);
    m_btnMiso = button(IDC_MISO, "MISO=1", 167, 153, 50, 14);
    m_btnMosi = button(IDC_MOSI, "MOSI=1", 167, 133, 50, 14);
    m_btnSck = button(IDC_SCK, "SCK=1", 167, 173, 50, 14);
    // The pin labels reach to the frame's inner edge, room for any number the settings file gives.
    auto pinLabel = [&](const char* text, int x, int y) {
        return label(text, x, y, kCableGroupInnerRight - x, 8);
    };
    m_lblMosiPin = pinLabel("使用PIN14", 227, 136);
    m_lblMisoPin = pinLabel("使用PIN15", 227, 156);
    m_lblSckPin = pinLabel("使用PIN1", 227, 176);
    m_lblRstPin = pinLabel("使用PIN16", 227, 196);
    auto* hint = label("注意:是否使用了器件的锁存控制和输出控制", 167, 92, 120, 15);
    hint->setWordWrap(true);

    // A drop-down list without an edit field: typed text would be ignored anyway, and an
    // editable field would let a typed entry name select a cable behind the user's back.
    m_cboCable = new QComboBox(this);
    m_cboCable->setObjectName(Id(IDC_CABLE));
    // The wheel reaches only the focused control, as on Windows: turning it over the unfocused
    // combo must neither focus it nor change the cable (see eventFilter).
    m_cboCable->setFocusPolicy(Qt::StrongFocus);
    m_cboCable->installEventFilter(this);
    {
        const QRect r = du.Rect(168, 114, 115, 67);
        const int h = m_cboCable->sizeHint().height();
        m_cboCable->setGeometry(r.x(), r.y(), r.width(), h);
        m_cboCable->setFixedSize(r.width(), h);
    }

    m_btnR1 = button(IDC_R1, "R1(保留)=1", 167, 213, 50, 14);
    m_btnR2 = button(IDC_R2, "R2(保留)=1", 167, 233, 50, 14);
    m_lblR1Pin = pinLabel("使用PIN16", 228, 216);
    m_lblR2Pin = pinLabel("使用PIN16", 228, 235);

    m_lblMosiPin->setObjectName(Id(IDC_MOSI_PIN));
    m_lblMisoPin->setObjectName(Id(IDC_MISO_PIN));
    m_lblSckPin->setObjectName(Id(IDC_SCK_PIN));
    m_lblRstPin->setObjectName(Id(IDC_RST_PIN));
    m_lblR1Pin->setObjectName(Id(IDC_R1_PIN));
    m_lblR2Pin->setObjectName(Id(IDC_R2_PIN));

    // Added below the template's controls: a user must never mistake the virtual port for a cable.
    m_lblPortInUse = label("", 7, 256, 216, 22);
    m_lblPortInUse->setObjectName(QStringLiteral("portInUse"));
    m_lblPortInUse->setWordWrap(true);
    m_lblPortInUse->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    // Shown when the line cannot hold its whole text: the whole of it is one click away.
    m_btnPortDetails = button(0, kPortDetailsButton, 195, 261, 28, 14);
    m_btnPortDetails->setObjectName(QStringLiteral("portDetails"));
    m_btnPortDetails->hide();

    // Group boxes frame controls made before them; keep them behind so that clicks reach those.
    portGroup->lower();
    cableGroup->lower();

    // No push button is the default one. A focused push button takes Enter itself; Enter
    // anywhere else reaches keyPressEvent below and does nothing.
    for (QPushButton* b : findChildren<QPushButton*>()) {
        b->setAutoDefault(true);
        b->setDefault(false);
    }

    // The message map: the pin boxes from their table, then the buttons by control id.
    for (const PinBox& box : PinBoxes())
        connect(m_chkPin[box.pin], &QCheckBox::clicked, this, box.onClick);
    const struct {
        int id;
        void (CPinTestDlg::*handler)();
    } messageMap[] = {
        {IDC_WRITE_DATA, &CPinTestDlg::OnWriteData}, {IDC_WRITE_CONTROL, &CPinTestDlg::OnWriteControl},
        {IDC_REFRESH, &CPinTestDlg::OnRefresh},      {IDC_MOSI, &CPinTestDlg::OnToggleMosi},
        {IDC_MISO, &CPinTestDlg::OnReadMiso},        {IDC_SCK, &CPinTestDlg::OnToggleSck},
        {IDC_RST, &CPinTestDlg::OnToggleRst},        {IDC_R1, &CPinTestDlg::OnToggleR1},
        {IDC_R2, &CPinTestDlg::OnToggleR2},
    };
    for (const auto& entry : messageMap) {
        auto* control = findChild<QAbstractButton*>(Id(entry.id));
        if (!control)
            qFatal("message map: no button with id %d", entry.id);
        connect(control, &QAbstractButton::clicked, this, entry.handler);
    }
    // `activated` is the user's choice only, like the selection-change notification: setting the
    // selection from code does not report it.
    connect(m_cboCable, &QComboBox::activated, this, &CPinTestDlg::OnSelchangeCable);
    connect(exitButton, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_btnPortDetails, &QPushButton::clicked, this, &CPinTestDlg::OnPortDetails);
}

bool CPinTestDlg::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_cboCable && event->type() == QEvent::Wheel && !m_cboCable->hasFocus())
        return true;
    return QDialog::eventFilter(watched, event);
}

void CPinTestDlg::CentreOnScreen()
{
    // Before start-up, so that its message boxes, centred over the window, are centred on the
    // screen too rather than over a window still at the screen's corner.
    if (const QScreen* s = screen())
        move(s->availableGeometry().center() - QPoint(width() / 2, height() / 2));
}

int CPinTestDlg::DoModal()
{
    StartUp();
    return exec();
}

void CPinTestDlg::showEvent(QShowEvent* event)
{
    // Start-up runs once, before the window first appears, whichever way it is shown.
    StartUp();
    QDialog::showEvent(event);
}

void CPinTestDlg::StartUp()
{
    if (m_bInitialized)
        return;
    m_bInitialized = true;
    CentreOnScreen();
    OnInitDialog();
}

void CPinTestDlg::keyPressEvent(QKeyEvent* event)
{
    // Qt would press a remembered default button here; the window's OK action is empty instead.
    // (Esc still ends the window through the base class.)
    const bool plain = event->modifiers() == Qt::NoModifier || event->modifiers() == Qt::KeypadModifier;
    if (plain && (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)) {
        OnOK();
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void CPinTestDlg::OnInitDialog()
{
    // The first exchange shows the fields as constructed: boxes clear, edits and labels empty.
    UpdateData(false);

    AddAboutEntry();
    AddWiringTestEntries();
    setWindowIcon(PorvikIcon());

    // Inserted at fixed positions, never sorted: the position gives the cable type.
    int entry = 0;
    for (const CCableTester::CableEntry& cable : CCableTester::kCableEntries)
        m_cboCable->insertItem(entry++, QString::fromUtf8(cable.name));
    m_cboCable->setCurrentIndex(CCableTester::kQorelIspEntry);

    m_tester.Start();
    ApplyCable(CCableTester::kQorelIspEntry);

    ShowPortInUse();
}

void CPinTestDlg::AddAboutEntry()
{
    if (!m_actAbout)
        m_actAbout = ::AddAboutEntry(this, QString::fromUtf8(kAboutMenuText), [this] { OnAbout(); });
}

void CPinTestDlg::AddWiringTestEntries()
{
    if (m_actWiringPlug)
        return;
    auto add = [this](const QString& text, const QKeySequence& key, bool selectedCable) {
        auto* action = new QAction(text, this);
        action->setShortcut(key);
        action->setShortcutContext(Qt::WindowShortcut);
        connect(action, &QAction::triggered, this, [this, selectedCable] { OnWiringTest(selectedCable); });
        addAction(action);
        return action;
    };
    m_actWiringPlug = add(QString::fromUtf8(kWiringPlugEntry), QKeySequence(Qt::Key_F5), false);
    m_actWiringCable = add(QString::fromUtf8(kWiringCableEntry), QKeySequence(Qt::SHIFT | Qt::Key_F5), true);
}

void CPinTestDlg::SetPortOffers(std::vector<PortOffer> offers, const PortChoice& current)
{
    auto* menu = new QMenu(this);
    auto* group = new QActionGroup(menu);
    for (PortOffer& offer : offers) {
        QAction* action = menu->addAction(QString::fromStdString(offer.label));
        action->setCheckable(true);
        action->setChecked(offer.choice.kind == current.kind && offer.choice.device == current.device);
        group->addAction(action);
        connect(action, &QAction::triggered, this, [this, choice = std::move(offer.choice), current] {
            if (choice == current)
                return;
            m_chosenPort = choice;
            done(kSwitchPort);
        });
    }
    auto* entry = new QAction(QStringLiteral("并口(&P)"), this);
    entry->setObjectName(QStringLiteral("portChooser"));
    entry->setMenu(menu);
    addAction(entry);
    m_portMenu = menu;
}

void CPinTestDlg::SetKeepEntry(const QString& text, std::function<bool()> ticked, std::function<void()> toggle)
{
    if (!m_portMenu)
        return;
    m_portMenu->addSeparator();
    QAction* keep = m_portMenu->addAction(text);
    keep->setObjectName(QStringLiteral("keepPort"));
    keep->setCheckable(true);
    keep->setChecked(ticked());
    connect(keep, &QAction::triggered, this, [this, keep, ticked, toggle = std::move(toggle)] {
        toggle();
        keep->setChecked(ticked());
        ShowPortInUse();
    });
}

void CPinTestDlg::OnWiringTest(bool selectedCable)
{
    const WiringReport report = m_tester.TestWiring(selectedCable);
    RefreshFromPort(); // the status line says at once when the port failed during the test
    CWiringDlg dlg(report, this, [this, selectedCable] {
        const WiringReport again = m_tester.TestWiring(selectedCable);
        if (again.portFailed)
            ShowPortInUse();
        return again;
    });
    dlg.context = [this, selectedCable] { return ReportContextOf(m_tester, selectedCable, {}, {}); };
    dlg.exec();
    RefreshFromPort(); // the wiggle test's runs put the registers back, the boxes show them
}

#ifdef Q_OS_WIN
bool CPinTestDlg::nativeEvent(const QByteArray& eventType, void* message, qintptr* result)
{
    if (IsAboutSystemCommand(message)) {
        OnAbout();
        *result = 0;
        return true;
    }
    return QDialog::nativeEvent(eventType, message, result);
}
#endif

void CPinTestDlg::OnAbout()
{
    // Passed the window, so that the box is centred over it.
    AboutBox(PorvikAbout(), this).DoModal();
}

QString CPinTestDlg::StatusLineText() const
{
    const std::string status = PortStatusText(m_cable.InUse(), m_platform.FailureReason(), m_cable.m_mapSource);
    return QString::fromStdString(WithStartNote(status, m_startNote ? m_startNote() : std::string()));
}

void CPinTestDlg::ShowPortInUse()
{
    const PortInUse inUse = m_cable.InUse();
    const bool failed = PortStatusWarns(inUse, m_platform.FailureReason(), m_cable.m_mapSource);
    m_strStatusLine = StatusLineText();

    // The whole text when it fits the line; else as much as fits and the details button.
    const DialogUnits du(font());
    const QFontMetrics fm = m_lblPortInUse->fontMetrics();
    // Two whole rows between the connector picture and the window's bottom edge (a third would
    // touch it); when cut, the line stops a few units short of the details button.
    QRect line = du.Rect(7, 256, 216, 22);
    QString shown = FitWrapped(m_strStatusLine, fm, QRect(QPoint(), line.size()));
    const bool cut = shown != m_strStatusLine;
    if (cut) {
        line = du.Rect(7, 256, 182, 22); // clear of the button at x 195
        shown = FitWrapped(m_strStatusLine, fm, QRect(QPoint(), line.size()));
    }
    m_lblPortInUse->setFixedSize(line.size());
    m_lblPortInUse->move(line.topLeft());
    m_lblPortInUse->setText(shown);
    m_lblPortInUse->setToolTip(m_strStatusLine);
    m_btnPortDetails->setVisible(cut);

    QPalette pal = palette(); // the window's, so that a repeated call starts afresh
    if (failed)
        pal.setColor(QPalette::WindowText, kNoRealPortColour);
    m_lblPortInUse->setPalette(pal);
}

void CPinTestDlg::OnPortDetails() { m_prompt.Inform(m_strStatusLine.toStdString()); }

const CPinTestDlg::PinBox& CPinTestDlg::PinBoxOf(int pin)
{
    for (const PinBox& box : PinBoxes())
        if (box.pin == pin)
            return box;
    qFatal("no pin box for pin %d", pin);
}

int& CPinTestDlg::PinField(int pin) { return this->*PinBoxOf(pin).field; }

void CPinTestDlg::DoDataExchange(bool save)
{
    // The control bindings (R2, R1, cable, Rst, SCK, MISO, MOSI) are made once in
    // CreateControls; the values follow in their fixed binding order. No exchange here can fail.
    CDataExchange dx(this, save, m_prompt);
    for (int pin : {1, 14, 15, 16, 17, 2, 10, 11, 12, 13, 3, 4, 5, 6, 7, 8, 9})
        DDX_Check(dx, PinBoxOf(pin).id, PinField(pin));
    DDX_Text(dx, IDC_CONTROL, m_strControl);
    DDX_Text(dx, IDC_DATA, m_strData);
    DDX_Text(dx, IDC_STATUS, m_strStatus);
    DDX_Text(dx, IDC_MOSI_PIN, m_strMosiPin);
    DDX_Text(dx, IDC_MISO_PIN, m_strMisoPin);
    DDX_Text(dx, IDC_SCK_PIN, m_strSckPin);
    DDX_Text(dx, IDC_RST_PIN, m_strRstPin);
    DDX_Text(dx, IDC_R1_PIN, m_strR1Pin);
    DDX_Text(dx, IDC_R2_PIN, m_strR2Pin);
}

void CPinTestDlg::UpdateData(bool bSaveAndValidate) { DoDataExchange(bSaveAndValidate); }

void CPinTestDlg::RefreshFromPort()
{
    const CCableTester::Reading r = m_tester.ReadAll();
    for (int pin = 1; pin <= CCableTester::kPins; ++pin)
        PinField(pin) = r.pinHigh[static_cast<std::size_t>(pin)] ? 1 : 0;
    m_strData = Hex2(r.data);
    m_strControl = Hex2(r.control);
    m_strStatus = Hex2(r.status);
    UpdateData(false);
    // A port can fail between two refreshes; the line must not go on calling it usable.
    ShowPortInUse();
}

void CPinTestDlg::ApplyCable(int index)
{
    m_tester.ChooseCable(index);
    // Each signal's label names its pin in the chosen map.
    const struct {
        QString CPinTestDlg::* text;
        int CIspCable::* pin;
    } labels[] = {
        {&CPinTestDlg::m_strMosiPin, &CIspCable::m_nMosiPin}, {&CPinTestDlg::m_strMisoPin, &CIspCable::m_nMisoPin},
        {&CPinTestDlg::m_strSckPin, &CIspCable::m_nSckPin},   {&CPinTestDlg::m_strRstPin, &CIspCable::m_nRstPin},
        {&CPinTestDlg::m_strR1Pin, &CIspCable::m_nR1Pin},     {&CPinTestDlg::m_strR2Pin, &CIspCable::m_nR2Pin},
    };
    for (const auto& l : labels)
        this->*l.text = PinLabel(m_cable.*l.pin);
    UpdateData(false);
    for (QLabel* l : {m_lblMosiPin, m_lblMisoPin, m_lblSckPin, m_lblRstPin, m_lblR1Pin, m_lblR2Pin})
        FitOneLine(l, font());
    // The settings-file note belongs to the Qorel Isp entry only.
    if (m_bInitialized && m_lblPortInUse)
        ShowPortInUse();
}

void CPinTestDlg::OnSelchangeCable() { ApplyCable(m_cboCable->currentIndex()); }

void CPinTestDlg::OnWritablePin(int pin)
{
    // The box has already flipped its tick; the exchange also takes the edits' text, which the
    // refresh below overwrites.
    UpdateData(true);
    if (PinField(pin) != 0)
        m_cable.SetPin(pin);
    else
        m_cable.ClearPin(pin);
    RefreshFromPort();
}

void CPinTestDlg::OnWriteData()
{
    UpdateData(true);
    OnWriteRegister(m_strData, &CIspCable::WriteData);
}

void CPinTestDlg::OnWriteControl()
{
    UpdateData(true);
    OnWriteRegister(m_strControl, &CIspCable::WriteControl);
}

void CPinTestDlg::OnWriteRegister(const QString& text, void (CIspCable::*write)(std::uint8_t))
{
    std::uint8_t value = 0;
    if (ParseHexByte(text.toStdString(), value))
        (m_cable.*write)(value);
    else
        m_prompt.Message(kBadRegisterValue, IPrompt::Buttons::Ok);
    RefreshFromPort();
}

void CPinTestDlg::OnToggleMosi() { OnToggle(CCableTester::Toggle::Mosi); }
void CPinTestDlg::OnToggleSck() { OnToggle(CCableTester::Toggle::Sck); }
void CPinTestDlg::OnToggleRst() { OnToggle(CCableTester::Toggle::Rst); }
void CPinTestDlg::OnToggleR1() { OnToggle(CCableTester::Toggle::R1); }
void CPinTestDlg::OnToggleR2() { OnToggle(CCableTester::Toggle::R2); }

void CPinTestDlg::OnToggle(CCableTester::Toggle toggle)
{
    // By CCableTester::Toggle.
    QPushButton* CPinTestDlg::* const buttons[CCableTester::kToggles] = {
        &CPinTestDlg::m_btnMosi, &CPinTestDlg::m_btnSck, &CPinTestDlg::m_btnRst, &CPinTestDlg::m_btnR1,
        &CPinTestDlg::m_btnR2,
    };
    const int level = m_tester.FlipToggle(toggle);
    (this->*buttons[static_cast<std::size_t>(toggle)])->setText(
        QString::fromStdString(CCableTester::ToggleCaption(toggle, level)));
    RefreshFromPort();
}

void CPinTestDlg::OnReadMiso()
{
    RefreshFromPort();
    const unsigned miso = m_cable.GetMiso();
    m_btnMiso->setText(QString::fromStdString(CCableTester::MisoCaption(miso)));
    RefreshFromPort();
}
