#include "findbar.h"

#include "windowtext.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>

namespace {

const auto& kFields = kFindFields;

}  // namespace

FindBar::FindBar(QWidget* parent) : QWidget(parent)
{
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(2, 1, 2, 1);
    layout->setSpacing(4);
    layout->addWidget(new QLabel(QString::fromUtf8(kFindLabel), this));
    m_pField = new QComboBox(this);
    for (const FindFieldChoice& c : kFields) m_pField->addItem(QString::fromUtf8(c.title));
    layout->addWidget(m_pField);
    m_pEdit = new QLineEdit(this);
    m_pEdit->setPlaceholderText(QString::fromUtf8(kFindHint));
    layout->addWidget(m_pEdit, 1);
    m_pStatus = new QLabel(this);
    m_pStatus->setStyleSheet(QStringLiteral("color: #c00000"));
    // The word's room is kept when it is empty, so that the text field does not change width.
    m_pStatus->setFixedWidth(m_pStatus->fontMetrics().horizontalAdvance(QString::fromUtf8(kFindNotFound)) + 2);
    layout->addWidget(m_pStatus);

    connect(m_pEdit, &QLineEdit::textChanged, this, &FindBar::QueryChanged);
    connect(m_pField, &QComboBox::currentIndexChanged, this, &FindBar::QueryChanged);
    m_pEdit->installEventFilter(this);
    m_pField->installEventFilter(this);
}

void FindBar::Open()
{
    show();
    m_pEdit->setFocus(Qt::ShortcutFocusReason);
    m_pEdit->selectAll();
}

FindField FindBar::Field() const
{
    const int i = m_pField->currentIndex();
    return i >= 0 && i < static_cast<int>(std::size(kFields)) ? kFields[i].field : FindField::Name;
}

QString FindBar::Text() const { return m_pEdit->text(); }

void FindBar::ShowNotFound(bool notFound) { m_pStatus->setText(notFound ? QString::fromUtf8(kFindNotFound) : QString()); }

bool FindBar::eventFilter(QObject* watched, QEvent* event)
{
    // Enter and Esc belong to the bar while it has the focus: the window would otherwise take
    // Esc as the exit button.
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Escape) {
            emit Closed();
            return true;
        }
        if (watched == m_pEdit && (key == Qt::Key_Return || key == Qt::Key_Enter)) {
            emit Next();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}
