#pragma once
#include <QWidget>

#include "listfind.h"

class QComboBox;
class QLabel;
class QLineEdit;

// The find bar that opens under the device list: what to search (名称 / 签名 / FID), the text,
// and a word on the result. It only reports what the user asks for; the window searches.
class FindBar : public QWidget {
    Q_OBJECT
public:
    explicit FindBar(QWidget* parent = nullptr);

    // Shows the bar with the text selected, ready for typing over.
    void Open();
    FindField Field() const;
    QString Text() const;
    // Says that the text matches nothing (or clears the word again).
    void ShowNotFound(bool notFound);

    QLineEdit* Edit() const { return m_pEdit; }
    QComboBox* FieldBox() const { return m_pField; }

signals:
    void QueryChanged();  // text or field changed: search again from the current row
    void Next();          // Enter
    void Closed();        // Esc

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QComboBox* m_pField;
    QLineEdit* m_pEdit;
    QLabel* m_pStatus;
};
