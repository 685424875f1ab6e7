#pragma once
#include <QColor>
#include <QHeaderView>
#include <QPointer>
#include <QPushButton>
#include <QTableView>

// Stand-ins for the styling toolkit the windows were designed with. They only fix looks;
// behaviour stays that of the plain Qt widgets underneath.

// A button wrapper that, like the toolkit's, takes its style before it is bound to a control
// (windows style their buttons while being created, before the controls are bound).
class CXTButton {
public:
    CXTButton() = default;
    CXTButton(const CXTButton&) = delete;
    CXTButton& operator=(const CXTButton&) = delete;

    // Style 0 is the ordinary push button; any other style is flat. `redraw` repaints a bound
    // button at once.
    void SetXButtonStyle(int style, bool redraw);
    int GetXButtonStyle() const { return m_nStyle; }

    // Binds the wrapper to a control and applies the style taken so far.
    void Attach(QPushButton* button);
    QPushButton* Button() const { return m_pButton; }

private:
    void Apply(bool redraw);

    int m_nStyle = 0;
    QPointer<QPushButton> m_pButton;
};

// Flat header: no raised sections, a thin separator line, left-aligned titles.
class CXTFlatHeaderCtrl : public QHeaderView {
    Q_OBJECT
public:
    explicit CXTFlatHeaderCtrl(Qt::Orientation orientation = Qt::Horizontal, QWidget* parent = nullptr);
};

// The list control: grid lines, full-row single selection, fixed row height, hidden row header.
// The row height is fixed and never sized to contents so that a list of a million rows shows
// and scrolls without measuring every row.
class CXTListCtrl : public QTableView {
    Q_OBJECT
public:
    explicit CXTListCtrl(QWidget* parent = nullptr);

    // Text and background colours of the rows (selected rows keep the platform highlight).
    void SetColors(QColor text, QColor back);

    // Replaces the horizontal header with a flat one; returns it (owned by the list).
    CXTFlatHeaderCtrl* SubclassFlatHeader();
    CXTFlatHeaderCtrl* FlatHeader() const { return m_pFlatHeader; }

protected:
    QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override;

private:
    CXTFlatHeaderCtrl* m_pFlatHeader = nullptr;
};

class CDataExchange;
// Binds `button` to the push button with that id, once; a no-op after a failed exchange.
void DDX_Control(CDataExchange& dx, int id, CXTButton& button);
