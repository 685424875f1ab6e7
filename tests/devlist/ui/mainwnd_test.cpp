// The main window's flows, driven through its controls by id with scripted answers.
#include "chipfiles.h"
#include "devicelistmodel.h"
#include "dialogunits.h"
#include "findbar.h"
#include "listops.h"
#include "mainwnd.h"
#include "modal_driver.h"
#include "scripted_chooser.h"
#include "scripted_prompt.h"
#include "qt_test_main.h"

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QMimeData>
#include <QMessageBox>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include <memory>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using Answer = IPrompt::Answer;
using Buttons = IPrompt::Buttons;

namespace {

const char* const kAskSave = "是否保存当前器件列表?";
const char* const kAskDup = "发现重复器件! 是否删除重复?";

struct Harness {
    ScriptedPrompt prompt;
    ScriptedChooser open, save, import;
    std::unique_ptr<CDeviceListDlg> dlg;

    Harness()
    {
        dlg = std::make_unique<CDeviceListDlg>(CDeviceListDlg::Services{&prompt, &open, &save, &import});
        dlg->show();
    }

    QPushButton* Button(int id) const { return dlg->findChild<QPushButton*>(QString::number(id)); }
    void Click(int id) const { QTest::mouseClick(Button(id), Qt::LeftButton); }
    CXTListCtrl* List() const { return dlg->ListCtrl(); }
    int Rows() const { return dlg->Model()->rowCount(); }
    QString Cell(int row, int col) const { return dlg->Model()->index(row, col).data().toString(); }

    void SelectRow(int row) const
    {
        CXTListCtrl* list = List();
        list->scrollTo(dlg->Model()->index(row, 0));
        const QRect r = list->visualRect(dlg->Model()->index(row, 1));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, r.center());
    }

    void Open(const fs::path& path)
    {
        open.Queue(path);
        Click(IDC_OPEN);
    }

    // Texts of every row's name column, for comparing whole lists.
    QStringList Names() const
    {
        QStringList out;
        for (int r = 0; r < Rows(); ++r) out << Cell(r, COL_NAME);
        return out;
    }
};

}  // namespace

class TestMainWindow : public QObject {
    Q_OBJECT

    QTemporaryDir m_tmp;
    fs::path Tmp(const char* name) const { return fs::path(m_tmp.path().toStdString()) / name; }
    fs::path Three() const
    {
        const fs::path file = Tmp("three.chip");
        WriteChip(file, ThreeDevices());  // AT89C51, W78E52, SST89E516
        return file;
    }
    static void Key(QWidget* to, Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier) { QTest::keyClick(to, key, mods); }
    static long Selected(const Harness& h)
    {
        const QModelIndexList rows = h.List()->selectionModel()->selectedRows();
        return rows.isEmpty() ? -1 : rows.front().row();
    }

private slots:
    void initTestCase() { QVERIFY(m_tmp.isValid()); }

    void startsEmptyAndExitsWithoutQuestion()
    {
        Harness h;
        QCOMPARE(h.dlg->windowTitle(), QStringLiteral("Tessaro ver1.0 For Qorel Vantor"));
        QCOMPARE(h.Rows(), 0);
        QVERIFY(!h.dlg->IsModified());
        for (int id : {2, 1001, 1003, 1004, 1005, 1012, 1013}) QVERIFY2(h.Button(id), qPrintable(QString::number(id)));
        QCOMPARE(h.Button(2)->text(), QStringLiteral("退出程序"));
        QCOMPARE(h.dlg->Model()->headerData(1, Qt::Horizontal).toString(), QStringLiteral("器件名称"));
        const DialogUnits du(TemplateFont(QStringLiteral("MS Sans Serif"), 8));
        QCOMPARE(h.List()->horizontalHeader()->sectionSize(0), du.PixelsX(50));
        // The name column gives up the few pixels the vertical scroll bar would otherwise push out.
        QVERIFY(h.List()->horizontalHeader()->sectionSize(1) <= du.PixelsX(150));
        QVERIFY(h.List()->horizontalHeader()->sectionSize(1) >= du.PixelsX(150) - 30);
        h.Click(IDC_EXIT);
        QVERIFY(!h.dlg->isVisible());
        QCOMPARE(h.prompt.Count(), 0u);
        QCOMPARE(h.dlg->result(), 2);
    }

    void tabOrderFollowsTemplate()
    {
        Harness h;
        const int ids[] = {2, 1000, 1001, 1003, 1004, 1005, 1012, 1013};
        QWidget* w = h.Button(2);
        for (std::size_t i = 1; i < std::size(ids); ++i) {
            w = w->nextInFocusChain();
            // Skip the list's inner widgets (viewport, header, scroll bars).
            while (w && (w->parentWidget() != h.dlg.get() || w->objectName().isEmpty())) w = w->nextInFocusChain();
            QVERIFY(w);
            QCOMPARE(w->objectName(), QString::number(ids[i]));
        }
    }

    void openShowsNumberedRowsInColumnFormats()
    {
        const fs::path file = Tmp("three.chip");
        auto recs = ThreeDevices();
        // A name that is not valid GBK shows replacement marks; a Chinese one shows as text.
        std::memcpy(recs[2].name, "\x80\x81\xff" "AB", 6);
        std::memcpy(recs[0].name, "\xd0\xbe\xc6\xac", 5);  // 芯片
        WriteChip(file, recs);
        Harness h;
        h.Open(file);
        QCOMPARE(h.Rows(), 3);
        QCOMPARE(h.Cell(0, 0), QStringLiteral("0000"));
        QCOMPARE(h.Cell(2, 0), QStringLiteral("0002"));
        QCOMPARE(h.Cell(0, 1), QStringLiteral("芯片"));
        QCOMPARE(h.Cell(1, 1), QStringLiteral("W78E52"));
        QVERIFY(h.Cell(2, 1).contains(QChar(0xFFFD)));
        QVERIFY(h.Cell(2, 1).endsWith(QStringLiteral("AB")));
        QCOMPARE(h.Cell(1, 2), QStringLiteral("0a"));
        QCOMPARE(h.Cell(1, 3), QStringLiteral("-1K"));
        QCOMPARE(h.Cell(1, 4), QStringLiteral("3.30V"));
        QCOMPARE(h.Cell(1, 5), QStringLiteral("00 ff 10"));
        QCOMPARE(h.Cell(0, 4), QStringLiteral("12.00V"));
        QCOMPARE(h.dlg->Model()->index(0, 3).data(Qt::TextAlignmentRole).value<Qt::Alignment>(),
                 Qt::Alignment(Qt::AlignCenter));
        QVERIFY(!h.dlg->IsModified());
        QCOMPARE(h.prompt.Count(), 0u);
    }

    void deleteRowRenumbersAndNeedsSelection()
    {
        const fs::path file = Tmp("del.chip");
        WriteChip(file, ThreeDevices());
        Harness h;
        h.Open(file);

        h.Click(IDC_DELETE);
        QCOMPARE(h.prompt.LastText(), std::string("请先选择器件!"));
        QCOMPARE(h.Rows(), 3);
        QVERIFY(!h.dlg->IsModified());

        // Rows go at the end only; row 1 then shows the former third record.
        QSignalSpy removed(h.dlg->Model(), &QAbstractItemModel::rowsRemoved);
        h.SelectRow(1);
        h.Click(IDC_DELETE);
        QCOMPARE(h.Rows(), 2);
        QCOMPARE(removed.count(), 1);
        QCOMPARE(removed.at(0).at(1).toInt(), 2);
        QCOMPARE(h.Cell(1, 0), QStringLiteral("0001"));
        QCOMPARE(h.Cell(1, 1), QStringLiteral("SST89E516"));
        QVERIFY(h.dlg->IsModified());
    }

    // Keys the command table does not name do nothing in the list; the keypad's Delete is the
    // Delete key (the key itself is a behaviour scenario).
    void otherKeysDoNothingKeypadDeleteDeletes()
    {
        const fs::path file = Tmp("delkey.chip");
        WriteChip(file, ThreeDevices());
        Harness h;
        h.Open(file);
        h.SelectRow(0);
        QTest::keyClick(h.List(), Qt::Key_A);
        QTest::keyClick(h.List(), Qt::Key_Backspace);
        QCOMPARE(h.Rows(), 3);
        QVERIFY(!h.dlg->IsModified());
        h.SelectRow(0);
        QTest::keyClick(h.List(), Qt::Key_Delete, Qt::KeypadModifier);
        QCOMPARE(h.Rows(), 2);
        QCOMPARE(h.prompt.Count(), 0u);
    }

    // 整理 and 保存文件 reach the document, whose own tests hold the rules.
    void tidyAndSaveButtons()
    {
        const fs::path file = Tmp("tidy.chip");
        WriteChip(file, ThreeDevices());
        Harness h;
        h.Open(file);
        h.Click(IDC_TIDY);
        QCOMPARE(h.Names(), (QStringList{"AT89C51", "SST89E516", "W78E52"}));
        QVERIFY(h.dlg->IsModified());
        const fs::path out = Tmp("tidy-out.chip");
        h.save.Queue(out);
        h.Click(IDC_SAVE);
        QCOMPARE(h.save.calls, 1);
        QCOMPARE(ReadBytes(out).size(), 8u + 3 * 36);
        QVERIFY(!h.dlg->IsModified());
    }

    void duplicateCheckFollowsSingleChangesAfterOpen()
    {
        // Whether the first change comes at once or after the window has drawn the new list,
        // the check after it must see the list as it is.
        const fs::path file = Tmp("dups2.chip");
        auto recs = ThreeDevices();
        recs.push_back(recs[1]);
        WriteChip(file, recs);
        for (bool idle : {false, true}) {
            Harness h;
            h.prompt.Queue(Answer::No);
            h.Open(file);
            if (idle) QTest::qWait(50);
            h.dlg->ListCtrl()->selectRow(3);
            h.Click(IDC_DELETE);  // takes the duplicate out: no question
            QCOMPARE(h.prompt.CountOf(kAskDup), 1);
            h.dlg->AppendDevice(recs[0]);  // a new duplicate: asked
            QCOMPARE(h.prompt.CountOf(kAskDup), 2);
            QCOMPARE(h.Rows(), 4);
        }
    }

    void importAllKnownThenYesLeavesListButModified()
    {
        const fs::path file = Tmp("known.chip");
        WriteChip(file, ThreeDevices());
        Harness h;
        h.Open(file);
        const QStringList before = h.Names();

        // Through the add dialog's import button: result 3 hands the path to the import.
        h.import.Queue(file);
        h.prompt.Queue(Answer::Yes);
        ModalPoller driver;
        driver.Expect([](QWidget* w) { ModalPoller::Click(w, "1007"); });
        h.Click(IDC_ADD);
        QVERIFY(driver.AllHandled());
        QVERIFY(!driver.WatchdogFired());
        QCOMPARE(h.import.calls, 1);
        QCOMPARE(h.prompt.CountOf(kAskDup), 1);
        QCOMPARE(h.Names(), before);
        QVERIFY(h.dlg->IsModified());
    }

    void addThroughDialogMarksModified()
    {
        Harness h;
        ModalPoller driver;
        driver.Expect([](QWidget* w) {
            ModalPoller::SetText(w, "1006", QStringLiteral("STC89C52"));
            ModalPoller::SetText(w, "1008", QStringLiteral("0a"));
            ModalPoller::SetText(w, "1009", QStringLiteral("8"));
            ModalPoller::SetText(w, "1010", QStringLiteral("5"));
            ModalPoller::SetText(w, "1011", QStringLiteral("d1"));
            ModalPoller::SetText(w, "1014", QStringLiteral("2"));
            ModalPoller::SetText(w, "1015", QStringLiteral(""));
            ModalPoller::Click(w, "1");
        });
        h.Click(IDC_ADD);
        QVERIFY(driver.AllHandled());
        QVERIFY(!driver.WatchdogFired());
        QCOMPARE(h.Rows(), 1);
        QCOMPARE(h.Cell(0, 1), QStringLiteral("STC89C52"));
        QCOMPARE(h.Cell(0, 2), QStringLiteral("0a"));
        QCOMPARE(h.Cell(0, 4), QStringLiteral("5.00V"));
        QCOMPARE(h.Cell(0, 5), QStringLiteral("d1 02 00"));
        QVERIFY(h.dlg->IsModified());
    }

    void modifyCancelStillRefillsAndMarks()
    {
        const fs::path file = Tmp("mod.chip");
        WriteChip(file, ThreeDevices());
        Harness h;
        h.Open(file);

        h.Click(IDC_MODIFY);
        QCOMPARE(h.prompt.LastText(), std::string("请先选择器件!"));
        QVERIFY(!h.dlg->IsModified());

        ModalPoller driver;
        driver.Expect([](QWidget* w) {
            ModalPoller::SetText(w, "1009", QStringLiteral("999"));
            ModalPoller::Click(w, "2");
        });
        // Double click on a row opens the modify dialog for it.
        const QRect r = h.List()->visualRect(h.dlg->Model()->index(1, 1));
        QTest::mouseClick(h.List()->viewport(), Qt::LeftButton, Qt::NoModifier, r.center());
        QTest::mouseDClick(h.List()->viewport(), Qt::LeftButton, Qt::NoModifier, r.center());
        QVERIFY(driver.AllHandled());
        QVERIFY(!driver.WatchdogFired());
        QCOMPARE(h.Cell(1, 3), QStringLiteral("-1K"));
        QVERIFY(h.dlg->IsModified());
    }

    // --- the exit and open flows never lose changes without the user's No ---

    void exitAfterYesWithCancelledSaveStays()
    {
        Harness h;
        h.dlg->AppendDevice(ThreeDevices()[0]);
        h.prompt.Queue(Answer::Yes);
        h.Click(IDC_EXIT);  // save dialog cancelled (empty queue)
        QCOMPARE(h.save.calls, 1);
        QVERIFY(h.dlg->isVisible());
        QCOMPARE(h.Rows(), 1);
        QVERIFY(h.dlg->IsModified());

        const fs::path ok = Tmp("exit-saved.chip");
        h.prompt.Queue(Answer::Yes);
        h.save.Queue(ok);
        h.Click(IDC_EXIT);
        QVERIFY(!h.dlg->isVisible());
        QCOMPARE(ReadBytes(ok).size(), 44u);
    }

    // The shell's open of a file named on the command line reaches the same rows as 打开文件
    // (the document's tests compare the two flows in full).
    void openListFileShowsRows()
    {
        const fs::path file = Tmp("cmdline.chip");
        WriteChip(file, ThreeDevices());
        Harness h;
        h.dlg->OpenListFile(file);
        QCOMPARE(h.open.calls, 0);
        QCOMPARE(h.Names(), (QStringList{"AT89C51", "W78E52", "SST89E516"}));
        // A missing file leaves an empty window behind its message.
        Harness k;
        k.dlg->OpenListFile(Tmp("cmdline_missing.chip"));
        QCOMPARE(k.prompt.LastText(), std::string("打开文件发生错误!"));
        QCOMPARE(k.Rows(), 0);
    }

    void millionRecordsOpen()
    {
        const fs::path file = Tmp("million.chip");
        {
            std::vector<DeviceRecord> recs(1000000);
            for (std::size_t i = 0; i < recs.size(); ++i) {
                auto& r = recs[i];
                std::snprintf(r.name, sizeof r.name, "DEV%07u", static_cast<unsigned>(i % 10000000));
                r.fid = static_cast<std::uint8_t>(i);
                r.romKb = static_cast<std::int32_t>(i % 512);
                r.voltage = 5.0f;
                r.signature[0] = static_cast<std::uint8_t>(i >> 16);
                r.signature[1] = static_cast<std::uint8_t>(i >> 8);
                r.signature[2] = static_cast<std::uint8_t>(i);
            }
            WriteChip(file, recs);
        }
        Harness h;
        h.Open(file);
        // Where memory has no huge pages (the sanitizer's heap too) the file comes in parts.
        QTRY_COMPARE_WITH_TIMEOUT(h.Rows(), 1000000, 60000);
        QCOMPARE(h.Cell(0, 0), QStringLiteral("0000"));
        QCOMPARE(h.Cell(0, 1), QStringLiteral("DEV0000000"));
        QCOMPARE(h.Cell(999999, 0), QStringLiteral("999999"));
        QCOMPARE(h.Cell(999999, 1), QStringLiteral("DEV0999999"));
        QCOMPARE(h.Cell(999999, 5), QStringLiteral("0f 42 3f"));
        h.List()->scrollToBottom();
        QApplication::processEvents();
        h.SelectRow(999998);
        h.Click(IDC_DELETE);
        QCOMPARE(h.Rows(), 999999);
        QCOMPARE(h.Cell(999998, 1), QStringLiteral("DEV0999999"));
        QCOMPARE(h.prompt.Count(), 0u);
        fs::remove(file);
    }

    void realMessageBoxOnExit()
    {
        // Without an injected prompt the question is the real message box with Chinese buttons.
        ScriptedChooser open, save, import;
        CDeviceListDlg dlg(CDeviceListDlg::Services{nullptr, &open, &save, &import});
        dlg.show();
        dlg.AppendDevice(ThreeDevices()[0]);
        QString text;
        QStringList buttons;
        ModalPoller driver;
        driver.Expect([&](QWidget* w) {
            if (auto* box = qobject_cast<QMessageBox*>(w)) {
                text = box->text();
                for (auto* b : box->buttons()) buttons << b->text();
            }
            for (auto* b : w->findChildren<QPushButton*>())
                if (b->text() == QStringLiteral("取消")) QTest::mouseClick(b, Qt::LeftButton);
        });
        QTest::mouseClick(dlg.findChild<QPushButton*>("2"), Qt::LeftButton);
        QVERIFY(driver.AllHandled());
        QVERIFY(!driver.WatchdogFired());
        QCOMPARE(text, QStringLiteral("是否保存当前器件列表?"));
        QCOMPARE(buttons.size(), 3);
        QVERIFY(dlg.isVisible());
    }

    // --- keyboard, undo's view and looks ---

    // Tab and Shift+Tab go round every control, the list one stop among them.
    void keyboardGoesRound()
    {
        Harness h;
        h.dlg->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(h.dlg.get()));
        h.dlg->OpenListFile(Three());
        const QStringList round = {"1000", "1001", "1003", "1004", "1005", "1012", "1013", "2"};
        h.Button(IDC_EXIT)->setFocus();
        for (const QString& id : round) {
            Key(QApplication::focusWidget(), Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget()->objectName(), id);
        }
        for (qsizetype i = round.size() - 2; i >= 0; --i) {
            Key(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
            QCOMPARE(QApplication::focusWidget()->objectName(), round[i]);
        }
        h.SelectRow(0);
        Key(h.List(), Qt::Key_Down);  // arrows still move in the list
        QCOMPARE(Selected(h), 1);
    }

    // A file read in parts: the first part shows, and the window's idle time brings the rest.
    void idleTimeReadsTheRestOfAFileReadInParts()
    {
        Harness h;
        std::vector<DeviceRecord> recs;
        for (int i = 0; i < 50; ++i) recs.push_back(MakeRecord("P" + std::to_string(i), 1, 2, 3, static_cast<std::uint8_t>(i)));
        WriteChip(Tmp("parts.chip"), recs);
        h.dlg->Document().SetLoadParts(4, 16);
        h.dlg->OpenListFile(Tmp("parts.chip"));
        QCOMPARE(h.Rows(), 4);
        QTRY_VERIFY(!h.dlg->Document().HasIdleWork());
        QCOMPARE(h.Rows(), 50);
        QCOMPARE(h.Cell(49, COL_NAME), QStringLiteral("P49"));
    }

    // No horizontal scroll bar for the template's columns beside a vertical one; the find bar
    // takes room from the list; 未找到 leaves the text field its width.
    void looks()
    {
        Harness h;
        std::vector<DeviceRecord> recs(200, ThreeDevices()[0]);
        for (std::size_t i = 0; i < recs.size(); ++i) recs[i].signature[2] = static_cast<std::uint8_t>(i);
        WriteChip(Tmp("long.chip"), recs);
        h.dlg->OpenListFile(Tmp("long.chip"));
        QApplication::processEvents();
        QVERIFY(h.List()->verticalScrollBar()->isVisible());
        QVERIFY(!h.List()->horizontalScrollBar()->isVisible());

        const int fullHeight = h.List()->height();
        h.dlg->OpenFindBar();
        QApplication::processEvents();
        FindBar* bar = h.dlg->FindBarWidget();
        QVERIFY(h.List()->height() < fullHeight);  // the bar takes the list's last units
        QTest::keyClicks(bar->Edit(), QStringLiteral("AT"));
        QCOMPARE(Selected(h), 0);
        const int width = bar->Edit()->width();
        QTest::keyClicks(bar->Edit(), QStringLiteral("zzz"));
        QApplication::processEvents();
        QCOMPARE(Selected(h), -1L);
        QCOMPARE(bar->Edit()->width(), width);
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

TP_QTEST_MAIN(TestMainWindow)

#include "mainwnd_test.moc"
