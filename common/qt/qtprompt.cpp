#include "qtprompt.h"

#include <QMessageBox>
#include <QPushButton>

IPrompt::Answer QtPrompt::Message(const std::string& text, Buttons buttons)
{
    QMessageBox box(m_parent);
    box.setWindowTitle(m_title);
    box.setText(QString::fromStdString(text));
    // A box with only OK carries the warning sign, as the platform's message box gives one that
    // names no icon; questions carry the question mark.
    box.setIcon(buttons == Buttons::Ok ? QMessageBox::Warning : QMessageBox::Question);

    QAbstractButton* ok = nullptr;
    QAbstractButton* yes = nullptr;
    QAbstractButton* no = nullptr;
    QAbstractButton* cancel = nullptr;
    switch (buttons) {
    case Buttons::Ok:
        ok = box.addButton(QStringLiteral("确定"), QMessageBox::AcceptRole);
        box.setEscapeButton(ok);
        break;
    case Buttons::YesNo:
        yes = box.addButton(QStringLiteral("是(&Y)"), QMessageBox::YesRole);
        no = box.addButton(QStringLiteral("否(&N)"), QMessageBox::NoRole);
        box.setEscapeButton(no);
        break;
    case Buttons::YesNoCancel:
        yes = box.addButton(QStringLiteral("是(&Y)"), QMessageBox::YesRole);
        no = box.addButton(QStringLiteral("否(&N)"), QMessageBox::NoRole);
        cancel = box.addButton(QStringLiteral("取消"), QMessageBox::RejectRole);
        box.setEscapeButton(cancel);
        break;
    }
    if (yes) box.setDefaultButton(static_cast<QPushButton*>(yes));
    box.exec();

    const QAbstractButton* clicked = box.clickedButton();
    if (clicked == yes && yes) return Answer::Yes;
    if (clicked == no && no) return Answer::No;
    if (clicked == cancel && cancel) return Answer::Cancel;
    if (buttons == Buttons::YesNo) return Answer::No;
    if (buttons == Buttons::YesNoCancel) return Answer::Cancel;
    return Answer::Ok;
}
