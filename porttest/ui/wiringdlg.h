#pragma once
#include <QDialog>
#include <QTimer>

#include <functional>
#include <memory>

#include "wiringsession.h"
#include "wiringtest.h"

class QLabel;
class QPushButton;
class QTableWidget;

// The wiring test's result: the view of a CWiringSession (which wiring was expected on which
// port with which map, one row per wire in the colour of its verdict, the verdict), with buttons
// to save the result as a JSON record and to run the test again and again while the cable is
// wiggled ("连续测试", stopped by the same button). The dialog binds and renders.
class CWiringDlg : public QDialog {
    Q_OBJECT
public:
    explicit CWiringDlg(std::unique_ptr<CWiringSession> session, QWidget* parent = nullptr);
    // `runAgain` runs the same test once more; without it there is no wiggle test.
    explicit CWiringDlg(const WiringReport& report, QWidget* parent = nullptr,
                        std::function<WiringReport()> runAgain = {});

    // Asks where to save the record; an empty answer saves nothing. A save file dialog unless
    // a test puts an answer here.
    std::function<QString()> chooseFile;
    // Where a failed save is said (a message box unless a test puts a recorder here).
    std::function<void(const QString&)> inform;
    // What the record says beside the runs (cable, map, port, ...); its date is the save's.
    std::function<ReportContext()> context;

    const RepeatedReport& Tally() const { return m_session->Tally(); }
    bool Repeating() const { return m_session->Repeating(); }

private:
    void Render();
    void OnSave();
    void OnRepeat();

    std::unique_ptr<CWiringSession> m_session;
    QTimer m_timer;
    QLabel* m_subject = nullptr;
    QTableWidget* m_table = nullptr;
    QLabel* m_summary = nullptr;
    QPushButton* m_btnRepeat = nullptr;
};
