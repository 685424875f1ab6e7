#include "findbar.h"

#include "dialogunits.h"
#include "windowtext.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>

namespace {

const auto& kFields = kFindFields;

// Places `w` at its template rectangle, which counts from the window's top, inside the bar.
void PlaceInBar(const DialogUnits& du, QWidget* w, TemplateRect r, int height)
{
    du.Place(w, r.x, r.y - FIND_BAR_TOP, r.width, height);
}

}  // namespace

FindBar::FindBar(QWidget* parent) : QWidget(parent)
{
    const DialogUnits du(parent->font());
    du.Place(this, 0, FIND_BAR_TOP, TemplateRect{RECT_DEVICE_LIST}.width, FIND_BAR_HEIGHT);
    auto* label = new QLabel(QString::fromUtf8(kFindLabel), this);
    label->setObjectName(QString::number(IDC_FIND_LABEL));
    PlaceInBar(du, label, {RECT_FIND_LABEL}, TemplateRect{RECT_FIND_LABEL}.height);
    m_pField = new QComboBox(this);
    m_pField->setObjectName(QString::number(IDC_FIND_FIELD));
    for (const FindFieldChoice& c : kFields) m_pField->addItem(QString::fromUtf8(c.title));
    // The template's height of a drop-down list counts its open list; closed, it is an edit's.
    PlaceInBar(du, m_pField, {RECT_FIND_FIELD}, TemplateRect{RECT_FIND_TEXT}.height);
    m_pEdit = new QLineEdit(this);
    m_pEdit->setObjectName(QString::number(IDC_FIND_TEXT));
    m_pEdit->setPlaceholderText(QString::fromUtf8(kFindHint));
    PlaceInBar(du, m_pEdit, {RECT_FIND_TEXT}, TemplateRect{RECT_FIND_TEXT}.height);
    m_pStatus = new QLabel(this);
    m_pStatus->setObjectName(QString::number(IDC_FIND_STATUS));
    QPalette palette = m_pStatus->palette();
    palette.setColor(QPalette::WindowText, QColor(kFindStatusColour.red, kFindStatusColour.green, kFindStatusColour.blue));
    m_pStatus->setPalette(palette);
    PlaceInBar(du, m_pStatus, {RECT_FIND_STATUS}, TemplateRect{RECT_FIND_STATUS}.height);

    connect(m_pEdit, &QLineEdit::textChanged, this, &FindBar::QueryChanged);
    connect(m_pField, &QComboBox::currentIndexChanged, this, &FindBar::QueryChanged);
}

void FindBar::FocusText()
{
    m_pEdit->setFocus(Qt::ShortcutFocusReason);
    m_pEdit->selectAll();
}

FindField FindBar::Field() const
{
    const int i = m_pField->currentIndex();
    return i >= 0 && i < static_cast<int>(std::size(kFields)) ? kFields[i].field : FindField::Name;
}

QString FindBar::Text() const { return m_pEdit->text(); }

void FindBar::ShowStatus(const QString& word) { m_pStatus->setText(word); }

QString FindBar::Status() const { return m_pStatus->text(); }
