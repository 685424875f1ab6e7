// Where the window meets the toolkit: the real file dialogs, Qt's own texts, keys of the list.
#include "app.h"
#include "chipfiles.h"
#include "devicelistmodel.h"
#include "dialogunits.h"
#include "mainwnd.h"
#include "modal_driver.h"
#include "scripted_chooser.h"
#include "scripted_prompt.h"
#include "qt_test_main.h"

#include <QApplication>
#include <QDirIterator>
#include <QFileDialog>
#include <QLineEdit>
#include <QListView>
#include <QMessageBox>
#include <QStyle>
#include <QTemporaryDir>
#include <QTest>

namespace fs = std::filesystem;

namespace {

// Input through the window system, as a user gives it: an open popup sees it first.
void ClickThroughWindow(QWidget* target, QPoint pos)
{
    QWidget* top = target->window();
    QTest::mouseClick(top->windowHandle(), Qt::LeftButton, Qt::NoModifier, target->mapTo(top, pos));
}

void TypeThroughWindow(QWidget* top, const QString& text)
{
    for (QChar c : text) QTest::keyClick(top->windowHandle(), c.toLatin1());
}

// Types `name` into the file dialog's name field and presses Enter, queued: whatever Enter opens
// (the replace question) is a modal window of its own.
void EnterNameLater(QFileDialog* fd, const QString& name)
{
    QTimer::singleShot(0, fd, [fd, name] {
        auto* edit = fd->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        edit->setText(name);
        QTest::keyClick(edit, Qt::Key_Return);
    });
}

}  // namespace

class TestEdges : public QObject {
    Q_OBJECT

    QTemporaryDir m_tmp;

private slots:
    void initTestCase()
    {
        // The toolkit's texts in Chinese, as the program sets them up.
        CTessaroApp::SetUpToolkit();
        QVERIFY(m_tmp.isValid());
    }

    // A process starved on a loaded machine finds the dialog tests' poll and watchdog both
    // overdue: the dialog that is up goes to its waiting handler, not to the watchdog. A
    // watchdog due before the first poll stands in for the starved process.
    void dialogPollerHandsAnOverdueDialogToItsHandler()
    {
        ModalPoller poller(1);
        bool handled = false;
        poller.Expect([&](QWidget* w) {
            handled = true;
            static_cast<QDialog*>(w)->accept();
        });
        QDialog dlg;
        QCOMPARE(dlg.exec(), int(QDialog::Accepted));
        QVERIFY(handled);
        QVERIFY(!poller.WatchdogFired());
    }

    void typedNameLeavesNoPopupBehind()
    {
        const fs::path dir(m_tmp.path().toStdString());
        WriteChip(dir / "three.chip", {MakeRecord("A", 1, 1, 0, 0, 0, 0), MakeRecord("B", 2, 2, 0, 0, 0, 0),
                                       MakeRecord("C", 3, 3, 0, 0, 0, 0)});
        ScriptedPrompt prompt;
        ScriptedChooser save, import;
        CDeviceListDlg dlg(CDeviceListDlg::Services{&prompt, nullptr, &save, &import});
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));

        ModalPoller poller;
        poller.Expect([&](QWidget* w) {
            auto* fd = qobject_cast<QFileDialog*>(w);
            QVERIFY(fd);
            fd->setDirectory(m_tmp.path());
            auto* files = fd->findChild<QListView*>(QStringLiteral("listView"));
            QTRY_VERIFY(files->model()->rowCount(files->rootIndex()) > 0);  // the folder is read in the background
            auto* name = fd->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            name->setFocus();
            TypeThroughWindow(fd, QStringLiteral("thr"));
            QTRY_VERIFY(QApplication::activePopupWidget());  // the name completer offers three.chip
            TypeThroughWindow(fd, QStringLiteral("ee.chip"));
            QTest::keyClick(fd->windowHandle(), Qt::Key_Return);
        });
        ClickThroughWindow(dlg.findChild<QPushButton*>(QStringLiteral("1001")), QPoint(5, 5));
        QVERIFY(poller.AllHandled());
        QVERIFY(!poller.WatchdogFired());
        QCOMPARE(dlg.Model()->rowCount(), 3);
        QVERIFY(!QApplication::activePopupWidget());

        // The next clicks reach the window: the clicked row goes, not an earlier one.
        CXTListCtrl* list = dlg.ListCtrl();
        ClickThroughWindow(list->viewport(), list->visualRect(dlg.Model()->index(1, 1)).center());
        ClickThroughWindow(dlg.findChild<QPushButton*>(QStringLiteral("1013")), QPoint(5, 5));
        QCOMPARE(prompt.Count(), 0u);
        QCOMPARE(dlg.Model()->rowCount(), 2);
        QCOMPARE(dlg.Model()->index(1, 1).data().toString(), QStringLiteral("C"));
    }

    void replaceQuestionInChinese()
    {
        WriteChip(fs::path(m_tmp.filePath(QStringLiteral("old.chip")).toStdString()), {});
        QtFileChooser chooser(QtFileChooser::Mode::Save);
        QString text;
        QStringList buttons;
        ModalPoller poller;
        poller.Expect([&](QWidget* w) {
            auto* fd = qobject_cast<QFileDialog*>(w);
            QVERIFY(fd);
            EnterNameLater(fd, m_tmp.filePath(QStringLiteral("old.chip")));
        });
        poller.Expect([&](QWidget* w) {
            auto* box = qobject_cast<QMessageBox*>(w);
            QVERIFY(box);
            text = box->text();
            for (QAbstractButton* b : box->buttons()) buttons << b->text();
            QTest::mouseClick(box->button(QMessageBox::Yes), Qt::LeftButton);
        });
        QVERIFY(chooser.Choose().has_value());
        QVERIFY(poller.AllHandled());
        QVERIFY(!poller.WatchdogFired());
        QCOMPARE(text, QStringLiteral("old.chip 已存在。\n您想要替换它吗？"));
        buttons.sort();
        QCOMPARE(buttons, QStringList({QStringLiteral("否(&N)"), QStringLiteral("是(&Y)")}));
    }

    void homeAndEndGoToFirstAndLastRow_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
        QTest::addColumn<int>("row");
        QTest::newRow("Home") << int(Qt::Key_Home) << Qt::KeyboardModifiers() << 0;
        QTest::newRow("End") << int(Qt::Key_End) << Qt::KeyboardModifiers() << 3;
        QTest::newRow("Ctrl+Home") << int(Qt::Key_Home) << Qt::KeyboardModifiers(Qt::ControlModifier) << 0;
        QTest::newRow("Ctrl+End") << int(Qt::Key_End) << Qt::KeyboardModifiers(Qt::ControlModifier) << 3;
    }

    void homeAndEndGoToFirstAndLastRow()
    {
        QFETCH(int, key);
        QFETCH(Qt::KeyboardModifiers, modifiers);
        QFETCH(int, row);
        ScriptedPrompt prompt;
        ScriptedChooser open, save, import;
        CDeviceListDlg dlg(CDeviceListDlg::Services{&prompt, &open, &save, &import});
        for (std::uint8_t fid = 1; fid <= 4; ++fid) dlg.AppendDevice(MakeRecord("X", fid, 0, 0, 0, 0, 0));
        CXTListCtrl* list = dlg.ListCtrl();
        list->setCurrentIndex(dlg.Model()->index(1, 3));  // a row in the middle, a column off the left
        QTest::keyClick(list, Qt::Key(key), modifiers);
        const QModelIndexList selected = list->selectionModel()->selectedRows();
        QCOMPARE(selected.size(), 1);
        QCOMPARE(selected.front().row(), row);
    }

    void longestNamesFitTheirColumn()
    {
        ScriptedPrompt prompt;
        ScriptedChooser open, save, import;
        CDeviceListDlg dlg(CDeviceListDlg::Services{&prompt, &open, &save, &import});
        CXTListCtrl* list = dlg.ListCtrl();
        // The cell's text margins, as the item delegate leaves them, and the grid line.
        const int margins = 2 * (list->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, list) + 1) + 1;
        for (const char* name : {"ABCDEFGHIJKLMNOPQRST", "AT29C040A-12JC(PLCC)", "一二三四五六七八九十"})
            QVERIFY2(list->fontMetrics().horizontalAdvance(QString::fromUtf8(name)) + margins <=
                         list->horizontalHeader()->sectionSize(COL_NAME),
                     name);
    }

    void fileDialogsStoreNothing()
    {
        WriteChip(fs::path(m_tmp.filePath(QStringLiteral("some.chip")).toStdString()), {});
        {
            QtFileChooser chooser(QtFileChooser::Mode::Open);
            ModalPoller poller;
            poller.Expect([&](QWidget* w) {
                auto* fd = qobject_cast<QFileDialog*>(w);
                QVERIFY(fd);
                EnterNameLater(fd, m_tmp.filePath(QStringLiteral("some.chip")));
            });
            QVERIFY(chooser.Choose().has_value());
        }  // a file dialog stores its history as it goes
        QStringList stored;
        for (QDirIterator it(QDir::homePath(), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories); it.hasNext();)
            stored << it.next();
        QVERIFY2(stored.isEmpty(), qPrintable(stored.join(QStringLiteral(", "))));
    }
};

TP_QTEST_MAIN(TestEdges)

#include "edges_test.moc"
