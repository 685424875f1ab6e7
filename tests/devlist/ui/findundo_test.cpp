// The keys of the find bar and of undo / redo, and a file dropped on the window, through the
// real window. What they do is tested over the document; here only that each key reaches it.
#include "chipfiles.h"
#include "devicelistmodel.h"
#include "findbar.h"
#include "mainwnd.h"
#include "scripted_chooser.h"
#include "scripted_prompt.h"
#include "qt_test_main.h"

#include <QAction>
#include <QLineEdit>
#include <QMimeData>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include <memory>

namespace fs = std::filesystem;

namespace {

struct Harness {
    ScriptedPrompt prompt;
    ScriptedChooser open, save, import;
    std::unique_ptr<CDeviceListDlg> dlg;

    Harness()
    {
        dlg = std::make_unique<CDeviceListDlg>(CDeviceListDlg::Services{&prompt, &open, &save, &import});
        dlg->show();
        dlg->activateWindow();
    }
    void Key(QWidget* to, Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier) const { QTest::keyClick(to, key, mods); }
    long Selected() const
    {
        const QModelIndexList rows = dlg->ListCtrl()->selectionModel()->selectedRows();
        return rows.isEmpty() ? -1 : rows.front().row();
    }
};

}  // namespace

class TestFindUndoDrop : public QObject {
    Q_OBJECT

    QTemporaryDir m_tmp;
    fs::path Three() const
    {
        const fs::path file = fs::path(m_tmp.path().toStdString()) / "three.chip";
        WriteChip(file, ThreeDevices());  // AT89C51, W78E52, SST89E516
        return file;
    }

private slots:
    void findKeys()
    {
        Harness h;
        QVERIFY(QTest::qWaitForWindowActive(h.dlg.get()));
        h.dlg->OpenListFile(Three());
        const int fullHeight = h.dlg->ListCtrl()->height();

        h.Key(h.dlg->ListCtrl(), Qt::Key_F, Qt::ControlModifier);
        FindBar* bar = h.dlg->FindBarWidget();
        QVERIFY(bar->isVisible());
        QVERIFY(h.dlg->ListCtrl()->height() < fullHeight);
        QCOMPARE(QApplication::focusWidget(), bar->Edit());

        QTest::keyClicks(bar->Edit(), QStringLiteral("89"));  // as typed: the first match
        QCOMPARE(h.Selected(), 0);
        h.Key(bar->Edit(), Qt::Key_F3);
        QCOMPARE(h.Selected(), 2);
        h.Key(bar->Edit(), Qt::Key_Return);  // wraps round
        QCOMPARE(h.Selected(), 0);
        h.Key(bar->Edit(), Qt::Key_F3, Qt::ShiftModifier);
        QCOMPARE(h.Selected(), 2);

        // Esc closes the bar, not the window: no exit question.
        h.Key(bar->Edit(), Qt::Key_Escape);
        QVERIFY(!bar->isVisible());
        QVERIFY(h.dlg->isVisible());
        QCOMPARE(h.prompt.Count(), std::size_t{0});
        QCOMPARE(h.dlg->ListCtrl()->height(), fullHeight);
    }

    void undoRedoKeys()
    {
        Harness h;
        QVERIFY(QTest::qWaitForWindowActive(h.dlg.get()));
        h.dlg->OpenListFile(Three());
        QVERIFY(!h.dlg->UndoAction()->isEnabled());
        h.dlg->AppendDevice(MakeRecord("NEW", 3, 1, 2, 3));
        QVERIFY(h.dlg->actions().contains(h.dlg->UndoAction()));  // in the context menu
        QVERIFY(h.dlg->actions().contains(h.dlg->RedoAction()));

        h.Key(h.dlg->ListCtrl(), Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(h.dlg->Model()->rowCount(), 3);
        QVERIFY(!h.dlg->IsModified());
        QVERIFY(h.dlg->RedoAction()->isEnabled());
        h.Key(h.dlg->ListCtrl(), Qt::Key_Y, Qt::ControlModifier);
        QCOMPARE(h.dlg->Model()->rowCount(), 4);
        QVERIFY(h.dlg->IsModified());
    }

    void dropOpensTheFileAfterTheSaveQuestion()
    {
        Harness h;
        h.dlg->AppendDevice(MakeRecord("NEW", 3, 1, 2, 3));  // unsaved
        QMimeData mime;
        mime.setUrls({QUrl::fromLocalFile(QString::fromStdString(Three().string()))});
        const QPoint at = h.dlg->rect().center();
        QDragEnterEvent enter(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(h.dlg.get(), &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent drop(QPointF(at), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        h.prompt.Queue(IPrompt::Answer::No);  // do not save
        QApplication::sendEvent(h.dlg.get(), &drop);
        QTRY_COMPARE(h.dlg->Model()->rowCount(), 3);
        QCOMPARE(h.prompt.CountOf("是否保存当前器件列表?"), 1);
        QVERIFY(!h.dlg->IsModified());

        // Several files, or none on this machine, are not taken.
        mime.setUrls({QUrl::fromLocalFile("/a.chip"), QUrl::fromLocalFile("/b.chip")});
        QDragEnterEvent two(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        two.setAccepted(false);
        QApplication::sendEvent(h.dlg.get(), &two);
        QVERIFY(!two.isAccepted());
    }
};

TP_QTEST_MAIN(TestFindUndoDrop)

#include "findundo_test.moc"
