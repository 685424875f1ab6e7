#pragma once
#include <QWidget>

#include "listfind.h"

class QComboBox;
class QLabel;
class QLineEdit;

// The find bar that opens under the device list: what to search (名称 / 签名 / FID), the text,
// and a word on the result, placed as the template places them. It reports changes of the query;
// its keys are the window's, and what it shows is the window logic's.
class FindBar : public QWidget {
    Q_OBJECT
public:
    explicit FindBar(QWidget* parent);

    FindField Field() const;
    QString Text() const;
    // The word on the result ("未找到" or nothing).
    void ShowStatus(const QString& word);
    // The focus on the text, selected, ready for typing over.
    void FocusText();

    QLineEdit* Edit() const { return m_pEdit; }
    QComboBox* FieldBox() const { return m_pField; }
    QString Status() const;

signals:
    void QueryChanged();  // text or field changed: search again from the current row

private:
    QComboBox* m_pField;
    QLineEdit* m_pEdit;
    QLabel* m_pStatus;
};
