// The entry dialogs driven through their real widgets: typing into edits, clicking buttons,
// with scripted message boxes and file choosers.
#include <QApplication>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>

#include <cstring>
#include <string>
#include <vector>

#include "dialogunits.h"
#include "entrydlg.h"
#include "gbk.h"
#include "modal_driver.h"
#include "qtprompt.h"
#include "scripted_chooser.h"
#include "scripted_prompt.h"
#include "qt_test_main.h"

namespace {

QLineEdit* Edit(QWidget& dlg, int id) { return dlg.findChild<QLineEdit*>(QString::number(id)); }
QPushButton* Button(QWidget& dlg, int id) { return dlg.findChild<QPushButton*>(QString::number(id)); }

// Replaces the field's text as a user would: select all, then type. Text outside Latin-1
// arrives as an input method commits it, the way Chinese is entered.
void Type(QWidget& dlg, int id, const QString& text)
{
    QLineEdit* e = Edit(dlg, id);
    QVERIFY(e);
    e->setFocus();
    e->selectAll();
    QTest::keyClick(e, Qt::Key_Delete);
    QString latin;
    auto flushLatin = [&] {
        if (!latin.isEmpty()) QTest::keyClicks(e, latin);
        latin.clear();
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c.unicode() < 0x80) {
            latin += c;
            continue;
        }
        flushLatin();
        QString run(c);
        if (c.isHighSurrogate() && i + 1 < text.size()) run += text[++i];
        QInputMethodEvent ev;
        ev.setCommitString(run);
        QApplication::sendEvent(e, &ev);
    }
    flushLatin();
}

void Click(QWidget& dlg, int id) { QTest::mouseClick(Button(dlg, id), Qt::LeftButton); }

std::string Bytes(const DeviceRecord& r) { return std::string(reinterpret_cast<const char*>(&r), sizeof r); }

DeviceRecord SampleRecord()
{
    DeviceRecord r;
    std::memset(&r, 0xCC, sizeof r);  // padding with a recognisable pattern
    SetRecordName(r, "AT89C51");
    r.fid = 0x0A;
    r.romKb = 4;
    r.voltage = 5.0f;
    r.signature[0] = 0x1E;
    r.signature[1] = 0x95;
    r.signature[2] = 0x0F;
    return r;
}

// Fills every field of the add dialog with an acceptable device.
void FillValid(QWidget& dlg)
{
    Type(dlg, IDC_NAME, "W25X40");
    Type(dlg, IDC_FID, "12");
    Type(dlg, IDC_ROM, "64");
    Type(dlg, IDC_VOLTAGE, "3.3");
    Type(dlg, IDC_SIG1, "ef");
    Type(dlg, IDC_SIG2, "30");
    Type(dlg, IDC_SIG3, "13");
}

}  // namespace

class EntryDlgTest : public QObject {
    Q_OBJECT
private slots:

    void layoutAndTabOrderFollowTemplates();
    void buttonsTakeStyleBeforeBinding();
    void labelsEndAtTheirEdits();

    void hexFieldsRefuse_data();
    void hexFieldsRefuse();
    void nameLengthCountedInGbkBytes();
    void onlyFirstFailureIsShown();
    void numberFieldRefusedStopsOk();
    void enterRunsOkAndEscCancels();

    void importSkipsDeviceChecks();
    void importStillReadsNumberFields();
    void cancelledImportKeepsDialogOpen();
    void valuesKeptBetweenUses();

    void editShowsRecordInHex();
    void editWithoutRecord();
    void editIsAllOrNothing();
    void editWritesRecordInPlace();
    void editStoredTwentyByteName();
    void untouchedNameKeepsItsBytes();
    void unmappableNameRefused();

    void realMessageBox();
};

void EntryDlgTest::layoutAndTabOrderFollowTemplates()
{
    ScriptedPrompt prompt;
    ScriptedChooser chooser;
    CAddDeviceDlg add(prompt, chooser);
    CEditDeviceDlg edit(prompt);
    const DialogUnits du(TemplateFont("MS Sans Serif", 8));

    QCOMPARE(add.windowTitle(), QString("添加新器件"));
    QCOMPARE(edit.windowTitle(), QString("修改"));
    QCOMPARE(add.size(), du.Size(250, 143));
    QCOMPARE(edit.size(), du.Size(241, 143));
    QCOMPARE(add.minimumSize(), add.maximumSize());

    struct Ctl {
        int id, x, y, w, h;
        const char* caption;
    };
    const std::vector<Ctl> shared = {
        {1006, 118, 10, 90, 12, nullptr}, {1008, 118, 29, 40, 12, nullptr}, {1009, 118, 49, 40, 12, nullptr},
        {1010, 118, 70, 40, 12, nullptr}, {1011, 118, 90, 25, 12, nullptr}, {1014, 152, 90, 25, 12, nullptr},
        {1015, 186, 90, 25, 12, nullptr},
    };
    auto check = [&](QDialog& dlg, std::vector<Ctl> ctls) {
        for (const Ctl& c : ctls) {
            QWidget* w = dlg.findChild<QWidget*>(QString::number(c.id));
            QVERIFY2(w, qPrintable(QString::number(c.id)));
            QCOMPARE(w->geometry(), du.Rect(c.x, c.y, c.w, c.h));
            if (c.caption) QCOMPARE(qobject_cast<QPushButton*>(w)->text(), QString(c.caption));
        }
    };
    auto addCtls = shared;
    addCtls.insert(addCtls.end(), {{1, 30, 120, 50, 16, "确定"}, {2, 100, 120, 50, 16, "取消"},
                                   {1007, 170, 120, 50, 16, "从文件导入"}});
    check(add, addCtls);
    auto editCtls = shared;
    editCtls.insert(editCtls.end(), {{1, 57, 120, 50, 16, "确定"}, {2, 139, 120, 50, 16, "取消"}});
    check(edit, editCtls);
    QVERIFY(!edit.findChild<QWidget*>("1007"));

    QStringList labels;
    for (QLabel* l : add.findChildren<QLabel*>()) labels << l->text();
    QCOMPARE(labels, QStringList({"名称(小于20个字符):", "FID(1字节的16进制数):", "ROM(K字节):",
                                  "编程电压(V):", "特征字(16进制数):"}));

    // Tab order: walk the focus chain from OK and note every control that takes Tab.
    auto tabOrder = [](QDialog& dlg) {
        QStringList ids;
        QWidget* first = Button(dlg, 1);
        QWidget* w = first;
        do {
            if (w->focusPolicy() & Qt::TabFocus) ids << w->objectName();
            w = w->nextInFocusChain();
        } while (w != first && ids.size() < 40);
        return ids;
    };
    QCOMPARE(tabOrder(add),
             QStringList({"1", "2", "1006", "1007", "1008", "1009", "1010", "1011", "1014", "1015"}));
    QCOMPARE(tabOrder(edit), QStringList({"1", "2", "1006", "1008", "1009", "1010", "1011", "1014", "1015"}));
}

void EntryDlgTest::labelsEndAtTheirEdits()
{
    ScriptedPrompt prompt;
    ScriptedChooser chooser;
    CAddDeviceDlg add(prompt, chooser);
    CEditDeviceDlg edit(prompt);
    const int edits[] = {IDC_NAME, IDC_FID, IDC_ROM, IDC_VOLTAGE, IDC_SIG1};  // in label order
    for (QDialog* dlg : {static_cast<QDialog*>(&add), static_cast<QDialog*>(&edit)}) {
        const QList<QLabel*> labels = dlg->findChildren<QLabel*>();
        QCOMPARE(labels.size(), qsizetype(std::size(edits)));
        for (qsizetype i = 0; i < labels.size(); ++i) {
            const QLabel* l = labels[i];
            const QRect e = Edit(*dlg, edits[i])->geometry();
            // Whatever the font: the text ends at one edge before the edits and sits on their line.
            QCOMPARE(l->alignment(), Qt::AlignRight | Qt::AlignVCenter);
            QCOMPARE(l->geometry().right(), labels[0]->geometry().right());
            QVERIFY(l->geometry().right() < e.left());
            QCOMPARE(l->geometry().center().y(), e.center().y());
            QVERIFY2(l->fontMetrics().horizontalAdvance(l->text()) <= l->width(), qPrintable(l->text()));
        }
    }
}

void EntryDlgTest::buttonsTakeStyleBeforeBinding()
{
    CXTButton unbound;
    unbound.SetXButtonStyle(2, true);  // must not need a control yet
    QPushButton b;
    QVERIFY(!b.isFlat());
    unbound.Attach(&b);
    QVERIFY(b.isFlat());
    QCOMPARE(unbound.GetXButtonStyle(), 2);

    ScriptedPrompt prompt;
    ScriptedChooser chooser;
    CAddDeviceDlg add(prompt, chooser);
    CEditDeviceDlg edit(prompt);
    QCOMPARE(add.m_btnImport.Button(), Button(add, 1007));
    QCOMPARE(add.m_btnOK.Button(), Button(add, 1));
    for (int id : {1, 2, 1007}) QVERIFY(Button(add, id)->isFlat());
    for (int id : {1, 2}) QVERIFY(Button(edit, id)->isFlat());
}

void EntryDlgTest::hexFieldsRefuse_data()
{
    QTest::addColumn<int>("field");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("message");
    const std::pair<int, const char*> fields[] = {
        {IDC_FID, kMsgBadFid}, {IDC_SIG1, kMsgBadSig1}, {IDC_SIG2, kMsgBadSig2}, {IDC_SIG3, kMsgBadSig3}};
    for (auto [field, msg] : fields)
        QTest::newRow(QByteArray::number(field)) << field << QString("一") << QString(msg);
}

void EntryDlgTest::hexFieldsRefuse()
{
    QFETCH(int, field);
    QFETCH(QString, text);
    QFETCH(QString, message);
    ScriptedPrompt prompt;
    ScriptedChooser chooser;
    CAddDeviceDlg dlg(prompt, chooser);
    const int result = DriveModal(dlg, [&] { return dlg.DoModal(); }, [&] {
        FillValid(dlg);
        Type(dlg, field, text);
        Click(dlg, 1);
        QVERIFY(dlg.isVisible());
        QCOMPARE(Edit(dlg, field)->text(), text);  // the user's text stays in place
        QCOMPARE(dlg.focusWidget(), Edit(dlg, field));
        QCOMPARE(Edit(dlg, field)->selectedText(), text);
    });
    QCOMPARE(result, kLeftOpen);
    QCOMPARE(prompt.Count(), 1u);
    QCOMPARE(QString::fromStdString(prompt.LastText()), message);
    QCOMPARE(prompt.shown[0].buttons, IPrompt::Buttons::Ok);
    QCOMPARE(Bytes(dlg.m_record), std::string(36, '\0'));
}

void EntryDlgTest::nameLengthCountedInGbkBytes()
{
    struct Case {
        QString name;
        const char* message;  // nullptr: accepted
    };
    const Case cases[] = {
        {QString("一二三四五六七八九十"), kMsgNameTooLong},     // 20 bytes in GBK
        {QString("一二三四五六七八九X"), nullptr},             // 19 bytes
    };
    for (const Case& c : cases) {
        ScriptedPrompt prompt;
        ScriptedChooser chooser;
        CAddDeviceDlg dlg(prompt, chooser);
        const int result = DriveModal(dlg, [&] { return dlg.DoModal(); }, [&] {
            FillValid(dlg);
            Type(dlg, IDC_NAME, c.name);
            Click(dlg, 1);
        });
        if (c.message) {
            QCOMPARE(result, kLeftOpen);
            QCOMPARE(prompt.LastText(), std::string(c.message));
        } else {
            QCOMPARE(result, 1);
            QCOMPARE(prompt.Count(), 0u);
            QCOMPARE(QString::fromStdString(GbkToUtf8(RecordName(dlg.m_record))), c.name);
            QCOMPARE(RecordName(dlg.m_record).size(), 19u);
            QCOMPARE(dlg.m_record.name[19], '\0');
        }
    }
}

void EntryDlgTest::onlyFirstFailureIsShown()
{
    ScriptedPrompt prompt;
    ScriptedChooser chooser;
    CAddDeviceDlg dlg(prompt, chooser);
    DriveModal(dlg, [&] { return dlg.DoModal(); }, [&] {
        FillValid(dlg);
        Type(dlg, IDC_NAME, "");
        Type(dlg, IDC_FID, "zz");
        Type(dlg, IDC_SIG3, "zz");
        Click(dlg, 1);
        QCOMPARE(prompt.Count(), 1u);
        QCOMPARE(prompt.LastText(), std::string(kMsgNameEmpty));
        Type(dlg, IDC_NAME, "X");
        Click(dlg, 1);
        QCOMPARE(prompt.LastText(), std::string(kMsgBadFid));
        Type(dlg, IDC_FID, "1");
        Click(dlg, 1);
        QCOMPARE(prompt.LastText(), std::string(kMsgBadSig3));
        QCOMPARE(prompt.Count(), 3u);
    });
}

void EntryDlgTest::numberFieldRefusedStopsOk()
{
    ScriptedPrompt prompt;
    ScriptedChooser chooser;
    CAddDeviceDlg dlg(prompt, chooser);
    DriveModal(dlg, [&] { return dlg.DoModal(); }, [&] {
        FillValid(dlg);
        Type(dlg, IDC_ROM, "abc");
        Click(dlg, 1);
        QVERIFY(dlg.isVisible());
        QCOMPARE(prompt.Count(), 1u);  // the checks do not run on top of the refusal
        QCOMPARE(prompt.LastText(), std::string("请输入一个整数。"));
        QCOMPARE(dlg.focusWidget(), Edit(dlg, IDC_ROM));
        QCOMPARE(Edit(dlg, IDC_ROM)->selectedText(), QString("abc"));

        Type(dlg, IDC_ROM, "64");
        Type(dlg, IDC_VOLTAGE, "5V");
        Click(dlg, 1);
        QCOMPARE(prompt.LastText(), std::string("请输入一个数字。"));
        QCOMPARE(prompt.Count(), 2u);
    });
    QCOMPARE(Bytes(dlg.m_record), std::string(36, '\0'));

    // The edit dialog leaves the list's record alone.
    DeviceRecord rec = SampleRecord();
    const std::string before = Bytes(rec);
    CEditDeviceDlg edit(prompt);
    edit.m_pRecord = &rec;
    const int result = DriveModal(edit, [&] { return edit.DoModal(); }, [&] {
        Type(edit, IDC_FID, "77");
        Type(edit, IDC_ROM, "abc");
        Click(edit, 1);
        QCOMPARE(prompt.LastText(), std::string("请输入一个整数。"));
        Click(edit, 2);
    });
    QCOMPARE(result, 2);
    QCOMPARE(Bytes(rec), before);
}

void EntryDlgTest::enterRunsOkAndEscCancels()
{
    ScriptedPrompt prompt;
    ScriptedChooser chooser;
    CAddDeviceDlg dlg(prompt, chooser);
    int result = DriveModal(dlg, [&] { return dlg.DoModal(); }, [&] {
        FillValid(dlg);
        Type(dlg, IDC_FID, "xyz");
        QTest::keyClick(Edit(dlg, IDC_NAME), Qt::Key_Return);
        QCOMPARE(prompt.LastText(), std::string(kMsgBadFid));
        Type(dlg, IDC_FID, "5");
        QTest::keyClick(Edit(dlg, IDC_SIG3), Qt::Key_Enter);
    });
    QCOMPARE(result, 1);
    QCOMPARE(int(dlg.m_record.fid), 5);

    result = DriveModal(dlg, [&] { return dlg.DoModal(); }, [&] {
        Type(dlg, IDC_NAME, "OTHER");
        QTest::keyClick(Edit(dlg, IDC_NAME), Qt::Key_Escape);
    });
    QCOMPARE(result, 2);
    QCOMPARE(std::string(RecordName(dlg.m_record)), std::string("W25X40"));
}

void EntryDlgTest::importSkipsDeviceChecks()
{
    ScriptedPrompt prompt;
    ScriptedChooser chooser;
    chooser.Queue(std::filesystem::path("/data/more.chip"));
    CAddDeviceDlg dlg(prompt, chooser);
    const int result = DriveModal(dlg, [&] { return dlg.DoModal(); }, [&] {
        FillValid(dlg);
        Type(dlg, IDC_NAME, "");
        Type(dlg, IDC_FID, "bad!");
        Type(dlg, IDC_NAME, QString::fromUtf8("\xF0\x9F\x98\x80"));  // not storable, not examined
        Click(dlg, IDC_IMPORT);
    });
    QCOMPARE(result, 3);
    QCOMPARE(prompt.Count(), 0u);
    QCOMPARE(chooser.calls, 1);
    QCOMPARE(dlg.m_strImportPath, std::filesystem::path("/data/more.chip"));
    QVERIFY(dlg.m_bImport);

    // An OK accepted afterwards is an OK, not an import.
    const int again = DriveModal(dlg, [&] { return dlg.DoModal(); }, [&] {
        Type(dlg, IDC_NAME, "X");
        Type(dlg, IDC_FID, "1");
        Click(dlg, 1);
    });
    QCOMPARE(again, 1);
    QVERIFY(!dlg.m_bImport);
}

void EntryDlgTest::importStillReadsNumberFields()
{
    ScriptedPrompt prompt;
    ScriptedChooser chooser;
    chooser.Queue(std::filesystem::path("/data/a.chip"));
    chooser.Queue(std::filesystem::path("/data/b.chip"));
    CAddDeviceDlg dlg(prompt, chooser);
    const int result = DriveModal(dlg, [&] { return dlg.DoModal(); }, [&] {
        Type(dlg, IDC_ROM, "");
        Click(dlg, IDC_IMPORT);
        QVERIFY(dlg.isVisible());
        QCOMPARE(prompt.LastText(), std::string(kMsgNotInteger));
        Type(dlg, IDC_ROM, "8");
        Click(dlg, IDC_IMPORT);
    });
    QCOMPARE(result, 3);
    QCOMPARE(dlg.m_strImportPath, std::filesystem::path("/data/b.chip"));
    QCOMPARE(dlg.m_strRomKb, QString("8"));
}

void EntryDlgTest::cancelledImportKeepsDialogOpen()
{
    ScriptedPrompt prompt;
    ScriptedChooser chooser;
    chooser.Queue(std::nullopt);
    CAddDeviceDlg dlg(prompt, chooser);
    const int result = DriveModal(dlg, [&] { return dlg.DoModal(); }, [&] {
        FillValid(dlg);
        Click(dlg, IDC_IMPORT);
        QVERIFY(dlg.isVisible());
        QCOMPARE(Edit(dlg, IDC_NAME)->text(), QString("W25X40"));
        QCOMPARE(Edit(dlg, IDC_VOLTAGE)->text(), QString("3.3"));
        Click(dlg, 1);  // and the dialog still works as before
    });
    QCOMPARE(result, 1);
    QCOMPARE(chooser.calls, 1);
    QVERIFY(!dlg.m_bImport);
    QVERIFY(dlg.m_strImportPath.empty());
}

void EntryDlgTest::valuesKeptBetweenUses()
{
    ScriptedPrompt prompt;
    ScriptedChooser chooser;
    CAddDeviceDlg dlg(prompt, chooser);
    QCOMPARE(DriveModal(dlg, [&] { return dlg.DoModal(); }, [&] {
                 QCOMPARE(Edit(dlg, IDC_ROM)->text(), QString("0"));
                 QCOMPARE(Edit(dlg, IDC_VOLTAGE)->text(), QString("0"));
                 QCOMPARE(Edit(dlg, IDC_NAME)->text(), QString());
                 FillValid(dlg);
                 Click(dlg, 1);
             }),
             1);
    // Typed and cancelled: Cancel reads nothing, so the next use shows the accepted values.
    QCOMPARE(DriveModal(dlg, [&] { return dlg.DoModal(); }, [&] {
                 QCOMPARE(Edit(dlg, IDC_NAME)->text(), QString("W25X40"));
                 QCOMPARE(Edit(dlg, IDC_VOLTAGE)->text(), QString("3.3"));
                 QCOMPARE(Edit(dlg, IDC_SIG1)->text(), QString("ef"));
                 Type(dlg, IDC_NAME, "TYPED");
                 Click(dlg, 2);
             }),
             2);
    // A refused OK did read the fields, so its values come back.
    DriveModal(dlg, [&] { return dlg.DoModal(); }, [&] {
        QCOMPARE(Edit(dlg, IDC_NAME)->text(), QString("W25X40"));
        Type(dlg, IDC_NAME, "REFUSED");
        Type(dlg, IDC_FID, "zzz");
        Click(dlg, 1);
        Click(dlg, 2);
    });
    DriveModal(dlg, [&] { return dlg.DoModal(); }, [&] {
        QCOMPARE(Edit(dlg, IDC_NAME)->text(), QString("REFUSED"));
        QCOMPARE(Edit(dlg, IDC_FID)->text(), QString("zzz"));
        QCOMPARE(dlg.focusWidget(), Button(dlg, 1));  // a fresh start on OK
    });
    QCOMPARE(std::string(RecordName(dlg.m_record)), std::string("W25X40"));
}

void EntryDlgTest::editShowsRecordInHex()
{
    ScriptedPrompt prompt;
    DeviceRecord rec = SampleRecord();
    rec.voltage = 3.3f;
    CEditDeviceDlg dlg(prompt);
    dlg.m_pRecord = &rec;
    const int result = DriveModal(dlg, [&] { return dlg.DoModal(); }, [&] {
        QCOMPARE(Edit(dlg, IDC_NAME)->text(), QString("AT89C51"));
        QCOMPARE(Edit(dlg, IDC_FID)->text(), QString("0a"));
        QCOMPARE(Edit(dlg, IDC_SIG1)->text(), QString("1e"));
        QCOMPARE(Edit(dlg, IDC_SIG2)->text(), QString("95"));
        QCOMPARE(Edit(dlg, IDC_SIG3)->text(), QString("0f"));
        QCOMPARE(Edit(dlg, IDC_ROM)->text(), QString("4"));
        QCOMPARE(Edit(dlg, IDC_VOLTAGE)->text(), QString("3.3"));
        Click(dlg, 1);
    });
    QCOMPARE(result, 1);
    // Accepting unchanged fields gives back the record bit for bit.
    DeviceRecord expected = SampleRecord();
    expected.voltage = 3.3f;
    QCOMPARE(Bytes(rec), Bytes(expected));

    // Reloaded at every use: the next record shows its own values.
    DeviceRecord other = SampleRecord();
    SetRecordName(other, "P2");
    other.fid = 0xFF;
    dlg.m_pRecord = &other;
    DriveModal(dlg, [&] { return dlg.DoModal(); }, [&] {
        QCOMPARE(Edit(dlg, IDC_NAME)->text(), QString("P2"));
        QCOMPARE(Edit(dlg, IDC_FID)->text(), QString("ff"));
    });
}

void EntryDlgTest::editWithoutRecord()
{
    ScriptedPrompt prompt;
    CEditDeviceDlg dlg(prompt);
    bool shown = false;
    const int result = DriveModal(dlg, [&] { return dlg.DoModal(); }, [&] { shown = true; });
    QCOMPARE(result, -1);
    QVERIFY(!dlg.isVisible());
    QCoreApplication::processEvents();  // let the scheduled body run: it must find nothing open
    QVERIFY(shown);
    QCOMPARE(prompt.Count(), 0u);
}

void EntryDlgTest::editIsAllOrNothing()
{
    ScriptedPrompt prompt;
    DeviceRecord rec = SampleRecord();
    const std::string before = Bytes(rec);
    CEditDeviceDlg dlg(prompt);
    dlg.m_pRecord = &rec;
    const int result = DriveModal(dlg, [&] { return dlg.DoModal(); }, [&] {
        Type(dlg, IDC_NAME, "CHANGED");
        Type(dlg, IDC_ROM, "99");
        Type(dlg, IDC_FID, "55");
        Type(dlg, IDC_SIG1, "11");
        Type(dlg, IDC_SIG2, "xx");
        Type(dlg, IDC_SIG3, "33");
        Click(dlg, 1);
        QCOMPARE(prompt.LastText(), std::string(kMsgBadSig2));
        QCOMPARE(Bytes(rec), before);
        Click(dlg, 2);
    });
    QCOMPARE(result, 2);
    QCOMPARE(prompt.Count(), 1u);
    QCOMPARE(Bytes(rec), before);
}

void EntryDlgTest::editWritesRecordInPlace()
{
    ScriptedPrompt prompt;
    DeviceRecord rec = SampleRecord();
    std::memcpy(rec.name + 8, "GARBAGE", 7);  // bytes after the NUL, as a foreign file may have
    CEditDeviceDlg dlg(prompt);
    dlg.m_pRecord = &rec;
    const int result = DriveModal(dlg, [&] { return dlg.DoModal(); }, [&] {
        Type(dlg, IDC_NAME, "新器件");
        Type(dlg, IDC_FID, "B");
        Type(dlg, IDC_SIG2, "");
        Type(dlg, IDC_ROM, "-1");
        Type(dlg, IDC_VOLTAGE, "12.5");
        Click(dlg, 1);
    });
    QCOMPARE(result, 1);
    QCOMPARE(std::string(rec.name, 20), std::string("\xd0\xc2\xc6\xf7\xbc\xfe") + std::string(14, '\0'));
    QCOMPARE(int(rec.fid), 0x0B);
    QCOMPARE(int(rec.signature[0]), 0x1E);
    QCOMPARE(int(rec.signature[1]), 0x00);
    QCOMPARE(rec.romKb, -1);
    QCOMPARE(rec.voltage, 12.5f);
    // Padding of a record read from a file is its own.
    QCOMPARE(std::string(reinterpret_cast<char*>(rec.pad1), 3), std::string(3, '\xCC'));
    QCOMPARE(int(rec.pad2), 0xCC);
}

void EntryDlgTest::editStoredTwentyByteName()
{
    ScriptedPrompt prompt;
    DeviceRecord rec = SampleRecord();
    std::memcpy(rec.name, "ABCDEFGHIJKLMNOPQRST", 20);  // no NUL
    const std::string before = Bytes(rec);
    CEditDeviceDlg dlg(prompt);
    dlg.m_pRecord = &rec;
    const int result = DriveModal(dlg, [&] { return dlg.DoModal(); }, [&] {
        QCOMPARE(Edit(dlg, IDC_NAME)->text(), QString("ABCDEFGHIJKLMNOPQRST"));
        Click(dlg, 1);
        QCOMPARE(prompt.LastText(), std::string(kMsgNameTooLong));
        QCOMPARE(Bytes(rec), before);
        QLineEdit* name = Edit(dlg, IDC_NAME);
        name->setFocus();
        name->end(false);
        QTest::keyClick(name, Qt::Key_Backspace);
        Click(dlg, 1);
    });
    QCOMPARE(result, 1);
    QCOMPARE(prompt.Count(), 1u);
    QCOMPARE(std::string(rec.name, 20), std::string("ABCDEFGHIJKLMNOPQRS") + '\0');
    QCOMPARE(int(rec.fid), 0x0A);
}

void EntryDlgTest::untouchedNameKeepsItsBytes()
{
    ScriptedPrompt prompt;
    DeviceRecord rec = SampleRecord();
    // 0x81 0x20 is not a GBK pair, and 0xFF is no lead byte: shown with replacement marks.
    const std::string odd = "X\x81\x20Y\xFF";
    std::memset(rec.name, 0, 20);
    std::memcpy(rec.name, odd.data(), odd.size());
    CEditDeviceDlg dlg(prompt);
    dlg.m_pRecord = &rec;
    const int result = DriveModal(dlg, [&] { return dlg.DoModal(); }, [&] {
        QVERIFY(Edit(dlg, IDC_NAME)->text().contains(QChar(0xFFFD)));
        Type(dlg, IDC_FID, "42");
        Click(dlg, 1);
    });
    QCOMPARE(result, 1);
    QCOMPARE(prompt.Count(), 0u);
    QCOMPARE(std::string(RecordName(rec)), odd);
    QCOMPARE(int(rec.fid), 0x42);

    // Once the user edits such a name, the replacement marks cannot be stored: said plainly.
    const std::string before = Bytes(rec);
    DriveModal(dlg, [&] { return dlg.DoModal(); }, [&] {
        QLineEdit* name = Edit(dlg, IDC_NAME);
        name->setFocus();
        name->end(false);
        QTest::keyClicks(name, "Z");
        Click(dlg, 1);
        QCOMPARE(prompt.LastText(), std::string(kMsgNameUnsavable));
    });
    QCOMPARE(Bytes(rec), before);
}

void EntryDlgTest::unmappableNameRefused()
{
    const QString emoji = QString::fromUtf8("芯片\xF0\x9F\x98\x80");
    ScriptedPrompt prompt;
    ScriptedChooser chooser;
    CAddDeviceDlg add(prompt, chooser);
    const int r1 = DriveModal(add, [&] { return add.DoModal(); }, [&] {
        FillValid(add);
        Type(add, IDC_NAME, emoji);
        Click(add, 1);
        QCOMPARE(Edit(add, IDC_NAME)->text(), emoji);
    });
    QCOMPARE(r1, kLeftOpen);
    QCOMPARE(prompt.LastText(), std::string("名称中含有无法保存的字符!"));
    QCOMPARE(Bytes(add.m_record), std::string(36, '\0'));

    DeviceRecord rec = SampleRecord();
    const std::string before = Bytes(rec);
    CEditDeviceDlg edit(prompt);
    edit.m_pRecord = &rec;
    const int r2 = DriveModal(edit, [&] { return edit.DoModal(); }, [&] {
        Type(edit, IDC_NAME, emoji);
        Click(edit, 1);
    });
    QCOMPARE(r2, kLeftOpen);
    QCOMPARE(prompt.Count(), 2u);
    QCOMPARE(prompt.LastText(), std::string(kMsgNameUnsavable));
    QCOMPARE(Bytes(rec), before);
}

void EntryDlgTest::realMessageBox()
{
    QtPrompt prompt(QStringLiteral("Tessaro"));
    ScriptedChooser chooser;
    CAddDeviceDlg dlg(prompt, chooser);
    prompt.SetParent(&dlg);
    ModalPoller poller;
    QString boxTitle, boxText, boxButton;

    poller.Expect([&](QWidget* w) {
        QCOMPARE(w, &dlg);
        FillValid(dlg);
        Type(dlg, IDC_FID, "G");
        // Queued: the click opens a message box, and polling must go on while it is up.
        QTimer::singleShot(0, &dlg, [&] { Click(dlg, 1); });
    });
    poller.Expect([&](QWidget* w) {
        auto* box = qobject_cast<QMessageBox*>(w);
        QVERIFY(box);
        boxTitle = box->windowTitle();
        boxText = box->text();
        QCOMPARE(box->icon(), QMessageBox::Warning);  // an error box carries the warning sign
        QCOMPARE(box->buttons().size(), 1);
        boxButton = box->buttons().front()->text();
        QTest::mouseClick(box->buttons().front(), Qt::LeftButton);
    });
    poller.Expect([&](QWidget* w) {
        QCOMPARE(w, &dlg);  // back in the add dialog, which stayed open
        Type(dlg, IDC_FID, "0f");
        Click(dlg, 1);
    });

    const int result = dlg.DoModal();
    QVERIFY(!poller.WatchdogFired());
    QVERIFY(poller.AllHandled());
    QCOMPARE(result, 1);
    QCOMPARE(boxTitle, QString("Tessaro"));
    QCOMPARE(boxText, QString("请输入正确的FID!"));
    QCOMPARE(boxButton, QString("确定"));
    QCOMPARE(int(dlg.m_record.fid), 0x0F);
}

TP_QTEST_MAIN(EntryDlgTest)
#include "entrydlg_test.moc"
