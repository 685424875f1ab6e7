// Name conversions of the data exchange, the list stand-in and the file chooser.
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>

#include "ddx.h"
#include "dialogunits.h"
#include "filechooser.h"
#include "modal_driver.h"
#include "xtwidgets.h"
#include "qt_test_main.h"

class DdxTest : public QObject {
    Q_OBJECT
private slots:
    void gbkStringKeepsUntouchedBytes();
    void listControlLook();
    void chooserRemembersAndCancels();
};

void DdxTest::gbkStringKeepsUntouchedBytes()
{
    CGbkString s;
    QCOMPARE(s.Bytes(), std::optional<std::string>(""));

    s.SetBytes("\xd0\xbe\xc6\xac");  // 芯片
    QCOMPARE(s.Text(), QString("芯片"));
    s.SetText(QString("芯片A"));
    QCOMPARE(s.Bytes(), std::optional<std::string>("\xd0\xbe\xc6\xac" "A"));

    const std::string invalid = "\x81\x7f\xfe";
    s.SetBytes(invalid);
    QCOMPARE(s.Bytes(), std::optional<std::string>(invalid));
    s.SetText(s.Text() + "x");
    QVERIFY(!s.Bytes().has_value());
    s.SetText(s.Text().chopped(1));  // back to what was shown: the original bytes again
    QCOMPARE(s.Bytes(), std::optional<std::string>(invalid));

    s.SetText(QString::fromUtf8("a\xF0\x9F\x98\x80"));
    QVERIFY(!s.Bytes().has_value());
    s.SetText(QString::fromUtf8("\xE2\x82\xAC"));  // the euro sign is in code page 936 as 0x80
    QCOMPARE(s.Bytes(), std::optional<std::string>("\x80"));
}

void DdxTest::listControlLook()
{
    CXTListCtrl list;
    list.SetColors(QColor(20, 50, 200), QColor(250, 250, 250));
    CXTFlatHeaderCtrl* header = list.SubclassFlatHeader();
    QCOMPARE(list.horizontalHeader(), header);
    QCOMPARE(list.SubclassFlatHeader(), header);  // once only
    QVERIFY(list.showGrid());
    QCOMPARE(list.selectionBehavior(), QAbstractItemView::SelectRows);
    QCOMPARE(list.selectionMode(), QAbstractItemView::SingleSelection);
    QCOMPARE(list.editTriggers(), QAbstractItemView::NoEditTriggers);
    QVERIFY(list.verticalHeader()->isHidden());
    // Sizing rows to their contents would measure every row of a million-row list.
    QCOMPARE(list.verticalHeader()->sectionResizeMode(0), QHeaderView::Fixed);
    QVERIFY(list.verticalHeader()->defaultSectionSize() >= list.fontMetrics().height());
    QCOMPARE(list.palette().color(QPalette::Active, QPalette::Text), QColor(20, 50, 200));
    QCOMPARE(list.palette().color(QPalette::Inactive, QPalette::Base), QColor(250, 250, 250));
}

void DdxTest::chooserRemembersAndCancels()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QtFileChooser chooser(QtFileChooser::Mode::Save);
    QVERIFY(!chooser.Dialog());

    ModalPoller poller;
    poller.Expect([&](QWidget* w) {
        auto* fd = qobject_cast<QFileDialog*>(w);
        QVERIFY(fd);
        QVERIFY(fd->testOption(QFileDialog::DontUseNativeDialog));
        QCOMPARE(fd->nameFilters(), QStringList("器件列表文件(*.chip)"));
        QCOMPARE(fd->acceptMode(), QFileDialog::AcceptSave);
        // A "&" in a label marks its key only when the label has a box to give the focus to.
        for (const QLabel* label : fd->findChildren<QLabel*>())
            QVERIFY2(!label->text().contains(QLatin1Char('&')) || label->buddy(), qPrintable(label->text()));
        fd->setDirectory(dir.path());
        fd->selectFile(dir.filePath("list"));
        static_cast<QDialog*>(fd)->accept();
    });
    auto first = chooser.Choose();
    QVERIFY(first.has_value());
    // The default suffix is added to a bare name.
    QCOMPARE(QString::fromStdString(first->string()), QDir(dir.path()).filePath("list.chip"));

    QFileDialog* kept = chooser.Dialog();
    QVERIFY(kept);
    QString offered;
    poller.Expect([&](QWidget* w) {
        QCOMPARE(w, kept);  // the same dialog comes back
        auto* nameEdit = w->findChild<QLineEdit*>("fileNameEdit");
        if (nameEdit) offered = nameEdit->text();
        static_cast<QDialog*>(kept)->reject();
    });
    QVERIFY(!chooser.Choose().has_value());
    QCOMPARE(offered, QString("list.chip"));
    QVERIFY(!poller.WatchdogFired());
    QVERIFY(poller.AllHandled());
}

TP_QTEST_MAIN(DdxTest)
#include "ddx_test.moc"
