#include "testwnd.h"

#include <QAbstractButton>
#include <QAction>
#include <QActionGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QImage>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QWheelEvent>

#include <climits>

#include "aboutentry.h"
#include "connectorpicture.h"
#include "dialogunits.h"
#include "porvikabout.h"
#include "testertexts.h"
#include "wiringdlg.h"

namespace {

QString Id(int id) { return QString::number(id); }

QString Text(const std::string& s) { return QString::fromStdString(s); }

QColor Colour(Rgb c) { return QColor(c.r, c.g, c.b); }

// A place of the layout (testerlayout.h), in dialog units.
struct Place {
    int x, y, w, h;
};
constexpr Place kPicture{RC_PICTURE}, kPin1{RC_PIN1}, kPin13{RC_PIN13};

// The keys of the command table as Qt names them.
QKeySequence KeyOf(const TesterCommandRow& row)
{
    constexpr struct {
        TesterKey key;
        Qt::Key qt;
    } keys[] = {{TesterKey::Enter, Qt::Key_Return}, {TesterKey::Escape, Qt::Key_Escape},
                {TesterKey::F1, Qt::Key_F1},        {TesterKey::F5, Qt::Key_F5}};
    for (const auto& k : keys)
        if (k.key == row.key)
            return QKeySequence(row.shift ? QKeyCombination(Qt::SHIFT, k.qt) : QKeyCombination(k.qt));
    return {};
}

// The right edge, in dialog units, of the room inside the "下载线" frame for the pin labels.
constexpr Place kCableGroup{RC_CABLE_GROUP};
constexpr int kCableGroupInnerRight = kCableGroup.x + kCableGroup.w - 3;

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
void PlaceGroupBox(QGroupBox* group, const DialogUnits& du, Place p)
{
    const auto [x, y, w, h] = p;
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
    : QDialog(parent), m_session(platform, prompt, kChooseVirtualPortHint), m_cable(m_session.Tester().Cable())
{
    CreateControls();
}

CPinTestDlg::~CPinTestDlg() = default;

void CPinTestDlg::CreateControls()
{
    const QFont font = TemplateFont(QStringLiteral("宋体"), 9);
    setFont(font);
    const DialogUnits du(font);

    setWindowTitle(QStringLiteral("Porvik"));
    // A plain frame with a close box: no help button, no resizing.
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(du.Size(DLG_PORVIK_W, DLG_PORVIK_H));

    auto caption = [](int id) {
        for (const ControlCaption& c : TesterCaptions())
            if (c.control == id)
                return QString::fromUtf8(c.text);
        return QString();
    };
    auto button = [&](int id, const QString& text, Place p) {
        auto* b = new QPushButton(text, this);
        b->setObjectName(Id(id));
        du.Place(b, p.x, p.y, p.w, p.h);
        if (const TesterCommandRow* row = CommandForControl(id)) {
            if (row->tooltip)
                b->setToolTip(QString::fromUtf8(row->tooltip));
            connect(b, &QPushButton::clicked, this, [this, command = row->id] { Do(command); });
        }
        return b;
    };
    auto label = [&](const QString& text, Place p) {
        auto* l = new QLabel(text, this);
        l->setTextFormat(Qt::PlainText);
        du.Place(l, p.x, p.y, p.w, p.h);
        return l;
    };
    auto edit = [&](int id, Place p) {
        auto* e = new QLineEdit(this);
        e->setObjectName(Id(id));
        du.Place(e, p.x, p.y, p.w, p.h);
        return e;
    };

    // Template order, which is also the tab order.
    button(IDC_EXIT, caption(IDC_EXIT), {RC_EXIT});

    // Real-size picture: the control takes the bitmap's size, not the template's.
    auto* picture = new QLabel(this);
    picture->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    picture->setLineWidth(1);
    {
        const int frame = picture->frameWidth();
        const QPoint origin(du.X(kPicture.x), du.Y(kPicture.y));
        // Scale the bitmap with the dialog units, so that its rows stay beside their boxes
        // even where the stand-in font's metrics differ from the template font's 6 x 12.
        const int w = (connector::kWidth * du.BaseX() + 3) / 6;
        const int h = (connector::kHeight * du.BaseY() + 6) / 12;
        // Row centres taken from the boxes of pin 13 (top) and pin 1 (bottom).
        const double top = du.Y(kPin13.y) + du.Y(kPin13.h) / 2.0 - origin.y() - frame;
        const double bottom = du.Y(kPin1.y) + du.Y(kPin1.h) / 2.0 - origin.y() - frame;
        picture->setPixmap(QPixmap::fromImage(connector::DrawPicture(w, h, top, bottom)));
        picture->setGeometry(origin.x(), origin.y(), w + 2 * frame, h + 2 * frame);
        picture->setFixedSize(picture->size());
    }

    constexpr Place pinPlaces[] = {{RC_PIN1},  {RC_PIN2},  {RC_PIN14}, {RC_PIN15}, {RC_PIN16}, {RC_PIN17},
                                   {RC_PIN3},  {RC_PIN4},  {RC_PIN5},  {RC_PIN6},  {RC_PIN7},  {RC_PIN8},
                                   {RC_PIN9},  {RC_PIN10}, {RC_PIN11}, {RC_PIN12}, {RC_PIN13}};
    std::size_t boxIndex = 0;
    for (const PinBoxRow& box : PinBoxes()) {
        const Place p = pinPlaces[boxIndex++];
        auto* c = new QCheckBox(QString::fromUtf8(box.caption), this);
        c->setObjectName(Id(box.control));
        du.Place(c, p.x, p.y, p.w, p.h);
        m_chkPin[box.pin] = c;
        // The box has already flipped its tick: that is the level asked for.
        connect(c, &QCheckBox::clicked, this, [this, c, pin = box.pin] {
            m_session.ClickPin(pin, c->isChecked());
            Render();
        });
    }

    m_edtData = edit(IDC_DATA, {RC_DATA});
    label(caption(IDC_DATA_LABEL), {RC_DATA_LABEL});
    label(caption(IDC_CONTROL_LABEL), {RC_CONTROL_LABEL});
    label(caption(IDC_STATUS_LABEL), {RC_STATUS_LABEL});
    button(IDC_WRITE_DATA, caption(IDC_WRITE_DATA), {RC_WRITE_DATA});
    m_edtControl = edit(IDC_CONTROL, {RC_CONTROL});
    m_edtStatus = edit(IDC_STATUS, {RC_STATUS});
    m_edtStatus->setReadOnly(true);
    {
        // A read-only edit has the window's background, as the platform shows one.
        QPalette pal = m_edtStatus->palette();
        pal.setColor(QPalette::Base, pal.color(QPalette::Window));
        m_edtStatus->setPalette(pal);
    }
    button(IDC_WRITE_CONTROL, caption(IDC_WRITE_CONTROL), {RC_WRITE_CONTROL});
    button(IDC_REFRESH, caption(IDC_REFRESH), {RC_REFRESH});

    auto* portGroup = new QGroupBox(caption(IDC_PORT_GROUP), this);
    PlaceGroupBox(portGroup, du, {RC_PORT_GROUP});

    for (Place gnd : {Place{RC_GND1}, Place{RC_GND2}, Place{RC_GND3}, Place{RC_GND4}, Place{RC_GND5},
                      Place{RC_GND6}, Place{RC_GND7}, Place{RC_GND8}})
        label(QStringLiteral("GND"), gnd);

    auto* cableGroup = new QGroupBox(caption(IDC_CABLE_GROUP), this);
    PlaceGroupBox(cableGroup, du, kCableGroup);

    const TesterView& view = m_session.View();
    button(IDC_RST, Text(view.toggleCaptions[2]), {RC_RST});
    button(IDC_MISO, Text(view.misoCaption), {RC_MISO});
    button(IDC_MOSI, Text(view.toggleCaptions[0]), {RC_MOSI});
    button(IDC_SCK, Text(view.toggleCaptions[1]), {RC_SCK});
    // The pin labels reach to the frame's inner edge, room for any number the settings file gives.
    auto pinLabel = [&](int id, Place p) {
        QLabel* l = label(QString(), {p.x, p.y, kCableGroupInnerRight - p.x, p.h});
        l->setObjectName(Id(id));
    };
    pinLabel(IDC_MOSI_PIN, {RC_MOSI_PIN});
    pinLabel(IDC_MISO_PIN, {RC_MISO_PIN});
    pinLabel(IDC_SCK_PIN, {RC_SCK_PIN});
    pinLabel(IDC_RST_PIN, {RC_RST_PIN});
    label(caption(IDC_HINT), {RC_HINT})->setWordWrap(true);

    // A drop-down list without an edit field: typed text would be ignored anyway, and an
    // editable field would let a typed entry name select a cable behind the user's back.
    m_cboCable = new QComboBox(this);
    m_cboCable->setObjectName(Id(IDC_CABLE));
    // The wheel reaches only the focused control, as on Windows: turning it over the unfocused
    // combo must neither focus it nor change the cable (see eventFilter).
    m_cboCable->setFocusPolicy(Qt::StrongFocus);
    m_cboCable->installEventFilter(this);
    {
        const Place p{RC_CABLE};
        const QRect r = du.Rect(p.x, p.y, p.w, p.h);
        const int h = m_cboCable->sizeHint().height();
        m_cboCable->setGeometry(r.x(), r.y(), r.width(), h);
        m_cboCable->setFixedSize(r.width(), h);
    }

    button(IDC_R1, Text(view.toggleCaptions[3]), {RC_R1});
    button(IDC_R2, Text(view.toggleCaptions[4]), {RC_R2});
    pinLabel(IDC_R1_PIN, {RC_R1_PIN});
    pinLabel(IDC_R2_PIN, {RC_R2_PIN});

    // Added below the template's controls: a user must never mistake the virtual port for a cable.
    m_lblPortInUse = label(QString(), {RC_PORT_STATUS});
    m_lblPortInUse->setObjectName(QStringLiteral("portInUse"));
    m_lblPortInUse->setWordWrap(true);
    m_lblPortInUse->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    // Shown when the line cannot hold its whole text: the whole of it is one click away.
    m_btnPortDetails = button(IDC_PORT_DETAILS, caption(IDC_PORT_DETAILS), {RC_PORT_DETAILS});
    m_btnPortDetails->setObjectName(QStringLiteral("portDetails"));
    m_btnPortDetails->hide();

    // Group boxes frame controls made before them; keep them behind so that clicks reach those.
    portGroup->lower();
    cableGroup->lower();

    // No push button is the default one. A focused push button takes Enter itself (its click);
    // Enter anywhere else reaches keyPressEvent below and does nothing.
    for (QPushButton* b : findChildren<QPushButton*>()) {
        b->setAutoDefault(true);
        b->setDefault(false);
    }

    // `activated` is the user's choice only, like the selection-change notification: setting the
    // selection from code does not report it.
    connect(m_cboCable, &QComboBox::activated, this, [this](int entry) {
        m_session.ChooseCable(entry);
        Render();
    });
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
    AddCommandEntries();
    setWindowIcon(PorvikIcon());

    // Inserted at fixed positions, never sorted: the position gives the cable type.
    int entry = 0;
    for (const CCableTester::CableEntry& cable : CCableTester::kCableEntries)
        m_cboCable->insertItem(entry++, QString::fromUtf8(cable.name));

    m_session.Start();
    Render();
}

void CPinTestDlg::keyPressEvent(QKeyEvent* event)
{
    // Qt would press a remembered default button on Enter and end the window on Esc by itself:
    // the command table says what each does here.
    const Qt::KeyboardModifiers mods = event->modifiers() & ~Qt::KeypadModifier;
    TesterKey key = TesterKey::None;
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
        key = TesterKey::Enter;
    else if (event->key() == Qt::Key_Escape)
        key = TesterKey::Escape;
    if (key != TesterKey::None && (mods == Qt::NoModifier || mods == Qt::ShiftModifier)) {
        if (const TesterCommandRow* row = CommandForKey(key, mods == Qt::ShiftModifier)) {
            Do(row->id);
            event->accept();
            return;
        }
    }
    QDialog::keyPressEvent(event);
}

void CPinTestDlg::AddCommandEntries()
{
    // The window's menu entries and their keys, in the table's order.
    for (const TesterCommandRow& row : TesterCommands()) {
        if (!row.menuText)
            continue;
        const QString text = QString::fromUtf8(row.menuText);
        QAction* action = nullptr;
        if (row.id == TesterCommand::About) {
            action = ::AddAboutEntry(this, text, [this] { Do(TesterCommand::About); });
        } else {
            action = new QAction(text, this);
            connect(action, &QAction::triggered, this, [this, command = row.id] { Do(command); });
            addAction(action);
        }
        action->setShortcut(KeyOf(row));
        action->setShortcutContext(Qt::WindowShortcut);
        if (row.tooltip)
            action->setToolTip(QString::fromUtf8(row.tooltip));
        m_actions[static_cast<int>(row.id)] = action;
    }
    setContextMenuPolicy(Qt::ActionsContextMenu);
}

QAction* CPinTestDlg::CommandAction(TesterCommand command) const { return m_actions[static_cast<int>(command)]; }

void CPinTestDlg::SetPortOffers(std::vector<PortOffer> offers, const PortChoice& current)
{
    m_currentPort = current;
    auto* menu = new QMenu(this);
    auto* group = new QActionGroup(menu);
    for (PortOffer& offer : WithCurrentPort(std::move(offers), current)) {
        QAction* action = menu->addAction(QString::fromStdString(offer.label));
        action->setCheckable(true);
        action->setChecked(offer.choice == current);
        group->addAction(action);
        // The current port chosen again is opened again: the way back after it failed.
        connect(action, &QAction::triggered, this, [this, choice = std::move(offer.choice)] {
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
        m_session.ShowStatus(); // the note on a kept port
        Render();
    });
}

void CPinTestDlg::Do(TesterCommand command)
{
    // The edits' texts as they stand are what a register write takes.
    m_session.SetRegisterTexts(m_edtData->text().toStdString(), m_edtControl->text().toStdString());
    Act(m_session.Run(command));
}

void CPinTestDlg::Act(CTesterSession::Effect effect)
{
    Render();
    switch (effect) {
    case CTesterSession::Effect::None:
        return;
    case CTesterSession::Effect::ShowAbout:
        // Passed the window, so that the box is centred over it.
        AboutBox(PorvikAbout(), this).DoModal();
        return;
    case CTesterSession::Effect::ShowWiring: {
        CWiringDlg dlg(m_session.TakeWiring(), this);
        dlg.exec();
        m_session.WiringClosed();
        Render();
        return;
    }
    case CTesterSession::Effect::End:
        QDialog::reject();
        return;
    case CTesterSession::Effect::Reopen:
        // The shell opens the port it was started on again; without a shell there is nothing to
        // reopen it with.
        if (m_currentPort) {
            m_chosenPort = m_currentPort;
            done(kSwitchPort);
        }
        return;
    }
}

#ifdef Q_OS_WIN
bool CPinTestDlg::nativeEvent(const QByteArray& eventType, void* message, qintptr* result)
{
    if (IsAboutSystemCommand(message)) {
        Do(TesterCommand::About);
        *result = 0;
        return true;
    }
    return QDialog::nativeEvent(eventType, message, result);
}
#endif

QString CPinTestDlg::StatusLineText() const { return Text(m_session.View().statusLine); }

void CPinTestDlg::Render()
{
    const TesterView& view = m_session.View();
    for (int pin = 1; pin <= CCableTester::kPins; ++pin)
        m_chkPin[pin]->setChecked(view.pinTicked[static_cast<std::size_t>(pin)]);
    m_edtData->setText(Text(view.data));
    m_edtControl->setText(Text(view.control));
    m_edtStatus->setText(Text(view.status));
    for (int t = 0; t < CCableTester::kToggles; ++t)
        findChild<QPushButton*>(Id(kToggleControls[t]))->setText(Text(view.toggleCaptions[static_cast<std::size_t>(t)]));
    findChild<QPushButton*>(Id(IDC_MISO))->setText(Text(view.misoCaption));
    for (std::size_t i = 0; i < std::size(kSignalLabelControls); ++i) {
        auto* l = findChild<QLabel*>(Id(kSignalLabelControls[i]));
        l->setText(Text(view.signalLabels[i]));
        FitOneLine(l, font());
    }
    if (m_cboCable->currentIndex() != view.cableEntry)
        m_cboCable->setCurrentIndex(view.cableEntry);
    for (const TesterCommandRow& row : TesterCommands()) {
        const bool enabled = view.Enabled(row.id);
        if (QAction* a = m_actions[static_cast<int>(row.id)])
            a->setEnabled(enabled);
        if (row.control)
            if (auto* b = findChild<QPushButton*>(Id(row.control)))
                b->setEnabled(enabled);
    }
    ShowStatusLine();
}

void CPinTestDlg::ShowStatusLine()
{
    const TesterView& view = m_session.View();
    const QString whole = Text(view.statusLine);

    // The whole text when it fits the line; else as much as fits and the details button.
    const DialogUnits du(font());
    const QFontMetrics fm = m_lblPortInUse->fontMetrics();
    const Place full{RC_PORT_STATUS}, narrow{RC_PORT_STATUS_CUT};
    QRect line = du.Rect(full.x, full.y, full.w, full.h);
    QString shown = FitWrapped(whole, fm, QRect(QPoint(), line.size()));
    const bool cut = shown != whole;
    if (cut) {
        line = du.Rect(narrow.x, narrow.y, narrow.w, narrow.h); // clear of the details button
        shown = FitWrapped(whole, fm, QRect(QPoint(), line.size()));
    }
    m_lblPortInUse->setFixedSize(line.size());
    m_lblPortInUse->move(line.topLeft());
    m_lblPortInUse->setText(shown);
    m_lblPortInUse->setToolTip(whole);
    m_btnPortDetails->setVisible(cut);

    QPalette pal = palette(); // the window's, so that a repeated call starts afresh
    if (view.statusTone != Tone::Normal)
        pal.setColor(QPalette::WindowText, Colour(ToneText(view.statusTone)));
    m_lblPortInUse->setPalette(pal);
}
