// The application shell (start, end, About box, wiring test, command line) and the window's layout.
#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

#include "app.h"
#include "appdir.h"
#include "connectorpicture.h"
#include "dialogunits.h"
#include "qt_test_main.h"
#include "testwnd.h"
#include "virtualport.h"
#include "wiringdlg.h"
#include "window_driver.h"

Q_DECLARE_METATYPE(PortChoice::Kind)

namespace {

QLabel* Picture(QWidget* dlg)
{
    for (QLabel* l : dlg->findChildren<QLabel*>())
        if (!l->pixmap().isNull())
            return l;
    return nullptr;
}

bool IsRed(QRgb c) { return qRed(c) > 180 && qGreen(c) < 90 && qBlue(c) < 90; }
bool IsWhite(QRgb c) { return qRed(c) > 240 && qGreen(c) > 240 && qBlue(c) > 240; }

} // namespace

class TestPorvikShell : public QObject {
    Q_OBJECT

private slots:
    void commandLine_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("env");
        QTest::addColumn<int>("action");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<PortChoice::Kind>("kind");
        using A = PorvikCommandLine::Action;
        QTest::newRow("nothing: auto") << QStringList{} << "" << int(A::Run) << 0 << PortChoice::Auto;
        QTest::newRow("virtual") << QStringList{"--port", "virtual"} << "" << int(A::Run) << 0 << PortChoice::Virtual;
        QTest::newRow("device") << QStringList{"--port=/dev/parport1"} << "" << int(A::Run) << 0 << PortChoice::Device;
        QTest::newRow("env") << QStringList{} << "virtual" << int(A::Run) << 0 << PortChoice::Virtual;
        QTest::newRow("option beats env") << QStringList{"--port", "direct"} << "virtual" << int(A::Run) << 0
                                          << PortChoice::Direct;
        QTest::newRow("bad port") << QStringList{"--port", "bogus"} << "" << int(A::Error) << 2 << PortChoice::Auto;
        QTest::newRow("empty port") << QStringList{"--port="} << "" << int(A::Error) << 2 << PortChoice::Auto;
        QTest::newRow("port without value") << QStringList{"--port"} << "" << int(A::Error) << 2 << PortChoice::Auto;
        QTest::newRow("unknown option") << QStringList{"--frobnicate"} << "" << int(A::Error) << 2 << PortChoice::Auto;
        QTest::newRow("stray argument") << QStringList{"virtual"} << "" << int(A::Error) << 2 << PortChoice::Auto;
        QTest::newRow("qt -platform") << QStringList{"-platform", "offscreen"} << "" << int(A::Run) << 0 << PortChoice::Auto;
        QTest::newRow("qt -style= and ours") << QStringList{"-style=fusion", "--port=virtual"} << "" << int(A::Run) << 0
                                            << PortChoice::Virtual;
        QTest::newRow("qt -display -geometry") << QStringList{"-display", ":0", "-geometry", "640x480+0+0"} << ""
                                               << int(A::Run) << 0 << PortChoice::Auto;
        QTest::newRow("qt --platform -reverse") << QStringList{"--platform", "xcb", "-reverse"} << "" << int(A::Run) << 0
                                                << PortChoice::Auto;
        QTest::newRow("wiring test") << QStringList{"--wiring-test", "--port=virtual:stuck=11", "--cable=ALTERA"} << ""
                                     << int(A::WiringTest) << 0 << PortChoice::Virtual;
        QTest::newRow("bad fault") << QStringList{"--port=virtual:open=2-3"} << "" << int(A::Error) << 2 << PortChoice::Auto;
        QTest::newRow("cable alone") << QStringList{"--cable", "qorel"} << "" << int(A::Error) << 2 << PortChoice::Auto;
        QTest::newRow("bad cable") << QStringList{"--wiring-test", "--cable", "usb"} << "" << int(A::Error) << 2
                                   << PortChoice::Auto;
        // PORVIK_PORT is read by the option's rule: a slip is a usage error, not a missing device.
        QTest::newRow("bad env") << QStringList{} << "virtual:opn=2-15" << int(A::Error) << 2 << PortChoice::Auto;
        QTest::newRow("bad env, good option") << QStringList{"--port=virtual"} << "bogus" << int(A::Run) << 0
                                              << PortChoice::Virtual;
        QTest::newRow("help") << QStringList{"--help"} << "" << int(A::Help) << 0 << PortChoice::Auto;
        QTest::newRow("version") << QStringList{"--version"} << "" << int(A::Version) << 0 << PortChoice::Auto;
    }
    void commandLine()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, env);
        QFETCH(int, action);
        QFETCH(int, exitCode);
        QFETCH(PortChoice::Kind, kind);
        const QByteArray envBytes = env.toUtf8();
        const PorvikCommandLine r =
            ParsePorvikCommandLine(QStringList{"porvik"} + args, env.isEmpty() ? nullptr : envBytes.constData());
        QCOMPARE(int(r.action), action);
        QCOMPARE(r.exitCode, exitCode);
        if (r.action == PorvikCommandLine::Action::Run || r.action == PorvikCommandLine::Action::WiringTest)
            QCOMPARE(r.choice.kind, kind);
        if (r.action == PorvikCommandLine::Action::WiringTest)
            QCOMPARE(r.cableEntry, std::optional<int>(2));
        if (r.action == PorvikCommandLine::Action::Error) {
            QVERIFY(r.message.startsWith("porvik: "));
            for (const char* english : {"Unknown", "Missing", "Unexpected", "option"})
                QVERIFY2(!r.message.contains(QLatin1String(english)), qPrintable(r.message));
        }
        if (r.action == PorvikCommandLine::Action::Version)
            QVERIFY(r.message.contains("1.0.0.1"));
        if (r.action == PorvikCommandLine::Action::Help)
            QVERIFY(r.message.contains("--port") && r.message.contains("PORVIK_PORT") &&
                    r.message.contains("--wiring-test") && r.message.contains("virtual:open=2-15"));
    }

    void portChosenInTheWindowReopensTheWindowOnIt()
    {
        const std::string saved = g_strAppDir;
        RecordingPrompt prompt;
        std::vector<PortChoice> made;
        auto make = [&](const PortChoice& choice) -> std::unique_ptr<IPortPlatform> {
            made.push_back(choice);
            return std::make_unique<FakePortPlatform>();
        };
        CPorvikApp app([&] { return make(PortChoice{PortChoice::Auto}); }, &prompt);
        app.AllowPortChoice(PortChoice{PortChoice::Auto},
                            [] { return PortOffers({{"/dev/parport1", 0x278, "PCSPP"}}); }, make);
        QStringList offered;
        int windows = WithEachModal([&] { app.InitInstance(); }, [&](QWidget* modal) {
            auto* chooser = modal->findChild<QAction*>("portChooser");
            if (!chooser) {
                modal->close();
                return;
            }
            QStringList labels;
            for (QAction* a : chooser->menu()->actions())
                labels << a->text() + (a->isChecked() ? "*" : "");
            offered << labels.join('|');
            if (made.size() < 3)
                chooser->menu()->actions()[2]->trigger(); // the virtual port; then the same again
            else
                modal->close();
        });
        g_strAppDir = saved;
        QCOMPARE(windows, 3);
        QCOMPARE(made.size(), size_t(3));
        QCOMPARE(made[1], PortChoice{PortChoice::Virtual});
        QCOMPARE(made[2], PortChoice{PortChoice::Virtual}); // the current port chosen again is opened again
        QVERIFY(offered[0].startsWith("自动 (0x378 处的并口)*|/dev/parport1 (0x278, PCSPP)|虚拟并口"));
        QVERIFY(offered[1].endsWith("*")); // the virtual port now ticked
    }

    void keptPortIsStoredFromTheChooserAndShownInTheStatusLine()
    {
        const std::string saved = g_strAppDir;
        RecordingPrompt prompt;
        std::optional<std::string> kept;
        auto make = [](const PortChoice&) -> std::unique_ptr<IPortPlatform> { return std::make_unique<FakePortPlatform>(); };
        CPorvikApp app([&] { return make({}); }, &prompt);
        app.AllowPortChoice(PortChoice{PortChoice::Virtual}, [] { return PortOffers({}); }, make);
        app.SetStart({PortChoice{PortChoice::Virtual}, StartPort::Source::CommandLine}, {}, 25);
        app.AllowKeepingPort([&] { return kept; }, [&](const std::optional<std::string>& text) { kept = text; });
        std::vector<std::optional<std::string>> stored;
        QStringList status;
        unsigned settle = 0;
        WithNextModal([&] { app.InitInstance(); }, [&](QWidget* modal) {
            auto* dlg = static_cast<CPinTestDlg*>(modal);
            settle = dlg->m_cable.SettleTime();
            auto* keep = modal->findChild<QAction*>("keepPort");
            QVERIFY(keep && !keep->isChecked());
            keep->trigger();
            stored.push_back(kept);
            status << dlg->StatusLineText();
            QVERIFY(keep->isChecked());
            keep->trigger(); // untick: forgotten
            stored.push_back(kept);
            status << dlg->StatusLineText();
            QVERIFY(!keep->isChecked());
            modal->close();
        });
        g_strAppDir = saved;
        QCOMPARE(settle, 25u);
        QCOMPARE(stored, (std::vector<std::optional<std::string>>{std::string("virtual"), std::nullopt}));
        QVERIFY2(status[0].contains("已保留") && status[0].contains("25 微秒"), qPrintable(status[0]));
        QVERIFY(!status[1].contains("已保留"));
    }

    void initInstanceRunsTheWindowAndReleasesThePortAfterIt()
    {
        const std::string saved = g_strAppDir;
        g_strAppDir.clear();
        std::string dirSeenByPlatform;
        FakePortPlatform* fake = nullptr;
        RecordingPrompt prompt;
        CPorvikApp app(
            [&] {
                dirSeenByPlatform = g_strAppDir;
                auto p = std::make_unique<FakePortPlatform>();
                fake = p.get();
                return p;
            },
            &prompt);

        int shutdownsWhileRunning = -1;
        bool result = true;
        const bool ran = WithNextModal([&] { result = app.InitInstance(); },
                                       [&](QWidget* modal) {
                                           QCOMPARE(modal, static_cast<QWidget*>(app.m_pMainWnd));
                                           shutdownsWhileRunning = fake->shutdownCalls;
                                           modal->close(); // the close box
                                       });
        QVERIFY(ran);
        QVERIFY(!result);
        QVERIFY(!g_strAppDir.empty());
        QCOMPARE(g_strAppDir, ProgramDirectory());
        QCOMPARE(g_strAppDir.back(), '/');
        QCOMPARE(dirSeenByPlatform, g_strAppDir);
        QCOMPARE(shutdownsWhileRunning, 0);
        QCOMPARE(fake->shutdownCalls, 1); // the driver path is released with the window
        QVERIFY(app.m_pMainWnd == nullptr);
        QCOMPARE(static_cast<IPortPlatform*>(fake), app.Platform());
        g_strAppDir = saved;
    }

    void startUpMessageBoxesAreCentred()
    {
        const std::string saved = g_strAppDir;
        CPorvikApp app([] {
            auto p = std::make_unique<FakePortPlatform>();
            p->initDefault = false;
            p->installResult = false;
            return p;
        }); // real message boxes
        std::vector<QPoint> centres;
        WithEachModal([&] { app.InitInstance(); }, [&](QWidget* modal) {
            if (auto* box = qobject_cast<QMessageBox*>(modal)) {
                centres.push_back(box->geometry().center());
                box->done(0);
            } else {
                modal->close(); // the tester's window
            }
        });
        g_strAppDir = saved;
        QCOMPARE(centres.size(), size_t(1)); // a failed open is said once
        const QPoint screenCentre = QGuiApplication::primaryScreen()->availableGeometry().center();
        for (const QPoint& c : centres)
            QVERIFY2((c - screenCentre).manhattanLength() <= 8,
                     qPrintable(QString("(%1, %2)").arg(c.x()).arg(c.y())));
    }

    void groupFramesKeepTheirRowsInside()
    {
        FakePortPlatform platform;
        RecordingPrompt prompt;
        CPinTestDlg dlg(platform, prompt);
        dlg.show();
        const QImage img = dlg.grab().toImage();
        const DialogUnits du(TemplateFont("宋体", 9));
        // Left of each frame's first row and inside the frame the band is of one colour: a frame
        // line through the row would run across it.
        const struct {
            int rowId, rowLeft;
        } firstRows[] = {{1019, 179}, {1028, 167}}; // "刷新" of the data row; the cable selector
        for (const auto& r : firstRows) {
            const QRect row = Ctl<QWidget>(&dlg, r.rowId)->geometry();
            const QRgb background = img.pixel(du.X(150) + 4, row.center().y());
            for (int y = row.top(); y <= row.bottom(); ++y)
                for (int x = du.X(150) + 4; x < du.X(r.rowLeft) - 2; ++x)
                    QVERIFY2(img.pixel(x, y) == background, qPrintable(QString("%1: (%2, %3)").arg(r.rowId).arg(x).arg(y)));
        }
    }

    void aboutBoxFromContextMenuAndF1()
    {
        FakePortPlatform platform;
        RecordingPrompt prompt;
        CPinTestDlg dlg(platform, prompt);
        dlg.show();
        dlg.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&dlg));

        QCOMPARE(dlg.contextMenuPolicy(), Qt::ActionsContextMenu);
        QAction* about = dlg.actions().front();
        QCOMPARE(about->text(), QString("关于 Porvik(&A)..."));

        QString title, text, okText;
        bool okIsDefault = false;
        const bool shown = WithNextModal([&] { QTest::keyClick(&dlg, Qt::Key_F1); },
                                         [&](QWidget* modal) {
                                             title = modal->windowTitle();
                                             for (QLabel* l : modal->findChildren<QLabel*>())
                                                 if (!l->text().isEmpty())
                                                     text = l->text();
                                             auto* ok = Ctl<QPushButton>(modal, 1);
                                             okText = ok->text();
                                             okIsDefault = ok->isDefault();
                                             QTest::mouseClick(ok, Qt::LeftButton);
                                         });
        QVERIFY(shown);
        QCOMPARE(title, QString("关于 Porvik"));
        QCOMPARE(text, QString("Porvik 1.0 版"));
        QCOMPARE(okText, QString("确定"));
        QVERIFY(okIsDefault);
        QVERIFY(dlg.isVisible()); // the About box ends, the window stays
    }

    void wiringTestFromF5AndContextMenu()
    {
        VirtualPlatform platform(*ParsePlugFaults("open=2-15"));
        RecordingPrompt prompt;
        CPinTestDlg dlg(platform, prompt);
        dlg.show();

        struct Key {
            QKeyCombination key;
            int rows;
        };
        // The ISP loop: MOSI into MISO, then every other output against MISO, then the plug's
        // own wire from MOSI to pin 12.
        for (const Key& k : {Key{Qt::Key_F5, 5}, Key{Qt::SHIFT | Qt::Key_F5, 12}}) {
            dlg.activateWindow(); // again after the last result closed
            QVERIFY(QTest::qWaitForWindowActive(&dlg));
            const QList<QAction*> actions = dlg.actions();
            const auto entry = std::find_if(actions.begin(), actions.end(),
                                            [&](QAction* a) { return a->shortcut() == QKeySequence(k.key); });
            QVERIFY(entry != actions.end()); // in the context menu, with its key
            QVERIFY((*entry)->text().startsWith("接线测试"));

            int rows = -1;
            QStringList failed;
            const bool shown = WithNextModal([&] { QTest::keyClick(&dlg, k.key.key(), k.key.keyboardModifiers()); },
                                             [&](QWidget* modal) {
                                                 auto* table = modal->findChild<QTableWidget*>("wires");
                                                 rows = table->rowCount();
                                                 for (int r = 0; r < rows; ++r)
                                                     if (table->item(r, 2)->background().color().red() > 200 &&
                                                         table->item(r, 2)->background().color().green() < 220)
                                                         failed << table->item(r, 0)->text() + "-" + table->item(r, 1)->text();
                                                 modal->close();
                                             });
            QVERIFY(shown);
            QCOMPARE(rows, k.rows);
            QCOMPARE(failed, (k.rows == 5 ? QStringList{"PIN2-PIN15"} : QStringList{"PIN14-PIN15", "PIN14-PIN12"}));
        }
        QVERIFY(prompt.messages.empty());
    }

    void wiringDialogSavesTheRecordAndWigglesUntilStopped()
    {
        // A plug whose wire 2-15 breaks in every other run.
        VirtualPlatform good, broken(*ParsePlugFaults("open=2-15"));
        RecordingPrompt prompt;
        CParallelPort goodPort(good, prompt), brokenPort(broken, prompt);
        goodPort.OpenPort(kLptBase);
        brokenPort.OpenPort(kLptBase);
        int run = 0;
        CWiringDlg dlg(RunWiringTest(goodPort, LoopbackPlugWiring()), nullptr, [&] {
            return RunWiringTest(++run % 2 ? brokenPort : goodPort, LoopbackPlugWiring());
        });
        QTemporaryDir dir;
        const QString file = dir.filePath("r.json");
        dlg.chooseFile = [&] { return file; };
        QStringList said;
        dlg.inform = [&](const QString& text) { said << text; };
        dlg.show();

        auto* repeat = dlg.findChild<QPushButton*>("repeat");
        QVERIFY(repeat);
        QTest::mouseClick(repeat, Qt::LeftButton);
        QCOMPARE(repeat->text(), QString("停止"));
        QTRY_VERIFY(dlg.Tally().runs >= 4);
        QTest::mouseClick(repeat, Qt::LeftButton); // stops at once
        const int runs = dlg.Tally().runs;
        QVERIFY(!dlg.Repeating());
        QTest::qWait(20);
        QCOMPARE(dlg.Tally().runs, runs);
        QCOMPARE(dlg.Tally().failedRuns, (runs + 1) / 2);
        auto* table = dlg.findChild<QTableWidget*>("wires");
        QCOMPARE(table->item(1, 2)->text(), QString("失败 %1/%2 次").arg((runs + 1) / 2).arg(runs));

        QTest::mouseClick(dlg.findChild<QPushButton*>("save"), Qt::LeftButton);
        QFile saved(file);
        QVERIFY(saved.open(QIODevice::ReadOnly));
        QVERIFY(saved.readAll().contains(QString("\"runs\": %1").arg(runs).toUtf8()));
        dlg.chooseFile = [] { return QString("/nonexistent/dir/r.json"); };
        QTest::mouseClick(dlg.findChild<QPushButton*>("save"), Qt::LeftButton);
        QCOMPARE(said.size(), 1);
    }

    void templateLayoutAndTabOrder()
    {
        FakePortPlatform platform;
        RecordingPrompt prompt;
        CPinTestDlg dlg(platform, prompt);
        dlg.show();
        const DialogUnits du(TemplateFont("宋体", 9));
        QCOMPARE(dlg.size(), du.Size(307, 281));
        QCOMPARE(Ctl<QWidget>(&dlg, 2)->geometry(), du.Rect(227, 261, 50, 14));
        QCOMPARE(Ctl<QWidget>(&dlg, 1017)->geometry(), du.Rect(209, 17, 21, 12));
        QCOMPARE(Ctl<QWidget>(&dlg, 1016)->geometry(), du.Rect(62, 15, 74, 10));
        QCOMPARE(Ctl<QWidget>(&dlg, 1036)->geometry(), du.Rect(228, 235, 69, 8)); // to the frame's inner edge

        QStringList order;
        QWidget* w = Ctl<QWidget>(&dlg, 2);
        do {
            if (w->focusPolicy() & Qt::TabFocus)
                order << w->objectName();
            w = w->nextInFocusChain();
        } while (w != Ctl<QWidget>(&dlg, 2));
        QStringList expected{"2"};
        for (int id = 1000; id <= 1016; ++id)
            expected << QString::number(id);
        expected << QStringList{"1017", "1019", "1018", "1020", "1022", "1024", "1021", "1023",
                                "1025", "1026", "1028", "1027", "1029", "portDetails"};
        QCOMPARE(order, expected);
    }

    void pinBoxesLineUpWithThePictureRows()
    {
        FakePortPlatform platform;
        RecordingPrompt prompt;
        CPinTestDlg dlg(platform, prompt);
        dlg.show();
        QLabel* pic = Picture(&dlg);
        QVERIFY(pic);
        const QPoint origin = pic->geometry().topLeft() + QPoint(pic->frameWidth(), pic->frameWidth());
        const QImage img = pic->pixmap().toImage();
        // Rows 13 and 1 sit beside the outermost boxes; check every pin in between against them.
        const double first = Ctl<QWidget>(&dlg, 1016)->geometry().center().y() - origin.y();
        const double last = Ctl<QWidget>(&dlg, 1000)->geometry().center().y() - origin.y();
        const int ids[18] = {0, 1000, 1001, 1006, 1007, 1008, 1009, 1010, 1011, 1012,
                             1013, 1014, 1015, 1016, 1002, 1003, 1004, 1005};
        for (int pin = 1; pin <= 17; ++pin) {
            const double boxY = Ctl<QWidget>(&dlg, ids[pin])->geometry().center().y() - origin.y();
            const double rowY = connector::RowCentreY(connector::RowOfPin(pin), first, last);
            QVERIFY2(std::abs(boxY - rowY) <= 1.5, qPrintable(QString("pin %1: box %2 row %3").arg(pin).arg(boxY).arg(rowY)));
            // And the dot of that pin is drawn there.
            const QRgb dot = img.pixel(int(connector::PinCentreX(pin, img.width())), int(rowY));
            QVERIFY2(pin == 1 || pin >= 14 ? IsRed(dot) : IsWhite(dot), qPrintable(QString::number(pin)));
        }
        QCOMPARE(img.size(), QSize(connector::kWidth, connector::kHeight)); // 6 x 12 units here
    }

    void pictureMarksTheDrivenPinsRed()
    {
        const QImage img = connector::DrawPicture(80, 370, 18.5, 352.5);
        QCOMPARE(img.size(), QSize(80, 370));
        for (int pin = 1; pin <= 25; ++pin) {
            const double y = connector::RowCentreY(connector::RowOfPin(pin), 18.5, 352.5);
            const QRgb c = img.pixel(int(connector::PinCentreX(pin, 80)), int(y));
            const bool red = pin == 1 || (pin >= 14 && pin <= 18);
            QVERIFY2(red ? IsRed(c) : IsWhite(c), qPrintable(QString::number(pin)));
        }
        QCOMPARE(connector::RowOfPin(13), 0);
        QCOMPARE(connector::RowOfPin(25), 1);
        QCOMPARE(connector::RowOfPin(14), 23);
        QCOMPARE(connector::RowOfPin(1), 24);
        QCOMPARE(connector::RowOfPin(26), -1);
    }
};

TP_QTEST_MAIN(TestPorvikShell)

#include "shell_test.moc"
