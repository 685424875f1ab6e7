#include "ddx.h"

#include <QAbstractButton>
#include <QLabel>
#include <QLineEdit>
#include <QWidget>

#include "gbk.h"
#include "prompt.h"

void CGbkString::SetBytes(std::string_view bytes)
{
    m_bytes.assign(bytes);
    m_strShown = QString::fromStdString(GbkToUtf8(bytes));
    m_strText = m_strShown;
}

std::optional<std::string> CGbkString::Bytes() const
{
    if (m_strText == m_strShown) return m_bytes;
    return Utf8ToGbk(m_strText.toStdString());
}

QWidget* CDataExchange::Control(int id) const
{
    return m_pDlgWnd->findChild<QWidget*>(QString::number(id));
}

void CDataExchange::Fail(QWidget* control, const std::string& message)
{
    m_bFailed = true;
    m_prompt.Inform(message);
    if (control) {
        control->setFocus(Qt::OtherFocusReason);
        if (auto* edit = qobject_cast<QLineEdit*>(control)) edit->selectAll();
    }
}

void DDX_Text(CDataExchange& dx, int id, QString& value)
{
    if (dx.Failed()) return;
    QWidget* control = dx.Control(id);
    if (auto* label = qobject_cast<QLabel*>(control)) {
        if (dx.m_bSaveAndValidate)
            value = label->text();
        else
            label->setText(value);
        return;
    }
    auto* edit = qobject_cast<QLineEdit*>(control);
    if (!edit) return;
    if (dx.m_bSaveAndValidate)
        value = edit->text();
    else
        edit->setText(value);
}

void DDX_Check(CDataExchange& dx, int id, int& value)
{
    if (dx.Failed()) return;
    auto* box = qobject_cast<QAbstractButton*>(dx.Control(id));
    if (!box) return;
    if (dx.m_bSaveAndValidate)
        value = box->isChecked() ? 1 : 0;
    else
        box->setChecked(value != 0);
}

void DDX_Text(CDataExchange& dx, int id, CGbkString& value)
{
    if (dx.Failed()) return;
    auto* edit = qobject_cast<QLineEdit*>(dx.Control(id));
    if (!edit) return;
    // Whether the text can be stored is the caller's check: the import path reads the name
    // without using it, and must not be stopped by it.
    if (dx.m_bSaveAndValidate)
        value.SetText(edit->text());
    else
        edit->setText(value.Text());
}
