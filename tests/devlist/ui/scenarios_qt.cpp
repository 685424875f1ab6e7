// The behaviour scenarios (tests/devlist/scenarios) against the Qt window, offscreen: keys and
// clicks are QTest events sent to the focused widget, modal dialogs are answered by a poller.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "devicelistmodel.h"
#include "findbar.h"
#include "main_driver.h"
#include "mainwnd.h"
#include "modal_driver.h"
#include "qt_test_main.h"
#include "qtkeys.h"

namespace {

class QtMainWindowDriver : public MainWindowDriver {
public:
    QtMainWindowDriver() : m_dlg(CDeviceListDlg::Services{&prompt, &open, &save, &import})
    {
        m_dlg.show();
        Activate();
    }

    void OpenFile(const std::filesystem::path& path) override { m_dlg.OpenListFile(path); }

    void Focus(int control) override
    {
        QWidget* w = Control(control);
        ASSERT_TRUE(w) << control;
        Activate();
        w->setFocus(Qt::OtherFocusReason);
    }
    void Press(KeyChord key) override
    {
        Qt::KeyboardModifiers mods;
        if (key.ctrl) mods |= Qt::ControlModifier;
        if (key.shift) mods |= Qt::ShiftModifier;
        QTest::keyClick(KeyTarget(), QtKeyOf(key.key), mods);
    }
    void Press(NavKey key) override { QTest::keyClick(KeyTarget(), key == NavKey::Home ? Qt::Key_Home : Qt::Key_End); }
    void Type(const std::string& utf8) override { QTest::keyClicks(KeyTarget(), QString::fromStdString(utf8)); }
    void Click(int control) override { QTest::mouseClick(Control(control), Qt::LeftButton); }
    void DoubleClick(long row) override
    {
        CXTListCtrl* list = m_dlg.ListCtrl();
        const int rows = m_dlg.Model()->rowCount();
        QPoint at;
        if (row >= 0) {
            at = list->visualRect(m_dlg.Model()->index(static_cast<int>(row), 1)).center();
        } else {
            const QRect last = list->visualRect(m_dlg.Model()->index(rows - 1, 1));
            at = QPoint(last.center().x(), last.bottom() + last.height() * 2);
        }
        QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, at);
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, at);
    }
    void Select(long row) override
    {
        QItemSelectionModel* sel = m_dlg.ListCtrl()->selectionModel();
        if (row < 0) {
            sel->clearSelection();
            return;
        }
        const QModelIndex index = m_dlg.Model()->index(static_cast<int>(row), 0);
        sel->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        m_dlg.ListCtrl()->scrollTo(index);
    }
    void ChooseFindField(int index) override { m_dlg.FindBarWidget()->FieldBox()->setCurrentIndex(index); }
    void CloseBox() override { m_dlg.close(); }
    void OnNextDialog(DialogScript script) override
    {
        m_poller = std::make_unique<ModalPoller>();
        m_poller->Expect([this, script](QWidget* w) {
            ++dialogs;
            dialogTitle = w->windowTitle().toStdString();
            for (const auto& [id, text] : script.texts)
                ModalPoller::SetText(w, QByteArray::number(id).constData(), QString::fromStdString(text));
            ModalPoller::Click(w, QByteArray::number(script.press).constData());
        });
    }
    void ChooseMenu(Command command) override { m_dlg.MenuAction(command)->trigger(); }

    int Rows() override { return m_dlg.Model()->rowCount(); }
    std::string Cell(int row, int column) override
    {
        return m_dlg.Model()->index(row, column).data().toString().toStdString();
    }
    long Selection() override
    {
        const QModelIndexList rows = m_dlg.ListCtrl()->selectionModel()->selectedRows();
        return rows.isEmpty() ? -1 : rows.front().row();
    }
    bool RowInView(long row) override
    {
        CXTListCtrl* list = m_dlg.ListCtrl();
        return list->viewport()->rect().intersects(list->visualRect(m_dlg.Model()->index(static_cast<int>(row), 0)));
    }
    int FocusedControl() override
    {
        for (QWidget* w = QApplication::focusWidget(); w; w = w->parentWidget()) {
            bool isId = false;
            const int id = w->objectName().toInt(&isId);
            if (isId) return id;
        }
        return 0;
    }
    bool FindBarOpen() override { return m_dlg.FindBarWidget()->isVisible(); }
    std::string FindText() override { return m_dlg.FindBarWidget()->Text().toStdString(); }
    std::string StatusText() override { return m_dlg.FindBarWidget()->Status().toStdString(); }
    std::string ToolTip(int control) override { return Control(control)->toolTip().toStdString(); }
    std::vector<std::pair<std::string, bool>> ContextMenu() override
    {
        std::vector<std::pair<std::string, bool>> entries;
        if (m_dlg.contextMenuPolicy() != Qt::ActionsContextMenu) return entries;
        for (QAction* a : m_dlg.actions()) {
            if (a->isSeparator()) continue;
            QString text = a->text();
            // An entry with a real shortcut shows it in the menu's key column.
            if (!text.contains(u'\t') && !a->shortcut().isEmpty()) text += u'\t' + a->shortcut().toString();
            entries.emplace_back(text.toStdString(), a->isEnabled());
        }
        return entries;
    }
    bool Closed() override { return !m_dlg.isVisible(); }
    bool Modified() override { return m_dlg.IsModified(); }

private:
    QWidget* Control(int id) { return m_dlg.findChild<QWidget*>(QString::number(id)); }
    // After a modal dialog the window is active again only once the platform's activation event
    // has been handled, which on a loaded machine can come after the next key: until then the
    // application's focus widget can still be the closed dialog's, and the key goes there. So
    // every key waits for the window to be active, on a generous bound.
    void Activate()
    {
        if (m_dlg.isActiveWindow()) return;
        m_dlg.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&m_dlg, kActivationMs)) << "the window did not become active";
    }
    QWidget* KeyTarget()
    {
        if (m_dlg.isVisible()) Activate();
        QWidget* w = QApplication::focusWidget();
        return w ? w : &m_dlg;
    }

    static constexpr int kActivationMs = 30000;

    CDeviceListDlg m_dlg;
    std::unique_ptr<ModalPoller> m_poller;
};

}  // namespace

std::unique_ptr<MainWindowDriver> MakeMainWindowDriver() { return std::make_unique<QtMainWindowDriver>(); }

TP_GTEST_QT_MAIN()
