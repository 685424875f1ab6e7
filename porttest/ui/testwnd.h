#pragma once
#include <QDialog>
#include <QString>

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <vector>

#include "portchoice.h"
#include "portplatform.h"
#include "prompt.h"
#include "tester.h"

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
// The window is wiring: what a click does to the cable is CCableTester's (the toggle levels, the
// cable's map, the read-back), and every port access goes through m_cable. There is no timer
// and no polling; the port is read only when the user acts, and every handler that touches the
// port ends with RefreshFromPort().
//
// Values move between the fields below and the controls only through UpdateData(), all of them
// at once in one fixed order: text typed into a register edit and not yet written is therefore
// overwritten by the next refresh, and a display-only pin box shows the real input level right
// after it was clicked. Users of the tester know it this way.
class CPinTestDlg : public QDialog {
    Q_OBJECT

public:
    // Control ids of the template; each control carries its id as object name.
    enum : int {
        IDC_PIN1 = 1000, IDC_PIN2 = 1001, IDC_PIN14 = 1002, IDC_PIN15 = 1003, IDC_PIN16 = 1004,
        IDC_PIN17 = 1005, IDC_PIN3 = 1006, IDC_PIN4 = 1007, IDC_PIN5 = 1008, IDC_PIN6 = 1009,
        IDC_PIN7 = 1010, IDC_PIN8 = 1011, IDC_PIN9 = 1012, IDC_PIN10 = 1013, IDC_PIN11 = 1014,
        IDC_PIN12 = 1015, IDC_PIN13 = 1016,
        IDC_DATA = 1017, IDC_CONTROL = 1018, IDC_WRITE_DATA = 1019, IDC_STATUS = 1020,
        IDC_RST = 1021, IDC_WRITE_CONTROL = 1022, IDC_MISO = 1023, IDC_REFRESH = 1024,
        IDC_MOSI = 1025, IDC_SCK = 1026, IDC_R1 = 1027, IDC_CABLE = 1028, IDC_R2 = 1029,
        IDC_MOSI_PIN = 1031, IDC_MISO_PIN = 1032, IDC_SCK_PIN = 1033, IDC_RST_PIN = 1034,
        IDC_R1_PIN = 1035, IDC_R2_PIN = 1036,
        IDCANCEL_EXIT = 2,
    };

    // No port access here: the port is opened at start-up (OnInitDialog), which runs when the
    // window is first shown. `platform` and `prompt` must outlive the window.
    CPinTestDlg(IPortPlatform& platform, IPrompt& prompt, QWidget* parent = nullptr);
    ~CPinTestDlg() override;

    // Start-up, then the modal loop; returns QDialog::Rejected when the window is ended, or
    // kSwitchPort when the user chose another port (ChosenPort()).
    int DoModal();
    static constexpr int kSwitchPort = 2;

    // Lists `offers` in the context menu's "并口" entry, `current` ticked; choosing another ends
    // the window with kSwitchPort, so that the shell opens that port afresh. Nothing is stored.
    void SetPortOffers(std::vector<PortOffer> offers, const PortChoice& current);
    const std::optional<PortChoice>& ChosenPort() const { return m_chosenPort; }
    // Lines the status line shows below the port's own (how the port was chosen, the settling
    // time), asked afresh whenever the line is drawn.
    void SetStartNote(std::function<std::string()> note) { m_startNote = std::move(note); }
    // A checkable entry at the end of the port chooser, ticked while `ticked` says so; a click
    // calls `toggle` and redraws the status line. Call after SetPortOffers.
    void SetKeepEntry(const QString& text, std::function<bool()> ticked, std::function<void()> toggle);

    // Puts the five process-wide toggle levels back to their initial 1 (for tests, which run
    // several windows in one process).
    static void ResetToggleLevels() { CCableTester::ResetToggleLevels(); }

    // The status line's whole text (PortStatusText).
    QString StatusLineText() const;

    CCableTester m_tester;
    std::optional<PortChoice> m_chosenPort;
    std::function<std::string()> m_startNote;
    QMenu* m_portMenu = nullptr;
    // Dialog data, in declaration order.
    CIspCable& m_cable; // m_tester's
    int m_bPin1 = 0, m_bPin14 = 0, m_bPin15 = 0, m_bPin16 = 0, m_bPin17 = 0, m_bPin2 = 0;
    int m_bPin10 = 0, m_bPin11 = 0, m_bPin12 = 0, m_bPin13 = 0;
    int m_bPin3 = 0, m_bPin4 = 0, m_bPin5 = 0, m_bPin6 = 0, m_bPin7 = 0, m_bPin8 = 0, m_bPin9 = 0;
    QString m_strControl;
    QString m_strData;
    QString m_strStatus;
    QString m_strMosiPin, m_strMisoPin, m_strSckPin, m_strRstPin, m_strR1Pin, m_strR2Pin;

    // true pulls the controls' contents into the fields, false pushes the fields into the
    // controls. There is no validation step: every exchange succeeds.
    void UpdateData(bool bSaveAndValidate);

protected:
    virtual void OnInitDialog();
    virtual void OnOK() {} // Enter does nothing in this window
    void DoDataExchange(bool bSaveAndValidate);

    void accept() override { OnOK(); }
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;
#ifdef Q_OS_WIN
    bool nativeEvent(const QByteArray& eventType, void* message, qintptr* result) override;
#endif

    // Message handlers. A box of an output pin drives its pin, the box of an input pin only
    // refreshes (the pin box table binds them).
    void OnPin1() { OnWritablePin(1); }
    void OnPin2() { OnWritablePin(2); }
    void OnPin3() { OnWritablePin(3); }
    void OnPin4() { OnWritablePin(4); }
    void OnPin5() { OnWritablePin(5); }
    void OnPin6() { OnWritablePin(6); }
    void OnPin7() { OnWritablePin(7); }
    void OnPin8() { OnWritablePin(8); }
    void OnPin9() { OnWritablePin(9); }
    void OnPin14() { OnWritablePin(14); }
    void OnPin16() { OnWritablePin(16); }
    void OnPin17() { OnWritablePin(17); }
    void OnRefresh() { RefreshFromPort(); }
    void OnWriteData();
    void OnWriteControl();
    // Each of the five toggles goes through OnToggle.
    void OnToggleMosi();
    void OnReadMiso();
    void OnToggleSck();
    void OnToggleRst();
    void OnSelchangeCable();
    void OnToggleR1();
    void OnToggleR2();
    void OnAbout();
    void OnPortDetails();
    // The wiring test against the loopback plug (F5) or the chosen cable's ISP end looped
    // (Shift+F5), shown in its dialog; the registers are as before when it ends.
    void OnWiringTest(bool selectedCable);

private:
    struct PinBox;
    static std::span<const PinBox> PinBoxes();
    // The box of a pin; a number without a box is a programming error and stops the program.
    static const PinBox& PinBoxOf(int pin);

    void CreateControls();
    void AddAboutEntry();
    void AddWiringTestEntries();
    void ShowPortInUse();
    void StartUp();
    void CentreOnScreen();
    void RefreshFromPort();
    void ApplyCable(int index);
    void OnWritablePin(int pin);
    void OnToggle(CCableTester::Toggle toggle);
    void OnWriteRegister(const QString& text, void (CIspCable::*write)(std::uint8_t));
    int& PinField(int pin);

    IPortPlatform& m_platform;
    IPrompt& m_prompt;
    bool m_bInitialized = false;

    // Controls, owned by the dialog as its children.
    QPushButton* m_btnR2 = nullptr;
    QPushButton* m_btnR1 = nullptr;
    QComboBox* m_cboCable = nullptr;
    QPushButton* m_btnRst = nullptr;
    QPushButton* m_btnSck = nullptr;
    QPushButton* m_btnMiso = nullptr;
    QPushButton* m_btnMosi = nullptr;
    QCheckBox* m_chkPin[CCableTester::kPins + 1] = {}; // by connector pin number, 1..17
    QLineEdit* m_edtData = nullptr;
    QLineEdit* m_edtControl = nullptr;
    QLineEdit* m_edtStatus = nullptr;
    QLabel* m_lblMosiPin = nullptr;
    QLabel* m_lblMisoPin = nullptr;
    QLabel* m_lblSckPin = nullptr;
    QLabel* m_lblRstPin = nullptr;
    QLabel* m_lblR1Pin = nullptr;
    QLabel* m_lblR2Pin = nullptr;
    QLabel* m_lblPortInUse = nullptr;
    QPushButton* m_btnPortDetails = nullptr;
    QString m_strStatusLine; // the status line's whole text, also when the line shows only a part
    QAction* m_actAbout = nullptr;
    QAction* m_actWiringPlug = nullptr;
    QAction* m_actWiringCable = nullptr;
};
