#pragma once
#include <QDialog>
#include <QString>

#include <functional>
#include <optional>
#include <vector>

#include "portchoice.h"
#include "portplatform.h"
#include "prompt.h"
#include "testersession.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QAction;
class QMenu;

// Porvik's one window (dialog template 102): the 17 connector pins as check boxes beside a
// picture of the connector, the three registers in hexadecimal, and the chosen cable's signals.
//
// The window binds and renders: its controls and keys come from the layout and the command
// table of porttest/core, every user action goes to CTesterSession, and what it shows is the
// session's view. Each control carries its id as object name.
class CPinTestDlg : public QDialog {
    Q_OBJECT

public:
    // No port access here: the port is opened at start-up, which runs when the window is first
    // shown. `platform` and `prompt` must outlive the window.
    CPinTestDlg(IPortPlatform& platform, IPrompt& prompt, QWidget* parent = nullptr);
    ~CPinTestDlg() override;

    // Start-up, then the modal loop; returns QDialog::Rejected when the window is ended, or
    // kSwitchPort when the user chose a port (ChosenPort()), the same one again included.
    int DoModal();
    static constexpr int kSwitchPort = 2;

    // Lists `offers` in the context menu's "并口" entry, `current` ticked; choosing one ends the
    // window with kSwitchPort, so that the shell opens that port afresh. Choosing `current` again
    // and the command "重新打开并口" open the same port again.
    void SetPortOffers(std::vector<PortOffer> offers, const PortChoice& current);
    const std::optional<PortChoice>& ChosenPort() const { return m_chosenPort; }
    // Lines the status line shows below the port's own (how the port was chosen, the settling
    // time), asked afresh whenever the line is drawn.
    void SetStartNote(std::function<std::string()> note) { m_session.SetStartNote(std::move(note)); }
    // A checkable entry at the end of the port chooser, ticked while `ticked` says so; a click
    // calls `toggle` and redraws the status line. Call after SetPortOffers.
    void SetKeepEntry(const QString& text, std::function<bool()> ticked, std::function<void()> toggle);

    // Puts the five process-wide toggle levels back to their initial 1 (for tests, which run
    // several windows in one process).
    static void ResetToggleLevels() { CCableTester::ResetToggleLevels(); }

    // The status line's whole text (PortStatusText).
    QString StatusLineText() const;
    // The command's entry in the window's menu (null: it has none).
    QAction* CommandAction(TesterCommand command) const;

    CTesterSession m_session;
    CIspCable& m_cable; // the session's

protected:
    void accept() override {} // Enter outside a push button does nothing in this window
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;
#ifdef Q_OS_WIN
    bool nativeEvent(const QByteArray& eventType, void* message, qintptr* result) override;
#endif

private:
    void CreateControls();
    void AddCommandEntries();
    void StartUp();
    void CentreOnScreen();
    void Do(TesterCommand command);
    void Act(CTesterSession::Effect effect);
    void Render();
    void ShowStatusLine();

    std::optional<PortChoice> m_chosenPort;
    std::optional<PortChoice> m_currentPort;
    bool m_bInitialized = false;
    QMenu* m_portMenu = nullptr;

    QCheckBox* m_chkPin[CCableTester::kPins + 1] = {}; // by connector pin number, 1..17
    QComboBox* m_cboCable = nullptr;
    QLineEdit* m_edtData = nullptr;
    QLineEdit* m_edtControl = nullptr;
    QLineEdit* m_edtStatus = nullptr;
    QLabel* m_lblPortInUse = nullptr;
    QPushButton* m_btnPortDetails = nullptr;
    QAction* m_actions[kTesterCommands] = {};
};
