// The scenarios' driver for the Qt window, offscreen: QTest events to the controls found by id.
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>

#include <gtest/gtest.h>

#include "dialogunits.h"
#include "porvik_driver.h"
#include "qt_test_main.h"
#include "testwnd.h"
#include "window_driver.h"
#include "wiringdlg.h"

namespace {

Rgb RgbOf(const QColor& c)
{
    return {static_cast<std::uint8_t>(c.red()), static_cast<std::uint8_t>(c.green()),
            static_cast<std::uint8_t>(c.blue())};
}

class QtWiringDialog : public IWiringDialogDriver {
public:
    explicit QtWiringDialog(QWidget* dlg) : m_dlg(dlg) {}
    std::vector<Row> Rows() override
    {
        auto* table = m_dlg->findChild<QTableWidget*>("wires");
        std::vector<Row> rows;
        for (int r = 0; r < table->rowCount(); ++r) {
            Row row;
            for (int c = 0; c < table->columnCount(); ++c)
                row.cells.push_back(table->item(r, c)->text().toStdString());
            row.background = RgbOf(table->item(r, 0)->background().color());
            rows.push_back(row);
        }
        return rows;
    }
    std::string Subject() override { return m_dlg->findChild<QLabel*>("subject")->text().toStdString(); }
    std::string Summary() override { return m_dlg->findChild<QLabel*>("summary")->text().toStdString(); }
    Rgb SummaryColour() override
    {
        return RgbOf(m_dlg->findChild<QLabel*>("summary")->palette().color(QPalette::WindowText));
    }
    std::string RepeatCaption() override { return Repeat()->text().toStdString(); }
    bool RepeatEnabled() override { return Repeat()->isEnabled(); }
    void ClickRepeat() override { QTest::mouseClick(Repeat(), Qt::LeftButton); }
    void ClickSave(const std::string& file) override
    {
        static_cast<CWiringDlg*>(m_dlg)->chooseFile = [file] { return QString::fromStdString(file); };
        QTest::mouseClick(m_dlg->findChild<QPushButton*>("save"), Qt::LeftButton);
    }
    bool PumpUntil(const std::function<bool()>& done) override
    {
        QElapsedTimer clock;
        clock.start();
        while (!done() && clock.elapsed() < 5000)
            QApplication::processEvents(QEventLoop::AllEvents, 10);
        return done();
    }

private:
    QPushButton* Repeat() { return m_dlg->findChild<QPushButton*>("repeat"); }
    QWidget* m_dlg;
};

class QtDriver : public IPorvikDriver {
public:
    void Open(IPortPlatform& platform, IPrompt& prompt) override
    {
        m_dlg = std::make_unique<CPinTestDlg>(platform, prompt);
        m_dlg->show();
        m_dlg->activateWindow();
        (void)QTest::qWaitForWindowActive(m_dlg.get());
    }
    void Focus(int control) override { Widget(control)->setFocus(Qt::TabFocusReason); }
    void Press(TesterKey key, bool shift) override
    {
        constexpr struct {
            TesterKey key;
            Qt::Key qt;
        } keys[] = {{TesterKey::Enter, Qt::Key_Return}, {TesterKey::Escape, Qt::Key_Escape},
                    {TesterKey::F1, Qt::Key_F1},        {TesterKey::F5, Qt::Key_F5}};
        QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : m_dlg.get();
        for (const auto& k : keys)
            if (k.key == key)
                QTest::keyClick(target, k.qt, shift ? Qt::ShiftModifier : Qt::NoModifier);
    }
    void Click(int control) override { QTest::mouseClick(Ctl<QPushButton>(m_dlg.get(), control), Qt::LeftButton); }
    void Type(int control, const std::string& text) override
    {
        auto* edit = Ctl<QLineEdit>(m_dlg.get(), control);
        edit->clear();
        QTest::keyClicks(edit, QString::fromStdString(text));
    }
    bool Ticked(int control) override { return Ctl<QCheckBox>(m_dlg.get(), control)->isChecked(); }
    std::string Text(int control) override
    {
        QWidget* w = Widget(control);
        if (auto* e = qobject_cast<QLineEdit*>(w))
            return e->text().toStdString();
        if (auto* b = qobject_cast<QAbstractButton*>(w))
            return b->text().toStdString();
        if (auto* l = qobject_cast<QLabel*>(w))
            return l->text().toStdString();
        return {};
    }
    std::string Tooltip(int control) override { return Widget(control)->toolTip().toStdString(); }
    std::string StatusText() override { return m_dlg->StatusLineText().toStdString(); }
    Rgb StatusColour() override
    {
        return RgbOf(m_dlg->findChild<QLabel*>("portInUse")->palette().color(QPalette::WindowText));
    }
    bool Enabled(TesterCommand command) override
    {
        if (QAction* a = m_dlg->CommandAction(command))
            return a->isEnabled();
        const int control = CommandRow(command).control;
        return control && Widget(control)->isEnabled();
    }
    bool Ended() override { return !m_dlg->isVisible(); }
    std::string WithModal(const std::function<void()>& action,
                          const std::function<void(IWiringDialogDriver&)>& inside) override
    {
        std::string title;
        WithNextModal(action, [&](QWidget* modal) {
            title = modal->windowTitle().toStdString();
            if (inside && modal->findChild<QTableWidget*>("wires")) {
                QtWiringDialog d(modal);
                inside(d);
            }
            modal->close();
        });
        // Focus back on the window, as after any modal dialog.
        m_dlg->activateWindow();
        (void)QTest::qWaitForWindowActive(m_dlg.get());
        return title;
    }

private:
    QWidget* Widget(int control)
    {
        if (control == IDC_PORT_DETAILS)
            return m_dlg->findChild<QWidget*>("portDetails");
        return Ctl<QWidget>(m_dlg.get(), control);
    }
    std::unique_ptr<CPinTestDlg> m_dlg;
};

} // namespace

std::unique_ptr<IPorvikDriver> MakePorvikDriver() { return std::make_unique<QtDriver>(); }

TP_GTEST_QT_MAIN()
