#include "xtwidgets.h"

#include "ddx.h"

#include <QPalette>

namespace {

// The toolkit's flat button: a one-pixel frame that darkens under the mouse and sinks when
// pressed; the default button keeps a heavier frame so Enter's target stays visible.
constexpr const char* kFlatButtonSheet =
    "QPushButton { border: 1px solid #a0a0a0; border-radius: 0px; background: palette(button);"
    " padding: 1px 4px; }"
    "QPushButton:hover { border-color: #404040; }"
    "QPushButton:pressed { background: palette(mid); padding: 2px 3px 0px 5px; }"
    "QPushButton:default { border: 2px solid #404040; }"
    "QPushButton:focus { outline: 1px dotted palette(text); }"
    "QPushButton:disabled { color: palette(mid); }";

constexpr const char* kFlatHeaderSheet =
    "QHeaderView::section { background: palette(button); border: none;"
    " border-right: 1px solid #c0c0c0; border-bottom: 1px solid #c0c0c0; padding: 1px 4px; }";

}  // namespace

void CXTButton::SetXButtonStyle(int style, bool redraw)
{
    m_nStyle = style;
    if (m_pButton) Apply(redraw);
}

void CXTButton::Attach(QPushButton* button)
{
    m_pButton = button;
    if (m_pButton) Apply(true);
}

void CXTButton::Apply(bool redraw)
{
    const bool flat = m_nStyle != 0;
    m_pButton->setFlat(flat);
    m_pButton->setStyleSheet(flat ? QString::fromLatin1(kFlatButtonSheet) : QString());
    m_pButton->setProperty("xtButtonStyle", m_nStyle);
    if (redraw) m_pButton->update();
}

CXTFlatHeaderCtrl::CXTFlatHeaderCtrl(Qt::Orientation orientation, QWidget* parent)
    : QHeaderView(orientation, parent)
{
    setStyleSheet(QString::fromLatin1(kFlatHeaderSheet));
    setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    setHighlightSections(false);
    setSectionsClickable(true);
}

CXTListCtrl::CXTListCtrl(QWidget* parent) : QTableView(parent)
{
    setShowGrid(true);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setWordWrap(false);
    setCornerButtonEnabled(false);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    // A list view is one stop of the dialog's tab order: Tab leaves it, the arrows move the row.
    setTabKeyNavigation(false);

    QHeaderView* rows = verticalHeader();
    rows->hide();
    rows->setSectionResizeMode(QHeaderView::Fixed);
    const int rowHeight = fontMetrics().height() + 4;
    rows->setMinimumSectionSize(rowHeight);
    rows->setDefaultSectionSize(rowHeight);
}

void CXTListCtrl::SetColors(QColor text, QColor back)
{
    QPalette pal = palette();
    for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        pal.setColor(group, QPalette::Text, text);
        pal.setColor(group, QPalette::Base, back);
    }
    setPalette(pal);
}

QModelIndex CXTListCtrl::moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers)
{
    // A list view has rows, not cells: Home and End go to the first and last row, Ctrl or not,
    // where a table would go to the first and last column.
    if ((action == MoveHome || action == MoveEnd) && model()) {
        const int rows = model()->rowCount(rootIndex());
        if (rows == 0) return {};
        const int column = currentIndex().isValid() ? currentIndex().column() : 0;
        return model()->index(action == MoveHome ? 0 : rows - 1, column, rootIndex());
    }
    return QTableView::moveCursor(action, modifiers);
}

CXTFlatHeaderCtrl* CXTListCtrl::SubclassFlatHeader()
{
    if (!m_pFlatHeader) {
        m_pFlatHeader = new CXTFlatHeaderCtrl(Qt::Horizontal, this);
        setHorizontalHeader(m_pFlatHeader);
    }
    return m_pFlatHeader;
}

void DDX_Control(CDataExchange& dx, int id, CXTButton& button)
{
    if (dx.Failed() || button.Button()) return;
    if (auto* b = qobject_cast<QPushButton*>(dx.Control(id))) button.Attach(b);
}
