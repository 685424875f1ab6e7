// The tester window driven by control id over the recording backend (every register access
// checked in order) and over the virtual loopback port.
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QWheelEvent>

#include <memory>

#include "appdir.h"
#include "backends.h"
#include "qt_test_main.h"
#include "dialogunits.h"
#include "testwnd.h"
#include "virtualport.h"
#include "window_driver.h"

namespace {

using W = CPinTestDlg;

// One window over the scripted platform; its port is the driver path's recording backend.
struct RecordedWindow {
    FakePortPlatform platform;
    RecordingPrompt prompt;
    std::unique_ptr<CPinTestDlg> dlg;

    explicit RecordedWindow(std::uint8_t data = 0, std::uint8_t status = 0, std::uint8_t control = 0)
    {
        io().data = data;
        io().status = status;
        io().control = control;
        CPinTestDlg::ResetToggleLevels();
        dlg = std::make_unique<CPinTestDlg>(platform, prompt);
        dlg->show();
    }
    RecordingPortIo& io() { return platform.driver; }
    QCheckBox* box(int id) { return Ctl<QCheckBox>(dlg.get(), id); }
    QLineEdit* edit(int id) { return Ctl<QLineEdit>(dlg.get(), id); }
    QPushButton* button(int id) { return Ctl<QPushButton>(dlg.get(), id); }
    QString label(int id) { return Ctl<QLabel>(dlg.get(), id)->text(); }
    QComboBox* combo() { return Ctl<QComboBox>(dlg.get(), IDC_CABLE); }
    void click(int id) { QTest::mouseClick(button(id), Qt::LeftButton); }
    void chooseCable(int index)
    {
        // As the user does it: keys move the selection and report it.
        QComboBox* c = combo();
        while (c->currentIndex() < index)
            QTest::keyClick(c, Qt::Key_Down);
        while (c->currentIndex() > index)
            QTest::keyClick(c, Qt::Key_Up);
    }
    void type(int id, const QString& text)
    {
        edit(id)->clear();
        for (QChar c : text) {
            if (c.unicode() < 0x80) {
                QTest::keyClick(edit(id), char(c.unicode()));
            } else { // typed through an input method: the key carries only its text
                QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
                QApplication::sendEvent(edit(id), &press);
            }
        }
    }
};

QStringList SignalLabels(RecordedWindow& w)
{
    QStringList l;
    for (int id = IDC_MOSI_PIN; id <= IDC_R2_PIN; ++id)
        l << w.label(id);
    return l;
}

void WriteIni(const QString& dir, const QByteArray& text, const QString& name = "QorelIsp.ini")
{
    QFile f(dir + "/" + name);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(text);
}

} // namespace

class TestPinTestDlg : public QObject {
    Q_OBJECT

    QTemporaryDir m_appDir;

private slots:
    void initTestCase()
    {
        QVERIFY(m_appDir.isValid());
        g_strAppDir = QDir::toNativeSeparators(m_appDir.path()).toStdString() + "/";
    }
    void cleanup()
    {
        QFile::remove(m_appDir.path() + "/QorelIsp.ini");
        QFile::remove(m_appDir.path() + "/qorelisp.ini");
    }

    void startUpReadsNothingAndShowsFieldsAsConstructed()
    {
        RecordedWindow w(0xA5, 0xFF, 0x0F);
        QVERIFY(w.io().log.empty());
        QCOMPARE(w.platform.initCalls, 1); // opened once, by the first cable selection
        for (int id = IDC_PIN1; id <= IDC_PIN13; ++id)
            QVERIFY2(!w.box(id)->isChecked(), qPrintable(QString::number(id)));
        for (int id : {IDC_DATA, IDC_CONTROL, IDC_STATUS})
            QCOMPARE(w.edit(id)->text(), QString());
        QCOMPARE(SignalLabels(w), QStringList({"使用PIN14", "使用PIN15", "使用PIN3", "使用PIN16",
                                               "使用PIN3", "使用PIN4"}));
        QCOMPARE(w.dlg->windowTitle(), QString("Porvik"));
        QVERIFY(w.prompt.messages.empty());
    }

    void comboKeepsInsertionOrder()
    {
        RecordedWindow w;
        QComboBox* c = w.combo();
        QCOMPARE(c->count(), 3);
        QCOMPARE(c->itemText(0), QString("Qorel Isp下载线"));
        QCOMPARE(c->itemText(1), QString("Atmel ByteBlaster下载线"));
        QCOMPARE(c->itemText(2), QString("Altera ByteBlaster下载线"));
        QCOMPARE(c->currentIndex(), 0);
    }

    void firstTickOfPin2WritesOneFromTheFreshCopy()
    {
        RecordedWindow w(0xF0, 0x00, 0x00);
        ClickBox(w.box(IDC_PIN2));
        QCOMPARE(w.io().log, Concat({Wd(0x01)}, RefreshReads(0x01, 0x00, 0x00)));
        QCOMPARE(w.edit(IDC_DATA)->text(), QString("01"));
        QVERIFY(w.box(IDC_PIN2)->isChecked());
        QVERIFY(!w.box(IDC_PIN3)->isChecked()); // 0xF0 was overwritten, not kept
    }

    void controlPinsDriveTheirInvertedBits()
    {
        RecordedWindow w(0x00, 0x00, 0x0B);
        ClickBox(w.box(IDC_PIN16)); // tick: pin 16 high = bit 2 set, from the fresh copy 0
        QCOMPARE(w.io().log, Concat({Wc(0x04)}, RefreshReads(0x00, 0x00, 0x04)));
        for (int id : {IDC_PIN1, IDC_PIN14, IDC_PIN16, IDC_PIN17})
            QVERIFY(w.box(id)->isChecked()); // 1, 14 and 17 are high while their bits are 0
        ClickBox(w.box(IDC_PIN17)); // untick: pin 17 low = bit 3 set
        ClickBox(w.box(IDC_PIN1));  // bit 0
        w.io().log.clear();
        ClickBox(w.box(IDC_PIN14)); // bit 1
        QCOMPARE(w.io().log, Concat({Wc(0x0F)}, RefreshReads(0x00, 0x00, 0x0F)));
        for (int id : {IDC_PIN1, IDC_PIN14, IDC_PIN17})
            QVERIFY(!w.box(id)->isChecked());
        QVERIFY(w.box(IDC_PIN16)->isChecked());
        QCOMPARE(w.edit(IDC_CONTROL)->text(), QString("0F"));
    }

    void displayOnlyBoxesShowTheRealLevel_data()
    {
        QTest::addColumn<int>("id");
        for (int id : {IDC_PIN10, IDC_PIN11, IDC_PIN12, IDC_PIN13, IDC_PIN15})
            QTest::newRow(qPrintable(QString::number(id))) << id;
    }
    void displayOnlyBoxesShowTheRealLevel()
    {
        QFETCH(int, id);
        // Status 0x80: every input pin low (pin 11 is inverted).
        RecordedWindow w(0x00, 0x80, 0x00);
        ClickBox(w.box(id));
        QVERIFY(!w.box(id)->isChecked());
        QCOMPARE(w.io().log, RefreshReads(0x00, 0x80, 0x00)); // nothing written
        QCOMPARE(w.edit(IDC_STATUS)->text(), QString("80"));
    }

    void registerTexts_data()
    {
        QTest::addColumn<int>("edit");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<int>("value");
        QTest::newRow("empty writes 00") << int(IDC_DATA) << "" << true << 0x00;
        QTest::newRow("7") << int(IDC_DATA) << "7" << true << 0x07;
        QTest::newRow("fF") << int(IDC_DATA) << "fF" << true << 0xFF;
        QTest::newRow("0x7") << int(IDC_DATA) << "0x7" << false << 0;
        QTest::newRow("100") << int(IDC_DATA) << "100" << false << 0;
        QTest::newRow("G") << int(IDC_DATA) << "G" << false << 0;
        QTest::newRow("blank 7") << int(IDC_DATA) << " 7" << false << 0;
        QTest::newRow("double-byte") << int(IDC_DATA) << "七" << false << 0;
        QTest::newRow("control 3c") << int(IDC_CONTROL) << "3c" << true << 0x3C;
        QTest::newRow("control -1") << int(IDC_CONTROL) << "-1" << false << 0;
    }
    void registerTexts()
    {
        QFETCH(int, edit);
        QFETCH(QString, text);
        QFETCH(bool, accepted);
        QFETCH(int, value);
        RecordedWindow w(0x5A, 0x00, 0x33);
        const bool data = edit == IDC_DATA;
        w.type(edit, text);
        w.click(data ? IDC_WRITE_DATA : IDC_WRITE_CONTROL);

        const auto v = static_cast<std::uint8_t>(value);
        std::vector<PortAccess> expected;
        if (accepted)
            expected.push_back(data ? Wd(v) : Wc(v));
        QCOMPARE(w.io().log, Concat(expected, RefreshReads(data && accepted ? v : 0x5A, 0x00,
                                                           !data && accepted ? v : 0x33)));
        QCOMPARE(w.prompt.messages, accepted ? std::vector<std::string>{}
                                             : std::vector<std::string>{"请输入正确的数值."});
        // A refused text is replaced by the register as read back.
        const auto shown = accepted ? v : std::uint8_t(data ? 0x5A : 0x33);
        QCOMPARE(w.edit(edit)->text(), QString::asprintf("%02X", shown));
    }

    void statusEditIsReadOnlyAndItsButtonOnlyReads()
    {
        RecordedWindow w(0x12, 0x34, 0x05);
        QLineEdit* status = w.edit(IDC_STATUS);
        QVERIFY(status->isReadOnly());
        // It looks read-only too: the window's background, not an edit's.
        QCOMPARE(status->palette().color(QPalette::Base), w.dlg->palette().color(QPalette::Window));
        QVERIFY(w.edit(IDC_DATA)->palette().color(QPalette::Base) != w.dlg->palette().color(QPalette::Window));
        QTest::keyClicks(status, "FF");
        QCOMPARE(status->text(), QString());
        w.click(IDC_REFRESH);
        QCOMPARE(w.io().log, RefreshReads(0x12, 0x34, 0x05));
        QCOMPARE(status->text(), QString("34"));
    }

    void textTypedButNotWrittenIsLostOnAPinClick()
    {
        RecordedWindow w;
        w.type(IDC_DATA, "AB");
        w.type(IDC_CONTROL, "CD");
        ClickBox(w.box(IDC_PIN3));
        QCOMPARE(w.io().log, Concat({Wd(0x02)}, RefreshReads(0x02, 0x00, 0x00)));
        QCOMPARE(w.edit(IDC_DATA)->text(), QString("02"));
        QCOMPARE(w.edit(IDC_CONTROL)->text(), QString("00"));
        QCOMPARE(w.edit(IDC_DATA)->text(), QString("02"));
    }

    void togglesDriveTheOppositeOfTheirLastLevel_data()
    {
        QTest::addColumn<int>("id");
        QTest::addColumn<QString>("name");
        QTest::newRow("MOSI") << int(IDC_MOSI) << "MOSI";
        QTest::newRow("SCK") << int(IDC_SCK) << "SCK";
        QTest::newRow("Rst") << int(IDC_RST) << "Rst";
        QTest::newRow("R1") << int(IDC_R1) << "R1(保留)";
        QTest::newRow("R2") << int(IDC_R2) << "R2(保留)";
    }
    void togglesDriveTheOppositeOfTheirLastLevel()
    {
        QFETCH(int, id);
        QFETCH(QString, name);
        RecordedWindow w;
        QCOMPARE(w.button(id)->text(), name + "=1");
        w.click(id);
        QCOMPARE(w.button(id)->text(), name + "=0");
        w.click(id);
        QCOMPARE(w.button(id)->text(), name + "=1");
        w.click(id);
        // The level belongs to the process: a new window shows the template caption, yet its
        // first click drives the opposite of the level driven last, which is 1.
        w.dlg.reset();
        CPinTestDlg second(w.platform, w.prompt);
        second.show();
        QCOMPARE(Ctl<QPushButton>(&second, id)->text(), name + "=1");
        QTest::mouseClick(Ctl<QPushButton>(&second, id), Qt::LeftButton);
        QCOMPARE(Ctl<QPushButton>(&second, id)->text(), name + "=1");
    }

    void mosiWritesPinThenLatchPulse()
    {
        // Default Qorel Isp map: MOSI on pin 14 (inverted), LE on pin 17 (inverted), enable 1.
        RecordedWindow w;
        w.click(IDC_MOSI); // MOSI low: control bit 1 set; LE high then low
        QCOMPARE(w.io().log, Concat({Wc(0x02), Wc(0x02), Wc(0x0A)}, RefreshReads(0x00, 0x00, 0x0A)));
    }

    void reservedLinesHaveNoLatchStep()
    {
        RecordedWindow w;
        w.click(IDC_R2); // R2 on pin 4: low
        w.click(IDC_R2); // high
        const auto expected = Concat(Concat({Wd(0x00)}, RefreshReads(0x00, 0x00, 0x00)),
                                     Concat({Wd(0x04)}, RefreshReads(0x04, 0x00, 0x00)));
        QCOMPARE(w.io().log, expected);
    }

    void pinBoxLeavesTheToggleCaptionAndLevelAlone()
    {
        RecordedWindow w;
        ClickBox(w.box(IDC_PIN14)); // MOSI's pin, driven by its box
        QCOMPARE(w.button(IDC_MOSI)->text(), QString("MOSI=1"));
        w.io().log.clear();
        w.click(IDC_MOSI);
        QCOMPARE(w.button(IDC_MOSI)->text(), QString("MOSI=0"));
        QCOMPARE(w.io().log.front(), Wc(0x02)); // still drives 0: pin 14 low sets bit 1
    }

    void cableChangeRelabelsAtOnceAndKeepsToggles()
    {
        RecordedWindow w;
        w.click(IDC_MOSI);
        w.click(IDC_R1);
        w.io().log.clear();
        w.chooseCable(1);
        QCOMPARE(SignalLabels(w), QStringList({"使用PIN2", "使用PIN10", "使用PIN1", "使用PIN17",
                                               "使用PIN14", "使用PIN16"}));
        QVERIFY(w.io().log.empty()); // no port access for this cable
        QCOMPARE(w.button(IDC_MOSI)->text(), QString("MOSI=0"));
        QCOMPARE(w.button(IDC_R1)->text(), QString("R1(保留)=0"));
        QCOMPARE(w.button(IDC_SCK)->text(), QString("SCK=1"));
        QCOMPARE(w.dlg->m_cable.m_nLatchMode, CIspCable::LATCH_PULSE);
        w.click(IDC_MOSI); // level kept: now drives 1 on the Atmel MOSI pin 2
        QCOMPARE(w.button(IDC_MOSI)->text(), QString("MOSI=1"));
        QCOMPARE(w.io().log.front(), Wd(0x01));
    }

    void alteraReservedLinesArePinZeroAndWriteNothing()
    {
        RecordedWindow w;
        w.chooseCable(2);
        // Selecting the cable itself drives its LE pin 14 low: control copy with bit 1 set.
        QCOMPARE(w.io().log, std::vector<PortAccess>{Wc(0x02)});
        QCOMPARE(SignalLabels(w), QStringList({"使用PIN8", "使用PIN11", "使用PIN2", "使用PIN3", "使用PIN0",
                                               "使用PIN0"}));
        w.io().log.clear();
        w.click(IDC_R1);
        w.click(IDC_R2);
        QCOMPARE(w.button(IDC_R1)->text(), QString("R1(保留)=0"));
        QCOMPARE(w.button(IDC_R2)->text(), QString("R2(保留)=0"));
        for (const PortAccess& a : w.io().log)
            QVERIFY(a.op != PortOp::WriteData && a.op != PortOp::WriteControl);
    }

    void qorelEntryReadsTheSettingsFileAgain()
    {
        WriteIni(m_appDir.path(), "[引脚控制]\nMOSI=5\nR2=9\n");
        RecordedWindow w;
        QCOMPARE(w.label(IDC_MOSI_PIN), QString("使用PIN5"));
        QCOMPARE(w.label(IDC_R2_PIN), QString("使用PIN9"));
        WriteIni(m_appDir.path(), "[引脚控制]\nMOSI=6\n");
        w.chooseCable(1);
        w.chooseCable(0);
        QCOMPARE(w.label(IDC_MOSI_PIN), QString("使用PIN6"));
        QCOMPARE(w.label(IDC_R2_PIN), QString("使用PIN4"));
    }

    void portInUseTellsDeviceFromVirtual()
    {
        {
            FakePortPlatform p;
            p.inUse = {false, "/dev/parport0"};
            RecordingPrompt prompt;
            CPinTestDlg dlg(p, prompt);
            dlg.show();
            const QString text = dlg.findChild<QLabel*>("portInUse")->text();
            QVERIFY(text.contains("/dev/parport0"));
            QVERIFY(!text.contains("虚拟"));
        }
        {
            FakePortPlatform p;
            p.inUse = {false, "no port", true};
            p.failureReason = "/dev/parport0 不存在";
            RecordingPrompt prompt;
            CPinTestDlg dlg(p, prompt);
            dlg.show();
            const QString text = dlg.StatusLineText();
            QVERIFY(text.startsWith("未驱动任何并口"));
            QVERIFY(text.contains("/dev/parport0 不存在"));
            // A menu user cannot pass --port: the window points at its port chooser.
            QVERIFY(!text.contains("--port=virtual"));
            QVERIFY(text.contains(QString::fromUtf8(kChooseVirtualPortHint)));
            QCOMPARE(dlg.findChild<QLabel*>("portInUse")->palette().color(QPalette::WindowText), QColor(180, 0, 0));
        }
    }

    void portFailingAfterStartUpIsShownAtTheNextRefresh()
    {
        RecordedWindow w;
        w.platform.inUse = {false, "/dev/parport0 (访问失败)"};
        w.platform.failureReason = "并口 /dev/parport0 访问失败(Input/output error),此后的读写都无效。";
        QLabel* line = w.dlg->findChild<QLabel*>("portInUse");
        QVERIFY(line->text().startsWith("正在使用并口")); // nothing has refreshed yet
        w.click(IDC_REFRESH);
        QVERIFY(w.dlg->StatusLineText().startsWith(QString::fromStdString(w.platform.failureReason)));
        QVERIFY(!line->text().contains("正在使用并口"));
    }

    void failedOpenDrivesNoImitationCable()
    {
        const auto platform = MakePortPlatform({PortChoice::Device, "/nonexistent/parport9"});
        RecordingPrompt prompt;
        CPinTestDlg::ResetToggleLevels();
        CPinTestDlg dlg(*platform, prompt);
        dlg.show();
        QCOMPARE(prompt.messages.size(), size_t(1)); // said once
        QVERIFY(dlg.StatusLineText().startsWith("未驱动任何并口"));
        QVERIFY(dlg.StatusLineText().contains("虚拟并口"));
#ifndef Q_OS_WIN // Windows reaches ports by address, not by name
        QVERIFY(dlg.StatusLineText().contains("/nonexistent/parport9"));
#endif
        // Written, but nothing answers: the lines read undriven, not the byte written.
        ClickBox(Ctl<QCheckBox>(&dlg, IDC_PIN2));
        QCOMPARE(Ctl<QLineEdit>(&dlg, IDC_DATA)->text(), QString("FF"));
        ClickBox(Ctl<QCheckBox>(&dlg, IDC_PIN2));
        QCOMPARE(Ctl<QLineEdit>(&dlg, IDC_DATA)->text(), QString("FF"));
        QCOMPARE(Ctl<QLineEdit>(&dlg, IDC_STATUS)->text(), QString("FF"));
    }

    void longStatusTextIsWholeOneClickAway()
    {
        FakePortPlatform p;
        p.inUse = {false, "no port", true};
        p.failureReason = "设备 /dev/" + std::string(300, 'x') + " 不存在。";
        RecordingPrompt prompt;
        CPinTestDlg dlg(p, prompt);
        dlg.show();
        auto* line = dlg.findChild<QLabel*>("portInUse");
        auto* details = dlg.findChild<QPushButton*>("portDetails");
        QVERIFY(details);
        const QString whole = dlg.StatusLineText();
        QVERIFY(whole.contains(QString::fromStdString(p.failureReason)));
        const QRect needed = line->fontMetrics().boundingRect(QRect(0, 0, line->width(), 100000), Qt::TextWordWrap, line->text());
        QVERIFY2(needed.height() <= line->height(), qPrintable(QString("%1 > %2").arg(needed.height()).arg(line->height())));
        QVERIFY(details->isVisible());
        // Whole rows inside the window, and the button clear of the text.
        const QRect margin = DialogUnits(dlg.font()).Rect(0, 0, 4, 2);
        QVERIFY(dlg.height() - (line->geometry().bottom() + 1) >= margin.height());
        QVERIFY(details->geometry().left() - (line->geometry().right() + 1) >= margin.width());
        QTest::mouseClick(details, Qt::LeftButton);
        QCOMPARE(prompt.messages.back(), whole.toStdString());

        // A text that fits is shown whole, with no button.
        WriteIni(m_appDir.path(), "[引脚控制]\nSCK=3\n");
        p.inUse = {false, "/dev/parport0"};
        p.failureReason.clear();
        QTest::keyClick(Ctl<QComboBox>(&dlg, IDC_CABLE), Qt::Key_Down); // a cable with a fixed map
        QCOMPARE(line->text(), QString("正在使用并口: /dev/parport0\n引脚表: 内置 (该下载线的引脚是固定的)"));
        QVERIFY(!details->isVisible());
    }

    void pinLabelsShowEveryNumberWhole()
    {
        WriteIni(m_appDir.path(), "[引脚控制]\nMOSI=-1\nMISO=99999999999\nSCK=16\nRST=-2147483648\n"
                                  "R1=2147483647\nR2=-99999999999\n");
        RecordedWindow w;
        QCOMPARE(SignalLabels(w), QStringList({"使用PIN-1", "使用PIN2147483647", "使用PIN16", "使用PIN-2147483648",
                                               "使用PIN2147483647", "使用PIN-2147483648"}));
        for (int id = IDC_MOSI_PIN; id <= IDC_R2_PIN; ++id) {
            auto* l = Ctl<QLabel>(w.dlg.get(), id);
            QVERIFY2(l->fontMetrics().horizontalAdvance(l->text()) <= l->contentsRect().width(), qPrintable(l->text()));
        }
    }

    void statusLineSaysWhenTheSettingsFileIsMissing()
    {
        const QString note = "没有找到设置文件 QorelIsp.ini";
        {
            RecordedWindow w;
            QVERIFY(w.dlg->StatusLineText().contains(note));
            w.chooseCable(1); // the note belongs to the Qorel Isp cable
            QVERIFY(!w.dlg->StatusLineText().contains(note));
        }
        WriteIni(m_appDir.path(), "[引脚控制]\nSCK=5\n", "qorelisp.ini"); // a Windows user's spelling
        RecordedWindow w;
        QVERIFY(!w.dlg->StatusLineText().contains(note));
        QCOMPARE(w.label(IDC_SCK_PIN), QString("使用PIN5"));
    }

    void wheelOverTheUnfocusedComboChangesNothing()
    {
        RecordedWindow w;
        w.dlg->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w.dlg.get()));
        QComboBox* c = w.combo();
        QCOMPARE(c->focusPolicy(), Qt::StrongFocus); // a turn of the wheel does not focus it either
        auto wheel = [&] {
            QWheelEvent e(QPointF(5, 5), c->mapToGlobal(QPointF(5, 5)), QPoint(), QPoint(0, -120), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
            QApplication::sendEvent(c, &e);
        };
        w.button(IDC_REFRESH)->setFocus();
        wheel();
        QCOMPARE(c->currentIndex(), 0);
        QCOMPARE(w.label(IDC_MOSI_PIN), QString("使用PIN14"));
        c->setFocus();
        wheel();
        QCOMPARE(c->currentIndex(), 1);
        QCOMPARE(w.label(IDC_MOSI_PIN), QString("使用PIN2"));
    }

    void loopbackPortEndToEnd()
    {
        VirtualPlatform p;
        RecordingPrompt prompt;
        CPinTestDlg::ResetToggleLevels();
        CPinTestDlg dlg(p, prompt);
        dlg.show();
        ClickBox(Ctl<QCheckBox>(&dlg, IDC_PIN2));
        QCOMPARE(Ctl<QLineEdit>(&dlg, IDC_DATA)->text(), QString("01"));
        QVERIFY(Ctl<QCheckBox>(&dlg, IDC_PIN15)->isChecked()); // plug: pin 2 -> pin 15

        // Qorel Isp MISO is pin 15, looped from pin 2.
        QTest::mouseClick(Ctl<QPushButton>(&dlg, IDC_MISO), Qt::LeftButton);
        QCOMPARE(Ctl<QPushButton>(&dlg, IDC_MISO)->text(), QString("MISO=1"));

        // Atmel: MISO on pin 10, looped from pin 16, which is this cable's R2.
        QComboBox* combo = Ctl<QComboBox>(&dlg, IDC_CABLE);
        QTest::keyClick(combo, Qt::Key_Down);
        QTest::mouseClick(Ctl<QPushButton>(&dlg, IDC_R2), Qt::LeftButton); // pin 16 low
        QVERIFY(!Ctl<QCheckBox>(&dlg, IDC_PIN10)->isChecked());
        QTest::mouseClick(Ctl<QPushButton>(&dlg, IDC_MISO), Qt::LeftButton);
        QCOMPARE(Ctl<QPushButton>(&dlg, IDC_MISO)->text(), QString("MISO=0"));
        QTest::mouseClick(Ctl<QPushButton>(&dlg, IDC_R2), Qt::LeftButton); // pin 16 high
        QVERIFY(Ctl<QCheckBox>(&dlg, IDC_PIN10)->isChecked());
        // The caption shows the level read at the last click, not the present one.
        QCOMPARE(Ctl<QPushButton>(&dlg, IDC_MISO)->text(), QString("MISO=0"));
        QTest::mouseClick(Ctl<QPushButton>(&dlg, IDC_MISO), Qt::LeftButton);
        QCOMPARE(Ctl<QPushButton>(&dlg, IDC_MISO)->text(), QString("MISO=1"));
        QVERIFY(prompt.messages.empty());
    }
};

TP_QTEST_MAIN(TestPinTestDlg)

#include "testwnd_test.moc"
