// The list model's texts and row bookkeeping, and the application shell's pieces.
#include "app.h"
#include "branding.h"
#include "chipfiles.h"
#include "devicelistmodel.h"
#include "dialogunits.h"
#include "qt_test_main.h"

#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QGuiApplication>
#include <QTest>

#include <cmath>

class TestModelAndShell : public QObject {
    Q_OBJECT

private slots:
    void cellFormats()
    {
        const DeviceRecord r = MakeRecord("AT89C51", 0xff, 0x1e, 0x52, 0x06, -2147483647 - 1, 12.345f);
        QCOMPARE(DeviceCellText(r, 0, COL_NUMBER), QStringLiteral("0000"));
        QCOMPARE(DeviceCellText(r, 12345, COL_NUMBER), QStringLiteral("12345"));
        QCOMPARE(DeviceCellText(r, 0, COL_FID), QStringLiteral("ff"));
        QCOMPARE(DeviceCellText(r, 0, COL_ROM), QStringLiteral("-2147483648K"));
        QCOMPARE(DeviceCellText(r, 0, COL_VOLTAGE), QStringLiteral("12.35V"));
        QCOMPARE(DeviceCellText(r, 0, COL_SIGNATURE), QStringLiteral("1e 52 06"));

        // A name filling all 20 bytes without a NUL shows 20 characters and nothing of fid.
        DeviceRecord full = MakeRecord("ABCDEFGHIJKLMNOPQRST", 0x41, 0, 0, 0, 0, 0.0f);
        QCOMPARE(DeviceCellText(full, 0, COL_NAME), QStringLiteral("ABCDEFGHIJKLMNOPQRST"));
        // Half a double-byte character at the end shows a replacement mark, not a lost byte.
        DeviceRecord half = MakeRecord("AB\xd0", 0, 0, 0, 0, 0, 0.0f);
        QCOMPARE(DeviceCellText(half, 0, COL_NAME), QString(QStringLiteral("AB")) + QChar(0xFFFD));
        DeviceRecord big = MakeRecord("X", 0, 0, 0, 0, 0, 1e30f);
        QVERIFY(DeviceCellText(big, 0, COL_VOLTAGE).endsWith(QLatin1String(".00V")));
    }

    void columnTitlesAndWidths()
    {
        const char* titles[] = {"序号", "器件名称", "FID", "ROM", "编程电压", "特征字"};
        const int widths[] = {50, 150, 50, 50, 80, 80};
        for (int c = 0; c < COL_COUNT; ++c) {
            QCOMPARE(DeviceColumnTitle(c), QString::fromUtf8(titles[c]));
            QCOMPARE(DeviceColumnWidth(c), widths[c]);
        }
    }

    void rowsComeAndGoAtTheEnd()
    {
        std::vector<DeviceRecord> recs = {MakeRecord("A", 0, 1, 0, 0, 0, 0), MakeRecord("B", 0, 2, 0, 0, 0, 0),
                                          MakeRecord("C", 0, 3, 0, 0, 0, 0)};
        DeviceList list;
        DeviceListModel model(list);
        QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
        QSignalSpy removed(&model, &QAbstractItemModel::rowsRemoved);
        QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);

        for (auto& r : recs) list.Append(&r);
        // Until synced, the view keeps its rows and reads no record past the list.
        QCOMPARE(model.rowCount(), 0);
        model.SyncRows();
        QCOMPARE(model.rowCount(), 3);
        QCOMPARE(inserted.count(), 1);
        QCOMPARE(inserted.at(0).at(1).toInt(), 0);
        QCOMPARE(inserted.at(0).at(2).toInt(), 2);

        list.RemoveAt(0);
        QVERIFY(!model.index(2, 1).data().isValid());
        model.SyncRows();
        QCOMPARE(removed.count(), 1);
        QCOMPARE(removed.at(0).at(1).toInt(), 2);
        QCOMPARE(model.index(0, 1).data().toString(), QStringLiteral("B"));
        QCOMPARE(model.index(1, 0).data().toString(), QStringLiteral("0001"));
        QVERIFY(changed.count() >= 2);

        list.Clear();
        model.SyncRows();
        QCOMPARE(model.rowCount(), 0);
        QCOMPARE(model.headerData(0, Qt::Vertical).isValid(), false);
    }

    void identity()
    {
        CTessaroApp::SetIdentity();
        QCOMPARE(QCoreApplication::organizationName(),
                 QStringLiteral("Xtreme Toolkit AppWizard-Generated Applications"));
        QCOMPARE(QCoreApplication::applicationVersion(), QStringLiteral("1.0.0.1"));
        // What docks match the window to data/org.halvern.tessaro.desktop by (its StartupWMClass
        // is the application name, the window's X11 class).
        QCOMPARE(QGuiApplication::desktopFileName(), QStringLiteral("org.halvern.tessaro"));
        QCOMPARE(QCoreApplication::applicationName(), QStringLiteral("Tessaro"));
        QVERIFY(!LoadTessaroIcon().isNull());
        QVERIFY(!LoadTessaroIcon().pixmap(32, 32).isNull());
    }

    // Only a real file argument is taken for the list to open; values of Qt's own options
    // (separate or joined with '=', one dash or two) are not.
    void commandLine()
    {
        using A = TessaroCommandLine::Action;
        struct Row {
            std::vector<std::string> args;
            A action;
            const char* file;
        };
        const Row rows[] = {
            {{}, A::Run, ""},
            {{"list.chip"}, A::Run, "list.chip"},
            {{"-platform", "offscreen", "-style", "fusion", "list.chip"}, A::Run, "list.chip"},
            {{"-display", ":1", "-geometry", "640x480+0+0"}, A::Run, ""},
            {{"-qmljsdebugger", "port:3768", "-title", "T"}, A::Run, ""},
            {{"--style", "fusion", "-style=fusion", "-reverse", "a.chip"}, A::Run, "a.chip"},
            {{"--", "-v"}, A::Run, "-v"},
            {{"a.chip", "b.chip"}, A::Error, ""},
            {{"a.chip", "--help"}, A::Help, ""},
            {{"-v"}, A::Version, ""},
            // Options of neither Tessaro nor Qt are refused, wherever they stand.
            {{"-x"}, A::Error, ""},
            {{"--foo", "a.chip"}, A::Error, ""},
            {{"a.chip", "--platform-x"}, A::Error, ""},
        };
        for (const Row& row : rows) {
            const TessaroCommandLine cmd = ParseTessaroCommandLine(row.args);
            QCOMPARE(cmd.action, row.action);
            QCOMPARE(cmd.file, std::string(row.file));
            if (row.action == A::Error && row.args.front()[0] == '-')
                QCOMPARE(cmd.error, "未知的选项: " + row.args.front());
        }
    }

    void aboutBox()
    {
        AboutBox dlg(TessaroAbout());
        QCOMPARE(dlg.windowTitle(), QStringLiteral("About Tessaro"));
        QStringList texts;
        for (auto* l : dlg.findChildren<QLabel*>()) texts << l->text();
        QVERIFY(texts.contains(QStringLiteral("Tessaro Version 1.0")));
        QVERIFY(texts.contains(QStringLiteral("Halvern")));
        const DialogUnits du(TemplateFont(QStringLiteral("MS Sans Serif"), 8));
        QCOMPARE(dlg.size(), du.Size(247, 63));
        auto* ok = dlg.findChild<QPushButton*>(QStringLiteral("1"));
        QVERIFY(ok);
        QCOMPARE(ok->text(), QStringLiteral("OK"));
        QVERIFY(ok->isDefault());
        dlg.show();
        QTest::keyClick(&dlg, Qt::Key_Escape);
        QVERIFY(!dlg.isVisible());
        dlg.show();
        QTest::mouseClick(ok, Qt::LeftButton);
        QVERIFY(!dlg.isVisible());
        QCOMPARE(dlg.result(), int(QDialog::Accepted));
    }
};

TP_QTEST_MAIN(TestModelAndShell)

#include "model_shell_test.moc"
